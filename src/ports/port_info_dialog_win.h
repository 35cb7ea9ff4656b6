// The port and code page dialog's window (template IDD_PORT_INFO): interface radio buttons,
// the code page, port and processor lists, the interface's picture in place of frame 1016,
// and OK and Exit as icon buttons. The rules live in port_info_dialog.h.
//
// The Install command creates one for a run, calls Run(nullptr), and after kDialogOk reads
// PortName() and IpAddressText(); the dialog has set useLabelPortMonitor, codePage and the
// platform (OsInfo) of the process state by then.
#pragma once

#include <windows.h>

#include <string>

#include "core/app_context.h"
#include "controls/icon_button_win.h"
#include "controls/picture_control_win.h"
#include "ports/ip_address_dialog_win.h"
#include "ports/port_info_dialog.h"
#include "ui/dialog_win.h"

namespace prinstall {

class PortInfoDialogWin : public ui::ViewDialog<PortDialogView> {
public:
    // Needs the platform's registry (for the IP address dialog's check).
    explicit PortInfoDialogWin(AppContext& app);

    // Runs the dialog modally: kDialogOk when confirmed, kDialogCancel for Exit or Escape,
    // -1 when the dialog could not be created.
    int Run(HWND owner);

    // Results after kDialogOk.
    const std::string& PortName() const { return rules_.PortName(); }
    const std::string& IpAddressText() const { return rules_.IpAddressText(); }
    int GetInterfaceKind() const { return rules_.GetInterfaceKind(); }

protected:
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOk() override;

private:
    // PortDialogView
    void CheckRadio(int id) override;
    void ListReset(int id) override;
    void ListAdd(int id, const std::string& text) override;
    void ListSelect(int id, int index) override;
    int ListSelection(int id) override;
    std::string ListEntry(int id, int index) override;
    void ShowPicture(int bitmapId) override;
    int RunIpAddressDialog() override;

    IpAddressDialogWin ipDialog_;
    PortInfoDialog rules_;
    controls::PictureControl picture_;
};

}  // namespace prinstall
