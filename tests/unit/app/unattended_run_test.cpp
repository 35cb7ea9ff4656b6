#include "app/unattended_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "fakes/fake_usb.h"
#include "fakes/main_dialog_world.h"
#include "core/driver_files.h"
#include "core/label_drivers.h"
#include "core/system_refusals.h"
#include "install/uninstall_entry.h"
#include "prinstall_version.h"
#include "usb/usb_printer_device.h"

namespace prinstall {
namespace {

struct Lines : TextOutput {
    std::vector<std::string> lines;
    void WriteLine(const std::string& text) override { lines.push_back(text); }
};

class UnattendedTest : public ::testing::Test, public fakes::MainDialogWorld {
protected:
    UnattendedTest() {
        for (const char* f : {"UNIDRV.DLL", "UNIDRV.HLP", "UNIDRVUI.DLL", "UNIRES.DLL", "STDNAMES.GPD", "TVLabel.DLL",
                              "TVLabelE.DLL", "TVLabelUI.DLL", "TVPortMon.dll", "TVPortMonUI.dll"}) {
            files.AddFile(std::string("C:\\TORVA EPL Printer 2.X\\Win32\\") + f, f);
        }
        for (const char* f : {"UNIDRVUI.DLL", "UNIRES.DLL"}) {
            files.AddFile(std::string("C:\\TORVA EPL Printer 2.X\\Win32\\Korean\\") + f, f);
        }
        files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD", "1\n2\n3\n4\n5\n6\n7\n");
        files.AddFolder(spooler.driverDir);
    }

    int Run(std::vector<std::string> arguments) {
        return UnattendedRun(app, console, &log).Run(ParseCommandLine(arguments));
    }

    Lines console;
    Lines log;
};

// The same install command as the dialogs, without any pause, ending in the exit code.
TEST_F(UnattendedTest, InstallsListsAndRemovesWithTheExitCodesDeploymentToolsRead) {
    EXPECT_EQ(Run({"/install", "/port:COM2:", "/copies:2", "/codepage=850"}), 0);
    EXPECT_EQ(spooler.printers,
              (std::vector<PrinterInfo2>{{"TORVA Label Printer", "COM2:", "TORVA Label Printer #1"},
                                         {"TORVA Label Printer 2", "COM2:", "TORVA Label Printer #2"}}));
    EXPECT_EQ(app.state.codePage, 1);
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(console.lines.back(), "Installation completed. (exit code 0)");
    EXPECT_EQ(log.lines.back(), "2026-12-07 08:00:00 Installation completed. (exit code 0)");
    EXPECT_EQ(registry.Value(kUninstallKeyEnglish, "QuietUninstallString"),
              "\"C:\\TORVA EPL Printer 2.X\\Prinstall.exe\" /uninstall /all /quiet");

    console.lines.clear();
    EXPECT_EQ(Run({"/list"}), 0);
    EXPECT_EQ(console.lines, (std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tCOM2:",
                                                       "TORVA Label Printer 2\tTORVA Label Printer #2\tCOM2:"}));

    spooler.AddQueue("Office", "Generic / Text Only");
    EXPECT_EQ(Run({"/uninstall", "/queue:office"}), 1603);  // not ours: nothing is removed
    EXPECT_EQ(spooler.printers.size(), 3u);
    EXPECT_EQ(Run({"/uninstall", "/all", "/quiet"}), 0);
    EXPECT_EQ(spooler.printers, (std::vector<PrinterInfo2>{{"Office", "COM1:", "Generic / Text Only"}}));
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(Run({"/uninstall", "/all"}), 0);  // nothing left: still a success

