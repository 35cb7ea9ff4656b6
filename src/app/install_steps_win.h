// The install command's interactive and system steps on Windows: the port and code page
// dialog, the USB search with its two windows, and the Standard TCP/IP port.
#pragma once

#include <windows.h>

#include <memory>

#include "app/main_dialog.h"
#include "install/install_command.h"
#include "ports/port_info_dialog_win.h"

namespace prinstall {

class InstallStepsWin : public InstallSteps {
public:
    // `owner` gives the main dialog's window when a step runs.
    InstallStepsWin(AppContext& app, MainDialog& rules, std::function<HWND()> owner)
        : app_(app), rules_(rules), owner_(std::move(owner)) {}

    void BeginRun() override;
    void EndRun() override;
    bool ChoosePort(PortChoice& choice) override;
    bool RunUsbStep(int& searchCounter) override;
    bool WriteTcpIpPortValues(const TcpIpPortSettings& settings) override;

private:
    AppContext& app_;
    MainDialog& rules_;
    std::function<HWND()> owner_;
    // Made for one run, so the port and address chosen do not carry over to the next.
    std::unique_ptr<PortInfoDialogWin> portDialog_;
};

}  // namespace prinstall
