#include "msi_arguments.h"

namespace prinstall::msi {

std::wstring EncodeArgument(const std::wstring& argument) {
    std::wstring encoded;
    encoded.reserve(argument.size());
    for (const wchar_t c : argument) {
        if (c == kArgumentSeparator || c == kArgumentEscape) encoded += kArgumentEscape;
        encoded += c;
    }
    return encoded;
}

std::vector<std::wstring> DecodeArguments(const std::wstring& data) {
    std::vector<std::wstring> arguments;
    if (data.empty()) return arguments;
    std::wstring current;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == kArgumentEscape && i + 1 < data.size()) {
            current += data[++i];
        } else if (data[i] == kArgumentSeparator) {
            arguments.push_back(std::move(current));
            current.clear();
        } else {
            current += data[i];
        }
    }
    arguments.push_back(std::move(current));
    return arguments;
}

std::wstring QuoteArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes stand for themselves unless a quote follows: then each is doubled, and
        // one more escapes the quote.
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');  // before the closing quote
    quoted += L'"';
    return quoted;
}

std::wstring CommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) {
        if (!line.empty()) line += L' ';
        line += QuoteArgument(argument);
    }
    return line;
}

}  // namespace prinstall::msi
