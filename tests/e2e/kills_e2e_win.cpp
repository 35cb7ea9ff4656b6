// An installation killed part-way, then the removal: whatever moment the operator's PC lost
// the program at (power cut, task manager), `/uninstall /all` must leave nothing of ours.
//
// The moment is found by a breakpoint, not by timing. Prinstall.exe runs as this program's
// debuggee; once the child has loaded the system DLL of a chosen function (at the same base as
// here, with the same code: checked), an int3 goes at the function's entry in the child. Each
// hit reads the call's arguments from the child's stack; the hit whose argument names the
// moment (the file being copied, the driver of the queue being created) ends the child with
// TerminateProcess before the function runs. Other hits step over the restored byte and re-arm.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "harness_win.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

const wchar_t kMediaFolder[] = L"C:\\TORVA EPL Printer 2.X\\Win32";
const wchar_t kMonitorName[] = L"TORVA LABEL USB Port";
const wchar_t* const kOurKeys[] = {
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX",
    L"SOFTWARE\\TORVA\\EPL Printer 2.X",
};
constexpr UINT kKilled = 0xDEAD;
constexpr DWORD kRunLimitMs = 180000;
constexpr DWORD kTrapFlag = 0x100;

// A call to `function` of `module` whose argument `argument` (1-based, stdcall) is the text
// `text`, or points to a structure whose pointer field `field` is. `leftByKill`: one thing of
// ours that the killed run must have left (so that the removal has something to do).
struct KillMoment {
    const char* what;
    const wchar_t* module;
    const char* function;
    int argument;
    int field;  // -1: the argument itself is the text
    std::wstring text;
    std::wstring leftByKill;
};

std::wstring ReadChildText(HANDLE process, ULONG_PTR address) {
    std::wstring text;
    wchar_t c = 0;
    while (text.size() < 1024 &&
           ReadProcessMemory(process, reinterpret_cast<const void*>(address + text.size() * sizeof c), &c, sizeof c,
                             nullptr) &&
           c != 0) {
        text += c;
    }
    return text;
}

ULONG_PTR ReadChildPointer(HANDLE process, ULONG_PTR address) {
    DWORD value = 0;  // the child is 32-bit, as this program is
    ReadProcessMemory(process, reinterpret_cast<const void*>(address), &value, sizeof value, nullptr);
    return value;
}

bool WriteChildByte(HANDLE process, BYTE* address, BYTE value) {
    DWORD old = 0;
    if (!VirtualProtectEx(process, address, 1, PAGE_EXECUTE_READWRITE, &old)) return false;
    const bool written = WriteProcessMemory(process, address, &value, 1, nullptr) != FALSE;
    VirtualProtectEx(process, address, 1, old, &old);
    FlushInstructionCache(process, address, 1);
    return written;
}

struct KilledRun {
    std::string failure;  // empty when the child was ended at the moment
    int hits = 0;         // calls of the function seen before the moment
};

