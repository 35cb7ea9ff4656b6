#include "uninstall/removal.h"

#include <algorithm>

#include "core/label_drivers.h"
#include "core/ownership.h"
#include "core/printer_records.h"
#include "core/platform_detection.h"
#include "core/driver_files.h"
#include "core/system_refusals.h"

namespace prinstall {
namespace {

const Text kCompleted = {"Uninstallation completed. ", "프린터 드라이버가 정상적으로 삭제되었습니다. "};
// After a failure the operator chose to go on from: the run ended, but not everything went.
const Text kCompletedWithErrors = {"Uninstallation finished with errors. ",
                                   "프린터 드라이버 삭제 중 오류가 발생했습니다. "};
const Text kNotRemoved = {"Not removed:", "삭제하지 못한 항목:"};
// A file something holds open (the spooler a monitor module, a print job a driver file): Windows
// deletes it when it starts again.
const Text kRemovedAtRestart = {"%s will be removed at the next restart.",
                                "%s은(는) 다음에 다시 시작할 때 삭제됩니다."};
const Text kRestartToFinish = {"Restart Windows to finish the removal.",
                               "삭제를 마치려면 Windows를 다시 시작하십시오."};
// The cleanup runs only once no label-printer queue is left; when the queues cannot be counted
// again it does not run, and everything it would take stays.
const Text kCleanupNotRun = {
    "the port monitor, the entry in the list of installed programs and the other files and settings of the "
    "installation (the printers could not be listed again; run the removal again)",
    "포트 모니터, 설치된 프로그램 목록의 항목 및 설치의 다른 파일과 설정 (프린터 목록을 다시 읽지 못함, 삭제를 "
    "다시 실행하십시오)"};
// DeletePrinter succeeded, but the spooler keeps the queue until its jobs have ended.
const Text kPendingDeletion = {
    "printer \"%s\" with its driver \"%s\" (it still has print jobs or is in use: remove it again when its jobs "
    "have ended)",
    "프린터 \"%s\" 및 드라이버 \"%s\" (인쇄 작업이 남아 있거나 사용 중: 작업이 끝난 후 다시 삭제하십시오)"};
const Text kNotOurDriver = {"printer driver \"%s\" (not one of this program's driver copies)",
                            "프린터 드라이버 \"%s\" (이 프로그램이 설치한 드라이버가 아님)"};
const Text kInUseHeading = {"Left in place (something else uses it):", "그대로 둔 항목 (다른 곳에서 사용 중):"};
const Text kMovedHeading = {"Printers of other programs moved off the label printer's port:",
                            "라벨 프린터 포트에서 옮긴 다른 프로그램의 프린터:"};
// A run without queues only takes away what earlier runs left.
const Text kLeftoversStarted = {"Removing what an earlier installation left", "이전 설치가 남긴 항목 삭제 중"};
const Text kLeftoversEnded = {"Removal of what an earlier installation left ended", "이전 설치가 남긴 항목 삭제 완료"};

// An open queue, closed on every way out unless closed before.
class OpenQueue {
public:
    explicit OpenQueue(Spooler& spooler) : spooler_(spooler) {}
    ~OpenQueue() { Close(); }
    OpenQueue(const OpenQueue&) = delete;
    OpenQueue& operator=(const OpenQueue&) = delete;

