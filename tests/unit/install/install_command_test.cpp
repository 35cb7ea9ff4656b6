#include "install/install_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fakes/fake_files.h"
#include "fakes/main_dialog_world.h"
#include "core/monitor_removal.h"
#include "fakes/fake_platform.h"
#include "core/label_drivers.h"
#include "core/printer_records.h"
#include "core/sha256.h"
#include "core/tcpip_port_data.h"
#include "install/install_folder.h"
#include "install/media_check.h"
#include "install/uninstall_entry.h"
#include "resource.h"

namespace prinstall {
namespace {

// Port dialog, USB step and Standard TCP/IP port as a script.
class ScriptedSteps : public InstallSteps {
public:
    bool confirmPort = true;
    PortChoice choice{kInterfaceSerial, "COM1:", ""};
    bool usbFindsPrinter = true;
    std::function<void()> duringSearch;  // what others do to the machine while the search waits
    int portDialogs = 0;
    std::vector<std::string> tcpIpPorts;
    std::vector<std::string> notes;

    void Note(const std::string& text) override { notes.push_back(text); }
    bool ChoosePort(PortChoice& c) override {
        ++portDialogs;
        if (confirmPort) c = choice;
        return confirmPort;
    }
    bool RunUsbStep(int& counter) override {
        EXPECT_EQ(counter, 10);
        if (duringSearch) duringSearch();
        return usbFindsPrinter;
    }
    bool WriteTcpIpPortValues(const TcpIpPortSettings& settings) override {
        tcpIpPorts.push_back(settings.host);
        return true;
    }
};

class InstallCommandTest : public ::testing::Test, public fakes::MainDialogWorld {
protected:
    InstallCommandTest() {
        for (const char* f : {"UNIDRV.DLL", "UNIDRV.HLP", "UNIDRVUI.DLL", "UNIRES.DLL", "STDNAMES.GPD", "TVLabel.DLL",
                              "TVLabelE.DLL", "TVLabelUI.DLL", "TVPortMon.dll", "TVPortMonUI.dll"}) {
            files.AddFile(std::string("C:\\TORVA EPL Printer 2.X\\Win32\\") + f, f);
        }
        files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD", "1\n2\n3\n4\n5\n6\n7\n");
        files.AddFolder(spooler.driverDir);
        app.state.os = {11, 0};
        dialog.SetInstallSteps(&steps);
        dialog.OnInitDialog();
    }

    void Install() { dialog.OnCommand(IDC_INSTALL, 0); }

    ScriptedSteps steps;
};

TEST_F(InstallCommandTest, TwoCopiesOnASerialPortGetConsecutiveNumbersAndNames) {
    view.SetItemText(IDC_COPY_COUNT, "2");
    dialog.OnChangeCopyCount();
    Install();
    EXPECT_EQ(steps.portDialogs, 1);
    ASSERT_EQ(spooler.printers.size(), 2u);
    EXPECT_EQ(spooler.printers[0], (PrinterInfo2{"TORVA Label Printer", "COM1:", "TORVA Label Printer #1"}));
    EXPECT_EQ(spooler.printers[1], (PrinterInfo2{"TORVA Label Printer 2", "COM1:", "TORVA Label Printer #2"}));
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 3");
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_EQ(view.results[0].message, "Installation completed. ");
    EXPECT_EQ(view.results[0].outcome, 0);
    EXPECT_EQ(view.texts[IDC_INSTALL], "Add Printer Driver");
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));
    EXPECT_TRUE(view.Enabled(IDC_EXIT));
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(dialog.LabelDriverCount(), 2);
    // A development build carries no list of shipped media: the dialogs say so in the debug
    // output only, once for the run.
    EXPECT_TRUE(steps.notes.empty());
    EXPECT_EQ(std::count_if(debug.lines.begin(), debug.lines.end(),
                            [](const std::string& l) { return l.rfind("Installation media not verified", 0) == 0; }),
              1);
}

TEST_F(InstallCommandTest, NameInUseIsReportedBeforeThePortDialog) {
    spooler.AddQueue("TORVA Label Printer", "Generic / Text Only");
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(steps.portDialogs, 0);
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_EQ(view.results[0].message,
              "There are printer driver to install. You must install it under a different name.");
    EXPECT_EQ(view.results[0].outcome, 1);
    EXPECT_EQ(view.endedWith, 0);  // the dialog stays usable
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));
}

TEST_F(InstallCommandTest, CancelledPortDialogInstallsNothingAndOkEndsTheProgram) {
    steps.confirmPort = false;
    Install();
    EXPECT_EQ(view.results.at(0).message, "Install Canceled.");
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_EQ(view.endedWith, 2);
}

