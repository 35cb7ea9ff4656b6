// PrinstallMsi.dll: the Windows Installer package's custom actions. They hold no installation
// rules: one hands the installation folder to the administrators, one adds the public
// properties to the program's command line, one runs that command line and relays its outcome,
// the last tells Windows Installer that a restart is needed.
//
// SecureFolder (deferred, not impersonated, after CreateFolders and before InstallFiles):
// CustomActionData is the installation folder. Ordinary users may create folders at the root
// of C:\ and then own them, so the folder may be someone else's before the package comes:
// whatever they planted, or swap in later, InstallFiles would write beside and RunPrinstall
// would start as SYSTEM. Unless only the administrators can change it, the folder, and
// everything already in it, gets the program's own restriction (platform/folder_security_win):
// owner Administrators, a protected DACL; then whatever already lay in it is moved aside, never
// deleted: it may be someone's data. It goes into a new folder beside the installation folder,
// "<folder> (moved aside YYYY-MM-DD hh.mm.ss)", made inside the restricted folder (so that it
// is the administrators' from its first moment) and then renamed out of it, then restricted as
// the folder is. On the same volume a move is a rename: nothing is copied, and a file held open
// cannot move and fails the action (the package would otherwise start a planted program held
// open). Each move is named in the log. The package runs it on a first installation only: a
// repair or change moves nothing (the folder is then the administrators' already). A junction
// or other link in the folder is neither followed nor moved, nor is a hard-linked file (whose
// permissions are those of its other names) or a volume without permissions (FAT, exFAT): the
// restriction stops there, the action fails naming the entry and Windows Installer rolls back,
// so nothing is written through it.
//
// AddOptions (immediate, before the command line's CustomActionData is set): each public
// property that is set becomes one argument of the program's (PORT as /port:PORT, USB as /usb,
// and so on), added to the private property PrinstallOptions as msi_arguments.h encodes it:
// whatever quotes, backslashes or tabs a value holds, it stays one argument. DEFAULTS is a
// list: each of its ";"-separated pairs becomes a /default: of its own.
//
// RunPrinstall (deferred, not impersonated): CustomActionData is the program's arguments
// (msi_arguments.h), the program's full path first; each is quoted as the program's
// CommandLineToArgvW-style split expects. Every line the program writes goes into the msiexec
// log; exit code 0 succeeds, 3010 succeeds and leaves the restart mark, anything else fails
// the package (and Windows Installer rolls back), after an error message that says what the
// code means. A mark left by an earlier package run in
// the same boot goes first, so that the mark ReportRestart finds is this run's. As a rollback
// action (the installation is being taken back) it leaves no mark: no ReportRestart follows a
// rollback, and a mark left would make the next package run in this boot report a restart that
// is not its own. The program's lines say which file waits for a restart.
//
// ReportRestart (immediate, after InstallFinalize): with the mark there, MsiSetMode asks for
// a restart at the end, so that msiexec ends with 3010 as for any restart it needs. A deferred
// action may not call MsiSetMode, and it runs in another process than the immediate one: the
// mark is a volatile registry key, gone at the next restart at the latest. It lies outside
// SOFTWARE\TORVA, which the program's removal deletes, and outside any key the program
// creates (a volatile key may have only volatile subkeys).
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <algorithm>
#include <string>
#include <vector>

#include "msi_arguments.h"
#include "platform/folder_security_win.h"
#include "platform/text_win.h"

namespace {

const wchar_t kRestartMark[] = L"SOFTWARE\\TORVA EPL Printer 2.X restart pending";
constexpr DWORD kRestartRequired = 3010;
const wchar_t kSecureFolder[] = L"SecureFolder";

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    wchar_t empty[1] = L"";
    DWORD size = 0;
    if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return L"";
    std::wstring value(size + 1, L'\0');
    size = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return L"";
    value.resize(size);
    return value;
}

std::wstring Decimal(DWORD value) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

