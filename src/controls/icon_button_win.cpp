#include "controls/icon_button_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include "controls/dpi_win.h"
#include "controls/no_throw_win.h"
#include "controls/reflect_win.h"
#include "controls/subclass_win.h"
#include "controls/system_colours_win.h"

namespace prinstall::controls {

namespace {

constexpr UINT_PTR kSubclassId = 0x49424E;  // any value unique among our subclasses
constexpr UINT_PTR kHoverTimerId = 1;
constexpr UINT kHoverTimerMs = 50;
constexpr int kMaxCaption = 255;
// WM_DPICHANGED_AFTERPARENT, which the headers name only for Windows 10 targets.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

void Fill(HDC dc, const Rect& r, HBRUSH brush) {
    RECT rc = ToRECT(r);
    FillRect(dc, &rc, brush);
}

}  // namespace

IconButton::IconButton() { RefreshColours(); }

void IconButton::RefreshColours() { palette_ = IconButtonPalette(HighContrastOn(), CurrentSystemColours()); }

IconButton::~IconButton() {
    if (hwnd_) {
        if (hoverTimer_) KillTimer(hwnd_, hoverTimer_);
        RemoveSubclass(hwnd_, SubclassProc, kSubclassId);
    }
    DestroyIcons();
}

bool IconButton::Attach(HWND dialog, int controlId) {
    if (hwnd_) return false;
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return false;
    if (!InstallSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    hwnd_ = control;
    OnAttached();
    return true;
}

void IconButton::OnAttached() {
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(hwnd_, GWL_STYLE));
    const StyleChange change = AttachStyle(style, state_.isDefault);
    state_.isDefault = change.isDefault;
    SetWindowLongW(hwnd_, GWL_STYLE, static_cast<LONG>(change.style));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int IconButton::SetIcons(int mainId, int mainW, int mainH, int restingId, int restingW, int restingH, int disabledId,
                         int disabledW, int disabledH) {
    requested_ = {{{mainId, mainW, mainH}, {restingId, restingW, restingH}, {disabledId, disabledW, disabledH}}};
    LoadIcons();
    return 0;
}

void IconButton::LoadIcons() {
    DestroyIcons();
    for (size_t i = 0; i < requested_.size(); ++i) {
        const IconRequest& r = requested_[i];
        if (r.id == 0) continue;
        // The icon files hold 16, 32, 48 and 64 pixel images: 32 at 96 DPI becomes 48 at 144
        // and 64 at 192, each drawn for its size rather than stretched.
        const int width = ScaleToWindow(hwnd_, r.width);
        const int height = ScaleToWindow(hwnd_, r.height);
        auto icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(r.id), IMAGE_ICON, width, height, 0));
        if (icon) icons_[i] = {icon, width, height};
    }
    // Resting and disabled icons only vary the main one; alone they are not shown.
    if (!icons_[kMainIcon].handle) DestroyIcons();
    Repaint();
}

int IconButton::SetFlatLook(int flat, int redraw) {
    state_.flat = flat != 0;
    if (redraw) Repaint();
    return 0;
}

LRESULT CALLBACK IconButton::SubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* button = reinterpret_cast<IconButton*>(self);
    return WithoutExceptions([&] { return button->WindowProc(msg, wParam, lParam); },
                             [&] { return button->Default(msg, wParam, lParam); });
}

LRESULT IconButton::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultSubclassProc(hwnd_, msg, wParam, lParam);
}

