// The command line of unattended runs: splitting the text as Windows does, reading the
// options into one record, and the usage text. With no arguments at all the program shows
// its dialogs as before.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/feedback.h"
#include "install/gpd_features.h"

namespace prinstall {

enum class Command { Dialogs, Install, Uninstall, List, Detect, Check, Features, Prepare, Help, Invalid };
enum class PortSource { None, Port, Usb, Ip };
// /list's forms: tab-separated lines (the default), CSV with a header, a JSON array.
enum class ListFormat { Tabs, Csv, Json };

struct CommandLine {
    Command command = Command::Dialogs;  // no arguments at all: the dialogs
    PortSource portSource = PortSource::None;
    std::string port;  // /port:NAME as given
    // /ip: in plain dotted decimal ("192.168.000.020" -> "192.168.0.20"), or a host name as given
    std::string ipAddress;
    std::uint32_t ipPort = 9100;  // /ipport: the raw printing port of the /ip printer
    int copies = 1;
    std::optional<std::string> name;       // /name:
    std::optional<int> codePage;           // /codepage: (the number, e.g. 850)
    bool ifMissing = false;                // /ifmissing: nothing when a label queue serves the port
    bool noEntry = false;                  // /noentry: a package brings the uninstall entry itself
    std::optional<std::string> owner;      // /owner: written into the records, or the owner to remove
    bool update = false;                   // /install /update: the owner's printers updated in place
    bool all = false;                      // /uninstall /all
    std::vector<std::string> queues;       // /queue: in order
    std::vector<GpdDefault> defaults;      // /default:FEATURE=OPTION in order, as given
    std::optional<std::string> logFile;    // /log:
    ListFormat format = ListFormat::Tabs;  // /list /format:
    std::optional<int> usbWaitSeconds;     // /usbwait: how long the USB printer is searched for
    bool quiet = false;
    std::string error;  // Invalid: what is wrong, one English line for the usage output
};

// Splits a Windows command line (the text after the program name, UTF-8) into arguments by
// the rules of CommandLineToArgvW (quotes, backslashes before quotes).
std::vector<std::string> SplitArguments(const std::string& arguments);

// Reads the options: names in any letter case after "/" or "-", values after ":" or "=".
// Anything unknown, contradictory or incomplete gives Command::Invalid with `error` set.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The USB printer search's bound by default, and the most /usbwait takes, in seconds.
inline constexpr int kDefaultUsbWaitSeconds = 30, kMaxUsbWaitSeconds = 600;

// The usage text printed for /? and for an invalid command line (English; a few lines).
std::string UsageText();

// The exit codes, as Windows Installer uses them, so that deployment tools read them alike.
// 1625 is its "forbidden by system policy": Windows protected print mode refuses the driver.
// 3010: done, but files held open go only when Windows restarts. 1622: the /log file cannot be
// opened or is in an encoding the run cannot append to; nothing was changed.
inline constexpr int kExitSuccess = 0, kExitFailure = 1603, kExitAlreadyRunning = 1618, kExitLogFileError = 1622,
                     kExitForbiddenByPolicy = 1625, kExitUnsupported = 1633, kExitInvalidCommandLine = 1639,
                     kExitRestartRequired = 3010;

// The exit code of an outcome: 3010 for a success that needs a restart, 1633 for a Windows
// that cannot take the driver, 1625 for a policy that forbids it, 1603 for any failure.
int ExitCodeOf(const Outcome& outcome);

}  // namespace prinstall
