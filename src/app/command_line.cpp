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

// The commands an option belongs to, as bits; kCommand marks the commands themselves.
enum : unsigned { kCommand = 0, kInstall = 1, kUninstall = 2, kDetect = 4, kAny = 8, kList = 16 };

struct OptionInfo {
    std::string_view name;  // lower case, without the leading "/"
    unsigned scope;
    bool takesValue;
    bool repeatable;
};

constexpr OptionInfo kOptions[] = {
    {"install", kCommand, false, false},       {"uninstall", kCommand, false, false},
    {"list", kCommand, false, false},          {"detect", kCommand, false, false},
    {"check", kCommand, false, false},         {"features", kCommand, false, false},
    {"prepare", kCommand, false, false},       {"?", kCommand, false, false},
    {"port", kInstall | kDetect, true, false}, {"usb", kInstall | kDetect, false, false},
    {"ip", kInstall | kDetect, true, false},   {"ipport", kInstall, true, false},
    {"copies", kInstall, true, false},         {"name", kInstall | kDetect, true, false},
    {"codepage", kInstall, true, false},       {"all", kUninstall, false, false},
    {"queue", kUninstall, true, true},         {"owner", kInstall | kUninstall, true, false},
    {"update", kInstall, false, false},        {"log", kAny, true, false},
    {"ifmissing", kInstall, false, false},     {"quiet", kAny, false, false},
    {"noentry", kInstall, false, false},       {"format", kList, true, false},
    {"usbwait", kInstall, true, false},        {"default", kInstall, true, true},
};

unsigned BitOf(Command command) {
    switch (command) {
        case Command::Install:
        case Command::Check: return kInstall;  // /check takes /install's options
        case Command::Uninstall: return kUninstall;
        case Command::Detect: return kDetect;
        case Command::List: return kList;
        default: return 0;
    }
}

// "/install only", "/install and /detect only", ...
std::string ScopeText(unsigned scope) {
    std::string text;
    for (const auto& [bit, name] :
         {std::pair{kInstall, "/install"}, {kUninstall, "/uninstall"}, {kDetect, "/detect"}, {kList, "/list"}}) {
        if (scope & bit) text += (text.empty() ? "" : " and ") + std::string(name);
    }
    return text + " only";
}

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

// A host name as DNS takes it: labels of 1 to 63 letters, digits and hyphens joined by dots,
// none beginning or ending with a hyphen, 253 characters at most. The last label is not all
// digits, so that no mistyped address passes as a name.
bool IsHostName(std::string_view text) {
    if (text.empty() || text.size() > 253) return false;
    std::string_view label;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t dot = text.find('.', start);
        if (dot == std::string_view::npos) dot = text.size();
        label = text.substr(start, dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        for (char c : label) {
            const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
            if (!allowed) return false;
        }
        start = dot + 1;
    }
    return label.find_first_not_of("0123456789") != std::string_view::npos;
}

