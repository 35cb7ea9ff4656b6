#include "platform/log_file_win.h"

#include "platform/text_win.h"

namespace prinstall {

bool WinLogFile::Open(const std::string& path) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end of the file.
    file_.Reset(CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    lastError_ = file_ ? 0 : GetLastError();
    return static_cast<bool>(file_);
}

void WinLogFile::WriteLine(const std::string& utf8) {
    if (!file_) return;
    const std::string text = CrLfLines(utf8);
    DWORD written = 0;
    if (WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        FlushFileBuffers(file_.Get());
    }
}

}  // namespace prinstall
