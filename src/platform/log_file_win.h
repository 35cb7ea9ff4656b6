// The /log file of a command-line run: UTF-8 lines appended to whatever the file holds, each
// flushed at once, so that a run that is cut short still shows how far it came.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/handle_win.h"
#include "platform/text_output.h"

namespace prinstall {

class WinLogFile : public TextOutput {
public:
    // Opens the file for appending, creating it when missing; others may read it meanwhile.
    // False (with the system error code in LastError()) when it cannot be opened.
    bool Open(const std::string& path);
    std::uint32_t LastError() const { return lastError_; }

    // Appends the text with CR LF line ends, then flushes; nothing before a successful open.
    void WriteLine(const std::string& utf8) override;

private:
    UniqueHandle<KernelHandleTraits> file_;
    std::uint32_t lastError_ = 0;
};

}  // namespace prinstall