    // Queues gone but not counted again: the cleanup did not run, and the entry leads back.
    ASSERT_EQ(Run({"/install", "/port:COM2:"}), 0);
    const std::size_t deleted = spooler.deletedDrivers.size();
    spooler.enumError = 1722;
    spooler.enumFailsWhen = [&] { return spooler.deletedDrivers.size() > deleted; };
    EXPECT_EQ(Run({"/uninstall", "/all"}), 1603);
    EXPECT_TRUE(spooler.printers.size() == 1u && registry.Has(kUninstallKeyEnglish));  // Office stays
    spooler.enumError = 0;
    EXPECT_EQ(Run({"/uninstall", "/all"}), 0);
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
}

// /usbwait bounds the search for a printer that is not attached: it says how long it looks,
// looks that many seconds, and names the failure once.
TEST_F(UnattendedTest, LooksForTheUsbPrinterAsLongAsAskedAndSaysSo) {
    fakes::FakeUsbBus bus;  // no printer on it
    UsbPrinterDevice device{bus, registry, systemInfo, clock, debug, [](auto&&...) {}};
    app.usbDevice = &device;
    EXPECT_EQ(Run({"/install", "/usb", "/usbwait:3"}), 1603);
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{1000, 1000, 1000}));
    EXPECT_NE(std::find(console.lines.begin(), console.lines.end(),
                        "Looking for the USB label printer for up to 3 seconds: it must be attached and switched on."),
              console.lines.end());
    EXPECT_EQ(
        std::count_if(console.lines.begin(), console.lines.end(),
                      [](const std::string& l) { return l.find("USB Port Search Failed.") != std::string::npos; }),
        1);
    EXPECT_TRUE(spooler.printers.empty());
}

// /check names every reason, ends with the first one's code and changes nothing; what the
// installation deals with itself is information only.
TEST_F(UnattendedTest, ChecksEveryReasonAndChangesNothing) {
    files.removalsAtRestart = {"C:\\windows\\system32\\TVPortMon.dll"};
    EXPECT_EQ(Run({"/check", "/port:COM2:"}), 0);
    EXPECT_EQ(console.lines.back(), "Nothing stands in the way of this installation now. (exit code 0)");
    EXPECT_EQ(std::count_if(console.lines.begin(), console.lines.end(),
                            [](const std::string& l) { return l.rfind("Information: ", 0) == 0; }),
              2);  // the deletion at restart, the drivers' policy

    const auto set = [&](const char* path, const char* name, std::uint32_t value) {
        Registry::Key key = 0;
        registry.CreateKey(path, "", key);
        registry.SetDword(key, name, value);
        registry.CloseKey(key);
    };
    set(kPrintSettingsKey, kProtectedPrintSetting, 1);
    set("SYSTEM\\CurrentControlSet\\Services\\Spooler", "Start", 4);
    files.RemoveFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMonUI.dll");
    console.lines.clear();
    EXPECT_EQ(Run({"/check", "/port:COM7:"}), 1625);
    for (const char* reason : {"Windows protected print mode is on", "The Print Spooler service is disabled",
                               "TVPortMonUI.dll is missing", "The port COM7: does not exist."}) {
        EXPECT_EQ(std::count_if(console.lines.begin(), console.lines.end(),
                                [&](const std::string& l) { return l.find(reason) != std::string::npos; }),
                  1)
            << reason;
    }
    EXPECT_TRUE(spooler.printers.empty() && spooler.driverCalls.empty() && services.events.empty());
    // The Settings switch alone refuses the installation too.
    set("SYSTEM\\CurrentControlSet\\Services\\Spooler", "Start", 2);
    EXPECT_EQ(Run({"/install", "/port:COM2:"}), 1625);
}

// /noentry: a package that runs the installation shows its own entry; the queues, the
// detection value and the removal are as usual.
TEST_F(UnattendedTest, NoEntryInstallsEverythingButTheUninstallEntry) {
    ASSERT_EQ(Run({"/install", "/port:COM2:", "/noentry"}), 0) << console.lines.back();
    EXPECT_EQ(spooler.printers,
              (std::vector<PrinterInfo2>{{"TORVA Label Printer", "COM2:", "TORVA Label Printer #1"}}));
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    EXPECT_FALSE(registry.Has(kUninstallKeyKorean));
    EXPECT_EQ(registry.Dword(kDetectionKey, kDetectionInstalled), 1u);
    EXPECT_EQ(Run({"/uninstall", "/all"}), 0);
    EXPECT_TRUE(spooler.printers.empty());
    EXPECT_FALSE(registry.Has(kDetectionKey));
}

