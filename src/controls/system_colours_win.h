// What the system says about colours: whether high contrast is on, the system colours our
// painting uses, and which messages tell a window that either may have changed.
#pragma once

#include <windows.h>

#include "controls/system_colours.h"

namespace prinstall::controls {

bool HighContrastOn();
SystemColours CurrentSystemColours();

// WM_SYSCOLORCHANGE, WM_THEMECHANGED, and WM_SETTINGCHANGE for high contrast: the window
// must look at the colours again, rebuild what it made from them, and repaint.
bool ColoursChangedBy(UINT msg, WPARAM wParam);

}  // namespace prinstall::controls
