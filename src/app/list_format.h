// The forms /list writes its printers in for scripts: tab-separated lines, CSV with a header
// line, or a JSON array of objects.
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"

namespace prinstall {

struct ListedPrinter {
    std::string name, driver, port;  // UTF-8
};

// The lines of the list in `format`, without line ends. CSV quotes a field that holds a comma,
// a quote, a line end or blanks at either end, doubling its quotes. JSON holds ASCII only:
// every other character is written as \uXXXX (two for one beyond U+FFFF), so the text reads
// the same in whatever code page a shell decodes it.
std::vector<std::string> ListLines(const std::vector<ListedPrinter>& printers, ListFormat format);

}  // namespace prinstall
