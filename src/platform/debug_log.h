// Diagnostic lines for the system debugger; the operator never sees them.
#pragma once

#include <string>

namespace prinstall {

class DebugLog {
public:
    virtual ~DebugLog() = default;

    // Sends one line as it is (no line end is added).
    virtual void Output(const std::string& text) = 0;
};

}  // namespace prinstall
