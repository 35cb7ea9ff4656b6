#include "controls/dpi_win.h"

#include "platform/system_export_win.h"

namespace prinstall::controls {
namespace {

// The DPI that sizes in dialog templates and pictures are given for (USER_DEFAULT_SCREEN_DPI,
// which the Windows 2000 headers do not define).
constexpr UINT kDefaultDpi = 96;

}  // namespace

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    // user32 is loaded already (the program imports it): no library is loaded by name here.
    static const auto getDpiForWindow = SystemExport<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return dpi;
    }
    HDC dc = GetDC(window);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc != nullptr) ReleaseDC(window, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

int ScaleToWindow(HWND window, int size) { return MulDiv(size, static_cast<int>(WindowDpi(window)), kDefaultDpi); }

}  // namespace prinstall::controls
