// Adopting an existing label-printer queue: the second deployment of the same printer by name
// (moved to another port, or left as it is), and the in-place update of a queue that an older
// version installed (a newer package over an older one, or /install /ifmissing by name). The
// queue itself is never deleted and created again: its printing defaults, comment, location,
// sharing and security belong to whoever set them.
#include <algorithm>

#include "core/driver_files.h"
#include "core/label_drivers.h"
#include "core/ownership.h"
#include "core/printer_records.h"
#include "core/system_refusals.h"
#include "install/install_command.h"
#include "install/install_folder.h"
#include "install/port_monitor.h"
#include "install/registration.h"
#include "install/staging.h"
#include "install/uninstall_entry.h"
#include "prinstall_version.h"

namespace prinstall {
namespace {

const Text kAlreadyThere = {"Nothing was installed: the printer \"%s\" is already installed on the port %s.",
                            "아무것도 설치하지 않았습니다: 프린터 \"%s\"이(가) 이미 %s 포트에 설치되어 있습니다."};
const Text kMoved = {"The printer \"%s\" was moved from the port %s to %s; everything else of it was kept.",
                     "프린터 \"%s\"을(를) %s 포트에서 %s 포트로 옮겼습니다. 나머지 설정은 그대로입니다."};
const Text kUpdated = {
    "The driver \"%s\" of the printer \"%s\" was updated to version %s; its name, port, printing defaults and "
    "sharing were kept.",
    "드라이버 \"%s\"(프린터 \"%s\")을(를) 버전 %s(으)로 업데이트했습니다. 이름, 포트, 인쇄 기본값 및 공유 "
    "설정은 그대로입니다."};
const Text kNotMoved = {"The printer \"%s\" could not be moved to the port %s (SetPrinter GetLastError()=%u).",
                        "프린터 \"%s\"을(를) %s 포트로 옮기지 못했습니다(SetPrinter GetLastError()=%u)."};
const Text kDriverNotUpdated = {"The driver \"%s\" could not be updated (AddPrinterDriver GetLastError()=%u).",
                                "드라이버 \"%s\"을(를) 업데이트하지 못했습니다(AddPrinterDriver GetLastError()=%u)."};
const Text kUpdateFileMissing = {"The driver was not updated: the file %s is missing or empty.",
                                 "드라이버를 업데이트하지 못했습니다: %s 파일이 없거나 비어 있습니다."};
const Text kRecordNotWritten = {"The record of the printer \"%s\" (HKLM\\%s) could not be written (error %u).",
                                "프린터 \"%s\"의 기록(HKLM\\%s)을 쓸 수 없습니다(오류 %u)."};
const Text kMonitorMissing = {"The printer was not moved: the label printer's USB port monitor could not be installed.",
                              "프린터를 옮기지 못했습니다: 라벨 프린터 USB 포트 모니터를 설치할 수 없습니다."};
const Text kDriverFolderUnknown = {
    "The driver was not updated: the printer-driver folder could not be found (GetPrinterDriverDirectory "
    "GetLastError()=%u).",
    "드라이버를 업데이트하지 못했습니다: 프린터 드라이버 폴더를 찾을 수 없습니다(GetPrinterDriverDirectory "
    "GetLastError()=%u)."};

}  // namespace

std::uint32_t InstallCommand::MoveQueue(const std::string& queueName, const std::string& port) {
    Spooler& spooler = app_.platform.spooler;
    Spooler::Printer printer = 0;
    std::uint32_t e = spooler.OpenLocalPrinter(queueName, printer);
    if (e != 0) return e;
    e = spooler.SetPrinterPort(printer, port);
    spooler.ClosePrinter(printer);
    return e;
}

Outcome InstallCommand::UpdateDriver(int n) {
    Platform& platform = app_.platform;
    const int processor = app_.state.os.processor;
    const std::string environment = SpoolerEnvironment(processor);
    std::string driverDirectory;
    if (const std::uint32_t e = platform.spooler.DriverDirectory(environment, driverDirectory);
        e != 0 || driverDirectory.empty()) {
        return Outcome::Failure(Format(kDriverFolderUnknown.In(language_), e), e);
    }
    auto report = [this](const std::optional<std::string>& text, int position, bool pause) {
        feedback_.Progress(text, position, pause);
    };
    auto appMessage = [this](const std::string& text) { feedback_.Message(text, ""); };
    DriverStager stager(*platform.files, platform.spooler, appMessage, report);
    const DriverRecord driver = LabelDriverRecord(n, environment);
    std::optional<std::string> missing =
        stager.StageDriverFiles(n, processor, language_ == Language::Korean, defaults_);
    if (!missing) missing = MissingDriverFile(*platform.files, driverDirectory, driver);
    // The registered driver still names its own copies of the files, which the spooler keeps
    // in its version folder: it goes on working as it was.
    if (missing) return Outcome::Failure(Format(kUpdateFileMissing.In(language_), missing->c_str()));
    if (const std::uint32_t e = platform.spooler.RegisterDriver(driver); e != 0) {
        return Outcome::Failure(
            WithSpoolerRefusalCause(Format(kDriverNotUpdated.In(language_), driver.name.c_str(), e), e, language_), e);
    }
    return Outcome::Success("");
}

Outcome InstallCommand::Adopt(const AdoptRequest& request) {
    language_ = request.language;
    copyFailed_ = false;
    monitorAdded_ = false;
    tcpIpPortCreated_ = false;
    created_.clear();
    left_ = {};
    defaults_ = request.defaults;
    Platform& platform = app_.platform;
    Registry& registry = *platform.registry;
    if (std::optional<Outcome> refused = InstallRefusal(platform, language_)) return *refused;
    steps_.BeginRun();
    const auto end = [this](Outcome outcome) {
        steps_.EndRun();
        return outcome;
    };
    const std::optional<QueueRecord> record = ReadQueueRecord(registry, request.queueName);
    const bool update = record && IsOwnDriverName(request.driverName) &&
                        (request.updateDriver || record->version != PRINSTALL_VERSION_TEXT);
    std::vector<std::string> said;
    std::string port = request.currentPort;
    bool portCreated = record && record->portCreated;

    if (request.movePort || update) {
        // Files of the folder are about to be used, as for any installation.
        std::vector<std::string> placed;
        std::optional<Outcome> refused = SettleInstallFolder(platform, language_, placed);
        for (const std::string& line : placed) steps_.Note(line);
        if (refused) return end(*refused);
    }
    if (request.movePort) {
        RegistrationSettings settings;
        int searchCounter = kUsbSearchCounterStart;
        if (std::optional<Outcome> stopped = PreparePort(settings, searchCounter)) return end(*stopped);
        settings.useLabelPortMonitor = app_.state.useLabelPortMonitor;
        settings.usbPortName = app_.state.usbPortName;
        const std::string asked = QueuePort(settings);
        if (asked == kPortMonitorPort) {
            PortMonitorInstaller monitor(platform.spooler, *platform.files, platform.systemInfo, platform.debug);
            if (monitor.AddPortMonitorIfMissing(app_.state.os.processor) == PortMonitorInstaller::Addition::Added) {
                monitorAdded_ = true;
            }
            if (monitor.IsPortMonitorInstalled() != 1) return end(Outcome::Failure(kMonitorMissing.In(language_)));
        }
        if (!SameQueueName(platform.spooler, asked, request.currentPort)) {
            if (const std::uint32_t e = MoveQueue(request.queueName, asked); e != 0) {
                return end(
                    Outcome::Failure(Format(kNotMoved.In(language_), request.queueName.c_str(), asked.c_str(), e), e));
            }
            said.push_back(
                Format(kMoved.In(language_), request.queueName.c_str(), request.currentPort.c_str(), asked.c_str()));
            // The port the queue left goes when this program made it and nothing else is on it.
            if (record) RemoveCreatedPortIfUnused(registry, platform.spooler, *record);
            port = asked;
            portCreated = settings.interfaceKind == kInterfaceTcpIp && tcpIpPortCreated_;
        }
    }
    if (update) {
        if (!request.movePort) {
            // The platform and the media, as the port step settles them for an installation.
            PortChoice choice;
            steps_.ChoosePort(choice);
            if (std::optional<Outcome> refused = MediaRefusal()) return end(*refused);
        }
        const Outcome updated = UpdateDriver(LabelDriverNumber(request.driverName));
        if (!updated.Ok()) return end(updated);
        said.push_back(Format(kUpdated.In(language_), request.driverName.c_str(), request.queueName.c_str(),
                              PRINSTALL_VERSION_TEXT));
    }

    QueueRecord next = record.value_or(QueueRecord{});
    next.queueName = request.queueName;
    next.driver = request.driverName;
    next.port = port;
    next.version = PRINSTALL_VERSION_TEXT;
    next.portCreated = portCreated;
    if (request.owner) next.owner = *request.owner;
    if (!record) next.installDate = InstallDateOf(platform.clock.LocalTimestamp());
    if (!record || next != *record) {
        // A queue that no record names could not be detected or removed by its owner.
        if (const std::uint32_t e = WriteQueueRecord(registry, next); e != 0) {
            return end(Outcome::Failure(
                Format(kRecordNotWritten.In(language_), request.queueName.c_str(), kQueueRecordsKey, e), e));
        }
    }
    if (said.empty()) said.push_back(Format(kAlreadyThere.In(language_), request.queueName.c_str(), port.c_str()));
    std::string text;
    for (const std::string& line : said) text += (text.empty() ? "" : "\n") + line;
    return end(Outcome::Success(text));
}

}  // namespace prinstall
