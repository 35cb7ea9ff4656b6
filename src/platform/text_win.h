// UTF-8 (the program's text) <-> UTF-16 (the W functions of Windows).
#pragma once

#include <string>

namespace prinstall {

std::wstring widen(const std::string& utf8);
std::string narrow(const wchar_t* utf16);
inline std::string narrow(const std::wstring& utf16) { return narrow(utf16.c_str()); }

}  // namespace prinstall
