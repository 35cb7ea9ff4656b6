#include "uninstall/cleanup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"
#include "core/label_drivers.h"
#include "install/uninstall_entry.h"

namespace prinstall {
namespace {

const std::string kMonitorKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port";
const std::string kSystem = "C:\\windows\\system32\\";

class CleanupTest : public ::testing::Test {
protected:
    CleanupTest() {
        system.redirectionCallExists = true;
        system.trail = &files.trail;
        spooler.trail = &files.trail;
        spooler.monitors.push_back("TORVA LABEL USB Port");
        spooler.monitorPorts["TORVA LABEL USB Port"] = "USB/TORVA Label Port";
        spooler.ports.insert("USB/TORVA Label Port");
        files.AddFile(kSystem + "TVPortMon.dll", "monitor");
        files.AddFile(kSystem + "TVPortMonUI.dll", "monitor ui");
        for (const std::string& key : {std::string(kMonitorsKey), kMonitorKey, std::string(kUninstallKeyEnglish),
                                       std::string(kUninstallKeyKorean), std::string(kDetectionKey)}) {
            Registry::Key k = 0;
            registry.CreateKey(key, "", k);
            registry.CloseKey(k);
        }
    }

    bool MonitorGone() const {
        return !files.HasFile(kSystem + "TVPortMon.dll") && !files.HasFile(kSystem + "TVPortMonUI.dll") &&
               !registry.Has(kMonitorKey) &&
               spooler.deletedMonitors == std::vector<std::string>{"TORVA LABEL USB Port"};
    }
    bool MonitorKept() const {
        return files.HasFile(kSystem + "TVPortMon.dll") && files.HasFile(kSystem + "TVPortMonUI.dll") &&
               registry.Has(kMonitorKey) && spooler.deletedMonitors.empty();
    }

