// An installation may end at any moment (a kill, a power cut): whatever it had done by then, the
// removal of all label printers that a later start runs takes it away again, or names what it
// had to leave.
#include <gtest/gtest.h>

#include <cctype>

#include "app/unattended_run.h"
#include "core/entry_names.h"
#include "core/label_drivers.h"
#include "core/monitor_removal.h"
#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"
#include "install/install_folder.h"
#include "install/staging.h"

namespace prinstall {
namespace {

struct Lines : TextOutput {
    std::vector<std::string> lines;
    void WriteLine(const std::string& text) override { lines.push_back(text); }
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

const std::string kMedia = "C:\\TORVA EPL Printer 2.X\\Win32\\";
const std::string kSystem = "C:\\windows\\system32\\";

// A Windows 7 x86 PC with the installation media beside the program and the spooler running;
// every call to its spooler, files, folder security, registry and services counts towards the
// kill. The spooler learns the Standard TCP/IP port IP_10.0.0.5 from its key as it restarts.
struct Pc {
    Pc() {
        services.services["spooler"].status = {kServiceRunning, 0, 0};
        for (const char* f : {"UNIDRV.DLL", "UNIDRV.HLP", "UNIDRVUI.DLL", "UNIRES.DLL", "STDNAMES.GPD", "TVLabel.DLL",
                              "TVLabelE.DLL", "TVLabelUI.DLL", "TVPortMon.dll", "TVPortMonUI.dll"}) {
            files.AddFile(kMedia + f, f);
        }
        files.AddFile(kMedia + "TVLabel.GPD", "1\n2\n3\n4\n5\n6\n7\n");
        files.AddFolder(spooler.driverDir);
        spooler.monitorPorts[kPortMonitorName] = kPortMonitorPort;
        spooler.monitorKeys = &registry;
        spooler.ports.insert("IP_10.0.0.5");
        registry.keys[Lower(kMonitorsKey)] = {kMonitorsKey, "", {}, {}};
        WriteFolderRecord(registry, {folderSecurity.IdentityOf(kInstallFolder), kFolderMadeByProgram});
        registry.written.clear();
        spooler.kill = files.kill = folderSecurity.kill = registry.kill = services.kill = &kill;
    }

    // A new process of the program with these arguments, over this PC as the last one left it.
    int Run(const std::vector<std::string>& arguments) {
        files.NewProcess();
        folderSecurity.held.clear();
        systemInfo.redirectionOff = false;
        console.lines.clear();
        AppContext app{{spooler, services, systemInfo, clock, debug, &files, &registry, &folderSecurity}, {}};
        return UnattendedRun(app, console, nullptr).Run(ParseCommandLine(arguments));
    }

    // Everything of ours on the PC, each named; the media's own files and the shared Unidrv
    // files do not count.
    std::vector<std::string> OursLeft() const {
        std::vector<std::string> left;
        for (const PrinterInfo2& q : spooler.printers) left.push_back("queue " + q.printerName);
        for (const DriverRecord& d : spooler.drivers) left.push_back("driver " + d.name);
        for (const std::string& folder : {spooler.driverDir, spooler.driverDir + "\\3"}) {
            for (const std::string& name : files.List(folder)) {
                if (Lower(name).rfind("tvlabel", 0) == 0) left.push_back(folder + "\\" + name);
            }
        }
        for (const std::string& name : files.List(kMedia)) {
            const std::string lower = Lower(name);
            if (lower.rfind("tvlabel", 0) == 0 && lower != "tvlabel.gpd" && lower != "tvlabel.dll" &&
                lower != "tvlabele.dll" && lower != "tvlabelui.dll")
                left.push_back(kMedia + name);
        }
        for (const std::string& m : spooler.monitors) {
            if (m == kPortMonitorName) left.push_back("monitor");
        }
        for (const char* module : {kPortMonitorModule, kPortMonitorUiModule}) {
            if (files.HasFile(kSystem + module)) left.push_back(kSystem + module);
        }
        for (const std::string& key :
             {std::string(kMonitorsKey) + "\\" + kPortMonitorName, std::string(kUninstallKeyEnglish),
              std::string(kUninstallKeyKorean), std::string(kDetectionKey)}) {
            if (registry.Has(key)) left.push_back("HKLM\\" + key);
        }
        return left;
    }

    fakes::ProcessKill kill;
    fakes::FakeSpooler spooler;
    fakes::FakeServices services;
    fakes::FakeSystemInfo systemInfo;
    fakes::FakeClock clock;
    fakes::FakeDebugLog debug;
    fakes::FakeFiles files;
    fakes::FakeRegistry registry;
    fakes::FakeFolderSecurity folderSecurity{files};
    Lines console;
};

// Three copies in two runs: two on COM1:, then one by the network path on a new Standard
// TCP/IP port. The parameter is the run that is killed; the run before it ends normally.
const std::vector<std::vector<std::string>> kRuns = {{"/install", "/port:COM1:", "/copies:2"},
                                                     {"/install", "/ip:10.0.0.5"}};

class InterruptedInstall : public ::testing::TestWithParam<size_t> {
protected:
    // Runs the installations before the killed one; the calls they made.
    static int RunBefore(Pc& pc) {
        for (size_t run = 0; run < GetParam(); ++run) EXPECT_EQ(pc.Run(kRuns[run]), 0) << pc.console.lines.back();
        return pc.kill.calls;
    }
};

// The run is stopped after its k-th platform call, for every k from its first call to its last;
// a new process then removes all label printers. Afterwards nothing of ours is left.
TEST_P(InterruptedInstall, TheRemovalTakesAwayWhateverTheRunHadDoneWhenItStopped) {
    int calls = 0;
    {
        Pc pc;
        const int before = RunBefore(pc);
        ASSERT_EQ(pc.Run(kRuns[GetParam()]), 0) << pc.console.lines.back();
        calls = pc.kill.calls - before;
        ASSERT_EQ(pc.spooler.printers.size(), GetParam() + 2);
    }
    int failures = 0;
    for (int k = 1; k <= calls && failures < 5; ++k) {
        Pc pc;
        pc.kill.killAt = RunBefore(pc) + k;
        pc.Run(kRuns[GetParam()]);
        ASSERT_TRUE(pc.kill.Dead()) << k;
        pc.kill.killAt = 0;
        const int exitCode = pc.Run({"/uninstall", "/all"});
        const std::vector<std::string> left = pc.OursLeft();
        if (exitCode == 0 && left.empty()) continue;
        ++failures;
        std::string report;
        for (const std::string& line : pc.console.lines) report += "\n  " + line;
        std::string named;
        for (const std::string& item : left) named += "\n  " + item;
        ADD_FAILURE() << "stopped after call " << k << " of " << calls << ": exit code " << exitCode
                      << ", left:" << named << "\nremoval said:" << report;
    }
    RecordProperty("stopPoints", calls);
}

INSTANTIATE_TEST_SUITE_P(EachRun, InterruptedInstall, ::testing::Values(size_t{0}, size_t{1}),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return info.param == 0 ? std::string("OnComPort") : std::string("ByNetwork");
                         });

}  // namespace
}  // namespace prinstall
