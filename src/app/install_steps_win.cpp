#include "app/install_steps_win.h"

#include "install/tcpip_port.h"
#include "usb/usb_dialogs_win.h"
#include "usb/usb_step.h"

namespace prinstall {

void InstallStepsWin::BeginRun() { portDialog_ = std::make_unique<PortInfoDialogWin>(app_); }

void InstallStepsWin::EndRun() { portDialog_.reset(); }

bool InstallStepsWin::ChoosePort(PortChoice& choice) {
    if (!portDialog_) BeginRun();
    if (portDialog_->Run(owner_()) != kDialogOk) return false;
    choice.interfaceKind = portDialog_->GetInterfaceKind();
    choice.portName = portDialog_->PortName();
    choice.address = portDialog_->IpAddressText();
    return true;
}

bool InstallStepsWin::RunUsbStep(int& searchCounter) {
    int result = RunUsbStepWithWindows(
        app_, owner_(), rules_.GetLanguage(), searchCounter,
        [this](const std::string& message) { return rules_.ShowResult(message, 1); },
        [this] { rules_.View().EndDialog(IDCANCEL); });
    return result == kUsbStepGoOn;
}

bool InstallStepsWin::WriteTcpIpPortValues(const TcpIpPortSettings& settings) {
    Platform& p = app_.platform;
    TcpIpPortWriter writer(
        *p.registry, p.services, p.clock, p.debug, [this](const std::string& text) { rules_.ShowAppMessage(text); },
        [this](const std::string& text, const std::string& caption) { rules_.ShowDialogMessage(text, caption); });
    writer.WriteTcpIpPortValues(settings);
    return true;  // the dialogs go on: a queue the spooler cannot put there goes to COM1:, and says so
}

}  // namespace prinstall
