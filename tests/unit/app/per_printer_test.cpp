#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "app/unattended_run.h"
#include "core/entry_names.h"
#include "core/label_drivers.h"
#include "core/folder_record.h"
#include "core/printer_records.h"
#include "fakes/main_dialog_world.h"
#include "prinstall_version.h"

namespace prinstall {
namespace {

struct Lines : TextOutput {
    std::vector<std::string> lines;
    void WriteLine(const std::string& text) override { lines.push_back(text); }
};

// One printer at a time, by name and by owner, as fleets deploy, detect and remove them.
// The keys below the maker's key once the printers are gone: only the installation folder's
// record stays, with the folder and the program in it.
std::vector<std::string> MakerKeysLeft(const fakes::FakeRegistry& registry) {
    std::vector<std::string> left;
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    const std::string maker = lower(kMakerKey), folder = lower(kFolderRecordKey);
    for (const auto& [path, key] : registry.keys) {
        if (path.rfind(maker, 0) == 0 && path != maker && path != folder) left.push_back(path);
    }
    return left;
}

class PerPrinterTest : public ::testing::Test, public fakes::MainDialogWorld {
protected:
    PerPrinterTest() {
        for (const char* f : {"UNIDRV.DLL", "UNIDRV.HLP", "UNIDRVUI.DLL", "UNIRES.DLL", "STDNAMES.GPD", "TVLabel.DLL",
                              "TVLabelE.DLL", "TVLabelUI.DLL", "TVPortMon.dll", "TVPortMonUI.dll"}) {
            files.AddFile(std::string("C:\\TORVA EPL Printer 2.X\\Win32\\") + f, f);
        }
        files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD", "1\n2\n3\n4\n5\n6\n7\n");
        files.AddFolder(spooler.driverDir);
    }
    int Run(std::vector<std::string> arguments) {
        console.lines.clear();
        return UnattendedRun(app, console, &log).Run(ParseCommandLine(arguments));
    }
    void AgeRecord(const std::string& queue) {
        Registry::Key key = 0;
        ASSERT_EQ(registry.OpenKey(std::string(kQueueRecordsKey) + "\\" + queue, key), 0u);
        registry.SetString(key, "Version", "1.0");
        registry.CloseKey(key);
    }
    std::string Record(const std::string& queue, const char* value) {
        return registry.Value(std::string(kQueueRecordsKey) + "\\" + queue, value);
    }
    Lines console;
    Lines log;
};

TEST_F(PerPrinterTest, TwoPrintersByNameAreDetectedAndRemovedOneAtATime) {
    ASSERT_EQ(Run({"/install", "/port:COM2:", "/name:Front Desk", "/owner:{AB-12}", "/ifmissing"}), 0);
    ASSERT_EQ(Run({"/install", "/port:COM2:", "/name:Back Office", "/ifmissing"}), 0);
    EXPECT_EQ(spooler.printers.size(), 2u);
    EXPECT_EQ(Record("Front Desk", "Driver"), "TORVA Label Printer #1");
    EXPECT_EQ(Record("Front Desk", "Port"), "COM2:");
    EXPECT_EQ(Record("Front Desk", "Owner"), "{AB-12}");
    EXPECT_EQ(Record("Front Desk", "Version"), PRINSTALL_VERSION_TEXT);
    EXPECT_EQ(Record("Front Desk", "InstallDate"), "20261207");
    EXPECT_EQ(registry.Dword(std::string(kQueueRecordsKey) + "\\Front Desk", "PortCreated"), 0u);
    EXPECT_EQ(Record("Back Office", "Owner"), "");

    // Detection prints the printer's line alone, only with its record and on the port asked.
    EXPECT_EQ(Run({"/detect", "/name:front desk"}), 0);
    EXPECT_EQ(console.lines, std::vector<std::string>{"Front Desk\tTORVA Label Printer #1\tCOM2:"});
    EXPECT_EQ(Run({"/detect", "/name:Front Desk", "/port:LPT1:"}), 0);
    EXPECT_TRUE(console.lines.empty());
    EXPECT_EQ(Run({"/detect", "/name:Nowhere"}), 0);
    EXPECT_TRUE(console.lines.empty());
    spooler.AddQueue("Unrecorded", "TORVA Label Printer #9");
    EXPECT_EQ(Run({"/detect", "/name:Unrecorded"}), 0);
    EXPECT_TRUE(console.lines.empty());
    EXPECT_EQ(Run({"/detect"}), 1639);
    EXPECT_EQ(Run({"/list", "/owner:x"}), 1639);
    EXPECT_EQ(Run({"/install", "/usb", "/owner:"}), 1639);

    // The owner's printer goes; the other stays whole, and so do the shared pieces.
    EXPECT_EQ(Run({"/uninstall", "/owner:{ab-12}"}), 0) << console.lines.back();
    EXPECT_FALSE(registry.Has(std::string(kQueueRecordsKey) + "\\Front Desk"));
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #2"));
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #1"));
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish) && registry.Has(kDetectionKey));
    EXPECT_EQ(Run({"/detect", "/name:Back Office"}), 0);
    EXPECT_EQ(console.lines.size(), 1u);