// One line into the msiexec log, after the name of who says it. The line is a record field,
// not the template, so that brackets in it stay as they are.
void LogLine(MSIHANDLE install, const std::wstring& line, const wchar_t* from = L"Prinstall.exe") {
    const MSIHANDLE record = MsiCreateRecord(1);
    if (record == 0) return;
    MsiRecordSetStringW(record, 0, (std::wstring(from) + L": [1]").c_str());
    MsiRecordSetStringW(record, 1, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

// The program writes UTF-8 with CR LF to a pipe (platform/console_win.cpp).
void LogUtf8Line(MSIHANDLE install, std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const int count = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    if (count > 0) MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(), count);
    LogLine(install, wide);
}

// Runs the program with `arguments` (its full path first, so that no search path is involved),
// relaying its output; the exit code, or ~0 when it did not start.
DWORD RunRelayed(MSIHANDLE install, const std::vector<std::wstring>& arguments) {
    if (arguments.empty() || arguments.front().empty()) {
        LogLine(install, L"no program path in CustomActionData");
        return ~0u;
    }
    const std::wstring& program = arguments.front();
    std::wstring command = prinstall::msi::CommandLine(arguments);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return ~0u;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);  // the pipe ends when the program (and whatever inherited it) ends
    if (!started) {
        CloseHandle(readEnd);
        LogLine(install, L"Prinstall.exe did not start: error " + Decimal(startError) + L", " + program);
        return ~0u;
    }
    std::string pending;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        pending.append(buffer, read);
        for (std::size_t newline; (newline = pending.find('\n')) != std::string::npos;) {
            LogUtf8Line(install, pending.substr(0, newline));
            pending.erase(0, newline + 1);
        }
    }
    if (!pending.empty()) LogUtf8Line(install, pending);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// Deletes the restart mark; whether it was there or could be deleted does not matter.
void ClearRestartMark() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRestartMark); }

}  // namespace

