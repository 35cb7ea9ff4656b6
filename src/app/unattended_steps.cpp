#include "app/unattended_steps.h"

#include "core/interface_kind.h"
#include "core/platform_detection.h"
#include "install/tcpip_port.h"
#include "ports/port_info_dialog.h"
#include "usb/usb_step.h"

namespace prinstall {
namespace {

const Text kUsbSearchStarted = {
    "Looking for the USB label printer for up to %d seconds: it must be attached and switched on.",
    "USB 라벨 프린터를 최대 %d초 동안 찾습니다: 프린터가 연결되어 있고 켜져 있어야 합니다."};

// The USB search without its windows: the instruction is taken as confirmed at once, and
// the search runs its whole budget; when it starts looking, it says so and for how long.
class SilentUsbView : public UsbStepView {
public:
    SilentUsbView(UnattendedRun& run, Language language, int seconds)
        : run_(run), language_(language), seconds_(seconds) {}
    int RunWarning() override { return 1; }
    void ShowSearch(bool) override {}
    void SearchStarted() override { run_.Line(Format(kUsbSearchStarted.In(language_), seconds_)); }
    void SetSearchProgress(int) override {}
    void DestroySearch() override {}

private:
    UnattendedRun& run_;
    Language language_;
    int seconds_;
};

}  // namespace

std::string RequestedPort(const CommandLine& line) {
    switch (line.portSource) {
        case PortSource::Usb: return kPortMonitorPort;
        case PortSource::Ip: return TcpIpPortName(line.ipAddress, line.ipPort);
        default: return line.port;
    }
}

bool UnattendedSteps::ChoosePort(PortChoice& choice) {
    // What the port dialog does when it opens and is confirmed.
    DetectPlatform(app_.platform.systemInfo, Numbering::PortDialog, app_.state.os);
    if (app_.state.os.processor == 2) run_.Line(kItaniumNotSupported);
    app_.state.useLabelPortMonitor = true;
    if (line_.codePage) {
        for (int i = 0; i < kCodePageCount; ++i) {
            if (kCodePageNumbers[static_cast<size_t>(i)] == *line_.codePage) app_.state.codePage = i;
        }
    }
    switch (line_.portSource) {
        // The printer's own port or nothing: a queue the spooler would put on COM1: instead
        // fails the run (the dialogs keep their fallback and say so).
        case PortSource::Usb: choice = {kInterfaceUsb, kUsbPortEntry, "", true}; break;
        case PortSource::Ip: choice = {kInterfaceTcpIp, kNetworkPortEntry, line_.ipAddress, true, line_.ipPort}; break;
        default:
            // The operator named this port: a queue the spooler would put on COM1: instead
            // is a failure, not an installation on a port nobody asked for. A name that
            // only looks like a USB or network port ("USB001") is that very port too: no
            // printer search, no label monitor's port, no Standard TCP/IP port made.
            {
                const int kind = InterfaceKindOf(line_.port);
                const bool named = kind == kInterfaceUsb || kind == kInterfaceTcpIp;
                choice = {named ? kInterfaceSerial : kind, line_.port, "", true};
            }
            break;
    }
    return true;
}

bool UnattendedSteps::RunUsbStep(int& searchCounter) {
    const int seconds = line_.usbWaitSeconds.value_or(kDefaultUsbWaitSeconds);
    searchCounter = UsbSearchCounterFor(seconds);
    SilentUsbView view(run_, language_, seconds);
    // Nobody confirms: the run just ends, and its last line names the failure.
    const auto endRun = [](const std::string&) { return 2; };
    return prinstall::RunUsbStep(app_, view, language_, searchCounter, endRun, [] {}) == kUsbStepGoOn;
}

bool UnattendedSteps::WriteTcpIpPortValues(const TcpIpPortSettings& settings) {
    Platform& p = app_.platform;
    TcpIpPortWriter writer(
        *p.registry, p.services, p.clock, p.debug, [this](const std::string& text) { run_.Line(text); },
        [this](const std::string& text, const std::string&) { run_.Line(text); });
    writer.WriteTcpIpPortValues(settings);
    return writer.SpoolerRestarted();
}

void UnattendedSteps::Note(const std::string& text) { run_.Line(text); }

void UnattendedSteps::CopyInstalled(const InstalledCopy& copy) {
    run_.Line(Format("\"%s\" installed with the driver \"%s\".", copy.queueName.c_str(), copy.driverName.c_str()));
}

}  // namespace prinstall
