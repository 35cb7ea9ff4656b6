// Staging a driver copy into the driver directory that Wine's spooler reports, from the
// stand-in media installed in the program's folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "install/staging.h"
#include "installed_program_files_win.h"
#include "platform/files_win.h"
#include "platform/spooler_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

const std::string kInstall = "C:\\TORVA EPL Printer 2.X";

std::string ReadAll(const std::string& path) {
    std::ifstream in(Widen(path).c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every file below a folder, by relative path, with its content.
void Snapshot(const std::string& folder, const std::string& relative, std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = Narrow(found.cFileName);
        if (name == "." || name == "..") continue;
        std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Snapshot(folder + "\\" + name, rel, out);
        else
            out[rel] = ReadAll(folder + "\\" + name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

class StagingUnderWine : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_EQ(spooler.DriverDirectory("", driverDirectory), 0u);
        CleanUp();
    }
    void TearDown() override { CleanUp(); }
    void CleanUp() {
        for (const StagingRow& row : StagingRows(0, true, 1))
            files.RemoveFile(driverDirectory + "\\" + row.destination);
    }
    std::string Staged(const std::string& name) { return ReadAll(driverDirectory + "\\" + name); }
    std::string Media(const std::string& relative) { return ReadAll(kInstall + "\\" + relative); }

    InstalledProgramFiles files;
    WinSpooler spooler;
    std::string driverDirectory;
    std::vector<std::string> messages;
};

TEST_P(StagingUnderWine, CopyOneArrivesInTheDriverDirectoryAndTheMediaStayAsTheyWere) {
    const bool korean = GetParam();
    EXPECT_EQ(driverDirectory, "C:\\windows\\system32\\spool\\drivers\\w32x86");
    std::map<std::string, std::string> before, after;
    Snapshot(kInstall, "", before);
    ASSERT_FALSE(before.empty());

    DriverStager stager(
        files, spooler, [this](const std::string& m) { messages.push_back(m); },
        [](const std::optional<std::string>&, int, bool) {});
    EXPECT_EQ(stager.StageDriverFiles(1, 0, korean), std::nullopt);
    EXPECT_TRUE(messages.empty());

    const std::string ui = korean ? "Win32\\Korean\\" : "Win32\\";
    EXPECT_EQ(Staged("UNIDRV.DLL"), Media("Win32\\UNIDRV.DLL"));
    EXPECT_EQ(Staged("UNIDRV.HLP"), Media("Win32\\UNIDRV.HLP"));
    EXPECT_EQ(Staged("STDNAMES.GPD"), Media("Win32\\STDNAMES.GPD"));
    EXPECT_EQ(Staged("UNIDRVUI.DLL"), Media(ui + "UNIDRVUI.DLL"));
    EXPECT_EQ(Staged("UNIRES.DLL"), Media(ui + "UNIRES.DLL"));
    EXPECT_NE(Media("Win32\\Korean\\UNIRES.DLL"), Media("Win32\\UNIRES.DLL"));  // the two can be told apart
    EXPECT_EQ(Staged("TVLabel1.DLL"), Media("Win32\\TVLabel.DLL"));
    EXPECT_EQ(Staged("TVLabelE1.DLL"), Media("Win32\\TVLabelE.DLL"));
    EXPECT_EQ(Staged("TVLabelUI1.DLL"), Media("Win32\\TVLabelUI.DLL"));
    EXPECT_EQ(Staged("TVLabel1.INI"), "[OEMFiles]\r\nOEMDriverFile1=TVLabelE1.DLL\r\nOEMConfigFile1=TVLabelUI1.DLL");
    const std::string gpd = Staged("TVLabel1.GPD");
    EXPECT_NE(gpd.find("\r\n*GPDFileName: \"TVLabel1.GPD\"\r\n"), std::string::npos);
    EXPECT_NE(gpd.find("\r\n*ModelName: \"TORVA Label Printer #1\"\r\n"), std::string::npos);
    EXPECT_NE(gpd.find("\r\n*ResourceDLL: \"TVLabel1.Dll\"\r\n"), std::string::npos);

    Snapshot(kInstall, "", after);
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(EnglishAndKorean, StagingUnderWine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Korean" : "English"; });

}  // namespace
}  // namespace prinstall