// Runs `command` as a debuggee and ends it at `moment`.
KilledRun RunAndKill(std::wstring command, const KillMoment& moment) {
    KilledRun run;
    BYTE* const entry = reinterpret_cast<BYTE*>(GetProcAddress(GetModuleHandleW(moment.module), moment.function));
    MEMORY_BASIC_INFORMATION region{};
    if (entry == nullptr || !VirtualQuery(entry, &region, sizeof region)) return {"no such function here"};
    const void* const base = region.AllocationBase;  // of the module that holds the code

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(kProgramPath, command.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        L"C:\\", &startup, &child)) {
        return {"CreateProcessW: " + std::to_string(GetLastError())};
    }
    std::map<DWORD, HANDLE> threads;
    BYTE original = 0;
    bool armed = false, killed = false, exited = false;
    DWORD stepping = 0;  // thread stepping over the restored byte
    const DWORD start = GetTickCount();
    while (!exited && GetTickCount() - start < kRunLimitMs) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 1000)) continue;
        DWORD answer = DBG_CONTINUE;
        const void* loaded = nullptr;
        switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                threads[event.dwThreadId] = event.u.CreateProcessInfo.hThread;
                loaded = event.u.CreateProcessInfo.lpBaseOfImage;
                if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case CREATE_THREAD_DEBUG_EVENT: threads[event.dwThreadId] = event.u.CreateThread.hThread; break;
            case LOAD_DLL_DEBUG_EVENT:
                loaded = event.u.LoadDll.lpBaseOfDll;
                if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXIT_PROCESS_DEBUG_EVENT: exited = true; break;
            case EXCEPTION_DEBUG_EVENT: {
                const EXCEPTION_RECORD& e = event.u.Exception.ExceptionRecord;
                CONTEXT context{};
                context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
                HANDLE thread = threads[event.dwThreadId];
                if (armed && e.ExceptionCode == EXCEPTION_BREAKPOINT && e.ExceptionAddress == entry &&
                    GetThreadContext(thread, &context)) {
                    const ULONG_PTR argument = ReadChildPointer(child.hProcess, context.Esp + 4 * moment.argument);
                    const ULONG_PTR text =
                        moment.field < 0 ? argument : ReadChildPointer(child.hProcess, argument + 4 * moment.field);
                    if (!killed && _wcsicmp(ReadChildText(child.hProcess, text).c_str(), moment.text.c_str()) == 0) {
                        killed = TerminateProcess(child.hProcess, kKilled) != FALSE;
                        break;
                    }
                    ++run.hits;
                    // Whatever the system left in Eip, the call resumes at the entry, one step.
                    WriteChildByte(child.hProcess, entry, original);
                    context.Eip = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry));
                    context.EFlags |= kTrapFlag;
                    SetThreadContext(thread, &context);
                    stepping = event.dwThreadId;
                } else if (e.ExceptionCode == EXCEPTION_SINGLE_STEP && stepping == event.dwThreadId) {
                    stepping = 0;
                    if (!killed) WriteChildByte(child.hProcess, entry, 0xCC);
                } else if (e.ExceptionCode != EXCEPTION_BREAKPOINT) {
                    answer = DBG_EXCEPTION_NOT_HANDLED;  // the child's own, for its own handlers
                }
                break;
            }
            default: break;
        }
        if (!armed && loaded == base) {
            // The same module at the same base must hold the same code before it is patched.
            BYTE theirs[16] = {};
            if (!ReadProcessMemory(child.hProcess, entry, theirs, sizeof theirs, nullptr) ||
                memcmp(theirs, entry, sizeof theirs) != 0) {
                run.failure = "the child's code differs at the function";
                TerminateProcess(child.hProcess, 1);
            } else {
                original = theirs[0];
                armed = WriteChildByte(child.hProcess, entry, 0xCC);
            }
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
    }
    if (!exited) {
        TerminateProcess(child.hProcess, 1);
        if (run.failure.empty()) run.failure = "still running";
    }
    DWORD code = 0;
    WaitForSingleObject(child.hProcess, kExitTimeoutMs);
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (run.failure.empty() && !armed) run.failure = "the module was never loaded at this base";
    if (run.failure.empty() && (!killed || code != kKilled)) {
        run.failure = "the moment never came; exit code " + std::to_string(code);
    }
    return run;
}

DWORD RunToEnd(std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(kProgramPath, command.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &startup, &child)) {
        return GetLastError();
    }
    DWORD code = ~0u;
    if (WaitForSingleObject(child.hProcess, kRunLimitMs) != WAIT_OBJECT_0) TerminateProcess(child.hProcess, code);
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(folder + L"\\" + entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

// Everything of ours there is, beside what the media brought (`mediaFiles`).
std::vector<std::wstring> OursLeft(const std::vector<std::wstring>& mediaFiles) {
    std::vector<std::wstring> left;
    std::vector<QueueRecord> queues;
    ListQueues(&queues);
    for (const QueueRecord& q : queues) {
        if (q.driverName.rfind(L"TORVA Label Printer #", 0) == 0) left.push_back(L"queue " + q.printerName);
    }
    for (const std::wstring& driver : DriverNames()) {
        if (driver.rfind(L"TORVA Label Printer #", 0) == 0) left.push_back(L"driver " + driver);
    }
    for (int n = 1; n <= 3; ++n) {
        for (const std::wstring& path : NumberedFiles(DriverDirectory(), n)) left.push_back(path);
    }
    for (const std::wstring& path : FilesIn(kMediaFolder)) {
        bool media = false;
        for (const std::wstring& own : mediaFiles) media = media || _wcsicmp(own.c_str(), path.c_str()) == 0;
        if (!media) left.push_back(path);
    }
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (const wchar_t* module : {L"\\TVPortMon.dll", L"\\TVPortMonUI.dll"}) {
        const std::wstring path = system + std::wstring(module);
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) left.push_back(path);
    }
    for (const wchar_t* key : kOurKeys) {
        if (KeyExists(key)) left.push_back(L"HKLM\\" + std::wstring(key));
    }
    return left;
}

