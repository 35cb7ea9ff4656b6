#include "install/staging.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

const std::string kInstall = "C:\\TORVA EPL Printer 2.X";
const std::string kDrivers = "C:\\windows\\system32\\spool\\drivers\\w32x86";

// The media layout; every file's content names its own path, so a test can tell where a
// staged file came from.
const char* const kMedia[] = {
    "Win32\\UNIDRV.DLL",
    "Win32\\UNIDRV.HLP",
    "Win32\\UNIDRVUI.DLL",
    "Win32\\UNIRES.DLL",
    "Win32\\STDNAMES.GPD",
    "Win32\\TVLabel.DLL",
    "Win32\\TVLabelE.DLL",
    "Win32\\TVLabelUI.DLL",
    "Win32\\TVPortMon.dll",
    "Win32\\TVPortMonUI.dll",
    "Win32\\Korean\\UNIDRVUI.DLL",
    "Win32\\Korean\\UNIRES.DLL",
    "Win64\\STDNAMES.GPD",
    "Win64\\TVLabel.DLL",
    "Win64\\TVLabelE.DLL",
    "Win64\\TVLabelUI.DLL",
    "Win64\\TVPortMon.dll",
    "Win64\\TVPortMonUI.dll",
    "Win64\\2003\\UNIDRV.DLL",
    "Win64\\2003\\UNIDRV.HLP",
    "Win64\\2003\\UNIDRVUI.DLL",
    "Win64\\2003\\UNIRES.DLL",
    "Win64\\2003\\Korean\\UNIDRVUI.DLL",
    "Win64\\2003\\Korean\\UNIRES.DLL",
    "Win64\\Itanium\\TVPortMon.dll",
    "Win64\\Itanium\\TVPortMonUI.dll",
};

class StagingTest : public ::testing::Test {
protected:
    StagingTest() {
        for (const char* f : kMedia) files.AddFile(kInstall + "\\" + f, f);
        files.AddFile(kInstall + "\\Win32\\TVLabel.GPD",
                      "*GPDSpecVersion: \"1.0\"\n2\n3\n4\n5\n6\n7\n*Win32 template\n");
        files.AddFile(kInstall + "\\Win64\\TVLabel.GPD",
                      "*GPDSpecVersion: \"1.0\"\n2\n3\n4\n5\n6\n7\n*Win64 template\n");
        files.AddFile(kInstall + "\\Prinstall.exe", "program");
        files.AddFolder(kDrivers);
    }

    std::optional<std::string> Stage(int n, int processor, bool korean) {
        return stager.StageDriverFiles(n, processor, korean);
    }
    std::string Staged(const std::string& name, const std::string& folder = kDrivers) {
        return files.Content(folder + "\\" + name);
    }

    fakes::FakeFiles files;
    fakes::FakeSpooler spooler;
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, int>> reports;
    DriverStager stager{files, spooler, [this](const std::string& m) { messages.push_back(m); },
                        [this](const std::optional<std::string>& s, int pos, bool pause) {
                            reports.emplace_back(s.value_or("") + (pause ? " (pause)" : ""), pos);
                        }};
};

TEST_F(StagingTest, EnglishX86CopyOneTakesTheWin32Set) {
    // What the current directory holds under the same relative names plays no part.
    files.AddFile(files.WorkingDirectory() + "\\Win32\\UNIDRV.DLL", "planted");
    auto before32 = files.List(kInstall + "\\Win32");
    EXPECT_EQ(Stage(1, 0, false), std::nullopt);
    EXPECT_EQ(reports, (std::vector<std::pair<std::string, int>>{{"Print Driver Copy Started (pause)", 30}}));
    EXPECT_EQ(Staged("UNIDRV.DLL"), "Win32\\UNIDRV.DLL");
    EXPECT_EQ(Staged("UNIDRV.HLP"), "Win32\\UNIDRV.HLP");
    EXPECT_EQ(Staged("STDNAMES.GPD"), "Win32\\STDNAMES.GPD");
    EXPECT_EQ(Staged("UNIDRVUI.DLL"), "Win32\\UNIDRVUI.DLL");
    EXPECT_EQ(Staged("UNIRES.DLL"), "Win32\\UNIRES.DLL");
    EXPECT_NE(Staged("TVLabel1.GPD").find("*ModelName: \"TORVA Label Printer #1\"\r\n"), std::string::npos);
    EXPECT_NE(Staged("TVLabel1.GPD").find("*Win32 template"), std::string::npos);
    EXPECT_EQ(Staged("TVLabel1.INI"), IniCloneText(1));
    EXPECT_EQ(Staged("TVLabel1.DLL"), "Win32\\TVLabel.DLL");
    EXPECT_EQ(Staged("TVLabelE1.DLL"), "Win32\\TVLabelE.DLL");
    EXPECT_EQ(Staged("TVLabelUI1.DLL"), "Win32\\TVLabelUI.DLL");
    EXPECT_EQ(files.List(kDrivers).size(), 10u);
    // The media folder holds exactly what it held before.
    EXPECT_EQ(files.List(kInstall + "\\Win32"), before32);
    EXPECT_TRUE(messages.empty());
}

