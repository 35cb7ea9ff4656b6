#include "app/main_dialog.h"

#include "core/label_drivers.h"
#include "install/install_command.h"
#include "uninstall/removal.h"
#include "ports/result_dialog.h"
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
    view_.setItemText(IDC_COPY_COUNT, copyCountText_);
    view_.setItemText(IDC_DRIVER_NAME, driverNameText_);

    std::string aboutItem = view_.loadString(IDS_ABOUTBOX);
    if (!aboutItem.empty()) view_.appendSystemMenuItem(IDM_ABOUTBOX, aboutItem);
    view_.setDialogIcon();

    uiCodePage_ = app_.platform.systemInfo.ansiCodePage();
    language_ = languageForCodePage(uiCodePage_);
    if (language_ == Language::Korean) {
        for (const ControlText& c : kControlTexts) view_.setItemText(c.id, c.text.korean);
        view_.setTitle(kMainDialogTitle.korean);
    }

    view_.setProgressRange(0, 100);
    view_.setProgressStep(2);
    view_.setProgressPos(0);

    copyCount_ = 1;
    cloneMode_ = false;
    installed_.fill(false);

    SpoolerGuard guard(app_.platform.services, app_.platform.clock, app_.platform.debug);
    if (!guard.EnsureSpoolerRunning(language_, [this](const std::string& text) { ShowAppMessage(text); })) {
        // The dialog stays open but without content: no scan was made, so no name is proposed,
        // and the buttons keep their flat look without icons.
        view_.setItemText(IDC_DRIVER_NAME, "");
        return true;
    }

    RefreshDriverName();
    view_.dressIconButton(IDC_INSTALL, IDI_INSTALL);
    view_.dressIconButton(IDC_UNINSTALL, IDI_UNINSTALL);
    view_.dressIconButton(IDC_EXIT, IDI_EXIT);
    view_.showItem(IDC_UNINSTALL, labelDriverCount_ > 0 || HasLeftovers());
    return true;
}

bool MainDialog::HasLeftovers() {
    Platform& p = app_.platform;
    return p.registry != nullptr && p.files != nullptr && LeftoversRemain(app_, *p.registry, *p.files, language_);
}

bool MainDialog::OnSysCommand(unsigned commandId) {
    if ((commandId & 0xFFF0u) != IDM_ABOUTBOX) return false;
    view_.runAboutBox();
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
    void beginRun() override { steps_.beginRun(); }
    void endRun() override { steps_.endRun(); }
    bool choosePort(PortChoice& choice) override { return steps_.choosePort(choice); }
    bool runUsbStep(int& searchCounter) override {
        const bool goOn = steps_.runUsbStep(searchCounter);
        dialog_.view().repaintNow();
        return goOn;
    }
    void writeTcpIpPortValues(const std::string& address, const std::string& portKey) override {
        steps_.writeTcpIpPortValues(address, portKey);
        dialog_.view().repaintNow();
    }
    void setBusy(bool busy) override {
        dialog_.view().enableItem(IDC_INSTALL, !busy);
        dialog_.view().enableItem(IDC_EXIT, !busy);
        if (busy) dialog_.view().repaintNow();
    }
    void copyInstalled(const InstalledCopy& copy) override {
        dialog_.setLabelDriverCount(copy.labelDriverCount);
        dialog_.view().setItemText(IDC_DRIVER_NAME, copy.nextQueueName);
    }

private:
    MainDialog& dialog_;
    InstallSteps& steps_;
};

}  // namespace

void MainDialog::OnInstall() {
    if (installSteps_ == nullptr) return;
    setUiCodePage(app_.platform.systemInfo.ansiCodePage());
    DialogInstallSteps steps(*this, *installSteps_);
    InstallCommand command(app_, *this, steps);
    // The operator's name for the first queue; later copies take the numbered name, which the
    // field shows while the run goes on.
    const Outcome outcome = command.Run({copyCount_, view_.itemText(IDC_DRIVER_NAME), language_});
    if (outcome.ok()) {
        if (ShowResult(outcome.text, 0) == kDialogOk) {
            view_.setItemText(IDC_INSTALL, kCaptionAfterSuccess.in(language_));
            view_.showItem(IDC_UNINSTALL, true);
        }
        return;
    }
    if (outcome.shown) return;  // old Windows, or the USB search's own result
    if (ShowResult(outcome.text, 1) == kDialogOk) {
        view_.endDialog(kDialogCancel);  // the program ends
    } else if (command.copyFailed()) {
        view_.setItemText(IDC_INSTALL, kCaptionAfterFailure.in(language_));
    }
}

void MainDialog::OnExit() { view_.endDialog(kDialogCancel); }

void MainDialog::OnOk() {
    copyCountText_ = view_.itemText(IDC_COPY_COUNT);
    driverNameText_ = view_.itemText(IDC_DRIVER_NAME);
    view_.endDialog(kDialogOk);
}

int MainDialog::CountLabelDrivers() {
    labelDriverCount_ = 0;
    std::vector<PrinterInfo2> queues;
    if (app_.platform.spooler.enumLocalPrinters(queues) != 0) return -2;
    return ScanLabelDrivers(queues, app_.state.driverNumber);
}

