// Whether something the program would delete is its own to delete. "Ours" is read from what
// every queue, print-server connection, driver and monitor on the machine says it uses, never
// guessed from a name: a driver stays while a queue or a connection uses it, a file stays while
// any other driver's record names it, a monitor module stays while another monitor names it.
// What stays is named, with the reason, for the report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "platform/spooler.h"

namespace prinstall {

// Whether the name is exactly the name of driver copy N ("TORVA Label Printer #N", N from 1 to
// 500): a driver whose name only starts like one (another maker's, a renamed copy) is not the
// program's, and neither are the numbered files of its look-alike number.
bool IsOwnDriverName(const std::string& driverName);

// The file name of a path (after its last backslash or slash).
std::string BaseName(const std::string& path);

// What the machine's queues, connections and drivers of one environment use, read once.
class UsageSurvey {
public:
    // Reads the drivers of the environment and, with `withUsers`, the local queues and the
    // connections (only DriverKept needs them); Listed() is false when any of them could not
    // be listed: then everything counts as used.
    UsageSurvey(Spooler& spooler, const std::string& environment, Language language, bool withUsers = true);
    // The same with the local queues as the caller has just listed them: only the connections
    // and the drivers are listed.
    UsageSurvey(Spooler& spooler, const std::string& environment, Language language, std::vector<PrinterInfo2> queues);

    // For a survey held over a run that deletes queues: the local queues as listed again; the
    // connections and the drivers are listed again only when they could not be before.
    void QueuesListed(std::vector<PrinterInfo2> queues);

    bool Listed() const { return usersListed_ && driversListed_; }
    bool DriversListed() const { return driversListed_; }

    // Why the driver must stay, for the report ("printer driver "X" (used by ...)"): a local
    // queue other than `except` or a connection uses it, or its users are unknown. Nothing
    // when nobody else uses it.
    std::optional<std::string> DriverKept(const std::string& driverName, const std::string& except = {}) const;

    // Why the file must stay: a driver other than `exceptDriver` names it (compared by file
    // name, letter case aside), or the drivers are unknown. Nothing when none names it.
    std::optional<std::string> FileKept(const std::string& path, const std::string& exceptDriver) const;

private:
    Spooler& spooler_;
    Language language_;
    std::string environment_;
    bool connectionsListed_ = false;
    bool usersListed_ = false;
    bool driversListed_ = false;
    std::vector<PrinterInfo2> queues_;
    std::vector<PrinterInfo2> connections_;
    std::vector<DriverRecord> drivers_;
};

// Why a module of the label port monitor must stay: another monitor of `monitors` names it as
// its module. Nothing when none does.
std::optional<std::string> ModuleKept(const std::vector<MonitorModule>& monitors, const std::string& path,
                                      const std::string& ownMonitor, Language language);

}  // namespace prinstall
