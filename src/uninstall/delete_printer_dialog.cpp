#include "uninstall/delete_printer_dialog.h"

#include "core/label_drivers.h"
#include "core/platform_detection.h"
#include "core/spooler_guard.h"
#include "install/driver_files.h"
#include "ports/result_dialog.h"
#include "resource.h"

namespace prinstall {
namespace {

const char* const kCaptionKorean = "프린터 드라이버 삭제 창";
const char* const kCloseKorean = "확인";
const char* const kCancelKorean = "취소";
const char* const kSelectAllKorean = "전체 선택";
const char* const kDeletePrinterKorean = "드라이버 삭제";

const Text kNothingInstalled = {"Installed Printer Driver not exist", "현재 설치된 프린터 드라이버가 없습니다."};
const Text kNothingInstalledCaption = {"Uninstallation Error", "삭제 장애"};
const char* const kNothingChecked = "Select to uninstall Printer Driver !!!";
const char* const kNothingCheckedCaption = "Select Printer Driver Error";
const Text kCompleted = {"Uninstallation completed. ", "프린터 드라이버가 정상적으로 삭제되었습니다. "};
// After a failure the operator chose to go on from: the run ended, but not everything went.
const Text kCompletedWithErrors = {"Uninstallation finished with errors. ",
                                   "프린터 드라이버 삭제 중 오류가 발생했습니다. "};
const Text kNotRemoved = {"Not removed:", "삭제하지 못한 항목:"};
// The list is empty, yet an earlier installation left something that Delete printer removes.
const Text kLeftoversOnly = {"No printer is left. Delete printer removes what an earlier installation left behind.",
                             "남은 프린터가 없습니다. 드라이버 삭제를 누르면 이전 설치가 남긴 항목을 삭제합니다."};

constexpr int kButtonClicked = 0;  // BN_CLICKED
constexpr int kListSelChange = 1;  // LBN_SELCHANGE

// An open queue, closed on every way out unless closed before.
class OpenQueue {
public:
    explicit OpenQueue(Spooler& spooler) : spooler_(spooler) {}
    ~OpenQueue() { close(); }
    OpenQueue(const OpenQueue&) = delete;
    OpenQueue& operator=(const OpenQueue&) = delete;

    void close() {
        if (handle != 0) spooler_.closePrinter(handle);
        handle = 0;
    }
    Spooler::Printer handle = 0;

private:
    Spooler& spooler_;
};

}  // namespace

bool DeletePrinterDialog::OnInitDialog() {
    language_ = languageForCodePage(app_.platform.systemInfo.ansiCodePage());
    const bool korean = language_ == Language::Korean;
    if (korean) {
        view_.setTitle(kCaptionKorean);
        view_.setItemText(kOk, kCloseKorean);
        view_.setItemText(kCancel, kCancelKorean);
    }
    view_.enableItem(IDC_DELETE_PRINTER, false);
    view_.setProgressRange(0, 100);
    view_.setProgressPos(0);

    SpoolerGuard guard(app_.platform.services, app_.platform.clock, app_.platform.debug);
    if (!guard.EnsureSpoolerRunning(language_, [this](const std::string& text) { view_.appMessageBox(text); })) {
        // Open but empty: nothing can be listed without the spooler.
        return true;
    }

    if (FillPrinterList() == 0) {
        DetectPlatform(app_.platform.systemInfo, Numbering::Removal, app_.state.os);
        cleanupPending_ = MakeCleanup().FindLeftovers(app_.state.os.processor, korean).any();
        if (cleanupPending_) {
            view_.setItemText(IDC_STATUS, kLeftoversOnly.in(language_));
            view_.enableItem(IDC_DELETE_PRINTER, true);
        } else {
            view_.messageBox(kNothingInstalled.in(language_), kNothingInstalledCaption.in(language_));
            view_.endDialog(kCancel);
        }
    }

    view_.dressIconButton(kOk, IDI_CHECK);
    view_.dressIconButton(kCancel, IDI_CROSS);
    view_.dressIconButton(IDC_DELETE_PRINTER, IDI_UNINSTALL);
    if (korean) {
        view_.setItemText(IDC_SELECT_ALL, kSelectAllKorean);
        view_.setItemText(IDC_DELETE_PRINTER, kDeletePrinterKorean);
    }
    return true;
}

bool DeletePrinterDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_PRINTER_LIST:
            if (code != kListSelChange) return false;
            CountCheckedPrinters();
            return true;
        case IDC_SELECT_ALL:
            if (code != kButtonClicked) return false;
            OnSelectAll();
            return true;
        case IDC_DELETE_PRINTER:
            if (code != kButtonClicked) return false;
            OnDeletePrinter();
            return true;
        case kOk:
        case kCancel:
            if (code != kButtonClicked) return false;
            view_.endDialog(id);
            return true;
        default:
            return false;
    }
}

