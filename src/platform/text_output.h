// Where the command line's lines go: the console it was started from, a log file.
#pragma once

#include <string>

namespace prinstall {

// The text with every line, the last one too, ended by CR LF, as Windows text files and
// consoles take it.
inline std::string CrLfLines(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
        out += c;
    }
    return out + "\r\n";
}

class TextOutput {
public:
    virtual ~TextOutput() = default;
    // One line of UTF-8 text; the line end is added by the output, and a "\n" inside the
    // text ends a line as well (the usage text comes in one piece).
    virtual void WriteLine(const std::string& utf8) = 0;
    // One line of a listing for scripts (CSV, JSON): in the encoding a script reading the
    // output decodes it with, where the output knows it; else as WriteLine.
    virtual void WriteDataLine(const std::string& utf8) { WriteLine(utf8); }
};

}  // namespace prinstall
