// The folder security adapter on the installation folder of a fresh prefix. Wine reports every
// file and folder as owned by the prefix's user with full control, so the folder counts as
// changeable by others; the restriction succeeds (Wine does not keep it) and leaves the media
// readable, as an installation then needs them.
#include <gtest/gtest.h>

#include <string>

#include "install/staging.h"
#include "platform/files_win.h"
#include "platform/folder_security_win.h"

namespace prinstall {
namespace {

TEST(FolderSecurityUnderWine, InstallationFolderIsRestrictedAndStaysReadable) {
    WinFolderSecurity security;
    WinFiles files;
    const std::string folder = kInstallFolder;
    EXPECT_EQ(security.WritableByOthers(folder), WriteAccess::Others);
    EXPECT_EQ(security.RestrictToAdministrators(folder), 0u);
    EXPECT_GT(files.FileSize(folder + "\\Win32\\TVLabel.GPD"), 0);
    EXPECT_GT(files.FileSize(folder + "\\Prinstall.exe"), 0);

    const std::string missing = folder + "\\No Such Folder";
    EXPECT_EQ(security.WritableByOthers(missing), WriteAccess::Unknown);
    EXPECT_EQ(security.RestrictToAdministrators(missing), 2u);  // ERROR_FILE_NOT_FOUND
}

}  // namespace
}  // namespace prinstall
