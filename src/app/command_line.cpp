#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

#include "core/label_drivers.h"
#include "ports/ip_address_dialog.h"
#include "ports/port_info_dialog.h"

namespace prinstall {
namespace {

enum class Scope { Command, Any, Install, Uninstall };

struct OptionInfo {
    std::string_view name;  // lower case, without the leading "/"
    Scope scope;
    bool takesValue;
    bool repeatable;
};

constexpr OptionInfo kOptions[] = {
    {"install", Scope::Command, false, false}, {"uninstall", Scope::Command, false, false},
    {"list", Scope::Command, false, false},    {"?", Scope::Command, false, false},
    {"port", Scope::Install, true, false},     {"usb", Scope::Install, false, false},
    {"ip", Scope::Install, true, false},       {"copies", Scope::Install, true, false},
    {"name", Scope::Install, true, false},     {"codepage", Scope::Install, true, false},
    {"all", Scope::Uninstall, false, false},   {"queue", Scope::Uninstall, true, true},
    {"log", Scope::Any, true, false},          {"ifmissing", Scope::Install, false, false},
    {"quiet", Scope::Any, false, false},       {"noentry", Scope::Install, false, false},
};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// A decimal number of 1 to `maxDigits` digits and nothing else (no sign, no blanks).
std::optional<int> Number(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "192.168.000.020" -> "192.168.0.20"; nullopt unless four numbers 0-255 joined by dots.
std::optional<std::string> PlainIpAddress(std::string_view text) {
    std::string out;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const std::optional<int> value = Number(text.substr(0, dot), 3);
        if (!value || *value > 255) return std::nullopt;
        out += (part ? "." : "") + std::to_string(*value);
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return out;
}

// Reads every argument into `line`; the first fault found, or empty.
std::string Read(const std::vector<std::string>& arguments, CommandLine& line) {
    std::optional<Command> command;
    std::set<std::string_view> seen;
    std::string installOnly, uninstallOnly;  // the first such option given, for the message
    for (const std::string& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
            return "Unexpected argument: " + argument;
        }
        const std::size_t separator = argument.find_first_of(":=", 1);
        const std::string name = Lower(std::string_view(argument).substr(1, separator - 1));
        const auto option =
            std::find_if(std::begin(kOptions), std::end(kOptions), [&](const OptionInfo& o) { return o.name == name; });
        if (option == std::end(kOptions)) return "Unknown option: " + argument;
        const std::string shown = "/" + name;
        const std::string value = separator == std::string::npos ? "" : argument.substr(separator + 1);
        if (option->takesValue && value.empty()) return shown + " needs a value, as in " + shown + ":VALUE";
        if (!option->takesValue && separator != std::string::npos) return shown + " takes no value.";
        if (!option->repeatable && !seen.insert(option->name).second) return shown + " is given more than once.";

        switch (option->scope) {
            case Scope::Command:
                if (command) return "Give only one of /install, /uninstall, /list and /?.";
                command = name == "install"     ? Command::Install
                          : name == "uninstall" ? Command::Uninstall
                          : name == "list"      ? Command::List
                                                : Command::Help;
                continue;
            case Scope::Install:
                if (installOnly.empty()) installOnly = shown;
                break;
            case Scope::Uninstall:
                if (uninstallOnly.empty()) uninstallOnly = shown;
                break;
            case Scope::Any: break;
        }

        if (name == "port" || name == "usb" || name == "ip") {
            if (line.portSource != PortSource::None) return "Give only one of /port, /usb and /ip.";
            line.portSource = name == "port" ? PortSource::Port : name == "usb" ? PortSource::Usb : PortSource::Ip;
            if (name == "port") line.port = value;
            if (name == "ip") {
                const std::optional<std::string> address = PlainIpAddress(value);
                if (!address) return "/ip needs four numbers from 0 to 255 joined by dots, as in /ip:192.168.0.20";
                if (!IsPrinterAddress(ParseAddress(*address).value_or(0))) {
                    return "/ip names no printer: " + *address + " (0.0.0.0, or 224.0.0.0 and up).";
                }
                line.ipAddress = *address;
            }
        } else if (name == "copies") {
            const std::optional<int> copies = Number(value, 3);
            if (!copies || *copies < 1 || *copies > kMaxCopyCount) return "/copies needs a number from 1 to 500.";
            line.copies = *copies;
        } else if (name == "codepage") {
            const std::optional<int> codePage = Number(value, 4);
            if (!codePage ||
                std::find(kCodePageNumbers.begin(), kCodePageNumbers.end(), *codePage) == kCodePageNumbers.end()) {
                return "/codepage:" + value + " is not a printer code page (see the list below).";
            }
            line.codePage = *codePage;
        } else if (name == "name") {
            line.name = value;
        } else if (name == "ifmissing") {
            line.ifMissing = true;
        } else if (name == "noentry") {
            line.noEntry = true;
        } else if (name == "all") {
            line.all = true;
        } else if (name == "queue") {
            line.queues.push_back(value);
        } else if (name == "log") {
            line.logFile = value;
        } else if (name == "quiet") {
            line.quiet = true;
        }
    }

    if (!command) return "No command: give /install, /uninstall, /list or /?.";
    line.command = *command;
    if (line.command == Command::Help && arguments.size() > 1) return "/? takes no other options.";
    if (!installOnly.empty() && line.command != Command::Install) return installOnly + " belongs to /install only.";
    if (!uninstallOnly.empty() && line.command != Command::Uninstall) {
        return uninstallOnly + " belongs to /uninstall only.";
    }
    if (line.command == Command::Install && line.portSource == PortSource::None) {
        return "/install needs one of /port, /usb and /ip.";
    }
    if (line.command == Command::Uninstall) {
        if (line.all && !line.queues.empty()) return "Give either /all or /queue, not both.";
        if (!line.all && line.queues.empty()) return "/uninstall needs /all or /queue.";
    }
    return {};
}

}  // namespace

std::vector<std::string> SplitArguments(const std::string& arguments) {
    std::vector<std::string> out;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0;
    const std::size_t n = arguments.size();
    for (;;) {
        while (i < n && blank(arguments[i])) ++i;
        if (i == n) return out;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !blank(arguments[i]))) {
            if (arguments[i] == '\\') {
                std::size_t count = 0;
                for (; i < n && arguments[i] == '\\'; ++i) ++count;
                if (i == n || arguments[i] != '"') {
                    argument.append(count, '\\');  // backslashes before anything but a quote stay
                    continue;
                }
                argument.append(count / 2, '\\');
                if (count % 2) {  // an odd count escapes the quote
                    argument += '"';
                    ++i;
                    continue;
                }
            }
            if (arguments[i] == '"') {
                // A run of quotes: the first opens or closes; inside quotes every third of a
                // run stands for itself, and a run that leaves two pending closes.
                int pending = quoted ? 2 : 1;
                for (++i; i < n && arguments[i] == '"'; ++i) {
                    if (++pending == 3) {
                        argument += '"';
                        pending = 0;
                    }
                }
                quoted = pending == 1;
                continue;
            }
            argument += arguments[i++];
        }
        out.push_back(std::move(argument));
    }
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (arguments.empty()) return line;
    std::string error = Read(arguments, line);
    if (error.empty()) return line;
    CommandLine invalid;
    invalid.command = Command::Invalid;
    invalid.error = std::move(error);
    // The refusal is logged too when the line names a log, wherever the fault lies.
    for (const std::string& argument : arguments) {
        const std::size_t separator = argument.find_first_of(":=", 1);
        if (argument.size() > 1 && (argument[0] == '/' || argument[0] == '-') && separator != std::string::npos &&
            separator + 1 < argument.size() && Lower(std::string_view(argument).substr(1, separator - 1)) == "log") {
            invalid.logFile = argument.substr(separator + 1);
            break;
        }
    }
    return invalid;
}

