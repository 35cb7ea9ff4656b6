// Driver removal against Wine's real spooler, registry and files: a copy installed
// for real through staging and registration (and the port monitor from the media), then
// removed by the removal dialog's rules with an in-memory window; and the monitor's modules
// in both system folders of a 64-bit prefix. Every test cleans up before and after.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/fs_redirection_off.h"
#include "fakes/fake_delete_printer_view.h"
#include "install/port_monitor.h"
#include "install/registration.h"
#include "install/staging.h"
#include "install/uninstall_entry.h"
#include "platform/basic_win.h"
#include "installed_program_files_win.h"
#include "platform/files_win.h"
#include "platform/handle_win.h"
#include "platform/registry_win.h"
#include "platform/services_win.h"
#include "platform/spooler_win.h"
#include "platform/text_win.h"
#include "platform/threads.h"
#include "uninstall/cleanup.h"

namespace prinstall {
namespace {

const char* const kOfficeDriver = "Office Label Writer";
const std::string kMonitorKey = std::string(kMonitorsKey) + "\\" + kPortMonitorName;

class RecordingDebugLog : public DebugLog {
public:
    std::vector<std::string> lines;
    void Output(const std::string& text) override { lines.push_back(text); }
};

bool KeyExists(const std::string& path) {
    RegistryKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void DeleteQueue(const std::string& name) {
    std::wstring queue = Widen(name);
    PrinterHandle printer;
    PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(queue.data(), printer.Put(), &all)) DeletePrinter(printer.Get());
}

class RemovalUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        korean = GetACP() == 949;
        ASSERT_EQ(spooler.DriverDirectory("", driverDirectory), 0u);
        systemFolder = files.SystemDirectory();
        CleanUp();
    }
    void TearDown() override { CleanUp(); }

    void CleanUp() {
        for (const char* queue : {"TORVA Label Printer", "TORVA Label Printer 2", "Office"}) DeleteQueue(queue);
        for (const char* driver : {"TORVA Label Printer #1", "TORVA Label Printer #2", kOfficeDriver}) {
            spooler.RemoveDriver(driver, "");
        }
        spooler.RemoveMonitor(kPortMonitorName, "");
        for (const std::string& key :
             {std::string(kUninstallKeyEnglish), std::string(kUninstallKeyKorean), kMonitorKey}) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(key).c_str());
        }
        for (int n : {1, 2}) {
            for (const StagingRow& row : StagingRows(0, korean, n)) {
                files.RemoveFile(driverDirectory + "\\" + row.destination);
                files.RemoveFile(driverDirectory + "\\3\\" + row.destination);
            }
        }
    }

    // Copy n as the Install command leaves it: staged, registered, with its queue.
    void Install(int n, const std::string& queue, int interfaceKind) {
        // The Install command adds the monitor before a USB copy's queue goes on its port.
        if (interfaceKind == kInterfaceUsb) monitor.AddPortMonitorIfMissing(0);
        DriverStager stager(
            files, spooler, [](const std::string&) {}, [](const std::optional<std::string>&, int, bool) {});
        stager.StageDriverFiles(n, 0, korean);
        RegistrationSettings s;
        s.driverNumber = n;
        s.environment = kEnvironmentX86;
        s.interfaceKind = interfaceKind;
        s.portName = "COM1:";
        s.useLabelPortMonitor = interfaceKind == kInterfaceUsb;
        s.language = korean ? Language::Korean : Language::English;
        Registrar registrar(spooler, registry, monitor, [](const std::optional<std::string>&, int, bool) {});
        ASSERT_EQ(registrar.RegisterDriverAndPrinter(queue, s), 0) << registrar.Message();
    }

    // One run of the removal dialog with the entries at `ticked` (or all) ticked.
    fakes::FakeDeletePrinterView RemoveQueues(const std::vector<int>& ticked, bool all = false) {
        fakes::FakeDeletePrinterView view;
        DeletePrinterDialog dialog(app, registry, files, view);
        dialog.OnInitDialog();
        if (all) dialog.OnSelectAll();
        for (int i : ticked) view.list.at(static_cast<size_t>(i)).second = true;
        dialog.OnDeletePrinter();
        return view;
    }

    std::vector<std::string> QueueNames() {
        std::vector<PrinterInfo2> queues;
        EXPECT_EQ(spooler.ListLocalPrinters(queues), 0u);
        std::vector<std::string> names;
        for (const PrinterInfo2& q : queues) names.push_back(q.printerName);
        return names;
    }
    bool MonitorInstalled() {
        RecordingDebugLog quiet;
        return PortMonitorInstaller(spooler, files, system, quiet).IsPortMonitorInstalled() == 1;
    }

    bool korean = false;
    InstalledProgramFiles files;
    WinSpooler spooler;
    WinRegistry registry;
    WinServices services;
    WinSystemInfo system;
    WinClock clock;
    RecordingDebugLog debug;
    PortMonitorInstaller monitor{spooler, files, system, debug};
    AppContext app{{spooler, services, system, clock, debug}, {}};
    std::string driverDirectory;
    std::string systemFolder;
};