    fakes::FakeSpooler spooler;
    fakes::FakeRegistry registry;
    fakes::FakeFiles files;
    fakes::FakeSystemInfo system;
    fakes::FakeDebugLog debug;
    Cleanup cleanup{spooler, registry, files, system, debug};
    FilesLeft left;
};

TEST_F(CleanupTest, OnlyTheEntryOfTheInterfaceLanguageGoes) {
    cleanup.DeleteUninstallEntry(true);
    EXPECT_FALSE(registry.Has(kUninstallKeyKorean));
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    cleanup.DeleteUninstallEntry(false);
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    cleanup.DeleteUninstallEntry(false);  // already gone: nothing happens
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST_F(CleanupTest, QueuesOnItsPortMoveToLptOneThroughTheSpoolerThenTheMonitorGoes) {
    spooler.AddQueue("Shipping", "Generic / Text Only", "USB/TORVA Label Port");
    spooler.AddQueue("Office", "Generic / Text Only", "usb/torva label port");  // another port
    spooler.AddQueue("A\" /dl /n \"Dock 2", "Generic / Text Only", "USB/TORVA Label Port");
    EXPECT_TRUE(cleanup.RemovePortMonitor(0, left));
    EXPECT_EQ(spooler.printers[0].portName, "LPT1:");
    EXPECT_EQ(spooler.printers[1].portName, "usb/torva label port");
    EXPECT_EQ(spooler.printers[2].portName, "LPT1:");  // any name: nothing is parsed
    EXPECT_EQ(spooler.OpenPrinterHandles(), 0u);
    EXPECT_TRUE(MonitorGone());
    EXPECT_TRUE(left.kept.empty() && left.atRestart.empty());
    EXPECT_EQ(registry.OpenKeys(), 0u);
    EXPECT_EQ(std::count(files.trail.begin(), files.trail.end(), "redirection off"), 0);
}

// A queue still on the port would be stranded on a port that no longer exists: the monitor,
// its modules, its key, the uninstall entry and the detection value stay while one is there,
// and the report names the queue and the monitor.
TEST_F(CleanupTest, MonitorAndEntryStayWhileAQueueCouldNotBeMovedOff) {
    spooler.AddQueue("Shipping", "Generic / Text Only", "USB/TORVA Label Port");
    spooler.setPrinterPortError = 5;
    EXPECT_EQ(cleanup.RemoveLeftovers(0, 12, false).kept,
              (std::vector<std::string>{"printer \"Shipping\" (still on the port USB/TORVA Label Port)",
                                        "port monitor \"TORVA LABEL USB Port\""}));
    EXPECT_TRUE(MonitorKept());
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_TRUE(registry.Has(kDetectionKey));
    EXPECT_EQ(spooler.OpenPrinterHandles(), 0u);

    spooler.setPrinterPortError = 0;
    spooler.deleteMonitorError = 5;  // the port is free now, but the spooler keeps the monitor
    EXPECT_EQ(cleanup.RemoveLeftovers(0, 12, true).kept,
              std::vector<std::string>{"포트 모니터 \"TORVA LABEL USB Port\""});
    EXPECT_TRUE(registry.Has(kUninstallKeyKorean));
    EXPECT_TRUE(registry.Has(kDetectionKey));
    EXPECT_TRUE(files.HasFile(kSystem + "TVPortMon.dll"));
}

// What an interrupted run left: numbered drivers that no queue uses go with their numbered
// files, in the processor's own environment; a driver a queue still uses stays.
TEST_F(CleanupTest, UnusedNumberedDriversGoWithTheirFilesThenMonitorThenEntry) {
    const std::string x64 = "C:\\windows\\system32\\spool\\drivers\\x64";
    spooler.AddDriver("TORVA Label Printer #2", kEnvironmentX64);
    spooler.AddDriver("TORVA Label Printer #3", kEnvironmentX64);
    spooler.AddDriver("TORVA Label Printer #4", kEnvironmentX86);
    spooler.AddQueue("Dock", "TORVA Label Printer #3");
    for (const std::string& f :
         {x64 + "\\TVLabel2.GPD", x64 + "\\3\\TVLabelUI2.DLL", x64 + "\\TVLabel3.GPD", x64 + "\\UNIDRV.DLL"}) {
        files.AddFile(f, "x");
    }
    Leftovers found = cleanup.FindLeftovers(1, 12, false);
    EXPECT_EQ(found.drivers, std::vector<std::string>{"TORVA Label Printer #2"});
    EXPECT_TRUE(found.monitor && found.uninstallEntry);

    EXPECT_TRUE(cleanup.RemoveLeftovers(1, 12, false).kept.empty());
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #2"));
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #3"));
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #4", kEnvironmentX86));
    EXPECT_FALSE(files.HasFile(x64 + "\\TVLabel2.GPD"));
    EXPECT_FALSE(files.HasFile(x64 + "\\3\\TVLabelUI2.DLL"));
    EXPECT_TRUE(files.HasFile(x64 + "\\TVLabel3.GPD"));
    EXPECT_TRUE(files.HasFile(x64 + "\\UNIDRV.DLL"));
    EXPECT_EQ(spooler.deletedMonitorEnvironments, std::vector<std::string>{kEnvironmentX64});
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    EXPECT_FALSE(cleanup.FindLeftovers(1, 12, false).Any());
}

// What a copy stopped half way left: numbered files that no registered driver names, in the
// driver directory and its version folder, and the clones in the media folder. Files of a
// registered copy, unnumbered names and look-alikes stay; a file held open goes at restart.
TEST_F(CleanupTest, NumberedFilesNoDriverNamesAndCloneFilesGo) {
    const std::string dir = "C:\\windows\\system32\\spool\\drivers\\w32x86";
    const std::string media = "C:\\TORVA EPL Printer 2.X\\Win32";
    spooler.AddDriver("TORVA Label Printer #2");
    spooler.AddQueue("Dock", "TORVA Label Printer #2");
    const std::vector<std::string> stray = {media + "\\TVLabel3.GPD",    media + "\\TVLABEL3.ini",
                                            dir + "\\TVLabel5.GPD",      dir + "\\TVLabelE5.DLL",
                                            dir + "\\3\\TVLabelUI5.DLL", dir + "\\3\\TVLabel500.DLL"};
    const std::vector<std::string> ofCopyTwo = {dir + "\\TVLabel2.GPD", dir + "\\3\\TVLabelUI2.DLL"};
    const std::vector<std::string> others = {dir + "\\TVLabel07.GPD", dir + "\\TVLabel501.GPD", dir + "\\UNIDRV.DLL",
                                             media + "\\TVLabel.GPD", media + "\\TVLabelE.DLL"};
    for (const auto* list : {&stray, &ofCopyTwo, &others}) {
        for (const std::string& f : *list) files.AddFile(f, "x");
    }
    std::vector<std::string> found = cleanup.FindLeftovers(0, 12, false).strayFiles;
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected = stray;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);

    files.inUse = {dir + "\\TVLabel5.GPD"};
    spooler.printers.clear();  // the queue of #2 went: its driver and files go as unused ones
    const FilesLeft result = cleanup.RemoveLeftovers(0, 12, false);
    EXPECT_TRUE(result.kept.empty());
    EXPECT_EQ(result.atRestart, std::vector<std::string>{dir + "\\TVLabel5.GPD"});
    for (const std::string& f : stray) EXPECT_EQ(files.HasFile(f), f == dir + "\\TVLabel5.GPD") << f;
    for (const std::string& f : ofCopyTwo) EXPECT_FALSE(files.HasFile(f)) << f;
    for (const std::string& f : others) EXPECT_TRUE(files.HasFile(f)) << f;
}

// A module that neither goes nor goes at restart keeps its key, the uninstall entry and the
// detection value: through them the next removal finds it, once the spooler no longer lists it.
TEST_F(CleanupTest, AModuleThatStaysKeepsEverythingThatLeadsToIt) {
    files.inUse = {kSystem + "TVPortMon.dll"};
    files.refuseRemovalAtRestart = true;
    EXPECT_EQ(cleanup.RemoveLeftovers(0, 12, false).kept, std::vector<std::string>{kSystem + "TVPortMon.dll"});
    EXPECT_TRUE(registry.Has(kMonitorKey) && registry.Has(kUninstallKeyEnglish) && registry.Has(kDetectionKey));
    EXPECT_TRUE(cleanup.FindLeftovers(0, 12, false).monitor);
    files.inUse.clear();
    EXPECT_TRUE(cleanup.RemoveLeftovers(0, 12, false).kept.empty());
    EXPECT_FALSE(cleanup.FindLeftovers(0, 12, false).Any());
}

// Drivers or folders that cannot be listed, or keys that cannot be deleted, are named as left;
// the installation mark stays for the deployment tool.
TEST_F(CleanupTest, UnlistedDriversAndUndeletableKeysAreNamedAsLeft) {
    spooler.listDriversError = 1722;
    EXPECT_EQ(
        cleanup.RemoveLeftovers(0, 12, false).kept,
        std::vector<std::string>{"printer drivers left by an earlier installation (the drivers could not be listed)"});
    EXPECT_TRUE(MonitorGone());
    EXPECT_TRUE(registry.Has(kDetectionKey));

    spooler.listDriversError = 0;
    const std::string media = "C:\\TORVA EPL Printer 2.X\\Win32";
    files.unlistable = {media};
    EXPECT_TRUE(cleanup.FindLeftovers(0, 12, false).Any());
    EXPECT_EQ(cleanup.RemoveLeftovers(0, 12, false).kept,
              std::vector<std::string>{"files left by an earlier installation in " + media +
                                       " (the folder could not be listed)"});
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish) && registry.Has(kDetectionKey));

