#include "ports/ip_address_dialog.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "fakes/fake_port_views.h"
#include "resource.h"

namespace prinstall {
namespace {

TEST(IpAddressTextTest, FormatsTheFourFieldsAndParsesOnlyFourDecimalFields) {
    EXPECT_EQ(FormatAddress({10, 0, 0, 5}), "10.0.0.5");
    EXPECT_EQ(FormatAddress({255, 255, 255, 0}), "255.255.255.0");
    EXPECT_EQ(ParseAddress("192.168.0.192"), kDefaultPrinterAddress);
    EXPECT_EQ(ParseAddress("10.1.2.3"), 0x0A010203u);
    EXPECT_EQ(ParseAddress("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "10.1.2", "10.1.2.3.4", "10.1.2.256", "10..2.3", "a.b.c.d", "10.1.2.3 ", "1000.1.2.3"})
        EXPECT_EQ(ParseAddress(bad), std::nullopt) << bad;
}

class IpAddressDialogTest : public ::testing::Test {
protected:
    // The monitor's key under control set 001, not the current control set.
    IpAddressDialogTest() {
        Registry::Key key = 0;
        registry.CreateKey("SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports", "", key);
        registry.CloseKey(key);
    }

    fakes::FakeSystemInfo system;
    fakes::FakeRegistry registry;
    IpAddressDialog rules{system, registry};
    fakes::FakeIpAddressView view;
};

TEST_F(IpAddressDialogTest, OffersTheDefaultUntilTheOwnerKnowsAnAddress) {
    rules.addressText = "10.0.0.5";
    rules.OnInitDialog(view);
    EXPECT_EQ(view.shown, kDefaultPrinterAddress);

    rules.addressKnown = true;
    rules.OnInitDialog(view);
    EXPECT_EQ(view.shown, 0x0A000005u);

    // A text that is no address (never written by the dialog itself) falls back.
    rules.addressText = "printer";
    rules.OnInitDialog(view);
    EXPECT_EQ(view.shown, kDefaultPrinterAddress);
}

TEST_F(IpAddressDialogTest, EnglishKeepsTheTemplateAndKoreanReplacesItsTexts) {
    rules.OnInitDialog(view);
    EXPECT_EQ(view.title, "Printer IP Address");
    EXPECT_TRUE(view.texts.empty());

    system.codePage = kKoreanCodePage;
    rules.OnInitDialog(view);
    EXPECT_EQ(view.title, "프린터 IP 주소 설정");
    EXPECT_EQ(view.texts[IDC_IP_LABEL], "IP 주소 : ");
    EXPECT_EQ(view.texts[kDialogOk], "확인");
}

TEST_F(IpAddressDialogTest, OkWritesTheDottedTextAndEndsWithOkWhenTheMonitorKeyOpens) {
    rules.OnInitDialog(view);
    view.typed = {10, 0, 0, 5};
    rules.OnOk(view);
    EXPECT_EQ(rules.addressText, "10.0.0.5");
    EXPECT_EQ(view.endedWith, kDialogOk);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(registry.OpenKeys(), 0u);

    // A blank last field reads as 0.
    view.typed = {192, 168, 1, 0};
    rules.OnOk(view);
    EXPECT_EQ(rules.addressText, "192.168.1.0");
}

// The same rule as the command line's /ip: an address that names no one printer keeps the
// dialog open with a message; the last unicast addresses pass.
TEST_F(IpAddressDialogTest, AddressesThatNameNoPrinterAreRefusedAndTheDialogStays) {
    rules.OnInitDialog(view);
    for (AddressFields typed : {AddressFields{0, 0, 0, 0}, AddressFields{224, 0, 0, 1}, AddressFields{239, 1, 2, 3},
                                AddressFields{240, 0, 0, 1}, AddressFields{255, 255, 255, 255}}) {
        view.typed = typed;
        rules.OnOk(view);
        EXPECT_EQ(view.endedWith, 0) << FormatAddress(typed);
    }
    ASSERT_EQ(view.messages.size(), 5u);
    EXPECT_EQ(view.messages[0].text, kNoPrinterAddress.english);
    view.typed = {223, 255, 255, 254};
    rules.OnOk(view);
    EXPECT_EQ(view.endedWith, kDialogOk);
    EXPECT_EQ(view.messages.size(), 5u);
}

TEST_F(IpAddressDialogTest, WithoutTheMonitorKeyOkWarnsInTheUiLanguageAndEndsWithCancel) {
    registry.keys.clear();
    rules.OnInitDialog(view);
    view.typed = {10, 1, 2, 3};
    rules.OnOk(view);
    EXPECT_EQ(view.endedWith, kDialogCancel);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Standard TCP/IP Port not installed\nPlease Install Standard TCP/IP Port");
    EXPECT_EQ(rules.addressText, "10.1.2.3") << "written before the check; the owner ignores it";

    system.codePage = kKoreanCodePage;
    fakes::FakeIpAddressView korean;
    rules.OnInitDialog(korean);
    rules.OnOk(korean);
    ASSERT_EQ(korean.messages.size(), 1u);
    EXPECT_EQ(korean.messages[0].text,
              "Standard TCP/IP Port가 설치되어 있지 않습니다.\nStandard TCP/IP Port를 추가해 주십시오.");
    EXPECT_EQ(korean.endedWith, kDialogCancel);
}

TEST_F(IpAddressDialogTest, AKeyThatCannotBeOpenedForWritingCountsAsMissing) {
    registry.probeError = 5;  // access denied
    rules.OnInitDialog(view);
    rules.OnOk(view);
    EXPECT_EQ(view.endedWith, kDialogCancel);
    EXPECT_EQ(view.messages.size(), 1u);
}

}  // namespace
}  // namespace prinstall
