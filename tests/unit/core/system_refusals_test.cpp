#include "core/system_refusals.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

// Each refusal code gets its own sentence after the call's text, in both languages; other
// codes leave the text alone.
TEST(SpoolerRefusalCause, NamesTheProbableCauseOfEachRefusalOnALineOfItsOwn) {
    const struct {
        std::uint32_t error;
        const char* english;  // a phrase the sentence must carry
    } cases[] = {
        {5, "administrator"},        {50, "protected print mode"},          {216, "another machine type"},
        {1797, "another processor"}, {3014, "blocked this printer driver"},
    };
    for (const auto& c : cases) {
        const std::string text =
            WithSpoolerRefusalCause("Failure to AddPrinterDriver() GetLastError()=1", c.error, Language::English);
        EXPECT_EQ(text.rfind("Failure to AddPrinterDriver() GetLastError()=1\nProbable cause: ", 0), 0u) << c.error;
        EXPECT_NE(text.find(c.english), std::string::npos) << text;
        const std::string korean = WithSpoolerRefusalCause("x", c.error, Language::Korean);
        EXPECT_EQ(korean.rfind("x\n예상 원인: ", 0), 0u) << c.error;
    }
    for (std::uint32_t other : {0u, 2u, 87u, 1796u, 3001u}) {
        EXPECT_EQ(WithSpoolerRefusalCause("text", other, Language::English), "text") << other;
    }
}

// Either policy value at 1 turns the mode on, read in the 64-bit view of a 64-bit Windows, where
// the policy lives, and not through the 32-bit program's own view.
TEST(ProtectedPrintMode, IsOnWhenEitherPolicyValueIsOneInThe64BitView) {
    const std::string wowKey = "SOFTWARE\\WOW6432Node\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
    const struct {
        const char* key;
        const char* value;  // nullptr: the key without values
        std::uint32_t data;
        bool on;
    } cases[] = {
        {kProtectedPrintKey, "WindowsProtectedPrintGroupPolicyState", 1, true},
        {kProtectedPrintKey, "WindowsProtectedPrintMode", 1, true},
        {kProtectedPrintKey, "WindowsProtectedPrintMode", 0, false},
        {kProtectedPrintKey, "WindowsProtectedPrintGroupPolicyState", 2, false},
        {kProtectedPrintKey, nullptr, 0, false},
        {wowKey.c_str(), "WindowsProtectedPrintMode", 1, false},
        {kPrintSettingsKey, kProtectedPrintSetting, 1, true},  // the switch in Settings
        {kPrintSettingsKey, kProtectedPrintSetting, 0, false},
        {nullptr, nullptr, 0, false},
    };
    for (const auto& c : cases) {
        fakes::FakeRegistry registry;  // filled as the 64-bit view names the keys, then seen from WOW64
        if (c.key != nullptr) {
            Registry::Key key = 0;
            ASSERT_EQ(registry.CreateKey(c.key, "", key), 0u);
            if (c.value != nullptr) registry.SetDword(key, c.value, c.data);
            registry.CloseKey(key);
        }
        registry.wow64 = true;
        EXPECT_EQ(ProtectedPrintModeOn(registry), c.on)
            << (c.key ? c.key : "no key") << " " << (c.value ? c.value : "") << "=" << c.data;
        EXPECT_EQ(registry.OpenKeys(), 0u);
    }
}

}  // namespace
}  // namespace prinstall