// Where no Standard TCP/IP port monitor answers (as under Wine), the port is made through its key.
TEST_F(InstallCommandTest, NetworkPrinterGetsItsPortKeyBeforeAnyDriverWork) {
    spooler.monitors = {"Local Port"};
    steps.choice = {kInterfaceTcpIp, "TCP/IP", "192.168.0.10"};
    spooler.ports.insert("IP_192.168.0.10");
    Install();
    EXPECT_EQ(spooler.monitorCalls.at(0).command, "AddPort");
    EXPECT_TRUE(registry.Has(
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.10"));
    EXPECT_EQ(steps.tcpIpPorts, std::vector<std::string>{"192.168.0.10"});
    EXPECT_EQ(spooler.printers.at(0).portName, "IP_192.168.0.10");
}

// Where the Standard TCP/IP port monitor answers, it makes the port at once: no key written by
// the program, no spooler restart. The port goes through the monitor with the last queue on it.
TEST_F(InstallCommandTest, NetworkPortIsMadeByItsMonitorWithoutASpoolerRestart) {
    steps.choice = {kInterfaceTcpIp, "TCP/IP", "label-07.example", false, 9101};
    Install();
    EXPECT_EQ(spooler.monitorCalls.at(0).monitor, "Standard TCP/IP Port");
    EXPECT_EQ(spooler.monitorCalls[0].input, AddPortData("IP_label-07.example_9101", "label-07.example", 9101));
    EXPECT_TRUE(steps.tcpIpPorts.empty());
    EXPECT_FALSE(registry.Has(TcpIpPortKey("IP_label-07.example_9101")));
    EXPECT_EQ(spooler.printers.at(0).portName, "IP_label-07.example_9101");
    const std::optional<QueueRecord> record = ReadQueueRecord(registry, "TORVA Label Printer");
    ASSERT_TRUE(record && record->portCreated);

    spooler.printers.clear();
    EXPECT_TRUE(RemoveCreatedPortIfUnused(registry, spooler, *record));
    EXPECT_EQ(spooler.monitorCalls.back().input, DeletePortData("IP_label-07.example_9101"));
    EXPECT_EQ(spooler.ports.count("IP_label-07.example_9101"), 0u);
}

// A monitor that answers with a failure is not bypassed through the registry: nothing changes.
// Nor is one that cannot be opened for want of access, or that refuses the data.
TEST_F(InstallCommandTest, NetworkPortTheMonitorRefusesEndsTheRunBeforeAnyChange) {
    for (const auto& [status, openError] : {std::pair{5u, 0u}, std::pair{0u, 5u}, std::pair{0u, 13u}}) {
        spooler.monitorStatus = status;
        spooler.monitorOpenError = openError;
        steps.choice = {kInterfaceTcpIp, "TCP/IP", "192.168.0.10"};
        view.results.clear();
        view.resultAnswer = 2;
        Install();
        EXPECT_NE(view.results.at(0).message.find(
                      Format("did not make the port IP_192.168.0.10 (error %u).", status + openError)),
                  std::string::npos);
        EXPECT_TRUE(steps.tcpIpPorts.empty());
        EXPECT_FALSE(registry.Has(TcpIpPortKey("IP_192.168.0.10")));
        EXPECT_TRUE(spooler.driverCalls.empty());
    }
}

// A run whose first copy fails takes the port it made back, as it would with the copy.
TEST_F(InstallCommandTest, NetworkPortMadeForAFailedRunGoesAgain) {
    spooler.driverErrors = {5};
    steps.choice = {kInterfaceTcpIp, "TCP/IP", "192.168.0.10", false, 9101};
    view.resultAnswer = 2;
    Install();
    ASSERT_EQ(spooler.monitorCalls.size(), 2u);
    EXPECT_EQ(spooler.monitorCalls[1].input, DeletePortData("IP_192.168.0.10_9101"));
    EXPECT_EQ(spooler.ports.count("IP_192.168.0.10_9101"), 0u);
}

// A port that exists may serve another queue with other settings: nothing of it is written
// again, and the spooler is not restarted for it (both are the front end's step). One of that
// name on another raw port prints elsewhere: the run is refused, naming both numbers.
TEST_F(InstallCommandTest, ExistingNetworkPortIsLeftAsItIsAndOneOnAnotherNumberRefused) {
    const std::string key =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.10";
    Registry::Key k = 0;
    registry.CreateKey(key, "", k);
    registry.SetDword(k, "PortNumber", 9101);
    registry.SetDword(k, "SNMP Enabled", 1);
    registry.CloseKey(k);
    steps.choice = {kInterfaceTcpIp, "TCP/IP", "192.168.0.10"};
    spooler.ports.insert("IP_192.168.0.10");
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(view.results.at(0).message,
              "Nothing was installed: the port IP_192.168.0.10 exists with the port number 9101, not 9100 as asked. "
              "It was left as it is.");
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_TRUE(spooler.printers.empty());
    EXPECT_EQ(registry.Dword(key, "PortNumber"), 9101u);

    registry.CreateKey(key, "", k);
    registry.SetDword(k, "PortNumber", 9100);
    registry.CloseKey(k);
    Install();
    EXPECT_TRUE(steps.tcpIpPorts.empty());
    EXPECT_TRUE(spooler.monitorCalls.empty());
    EXPECT_EQ(registry.Dword(key, "SNMP Enabled"), 1u);
    EXPECT_EQ(spooler.printers.at(0).portName, "IP_192.168.0.10");
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST_F(InstallCommandTest, OldWindowsIsRefusedAndTheButtonsStayDisabled) {
    app.state.os.osFamily = 3;
    Install();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], (fakes::FakeMainView::Message{"Windows 98 not Supported !!!", "ERROR"}));
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_TRUE(view.results.empty());
    EXPECT_FALSE(view.Enabled(IDC_INSTALL));
    EXPECT_FALSE(view.Enabled(IDC_EXIT));

    app.state.os.osFamily = 0;  // version unknown: stops without a word
    view.messages.clear();
    Install();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(spooler.driverCalls.empty());
}

TEST_F(InstallCommandTest, FailedRegistrationShowsItsMessageAndRenamesTheButton) {
    spooler.driverErrors = {5};
    view.resultAnswer = 2;
    Install();
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_EQ(view.results[0].message,
              "Failure to AddPrinterDriver() GetLastError()=5\nProbable cause: the program does not run as "
              "administrator, or the Point and Print policy limits printer driver installation to administrators.");
    EXPECT_EQ(view.texts[IDC_INSTALL], "Add new printer");
    EXPECT_EQ(view.endedWith, 0);
}

TEST_F(InstallCommandTest, UsbFailureEndsTheRunWithoutAResultOfItsOwn) {
    steps.choice = {kInterfaceUsb, "USB", ""};
    steps.usbFindsPrinter = false;
    Install();
    EXPECT_TRUE(view.results.empty());
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_FALSE(view.Enabled(IDC_INSTALL));
}

TEST_F(InstallCommandTest, ComOneFallbackIsToldBeforeTheCompletion) {
    steps.choice = {kInterfaceUsb, "USB", ""};
    app.state.useLabelPortMonitor = true;  // the monitor's port is unknown to this spooler
    Install();
    EXPECT_EQ(spooler.printers.at(0).portName, "COM1:");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text.rfind("Forcibly set to COM1: port.", 0), 0u);
    EXPECT_EQ(view.results.at(0).message, "Installation completed. ");
}

