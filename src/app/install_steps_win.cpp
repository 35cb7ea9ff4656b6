#include "app/install_steps_win.h"

#include "install/tcpip_port.h"
#include "usb/usb_dialogs_win.h"
#include "usb/usb_step.h"

namespace prinstall {

void InstallStepsWin::beginRun() { portDialog_ = std::make_unique<PortInfoDialogWin>(app_); }

void InstallStepsWin::endRun() { portDialog_.reset(); }

bool InstallStepsWin::choosePort(PortChoice& choice) {
    if (!portDialog_) beginRun();
    if (portDialog_->run(owner_()) != kDialogOk) return false;
    choice.interfaceKind = portDialog_->interfaceKind();
    choice.portName = portDialog_->portName();
    choice.address = portDialog_->ipAddressText();
    return true;
}

bool InstallStepsWin::runUsbStep(int& searchCounter) {
    int result = RunUsbStepWithWindows(
        app_, owner_(), rules_.language(), searchCounter,
        [this](const std::string& message) { return rules_.ShowResult(message, 1); },
        [this] { rules_.view().endDialog(IDCANCEL); });
    return result == kUsbStepGoOn;
}

void InstallStepsWin::writeTcpIpPortValues(const std::string& address, const std::string& portKey) {
    Platform& p = app_.platform;
    TcpIpPortWriter writer(
        *p.registry, p.services, p.clock, p.debug, [this](const std::string& text) { rules_.ShowAppMessage(text); },
        [this](const std::string& text, const std::string& caption) { rules_.ShowDialogMessage(text, caption); });
    writer.WriteTcpIpPortValues({portKey, address});
}

}  // namespace prinstall
