#include "fakes/fake_platform.h"

#include <algorithm>
#include <cctype>

namespace prinstall::fakes {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Where the spooler keeps a monitor's key, below HKEY_LOCAL_MACHINE.
constexpr const char* kMonitorKeysPath = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

}  // namespace

std::uint32_t FakeSpooler::ListLocalPrinters(std::vector<PrinterInfo2>& out) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    ++enumCalls;
    out.clear();
    if (enumError != 0 && (!enumFailsWhen || enumFailsWhen())) return enumError;
    out = printers;
    return 0;
}

namespace {

const char* DriverFolderOf(const std::string& environment) {
    if (environment == kEnvironmentX86) return "w32x86";
    if (environment == kEnvironmentX64) return "x64";
    if (environment == kEnvironmentIa64) return "ia64";
    if (environment == kEnvironmentArm64) return "arm64";
    return nullptr;
}

constexpr std::uint32_t kErrorInvalidEnvironment = 1805;

}  // namespace

std::uint32_t FakeSpooler::DriverDirectory(const std::string& environment, std::string& out) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    out.clear();
    if (driverDirError != 0) return driverDirError;
    const std::string env = Resolve(environment);
    const char* folder = DriverFolderOf(env);
    if (folder == nullptr) return kErrorInvalidEnvironment;
    out = env == kEnvironmentX86 ? driverDir : "C:\\windows\\system32\\spool\\drivers\\" + std::string(folder);
    return 0;
}

std::uint32_t FakeSpooler::ListDrivers(const std::string& environment, std::vector<std::string>& names) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    names.clear();
    if (listDriversError != 0) return listDriversError;
    if (enumError != 0) return enumError;
    for (const DriverRecord& d : drivers) {
        if (d.environment == Resolve(environment)) names.push_back(d.name);
    }
    return 0;
}

std::uint32_t FakeSpooler::RegisterDriver(const DriverRecord& driver) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    driverCalls.push_back(driver);
    if (!driverErrors.empty()) {
        std::uint32_t e = driverErrors.front();
        driverErrors.pop_front();
        if (e != 0) return e;
    }
    if (DriverFolderOf(Resolve(driver.environment)) == nullptr) return kErrorInvalidEnvironment;
    DriverRecord stored = driver;
    stored.environment = Resolve(driver.environment);
    std::erase_if(drivers,
                  [&](const DriverRecord& d) { return d.name == stored.name && d.environment == stored.environment; });
    drivers.push_back(stored);
    return 0;
}

std::uint32_t FakeSpooler::CreatePrinter(const PrinterRecord& printer) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    printerCalls.push_back(printer);
    if (!printerErrors.empty()) {
        std::uint32_t e = printerErrors.front();
        printerErrors.pop_front();
        if (e != 0) return e;
    }
    if (!HasDriver(printer.driverName, nativeEnvironment)) return kErrorUnknownPrinterDriver;
    if (!ports.count(printer.portName)) return kErrorUnknownPort;
    for (const PrinterInfo2& p : printers) {
        if (p.printerName == printer.printerName) return kErrorPrinterAlreadyExists;
    }
    printers.push_back({printer.printerName, printer.portName, printer.driverName});
    return 0;
}

std::uint32_t FakeSpooler::ListMonitors(std::vector<std::string>& names) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    names.clear();
    if (enumMonitorsError != 0) return enumMonitorsError;
    names = monitors;
    return 0;
}

std::uint32_t FakeSpooler::RegisterMonitor(const std::string& name, const std::string&, const std::string& dll) {
    if (!Alive()) return kErrorProcessKilled;
    if (trail != nullptr) trail->push_back("add monitor " + name);
    ++calls;
    addedMonitorDlls.push_back(dll);
    if (addMonitorError != 0) return addMonitorError;
    for (const std::string& m : monitors) {
        if (m == name) return kErrorMonitorAlreadyInstalled;
    }
    monitors.push_back(name);
    if (monitorPorts.count(name)) ports.insert(monitorPorts[name]);
    if (monitorKeys != nullptr) {
        const std::string key = std::string(kMonitorKeysPath) + "\\" + name;
        monitorKeys->keys[Lower(key)] = {key, "", {{"driver", dll}}, {}};
    }
    return 0;
}