    // A record whose queue someone deleted is said and deleted; nothing fails for it.
    ASSERT_EQ(Run({"/install", "/port:COM2:", "/name:Dock", "/owner:x"}), 0);
    std::erase_if(spooler.printers, [](const PrinterInfo2& q) { return q.printerName == "Dock"; });
    EXPECT_EQ(Run({"/uninstall", "/owner:X"}), 0);
    EXPECT_NE(std::find(console.lines.begin(), console.lines.end(),
                        "The printer \"Dock\" was not there any more: its record was deleted."),
              console.lines.end());
    EXPECT_FALSE(registry.Has(std::string(kQueueRecordsKey) + "\\Dock"));

    // The last label printer takes the shared pieces and every key the program made.
    spooler.printers.erase(std::remove_if(spooler.printers.begin(), spooler.printers.end(),
                                          [](const PrinterInfo2& q) { return q.printerName == "Unrecorded"; }),
                           spooler.printers.end());
    EXPECT_EQ(Run({"/uninstall", "/queue:Back Office"}), 0) << console.lines.back();
    EXPECT_FALSE(registry.Has(kDetectionKey));
    EXPECT_EQ(MakerKeysLeft(registry), std::vector<std::string>{});
}

// The second deployment of a printer by name changes nothing, moves it, or updates what an
// older version installed, and the queue itself is never made again.
TEST_F(PerPrinterTest, IfMissingByNameKeepsMovesOrUpdatesTheQueue) {
    ASSERT_EQ(Run({"/install", "/port:COM2:", "/name:Front Desk", "/ifmissing"}), 0);
    const std::size_t registrations = spooler.driverCalls.size();
    EXPECT_EQ(Run({"/install", "/port:com2:", "/name:FRONT DESK", "/ifmissing"}), 0);
    EXPECT_EQ(
        console.lines.back(),
        "Nothing was installed: the printer \"Front Desk\" is already installed on the port COM2:. (exit code 0)");
    EXPECT_EQ(Run({"/install", "/port:LPT1:", "/name:Front Desk", "/ifmissing"}), 0);
    EXPECT_EQ(console.lines.back(),
              "The printer \"Front Desk\" was moved from the port COM2: to LPT1:; everything else of it was kept. "
              "(exit code 0)");
    EXPECT_EQ(spooler.printers, (std::vector<PrinterInfo2>{{"Front Desk", "LPT1:", "TORVA Label Printer #1"}}));
    EXPECT_EQ(Record("Front Desk", "Port"), "LPT1:");
    EXPECT_EQ(spooler.driverCalls.size(), registrations);

    // Recorded by an older version: the driver is registered again over the same name.
    AgeRecord("Front Desk");
    EXPECT_EQ(Run({"/install", "/port:LPT1:", "/name:Front Desk", "/ifmissing", "/owner:pkg"}), 0);
    EXPECT_EQ(spooler.driverCalls.size(), registrations + 1);
    EXPECT_EQ(spooler.driverCalls.back().name, "TORVA Label Printer #1");
    EXPECT_EQ(spooler.printers.size(), 1u);
    EXPECT_EQ(Record("Front Desk", "Version"), PRINSTALL_VERSION_TEXT);
    EXPECT_EQ(Record("Front Desk", "Owner"), "pkg");

    // /update adopts every printer of the owner the same way, its description staged again
    // with the defaults given, and with none it is told so.
    AgeRecord("Front Desk");
    files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD",
                  "1\n2\n3\n4\n5\n6\n7\n*Feature: Darkness\n{\n    *DefaultOption: Level8\n    *Option: Level8 { }\n"
                  "    *Option: Level3 { }\n}\n");
    EXPECT_EQ(Run({"/install", "/update", "/owner:PKG", "/default:darkness=level3"}), 0) << console.lines.back();
    EXPECT_EQ(spooler.driverCalls.size(), registrations + 2);
    EXPECT_NE(files.Content(spooler.driverDir + "\\TVLabel1.GPD").find("*DefaultOption: Level3\r\n"),
              std::string::npos);
    EXPECT_EQ(Run({"/install", "/update", "/owner:nobody"}), 0);
    EXPECT_EQ(console.lines.back(), "Nothing was updated: no printer is recorded for the owner nobody. (exit code 0)");
    EXPECT_EQ(spooler.printers.size(), 1u);
}

