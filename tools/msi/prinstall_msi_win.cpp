// PrinstallMsi.dll: the Windows Installer package's custom actions. They hold no installation
// rules: one hands the installation folder to the administrators, one runs Prinstall.exe's
// command line and relays its outcome, the last tells Windows Installer that a restart is
// needed.
//
// SecureFolder (deferred, not impersonated, after CreateFolders and before InstallFiles):
// CustomActionData is the installation folder. Ordinary users may create folders at the root
// of C:\ and then own them, so the folder may be someone else's before the package comes:
// whatever they planted, or swap in later, InstallFiles would write beside and RunPrinstall
// would start as SYSTEM. Unless only the administrators can change it, the folder, and
// everything already in it, gets the program's own restriction (platform/folder_security_win):
// owner Administrators, a protected DACL; then whatever already lay in it is deleted (the
// package brings all its files). A junction or other link in the folder is neither followed
// nor removed, nor is a hard-linked file (whose permissions are those of its other names) or
// a volume without permissions (FAT, exFAT): the restriction stops there, the action fails
// naming the entry and Windows Installer rolls back, so nothing is written through it.
//
// RunPrinstall (deferred, not impersonated): CustomActionData is the command line, the
// program's full path in quotes first. Every line the program writes goes into the msiexec
// log; exit code 0 succeeds, 3010 succeeds and leaves the restart mark, anything else fails
// the package (and Windows Installer rolls back). A mark left by an earlier package run in
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

#include <string>

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

// Runs the command line, relaying its output; the exit code, or ~0 when it did not start.
DWORD RunRelayed(MSIHANDLE install, std::wstring command) {
    // The program's path: between the first two quotes, so that no search path is involved.
    const std::size_t end = command.find(L'"', 1);
    if (command.size() < 2 || command[0] != L'"' || end == std::wstring::npos) {
        LogLine(install, L"no program path in CustomActionData: " + command);
        return ~0u;
    }
    const std::wstring program = command.substr(1, end - 1);

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

// Deletes everything below the folder, keeping the folder. A link is never followed: its name
// is the one that failed, with ERROR_CANT_RESOLVE_FILENAME (the restriction before it stops at
// links too). 0, or the first error with the path that failed.
DWORD DeleteContents(const std::wstring& folder, std::wstring& failed) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return 0;
        failed = folder;
        return error;
    }
    DWORD error = 0;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            error = ERROR_CANT_RESOLVE_FILENAME;
        } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            error = DeleteContents(path, failed);
            if (error == 0 && !RemoveDirectoryW(path.c_str())) error = GetLastError();
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileW(path.c_str())) error = GetLastError();
        }
        if (error != 0 && failed.empty()) failed = path;
    } while (error == 0 && FindNextFileW(search, &found));
    FindClose(search);
    return error;
}

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
        std::wstring reason;
        switch (restricted.refusal) {
            case prinstall::Refusal::Link: reason = L"a link to elsewhere, neither followed nor changed"; break;
            case prinstall::Refusal::HardLinked: reason = L"a file with further names (hard links)"; break;
            case prinstall::Refusal::NoPermissions: reason = L"on a volume that keeps no permissions"; break;
            case prinstall::Refusal::None: reason = L"error " + Decimal(restricted.error); break;
        }
        LogLine(install,
                L"could not restrict " + folder + L" to the administrators: " +
                    prinstall::Widen(restricted.entry.empty() ? path : restricted.entry) + L", " + reason,
                kSecureFolder);
        return ERROR_INSTALL_FAILURE;
    }
    LogLine(install, L"restricted " + folder + L" to the administrators", kSecureFolder);
    // What lay in the folder while others could change it may be theirs: it goes, since the
    // package brings every file it needs. A planted file held open would otherwise stay until
    // Windows Installer replaced it at the next restart, and RunPrinstall would start it now.
    std::wstring failed;
    const DWORD deleteError = DeleteContents(folder, failed);
    if (deleteError != 0) {
        LogLine(install,
                L"could not delete " + failed + L", which was there before the package: error " + Decimal(deleteError),
                kSecureFolder);
        return ERROR_INSTALL_FAILURE;
    }
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall RunPrinstall(MSIHANDLE install) {
    ClearRestartMark();
    const DWORD exitCode = RunRelayed(install, Property(install, L"CustomActionData"));
    LogLine(install, L"exit code " + Decimal(exitCode));
    if (exitCode == 0) return ERROR_SUCCESS;
    if (exitCode != kRestartRequired) return ERROR_INSTALL_FAILURE;
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
