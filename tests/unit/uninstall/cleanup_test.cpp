#include "uninstall/cleanup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"
#include "install/uninstall_entry.h"

namespace prinstall {
namespace {

const std::string kMonitorKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port";
const std::string kSystem = "C:\\windows\\system32\\";

// What the printer user-interface module does on Windows: it puts the named queue on the
// named port. `moves` off makes it do nothing, as Wine's does.
class PrintUi : public fakes::FakeProcesses {
public:
    explicit PrintUi(fakes::FakeSpooler& spooler) : spooler_(spooler) {}
    bool moves = true;

    ProcessOutcome run(const ProcessLaunch& launch) override {
        ProcessOutcome outcome = FakeProcesses::run(launch);
        if (outcome.startError != 0 || !moves) return outcome;
        const std::string& line = launch.commandLine;
        const size_t name = line.find("/n \"") + 4;
        const std::string queue = line.substr(name, line.find('"', name) - name);
        const size_t port = line.find("PortName \"") + 10;
        for (PrinterInfo2& p : spooler_.printers) {
            if (p.printerName == queue) p.portName = line.substr(port, line.find('"', port) - port);
        }
        return outcome;
    }

private:
    fakes::FakeSpooler& spooler_;
};

// Deletions and the redirection switch in the order they happened.
struct Trail {
    std::vector<std::string> steps;
};
class TrailFiles : public fakes::FakeFiles {
public:
    explicit TrailFiles(Trail& trail) : trail_(trail) {}
    bool deleteFile(const std::string& path) override {
        trail_.steps.push_back("delete " + path);
        return FakeFiles::deleteFile(path);
    }

private:
    Trail& trail_;
};
class TrailSystem : public fakes::FakeSystemInfo {
public:
    explicit TrailSystem(Trail& trail) : trail_(trail) {}
    bool disableFsRedirection() override {
        trail_.steps.push_back("redirection off");
        return true;
    }

private:
    Trail& trail_;
};

class CleanupTest : public ::testing::Test {
protected:
    CleanupTest() {
        spooler.monitors.push_back("TORVA LABEL USB Port");
        spooler.monitorPorts["TORVA LABEL USB Port"] = "USB/TORVA Label Port";
        spooler.ports.insert("USB/TORVA Label Port");
        files.addFile(kSystem + "TVPortMon.dll", "monitor");
        files.addFile(kSystem + "TVPortMonUI.dll", "monitor ui");
        for (const std::string& key : {std::string(kMonitorsKey), kMonitorKey, std::string(kUninstallKeyEnglish),
                                       std::string(kUninstallKeyKorean)}) {
            Registry::Key k = 0;
            registry.createKey(key, "", k);
            registry.closeKey(k);
        }
    }

    bool monitorGone() const {
        return !files.hasFile(kSystem + "TVPortMon.dll") && !files.hasFile(kSystem + "TVPortMonUI.dll") &&
               !registry.has(kMonitorKey) && spooler.deletedMonitors == std::vector<std::string>{"TORVA LABEL USB Port"};
    }
    bool monitorKept() const {
        return files.hasFile(kSystem + "TVPortMon.dll") && files.hasFile(kSystem + "TVPortMonUI.dll") &&
               registry.has(kMonitorKey) && spooler.deletedMonitors.empty();
    }

    Trail trail;
    fakes::FakeSpooler spooler;
    fakes::FakeRegistry registry;
    TrailFiles files{trail};
    PrintUi processes{spooler};
    TrailSystem system{trail};
    fakes::FakeDebugLog debug;
    Cleanup cleanup{spooler, registry, files, processes, system, debug};
};

TEST_F(CleanupTest, OnlyTheEntryOfTheInterfaceLanguageGoes) {
    cleanup.DeleteUninstallEntry(true);
    EXPECT_FALSE(registry.has(kUninstallKeyKorean));
    EXPECT_TRUE(registry.has(kUninstallKeyEnglish));
    cleanup.DeleteUninstallEntry(false);
    EXPECT_FALSE(registry.has(kUninstallKeyEnglish));
    cleanup.DeleteUninstallEntry(false);  // already gone: nothing happens
    EXPECT_EQ(registry.openKeys(), 0u);
}

TEST_F(CleanupTest, WithoutQueuesOnItsPortTheMonitorGoesWithoutAnyProcess) {
    spooler.addQueue("Office", "Generic / Text Only", "LPT1:");
    cleanup.RemovePortMonitor(0);
    EXPECT_TRUE(processes.launches.empty());
    EXPECT_TRUE(monitorGone());
    EXPECT_EQ(registry.openKeys(), 0u);
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"EnumMonitors() Success !!!", "DeleteMonitor() Success !!!"}));
    EXPECT_EQ(std::count(trail.steps.begin(), trail.steps.end(), "redirection off"), 0);
}

