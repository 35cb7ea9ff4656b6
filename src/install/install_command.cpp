#include "install/install_command.h"

#include <algorithm>

#include "core/label_drivers.h"
#include "core/driver_files.h"
#include "core/entry_names.h"
#include "core/ownership.h"
#include "core/printer_records.h"
#include "core/system_refusals.h"
#include "install/detection_value.h"
#include "install/install_folder.h"
#include "install/port_monitor.h"
#include "install/staging.h"
#include "prinstall_version.h"

namespace prinstall {
namespace {

const Text kNameInUse = {"There are printer driver to install. You must install it under a different name.",
                         "설치할 프린터 드라이버가 있습니다. 다른 이름으로 설치해야 됩니다."};
const Text kCompleted = {"Installation completed. ", "프린터 드라이버가 정상적으로 설치되었습니다. "};
const Text kNoNumberFree = {"All 500 printer driver copies are installed. Remove one before installing another.",
                            "프린터 드라이버 500개가 모두 설치되어 있습니다. 하나를 삭제한 후 다시 설치하십시오."};
const Text kTooFewNumbersFree = {
    "Nothing was installed: %d printer driver copies were asked for, but only %d driver numbers are free (at most "
    "500 copies can be installed). Remove copies or ask for fewer.",
    "아무것도 설치하지 않았습니다: 프린터 드라이버 %d개를 요청했지만 사용할 수 있는 드라이버 번호는 %d개뿐입니다(최대 "
    "500개까지 설치 가능). 드라이버를 삭제하거나 개수를 줄이십시오."};
const Text kFileMissing = {"The printer driver was not installed: the file %s is missing or empty.",
                           "프린터 드라이버를 설치하지 못했습니다: %s 파일이 없거나 비어 있습니다."};
const Text kMonitorMissing = {
    "The printer driver was not installed: the label printer's USB port monitor could not be installed.",
    "프린터 드라이버를 설치하지 못했습니다: 라벨 프린터 USB 포트 모니터를 설치할 수 없습니다."};
const Text kDriverFolderUnknown = {
    "The printer driver was not installed: the printer-driver folder could not be found (GetPrinterDriverDirectory "
    "GetLastError()=%u).",
    "프린터 드라이버를 설치하지 못했습니다: 프린터 드라이버 폴더를 찾을 수 없습니다(GetPrinterDriverDirectory "
    "GetLastError()=%u)."};
const Text kCountLost = {
    "\"%s\" was installed, but the printers could not be listed afterwards (EnumPrinters failed), so the next "
    "driver number is not known. Start the program again to install another printer.",
    "\"%s\" 프린터는 설치되었지만 그 후 프린터 목록을 읽지 못해(EnumPrinters 실패) 다음 드라이버 번호를 알 수 "
    "없습니다. 프린터를 더 설치하려면 프로그램을 다시 시작하십시오."};
// A failed all-or-nothing run (one a Windows Installer package started) leaves no copy behind.
const Text kCopiesTakenBack = {"The %d printer(s) this run installed before the failure were removed again.",
                               "이번 설치에서 실패 전에 설치한 프린터 %d개를 다시 삭제했습니다."};
const Text kNotTakenBack = {"Not removed again (Prinstall.exe /uninstall /all removes them later):",
                            "다시 삭제하지 못한 항목 (나중에 Prinstall.exe /uninstall /all 로 삭제):"};
const Text kRecordNotWritten = {
    "The printer \"%s\" was not installed: its record (HKLM\\%s) could not be written (error %u).",
    "프린터 \"%s\"을(를) 설치하지 못했습니다: 기록(HKLM\\%s)을 쓸 수 없습니다(오류 %u)."};
// Marks a queue's record with the run that installed it (the "Run" value beside the others).
std::uint32_t WriteRunMark(Registry& registry, const std::string& queueName, const std::string& run) {
    Registry::Key key = 0;
    std::uint32_t e = registry.CreateKey(std::string(kQueueRecordsKey) + "\\" + queueName, "", key);
    if (e != 0) return e;
    e = registry.SetString(key, "Run", run);
    registry.CloseKey(key);
    return e;
}

const char* const kUnsupported[] = {
    "Windows NT 3.51 not Supported !!!", "Windows 95 not Supported !!!",     "Windows 98 not Supported !!!",
    "Windows ME not Supported !!!",      "Windows NT 4.0 not Supported !!!",
};

}  // namespace

Outcome InstallCommand::Run(const InstallRequest& request) {
    language_ = request.language;
    copyFailed_ = false;
    monitorAdded_ = false;
    monitorThere_ = false;
    folderBytes_.reset();
    tcpIpPortCreated_ = false;
    owner_ = request.owner;
    run_ = request.run;
    defaults_ = request.defaults;
    defaultsRecorded_ = false;
    created_.clear();
    left_ = {};
    int installed = 0;
    // A system that cannot or may not take the driver is told so before anything is asked or
    // changed: no spooler call, no port monitor, no file.
    if (std::optional<Outcome> refused = InstallRefusal(app_.platform, language_)) return *refused;
    steps_.BeginRun();
    int searchCounter = kUsbSearchCounterStart;
    RegistrationSettings settings;
    settings.withUninstallEntry = request.withUninstallEntry;
    bool portPrepared = false;
    std::vector<std::string> names;
    std::vector<std::string> taken;
    Outcome outcome = Outcome::Success(kCompleted.In(language_));
    if (std::optional<Outcome> refused = SettleCopies(request, names, taken)) {
        steps_.EndRun();
        return *refused;
    }
    if (request.allOrNothing && app_.platform.registry != nullptr) {
        detectionValueBefore_ = DetectionValuePresent(*app_.platform.registry);
    }
    for (size_t copy = 0; copy < names.size(); ++copy) {
        if (!portPrepared) {
            // Before the first change of the run: the port values, the monitor and the driver
            // files all follow.
            std::vector<std::string> said;
            std::optional<Outcome> refused = SettleInstallFolder(app_.platform, language_, said);
            for (const std::string& line : said) steps_.Note(line);
            if (refused) {
                outcome = *refused;
                break;
            }
            if (std::optional<Outcome> stopped = PreparePort(settings, searchCounter)) {
                outcome = *stopped;
                break;
            }
            portPrepared = true;
        }
        outcome = InstallCopy(names[copy], settings);
        if (!outcome.Ok()) break;
        ++installed;
        steps_.SetBusy(false);
        const std::string next = copy + 1 < names.size()
                                     ? names[copy + 1]
                                     : FreeQueueName(app_.platform.spooler, app_.state.driverNumber, taken);
        steps_.CopyInstalled({names[copy], LabelDriverName(settings.driverNumber), next, labelDriverCount_});
        outcome = Outcome::Success(kCompleted.In(language_));
    }
    if (!outcome.Ok() && request.allOrNothing && !created_.empty()) {
        const int takenBack = TakeBackCopies(settings.environment, 0);
        if (monitorAdded_) TakeBackPortMonitor();
        TakeBackDetectionValue();
        if (takenBack > 0) feedback_.Message(Format(kCopiesTakenBack.In(language_), takenBack), "");
    } else if (!outcome.Ok() && installed == 0 && monitorAdded_) {
        TakeBackPortMonitor();
    }
    if (!outcome.Ok() && tcpIpPortCreated_) TakeBackTcpIpPort(settings.tcpIpPortName);
    if (!outcome.Ok() && request.allOrNothing && !left_.kept.empty()) {
        std::string text = kNotTakenBack.In(language_);
        for (const std::string& item : left_.kept) text += "\n" + item;
        feedback_.Message(text, "");
    }
    steps_.EndRun();
    return outcome;
}

std::optional<Outcome> InstallCommand::SettleCopies(const InstallRequest& request, std::vector<std::string>& names,
                                                    std::vector<std::string>& taken) {
    if (request.copies < 1) return std::nullopt;
    if (std::optional<Text> refusal = QueueNameRefusal(request.firstQueueName)) {
        return Outcome::Failure(refusal->In(language_));
    }
    const int first = app_.state.driverNumber;
    if (first < 1) return Outcome::Failure(kNoNumberFree.In(language_));
    Spooler& spooler = app_.platform.spooler;
    std::vector<PrinterInfo2> queues;
    if (spooler.ListLocalPrinters(queues) != 0) return Outcome::Failure(kEnumFailed.In(language_));
    for (const PrinterInfo2& q : queues) taken.push_back(q.printerName);
    if (std::any_of(taken.begin(), taken.end(),
                    [&](const std::string& t) { return SameQueueName(spooler, t, request.firstQueueName); })) {
        return Outcome::Failure(kNameInUse.In(language_));
    }
    // The first copy takes the number the last scan found; after each copy the lowest free
    // number is the next one's.
    std::vector<int> numbers{first};
    for (int n : FreeDriverNumbers(queues)) {
        if (n != first) numbers.push_back(n);
    }
    if (static_cast<int>(numbers.size()) < request.copies) {
        return Outcome::Failure(
            Format(kTooFewNumbersFree.In(language_), request.copies, static_cast<int>(numbers.size())));
    }
    names.push_back(request.firstQueueName);
    taken.push_back(request.firstQueueName);
    for (int copy = 1; copy < request.copies; ++copy) {
        names.push_back(FreeQueueName(spooler, numbers[static_cast<size_t>(copy)], taken));
        taken.push_back(names.back());
    }
    return std::nullopt;
}
Outcome InstallCommand::FailCopy(const std::string& text, std::uint32_t error) {
    copyFailed_ = true;
    return Outcome::Failure(WithSpoolerRefusalCause(text, error, language_), error);
}
Outcome InstallCommand::InstallCopy(const std::string& queueName, RegistrationSettings& settings) {
    Platform& platform = app_.platform;
    ProcessState& state = app_.state;

    const int family = state.os.osFamily;
    if (family <= 5) {
        // Windows NT 3.x and 4.0, 95, 98 and ME have no Unidrv 5 for this driver. An unknown
        // family (the version could not be read) stops without a message.
        Outcome refused{OutcomeKind::Unsupported, family >= 1 ? kUnsupported[family - 1] : "", 0, true};
        if (family >= 1) feedback_.Message(refused.text, "ERROR");
        return refused;
    }

    PortMonitorInstaller monitor(platform.spooler, *platform.files, platform.systemInfo, platform.debug);
    monitor.ProveAgainst(state.shippedMedia, language_);
    // Held from an earlier copy of the run, which checked it as this one would.
    const bool monitorHeld = monitorThere_;
    if (state.useLabelPortMonitor && !monitorHeld) {
        // Only a monitor this run added is this run's to take back. One whose modules could
        // not be copied or that the spooler refused fails the copy: the package would be
        // missing part of itself. One that cannot be listed is unknown: a queue that needs it
        // fails below unless it is there.
        std::uint32_t monitorError = 0;
        switch (monitor.AddPortMonitorIfMissing(state.os.processor, &monitorError)) {
            case PortMonitorInstaller::Addition::Added: monitorAdded_ = monitorThere_ = true; break;
            case PortMonitorInstaller::Addition::AlreadyThere: monitorThere_ = true; break;
            case PortMonitorInstaller::Addition::Failed:
                if (monitor.Refusal()) return FailCopy(*monitor.Refusal());
                return FailCopy(monitorError != 0 ? Format("%s (AddMonitor GetLastError()=%u)",
                                                           kMonitorMissing.In(language_), monitorError)
                                                  : kMonitorMissing.In(language_),
                                monitorError);
            default: break;
        }
    }

    settings.driverNumber = state.driverNumber;
    settings.environment = SpoolerEnvironment(state.os.processor);
    settings.useLabelPortMonitor = state.useLabelPortMonitor;
    settings.usbPortName = state.usbPortName;
    settings.language = language_;
    // The folder does not change during the run: one walk of it serves every copy's entry.
    if (!folderBytes_) folderBytes_ = platform.files->FolderSize(kInstallFolder);
    const std::int64_t folderBytes = *folderBytes_;
    settings.entry.estimatedSizeKb = folderBytes > 0 ? static_cast<std::uint32_t>((folderBytes + 1023) / 1024) : 0;
    settings.entry.installDate = InstallDateOf(platform.clock.LocalTimestamp());
    if (QueuePort(settings) == kPortMonitorPort && !monitorHeld && monitor.IsPortMonitorInstalled() != 1) {
        // A queue on that port would print to nobody.
        return FailCopy(kMonitorMissing.In(language_));
    }

    // Every file goes into the spooler's folder of the environment: without its name nothing
    // can be staged (an empty name would put the files at the root of the current drive).
    std::string driverDirectory;
    if (const std::uint32_t e = platform.spooler.DriverDirectory(settings.environment, driverDirectory);
        e != 0 || driverDirectory.empty()) {
        return FailCopy(Format(kDriverFolderUnknown.In(language_), e), e);
    }

    auto report = [this](const std::optional<std::string>& text, int position, bool pause) {
        feedback_.Progress(text, position, pause);
    };
    auto appMessage = [this](const std::string& text) { feedback_.Message(text, ""); };
    DriverStager stager(*platform.files, platform.spooler, appMessage, report);
    stager.ProveAgainst(state.shippedMedia, language_);
    std::optional<std::string> missing =
        stager.StageDriverFiles(state.driverNumber, state.os.processor, language_ == Language::Korean, defaults_);
    if (stager.Refusal()) {
        RollBackCopy(settings.environment, settings.driverNumber, false);
        return FailCopy(*stager.Refusal());
    }
    if (!missing) {
        missing = MissingDriverFile(*platform.files, driverDirectory,
                                    LabelDriverRecord(settings.driverNumber, settings.environment));
    }
    if (missing) {
        RollBackCopy(settings.environment, settings.driverNumber, false);
        return FailCopy(Format(kFileMissing.In(language_), missing->c_str()));
    }

    Registrar registrar(platform.spooler, *platform.registry, monitor, report);
    if (const int registered = registrar.RegisterDriverAndPrinter(queueName, settings); registered != 0) {
        // A driver without its queue is one that no removal could find: it goes again, and so
        // do the copy's numbered files.
        RollBackCopy(settings.environment, settings.driverNumber, registered == -3 || registered == -4);
        return FailCopy(registrar.Message(), registrar.Error());
    }
    created_.emplace_back(queueName, settings.driverNumber);
    // The record makes the queue this program's: without it nothing could detect, update or
    // remove it by owner, so a queue without its record is taken back as any failed copy.
    const QueueRecord record{queueName,
                             LabelDriverName(settings.driverNumber),
                             registrar.FellBackToCom1() ? "COM1:" : QueuePort(settings),
                             PRINSTALL_VERSION_TEXT,
                             owner_,
                             settings.entry.installDate,
                             settings.interfaceKind == kInterfaceTcpIp && tcpIpPortCreated_,
                             DefaultsText(defaults_)};
    std::uint32_t recordError = WriteQueueRecord(*platform.registry, record);
    if (recordError == 0 && !run_.empty()) recordError = WriteRunMark(*platform.registry, queueName, run_);
    if (const std::uint32_t e = recordError; e != 0) {
        TakeBackCopies(settings.environment, created_.size() - 1);
        return FailCopy(Format(kRecordNotWritten.In(language_), queueName.c_str(), kQueueRecordsKey, e), e);
    }
    // Likewise the detection value: deployment tools would install the printer again and again.
    if (const std::uint32_t e = registrar.DetectionError(); e != 0) {
        TakeBackCopies(settings.environment, created_.size() - 1);
        return FailCopy(Format(kRecordNotWritten.In(language_), queueName.c_str(), kDetectionKey, e), e);
    }
    if (registrar.FellBackToCom1()) {
        // The queue works, but on COM1: rather than the port the operator chose: say so now,
        // since the completion message that follows would hide it.
        feedback_.Message(registrar.Message(), "");
    }

    // The next copy's number: the lowest free one now.
    labelDriverCount_ = CountLabelDrivers(platform.spooler, state.driverNumber);
    if (labelDriverCount_ == -2) {
        // The number just used is still the "next" one, and nothing says which is free: no
        // copy may take a number until a scan has succeeded.
        state.driverNumber = 0;
        return Outcome::Failure(Format(kCountLost.In(language_), queueName.c_str()));
    }
    return Outcome::Success(kCompleted.In(language_));
}

}  // namespace prinstall
