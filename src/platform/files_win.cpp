#include "platform/files_win.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/handle_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

class WinInputFile : public InputFile {
public:
    explicit WinInputFile(HANDLE h) : file_(h) {}
    long Read(char* buffer, std::size_t size) override {
        DWORD got = 0;
        if (!ReadFile(file_.Get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
        return static_cast<long>(got);
    }

private:
    KernelHandle file_;
};

// Writes go out in blocks: a GPD clone is written line by line, and one WriteFile per line
// costs a system call each. A failed write shows at the next block or at Close.
class WinOutputFile : public OutputFile {
public:
    explicit WinOutputFile(HANDLE h) : file_(h) {}
    ~WinOutputFile() override { WriteHeld(); }
    bool Write(const char* data, std::size_t size) override {
        held_.append(data, size);
        return held_.size() < kBlock || WriteHeld();
    }
    bool Close() override {
        if (!file_) return true;
        const bool written = WriteHeld();
        bool flushed = FlushFileBuffers(file_.Get()) != FALSE;
        return file_.Reset() != FALSE && flushed && written;
    }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    bool WriteHeld() {
        if (held_.empty() || !file_) return !failed_;
        DWORD written = 0;
        if (!WriteFile(file_.Get(), held_.data(), static_cast<DWORD>(held_.size()), &written, nullptr) ||
            written != held_.size()) {
            failed_ = true;
        }
        held_.clear();
        return !failed_;
    }

    KernelHandle file_;
    std::string held_;
    bool failed_ = false;
};

}  // namespace

std::string WinFiles::ProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            // Started by a short (8.3) name, the program still names its folder in full: the
            // installation folder is told from any other by that name.
            std::vector<wchar_t> full(path.size() * 2);
            const DWORD m = GetLongPathNameW(path.data(), full.data(), static_cast<DWORD>(full.size()));
            return Narrow(m > 0 && m < full.size() ? full.data() : path.data());
        }
        path.resize(path.size() * 2);
    }
}

std::string WinFiles::SystemDirectory() {
    wchar_t folder[MAX_PATH + 1] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder);
}

bool WinFiles::SetWorkingDirectory(const std::string& path) {
    return SetCurrentDirectoryW(Widen(path).c_str()) != FALSE;
}

std::string WinFiles::WorkingDirectory() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> path(n + 1);
    GetCurrentDirectoryW(n + 1, path.data());
    return Narrow(path.data());
}

bool WinFiles::MakeDirectory(const std::string& path) {
    return CreateDirectoryW(Widen(path).c_str(), nullptr) != FALSE;
}

bool WinFiles::CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE) != FALSE;
}

