#include "app/unattended_run.h"

#include <algorithm>

#include "app/list_format.h"

#include "core/driver_files.h"
#include "core/entry_names.h"
#include "core/guarded_run.h"
#include "core/interface_kind.h"
#include "core/label_drivers.h"
#include "core/platform_detection.h"
#include "core/printer_records.h"
#include "core/spooler_guard.h"
#include "core/system_refusals.h"
#include "install/clone_files.h"
#include "install/install_command.h"
#include "install/install_folder.h"
#include "install/staging.h"
#include "install/tcpip_port.h"
#include "platform/folder_security.h"
#include "ports/port_info_dialog.h"
#include "uninstall/removal.h"
#include "usb/usb_step.h"

namespace prinstall {
namespace {

const Text kNoSuchPort = {"The port %s does not exist.", "%s 포트가 없습니다."};
const Text kSpoolerDisabled = {
    "The Print Spooler service is disabled: the installation cannot start it. Set its start type to Automatic.",
    "Print Spooler 서비스가 사용 안 함으로 설정되어 있어 설치 프로그램이 시작할 수 없습니다. 시작 유형을 자동으로 "
    "설정하십시오."};
const Text kPortsNotChecked = {
    "Whether the port %s exists was not checked: the ports cannot be listed now (error %u), as when the spooler is "
    "stopped; the installation starts the spooler and checks it then.",
    "%s 포트가 있는지 확인하지 않았습니다: 지금은 포트 목록을 읽을 수 없습니다(오류 %u). 스풀러가 멈춰 있을 때와 "
    "같으며, 설치할 때 스풀러를 시작한 후 확인합니다."};
const Text kFolderOpen = {
    "Information: users other than administrators can change %s; the installation restricts it to administrators "
    "before it uses anything in it.",
    "정보: 관리자가 아닌 사용자도 %s을(를) 바꿀 수 있습니다. 설치 프로그램은 그 안의 파일을 쓰기 전에 관리자만 바꿀 "
    "수 있게 제한합니다."};
const Text kRunsElsewhere = {
    "Information: the program runs from %s: the installation first copies it and its media into %s, which it makes "
    "for administrators only unless this program made it.",
    "정보: 프로그램이 %s에서 실행 중입니다. 설치 프로그램은 먼저 프로그램과 미디어를 %s에 복사하며, 이 프로그램이 만든 "
    "폴더가 아니면 관리자 전용 폴더를 새로 만듭니다."};
const Text kPrepared = {"The program and its media are in %s, which only administrators can change.",
                        "프로그램과 미디어가 관리자만 변경할 수 있는 %s에 있습니다."};
const Text kRestartPending = {
    "Information: Windows deletes %d file(s) of the label printer driver at the next restart; an installation "
    "before then withdraws the deletions of the files it installs.",
    "정보: Windows가 다음에 다시 시작할 때 라벨 프린터 드라이버 파일 %d개를 삭제합니다. 그 전에 설치하면 설치하는 "
    "파일의 삭제는 취소됩니다."};
const Text kAdministratorsOnlyDrivers = {
    "Information: only administrators may install printer drivers on this PC (Point and Print policy): run the "
    "installation as an administrator or as SYSTEM.",
    "정보: 이 PC에서는 관리자만 프린터 드라이버를 설치할 수 있습니다(Point and Print 정책). 관리자 또는 SYSTEM으로 "
    "설치하십시오."};
const Text kCheckPassed = {"Nothing stands in the way of this installation now.",
                           "지금은 이 설치를 막는 것이 없습니다."};
const Text kCheckFailed = {"This installation would be refused now, for the reasons above.",
                           "지금은 위의 이유로 이 설치가 거부됩니다."};

constexpr const char* kSpoolerServiceKey = "SYSTEM\\CurrentControlSet\\Services\\Spooler";
constexpr std::uint32_t kServiceDisabled = 4;  // SERVICE_DISABLED, the service's "Start"
constexpr const char* kPointAndPrintKey = "SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\PointAndPrint";

// A DWORD value of the 64-bit view (the view the service manager and the policies use), or
// nothing when there is none.
std::optional<std::uint32_t> RegistryDword(Registry& registry, const char* path, const char* name) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading64(path, key) != 0) return std::nullopt;
    std::uint32_t value = 0;
    const bool found = registry.QueryDword(key, name, value) == 0;
    registry.CloseKey(key);
    return found ? std::optional<std::uint32_t>(value) : std::nullopt;
}
const Text kPortsNotListed = {
    "The ports could not be listed (error %u): the port %s cannot be checked. Nothing was installed.",
    "포트 목록을 읽지 못했습니다(오류 %u). %s 포트를 확인할 수 없습니다. 아무것도 설치하지 않았습니다."};
