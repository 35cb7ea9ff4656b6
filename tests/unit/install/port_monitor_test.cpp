#include "install/port_monitor.h"

#include <gtest/gtest.h>

#include "core/sha256.h"
#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

class PortMonitorTest : public ::testing::Test {
protected:
    PortMonitorTest() {
        for (const char* folder : {"Win32", "Win64", "Win64\\Itanium"}) {
            for (const char* module : {"TVPortMon.dll", "TVPortMonUI.dll"}) {
                files.AddFile(std::string("C:\\TORVA EPL Printer 2.X\\") + folder + "\\" + module,
                              std::string(folder) + " " + module);
            }
        }
        system.redirectionCallExists = true;
    }

    fakes::FakeSpooler spooler;
    fakes::FakeFiles files;
    fakes::FakeSystemInfo system;
    fakes::FakeDebugLog debug;
    PortMonitorInstaller monitor{spooler, files, system, debug};
};

TEST_F(PortMonitorTest, OnlyTheExactNameCountsAsInstalled) {
    EXPECT_EQ(monitor.IsPortMonitorInstalled(), 0);
    spooler.monitors.push_back("TORVA Label USB Port");
    EXPECT_EQ(monitor.IsPortMonitorInstalled(), 0);
    spooler.monitors.push_back("TORVA LABEL USB Port");
    EXPECT_EQ(monitor.IsPortMonitorInstalled(), 1);
    EXPECT_EQ(debug.lines, std::vector<std::string>(3, "EnumMonitors() Success !!!"));
}

TEST_F(PortMonitorTest, ListedMonitorIsNeitherCopiedNorAddedAgain) {
    spooler.monitors.push_back("TORVA LABEL USB Port");
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0), PortMonitorInstaller::Addition::AlreadyThere);
    EXPECT_TRUE(files.copies.empty());
    EXPECT_TRUE(spooler.addedMonitorDlls.empty());
}

// A monitor the spooler may be running is not copied over, and a run that could not see it
// never counts it as its own.
TEST_F(PortMonitorTest, AFailedListIsUnknownAndChangesNothing) {
    spooler.monitors.push_back("TORVA LABEL USB Port");
    spooler.enumMonitorsError = 1722;
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0), PortMonitorInstaller::Addition::Unknown);
    EXPECT_TRUE(files.copies.empty());
    EXPECT_TRUE(spooler.addedMonitorDlls.empty());
}

TEST_F(PortMonitorTest, X86CopiesTheWin32ModulesAndLeavesRedirectionAlone) {
    // What the current directory holds under the same relative names plays no part.
    files.AddFile(files.WorkingDirectory() + "\\Win32\\TVPortMon.dll", "planted");
    monitor.AddPortMonitor(0);
    EXPECT_EQ(files.Content("C:\\windows\\system32\\TVPortMon.dll"), "Win32 TVPortMon.dll");
    EXPECT_EQ(files.Content("C:\\windows\\system32\\TVPortMonUI.dll"), "Win32 TVPortMonUI.dll");
    EXPECT_EQ(system.redirectionDisabled, 0);
    EXPECT_EQ(spooler.addedMonitorDlls, std::vector<std::string>{"TVPortMon.dll"});
    EXPECT_EQ(spooler.monitors.back(), "TORVA LABEL USB Port");
    EXPECT_EQ(debug.lines, std::vector<std::string>{"AddPortMonitor() Success !!!"});
}

