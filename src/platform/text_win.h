// UTF-8 (the program's text) <-> UTF-16 (the W functions of Windows).
#pragma once

#include <string>

namespace prinstall {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const wchar_t* utf16);
inline std::string Narrow(const std::wstring& utf16) { return Narrow(utf16.c_str()); }

}  // namespace prinstall
