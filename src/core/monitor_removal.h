// Taking the label printer's USB port monitor out of the system: the spooler's monitor, its two
// modules in the system folder and its key below the spooler's monitor list. The removal runs
// it once no queue is left on the monitor's port, and so does an installation that added the
// monitor and then ended before any copy of it existed.
#pragma once

#include "core/driver_files.h"
#include "platform/debug_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"

namespace prinstall {

inline constexpr const char* kMonitorsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

enum class MonitorRemoval {
    Removed,        // gone, its modules perhaps only at the next restart
    KeptBySpooler,  // the spooler refused to delete it: modules and key stay
    ModuleKept,     // a module neither went nor goes at the next restart: the key stays with it
};

// Deletes the monitor (when the spooler lists it), then its modules in the system folder (in
// both system folders on 64-bit Windows, `processor` 1 to 3), each now or at the next restart,
// then its key: the key only when no module stays, since a later removal finds the module
// through it. The caller makes sure that no queue is on the monitor's port. Appends the
// modules that stay, and those that go at the next restart, to `left`. A module that another
// monitor names is not ours: it stays, named in `left.inUse`, and does not keep the key.
MonitorRemoval RemoveLabelPortMonitor(Spooler& spooler, Registry& registry, Files& files, SystemInfo& system,
                                      DebugLog& debug, int processor, FilesLeft& left, Language language);

// Whether anything of the monitor is there: the spooler lists it, its key exists, or one of its
// modules is in a system folder.
bool LabelPortMonitorPresent(Spooler& spooler, Registry& registry, Files& files, SystemInfo& system, DebugLog& debug,
                             int processor);

}  // namespace prinstall
