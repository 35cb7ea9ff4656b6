// The dots per inch a window is shown at, for artwork of a fitting size. The program is
// per-monitor DPI aware (its manifest says so), so a window's DPI is its monitor's.
#pragma once

#include <windows.h>

namespace prinstall::controls {

// GetDpiForWindow where user32 has it (Windows 10 1607 and later), looked up at run time;
// else the LOGPIXELSY of the window's device context (the system DPI).
UINT WindowDpi(HWND window);

// `size` in pixels at 96 DPI, scaled to the window's DPI (rounded).
int ScaleToWindow(HWND window, int size);

}  // namespace prinstall::controls