TEST_F(InstallCommandTest, CopyCountZeroReportsSuccessAtOnce) {
    view.SetItemText(IDC_COPY_COUNT, "0");
    dialog.OnChangeCopyCount();
    dialog.OnInstall();
    EXPECT_EQ(steps.portDialogs, 0);
    EXPECT_EQ(view.results.at(0).outcome, 0);
    EXPECT_TRUE(spooler.driverCalls.empty());
}

// The spooler compares queue names without regard to case and would take the other queue
// over; names it cannot hold are refused before anything is done. The field keeps the text.
TEST_F(InstallCommandTest, NamesAreCheckedAsTheSpoolerComparesAndHoldsThem) {
    spooler.AddQueue("torva label PRINTER", "Other Vendor Driver");
    view.resultAnswer = 2;
    for (const char* name : {"TORVA Label Printer", "  ", "Dock\\2", "Dock,2"}) {
        view.SetItemText(IDC_DRIVER_NAME, name);
        Install();
        EXPECT_EQ(view.results.back().outcome, 1) << name;
        EXPECT_EQ(view.texts[IDC_DRIVER_NAME], name);
    }
    EXPECT_EQ(view.results[0].message,
              "There are printer driver to install. You must install it under a different name.");
    EXPECT_EQ(view.results[2].message, "A printer name cannot contain \\ or ,. Change the name and try again.");
    EXPECT_EQ(steps.portDialogs, 0);
    EXPECT_EQ(spooler.printers, (std::vector<PrinterInfo2>{{"torva label PRINTER", "COM1:", "Other Vendor Driver"}}));

    view.SetItemText(IDC_DRIVER_NAME, "A\xc3\xa4");
    Install();
    EXPECT_EQ(view.results.back().outcome, 0);
    EXPECT_EQ(spooler.printers.size(), 2u);
}