std::uint32_t FakeSpooler::OpenLocalPrinter(const std::string& name, Printer& printer) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    printer = 0;
    if (openPrinterError != 0) return openPrinterError;
    for (const PrinterInfo2& p : printers) {
        if (p.printerName != name) continue;
        printer = nextPrinter_++;
        openPrinters_[printer] = p;
        return 0;
    }
    return kErrorInvalidPrinterName;
}

std::uint32_t FakeSpooler::DeletePrinterDataKey(Printer printer, const std::string& keyName) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    if (!hasDeletePrinterKey) return kErrorCallNotImplemented;
    auto open = openPrinters_.find(printer);
    if (open == openPrinters_.end()) return kErrorInvalidHandle;
    return printerKeys[open->second.printerName].erase(keyName) ? 0 : kErrorFileNotFound;
}

std::uint32_t FakeSpooler::GetPrinterInfo(Printer printer, PrinterInfo2& info) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    info = {};
    auto open = openPrinters_.find(printer);
    if (open == openPrinters_.end()) return kErrorInvalidHandle;
    if (getPrinterError != 0) return getPrinterError;
    info = open->second;
    return 0;
}

std::uint32_t FakeSpooler::DeletePrinter(Printer printer) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    auto open = openPrinters_.find(printer);
    if (open == openPrinters_.end()) return kErrorInvalidHandle;
    if (deletePrinterError != 0) return deletePrinterError;
    const std::string name = open->second.printerName;
    deletedPrinters.push_back(name);
    // The call succeeds, but the spooler keeps the queue until its jobs are done.
    if (pendingDeletion.count(name)) return 0;
    std::erase_if(printers, [&](const PrinterInfo2& p) { return p.printerName == name; });
    printerKeys.erase(name);
    return 0;
}

std::uint32_t FakeSpooler::ClosePrinter(Printer printer) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    if (!openPrinters_.erase(printer)) return kErrorInvalidHandle;
    return closePrinterError;
}

std::uint32_t FakeSpooler::SetPrinterPort(Printer printer, const std::string& port) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    auto open = openPrinters_.find(printer);
    if (open == openPrinters_.end()) return kErrorInvalidHandle;
    if (setPrinterPortError != 0) return setPrinterPortError;
    if (!ports.count(port)) return kErrorUnknownPort;
    for (PrinterInfo2& p : printers) {
        if (p.printerName == open->second.printerName) p.portName = port;
    }
    open->second.portName = port;
    return 0;
}

std::uint32_t FakeSpooler::RemoveDriver(const std::string& name, const std::string& environment) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    if (deleteDriverError != 0) return deleteDriverError;
    const std::string env = Resolve(environment);
    if (!HasDriver(name, env)) return kErrorUnknownPrinterDriver;
    if (env == nativeEnvironment) {
        for (const PrinterInfo2& p : printers) {
            if (p.driverName == name) return kErrorPrinterDriverInUse;
        }
    }
    std::erase_if(drivers, [&](const DriverRecord& d) { return d.name == name && d.environment == env; });
    deletedDrivers.push_back(name);
    return 0;
}

bool FakeSpooler::HasDriver(const std::string& name, const std::string& environment) const {
    for (const DriverRecord& d : drivers) {
        if (d.name == name && (environment.empty() || d.environment == environment)) return true;
    }
    return false;
}

