#include "harness_win.h"

#include <cstdint>
#include <vector>

#include <commctrl.h>

#include "resource.h"

namespace e2e {
namespace {

constexpr DWORD kPollMs = 50;

// Polls `done` until it holds or `timeoutMs` have passed; true when it held.
template <typename Predicate>
bool PollUntil(DWORD timeoutMs, Predicate done) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

struct WindowSearch {
    DWORD pid;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    if (WindowText(window) != *search->title) return TRUE;
    search->found = window;
    return FALSE;
}

// The first child with text: a message box's icon is a text control without text.
BOOL CALLBACK MatchTextChild(HWND child, LPARAM param) {
    auto* text = reinterpret_cast<std::wstring*>(param);
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Static") != 0) return TRUE;
    *text = WindowText(child);
    return text->empty();
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

int CountColours(const std::uint8_t* bits, int width, int height, DWORD stride) {
    constexpr std::size_t kEnough = 64;
    std::vector<std::uint32_t> seen;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bits + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + 3 * x;
            const std::uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
            bool known = false;
            for (std::uint32_t c : seen) known = known || c == colour;
            if (!known) {
                seen.push_back(colour);
                if (seen.size() >= kEnough) return static_cast<int>(seen.size());
            }
        }
    }
    return static_cast<int>(seen.size());
}

std::wstring ArtefactsFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"PRINSTALL_ARTEFACTS", buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return buffer;
    return L".";
}

}  // namespace

ProgramRun::~ProgramRun() {
    if (info_.hProcess) {
        if (Running()) {
            TerminateProcess(info_.hProcess, 0xDEAD);
            WaitForSingleObject(info_.hProcess, kExitTimeoutMs);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
}

DWORD ProgramRun::Start() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"";
    commandLine += kProgramPath;
    commandLine += L"\"";
    if (!CreateProcessW(kProgramPath, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, kInstallFolder, &startup,
                        &info_)) {
        info_ = {};
        return GetLastError();
    }
    return 0;
}

bool ProgramRun::Running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

HWND ProgramRun::WaitForWindow(const std::wstring& title, DWORD timeoutMs) const {
    HWND found = nullptr;
    const bool appeared = PollUntil(timeoutMs, [&] {
        found = FindProcessWindow(info_.dwProcessId, title);
        // A program that ended will not show the window any more.
        return found != nullptr || !Running();
    });
    if (!appeared || !found) return nullptr;
    return WaitUntilIdle(found, timeoutMs) ? found : nullptr;
}

bool ProgramRun::WaitForExit(DWORD* exitCode, DWORD timeoutMs) const {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(info_.hProcess, exitCode) != 0;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

HWND FindProcessWindow(DWORD pid, const std::wstring& title) {
    WindowSearch search{pid, &title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return PollUntil(timeoutMs, [&] { return !IsWindow(window); });
}

bool WaitUntilIdle(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!window || !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kWindowTimeoutMs, &length))
        return {};
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                             kWindowTimeoutMs, &copied))
        return {};
    return std::wstring(buffer.data(), copied);
}

std::wstring MessageBoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(box, MatchTextChild, reinterpret_cast<LPARAM>(&text));
    return text;
}

std::wstring ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool ControlExists(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

bool ControlVisible(HWND dialog, int id) {
    const HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}

bool ControlEnabled(HWND dialog, int id) {
    const HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool ClickButton(HWND dialog, int id) {
    const HWND button = GetDlgItem(dialog, id);
    DWORD_PTR result = 0;
    return button && SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kWindowTimeoutMs, &result);
}

bool PostCommand(HWND dialog, int id) {
    const HWND control = GetDlgItem(dialog, id);
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control)) != 0;
}

bool PostSysCommand(HWND window, WPARAM command) { return PostMessageW(window, WM_SYSCOMMAND, command, 0) != 0; }

bool PostKey(HWND dialog, UINT virtualKey) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    HWND target = dialog;
    if (GetGUIThreadInfo(thread, &gui) && gui.hwndFocus) target = gui.hwndFocus;
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    // Key-up: previous state down (bit 30), transition (bit 31).
    const LPARAM up = static_cast<LPARAM>(static_cast<ULONG_PTR>(down) | 0xC0000000u);
    if (!PostMessageW(target, WM_KEYDOWN, virtualKey, down)) return false;
    // The key-down may already have closed the window (Escape, Enter): then there is no one
    // left to take the key-up, and that is not a failure.
    PostMessageW(target, WM_KEYUP, virtualKey, up);
    return true;
}

Screenshot SaveScreenshot(HWND window, const std::wstring& name) {
    // Paint everything now and let the X server catch up before reading the screen back.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (!WaitUntilIdle(window)) {
        Screenshot shot;
        shot.error = L"window does not answer (error " + std::to_wstring(GetLastError()) + L")";
        return shot;
    }
    return SaveScreenshotAsShown(window, name);
}

Screenshot SaveScreenshotAsShown(HWND window, const std::wstring& name) {
    Screenshot shot;
    auto fail = [&](const wchar_t* what) {
        shot.error = std::wstring(what) + L" (error " + std::to_wstring(GetLastError()) + L")";
        shot.path.clear();
        return shot;
    };
    GdiFlush();
    Sleep(500);

    RECT rect{};
    if (!GetWindowRect(window, &rect)) return fail(L"GetWindowRect failed");
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return fail(L"window has no area");

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    info.bmiHeader.biSizeImage = imageSize;

    HDC screen = GetDC(nullptr);
    if (!screen) return fail(L"GetDC(NULL) failed");
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (!copied) {
        fail(L"BitBlt from the screen failed");
    } else {
        shot.colours = CountColours(static_cast<const std::uint8_t*>(bits), width, height, stride);
        shot.path = ArtefactsFolder() + L"\\" + name + L".bmp";
        BITMAPFILEHEADER header{};
        header.bfType = 0x4D42;  // "BM"
        header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        header.bfSize = header.bfOffBits + imageSize;
        HANDLE file =
            CreateFileW(shot.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            fail(L"cannot create the screenshot file");
        } else {
            const bool ok = WriteAll(file, &header, sizeof header) &&
                            WriteAll(file, &info.bmiHeader, sizeof info.bmiHeader) && WriteAll(file, bits, imageSize);
            CloseHandle(file);
            if (!ok) fail(L"cannot write the screenshot file");
        }
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

bool InstallOnNetwork(const ProgramRun& program, HWND main, int host) {
    if (!PostCommand(main, IDC_INSTALL)) return false;
    HWND port = program.WaitForWindow(L"Select Printer's Port Infomation Dialog");
    if (port == nullptr) return false;
    // Ethernet opens the address dialog at once (modal: the click is posted).
    if (!PostMessageW(GetDlgItem(port, IDC_PORT_ETHERNET), BM_CLICK, 0, 0)) return false;
    HWND ip = program.WaitForWindow(L"Printer IP Address");
    if (ip == nullptr) return false;
    SendDlgItemMessageW(ip, IDC_IP_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 0, host));
    return PostCommand(ip, IDOK) && WaitForWindowGone(ip) && PostCommand(port, IDOK);
}

}  // namespace e2e
