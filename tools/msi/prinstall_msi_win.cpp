// PrinstallMsi.dll: the Windows Installer package's custom actions. They hold no installation
// rules: one hands the installation folder to the administrators, one adds the public
// properties to the program's command line, one runs that command line and relays its outcome,
// the last tells Windows Installer that a restart is needed.
//
// SecureFolder (deferred, not impersonated, before CreateFolders and InstallFiles):
// CustomActionData is the installation folder. Ordinary users may create folders at the root
// of C:\ and then own them, so the folder may be someone else's before the package comes:
// whatever they planted, or swap in later, InstallFiles would write beside and RunPrinstall
// would start as SYSTEM, and a handle they opened before any restriction keeps its rights.
// The folder the package fills is therefore one made with its final permissions in the call
// that creates it, and recorded (core/folder_record.h) so that the program proves it when it
// runs from there: a folder so recorded is kept; any other is first emptied and deleted. Its
// emptying: the folder and everything already in it get the program's own restriction
// (platform/folder_security_win):
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
// CheckBeforeFiles (immediate, on installation only, after the command line's property is set
// and before InstallValidate): the program's own refusals that need none of the package's
// files (msi_refusals.h), read from the very arguments RunPrinstall will give the program. A
// refusal ends the package with an error message that names it, before any file is copied.
//
// RunPrinstall (deferred, not impersonated): CustomActionData is the program's arguments
// (msi_arguments.h), the program's full path first; each is quoted as the program's
// CommandLineToArgvW-style split expects. The program inherits the pipe its output goes to and
// no other handle of the installer's process. It has kRunLimitMinutes to end (a USB search
// takes about 30 seconds, the spooler's work a few more): after that it is ended, and the
// action fails with a message that names the limit. Every line the program writes goes into
// the msiexec log; exit code 0 succeeds, 3010 succeeds and leaves the restart mark, anything else fails
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
#include <optional>
#include <string>
#include <vector>

#include "app/single_instance_win.h"
#include "core/folder_record.h"
#include "msi_arguments.h"
#include "msi_refusals.h"
#include "platform/basic_win.h"
#include "platform/folder_security_win.h"
#include "platform/registry_win.h"
#include "platform/system_export_win.h"
#include "platform/text_win.h"

