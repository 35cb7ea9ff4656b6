// In-memory models of the platform ports, behaving as Windows does for the cases the program
// meets. Tests set the state up directly and read back what the program did.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/process_kill.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/spooler.h"
#include "platform/system_info.h"

namespace prinstall::fakes {

class FakeRegistry;

// A local spooler as Windows keeps it: drivers, queues on known ports, monitors with the
// ports they provide. Errors can be scripted per call, in order.
class FakeSpooler : public Spooler, public Killable {
public:
    std::vector<PrinterInfo2> printers;
    std::uint32_t enumError = 0;          // non-zero: the enumeration fails with this code
    std::function<bool()> enumFailsWhen;  // when set, enumError applies only while it holds
    int enumCalls = 0;
    std::uint32_t listDriversError = 0;  // the drivers cannot be listed (enumError fails it too)
    std::string driverDir = "C:\\windows\\system32\\spool\\drivers\\w32x86";  // of "Windows NT x86"
    std::uint32_t driverDirError = 0;
    // The machine's own environment: queues take their driver from it, and the port names it
    // for a call given none.
    std::string nativeEnvironment = kEnvironmentX86;

    std::vector<DriverRecord> drivers;        // registered, in order
    std::vector<DriverRecord> driverCalls;    // every registration asked for
    std::deque<std::uint32_t> driverErrors;   // answers of the next registrations
    std::vector<PrinterRecord> printerCalls;  // every queue creation asked for
    std::deque<std::uint32_t> printerErrors;  // answers of the next queue creations
    std::set<std::string> ports = {"COM1:", "COM2:", "COM3:", "COM4:", "FILE:", "LPT1:", "LPT2:", "LPT3:"};
    int calls = 0;  // every call of the port, of whatever kind
    std::vector<std::string> monitors = {"Local Port", "Standard TCP/IP Port"};
    std::uint32_t enumMonitorsError = 0;
    std::map<std::string, std::string> monitorPorts;  // port that adding a monitor brings
    std::vector<std::string> addedMonitorDlls;
    std::uint32_t addMonitorError = 0;
    std::uint32_t enumPortsError = 0;
    int enumPortsCalls = 0;
    // With `trail` set: "add monitor NAME" and "delete monitor NAME", in the order asked for.
    std::vector<std::string>* trail = nullptr;
    // With `monitorKeys` set, adding a monitor creates its key below the spooler's monitor list
    // there, and deleting it deletes the key, as the spooler does.
    FakeRegistry* monitorKeys = nullptr;

    std::uint32_t ListLocalPrinters(std::vector<PrinterInfo2>& out) override;
    std::uint32_t DriverDirectory(const std::string& environment, std::string& out) override;
    std::uint32_t ListDrivers(const std::string& environment, std::vector<std::string>& names) override;
    std::uint32_t RegisterDriver(const DriverRecord& driver) override;
    std::uint32_t CreatePrinter(const PrinterRecord& printer) override;
    std::uint32_t ListMonitors(std::vector<std::string>& names) override;
    std::uint32_t RegisterMonitor(const std::string& name, const std::string& environment,
                                  const std::string& dll) override;
    std::uint32_t ListPorts(std::vector<std::string>& names) override;
    std::uint32_t ListConnections(std::vector<PrinterInfo2>& out) override;
    std::uint32_t ListDriverRecords(const std::string& environment, std::vector<DriverRecord>& out) override;
    std::uint32_t ListMonitorModules(std::vector<MonitorModule>& out) override;
    // Print-server connections of the user (Point and Print), and the error that listing them
    // answers instead.
    std::vector<PrinterInfo2> connections;
    std::uint32_t connectionsError = 0;
    // The module of each monitor by name; a monitor without one here lists "NAME.dll".
    std::map<std::string, std::string> monitorDlls = {{"Local Port", "localspl.dll"},
                                                      {"Standard TCP/IP Port", "tcpmon.dll"}};
    // Queues the spooler keeps after DeletePrinter, pending deletion (jobs, open handles).
    std::set<std::string> pendingDeletion;

