// /check: every reason the installation would be refused now, each on a line, and what it
// deals with itself or only others meet, for information. Nothing is changed.
#include "app/unattended_run.h"

#include <algorithm>

#include "app/unattended_steps.h"
#include "core/driver_files.h"
#include "core/label_drivers.h"
#include "core/platform_detection.h"
#include "core/system_refusals.h"
#include "install/clone_files.h"
#include "install/install_command.h"
#include "install/install_folder.h"
#include "install/install_media.h"
#include "platform/folder_security.h"

namespace prinstall {
namespace {

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

}  // namespace

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
    std::vector<GpdDefault> noDefaults;
    bool unverifiedSaid = false;
    if (std::optional<Outcome> refused = MediaRefusal(
            app_, language_, noDefaults, false, [this](const std::string& text) { Line(text); }, unverifiedSaid)) {
        refuse(refused->text, kExitFailure);
    }
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

}  // namespace prinstall
