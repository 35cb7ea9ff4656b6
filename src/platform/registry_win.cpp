#include "platform/registry_win.h"

#include <windows.h>

#include "platform/text_win.h"

namespace prinstall {
namespace {

HKEY toKey(Registry::Key k) { return reinterpret_cast<HKEY>(k); }
Registry::Key fromKey(HKEY k) { return reinterpret_cast<Registry::Key>(k); }

}  // namespace

std::uint32_t WinRegistry::openKey(const std::string& path, Key& key) {
    HKEY h = nullptr;
    LONG e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, widen(path).c_str(), 0, KEY_ALL_ACCESS, &h);
    key = e == ERROR_SUCCESS ? fromKey(h) : 0;
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::createKey(const std::string& path, const std::string& className, Key& key) {
    HKEY h = nullptr;
    std::wstring keyClass = widen(className);
    LONG e = RegCreateKeyExW(HKEY_LOCAL_MACHINE, widen(path).c_str(), 0, keyClass.data(), REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &h, nullptr);
    key = e == ERROR_SUCCESS ? fromKey(h) : 0;
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::setString(Key key, const std::string& name, const std::string& value) {
    std::wstring v = widen(value);
    return static_cast<std::uint32_t>(RegSetValueExW(toKey(key), widen(name).c_str(), 0, REG_SZ,
                                                     reinterpret_cast<const BYTE*>(v.c_str()),
                                                     static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))));
}

std::uint32_t WinRegistry::setDword(Key key, const std::string& name, std::uint32_t value) {
    DWORD data = value;
    return static_cast<std::uint32_t>(RegSetValueExW(toKey(key), widen(name).c_str(), 0, REG_DWORD,
                                                     reinterpret_cast<const BYTE*>(&data), sizeof(data)));
}

std::uint32_t WinRegistry::closeKey(Key key) { return static_cast<std::uint32_t>(RegCloseKey(toKey(key))); }

std::uint32_t WinRegistry::deleteKey(const std::string& path) {
    return static_cast<std::uint32_t>(RegDeleteKeyW(HKEY_LOCAL_MACHINE, widen(path).c_str()));
}

std::uint32_t WinRegistry::probeKey(const std::string& path) {
    HKEY h = nullptr;
    LONG e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, widen(path).c_str(), 0, KEY_WRITE | KEY_QUERY_VALUE, &h);
    if (e == ERROR_SUCCESS) RegCloseKey(h);
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::openKeyForReading(const std::string& path, Key& key) {
    HKEY h = nullptr;
    LONG e = RegOpenKeyExW(HKEY_LOCAL_MACHINE, widen(path).c_str(), 0, KEY_READ, &h);
    key = e == ERROR_SUCCESS ? fromKey(h) : 0;
    return static_cast<std::uint32_t>(e);
}

std::uint32_t WinRegistry::queryDword(Key key, const std::string& name, std::uint32_t& value) {
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG e = RegQueryValueExW(toKey(key), widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (e != ERROR_SUCCESS) return static_cast<std::uint32_t>(e);
    if (type != REG_DWORD || size != sizeof(data)) return kErrorUnsupportedType;
    value = data;
    return 0;
}

}  // namespace prinstall