TEST_F(InstallCommandTest, WithEveryNumberInUseNothingIsCopied) {
    app.state.driverNumber = 0;
    Install();
    EXPECT_EQ(view.results.at(0).message,
              "All 500 printer driver copies are installed. Remove one before installing another.");
    EXPECT_EQ(steps.portDialogs, 0);
    EXPECT_TRUE(files.copies.empty());
}

// A copy is registered only when every file its driver record names is there and not empty;
// otherwise its numbered files go again and the red result names the file.
TEST_F(InstallCommandTest, CopyWithAMissingOrEmptyFileIsNotRegistered) {
    files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\UNIDRV.HLP", "");
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(view.results.at(0).message,
              "The printer driver was not installed: the file UNIDRV.HLP is missing or empty.");
    EXPECT_EQ(view.results[0].outcome, 1);
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_FALSE(files.HasFile(spooler.driverDir + "\\TVLabel1.GPD"));
    EXPECT_EQ(view.texts[IDC_INSTALL], "Add new printer");

    systemInfo.codePage = 949;
    files.RemoveFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD");
    Install();
    EXPECT_EQ(
        view.results.back().message,
        "아무것도 설치하지 않았습니다: 설치 파일 C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD이(가) 없거나 사용할 "
        "수 없습니다.");
}

// Without the spooler's driver folder nothing is staged anywhere else and nothing registered.
TEST_F(InstallCommandTest, DriverFolderTheSpoolerCannotNameStopsTheCopyBeforeAnyFile) {
    spooler.driverDirError = 1722;
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(view.results.at(0).message,
              "The printer driver was not installed: the printer-driver folder could not be found "
              "(GetPrinterDriverDirectory GetLastError()=1722).");
    EXPECT_EQ(view.results[0].outcome, 1);
    EXPECT_TRUE(files.copies.empty());
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_TRUE(spooler.printers.empty());
}

// A driver whose queue could not be created would be one that no removal finds.
TEST_F(InstallCommandTest, QueueThatCannotBeCreatedTakesItsDriverAndFilesAlong) {
    view.SetItemText(IDC_COPY_COUNT, "2");
    dialog.OnChangeCopyCount();
    spooler.printerErrors = {0, 5};
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(view.results.at(0).message.rfind("Failure to AddPrinter GetLastError()=5\nProbable cause: ", 0), 0u);
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #1"));  // the copy before it stays
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #2"));
    EXPECT_TRUE(files.HasFile(spooler.driverDir + "\\TVLabel1.GPD"));
    EXPECT_FALSE(files.HasFile(spooler.driverDir + "\\TVLabelUI2.DLL"));
}

// A driver that cannot be removed still names its numbered files: they stay with it.
TEST_F(InstallCommandTest, RollbackKeepsTheFilesOfADriverItCouldNotRemove) {
    spooler.printerErrors = {31};
    spooler.deleteDriverError = 3001;
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(view.results.at(0).message, "Failure to AddPrinter GetLastError()=31");
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #1"));
    EXPECT_TRUE(files.HasFile(spooler.driverDir + "\\TVLabel1.GPD"));
    EXPECT_TRUE(files.HasFile(spooler.driverDir + "\\TVLabelUI1.DLL"));
}

// A run that ends before its first copy exists takes back the port monitor it added (modules
// and key); one that was there before the run stays, and so do the shared Unidrv files.
TEST_F(InstallCommandTest, AMonitorThisRunAddedGoesAgainWhenNoCopyWasInstalled) {
    const std::string module = "C:\\windows\\system32\\TVPortMon.dll";
    for (const char* f : {"TVPortMon.dll", "TVPortMonUI.dll"})
        files.AddFile(std::string("C:\\TORVA EPL Printer 2.X\\Win32\\") + f, f);
    spooler.monitorKeys = &registry;
    app.state.useLabelPortMonitor = true;
    view.resultAnswer = 2;
    for (bool before : {false, true}) {
        if (before) files.AddFile(module, "monitor");
        if (before) spooler.RegisterMonitor("TORVA LABEL USB Port", "", "TVPortMon.dll");
        spooler.printerErrors = {5};
        Install();
        EXPECT_TRUE(spooler.printers.empty());
        EXPECT_EQ(spooler.HasDriver("TORVA Label Printer #1"), false);
        EXPECT_EQ(std::count(spooler.monitors.begin(), spooler.monitors.end(), "TORVA LABEL USB Port"), before ? 1 : 0);
        EXPECT_EQ(files.HasFile(module), before) << before;
        EXPECT_EQ(registry.Has(std::string(kMonitorsKey) + "\\TORVA LABEL USB Port"), before);
        EXPECT_TRUE(files.HasFile(spooler.driverDir + "\\UNIDRV.DLL"));
    }
}