// A record or a detection value that cannot be written is a failed copy: the queue goes again.
TEST_F(PerPrinterTest, AQueueWithoutItsRecordIsTakenBack) {
    for (const char* value : {"owner", "installed"}) {
        registry.valueErrors = {{value, 5}};
        EXPECT_EQ(Run({"/install", "/port:COM2:", "/name:Dock", "/owner:x"}), 1603) << value;
        EXPECT_TRUE(spooler.printers.empty()) << value;
        EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #1")) << value;
    }
}

// The spooler keeps a queue with jobs after DeletePrinter: the removal says so and fails, and
// what lets a later removal find it stays.
TEST_F(PerPrinterTest, AQueueStillPendingDeletionFailsTheRemovalAndKeepsItsTraces) {
    ASSERT_EQ(Run({"/install", "/port:COM2:", "/name:Dock", "/owner:x"}), 0);
    spooler.pendingDeletion = {"Dock"};
    EXPECT_EQ(Run({"/uninstall", "/owner:x"}), 1603);
    EXPECT_EQ(
        console.lines.back(),
        "printer \"Dock\" with its driver \"TORVA Label Printer #1\" (it still has print jobs or is in use: remove "
        "it again when its jobs have ended) (exit code 1603)");
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #1"));
    EXPECT_TRUE(registry.Has(std::string(kQueueRecordsKey) + "\\Dock"));
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish) && registry.Has(kDetectionKey));
    spooler.pendingDeletion.clear();
    EXPECT_EQ(Run({"/uninstall", "/owner:x"}), 0);
    EXPECT_EQ(MakerKeysLeft(registry), std::vector<std::string>{});
}

}  // namespace
}  // namespace prinstall

namespace prinstall {
namespace {

// Point and Print: a connection to a print server uses the driver of the same name.
TEST_F(PerPrinterTest, ADriverAConnectionUsesOutlivesItsQueueAndIsNamed) {
    ASSERT_EQ(Run({"/install", "/port:COM2:", "/name:Dock"}), 0);
    spooler.connections = {{"\\\\server\\Dock", "", "TORVA Label Printer #1"}};
    EXPECT_EQ(Run({"/uninstall", "/queue:Dock"}), 0);
    EXPECT_TRUE(spooler.printers.empty());
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #1"));
    EXPECT_EQ(console.lines.back(),
              "printer driver \"TORVA Label Printer #1\" (the print-server connection \"\\\\server\\Dock\" uses it) "
              "(exit code 0)");
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
}

}  // namespace
}  // namespace prinstall

namespace prinstall {
namespace {

// A port named on the command line is that port, whatever its name looks like.
TEST_F(PerPrinterTest, APortNamedLikeAUsbPortIsThatPort) {
    spooler.ports.insert("USB001");
    ASSERT_EQ(Run({"/install", "/port:usb001", "/name:Dock", "/ifmissing"}), 0) << console.lines.back();
    EXPECT_EQ(spooler.printers, (std::vector<PrinterInfo2>{{"Dock", "USB001", "TORVA Label Printer #1"}}));
    EXPECT_TRUE(clock.sleeps.empty());  // no printer search
    EXPECT_EQ(Run({"/install", "/port:USB001", "/name:Dock", "/ifmissing"}), 0);
    EXPECT_EQ(spooler.printers.size(), 1u);
}

}  // namespace
}  // namespace prinstall

namespace prinstall {
namespace {

// The command line puts the queue on the printer's own port or fails: a spooler that does not
// start again to take a new network port up ends the run, and the port made for it goes. (The
// restart comes only where no Standard TCP/IP port monitor answers, as under Wine.)
TEST_F(PerPrinterTest, ANetworkPortTheSpoolerDoesNotTakeUpFailsTheRun) {
    spooler.monitors = {"Local Port"};
    services.startError = 1058;
    EXPECT_EQ(Run({"/install", "/ip:192.168.0.20", "/name:Dock"}), 1603);
    EXPECT_EQ(console.lines.back(),
              "Nothing was installed: the port IP_192.168.0.20 was made, but the print spooler did not start again to "
              "take it up. (exit code 1603)");
    EXPECT_TRUE(spooler.printers.empty());
    EXPECT_FALSE(registry.Has(TcpIpPortKey("IP_192.168.0.20")));
}

}  // namespace
}  // namespace prinstall
