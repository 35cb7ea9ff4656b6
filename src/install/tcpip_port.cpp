#include "install/tcpip_port.h"

#include <string_view>
#include <utility>

#include "app/texts.h"

namespace prinstall {
namespace {

// The caption of the messages about values that could not be written.
const char* const kWriteFailedCaption = "RegSetValueEx";

struct NumberValue {
    const char* name;
    std::uint32_t data;
};

// Raw printing on port 9100, no SNMP status queries, version 1 of the monitor's key layout.
const NumberValue kNumbers[] = {
    {"PortNumber", kRawPrintingPort}, {"Protocol", 1}, {"SNMP Enabled", 0}, {"SNMP Index", 1}, {"Version", 1},
};

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool PlainText(const std::string& text) {
    for (char c : text) {
        if (IsControl(c) || std::string_view("&|<>^\"%").find(c) != std::string_view::npos) return false;
    }
    return true;
}

}  // namespace

std::string TcpIpPortName(const std::string& ipAddress) { return "IP_" + ipAddress; }

std::string TcpIpPortKey(const std::string& portName) {
    return std::string(kCurrentTcpIpPortsKey) + "\\" + portName;
}

std::optional<std::string> InterpreterCommandLine(const std::optional<std::string>& comspec,
                                                  const std::string& command, const std::string& argument) {
    if (!PlainText(command) || !PlainText(argument)) return std::nullopt;
    std::string interpreter = "CMD.EXE";
    if (comspec && !comspec->empty()) {
        bool usable = true;
        for (char c : *comspec) usable = usable && !IsControl(c) && c != '"';
        if (usable) interpreter = *comspec;
    }
    // Unquoted, "C:\Program Files\..." would first start C:\Program.exe if there is one.
    if (interpreter.find_first_of(" \t") != std::string::npos) interpreter = "\"" + interpreter + "\"";
    return interpreter + " /c " + command + " " + argument;
}

int TcpIpPortWriter::WriteTcpIpPortValues(const TcpIpPortSettings& settings) {
    Registry::Key key = 0;
    std::uint32_t error = registry_.openKey(settings.portKey, key);
    if (error == 0) {
        WriteValues(key, settings.ipAddress);
        registry_.closeKey(key);
    } else {
        debug_.output(format("Standard TCP/IP port key not opened: %u", error));
    }
    RestartSpooler();
    return 1;
}

void TcpIpPortWriter::WriteValues(Registry::Key key, const std::string& ipAddress) {
    for (const NumberValue& v : kNumbers) {
        std::uint32_t error = registry_.setDword(key, v.name, v.data);
        if (error == 0) continue;
        if (std::string_view(v.name) == "PortNumber") {
            // The code the write gave: RegSetValueEx reports through its result, not through
            // the thread's last error.
            showAppMessage_(format("Fail to Write PortNumber GetLastError=%d", static_cast<int>(error)));
        } else {
            showDialogMessage_(format("Fail to Write %s", v.name), kWriteFailedCaption);
        }
    }
    const std::pair<const char*, std::string> strings[] = {
        {"HostName", ""}, {"HWAddress", ""}, {"IPAddress", ipAddress}, {"SNMP Community", "public"}};
    for (const auto& [name, data] : strings) {
        if (registry_.setString(key, name, data) != 0) {
            showDialogMessage_(format("Fail to Write %s", name), kWriteFailedCaption);
        }
    }
}

void TcpIpPortWriter::RestartSpooler() {
    // The LPD print service depends on the spooler, so it stops first and starts last, and
    // only when it was running: the restart must not open a print server that was off.
    bool lpdWasRunning = RunCommand("net stop", "LPDSVC") == 0;
    RunCommand("net stop", "spooler");
    RunCommand("net start", "spooler");
    if (lpdWasRunning) RunCommand("net start", "LPDSVC");
}

std::uint32_t TcpIpPortWriter::RunCommand(const std::string& command, const std::string& argument) {
    std::optional<std::string> line =
        InterpreterCommandLine(processes_.environmentVariable("COMSPEC"), command, argument);
    std::uint32_t result = kErrorInvalidParameter;
    if (line) {
        ProcessLaunch launch;
        launch.commandLine = *line;
        launch.hiddenWindow = true;
        launch.newConsole = true;
        launch.waitMilliseconds = kRestartCommandLimit;
        launch.endOnTimeout = true;
        ProcessOutcome outcome = processes_.run(launch);
        if (outcome.startError != 0) {
            result = outcome.startError;
        } else if (!outcome.ended) {
            result = kErrorWaitTimeout;
        } else {
            result = outcome.exitCodeRead ? outcome.exitCode : 0;
        }
    }
    debug_.output(format("%s %s: %u", command.c_str(), argument.c_str(), result));
    return result;
}

}  // namespace prinstall
