// The port of a run, prepared once before its first copy: the operator's choice, then the USB
// search or the Standard TCP/IP port (made through its monitor, or through its key).
#include "install/install_command.h"

#include "core/tcpip_port_data.h"
#include "install/tcpip_port.h"

namespace prinstall {
namespace {

const Text kCanceled = {"Install Canceled.", "프린터 드라이버 설치를 취소합니다."};
const Text kPortNotTakenUp = {
    "Nothing was installed: the port %s was made, but the print spooler did not start again to take it up.",
    "아무것도 설치하지 않았습니다: %s 포트를 만들었지만 인쇄 스풀러가 다시 시작되지 않아 포트를 사용할 수 없습니다."};
const Text kPortRefused = {
    "Nothing was installed: the Standard TCP/IP port monitor did not make the port %s (error %u).",
    "아무것도 설치하지 않았습니다: 표준 TCP/IP 포트 모니터가 %s 포트를 만들지 않았습니다 (오류 %u)."};
const Text kPortNumberDiffers = {
    "Nothing was installed: the port %s exists with the port number %u, not %u as asked. It was left as it is.",
    "아무것도 설치하지 않았습니다: %s 포트가 이미 있으며 포트 번호가 %u입니다(요청한 번호: %u). 포트는 그대로 "
    "두었습니다."};

}  // namespace

std::optional<Outcome> InstallCommand::PreparePort(RegistrationSettings& settings, int& searchCounter) {
    Platform& platform = app_.platform;
    PortChoice choice;
    if (!steps_.ChoosePort(choice)) return Outcome::Failure(kCanceled.In(language_));
    if (std::optional<Outcome> refused = MediaRefusal()) return refused;
    steps_.SetBusy(true);
    settings.portName = choice.portName;
    settings.interfaceKind = choice.interfaceKind;
    settings.exactPort = choice.exactPort;

    if (settings.interfaceKind == kInterfaceUsb) {
        if (!steps_.RunUsbStep(searchCounter)) {
            Outcome stopped = Outcome::Failure(kUsbSearchFailed.In(language_));
            stopped.shown = true;
            return stopped;
        }
    } else if (settings.interfaceKind == kInterfaceTcpIp) {
        settings.tcpIpPortName = TcpIpPortName(choice.address, choice.portNumber);
        const std::string portKey = TcpIpPortKey(settings.tcpIpPortName);
        Registry::Key key = 0;
        if (platform.registry != nullptr && platform.registry->OpenKeyForReading(portKey, key) == 0) {
            // The port is there already, perhaps with other settings that another queue relies
            // on: it stays as it is, and the spooler, with nothing new to read, keeps running.
            // One of that name on another raw port would print elsewhere than asked.
            platform.registry->CloseKey(key);
            const std::optional<std::uint32_t> number = TcpIpPortNumber(*platform.registry, settings.tcpIpPortName);
            if (number && *number != choice.portNumber) {
                return Outcome::Failure(Format(kPortNumberDiffers.In(language_), settings.tcpIpPortName.c_str(),
                                               *number, choice.portNumber));
            }
            platform.debug.Output("Standard TCP/IP port " + settings.tcpIpPortName + " exists: left as it is");
        } else {
            bool answered = false;
            if (std::optional<Outcome> refused = AddPortThroughMonitor(settings.tcpIpPortName, choice, answered)) {
                return refused;
            }
            if (!answered && platform.registry != nullptr && platform.registry->CreateKey(portKey, "", key) == 0) {
                // No monitor answered: the port is made the old way, through its key and a
                // restart of the spooler.
                platform.registry->CloseKey(key);
                tcpIpPortCreated_ = true;
                if (!steps_.WriteTcpIpPortValues({portKey, choice.address, choice.portNumber})) {
                    // The port is of no use to anybody: it goes again.
                    platform.registry->DeleteKey(portKey);
                    tcpIpPortCreated_ = false;
                    return Outcome::Failure(Format(kPortNotTakenUp.In(language_), settings.tcpIpPortName.c_str()));
                }
            }
        }
    }
    return std::nullopt;
}

std::optional<Outcome> InstallCommand::AddPortThroughMonitor(const std::string& portName, const PortChoice& choice,
                                                             bool& answered) {
    Platform& platform = app_.platform;
    std::uint32_t error = 0;
    const MonitorAnswer answer =
        AskTcpIpMonitor(platform.spooler, "AddPort", AddPortData(portName, choice.address, choice.portNumber), error);
    answered = answer != MonitorAnswer::Unanswered;
    if (answer == MonitorAnswer::Done) {
        tcpIpPortCreated_ = true;
        platform.debug.Output("Standard TCP/IP port " + portName + " made by its monitor");
    } else if (answer == MonitorAnswer::Unanswered) {
        platform.debug.Output(Format("Standard TCP/IP port monitor did not answer AddPort: %u", error));
    } else if (error == kErrorAlreadyExists) {
        // The monitor has it though its key was not found: it stays as it is, as above.
        platform.debug.Output("Standard TCP/IP port " + portName + " exists: left as it is");
    } else {
        return Outcome::Failure(Format(kPortRefused.In(language_), portName.c_str(), error), error);
    }
    return std::nullopt;
}

}  // namespace prinstall