const Text kNotALabelQueue = {"\"%s\" is not a label printer queue.", "\"%s\"은(는) 라벨 프린터가 아닙니다."};
const char* const kSpoolerNotRunning = "The print spooler is not running.";
const Text kAlreadyServed = {"Nothing was installed: the label printer \"%s\" already prints to the port %s.",
                             "아무것도 설치하지 않았습니다. 라벨 프린터 \"%s\"이(가) 이미 %s 포트를 사용합니다."};
const Text kRecordsNotListed = {"The records of the printers (HKLM\\%s) could not be read.",
                                "프린터 기록(HKLM\\%s)을 읽을 수 없습니다."};
const Text kStaleRecordDeleted = {"The printer \"%s\" was not there any more: its record was deleted.",
                                  "프린터 \"%s\"이(가) 이미 없으므로 그 기록을 삭제했습니다."};
const Text kStaleRecordKept = {"The printer \"%s\" is not there any more, but its record could not be deleted.",
                               "프린터 \"%s\"이(가) 이미 없지만 그 기록을 삭제하지 못했습니다."};
const Text kOtherOwner = {"Nothing was installed: the printer \"%s\" belongs to the owner %s and stays as it is.",
                          "아무것도 설치하지 않았습니다: 프린터 \"%s\"은(는) 소유자 %s의 것이므로 그대로 둡니다."};
const Text kNoOwner = {"Nothing was installed: the printer \"%s\" belongs to no owner and stays as it is.",
                       "아무것도 설치하지 않았습니다: 프린터 \"%s\"은(는) 소유자가 없으므로 그대로 둡니다."};
const Text kForeignQueue = {
    "The printer \"%s\" has the name of a printer this program installed but not its driver \"%s\": it is not "
    "this program's and stays.",
    "프린터 \"%s\"은(는) 이 프로그램이 설치한 프린터의 이름을 가졌지만 그 드라이버 \"%s\"을(를) 쓰지 않으므로 이 "
    "프로그램의 것이 아니며 그대로 둡니다."};
const Text kRenamedQueue = {"The printer \"%s\" is now named \"%s\".", "프린터 \"%s\"의 이름이 이제 \"%s\"입니다."};
const Text kNothingToUpdate = {"Nothing was updated: no printer is recorded for the owner %s.",
                               "업데이트한 것이 없습니다: 소유자 %s의 프린터 기록이 없습니다."};
const Text kTemplateUnreadable = {"The printer description %s cannot be read.",
                                  "프린터 설명 파일 %s을(를) 읽을 수 없습니다."};
const Text kLogNotOpened = {"The log file %s cannot be opened: %s", "로그 파일 %s을(를) 열 수 없습니다: %s"};
const Text kLogNotText = {
    "The log file %s is neither UTF-8 nor UTF-16 LE text: it was left as it is and nothing was changed.",
    "로그 파일 %s은(는) UTF-8 또는 UTF-16 LE 텍스트가 아니므로 그대로 두었으며 아무것도 변경하지 않았습니다."};

// The mark of the run that installed a queue, from its record; empty when there is none.
std::string RunMark(Registry& registry, const std::string& queueName) {
    Registry::Key key = 0;
    std::string run;
    if (registry.OpenKeyForReading(std::string(kQueueRecordsKey) + "\\" + queueName, key) != 0) return run;
    registry.QueryString(key, "Run", run);
    registry.CloseKey(key);
    return run;
}

