// The folder security adapter on the installation folder of a fresh prefix. Wine reports every
// file and folder as owned by the prefix's user with full control, so the folder counts as
// changeable by others; the restriction succeeds (Wine does not keep it) and leaves the media
// readable, as an installation then needs them. Wine keeps hard links, so a file planted in the
// folder as a second name of one outside it is refused, named, and the file outside stays.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "install/staging.h"
#include "platform/files_win.h"
#include "platform/folder_security_win.h"
#include "platform/handle_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

TEST(FolderSecurityUnderWine, InstallationFolderIsRestrictedAndStaysReadable) {
    WinFolderSecurity security;
    WinFiles files;
    const std::string folder = kInstallFolder;
    EXPECT_EQ(security.WritableByOthers(folder), WriteAccess::Others);
    const Restriction r = security.RestrictToAdministrators(folder);
    EXPECT_TRUE(r.Done()) << r.error << " " << static_cast<int>(r.refusal) << " " << r.entry;
    EXPECT_GT(files.FileSize(folder + "\\Win32\\TVLabel.GPD"), 0);
    EXPECT_GT(files.FileSize(folder + "\\Prinstall.exe"), 0);

    const std::string missing = folder + "\\No Such Folder";
    EXPECT_EQ(security.WritableByOthers(missing), WriteAccess::Unknown);
    EXPECT_EQ(security.RestrictToAdministrators(missing).error, 2u);  // ERROR_FILE_NOT_FOUND
}

// A second name in the folder of a file outside it: the restriction refuses it by name and
// stops there; the file keeps its names and content. Once the name goes, the restriction runs.
TEST(FolderSecurityUnderWine, HardLinkedFileIsRefusedAndTheFileOutsideLeftAlone) {
    const std::wstring outside = L"C:\\outside.txt";
    const std::string planted = std::string(kInstallFolder) + "\\Win32\\planted.txt";
    {
        KernelHandle file(CreateFileW(outside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), "outside", 7, &written, nullptr));
    }
    ASSERT_TRUE(CreateHardLinkW(Widen(planted).c_str(), outside.c_str(), nullptr)) << GetLastError();

    WinFolderSecurity security;
    const Restriction r = security.RestrictToAdministrators(kInstallFolder);
    EXPECT_EQ(r.refusal, Refusal::HardLinked);
    EXPECT_EQ(r.error, 0u);
    EXPECT_EQ(r.entry, planted);
    KernelHandle file(CreateFileW(outside.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    ASSERT_TRUE(GetFileInformationByHandle(file.Get(), &info));
    EXPECT_EQ(info.nNumberOfLinks, 2u);
    char content[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file.Get(), content, sizeof content, &read, nullptr));
    EXPECT_EQ(std::string(content, read), "outside");
    file.Reset();

    ASSERT_TRUE(DeleteFileW(Widen(planted).c_str()));
    EXPECT_TRUE(security.RestrictToAdministrators(kInstallFolder).Done());
}

}  // namespace
}  // namespace prinstall
