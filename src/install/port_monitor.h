// The label printer's USB port monitor: whether the spooler has it, and adding it from the
// installation media. Also the FRAMEDYN repair that driver registration runs before its retry.
#pragma once

#include <optional>
#include <string>

#include "core/entry_names.h"
#include "platform/debug_log.h"
#include "platform/files.h"
#include "platform/spooler.h"
#include "platform/system_info.h"

namespace prinstall {

// The media folder of the monitor modules, relative to the installation folder: Win32 for
// x86, Win64 for x64, Win64\Itanium for Itanium.
std::string PortMonitorSourceFolder(int processor);

// The full path of a monitor module in the media below `mediaRoot`, as the monitor is added
// from it.
std::string PortMonitorSource(const std::string& mediaRoot, int processor, const char* module);

// The first of the two monitor modules that the installation folder's media lacks (or holds
// empty) for the processor, as a full path; nothing when both are there.
std::optional<std::string> MissingPortMonitorModule(Files& files, int processor);

class PortMonitorInstaller {
public:
    PortMonitorInstaller(Spooler& spooler, Files& files, SystemInfo& system, DebugLog& debug)
        : spooler_(spooler), files_(files), system_(system), debug_(debug) {}

    // 1 when a monitor named exactly "TORVA LABEL USB Port" is installed, else 0 (also when
    // the monitors cannot be listed).
    int IsPortMonitorInstalled();
    // Copies the two modules into the system folder and adds the monitor; the outcome goes
    // to the debugger output only.
    void AddPortMonitor(int processor);
    // Adds the monitor only when the spooler does not list it yet; true when it was added.
    bool AddPortMonitorIfMissing(int processor);
    // Puts the system's WBEM\FRAMEDYN.dll into the system folder itself.
    void CopyFramedyn();

private:
    Spooler& spooler_;
    Files& files_;
    SystemInfo& system_;
    DebugLog& debug_;
};

}  // namespace prinstall
