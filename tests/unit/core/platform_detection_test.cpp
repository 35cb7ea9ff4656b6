#include "core/platform_detection.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

struct Case {
    const char* name;
    VersionRecord version;
    std::uint16_t architecture;
    int r2Metric;
    std::uint32_t product;
    // Expected: family and processor for both numberings, radio id of the port dialog.
    int portFamily;
    int removalFamily;
    int processor;
    int radio;
};

constexpr std::uint8_t kServer = 3;
constexpr std::uint8_t kDomainController = 2;

const Case kCases[] = {
    {"XP x64", {5, 2, 3790, kPlatformNT, 2, 0, 0x100, kProductWorkstation}, kArchitectureX64, 0, 0, 7, 7, 1, 1009},
    {"Server 2003 R2 x86", {5, 2, 3790, kPlatformNT, 2, 0, 0x110, kServer}, kArchitectureX86, 1, 0, 8, 8, 0, 1010},
    {"Server 2003 x64",
     {5, 2, 3790, kPlatformNT, 2, 0, 0x110, kDomainController},
     kArchitectureX64,
     0,
     0,
     8,
     8,
     1,
     1010},
    {"Home Server",
     {5, 2, 3790, kPlatformNT, 2, 0, 0x2000, kProductWorkstation},
     kArchitectureX64,
     0,
     0,
     8,
     8,
     1,
     1010},
    {"XP", {5, 1, 2600, kPlatformNT, 3, 0, 0x100, kProductWorkstation}, kArchitectureX86, 0, 0, 7, 7, 0, 1009},
    {"2000", {5, 0, 2195, kPlatformNT, 4, 0, 0, kProductWorkstation}, kArchitectureX86, 0, 0, 6, 6, 0, 1008},
    {"Vista x64", {6, 0, 6002, kPlatformNT, 2, 0, 0x100, kProductWorkstation}, kArchitectureX64, 0, 6, 9, 9, 1, 1024},
    {"Server 2008 Itanium",
     {6, 0, 6001, kPlatformNT, 1, 0, 0x10, kServer},
     kArchitectureItanium,
     0,
     15,
     10,
     10,
     2,
     1045},
    {"Server 2008 Itanium by product only",
     {6, 0, 6001, kPlatformNT, 1, 0, 0x10, kServer},
     kArchitectureX64,
     0,
     15,
     10,
     10,
     2,
     1045},
    {"7 x64", {6, 1, 7601, kPlatformNT, 1, 0, 0x100, kProductWorkstation}, kArchitectureX64, 0, 0, 11, 11, 1, 1046},
    {"2008 R2", {6, 1, 7601, kPlatformNT, 1, 0, 0x10, kServer}, kArchitectureX64, 0, 0, 10, 10, 1, 1045},
    {"6.2 workstation",
     {6, 2, 9200, kPlatformNT, 0, 0, 0x100, kProductWorkstation},
     kArchitectureX64,
     0,
     0,
     12,
     11,
     1,
     1047},
    {"6.2 server", {6, 2, 9200, kPlatformNT, 0, 0, 0x10, kServer}, kArchitectureX64, 0, 0, 12, 10, 1, 1048},
    {"NT 4.0", {4, 0, 1381, kPlatformNT, 6, 0, 0, kProductWorkstation}, kArchitectureX86, 0, 0, 5, 5, 0, 1007},
    {"NT 3.51", {3, 51, 1057, kPlatformNT, 0, 0, 0, 0}, kArchitectureX86, 0, 0, 1, 1, 0, 1002},
    {"95", {4, 0, 950, kPlatformWindows9x, 0, 0, 0, 0}, kArchitectureX86, 0, 0, 2, 2, 0, 1004},
    {"98 and 98 SE", {4, 10, 2222, kPlatformWindows9x, 0, 0, 0, 0}, kArchitectureX86, 0, 0, 3, 3, 0, 1005},
    {"ME", {4, 90, 3000, kPlatformWindows9x, 0, 0, 0, 0}, kArchitectureX86, 0, 0, 4, 4, 0, 1006},
};

TEST(PlatformDetection, ClassifiesEachWindowsFamilyWithBothNumberings) {
    for (const Case& c : kCases) {
        for (Numbering numbering : {Numbering::PortDialog, Numbering::Removal}) {
            fakes::FakeSystemInfo system;
            system.version = c.version;
            system.architecture = c.architecture;
            system.metrics[kMetricServerR2] = c.r2Metric;
            system.product = c.product;
            OsInfo os;
            Detection d = DetectPlatform(system, numbering, os);
            bool port = numbering == Numbering::PortDialog;
            EXPECT_EQ(d.result, 1) << c.name;
            EXPECT_EQ(os.osFamily, port ? c.portFamily : c.removalFamily)
                << c.name << (port ? " (port)" : " (removal)");
            EXPECT_EQ(os.processor, c.processor) << c.name;
            EXPECT_EQ(d.radioId, port ? c.radio : 0) << c.name;
            // Only NT 6.0 asks for the product type.
            EXPECT_EQ(system.productInfoCalls, c.version.major == 6 && c.version.minor == 0 ? 1 : 0) << c.name;
        }
    }
}

TEST(PlatformDetection, UnknownVersionsAndPlatformsLeaveTheFamilyAsItWas) {
    fakes::FakeSystemInfo system;
    OsInfo os{7, 1};

    system.version = {1, 0, 0, kPlatformWin32s, 0, 0, 0, 0};
    system.architecture = kArchitectureX86;
    EXPECT_EQ(DetectPlatform(system, Numbering::PortDialog, os).result, 1);
    EXPECT_EQ(os.osFamily, 7);
    EXPECT_EQ(os.processor, 0);

    system.version = {4, 3, 0, kPlatformWindows9x, 0, 0, 0, 0};  // no such 9x version
    EXPECT_EQ(DetectPlatform(system, Numbering::PortDialog, os).radioId, 0);
    EXPECT_EQ(os.osFamily, 7);

    system.version = {5, 3, 0, kPlatformNT, 0, 0, 0, kProductWorkstation};  // no such 5.x version
    EXPECT_EQ(DetectPlatform(system, Numbering::Removal, os).result, 1);
    EXPECT_EQ(os.osFamily, 7);

    // A platform that is neither 9x, NT nor Win32s: -1, though the processor is already set.
    system.version = {6, 1, 0, 3, 0, 0, 0, kProductWorkstation};
    system.architecture = kArchitectureX64;
    Detection d = DetectPlatform(system, Numbering::PortDialog, os);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(os.osFamily, 7);
    EXPECT_EQ(os.processor, 1);
}

TEST(PlatformDetection, UnreadableVersionOrUnknownProcessorChangeNothingTheyCannotKnow) {
    fakes::FakeSystemInfo system;
    OsInfo os;
    system.versionReadable = false;
    EXPECT_EQ(DetectPlatform(system, Numbering::PortDialog, os).result, -1);
    EXPECT_EQ(os.osFamily, 0);
    EXPECT_EQ(os.processor, 0);

    system.versionReadable = true;
    os.processor = 2;
    system.architecture = 5;  // ARM: not a code the program knows
    EXPECT_EQ(DetectPlatform(system, Numbering::PortDialog, os).result, 1);
    EXPECT_EQ(os.processor, 2);
    EXPECT_EQ(os.osFamily, 11);
}

}  // namespace
}  // namespace prinstall
