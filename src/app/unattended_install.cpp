// /install: the port of the line checked, then an update, an adoption by name, or the copies
// installed, with the owner's printers already there adopted first.
#include "app/unattended_run.h"

#include "app/unattended_steps.h"
#include "core/label_drivers.h"
#include "core/printer_records.h"
#include "install/install_command.h"
#include "install/tcpip_port.h"

namespace prinstall {
namespace {

const Text kPortsNotListed = {
    "The ports could not be listed (error %u): the port %s cannot be checked. Nothing was installed.",
    "포트 목록을 읽지 못했습니다(오류 %u). %s 포트를 확인할 수 없습니다. 아무것도 설치하지 않았습니다."};
const Text kAlreadyServed = {"Nothing was installed: the label printer \"%s\" already prints to the port %s.",
                             "아무것도 설치하지 않았습니다. 라벨 프린터 \"%s\"이(가) 이미 %s 포트를 사용합니다."};

}  // namespace

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

int UnattendedRun::Adopt(const CommandLine& line, const PrinterInfo2& queue, bool movePort) {
    UnattendedSteps steps(app_, *this, line, language_);
    InstallCommand command(app_, *this, steps);
    const Outcome outcome = command.Adopt(
        {queue.printerName, queue.driverName, queue.portName, movePort, line.owner, language_, false, line.defaults});
    return Finish(outcome.text, ExitCodeOf(outcome));
}

}  // namespace prinstall
