// Print spooler port: the queue, driver, monitor and port calls the program makes.
// Every call returns 0 on success or the system error code of the failure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace prinstall {

// One local printer queue as the spooler lists it at level 2 (the fields the program reads).
struct PrinterInfo2 {
    std::string printerName;
    std::string portName;
    std::string driverName;

    bool operator==(const PrinterInfo2&) const = default;
};

// A driver record at level 3. Empty strings are passed as no value.
struct DriverRecord {
    std::uint32_t version = 3;
    std::string name;
    std::string environment;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
    std::string helpFile;
    // Zero-terminated names one after the other, ended by an empty name.
    std::string dependentFiles;
    std::string monitorName;
    std::string defaultDataType;

    bool operator==(const DriverRecord&) const = default;

    // The names of dependentFiles, up to the first empty one.
    std::vector<std::string> DependentFileNames() const {
        std::vector<std::string> names;
        for (size_t start = 0; start < dependentFiles.size();) {
            size_t end = dependentFiles.find('\0', start);
            if (end == std::string::npos) end = dependentFiles.size();
            if (end == start) break;
            names.push_back(dependentFiles.substr(start, end - start));
            start = end + 1;
        }
        return names;
    }
};

// A printer record at level 2 (the fields the program fills; the rest stay empty or zero).
struct PrinterRecord {
    std::string printerName;
    std::string portName;
    std::string driverName;
    std::string printProcessor;
    std::string dataType;
    std::uint32_t attributes = 0;

    bool operator==(const PrinterRecord&) const = default;
};

// An installed port monitor as the spooler lists it at level 2: its name and its module.
struct MonitorModule {
    std::string name;
    std::string dllName;  // as the monitor registered it (a file name, or a path)

    bool operator==(const MonitorModule&) const = default;
};

// The spooler's environment names of the processor families (0 x86, 1 x64, 2 Itanium, 3 ARM64).
// A 32-bit program on 64-bit Windows must name the environment: given none, the spooler takes
// the caller's own, "Windows NT x86", whatever the machine's processor.
inline constexpr const char* kEnvironmentX86 = "Windows NT x86";
inline constexpr const char* kEnvironmentX64 = "Windows x64";
inline constexpr const char* kEnvironmentIa64 = "Windows IA64";
inline constexpr const char* kEnvironmentArm64 = "Windows ARM64";
inline const char* SpoolerEnvironment(int processor) {
    switch (processor) {
        case 1: return kEnvironmentX64;
        case 2: return kEnvironmentIa64;
        case 3: return kEnvironmentArm64;
        default: return kEnvironmentX86;
    }
}

// System error codes the spooler steps react to.
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorUnknownPort = 1796;
constexpr std::uint32_t kErrorUnknownPrinterDriver = 1797;
constexpr std::uint32_t kErrorInvalidPrinterName = 1801;
constexpr std::uint32_t kErrorPrinterAlreadyExists = 1802;
constexpr std::uint32_t kErrorMonitorAlreadyInstalled = 3006;
constexpr std::uint32_t kErrorCallNotImplemented = 120;
constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorPrinterDriverInUse = 3001;
constexpr std::uint32_t kErrorUnknownPrintMonitor = 3000;
constexpr std::uint32_t kErrorInvalidPrintMonitor = 3007;
constexpr std::uint32_t kErrorProcNotFound = 127;
constexpr std::uint32_t kErrorInvalidName = 123;
// Refusals of the system rather than faults of the call: a third-party driver or monitor not
// accepted (protected print mode among others), a blocked driver, a module of another machine.
constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorExeMachineTypeMismatch = 216;
constexpr std::uint32_t kErrorPrinterDriverBlocked = 3014;

// An empty environment stands for the one of the machine's own processor, which the adapter
// names in the call: it never passes none, which the spooler would take as the caller's.
class Spooler {
public:
    virtual ~Spooler() = default;