std::uint32_t FakeSpooler::MonitorCommand(const std::string& monitor, const std::string& command,
                                          const std::vector<std::uint8_t>& input, std::uint32_t& status) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    status = 0;
    monitorCalls.push_back({monitor, command, input});
    if (std::find(monitors.begin(), monitors.end(), monitor) == monitors.end()) return kErrorUnknownPort;
    if (monitorOpenError != 0) return monitorOpenError;
    if (monitorStatus != 0) {
        status = monitorStatus;
        return 0;
    }
    // Both structures begin with the port name, UTF-16LE up to its zero.
    std::string port;
    for (std::size_t i = 0; i + 1 < input.size() && input[i] != 0; i += 2) port += static_cast<char>(input[i]);
    if (command == "AddPort") {
        status = ports.insert(port).second ? 0 : kErrorAlreadyExists;
    } else if (command == "DeletePort") {
        status = ports.erase(port) != 0 ? 0 : kErrorUnknownPort;
    } else {
        status = kErrorInvalidFunction;
    }
    return 0;
}

std::uint32_t FakeSpooler::RemoveMonitor(const std::string& name, const std::string& environment) {
    if (!Alive()) return kErrorProcessKilled;
    if (trail != nullptr) trail->push_back("delete monitor " + name);
    ++calls;
    deletedMonitorEnvironments.push_back(Resolve(environment));
    if (deleteMonitorError != 0) return deleteMonitorError;
    auto it = std::find(monitors.begin(), monitors.end(), name);
    if (it == monitors.end()) return kErrorUnknownPrintMonitor;
    monitors.erase(it);
    if (monitorPorts.count(name)) ports.erase(monitorPorts[name]);
    if (monitorKeys != nullptr) monitorKeys->keys.erase(Lower(std::string(kMonitorKeysPath) + "\\" + name));
    deletedMonitors.push_back(name);
    return 0;
}

std::uint32_t FakeSpooler::ListPorts(std::vector<std::string>& names) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    ++enumPortsCalls;
    names.clear();
    if (enumPortsError != 0) return enumPortsError;
    names.assign(ports.begin(), ports.end());
    return 0;
}

std::uint32_t FakeSpooler::ListConnections(std::vector<PrinterInfo2>& out) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    out.clear();
    if (connectionsError != 0) return connectionsError;
    out = connections;
    return 0;
}

std::uint32_t FakeSpooler::ListDriverRecords(const std::string& environment, std::vector<DriverRecord>& out) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    out.clear();
    if (listDriversError != 0) return listDriversError;
    if (enumError != 0) return enumError;
    const std::string env = Resolve(environment);
    const char* folder = DriverFolderOf(env);
    if (folder == nullptr) return kErrorInvalidEnvironment;
    // As Windows does, every file is named by its full path in the version folder.
    const std::string versionFolder =
        (env == kEnvironmentX86 ? driverDir : "C:\\windows\\system32\\spool\\drivers\\" + std::string(folder)) + "\\";
    auto inFolder = [&](const DriverRecord& d, const std::string& file) {
        if (file.empty() || file.find('\\') != std::string::npos) return file;
        return versionFolder + std::to_string(d.version) + "\\" + file;
    };
    for (const DriverRecord& d : drivers) {
        if (d.environment != env) continue;
        DriverRecord listed = d;
        for (std::string* file : {&listed.driverPath, &listed.dataFile, &listed.configFile, &listed.helpFile})
            *file = inFolder(d, *file);
        listed.dependentFiles.clear();
        for (const std::string& name : d.DependentFileNames()) listed.dependentFiles += inFolder(d, name) + '\0';
        if (!listed.dependentFiles.empty()) listed.dependentFiles += '\0';
        out.push_back(listed);
    }
    return 0;
}

std::uint32_t FakeSpooler::ListMonitorModules(std::vector<MonitorModule>& out) {
    if (!Alive()) return kErrorProcessKilled;
    ++calls;
    out.clear();
    if (enumMonitorsError != 0) return enumMonitorsError;
    for (const std::string& m : monitors) {
        out.push_back({m, monitorDlls.count(m) ? monitorDlls[m] : m + ".dll"});
    }
    return 0;
}

