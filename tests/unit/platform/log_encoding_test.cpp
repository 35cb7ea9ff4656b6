#include "platform/log_encoding.h"

#include <gtest/gtest.h>

namespace prinstall {
namespace {

using namespace std::string_literals;

TEST(LogEncoding, AppendsInTheFilesOwnEncodingAndLeavesAnyOtherAlone) {
    const struct {
        std::string head;
        bool whole;
        LogEncoding expected;
    } cases[] = {
        {"", true, LogEncoding::New},
        {"\xEF\xBB\xBF", true, LogEncoding::Utf8},
        {"\xEF\xBB\xBF"
         "2026-12-07 08:00:00 done\r\n",
         true, LogEncoding::Utf8},
        {"plain ASCII\r\n", true, LogEncoding::Utf8},
        {"\xED\x86\xA0\xEB\xB0\x94\r\n", true, LogEncoding::Utf8},  // Korean without a mark
        {"\xF0\x9F\x96\xA8", true, LogEncoding::Utf8},              // outside the BMP
        {"ok \xED\x86", false, LogEncoding::Utf8},                  // cut by the read, not in the file
        {"ok \xED\x86", true, LogEncoding::Other},                  // cut in the file itself
        {"\xFF\xFE"
         "d\0o\0n\0e\0"s,
         true, LogEncoding::Utf16Le},
        {"\xFE\xFF\0d\0o\0n\0e"s, true, LogEncoding::Other},  // UTF-16 BE
        {"\xC5\xE4\xB9\xD9", true, LogEncoding::Other},       // code page 949
        {"caf\xE9", true, LogEncoding::Other},                // code page 1252
        {"\xC0\xAF", true, LogEncoding::Other},               // overlong
        {"\xED\xA0\x80", true, LogEncoding::Other},           // a surrogate
        {"\xF4\x90\x80\x80", true, LogEncoding::Other},       // past U+10FFFF
        {"\xEF\xBB\xBF\xE9t\xE9", true, LogEncoding::Other},  // a mark over 1252 text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LogEncodingOf(c.head, c.whole), c.expected) << testing::PrintToString(c.head) << " " << c.whole;
    }
}

}  // namespace
}  // namespace prinstall