    files.unlistable.clear();
    registry.deleteKeyError = 5;
    EXPECT_EQ(cleanup.RemoveLeftovers(0, 12, true).kept, std::vector<std::string>{"설치된 프로그램 목록의 항목"});
    EXPECT_TRUE(registry.Has(kUninstallKeyKorean));
    EXPECT_TRUE(registry.Has(kDetectionKey));
}

// Whether another monitor names a module is unknown while the monitors cannot be listed: the
// modules stay, and with them the key through which a later removal finds them.
TEST_F(CleanupTest, MonitorsThatCannotBeListedKeepTheModulesAndKey) {
    spooler.enumMonitorsError = 1722;
    EXPECT_FALSE(cleanup.RemovePortMonitor(0, left));
    EXPECT_TRUE(spooler.deletedMonitors.empty());
    EXPECT_TRUE(files.HasFile(kSystem + "TVPortMon.dll"));
    EXPECT_TRUE(files.HasFile(kSystem + "TVPortMonUI.dll"));
    EXPECT_TRUE(registry.Has(kMonitorKey));
    EXPECT_EQ(left.kept, (std::vector<std::string>{kSystem + "TVPortMon.dll", kSystem + "TVPortMonUI.dll"}));
}

// The monitor is deleted with redirection on (the spooler's client loads libraries), and
// redirection is off for the deletions in the native system folder only.
TEST_F(CleanupTest, SixtyFourBitSystemsLoseTheModulesOnBothSidesOfRedirection) {
    for (int processor : {1, 2}) {
        files.AddFile(kSystem + "TVPortMon.dll", "monitor");
        files.AddFile(kSystem + "TVPortMonUI.dll", "monitor ui");
        spooler.monitors.push_back("TORVA LABEL USB Port");
        files.trail.clear();
        cleanup.RemovePortMonitor(processor, left);
        EXPECT_EQ(files.trail,
                  (std::vector<std::string>{
                      "delete monitor TORVA LABEL USB Port", "delete " + kSystem + "TVPortMon.dll",
                      "delete " + kSystem + "TVPortMonUI.dll", "redirection off", "delete " + kSystem + "TVPortMon.dll",
                      "delete " + kSystem + "TVPortMonUI.dll", "redirection on"}))
            << processor;
        EXPECT_FALSE(system.redirectionOff);
    }
    system.revertRefused = true;  // only registry calls follow: the thread left so is traced
    debug.lines.clear();
    cleanup.RemovePortMonitor(1, left);
    EXPECT_EQ(debug.lines.back(), "Wow64RevertWow64FsRedirection() Fail !!!");
}