LRESULT IconButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (ColoursChangedBy(msg, wParam)) {
        // The dialog passes these on to its controls: the next paint uses the new colours.
        RefreshColours();
        Repaint();
    }
    switch (msg) {
        case kReflectedDrawItem: DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;

        case kReflectedCommand: return 0;  // the click is the dialog's to handle

        case WM_GETDLGCODE:
            return DialogCode(static_cast<std::uint32_t>(Default(msg, wParam, lParam)), state_.isDefault);

        case BM_SETSTYLE: {
            const StyleChange change = TrackSetStyle(static_cast<std::uint32_t>(wParam), state_.isDefault);
            state_.isDefault = change.isDefault;
            return Default(msg, change.style, lParam);
        }

        case WM_LBUTTONDBLCLK:
            // Owner-drawn buttons would report a double click instead of a second click.
            msg = WM_LBUTTONDOWN;
            [[fallthrough]];
        case WM_LBUTTONDOWN: SendMessageW(hwnd_, BM_SETSTATE, TRUE, 0); return Default(msg, wParam, lParam);

        case WM_MOUSEMOVE: {
            const LRESULT result = Default(msg, wParam, lParam);
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(hwnd_, &pt);
            const bool over = WindowFromPoint(pt) == hwnd_;
            if (HoverStarts(state_.flat, state_.hovering, (wParam & MK_LBUTTON) != 0, over)) {
                state_.hovering = true;
                InvalidateRect(hwnd_, nullptr, TRUE);
                hoverTimer_ = SetTimer(hwnd_, kHoverTimerId, kHoverTimerMs, nullptr);
            }
            return result;
        }

        case WM_TIMER:
            if (wParam == kHoverTimerId) {
                // We never ask for WM_MOUSELEAVE ourselves: this poll also sees the cursor leave
                // through a window that overlaps the button.
                POINT pt;
                RECT client;
                GetCursorPos(&pt);
                ScreenToClient(hwnd_, &pt);
                GetClientRect(hwnd_, &client);
                if (CursorLeft(ToRect(client), {pt.x, pt.y})) PostMessageW(hwnd_, WM_MOUSELEAVE, 0, 0);
                return 0;
            }
            break;

        case WM_MOUSELEAVE: EndHover(); break;

        case WM_KILLFOCUS:
        case WM_CANCELMODE: {
            const LRESULT result = Default(msg, wParam, lParam);
            EndHover();
            return result;
        }

        case WM_ACTIVATE: {
            const LRESULT result = Default(msg, wParam, lParam);
            if (LOWORD(wParam) == WA_INACTIVE) EndHover();
            return result;
        }

        case kDpiChangedAfterParent:
            // Moved to a monitor of another DPI: the icons of that size.
            LoadIcons();
            break;

        case WM_ENABLE: {
            const LRESULT result = Default(msg, wParam, lParam);
            if (!wParam) {
                MoveFocusAway();
                EndHover();
            }
            return result;
        }

        case WM_DESTROY:
            if (hoverTimer_) {
                KillTimer(hwnd_, hoverTimer_);
                hoverTimer_ = 0;
            }
            break;

        case WM_NCDESTROY: {
            HWND hwnd = hwnd_;
            RemoveSubclass(hwnd, SubclassProc, kSubclassId);
            hwnd_ = nullptr;
            // A later Attach starts from the new control's own style and state.
            state_.hovering = false;
            state_.isDefault = false;
            return DefaultSubclassProc(hwnd, msg, wParam, lParam);
        }
    }
    return Default(msg, wParam, lParam);
}

void IconButton::EndHover() {
    const HoverEnd end = controls::EndHover(state_.flat, state_.hovering, hoverTimer_ != 0);
    if (end.killTimer) {
        KillTimer(hwnd_, hoverTimer_);
        hoverTimer_ = 0;
    }
    if (end.clearAndRepaint) {
        state_.hovering = false;
        Repaint();
    }
}

void IconButton::MoveFocusAway() {
    // By now the system has taken the focus from the button if it had it, and the keyboard
    // has nothing: hand it on. Focus on another control stays where the operator put it.
    HWND focus = GetFocus();
    if (focus != nullptr && focus != hwnd_) return;
    HWND parent = GetParent(hwnd_);
    HWND next = GetNextDlgTabItem(parent, hwnd_, FALSE);
    SetFocus(next && next != hwnd_ ? next : parent);
}

