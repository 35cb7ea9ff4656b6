// How a /log file is appended to, decided from how it begins: a new (or empty) file starts
// with a UTF-8 byte-order mark; UTF-8 with or without the mark gets UTF-8 lines, UTF-16 LE
// with its mark gets UTF-16 LE lines; anything else (UTF-16 BE, a legacy code page, binary
// data) is left alone rather than made unreadable.
#pragma once

#include <cstddef>
#include <string>

namespace prinstall {

enum class LogEncoding { New, Utf8, Utf16Le, Other };

// How many bytes of an existing file the decision reads.
inline constexpr std::size_t kLogHeadBytes = 65536;

inline constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// `head`: the file's first bytes (at most kLogHeadBytes); `whole`: whether that is all of it
// (else a character cut at the end of `head` is no fault).
LogEncoding LogEncodingOf(const std::string& head, bool whole);

}  // namespace prinstall
