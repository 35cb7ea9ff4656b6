#include "uninstall/cleanup.h"

#include "app/texts.h"
#include "install/port_monitor.h"
#include "install/uninstall_entry.h"

namespace prinstall {

std::optional<std::string> PortChangeCommand(const std::string& queueName, const std::string& port) {
    if (queueName.find('"') != std::string::npos || port.find('"') != std::string::npos) return std::nullopt;
    return format("rundll32 printui.dll,PrintUIEntry /Xs /n \"%s\" PortName \"%s\"", queueName.c_str(), port.c_str());
}

void Cleanup::DeleteUninstallEntry(bool korean) {
    const char* path = korean ? kUninstallKeyKorean : kUninstallKeyEnglish;
    Registry::Key key = 0;
    if (registry_.openKey(path, key) != 0) return;
    registry_.deleteKey(path);
    registry_.closeKey(key);
}

bool Cleanup::ListQueuesOnMonitorPort(std::vector<std::string>& names) {
    names.clear();
    std::vector<PrinterInfo2> queues;
    if (spooler_.enumLocalPrinters(queues) != 0) return false;
    for (const PrinterInfo2& q : queues) {
        if (q.portName == kPortMonitorPort) names.push_back(q.printerName);
    }
    return true;
}

int Cleanup::MoveQueuesOffMonitorPort() {
    ListQueuesOnMonitorPort(queueNames_);
    if (queueNames_.empty()) return 0;
    SetQueuePorts(kFallbackPort);
    return 1;
}

int Cleanup::SetQueuePorts(const std::string& port) {
    int result = 1;
    for (const std::string& name : queueNames_) {
        std::optional<std::string> command = PortChangeCommand(name, port);
        if (!command) {
            debug_.output("ERROR: Queue name cannot be passed to PrintUIEntry: " + name);
            result = 0;
            continue;
        }
        ProcessLaunch launch;
        launch.commandLine = *command;
        launch.waitMilliseconds = kWaitWithoutLimit;
        // The exit code says nothing reliable about the port change; the caller looks at the
        // queues again instead.
        if (processes_.run(launch).startError != 0) {
            debug_.output("ERROR: Cannot launch child process");
            return 0;
        }
    }
    return result;
}

void Cleanup::RemovePortMonitor(int processor) {
    if (MoveQueuesOffMonitorPort() == 1) {
        std::vector<std::string> left;
        if (!ListQueuesOnMonitorPort(left) || !left.empty()) {
            debug_.output("Port monitor kept: queues still use its port");
            return;
        }
    }

    PortMonitorInstaller monitor(spooler_, files_, system_, debug_);
    if (monitor.IsPortMonitorInstalled() == 1) {
        bool deleted = spooler_.deleteMonitor(kPortMonitorName, SpoolerEnvironment(processor)) == 0;
        debug_.output(deleted ? "DeleteMonitor() Success !!!" : "DeleteMonitor() Fail !!!");
    }
    DeleteMonitorModules(processor);
    DeletePortMonitorKey();
}

void Cleanup::DeleteMonitorModules(int processor) {
    const std::string systemFolder = files_.systemDirectory();
    auto deleteBoth = [&] {
        for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) files_.deleteFile(systemFolder + "\\" + module);
    };
    deleteBoth();
    if (processor == 1 || processor == 2) {
        // Once more in the native system folder, which a 32-bit program reaches only with
        // redirection off. It stays off for the rest of the process.
        system_.disableFsRedirection();
        deleteBoth();
    }
}

int Cleanup::DeletePortMonitorKey() {
    Registry::Key monitors = 0;
    if (registry_.openKey(kMonitorsKey, monitors) != 0) return 0;
    registry_.deleteKey(std::string(kMonitorsKey) + "\\" + kPortMonitorName);
    registry_.closeKey(monitors);
    return 0;
}

}  // namespace prinstall