namespace {

const wchar_t kRestartMark[] = L"SOFTWARE\\TORVA EPL Printer 2.X restart pending";
constexpr DWORD kRestartRequired = 3010;
const wchar_t kSecureFolder[] = L"SecureFolder";
const wchar_t kCheckBeforeFiles[] = L"CheckBeforeFiles";

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

// How long the program may run before the package gives up on it and ends it.
constexpr DWORD kRunLimitMinutes = 15;
constexpr DWORD kRunLimitMs = kRunLimitMinutes * 60 * 1000;
// How often the relay looks at the pipe while the program runs and writes nothing.
constexpr DWORD kPollMs = 50;

// The program's outcome: its exit code (~0 when it did not start), or that it was ended after
// kRunLimitMinutes.
struct Relayed {
    DWORD exitCode = ~0u;
    bool timedOut = false;
};

// The attribute-list functions (Vista and later), looked up in kernel32, which every process
// has loaded. Windows 2000 and XP have none of them. The constants and the extended start-up
// record are written here because the Windows 2000 headers the program is compiled with hide them.
struct HandleListApi {
    using InitializeFn = BOOL(WINAPI*)(void*, DWORD, DWORD, SIZE_T*);
    using UpdateFn = BOOL(WINAPI*)(void*, DWORD, DWORD_PTR, void*, SIZE_T, void*, SIZE_T*);
    using DeleteFn = void(WINAPI*)(void*);
    InitializeFn initialize =
        prinstall::SystemExport<InitializeFn>(L"kernel32.dll", "InitializeProcThreadAttributeList");
    UpdateFn update = prinstall::SystemExport<UpdateFn>(L"kernel32.dll", "UpdateProcThreadAttribute");
    DeleteFn remove = prinstall::SystemExport<DeleteFn>(L"kernel32.dll", "DeleteProcThreadAttributeList");
    bool Complete() const { return initialize && update && remove; }
};
constexpr DWORD_PTR kHandleListAttribute = 0x00020002;  // PROC_THREAD_ATTRIBUTE_HANDLE_LIST
constexpr DWORD kExtendedStartupInfo = 0x00080000;      // EXTENDED_STARTUPINFO_PRESENT
struct StartupInfoEx {
    STARTUPINFOW startup;
    void* attributes;
};

// Starts `command` with the write end of the pipe as its standard output and error, and with
// that handle as the only one it inherits where the system can say so (Vista and later). On
// Windows 2000 and XP every inheritable handle of this process goes along: of the pipe only the
// write end is inheritable, but whatever the installer's process itself made inheritable goes
// too, and a process another thread starts meanwhile with inheritance may get the write end
// (the relay's time limit then still ends the wait).
BOOL StartWithPipe(const std::wstring& program, std::wstring& command, HANDLE writeEnd, PROCESS_INFORMATION& process) {
    StartupInfoEx startup{};
    startup.startup.cb = sizeof startup.startup;
    startup.startup.dwFlags = STARTF_USESTDHANDLES;
    startup.startup.hStdOutput = writeEnd;
    startup.startup.hStdError = writeEnd;
    DWORD flags = CREATE_NO_WINDOW;
    const HandleListApi api;
    std::vector<BYTE> list;
    HANDLE inherited[] = {writeEnd};
    if (api.Complete()) {
        SIZE_T size = 0;
        api.initialize(nullptr, 1, 0, &size);
        list.resize(size);
        if (size != 0 && api.initialize(list.data(), 1, 0, &size)) {
            if (api.update(list.data(), 0, kHandleListAttribute, inherited, sizeof inherited, nullptr, nullptr)) {
                startup.startup.cb = sizeof startup;
                startup.attributes = list.data();
                flags |= kExtendedStartupInfo;
            } else {
                api.remove(list.data());
                list.clear();
            }
        } else {
            list.clear();
        }
    }
    const BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                        nullptr, &startup.startup, &process);
    const DWORD error = GetLastError();
    if (startup.attributes != nullptr) api.remove(list.data());
    SetLastError(error);
    return started;
}

// Runs the program with `arguments` (its full path first, so that no search path is involved),
// relaying its output, for kRunLimitMinutes at most: the reading as well, which would otherwise
// wait for the pipe's end as long as anything holds its write end.
Relayed RunRelayed(MSIHANDLE install, const std::vector<std::wstring>& arguments) {
    if (arguments.empty() || arguments.front().empty()) {
        LogLine(install, L"no program path in CustomActionData");
        return {};
    }
    const std::wstring& program = arguments.front();
    std::wstring command = prinstall::msi::CommandLine(arguments);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION process{};
    const BOOL started = StartWithPipe(program, command, writeEnd, process);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);  // the pipe ends when the program (and whatever inherited it) ends
    if (!started) {
        CloseHandle(readEnd);
        LogLine(install, L"Prinstall.exe did not start: error " + Decimal(startError) + L", " + program);
        return {};
    }
    const DWORD begun = GetTickCount();
    std::string pending;
    const auto relay = [&](const char* bytes, DWORD count) {
        pending.append(bytes, count);
        for (std::size_t newline; (newline = pending.find('\n')) != std::string::npos;) {
            LogUtf8Line(install, pending.substr(0, newline));
            pending.erase(0, newline + 1);
        }
    };
    Relayed outcome;
    char buffer[4096];
    for (bool ended = false;;) {
        // Whatever the pipe holds now; reading only what is there never blocks.
        DWORD available = 0, read = 0;
        const bool open = PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) != FALSE;
        if (open && available > 0) {
            if (!ReadFile(readEnd, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr))
                break;
            relay(buffer, read);
            continue;
        }
        // The pipe's end, or empty after the program ended: its lines are all in. (Something
        // the program started may still hold the write end; the program's outcome does not wait
        // for it.)
        if (!open || ended) break;
        if (GetTickCount() - begun >= kRunLimitMs) break;
        // Back at once when the program ends, to read what it wrote last.
        ended = WaitForSingleObject(process.hProcess, kPollMs) == WAIT_OBJECT_0;
    }
    if (!pending.empty()) LogUtf8Line(install, pending);
    CloseHandle(readEnd);
    // The rest of the limit, for a program that closed its output early and goes on.
    const DWORD spent = GetTickCount() - begun;
    if (WaitForSingleObject(process.hProcess, spent < kRunLimitMs ? kRunLimitMs - spent : 0) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    } else {
        TerminateProcess(process.hProcess, ERROR_TIMEOUT);
        WaitForSingleObject(process.hProcess, 5000);
        outcome.timedOut = true;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
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
            return L"a property's value was refused (PORT, USB, IP, IPPORT, COPIES, QUEUENAME, CODEPAGE, USBWAIT or "
                   L"LOG): nothing was "
                   L"changed";
        case 1603: return L"the program failed: its lines above say where";
        case ~0u: return L"the program did not run";
        default: return L"an exit code the program does not document";
    }
}

