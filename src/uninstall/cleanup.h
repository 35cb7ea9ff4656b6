// What installation put into the system besides the queues, removed once no label-printer
// queue is left: numbered label drivers that no queue uses and numbered files that no driver
// names (what an interrupted or failed run left), the label printer's USB port monitor with its two modules and its
// registry key, the entry in the list of installed programs and the detection value for deployment tools. Nothing here
// talks to the operator: outcomes go to the debugger output, and whatever stays is handed back by name for the report.
#pragma once

#include <string>
#include <vector>

#include "core/driver_files.h"
#include "core/monitor_removal.h"
#include "core/texts.h"
#include "platform/debug_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"

namespace prinstall {

// Where queues still on the monitor's port are moved before the monitor goes.
inline constexpr const char* kFallbackPort = "LPT1:";

// What an earlier installation left that the removal can still take away while no queue
// needs it.
struct Leftovers {
    std::vector<std::string> drivers;     // numbered label drivers that no queue uses
    std::vector<std::string> strayFiles;  // full paths: numbered files that no driver names, clone files
    bool monitor = false;                 // the label port monitor is listed, or its key or a module is there
    bool uninstallEntry = false;          // the entry of the interface language exists
    bool detectionValue = false;          // the detection value's key exists
    bool filesUnknown = false;            // a folder that may hold stray files could not be listed
    bool staleRecords = false;            // a queue's record is there, its queue is not

    bool Any() const {
        return !drivers.empty() || !strayFiles.empty() || monitor || uninstallEntry || detectionValue || filesUnknown ||
               staleRecords;
    }
};

class Cleanup {
public:
    Cleanup(Spooler& spooler, Registry& registry, Files& files, SystemInfo& system, DebugLog& debug)
        : spooler_(spooler), registry_(registry), files_(files), system_(system), debug_(debug) {}

    // Looks for leftovers of the processor family's environment (`processor` 0 x86, 1 x64,
    // 2 Itanium, 3 ARM64) and Windows family (for the driver directory's version folder), the
    // uninstall entry of one language and the detection value.
    Leftovers FindLeftovers(int processor, int osFamily, bool korean);

    // The whole cleanup after the last label-printer queue went: unused numbered drivers with
    // their files, numbered files that no driver names and clone files, then the port monitor,
    // then, only when all of that went (so that the list of installed programs still shows what
    // stays and leads to this removal again), the uninstall entry of one language, and last the
    // detection value: while anything stays, deployment tools still find an installation and
    // run the removal again. A file that is held open goes at the next restart. Gives what could
    // not be removed, each named for the operator, and the files that go at the next restart;
    // both empty when everything went. `left` is what this run left before the cleanup (the
    // removal of the queues): it is part of the answer, and keeps the entry as the rest does.
    FilesLeft RemoveLeftovers(int processor, int osFamily, bool korean, FilesLeft left = {});

    // The numbered label drivers of the environment that no queue uses (none when the queues
    // or drivers cannot be listed).
    // `listed` (when given) is false when the spooler could not list the queues or drivers.
    std::vector<std::string> UnusedLabelDrivers(int processor, bool* listed = nullptr);
    // Deletes the numbered label drivers that no queue uses, with their numbered files.
    // Appends what stays, and the files that go at the next restart, to `left`.
    void RemoveUnusedLabelDrivers(int processor, int osFamily, FilesLeft& left);

    // Full paths of what a copy stopped half way left: files of the environment's driver
    // directory and its version folder whose names are those of copy N (NumberedFileNames) while
    // no registered driver is copy N, and the GPD and INI clones in the program's media folder,
    // which staging deletes as it ends. None from the driver directory when its drivers cannot
    // be listed. `unlisted` (when given) gets the folders that could not be listed: what they
    // hold is unknown.
    std::vector<std::string> StrayFiles(int processor, int osFamily, std::vector<std::string>* unlisted = nullptr);

    // Deletes the uninstall entry of one language (the Korean-named key when `korean`); the
    // other language's entry stays. A missing key is skipped quietly. False when it stays.
    bool DeleteUninstallEntry(bool korean);
    // Deletes the detection value's key, then the maker's key when nothing else is in it. A
    // missing key is skipped quietly. False when the detection value stays.
    bool DeleteDetectionValue();
    // The names of the queue records that name no queue of ours any more (MatchRecords: Gone or
    // Foreign); `listed` false when the records or the queues could not be listed.
    std::vector<std::string> RecordsWithoutQueue(bool* listed = nullptr);
    // Deletes the records whose queue is gone; a record that stays is named in `left`.
    void ForgetRecordsWithoutQueue(FilesLeft& left);

    // Moves the queues off the monitor's port, then deletes the monitor (when the spooler has
    // it), its modules in the system folder (in both system folders on 64-bit Windows,
    // `processor` 1 to 3) and its registry key. When a queue is still on the port after the
    // moves, all of that stays: the queue would be left on a port that no longer exists.
    // A module that is held open (the spooler keeps a monitor loaded) goes at the next restart.
    // Appends what stays, and the modules that go at the next restart, to `left`; true when the
    // monitor is gone, its modules included (some perhaps at the next restart). A module that
    // neither went nor goes at restart makes it false, and its key stays: through the key and
    // the uninstall entry a later removal finds and deletes it.
    bool RemovePortMonitor(int processor, FilesLeft& left);

    // Puts every queue on "USB/TORVA Label Port" (exact, case-sensitive) on LPT1: through the
    // spooler, naming each one moved in `moved` (when given). The names of the queues still on
    // the port afterwards (all of them when the queues cannot be listed, with the port's name
    // standing in).
    std::vector<std::string> MoveQueuesOffMonitorPort(std::vector<std::string>* moved = nullptr);

private:
    // Names of the local queues on the monitor's port; false when the queues cannot be listed.
    bool ListQueuesOnMonitorPort(std::vector<std::string>& names);

    Spooler& spooler_;
    Registry& registry_;
    Files& files_;
    SystemInfo& system_;
    DebugLog& debug_;
    Language language_ = Language::English;  // of the names handed back
};

}  // namespace prinstall