int DeletePrinterDialog::FillPrinterList() {
    std::vector<PrinterInfo2> queues;
    if (app_.platform.spooler.enumLocalPrinters(queues) != 0) return -2;
    listed_.clear();
    for (const PrinterInfo2& q : queues) {
        if (!IsLabelDriver(q.driverName)) continue;
        listed_.push_back(q.printerName);
        view_.listAdd(q.printerName);
    }
    return listedCount();
}

int DeletePrinterDialog::CountLabelQueues() {
    std::vector<PrinterInfo2> queues;
    if (app_.platform.spooler.enumLocalPrinters(queues) != 0) return -2;
    int count = 0;
    for (const PrinterInfo2& q : queues) count += IsLabelDriver(q.driverName) ? 1 : 0;
    return count;
}

int DeletePrinterDialog::CountCheckedPrinters() {
    int checked = 0;
    for (int i = 0; i < listedCount(); ++i) checked += view_.listChecked(i) ? 1 : 0;
    view_.enableItem(IDC_DELETE_PRINTER, checked != 0 || (cleanupPending_ && listedCount() == 0));
    return checked;
}

void DeletePrinterDialog::OnSelectAll() {
    for (int i = 0; i < listedCount(); ++i) view_.listSetChecked(i, true);
    view_.enableItem(IDC_DELETE_PRINTER, true);
}

Cleanup DeletePrinterDialog::MakeCleanup() {
    return Cleanup(app_.platform.spooler, registry_, files_, app_.platform.systemInfo, app_.platform.debug);
}

void DeletePrinterDialog::OnDeletePrinter() {
    const bool onlyCleanup = cleanupPending_ && listedCount() == 0;
    if (CountCheckedPrinters() == 0 && !onlyCleanup) {
        view_.messageBox(kNothingChecked, kNothingCheckedCaption);
        return;
    }
    DetectPlatform(app_.platform.systemInfo, Numbering::Removal, app_.state.os);

    runHadFailures_ = false;
    notRemoved_.clear();
    for (int n = listedCount() - 1; n >= 0; --n) {
        view_.enableItem(IDC_DELETE_PRINTER, false);
        if (!view_.listChecked(n)) continue;
        if (!RemovePrinter(listed_[static_cast<size_t>(n)])) {
            view_.endDialog(kCancel);
            return;
        }
    }

    if (CountLabelQueues() == 0) {
        for (const std::string& item : MakeCleanup().RemoveLeftovers(app_.state.os.processor, app_.state.os.osFamily,
                                                                      language_ == Language::Korean)) {
            notRemoved_.push_back(item);
        }
        cleanupPending_ = false;
    }

    view_.enableItem(IDC_DELETE_PRINTER, true);
    const bool failed = runHadFailures_ || !notRemoved_.empty();
    std::string message = (failed ? kCompletedWithErrors : kCompleted).in(language_);
    if (!notRemoved_.empty()) {
        message += "\n";
        message += kNotRemoved.in(language_);
        for (const std::string& item : notRemoved_) message += "\n" + item;
    }
    const int answer = view_.showResult(message, failed ? kResultError : kResultSuccess);
    view_.endDialog(answer == kResultOk ? kOk : kCancel);
}

