// prinstall-proof.exe, which proof.cmd starts: runs the kit's suites on this machine one after
// another, each with its own time limit, and writes proof-<computer>-<date>\ beside the kit.
//
//   prinstall-proof.exe /disposable [/only:NAME,NAME*] [/media:FOLDER]
//
// The kit folder (where this program lies) holds suites.tsv, tests\ (the test programs),
// media\ (Prinstall.exe and the installation media as the tests expect them in the
// installation folder) and package\ (the packages the msi suite installs).
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/system_library_win.h"
#include "proof_core.h"

namespace {

const wchar_t kInstallFolder[] = L"C:\\TORVA EPL Printer 2.X";
const wchar_t kRecordsKey[] = L"SOFTWARE\\TORVA\\EPL Printer 2.X";
// The installation folder's record, which /prepare writes and the product's removal leaves.
const wchar_t kFolderRecordKey[] = L"SOFTWARE\\TORVA\\EPL Printer 2.X Folder";
const wchar_t kMakerKey[] = L"SOFTWARE\\TORVA";

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return "";
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return L"";
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

void Say(const std::string& line) {
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string ReadFileText(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string text;
    char block[8192];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0) text.append(block, read);
    CloseHandle(file);
    return text;
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    return ok;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every file below `folder` (relative names), with what `visit` gets for each.
void Walk(const std::wstring& folder, const std::wstring& relative,
          const std::function<void(const std::wstring&, const WIN32_FIND_DATAW&)>& visit, bool recurse = true) {
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring rel = relative.empty() ? name : relative + L"\\" + name;
        visit(rel, data);
        if (recurse && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            Walk(folder + L"\\" + name, rel, visit, recurse);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    bool ok = true;
    Walk(from, L"", [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok =
                (CreateDirectoryW((to + L"\\" + rel).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) && ok;
        } else {
            ok = CopyFileW((from + L"\\" + rel).c_str(), (to + L"\\" + rel).c_str(), FALSE) && ok;
        }
    });
    return ok;
}

// Removes a folder the kit made, with all it holds (read-only files included).
void RemoveTree(const std::wstring& folder) {
    if (!Exists(folder)) return;
    std::vector<std::wstring> folders;
    Walk(folder, L"", [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
        const std::wstring path = folder + L"\\" + rel;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(path);
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    });
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryW(it->c_str());
    RemoveDirectoryW(folder.c_str());
}

// Deletes a key of HKLM that holds no subkeys and, for the maker's key, nothing else. This
// 32-bit program reads and deletes in the 32-bit view, where the 32-bit product writes.
void DeleteEmptyKey(const wchar_t* path, bool onlyWhenEmpty) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    const bool read = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                       nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (read && subkeys == 0 && (!onlyWhenEmpty || values == 0)) RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
}

// The spooler's functions, from winspool.drv of the system folder: the kit may lie in a
// folder others can write, and a library of that name beside it must never be the one used.
struct SpoolerFunctions {
    decltype(&EnumPrintersW) enumPrinters = nullptr;
    decltype(&EnumPrinterDriversW) enumDrivers = nullptr;
    decltype(&EnumMonitorsW) enumMonitors = nullptr;
    decltype(&EnumPortsW) enumPorts = nullptr;
    decltype(&GetPrinterDriverDirectoryW) driverDirectory = nullptr;
    bool Loaded() const { return enumPrinters && enumDrivers && enumMonitors && enumPorts && driverDirectory; }
};

const SpoolerFunctions& Spooler() {
    static const SpoolerFunctions functions = [] {
        SpoolerFunctions f;
        HMODULE library = prinstall::LoadSystemLibrary(L"winspool.drv");
        if (!library) return f;
        auto get = [library](auto* pointer, const char* name) {
            *pointer = reinterpret_cast<std::remove_pointer_t<decltype(pointer)>>(
                reinterpret_cast<void*>(GetProcAddress(library, name)));
        };
        get(&f.enumPrinters, "EnumPrintersW");
        get(&f.enumDrivers, "EnumPrinterDriversW");
        get(&f.enumMonitors, "EnumMonitorsW");
        get(&f.enumPorts, "EnumPortsW");
        get(&f.driverDirectory, "GetPrinterDriverDirectoryW");
        return f;
    }();
    return functions;
}

// ---------------------------------------------------------------------------------------
// Processes: each suite in a job object, so that a hung suite ends with every program it
// started.

struct Run {
    DWORD startError = 0;
    bool timedOut = false;
    DWORD exitCode = 0;
    double seconds = 0;
};

Run RunLimited(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
               const std::wstring& outputFile, DWORD limitMs) {
    Run run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output =
        CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        run.startError = GetLastError();
        return run;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::wstring command = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    // Windows 7 nests no jobs: where the console already is in one, the suite leaves it.
    BOOL started =
        CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                       CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB, nullptr, folder.c_str(), &startup, &info);
    if (!started) {
        started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                                 folder.c_str(), &startup, &info);
    }
    CloseHandle(output);
    if (!started) {
        run.startError = GetLastError();
        if (job) CloseHandle(job);
        return run;
    }
    if (job) AssignProcessToJobObject(job, info.hProcess);
    const DWORD start = GetTickCount();
    ResumeThread(info.hThread);
    if (WaitForSingleObject(info.hProcess, limitMs) != WAIT_OBJECT_0) {
        run.timedOut = true;
        if (job) TerminateJobObject(job, 0xDEAD);
        TerminateProcess(info.hProcess, 0xDEAD);
        WaitForSingleObject(info.hProcess, 30000);
    } else if (job) {
        // What the suite started and left running goes with it.
        TerminateJobObject(job, 0xDEAD);
    }
    run.seconds = (GetTickCount() - start) / 1000.0;
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    if (job) CloseHandle(job);
    return run;
}

