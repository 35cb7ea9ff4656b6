#include "app/main_dialog_win.h"

#include <commctrl.h>

#include "platform/text_win.h"
#include "ui/controls_win.h"
#include "resource.h"
#include "uninstall/delete_printer_dialog_win.h"

namespace prinstall {

MainDialogWin::MainDialogWin(AppContext& app)
    : ViewDialog(IDD_MAIN),
      app_(app),
      rules_(app, *this),
      installSteps_(app, rules_, [this] { return Hwnd(); }),
      resultDialog_(app.platform.systemInfo) {
    rules_.SetInstallSteps(&installSteps_);
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

MainDialogWin::~MainDialogWin() {
    if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

BOOL MainDialogWin::OnInit() {
    for (int id : {IDC_INSTALL, IDC_UNINSTALL, IDC_EXIT}) AttachIconButton(id);
    SetProgressControl(IDC_PROGRESS);
    cloneList_.Attach(Hwnd(), IDC_CLONE_LIST);
    if (!rules_.OnInitDialog()) return FALSE;
    // The edit boxes come first in the tab order, as the dialog reads; the dialog still
    // opens on its first button, which Enter and Space then press.
    return FocusFirstUsable({IDC_INSTALL, IDC_UNINSTALL, IDC_EXIT}) ? FALSE : TRUE;
}

bool MainDialogWin::OnCommand(int id, int code, HWND) {
    const bool handled = rules_.OnCommand(id, code);
    // A run turns the buttons off and on again, which leaves the focus nowhere: the button
    // that started it shows the focus again, or the next one the operator can use.
    if (handled && code == BN_CLICKED && (id == IDC_INSTALL || id == IDC_UNINSTALL))
        FocusFirstUsable({id, IDC_INSTALL, IDC_UNINSTALL, IDC_EXIT});
    return handled;
}

bool MainDialogWin::OnSysCommand(WPARAM command) { return rules_.OnSysCommand(static_cast<unsigned>(command)); }

bool MainDialogWin::OnPaint() {
    if (!IsIconic(Hwnd())) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Hwnd(), &ps);
    SendMessageW(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(Hwnd(), &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(Hwnd(), &ps);
    return true;
}

bool MainDialogWin::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg == WM_QUERYDRAGICON) {
        result = reinterpret_cast<LRESULT>(icon_);
        return true;
    }
    return false;
}

bool MainDialogWin::IsChecked(int id) { return IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED; }

void MainDialogWin::SetProgressStep(int step) { ui::ProgressBar(Item(IDC_PROGRESS)).SetStep(step); }

std::string MainDialogWin::LoadResourceString(int id) { return ui::LoadResourceString(id); }

void MainDialogWin::AppendSystemMenuItem(int commandId, const std::string& text) {
    HMENU menu = GetSystemMenu(Hwnd(), FALSE);
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(commandId), Widen(text).c_str());
}

void MainDialogWin::SetDialogIcon() {
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    if (smallIcon_ == nullptr) {
        smallIcon_ =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : icon_));
}

int MainDialogWin::ShowResult(const std::string& message, int operation, int outcome) {
    resultDialog_.message = message;
    resultDialog_.operation = operation;
    resultDialog_.outcome = outcome;
    return resultDialog_.Run(Hwnd());
}

int MainDialogWin::RunUninstall() {
    Platform& p = app_.platform;
    DeletePrinterDialogWin removal(app_, *p.registry, *p.files);
    return removal.Run(Hwnd());
}

void MainDialogWin::RunAboutBox() {
    ui::Dialog about(IDD_ABOUTBOX);
    about.RunModal(Hwnd());
}

}  // namespace prinstall
