#include "install/port_monitor.h"

#include <vector>

#include "core/fs_redirection_off.h"
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

void PortMonitorInstaller::AddPortMonitor(int processor) {
    files_.SetWorkingDirectory(kInstallFolder);
    const std::string mediaRoot = files_.WorkingDirectory();
    const std::string systemFolder = files_.SystemDirectory();
    // A 32-bit program on 64-bit Windows must reach the real system folder, not the
    // redirected 32-bit one, for the spooler to load the 64-bit monitor; the spooler call
    // after the copies needs redirection back on.
    FsRedirectionOff redirection(system_, processor == 1 || processor == 2);
    for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) {
        files_.CopyFileTo(PortMonitorSource(mediaRoot, processor, module), systemFolder + "\\" + module);
    }
    if (!redirection.Restore()) {
        // Still off, the spooler's client would fail to load what it needs: no call, and the
        // queue on the monitor's port is then not made.
        debug_.Output("Wow64RevertWow64FsRedirection() Fail !!!");
        debug_.Output("AddPortMonitor() Fail !!!");
        return;
    }
    bool added = spooler_.RegisterMonitor(kPortMonitorName, SpoolerEnvironment(processor), kPortMonitorModule) == 0;
    debug_.Output(added ? "AddPortMonitor() Success !!!" : "AddPortMonitor() Fail !!!");
}

bool PortMonitorInstaller::AddPortMonitorIfMissing(int processor) {
    if (IsPortMonitorInstalled() == 1) return false;
    AddPortMonitor(processor);
    return true;
}

void PortMonitorInstaller::CopyFramedyn() {
    const std::string systemFolder = files_.SystemDirectory();
    files_.CopyFileTo(systemFolder + "\\WBEM\\FRAMEDYN.dll", systemFolder + "\\FRAMEDYN.dll");
}

}  // namespace prinstall