    // Lists the local printer queues (the list is empty on failure).
    virtual std::uint32_t ListLocalPrinters(std::vector<PrinterInfo2>& out) = 0;
    // The printer-driver directory of the local machine for an environment (empty: the
    // machine's own).
    virtual std::uint32_t DriverDirectory(const std::string& environment, std::string& out) = 0;
    // Names of the drivers registered for an environment (level 1; empty: the machine's own).
    virtual std::uint32_t ListDrivers(const std::string& environment, std::vector<std::string>& names) = 0;
    // Registers a driver on the local machine, for the record's environment (empty: the
    // machine's own).
    virtual std::uint32_t RegisterDriver(const DriverRecord& driver) = 0;
    // Creates a queue on the local machine (the handle it gives is closed at once).
    virtual std::uint32_t CreatePrinter(const PrinterRecord& printer) = 0;
    // Names of the installed port monitors (level 2).
    virtual std::uint32_t ListMonitors(std::vector<std::string>& names) = 0;
    // Adds a port monitor (level 2); an empty environment is the machine's own.
    virtual std::uint32_t RegisterMonitor(const std::string& name, const std::string& environment,
                                          const std::string& dll) = 0;
    // Names of the local machine's ports (level 2), in the spooler's order (empty on failure).
    virtual std::uint32_t ListPorts(std::vector<std::string>& names) = 0;
    // The print-server connections (Point and Print) of the calling user, at level 2: the
    // connection's name, port and the driver it uses on this machine (empty on failure).
    virtual std::uint32_t ListConnections(std::vector<PrinterInfo2>& out) = 0;
    // Every driver registered for an environment (empty: the machine's own) with the files
    // its record names, at level 3 (file names as the spooler gives them: full paths).
    virtual std::uint32_t ListDriverRecords(const std::string& environment, std::vector<DriverRecord>& out) = 0;
    // The installed port monitors with their modules (level 2; empty on failure).
    virtual std::uint32_t ListMonitorModules(std::vector<MonitorModule>& out) = 0;

    // An open printer (queue); 0 is never a valid one.
    using Printer = std::uintptr_t;
    // Opens a local queue by name for full access, with the data type "RAW" and no device mode.
    virtual std::uint32_t OpenLocalPrinter(const std::string& name, Printer& printer) = 0;
    // Deletes a key of the queue's printer data (with its subkeys) and returns the call's own
    // status: 0 deleted, 2 no such key. Systems without the call give 120.
    virtual std::uint32_t DeletePrinterDataKey(Printer printer, const std::string& keyName) = 0;
    // The queue's record at level 2.
    virtual std::uint32_t GetPrinterInfo(Printer printer, PrinterInfo2& info) = 0;
    // Puts the queue on another port: reads its level-2 record, changes the port name and
    // writes the record back (no child process, so no queue name can be misread).
    virtual std::uint32_t SetPrinterPort(Printer printer, const std::string& port) = 0;
    // Marks the queue for deletion; the handle stays open until ClosePrinter.
    virtual std::uint32_t DeletePrinter(Printer printer) = 0;
    virtual std::uint32_t ClosePrinter(Printer printer) = 0;
    // Removes a driver of an environment (empty: the machine's own) from the local machine; its
    // files stay. Windows answers 3001 while a queue still uses it (Wine does not).
    virtual std::uint32_t RemoveDriver(const std::string& name, const std::string& environment) = 0;
    // Removes a port monitor of an environment (empty: the machine's own) from the local machine.
    virtual std::uint32_t RemoveMonitor(const std::string& name, const std::string& environment) = 0;

    // Sends a command with its input bytes to a port monitor's own interface: OpenPrinter on
    // ",XcvMonitor NAME" with server administration rights, then XcvData without output.
    // 0 when both calls went through, with `status` the monitor's answer (0: done); otherwise
    // the error of OpenPrinter or XcvData (120 for a winspool without XcvData).
    virtual std::uint32_t MonitorCommand(const std::string& monitor, const std::string& command,
                                         const std::vector<std::uint8_t>& input, std::uint32_t& status) = 0;

    // Whether the system takes two names (of queues, drivers or ports) for the same one,
    // letter case aside, comparing them as it compares its own object names
    // (CompareStringOrdinal, ignoring case); nothing when this Windows has no such comparison
    // (before Vista). core/label_drivers.h then falls back to its own table.
    virtual std::optional<bool> SameNameIgnoringCase(const std::string& a, const std::string& b) = 0;
};

}  // namespace prinstall