// ---------------------------------------------------------------------------------------
// The machine.

template <typename Function>
Function Lookup(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    return handle ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

std::string WineVersion() {
    using Version = const char*(CDECL*)();
    const auto version = Lookup<Version>(L"ntdll.dll", "wine_get_version");
    return version ? version() : "";
}

bool SystemIs64Bit() {
    using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = Lookup<IsWow64>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// File-system redirection off for the 64-bit system folder, in a scope.
class NoRedirection {
public:
    NoRedirection() {
        using Disable = BOOL(WINAPI*)(PVOID*);
        const auto disable = Lookup<Disable>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
        active_ = disable && disable(&old_);
    }
    ~NoRedirection() {
        using Revert = BOOL(WINAPI*)(PVOID);
        const auto revert = Lookup<Revert>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
        if (active_ && revert) revert(old_);
    }
    NoRedirection(const NoRedirection&) = delete;
    NoRedirection& operator=(const NoRedirection&) = delete;

private:
    PVOID old_ = nullptr;
    bool active_ = false;
};

std::string RegistryValueText(DWORD type, const BYTE* data, DWORD size) {
    switch (type) {
        case REG_DWORD: return std::to_string(*reinterpret_cast<const DWORD*>(data));
        case REG_SZ:
        case REG_EXPAND_SZ:
        case REG_MULTI_SZ: {
            std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
            for (wchar_t& c : text) {
                if (c == L'\0') c = L'|';
            }
            while (!text.empty() && text.back() == L'|') text.pop_back();
            return Utf8(text);
        }
        default: {
            std::string hex;
            char byte[4];
            for (DWORD i = 0; i < size; ++i) {
                std::snprintf(byte, sizeof byte, "%02x", data[i]);
                hex += byte;
            }
            return hex;
        }
    }
}

// Every value of a key as NAME=VALUE, and of its subkeys with their paths when `recurse`.
void RegistryItems(HKEY root, const std::wstring& path, REGSAM view, bool recurse, const std::string& prefix,
                   std::set<std::string>& items) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(size + 2);
        nameLength = 16384;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) continue;
        items.insert(prefix + Utf8(name) + "=" + RegistryValueText(type, data.data(), size));
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        items.insert(prefix + Utf8(name) + "\\");
        if (recurse) RegistryItems(root, path + L"\\" + name, view, true, prefix + Utf8(name) + "\\", items);
    }
    RegCloseKey(key);
}

// The spooler's "ask for the size, then call again" pattern.
template <typename Call>
std::vector<BYTE> Enumerated(Call call, DWORD* count) {
    DWORD needed = 0;
    *count = 0;
    call(nullptr, 0, &needed, count);
    std::vector<BYTE> buffer(needed + 16);
    if (!call(buffer.data(), static_cast<DWORD>(buffer.size()), &needed, count)) *count = 0;
    return buffer;
}

