// The main dialog's window: turns Win32 messages into calls of the MainDialog rules and those
// rules' requests into control updates.
#pragma once

#include <memory>

#include "app/install_steps_win.h"
#include "app/main_dialog.h"
#include "app/main_view.h"
#include "controls/icon_button_win.h"
#include "ui/complete_dialog_win.h"
#include "ui/check_list_box_win.h"
#include "ui/dialog_win.h"

namespace prinstall {

class MainDialogWin : public ui::ViewDialog<MainView> {
public:
    explicit MainDialogWin(AppContext& app);
    ~MainDialogWin() override;

    // MainView
    bool IsChecked(int id) override;
    void SetProgressStep(int step) override;
    std::string LoadResourceString(int id) override;
    void AppendSystemMenuItem(int commandId, const std::string& text) override;
    void SetDialogIcon() override;
    int ShowResult(const std::string& message, int operation, int outcome) override;
    void RunAboutBox() override;
    int RunUninstall() override;
    void ListReset() override { cloneList_.Reset(); }
    void ListAdd(const std::string& text) override { cloneList_.Add(text); }
    int ListCount() override { return cloneList_.Count(); }
    int ListCurrent() override { return cloneList_.Current(); }
    int ListCheck(int index) override { return cloneList_.Check(index); }
    void ListSetCheck(int index, int state) override { cloneList_.SetCheck(index, state); }

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