void IconButton::Repaint() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void IconButton::DestroyIcons() {
    for (Icon& icon : icons_) {
        if (icon.handle) DestroyIcon(icon.handle);
        icon = {};
    }
}

IconSet IconButton::IconInfos() const {
    IconSet set{};
    for (int i = 0; i < 3; ++i) set[i] = {icons_[i].handle != nullptr, icons_[i].width, icons_[i].height};
    return set;
}

void IconButton::DrawButtonBackground(HDC dc, RECT* r) {
    HBRUSH brush = CreateSolidBrush(BackgroundColour(state_, palette_.states));
    FillRect(dc, r, brush);
    DeleteObject(brush);
}

void IconButton::DrawButtonBorder(HDC dc, RECT* r) {
    const Border kind = BorderKind(state_);
    if (kind == Border::None) return;
    const Edges3d e = BorderEdges(kind, ToRect(*r), palette_.edges);
    HBRUSH topLeft = CreateSolidBrush(e.topLeft);
    HBRUSH bottomRight = CreateSolidBrush(e.bottomRight);
    Fill(dc, e.top, topLeft);
    Fill(dc, e.left, topLeft);
    Fill(dc, e.right, bottomRight);
    Fill(dc, e.bottom, bottomRight);
    DeleteObject(topLeft);
    DeleteObject(bottomRight);
}

void IconButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    state_.pressed = (item.itemState & ODS_SELECTED) != 0;
    state_.focused = (item.itemState & ODS_FOCUS) != 0;
    state_.disabled = (item.itemState & ODS_DISABLED) != 0;

    SetBkMode(dc, TRANSPARENT);
    const Rect itemRect = ToRect(item.rcItem);
    const Frame frame = ButtonFrame(state_, itemRect);
    if (frame.black) {
        HBRUSH frameBrush = CreateSolidBrush(palette_.frame);
        FrameRect(dc, &item.rcItem, frameBrush);
        DeleteObject(frameBrush);
    }
    RECT r = ToRECT(frame.inner);
    DrawButtonBackground(dc, &r);
    DrawButtonBorder(dc, &r);

    wchar_t text[kMaxCaption + 1] = {};
    GetWindowTextW(hwnd_, text, kMaxCaption + 1);
    const bool hasCaption = text[0] != L'\0';

    const IconChoice choice = ChooseIcon(state_, IconInfos());
    const Icon* icon = nullptr;
    if (choice == IconChoice::Main) icon = &icons_[kMainIcon];
    if (choice == IconChoice::Resting) icon = &icons_[kRestingIcon];
    if (choice == IconChoice::Disabled) icon = &icons_[kDisabledIcon];

    const ContentLayout layout =
        LayOut(state_, itemRect, icon != nullptr, icon ? icon->width : 0, icon ? icon->height : 0, hasCaption);
    if (icon) DrawIconEx(dc, layout.icon.x, layout.icon.y, icon->handle, 0, 0, 0, nullptr, DI_NORMAL);

    if (hasCaption) {
        RECT measured = ToRECT(layout.caption);
        DrawTextW(dc, text, -1, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
        const Rect centred = CentreIn(layout.caption, ToRect(measured));
        const CaptionPasses passes = CaptionDrawing(state_, centred, palette_);
        SetBkColor(dc, passes.background);
        for (int i = 0; i < passes.count; ++i) {
            RECT where = ToRECT(passes.passes[i].where);
            SetTextColor(dc, passes.passes[i].text);
            DrawTextW(dc, text, -1, &where, DT_WORDBREAK | DT_CENTER);
        }
    }

    const FocusRect focus = FocusRectangle(state_, ToRect(r));
    if (focus.drawn) {
        RECT where = ToRECT(focus.where);
        DrawFocusRect(dc, &where);
    }
}

}  // namespace prinstall::controls
