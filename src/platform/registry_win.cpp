#include "platform/registry_win.h"

#include <windows.h>

#include "platform/system_export_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

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

}  // namespace prinstall