// A package's run (/noentry) that fails on its third copy takes back the two before it, the
// monitor and the detection value: the package's own rollback then takes the program away,
// and nothing would be left to remove them with. A plain run keeps them, as the dialogs do.
TEST_F(UnattendedTest, ANoEntryRunThatFailsTakesBackEveryCopyItInstalled) {
    spooler.monitorKeys = &registry;
    spooler.AddQueue("Office", "Generic / Text Only");
    for (bool noEntry : {true, false}) {
        spooler.printerErrors = {0, 0, 5};
        std::vector<std::string> arguments = {"/install", "/port:COM2:", "/copies:3"};
        if (noEntry) arguments.push_back("/noentry");
        EXPECT_EQ(Run(arguments), 1603);
        EXPECT_EQ(console.lines.back().rfind("Probable cause: ", 0), 0u) << console.lines.back();
        const bool takenBack = std::count(console.lines.begin(), console.lines.end(),
                                          "The 2 printer(s) this run installed before the failure were removed again.");
        EXPECT_EQ(takenBack, noEntry);
        EXPECT_EQ(spooler.printers.size(), noEntry ? 1u : 3u) << noEntry;
        EXPECT_EQ(spooler.printers.at(0), (PrinterInfo2{"Office", "COM1:", "Generic / Text Only"}));
        for (int n : {1, 2, 3}) EXPECT_EQ(spooler.HasDriver(LabelDriverName(n)), !noEntry && n < 3) << n;
        int numberedFiles = 0;
        for (const std::string& folder : {spooler.driverDir, spooler.driverDir + "\\3"}) {
            std::vector<std::string> names;
            files.ListFileNames(folder, names);
            for (const std::string& name : names) numberedFiles += NumberedFileNumber(name) != 0;
        }
        EXPECT_EQ(numberedFiles, noEntry ? 0 : 10);
        EXPECT_EQ(registry.Has(kDetectionKey), !noEntry);
        EXPECT_EQ(std::count(spooler.monitors.begin(), spooler.monitors.end(), kPortMonitorName), noEntry ? 0 : 1);
        EXPECT_EQ(Run({"/uninstall", "/all"}), 0);
        console.lines.clear();
    }
    // Queues the spooler will not delete stay with their drivers and the detection value, all
    // named for the removal that finds them later.
    spooler.printerErrors = {0, 5};
    spooler.deletePrinterError = 5;
    EXPECT_EQ(Run({"/install", "/port:COM2:", "/copies:2", "/noentry"}), 1603);
    EXPECT_NE(std::find(console.lines.begin(), console.lines.end(), "printer \"TORVA Label Printer\""),
              console.lines.end());
    EXPECT_EQ(std::count_if(console.lines.begin(), console.lines.end(),
                            [](const std::string& l) { return l.find("removed again.") != std::string::npos; }),
              0);
    EXPECT_TRUE(spooler.HasDriver(LabelDriverName(1)));
    EXPECT_TRUE(registry.Has(kDetectionKey));
}

// A handle that Windows refuses to close (an invalid one) leaves nothing to undo, and a folder
// whose size cannot be read only leaves the size out of the entry: installation and removal
// still succeed, and nothing stays open.
TEST_F(UnattendedTest, RefusedClosesAndAnUnknownFolderSizeChangeNoOutcome) {
    files.folderSizeUnknown = true;
    registry.closeError = 6;
    spooler.closePrinterError = 6;
    services.closeError = 6;
    EXPECT_EQ(Run({"/install", "/port:COM2:"}), 0);
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(registry.Dword(kUninstallKeyEnglish, "EstimatedSize"), std::nullopt);
    EXPECT_EQ(Run({"/uninstall", "/all"}), 0);
    EXPECT_TRUE(spooler.printers.empty());
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(registry.OpenKeys(), 0u);
    EXPECT_EQ(spooler.OpenPrinterHandles(), 0u);
    EXPECT_EQ(services.OpenHandles(), 0u);
}

