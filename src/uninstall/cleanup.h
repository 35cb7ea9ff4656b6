// What installation put into the system besides the drivers, removed once no label-printer
// queue is left: the entry in the list of installed programs, and the label printer's USB
// port monitor with its two modules and its registry key. Nothing here talks to the operator;
// outcomes go to the debugger output.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/debug_log.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"

namespace prinstall {

// Where queues still on the monitor's port are moved before the monitor goes.
inline constexpr const char* kFallbackPort = "LPT1:";
inline constexpr const char* kMonitorsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

// The command that asks the Windows printer user-interface module to put a queue on a port;
// nothing when the queue name holds a double quote, which would end the quoted argument
// early and let the rest of the name be read as further options.
std::optional<std::string> PortChangeCommand(const std::string& queueName, const std::string& port);

class Cleanup {
public:
    Cleanup(Spooler& spooler, Registry& registry, Files& files, Processes& processes, SystemInfo& system,
            DebugLog& debug)
        : spooler_(spooler), registry_(registry), files_(files), processes_(processes), system_(system), debug_(debug) {}

    // Deletes the uninstall entry of one language (the Korean-named key when `korean`); the
    // other language's entry stays. A missing key is skipped quietly.
    void DeleteUninstallEntry(bool korean);

    // Moves the queues off the monitor's port, then deletes the monitor (when the spooler has
    // it), its modules in the system folder (in both system folders on x64 and Itanium,
    // `processor` 1 or 2) and its registry key. When a queue is still on the port after the
    // moves, all of that stays: the queue would be left on a port that no longer exists.
    void RemovePortMonitor(int processor);

    // Collects the queues on "USB/TORVA Label Port" (exact, case-sensitive) and puts them on
    // LPT1:. 1 when there was at least one, 0 otherwise (also when the queues cannot be listed).
    int MoveQueuesOffMonitorPort();
    // Runs the port-change command for every collected queue, one after the other, each to its
    // end. 1 when every queue got its command; 0 when a process could not be started (the
    // rest then keep their port) or a name could not be passed on.
    int SetQueuePorts(const std::string& port);
    // Deletes the monitor's key below the spooler's monitor list; always 0.
    int DeletePortMonitorKey();

    // The queues found on the monitor's port by the last MoveQueuesOffMonitorPort.
    const std::vector<std::string>& queuesOnMonitorPort() const { return queueNames_; }

private:
    // Names of the local queues on the monitor's port; false when the queues cannot be listed.
    bool ListQueuesOnMonitorPort(std::vector<std::string>& names);
    void DeleteMonitorModules(int processor);

    Spooler& spooler_;
    Registry& registry_;
    Files& files_;
    Processes& processes_;
    SystemInfo& system_;
    DebugLog& debug_;
    std::vector<std::string> queueNames_;
};

}  // namespace prinstall
