#include "ports/port_dialog_win.h"

#include <utility>
#include <vector>

#include "platform/text_win.h"
#include "resource.h"
#include "ui/controls_win.h"

namespace prinstall {

PortInfoDialogWin::PortInfoDialogWin(AppContext& app)
    : ViewDialog(IDD_PORT_INFO),
      ipDialog_(app.platform.systemInfo, *app.platform.registry),
      rules_(app.platform, app.state, ipDialog_.rules(), *this) {}

int PortInfoDialogWin::run(HWND owner) { return static_cast<int>(runModal(owner)); }

BOOL PortInfoDialogWin::OnInit() {
    attachIconButton(IDOK);
    attachIconButton(IDCANCEL);
    rules_.OnInitDialog();
    return TRUE;
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
        endDialog(IDOK);
    else
        MessageBeep(MB_OK);
}

void PortInfoDialogWin::checkRadio(int id) {
    CheckRadioButton(hwnd(), IDC_PORT_RADIO_FIRST, IDC_PORT_RADIO_LAST, id);
    // Tab enters the interface group at the checked button, as the keyboard rules of radio
    // groups ask: the tab stop moves with the check. A family mark leaves it where it is.
    if (InterfaceForRadio(id) == nullptr) return;
    for (int kind = 0; kind <= static_cast<int>(PortInterface::DriverPort); ++kind) {
        HWND radio = item(InterfaceInfoOf(static_cast<PortInterface>(kind)).radioId);
        const LONG style = GetWindowLongW(radio, GWL_STYLE);
        const LONG wanted = GetDlgCtrlID(radio) == id ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        if (wanted != style) SetWindowLongW(radio, GWL_STYLE, wanted);
    }
}

void PortInfoDialogWin::listReset(int id) { ui::ComboBox(item(id)).resetContent(); }

void PortInfoDialogWin::listAdd(int id, const std::string& text) { ui::ComboBox(item(id)).addString(text); }

void PortInfoDialogWin::listSelect(int id, int index) { ui::ComboBox(item(id)).setCurSel(index); }

int PortInfoDialogWin::listSelection(int id) { return ui::ComboBox(item(id)).getCurSel(); }

int PortInfoDialogWin::listCount(int id) { return ui::ComboBox(item(id)).getCount(); }

std::string PortInfoDialogWin::listEntry(int id, int index) { return ui::ComboBox(item(id)).getLBText(index); }

void PortInfoDialogWin::showPicture(int bitmapId) {
    picture_.ReplaceControl(item(IDC_PORT_PICTURE));
    picture_.LoadBitmapResource(bitmapId);
    picture_.SetFitMode(controls::kFitInside);
}

int PortInfoDialogWin::runIpAddressDialog() { return ipDialog_.run(hwnd()); }

}  // namespace prinstall