TEST_F(CleanupTest, QueuesOnItsPortMoveToLptOneOneAfterTheOtherFirst) {
    spooler.addQueue("Shipping", "Generic / Text Only", "USB/TORVA Label Port");
    spooler.addQueue("Office", "Generic / Text Only", "usb/torva label port");  // another port
    spooler.addQueue("Dock 2", "Generic / Text Only", "USB/TORVA Label Port");
    cleanup.RemovePortMonitor(0);
    EXPECT_EQ(processes.commandLines(),
              (std::vector<std::string>{
                  "rundll32 printui.dll,PrintUIEntry /Xs /n \"Shipping\" PortName \"LPT1:\"",
                  "rundll32 printui.dll,PrintUIEntry /Xs /n \"Dock 2\" PortName \"LPT1:\"",
              }));
    for (const ProcessLaunch& l : processes.launches) EXPECT_EQ(l.waitMilliseconds, kWaitWithoutLimit);
    EXPECT_EQ(spooler.printers[1].portName, "usb/torva label port");
    EXPECT_TRUE(monitorGone());
}

// A queue still on the port would be stranded on a port that no longer exists: the monitor,
// its modules and its key stay while one is there, whatever kept it there.
TEST_F(CleanupTest, MonitorStaysWhileAQueueCouldNotBeMovedOff) {
    spooler.addQueue("Shipping", "Generic / Text Only", "USB/TORVA Label Port");
    processes.moves = false;  // the command runs but changes nothing
    cleanup.RemovePortMonitor(0);
    EXPECT_EQ(processes.launches.size(), 1u);
    EXPECT_TRUE(monitorKept());
    EXPECT_EQ(debug.lines.back(), "Port monitor kept: queues still use its port");

    processes.moves = true;
    processes.outcomes.push_back({2, false, false, 0});  // the first command cannot start
    spooler.addQueue("Dock 2", "Generic / Text Only", "USB/TORVA Label Port");
    debug.lines.clear();
    EXPECT_EQ(cleanup.MoveQueuesOffMonitorPort(), 1);
    EXPECT_EQ(processes.launches.size(), 2u);  // the second queue was not tried
    EXPECT_EQ(debug.lines, std::vector<std::string>{"ERROR: Cannot launch child process"});
}

TEST_F(CleanupTest, NameWithAQuoteIsNeverPutOnACommandLine) {
    spooler.addQueue("A\" /dl /n \"Office", "Generic / Text Only", "USB/TORVA Label Port");
    spooler.addQueue("Dock 2", "Generic / Text Only", "USB/TORVA Label Port");
    cleanup.RemovePortMonitor(0);
    EXPECT_EQ(processes.commandLines(),
              std::vector<std::string>{"rundll32 printui.dll,PrintUIEntry /Xs /n \"Dock 2\" PortName \"LPT1:\""});
    EXPECT_TRUE(monitorKept());
}

TEST_F(CleanupTest, MonitorTheSpoolerDoesNotListStillLosesItsModulesAndKey) {
    spooler.enumMonitorsError = 1722;
    cleanup.RemovePortMonitor(0);
    EXPECT_TRUE(spooler.deletedMonitors.empty());
    EXPECT_FALSE(files.hasFile(kSystem + "TVPortMon.dll"));
    EXPECT_FALSE(files.hasFile(kSystem + "TVPortMonUI.dll"));
    EXPECT_FALSE(registry.has(kMonitorKey));
    EXPECT_EQ(debug.lines, std::vector<std::string>{"EnumMonitors() Fail !!!"});
}

TEST_F(CleanupTest, SixtyFourBitSystemsLoseTheModulesOnBothSidesOfRedirection) {
    for (int processor : {1, 2}) {
        trail.steps.clear();
        cleanup.RemovePortMonitor(processor);
        EXPECT_EQ(trail.steps, (std::vector<std::string>{
                                   "delete " + kSystem + "TVPortMon.dll", "delete " + kSystem + "TVPortMonUI.dll",
                                   "redirection off",
                                   "delete " + kSystem + "TVPortMon.dll", "delete " + kSystem + "TVPortMonUI.dll"}))
            << processor;
    }
}

}  // namespace
}  // namespace prinstall