namespace {

// The entry a restriction stopped at, and why.
std::wstring Why(const prinstall::Restriction& restricted, const std::wstring& folder) {
    std::wstring reason;
    switch (restricted.refusal) {
        case prinstall::Refusal::Link: reason = L"a link to elsewhere, neither followed nor changed"; break;
        case prinstall::Refusal::HardLinked: reason = L"a file with further names (hard links)"; break;
        case prinstall::Refusal::NoPermissions: reason = L"on a volume that keeps no permissions"; break;
        case prinstall::Refusal::None: reason = L"error " + Decimal(restricted.error); break;
    }
    return (restricted.entry.empty() ? folder : prinstall::Widen(restricted.entry)) + L", " + reason;
}

std::wstring TwoDigits(WORD value) { return (value < 10 ? L"0" : L"") + Decimal(value); }

// What lies directly in `folder` (names only), or the error of listing it.
DWORD ListFolder(const std::wstring& folder, std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 0 : error;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return 0;
}

// Moves whatever lies in the restricted `folder` aside, into a new folder beside it, and names
// each move in the log. 0, or the first error with what failed in `failed`.
DWORD MoveContentsAside(MSIHANDLE install, const std::wstring& folder, std::wstring& failed) {
    std::vector<std::wstring> names;
    if (const DWORD error = ListFolder(folder, names); error != 0) {
        failed = folder;
        return error;
    }
    if (names.empty()) return 0;
    // Made inside the restricted folder, so that it inherits the administrators' restriction
    // from its first moment; the name is one the package's files never have.
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring stamp = Decimal(now.wYear) + L"-" + TwoDigits(now.wMonth) + L"-" + TwoDigits(now.wDay) + L" " +
                               TwoDigits(now.wHour) + L"." + TwoDigits(now.wMinute) + L"." + TwoDigits(now.wSecond);
    const std::wstring inside = folder + L"\\moved aside " + stamp;
    if (!CreateDirectoryW(inside.c_str(), nullptr)) {
        failed = inside;
        return GetLastError();
    }
    // What moved goes out even when a move failed, so that nothing stays hidden in the folder.
    std::size_t moved = 0;
    DWORD error = 0;
    for (; moved < names.size(); ++moved) {
        const std::wstring from = folder + L"\\" + names[moved];
        // Without MOVEFILE_COPY_ALLOWED: a rename, or nothing. A link moves as the link.
        if (!MoveFileExW(from.c_str(), (inside + L"\\" + names[moved]).c_str(), 0)) {
            error = GetLastError();
            failed = from;
            break;
        }
    }
    if (moved == 0) {
        RemoveDirectoryW(inside.c_str());
        return error;
    }
    // Out beside the folder, under a name nobody took: renamed, the folder keeps its entries.
    std::wstring aside;
    DWORD outError = 0;
    for (int n = 1; n <= 100; ++n) {
        aside = folder + L" (moved aside " + stamp + (n > 1 ? L" " + Decimal(n) : L"") + L")";
        outError = MoveFileExW(inside.c_str(), aside.c_str(), 0) ? 0 : GetLastError();
        if (outError != ERROR_ALREADY_EXISTS && outError != ERROR_FILE_EXISTS) break;
    }
    if (outError != 0) {
        if (error == 0) failed = inside;
        return error != 0 ? error : outError;
    }
    for (std::size_t i = 0; i < moved; ++i) {
        LogLine(install,
                L"moved " + folder + L"\\" + names[i] + L", which was there before the package, to " + aside + L"\\" +
                    names[i],
                kSecureFolder);
    }
    // Its entries are the ones it inherited in the folder; protected now, as the folder is.
    prinstall::WinFolderSecurity security;
    const prinstall::Restriction restricted = security.RestrictToAdministrators(prinstall::Narrow(aside));
    if (error == 0 && !restricted.Done()) {
        LogLine(install, L"could not restrict " + aside + L" to the administrators: " + Why(restricted, aside),
                kSecureFolder);
        failed = aside;
        error = restricted.error != 0 ? restricted.error : ERROR_ACCESS_DENIED;
    }
    return error;
}

// What an exit code of the program means (README, "Exit codes"), for the error message.
std::wstring Meaning(DWORD exitCode) {
    switch (exitCode) {
        case 1618: return L"another Prinstall.exe is running: run the package again later";
        case 1622:
            return L"the /log file (LOG) cannot be opened or is not UTF-8 or UTF-16 LE text: nothing was changed";
        case 1625:
            return L"Windows protected print mode is on: Windows accepts no third-party printer driver, nothing "
                   L"was changed";
        case 1633: return L"this Windows is not supported";
        case 1639:
            return L"a property's value was refused (PORT, USB, IP, COPIES, QUEUENAME, CODEPAGE or LOG): nothing was "
                   L"changed";
        case 1603: return L"the program failed: its lines above say where";
        case ~0u: return L"the program did not run";
        default: return L"an exit code the program does not document";
    }
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall SecureFolder(MSIHANDLE install) {
    std::wstring folder = Property(install, L"CustomActionData");
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();  // [INSTALLDIR] ends with one
    if (folder.empty()) {
        LogLine(install, L"no folder in CustomActionData", kSecureFolder);
        return ERROR_INSTALL_FAILURE;
    }
    prinstall::WinFolderSecurity security;
    const std::string path = prinstall::Narrow(folder);
    if (security.WritableByOthers(path) == prinstall::WriteAccess::AdministratorsOnly) {
        LogLine(install, L"only the administrators can change " + folder, kSecureFolder);
        return ERROR_SUCCESS;
    }
    const prinstall::Restriction restricted = security.RestrictToAdministrators(path);
    if (!restricted.Done()) {
        LogLine(install, L"could not restrict " + folder + L" to the administrators: " + Why(restricted, folder),
                kSecureFolder);
        return ERROR_INSTALL_FAILURE;
    }
    LogLine(install, L"restricted " + folder + L" to the administrators", kSecureFolder);
    // What lay in the folder while others could change it may be theirs, and may be planted: it
    // goes aside, since the package brings every file it needs. A planted file held open would
    // otherwise stay until Windows Installer replaced it at the next restart, and RunPrinstall
    // would start it now.
    std::wstring failed;
    const DWORD moveError = MoveContentsAside(install, folder, failed);
    if (moveError != 0) {
        LogLine(
            install,
            L"could not move " + failed + L" aside, which was there before the package: error " + Decimal(moveError),
            kSecureFolder);
        return ERROR_INSTALL_FAILURE;
    }
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall AddOptions(MSIHANDLE install) {
    // The public properties, each with its option; USB is a switch, whatever its value.
    static const struct {
        const wchar_t* property;
        const wchar_t* option;
        bool takesValue;
    } kOptions[] = {{L"PORT", L"/port:", true},     {L"USB", L"/usb", false},        {L"IP", L"/ip:", true},
                    {L"COPIES", L"/copies:", true}, {L"QUEUENAME", L"/name:", true}, {L"CODEPAGE", L"/codepage:", true},
                    {L"LOG", L"/log:", true}};
    std::wstring options;
    for (const auto& [property, option, takesValue] : kOptions) {
        const std::wstring value = Property(install, property);
        if (value.empty()) continue;
        options += prinstall::msi::kArgumentSeparator +
                   prinstall::msi::EncodeArgument(std::wstring(option) + (takesValue ? value : L""));
    }
    // DEFAULTS=FEATURE=OPTION;FEATURE=OPTION: one /default: per pair (an empty one is skipped,
    // as after a last ";").
    const std::wstring defaults = Property(install, L"DEFAULTS");
    for (std::size_t start = 0; start < defaults.size();) {
        const std::size_t end = std::min(defaults.find(L';', start), defaults.size());
        if (end > start) {
            options += prinstall::msi::kArgumentSeparator +
                       prinstall::msi::EncodeArgument(L"/default:" + defaults.substr(start, end - start));
        }
        start = end + 1;
    }
    if (MsiSetPropertyW(install, L"PrinstallOptions", options.c_str()) != ERROR_SUCCESS) {
        LogLine(install, L"could not set PrinstallOptions", L"AddOptions");
        return ERROR_INSTALL_FAILURE;
    }
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall RunPrinstall(MSIHANDLE install) {
    ClearRestartMark();
    const DWORD exitCode = RunRelayed(install, prinstall::msi::DecodeArguments(Property(install, L"CustomActionData")));
    LogLine(install, L"exit code " + Decimal(exitCode));
    if (exitCode == 0) return ERROR_SUCCESS;
    if (exitCode != kRestartRequired) {
        // Windows Installer ends with 1603 whatever the program's code: the message says which
        // it was (in the log, and in a dialog when the package runs with a full interface).
        const std::wstring text = L"Prinstall.exe ended with " +
                                  (exitCode == ~0u ? std::wstring(L"no exit code") : Decimal(exitCode)) + L": " +
                                  Meaning(exitCode) + L".";
        LogLine(install, text);
        const MSIHANDLE record = MsiCreateRecord(1);
        if (record != 0 && !MsiGetMode(install, MSIRUNMODE_ROLLBACK)) {
            MsiRecordSetStringW(record, 0, L"[1]");
            MsiRecordSetStringW(record, 1, text.c_str());
            MsiProcessMessage(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
                              record);
        }
        if (record != 0) MsiCloseHandle(record);
        return ERROR_INSTALL_FAILURE;
    }
    if (MsiGetMode(install, MSIRUNMODE_ROLLBACK)) return ERROR_SUCCESS;
    HKEY mark;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRestartMark, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &mark,
                        nullptr) == ERROR_SUCCESS) {
        RegCloseKey(mark);
    }
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall ReportRestart(MSIHANDLE install) {
    HKEY mark;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRestartMark, 0, KEY_READ, &mark) == ERROR_SUCCESS) {
        RegCloseKey(mark);
        MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
        // Reported once: a later package run in this boot must not end with 3010 again. An
        // immediate action runs as the user who started msiexec; without elevation the delete
        // fails harmlessly, and the next run's RunPrinstall, elevated, clears the mark first.
        ClearRestartMark();
    }
    return ERROR_SUCCESS;
}
