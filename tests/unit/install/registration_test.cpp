#include "install/registration.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"
#include "install/uninstall_entry.h"

namespace prinstall {
namespace {

using namespace std::string_literals;

TEST(DependentFiles, ListsNineNamesEndedByAnEmptyOne) {
    const std::string one = DependentFiles(1);
    EXPECT_EQ(one.size(), 117u);
    EXPECT_EQ(one,
              "TVLabel1.GPD\0TVLabel1.Dll\0STDNAMES.GPD\0UNIRES.Dll\0unidrvui.dll\0TVLabelE1.DLL\0"
              "TVLabelUI1.DLL\0TVLabel1.INI\0unidrv.hlp\0\0"s);
    EXPECT_EQ(DependentFiles(500).size(), 127u);
    EXPECT_EQ(DependentFiles(2).substr(0, 26), "TVLabel2.GPD\0TVLabel2.Dll\0"s);
}

TEST(DriverRecord, NamesCopyNAndItsFiles) {
    DriverRecord d = LabelDriverRecord(2, "Windows x64");
    EXPECT_EQ(d.version, 3u);
    EXPECT_EQ(d.name, "TORVA Label Printer #2");
    EXPECT_EQ(d.environment, "Windows x64");
    EXPECT_EQ(d.driverPath, "UNIDRV.DLL");
    EXPECT_EQ(d.dataFile, "TVLabel2.GPD");
    EXPECT_EQ(d.configFile, "UNIDRVUI.DLL");
    EXPECT_EQ(d.helpFile, "UNIDRV.HLP");
    EXPECT_EQ(d.monitorName, "");
    EXPECT_EQ(d.defaultDataType, "RAW");
}

TEST(QueuePort, FollowsTheInterface) {
    RegistrationSettings s;
    s.usbPortName = "USB001";
    s.tcpIpPortName = "IP_192.168.0.20";
    s.portName = "LPT1:";
    s.interfaceKind = kInterfaceUsb;
    s.useLabelPortMonitor = true;
    EXPECT_EQ(QueuePort(s), "USB/TORVA Label Port");
    s.useLabelPortMonitor = false;
    EXPECT_EQ(QueuePort(s), "USB001");
    s.interfaceKind = kInterfaceTcpIp;
    EXPECT_EQ(QueuePort(s), "IP_192.168.0.20");
    for (int kind : {int{kInterfaceSerial}, int{kInterfaceParallel}, 0, 3}) {
        s.interfaceKind = kind;
        EXPECT_EQ(QueuePort(s), "LPT1:");
    }
}

class RegistrationTest : public ::testing::Test {
protected:
    RegistrationTest() {
        settings.driverNumber = 1;
        settings.environment = "Windows NT x86";
        settings.interfaceKind = kInterfaceSerial;
        settings.portName = "COM1:";
        files.AddFile("C:\\windows\\system32\\wbem\\FRAMEDYN.dll", "framedyn");
    }

    int Run(const std::string& name = "TORVA Label Printer") {
        const int result = registrar.RegisterDriverAndPrinter(name, settings);
        if (!registrar.Message().empty()) resultMessages.push_back(registrar.Message());
        return result;
    }