// Without a count after a copy the next number is unknown: the run stops rather than take
// the number of the queue just made.
TEST_F(InstallCommandTest, QueuesThatCannotBeListedAfterACopyStopTheRun) {
    view.SetItemText(IDC_COPY_COUNT, "3");
    dialog.OnChangeCopyCount();
    spooler.enumError = 1722;
    // Fails once, just after the first queue appeared; the next copy's name check would pass.
    spooler.enumFailsWhen = [this, failed = false]() mutable {
        if (failed || spooler.printers.empty()) return false;
        return failed = true;
    };
    view.resultAnswer = 2;
    Install();
    ASSERT_EQ(spooler.printers.size(), 1u);
    EXPECT_EQ(spooler.driverCalls.size(), 1u);
    EXPECT_EQ(view.results.at(0).outcome, 1);
    EXPECT_EQ(view.results[0].message.find("\"TORVA Label Printer\" was installed, but the printers could not"), 0u);
    EXPECT_EQ(app.state.driverNumber, 0);
}

// A monitor the spooler refuses fails the copy before any driver or queue, naming its code.
TEST_F(InstallCommandTest, UsbQueueOnAMonitorThatIsNotThereIsAFailedCopy) {
    steps.choice = {kInterfaceUsb, "USB", ""};
    app.state.useLabelPortMonitor = true;
    spooler.addMonitorError = 126;
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(view.results.at(0).message,
              "The printer driver was not installed: the label printer's USB port monitor could not be installed. "
              "(AddMonitor GetLastError()=126)");
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_TRUE(spooler.printers.empty());
}

// The media are checked before the USB search, which may wait for minutes; every file that
// reaches the system and driver folders is proven as it lands there. A monitor module or a
// driver file replaced during the search fails the run in the operator's language with
// nothing registered and no copy left behind (the monitor this run added goes again).
TEST_F(InstallCommandTest, AMediumReplacedDuringTheUsbSearchLeavesNothingRegistered) {
    const std::string folder = "C:\\TORVA EPL Printer 2.X\\";
    for (const std::string& name : CopiedMediaFiles(0, false)) {
        app.state.shippedMedia += name + "\t" + Sha256Hex(files.Content(folder + name)) + "\n";
    }
    steps.choice = {kInterfaceUsb, "USB", ""};
    app.state.useLabelPortMonitor = true;
    spooler.monitorKeys = &registry;
    view.resultAnswer = 2;
    for (const char* replaced : {"Win32\\TVPortMon.dll", "Win32\\TVLabelE.DLL", "Win32\\TVLabel.GPD"}) {
        const std::string shipped = files.Content(folder + replaced);
        steps.duringSearch = [&] { files.AddFile(folder + replaced, shipped + "\r\n"); };
        view.results.clear();
        Install();
        EXPECT_NE(view.results.at(0).message.find(folder + replaced + " changed after it was checked"),
                  std::string::npos)
            << view.results[0].message;
        EXPECT_TRUE(spooler.printers.empty());
        EXPECT_TRUE(spooler.driverCalls.empty());
        EXPECT_EQ(std::count(spooler.monitors.begin(), spooler.monitors.end(), "TORVA LABEL USB Port"), 0) << replaced;
        EXPECT_FALSE(files.HasFile("C:\\windows\\system32\\TVPortMon.dll")) << replaced;
        for (const std::string& name : NumberedFileNames(1))
            EXPECT_FALSE(files.HasFile(spooler.driverDir + "\\" + name));
        EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
        files.AddFile(folder + replaced, shipped);
    }
}

