#include "controls/system_colours_win.h"

namespace prinstall::controls {

namespace {

// WM_THEMECHANGED, which the headers name only for Windows XP targets.
constexpr UINT kThemeChanged = 0x031A;

}  // namespace

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

SystemColours CurrentSystemColours() {
    return {GetSysColor(COLOR_BTNFACE),      GetSysColor(COLOR_BTNTEXT),       GetSysColor(COLOR_BTNSHADOW),
            GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_WINDOW),        GetSysColor(COLOR_WINDOWTEXT),
            GetSysColor(COLOR_HIGHLIGHT),    GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_GRAYTEXT)};
}

bool ColoursChangedBy(UINT msg, WPARAM wParam) {
    return msg == WM_SYSCOLORCHANGE || msg == kThemeChanged ||
           (msg == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST);
}

}  // namespace prinstall::controls