std::string FakeRegistry::InView(const std::string& path) const {
    const std::string lower = Lower(path);
    const std::string software = "software\\";
    if (!wow64 || lower.compare(0, software.size(), software) != 0 ||
        lower.compare(0, software.size() + 12, software + "wow6432node\\") == 0) {
        return lower;
    }
    return software + "wow6432node\\" + lower.substr(software.size());
}

std::uint32_t FakeRegistry::OpenKey(const std::string& path, Key& key) {
    if (!Alive()) return kErrorProcessKilled;
    key = 0;
    if (!keys.count(InView(path))) return kErrorFileNotFound;
    key = next_++;
    open_[key] = InView(path);
    return 0;
}

std::uint32_t FakeRegistry::OpenKeyForReading64(const std::string& path, Key& key) {
    if (!Alive()) return kErrorProcessKilled;
    key = 0;
    if (!keys.count(Lower(path))) return kErrorFileNotFound;
    key = next_++;
    open_[key] = Lower(path);
    readOnly_.insert(key);
    return 0;
}

std::uint32_t FakeRegistry::CreateKey(const std::string& path, const std::string& className, Key& key) {
    if (!Alive()) return kErrorProcessKilled;
    key = 0;
    if (createError != 0) return createError;
    const std::string viewed = InView(path);
    // As Windows does, the keys on the way there are created too.
    for (std::size_t slash = viewed.find('\\'); slash != std::string::npos; slash = viewed.find('\\', slash + 1)) {
        if (!keys.count(viewed.substr(0, slash))) keys[viewed.substr(0, slash)] = {path.substr(0, slash), "", {}, {}};
    }
    if (!keys.count(viewed)) keys[viewed] = {path, className, {}, {}};
    key = next_++;
    open_[key] = viewed;
    return 0;
}

std::uint32_t FakeRegistry::SetString(Key key, const std::string& name, const std::string& value) {
    if (!Alive()) return kErrorProcessKilled;
    if (!open_.count(key)) return kErrorInvalidHandle;
    if (readOnly_.count(key)) return kErrorAccessDenied;
    if (setError != 0) return setError;
    if (valueErrors.count(Lower(name))) return valueErrors[Lower(name)];
    KeyData& data = keys[open_[key]];
    data.dwords.erase(Lower(name));  // a value has one type: the last write decides
    data.values[Lower(name)] = value;
    written.push_back(name);
    return 0;
}

std::uint32_t FakeRegistry::SetDword(Key key, const std::string& name, std::uint32_t value) {
    if (!Alive()) return kErrorProcessKilled;
    if (!open_.count(key)) return kErrorInvalidHandle;
    if (readOnly_.count(key)) return kErrorAccessDenied;
    if (setError != 0) return setError;
    if (valueErrors.count(Lower(name))) return valueErrors[Lower(name)];
    KeyData& data = keys[open_[key]];
    data.values.erase(Lower(name));
    data.dwords[Lower(name)] = value;
    written.push_back(name);
    return 0;
}

std::uint32_t FakeRegistry::CloseKey(Key key) {
    if (!Alive()) return kErrorProcessKilled;
    readOnly_.erase(key);
    if (!open_.erase(key)) return kErrorInvalidHandle;
    return closeError;
}

std::uint32_t FakeRegistry::OpenKeyForReading(const std::string& path, Key& key) {
    if (!Alive()) return kErrorProcessKilled;
    const std::uint32_t e = OpenKey(path, key);
    if (e == 0) readOnly_.insert(key);
    return e;
}

std::uint32_t FakeRegistry::QueryDword(Key key, const std::string& name, std::uint32_t& value) {
    if (!Alive()) return kErrorProcessKilled;
    auto open = open_.find(key);
    if (open == open_.end()) return kErrorInvalidHandle;
    const KeyData& data = keys[open->second];
    if (auto v = data.dwords.find(Lower(name)); v != data.dwords.end()) {
        value = v->second;
        return 0;
    }
    return data.values.count(Lower(name)) ? kErrorUnsupportedType : kErrorFileNotFound;
}

