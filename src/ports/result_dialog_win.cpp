#include "ports/result_dialog_win.h"

#include <algorithm>

#include "resource.h"

namespace prinstall {

CompleteDialog::CompleteDialog(SystemInfo& systemInfo) : ui::Dialog(IDD_RESULT), systemInfo_(systemInfo) {}

int CompleteDialog::run(HWND owner) { return static_cast<int>(runModal(owner)); }

BOOL CompleteDialog::onInit() {
    okButton_.Attach(hwnd(), IDOK);
    InitResultDialog({message, operation, outcome}, systemInfo_.ansiCodePage(), *this);
    return TRUE;  // the dialog manager gives the OK button the focus
}

void CompleteDialog::dressOkButton(int iconId) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
    SendMessageW(okButton_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    okButton_.SetIcons(iconId, 32, 32, 0, 0, 0, 0, 0, 0);
    okButton_.SetFlatLook(0, 1);
}

bool CompleteDialog::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT client;
    GetClientRect(hwnd(), &client);
    const int height = client.bottom - client.top;
    // One-pixel rows across the full width; only those the paint request needs.
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    const COLORREF previous = GetDCBrushColor(dc);
    const int first = std::max<int>(0, ps.rcPaint.top - client.top);
    const int last = std::min<int>(height, ps.rcPaint.bottom - client.top);
    for (int row = first; row < last; ++row) {
        const auto colour = ResultRowColour(row, height, outcome);
        if (!colour) break;
        SetDCBrushColor(dc, RGB(colour->red, colour->green, colour->blue));
        const RECT line{client.left, client.top + row, client.right, client.top + row + 1};
        FillRect(dc, &line, brush);
    }
    SetDCBrushColor(dc, previous);
    EndPaint(hwnd(), &ps);
    return true;
}

HBRUSH CompleteDialog::onCtlColor(HDC dc, HWND, UINT msg) {
    // Labels, the group box and the check box all ask with WM_CTLCOLORSTATIC. Push buttons ask
    // with WM_CTLCOLORBTN; the OK button paints itself, so that request keeps the default.
    if (msg != WM_CTLCOLORSTATIC) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
}

}  // namespace prinstall
