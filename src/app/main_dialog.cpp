#include "app/main_dialog.h"

#include "core/guarded_run.h"
#include "core/label_drivers.h"
#include "core/platform_detection.h"
#include "install/install_command.h"
#include "uninstall/removal.h"
#include "ui/complete_dialog.h"
#include "resource.h"

namespace prinstall {
namespace {

// Controls whose text changes with the language; the rest keep the template's English.
struct ControlText {
    int id;
    Text text;
};
const ControlText kControlTexts[] = {
    {IDC_INSTALL, {"Installation(&I)", "드라이버 설치"}},
    {IDC_UNINSTALL, {"Uninstallation(&U)", "드라이버 삭제"}},
    {IDC_EXIT, {"Exit(&E)", "종료"}},
    {IDC_PROGRESS_LABEL, {"Progress Status : ", "설치 진행 상태 :"}},
    {IDC_MODEL_GROUP, {"Model Information", "모델 정보"}},
    {IDC_MODEL_LABEL, {"Model Name     : ", "프린터 모델           :"}},
    {IDC_INSTALLER_VERSION_LABEL, {"Installer Version : ", "설치 프로그램 버젼 :"}},
    {IDC_DRIVER_VERSION_LABEL, {"Driver Version    : ", "설치 드라이버 버젼 :"}},
    {IDC_COPY_COUNT_LABEL, {"Number of Printer Driver to install : ", "설치할 드라이버 개수 : "}},
    {IDC_CLONE_GROUP, {"Printer Driver Cloning Option", "다중 드라이버 설치 옵션"}},
    {IDC_CLONE_CHECK, {"Clone Printer Driver", "다중 드라이버 설치"}},
};

const char* const kEnumFailedText = "EnumPrinters() failed";
const char* const kEnumFailedCaption = "EnumPrinters() Error";

constexpr int kChecked = 1;
constexpr int kIndeterminate = 2;

// Clone list entry i: the numbered driver names in clone mode, the plain model name otherwise.
// The numbered names go on past the tenth item, so a copy count above ten lists every copy.
std::string CloneEntry(bool cloneMode, int index) {
    return cloneMode ? LabelDriverName(index + 1) : std::string(kModelName);
}

}  // namespace

bool MainDialog::OnInitDialog() {
    view_.SetItemText(IDC_COPY_COUNT, copyCountText_);
    view_.SetItemText(IDC_DRIVER_NAME, driverNameText_);

    std::string aboutItem = view_.LoadResourceString(IDS_ABOUTBOX);
    if (!aboutItem.empty()) view_.AppendSystemMenuItem(IDM_ABOUTBOX, aboutItem);
    view_.SetDialogIcon();

    language_ = LanguageForCodePage(app_.platform.systemInfo.AnsiCodePage());
    if (language_ == Language::Korean) {
        for (const ControlText& c : kControlTexts) view_.SetItemText(c.id, c.text.korean);
        view_.SetTitle(kMainDialogTitle.korean);
    }

    view_.SetProgressRange(0, 100);
    view_.SetProgressStep(2);
    view_.SetProgressPos(0);

    copyCount_ = 1;
    cloneMode_ = false;
    installed_.fill(false);

    if (RunsOnArm64(app_.platform.systemInfo)) {
        // No driver of the media fits this machine, and none of ours can be installed here:
        // nothing is asked of the spooler, and the Installation button tells why.
        view_.SetItemText(IDC_DRIVER_NAME, "");
        view_.ShowItem(IDC_UNINSTALL, false);
        return true;
    }
    SpoolerGuard guard(app_.platform.services, app_.platform.clock, app_.platform.debug);
    if (!guard.EnsureSpoolerRunning(language_, [this](const std::string& text) { ShowAppMessage(text); })) {
        // The dialog stays open but without content: no scan was made, so no name is proposed,
        // and the buttons keep their flat look without icons.
        view_.SetItemText(IDC_DRIVER_NAME, "");
        return true;
    }

    RefreshDriverName();
    view_.DressIconButton(IDC_INSTALL, IDI_INSTALL);
    view_.DressIconButton(IDC_UNINSTALL, IDI_UNINSTALL);
    view_.DressIconButton(IDC_EXIT, IDI_EXIT);
    view_.ShowItem(IDC_UNINSTALL, labelDriverCount_ > 0 || HasLeftovers());
    return true;
}

bool MainDialog::HasLeftovers() {
    Platform& p = app_.platform;
    return p.registry != nullptr && p.files != nullptr && LeftoversRemain(app_, *p.registry, *p.files, language_);
}

bool MainDialog::OnSysCommand(unsigned commandId) {
    if ((commandId & 0xFFF0u) != IDM_ABOUTBOX) return false;
    view_.RunAboutBox();
    return true;
}

bool MainDialog::OnCommand(int id, int code) {
    constexpr int kButtonClicked = 0;   // BN_CLICKED
    constexpr int kEditChange = 0x300;  // EN_CHANGE
    constexpr int kListSelChange = 1;   // LBN_SELCHANGE
    switch (id) {
        case IDC_INSTALL:
            if (code != kButtonClicked) return false;
            OnInstall();
            return true;
        case IDC_UNINSTALL:
            if (code != kButtonClicked) return false;
            OnUninstall();
            return true;
        case IDC_EXIT:
            if (code != kButtonClicked) return false;
            OnExit();
            return true;
        case IDC_CLONE_CHECK:
            if (code != kButtonClicked) return false;
            OnCloneDriver();
            return true;
        case IDC_COPY_COUNT:
            if (code != kEditChange) return false;
            OnChangeCopyCount();
            return true;
        case IDC_DRIVER_NAME: return code == kEditChange;  // the operator may type any name; nothing to do
        case IDC_CLONE_LIST:
            if (code != kListSelChange) return false;
            OnSelChangeDriverList();
            return true;
        case kDialogOk: OnOk(); return true;
        case kDialogCancel: OnExit(); return true;
        default: return false;
    }
}

namespace {

const Text kCaptionAfterSuccess = {"Add Printer Driver", "드라이버 추가 설치"};
const Text kCaptionAfterFailure = {"Add new printer", "드라이버 추가 설치"};

// The front end's own steps of an installation, with the run's state shown in the dialog:
// buttons off while busy, the next queue's name and the count after every copy.
class DialogInstallSteps : public InstallSteps {
public:
    DialogInstallSteps(MainDialog& dialog, InstallSteps& steps) : dialog_(dialog), steps_(steps) {}
    void BeginRun() override { steps_.BeginRun(); }
    void EndRun() override { steps_.EndRun(); }
    bool ChoosePort(PortChoice& choice) override { return steps_.ChoosePort(choice); }
    bool RunUsbStep(int& searchCounter) override {
        const bool goOn = steps_.RunUsbStep(searchCounter);
        dialog_.View().RepaintNow();
        return goOn;
    }
    bool WriteTcpIpPortValues(const TcpIpPortSettings& settings) override {
        return steps_.WriteTcpIpPortValues(settings);
        dialog_.View().RepaintNow();
    }
    void SetBusy(bool busy) override {
        dialog_.View().EnableItem(IDC_INSTALL, !busy);
        dialog_.View().EnableItem(IDC_EXIT, !busy);
        if (busy) dialog_.View().RepaintNow();
    }
    void CopyInstalled(const InstalledCopy& copy) override {
        dialog_.SetLabelDriverCount(copy.labelDriverCount);
        dialog_.View().SetItemText(IDC_DRIVER_NAME, copy.nextQueueName);
    }

private:
    MainDialog& dialog_;
    InstallSteps& steps_;
};

}  // namespace

void MainDialog::OnInstall() {
    if (installSteps_ == nullptr) return;
    language_ = LanguageForCodePage(app_.platform.systemInfo.AnsiCodePage());
    DialogInstallSteps steps(*this, *installSteps_);
    InstallCommand command(app_, *this, steps);
    // The operator's name for the first queue; later copies take the numbered name, which the
    // field shows while the run goes on.
    const InstallRequest request{copyCount_, view_.ItemText(IDC_DRIVER_NAME), language_};
    bool ended = false;
    const Outcome outcome = RunGuarded(
        [&] {
            Outcome o = command.Run(request);
            ended = true;
            return o;
        },
        kInstallationStopped, language_, app_.platform.debug);
    if (!ended) {
        // The run broke off where it was: close what it opened and give the buttons back.
        steps.SetBusy(false);
        steps.EndRun();
    }
    if (outcome.Ok()) {
        if (ShowResult(outcome.text, 0) == kDialogOk) {
            view_.SetItemText(IDC_INSTALL, kCaptionAfterSuccess.In(language_));
            view_.ShowItem(IDC_UNINSTALL, true);
        }
        return;
    }
    if (outcome.shown) return;  // old Windows, or the USB search's own result
    if (ShowResult(outcome.text, 1) == kDialogOk) {
        view_.EndDialog(kDialogCancel);  // the program ends
    } else if (command.CopyFailed()) {
        view_.SetItemText(IDC_INSTALL, kCaptionAfterFailure.In(language_));
    }
}

void MainDialog::OnExit() { view_.EndDialog(kDialogCancel); }

void MainDialog::OnOk() {
    copyCountText_ = view_.ItemText(IDC_COPY_COUNT);
    driverNameText_ = view_.ItemText(IDC_DRIVER_NAME);
    view_.EndDialog(kDialogOk);
}

void MainDialog::RefreshDriverName() {
    labelDriverCount_ = CountLabelDrivers(app_.platform.spooler, app_.state.driverNumber);
    // When the queues cannot be listed nothing is known about the numbers in use: propose the
    // plain model name rather than a number that no scan has confirmed.
    int shownCount = labelDriverCount_ < 0 ? 0 : labelDriverCount_;
    view_.SetItemText(IDC_DRIVER_NAME, ProposedQueueName(shownCount, app_.state.driverNumber));
}

void MainDialog::OnChangeCopyCount() {
    CopyCount parsed = ParseCopyCount(view_.ItemText(IDC_COPY_COUNT));
    copyCount_ = parsed.value;
    if (parsed.clamped) view_.SetItemText(IDC_COPY_COUNT, "500");
    view_.EnableItem(IDC_INSTALL, copyCount_ >= 1);
}

void MainDialog::OnCloneDriver() {
    installed_.fill(false);
    cloneMode_ = view_.IsChecked(IDC_CLONE_CHECK);
    view_.ListReset();
    if (cloneMode_) {
        for (int i = 0; i < copyCount_; ++i) view_.ListAdd(CloneEntry(true, i));
        MarkInstalledPrinters(copyCount_);
        for (int i = 0; i < copyCount_ && i < kListSize; ++i) {
            if (!installed_[static_cast<size_t>(i)]) {
                view_.ListSetCheck(i, kChecked);
                chosen_[static_cast<size_t>(i)] = true;
            }
        }
        view_.EnableItem(IDC_COPY_COUNT, true);
        view_.EnableItem(IDC_INSTALL, true);
    } else {
        view_.EnableItem(IDC_COPY_COUNT, false);
        view_.ListAdd(CloneEntry(false, 0));
        MarkInstalledPrinters(1);
        view_.EnableItem(IDC_INSTALL, false);
    }
}

void MainDialog::MarkInstalledPrinters(int entries) {
    std::vector<PrinterInfo2> queues;
    if (app_.platform.spooler.ListLocalPrinters(queues) != 0) {
        ShowDialogMessage(kEnumFailedText, kEnumFailedCaption);
        return;
    }
    for (const PrinterInfo2& q : queues) {
        for (int i = 0; i < entries && i < kListSize; ++i) {
            std::string entry = CloneEntry(cloneMode_, i);
            if (!SameQueueName(app_.platform.spooler, q.printerName, entry) || q.driverName != entry) continue;
            installed_[static_cast<size_t>(i)] = true;
            view_.ListSetCheck(i, kChecked);
            view_.ListSetCheck(i, kIndeterminate);
            if (language_ == Language::Korean && cloneMode_) {
                app_.platform.debug.Output(
                    Format("%d %s %s %s", i, entry.c_str(), q.printerName.c_str(), q.driverName.c_str()));
            }
        }
    }
}

void MainDialog::OnSelChangeDriverList() {
    int count = view_.ListCount();
    int checked = 0;
    for (int i = 0; i < count; ++i) {
        if (view_.ListCheck(i) > 0) ++checked;
    }
    view_.EnableItem(IDC_INSTALL, checked >= 1);

    int current = view_.ListCurrent();
    if (Installed(current)) {
        // An installed entry cannot be cleared.
        view_.ListSetCheck(current, kChecked);
        view_.ListSetCheck(current, kIndeterminate);
        return;
    }
    for (int i = 0; i < kListSize; ++i) {
        chosen_[static_cast<size_t>(i)] = i < count && view_.ListCheck(i) == kChecked;
    }
}

void MainDialog::ReportProgress(const std::optional<std::string>& status, int position, bool pause) {
    if (status) view_.SetItemText(IDC_STATUS, *status);
    view_.SetProgressPos(position);
    view_.RepaintNow();
    if (pause) app_.platform.clock.Sleep(500);
}

void MainDialog::ShowAppMessage(const std::string& text) { view_.AppMessageBox(text); }

void MainDialog::ShowDialogMessage(const std::string& text, const std::string& caption) {
    view_.CaptionedMessageBox(text, caption);
}

int MainDialog::ShowResult(const std::string& message, int outcome) {
    resultMessage_ = message;
    return view_.ShowResult(resultMessage_, kResultInstallation, outcome);
}

// The Uninstallation button: the removal dialog runs modally, and when it ends with OK the
// Driver Name field and the button follow the label-printer queues left.
void MainDialog::OnUninstall() {
    if (view_.RunUninstall() != kDialogOk) return;  // Escape, nothing installed, a stopped run
    labelDriverCount_ = CountLabelDrivers(app_.platform.spooler, app_.state.driverNumber);
    // After a failed recount the number of the last scan is still the best proposal.
    view_.SetItemText(IDC_DRIVER_NAME, labelDriverCount_ == -2
                                           ? NextQueueName(app_.state.driverNumber)
                                           : ProposedQueueName(labelDriverCount_, app_.state.driverNumber));
    // Only a recount that found none, with nothing else left to remove, hides it; a failed
    // recount (-2) leaves it as it is.
    if (labelDriverCount_ == 0 && !HasLeftovers()) view_.ShowItem(IDC_UNINSTALL, false);
}

}  // namespace prinstall
