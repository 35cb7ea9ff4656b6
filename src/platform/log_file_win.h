// The /log file of a command-line run: lines appended to whatever the file holds, in its own
// encoding (log_encoding.h), each flushed at once, so that a run that is cut short still shows
// how far it came.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/handle_win.h"
#include "platform/log_encoding.h"
#include "platform/text_output.h"

namespace prinstall {

class WinLogFile : public TextOutput {
public:
    // Opens the file for appending, creating it (with a UTF-8 byte-order mark) when missing;
    // others may read it and append to it meanwhile (a second instance logs its 1618). False
    // when it cannot be opened (the system error code in LastError()) or is in an encoding
    // lines cannot be appended in (LastError() 0; the file is left as it was).
    bool Open(const std::string& path);
    std::uint32_t LastError() const { return lastError_; }

    // Appends the text with CR LF line ends, then flushes; nothing before a successful open.
    void WriteLine(const std::string& utf8) override;

private:
    bool Append(const std::string& bytes);

    UniqueHandle<KernelHandleTraits> file_;
    LogEncoding encoding_ = LogEncoding::New;
    std::uint32_t lastError_ = 0;
};

// The system's text for an error code (FormatMessage), one line; the number when there is none.
std::string SystemErrorText(std::uint32_t error);

}  // namespace prinstall
