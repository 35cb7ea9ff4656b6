#include "platform/log_file_win.h"

#include "platform/text_win.h"

namespace prinstall {
namespace {

// The file's first bytes (at most kLogHeadBytes); `whole` tells whether that is all of it.
// False when it cannot be read.
bool ReadHead(const std::wstring& path, std::string& head, bool& whole) {
    // Opened beside the append handle, which lets others read and write.
    UniqueHandle<KernelHandleTraits> file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    head.assign(kLogHeadBytes, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), &head[got], static_cast<DWORD>(head.size() - got), &read, nullptr)) return false;
        if (read == 0) break;
        got += read;
    }
    whole = got < head.size();
    head.resize(got);
    return true;
}

}  // namespace

bool WinLogFile::Open(const std::string& path) {
    const std::wstring name = Widen(path);
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end of the file.
    file_.Reset(CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        lastError_ = GetLastError();
        return false;
    }
    std::string head;
    bool whole = true;
    if (!ReadHead(name, head, whole)) {
        lastError_ = GetLastError();
        file_.Reset();
        return false;
    }
    lastError_ = 0;
    encoding_ = LogEncodingOf(head, whole);
    if (encoding_ == LogEncoding::Other) {
        file_.Reset();
        return false;
    }
    if (encoding_ == LogEncoding::New) {
        encoding_ = LogEncoding::Utf8;
        if (!Append(kUtf8ByteOrderMark)) {
            lastError_ = GetLastError();
            file_.Reset();
            return false;
        }
    }
    return true;
}

bool WinLogFile::Append(const std::string& bytes) {
    DWORD written = 0;
    if (!WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return false;
    FlushFileBuffers(file_.Get());
    return written == bytes.size();
}

void WinLogFile::WriteLine(const std::string& utf8) {
    if (!file_) return;
    const std::string text = CrLfLines(utf8);
    if (encoding_ != LogEncoding::Utf16Le) {
        Append(text);
        return;
    }
    // UTF-16 LE as Windows keeps it in memory: x86, x64 and ARM64 are all little-endian.
    const std::wstring wide = Widen(text);
    Append(std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)));
}

std::string SystemErrorText(std::uint32_t error) {
    wchar_t* buffer = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text.empty() ? "error " + std::to_string(error) : Narrow(text);
}

}  // namespace prinstall
