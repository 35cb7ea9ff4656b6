// The Standard TCP/IP port of a network label printer: its name and registry key, the values
// the system's Standard TCP/IP port monitor reads from that key, and the spooler restart that
// makes the spooler pick the new port up. The restart goes through the service manager: no
// command interpreter, no console program found by search, nothing waiting for an answer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/printer_records.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/spooler.h"

namespace prinstall {

inline constexpr std::uint32_t kRawPrintingPort = 9100;

// How long the restart waits for one service to stop or start, and how often it looks.
inline constexpr std::uint32_t kServiceWaitLimit = 30000;
inline constexpr std::uint32_t kServicePollInterval = 250;

inline constexpr std::uint32_t kErrorWaitTimeout = 258;

// A Standard TCP/IP port is one printer's raw port: its host and its port number. The name
// of the raw printing port 9100 is "IP_192.168.0.20" for the address 192.168.0.20 and
// "IP_label-07.example" for that host, as it always was; any other number is part of the
// name ("IP_192.168.0.20_9101"), so that the printers behind one print server box (one
// address, a port number each) get a port each.
std::string TcpIpPortName(const std::string& host, std::uint32_t portNumber = kRawPrintingPort);

// The port number an existing Standard TCP/IP port prints to, as its key holds it (the
// monitor's and this program's way alike); nothing when the key or the value cannot be read.
std::optional<std::uint32_t> TcpIpPortNumber(Registry& registry, const std::string& portName);

// Whether a queue on port `queuePort` prints to `host` on `portNumber`: the port has the name
// of that host and number, and its key holds no other number. The name alone says nothing of
// a port someone made by hand under it with another number.
bool ServesTcpIpPort(Registry* registry, Spooler& spooler, const std::string& queuePort, const std::string& host,
                     std::uint32_t portNumber);

struct TcpIpPortSettings {
    std::string portKey;  // TcpIpPortKey(TcpIpPortName(host)); created beforehand
    // Dotted decimal, as the IP address dialog formats it, or a host name (the command line).
    std::string host;
    std::uint32_t portNumber = kRawPrintingPort;
};

class TcpIpPortWriter {
public:
    using ShowAppMessage = std::function<void(const std::string& text)>;
    using ShowDialogMessage = std::function<void(const std::string& text, const std::string& caption)>;

    TcpIpPortWriter(Registry& registry, Services& services, Clock& clock, DebugLog& debug,
                    ShowAppMessage showAppMessage, ShowDialogMessage showDialogMessage)
        : registry_(registry),
          services_(services),
          clock_(clock),
          debug_(debug),
          showAppMessage_(std::move(showAppMessage)),
          showDialogMessage_(std::move(showDialogMessage)) {}

    // The way for a system whose Standard TCP/IP port monitor does not answer through its own
    // interface (install_command.cpp asks it first, AddPortData).
    // Writes the port's values into its existing key (each failed value is reported and the
    // next one written all the same; a key that cannot be opened is passed over quietly),
    // then restarts the spooler. Always 1: a port the spooler does not know shows up later,
    // when the queue is created on it.
    int WriteTcpIpPortValues(const TcpIpPortSettings& settings);

    // Stops the running services that depend on the spooler, stops the spooler, starts it
    // again, then starts those dependants and the LPD print service that were running before.
    // Every wait has a limit; every step that fails is written to the debugger output and the
    // restart goes on. True when the spooler runs at the end.
    bool RestartSpooler();
    // Whether the spooler ran again after the last WriteTcpIpPortValues restarted it.
    bool SpoolerRestarted() const { return restarted_; }

private:
    void WriteValues(Registry::Key key, const TcpIpPortSettings& settings);
    // Stops or starts one service and waits for the state; 0 or the error (258 for a wait
    // that passed its limit).
    std::uint32_t Control(Services::Handle manager, const std::string& name, bool start);
    std::uint32_t WaitFor(Services::Handle service, std::uint32_t state);
    bool IsRunning(Services::Handle manager, const std::string& name);

    Registry& registry_;
    Services& services_;
    Clock& clock_;
    DebugLog& debug_;
    ShowAppMessage showAppMessage_;
    ShowDialogMessage showDialogMessage_;
    bool restarted_ = false;
};

}  // namespace prinstall