// The port the queue of an installation would print to: the label monitor's port for a USB
// printer (the command line always installs through the monitor, as the port dialog does),
// the Standard TCP/IP port of an address, the named port otherwise.
std::string RequestedPort(const CommandLine& line) {
    switch (line.portSource) {
        case PortSource::Usb: return kPortMonitorPort;
        case PortSource::Ip: return TcpIpPortName(line.ipAddress, line.ipPort);
        default: return line.port;
    }
}

const Text kUsbSearchStarted = {
    "Looking for the USB label printer for up to %d seconds: it must be attached and switched on.",
    "USB 라벨 프린터를 최대 %d초 동안 찾습니다: 프린터가 연결되어 있고 켜져 있어야 합니다."};

// The USB search without its windows: the instruction is taken as confirmed at once, and
// the search runs its whole budget; when it starts looking, it says so and for how long.
class SilentUsbView : public UsbStepView {
public:
    SilentUsbView(UnattendedRun& run, Language language, int seconds)
        : run_(run), language_(language), seconds_(seconds) {}
    int RunWarning() override { return 1; }
    // With the focus: the search proper, after a first lookup found nothing.
    void ShowSearch(bool focus) override {
        if (focus) run_.Line(Format(kUsbSearchStarted.In(language_), seconds_));
    }
    void SetSearchProgress(int) override {}
    void DestroySearch() override {}

private:
    UnattendedRun& run_;
    Language language_;
    int seconds_;
};

// The install command's front-end steps from the command line's values.
class UnattendedSteps : public InstallSteps {
public:
    UnattendedSteps(AppContext& app, UnattendedRun& run, const CommandLine& line, Language language)
        : app_(app), run_(run), line_(line), language_(language) {}

    bool ChoosePort(PortChoice& choice) override {
        // What the port dialog does when it opens and is confirmed.
        DetectPlatform(app_.platform.systemInfo, Numbering::PortDialog, app_.state.os);
        if (app_.state.os.processor == 2) run_.Line(kItaniumNotSupported);
        app_.state.useLabelPortMonitor = true;
        if (line_.codePage) {
            for (int i = 0; i < kCodePageCount; ++i) {
                if (kCodePageNumbers[static_cast<size_t>(i)] == *line_.codePage) app_.state.codePage = i;
            }
        }
        switch (line_.portSource) {
            // The printer's own port or nothing: a queue the spooler would put on COM1: instead
            // fails the run (the dialogs keep their fallback and say so).
            case PortSource::Usb: choice = {kInterfaceUsb, kUsbPortEntry, "", true}; break;
            case PortSource::Ip:
                choice = {kInterfaceTcpIp, kNetworkPortEntry, line_.ipAddress, true, line_.ipPort};
                break;
            default:
                // The operator named this port: a queue the spooler would put on COM1: instead
                // is a failure, not an installation on a port nobody asked for. A name that
                // only looks like a USB or network port ("USB001") is that very port too: no
                // printer search, no label monitor's port, no Standard TCP/IP port made.
                {
                    const int kind = InterfaceKindOf(line_.port);
                    const bool named = kind == kInterfaceUsb || kind == kInterfaceTcpIp;
                    choice = {named ? kInterfaceSerial : kind, line_.port, "", true};
                }
                break;
        }
        return true;
    }
    bool RunUsbStep(int& searchCounter) override {
        const int seconds = line_.usbWaitSeconds.value_or(kDefaultUsbWaitSeconds);
        searchCounter = UsbSearchCounterFor(seconds);
        SilentUsbView view(run_, language_, seconds);
        // Nobody confirms: the run just ends, and its last line names the failure.
        const auto endRun = [](const std::string&) { return 2; };
        return prinstall::RunUsbStep(app_, view, language_, searchCounter, endRun, [] {}) == kUsbStepGoOn;
    }
    bool WriteTcpIpPortValues(const TcpIpPortSettings& settings) override {
        Platform& p = app_.platform;
        TcpIpPortWriter writer(
            *p.registry, p.services, p.clock, p.debug, [this](const std::string& text) { run_.Line(text); },
            [this](const std::string& text, const std::string&) { run_.Line(text); });
        writer.WriteTcpIpPortValues(settings);
        return writer.SpoolerRestarted();
    }
    void Note(const std::string& text) override { run_.Line(text); }
    void CopyInstalled(const InstalledCopy& copy) override {
        run_.Line(Format("\"%s\" installed with the driver \"%s\".", copy.queueName.c_str(), copy.driverName.c_str()));
    }

private:
    AppContext& app_;
    UnattendedRun& run_;
    const CommandLine& line_;
    Language language_;
};

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

