// What installation put into the system besides the queues, removed once no label-printer
// queue is left: numbered label drivers that no queue uses (what an interrupted or failed run
// left), the label printer's USB port monitor with its two modules and its registry key, the
// entry in the list of installed programs and the detection value for deployment tools.
// Nothing here talks to the operator: outcomes go to the debugger output, and whatever stays
// is handed back by name for the report.
#pragma once

#include <string>
#include <vector>

#include "core/driver_files.h"
#include "core/texts.h"
#include "platform/debug_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"

namespace prinstall {

// Where queues still on the monitor's port are moved before the monitor goes.
inline constexpr const char* kFallbackPort = "LPT1:";
inline constexpr const char* kMonitorsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

// What an earlier installation left that the removal can still take away while no queue
// needs it.
struct Leftovers {
    std::vector<std::string> drivers;  // numbered label drivers that no queue uses
    bool monitor = false;              // the label port monitor is listed
    bool uninstallEntry = false;       // the entry of the interface language exists
    bool detectionValue = false;       // the detection value's key exists

    bool Any() const { return !drivers.empty() || monitor || uninstallEntry || detectionValue; }
};

class Cleanup {
public:
    Cleanup(Spooler& spooler, Registry& registry, Files& files, SystemInfo& system, DebugLog& debug)
        : spooler_(spooler), registry_(registry), files_(files), system_(system), debug_(debug) {}

    // Looks for leftovers of the processor family's environment (`processor` 0 x86, 1 x64,
    // 2 Itanium, 3 ARM64), the uninstall entry of one language and the detection value.
    Leftovers FindLeftovers(int processor, bool korean);

    // The whole cleanup after the last label-printer queue went: unused numbered drivers with
    // their files, then the port monitor, then (only when the monitor is gone, so that the list
    // of installed programs still shows what stays) the uninstall entry of one language, and
    // last, only when all of that went, the detection value: while anything stays, deployment
    // tools still find an installation and run the removal again. A file that is held open goes
    // at the next restart. Gives what could not be removed, each named for the operator, and the
    // files that go at the next restart; both empty when everything went.
    FilesLeft RemoveLeftovers(int processor, int osFamily, bool korean);

    // The numbered label drivers of the environment that no queue uses (none when the queues
    // or drivers cannot be listed).
    // `listed` (when given) is false when the spooler could not list the queues or drivers.
    std::vector<std::string> UnusedLabelDrivers(int processor, bool* listed = nullptr);
    // Deletes the numbered label drivers that no queue uses, with their numbered files.
    // Appends what stays, and the files that go at the next restart, to `left`.
    void RemoveUnusedLabelDrivers(int processor, int osFamily, FilesLeft& left);

    // Deletes the uninstall entry of one language (the Korean-named key when `korean`); the
    // other language's entry stays. A missing key is skipped quietly. False when it stays.
    bool DeleteUninstallEntry(bool korean);
    // Deletes the detection value's key (its parent, the maker's key, stays). A missing key is
    // skipped quietly. False when it stays.
    bool DeleteDetectionValue();

    // Moves the queues off the monitor's port, then deletes the monitor (when the spooler has
    // it), its modules in the system folder (in both system folders on 64-bit Windows,
    // `processor` 1 to 3) and its registry key. When a queue is still on the port after the
    // moves, all of that stays: the queue would be left on a port that no longer exists.
    // A module that is held open (the spooler keeps a monitor loaded) goes at the next restart.
    // Appends what stays, and the modules that go at the next restart, to `left`; true when the
    // monitor is gone, its modules included (some perhaps at the next restart). A module that
    // neither went nor goes at restart makes it false: the uninstall entry, through which a
    // later removal finds and deletes it, must stay.
    bool RemovePortMonitor(int processor, FilesLeft& left);

    // Puts every queue on "USB/TORVA Label Port" (exact, case-sensitive) on LPT1: through the
    // spooler. The names of the queues still on the port afterwards (all of them when the
    // queues cannot be listed, with the port's name standing in).
    std::vector<std::string> MoveQueuesOffMonitorPort();
    // Deletes the monitor's key below the spooler's monitor list; always 0.
    void DeletePortMonitorKey();

private:
    // Names of the local queues on the monitor's port; false when the queues cannot be listed.
    bool ListQueuesOnMonitorPort(std::vector<std::string>& names);
    // True when no module is kept (each deleted, or deleted at the next restart).
    bool DeleteMonitorModules(int processor, FilesLeft& left);

    Spooler& spooler_;
    Registry& registry_;
    Files& files_;
    SystemInfo& system_;
    DebugLog& debug_;
    Language language_ = Language::English;  // of the names handed back
};

}  // namespace prinstall
