#include "platform/registry_win.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "platform/system_export_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

// Reads of a string value before giving up when it keeps growing between the size and the read.
constexpr int kMaxStringReads = 8;

HKEY ToKey(Registry::Key k) { return reinterpret_cast<HKEY>(k); }
Registry::Key FromKey(HKEY k) { return reinterpret_cast<Registry::Key>(k); }

// Whether this program runs under WOW64, the only place where the registry has a second view.
// IsWow64Process is looked up: Windows 2000 and XP before SP2 lack it and are 32-bit only.
bool RunsUnderWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
    auto isWow64Process = SystemExport<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

std::uint32_t WinRegistry::OpenKey(const std::string& path, Key& key) {
    HKEY h = nullptr;
    LONG e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_ALL_ACCESS, &h);
    key = e == ERROR_SUCCESS ? FromKey(h) : 0;
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::CreateKey(const std::string& path, const std::string& className, Key& key) {
    HKEY h = nullptr;
    std::wstring keyClass = Widen(className);
    LONG e = RegCreateKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, keyClass.data(), REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &h, nullptr);
    key = e == ERROR_SUCCESS ? FromKey(h) : 0;
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::SetString(Key key, const std::string& name, const std::string& value) {
    std::wstring v = Widen(value);
    return static_cast<std::uint32_t>(RegSetValueExW(ToKey(key), Widen(name).c_str(), 0, REG_SZ,
                                                     reinterpret_cast<const BYTE*>(v.c_str()),
                                                     static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))));
}

std::uint32_t WinRegistry::SetDword(Key key, const std::string& name, std::uint32_t value) {
    DWORD data = value;
    return static_cast<std::uint32_t>(RegSetValueExW(ToKey(key), Widen(name).c_str(), 0, REG_DWORD,
                                                     reinterpret_cast<const BYTE*>(&data), sizeof(data)));
}

std::uint32_t WinRegistry::CloseKey(Key key) { return static_cast<std::uint32_t>(RegCloseKey(ToKey(key))); }

std::uint32_t WinRegistry::DeleteKey(const std::string& path) {
    return static_cast<std::uint32_t>(RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(path).c_str()));
}

std::uint32_t WinRegistry::ProbeKey(const std::string& path) {
    HKEY h = nullptr;
    LONG e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_WRITE | KEY_QUERY_VALUE, &h);
    if (e == ERROR_SUCCESS) RegCloseKey(h);
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::OpenKeyForReading(const std::string& path, Key& key) {
    HKEY h = nullptr;
    LONG e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_READ, &h);
    key = e == ERROR_SUCCESS ? FromKey(h) : 0;
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::OpenKeyForReading64(const std::string& path, Key& key) {
    // KEY_WOW64_64KEY only where there is a 64-bit view: Windows 2000 does not know the flag
    // and refuses the opening with it.
    static const REGSAM view = RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
    HKEY h = nullptr;
    LONG e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_READ | view, &h);
    key = e == ERROR_SUCCESS ? FromKey(h) : 0;
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::QueryDword(Key key, const std::string& name, std::uint32_t& value) {
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG e = RegQueryValueExW(ToKey(key), Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (e != ERROR_SUCCESS) return static_cast<std::uint32_t>(e);
    if (type != REG_DWORD || size != sizeof(data)) return kErrorUnsupportedType;
    value = data;
    return 0;
}

std::uint32_t WinRegistry::QueryString(Key key, const std::string& name, std::string& value) {
    const std::wstring valueName = Widen(name);
    // Sized first, then read; a value that grows in between is asked for again.
    std::vector<BYTE> data;
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG e = RegQueryValueExW(ToKey(key), valueName.c_str(), nullptr, &type, nullptr, &size);
    for (int attempt = 0; e == ERROR_SUCCESS || e == ERROR_MORE_DATA; ++attempt) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) return kErrorUnsupportedType;
        if (e == ERROR_SUCCESS && attempt > 0) break;
        if (attempt == kMaxStringReads) return ERROR_MORE_DATA;
        // Room for a terminating zero that the value itself may lack.
        data.assign(size + sizeof(wchar_t), 0);
        e = RegQueryValueExW(ToKey(key), valueName.c_str(), nullptr, &type, data.data(), &size);
    }
    if (e != ERROR_SUCCESS) return static_cast<std::uint32_t>(e);
    // The data need not end with a zero, or may hold several: the text ends at the first.
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    value = Narrow(text);
    return 0;
}

std::uint32_t WinRegistry::ListSubkeys(Key key, std::vector<std::string>& names) {
    names.clear();
    // Subkey names are at most 255 characters.
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        LONG e = RegEnumKeyExW(ToKey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (e == ERROR_NO_MORE_ITEMS) return 0;
        if (e != ERROR_SUCCESS) {
            names.clear();
            return static_cast<std::uint32_t>(e);
        }
        names.push_back(Narrow(std::wstring(name, length)));
    }
}

std::uint32_t WinRegistry::CountContents(Key key, std::uint32_t& subkeys, std::uint32_t& values) {
    DWORD keyCount = 0, valueCount = 0;
    LONG e = RegQueryInfoKeyW(ToKey(key), nullptr, nullptr, nullptr, &keyCount, nullptr, nullptr, &valueCount, nullptr,
                              nullptr, nullptr, nullptr);
    if (e != ERROR_SUCCESS) return static_cast<std::uint32_t>(e);
    subkeys = keyCount;
    values = valueCount;
    return 0;
}

}  // namespace prinstall
