// Libraries of the system folder, loaded so that no file of the same name elsewhere can take
// their place: the program runs elevated from a folder ordinary users can often write to.
#pragma once

#include <windows.h>

namespace prinstall {

// Loads `name` (a bare file name such as L"winspool.drv") from the system folder, and the
// libraries it imports from there too. Null when it cannot be loaded; GetLastError says why.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace prinstall
