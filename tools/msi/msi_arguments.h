// The program's arguments as the package's custom actions hand them on (portable: no Windows
// header, so that the rules can be tested apart from Windows Installer).
//
// CustomActionData holds the arguments one after the other, separated by a tab, the program's
// full path first. A tab cannot occur in a path, so the package's fixed parts are written as
// they are (Prinstall.wxs); a property's value is added by EncodeArgument, which puts an escape
// character before every tab and escape character in it, so that no value can split into two
// arguments or run into the next one, whatever it holds.
//
// The program splits its command line as CommandLineToArgvW does: QuoteArgument writes an
// argument that comes back from that split exactly as it was.
#pragma once

#include <string>
#include <vector>

namespace prinstall::msi {

inline constexpr wchar_t kArgumentSeparator = L'\t';
inline constexpr wchar_t kArgumentEscape = L'\x1b';

// `argument` for CustomActionData: tabs and escape characters in it escaped.
std::wstring EncodeArgument(const std::wstring& argument);

// The arguments of CustomActionData, escapes removed; none for an empty one.
std::vector<std::wstring> DecodeArguments(const std::wstring& data);

// `argument` in quotes, with each quote in it escaped and the backslashes before a quote (or
// before the closing quote) doubled.
std::wstring QuoteArgument(const std::wstring& argument);

// The command line of `arguments`, each quoted, separated by spaces. The first, the program's
// path, holds no quote and needs no escapes (a path cannot hold a quote).
std::wstring CommandLine(const std::vector<std::wstring>& arguments);

}  // namespace prinstall::msi