std::uint32_t FakeRegistry::QueryString(Key key, const std::string& name, std::string& value) {
    if (!Alive()) return kErrorProcessKilled;
    auto open = open_.find(key);
    if (open == open_.end()) return kErrorInvalidHandle;
    const KeyData& data = keys[open->second];
    if (auto v = data.values.find(Lower(name)); v != data.values.end()) {
        value = v->second;
        return 0;
    }
    return data.dwords.count(Lower(name)) ? kErrorUnsupportedType : kErrorFileNotFound;
}

std::uint32_t FakeRegistry::ListSubkeys(Key key, std::vector<std::string>& names) {
    if (!Alive()) return kErrorProcessKilled;
    names.clear();
    auto open = open_.find(key);
    if (open == open_.end()) return kErrorInvalidHandle;
    const std::string below = open->second + "\\";
    for (const auto& [path, data] : keys) {
        if (path.compare(0, below.size(), below) == 0 && path.find('\\', below.size()) == std::string::npos) {
            names.push_back(data.path.substr(data.path.size() - (path.size() - below.size())));
        }
    }
    return 0;
}

std::uint32_t FakeRegistry::CountContents(Key key, std::uint32_t& subkeys, std::uint32_t& values) {
    std::vector<std::string> names;
    if (const std::uint32_t e = ListSubkeys(key, names); e != 0) return e;
    const KeyData& data = keys[open_[key]];
    subkeys = static_cast<std::uint32_t>(names.size());
    values = static_cast<std::uint32_t>(data.values.size() + data.dwords.size());
    return 0;
}

std::uint32_t FakeRegistry::ProbeKey(const std::string& path) {
    if (!Alive()) return kErrorProcessKilled;
    ++probeCalls;
    if (probeError != 0) return probeError;
    return keys.count(InView(path)) ? 0 : kErrorFileNotFound;
}

std::uint32_t FakeRegistry::DeleteKey(const std::string& path) {
    if (!Alive()) return kErrorProcessKilled;
    const std::string key = InView(path);
    if (!keys.count(key)) return kErrorFileNotFound;
    if (deleteKeyError != 0) return deleteKeyError;
    const std::string below = key + "\\";
    for (const auto& entry : keys) {
        if (entry.first.compare(0, below.size(), below) == 0) return kErrorAccessDenied;
    }
    keys.erase(key);
    return 0;
}

bool FakeRegistry::Has(const std::string& path) const { return keys.count(Lower(path)) != 0; }

std::string FakeRegistry::Value(const std::string& path, const std::string& name) const {
    auto k = keys.find(Lower(path));
    if (k == keys.end()) return {};
    auto v = k->second.values.find(Lower(name));
    return v == k->second.values.end() ? std::string() : v->second;
}

std::optional<std::uint32_t> FakeRegistry::Dword(const std::string& path, const std::string& name) const {
    auto k = keys.find(Lower(path));
    if (k == keys.end()) return std::nullopt;
    auto v = k->second.dwords.find(Lower(name));
    if (v == k->second.dwords.end()) return std::nullopt;
    return v->second;
}

std::uint32_t FakeServices::OpenManager(Handle& manager) {
    if (!Alive()) return kErrorProcessKilled;
    manager = 0;
    if (openManagerError != 0) return openManagerError;
    manager = next_++;
    managers_.insert(manager);
    open_.insert(manager);
    return 0;
}

std::uint32_t FakeServices::OpenServiceHandle(Handle manager, const std::string& name, Handle& service) {
    if (!Alive()) return kErrorProcessKilled;
    service = 0;
    if (!managers_.count(manager) || !open_.count(manager)) return kErrorInvalidHandle;
    if (openServiceError != 0) return openServiceError;
    if (!services.count(name)) return kErrorServiceDoesNotExist;
    service = next_++;
    serviceHandles_[service] = name;
    open_.insert(service);
    return 0;
}