    void AddQueue(const std::string& printer, const std::string& driver, const std::string& port = "COM1:") {
        printers.push_back({printer, port, driver});
    }

    // Removal. A deleted queue leaves the list at once; its handle stays open until closed.
    std::map<std::string, std::set<std::string>> printerKeys;  // queue -> keys of its printer data
    bool hasDeletePrinterKey = true;                           // false: the system lacks the call (120)
    std::uint32_t openPrinterError = 0;
    std::uint32_t getPrinterError = 0;
    std::uint32_t deletePrinterError = 0;
    std::uint32_t deleteDriverError = 0;
    std::uint32_t deleteMonitorError = 0;
    std::vector<std::string> deletedPrinters;
    std::vector<std::string> deletedDrivers;
    std::vector<std::string> deletedMonitors;

    std::uint32_t OpenLocalPrinter(const std::string& name, Printer& printer) override;
    std::uint32_t DeletePrinterDataKey(Printer printer, const std::string& keyName) override;
    std::uint32_t GetPrinterInfo(Printer printer, PrinterInfo2& info) override;
    std::uint32_t DeletePrinter(Printer printer) override;
    std::uint32_t ClosePrinter(Printer printer) override;
    std::uint32_t SetPrinterPort(Printer printer, const std::string& port) override;
    std::uint32_t RemoveDriver(const std::string& name, const std::string& environment) override;
    std::uint32_t RemoveMonitor(const std::string& name, const std::string& environment) override;
    std::uint32_t setPrinterPortError = 0;
    std::uint32_t closePrinterError = 0;  // the handle is closed all the same, as Windows does
    std::vector<std::string> deletedMonitorEnvironments;

    // The Standard TCP/IP port monitor's own interface, as on Windows: "AddPort" adds the port
    // named at the start of its input, "DeletePort" deletes it. A monitor not in `monitors`
    // cannot be opened (1796, as Wine answers for one it lacks);
    // `monitorStatus` set makes the monitor answer with it instead of doing anything.
    struct MonitorCall {
        std::string monitor, command;
        std::vector<std::uint8_t> input;
    };
    std::vector<MonitorCall> monitorCalls;
    std::uint32_t monitorStatus = 0;
    std::uint32_t monitorOpenError = 0;  // OpenPrinter's or XcvData's own failure, when set
    std::uint32_t MonitorCommand(const std::string& monitor, const std::string& command,
                                 const std::vector<std::uint8_t>& input, std::uint32_t& status) override;

    // The system's comparison of names, letter case aside; none by default, as before Vista.
    std::function<std::optional<bool>(const std::string&, const std::string&)> systemComparison;
    std::optional<bool> SameNameIgnoringCase(const std::string& a, const std::string& b) override {
        return systemComparison ? systemComparison(a, b) : std::nullopt;
    }

    void AddDriver(const std::string& name, const std::string& environment = kEnvironmentX86) {
        DriverRecord d;
        d.name = name;
        d.environment = environment;
        drivers.push_back(d);
    }
    // A driver of that name in any environment, or in the one given.
    bool HasDriver(const std::string& name, const std::string& environment = "") const;
    // The environment that a call naming `environment` works on.
    std::string Resolve(const std::string& environment) const {
        return environment.empty() ? nativeEnvironment : environment;
    }
    std::size_t OpenPrinterHandles() const { return openPrinters_.size(); }

private:
    std::map<Printer, PrinterInfo2> openPrinters_;  // the queue as it was when opened
    Printer nextPrinter_ = 0x2000;
};

// A service control manager holding named services. A started service walks through
// `startSequence` one status per query (the last one stays), as a real service reports its
// progress; with an empty sequence it is running at once.
class FakeServices : public Services, public Killable {
public:
    struct Service {
        ServiceStatus status{kServiceStopped, 0, 0};
        std::deque<ServiceStatus> startSequence;
        int startRequests = 0;
        bool starting = false;               // a start was accepted: queries walk through startSequence
        std::vector<std::string> dependsOn;  // services that must run for this one to run
        int stopRequests = 0;
        // A stop is answered with stop-pending, and queries report this many more pending
        // states before stopped (-1: it never stops).
        int stopPendingQueries = 0;
        bool stopping = false;  // a stop was accepted: queries count the pending states down
    };

