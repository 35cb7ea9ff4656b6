// Functions that older Windows lack, looked up at run time in a system library the program
// has loaded already (it imports kernel32 and user32), never in one loaded by name.
#pragma once

#include <windows.h>

namespace prinstall {

// The export `name` of the loaded system library `module`, or null where this Windows has none.
template <class Function>
Function SystemExport(const wchar_t* module, const char* name) {
    HMODULE loaded = GetModuleHandleW(module);
    if (loaded == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

// Sets `function` to the export `name` of `module` (a library the caller holds), or to null
// where it has none.
template <class Function>
void ResolveExport(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace prinstall