std::string UsageText() {
    std::string codePages;
    for (int page : kCodePageNumbers) codePages += (codePages.empty() ? "" : ", ") + std::to_string(page);
    return "Usage:\n"
           "  Prinstall.exe /install (/port:NAME | /usb | /ip:A.B.C.D) [/copies:N] [/name:TEXT] [/codepage:NNN]"
           " [/ifmissing] [/noentry] [/log:FILE] [/quiet]\n"
           "  Prinstall.exe /uninstall (/all | /queue:NAME [/queue:NAME ...]) [/log:FILE] [/quiet]\n"
           "  Prinstall.exe /list [/log:FILE]\n"
           "  Prinstall.exe /?\n"
           "/copies: 1 to 500. /codepage: " +
           codePages +
           ".\n"
           "/ifmissing: install nothing when a label printer queue already uses the port.\n"
           "/noentry: write no entry in the list of installed programs (a package that runs the"
           " installation brings its own).\n"
           "Exit codes: 0 success, 1603 failure, 1618 another Prinstall.exe is running,"
           " 1622 the log file cannot be opened or appended to (nothing was changed),"
           " 1625 forbidden by a policy of this Windows (protected print mode), 1633 this Windows is not supported,"
           " 1639 invalid command line, 3010 success, files in use are removed at the next restart.";
}

}  // namespace prinstall
