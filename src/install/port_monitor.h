// The label printer's USB port monitor: whether the spooler has it, and adding it from the
// installation media. Also the FRAMEDYN repair that driver registration runs before its retry.
#pragma once

#include <optional>
#include <string>

#include "core/entry_names.h"
#include "core/texts.h"
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

    // Every module copy is proven against the release's list (install/media_check.h
    // ProvenCopier) before the monitor is added; without this call, as in a development
    // build, they are only copied.
    void ProveAgainst(std::string_view shippedMedia, Language language) {
        shippedMedia_ = shippedMedia;
        language_ = language;
    }
    // Why the last addition stopped at a module that could not be copied or whose copy was not
    // the file checked (such copies were deleted again), the module named; the monitor was not
    // added. Nothing otherwise.
    const std::optional<std::string>& Refusal() const { return refusal_; }

    // 1 when a monitor named exactly "TORVA LABEL USB Port" is installed, else 0 (also when
    // the monitors cannot be listed).
    int IsPortMonitorInstalled();
    // Copies the two modules from the installation folder (by full path) into the system
    // folder and adds the monitor: 0, the spooler's error, or 2 when a module could not be
    // copied or was refused (the monitor is then not added). The outcome also goes to the
    // debugger output.
    std::uint32_t AddPortMonitor(int processor);
    // What adding the monitor when it is missing came to.
    enum class Addition {
        AlreadyThere,  // the spooler lists it, or answered that it has it (3006)
        Added,         // this run added it
        Unknown,       // the monitors could not be listed: nothing was copied or added
        Failed,        // a module could not be copied, or the spooler refused the monitor
    };
    // Adds the monitor only when the spooler does not list it yet. `error` gets the refusal's
    // system error code (0 when a copy failed or for the other answers).
    Addition AddPortMonitorIfMissing(int processor, std::uint32_t* error = nullptr);
    // Puts the system's WBEM\FRAMEDYN.dll into the system folder itself.
    void CopyFramedyn();

private:
    Spooler& spooler_;
    Files& files_;
    SystemInfo& system_;
    DebugLog& debug_;
    std::string shippedMedia_;
    Language language_ = Language::English;
    std::optional<std::string> refusal_;
};

}  // namespace prinstall