// Takes away what a removal left, so that the next moment starts from a clean PC.
void ClearLeftovers(const std::vector<std::wstring>& mediaFiles) {
    std::vector<QueueRecord> queues;
    ListQueues(&queues);
    for (const QueueRecord& q : queues) {
        if (q.driverName.rfind(L"TORVA Label Printer #", 0) == 0) DeleteQueue(q.printerName);
    }
    for (const std::wstring& driver : DriverNames()) {
        if (driver.rfind(L"TORVA Label Printer #", 0) == 0) DeleteDriver(driver);
    }
    for (int n = 1; n <= 3; ++n) {
        for (const std::wstring& path : NumberedFiles(DriverDirectory(), n)) DeleteFileW(path.c_str());
    }
    // Only when needed: Wine loads a monitor into every process that asks the spooler about it.
    if (KeyExists(kOurKeys[0])) DeleteMonitorW(nullptr, nullptr, const_cast<wchar_t*>(kMonitorName));
    // Clones in the media, the monitor's modules.
    for (const std::wstring& path : OursLeft(mediaFiles)) DeleteFileW(path.c_str());
    for (const wchar_t* key : kOurKeys) RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
}

std::string Listed(const std::vector<std::wstring>& items) {
    std::string out;
    for (const std::wstring& item : items) out += "\n  " + Utf8(item);
    return out;
}

TEST(KilledInstallation, LeavesNothingAfterTheRemoval) {
    const std::wstring drivers = DriverDirectory();
    const std::vector<std::wstring> mediaFiles = FilesIn(kMediaFolder);
    ASSERT_FALSE(drivers.empty());
    ASSERT_FALSE(mediaFiles.empty());
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring media = kMediaFolder;
    const KillMoment moments[] = {
        {"port monitor files copied, monitor not registered", L"winspool.drv", "AddMonitorW", 3, 0, kMonitorName,
         system + std::wstring(L"\\TVPortMon.dll")},
        {"copy 1 staging: clones written, some numbered files copied", L"kernel32.dll", "CopyFileW", 2, -1,
         drivers + L"\\TVLabel1.DLL", media + L"\\TVLabel1.GPD"},
        {"driver 1 registered, its queue not created", L"winspool.drv", "AddPrinterW", 3, 4, L"TORVA Label Printer #1",
         L"driver TORVA Label Printer #1"},
        {"copy 2 staging: INI clone being written", L"kernel32.dll", "CreateFileW", 1, -1, media + L"\\TVLabel2.INI",
         media + L"\\TVLabel2.GPD"},
        {"copy 2 staging: last numbered files being copied", L"kernel32.dll", "CopyFileW", 2, -1,
         drivers + L"\\TVLabelE2.DLL", drivers + L"\\TVLabel2.DLL"},
        {"driver 3 registered, its queue not created", L"winspool.drv", "AddPrinterW", 3, 4, L"TORVA Label Printer #3",
         L"driver TORVA Label Printer #3"},
    };
    for (const KillMoment& moment : moments) {
        const KilledRun killed =
            RunAndKill(L"\"" + std::wstring(kProgramPath) + L"\" /install /port:COM1: /copies:3", moment);
        ASSERT_EQ(killed.failure, "") << moment.what;
        const std::vector<std::wstring> atKill = OursLeft(mediaFiles);
        EXPECT_NE(std::find(atKill.begin(), atKill.end(), moment.leftByKill), atKill.end())
            << moment.what << ": the kill left" << Listed(atKill);
        const DWORD removal = RunToEnd(L"\"" + std::wstring(kProgramPath) + L"\" /uninstall /all");
        const std::vector<std::wstring> left = OursLeft(mediaFiles);
        EXPECT_EQ(removal, 0u) << moment.what;
        EXPECT_TRUE(left.empty()) << "killed at: " << moment.what << " (after " << killed.hits
                                  << " earlier calls); the removal left:" << Listed(left);
        ClearLeftovers(mediaFiles);
    }
}

}  // namespace
}  // namespace e2e
