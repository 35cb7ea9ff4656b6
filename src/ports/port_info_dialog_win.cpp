#include "ports/port_info_dialog_win.h"

#include <utility>
#include <vector>

#include "platform/text_win.h"
#include "resource.h"
#include "ui/controls_win.h"

namespace prinstall {

PortInfoDialogWin::PortInfoDialogWin(AppContext& app)
    : ViewDialog(IDD_PORT_INFO),
      ipDialog_(app.platform.systemInfo, *app.platform.registry),
      rules_(app.platform, app.state, ipDialog_.Rules(), *this) {}

int PortInfoDialogWin::Run(HWND owner) { return static_cast<int>(RunModal(owner)); }

BOOL PortInfoDialogWin::OnInit() {
    AttachIconButton(IDOK);
    AttachIconButton(IDCANCEL);
    rules_.OnInitDialog();
    // OK comes late in the tab order, as the dialog reads, yet the dialog opens on it while
    // it is usable; otherwise on the first tab stop.
    return FocusFirstUsable({IDOK}) ? FALSE : TRUE;
}

bool PortInfoDialogWin::OnCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED && InterfaceForRadio(id) != nullptr) {
        rules_.OnInterface(id);
        return true;
    }
    if (code == CBN_SELCHANGE && id == IDC_PORT_CODE_PAGE) {
        rules_.OnSelchangeCodePage();
        return true;
    }
    if (code == CBN_SELCHANGE && id == IDC_PORT_LIST) {
        rules_.OnSelchangePort();
        return true;
    }
    return ui::Dialog::OnCommand(id, code, control);
}

void PortInfoDialogWin::OnOk() {
    // Enter reaches here even while the OK button is disabled.
    if (rules_.OnOk())
        EndDialog(IDOK);
    else
        MessageBeep(MB_OK);
}

void PortInfoDialogWin::CheckRadio(int id) {
    CheckRadioButton(Hwnd(), IDC_PORT_RADIO_FIRST, IDC_PORT_RADIO_LAST, id);
    // Tab enters the interface group at the checked button, as the keyboard rules of radio
    // groups ask: the tab stop moves with the check. A family mark leaves it where it is.
    if (InterfaceForRadio(id) == nullptr) return;
    for (int choice = 0; choice <= static_cast<int>(InterfaceChoice::DriverPort); ++choice) {
        HWND radio = Item(InterfaceInfoOf(static_cast<InterfaceChoice>(choice)).radioId);
        const LONG style = GetWindowLongW(radio, GWL_STYLE);
        const LONG wanted = GetDlgCtrlID(radio) == id ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        if (wanted != style) SetWindowLongW(radio, GWL_STYLE, wanted);
    }
}

void PortInfoDialogWin::ListReset(int id) { ui::ComboBox(Item(id)).ResetContent(); }

void PortInfoDialogWin::ListAdd(int id, const std::string& text) { ui::ComboBox(Item(id)).AddString(text); }

void PortInfoDialogWin::ListSelect(int id, int index) { ui::ComboBox(Item(id)).SetCurSel(index); }

int PortInfoDialogWin::ListSelection(int id) { return ui::ComboBox(Item(id)).GetCurSel(); }

std::string PortInfoDialogWin::ListEntry(int id, int index) { return ui::ComboBox(Item(id)).GetLbText(index); }

void PortInfoDialogWin::ShowPicture(int bitmapId) {
    picture_.ReplaceControl(Item(IDC_PORT_PICTURE));
    picture_.LoadBitmapResource(bitmapId);
    picture_.SetFitMode(controls::kFitInside);
}

int PortInfoDialogWin::RunIpAddressDialog() { return ipDialog_.Run(Hwnd()); }

}  // namespace prinstall
