// The Standard TCP/IP port of a network label printer: its name and registry key, the values
// the system's Standard TCP/IP port monitor reads from that key, and the spooler restart that
// makes the spooler pick the new port up.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/debug_log.h"
#include "platform/processes.h"
#include "platform/registry.h"

namespace prinstall {

// Below HKEY_LOCAL_MACHINE, in the current control set; every port of the monitor has a
// subkey of its own here.
inline constexpr const char* kCurrentTcpIpPortsKey =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
inline constexpr std::uint32_t kRawPrintingPort = 9100;

// How long one restart command may take. "net stop spooler" asks on its hidden console
// whether to stop the services that depend on the spooler, and nobody can answer there:
// without a limit the installer would hang for good.
inline constexpr std::uint32_t kRestartCommandLimit = 120000;

inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorWaitTimeout = 258;

// "IP_192.168.0.20" for the address 192.168.0.20.
std::string TcpIpPortName(const std::string& ipAddress);
// The port's key path below HKEY_LOCAL_MACHINE.
std::string TcpIpPortKey(const std::string& portName);

// The command line that runs "<command> <argument>" through the command interpreter: the
// interpreter named by COMSPEC (quoted when its path has blanks), or CMD.EXE when COMSPEC is
// unset, empty or holds a quote or control character; then " /c ", the command, a blank and
// the argument. nullopt when the command or argument holds a character that the
// interpreter would take as more than text (& | < > ^ " % or a control character).
std::optional<std::string> InterpreterCommandLine(const std::optional<std::string>& comspec,
                                                  const std::string& command, const std::string& argument);

struct TcpIpPortSettings {
    std::string portKey;    // TcpIpPortKey(TcpIpPortName(ipAddress)); created beforehand
    std::string ipAddress;  // dotted decimal, as the IP address dialog formats it
};

class TcpIpPortWriter {
public:
    using ShowAppMessage = std::function<void(const std::string& text)>;
    using ShowDialogMessage = std::function<void(const std::string& text, const std::string& caption)>;

    TcpIpPortWriter(Registry& registry, Processes& processes, DebugLog& debug, ShowAppMessage showAppMessage,
                    ShowDialogMessage showDialogMessage)
        : registry_(registry),
          processes_(processes),
          debug_(debug),
          showAppMessage_(std::move(showAppMessage)),
          showDialogMessage_(std::move(showDialogMessage)) {}

    // Writes the port's values into its existing key (each failed value is reported and the
    // next one written all the same; a key that cannot be opened is passed over quietly),
    // then restarts the spooler. Always 1: a port the spooler does not know shows up later,
    // when the queue is created on it.
    int WriteTcpIpPortValues(const TcpIpPortSettings& settings);

    // Runs "<command> <argument>" through the command interpreter in a hidden new console and
    // waits for it, at most kRestartCommandLimit. Gives the exit code; the system error code
    // when the process cannot be started; kErrorInvalidParameter, without starting anything,
    // when InterpreterCommandLine refuses the texts; kErrorWaitTimeout when the limit passed
    // (the process is ended then); 0 when the exit code cannot be read.
    std::uint32_t RunCommand(const std::string& command, const std::string& argument);

private:
    void WriteValues(Registry::Key key, const std::string& ipAddress);
    void RestartSpooler();

    Registry& registry_;
    Processes& processes_;
    DebugLog& debug_;
    ShowAppMessage showAppMessage_;
    ShowDialogMessage showDialogMessage_;
};

}  // namespace prinstall