// A 32-bit program on 64-bit Windows names the x64 environment everywhere, so the queue finds
// its driver in the machine's own environment.
TEST_F(InstallCommandTest, SixtyFourBitWindowsGetsTheDriverInItsOwnEnvironment) {
    for (const char* f : {"STDNAMES.GPD", "TVLabel.DLL", "TVLabelE.DLL", "TVLabelUI.DLL", "2003\\UNIDRV.DLL",
                          "2003\\UNIDRV.HLP", "2003\\UNIDRVUI.DLL", "2003\\UNIRES.DLL"}) {
        files.AddFile(std::string("C:\\TORVA EPL Printer 2.X\\Win64\\") + f, f);
    }
    files.AddFile("C:\\TORVA EPL Printer 2.X\\Win64\\TVLabel.GPD", "1\n2\n3\n4\n5\n6\n7\n");
    files.AddFolder("C:\\windows\\system32\\spool\\drivers\\x64");
    app.state.os = {12, 1};
    spooler.nativeEnvironment = kEnvironmentX64;
    Install();
    EXPECT_EQ(view.results.at(0).message, "Installation completed. ");
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #1", kEnvironmentX64));
    EXPECT_TRUE(files.HasFile("C:\\windows\\system32\\spool\\drivers\\x64\\TVLabel1.GPD"));
}

// Later copies take the numbered name of their driver number, passed over to the next free
// one where a queue or an earlier copy of the same run has it.
TEST_F(InstallCommandTest, LaterCopiesPassOverNamesTakenByQueuesAndEarlierCopies) {
    spooler.AddQueue("torva label printer 3", "Generic / Text Only");
    view.SetItemText(IDC_COPY_COUNT, "3");
    dialog.OnChangeCopyCount();
    view.SetItemText(IDC_DRIVER_NAME, "TORVA Label Printer 2");
    Install();
    ASSERT_EQ(view.results.at(0).message, "Installation completed. ");
    EXPECT_EQ(spooler.printers,
              (std::vector<PrinterInfo2>{{"torva label printer 3", "COM1:", "Generic / Text Only"},
                                         {"TORVA Label Printer 2", "COM1:", "TORVA Label Printer #1"},
                                         {"TORVA Label Printer 4", "COM1:", "TORVA Label Printer #2"},
                                         {"TORVA Label Printer 5", "COM1:", "TORVA Label Printer #3"}}));
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 6");
}

// Inputs that cannot end in a working installation are refused before anything changes: no
// port prepared, no file copied or written, no monitor, driver or entry.
struct RefusedCase {
    const char* name;
    int labelQueues;          // queues of driver copies #1 to #N there already
    const char* removedFile;  // from the Win32 media (nullptr: none)
    const char* gpdTemplate;  // the Win32 template's text (nullptr: the fixture's)
    const char* result;
    const char* changedFile = nullptr;  // from the Win32 media, a byte changed after the release listed them
};

class RefusedBeforeAnyChangeTest : public InstallCommandTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedBeforeAnyChangeTest, LeavesEverythingAsItWas) {
    const RefusedCase& c = GetParam();
    for (int n = 1; n <= c.labelQueues; ++n) spooler.AddQueue(Format("Dock %d", n), LabelDriverName(n));
    dialog.OnInitDialog();
    view.SetItemText(IDC_COPY_COUNT, "3");
    dialog.OnChangeCopyCount();
    if (c.removedFile != nullptr) files.RemoveFile(std::string("C:\\TORVA EPL Printer 2.X\\Win32\\") + c.removedFile);
    if (c.gpdTemplate != nullptr) files.AddFile("C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD", c.gpdTemplate);
    if (c.changedFile != nullptr) {
        for (const std::string& name : CopiedMediaFiles(0, false)) {
            const std::string path = "C:\\TORVA EPL Printer 2.X\\" + name;
            if (files.HasFile(path)) app.state.shippedMedia += name + "\t" + Sha256Hex(files.Content(path)) + "\n";
        }
        const std::string path = std::string("C:\\TORVA EPL Printer 2.X\\Win32\\") + c.changedFile;
        std::string content = files.Content(path);
        content.back() ^= 1;
        files.AddFile(path, content);
    }
    steps.choice = {kInterfaceTcpIp, "TCP/IP", "192.168.0.10"};
    app.state.useLabelPortMonitor = true;
    view.resultAnswer = 2;
    const size_t queues = spooler.printers.size();
    files.trail.clear();
    Install();
    EXPECT_EQ(view.results.at(0).message, c.result) << c.name;
    EXPECT_EQ(view.results[0].outcome, 1);
    EXPECT_TRUE(files.trail.empty()) << files.trail.front();
    EXPECT_TRUE(steps.tcpIpPorts.empty());
    EXPECT_TRUE(spooler.addedMonitorDlls.empty());
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_EQ(spooler.printers.size(), queues);
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedBeforeAnyChangeTest,
    ::testing::Values(
        RefusedCase{"numbers", 498, nullptr, nullptr,
                    "Nothing was installed: 3 printer driver copies were asked for, but only 2 driver numbers are free "
                    "(at most 500 copies can be installed). Remove copies or ask for fewer."},
        RefusedCase{"monitor", 0, "TVPortMon.dll", nullptr,
                    "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMon.dll is "
                    "missing or cannot be used."},
        RefusedCase{"monitor UI", 0, "TVPortMonUI.dll", nullptr,
                    "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMonUI.dll is "
                    "missing or cannot be used."},
        RefusedCase{"CR line ends", 0, nullptr, "1\r2\r3\r4\r5\r6\r7\r8\r",
                    "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD is "
                    "missing or cannot be used."},
        RefusedCase{"six lines", 0, nullptr, "1\n2\r\n3\n4\n5\n6\n",
                    "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD is "
                    "missing or cannot be used."},
        RefusedCase{"binary", 0, nullptr, "1\n2\n3\n4\n5\n6\n7\n\x9c\x03\xf1\x07",
                    "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD is "
                    "missing or cannot be used."},
        RefusedCase{"changed medium", 0, nullptr, nullptr,
                    "Nothing was installed: the installation file C:\\TORVA EPL Printer 2.X\\Win32\\TVLabelE.DLL is "
                    "not the one this release shipped (it was changed or replaced). Copy the installation folder "
                    "again from the release.",
                    "TVLabelE.DLL"}));

