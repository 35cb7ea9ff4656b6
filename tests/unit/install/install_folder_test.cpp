#include <gtest/gtest.h>

#include "fakes/main_dialog_world.h"
#include "install/install_folder.h"
#include "install/staging.h"

namespace prinstall {
namespace {

const std::string kFolder = kInstallFolder;
const std::string kAside = kFolder + " (moved aside 2026-12-07 08.00.00)";

// The program and two media files in the folder a deployment tool unpacked them to.
class InstallFolderTest : public ::testing::Test, public fakes::MainDialogWorld {
protected:
    InstallFolderTest() {
        files.program = "D:\\Content\\Prinstall.exe";
        files.AddFile(files.program, "program");
        files.AddFile("D:\\Content\\Win32\\UNIDRV.DLL", "unidrv");
        files.AddFile("D:\\Content\\Win32\\Korean\\UNIRES.DLL", "unires");
    }

    std::optional<Outcome> Settle() {
        said.clear();
        folderSecurity.Release();
        return SettleInstallFolder(app.platform, Language::English, said);
    }
    bool Made(const std::string& folder) const {
        return std::find(files.trail.begin(), files.trail.end(), "create " + folder) != files.trail.end();
    }

    std::vector<std::string> said;
};

// Started from elsewhere, the program makes the folder itself (an earlier one that nothing
// proves is moved aside, never deleted), copies itself and its media into it and records it;
// started from there afterwards, it finds the folder it made.
TEST_F(InstallFolderTest, TheProgramMakesTheFolderItRunsFromAndFindsItAgain) {
    DeleteFolderRecord(registry);
    files.AddFile(kFolder + "\\Prinstall.exe", "someone's");  // a folder nobody recorded
    ASSERT_EQ(Settle(), std::nullopt);
    EXPECT_TRUE(Made(kFolder));
    EXPECT_EQ(files.Content(kAside + "\\Prinstall.exe"), "someone's");
    EXPECT_EQ(said, std::vector<std::string>{"The earlier installation folder, which this program did not make, was "
                                             "moved to " +
                                             kAside + "."});
    EXPECT_EQ(files.Content(kFolder + "\\Prinstall.exe"), "program");
    EXPECT_EQ(files.Content(kFolder + "\\Win32\\Korean\\UNIRES.DLL"), "unires");
    EXPECT_EQ(folderSecurity.held, kFolder);  // held to the end of the run

    files.program = kFolder + "\\Prinstall.exe";
    EXPECT_EQ(Settle(), std::nullopt);
    // Placed again from elsewhere over the folder it made: copied into, nothing moved or made.
    files.program = "D:\\Content\\Prinstall.exe";
    files.trail.clear();
    EXPECT_EQ(Settle(), std::nullopt);
    EXPECT_FALSE(Made(kFolder));
    EXPECT_TRUE(said.empty());

    // The folder of the package is the package's: a script's copy would go with its removal.
    WriteFolderRecord(registry, {folderSecurity.IdentityOf(kFolder), kFolderMadeByPackage});
    const std::optional<Outcome> package = Settle();
    ASSERT_TRUE(package);
    EXPECT_NE(package->text.find("belongs to the Windows Installer package"), std::string::npos);
}

// Run from the folder, only the folder this program or its package made counts, and only while
// nobody else holds it open with delete access; from elsewhere, a folder that cannot be moved
// aside or that someone makes first stops the run. Nothing is copied in any of these.
TEST_F(InstallFolderTest, AFolderThatCannotBeProvenIsRefusedBeforeAnythingIsCopied) {
    const auto refusal = [&] {
        files.copies.clear();
        const std::optional<Outcome> refused = Settle();
        EXPECT_TRUE(files.copies.empty());
        return refused ? refused->text : std::string("(not refused)");
    };
    files.program = kFolder + "\\Prinstall.exe";
    folderSecurity.heldByOthers.insert(kFolder);
    EXPECT_NE(refusal().find("is held open by another program"), std::string::npos);
    folderSecurity.heldByOthers.clear();
    DeleteFolderRecord(registry);  // made by someone else: no record
    EXPECT_NE(refusal().find("was not made by this program or its package"), std::string::npos);
    WriteFolderRecord(registry, {"folder-made-before", kFolderMadeByProgram});  // made anew since
    EXPECT_NE(refusal().find("was not made by this program or its package"), std::string::npos);

    files.program = "D:\\Content\\Prinstall.exe";
    folderSecurity.heldByOthers.insert(kFolder);
    EXPECT_NE(refusal().find("could not be moved aside (error 32)"), std::string::npos);
    EXPECT_TRUE(files.HasFolder(kFolder) && !Made(kFolder));
    folderSecurity.heldByOthers.clear();
    folderSecurity.madeByOthersFirst = true;
    EXPECT_NE(refusal().find("was made by someone else while this program was about to make it"), std::string::npos);
    EXPECT_FALSE(Made(kFolder));
}

}  // namespace
}  // namespace prinstall
