// The x64 environment named by the 32-bit program in a 64-bit prefix: its own driver folder
// and its own list of drivers, apart from the caller's x86 ones, and the one a call without an
// environment works on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/spooler_win.h"

namespace prinstall {
namespace {

TEST(SpoolerOn64BitWine, X64EnvironmentHasItsOwnDriverFolderAndDrivers) {
    WinSpooler spooler;
    std::string directory;
    ASSERT_EQ(spooler.DriverDirectory(kEnvironmentX64, directory), 0u);
    EXPECT_EQ(directory, "C:\\windows\\system32\\spool\\drivers\\x64");

    DriverRecord driver;
    driver.name = "Integration Driver Of x64";
    driver.environment = kEnvironmentX64;
    driver.driverPath = "UNIDRV.DLL";
    driver.dataFile = "TVLabel.GPD";
    driver.configFile = "UNIDRVUI.DLL";
    ASSERT_EQ(spooler.RegisterDriver(driver), 0u);
    auto listedFor = [&](const char* environment) {
        std::vector<std::string> names;
        EXPECT_EQ(spooler.ListDrivers(environment, names), 0u);
        return std::count(names.begin(), names.end(), driver.name);
    };
    EXPECT_EQ(listedFor(kEnvironmentX64), 1);
    EXPECT_EQ(listedFor(kEnvironmentX86), 0);
    EXPECT_EQ(listedFor(""), 1);  // no environment given: the adapter names the machine's own
    EXPECT_EQ(spooler.RemoveDriver(driver.name, kEnvironmentX64), 0u);
    EXPECT_EQ(listedFor(kEnvironmentX64), 0);
}

}  // namespace
}  // namespace prinstall
