#include "ports/port_info_dialog.h"

#include <gtest/gtest.h>

#include "core/platform_detection.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_port_views.h"
#include "resource.h"

namespace prinstall {
namespace {

using Entries = std::vector<std::string>;

class PortDialogTest : public ::testing::Test {
protected:
    PortDialogTest() {
        Registry::Key key = 0;
        registry.CreateKey("SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports", "", key);
        registry.CloseKey(key);
        view.ipRules = &ip;
    }

    const Entries& PortList() { return view.lists[IDC_PORT_LIST]; }
    bool OkEnabled() { return view.Enabled(kDialogOk); }

    fakes::FakeSpooler spooler;
    fakes::FakeServices services;
    fakes::FakeSystemInfo system;  // Windows 7 x86 workstation, code page 1252
    fakes::FakeClock clock;
    fakes::FakeDebugLog debug;
    fakes::FakeRegistry registry;
    Platform platform{spooler, services, system, clock, debug, nullptr, &registry};
    ProcessState state;
    IpAddressDialog ip{system, registry};
    fakes::FakePortDialogView view;
    PortInfoDialog rules{platform, state, ip, view};
};

TEST_F(PortDialogTest, OpensOnUsbWithTheLabelMonitorAndTheDetectedPlatform) {
    state.codePage = 13;
    system.architecture = kArchitectureX64;
    rules.OnInitDialog();

    // The family mark first, then USB, which clears it.
    EXPECT_EQ(view.radioChecks, (std::vector<int>{IDC_PORT_MARK_7, IDC_PORT_USB}));
    EXPECT_EQ(state.os.osFamily, kFamilyWin7);
    EXPECT_EQ(state.os.processor, kProcessorX64);

    EXPECT_EQ(PortList(), Entries{"USB"});
    EXPECT_EQ(view.selections[IDC_PORT_LIST], 0);
    EXPECT_EQ(rules.PortName(), "USB");
    EXPECT_TRUE(state.useLabelPortMonitor);
    EXPECT_EQ(view.pictures, std::vector<int>{IDB_USB});
    EXPECT_EQ(view.dressed, (std::map<int, int>{{kDialogOk, IDI_CHECK}, {kDialogCancel, IDI_CROSS}}));
    EXPECT_EQ(debug.lines, Entries{"Port Name = USB"});
    EXPECT_TRUE(OkEnabled());

    // The code page list keeps the process's choice; the processor list shows the platform.
    const Entries& codePages = view.lists[IDC_PORT_CODE_PAGE];
    ASSERT_EQ(codePages.size(), 23u);
    EXPECT_EQ(codePages[0], "United States (437)");
    EXPECT_EQ(codePages[3], "Canadian French  (863)");
    EXPECT_EQ(codePages[22], "Multilingual Latin I + Euro(858)");
    EXPECT_EQ(view.selections[IDC_PORT_CODE_PAGE], 13);
    EXPECT_EQ(view.lists[IDC_PORT_PROCESSOR], (Entries{"32-Bit OS", "64-Bit OS", "Itanium"}));
    EXPECT_EQ(view.selections[IDC_PORT_PROCESSOR], 1);
    EXPECT_FALSE(view.Enabled(IDC_PORT_PROCESSOR));

    // English keeps the template's texts; nothing to warn about.
    EXPECT_EQ(view.title, "Select Printer's Port Infomation Dialog");
    EXPECT_TRUE(view.texts.empty());
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(PortDialogTest, KoreanReplacesTheLabelsButtonsAndCodePageNames) {
    system.codePage = kKoreanCodePage;
    rules.OnInitDialog();
    EXPECT_EQ(view.title, "프린터 포트 및 코드 페이지 선택");
    EXPECT_EQ(view.texts[IDC_PORT_CODE_PAGE_LABEL], "코드 페이지 : ");
    EXPECT_EQ(view.texts[IDC_PORT_GROUP], "프린터 포트 정보");
    EXPECT_EQ(view.texts[1], "확인");
    EXPECT_EQ(view.texts[2], "설치 취소");
    EXPECT_EQ(view.texts[IDC_PORT_LIST_LABEL], "인쇄할 포트 : ");
    EXPECT_EQ(view.texts[IDC_PORT_PROCESSOR_LABEL], "플랫폼      : ");
    EXPECT_EQ(view.texts.count(IDC_PORT_USB), 0u) << "radio captions stay";
    const Entries& codePages = view.lists[IDC_PORT_CODE_PAGE];
    EXPECT_EQ(codePages[0], "영어(437)");
    EXPECT_EQ(codePages[19], "베트남어 (1258)");
    EXPECT_EQ(view.selections[IDC_PORT_CODE_PAGE], 0);
    EXPECT_EQ(view.lists[IDC_PORT_PROCESSOR][0], "32-Bit OS");
}

TEST_F(PortDialogTest, ItaniumIsShownAndWarnedAboutOnceWithoutClosingTheDialog) {
    system.architecture = kArchitectureItanium;
    system.version = {5, 2, 3790, kPlatformNT, 2, 0, 0, 3};
    rules.OnInitDialog();
    EXPECT_EQ(view.selections[IDC_PORT_PROCESSOR], kProcessorItanium);
    EXPECT_EQ(view.messages, (std::vector<fakes::FakePortDialogView::Message>{{"Itanium CPU is not supported", ""}}));
    EXPECT_EQ(view.radioChecks.front(), IDC_PORT_MARK_2003);
    EXPECT_EQ(rules.PortName(), "USB");
    EXPECT_TRUE(rules.OnOk());
}

TEST_F(PortDialogTest, EachInterfaceOffersItsPortsSortedAndShowsItsPicture) {
    spooler.ports = {"COM3:", "COM1:", "LPT1:", "USB001", "com5:", "FILE:"};
    rules.OnInitDialog();
    view.ipAnswers = {AddressFields{10, 1, 2, 3}, AddressFields{10, 1, 2, 3}};
    struct Case {
        int radio;
        Entries listed;
        int bitmap;
        int kind;  // what the installation goes on with
    };
    const Case cases[] = {
        {IDC_PORT_SERIAL, {"COM1:", "COM3:"}, IDB_SERIAL, kInterfaceSerial},
        {IDC_PORT_BLUETOOTH, {"COM1:", "COM3:"}, IDB_BLUETOOTH, kInterfaceSerial},
        {IDC_PORT_PARALLEL, {"LPT1:"}, IDB_PARALLEL, kInterfaceParallel},
        {IDC_PORT_USB, {"USB"}, IDB_USB, kInterfaceUsb},
        {IDC_PORT_ETHERNET, {"TCP/IP"}, IDB_ETHERNET, kInterfaceTcpIp},
        {IDC_PORT_WIFI, {"TCP/IP"}, IDB_WIFI, kInterfaceTcpIp},
        // Lower-case com5: only here: the serial filter compares case-sensitively.
        {IDC_PORT_DRIVER_PORT,
         {"COM1:", "COM3:", "com5:", "FILE:", "LPT1:", "USB001"},
         IDB_PRINTER_PORT,
         kInterfaceSerial},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio);
        rules.OnInterface(c.radio);
        EXPECT_EQ(view.checkedRadio, c.radio);
        EXPECT_EQ(PortList(), c.listed);
        EXPECT_EQ(view.selections[IDC_PORT_LIST], 0);
        EXPECT_EQ(rules.PortName(), c.listed.front());
        EXPECT_EQ(view.pictures.back(), c.bitmap);
        EXPECT_EQ(rules.GetInterfaceKind(), c.kind);
        EXPECT_TRUE(OkEnabled());
    }
    EXPECT_EQ(view.ipOffered.size(), 2u) << "only Ethernet and Wi-Fi ask for an address";
}

TEST_F(PortDialogTest, PickingAPortOrCodePageTakesTheSelectedEntry) {
    rules.OnInitDialog();
    rules.OnInterface(IDC_PORT_DRIVER_PORT);
    view.Pick(IDC_PORT_LIST, 5);  // COM1: COM2: COM3: COM4: FILE: LPT1: ...
    rules.OnSelchangePort();
    EXPECT_EQ(rules.PortName(), "LPT1:");
    EXPECT_EQ(rules.GetInterfaceKind(), kInterfaceParallel) << "a system port installs as its name says";

    view.Pick(IDC_PORT_CODE_PAGE, 9);
    rules.OnSelchangeCodePage();
    EXPECT_EQ(state.codePage, 9);

    // Opening the dialog again in the same run shows that choice.
    fakes::FakePortDialogView again;
    again.ipRules = &ip;
    PortInfoDialog reopened(platform, state, ip, again);
    reopened.OnInitDialog();
    EXPECT_EQ(again.selections[IDC_PORT_CODE_PAGE], 9);
}

TEST_F(PortDialogTest, NoPortForTheInterfaceLeavesAnEmptyNameThatOkRefuses) {
    spooler.ports = {"LPT1:", "FILE:"};
    rules.OnInitDialog();
    rules.OnInterface(IDC_PORT_SERIAL);
    EXPECT_TRUE(PortList().empty());
    EXPECT_EQ(view.selections[IDC_PORT_LIST], -1);
    EXPECT_EQ(rules.PortName(), "");
    EXPECT_FALSE(OkEnabled());
    EXPECT_FALSE(rules.OnOk());

    // A failed enumeration leaves only the fixed entries.
    spooler.enumPortsError = 1722;
    rules.OnInterface(IDC_PORT_DRIVER_PORT);
    EXPECT_TRUE(PortList().empty());
    EXPECT_FALSE(rules.OnOk());
    rules.OnInterface(IDC_PORT_USB);
    EXPECT_EQ(rules.PortName(), "USB");
    EXPECT_TRUE(OkEnabled());
    EXPECT_TRUE(rules.OnOk());
}

TEST_F(PortDialogTest, AConfirmedAddressIsOfferedAgainAndSurvivesACancel) {
    rules.OnInitDialog();
    view.ipAnswers = {AddressFields{10, 1, 2, 3}};  // then Escape
    rules.OnInterface(IDC_PORT_ETHERNET);
    EXPECT_EQ(view.ipOffered.back(), kDefaultPrinterAddress);
    EXPECT_EQ(rules.IpAddressText(), "10.1.2.3");
    EXPECT_EQ(rules.PortName(), "TCP/IP");

    rules.OnInterface(IDC_PORT_WIFI);
    EXPECT_EQ(view.ipOffered.back(), 0x0A010203u);
    EXPECT_EQ(rules.IpAddressText(), "10.1.2.3");
    EXPECT_TRUE(rules.OnOk());
}

TEST_F(PortDialogTest, TheNetworkPortNeedsAConfirmedAddressBeforeOk) {
    rules.OnInitDialog();
    rules.OnInterface(IDC_PORT_ETHERNET);  // Escape in the address dialog
    EXPECT_EQ(rules.PortName(), "TCP/IP");
    EXPECT_EQ(rules.IpAddressText(), "");
    EXPECT_FALSE(OkEnabled());
    EXPECT_FALSE(rules.OnOk());

    // No Standard TCP/IP monitor: the address dialog refuses, and so does OK.
    registry.keys.clear();
    view.ipAnswers = {AddressFields{10, 0, 0, 5}};
    rules.OnInterface(IDC_PORT_WIFI);
    EXPECT_EQ(view.ipMessages.size(), 1u);
    EXPECT_EQ(rules.IpAddressText(), "");
    EXPECT_FALSE(rules.OnOk());
    rules.OnInterface(IDC_PORT_ETHERNET);  // Escape again
    EXPECT_EQ(view.ipOffered.back(), kDefaultPrinterAddress) << "a refused address is not offered again";

    // Another interface needs no address.
    rules.OnInterface(IDC_PORT_SERIAL);
    EXPECT_TRUE(rules.OnOk());
}

TEST_F(PortDialogTest, TheLineBesideOkSaysWhyItIsUnavailableAndClearsWithIt) {
    auto line = [&] { return view.texts.count(IDC_PORT_OK_REASON) ? view.texts[IDC_PORT_OK_REASON] : "(untouched)"; };
    spooler.ports = {"LPT1:"};
    rules.OnInitDialog();
    EXPECT_EQ(line(), "(untouched)") << "the template's line is empty";

    rules.OnInterface(IDC_PORT_SERIAL);
    EXPECT_EQ(rules.WhyOkUnavailable(), OkUnavailable::NoPort);
    EXPECT_EQ(line(), OkUnavailableText(OkUnavailable::NoPort, Language::English));
    rules.OnInterface(IDC_PORT_ETHERNET);  // Escape in the address dialog
    EXPECT_EQ(line(), OkUnavailableText(OkUnavailable::NoAddress, Language::English));
    EXPECT_FALSE(OkEnabled());
    view.ipAnswers = {AddressFields{10, 1, 2, 3}};
    rules.OnInterface(IDC_PORT_WIFI);
    EXPECT_EQ(line(), "");
    EXPECT_TRUE(OkEnabled());

    // A new dialog starts from the template's empty line again, here in Korean.
    system.codePage = 949;
    view.texts.clear();
    rules.OnInitDialog();
    rules.OnInterface(IDC_PORT_SERIAL);
    EXPECT_EQ(line(), OkUnavailableText(OkUnavailable::NoPort, Language::Korean));
    EXPECT_STRNE(line().c_str(), OkUnavailableText(OkUnavailable::NoPort, Language::English));
}

TEST_F(PortDialogTest, OpeningAgainForgetsTheAddressButNotTheProcessValues) {
    rules.OnInitDialog();
    view.ipAnswers = {AddressFields{10, 0, 0, 5}};
    rules.OnInterface(IDC_PORT_ETHERNET);
    ASSERT_EQ(rules.IpAddressText(), "10.0.0.5");

    rules.OnInitDialog();
    EXPECT_EQ(rules.IpAddressText(), "");
    EXPECT_EQ(rules.PortName(), "USB");
    rules.OnInterface(IDC_PORT_ETHERNET);
    EXPECT_EQ(view.ipOffered.back(), kDefaultPrinterAddress);
}

TEST(PortListTest, LongPortNamesAreKeptWhole) {
    const std::string longName = "USB/A port name well beyond thirty-one characters";
    EXPECT_EQ(PortsForInterface(InterfaceChoice::DriverPort, {longName}), Entries{longName});
    EXPECT_EQ(PortsForInterface(InterfaceChoice::Serial, {"COM", "CO", "COMX"}), (Entries{"COM", "COMX"}));
}

}  // namespace
}  // namespace prinstall