TEST_F(StagingTest, KoreanX86TakesOnlyTheUserInterfaceModulesFromTheKoreanFolder) {
    Stage(1, 0, true);
    EXPECT_EQ(Staged("UNIDRVUI.DLL"), "Win32\\Korean\\UNIDRVUI.DLL");
    EXPECT_EQ(Staged("UNIRES.DLL"), "Win32\\Korean\\UNIRES.DLL");
    EXPECT_EQ(Staged("UNIDRV.DLL"), "Win32\\UNIDRV.DLL");
    EXPECT_EQ(Staged("UNIDRV.HLP"), "Win32\\UNIDRV.HLP");
    EXPECT_EQ(Staged("STDNAMES.GPD"), "Win32\\STDNAMES.GPD");
}

TEST_F(StagingTest, X64AndItaniumStageTheSame64BitSetIntoTheirOwnEnvironmentsDirectory) {
    // A 32-bit program asking without an environment would get the x86 directory.
    for (int processor : {1, 2}) {
        const std::string dir =
            std::string("C:\\windows\\system32\\spool\\drivers\\") + (processor == 1 ? "x64" : "ia64");
        files.AddFolder(dir);
        for (bool korean : {false, true}) {
            auto before64 = files.List(kInstall + "\\Win64");
            EXPECT_EQ(Stage(7, processor, korean), std::nullopt);
            const std::string ui = korean ? "Win64\\2003\\Korean\\" : "Win64\\2003\\";
            EXPECT_EQ(Staged("STDNAMES.GPD", dir), "Win64\\STDNAMES.GPD");
            EXPECT_EQ(Staged("UNIDRV.DLL", dir), "Win64\\2003\\UNIDRV.DLL");
            EXPECT_EQ(Staged("UNIDRV.HLP", dir), "Win64\\2003\\UNIDRV.HLP");  // the doubled separator reads as one
            EXPECT_EQ(Staged("UNIDRVUI.DLL", dir), ui + "UNIDRVUI.DLL");
            EXPECT_EQ(Staged("UNIRES.DLL", dir), ui + "UNIRES.DLL");
            EXPECT_NE(Staged("TVLabel7.GPD", dir).find("*Win64 template"), std::string::npos);
            EXPECT_EQ(Staged("TVLabelUI7.DLL", dir), "Win64\\TVLabelUI.DLL");
            EXPECT_TRUE(files.List(kDrivers).empty());
            EXPECT_EQ(files.List(kInstall + "\\Win64"), before64);
        }
    }
}

// Every copy goes straight into the driver directory: nothing staged passes through the media
// folder under its numbered name.
TEST_F(StagingTest, DriverNumberTwelveNamesEveryCopyAndCopiesStraightIntoTheDriverDirectory) {
    Stage(12, 0, false);
    for (const char* name : {"TVLabel12.GPD", "TVLabel12.INI", "TVLabel12.DLL", "TVLabelE12.DLL", "TVLabelUI12.DLL"}) {
        EXPECT_TRUE(files.HasFile(kDrivers + "\\" + name)) << name;
        EXPECT_FALSE(files.HasFile(kInstall + "\\Win32\\" + name)) << name;
    }
    ASSERT_EQ(files.copies.size(), 10u);
    for (const auto& [from, to] : files.copies) EXPECT_EQ(files.Key(to).rfind(files.Key(kDrivers) + "\\", 0), 0u) << to;
    EXPECT_EQ(files.copies[8].first, kInstall + "\\Win32\\TVLabelE.DLL");
}

