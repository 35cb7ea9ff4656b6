// A window procedure is called by the system's code, which no C++ exception may cross: a
// control's procedure runs its work through WithoutExceptions, and a message whose handling
// threw (an allocation that failed while painting, say) is handed to the default processing
// instead, with a line for the debugger.
#pragma once

#include <windows.h>

namespace prinstall::controls {

template <class Work, class Fallback>
LRESULT WithoutExceptions(Work work, Fallback fallback) noexcept {
    try {
        return work();
    } catch (...) {
        OutputDebugStringW(L"A control's window procedure stopped on an unexpected error; default processing instead");
    }
    try {
        return fallback();
    } catch (...) {
        return 0;
    }
}

}  // namespace prinstall::controls