    void Close() {
        if (handle != 0) spooler_.ClosePrinter(handle);
        handle = 0;
    }
    Spooler::Printer handle = 0;

private:
    Spooler& spooler_;
};

}  // namespace

std::optional<std::vector<std::string>> LabelQueueNames(Spooler& spooler, std::uint32_t* error) {
    std::vector<PrinterInfo2> queues;
    const std::uint32_t e = spooler.ListLocalPrinters(queues);
    if (error != nullptr) *error = e;
    if (e != 0) return std::nullopt;
    std::vector<std::string> names;
    for (const PrinterInfo2& q : queues) {
        if (IsLabelDriver(q.driverName)) names.push_back(q.printerName);
    }
    return names;
}

bool LeftoversRemain(AppContext& app, Registry& registry, Files& files, Language language) {
    Platform& p = app.platform;
    OsInfo os;
    DetectPlatform(p.systemInfo, Numbering::Removal, os);
    return Cleanup(p.spooler, registry, files, p.systemInfo, p.debug)
        .FindLeftovers(os.processor, os.osFamily, language == Language::Korean)
        .Any();
}

Cleanup Removal::MakeCleanup() {
    return Cleanup(app_.platform.spooler, registry_, files_, app_.platform.systemInfo, app_.platform.debug);
}

int Removal::CountLabelQueues() {
    std::optional<std::vector<std::string>> names = LabelQueueNames(app_.platform.spooler);
    return names ? static_cast<int>(names->size()) : -2;
}

Outcome Removal::Run(const std::vector<std::string>& queues) {
    DetectPlatform(app_.platform.systemInfo, Numbering::Removal, app_.state.os);
    hadFailures_ = false;
    stopped_ = false;
    left_ = {};
    survey_.reset();
    for (const std::string& queue : queues) {
        if (!RemovePrinter(queue)) {
            stopped_ = true;
            return Outcome{OutcomeKind::Failure, kCompletedWithErrors.In(language_), 0, true};
        }
    }
    const int remaining = CountLabelQueues();
    if (remaining < 0) left_.kept.push_back(kCleanupNotRun.In(language_));
    if (remaining == 0) {
        if (queues.empty()) feedback_.Progress(std::string(kLeftoversStarted.In(language_)), 50, false);
        left_ = MakeCleanup().RemoveLeftovers(app_.state.os.processor, app_.state.os.osFamily,
                                              language_ == Language::Korean, left_);
        if (queues.empty()) feedback_.Progress(std::string(kLeftoversEnded.In(language_)), 100, false);
    }
    std::string restart;
    for (const std::string& path : left_.atRestart) {
        restart += "\n" + Format(kRemovedAtRestart.In(language_), path.c_str());
    }
    if (!left_.atRestart.empty()) restart += std::string("\n") + kRestartToFinish.In(language_);
    // What stays because it is not ours, and others' queues that had to move, are told either way.
    const auto section = [&](const Text& heading, const std::vector<std::string>& items) {
        if (items.empty()) return;
        restart += std::string("\n") + heading.In(language_);
        for (const std::string& item : items) restart += "\n" + item;
    };
    section(kMovedHeading, left_.moved);
    section(kInUseHeading, left_.inUse);
    // Nothing left for anybody to do but restart is a success, as Windows Installer's 3010 is.
    Outcome outcome = Outcome::Success(kCompleted.In(language_) + restart);
    if (hadFailures_ || !left_.kept.empty()) {
        std::string text = kCompletedWithErrors.In(language_);
        if (!left_.kept.empty()) {
            text += "\n";
            text += kNotRemoved.In(language_);
            for (const std::string& item : left_.kept) text += "\n" + item;
        }
        outcome = Outcome::Failure(text + restart);
    }
    outcome.restartRequired = !left_.atRestart.empty();
    return outcome;
}

void Removal::Report(const char* status, int position) { feedback_.Progress(std::string(status), position, false); }

bool Removal::ReportFailure(const std::string& text, std::uint32_t error) {
    hadFailures_ = true;
    return feedback_.Result(Outcome::Failure(WithSpoolerRefusalCause(text, error, language_), error));
}

bool Removal::RemovePrinter(const std::string& printerName) {
    Spooler& spooler = app_.platform.spooler;
    Report("Enum Printer Drivers Ended", 20);

    Report("Open Exist Printer Started", 30);
    OpenQueue queue(spooler);
    if (std::uint32_t e = spooler.OpenLocalPrinter(printerName, queue.handle); e != 0) {
        queue.handle = 0;
        // Without a handle nothing more can be done for this queue.
        return !ReportFailure(
            Format("Failure to OpenPrinter(%s) GetLastError()=%d", printerName.c_str(), static_cast<int>(e)), e);
    }
    Report("Open Exist Printer Ended", 40);

    Report("Delete Printer Key Started", 50);
    // A key of the queue's printer data named after the queue. Whatever the call answers
    // (deleted, no such key, no such call on this system, refused) is no reason to keep the
    // queue, which goes with its data anyway; an unexpected answer is only traced.
    const std::uint32_t keyStatus = spooler.DeletePrinterDataKey(queue.handle, printerName);
    if (keyStatus != 0 && keyStatus != kErrorFileNotFound && keyStatus != kErrorCallNotImplemented) {
        app_.platform.debug.Output(
            Format("DeletePrinterKey(%s) GetLastError()=%d", printerName.c_str(), static_cast<int>(keyStatus)));
    }
    Report("Delete Printer Key Ended", 60);

    Report("Delete Printer Started", 65);
    PrinterInfo2 info;
    if (std::uint32_t e = spooler.GetPrinterInfo(queue.handle, info); e != 0) {
        // Without the queue's record its driver is unknown; deleting the queue alone would
        // leave the driver behind with no queue to find it by.
        queue.Close();
        return !ReportFailure(Format("Failure to GetPrinter GetLastError()=%d", static_cast<int>(e)), e);
    }
    const std::string driverName = info.driverName;
    // Kept under the queue's name, or under an earlier one when it was renamed since.
    const std::optional<QueueRecord> record = FindQueueRecord(registry_, spooler, printerName, driverName);
    const std::uint32_t deleteError = spooler.DeletePrinter(queue.handle);
    queue.Close();
    std::vector<PrinterInfo2> queues;
    bool listed = false;
    if (deleteError != 0) {
        if (ReportFailure(Format("Failure to DeletePrinter GetLastError()=%d", static_cast<int>(deleteError)),
                          deleteError))
            return false;
    } else {
        Report("Delete Printer Ended", 70);
        // The spooler keeps a queue that still has jobs or that someone holds open until they
        // are done. It is not gone: its driver, its record, the entry and the detection value
        // stay, so that a later removal finds it.
        listed = spooler.ListLocalPrinters(queues) == 0;
        if (!listed || std::any_of(queues.begin(), queues.end(), [&](const PrinterInfo2& q) {
                return SameQueueName(spooler, q.printerName, printerName);
            })) {
            left_.kept.push_back(Format(kPendingDeletion.In(language_), printerName.c_str(), driverName.c_str()));
            return true;
        }
        if (record) {
            if (RemoveCreatedPortIfUnused(registry_, spooler, *record)) {
                app_.platform.debug.Output("Standard TCP/IP port removed: " + record->port);
            }
            if (DeleteQueueRecord(registry_, record->queueName) != 0) {
                left_.kept.push_back(Format(kRecordKept.In(language_), record->queueName.c_str(), kQueueRecordsKey));
            }
        }
    }

    Report("Delete Printer Driver Started", 80);
    if (!RemoveDriverIfUnused(driverName, printerName, listed ? &queues : nullptr)) return false;
    Report("Delete Printer Driver Ended", 85);
    return true;
}

UsageSurvey& Removal::Survey(std::vector<PrinterInfo2> queues) {
    if (survey_) {
        survey_->QueuesListed(std::move(queues));
    } else {
        survey_.emplace(app_.platform.spooler, SpoolerEnvironment(app_.state.os.processor), language_,
                        std::move(queues));
    }
    return *survey_;
}

bool Removal::RemoveDriverIfUnused(const std::string& driverName, const std::string& printerName,
                                   const std::vector<PrinterInfo2>* listed) {
    Spooler& spooler = app_.platform.spooler;
    const std::string environment = SpoolerEnvironment(app_.state.os.processor);
    // The driver and its files stay while a queue or a print-server connection uses them. Ask
    // the lists: Wine deletes a driver in use without a word (no 3001). Nothing has changed
    // since the queue's deletion listed the queues.
    std::vector<PrinterInfo2> queues;
    if (listed != nullptr) {
        queues = *listed;
    } else if (std::uint32_t e = spooler.ListLocalPrinters(queues); e != 0) {
        return !ReportFailure(Format("Failure to EnumPrinters GetLastError()=%d", static_cast<int>(e)), e);
    }
    // The queue itself is still there (its deletion failed and was reported, or it is pending):
    // its driver stays with it, and nothing more needs saying.
    if (std::any_of(queues.begin(), queues.end(),
                    [&](const PrinterInfo2& q) { return SameQueueName(spooler, q.printerName, printerName); })) {
        return true;
    }
    UsageSurvey& survey = Survey(std::move(queues));
    if (std::optional<std::string> why = survey.DriverKept(driverName)) {
        // Another queue or a connection uses it, or they could not be listed (not a clean removal).
        (survey.Listed() ? left_.inUse : left_.kept).push_back(*why);
        return true;
    }
    if (!IsOwnDriverName(driverName)) {
        // A driver whose name only looks like a copy's belongs to whoever made it.
        left_.inUse.push_back(Format(kNotOurDriver.In(language_), driverName.c_str()));
        return true;
    }
    const std::uint32_t driverError = spooler.RemoveDriver(driverName, environment);
    if (driverError == kErrorPrinterDriverInUse) return true;
    if (driverError == kErrorNotSupported) {
        // Protected print mode: Windows removes third-party drivers itself and refuses the call.
        app_.platform.debug.Output(
            Format("%s: already removed by Windows (DeletePrinterDriver 50)", driverName.c_str()));
    } else if (driverError != 0) {
        return !ReportFailure(
            Format("Failure to DeletePrinterDriverEx GetLastError()=%d", static_cast<int>(driverError)), driverError);
    }
    // The drivers as they are after the deletion: while they cannot be listed, nothing says
    // whether another names the copy's files.
    left_.Append(DeleteNumberedFiles(spooler, files_, environment, app_.state.os.osFamily,
                                     LabelDriverNumber(driverName), language_));
    return true;
}

}  // namespace prinstall