// A queue of another driver on the label port is moved to LPT1: through the spooler (Wine's
// PrintUIEntry would move nothing), so the monitor and the uninstall entry can go.
TEST_F(RemovalUnderWine, QueueOfAnotherDriverOnTheLabelPortMovesOffAndTheMonitorGoes) {
    Install(1, "TORVA Label Printer", kInterfaceUsb);
    DriverRecord office = LabelDriverRecord(1, kEnvironmentX86);
    office.name = kOfficeDriver;
    ASSERT_EQ(spooler.RegisterDriver(office), 0u);
    PrinterRecord queue{"Office", kPortMonitorPort, kOfficeDriver, "WinPrint", "RAW", 0};
    ASSERT_EQ(spooler.CreatePrinter(queue), 0u);

    auto view = RemoveQueues({}, true);
    EXPECT_EQ(view.list.size(), 1u);
    std::vector<PrinterInfo2> queues;
    ASSERT_EQ(spooler.ListLocalPrinters(queues), 0u);
    EXPECT_EQ(queues, (std::vector<PrinterInfo2>{{"Office", "LPT1:", kOfficeDriver}}));
    EXPECT_FALSE(KeyExists(korean ? kUninstallKeyKorean : kUninstallKeyEnglish));
    EXPECT_FALSE(MonitorInstalled());
    EXPECT_FALSE(files.FileExists(systemFolder + "\\TVPortMon.dll"));
    EXPECT_EQ(view.results.back().outcome, 0) << view.results.back().message;
    DeleteQueue("Office");
}

// Wine deletes a driver that a queue still uses without a word (no 3001): the removal looks at
// the queues first, so the other queue keeps its driver and the driver its files.
TEST_F(RemovalUnderWine, DriverSharedWithAnotherQueueStaysWithItsFiles) {
    Install(1, "TORVA Label Printer", kInterfaceSerial);
    PrinterRecord second{"TORVA Label Printer 2", "COM2:", "TORVA Label Printer #1", "WinPrint", "RAW", 0};
    ASSERT_EQ(spooler.CreatePrinter(second), 0u);

    auto view = RemoveQueues({1});
    EXPECT_EQ(QueueNames(), std::vector<std::string>{"TORVA Label Printer"});
    std::vector<std::string> drivers;
    ASSERT_EQ(spooler.ListDrivers("", drivers), 0u);
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "TORVA Label Printer #1"), drivers.end());
    EXPECT_TRUE(files.FileExists(driverDirectory + "\\TVLabel1.GPD"));
    EXPECT_EQ(view.results.back().outcome, 0);
}

// In a 64-bit prefix this 32-bit program sees the 32-bit system folder in place of the native
// one; the cleanup deletes the monitor's modules there, then again with redirection off, and
// switches it back on: a file written afterwards lands in the 32-bit folder again.
TEST(RemovalOn64BitWine, MonitorModulesLeaveBothSystemFolders) {
    const char* const modules[] = {"TVPortMon.dll", "TVPortMonUI.dll"};
    WinFiles files;
    WinSystemInfo system;
    const std::string folder = files.SystemDirectory();
    // How many of the modules one side sees, and that they are that side's own files.
    auto count = [&](bool native) {
        int n = 0;
        FsRedirectionOff redirection(system, native);
        for (const char* m : modules) {
            auto in = files.OpenForReading(folder + "\\" + m);
            char mark[2] = {};
            if (!in) continue;
            EXPECT_EQ(in->Read(mark, 2), 2);
            EXPECT_EQ(std::string(mark, 2), native ? "64" : "32") << m;
            ++n;
        }
        return n;
    };
    auto write = [&](bool native, const char* module) {
        FsRedirectionOff redirection(system, native);
        auto out = files.CreateForWriting(folder + "\\" + module);
        ASSERT_TRUE(out && out->Write(native ? "64" : "32", 2) && out->Close()) << module;
    };
    for (bool native : {false, true}) {
        for (const char* m : modules) write(native, m);
    }
    ASSERT_EQ(count(false), 2);
    ASSERT_EQ(count(true), 2);

    WinSpooler spooler;
    WinRegistry registry;
    RecordingDebugLog debug;
    FilesLeft left;
    Cleanup(spooler, registry, files, system, debug).RemovePortMonitor(1, left);
    EXPECT_TRUE(left.kept.empty() && left.atRestart.empty());
    EXPECT_EQ(count(false), 0);
    EXPECT_EQ(count(true), 0);

    write(false, modules[0]);
    EXPECT_EQ(count(true), 0);
    EXPECT_EQ(count(false), 1);
    files.RemoveFile(folder + "\\" + modules[0]);
}

}  // namespace
}  // namespace prinstall
