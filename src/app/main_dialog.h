// The main dialog's rules: start-up, the Driver Name proposal, the copy count, the clone
// option and the status reporting that the installation steps use.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/app_context.h"
#include "core/feedback.h"
#include "app/main_view.h"
#include "core/spooler_guard.h"
#include "core/texts.h"

namespace prinstall {

// The dialog's title; the template carries the English one.
inline constexpr Text kMainDialogTitle = {"TORVA EPL Printer Driver Installation / Uninstallation Program",
                                          "토르바스 EPL 프린터 드라이버 설치/삭제"};

class InstallSteps;

// The main dialog is the installation's and removal's Feedback while they run: its status
// line and progress bar, its message boxes and the result dialog.
class MainDialog : public Feedback {
public:
    MainDialog(AppContext& app, MainView& view) : app_(app), view_(view) {}

    // Message handlers. OnInitDialog returns true to let the dialog set the focus.
    bool OnInitDialog();
    // System menu command; true when handled here (the About item).
    bool OnSysCommand(unsigned commandId);
    // Control notification; true when handled.
    bool OnCommand(int id, int code);
    void OnExit();
    void OnOk();
    void OnCloneDriver();
    void OnChangeCopyCount();
    void OnSelChangeDriverList();
    // The Installation button: installs the copies (needs the install steps set first).
    void OnInstall();
    void SetInstallSteps(InstallSteps* steps) { installSteps_ = steps; }
    // The Uninstallation button: runs the removal dialog, then brings the Driver Name field
    // and the button up to date (src/uninstall/uninstall_command.cpp).
    void OnUninstall();

    // Status reporting for the installation steps.
    void ReportProgress(const std::optional<std::string>& status, int position, bool pause);
    void ShowAppMessage(const std::string& text);
    void ShowDialogMessage(const std::string& text, const std::string& caption);
    // Reports an installation's outcome (0 success, 1 error) with this message in the result
    // dialog; returns 1 when the operator pressed OK, 2 for Escape.
    int ShowResult(const std::string& message, int outcome);
    const std::string& ResultMessage() const { return resultMessage_; }

    // Feedback
    void Progress(const std::optional<std::string>& status, int position, bool pause) override {
        ReportProgress(status, position, pause);
    }
    void Message(const std::string& text, const std::string& caption) override {
        if (caption.empty())
            ShowAppMessage(text);
        else
            ShowDialogMessage(text, caption);
    }
    bool Result(const Outcome& outcome) override { return ShowResult(outcome.text, outcome.Ok() ? 0 : 1) == 1; }

    // Scans the local queues; sets the driver number and returns the count of numbered
    // label-printer queues, or -2 when the enumeration fails.
    void RefreshDriverName();
    // Whether an earlier run left something that only the removal can take away (a numbered
    // driver without its queue, the port monitor, the uninstall entry): the Uninstallation
    // button then stays available even with no label-printer queue.
    bool HasLeftovers();

    // For the installation steps that work on the dialog.
    MainView& View() { return view_; }
    void SetLabelDriverCount(int count) { labelDriverCount_ = count; }

    // Read by the installation and its tests.
    Language GetLanguage() const { return language_; }
    int GetCopyCount() const { return copyCount_; }
    int LabelDriverCount() const { return labelDriverCount_; }
    bool Chosen(int index) const { return index >= 0 && index < kListSize && chosen_[static_cast<size_t>(index)]; }
    bool Installed(int index) const {
        return index >= 0 && index < kListSize && installed_[static_cast<size_t>(index)];
    }
    // The two text fields as they were when the dialog closed with OK.
    const std::string& DriverNameText() const { return driverNameText_; }

    static constexpr int kListSize = 500;

private:
    // Checks the clone list items whose queue (printer and driver named alike) exists.
    void MarkInstalledPrinters(int entries);

    AppContext& app_;
    MainView& view_;
    Language language_ = Language::English;
    int copyCount_ = 1;
    bool cloneMode_ = false;
    int labelDriverCount_ = 0;
    std::array<bool, kListSize> installed_{};
    std::array<bool, kListSize> chosen_{};
    std::string copyCountText_ = "1";
    std::string driverNameText_ = "TORVA Label Printer";
    std::string resultMessage_;
    InstallSteps* installSteps_ = nullptr;
};

}  // namespace prinstall
