// The driver removal dialog's window (template IDD_DELETE_PRINTER): the check list of
// label-printer queues, Select All, Delete printer and Close, the status line and progress
// bar, and a result dialog of its own. The rules live in delete_printer_dialog.h.
#pragma once

#include <windows.h>

#include "controls/icon_button_win.h"
#include "ui/complete_dialog_win.h"
#include "ui/check_list_box_win.h"
#include "ui/dialog_win.h"
#include "uninstall/delete_printer_dialog.h"

namespace prinstall {

class DeletePrinterDialogWin : public ui::ViewDialog<DeletePrinterView> {
public:
    DeletePrinterDialogWin(AppContext& app, Registry& registry, Files& files);

    // Runs the dialog modally: DeletePrinterDialog::kOk or kCancel, -1 when it could not be
    // created. The owner is disabled while it runs.
    int Run(HWND owner) { return static_cast<int>(RunModal(owner)); }

protected:
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    // DeletePrinterView
    void ListAdd(const std::string& text) override { list_.Add(text); }
    bool ListChecked(int index) override { return list_.Check(index) != 0; }
    void ListSetChecked(int index, bool checked) override { list_.SetCheck(index, checked ? 1 : 0); }
    int ShowResult(const std::string& message, int outcome) override;

    DeletePrinterDialog rules_;
    ui::CheckListBox list_;
    CompleteDialog resultDialog_;
};

}  // namespace prinstall