// Reads every argument into `line`; the first fault found, or empty.
std::string Read(const std::vector<std::string>& arguments, CommandLine& line) {
    std::optional<Command> command;
    std::set<std::string_view> seen;
    // The options that belong to some commands only, for the check once the command is known.
    std::vector<std::pair<std::string, unsigned>> scoped;
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

        if (option->scope == kCommand) {
            if (command) {
                return "Give only one of /install, /check, /uninstall, /list, /detect, /features, /prepare and /?.";
            }
            command = name == "install"     ? Command::Install
                      : name == "check"     ? Command::Check
                      : name == "uninstall" ? Command::Uninstall
                      : name == "list"      ? Command::List
                      : name == "detect"    ? Command::Detect
                      : name == "features"  ? Command::Features
                      : name == "prepare"   ? Command::Prepare
                                            : Command::Help;
            continue;
        }
        if (option->scope != kAny) scoped.emplace_back(shown, option->scope);

        if (name == "port" || name == "usb" || name == "ip") {
            if (line.portSource != PortSource::None) return "Give only one of /port, /usb and /ip.";
            line.portSource = name == "port" ? PortSource::Port : name == "usb" ? PortSource::Usb : PortSource::Ip;
            if (name == "port") line.port = value;
            if (name == "ip" && value.find_first_not_of("0123456789.") != std::string::npos) {
                if (!IsHostName(value)) {
                    return "/ip needs an address or a host name of letters, digits, hyphens and dots, as in"
                           " /ip:192.168.0.20 or /ip:label-07.example.com";
                }
                line.ipAddress = value;
            } else if (name == "ip") {
                const std::optional<std::string> address = PlainIpAddress(value);
                if (!address) return "/ip needs four numbers from 0 to 255 joined by dots, as in /ip:192.168.0.20";
                if (!IsPrinterAddress(ParseAddress(*address).value_or(0))) {
                    return "/ip names no printer: " + *address + " (0.0.0.0, or 224.0.0.0 and up).";
                }
                line.ipAddress = *address;
            }
        } else if (name == "ipport") {
            const std::optional<int> port = Number(value, 5);
            if (!port || *port < 1 || *port > 65535) return "/ipport needs a port number from 1 to 65535.";
            line.ipPort = static_cast<std::uint32_t>(*port);
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
        } else if (name == "owner") {
            line.owner = value;
        } else if (name == "update") {
            line.update = true;
        } else if (name == "ifmissing") {
            line.ifMissing = true;
        } else if (name == "noentry") {
            line.noEntry = true;
        } else if (name == "all") {
            line.all = true;
        } else if (name == "default") {
            const std::size_t equals = value.find('=');
            const std::string feature = value.substr(0, equals);
            const std::string option = equals == std::string::npos ? "" : value.substr(equals + 1);
            if (feature.empty() || option.empty()) {
                return "/default needs a feature and an option, as in /default:Darkness=Level8";
            }
            for (const GpdDefault& d : line.defaults) {
                if (SameGpdName(d.feature, feature)) {
                    return "/default gives the feature " + feature + " more than once.";
                }
            }
            line.defaults.push_back({feature, option});
        } else if (name == "queue") {
            line.queues.push_back(value);
        } else if (name == "log") {
            line.logFile = value;
        } else if (name == "quiet") {
            line.quiet = true;
        } else if (name == "format") {
            const std::string form = Lower(value);
            if (form != "csv" && form != "json" && form != "tab") return "/format needs csv, json or tab.";
            line.format = form == "csv" ? ListFormat::Csv : form == "json" ? ListFormat::Json : ListFormat::Tabs;
        } else if (name == "usbwait") {
            const std::optional<int> seconds = Number(value, 3);
            if (!seconds || *seconds < 1 || *seconds > kMaxUsbWaitSeconds) {
                return "/usbwait needs a number of seconds from 1 to 600.";
            }
            line.usbWaitSeconds = *seconds;
        }
    }

    if (!command) {
        return "No command: give /install, /check, /uninstall, /list, /detect, /features, /prepare or /?.";
    }
    line.command = *command;
    if (line.command == Command::Help && arguments.size() > 1) return "/? takes no other options.";
    for (const auto& [shown, scope] : scoped) {
        if ((scope & BitOf(line.command)) == 0) return shown + " belongs to " + ScopeText(scope) + ".";
    }
    if ((line.command == Command::Install || line.command == Command::Check) && line.portSource == PortSource::None &&
        !line.update) {
        return (line.command == Command::Install ? "/install" : "/check") +
               std::string(" needs one of /port, /usb and /ip.");
    }
    if (seen.count("ipport") != 0 && line.portSource != PortSource::Ip) return "/ipport goes with /ip only.";
    if (line.update && !line.owner) return "/update needs /owner: the printers of that owner are updated.";
    if (line.usbWaitSeconds && line.portSource != PortSource::Usb) return "/usbwait belongs to /usb.";
    if (line.command == Command::Uninstall) {
        const int ways = (line.all ? 1 : 0) + (line.queues.empty() ? 0 : 1) + (line.owner ? 1 : 0);
        if (ways > 1) return "Give only one of /all, /queue and /owner, not both.";
        if (ways == 0) return "/uninstall needs /all or /queue or /owner.";
    }
    if (line.command == Command::Detect && !line.name) return "/detect needs /name: the printer to look for.";
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
           "  Prinstall.exe /install (/port:NAME | /usb | /ip:HOST [/ipport:N]) [/copies:N] [/name:TEXT]"
           " [/codepage:NNN] [/default:FEATURE=OPTION ...] [/usbwait:SECONDS] [/ifmissing] [/owner:TEXT] [/noentry]"
           " [/log:FILE] [/quiet]\n"
           "  Prinstall.exe /install /update /owner:TEXT [/port:NAME | /usb | /ip:HOST [/ipport:N]] [...]\n"
           "  Prinstall.exe /check (the options of /install)\n"
           "  Prinstall.exe /uninstall (/all | /queue:NAME [/queue:NAME ...] | /owner:TEXT) [/log:FILE] [/quiet]\n"
           "  Prinstall.exe /detect /name:TEXT [/port:NAME | /usb | /ip:HOST] [/log:FILE]\n"
           "  Prinstall.exe /list [/format:csv | /format:json] [/log:FILE]\n"
           "  Prinstall.exe /features [/log:FILE]\n"
           "  Prinstall.exe /prepare [/log:FILE]\n"
           "  Prinstall.exe /?\n"
           "/ip: the printer's IPv4 address (A.B.C.D) or host name; its port is IP_HOST."
           " /ipport: its raw printing port, 1 to 65535 (9100 when not given).\n"
           "/copies: 1 to 500. /usbwait: how long /usb looks for the printer, 1 to 600 seconds (30 by default)."
           " /codepage: " +
           codePages +
           ".\n"
           "/ifmissing: install nothing when a label printer queue already uses the port; with /name, when the"
           " printer of that name is there (moved to the port asked for, its driver updated when an older version"
           " installed it).\n"
           "/owner: the owner written into the record of each printer installed; /uninstall /owner removes exactly"
           " that owner's printers. /update: update in place the driver of every printer of the owner (when it has"
           " none, install as the other options say).\n"
           "/check: changes nothing; prints each reason this PC would refuse that installation now and ends with"
           " the exit code it would end with.\n"
           "/detect: prints the printer (name, driver, port) when it is installed with its record, nothing"
           " otherwise; ends with 0 either way.\n"
           "/default: the default option of a feature of the printer description (paper size, darkness, ...) that"
           " the printing preferences of each printer installed start with; once per feature.\n"
           "/features: prints the features of the printer description and their options, one feature a line"
           " (feature, then its options, separated by tabs).\n"
           "/prepare: from the folder the program and its media were copied or unpacked to, makes"
           " C:\\TORVA EPL Printer 2.X for administrators only and copies them into it (/install from there does"
           " the same first); run from that folder, the program installs only when this program or its package"
           " made it.\n"
           "/noentry: write no entry in the list of installed programs (a package that runs the"
           " installation brings its own).\n"
           "/format: /list as CSV with a header line (Name,Driver,Port) or as a JSON array of objects (name, driver,"
           " port), for PowerShell's ConvertFrom-Csv and ConvertFrom-Json; tab-separated lines by default.\n"
           "Exit codes: 0 success, 1603 failure, 1618 another Prinstall.exe is running,"
           " 1622 the log file cannot be opened or appended to (nothing was changed),"
           " 1625 forbidden by a policy of this Windows (protected print mode), 1633 this Windows is not supported,"
           " 1639 invalid command line, 3010 success, files in use are removed at the next restart.";
}

int ExitCodeOf(const Outcome& outcome) {
    switch (outcome.kind) {
        case OutcomeKind::Success: return outcome.restartRequired ? kExitRestartRequired : kExitSuccess;
        case OutcomeKind::Unsupported: return kExitUnsupported;
        case OutcomeKind::Forbidden: return kExitForbiddenByPolicy;
        case OutcomeKind::Failure: break;
    }
    return kExitFailure;
}

}  // namespace prinstall