// Redirection is off for the two copies only, a failed one included: the spooler call that
// follows runs with it back on.
TEST_F(PortMonitorTest, X64AndItaniumSwitchRedirectionOffAroundTheCopiesFromTheirOwnFolders) {
    system.trail = &files.trail;
    spooler.trail = &files.trail;
    for (int processor : {1, 2}) {
        files.trail.clear();
        monitor.AddPortMonitor(processor);
        EXPECT_EQ(files.trail, (std::vector<std::string>{"redirection off", "copy C:\\windows\\system32\\TVPortMon.dll",
                                                         "copy C:\\windows\\system32\\TVPortMonUI.dll",
                                                         "redirection on", "add monitor TORVA LABEL USB Port"}))
            << processor;
        EXPECT_FALSE(system.redirectionOff);
        spooler.monitors.pop_back();
    }
    EXPECT_EQ(files.Content("C:\\windows\\system32\\TVPortMon.dll"), "Win64\\Itanium TVPortMon.dll");
    EXPECT_EQ(files.Content("C:\\windows\\system32\\TVPortMonUI.dll"), "Win64\\Itanium TVPortMonUI.dll");

    // Redirection that cannot be switched off is not switched back on either; the copies and
    // the spooler call still go ahead (the spooler then says whether it found the module).
    system.redirectionCallExists = false;
    files.trail.clear();
    monitor.AddPortMonitor(1);
    EXPECT_EQ(files.trail, (std::vector<std::string>{"copy C:\\windows\\system32\\TVPortMon.dll",
                                                     "copy C:\\windows\\system32\\TVPortMonUI.dll",
                                                     "add monitor TORVA LABEL USB Port"}));

    // Redirection that stays off: the spooler's client could not load its libraries.
    system.redirectionCallExists = system.revertRefused = true;
    files.trail.clear();
    debug.lines.clear();
    monitor.AddPortMonitor(1);
    EXPECT_EQ(files.trail.back(), "copy C:\\windows\\system32\\TVPortMonUI.dll");
    EXPECT_EQ(debug.lines,
              (std::vector<std::string>{"Wow64RevertWow64FsRedirection() Fail !!!", "AddPortMonitor() Fail !!!"}));
}

// A module that could not be copied is not added as a monitor; a monitor the spooler refuses
// is a failed addition with the spooler's code.
TEST_F(PortMonitorTest, AFailedCopyOrARefusedAddFailsTheAddition) {
    files.RemoveFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMonUI.dll");
    std::uint32_t error = 0;
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0, &error), PortMonitorInstaller::Addition::Failed);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(*monitor.Refusal(),
              "The printer driver was not installed: the installation file C:\\TORVA EPL Printer "
              "2.X\\Win32\\TVPortMonUI.dll could not be copied to C:\\windows\\system32\\TVPortMonUI.dll.");
    EXPECT_TRUE(spooler.addedMonitorDlls.empty());

    files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMonUI.dll", "ui");
    spooler.addMonitorError = 126;
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0, &error), PortMonitorInstaller::Addition::Failed);
    EXPECT_EQ(error, 126u);
}

// The modules are proven where they landed: a module that is not the one the release listed
// (changed after the check) takes both copies away again, and no monitor is added.
TEST_F(PortMonitorTest, AModuleCopyThatIsNotAsListedIsTakenAwayAndNoMonitorAdded) {
    const std::string list = "Win32\\TVPortMon.dll\t" + Sha256Hex("Win32 TVPortMon.dll") + "\n" +
                             "Win32\\TVPortMonUI.dll\t" + Sha256Hex("as shipped") + "\n";
    monitor.ProveAgainst(list, Language::Korean);
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0), PortMonitorInstaller::Addition::Failed);
    EXPECT_EQ(
        *monitor.Refusal(),
        "프린터 드라이버를 설치하지 못했습니다: 설치 파일 C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMonUI.dll이(가) "
        "검사 후에 바뀌어, 복사된 파일이 이 릴리스에 포함된 파일과 다릅니다. 릴리스에서 설치 폴더를 다시 "
        "복사하십시오.");
    EXPECT_FALSE(files.HasFile("C:\\windows\\system32\\TVPortMon.dll"));
    EXPECT_FALSE(files.HasFile("C:\\windows\\system32\\TVPortMonUI.dll"));
    EXPECT_TRUE(spooler.addedMonitorDlls.empty());

    files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMonUI.dll", "as shipped");
    EXPECT_EQ(monitor.AddPortMonitorIfMissing(0), PortMonitorInstaller::Addition::Added);
    EXPECT_FALSE(monitor.Refusal());
}

TEST_F(PortMonitorTest, FramedynIsCopiedFromWbemIntoTheSystemFolder) {
    files.AddFile("C:\\windows\\system32\\wbem\\framedyn.dll", "framedyn");
    monitor.CopyFramedyn();
    EXPECT_EQ(files.Content("C:\\windows\\system32\\FRAMEDYN.dll"), "framedyn");
}

}  // namespace
}  // namespace prinstall