const wchar_t* const kEnvironments[] = {L"Windows NT x86", L"Windows x64", L"Windows IA64", L"Windows ARM64"};

std::wstring DriverDirectory(const wchar_t* environment) {
    wchar_t path[MAX_PATH] = {};
    DWORD needed = 0;
    if (!Spooler().driverDirectory(nullptr, const_cast<wchar_t*>(environment), 1, reinterpret_cast<BYTE*>(path),
                                   sizeof path, &needed)) {
        return L"";
    }
    return path;
}

proof::State CaptureState() {
    proof::State state;
    DWORD count = 0;
    auto printers = Enumerated(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
            return Spooler().enumPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, b, s, n, c);
        },
        &count);
    auto& queues = state["queues"];
    for (DWORD i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<PRINTER_INFO_2W*>(printers.data()) + i;
        queues.insert(Utf8(p->pPrinterName) + " (driver " + Utf8(p->pDriverName ? p->pDriverName : L"") + ", port " +
                      Utf8(p->pPortName ? p->pPortName : L"") + ")");
    }
    auto& drivers = state["drivers"];
    for (const wchar_t* environment : kEnvironments) {
        auto list = Enumerated(
            [environment](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
                return Spooler().enumDrivers(nullptr, const_cast<wchar_t*>(environment), 2, b, s, n, c);
            },
            &count);
        for (DWORD i = 0; i < count; ++i) {
            const auto* d = reinterpret_cast<DRIVER_INFO_2W*>(list.data()) + i;
            drivers.insert(Utf8(environment) + ": " + Utf8(d->pName) + " (version " + std::to_string(d->cVersion) +
                           ")");
        }
    }
    auto monitors = Enumerated(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return Spooler().enumMonitors(nullptr, 2, b, s, n, c); }, &count);
    auto& monitorItems = state["monitors"];
    for (DWORD i = 0; i < count; ++i) {
        const auto* m = reinterpret_cast<MONITOR_INFO_2W*>(monitors.data()) + i;
        monitorItems.insert(Utf8(m->pName) + " (" + Utf8(m->pDLLName ? m->pDLLName : L"") + ")");
    }
    auto ports = Enumerated(
        [](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return Spooler().enumPorts(nullptr, 2, b, s, n, c); }, &count);
    auto& portItems = state["ports"];
    for (DWORD i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<PORT_INFO_2W*>(ports.data()) + i;
        portItems.insert(Utf8(p->pPortName) + " (" + Utf8(p->pMonitorName ? p->pMonitorName : L"") + ")");
    }
    const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const std::pair<REGSAM, const char*> views[] = {{KEY_WOW64_64KEY, "64-bit view: "},
                                                    {KEY_WOW64_32KEY, "32-bit view: "}};
    for (const auto& [view, name] : views) {
        std::set<std::string> keys;
        RegistryItems(HKEY_LOCAL_MACHINE, uninstall, view, false, name, keys);
        for (const std::string& key : keys) {
            if (!key.empty() && key.back() == '\\') state["uninstall entries"].insert(key);
        }
        RegistryItems(HKEY_LOCAL_MACHINE, kRecordsKey, view, true, name, state["records"]);
        RegistryItems(HKEY_LOCAL_MACHINE, kFolderRecordKey, view, true, std::string(name) + "Folder\\",
                      state["records"]);
        // The printing policies (protected print mode, Point and Print), which tests switch.
        RegistryItems(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers", view, true, name,
                      state["printing policies"]);
    }
    // The file operations Windows does at the next start, one item each.
    auto& pending = state["pending file operations"];
    HKEY session = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &session) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExW(session, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) ==
            ERROR_SUCCESS) {
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
            if (RegQueryValueExW(session, L"PendingFileRenameOperations", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
                // Pairs of strings: the file, then its new name or an empty one for a deletion.
                std::vector<std::wstring> strings;
                for (const wchar_t* at = data.data(); at < data.data() + size / sizeof(wchar_t); at += wcslen(at) + 1) {
                    strings.push_back(at);
                }
                for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
                    if (strings[i].empty()) continue;
                    pending.insert(strings[i + 1].empty()
                                       ? "delete at restart: " + Utf8(strings[i])
                                       : "rename at restart: " + Utf8(strings[i]) + " to " + Utf8(strings[i + 1]));
                }
            }
        }
        RegCloseKey(session);
    }
    // The folders the program copies into: each driver directory with its subfolders (size
    // and time of every file), the system folder (names and sizes).
    NoRedirection redirection;
    for (const wchar_t* environment : kEnvironments) {
        const std::wstring folder = DriverDirectory(environment);
        if (folder.empty()) continue;
        auto& files = state["files: " + Utf8(folder)];
        Walk(folder, L"", [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                files.insert(Utf8(rel) + "\\");
                return;
            }
            char detail[64];
            std::snprintf(detail, sizeof detail, " (%lu bytes, written %08lx%08lx)", data.nFileSizeLow,
                          data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
            files.insert(Utf8(rel) + detail);
        });
    }
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    auto& systemFiles = state["files: " + Utf8(system)];
    Walk(
        system, L"",
        [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
            systemFiles.insert(Utf8(rel) + " (" + std::to_string(data.nFileSizeLow) + " bytes)");
        },
        false);
    // Folders in C:\ (the installation folder among them).
    Walk(
        L"C:", L"",
        [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) state["folders in C:\\"].insert(Utf8(rel));
        },
        false);
    return state;
}

