#include "app/list_format.h"

#include <gtest/gtest.h>

namespace prinstall {
namespace {

// CSV quotes only where it must; JSON is plain ASCII, Korean and characters beyond U+FFFF
// escaped, quotes and backslashes too.
TEST(ListLines, WritesCsvAndAsciiJsonThatScriptsReadBack) {
    const std::vector<ListedPrinter> printers = {
        {"\xEB\x9D\xBC\xEB\xB2\xA8 \"A\"", "TORVA Label Printer #1", "COM1:"},  // 라벨 "A"
        {" Dock\\1\xF0\x9F\x98\x80", "TORVA Label Printer #2", "IP_10.0.0.5"},
    };
    EXPECT_EQ(ListLines(printers, ListFormat::Csv),
              (std::vector<std::string>{"Name,Driver,Port",
                                        "\"\xEB\x9D\xBC\xEB\xB2\xA8 \"\"A\"\"\",TORVA Label Printer #1,COM1:",
                                        "\" Dock\\1\xF0\x9F\x98\x80\",TORVA Label Printer #2,IP_10.0.0.5"}));
    EXPECT_EQ(ListLines(printers, ListFormat::Json),
              (std::vector<std::string>{
                  "[",
                  "  {\"name\": \"\\ub77c\\ubca8 \\\"A\\\"\", \"driver\": \"TORVA Label Printer #1\", \"port\": "
                  "\"COM1:\"},",
                  "  {\"name\": \" Dock\\\\1\\ud83d\\ude00\", \"driver\": \"TORVA Label Printer #2\", \"port\": "
                  "\"IP_10.0.0.5\"}",
                  "]"}));
    EXPECT_EQ(ListLines({}, ListFormat::Json), (std::vector<std::string>{"[", "]"}));
}

}  // namespace
}  // namespace prinstall
