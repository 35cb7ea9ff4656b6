#include "uninstall/delete_printer_dialog.h"

#include "core/guarded_run.h"
#include "core/label_drivers.h"
#include "core/spooler_guard.h"
#include "core/driver_files.h"
#include "ui/complete_dialog.h"
#include "resource.h"
#include "uninstall/removal.h"

namespace prinstall {
namespace {

const char* const kCaptionKorean = "프린터 드라이버 삭제 창";
const char* const kCloseKorean = "확인";
const char* const kCancelKorean = "취소";
const char* const kSelectAllKorean = "전체 선택";
const char* const kDeletePrinterKorean = "드라이버 삭제";
const char* const kPrinterListKorean = "프린터 목록 :";

const Text kNothingInstalledCaption = {"Uninstallation Error", "삭제 장애"};
const char* const kNothingChecked = "Select to uninstall Printer Driver !!!";
const char* const kNothingCheckedCaption = "Select Printer Driver Error";
// The list is empty, yet an earlier installation left something that Delete printer removes.
const Text kLeftoversOnly = {"No printer is left. Delete printer removes what an earlier installation left behind.",
                             "남은 프린터가 없습니다. 드라이버 삭제를 누르면 이전 설치가 남긴 항목을 삭제합니다."};

constexpr int kButtonClicked = 0;  // BN_CLICKED
constexpr int kListSelChange = 1;  // LBN_SELCHANGE

}  // namespace

bool DeletePrinterDialog::OnInitDialog() {
    language_ = LanguageForCodePage(app_.platform.systemInfo.AnsiCodePage());
    const bool korean = language_ == Language::Korean;
    if (korean) {
        view_.SetTitle(kCaptionKorean);
        view_.SetItemText(kOk, kCloseKorean);
        view_.SetItemText(kCancel, kCancelKorean);
        view_.SetItemText(IDC_PRINTER_LIST_LABEL, kPrinterListKorean);
    }
    view_.EnableItem(IDC_DELETE_PRINTER, false);
    view_.SetProgressRange(0, 100);
    view_.SetProgressPos(0);

    SpoolerGuard guard(app_.platform.services, app_.platform.clock, app_.platform.debug);
    if (!guard.EnsureSpoolerRunning(language_, [this](const std::string& text) { view_.AppMessageBox(text); })) {
        // Open but empty: nothing can be listed without the spooler.
        return true;
    }

    if (FillPrinterList() == 0) {
        cleanupPending_ = LeftoversRemain(app_, registry_, files_, language_);
        if (cleanupPending_) {
            view_.SetItemText(IDC_STATUS, kLeftoversOnly.In(language_));
            view_.EnableItem(IDC_DELETE_PRINTER, true);
        } else {
            view_.CaptionedMessageBox(kNothingInstalled.In(language_), kNothingInstalledCaption.In(language_));
            view_.EndDialog(kCancel);
        }
    }

    view_.DressIconButton(kOk, IDI_CHECK);
    view_.DressIconButton(kCancel, IDI_CROSS);
    view_.DressIconButton(IDC_DELETE_PRINTER, IDI_UNINSTALL);
    if (korean) {
        view_.SetItemText(IDC_SELECT_ALL, kSelectAllKorean);
        view_.SetItemText(IDC_DELETE_PRINTER, kDeletePrinterKorean);
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
            view_.EndDialog(id);
            return true;
        default: return false;
    }
}

int DeletePrinterDialog::FillPrinterList() {
    std::optional<std::vector<std::string>> names = LabelQueueNames(app_.platform.spooler);
    if (!names) return -2;
    listed_ = *names;
    for (const std::string& name : listed_) view_.ListAdd(name);
    return ListedCount();
}

int DeletePrinterDialog::CountCheckedPrinters() {
    int checked = 0;
    for (int i = 0; i < ListedCount(); ++i) checked += view_.ListChecked(i) ? 1 : 0;
    view_.EnableItem(IDC_DELETE_PRINTER, checked != 0 || (cleanupPending_ && ListedCount() == 0));
    return checked;
}

void DeletePrinterDialog::OnSelectAll() {
    for (int i = 0; i < ListedCount(); ++i) view_.ListSetChecked(i, true);
    view_.EnableItem(IDC_DELETE_PRINTER, true);
}

void DeletePrinterDialog::OnDeletePrinter() {
    const bool onlyCleanup = cleanupPending_ && ListedCount() == 0;
    if (CountCheckedPrinters() == 0 && !onlyCleanup) {
        view_.CaptionedMessageBox(kNothingChecked, kNothingCheckedCaption);
        return;
    }
    // The ticked entries, last entry first.
    std::vector<std::string> queues;
    for (int n = ListedCount() - 1; n >= 0; --n) {
        if (view_.ListChecked(n)) queues.push_back(listed_[static_cast<size_t>(n)]);
    }
    view_.EnableItem(IDC_DELETE_PRINTER, false);
    Removal removal(app_, registry_, files_, *this, language_);
    const Outcome outcome =
        RunGuarded([&] { return removal.Run(queues); }, kRemovalStopped, language_, app_.platform.debug);
    if (removal.Stopped()) {
        view_.EndDialog(kCancel);
        return;
    }
    cleanupPending_ = false;
    view_.EnableItem(IDC_DELETE_PRINTER, true);
    view_.EndDialog(Result(outcome) ? kOk : kCancel);
}

void DeletePrinterDialog::Progress(const std::optional<std::string>& status, int position, bool) {
    if (status) view_.SetItemText(IDC_STATUS, *status);
    view_.SetProgressPos(position);
    view_.RepaintNow();
}

bool DeletePrinterDialog::Result(const Outcome& outcome) {
    return view_.ShowResult(outcome.text, outcome.Ok() ? kResultSuccess : kResultError) == kDialogOk;
}

}  // namespace prinstall