// Deployment tools read the exit code: an exception is a failure like any other, and the
// last line says what it was.
TEST_F(UnattendedTest, AnExceptionEndsTheRunWith1603AndNamesIt) {
    spooler.enumError = 1722;
    spooler.enumFailsWhen = []() -> bool { throw std::runtime_error("out of handles"); };
    EXPECT_EQ(Run({"/install", "/port:COM1:"}), 1603);
    EXPECT_EQ(console.lines.back(),
              "The installation stopped because of an unexpected error: out of handles (exit code 1603)");
    EXPECT_EQ(log.lines.back(), "2026-12-07 08:00:00 " + console.lines.back());
    EXPECT_EQ(Run({"/list"}), 1603);
}

TEST_F(UnattendedTest, RefusalsGiveTheirOwnExitCodes) {
    EXPECT_EQ(Run({"/install", "/port:COM9:"}), 1603);
    EXPECT_EQ(console.lines.back(), "The port COM9: does not exist. (exit code 1603)");
    EXPECT_EQ(Run({"/install"}), 1639);
    EXPECT_EQ(Run({"/install", "/port:COM1:", "/name:a,b"}), 1603);
    spooler.enumPortsError = 1722;  // without the list no named port is known
    EXPECT_EQ(Run({"/install", "/port:COM1:"}), 1603);
    EXPECT_EQ(console.lines.back(),
              "The ports could not be listed (error 1722): the port COM1: cannot be checked. Nothing was installed. "
              "(exit code 1603)");
    spooler.enumPortsError = 0;
    EXPECT_EQ(Run({"/install", "/ip:224.0.0.1"}), 1639);
    for (int n = 1; n <= 498; ++n) spooler.AddQueue(Format("Dock %d", n), Format("TORVA Label Printer #%d", n));
    EXPECT_EQ(Run({"/install", "/port:COM1:", "/copies:3"}), 1603);
    EXPECT_EQ(console.lines.back().find("Nothing was installed: 3 printer driver copies were asked for, but only 2"),
              0u);
    systemInfo.version = {4, 10, 1998, 1, 0, 0, 0, 1};  // Windows 98
    EXPECT_EQ(Run({"/install", "/port:COM1:"}), 1633);
    EXPECT_TRUE(spooler.driverCalls.empty());
}

// Port and queue names in any letter case, as the spooler compares them; a named port the
// spooler turns down when the queue is made (1796) fails rather than put the queue on COM1:.
TEST_F(UnattendedTest, NamesInAnyLetterCaseAndTheNamedPortOrNothing) {
    EXPECT_EQ(Run({"/install", "/port:com2:", "/copies:2"}), 0) << console.lines.back();
    EXPECT_EQ(spooler.printers,
              (std::vector<PrinterInfo2>{{"TORVA Label Printer", "COM2:", "TORVA Label Printer #1"},
                                         {"TORVA Label Printer 2", "COM2:", "TORVA Label Printer #2"}}));

    spooler.printerErrors = {kErrorUnknownPort};  // listed, yet gone when the queue is made
    EXPECT_EQ(Run({"/install", "/port:LPT1:"}), 1603);
    EXPECT_EQ(console.lines.back(),
              "The print spooler does not know the port LPT1: (error 1796): the printer was not installed. (exit code "
              "1603)");
    EXPECT_EQ(spooler.printers.size(), 2u);
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #3"));

    console.lines.clear();
    EXPECT_EQ(Run({"/uninstall", "/queue:torva label printer 2", "/queue:TORVA LABEL PRINTER 2"}), 0)
        << console.lines.back();
    EXPECT_EQ(std::count(console.lines.begin(), console.lines.end(), "To remove: \"TORVA Label Printer 2\""), 1);
    EXPECT_EQ(spooler.printers.size(), 1u);
}

