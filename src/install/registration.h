// Turns the staged files of driver copy N into a driver the spooler knows, creates the queue
// on the chosen port and, once a queue exists, the uninstall entry and the detection value.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/interface_kind.h"
#include "core/texts.h"
#include "install/port_monitor.h"
#include "install/uninstall_entry.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace prinstall {

// The dependent files of copy N, each name ended by a zero byte, the list ended by one more.
std::string DependentFiles(int driverNumber);

// The level-3 driver record of copy N for a spooler environment.
DriverRecord LabelDriverRecord(int driverNumber, const std::string& environment);

// What one registration runs on.
struct RegistrationSettings {
    int driverNumber = 0;
    std::string environment;  // of the detected processor (SpoolerEnvironment)
    int interfaceKind = 0;
    bool useLabelPortMonitor = false;
    std::string usbPortName;
    std::string tcpIpPortName;
    std::string portName;
    // The operator named the port (the command line's /port:): no COM1: in its place.
    bool exactPort = false;
    Language language = Language::English;
    UninstallEntryFacts entry;       // written with every queue created
    bool withUninstallEntry = true;  // false: the entry is someone else's (a package's)
};

// The queue's port: the monitor's port or the found USB port for USB, the Standard TCP/IP
// port for a network printer, the chosen port otherwise.
std::string QueuePort(const RegistrationSettings& settings);

class Registrar {
public:
    using ReportProgress = std::function<void(const std::optional<std::string>&, int, bool)>;

    Registrar(Spooler& spooler, Registry& registry, PortMonitorInstaller& monitor, ReportProgress report)
        : spooler_(spooler), registry_(registry), monitor_(monitor), report_(std::move(report)) {}

    // 0 driver and queue in place (on the chosen port or, unless `exactPort`, on COM1:), with
    // the uninstall entry; -1 driver registration failed with 126 twice; -2 driver
    // registration failed otherwise; -3 unknown port and COM1: failed too; -4 queue creation
    // failed otherwise (an unknown port among them when `exactPort`). Message() then says what
    // failed, or that the queue went to COM1:.
    int RegisterDriverAndPrinter(const std::string& printerName, const RegistrationSettings& settings);
    // The last registration put the queue on COM1: because the spooler did not know the port.
    bool FellBackToCom1() const { return fellBackToCom1_; }
    const std::string& Message() const { return message_; }
    // The system error code of the failed call of the last registration, 0 when none failed.
    std::uint32_t Error() const { return error_; }
    // The error of writing the detection value once the queue existed; 0 when it was written.
    std::uint32_t DetectionError() const { return detectionError_; }

private:
    Spooler& spooler_;
    Registry& registry_;
    PortMonitorInstaller& monitor_;
    ReportProgress report_;
    std::string message_;
    std::uint32_t error_ = 0;
    bool fellBackToCom1_ = false;
    std::uint32_t detectionError_ = 0;
};

}  // namespace prinstall
