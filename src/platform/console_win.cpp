#include "platform/console_win.h"

#include "platform/system_export_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// The output code page of the console this process's reader runs in. A window-subsystem
// program whose output goes to a pipe has no console of its own, so GetConsoleOutputCP gives
// 0: the script reading the pipe (PowerShell, which decodes a program's output with its
// console's code page, [Console]::OutputEncoding) is the parent, whose console the program
// joins just long enough to read it. 0 when there is none (a service, Windows 2000).
UINT ReaderCodePage() {
    if (const UINT own = GetConsoleOutputCP(); own != 0) return own;
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    auto attachConsole = SystemExport<AttachConsoleFn>(L"kernel32.dll", "AttachConsole");
    if (attachConsole == nullptr || !attachConsole(ATTACH_PARENT_PROCESS)) return 0;
    const UINT codePage = GetConsoleOutputCP();
    FreeConsole();
    return codePage;
}

}  // namespace

WinConsoleOutput::WinConsoleOutput() {
    HANDLE standard = GetStdHandle(STD_OUTPUT_HANDLE);
    if (standard != nullptr && standard != INVALID_HANDLE_VALUE && GetFileType(standard) != FILE_TYPE_UNKNOWN) {
        out_ = standard;
        console_ = IsConsole(standard);
        return;
    }
    // Started from a console window without redirection: the parent's console, if it has
    // one. The console's own output buffer is opened by name, as the standard handles of a
    // window-subsystem program stay empty after attaching on older Windows. Windows 2000
    // cannot attach to another process's console (AttachConsole came with XP): there the
    // lines reach only a file or pipe that the output was redirected to.
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    auto attachConsole = SystemExport<AttachConsoleFn>(L"kernel32.dll", "AttachConsole");
    if (attachConsole == nullptr || !attachConsole(ATTACH_PARENT_PROCESS)) return;
    attached_.Reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!attached_) return;
    out_ = attached_.Get();
    console_ = true;
}

void WinConsoleOutput::WriteLine(const std::string& utf8) {
    if (out_ == nullptr) return;
    DWORD written = 0;
    if (console_) {
        const std::wstring text = Widen(CrLfLines(utf8));
        WriteConsoleW(out_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        const std::string text = CrLfLines(utf8);
        WriteFile(out_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

void WinConsoleOutput::WriteDataLine(const std::string& utf8) {
    if (out_ == nullptr || console_) {
        WriteLine(utf8);
        return;
    }
    std::string bytes = CrLfLines(utf8);
    const bool first = !dataStarted_;
    dataStarted_ = true;
    const DWORD type = GetFileType(out_);
    if (first && type != FILE_TYPE_DISK) readerCodePage_ = ReaderCodePage();
    if (type == FILE_TYPE_DISK) {
        LONG hereHigh = 0;
        DWORD sizeHigh = 0;
        if (first && SetFilePointer(out_, 0, &hereHigh, FILE_CURRENT) == 0 && hereHigh == 0 &&
            GetFileSize(out_, &sizeHigh) == 0 && sizeHigh == 0) {
            bytes.insert(0, "\xEF\xBB\xBF");
        }
    } else if (const UINT codePage = readerCodePage_; codePage != 0 && codePage != CP_UTF8) {
        // Only a line the code page holds whole: a character it lacks would arrive as "?".
        const std::wstring wide = Widen(bytes);
        BOOL lossy = FALSE;
        const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                               static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
        if (length > 0 && !lossy) {
            std::string encoded(static_cast<std::size_t>(length), '\0');
            WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                encoded.data(), length, nullptr, nullptr);
            bytes = std::move(encoded);
        }
    }
    DWORD written = 0;
    WriteFile(out_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace prinstall
