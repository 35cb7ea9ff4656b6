#include "core/monitor_removal.h"

#include <string>

#include "core/entry_names.h"
#include "core/fs_redirection_off.h"
#include "core/ownership.h"

namespace prinstall {
namespace {

std::string MonitorKey() { return std::string(kMonitorsKey) + "\\" + kPortMonitorName; }

bool BothSystemFolders(int processor) { return processor == 1 || processor == 2 || processor == 3; }

}  // namespace

MonitorRemoval RemoveLabelPortMonitor(Spooler& spooler, Registry& registry, Files& files, SystemInfo& system,
                                      DebugLog& debug, int processor, FilesLeft& left, Language language) {
    // Another monitor may have been registered with a module of the same name: that module is
    // its, not ours, and stays. Unknown when the monitors cannot be listed: then both stay.
    std::vector<MonitorModule> monitorModules;
    const bool monitorsListed = spooler.ListMonitorModules(monitorModules) == 0;
    if (!monitorsListed) debug.Output("Port monitors not listed: their modules stay");
    if (IsPortMonitorInstalled(spooler, debug) == 1) {
        const std::uint32_t e = spooler.RemoveMonitor(kPortMonitorName, SpoolerEnvironment(processor));
        // Protected print mode: Windows takes third-party monitors away itself and refuses the
        // call with 50.
        const bool gone = e == 0 || e == kErrorNotSupported;
        debug.Output(e == kErrorNotSupported ? "DeleteMonitor() 50: already removed by Windows"
                     : gone                  ? "DeleteMonitor() Success !!!"
                                             : "DeleteMonitor() Fail !!!");
        if (!gone) return MonitorRemoval::KeptBySpooler;
    }

    const std::string systemFolder = files.SystemDirectory();
    const size_t keptBefore = left.kept.size();
    auto deleteBoth = [&] {
        for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) {
            const std::string path = systemFolder + "\\" + module;
            if (!monitorsListed) {
                if (files.FileExists(path)) left.Add(path, FileRemoval::Kept);
            } else if (std::optional<std::string> why = ModuleKept(monitorModules, path, kPortMonitorName, language)) {
                if (files.FileExists(path)) left.inUse.push_back(*why);
            } else {
                left.Add(path, RemoveNowOrAtRestart(files, path));
            }
        }
    };
    deleteBoth();
    if (BothSystemFolders(processor)) {
        // Once more in the native system folder, which a 32-bit program reaches only with
        // redirection off, and only for these deletions.
        FsRedirectionOff redirection(system, true);
        deleteBoth();
        // Only registry calls follow here; a thread left with redirection off is traced.
        if (!redirection.Restore()) debug.Output("Wow64RevertWow64FsRedirection() Fail !!!");
    }
    if (left.kept.size() != keptBefore) return MonitorRemoval::ModuleKept;

    Registry::Key monitors = 0;
    if (registry.OpenKey(kMonitorsKey, monitors) == 0) {
        registry.DeleteKey(MonitorKey());
        registry.CloseKey(monitors);
    }
    return MonitorRemoval::Removed;
}

bool LabelPortMonitorPresent(Spooler& spooler, Registry& registry, Files& files, SystemInfo& system, DebugLog& debug,
                             int processor) {
    if (IsPortMonitorInstalled(spooler, debug) == 1) return true;
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(MonitorKey(), key) == 0) {
        registry.CloseKey(key);
        return true;
    }
    const std::string systemFolder = files.SystemDirectory();
    auto anyModule = [&] {
        for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) {
            if (files.FileExists(systemFolder + "\\" + module)) return true;
        }
        return false;
    };
    if (anyModule()) return true;
    if (!BothSystemFolders(processor)) return false;
    FsRedirectionOff redirection(system, true);
    const bool found = anyModule();
    if (!redirection.Restore()) debug.Output("Wow64RevertWow64FsRedirection() Fail !!!");
    return found;
}

}  // namespace prinstall