// What the machine is, for the report.
std::vector<std::pair<std::string, std::string>> DescribeMachine(const std::string& wine, bool x64) {
    std::vector<std::pair<std::string, std::string>> out;
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(computer, &length);
    out.emplace_back("computer", Utf8(computer));
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (const auto rtl = Lookup<GetVersion>(L"ntdll.dll", "RtlGetVersion")) rtl(&version);
    out.emplace_back("Windows version", std::to_string(version.dwMajorVersion) + "." +
                                            std::to_string(version.dwMinorVersion) + " (service pack " +
                                            std::to_string(version.wServicePackMajor) + ")");
    std::set<std::string> current;
    RegistryItems(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", KEY_WOW64_64KEY, false, "",
                  current);
    auto value = [&](const std::string& name) {
        for (const std::string& item : current) {
            if (item.rfind(name + "=", 0) == 0) return item.substr(name.size() + 1);
        }
        return std::string();
    };
    out.emplace_back("build", std::to_string(version.dwBuildNumber) + (value("UBR").empty() ? "" : "." + value("UBR")));
    out.emplace_back("edition", value("ProductName") +
                                    (value("EditionID").empty() ? "" : " (" + value("EditionID") + ")") +
                                    (version.wProductType == VER_NT_WORKSTATION ? ", workstation" : ", server"));
    out.emplace_back("architecture", x64 ? "x64 (the 32-bit kit runs under WOW64)" : "x86");
    using UiLanguage = LANGID(WINAPI*)();
    LANGID ui = 0;
    if (const auto get = Lookup<UiLanguage>(L"kernel32.dll", "GetUserDefaultUILanguage")) ui = get();
    wchar_t language[128] = {};
    GetLocaleInfoW(MAKELCID(ui, SORT_DEFAULT), LOCALE_SENGLANGUAGE, language, 128);
    char id[16];
    std::snprintf(id, sizeof id, "0x%04x", ui);
    out.emplace_back("UI language", Utf8(language) + " (" + id + ")");
    out.emplace_back("ANSI code page", std::to_string(GetACP()));
    auto policy = [](const std::wstring& path) {
        std::set<std::string> items;
        RegistryItems(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, false, "", items);
        std::string text;
        for (const std::string& item : items) {
            if (item.back() != '\\') text += (text.empty() ? "" : ", ") + item;
        }
        return text.empty() ? std::string("not configured") : text;
    };
    out.emplace_back("protected print mode", policy(L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP"));
    out.emplace_back("Point and Print policy",
                     policy(L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\PointAndPrint"));
    out.emplace_back("driver signing policy", policy(L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Driver Signing"));
    out.emplace_back("driver signing setting", policy(L"SOFTWARE\\Microsoft\\Driver Signing"));
    out.emplace_back("Wine", wine.empty() ? "no" : wine);
    return out;
}

bool Elevated() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    // Under UAC a filtered token holds the group for denial only: not a member here.
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

// Queues of the installed product and records the kit did not make: the kit installs nothing
// beside them.
std::vector<std::string> ProductOnMachine() {
    std::vector<std::string> out;
    DWORD count = 0;
    auto printers =
        Enumerated([](BYTE* b, DWORD s, DWORD* n,
                      DWORD* c) { return Spooler().enumPrinters(PRINTER_ENUM_LOCAL, nullptr, 2, b, s, n, c); },
                   &count);
    for (DWORD i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<PRINTER_INFO_2W*>(printers.data()) + i;
        if (p->pDriverName && proof::IsProductDriver(Utf8(p->pDriverName))) {
            out.push_back("the queue \"" + Utf8(p->pPrinterName) + "\" of the product (driver " + Utf8(p->pDriverName) +
                          ") is installed");
        }
    }
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        std::set<std::string> records;
        RegistryItems(HKEY_LOCAL_MACHINE, std::wstring(kRecordsKey) + L"\\Printers", view, false, "", records);
        for (const std::string& record : records) {
            const std::string named =
                "the product's record HKLM\\" + Utf8(kRecordsKey) + "\\Printers\\" + record + " exists";
            if (std::find(out.begin(), out.end(), named) == out.end()) out.push_back(named);
        }
    }
    if (Exists(kInstallFolder)) out.push_back("the installation folder " + Utf8(kInstallFolder) + " exists");
    HKEY record = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFolderRecordKey, 0, KEY_READ, &record) == ERROR_SUCCESS) {
        RegCloseKey(record);
        out.push_back("the installation folder's record HKLM\\" + Utf8(kFolderRecordKey) + " exists");
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// The kit.

class Kit {
public:
    Kit(std::wstring folder, std::wstring report, proof::Machine machine)
        : folder_(std::move(folder)), report_(std::move(report)), machine_(machine) {}

    // The one set-up of the installation folder for a suite, as a deployment makes it: the
    // program makes the folder from the kit's media itself (/prepare: for administrators
    // only, recorded, the program and media copied in). The package's suite gets no folder:
    // the media become the folder a technician carries, and the package makes its own.
    std::string PrepareInstallationFolder(const proof::Suite& suite) {
        const std::wstring media = folder_ + L"\\media";
        if (suite.setup == "msi") {
            if (!CopyTree(media, L"C:\\Technician")) return "could not copy the media into C:\\Technician";
            return "";
        }
        const Run run = RunLimited(media + L"\\Prinstall.exe", L"/prepare", media,
                                   report_ + L"\\logs\\" + Wide(suite.name) + L"\\prepare.txt", 120000);
        if (run.startError || run.timedOut || run.exitCode != 0 || !Exists(kInstallFolder)) {
            return "Prinstall.exe /prepare did not set up " + Utf8(kInstallFolder) + " (exit code " +
                   std::to_string(run.exitCode) + ", see logs\\" + suite.name + "\\prepare.txt)";
        }
        return "";
    }

    // The kit's own set-up taken away: the installation folder /prepare made and its record
    // (which the product's removal leaves), the technician's folder.
    static void RemoveInstallationFolder() {
        RemoveTree(kInstallFolder);
        RemoveTree(L"C:\\Technician");
        DeleteEmptyKey(kFolderRecordKey, false);
        DeleteEmptyKey(kMakerKey, true);
    }

    // What a suite's set-up needs beyond the installation folder, done as on Windows.
    std::string PrepareSetup(const proof::Suite& suite) {
        if (suite.setup == "msi") {
            // The package brings the program and media itself; the packages lie in C:\ .
            const std::wstring package = folder_ + L"\\package\\";
            for (const wchar_t* name : {L"Prinstall.msi", L"Prinstall-next.msi", L"Prinstall-failing.msi"}) {
                if (!CopyFileW((package + name).c_str(), (std::wstring(L"C:\\") + name).c_str(), FALSE)) {
                    return "could not copy " + Utf8(name) + " into C:\\";
                }
            }
            if (!CopyFileW((folder_ + L"\\media\\Prinstall.exe").c_str(), L"C:\\Prinstall-package.exe", FALSE)) {
                return "could not copy Prinstall-package.exe into C:\\";
            }
        } else if (suite.setup == "released") {
            if (!CopyFileW((folder_ + L"\\release\\Prinstall.exe").c_str(),
                           (std::wstring(kInstallFolder) + L"\\Prinstall.exe").c_str(), FALSE)) {
                return "could not put the released program into the installation folder";
            }
        } else if (!suite.setup.empty()) {
            return "the set-up \"" + suite.setup + "\" exists only under Wine";
        }
        return "";
    }

    proof::SuiteResult RunSuite(const proof::Suite& suite, const std::string& skip) {
        proof::SuiteResult result;
        result.name = suite.name;
        result.timeoutSeconds = suite.timeoutSeconds;
        result.skipReason = skip;
        if (!skip.empty()) return result;
        Say("running " + suite.name + " (limit " + std::to_string(suite.timeoutSeconds) + " s)");
        const std::wstring name = Wide(suite.name);
        const std::wstring screenshots = report_ + L"\\screenshots\\" + name;
        const std::wstring logs = report_ + L"\\logs\\" + name;
        CreateDirectoryW(screenshots.c_str(), nullptr);
        CreateDirectoryW(logs.c_str(), nullptr);
        std::set<std::wstring> rootFiles = RootFiles();
        result.problem = PrepareInstallationFolder(suite);
        if (result.problem.empty()) result.problem = PrepareSetup(suite);
        if (result.problem.empty()) {
            std::vector<std::wstring> names;
            auto set = [&](const std::wstring& variable, const std::wstring& value) {
                SetEnvironmentVariableW(variable.c_str(), value.c_str());
                names.push_back(variable);
            };
            set(L"PRINSTALL_ARTEFACTS", screenshots);
            if (suite.noDisplay) {
                // Wine's diagnostics of window attempts reach a Unix file only under the
                // Wine test bed; here the test reads an empty one, and a window that
                // stops the program shows as a run that does not end.
                const std::wstring diagnostics = logs + L"\\wine-diagnostics.txt";
                WriteFileText(diagnostics, "");
                set(L"PRINSTALL_WINE_STDERR", diagnostics);
                set(L"PRINSTALL_NO_DISPLAY", L"1");
            }
            for (const std::string& kv : suite.environment) {
                const auto eq = kv.find('=');
                set(Wide(kv.substr(0, eq)), Wide(kv.substr(eq + 1)));
            }
            const std::wstring xml = report_ + L"\\xml\\" + name + L".xml";
            std::wstring arguments = L"--gtest_output=xml:\"" + xml + L"\"";
            const std::string filter = proof::FilterFor(suite, machine_);
            if (!filter.empty()) arguments = L"--gtest_filter=" + Wide(filter) + L" " + arguments;
            result.log = "logs\\" + suite.name + "\\output.txt";
            const Run run = RunLimited(folder_ + L"\\tests\\" + Wide(suite.program), arguments, L"C:\\",
                                       logs + L"\\output.txt", static_cast<DWORD>(suite.timeoutSeconds) * 1000);
            for (const std::wstring& variable : names) SetEnvironmentVariableW(variable.c_str(), nullptr);
            result.timedOut = run.timedOut;
            result.exitCode = run.exitCode;
            result.seconds = run.seconds;
            if (run.startError) result.problem = "could not be started (error " + std::to_string(run.startError) + ")";
            result.counts = proof::ReadJUnit(ReadFileText(xml));
        }
        // What the suite wrote into C:\ (logs, outputs) goes into the report; the folders the
        // kit made go.
        for (const std::wstring& file : RootFiles()) {
            if (!rootFiles.count(file))
                MoveFileExW((L"C:\\" + file).c_str(), (logs + L"\\" + file).c_str(),
                            MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING);
        }
        TakeBack(result, logs);
        RemoveInstallationFolder();
        return result;
    }

    // The Wine test bed throws each prefix away after its suite; here the machine stays. What
    // the product made, its own removal takes back (its records say what); the files of the
    // kit's media that appeared in the driver folders go too. Anything else stays, and the
    // comparison names it.
    void TakeBack(proof::SuiteResult& result, const std::wstring& logs) {
        std::set<std::string> records;
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            RegistryItems(HKEY_LOCAL_MACHINE, kRecordsKey, view, true, "", records);
        }
        if (!records.empty()) {
            const std::wstring media = folder_ + L"\\media";
            const Run run = RunLimited(media + L"\\Prinstall.exe", L"/uninstall /all /quiet", media,
                                       logs + L"\\take-back.txt", 300000);
            result.takenBack.push_back("Prinstall.exe /uninstall /all /quiet: exit code " +
                                       std::to_string(run.exitCode));
        }
        std::set<std::string> mediaNames;
        Walk(folder_ + L"\\media", L"", [&](const std::wstring&, const WIN32_FIND_DATAW& data) {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) mediaNames.insert(Utf8(data.cFileName));
        });
        NoRedirection redirection;
        for (const wchar_t* environment : kEnvironments) {
            const std::wstring directory = DriverDirectory(environment);
            if (directory.empty()) continue;
            const std::string section = "files: " + Utf8(directory);
            const auto before = before_.find(section);
            Walk(directory, L"", [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
                const std::string name = Utf8(rel);
                if (!proof::IsKitFileName(Utf8(data.cFileName), mediaNames)) return;
                if (before != before_.end()) {
                    const auto was = before->second.lower_bound(name + " (");
                    if (was != before->second.end() && was->rfind(name + " (", 0) == 0) return;
                }
                if (DeleteFileW((directory + L"\\" + rel).c_str())) {
                    result.takenBack.push_back(Utf8(directory) + "\\" + name);
                }
            });
        }
    }

    void SetBefore(const proof::State& before) { before_ = before; }

private:
    static std::set<std::wstring> RootFiles() {
        std::set<std::wstring> files;
        Walk(
            L"C:", L"",
            [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.insert(rel);
            },
            false);
        return files;
    }

    std::wstring folder_;
    std::wstring report_;
    proof::Machine machine_;
    proof::State before_;
};

// On Windows the stand-in media never go over Windows' own files: each media file of a
// Unidrv name becomes the machine's own from its driver directory, or the kit stops.
std::vector<std::string> UseMachineUnidrv(const std::wstring& media, bool x64) {
    std::vector<std::string> refusals;
    Walk(media, L"", [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !proof::IsWindowsOwnName(Utf8(data.cFileName))) {
            return;
        }
        const bool win64 = rel.rfind(L"Win64", 0) == 0;
        if (win64 && !x64) return;  // never copied on a 32-bit system
        const std::wstring directory = DriverDirectory(win64 ? L"Windows x64" : L"Windows NT x86");
        NoRedirection redirection;
        const std::wstring own = directory + L"\\3\\" + data.cFileName;
        if (directory.empty() || !Exists(own)) {
            refusals.push_back("this machine has no " + Utf8(own.empty() ? data.cFileName : own) +
                               " to stand for the kit's " + Utf8(rel) + "; give /media: with a release's media");
            return;
        }
        if (!CopyFileW(own.c_str(), (media + L"\\" + rel).c_str(), FALSE)) {
            refusals.push_back("could not take " + Utf8(own) + " as the media's " + Utf8(rel));
        }
    });
    // Whatever still carries the stand-ins' marker under a Windows name stops the kit.
    Walk(media, L"", [&](const std::wstring& rel, const WIN32_FIND_DATAW& data) {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !proof::IsWindowsOwnName(Utf8(data.cFileName))) {
            return;
        }
        if (rel.rfind(L"Win64", 0) == 0 && !x64) return;
        if (ReadFileText(media + L"\\" + rel).find("PRINSTALL STAND-IN") != std::string::npos) {
            refusals.push_back("the media's " + Utf8(rel) + " is a stand-in of a Windows file");
        }
    });
    return refusals;
}

std::wstring ReportFolder(const std::wstring& kit) {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(computer, &length);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t date[32];
    swprintf(date, 32, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    std::wstring folder = kit + L"\\proof-" + computer + L"-" + date;
    for (int n = 2; Exists(folder); ++n) {
        folder = kit + L"\\proof-" + computer + L"-" + date + L"-" + std::to_wstring(n);
    }
    return folder;
}

int Usage(const std::string& why) {
    Say("proof.cmd: " + why);
    Say("usage: proof.cmd /disposable [/only:NAME,NAME*] [/media:FOLDER]");
    Say("Run it from an elevated command prompt on a machine you can throw away (a virtual machine with a snapshot,");
    Say("or a PC about to be reimaged): it installs and removes printer drivers, queues and ports.");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {  // NOLINT(readability-identifier-naming): the C runtime names it
    bool disposable = false;
    std::string only;
    std::wstring mediaFolder;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (_wcsicmp(arg.c_str(), L"/disposable") == 0) {
            disposable = true;
        } else if (_wcsnicmp(arg.c_str(), L"/only:", 6) == 0) {
            only = Utf8(arg.substr(6));
        } else if (_wcsnicmp(arg.c_str(), L"/media:", 7) == 0) {
            mediaFolder = arg.substr(7);
        } else {
            return Usage("unknown option " + Utf8(arg));
        }
    }
    if (!disposable) return Usage("refused: give /disposable to say that this machine may be changed");
    if (!Elevated()) return Usage("refused: not elevated (start the command prompt as administrator)");
    if (!Spooler().Loaded())
        return Usage("refused: the spooler's winspool.drv could not be loaded from the system folder");
    if (!mediaFolder.empty()) {
        // Checking a release's media against the list its signed program carries is not done
        // yet: the kit refuses rather than install unverified files.
        return Usage("refused: /media:" + Utf8(mediaFolder) +
                     " cannot be verified against a release's signed list by this kit yet");
    }

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring kit = self;
    kit = kit.substr(0, kit.find_last_of(L'\\'));

    const std::string wine = WineVersion();
    proof::Machine machine;
    machine.wine = !wine.empty();
    machine.x64 = SystemIs64Bit();
    machine.codePage = GetACP();

    const proof::Manifest manifest = proof::ParseManifest(ReadFileText(kit + L"\\suites.tsv"));
    if (manifest.suites.empty() || !manifest.errors.empty()) {
        for (const std::string& error : manifest.errors) Say("suites.tsv " + error);
        return Usage("refused: the kit's suites.tsv lists no suites or cannot be read");
    }

    proof::Report report;
    report.machine = DescribeMachine(wine, machine.x64);
    report.machine.emplace_back("kit", Utf8(kit));
    report.machine.emplace_back("kit version", ReadFileText(kit + L"\\VERSION").substr(0, 64));
    report.refusals = ProductOnMachine();
    if (report.refusals.empty() && !machine.wine) {
        report.refusals = UseMachineUnidrv(kit + L"\\media", machine.x64);
    }

    const std::wstring folder = ReportFolder(kit);
    for (const wchar_t* sub : {L"", L"\\xml", L"\\logs", L"\\screenshots"}) {
        CreateDirectoryW((folder + sub).c_str(), nullptr);
    }
    Say("report: " + Utf8(folder));
    if (report.refusals.empty()) {
        // /check's view of the machine before anything is installed.
        RunLimited(kit + L"\\media\\Prinstall.exe", L"/check", kit + L"\\media", folder + L"\\check.txt", 120000);
        const proof::State before = CaptureState();
        WriteFileText(folder + L"\\state-before.txt", proof::StateText(before));
        proof::State previous = before;
        std::set<std::string> expectedAtRestart;
        Kit runner(kit, folder, machine);
        runner.SetBefore(before);
        for (const proof::Suite& suite : manifest.suites) {
            if (!only.empty() && !proof::NameMatches(only, suite.name)) continue;
            proof::SuiteResult result = runner.RunSuite(suite, proof::SkipReason(suite, machine));
            if (result.skipReason.empty()) {
                const proof::State now = CaptureState();
                result.leftovers = proof::Differences(previous, now);
                result.restartPending = proof::TakeRestartPending(&result.leftovers);
                result.restartExpected = suite.restartExpected;
                if (!suite.kitExclude.empty()) result.leftOut = suite.kitExclude + " (" + suite.kitExcludeReason + ")";
                if (!suite.restartExpected.empty()) {
                    expectedAtRestart.insert(result.restartPending.begin(), result.restartPending.end());
                }
                previous = now;
            }
            Say(std::string(result.skipReason.empty() ? (result.Failed() ? "  failed" : "  passed") : "  ") + " " +
                suite.name + (result.skipReason.empty() ? "" : " " + result.skipReason));
            report.suites.push_back(result);
            // The summary so far, should the machine stop before the end.
            WriteFileText(folder + L"\\summary.json", proof::SummaryJson(report));
        }
        const proof::State after = CaptureState();
        WriteFileText(folder + L"\\state-after.txt", proof::StateText(after));
        report.differences = proof::Differences(before, after);
        // What waits for the next restart is a difference unless a suite said it expects it.
        for (const std::string& item : proof::TakeRestartPending(&report.differences)) {
            if (expectedAtRestart.count(item)) {
                report.restartPending.push_back(item);
            } else {
                report.differences.push_back(item);
            }
        }
    }
    WriteFileText(folder + L"\\summary.txt", proof::SummaryText(report));
    WriteFileText(folder + L"\\summary.json", proof::SummaryJson(report));
    Say(proof::SummaryText(report));
    Say("report: " + Utf8(folder) + " (send this folder back, zipped)");
    return report.Failed() ? 1 : 0;
}
