#include "msi_refusals.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "core/system_refusals.h"
#include "fakes/fake_platform.h"

namespace prinstall::msi {
namespace {

// Another run's claim, where the program looks first, or nothing claimed anywhere.
class OtherRun : public SingleRunObjects {
public:
    bool held = false;
    ClaimAnswer Claim(ClaimPlace place) override {
        if (place != ClaimPlace::PrivateNamespace) return ClaimAnswer::Unavailable;
        return held ? ClaimAnswer::HeldByAdministrators : ClaimAnswer::Created;
    }
};

// The package's command line as RunInstall runs it, with the options its properties added.
std::vector<std::string> Install(std::initializer_list<std::string> options) {
    std::vector<std::string> line = {"/install", "/noentry", "/owner:{07A6A199-617B-48F4-9C19-FF09EBF05B7B}"};
    line.insert(line.end(), options);
    return line;
}

// The refusals in the program's order: the claim first, then the command line, then the system;
// a valid installation on a system that takes it goes on.
TEST(PackageRefusal, IsTheProgramsOwnInItsOrder) {
    OtherRun claim;
    fakes::FakeSystemInfo system;
    fakes::FakeRegistry registry;
    fakes::FakeDebugLog debug;
    const auto refusal = [&](std::initializer_list<std::string> options) {
        const std::optional<PackageRefusal> found =
            RefusalBeforeFiles(Install(options), claim, system, registry, debug);
        return found ? std::to_string(found->exitCode) + " " + found->text : std::string("none");
    };
    EXPECT_EQ(refusal({"/port:COM1:", "/copies:2"}), "none");
    EXPECT_EQ(refusal({"/port:COM1:", "/copies:0"}), "1639 /copies needs a number from 1 to 500.");
    EXPECT_EQ(refusal({"/port:COM1:", "/usb"}).substr(0, 5), "1639 ");
    EXPECT_EQ(refusal({"/update", "/port:COM1:"}), "none");

    Registry::Key key = 0;
    ASSERT_EQ(registry.CreateKey(kProtectedPrintKey, "", key), 0u);
    registry.SetDword(key, "WindowsProtectedPrintMode", 1);
    registry.CloseKey(key);
    EXPECT_EQ(refusal({"/port:COM1:"}).substr(0, 5), "1625 ");
    system.nativeMachine = kMachineArm64;
    EXPECT_EQ(refusal({"/port:COM1:"}).substr(0, 5), "1633 ");
    EXPECT_EQ(refusal({"/port:COM1:", "/copies:0"}).substr(0, 5), "1639 ");
    claim.held = true;
    EXPECT_EQ(refusal({"/port:COM1:", "/copies:0"}), std::string("1618 ") + kAlreadyRunning.english);
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

}  // namespace
}  // namespace prinstall::msi
