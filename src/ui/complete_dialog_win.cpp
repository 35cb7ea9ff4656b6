#include "ui/complete_dialog_win.h"

#include <algorithm>

#include "controls/system_colours_win.h"
#include "resource.h"

namespace prinstall {

CompleteDialog::CompleteDialog(SystemInfo& systemInfo) : ViewDialog(IDD_RESULT), systemInfo_(systemInfo) {}

int CompleteDialog::Run(HWND owner) { return static_cast<int>(RunModal(owner)); }

BOOL CompleteDialog::OnInit() {
    OnColoursChanged();
    AttachIconButton(IDOK);
    InitResultDialog({message, operation, outcome}, systemInfo_.AnsiCodePage(), *this);
    FitMessage();
    return TRUE;  // the dialog manager gives the OK button the focus
}

bool CompleteDialog::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Hwnd(), &ps);
    PaintBackground(dc);
    EndPaint(Hwnd(), &ps);
    return true;
}

bool CompleteDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    // A themed control (the group box, with common controls 6 and visual styles) has its
    // parent draw the background behind it through these two messages. Answering both with
    // the rows keeps the gradient whole behind the box; answering the erase also spares the
    // plain dialog colour flashing up before every paint.
    if (msg != WM_ERASEBKGND && msg != WM_PRINTCLIENT) return false;
    PaintBackground(reinterpret_cast<HDC>(wParam));
    result = TRUE;
    return true;
}

void CompleteDialog::OnColoursChanged() {
    palette_ = controls::ResultPainting(controls::HighContrastOn(), controls::CurrentSystemColours());
    plainBackground_.Reset(CreateSolidBrush(palette_.background));
}

namespace {

// A child window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

void CompleteDialog::FitMessage() {
    HWND label = Item(IDC_RESULT_MESSAGE);
    if (label == nullptr) return;
    const RECT line = ChildRect(Hwnd(), label);
    const int length = GetWindowTextLengthW(label);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(label, text.data(), length + 1);
    HDC dc = GetDC(label);
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, line.right - line.left, 0};
    DrawTextW(dc, text.c_str(), length, &needed, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, font);
    ReleaseDC(label, dc);
    const int grow = needed.bottom - (line.bottom - line.top);
    if (grow <= 0) return;
    // Controls below the line move down; those around it (the line, its group box) grow.
    for (HWND child = GetWindow(Hwnd(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = ChildRect(Hwnd(), child);
        if (r.top >= line.bottom) {
            SetWindowPos(child, nullptr, r.left, r.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (r.top <= line.top && r.bottom >= line.bottom) {
            SetWindowPos(child, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + grow,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    RECT window;
    GetWindowRect(Hwnd(), &window);
    SetWindowPos(Hwnd(), nullptr, 0, 0, window.right - window.left, window.bottom - window.top + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CompleteDialog::PaintBackground(HDC dc) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    if (!palette_.gradient) {
        FillRect(dc, &client, static_cast<HBRUSH>(plainBackground_.Get()));
        return;
    }
    const int height = client.bottom - client.top;
    // One-pixel rows across the full width; only those the DC may draw on.
    RECT clip;
    if (GetClipBox(dc, &clip) == ERROR) clip = client;
    const int first = std::max<int>(0, clip.top - client.top);
    const int last = std::min<int>(height, clip.bottom - client.top);
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    const COLORREF previous = GetDCBrushColor(dc);
    for (int row = first; row < last; ++row) {
        const auto colour = ResultRowColour(row, height, outcome);
        if (!colour) break;
        SetDCBrushColor(dc, RGB(colour->red, colour->green, colour->blue));
        const RECT line{client.left, client.top + row, client.right, client.top + row + 1};
        FillRect(dc, &line, brush);
    }
    SetDCBrushColor(dc, previous);
}

HBRUSH CompleteDialog::OnCtlColor(HDC dc, HWND, UINT msg) {
    // Labels, the group box and the check box all ask with WM_CTLCOLORSTATIC. Push buttons ask
    // with WM_CTLCOLORBTN; the OK button paints itself, so that request keeps the default.
    if (msg != WM_CTLCOLORSTATIC) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, palette_.text);
    return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
}

}  // namespace prinstall
