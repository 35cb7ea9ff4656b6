#include "app/unattended_run.h"

#include <algorithm>

#include "core/guarded_run.h"
#include "core/platform_detection.h"
#include "core/spooler_guard.h"
#include "core/system_refusals.h"
#include "install/install_command.h"
#include "install/staging.h"

namespace prinstall {
namespace {

const char* const kSpoolerNotRunning = "The print spooler is not running.";
const Text kTemplateUnreadable = {"The printer description %s cannot be read.",
                                  "프린터 설명 파일 %s을(를) 읽을 수 없습니다."};
const Text kLogNotOpened = {"The log file %s cannot be opened: %s", "로그 파일 %s을(를) 열 수 없습니다: %s"};
const Text kLogNotText = {
    "The log file %s is neither UTF-8 nor UTF-16 LE text: it was left as it is and nothing was changed.",
    "로그 파일 %s은(는) UTF-8 또는 UTF-16 LE 텍스트가 아니므로 그대로 두었으며 아무것도 변경하지 않았습니다."};

// Calls `write` for each line of a text of several lines (a failure and its probable cause), so
// that every line the log gets carries its own time stamp.
template <class Write>
void EachLine(const std::string& text, Write write) {
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        write(text.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

void UnattendedRun::Line(const std::string& text) {
    EachLine(text, [this](const std::string& line) { console_.WriteLine(line); });
    LogLine(text);
}

void UnattendedRun::LogLine(const std::string& text) {
    if (log_ == nullptr) return;
    EachLine(text,
             [this](const std::string& line) { log_->WriteLine(app_.platform.clock.LocalTimestamp() + " " + line); });
}

void UnattendedRun::Progress(const std::optional<std::string>& status, int position, bool) {
    if (status) Line(Format("%s (%d%%)", status->c_str(), position));
}

void UnattendedRun::Message(const std::string& text, const std::string& caption) {
    Line(caption.empty() ? text : caption + ": " + text);
}

bool UnattendedRun::Result(const Outcome& outcome) {
    Line(outcome.text);
    return true;  // stop at the first failure
}

std::string LastLine(const std::string& text, int exitCode) {
    // The dialogs' texts may end in a blank; the line does not.
    const std::string trimmed = text.substr(0, text.find_last_not_of(' ') + 1);
    return Format("%s (exit code %d)", trimmed.c_str(), exitCode);
}

std::string LogFileRefusal(const std::string& path, const std::string& systemText, Language language) {
    const std::string text = systemText.empty() ? Format(kLogNotText.In(language), path.c_str())
                                                : Format(kLogNotOpened.In(language), path.c_str(), systemText.c_str());
    return LastLine(text, kExitLogFileError);
}

int UnattendedRun::Finish(const std::string& text, int exitCode) {
    Line(LastLine(text, exitCode));
    return exitCode;
}

int UnattendedRun::Run(const CommandLine& line) {
    language_ = LanguageForCodePage(app_.platform.systemInfo.AnsiCodePage());
    const Text& stopped = line.command == Command::Install     ? kInstallationStopped
                          : line.command == Command::Uninstall ? kRemovalStopped
                                                               : kProgramStopped;
    int exitCode = kExitFailure;
    const Outcome guarded = RunGuarded(
        [&] {
            exitCode = RunCommand(line);
            return Outcome::Success("");
        },
        stopped, language_, app_.platform.debug);
    return guarded.Ok() ? exitCode : Finish(guarded.text, kExitFailure);
}

int UnattendedRun::RunCommand(const CommandLine& given) {
    CommandLine settled = given;
    const CommandLine& line = settled;
    switch (line.command) {
        case Command::Help: console_.WriteLine(UsageText()); return kExitSuccess;
        case Command::Invalid: return InvalidLine(line.error);
        case Command::Dialogs: return kExitInvalidCommandLine;  // not for this front end
        default: break;
    }
    // The check changes nothing: no spooler start, no refusal before it has named every reason
    // (a line with defaults the template does not have is invalid for it too).
    if (line.command == Command::Check) {
        if (std::optional<int> refused = DefaultsRefusal(settled)) return *refused;
        return Check(line);
    }
    if (line.command == Command::Install) {
        // Refused before the spooler is even started.
        if (std::optional<Outcome> refused = InstallRefusal(app_.platform, language_)) {
            return Finish(refused->text, ExitCodeOf(*refused));
        }
        // The template is read before anything is changed, the spooler's state included.
        if (std::optional<int> refused = DefaultsRefusal(settled)) return *refused;
    }
    // Detection changes nothing, the spooler's state included: a stopped spooler lists no
    // queue, and nothing is detected.
    if (line.command == Command::Detect) return Detect(line);
    if (line.command == Command::Features) return Features();
    if (line.command == Command::Prepare) return Prepare();
    SpoolerGuard guard(app_.platform.services, app_.platform.clock, app_.platform.debug);
    if (!guard.EnsureSpoolerRunning(language_, [this](const std::string& text) { Line(text); })) {
        return Finish(kSpoolerNotRunning, kExitFailure);
    }
    if (line.command == Command::Install) return Install(line);
    if (line.command == Command::Uninstall) return Uninstall(line);
    return List(line.format);
}

int UnattendedRun::InvalidLine(const std::string& reason) {
    console_.WriteLine(reason);
    console_.WriteLine(UsageText());
    LogLine(reason);
    return Finish("Invalid command line.", kExitInvalidCommandLine);
}

std::optional<std::vector<GpdFeature>> UnattendedRun::TemplateFeatures(int& exitCode) {
    Files& files = *app_.platform.files;
    DetectPlatform(app_.platform.systemInfo, Numbering::PortDialog, app_.state.os);
    // Read before the installation folder is settled: the template of the media the program
    // was started from. An installation reads the folder's own again once it is settled.
    const std::string path = GpdTemplateBesideProgram(files, app_.state.os.processor);
    std::optional<std::vector<GpdFeature>> features = GpdTemplateFeatures(files, path);
    if (!features) {
        exitCode = Finish(Format(kTemplateUnreadable.In(language_), path.c_str()), kExitFailure);
    }
    return features;
}

std::optional<int> UnattendedRun::DefaultsRefusal(CommandLine& line) {
    if (line.defaults.empty()) return std::nullopt;
    int exitCode = kExitFailure;
    const std::optional<std::vector<GpdFeature>> features = TemplateFeatures(exitCode);
    if (!features) return exitCode;
    if (std::optional<std::string> refusal = SettleGpdDefaults(*features, line.defaults)) return InvalidLine(*refusal);
    return std::nullopt;
}

int UnattendedRun::EnumFailed(std::uint32_t error) {
    return Finish(Format("%s (EnumPrinters GetLastError()=%u)", kEnumFailed.In(language_), error), kExitFailure);
}

}  // namespace prinstall
