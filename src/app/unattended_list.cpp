// /list: the label-printer queues in the format asked for, for scripts to read.
#include "app/unattended_run.h"

#include "app/list_format.h"
#include "core/label_drivers.h"
#include "install/install_command.h"

namespace prinstall {

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
