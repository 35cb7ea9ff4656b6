// The Windows Installer package under Wine's msiexec: the files in C:\TORVA EPL Printer 2.X,
// the program's /install with the public properties, one visible entry in the list of
// installed programs, and msiexec /x taking away everything again. The prefix holds the
// package as C:\Prinstall.msi and no installation folder (tests/e2e/msi.cmake).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness_win.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

const wchar_t kFolder[] = L"C:\\TORVA EPL Printer 2.X";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr DWORD kMsiexecTimeoutMs = 240000;

// Runs the system folder's msiexec.exe with `arguments`; its exit code, or ~0 when it did
// not end in time.
DWORD RunMsiexec(const std::wstring& arguments) {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_GT(length, 0u);
    const std::wstring program = std::wstring(system, length) + L"\\msiexec.exe";
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &startup,
                        &info)) {
        ADD_FAILURE() << "msiexec did not start: " << GetLastError();
        return ~0u;
    }
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(info.hProcess, kMsiexecTimeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(info.hProcess, &exitCode);
    } else {
        TerminateProcess(info.hProcess, exitCode);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return exitCode;
}

// Display names of the entries the list of installed programs shows (those not marked as
// system components) that name the printer's maker.
std::vector<std::string> ShownEntries() {
    std::vector<std::string> shown;
    HKEY list;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &list) != ERROR_SUCCESS) return shown;
    wchar_t name[256];
    for (DWORD i = 0, size = 256; RegEnumKeyExW(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, size = 256) {
        wchar_t display[512] = {};
        DWORD bytes = sizeof display - sizeof(wchar_t);
        DWORD system = 0, systemBytes = sizeof system;
        if (RegGetValueW(list, name, L"DisplayName", RRF_RT_REG_SZ, nullptr, display, &bytes) != ERROR_SUCCESS) {
            continue;
        }
        RegGetValueW(list, name, L"SystemComponent", RRF_RT_REG_DWORD, nullptr, &system, &systemBytes);
        if (system != 1 && std::wstring(display).find(L"TORVA") != std::wstring::npos) shown.push_back(Utf8(display));
    }
    RegCloseKey(list);
    return shown;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(WindowsInstallerPackage, InstallsTwoCopiesAndRemovesEverything) {
    ASSERT_TRUE(Exists(L"C:\\Prinstall.msi"));
    ASSERT_FALSE(Exists(kFolder)) << "the package must bring the folder itself";

    // Without a port the launch condition refuses, before anything is installed.
    EXPECT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn /l*v C:\\msi-noport.log"), 1603u);
    EXPECT_FALSE(Exists(kFolder));

    // A value the program refuses fails the package, and Windows Installer takes the files
    // back. Windows ends with 1603 then; Wine's msiexec with 1627.
    const DWORD refused = RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: COPIES=501 /l*v C:\\msi-refused.log");
    EXPECT_TRUE(refused == 1603u || refused == 1627u) << refused;
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});

    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: COPIES=2 /l*v C:\\msi.log"), 0u);
    const std::vector<std::string> expected = {"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:",
                                               "TORVA Label Printer 2\tTORVA Label Printer #2\tCOM1:"};
    EXPECT_EQ(LabelQueues(), expected);
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Prinstall.exe"));
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Win32\\UNIDRV.DLL"));
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Win64\\TVPortMon.dll"));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{"TORVA Label 2.XX"});

    EXPECT_EQ(RunMsiexec(L"/x C:\\Prinstall.msi /qn /l*v C:\\msi-remove.log"), 0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    const std::vector<std::wstring> drivers = DriverNames();
    EXPECT_EQ(std::count_if(drivers.begin(), drivers.end(),
                            [](const std::wstring& d) { return d.rfind(L"TORVA Label Printer #", 0) == 0; }),
              0);
    EXPECT_EQ(NumberedFiles(DriverDirectory(), 1), std::vector<std::wstring>{});
    EXPECT_FALSE(KeyExists(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port"));
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X"));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists((std::wstring(kUninstallKey) + L"\\TORVA EPL 2.XX").c_str()));
    EXPECT_FALSE(Exists(kFolder));
}

}  // namespace
}  // namespace e2e
