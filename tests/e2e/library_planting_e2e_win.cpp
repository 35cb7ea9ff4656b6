// A library of a system name planted in the program's folder stays unused: the program runs
// with WINSPOOL.DRV beside it, shows its main dialog, which lists the printers, and ends, and
// the planted library never ran. ctest starts this with WINEDLLOVERRIDES=winspool.drv=n,b:
// Wine then looks in the program's folder first, as Windows does for a library that is not a
// known DLL (the loader takes the override from the environment Wine starts with, not from
// one a Windows parent hands on).
#include "harness_win.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace e2e;

constexpr wchar_t kTitleEnglish[] = L"TORVA EPL Printer Driver Installation / Uninstallation Program";
const std::wstring kPlanted = std::wstring(kInstallFolder) + L"\\WINSPOOL.DRV";
const std::wstring kMarker = std::wstring(kInstallFolder) + L"\\planted-library-ran.txt";

// The stand-in built beside this test program, in planted\.
std::wstring BuiltStandIn() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"planted\\WINSPOOL.DRV";
}

TEST(LibraryPlanting, WinspoolBesideTheProgramIsNeverLoaded) {
    DeleteFileW(kMarker.c_str());
    ASSERT_TRUE(CopyFileW(BuiltStandIn().c_str(), kPlanted.c_str(), FALSE)) << GetLastError();
    {
        ProgramRun program;
        ASSERT_EQ(program.Start(), 0u);
        HWND dialog = program.WaitForWindow(kTitleEnglish);
        ASSERT_NE(dialog, nullptr) << "no main dialog; still running: " << program.Running();
        ASSERT_TRUE(ClickButton(dialog, IDC_EXIT));
        DWORD exitCode = 0;
        EXPECT_TRUE(program.WaitForExit(&exitCode));
    }
    EXPECT_EQ(GetFileAttributesW(kMarker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted WINSPOOL.DRV ran";
    DeleteFileW(kPlanted.c_str());
}

}  // namespace