std::uint32_t FakeServices::QueryStatus(Handle service, ServiceStatus& status) {
    if (!Alive()) return kErrorProcessKilled;
    auto it = serviceHandles_.find(service);
    if (it == serviceHandles_.end() || !open_.count(service)) return kErrorInvalidHandle;
    if (queryError != 0 && (queryFailsAfter < 0 || queries_ >= queryFailsAfter)) return queryError;
    ++queries_;
    Service& s = services[it->second];
    if (s.stopping && s.stopPendingQueries >= 0 && s.stopPendingQueries-- == 0) {
        s.status = {kServiceStopped, 0, 0};
        s.stopping = false;
    }
    status = s.status;
    if (s.starting && !s.startSequence.empty()) {
        s.status = s.startSequence.front();
        s.startSequence.pop_front();
    }
    return 0;
}

std::uint32_t FakeServices::Start(Handle service) {
    if (!Alive()) return kErrorProcessKilled;
    auto it = serviceHandles_.find(service);
    if (it == serviceHandles_.end() || !open_.count(service)) return kErrorInvalidHandle;
    Service& s = services[it->second];
    ++s.startRequests;
    if (startError != 0) return startError;
    // Windows refuses to start a service that is not stopped; a paused service counts as
    // running for this purpose.
    if (s.status.state != kServiceStopped) return kErrorServiceAlreadyRunning;
    s.starting = true;
    events.push_back("start " + it->second);
    if (s.startSequence.empty()) {
        s.status = {kServiceRunning, 0, 0};
    } else {
        s.status = s.startSequence.front();
        s.startSequence.pop_front();
    }
    return 0;
}

std::uint32_t FakeServices::Stop(Handle service, ServiceStatus& status) {
    if (!Alive()) return kErrorProcessKilled;
    auto it = serviceHandles_.find(service);
    if (it == serviceHandles_.end() || !open_.count(service)) return kErrorInvalidHandle;
    Service& s = services[it->second];
    ++s.stopRequests;
    if (stopError != 0) return stopError;
    if (s.status.state == kServiceStopped) return kErrorServiceNotActive;
    for (const auto& [name, other] : services) {
        bool dependent = std::find(other.dependsOn.begin(), other.dependsOn.end(), it->second) != other.dependsOn.end();
        if (dependent && other.status.state != kServiceStopped) return kErrorDependentServicesRunning;
    }
    events.push_back("stop " + it->second);
    s.starting = false;
    s.stopping = s.stopPendingQueries != 0;
    s.status = {s.stopping ? kServiceStopPending : kServiceStopped, 0, 0};
    status = s.status;
    return 0;
}

std::uint32_t FakeServices::ActiveDependents(Handle service, std::vector<std::string>& names) {
    if (!Alive()) return kErrorProcessKilled;
    names.clear();
    auto it = serviceHandles_.find(service);
    if (it == serviceHandles_.end() || !open_.count(service)) return kErrorInvalidHandle;
    if (dependentsError != 0) return dependentsError;
    // Depth first, a dependent's own dependents before it: the order in which they can stop.
    std::set<std::string> seen;
    auto visit = [&](auto&& self, const std::string& of) -> void {
        for (const auto& [name, other] : services) {
            if (std::find(other.dependsOn.begin(), other.dependsOn.end(), of) == other.dependsOn.end()) continue;
            if (!seen.insert(name).second) continue;
            self(self, name);
            if (other.status.state != kServiceStopped) names.push_back(name);
        }
    };
    visit(visit, it->second);
    return 0;
}

std::uint32_t FakeServices::Close(Handle handle) {
    if (!Alive()) return kErrorProcessKilled;
    if (!open_.count(handle)) return kErrorInvalidHandle;
    open_.erase(handle);
    if (closeError != 0) return closeError;
    return 0;
}

}  // namespace prinstall::fakes
