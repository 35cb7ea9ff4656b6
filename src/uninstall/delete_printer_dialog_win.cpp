#include "uninstall/delete_printer_dialog_win.h"

#include <commctrl.h>

#include "ui/dialog_win.h"
#include "resource.h"

namespace prinstall {

DeletePrinterDialogWin::DeletePrinterDialogWin(AppContext& app, Registry& registry, Files& files)
    : ui::Dialog(IDD_DELETE_PRINTER),
      rules_(app, registry, files, *this),
      resultDialog_(app.platform.systemInfo) {}

BOOL DeletePrinterDialogWin::onInit() {
    closeButton_.Attach(hwnd(), IDOK);
    cancelButton_.Attach(hwnd(), IDCANCEL);
    deleteButton_.Attach(hwnd(), IDC_DELETE_PRINTER);
    list_.attach(hwnd(), IDC_PRINTER_LIST);
    return rules_.OnInitDialog() ? TRUE : FALSE;
}

bool DeletePrinterDialogWin::onCommand(int id, int code, HWND control) {
    return rules_.OnCommand(id, code) || ui::Dialog::onCommand(id, code, control);
}

void DeletePrinterDialogWin::setProgressRange(int low, int high) {
    SendDlgItemMessageW(hwnd(), IDC_PROGRESS, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void DeletePrinterDialogWin::setProgressPos(int pos) {
    SendDlgItemMessageW(hwnd(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void DeletePrinterDialogWin::repaintNow() {
    // The dialog and its controls at once: the spooler calls that follow block this thread.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void DeletePrinterDialogWin::dressIconButton(int id, int iconId) {
    controls::IconButton* button = id == IDOK ? &closeButton_ : id == IDCANCEL ? &cancelButton_ : &deleteButton_;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
    SendMessageW(button->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    button->SetIcons(iconId, 32, 32, 0, 0, 0, 0, 0, 0);
    button->SetFlatLook(0, 1);
}

void DeletePrinterDialogWin::appMessageBox(const std::string& text) {
    ui::messageBox(hwnd(), text, ui::ApplicationTitle(), MB_OK | MB_ICONEXCLAMATION);
}

void DeletePrinterDialogWin::messageBox(const std::string& text, const std::string& caption) {
    ui::messageBox(hwnd(), text, caption, MB_OK);
}

int DeletePrinterDialogWin::showResult(const std::string& message, int outcome) {
    resultDialog_.message = message;
    resultDialog_.operation = kResultUninstallation;
    resultDialog_.outcome = outcome;
    // Owned by this dialog, so that it takes no clicks while the report is up.
    return resultDialog_.run(hwnd());
}

}  // namespace prinstall
