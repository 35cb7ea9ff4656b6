// The record of each queue the program installed: what it made (driver, port, whether the port
// is its own), for whom (the owner a deployment named) and with which version. The installation
// writes it once the queue exists, the removal deletes it with the queue, detection reads it,
// and an update in place rewrites it. Keys below HKLM, in the registry's 32-bit view as the
// detection value (SOFTWARE\WOW6432Node\... on 64-bit Windows).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace prinstall {

inline constexpr const char* kQueueRecordsKey = "SOFTWARE\\TORVA\\EPL Printer 2.X\\Printers";
inline constexpr const char* kMakerKey = "SOFTWARE\\TORVA";

// Below HKEY_LOCAL_MACHINE, in the current control set; every port of the Standard TCP/IP port
// monitor has a subkey of its own here, and the program makes a port by creating one.
inline constexpr const char* kCurrentTcpIpPortsKey =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
// The port's key path below HKEY_LOCAL_MACHINE.
std::string TcpIpPortKey(const std::string& portName);

struct QueueRecord {
    std::string queueName;     // the record's key name: the queue's name
    std::string driver;        // "TORVA Label Printer #N"
    std::string port;          // the queue's port when the record was written
    std::string version;       // of the program that wrote it
    std::string owner;         // the /owner: of the installation, empty otherwise
    std::string installDate;   // YYYYMMDD
    bool portCreated = false;  // the run that wrote it created the Standard TCP/IP port
    // The label defaults the driver's description was staged with, "FEATURE=OPTION;..." as
    // the template spells them (empty: none): an update that is given none stages them again.
    std::string defaults;

    bool operator==(const QueueRecord&) const = default;
};

// Writes the record (over an earlier one of the same queue): 0 or the first error.
std::uint32_t WriteQueueRecord(Registry& registry, const QueueRecord& record);

// The queue's record (the registry compares key names letter case aside, as the spooler
// compares queue names); nothing when there is none or it cannot be read.
std::optional<QueueRecord> ReadQueueRecord(Registry& registry, const std::string& queueName);

// Every record; false when the records' key is there but cannot be listed.
bool ListQueueRecords(Registry& registry, std::vector<QueueRecord>& records);

// Deletes the queue's record (a missing one is no fault), then the records' key once it is
// empty: 0 or the error of the deletion.
std::uint32_t DeleteQueueRecord(Registry& registry, const std::string& queueName);

// After the detection value went: the maker's key, when nothing else is left in it.
void DeleteMakerKeyIfEmpty(Registry& registry);

// After a queue with this record went (or moved): the Standard TCP/IP port that the record's run
// created goes too, unless a local queue is still on it: through the Standard TCP/IP port
// monitor, or by deleting its key where the monitor does not answer. True when it went.
bool RemoveCreatedPortIfUnused(Registry& registry, Spooler& spooler, const QueueRecord& record);

// Which queue a record names now. Records are kept under the queue's name, but a queue can be
// renamed (Printers folder, Set-Printer -NewName, SetPrinter): what does not change is its
// numbered driver, which belongs to that queue alone. The driver decides; the record's name only
// tells which queue is meant when several use the driver.
enum class RecordState {
    Found,    // the queue of the record's name, on the recorded driver
    Renamed,  // the queue on the recorded driver, under another name
    Foreign,  // a queue has the record's name but not its driver, and no queue has the driver:
              // that queue is not ours, and the record is stale
    Gone,     // no queue has the driver, none has the name (or the driver's queue is unclear):
              // the record is stale
};

struct RecordedQueue {
    QueueRecord record;
    RecordState state = RecordState::Gone;
    PrinterInfo2 queue;  // Found, Renamed: the record's queue; Foreign: the queue with its name
};

// Matches every record to the local queues. A queue is matched to one record at most; a record
// without a driver (a value lost) is matched by name to a queue on a label-printer driver.
std::vector<RecordedQueue> MatchRecords(Spooler& spooler, const std::vector<QueueRecord>& records,
                                        const std::vector<PrinterInfo2>& queues);

// Lists the records and the local queues and matches them; false when either cannot be listed.
bool ListRecordedQueues(Registry& registry, Spooler& spooler, std::vector<RecordedQueue>& matched);

// The record of the local queue of that name, wherever it is kept (under an older name after a
// rename); nothing when there is none. When the records or queues cannot be listed, the record
// kept under that name.
std::optional<QueueRecord> FindQueueRecord(Registry& registry, Spooler& spooler, const std::string& queueName);
// The same for a queue whose driver the caller knows: a record kept under the queue's name that
// names that driver (or none, for a label-printer driver) is the queue's whatever the other
// records say, so it is read alone; only otherwise are all the records matched.
std::optional<QueueRecord> FindQueueRecord(Registry& registry, Spooler& spooler, const std::string& queueName,
                                           const std::string& driverName);

// Whether two owners are the same, letter case aside (a GUID in either case).
bool SameOwner(const std::string& a, const std::string& b);

// How the report names a record that stays.
inline constexpr Text kRecordKept = {"record of the printer \"%s\" (HKLM\\%s)", "프린터 \"%s\"의 기록 (HKLM\\%s)"};

}  // namespace prinstall
