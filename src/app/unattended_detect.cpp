// /detect: the printer of /name, when it is there with its record (on the port given), as the
// one line deployment tools read. Nothing is changed, the spooler's state included.
#include "app/unattended_run.h"

#include "core/label_drivers.h"
#include "core/printer_records.h"
#include "install/install_command.h"

namespace prinstall {

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

}  // namespace prinstall
