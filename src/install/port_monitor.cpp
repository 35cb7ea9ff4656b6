#include "install/port_monitor.h"

#include <vector>

#include "core/fs_redirection_off.h"
#include "core/texts.h"
#include "platform/registry.h"
#include "install/media_check.h"
#include "install/staging.h"

namespace prinstall {

std::string PortMonitorSourceFolder(int processor) {
    switch (processor) {
        case 0: return "Win32";
        case 2: return "Win64\\Itanium";
        default: return "Win64";
    }
}

std::string PortMonitorSource(const std::string& mediaRoot, int processor, const char* module) {
    return mediaRoot + "\\" + PortMonitorSourceFolder(processor) + "\\" + module;
}

std::optional<std::string> MissingPortMonitorModule(Files& files, int processor) {
    for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) {
        const std::string path = PortMonitorSource(kInstallFolder, processor, module);
        if (files.FileSize(path) <= 0) return path;
    }
    return std::nullopt;
}

int PortMonitorInstaller::IsPortMonitorInstalled() { return prinstall::IsPortMonitorInstalled(spooler_, debug_); }

std::uint32_t PortMonitorInstaller::AddPortMonitor(int processor) {
    refusal_.reset();
    const std::string systemFolder = files_.SystemDirectory();
    ProvenCopier copier(files_, shippedMedia_, language_);
    std::vector<std::string> placed;
    // A 32-bit program on 64-bit Windows must reach the real system folder, not the
    // redirected 32-bit one, for the spooler to load the 64-bit monitor; the spooler call
    // after the copies needs redirection back on.
    FsRedirectionOff redirection(system_, processor == 1 || processor == 2);
    bool copied = true;
    for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) {
        const std::string target = systemFolder + "\\" + module;
        // An earlier removal may have left this very path to be deleted at the next restart.
        if (!files_.CancelRemovalAtRestart(target)) debug_.Output("Deletion at restart not withdrawn: " + target);
        // Read back with redirection still off: the file proven is the one the spooler loads.
        const ProvenCopier::Result result =
            copier.CopyMedium(PortMonitorSourceFolder(processor) + "\\" + module, target);
        if (result == ProvenCopier::Result::Refused) {
            debug_.Output(Format("Port monitor module refused: %s", module));
            refusal_ = copier.Refusal();
            // The other module goes as well: no monitor is added for it.
            for (const std::string& path : placed) files_.RemoveFile(path);
            copied = false;
            break;
        }
        if (result == ProvenCopier::Result::NotCopied) {
            debug_.Output(Format("Port monitor module not copied: %s", module));
            if (!refusal_) refusal_ = copier.Refusal();
            copied = false;
        } else {
            placed.push_back(target);
        }
    }
    if (!redirection.Restore()) {
        // Still off, the spooler's client would fail to load what it needs: no call, and the
        // queue on the monitor's port is then not made.
        debug_.Output("Wow64RevertWow64FsRedirection() Fail !!!");
        debug_.Output("AddPortMonitor() Fail !!!");
        return kErrorFileNotFound;
    }
    if (!copied) {
        debug_.Output("AddPortMonitor() Fail !!!");
        return kErrorFileNotFound;
    }
    const std::uint32_t e =
        spooler_.RegisterMonitor(kPortMonitorName, SpoolerEnvironment(processor), kPortMonitorModule);
    debug_.Output(e == 0 ? "AddPortMonitor() Success !!!" : "AddPortMonitor() Fail !!!");
    return e;
}

PortMonitorInstaller::Addition PortMonitorInstaller::AddPortMonitorIfMissing(int processor, std::uint32_t* error) {
    if (error != nullptr) *error = 0;
    std::vector<std::string> names;
    if (spooler_.ListMonitors(names) != 0) {
        // Whether it is there is unknown: copying over the modules of a monitor the spooler
        // runs would fail or break it, and nothing this run did could make it this run's.
        debug_.Output("EnumMonitors() Fail !!!");
        return Addition::Unknown;
    }
    for (const std::string& name : names) {
        if (name == kPortMonitorName) return Addition::AlreadyThere;
    }
    const std::uint32_t e = AddPortMonitor(processor);
    if (e == kErrorMonitorAlreadyInstalled) return Addition::AlreadyThere;
    if (e == 0) return Addition::Added;
    if (error != nullptr && e != kErrorFileNotFound) *error = e;
    return Addition::Failed;
}

void PortMonitorInstaller::CopyFramedyn() {
    const std::string systemFolder = files_.SystemDirectory();
    files_.CopyFileTo(systemFolder + "\\WBEM\\FRAMEDYN.dll", systemFolder + "\\FRAMEDYN.dll");
}

}  // namespace prinstall
