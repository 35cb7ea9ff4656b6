#include "uninstall/delete_printer_dialog_win.h"

#include <commctrl.h>

#include "ui/dialog_win.h"
#include "resource.h"

namespace prinstall {

DeletePrinterDialogWin::DeletePrinterDialogWin(AppContext& app, Registry& registry, Files& files)
    : ViewDialog(IDD_DELETE_PRINTER), rules_(app, registry, files, *this), resultDialog_(app.platform.systemInfo) {}

BOOL DeletePrinterDialogWin::OnInit() {
    for (int id : {IDOK, IDCANCEL, IDC_DELETE_PRINTER}) AttachIconButton(id);
    SetProgressControl(IDC_PROGRESS);
    list_.Attach(Hwnd(), IDC_PRINTER_LIST);
    return rules_.OnInitDialog() ? TRUE : FALSE;
}

bool DeletePrinterDialogWin::OnCommand(int id, int code, HWND control) {
    if (rules_.OnCommand(id, code)) {
        // Delete printer is off while its run goes on: afterwards it shows the focus again
        // when there is more to remove, Close when not.
        if (id == IDC_DELETE_PRINTER && code == BN_CLICKED) FocusFirstUsable({IDC_DELETE_PRINTER, IDOK});
        return true;
    }
    return ui::Dialog::OnCommand(id, code, control);
}

int DeletePrinterDialogWin::ShowResult(const std::string& message, int outcome) {
    resultDialog_.message = message;
    resultDialog_.operation = kResultUninstallation;
    resultDialog_.outcome = outcome;
    // Owned by this dialog, so that it takes no clicks while the report is up.
    return resultDialog_.Run(Hwnd());
}

}  // namespace prinstall
