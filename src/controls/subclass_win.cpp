#include "controls/subclass_win.h"

#include <shlwapi.h>

namespace prinstall::controls {
namespace {

constexpr WORD kSetWindowSubclassOrdinal = 410;
constexpr WORD kRemoveWindowSubclassOrdinal = 412;
constexpr WORD kDefSubclassProcOrdinal = 413;

bool OrdinalsHoldSubclassing(HMODULE module) {
    auto getVersion =
        reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
    if (getVersion == nullptr) return false;
    DLLVERSIONINFO version = {};
    version.cbSize = sizeof version;
    if (FAILED(getVersion(&version))) return false;
    return version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 80);
}

template <class Function>
void Find(HMODULE module, const char* name, WORD ordinal, bool byOrdinal, Function& function) {
    FARPROC found = GetProcAddress(module, name);
    if (found == nullptr && byOrdinal) found = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// The comctl32 that the program's own import was bound to: version 6 through the manifest,
// else the system's. It is found by an address inside it rather than by name, as both
// versions may be loaded (other system libraries use the system's) and GetModuleHandle may
// name either.
HMODULE ProgramCommonControls() {
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(reinterpret_cast<const void*>(&InitCommonControlsEx), &region, sizeof region) == 0) return nullptr;
    return static_cast<HMODULE>(region.AllocationBase);
}

const SubclassFunctions& Functions() {
    static const SubclassFunctions functions = FindSubclassFunctions(ProgramCommonControls());
    return functions;
}

}  // namespace

SubclassFunctions FindSubclassFunctions(HMODULE module) {
    SubclassFunctions f;
    if (module == nullptr) return f;
    const bool byOrdinal = OrdinalsHoldSubclassing(module);
    Find(module, "SetWindowSubclass", kSetWindowSubclassOrdinal, byOrdinal, f.install);
    Find(module, "RemoveWindowSubclass", kRemoveWindowSubclassOrdinal, byOrdinal, f.remove);
    Find(module, "DefSubclassProc", kDefSubclassProcOrdinal, byOrdinal, f.next);
    if (f.install == nullptr || f.remove == nullptr || f.next == nullptr) return {};
    return f;
}

bool InstallSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    return Functions().install != nullptr && Functions().install(window, procedure, id, data) != FALSE;
}

bool RemoveSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
    return Functions().remove != nullptr && Functions().remove(window, procedure, id) != FALSE;
}

LRESULT DefaultSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Only a subclassed window gets here, and subclassing needs all three functions.
    return Functions().next(window, message, wParam, lParam);
}

}  // namespace prinstall::controls
