// The main dialog's window: turns Win32 messages into calls of the MainDialog rules and those
// rules' requests into control updates.
#pragma once

#include <memory>

#include "app/install_steps_win.h"
#include "app/main_dialog.h"
#include "app/main_view.h"
#include "controls/icon_button_win.h"
#include "ports/result_dialog_win.h"
#include "ui/check_list_box_win.h"
#include "ui/dialog_win.h"

namespace prinstall {

class MainDialogWin : public ui::ViewDialog<MainView> {
public:
    explicit MainDialogWin(AppContext& app);
    ~MainDialogWin() override;

    MainDialog& rules() { return rules_; }

    // MainView
    bool isChecked(int id) override;
    void setProgressStep(int step) override;
    std::string loadString(int id) override;
    void appendSystemMenuItem(int commandId, const std::string& text) override;
    void setDialogIcon() override;
    int showResult(const std::string& message, int operation, int outcome) override;
    void runAboutBox() override;
    int runUninstall() override;
    void listReset() override { cloneList_.reset(); }
    void listAdd(const std::string& text) override { cloneList_.add(text); }
    int listCount() override { return cloneList_.count(); }
    int listCurrent() override { return cloneList_.current(); }
    int listCheck(int index) override { return cloneList_.check(index); }
    void listSetCheck(int index, int state) override { cloneList_.setCheck(index, state); }

protected:
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnSysCommand(WPARAM command) override;
    bool OnPaint() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    AppContext& app_;
    MainDialog rules_;
    InstallStepsWin installSteps_;
    HICON icon_ = nullptr;       // shared resource icon: not destroyed
    HICON smallIcon_ = nullptr;  // loaded at the small size: ours to destroy
    ui::CheckListBox cloneList_;
    CompleteDialog resultDialog_;
};

}  // namespace prinstall
