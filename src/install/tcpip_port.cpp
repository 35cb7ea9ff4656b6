#include "install/tcpip_port.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/label_drivers.h"
#include "core/texts.h"

namespace prinstall {
namespace {

// The caption of the messages about values that could not be written.
const char* const kWriteFailedCaption = "RegQueryValueEx";
constexpr const char* kSpooler = "spooler";
constexpr const char* kLpdService = "LPDSVC";

struct NumberValue {
    const char* name;
    std::uint32_t data;
};

}  // namespace

std::string TcpIpPortName(const std::string& host, std::uint32_t portNumber) {
    return portNumber == kRawPrintingPort ? "IP_" + host : Format("IP_%s_%u", host.c_str(), portNumber);
}

std::optional<std::uint32_t> TcpIpPortNumber(Registry& registry, const std::string& portName) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(TcpIpPortKey(portName), key) != 0) return std::nullopt;
    std::uint32_t number = 0;
    const bool read = registry.QueryDword(key, "PortNumber", number) == 0;
    registry.CloseKey(key);
    return read ? std::optional<std::uint32_t>(number) : std::nullopt;
}

bool ServesTcpIpPort(Registry* registry, Spooler& spooler, const std::string& queuePort, const std::string& host,
                     std::uint32_t portNumber) {
    if (!SameQueueName(spooler, queuePort, TcpIpPortName(host, portNumber))) return false;
    if (registry == nullptr) return true;
    const std::optional<std::uint32_t> number = TcpIpPortNumber(*registry, queuePort);
    return !number || *number == portNumber;
}

int TcpIpPortWriter::WriteTcpIpPortValues(const TcpIpPortSettings& settings) {
    Registry::Key key = 0;
    std::uint32_t error = registry_.OpenKey(settings.portKey, key);
    if (error == 0) {
        WriteValues(key, settings);
        registry_.CloseKey(key);
    } else {
        debug_.Output(Format("Standard TCP/IP port key not opened: %u", error));
    }
    restarted_ = RestartSpooler();
    return 1;
}

void TcpIpPortWriter::WriteValues(Registry::Key key, const TcpIpPortSettings& settings) {
    // Raw printing, no SNMP status queries, version 1 of the monitor's key layout.
    const NumberValue numbers[] = {
        {"PortNumber", settings.portNumber}, {"Protocol", 1}, {"SNMP Enabled", 0}, {"SNMP Index", 1}, {"Version", 1},
    };
    for (const NumberValue& v : numbers) {
        std::uint32_t error = registry_.SetDword(key, v.name, v.data);
        if (error == 0) continue;
        if (std::string_view(v.name) == "PortNumber") {
            // The code the write gave: RegSetValueEx reports through its result, not through
            // the thread's last error.
            showAppMessage_(Format("Fail to Write PortNumber GetLastError=%d", static_cast<int>(error)));
        } else {
            // The SNMP switch's message says "Read", as it always has.
            const char* verb = std::string_view(v.name) == "SNMP Enabled" ? "Read" : "Write";
            showDialogMessage_(Format("Fail to %s %s", verb, v.name), kWriteFailedCaption);
        }
    }
    // The monitor reads an address from IPAddress and a name from HostName, which it looks up
    // each time it connects; the other of the two stays empty.
    const bool named = settings.host.find_first_not_of("0123456789.") != std::string::npos;
    const std::pair<const char*, std::string> strings[] = {{"HostName", named ? settings.host : ""},
                                                           {"HWAddress", ""},
                                                           {"IPAddress", named ? "" : settings.host},
                                                           {"SNMP Community", "public"}};
    for (const auto& [name, data] : strings) {
        if (registry_.SetString(key, name, data) != 0) {
            showDialogMessage_(Format("Fail to Write %s", name), kWriteFailedCaption);
        }
    }
}

bool TcpIpPortWriter::RestartSpooler() {
    Services::Handle manager = 0;
    if (std::uint32_t e = services_.OpenManager(manager); e != 0) {
        debug_.Output(Format("Spooler restart: OpenSCManager failed: %u", e));
        return false;
    }
    std::vector<std::string> dependants;
    Services::Handle spooler = 0;
    if (std::uint32_t e = services_.OpenServiceHandle(manager, kSpooler, spooler); e == 0) {
        if (std::uint32_t d = services_.ActiveDependents(spooler, dependants); d != 0) {
            debug_.Output(Format("Spooler restart: dependent services not listed: %u", d));
        }
        services_.Close(spooler);
    } else {
        debug_.Output(Format("Spooler restart: spooler not opened: %u", e));
    }
    // The LPD print service depends on the spooler, so it stops first and starts last, and
    // only when it was running: the restart must not open a print server that was off.
    if (IsRunning(manager, kLpdService) &&
        std::find(dependants.begin(), dependants.end(), kLpdService) == dependants.end()) {
        dependants.insert(dependants.begin(), kLpdService);
    }
    for (const std::string& name : dependants) Control(manager, name, false);
    Control(manager, kSpooler, false);
    const bool running = Control(manager, kSpooler, true) == 0;
    for (auto it = dependants.rbegin(); it != dependants.rend(); ++it) Control(manager, *it, true);
    services_.Close(manager);
    return running;
}

bool TcpIpPortWriter::IsRunning(Services::Handle manager, const std::string& name) {
    Services::Handle service = 0;
    if (services_.OpenServiceHandle(manager, name, service) != 0) return false;
    ServiceStatus status;
    const bool running = services_.QueryStatus(service, status) == 0 && status.state == kServiceRunning;
    services_.Close(service);
    return running;
}

std::uint32_t TcpIpPortWriter::Control(Services::Handle manager, const std::string& name, bool start) {
    Services::Handle service = 0;
    std::uint32_t result = services_.OpenServiceHandle(manager, name, service);
    if (result == 0) {
        ServiceStatus status;
        result = start ? services_.Start(service) : services_.Stop(service, status);
        // Already where it should be: nothing to wait for.
        if ((start && result == kErrorServiceAlreadyRunning) || (!start && result == kErrorServiceNotActive))
            result = 0;
        else if (result == 0)
            result = WaitFor(service, start ? kServiceRunning : kServiceStopped);
        services_.Close(service);
    }
    debug_.Output(Format("%s %s: %u", start ? "start" : "stop", name.c_str(), result));
    return result;
}

std::uint32_t TcpIpPortWriter::WaitFor(Services::Handle service, std::uint32_t state) {
    const std::uint32_t begin = clock_.TickCount();
    for (;;) {
        ServiceStatus status;
        if (std::uint32_t e = services_.QueryStatus(service, status); e != 0) return e;
        if (status.state == state) return 0;
        if (clock_.TickCount() - begin >= kServiceWaitLimit) return kErrorWaitTimeout;
        clock_.Sleep(kServicePollInterval);
    }
}

}  // namespace prinstall