int UnattendedRun::Check(const CommandLine& line) {
    Platform& p = app_.platform;
    int exitCode = kExitSuccess;
    // Each reason on a line of its own; the exit code is the first one's, as the installation
    // stops at the first.
    const auto refuse = [&](const std::string& text, int code) {
        Line(text);
        if (exitCode == kExitSuccess) exitCode = code;
    };
    for (const Outcome& refused : InstallRefusals(p.systemInfo, p.registry, language_)) {
        refuse(refused.text, ExitCodeOf(refused));
    }
    if (p.registry != nullptr && RegistryDword(*p.registry, kSpoolerServiceKey, "Start") == kServiceDisabled) {
        refuse(kSpoolerDisabled.In(language_), kExitFailure);
    }
    DetectPlatform(p.systemInfo, Numbering::PortDialog, app_.state.os);
    app_.state.useLabelPortMonitor = true;
    UnattendedSteps steps(app_, *this, line, language_);
    InstallCommand command(app_, *this, steps);
    if (std::optional<Outcome> refused = command.MediaRefusal()) refuse(refused->text, kExitFailure);
    if (line.portSource == PortSource::Port) {
        std::vector<std::string> ports;
        if (const std::uint32_t e = p.spooler.ListPorts(ports); e != 0) {
            // A stopped spooler lists nothing; the installation starts it first.
            Line(Format(kPortsNotChecked.In(language_), line.port.c_str(), e));
        } else if (std::none_of(ports.begin(), ports.end(),
                                [&](const std::string& port) { return SameQueueName(p.spooler, port, line.port); })) {
            refuse(Format(kNoSuchPort.In(language_), line.port.c_str()), kExitFailure);
        }
    }

    if (p.files != nullptr && !RunsFromInstallFolder(*p.files)) {
        const std::string program = p.files->ProgramPath();
        Line(Format(kRunsElsewhere.In(language_), program.substr(0, program.find_last_of('\\')).c_str(),
                    kInstallFolder));
    } else if (p.files != nullptr) {
        if (std::optional<std::string> refused = InstallFolderRefusal(p, language_)) refuse(*refused, kExitFailure);
    }
    // What the installation deals with itself, or what only others meet, for information.
    if (p.folderSecurity != nullptr &&
        p.folderSecurity->WritableByOthers(kInstallFolder) != WriteAccess::AdministratorsOnly) {
        Line(Format(kFolderOpen.In(language_), kInstallFolder));
    }
    int pending = 0;
    for (const std::string& path : p.files->RemovalsAtRestart()) {
        const std::string name = path.substr(path.find_last_of('\\') + 1);
        pending += NumberedFileNumber(name) != 0 || SameQueueName(p.spooler, name, kPortMonitorModule) ||
                   SameQueueName(p.spooler, name, kPortMonitorUiModule);
    }
    if (pending > 0) Line(Format(kRestartPending.In(language_), pending));
    if (p.registry != nullptr &&
        RegistryDword(*p.registry, kPointAndPrintKey, "RestrictDriverInstallationToAdministrators").value_or(1) != 0) {
        Line(kAdministratorsOnlyDrivers.In(language_));
    }
    return Finish(exitCode == kExitSuccess ? kCheckPassed.In(language_) : kCheckFailed.In(language_), exitCode);
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

int UnattendedRun::Prepare() {
    std::vector<std::string> said;
    const std::optional<Outcome> refused = SettleInstallFolder(app_.platform, language_, said);
    for (const std::string& text : said) Line(text);
    if (refused) return Finish(refused->text, kExitFailure);
    return Finish(Format(kPrepared.In(language_), kInstallFolder), kExitSuccess);
}

int UnattendedRun::Features() {
    int exitCode = kExitFailure;
    const std::optional<std::vector<GpdFeature>> features = TemplateFeatures(exitCode);
    if (!features) return exitCode;
    for (const GpdFeature& feature : *features) {
        std::string row = feature.name;
        for (const std::string& option : feature.options) row += "\t" + option;
        Line(row);
    }
    // The console shows the features alone, for scripts to read; the log ends as every run does.
    LogLine("(exit code 0)");
    return kExitSuccess;
}

int UnattendedRun::Install(const CommandLine& line) {
    Platform& p = app_.platform;
    CommandLine chosen = line;
    if (line.portSource == PortSource::Port) {
        // Port names compare without regard to letter case, as the spooler compares them; the
        // queue goes on the port under the spooler's own spelling.
        std::vector<std::string> ports;
        std::string known;
        const std::uint32_t e = p.spooler.ListPorts(ports);
        if (e != 0) return Finish(Format(kPortsNotListed.In(language_), e, line.port.c_str()), kExitFailure);
        for (const std::string& port : ports) {
            if (known.empty() && SameQueueName(p.spooler, port, line.port)) known = port;
        }
        if (known.empty()) return Finish(Format(kNoSuchPort.In(language_), line.port.c_str()), kExitFailure);
        chosen.port = known;
    }
    if (line.update) {
        if (std::optional<int> exitCode = Update(chosen)) return *exitCode;
    } else if (line.ifMissing && line.name) {
        // The printer of that name decides: there already, it is adopted (moved to the port
        // asked for, its driver brought up to this version, its record written).
        std::vector<PrinterInfo2> queues;
        if (const std::uint32_t e = p.spooler.ListLocalPrinters(queues); e != 0) return EnumFailed(e);
        for (const PrinterInfo2& q : queues) {
            if (IsLabelDriver(q.driverName) && SameQueueName(p.spooler, q.printerName, *line.name)) {
                // Another owner's queue, or one recorded for none, stays as it is; the owner of a
                // queue is never changed here (an unrecorded one is recorded for none).
                if (line.owner) {
                    const std::optional<QueueRecord> record = FindQueueRecord(*p.registry, p.spooler, q.printerName);
                    if (record && !SameOwner(record->owner, *line.owner)) return KeptForOwner(*record, q);
                }
                chosen.owner.reset();
                // On the port already: nothing to prepare (no USB search, no port made).
                return Adopt(chosen, q, !OnRequestedPort(chosen, q.portName));
            }
        }
    } else if (line.ifMissing) {
        // A label-printer queue on the port already: nothing at all is changed.
        std::vector<PrinterInfo2> queues;
        if (const std::uint32_t e = p.spooler.ListLocalPrinters(queues); e != 0) return EnumFailed(e);
        for (const PrinterInfo2& q : queues) {
            if (IsLabelDriver(q.driverName) && OnRequestedPort(line, q.portName)) {
                return Finish(Format(kAlreadyServed.In(language_), q.printerName.c_str(), q.portName.c_str()),
                              kExitSuccess);
            }
        }
    }
    int copies = line.copies;
    std::optional<std::string> name = line.name;
    if (line.owner && !line.update) {
        // The owner's printers a run of the same installation left (its msiexec killed before
        // the package was registered, say) are adopted, not installed a second time.
        if (std::optional<int> exitCode = AdoptOwnersQueues(chosen, copies, name)) return *exitCode;
    }
    std::vector<PrinterInfo2> present;
    if (const std::uint32_t e = p.spooler.ListLocalPrinters(present); e != 0) return EnumFailed(e);
    const int count = ScanLabelDrivers(present, app_.state.driverNumber);
    UnattendedSteps steps(app_, *this, chosen, language_);
    InstallCommand command(app_, *this, steps);
    const Outcome outcome =
        command.Run({copies, name.value_or(ProposedQueueName(count, app_.state.driverNumber)), language_, !line.noEntry,
                     line.noEntry, line.owner.value_or(""), line.defaults, line.run.value_or("")});
    return Finish(outcome.text.empty() ? "This Windows is not supported." : outcome.text, ExitCodeOf(outcome));
}

bool UnattendedRun::OnRequestedPort(const CommandLine& line, const std::string& queuePort) {
    Platform& p = app_.platform;
    // A network printer is its host and port number: the port's name and the number it holds.
    if (line.portSource == PortSource::Ip) {
        return ServesTcpIpPort(p.registry, p.spooler, queuePort, line.ipAddress, line.ipPort);
    }
    return SameQueueName(p.spooler, queuePort, RequestedPort(line));
}

int UnattendedRun::EnumFailed(std::uint32_t error) {
    return Finish(Format("%s (EnumPrinters GetLastError()=%u)", kEnumFailed.In(language_), error), kExitFailure);
}

int UnattendedRun::Uninstall(const CommandLine& line) {
    Platform& p = app_.platform;
    std::uint32_t listError = 0;
    std::optional<std::vector<std::string>> listed = LabelQueueNames(p.spooler, &listError);
    if (!listed) return EnumFailed(listError);
    std::vector<std::string> queues;
    if (line.owner) {
        if (std::optional<int> failed = OwnerQueues(*line.owner, queues)) return *failed;
        // One run's take-back (a package's rollback): only the queues that run installed, not
        // those an earlier run of the same owner left.
        if (line.run) {
            queues.erase(std::remove_if(queues.begin(), queues.end(),
                                        [&](const std::string& q) { return RunMark(*p.registry, q) != *line.run; }),
                         queues.end());
            if (queues.empty()) return Finish(kNothingInstalled.In(language_), kExitSuccess);
        }
    } else if (line.all) {
        // As Select all in the dialog: the last entry first.
        queues.assign(listed->rbegin(), listed->rend());
    } else {
        for (const std::string& wanted : line.queues) {
            std::string found;
            for (const std::string& name : *listed) {
                if (SameQueueName(p.spooler, name, wanted)) found = name;
            }
            if (found.empty()) return Finish(Format(kNotALabelQueue.In(language_), wanted.c_str()), kExitFailure);
            // The same queue named twice (in any letter case) is removed once.
            if (std::find(queues.begin(), queues.end(), found) == queues.end()) queues.push_back(found);
        }
    }
    Removal removal(app_, *p.registry, *p.files, *this, language_);
    if (queues.empty() && !LeftoversRemain(app_, *p.registry, *p.files, language_)) {
        return Finish(kNothingInstalled.In(language_), kExitSuccess);
    }
    for (const std::string& queue : queues) Line(Format("To remove: \"%s\"", queue.c_str()));
    const Outcome outcome = removal.Run(queues);
    return Finish(outcome.text, ExitCodeOf(outcome));
}

std::optional<int> UnattendedRun::RecordedQueues(std::vector<RecordedQueue>& matched) {
    Platform& p = app_.platform;
    std::vector<QueueRecord> records;
    std::vector<PrinterInfo2> listed;
    if (!ListQueueRecords(*p.registry, records)) {
        return Finish(Format(kRecordsNotListed.In(language_), kQueueRecordsKey), kExitFailure);
    }
    if (const std::uint32_t e = p.spooler.ListLocalPrinters(listed); e != 0) return EnumFailed(e);
    matched = MatchRecords(p.spooler, records, listed);
    return std::nullopt;
}

int UnattendedRun::KeptForOwner(const QueueRecord& record, const PrinterInfo2& queue) {
    return Finish(record.owner.empty()
                      ? Format(kNoOwner.In(language_), queue.printerName.c_str())
                      : Format(kOtherOwner.In(language_), queue.printerName.c_str(), record.owner.c_str()),
                  kExitSuccess);
}

std::optional<int> UnattendedRun::AdoptOwnersQueues(const CommandLine& line, int& copies,
                                                    std::optional<std::string>& name) {
    Platform& p = app_.platform;
    std::vector<RecordedQueue> matched;
    if (std::optional<int> failed = RecordedQueues(matched)) return failed;
    std::vector<PrinterInfo2> owned;
    for (const RecordedQueue& m : matched) {
        if ((m.state != RecordState::Found && m.state != RecordState::Renamed) ||
            !SameOwner(m.record.owner, *line.owner) || !IsLabelDriver(m.queue.driverName)) {
            continue;
        }
        // With /name, only the printer of that name: now, or when it was installed.
        if (line.name && !SameQueueName(p.spooler, m.queue.printerName, *line.name) &&
            !SameQueueName(p.spooler, m.record.queueName, *line.name)) {
            continue;
        }
        owned.push_back(m.queue);
    }
    if (owned.empty()) return std::nullopt;
    // The printer of /name is among them: the copies still to install take numbered names.
    if (line.name) name.reset();
    std::string last;
    for (const PrinterInfo2& q : owned) {
        if (!last.empty()) Line(last);
        UnattendedSteps steps(app_, *this, line, language_);
        InstallCommand command(app_, *this, steps);
        const bool movePort = !SameQueueName(p.spooler, q.portName, RequestedPort(line));
        const Outcome outcome = command.Adopt(
            {q.printerName, q.driverName, q.portName, movePort, std::nullopt, language_, false, line.defaults});
        if (!outcome.Ok()) return Finish(outcome.text, ExitCodeOf(outcome));
        last = outcome.text;
    }
    copies -= static_cast<int>(owned.size());
    if (copies <= 0) return Finish(last, kExitSuccess);
    Line(last);
    return std::nullopt;
}

std::optional<int> UnattendedRun::OwnerQueues(const std::string& owner, std::vector<std::string>& queues) {
    Platform& p = app_.platform;
    std::vector<RecordedQueue> matched;
    if (std::optional<int> failed = RecordedQueues(matched)) return failed;
    for (const RecordedQueue& m : matched) {
        const QueueRecord& r = m.record;
        if (!SameOwner(r.owner, owner)) continue;
        if (m.state == RecordState::Found || m.state == RecordState::Renamed) {
            if (m.state == RecordState::Renamed) {
                Line(Format(kRenamedQueue.In(language_), r.queueName.c_str(), m.queue.printerName.c_str()));
            }
            queues.push_back(m.queue.printerName);
            continue;
        }
        // A queue that only took the name is another's: it stays, and the record is stale.
        if (m.state == RecordState::Foreign) {
            Line(Format(kForeignQueue.In(language_), m.queue.printerName.c_str(), r.driver.c_str()));
        }
        // Someone deleted the queue: its record names nothing, and its port goes when made for it.
        RemoveCreatedPortIfUnused(*p.registry, p.spooler, r);
        if (DeleteQueueRecord(*p.registry, r.queueName) == 0) {
            Line(Format(kStaleRecordDeleted.In(language_), r.queueName.c_str()));
        } else {
            Line(Format(kStaleRecordKept.In(language_), r.queueName.c_str()));
        }
    }
    return std::nullopt;
}

int UnattendedRun::Detect(const CommandLine& line) {
    Platform& p = app_.platform;
    std::vector<PrinterInfo2> queues;
    if (const std::uint32_t e = p.spooler.ListLocalPrinters(queues); e != 0) {
        // Nothing is detected; the tool installs, and the installation says what is wrong.
        LogLine(Format("%s (EnumPrinters GetLastError()=%u)", kEnumFailed.In(language_), e));
    }
    for (const PrinterInfo2& q : queues) {
        if (!IsLabelDriver(q.driverName) || !SameQueueName(p.spooler, q.printerName, *line.name)) continue;
        // Under this name, or under the one it had when it was installed.
        const bool recorded = FindQueueRecord(*p.registry, p.spooler, q.printerName, q.driverName).has_value();
        const bool onPort = line.portSource == PortSource::None || OnRequestedPort(line, q.portName);
        if (recorded && onPort) Line(q.printerName + "\t" + q.driverName + "\t" + q.portName);
        break;
    }
    // The console holds the printer's line alone, as detection scripts expect; the log ends as
    // every run does.
    LogLine("(exit code 0)");
    return kExitSuccess;
}

int UnattendedRun::Adopt(const CommandLine& line, const PrinterInfo2& queue, bool movePort) {
    UnattendedSteps steps(app_, *this, line, language_);
    InstallCommand command(app_, *this, steps);
    const Outcome outcome = command.Adopt(
        {queue.printerName, queue.driverName, queue.portName, movePort, line.owner, language_, false, line.defaults});
    return Finish(outcome.text, ExitCodeOf(outcome));
}

std::optional<int> UnattendedRun::Update(const CommandLine& line) {
    Platform& p = app_.platform;
    std::vector<RecordedQueue> matched;
    if (std::optional<int> failed = RecordedQueues(matched)) return failed;
    std::vector<PrinterInfo2> owned;
    for (const RecordedQueue& m : matched) {
        if (!SameOwner(m.record.owner, *line.owner)) continue;
        if ((m.state == RecordState::Found || m.state == RecordState::Renamed) && IsLabelDriver(m.queue.driverName)) {
            owned.push_back(m.queue);
        } else if (m.state == RecordState::Foreign) {
            Line(Format(kForeignQueue.In(language_), m.queue.printerName.c_str(), m.record.driver.c_str()));
        }
    }
    std::string claimed;
    if (line.name) {
        // The operator names a label printer for the owner: one that no record names becomes
        // the owner's; one recorded for another owner (or for none) stays as it is.
        std::vector<PrinterInfo2> queues;
        if (const std::uint32_t e = p.spooler.ListLocalPrinters(queues); e != 0) return EnumFailed(e);
        for (const PrinterInfo2& q : queues) {
            if (!IsLabelDriver(q.driverName) || !SameQueueName(p.spooler, q.printerName, *line.name) ||
                std::find(owned.begin(), owned.end(), q) != owned.end()) {
                continue;
            }
            const auto record = std::find_if(matched.begin(), matched.end(), [&](const RecordedQueue& m) {
                return (m.state == RecordState::Found || m.state == RecordState::Renamed) && m.queue == q;
            });
            if (record != matched.end()) return KeptForOwner(record->record, q);
            owned.push_back(q);
            claimed = q.printerName;
        }
    }
    if (owned.empty()) {
        // Nothing of the owner's is here yet: the other options install as usual.
        if (line.portSource != PortSource::None) return std::nullopt;
        return Finish(Format(kNothingToUpdate.In(language_), line.owner->c_str()), kExitSuccess);
    }
    std::string last;
    for (const PrinterInfo2& q : owned) {
        UnattendedSteps steps(app_, *this, line, language_);
        InstallCommand command(app_, *this, steps);
        // The owner is written for the printer claimed; the others keep it as recorded.
        const std::optional<std::string> owner = q.printerName == claimed ? line.owner : std::optional<std::string>();
        const Outcome outcome =
            command.Adopt({q.printerName, q.driverName, q.portName, false, owner, language_, true, line.defaults});
        if (!outcome.Ok()) {
            // The first failure ends the run; the printers updated before it stay updated.
            return Finish(outcome.text, ExitCodeOf(outcome));
        }
        if (!last.empty()) Line(last);
        last = outcome.text;
    }
    return Finish(last, kExitSuccess);
}

int UnattendedRun::List(ListFormat format) {
    std::vector<PrinterInfo2> queues;
    if (const std::uint32_t e = app_.platform.spooler.ListLocalPrinters(queues); e != 0) return EnumFailed(e);
    std::vector<ListedPrinter> printers;
    for (const PrinterInfo2& q : queues) {
        if (IsLabelDriver(q.driverName)) printers.push_back({q.printerName, q.driverName, q.portName});
    }
    for (const std::string& row : ListLines(printers, format)) {
        // JSON is ASCII, the same bytes in every encoding; CSV goes in the reader's.
        if (format == ListFormat::Csv) {
            console_.WriteDataLine(row);
        } else {
            console_.WriteLine(row);
        }
        LogLine(row);
    }
    // The console shows the queues alone, for scripts to read; the log ends as every run does.
    LogLine("(exit code 0)");
    return kExitSuccess;
}

}  // namespace prinstall