    std::map<std::string, Service> services;
    // Errors to answer instead of doing the call (0: behave normally).
    std::uint32_t openManagerError = 0;
    std::uint32_t openServiceError = 0;
    std::uint32_t queryError = 0;
    int queryFailsAfter = -1;  // >= 0: queries succeed this many times, then fail with queryError
    std::uint32_t startError = 0;
    std::uint32_t stopError = 0;        // answers every stop control
    std::uint32_t dependentsError = 0;  // the dependent services cannot be listed
    std::uint32_t closeError = 0;
    std::vector<std::string> events;  // "start NAME" and "stop NAME", in order

    std::uint32_t OpenManager(Handle& manager) override;
    std::uint32_t OpenServiceHandle(Handle manager, const std::string& name, Handle& service) override;
    std::uint32_t QueryStatus(Handle service, ServiceStatus& status) override;
    std::uint32_t Start(Handle service) override;
    std::uint32_t Stop(Handle service, ServiceStatus& status) override;
    std::uint32_t ActiveDependents(Handle service, std::vector<std::string>& names) override;
    std::uint32_t Close(Handle handle) override;
    void Add(const std::string& name, std::uint32_t state, std::vector<std::string> dependsOn = {}) {
        services[name].status.state = state;
        services[name].dependsOn = std::move(dependsOn);
    }

    // Handles given out and not closed yet.
    std::size_t OpenHandles() const { return open_.size(); }

private:
    Handle next_ = 0x100;
    std::set<Handle> managers_;
    std::map<Handle, std::string> serviceHandles_;
    std::set<Handle> open_;
    int queries_ = 0;
};

// Time stands still except when the program sleeps; every sleep is recorded.
class FakeClock : public Clock {
public:
    std::uint32_t now = 1000;
    std::vector<std::uint32_t> sleeps;
    std::string timestamp = "2026-12-07 08:00:00";

    void Sleep(std::uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += milliseconds;
    }
    std::uint32_t TickCount() override { return now; }
    std::string LocalTimestamp() override { return timestamp; }
};

class FakeDebugLog : public DebugLog {
public:
    std::vector<std::string> lines;
    void Output(const std::string& text) override { lines.push_back(text); }
};

class FakeRegistry : public Registry, public Killable {
public:
    struct KeyData {
        std::string path;
        std::string className;
        std::map<std::string, std::string> values;    // lower-case name -> string value
        std::map<std::string, std::uint32_t> dwords;  // lower-case name -> number value
    };
    std::map<std::string, KeyData> keys;  // lower-case path -> key, as the 64-bit view names it
    // A 32-bit program on 64-bit Windows: its calls see SOFTWARE\WOW6432Node\X where they name
    // SOFTWARE\X, except the opening in the 64-bit view. (Windows shares a few keys between the
    // views, SOFTWARE\Policies among them as Wine shows it; the fake keeps every key apart.)
    bool wow64 = false;
    std::uint32_t createError = 0;
    std::uint32_t setError = 0;
    std::uint32_t deleteKeyError = 0;                  // answers every deletion of an existing key
    std::uint32_t closeError = 0;                      // the key is closed all the same, as Windows does
    std::map<std::string, std::uint32_t> valueErrors;  // lower-case value name -> error of its writes
    std::vector<std::string> written;                  // value names written, in order