bool WinFiles::RemoveFile(const std::string& path) {
    const std::wstring name = Widen(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        // DeleteFile refuses a read-only file (5).
        SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (DeleteFileW(name.c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool WinFiles::ScheduleRemovalAtRestart(const std::string& path) {
    // The session manager deletes what PendingFileRenameOperations (in the key Session Manager
    // of HKLM\SYSTEM\CurrentControlSet\Control) names, by name, early in the next start. A
    // library in use (the spooler's monitor, a driver a job holds) may still be renamed: it
    // moves aside first, so that a reinstallation before the restart keeps its new file.
    // A file opened without delete sharing cannot move; it is scheduled under its own name.
    const std::wstring name = Widen(path);
    std::wstring moved = name + L".";
    for (DWORD part : {GetCurrentProcessId(), GetTickCount()}) {
        for (int shift = 28; shift >= 0; shift -= 4) moved += L"0123456789abcdef"[(part >> shift) & 0xF];
    }
    moved += L".deleted";
    if (MoveFileExW(name.c_str(), moved.c_str(), 0)) {
        if (MoveFileExW(moved.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
        MoveFileExW(moved.c_str(), name.c_str(), 0);  // back under its name, for the caller to report
        return false;
    }
    return MoveFileExW(name.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

namespace {

// The pairs of a session manager's list of renames at restart: source "\??\C:\..." and
// target, an empty target for a deletion. False when the value is there but cannot be read;
// no value is an empty list.
bool ReadRenamesAtRestart(HKEY key, const wchar_t* name, std::vector<std::wstring>& entries) {
    entries.clear();
    DWORD type = 0, size = 0;
    LONG e = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (e == ERROR_FILE_NOT_FOUND) return true;
    if (e != ERROR_SUCCESS || type != REG_MULTI_SZ) return false;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    for (const wchar_t* p = data.data(); p < data.data() + size / sizeof(wchar_t);) {
        entries.emplace_back(p);
        p += entries.back().size() + 1;
    }
    // A list ends with an empty string: the pairs are what comes before it.
    while (!entries.empty() && entries.back().empty() && entries.size() % 2 == 1) entries.pop_back();
    return true;
}

constexpr const wchar_t* kRenameLists[] = {L"PendingFileRenameOperations", L"PendingFileRenameOperations2"};
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

}  // namespace

bool WinFiles::CancelRemovalAtRestart(const std::string& path) {
    // The pairs that delete this path go; everything else stays as it is.
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring source = L"\\??\\" + Widen(path);
    bool clear = true;
    for (const wchar_t* name : kRenameLists) {
        std::vector<std::wstring> entries;
        if (!ReadRenamesAtRestart(key, name, entries)) {
            clear = false;
            continue;
        }
        std::wstring kept;
        bool changed = false;
        for (size_t i = 0; i + 1 < entries.size(); i += 2) {
            if (entries[i + 1].empty() && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, entries[i].c_str(), -1,
                                                         source.c_str(), -1) == CSTR_EQUAL) {
                changed = true;
                continue;
            }
            kept += entries[i] + L'\0' + entries[i + 1] + L'\0';
        }
        if (!changed) continue;
        kept += L'\0';
        if (RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                           static_cast<DWORD>(kept.size() * sizeof(wchar_t))) != ERROR_SUCCESS) {
            clear = false;
        }
    }
    RegCloseKey(key);
    return clear;
}

std::vector<std::string> WinFiles::RemovalsAtRestart() {
    std::vector<std::string> paths;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return paths;
    for (const wchar_t* name : kRenameLists) {
        std::vector<std::wstring> entries;
        if (!ReadRenamesAtRestart(key, name, entries)) continue;
        for (size_t i = 0; i + 1 < entries.size(); i += 2) {
            if (!entries[i + 1].empty()) continue;
            const std::wstring& source = entries[i];
            paths.push_back(Narrow(source.rfind(L"\\??\\", 0) == 0 ? source.substr(4) : source));
        }
    }
    RegCloseKey(key);
    return paths;
}

bool WinFiles::FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t WinFiles::FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return static_cast<std::int64_t>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

namespace {

// -1 when the folder cannot be listed.
std::int64_t BytesBelow(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return -1;
    std::int64_t total = 0;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or symbolic link leads elsewhere: what lies there is not this folder's.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            total += std::max<std::int64_t>(BytesBelow(folder + L"\\" + name), 0);
        } else {
            total +=
                static_cast<std::int64_t>((static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return total;
}

}  // namespace

std::int64_t WinFiles::FolderSize(const std::string& path) { return BytesBelow(Widen(path)); }

bool WinFiles::ListFileNames(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((Widen(folder) + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        // No folder (3), or nothing matched (2): no files. Anything else leaves them unknown.
        const DWORD e = GetLastError();
        return e == ERROR_PATH_NOT_FOUND || e == ERROR_FILE_NOT_FOUND;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(entry.cFileName));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return true;
}

std::unique_ptr<InputFile> WinFiles::OpenForReading(const std::string& path) {
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WinInputFile>(h);
}

std::unique_ptr<OutputFile> WinFiles::CreateForWriting(const std::string& path) {
    HANDLE h =
        CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WinOutputFile>(h);
}

}  // namespace prinstall