// A file held open when it should go (the spooler holds the monitor's module, a job a driver
// file) is deleted by Windows at the next restart: the removal has done its part and says so
// with 3010. Where even that is refused, the run fails and the uninstall entry stays for the
// module, which a later removal takes.
TEST_F(UnattendedTest, FilesHeldOpenGoAtTheNextRestart) {
    const std::string gpd = spooler.driverDir + "\\TVLabel1.GPD";
    const std::string monitor = "C:\\windows\\system32\\TVPortMon.dll";
    for (bool refused : {false, true}) {
        ASSERT_EQ(Run({"/install", "/port:COM1:"}), 0) << console.lines.back();
        files.inUse = {gpd, monitor};
        files.refuseRemovalAtRestart = refused;
        files.removalsAtRestart.clear();
        EXPECT_EQ(Run({"/uninstall", "/all"}), refused ? 1603 : 3010) << refused;
        EXPECT_TRUE(spooler.printers.empty());
        EXPECT_EQ(registry.Has(kUninstallKeyEnglish), refused);
        const std::string joined = [&] {
            std::string all;
            for (const std::string& line : console.lines) all += line + "\n";
            return all;
        }();
        if (refused) {
            EXPECT_TRUE(files.removalsAtRestart.empty());
            EXPECT_NE(joined.find("Not removed:\n" + gpd), std::string::npos) << joined;
        } else {
            EXPECT_EQ(files.removalsAtRestart, (std::vector<std::string>{gpd, monitor}));
            EXPECT_NE(
                joined.find("Uninstallation completed. \n" + gpd + " will be removed at the next restart.\n" + monitor +
                            " will be removed at the next restart.\nRestart Windows to finish the "
                            "removal. (exit code 3010)"),
                std::string::npos)
                << joined;
        }
        files.inUse.clear();
    }
}

// Protected print mode forbids the installation (1625) and an ARM64 machine cannot take it
// (1633), both before the spooler is asked anything; the removal still runs: under protected
// print mode the spooler's 50 counts as removed by Windows, and on ARM64 the removal keeps to
// its own environment, leaving a print server's x64 drivers alone.
TEST_F(UnattendedTest, RefusedSystemsInstallNothingButStillRemove) {
    ASSERT_EQ(Run({"/install", "/port:COM1:"}), 0);
    Registry::Key key = 0;
    registry.CreateKey("SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP", "", key);
    registry.SetDword(key, "WindowsProtectedPrintGroupPolicyState", 1);
    registry.CloseKey(key);
    spooler.calls = 0;
    EXPECT_EQ(Run({"/install", "/port:COM1:"}), 1625);
    EXPECT_EQ(spooler.calls, 0);
    EXPECT_EQ(console.lines.back().rfind("Windows protected print mode is on:", 0), 0u) << console.lines.back();
    EXPECT_NE(console.lines.back().find("(exit code 1625)"), std::string::npos);

    spooler.deleteDriverError = 50;
    spooler.deleteMonitorError = 50;
    EXPECT_EQ(Run({"/uninstall", "/all"}), 0) << console.lines.back();
    EXPECT_TRUE(spooler.printers.empty());
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    EXPECT_NE(std::find_if(debug.lines.begin(), debug.lines.end(),
                           [](const std::string& l) { return l.find("already removed by Windows") != l.npos; }),
              debug.lines.end());

    systemInfo.nativeMachine = kMachineArm64;
    spooler.drivers.clear();
    spooler.deleteDriverError = 0;
    spooler.AddDriver("TORVA Label Printer #7", kEnvironmentX64);
    spooler.calls = 0;
    EXPECT_EQ(Run({"/install", "/port:COM1:"}), 1633);
    EXPECT_EQ(spooler.calls, 0);
    EXPECT_EQ(console.lines.back().rfind("This PC has an ARM64 processor.", 0), 0u) << console.lines.back();
    EXPECT_EQ(Run({"/uninstall", "/all"}), 0);
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #7", kEnvironmentX64));
}

// Deployment tools find the installation by one value in either interface language (the
// uninstall entry's key differs between them): every installation writes it, over what an
// older version wrote, and the removal of the last queue takes it away.
class DetectionValueTest : public UnattendedTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(DetectionValueTest, EveryInstallationWritesItAndTheLastRemovalDeletesIt) {
    systemInfo.codePage = GetParam();
    Registry::Key key = 0;
    registry.CreateKey(kDetectionKey, "", key);
    registry.SetString(key, kDetectionVersion, "4.60");
    registry.CloseKey(key);
    ASSERT_EQ(Run({"/install", "/port:COM1:", "/copies:2"}), 0) << console.lines.back();
    EXPECT_EQ(registry.Dword(kDetectionKey, kDetectionInstalled), 1u);
    EXPECT_EQ(registry.Value(kDetectionKey, kDetectionVersion), PRINSTALL_VERSION_TEXT);
    EXPECT_EQ(Run({"/uninstall", "/queue:TORVA Label Printer"}), 0);
    EXPECT_TRUE(registry.Has(kDetectionKey));
    EXPECT_EQ(Run({"/uninstall", "/all"}), 0);
    EXPECT_FALSE(registry.Has(kDetectionKey));
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Languages, DetectionValueTest, ::testing::Values(1252u, 949u));

