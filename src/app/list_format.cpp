#include "app/list_format.h"

#include <cstdint>
#include <cstdio>

namespace prinstall {
namespace {

std::string CsvField(const std::string& text) {
    const bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

void AppendEscape(std::string& out, std::uint32_t unit) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
    out += escape;
}

// A JSON string of ASCII characters. A byte that starts no valid UTF-8 sequence stands for
// U+FFFD.
std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20) {
                AppendEscape(out, c);
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        std::uint32_t code = length == 4 ? c & 0x07u : length == 3 ? c & 0x0Fu : c & 0x1Fu;
        bool valid = length > 0 && i + length <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid || code > 0x10FFFF) {
            AppendEscape(out, 0xFFFD);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            AppendEscape(out, 0xD800 + ((code - 0x10000) >> 10));
            AppendEscape(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            AppendEscape(out, code);
        }
        i += static_cast<std::size_t>(length);
    }
    return out + "\"";
}

}  // namespace

std::vector<std::string> ListLines(const std::vector<ListedPrinter>& printers, ListFormat format) {
    std::vector<std::string> lines;
    switch (format) {
        case ListFormat::Tabs:
            for (const ListedPrinter& p : printers) lines.push_back(p.name + "\t" + p.driver + "\t" + p.port);
            break;
        case ListFormat::Csv:
            lines.push_back("Name,Driver,Port");
            for (const ListedPrinter& p : printers) {
                lines.push_back(CsvField(p.name) + "," + CsvField(p.driver) + "," + CsvField(p.port));
            }
            break;
        case ListFormat::Json:
            lines.push_back("[");
            for (std::size_t i = 0; i < printers.size(); ++i) {
                const ListedPrinter& p = printers[i];
                lines.push_back("  {\"name\": " + JsonString(p.name) + ", \"driver\": " + JsonString(p.driver) +
                                ", \"port\": " + JsonString(p.port) + "}" + (i + 1 < printers.size() ? "," : ""));
            }
            lines.push_back("]");
            break;
    }
    return lines;
}

}  // namespace prinstall