    fakes::FakeSpooler spooler;
    fakes::FakeRegistry registry;
    fakes::FakeFiles files;
    fakes::FakeSystemInfo system;
    fakes::FakeDebugLog debug;
    PortMonitorInstaller monitor{spooler, files, system, debug};
    std::vector<std::pair<std::string, int>> reports;
    std::vector<std::string> resultMessages;
    Registrar registrar{spooler, registry, monitor, [this](const std::optional<std::string>& s, int pos, bool pause) {
                            reports.emplace_back(s.value_or("-") + (pause ? " (pause)" : ""), pos);
                        }};
    RegistrationSettings settings;
};

TEST_F(RegistrationTest, CopyOneOnComOneGetsDriverQueueAndUninstallEntry) {
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(spooler.drivers.size(), 1u);
    EXPECT_EQ(spooler.drivers[0], LabelDriverRecord(1, "Windows NT x86"));
    ASSERT_EQ(spooler.printerCalls.size(), 1u);
    const PrinterRecord& p = spooler.printerCalls[0];
    EXPECT_EQ(p.printerName, "TORVA Label Printer");
    EXPECT_EQ(p.portName, "COM1:");
    EXPECT_EQ(p.driverName, "TORVA Label Printer #1");
    EXPECT_EQ(p.printProcessor, "WinPrint");
    EXPECT_EQ(p.dataType, "RAW");
    EXPECT_EQ(p.attributes, 0xA00u);
    EXPECT_EQ(reports, (std::vector<std::pair<std::string, int>>{{"Print Driver Install Ended (pause)", 60},
                                                                 {"Add Printer Started", 70},
                                                                 {"Add Printer Ended (pause)", 85},
                                                                 {"-", 90},
                                                                 {"-", 100}}));
    EXPECT_EQ(registry.Value(kUninstallKeyEnglish, "DisplayName"), "TORVA Label 2.XX");
    EXPECT_TRUE(resultMessages.empty());
}

TEST_F(RegistrationTest, NetworkQueueGoesOnItsStandardTcpIpPort) {
    settings.interfaceKind = kInterfaceTcpIp;
    settings.tcpIpPortName = "IP_192.168.0.20";
    spooler.ports.insert("IP_192.168.0.20");
    EXPECT_EQ(Run("Shipping"), 0);
    EXPECT_EQ(spooler.printers.back(), (PrinterInfo2{"Shipping", "IP_192.168.0.20", "TORVA Label Printer #1"}));
}

TEST_F(RegistrationTest, ModuleNotFoundRepairsFramedynAndRetriesOnce) {
    spooler.driverErrors = {kErrorModNotFound, 0};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(files.Content("C:\\windows\\system32\\FRAMEDYN.dll"), "framedyn");
    EXPECT_EQ(spooler.driverCalls.size(), 2u);
}

TEST_F(RegistrationTest, ModuleNotFoundTwiceIsMinusOneWithTheSecondCode) {
    spooler.driverErrors = {kErrorModNotFound, 5};
    settings.language = Language::Korean;
    EXPECT_EQ(Run(), -1);
    EXPECT_TRUE(files.HasFile("C:\\windows\\system32\\FRAMEDYN.dll"));
    EXPECT_EQ(resultMessages, std::vector<std::string>{"AddPrinterDriver() 실패 에러코드=5"});
    EXPECT_TRUE(spooler.printerCalls.empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(RegistrationTest, OtherDriverErrorIsMinusTwoWithoutRetry) {
    spooler.driverErrors = {2};
    EXPECT_EQ(Run(), -2);
    EXPECT_EQ(spooler.driverCalls.size(), 1u);
    EXPECT_FALSE(files.HasFile("C:\\windows\\system32\\FRAMEDYN.dll"));
    EXPECT_EQ(resultMessages, std::vector<std::string>{"Failure to AddPrinterDriver() GetLastError()=2"});
}

// The queue that went to COM1: exists, so the removal must be found through the entry.
TEST_F(RegistrationTest, UnknownPortFallsBackToComOneWithTheEntryButNoProgress) {
    settings.interfaceKind = kInterfaceUsb;
    settings.useLabelPortMonitor = true;  // the monitor and its port are missing
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(spooler.printerCalls.size(), 2u);
    EXPECT_EQ(spooler.printerCalls[0].portName, "USB/TORVA Label Port");
    EXPECT_EQ(spooler.printers.back().portName, "COM1:");
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(reports.size(), 2u);  // only those before the queue creation
    EXPECT_EQ(resultMessages.size(), 1u);
    EXPECT_EQ(resultMessages[0].rfind("Forcibly set to COM1: port.\n", 0), 0u);
}

// A port the operator named is that port or nothing.
TEST_F(RegistrationTest, UnknownNamedPortIsAFailureWithoutComOne) {
    settings.portName = "COM9:";
    settings.exactPort = true;
    EXPECT_EQ(Run(), -4);
    EXPECT_EQ(spooler.printerCalls.size(), 1u);
    EXPECT_TRUE(spooler.printers.empty());
    EXPECT_FALSE(registrar.FellBackToCom1());
    EXPECT_EQ(registrar.Error(), kErrorUnknownPort);
    EXPECT_EQ(resultMessages,
              std::vector<std::string>{"The print spooler does not know the port COM9: (error 1796): the printer was "
                                       "not installed."});
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
}

TEST_F(RegistrationTest, UnknownPortAndComOneFailingIsMinusThree) {
    spooler.printerErrors = {kErrorUnknownPort, kErrorAccessDenied};
    EXPECT_EQ(Run(), -3);
    EXPECT_EQ(resultMessages, std::vector<std::string>{"Failure to AddPrinter GetLastError()=5"});
    EXPECT_EQ(spooler.drivers.size(), 1u);  // the driver stays registered
}

TEST_F(RegistrationTest, OtherQueueErrorIsMinusFour) {
    spooler.AddQueue("TORVA Label Printer", "Generic / Text Only");
    settings.language = Language::Korean;
    EXPECT_EQ(Run(), -4);
    EXPECT_EQ(resultMessages, std::vector<std::string>{"AddPrinter() 실패 에러코드=1802"});
    EXPECT_EQ(spooler.printerCalls.size(), 1u);
}

const UninstallEntryFacts kFacts = {1234, "20240531"};

// Every installation writes the whole entry again, naming the program in its fixed folder.
TEST(UninstallEntry, WritesEachLanguageAndRewritesAnExistingEntry) {
    fakes::FakeRegistry registry;
    WriteUninstallEntry(registry, true, kFacts);
    ASSERT_TRUE(registry.Has(kUninstallKeyKorean));
    // The keys on the way there are created too: the entry is found by its path.
    auto entry = std::find_if(registry.keys.begin(), registry.keys.end(),
                              [](const auto& key) { return key.second.path == kUninstallKeyKorean; });
    ASSERT_NE(entry, registry.keys.end());
    auto& korean = entry->second;
    EXPECT_EQ(korean.className, "REG_BINARY");
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "DisplayName"), "토바 Label 2.XX");
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "UninstallString"), "C:\\TORVA EPL Printer 2.X\\Prinstall.exe");
    // What deployment tools and the list of installed programs read.
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "QuietUninstallString"),
              "\"C:\\TORVA EPL Printer 2.X\\Prinstall.exe\" /uninstall /all /quiet");
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "InstallLocation"), "C:\\TORVA EPL Printer 2.X");
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "DisplayIcon"), "C:\\TORVA EPL Printer 2.X\\Prinstall.exe,0");
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "DisplayVersion"), "4.70");
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "Publisher"), "TORVA");
    EXPECT_EQ(registry.Dword(kUninstallKeyKorean, "EstimatedSize"), 1234u);
    EXPECT_EQ(registry.Value(kUninstallKeyKorean, "InstallDate"), "20240531");
    EXPECT_EQ(registry.Dword(kUninstallKeyKorean, "NoModify"), 1u);
    EXPECT_EQ(registry.Dword(kUninstallKeyKorean, "NoRepair"), 1u);

    const std::size_t keysBefore = registry.keys.size();
    WriteUninstallEntry(registry, false, kFacts);  // an English installation after a Korean one
    EXPECT_EQ(registry.Value(kUninstallKeyEnglish, "DisplayName"), "TORVA Label 2.XX");
    EXPECT_EQ(registry.keys.size(), keysBefore + 1);

    // An entry an older installation wrote elsewhere, a day earlier, is brought up to date.
    korean.values["installlocation"] = "D:\\Label Setup";
    WriteUninstallEntry(registry, true, {2048, "20240601"});
    WriteUninstallEntry(registry, false, {2048, "20240601"});
    for (const char* key : {kUninstallKeyEnglish, kUninstallKeyKorean}) {
        EXPECT_EQ(registry.Value(key, "InstallLocation"), "C:\\TORVA EPL Printer 2.X") << key;
        EXPECT_EQ(registry.Dword(key, "EstimatedSize"), 2048u) << key;
        EXPECT_EQ(registry.Value(key, "InstallDate"), "20240601") << key;
    }
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST(UninstallEntry, FailuresEndQuietlyAndAnEmptyKeyStaysEmpty) {
    fakes::FakeRegistry registry;
    registry.createError = 5;
    WriteUninstallEntry(registry, false, kFacts);
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));

    registry.createError = 0;
    registry.setError = 5;
    WriteUninstallEntry(registry, false, kFacts);
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(registry.Value(kUninstallKeyEnglish, "DisplayName"), "");
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST(UninstallEntry, InstallDateIsTheClocksDayOrNothing) {
    EXPECT_EQ(InstallDateOf("2024-05-31 08:15:00"), "20240531");
    for (const char* odd : {"", "2024-05", "31.05.2024 08:15", "2024-0x-31 08:15:00"}) {
        EXPECT_EQ(InstallDateOf(odd), "") << odd;
    }
}

}  // namespace
}  // namespace prinstall
