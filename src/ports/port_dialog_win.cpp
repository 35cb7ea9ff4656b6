#include "ports/port_dialog_win.h"

#include <utility>
#include <vector>

#include "platform/text_win.h"
#include "resource.h"

namespace prinstall {

PortInfoDialog::PortInfoDialog(AppContext& app)
    : ui::Dialog(IDD_PORT_INFO),
      ipDialog_(app.platform.systemInfo, *app.platform.registry),
      rules_(app.platform, app.state, ipDialog_.rules(), *this) {}

int PortInfoDialog::run(HWND owner) { return static_cast<int>(runModal(owner)); }

BOOL PortInfoDialog::onInit() {
    okButton_.Attach(hwnd(), IDOK);
    exitButton_.Attach(hwnd(), IDCANCEL);
    rules_.OnInitDialog();
    return TRUE;
}

bool PortInfoDialog::onCommand(int id, int code, HWND control) {
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
    return ui::Dialog::onCommand(id, code, control);
}

void PortInfoDialog::onOk() {
    // Enter reaches here even while the OK button is disabled.
    if (rules_.OnOk()) endDialog(IDOK);
    else MessageBeep(MB_OK);
}

void PortInfoDialog::checkRadio(int id) {
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

void PortInfoDialog::listReset(int id) { SendDlgItemMessageW(hwnd(), id, CB_RESETCONTENT, 0, 0); }

void PortInfoDialog::listAdd(int id, const std::string& text) {
    SendDlgItemMessageW(hwnd(), id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
}

void PortInfoDialog::listSelect(int id, int index) {
    SendDlgItemMessageW(hwnd(), id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int PortInfoDialog::listSelection(int id) {
    const LRESULT selected = SendDlgItemMessageW(hwnd(), id, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

int PortInfoDialog::listCount(int id) {
    const LRESULT count = SendDlgItemMessageW(hwnd(), id, CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : static_cast<int>(count);
}

std::string PortInfoDialog::listEntry(int id, int index) {
    const LRESULT length = SendDlgItemMessageW(hwnd(), id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length == CB_ERR) return {};
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    SendDlgItemMessageW(hwnd(), id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return narrow(text.data());
}

void PortInfoDialog::showPicture(int bitmapId) {
    picture_.ReplaceControl(item(IDC_PORT_PICTURE));
    picture_.LoadBitmapResource(bitmapId);
    picture_.SetFitMode(controls::kFitInside);
}

void PortInfoDialog::dressButtons(int okIconId, int exitIconId) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
    for (auto [button, icon] : {std::pair{&okButton_, okIconId}, std::pair{&exitButton_, exitIconId}}) {
        SendMessageW(button->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        button->SetIcons(icon, 32, 32, 0, 0, 0, 0, 0, 0);
        button->SetFlatLook(0, 1);
    }
}

void PortInfoDialog::messageBox(const std::string& text) {
    // No caption: the system's default one.
    MessageBoxW(hwnd(), widen(text).c_str(), nullptr, MB_OK);
}

int PortInfoDialog::runIpAddressDialog() { return ipDialog_.run(hwnd()); }

}  // namespace prinstall
