// Window subclassing through the common controls (SetWindowSubclass, RemoveWindowSubclass,
// DefSubclassProc), looked up at run time. Version 6 of comctl32, which the manifest binds on
// Windows XP and later, exports them by name; the 5.8x of Windows 2000 only by ordinal (410,
// 412, 413), so a program importing them by name would not load there at all.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace prinstall::controls {

// The three functions of one comctl32, all or none (null).
struct SubclassFunctions {
    BOOL(WINAPI* install)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) = nullptr;
    BOOL(WINAPI* remove)(HWND, SUBCLASSPROC, UINT_PTR) = nullptr;
    LRESULT(WINAPI* next)(HWND, UINT, WPARAM, LPARAM) = nullptr;
};

// Looks them up in `module` by name, else by ordinal when its DllGetVersion says 5.80 or
// later (before 5.80 those ordinals are not the subclass functions).
SubclassFunctions FindSubclassFunctions(HMODULE module);

// As SetWindowSubclass; also false when the program's comctl32 has no subclassing.
bool InstallSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
// As RemoveWindowSubclass.
bool RemoveSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
// As DefSubclassProc, for a window that InstallSubclass subclassed.
LRESULT DefaultSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace prinstall::controls