// What the installation folder allows before the run, whether it could be restricted, and how
// the run ends.
struct FolderCase {
    const char* writableByOthers;  // a path at or below the folder (nullptr: none)
    const char* unreadable;        // a path whose security cannot be read (nullptr: none)
    std::uint32_t restrictError;
    bool restricted;  // the folder is restricted before anything else
    const char* result;
    const char* link = nullptr;        // a junction or symbolic link in the folder
    const char* hardLinked = nullptr;  // a file with further names
    const char* failingEntry = "";     // where the restriction fails with restrictError
    bool noPermissions = false;        // the folder's volume keeps none
};

class InstallFolderTest : public InstallCommandTest, public ::testing::WithParamInterface<FolderCase> {};

// Before anything is changed or copied, the folder is handed to the administrators wherever
// others could change something in it; when that fails, nothing at all is installed.
TEST_P(InstallFolderTest, IsSecuredBeforeAnythingElseOrNothingIsInstalled) {
    const FolderCase& c = GetParam();
    if (c.writableByOthers != nullptr) folderSecurity.writableByOthers.insert(c.writableByOthers);
    if (c.unreadable != nullptr) folderSecurity.unreadable.insert(c.unreadable);
    folderSecurity.restrictError = c.restrictError;
    if (c.link != nullptr) folderSecurity.links.insert(c.link);
    if (c.hardLinked != nullptr) folderSecurity.hardLinked.insert(c.hardLinked);
    folderSecurity.failingEntry = c.failingEntry;
    folderSecurity.noPermissions = c.noPermissions;
    app.state.useLabelPortMonitor = true;
    view.resultAnswer = 2;
    Install();
    EXPECT_EQ(view.results.at(0).message, c.result);
    EXPECT_EQ(std::count(files.trail.begin(), files.trail.end(), "restrict C:\\TORVA EPL Printer 2.X"), c.restricted);
    if (c.restricted) {
        EXPECT_EQ(files.trail.front(), "restrict C:\\TORVA EPL Printer 2.X");
    }
    if (c.result == std::string("Installation completed. ")) {
        EXPECT_EQ(spooler.printers.size(), 1u);
        return;
    }
    EXPECT_EQ(files.trail.size(), c.restricted ? 1u : 0u);  // nothing copied, written or deleted after it
    EXPECT_EQ(steps.portDialogs, 0);
    EXPECT_TRUE(spooler.addedMonitorDlls.empty());
    EXPECT_TRUE(spooler.driverCalls.empty());
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(view.results[0].outcome, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallFolderTest,
    ::testing::Values(
        FolderCase{nullptr, nullptr, 0, false, "Installation completed. "},
        FolderCase{"C:\\TORVA EPL Printer 2.X\\Win32\\TVLabelUI.DLL", nullptr, 0, true, "Installation completed. "},
        FolderCase{nullptr, "c:\\torva epl printer 2.x", 0, true, "Installation completed. "},
        // A folder of the same name's beginning is another folder.
        FolderCase{"C:\\TORVA EPL Printer 2.X Old", nullptr, 5, false, "Installation completed. "},
        FolderCase{"C:\\TORVA EPL Printer 2.X\\Win32", nullptr, 5, true,
                   "The installation folder C:\\TORVA EPL Printer 2.X can be changed by users who are not "
                   "administrators, and its permissions could not be restricted (error 5). Nothing was installed."},
        FolderCase{nullptr, "C:\\TORVA EPL Printer 2.X", 1307, true,
                   "The permissions of the installation folder C:\\TORVA EPL Printer 2.X could neither be checked nor "
                   "restricted (error 1307). Nothing was installed."},
        // A link or a hard-linked file is refused, never rewritten; the entry is named.
        FolderCase{nullptr, nullptr, 0, true,
                   "The installation folder C:\\TORVA EPL Printer 2.X was not restricted to administrators: "
                   "C:\\TORVA EPL Printer 2.X\\Win32 is a link to another place (a junction, symbolic link or mount "
                   "point), which is neither followed nor changed. Remove it and install again. Nothing was installed.",
                   "C:\\TORVA EPL Printer 2.X\\Win32"},
        FolderCase{"C:\\TORVA EPL Printer 2.X", nullptr, 0, true,
                   "The installation folder C:\\TORVA EPL Printer 2.X was not restricted to administrators: the file "
                   "C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD has further names elsewhere (hard links), whose "
                   "permissions would change with it. Remove it and install again. Nothing was installed.",
                   nullptr, "C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD"},
        // A file whose owner cannot be changed even with the privileges is named.
        FolderCase{"C:\\TORVA EPL Printer 2.X", nullptr, 1307, true,
                   "The installation folder C:\\TORVA EPL Printer 2.X can be changed by users who are not "
                   "administrators, and C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMon.dll in it could not be handed "
                   "to the administrators (error 1307). Nothing was installed.",
                   nullptr, nullptr, "C:\\TORVA EPL Printer 2.X\\Win32\\TVPortMon.dll"},
        // On FAT or exFAT nothing can be restricted: refused without trying.
        FolderCase{"C:\\TORVA EPL Printer 2.X", nullptr, 0, false,
                   "The installation folder C:\\TORVA EPL Printer 2.X is on a drive that keeps no permissions (FAT or "
                   "exFAT): anyone can change what it holds, and it cannot be restricted to administrators. Nothing "
                   "was installed.",
                   nullptr, nullptr, "", true}));

// An ARM64 machine and protected print mode are refused before the port dialog and before any
// spooler call (on ARM64 not even the main dialog's scan): no monitor, no file, no driver.
TEST_F(InstallCommandTest, SystemsThatCannotTakeTheDriverAreRefusedBeforeAnySpoolerCall) {
    const struct {
        bool arm64;
        const char* beginning;
    } cases[] = {
        {true, "This PC has an ARM64 processor."},
        {false, "Windows protected print mode is on:"},
    };
    for (const auto& c : cases) {
        systemInfo.nativeMachine = c.arm64 ? kMachineArm64 : 0;
        Registry::Key key = 0;
        registry.CreateKey("SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP", "", key);
        registry.SetDword(key, "WindowsProtectedPrintMode", c.arm64 ? 0 : 1);
        registry.CloseKey(key);
        spooler.calls = 0;
        dialog.OnInitDialog();
        if (!c.arm64) spooler.calls = 0;
        Install();
        EXPECT_EQ(spooler.calls, 0) << c.beginning;
        EXPECT_EQ(steps.portDialogs, 0);
        EXPECT_TRUE(files.copies.empty());
        EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
        ASSERT_FALSE(view.results.empty());
        EXPECT_EQ(view.results.back().message.rfind(c.beginning, 0), 0u) << view.results.back().message;
        EXPECT_EQ(view.results.back().outcome, 1);
    }
}

TEST(InterfaceKind, FollowsThePortNamesBeginning) {
    EXPECT_EQ(InterfaceKindOf("COM3:"), 1);
    EXPECT_EQ(InterfaceKindOf("LPT1:"), 5);
    EXPECT_EQ(InterfaceKindOf("USB"), 8);
    EXPECT_EQ(InterfaceKindOf("USB001"), 8);
    EXPECT_EQ(InterfaceKindOf("TCP/IP"), 9);
    EXPECT_EQ(InterfaceKindOf("FILE:"), 1);
    EXPECT_EQ(InterfaceKindOf("com1:"), 1);
    // Letter case aside, as the spooler compares port names.
    EXPECT_EQ(InterfaceKindOf("usb001"), 8);
    EXPECT_EQ(InterfaceKindOf("Lpt2:"), 5);
    EXPECT_EQ(InterfaceKindOf("tcp/ip"), 9);
    EXPECT_EQ(InterfaceKindOf("us"), 1);
}

}  // namespace
}  // namespace prinstall
