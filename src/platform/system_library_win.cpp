#include "platform/system_library_win.h"

#include <string>

#include "platform/system_export_win.h"

namespace prinstall {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    // LOAD_LIBRARY_SEARCH_SYSTEM32 searches the system folder alone, for the library and for
    // what it imports. Systems that understand it have AddDllDirectory (Windows 8 and later;
    // Vista, 7 and Server 2008 with the KB2533623 update); older ones refuse the flag.
    constexpr DWORD kSearchSystem32 = 0x00000800;
    if (SystemExport<FARPROC>(L"kernel32.dll", "AddDllDirectory") != nullptr) {
        if (HMODULE library = LoadLibraryExW(name, nullptr, kSearchSystem32)) return library;
    }
    // Elsewhere by its full path in the system folder. LOAD_WITH_ALTERED_SEARCH_PATH makes the
    // libraries it imports come from that folder first rather than from the program's.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryExW((std::wstring(folder) + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace prinstall