// A failure's message: a line in the log, and an error message (in a dialog too when the
// package runs with a full interface; none during a rollback, which is no new failure).
void ReportError(MSIHANDLE install, const std::wstring& text, const wchar_t* from = L"Prinstall.exe") {
    LogLine(install, text, from);
    if (MsiGetMode(install, MSIRUNMODE_ROLLBACK)) return;
    const MSIHANDLE record = MsiCreateRecord(1);
    if (record == 0) return;
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    MsiProcessMessage(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record);
    MsiCloseHandle(record);
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
    prinstall::WinRegistry registry;
    const std::string path = prinstall::Narrow(folder);
    const std::optional<prinstall::FolderRecord> record = prinstall::ReadFolderRecord(registry);
    const prinstall::FolderHold hold = security.Hold(path);
    security.Release();
    if (hold.Held() && record && record->identity == hold.identity) {
        // Made with its final permissions by this package or the program, and still that folder.
        LogLine(install, L"kept " + folder + L", made for the administrators by " + prinstall::Widen(record->madeBy),
                kSecureFolder);
        if (record->madeBy == prinstall::kFolderMadeByPackage) return ERROR_SUCCESS;
        const DWORD e = prinstall::WriteFolderRecord(registry, {hold.identity, prinstall::kFolderMadeByPackage});
        return e == 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
    }
    if (hold.error != ERROR_FILE_NOT_FOUND && hold.error != ERROR_PATH_NOT_FOUND) {
        // A folder nothing proves: restricted, what lay in it moved aside, then deleted, so that
        // the folder the package fills is one it made itself.
        const prinstall::Restriction restricted = security.RestrictToAdministrators(path);
        if (!restricted.Done()) {
            LogLine(install, L"could not restrict " + folder + L" to the administrators: " + Why(restricted, folder),
                    kSecureFolder);
            return ERROR_INSTALL_FAILURE;
        }
        LogLine(install, L"restricted " + folder + L" to the administrators", kSecureFolder);
        // What lay in the folder while others could change it may be theirs, and may be planted:
        // it goes aside, since the package brings every file it needs. A planted file held open
        // would otherwise stay, and RunPrinstall would start it now.
        std::wstring failed;
        const DWORD moveError = MoveContentsAside(install, folder, failed);
        if (moveError != 0) {
            LogLine(install,
                    L"could not move " + failed + L" aside, which was there before the package: error " +
                        Decimal(moveError),
                    kSecureFolder);
            return ERROR_INSTALL_FAILURE;
        }
        if (!RemoveDirectoryW(folder.c_str())) {
            LogLine(install, L"could not delete the emptied " + folder + L": error " + Decimal(GetLastError()),
                    kSecureFolder);
            return ERROR_INSTALL_FAILURE;
        }
    }
    // Made with its final permissions in the call that creates it: nobody else can have opened
    // it in between, as with a folder made first and restricted after.
    if (const DWORD e = security.CreateForAdministrators(path); e != 0) {
        LogLine(install, L"could not make " + folder + L" for the administrators: error " + Decimal(e), kSecureFolder);
        return ERROR_INSTALL_FAILURE;
    }
    const prinstall::FolderHold made = security.Hold(path);
    security.Release();
    const DWORD recorded =
        made.Held() ? prinstall::WriteFolderRecord(registry, {made.identity, prinstall::kFolderMadeByPackage})
                    : made.error;
    if (recorded != 0) {
        LogLine(install, L"could not record " + folder + L": error " + Decimal(recorded), kSecureFolder);
        return ERROR_INSTALL_FAILURE;
    }
    LogLine(install, L"made " + folder + L" for the administrators", kSecureFolder);
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall AddOptions(MSIHANDLE install) {
    // The public properties, each with its option; USB is a switch, whatever its value.
    static const struct {
        const wchar_t* property;
        const wchar_t* option;
        bool takesValue;
    } kOptions[] = {
        {L"PORT", L"/port:", true},         {L"USB", L"/usb", false},         {L"IP", L"/ip:", true},
        {L"IPPORT", L"/ipport:", true},     {L"COPIES", L"/copies:", true},   {L"QUEUENAME", L"/name:", true},
        {L"CODEPAGE", L"/codepage:", true}, {L"USBWAIT", L"/usbwait:", true}, {L"LOG", L"/log:", true}};
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

extern "C" __declspec(dllexport) UINT __stdcall CheckBeforeFiles(MSIHANDLE install) {
    // The command line RunPrinstall will run (RunInstallData or RunUpdateData set it), without
    // the program's path, as the program reads it.
    std::vector<std::wstring> arguments = prinstall::msi::DecodeArguments(Property(install, L"RunInstall"));
    if (arguments.empty()) {
        LogLine(install, L"no command line in RunInstall", kCheckBeforeFiles);
        return ERROR_INSTALL_FAILURE;
    }
    std::vector<std::string> line;
    for (std::size_t i = 1; i < arguments.size(); ++i) line.push_back(prinstall::Narrow(arguments[i]));
    prinstall::WinSingleRunObjects singleRun;  // its claim, if made, goes with it
    prinstall::WinSystemInfo system;
    prinstall::WinRegistry registry;
    prinstall::WinDebugLog debug;
    const std::optional<prinstall::msi::PackageRefusal> refused =
        prinstall::msi::RefusalBeforeFiles(line, singleRun, system, registry, debug);
    if (!refused) return ERROR_SUCCESS;
    const DWORD code = static_cast<DWORD>(refused->exitCode);
    ReportError(install,
                L"Nothing was installed: " + prinstall::Widen(refused->text) + L" (Prinstall.exe's exit code " +
                    Decimal(code) + L": " + Meaning(code) + L").",
                kCheckBeforeFiles);
    return ERROR_INSTALL_FAILURE;
}

extern "C" __declspec(dllexport) UINT __stdcall RunPrinstall(MSIHANDLE install) {
    ClearRestartMark();
    const Relayed relayed =
        RunRelayed(install, prinstall::msi::DecodeArguments(Property(install, L"CustomActionData")));
    if (relayed.timedOut) {
        ReportError(install, L"Prinstall.exe did not end within " + Decimal(kRunLimitMinutes) +
                                 L" minutes, the limit the package gives it: it was ended, and the package fails.");
        return ERROR_INSTALL_FAILURE;
    }
    const DWORD exitCode = relayed.exitCode;
    LogLine(install, L"exit code " + Decimal(exitCode));
    if (exitCode == 0) return ERROR_SUCCESS;
    if (exitCode != kRestartRequired) {
        // Windows Installer ends with 1603 whatever the program's code: the message says which
        // it was.
        ReportError(install, L"Prinstall.exe ended with " +
                                 (exitCode == ~0u ? std::wstring(L"no exit code") : Decimal(exitCode)) + L": " +
                                 Meaning(exitCode) + L".");
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
