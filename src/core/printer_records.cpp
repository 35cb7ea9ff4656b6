#include "core/printer_records.h"

#include "core/label_drivers.h"
#include "core/tcpip_port_data.h"

namespace prinstall {
namespace {

std::string RecordKey(const std::string& queueName) { return std::string(kQueueRecordsKey) + "\\" + queueName; }

// Deletes the key when it has neither subkeys nor values; a key that cannot be looked into stays.
void DeleteIfEmpty(Registry& registry, const std::string& path) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(path, key) != 0) return;
    std::uint32_t subkeys = 1, values = 1;
    const bool counted = registry.CountContents(key, subkeys, values) == 0;
    registry.CloseKey(key);
    if (counted && subkeys == 0 && values == 0) registry.DeleteKey(path);
}

}  // namespace

std::string TcpIpPortKey(const std::string& portName) { return std::string(kCurrentTcpIpPortsKey) + "\\" + portName; }

std::uint32_t WriteQueueRecord(Registry& registry, const QueueRecord& r) {
    Registry::Key key = 0;
    std::uint32_t e = registry.CreateKey(RecordKey(r.queueName), "", key);
    if (e != 0) return e;
    const std::pair<const char*, const std::string*> strings[] = {
        {"Driver", &r.driver},           {"Port", &r.port},        {"Version", &r.version}, {"Owner", &r.owner},
        {"InstallDate", &r.installDate}, {"Defaults", &r.defaults}};
    for (const auto& [name, value] : strings) {
        if (e == 0) e = registry.SetString(key, name, *value);
    }
    if (e == 0) e = registry.SetDword(key, "PortCreated", r.portCreated ? 1 : 0);
    registry.CloseKey(key);
    return e;
}

std::optional<QueueRecord> ReadQueueRecord(Registry& registry, const std::string& queueName) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(RecordKey(queueName), key) != 0) return std::nullopt;
    QueueRecord r;
    r.queueName = queueName;
    // A value that is missing reads as empty: the record still says the queue is ours.
    registry.QueryString(key, "Driver", r.driver);
    registry.QueryString(key, "Port", r.port);
    registry.QueryString(key, "Version", r.version);
    registry.QueryString(key, "Owner", r.owner);
    registry.QueryString(key, "InstallDate", r.installDate);
    registry.QueryString(key, "Defaults", r.defaults);
    std::uint32_t created = 0;
    r.portCreated = registry.QueryDword(key, "PortCreated", created) == 0 && created == 1;
    registry.CloseKey(key);
    return r;
}

bool ListQueueRecords(Registry& registry, std::vector<QueueRecord>& records) {
    records.clear();
    Registry::Key key = 0;
    const std::uint32_t opened = registry.OpenKeyForReading(kQueueRecordsKey, key);
    if (opened == kErrorFileNotFound) return true;
    if (opened != 0) return false;
    std::vector<std::string> names;
    const bool listed = registry.ListSubkeys(key, names) == 0;
    registry.CloseKey(key);
    if (!listed) return false;
    for (const std::string& name : names) {
        std::optional<QueueRecord> record = ReadQueueRecord(registry, name);
        if (!record) return false;
        // The key's own spelling is the record's name.
        record->queueName = name;
        records.push_back(*record);
    }
    return true;
}

std::uint32_t DeleteQueueRecord(Registry& registry, const std::string& queueName) {
    const std::uint32_t e = registry.DeleteKey(RecordKey(queueName));
    if (e != 0 && e != kErrorFileNotFound) return e;
    DeleteIfEmpty(registry, kQueueRecordsKey);
    return 0;
}

void DeleteMakerKeyIfEmpty(Registry& registry) { DeleteIfEmpty(registry, kMakerKey); }

bool RemoveCreatedPortIfUnused(Registry& registry, Spooler& spooler, const QueueRecord& record) {
    if (!record.portCreated || record.port.empty()) return false;
    std::vector<PrinterInfo2> queues;
    if (spooler.ListLocalPrinters(queues) != 0) return false;
    for (const PrinterInfo2& q : queues) {
        if (SameQueueName(spooler, q.portName, record.port)) return false;
    }
    // The monitor deletes the port itself, key and all, and the spooler forgets it at once,
    // whichever way it was made. Where the monitor does not answer (or no longer knows the
    // port) its key goes, and the spooler forgets the port when it next starts; a port the
    // monitor refuses to delete stays. Only a port of the Standard TCP/IP port monitor.
    std::uint32_t error = 0;
    const MonitorAnswer answer = AskTcpIpMonitor(spooler, "DeletePort", DeletePortData(record.port), error);
    if (answer == MonitorAnswer::Done) return true;
    if (answer == MonitorAnswer::Refused && error != kErrorUnknownPort) return false;
    return registry.DeleteKey(TcpIpPortKey(record.port)) == 0;
}