// The removal of the queues and the cleanup name the same file from the spooler's folder name
// and from a listing, which may differ in letter case: it is named, and tried, once.
TEST(FilesLeftTest, APathIsNamedOnceWhateverItsLetterCase) {
    FilesLeft left;
    left.Add("C:\\Windows\\TVLabel5.GPD", FileRemoval::Kept);
    left.Add("c:\\WINDOWS\\tvlabel5.gpd", FileRemoval::Kept);
    EXPECT_EQ(left.kept, std::vector<std::string>{"C:\\Windows\\TVLabel5.GPD"});
    EXPECT_TRUE(left.Names("C:\\windows\\TVLABEL5.GPD"));
    EXPECT_FALSE(left.Names("C:\\Windows\\TVLabel6.GPD"));
}

}  // namespace
}  // namespace prinstall

namespace prinstall {
namespace {

// What belongs to someone else stays, judged from what the machine's queues, connections,
// drivers and monitors say they use, not from names; the report says what stayed and why.
TEST_F(CleanupTest, WhatAnythingElseUsesStaysAndIsNamed) {
    const std::string dir = spooler.driverDir + "\\";
    for (int n : {1, 2, 3}) {
        spooler.AddDriver(LabelDriverName(n));
        for (const std::string& name : NumberedFileNames(n)) files.AddFile(dir + "3\\" + name, "x");
    }
    // #1: a print-server connection uses it. #2: its data file is named by another maker's
    // driver as well. #3 is unused. A look-alike of #3's name is another maker's driver.
    spooler.connections = {{"\\\\server\\Labels", "", "TORVA Label Printer #1"}};
    DriverRecord other;
    other.name = "Other Label Driver";
    other.environment = kEnvironmentX86;
    other.dataFile = dir + "3\\TVLabel2.GPD";
    spooler.drivers.push_back(other);
    spooler.AddDriver("TORVA Label Printer #3 (Copy)");
    // A monitor module that another monitor names is that monitor's; ours goes with its key.
    spooler.monitors.push_back("Other Port");
    spooler.monitorDlls["Other Port"] = "TVPortMonUI.dll";
    spooler.AddQueue("Office", "Generic / Text Only", "USB/TORVA Label Port");

    FilesLeft result = cleanup.RemoveLeftovers(0, 12, false);
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #1"));
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #2"));
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #3"));
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #3 (Copy)"));
    EXPECT_TRUE(files.HasFile(dir + "3\\TVLabel1.GPD"));
    EXPECT_TRUE(files.HasFile(dir + "3\\TVLabel2.GPD"));
    EXPECT_FALSE(files.HasFile(dir + "3\\TVLabelE2.DLL"));
    EXPECT_FALSE(files.HasFile(dir + "3\\TVLabel3.GPD"));
    EXPECT_FALSE(files.HasFile(kSystem + "TVPortMon.dll"));
    EXPECT_TRUE(files.HasFile(kSystem + "TVPortMonUI.dll"));
    EXPECT_FALSE(registry.Has(kMonitorKey));
    EXPECT_EQ(result.inUse,
              (std::vector<std::string>{dir + "3\\TVLabel2.GPD (the printer driver \"Other Label Driver\" uses it)",
                                        kSystem + "TVPortMonUI.dll (the port monitor \"Other Port\" uses it)"}));
    EXPECT_TRUE(result.kept.empty());
    EXPECT_EQ(result.moved,
              std::vector<std::string>{"printer \"Office\" moved from the port USB/TORVA Label Port to LPT1:"});
}

}  // namespace
}  // namespace prinstall
