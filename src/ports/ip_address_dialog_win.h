// The IP address dialog's window (template IDD_IP_ADDRESS): a label, the common IP address
// control and OK. The rules (ip_address_dialog.h) hold the address between runs; the port
// dialog owns one object and runs it whenever the operator picks Ethernet or Wi-Fi.
#pragma once

#include <windows.h>

#include <string>

#include "ports/ip_address_dialog.h"
#include "ui/dialog_win.h"

namespace prinstall {

class IpAddressDialogWin : public ui::ViewDialog<IpAddressView> {
public:
    IpAddressDialogWin(SystemInfo& systemInfo, Registry& registry);

    IpAddressDialog& Rules() { return rules_; }

    // Runs the dialog modally: kDialogOk after an accepted OK, kDialogCancel for Escape or a
    // refused OK, -1 when the dialog could not be created.
    int Run(HWND owner);

protected:
    BOOL OnInit() override;
    void OnOk() override { rules_.OnOk(*this); }

private:
    // IpAddressView
    void SetAddress(std::uint32_t address) override;
    AddressFields Address() override;

    IpAddressDialog rules_;
};

}  // namespace prinstall