void MainDialog::RefreshDriverName() {
    labelDriverCount_ = CountLabelDrivers();
    // When the queues cannot be listed nothing is known about the numbers in use: propose the
    // plain model name rather than a number that no scan has confirmed.
    int shownCount = labelDriverCount_ < 0 ? 0 : labelDriverCount_;
    view_.setItemText(IDC_DRIVER_NAME, ProposedQueueName(shownCount, app_.state.driverNumber));
}

void MainDialog::OnChangeCopyCount() {
    CopyCount parsed = ParseCopyCount(view_.itemText(IDC_COPY_COUNT));
    copyCount_ = parsed.value;
    if (parsed.clamped) view_.setItemText(IDC_COPY_COUNT, "500");
    view_.enableItem(IDC_INSTALL, copyCount_ >= 1);
}

void MainDialog::OnCloneDriver() {
    installed_.fill(false);
    cloneMode_ = view_.isChecked(IDC_CLONE_CHECK);
    view_.listReset();
    if (cloneMode_) {
        for (int i = 0; i < copyCount_; ++i) view_.listAdd(CloneEntry(true, i));
        MarkInstalledPrinters(copyCount_);
        for (int i = 0; i < copyCount_ && i < kListSize; ++i) {
            if (!installed_[static_cast<size_t>(i)]) {
                view_.listSetCheck(i, kChecked);
                chosen_[static_cast<size_t>(i)] = true;
            }
        }
        view_.enableItem(IDC_COPY_COUNT, true);
        view_.enableItem(IDC_INSTALL, true);
    } else {
        view_.enableItem(IDC_COPY_COUNT, false);
        view_.listAdd(CloneEntry(false, 0));
        MarkInstalledPrinters(1);
        view_.enableItem(IDC_INSTALL, false);
    }
}

void MainDialog::MarkInstalledPrinters(int entries) {
    std::vector<PrinterInfo2> queues;
    if (app_.platform.spooler.enumLocalPrinters(queues) != 0) {
        ShowDialogMessage(kEnumFailedText, kEnumFailedCaption);
        return;
    }
    for (const PrinterInfo2& q : queues) {
        for (int i = 0; i < entries && i < kListSize; ++i) {
            std::string entry = CloneEntry(cloneMode_, i);
            if (!SameQueueName(q.printerName, entry) || q.driverName != entry) continue;
            installed_[static_cast<size_t>(i)] = true;
            view_.listSetCheck(i, kChecked);
            view_.listSetCheck(i, kIndeterminate);
            if (language_ == Language::Korean && cloneMode_) {
                app_.platform.debug.output(
                    format("%d %s %s %s", i, entry.c_str(), q.printerName.c_str(), q.driverName.c_str()));
            }
        }
    }
}

void MainDialog::OnSelChangeDriverList() {
    int count = view_.listCount();
    int checked = 0;
    for (int i = 0; i < count; ++i) {
        if (view_.listCheck(i) > 0) ++checked;
    }
    view_.enableItem(IDC_INSTALL, checked >= 1);

    int current = view_.listCurrent();
    if (installed(current)) {
        // An installed entry cannot be cleared.
        view_.listSetCheck(current, kChecked);
        view_.listSetCheck(current, kIndeterminate);
        return;
    }
    for (int i = 0; i < kListSize; ++i) {
        chosen_[static_cast<size_t>(i)] = i < count && view_.listCheck(i) == kChecked;
    }
}

void MainDialog::ReportProgress(const std::optional<std::string>& status, int position, bool pause) {
    if (status) view_.setItemText(IDC_STATUS, *status);
    view_.setProgressPos(position);
    view_.repaintNow();
    if (pause) app_.platform.clock.sleep(500);
}

void MainDialog::ShowAppMessage(const std::string& text) { view_.appMessageBox(text); }

void MainDialog::ShowDialogMessage(const std::string& text, const std::string& caption) {
    view_.messageBox(text, caption);
}

int MainDialog::ShowResult(const std::string& message, int outcome) {
    resultMessage_ = message;
    return view_.showResult(resultMessage_, kResultInstallation, outcome);
}

// The Uninstallation button: the removal dialog runs modally, and when it ends with OK the
// Driver Name field and the button follow the label-printer queues left.
void MainDialog::OnUninstall() {
    if (view_.runUninstall() != kDialogOk) return;  // Escape, nothing installed, a stopped run
    labelDriverCount_ = CountLabelDrivers();
    // After a failed recount the number of the last scan is still the best proposal.
    view_.setItemText(IDC_DRIVER_NAME, labelDriverCount_ == -2
                                           ? format("%s %d", kModelName, app_.state.driverNumber)
                                           : ProposedQueueName(labelDriverCount_, app_.state.driverNumber));
    // Only a recount that found none, with nothing else left to remove, hides it; a failed
    // recount (-2) leaves it as it is.
    if (labelDriverCount_ == 0 && !HasLeftovers()) view_.showItem(IDC_UNINSTALL, false);
}

}  // namespace prinstall
