// Drives the real Prinstall.exe from another process, the way an operator would see it:
// start it from its installation folder, find its windows by title, read and poke its
// controls by id, take screenshots, and watch it end.
//
// Every wait polls with a generous limit: under Wine a posted message can take a couple of
// seconds to arrive, and the tests must not depend on how fast the machine is.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

inline constexpr wchar_t kInstallFolder[] = L"C:\\TORVA EPL Printer 2.X";
inline constexpr wchar_t kProgramPath[] = L"C:\\TORVA EPL Printer 2.X\\Prinstall.exe";

inline constexpr DWORD kWindowTimeoutMs = 60000;
inline constexpr DWORD kExitTimeoutMs = 30000;

// One run of Prinstall.exe. The destructor ends a program that is still running, so a
// failed test never leaves it behind for the next one.
class ProgramRun {
public:
    ProgramRun() = default;
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Starts the program with the installation folder as its current directory. Returns
    // the system error code of CreateProcessW, 0 on success.
    DWORD Start();

    // Waits until a visible top-level window of this process has exactly `title`, and its
    // thread has finished what it was doing (answers a sent message). nullptr on timeout.
    HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs = kWindowTimeoutMs) const;

    // Waits for the process to end; true with its exit code when it did.
    bool WaitForExit(DWORD* exitCode, DWORD timeoutMs = kExitTimeoutMs) const;

    bool Running() const;
    DWORD ProcessId() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_{};
};

// Top-level visible window of process `pid` with exactly `title`, or nullptr.
HWND FindProcessWindow(DWORD pid, const std::wstring& title);

// From the main dialog, an installation on a network printer at 192.168.0.`host`:
// Installation, Ethernet, the address in the address dialog, OK there and in the port
// dialog. False when one of the dialogs did not come or go.
bool InstallOnNetwork(const ProgramRun& program, HWND main, int host);

// Waits until `window` is gone (destroyed). False on timeout.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = kWindowTimeoutMs);

// Text of a control of another process (WM_GETTEXT, which crosses processes; GetWindowText
// would only give the caption stored at creation). Empty when the control does not exist;
// ControlExists tells the two apart.
std::wstring ControlText(HWND dialog, int id);
std::wstring WindowText(HWND window);
bool ControlExists(HWND dialog, int id);
bool ControlVisible(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);

// The text of a message box: its text control, which the box's own caption is not.
std::wstring MessageBoxText(HWND box);

// A button click as the button itself produces it (BM_CLICK, sent: returns once the
// dialog has handled the click). False when there is no such control or it did not answer.
bool ClickButton(HWND dialog, int id);

// Posted, for commands that open a modal window and so would block a sent message.
bool PostCommand(HWND dialog, int id);
bool PostSysCommand(HWND window, WPARAM command);

// The keyboard key as the dialog manager sees it: down and up posted to the control that
// has the focus in the program's thread (the dialog itself when none has).
bool PostKey(HWND dialog, UINT virtualKey);

// Saves what the screen shows of `window` as a 24-bit BMP named `name` (".bmp" added) in
// the artefacts folder: PRINSTALL_ARTEFACTS, else the current directory. `path` is empty
// and `error` says why when it failed. `colours` counts the distinct pixel values (up to
// 64), so a test can tell a drawn dialog from a blank or black capture.
struct Screenshot {
    std::wstring path;
    std::wstring error;
    int colours = 0;
};
Screenshot SaveScreenshot(HWND window, const std::wstring& name);
// The same without asking the window to repaint or waiting for its thread: for a window
// whose thread blocks (it paints itself at once whenever it changes).
Screenshot SaveScreenshotAsShown(HWND window, const std::wstring& name);

// For test messages.
std::string Utf8(const std::wstring& text);

// Round trip through the window's message queue: true once its thread has processed
// everything sent before.
bool WaitUntilIdle(HWND window, DWORD timeoutMs = kWindowTimeoutMs);

// As a screen reader and the keyboard find the dialog (accessibility_win.cpp, linked with
// oleacc): every control Tab or the arrows reach has a name, no two shown share an access key,
// and Tab goes in reading order.
void ExpectAccessible(HWND dialog, const char* what);

}  // namespace e2e