TEST_F(StagingTest, ExistingDestinationIsReplaced) {
    files.AddFile(kDrivers + "\\unidrv.dll", "an older Unidrv");
    files.AddFile(kDrivers + "\\TVLabelE1.DLL", "an older plug-in");
    Stage(1, 0, false);
    EXPECT_EQ(Staged("UNIDRV.DLL"), "Win32\\UNIDRV.DLL");
    EXPECT_EQ(Staged("TVLabelE1.DLL"), "Win32\\TVLabelE.DLL");
}

// The clone files cannot be written; the numbered modules, copied straight from the media,
// still arrive (the failed copy then takes them back with the rest).
TEST_F(StagingTest, ReadOnlyInstallationFolderLeavesTheCloneFilesAbsent) {
    files.SetReadOnly(kInstall + "\\Win32");
    EXPECT_EQ(Stage(1, 0, false), "TVLabel1.GPD");
    EXPECT_EQ(messages, (std::vector<std::string>{"Failed create file", "Failed to create GPD file",
                                                  "Failed create file", "Failed to create INI file"}));
    for (const char* name : {"TVLabel1.GPD", "TVLabel1.INI"}) {
        EXPECT_FALSE(files.HasFile(kDrivers + "\\" + name)) << name;
    }
    EXPECT_EQ(Staged("TVLabelUI1.DLL"), "Win32\\TVLabelUI.DLL");
    EXPECT_EQ(Staged("UNIDRV.DLL"), "Win32\\UNIDRV.DLL");  // the shared files still arrive
}

TEST_F(StagingTest, MissingOrEmptyTemplateOrMediaFileIsNamed) {
    files.AddFile(kInstall + "\\Win32\\TVLabel.GPD", "");
    EXPECT_EQ(Stage(1, 0, false), "Win32\\TVLabel.GPD");
    EXPECT_TRUE(messages.empty());
    files.RemoveFile(kInstall + "\\Win32\\UNIRES.DLL");
    files.AddFile(kInstall + "\\Win32\\TVLabel.GPD", "*GPDSpecVersion: \"1.0\"\n");
    EXPECT_EQ(Stage(1, 0, false), "Win32\\UNIRES.DLL");
}

TEST_F(StagingTest, MissingTemplateStagesTheEmptyGpdAfterTwoMessages) {
    files.RemoveFile(kInstall + "\\Win32\\TVLabel.GPD");
    EXPECT_EQ(Stage(1, 0, false), "Win32\\TVLabel.GPD");
    EXPECT_EQ(messages, (std::vector<std::string>{"Failed open file", "Failed to open GPD file"}));
    EXPECT_TRUE(files.HasFile(kDrivers + "\\TVLabel1.GPD"));
    EXPECT_EQ(Staged("TVLabel1.GPD"), "");
    EXPECT_FALSE(files.HasFile(kInstall + "\\Win32\\TVLabel1.GPD"));
}

// A missing driver directory is made; one that cannot be made takes no file, and the first
// file not copied is named.
TEST_F(StagingTest, MissingDriverDirectoryIsCreatedOrTheFirstFileNamed) {
    spooler.driverDir = "C:\\windows\\system32\\spool\\drivers\\w32x86\\new";
    Stage(1, 0, false);
    EXPECT_EQ(files.Content(spooler.driverDir + "\\UNIDRV.DLL"), "Win32\\UNIDRV.DLL");
    EXPECT_EQ(files.List(spooler.driverDir).size(), 10u);

    files.SetReadOnly(spooler.driverDir);
    spooler.driverDir += "\\locked";
    EXPECT_EQ(Stage(2, 0, false), "Win32\\UNIDRV.DLL");
    EXPECT_TRUE(files.List(spooler.driverDir).empty());
    EXPECT_FALSE(files.HasFile(kInstall + "\\Win32\\TVLabel2.GPD"));
}

}  // namespace
}  // namespace prinstall
