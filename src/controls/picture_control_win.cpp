#include "controls/picture_control_win.h"

#include <string>
#include <vector>

#include "controls/no_throw_win.h"
#include "controls/system_colours_win.h"

namespace prinstall::controls {

namespace {

constexpr wchar_t kClassName[] = L"PrinstallPicture";

bool RegisterPictureClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, kClassName, &existing)) return true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kClassName;
    // No class background: the paint routine covers every pixel itself.
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::wstring WindowTextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return text.data();
}

bool IsStatic(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpiW(name, L"Static") == 0;
}

}  // namespace

PictureControl::~PictureControl() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    ReleaseBitmap();
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
}

int PictureControl::ReplaceControl(HWND control) {
    if (!IsWindow(control)) return 0;
    HWND parent = GetParent(control);
    if (!IsWindow(parent)) return 0;

    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE));
    const std::wstring text = WindowTextOf(control);
    const int id = GetDlgCtrlID(control);
    HWND previous = GetWindow(control, GW_HWNDPREV);

    // A static control that shows a bitmap hands it over; our own window keeps what it has.
    HBITMAP taken = nullptr;
    if (control != hwnd_ && IsStatic(control)) {
        taken = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (taken) SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, 0);
    }
    // One window per control object: a window placed elsewhere before goes too.
    if (hwnd_ && hwnd_ != control) DestroyWindow(hwnd_);
    DestroyWindow(control);

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    if (!instance) instance = GetModuleHandleW(nullptr);
    if (!RegisterPictureClass(instance, StaticWindowProc)) return 0;
    HWND created =
        CreateWindowExW(exStyle, kClassName, text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (!created) return 0;
    // Back to the control's place in the z-order (and so in the tab order).
    if (previous && IsWindow(previous))
        SetWindowPos(created, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    else
        SetWindowPos(created, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    if (taken) {
        SetBitmap(taken, false);
        SetFitMode(kFitInside);
    } else {
        Layout(true);
    }
    return 1;
}

int PictureControl::LoadBitmapResource(int id, HINSTANCE module) {
    if (!module) module = GetModuleHandleW(nullptr);
    auto loaded =
        static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    SetBitmap(loaded, loaded != nullptr);
    return loaded != nullptr ? 1 : 0;
}

void PictureControl::SetBitmap(HBITMAP bitmap, bool owns) {
    if (bitmap != bitmap_) ReleaseBitmap();
    bitmap_ = bitmap;
    ownsBitmap_ = bitmap != nullptr && owns;
    BITMAP info{};
    if (bitmap && GetObjectW(bitmap, sizeof(info), &info) == sizeof(info)) {
        bitmapWidth_ = info.bmWidth;
        bitmapHeight_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    } else {
        bitmapWidth_ = bitmapHeight_ = 0;
    }
    source_ = {0, 0, bitmapWidth_, bitmapHeight_};
    Layout(true);
}

void PictureControl::SetFitMode(int mode) {
    if (mode == fitMode_) return;
    fitMode_ = mode;
    Layout(true);
}

void PictureControl::ReleaseBitmap() {
    if (twoToneMask_) DeleteObject(twoToneMask_);
    twoToneMask_ = nullptr;
    if (bitmap_ && ownsBitmap_) DeleteObject(bitmap_);
    bitmap_ = nullptr;
    ownsBitmap_ = false;
}

void PictureControl::Layout(bool repaint) {
    if (!hwnd_) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    layout_ = LayoutPicture(client.right, client.bottom, source_, fitMode_, layout_);
    if (repaint) InvalidateRect(hwnd_, nullptr, TRUE);
}

void PictureControl::RefreshColours() {
    palette_ = PicturePainting(HighContrastOn(), CurrentSystemColours());
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
    backgroundBrush_ = CreateSolidBrush(palette_.background);
}

HBITMAP PictureControl::TwoToneMask() {
    if (twoToneMask_ || !bitmap_) return twoToneMask_;
    HDC screen = GetDC(nullptr);
    HDC colour = CreateCompatibleDC(screen);
    HDC mono = CreateCompatibleDC(screen);
    HBITMAP mask = CreateBitmap(bitmapWidth_, bitmapHeight_, 1, 1, nullptr);
    if (colour && mono && mask) {
        HGDIOBJ oldColour = SelectObject(colour, bitmap_);
        HGDIOBJ oldMono = SelectObject(mono, mask);
        // Colour to one bit: pixels of the source's background colour become 1, all others 0.
        SetBkColor(colour, GetPixel(colour, 0, 0));
        BitBlt(mono, 0, 0, bitmapWidth_, bitmapHeight_, colour, 0, 0, SRCCOPY);
        SelectObject(mono, oldMono);
        SelectObject(colour, oldColour);
        twoToneMask_ = mask;
        mask = nullptr;
    }
    if (mask) DeleteObject(mask);
    if (mono) DeleteDC(mono);
    if (colour) DeleteDC(colour);
    ReleaseDC(nullptr, screen);
    return twoToneMask_;
}

void PictureControl::DrawPicture(HDC dc) {
    const Rect& dest = layout_.dest;
    HBITMAP source = palette_.twoTone ? TwoToneMask() : bitmap_;
    if (!source) return;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, source);
    if (palette_.twoTone) {
        // One bit to colour: 0 takes the text colour, 1 the background colour. Shrinking keeps
        // the ink of thin lines.
        SetTextColor(dc, palette_.ink);
        SetBkColor(dc, palette_.paper);
        SetStretchBltMode(dc, BLACKONWHITE);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);  // halftone needs the brush origin reset
    }
    StretchBlt(dc, dest.left, dest.top, dest.Width(), dest.Height(), memory, source_.left, source_.top, source_.Width(),
               source_.Height(), SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void PictureControl::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (IsWindowVisible(hwnd_)) {
        if (!backgroundBrush_) RefreshColours();
        RECT client{};
        GetClientRect(hwnd_, &client);
        const Rect& dest = layout_.dest;
        if (bitmap_ && dest.Width() > 0 && dest.Height() > 0) DrawPicture(dc);
        for (const Rect& band : UncoveredBands(dest, client.right, client.bottom)) {
            RECT r{band.left, band.top, band.right, band.bottom};
            FillRect(dc, &r, backgroundBrush_);
        }
    }
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK PictureControl::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<PictureControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<PictureControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self->hwnd_ == hwnd) self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return WithoutExceptions([&] { return self->WindowProc(msg, wParam, lParam); },
                             [&] { return DefWindowProcW(hwnd, msg, wParam, lParam); });
}

LRESULT PictureControl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (ColoursChangedBy(msg, wParam)) {
        RefreshColours();
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_SIZE: {
            const LRESULT result = DefWindowProcW(hwnd_, msg, wParam, lParam);
            Layout(true);
            return result;
        }
        case STM_GETIMAGE:
            // As a static control answers: the bitmap shown, for whoever replaces this window.
            return wParam == IMAGE_BITMAP ? reinterpret_cast<LRESULT>(bitmap_) : 0;
        default: return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

}  // namespace prinstall::controls