std::vector<RecordedQueue> MatchRecords(Spooler& spooler, const std::vector<QueueRecord>& records,
                                        const std::vector<PrinterInfo2>& queues) {
    std::vector<RecordedQueue> matched;
    std::vector<bool> taken(queues.size(), false);
    const auto named = [&](const PrinterInfo2& q, const QueueRecord& r) {
        return SameQueueName(spooler, q.printerName, r.queueName);
    };
    const auto claim = [&](std::size_t i, RecordState state, RecordedQueue& m) {
        taken[i] = true;
        m.state = state;
        m.queue = queues[i];
    };
    // First every record whose queue still has its name, so that a renamed queue cannot be
    // claimed by a record of another queue that still has it.
    for (const QueueRecord& r : records) {
        RecordedQueue m{r, RecordState::Gone, {}};
        for (std::size_t i = 0; i < queues.size() && m.state == RecordState::Gone; ++i) {
            const bool driverMatches = r.driver.empty() ? IsLabelDriver(queues[i].driverName)
                                                        : SameQueueName(spooler, queues[i].driverName, r.driver);
            if (!taken[i] && driverMatches && named(queues[i], r)) claim(i, RecordState::Found, m);
        }
        matched.push_back(m);
    }
    // Then the renamed ones: the one queue on the driver. Two queues on it (someone made a second
    // one by hand) leave it unclear which was ours.
    for (RecordedQueue& m : matched) {
        if (m.state != RecordState::Gone || m.record.driver.empty()) continue;
        std::size_t found = queues.size(), count = 0;
        for (std::size_t i = 0; i < queues.size(); ++i) {
            if (SameQueueName(spooler, queues[i].driverName, m.record.driver)) {
                ++count;
                if (!taken[i]) found = i;
            }
        }
        if (count == 1 && found < queues.size()) claim(found, RecordState::Renamed, m);
    }
    // A queue with the name that no record claims is another's that took the name.
    for (RecordedQueue& m : matched) {
        if (m.state != RecordState::Gone) continue;
        for (std::size_t i = 0; i < queues.size(); ++i) {
            if (!taken[i] && named(queues[i], m.record)) {
                m.state = RecordState::Foreign;
                m.queue = queues[i];
                break;
            }
        }
    }
    return matched;
}

bool ListRecordedQueues(Registry& registry, Spooler& spooler, std::vector<RecordedQueue>& matched) {
    std::vector<QueueRecord> records;
    std::vector<PrinterInfo2> queues;
    if (!ListQueueRecords(registry, records) || spooler.ListLocalPrinters(queues) != 0) return false;
    matched = MatchRecords(spooler, records, queues);
    return true;
}

std::optional<QueueRecord> FindQueueRecord(Registry& registry, Spooler& spooler, const std::string& queueName) {
    std::vector<RecordedQueue> matched;
    // Unlisted, the record of the name is the best guess, as before renames were followed.
    if (!ListRecordedQueues(registry, spooler, matched)) return ReadQueueRecord(registry, queueName);
    for (const RecordedQueue& m : matched) {
        if ((m.state == RecordState::Found || m.state == RecordState::Renamed) &&
            SameQueueName(spooler, m.queue.printerName, queueName)) {
            return m.record;
        }
    }
    return std::nullopt;
}

std::optional<QueueRecord> FindQueueRecord(Registry& registry, Spooler& spooler, const std::string& queueName,
                                           const std::string& driverName) {
    // Records are keyed by queue name, so no other record can claim the queue before this one.
    if (std::optional<QueueRecord> own = ReadQueueRecord(registry, queueName);
        own && (own->driver.empty() ? IsLabelDriver(driverName) : SameQueueName(spooler, driverName, own->driver))) {
        return own;
    }
    return FindQueueRecord(registry, spooler, queueName);
}

bool SameOwner(const std::string& a, const std::string& b) { return SameQueueName(a, b); }

}  // namespace prinstall