// /ifmissing: a label-printer queue already on the port asked for (a USB printer's is the
// label monitor's port) leaves everything as it is and ends with 0; a queue of another port or
// another driver does not count.
struct IfMissingCase {
    std::vector<std::string> arguments;
    PrinterInfo2 existing;  // printer, port, driver
    bool keptAsItIs;
    int exitCode;
};

class IfMissingTest : public UnattendedTest, public ::testing::WithParamInterface<IfMissingCase> {};

TEST_P(IfMissingTest, AQueueOnThePortLeavesEverythingAsItIs) {
    const IfMissingCase& c = GetParam();
    spooler.printers.push_back(c.existing);
    spooler.ports.insert({"USB001", "IP_192.168.0.20", "IP_192.168.0.21", "IP_192.168.0.20_9101"});
    const std::vector<PrinterInfo2> before = spooler.printers;
    EXPECT_EQ(Run(c.arguments), c.exitCode) << console.lines.back();
    const bool skipped =
        console.lines.back().find("Nothing was installed: the label printer \"" + c.existing.printerName +
                                  "\" already prints to the port " + c.existing.portName + ".") == 0;
    EXPECT_EQ(skipped, c.keptAsItIs) << console.lines.back();
    if (c.keptAsItIs) {
        EXPECT_EQ(spooler.printers, before);
        EXPECT_TRUE(spooler.driverCalls.empty());
        EXPECT_TRUE(spooler.addedMonitorDlls.empty());
        EXPECT_TRUE(registry.written.empty());
        EXPECT_TRUE(services.events.empty());
        EXPECT_TRUE(files.trail.empty());
    } else if (c.exitCode == 0) {
        EXPECT_EQ(spooler.printers.size(), before.size() + 1);
    }
}

const char kDriver[] = "TORVA Label Printer #4";
INSTANTIATE_TEST_SUITE_P(
    PortKinds, IfMissingTest,
    ::testing::Values(
        IfMissingCase{{"/install", "/port:com2:", "/ifmissing"}, {"Dock", "COM2:", kDriver}, true, 0},
        IfMissingCase{{"/install", "/port:COM2:", "/ifmissing"}, {"Dock", "COM3:", kDriver}, false, 0},
        IfMissingCase{{"/install", "/port:COM2:", "/ifmissing"}, {"Office", "COM2:", "Generic / Text Only"}, false, 0},
        IfMissingCase{{"/install", "/port:COM2:"}, {"Dock", "COM2:", kDriver}, false, 0},
        IfMissingCase{{"/install", "/usb", "/ifmissing"}, {"Dock", "USB/TORVA Label Port", kDriver}, true, 0},
        // Not the monitor's port: the run goes on to look for the printer, which
        // is not attached here.
        IfMissingCase{{"/install", "/usb", "/ifmissing"}, {"Dock", "USB001", kDriver}, false, 1603},
        IfMissingCase{{"/install", "/ip:192.168.000.020", "/ifmissing"}, {"Dock", "IP_192.168.0.20", kDriver}, true, 0},
        IfMissingCase{{"/install", "/ip:192.168.0.20", "/ifmissing"}, {"Dock", "IP_192.168.0.21", kDriver}, false, 0},
        // The same host on another raw port is another printer.
        IfMissingCase{{"/install", "/ip:192.168.0.20", "/ipport:9101", "/ifmissing"},
                      {"Dock", "IP_192.168.0.20_9101", kDriver},
                      true,
                      0},
        IfMissingCase{{"/install", "/ip:192.168.0.20", "/ipport:9101", "/ifmissing"},
                      {"Dock", "IP_192.168.0.20", kDriver},
                      false,
                      0}));

}  // namespace
}  // namespace prinstall