    std::uint32_t OpenKey(const std::string& path, Key& key) override;
    std::uint32_t CreateKey(const std::string& path, const std::string& className, Key& key) override;
    std::uint32_t SetString(Key key, const std::string& name, const std::string& value) override;
    std::uint32_t SetDword(Key key, const std::string& name, std::uint32_t value) override;
    std::uint32_t CloseKey(Key key) override;
    std::uint32_t DeleteKey(const std::string& path) override;
    // A key opened for reading takes no writes (5, access denied).
    std::uint32_t OpenKeyForReading(const std::string& path, Key& key) override;
    std::uint32_t QueryDword(Key key, const std::string& name, std::uint32_t& value) override;
    std::uint32_t OpenKeyForReading64(const std::string& path, Key& key) override;
    // Answers probeError for any key when it is set (access denied, say).
    std::uint32_t ProbeKey(const std::string& path) override;
    std::uint32_t QueryString(Key key, const std::string& name, std::string& value) override;
    std::uint32_t ListSubkeys(Key key, std::vector<std::string>& names) override;
    std::uint32_t CountContents(Key key, std::uint32_t& subkeys, std::uint32_t& values) override;
    std::uint32_t probeError = 0;
    int probeCalls = 0;

    bool Has(const std::string& path) const;
    std::string Value(const std::string& path, const std::string& name) const;
    std::optional<std::uint32_t> Dword(const std::string& path, const std::string& name) const;
    std::size_t OpenKeys() const { return open_.size(); }

private:
    // The key a call of the program's own view names.
    std::string InView(const std::string& path) const;

    std::map<Key, std::string> open_;
    std::set<Key> readOnly_;
    Key next_ = 0x500;
};

// A Windows 7 x86 workstation in English unless a test says otherwise.
class FakeSystemInfo : public SystemInfo {
public:
    std::uint32_t codePage = 1252;
    bool versionReadable = true;
    VersionRecord version{6, 1, 7601, kPlatformNT, 1, 0, 0x100, kProductWorkstation};
    std::uint16_t architecture = kArchitectureX86;
    std::uint16_t nativeMachine = 0;  // what IsWow64Process2 reports (0: no such call)
    std::map<int, int> metrics;
    std::uint32_t product = 0;  // what GetProductInfo reports (0: not available)
    int productInfoCalls = 0;
    // Redirection of a 32-bit program on 64-bit Windows: whether the calls exist, whether it is
    // off now, how often it was switched off, and (with `trail` set) "redirection off" and
    // "redirection on" in the order they happened.
    bool redirectionCallExists = false;
    bool revertRefused = false;  // switching it back on fails, and it stays off
    bool redirectionOff = false;
    int redirectionDisabled = 0;
    std::vector<std::string>* trail = nullptr;

    std::uint32_t AnsiCodePage() override { return codePage; }
    bool ReadVersion(VersionRecord& v) override {
        if (!versionReadable) return false;
        v = version;
        return true;
    }
    std::uint16_t NativeArchitecture() override { return architecture; }
    std::uint16_t NativeMachine() override { return nativeMachine; }
    int SystemMetric(int index) override { return metrics.count(index) ? metrics[index] : 0; }
    std::uint32_t ProductInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {
        ++productInfoCalls;
        return product;
    }
    // As Windows keeps it: the value handed out brings back the state before the switch.
    bool DisableFsRedirection(void*& previous) override {
        previous = nullptr;
        if (!redirectionCallExists) return false;
        previous = redirectionOff ? &wasOff_ : &wasOn_;
        redirectionOff = true;
        ++redirectionDisabled;
        if (trail != nullptr) trail->push_back("redirection off");
        return true;
    }
    bool RevertFsRedirection(void* previous) override {
        if (previous != &wasOff_ && previous != &wasOn_) return false;
        if (revertRefused) return false;  // redirection stays as it is: off
        redirectionOff = previous == &wasOff_;
        if (trail != nullptr) trail->push_back(redirectionOff ? "redirection off" : "redirection on");
        return true;
    }

private:
    char wasOn_ = 0;
    char wasOff_ = 0;
};

}  // namespace prinstall::fakes
