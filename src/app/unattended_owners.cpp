// An owner's printers on the command line: the records matched to the queues, the owner's
// queues for a removal, an update of them all (the package's upgrade), and the adoption of
// those a run of the same installation left. Another owner's printer stays as it is.
#include "app/unattended_run.h"

#include <algorithm>

#include "app/unattended_steps.h"
#include "core/label_drivers.h"
#include "core/printer_records.h"
#include "install/install_command.h"

namespace prinstall {
namespace {

const Text kRecordsNotListed = {"The records of the printers (HKLM\\%s) could not be read.",
                                "프린터 기록(HKLM\\%s)을 읽을 수 없습니다."};
const Text kStaleRecordDeleted = {"The printer \"%s\" was not there any more: its record was deleted.",
                                  "프린터 \"%s\"이(가) 이미 없으므로 그 기록을 삭제했습니다."};
const Text kStaleRecordKept = {"The printer \"%s\" is not there any more, but its record could not be deleted.",
                               "프린터 \"%s\"이(가) 이미 없지만 그 기록을 삭제하지 못했습니다."};
const Text kOtherOwner = {"Nothing was installed: the printer \"%s\" belongs to the owner %s and stays as it is.",
                          "아무것도 설치하지 않았습니다: 프린터 \"%s\"은(는) 소유자 %s의 것이므로 그대로 둡니다."};
const Text kNoOwner = {"Nothing was installed: the printer \"%s\" belongs to no owner and stays as it is.",
                       "아무것도 설치하지 않았습니다: 프린터 \"%s\"은(는) 소유자가 없으므로 그대로 둡니다."};
const Text kForeignQueue = {
    "The printer \"%s\" has the name of a printer this program installed but not its driver \"%s\": it is not "
    "this program's and stays.",
    "프린터 \"%s\"은(는) 이 프로그램이 설치한 프린터의 이름을 가졌지만 그 드라이버 \"%s\"을(를) 쓰지 않으므로 이 "
    "프로그램의 것이 아니며 그대로 둡니다."};
const Text kRenamedQueue = {"The printer \"%s\" is now named \"%s\".", "프린터 \"%s\"의 이름이 이제 \"%s\"입니다."};
const Text kNothingToUpdate = {"Nothing was updated: no printer is recorded for the owner %s.",
                               "업데이트한 것이 없습니다: 소유자 %s의 프린터 기록이 없습니다."};

}  // namespace

std::optional<int> UnattendedRun::RecordedQueues(std::vector<RecordedQueue>& matched) {
    Platform& p = app_.platform;
    std::vector<QueueRecord> records;
    std::vector<PrinterInfo2> listed;
    if (!ListQueueRecords(*p.registry, records)) {
        return Finish(Format(kRecordsNotListed.In(language_), kQueueRecordsKey), kExitFailure);
    }
    if (const std::uint32_t e = p.spooler.ListLocalPrinters(listed); e != 0) return EnumFailed(e);
    matched = MatchRecords(p.spooler, records, listed);
    return std::nullopt;
}

int UnattendedRun::KeptForOwner(const QueueRecord& record, const PrinterInfo2& queue) {
    return Finish(record.owner.empty()
                      ? Format(kNoOwner.In(language_), queue.printerName.c_str())
                      : Format(kOtherOwner.In(language_), queue.printerName.c_str(), record.owner.c_str()),
                  kExitSuccess);
}

std::optional<int> UnattendedRun::AdoptOwnersQueues(const CommandLine& line, int& copies,
                                                    std::optional<std::string>& name) {
    Platform& p = app_.platform;
    std::vector<RecordedQueue> matched;
    if (std::optional<int> failed = RecordedQueues(matched)) return failed;
    std::vector<PrinterInfo2> owned;
    for (const RecordedQueue& m : matched) {
        if ((m.state != RecordState::Found && m.state != RecordState::Renamed) ||
            !SameOwner(m.record.owner, *line.owner) || !IsLabelDriver(m.queue.driverName)) {
            continue;
        }
        // With /name, only the printer of that name: now, or when it was installed.
        if (line.name && !SameQueueName(p.spooler, m.queue.printerName, *line.name) &&
            !SameQueueName(p.spooler, m.record.queueName, *line.name)) {
            continue;
        }
        owned.push_back(m.queue);
    }
    if (owned.empty()) return std::nullopt;
    // The printer of /name is among them: the copies still to install take numbered names.
    if (line.name) name.reset();
    std::string last;
    for (const PrinterInfo2& q : owned) {
        if (!last.empty()) Line(last);
        UnattendedSteps steps(app_, *this, line, language_);
        InstallCommand command(app_, *this, steps);
        const bool movePort = !SameQueueName(p.spooler, q.portName, RequestedPort(line));
        const Outcome outcome = command.Adopt(
            {q.printerName, q.driverName, q.portName, movePort, std::nullopt, language_, false, line.defaults});
        if (!outcome.Ok()) return Finish(outcome.text, ExitCodeOf(outcome));
        last = outcome.text;
    }
    copies -= static_cast<int>(owned.size());
    if (copies <= 0) return Finish(last, kExitSuccess);
    Line(last);
    return std::nullopt;
}

std::optional<int> UnattendedRun::OwnerQueues(const std::string& owner, std::vector<std::string>& queues) {
    Platform& p = app_.platform;
    std::vector<RecordedQueue> matched;
    if (std::optional<int> failed = RecordedQueues(matched)) return failed;
    for (const RecordedQueue& m : matched) {
        const QueueRecord& r = m.record;
        if (!SameOwner(r.owner, owner)) continue;
        if (m.state == RecordState::Found || m.state == RecordState::Renamed) {
            if (m.state == RecordState::Renamed) {
                Line(Format(kRenamedQueue.In(language_), r.queueName.c_str(), m.queue.printerName.c_str()));
            }
            queues.push_back(m.queue.printerName);
            continue;
        }
        // A queue that only took the name is another's: it stays, and the record is stale.
        if (m.state == RecordState::Foreign) {
            Line(Format(kForeignQueue.In(language_), m.queue.printerName.c_str(), r.driver.c_str()));
        }
        // Someone deleted the queue: its record names nothing, and its port goes when made for it.
        RemoveCreatedPortIfUnused(*p.registry, p.spooler, r);
        if (DeleteQueueRecord(*p.registry, r.queueName) == 0) {
            Line(Format(kStaleRecordDeleted.In(language_), r.queueName.c_str()));
        } else {
            Line(Format(kStaleRecordKept.In(language_), r.queueName.c_str()));
        }
    }
    return std::nullopt;
}

std::optional<int> UnattendedRun::Update(const CommandLine& line) {
    Platform& p = app_.platform;
    std::vector<RecordedQueue> matched;
    if (std::optional<int> failed = RecordedQueues(matched)) return failed;
    std::vector<PrinterInfo2> owned;
    for (const RecordedQueue& m : matched) {
        if (!SameOwner(m.record.owner, *line.owner)) continue;
        if ((m.state == RecordState::Found || m.state == RecordState::Renamed) && IsLabelDriver(m.queue.driverName)) {
            owned.push_back(m.queue);
        } else if (m.state == RecordState::Foreign) {
            Line(Format(kForeignQueue.In(language_), m.queue.printerName.c_str(), m.record.driver.c_str()));
        }
    }
    std::string claimed;
    if (line.name) {
        // The operator names a label printer for the owner: one that no record names becomes
        // the owner's; one recorded for another owner (or for none) stays as it is.
        std::vector<PrinterInfo2> queues;
        if (const std::uint32_t e = p.spooler.ListLocalPrinters(queues); e != 0) return EnumFailed(e);
        for (const PrinterInfo2& q : queues) {
            if (!IsLabelDriver(q.driverName) || !SameQueueName(p.spooler, q.printerName, *line.name) ||
                std::find(owned.begin(), owned.end(), q) != owned.end()) {
                continue;
            }
            const auto record = std::find_if(matched.begin(), matched.end(), [&](const RecordedQueue& m) {
                return (m.state == RecordState::Found || m.state == RecordState::Renamed) && m.queue == q;
            });
            if (record != matched.end()) return KeptForOwner(record->record, q);
            owned.push_back(q);
            claimed = q.printerName;
        }
    }
    if (owned.empty()) {
        // Nothing of the owner's is here yet: the other options install as usual.
        if (line.portSource != PortSource::None) return std::nullopt;
        return Finish(Format(kNothingToUpdate.In(language_), line.owner->c_str()), kExitSuccess);
    }
    std::string last;
    for (const PrinterInfo2& q : owned) {
        UnattendedSteps steps(app_, *this, line, language_);
        InstallCommand command(app_, *this, steps);
        // The owner is written for the printer claimed; the others keep it as recorded.
        const std::optional<std::string> owner = q.printerName == claimed ? line.owner : std::optional<std::string>();
        const Outcome outcome =
            command.Adopt({q.printerName, q.driverName, q.portName, false, owner, language_, true, line.defaults});
        if (!outcome.Ok()) {
            // The first failure ends the run; the printers updated before it stay updated.
            return Finish(outcome.text, ExitCodeOf(outcome));
        }
        if (!last.empty()) Line(last);
        last = outcome.text;
    }
    return Finish(last, kExitSuccess);
}

}  // namespace prinstall