void DeletePrinterDialog::Report(const char* status, int position) {
    view_.setItemText(IDC_STATUS, status);
    view_.setProgressPos(position);
    view_.repaintNow();
}

bool DeletePrinterDialog::ReportFailure(const std::string& text) {
    runHadFailures_ = true;
    return view_.showResult(text, kResultError) == kResultOk;
}

bool DeletePrinterDialog::RemovePrinter(const std::string& printerName) {
    Spooler& spooler = app_.platform.spooler;
    Report("Enum Printer Drivers Ended", 20);

    Report("Open Exist Printer Started", 30);
    OpenQueue queue(spooler);
    if (std::uint32_t e = spooler.openPrinter(printerName, queue.handle); e != 0) {
        queue.handle = 0;
        // Without a handle nothing more can be done for this queue.
        return !ReportFailure(format("Failure to OpenPrinter(%s) GetLastError()=%d", printerName.c_str(), static_cast<int>(e)));
    }
    Report("Open Exist Printer Ended", 40);

    Report("Delete Printer Key Started", 50);
    // A key of the queue's printer data named after the queue. Whatever the call answers
    // (deleted, no such key, no such call on this system, refused) is no reason to keep the
    // queue, which goes with its data anyway; an unexpected answer is only traced.
    const std::uint32_t keyStatus = spooler.deletePrinterKey(queue.handle, printerName);
    if (keyStatus != 0 && keyStatus != kErrorFileNotFound && keyStatus != kErrorCallNotImplemented) {
        app_.platform.debug.output(
            format("DeletePrinterKey(%s) GetLastError()=%d", printerName.c_str(), static_cast<int>(keyStatus)));
    }
    Report("Delete Printer Key Ended", 60);

    Report("Delete Printer Started", 65);
    PrinterInfo2 info;
    if (std::uint32_t e = spooler.getPrinter(queue.handle, info); e != 0) {
        // Without the queue's record its driver is unknown; deleting the queue alone would
        // leave the driver behind with no queue to find it by.
        queue.close();
        return !ReportFailure(format("Failure to GetPrinter GetLastError()=%d", static_cast<int>(e)));
    }
    const std::string driverName = info.driverName;
    const std::uint32_t deleteError = spooler.deletePrinter(queue.handle);
    queue.close();
    if (deleteError != 0) {
        if (ReportFailure(format("Failure to DeletePrinter GetLastError()=%d", static_cast<int>(deleteError)))) return false;
    } else {
        Report("Delete Printer Ended", 70);
    }

    Report("Delete Printer Driver Started", 80);
    if (!RemoveDriverIfUnused(driverName)) return false;
    Report("Delete Printer Driver Ended", 85);
    return true;
}

bool DeletePrinterDialog::RemoveDriverIfUnused(const std::string& driverName) {
    Spooler& spooler = app_.platform.spooler;
    // The driver and its files stay while another queue uses them. Ask the queue list: Wine
    // deletes a driver in use without a word (no 3001).
    std::vector<PrinterInfo2> queues;
    if (std::uint32_t e = spooler.enumLocalPrinters(queues); e != 0) {
        return !ReportFailure(format("Failure to EnumPrinters GetLastError()=%d", static_cast<int>(e)));
    }
    for (const PrinterInfo2& q : queues) {
        if (SameQueueName(q.driverName, driverName)) return true;
    }
    const std::string environment = SpoolerEnvironment(app_.state.os.processor);
    const std::uint32_t driverError = spooler.deletePrinterDriver(driverName, environment);
    if (driverError == kErrorPrinterDriverInUse) return true;
    if (driverError != 0) {
        return !ReportFailure(format("Failure to DeletePrinterDriverEx GetLastError()=%d", static_cast<int>(driverError)));
    }
    std::string directory;
    if (spooler.driverDirectory(environment, directory) != 0 || directory.empty()) return true;
    for (const std::string& left :
         DeleteNumberedFiles(files_, directory, app_.state.os.osFamily, LabelDriverNumber(driverName))) {
        notRemoved_.push_back(left);
    }
    return true;
}

}  // namespace prinstall
