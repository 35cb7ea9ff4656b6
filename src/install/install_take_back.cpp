// What a failed run takes back: a copy's driver and numbered files, the copies it installed
// with their queues and records, the port monitor, the Standard TCP/IP port and the detection
// value it added. What cannot go is named in left_ for a later removal to find.
#include "install/install_command.h"

#include <algorithm>

#include "core/label_drivers.h"
#include "core/driver_files.h"
#include "core/monitor_removal.h"
#include "core/ownership.h"
#include "core/printer_records.h"
#include "install/clone_files.h"
#include "install/detection_value.h"

namespace prinstall {
namespace {

const Text kQueueKept = {"printer \"%s\"", "프린터 \"%s\""};

}  // namespace

void InstallCommand::TakeBackPortMonitor() {
    Platform& platform = app_.platform;
    std::vector<PrinterInfo2> queues;
    if (platform.spooler.ListLocalPrinters(queues) != 0) {
        // A queue on its port cannot be ruled out.
        left_.kept.push_back(Format(kMonitorKept.In(language_), kPortMonitorName));
        return;
    }
    for (const PrinterInfo2& q : queues) {
        if (q.portName == kPortMonitorPort) return;
    }
    FilesLeft left;
    const MonitorRemoval removal =
        RemoveLabelPortMonitor(platform.spooler, *platform.registry, *platform.files, platform.systemInfo,
                               platform.debug, app_.state.os.processor, left, language_);
    platform.debug.Output(removal == MonitorRemoval::Removed ? "Port monitor of this run taken back"
                                                             : "Port monitor of this run not taken back");
    if (removal != MonitorRemoval::Removed) left_.kept.push_back(Format(kMonitorKept.In(language_), kPortMonitorName));
    left_.Append(left);
    for (const std::string& path : left.kept) platform.debug.Output("Monitor module not deleted: " + path);
    for (const std::string& path : left.atRestart) platform.debug.Output("Monitor module deleted at restart: " + path);
}
bool InstallCommand::RollBackCopy(const std::string& environment, int driverNumber, bool driverRegistered) {
    Platform& platform = app_.platform;
    if (driverRegistered) {
        const std::uint32_t e = platform.spooler.RemoveDriver(LabelDriverName(driverNumber), environment);
        if (e != 0 && e != kErrorUnknownPrinterDriver) {
            // The driver is still registered and names the numbered files: deleting them would
            // break it. They stay for the removal, which finds the driver and takes both.
            platform.debug.Output(Format("Rollback: DeletePrinterDriver GetLastError()=%d; the numbered files stay",
                                         static_cast<int>(e)));
            return false;
        }
    }
    const FilesLeft left = DeleteNumberedFiles(platform.spooler, *platform.files, environment, app_.state.os.osFamily,
                                               driverNumber, language_);
    for (const std::string& path : left.kept) platform.debug.Output("Rollback: file not deleted: " + path);
    for (const std::string& path : left.atRestart) platform.debug.Output("Rollback: file deleted at restart: " + path);
    left_.Append(left);
    return true;
}

int InstallCommand::TakeBackCopies(const std::string& environment, std::size_t from) {
    Spooler& spooler = app_.platform.spooler;
    int queuesDeleted = 0;
    while (created_.size() > from) {
        const auto [queueName, driverNumber] = created_.back();
        created_.pop_back();
        Spooler::Printer printer = 0;
        std::uint32_t e = spooler.OpenLocalPrinter(queueName, printer);
        if (e == 0) {
            e = spooler.DeletePrinter(printer);
            spooler.ClosePrinter(printer);
        }
        if (e != 0) {
            // The queue stays, and with it the driver and files it uses.
            app_.platform.debug.Output(
                Format("Take back: queue %s GetLastError()=%d", queueName.c_str(), static_cast<int>(e)));
            left_.kept.push_back(Format(kQueueKept.In(language_), queueName.c_str()));
            continue;
        }
        ++queuesDeleted;
        if (std::optional<QueueRecord> record = ReadQueueRecord(*app_.platform.registry, queueName)) {
            RemoveCreatedPortIfUnused(*app_.platform.registry, spooler, *record);
            if (DeleteQueueRecord(*app_.platform.registry, queueName) != 0) {
                left_.kept.push_back(Format(kRecordKept.In(language_), queueName.c_str(), kQueueRecordsKey));
            }
        }
        // A print-server connection may use a driver of the same name: it stays for it.
        const UsageSurvey survey(spooler, environment, language_);
        if (std::optional<std::string> why = survey.DriverKept(LabelDriverName(driverNumber))) {
            left_.kept.push_back(*why);
            continue;
        }
        if (!RollBackCopy(environment, driverNumber, true)) {
            left_.kept.push_back(Format(kDriverKept.In(language_), LabelDriverName(driverNumber).c_str()));
        }
    }
    return queuesDeleted;
}

void InstallCommand::TakeBackTcpIpPort(const std::string& portName) {
    if (app_.platform.registry == nullptr) return;
    // The port may have gone already with the last copy's record; asking again changes nothing.
    QueueRecord made;
    made.port = portName;
    made.portCreated = true;
    const bool removed = RemoveCreatedPortIfUnused(*app_.platform.registry, app_.platform.spooler, made);
    app_.platform.debug.Output((removed ? "Taken back: Standard TCP/IP port " : "Kept: Standard TCP/IP port ") +
                               portName);
}

void InstallCommand::TakeBackDetectionValue() {
    Registry* registry = app_.platform.registry;
    if (detectionValueBefore_ || registry == nullptr || !DetectionValuePresent(*registry)) return;
    std::vector<PrinterInfo2> queues;
    const bool listed = app_.platform.spooler.ListLocalPrinters(queues) == 0;
    // A label-printer queue is still installed (one from before, or one that could not be
    // taken back, which is named already): deployment tools go on finding it.
    if (listed &&
        std::any_of(queues.begin(), queues.end(), [](const PrinterInfo2& q) { return IsLabelDriver(q.driverName); })) {
        return;
    }
    if (!listed || DeleteDetectionValue(*registry) != 0) {
        left_.kept.push_back(Format(kDetectionKept.In(language_), kDetectionKey));
    }
}

}  // namespace prinstall
