// The Windows Installer package under Wine's msiexec: the files in C:\TORVA EPL Printer 2.X,
// the program's /install with the public properties and its lines in the msiexec log, the
// package's entry as the one visible in the list of installed programs, msiexec /x taking away
// everything again (ending with 3010 when a file goes at the next restart), a newer package
// replacing an older one, and a program planted in the folder beforehand replaced. The prefix holds the package as
// C:\Prinstall.msi, a newer version of it as C:\Prinstall-next.msi, the package's program as C:\Prinstall-package.exe
// and no installation folder (tests/e2e/msi.cmake).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/entry_names.h"
#include "core/interface_kind.h"
#include "harness_win.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

const wchar_t kFolder[] = L"C:\\TORVA EPL Printer 2.X";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kNextPackage[] = L"C:\\Prinstall-next.msi";
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

std::string FileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Whether the msiexec log holds `text` (an ASCII line of the program's), in the log's ANSI or
// UTF-16 form.
bool LogHas(const wchar_t* log, const std::string& text) {
    const std::string bytes = FileBytes(log);
    std::string wide;
    for (char c : text) wide += std::string{c, '\0'};
    return bytes.find(text) != std::string::npos || bytes.find(wide) != std::string::npos;
}

// Whether the program's own uninstall entry exists, in either language.
bool ProgramEntryExists() {
    for (const char* key : {prinstall::kUninstallKeyEnglish, prinstall::kUninstallKeyKorean}) {
        wchar_t wide[256] = {};
        MultiByteToWideChar(CP_UTF8, 0, key, -1, wide, 256);
        if (KeyExists(wide)) return true;
    }
    return false;
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
    EXPECT_TRUE(LogHas(L"C:\\msi-refused.log", "/copies needs a number from 1 to 500."));
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});

    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: COPIES=2 /l*v C:\\msi.log"), 0u);
    const std::vector<std::string> expected = {"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:",
                                               "TORVA Label Printer 2\tTORVA Label Printer #2\tCOM1:"};
    EXPECT_EQ(LabelQueues(), expected);
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Prinstall.exe"));
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Win32\\UNIDRV.DLL"));
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Win64\\TVPortMon.dll"));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{"TORVA EPL Printer 2.X"});
    EXPECT_FALSE(ProgramEntryExists());
    EXPECT_TRUE(
        LogHas(L"C:\\msi.log", "\"TORVA Label Printer 2\" installed with the driver \"TORVA Label Printer #2\"."));

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
    EXPECT_FALSE(ProgramEntryExists());
    EXPECT_FALSE(Exists(kFolder));
}

// A newer package over an older one with other properties: the older one's removal runs first
// (its queue goes), then the newer one installs; one package, one entry. No USB printer is
// attached under Wine: USB=1 searches, fails the package and leaves nothing.
TEST(WindowsInstallerPackage, ANewerPackageReplacesTheOlderAndUsbWithoutAPrinterFails) {
    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-old.log"), 0u);
    ASSERT_EQ(RunMsiexec(std::wstring(L"/i ") + kNextPackage + L" /qn IP=192.0.2.10 COPIES=2 /l*v C:\\msi-next.log"),
              0u);
    const std::vector<std::string> expected = {"TORVA Label Printer\tTORVA Label Printer #1\tIP_192.0.2.10",
                                               "TORVA Label Printer 2\tTORVA Label Printer #2\tIP_192.0.2.10"};
    EXPECT_EQ(LabelQueues(), expected);
    EXPECT_TRUE(
        KeyExists(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.0.2.10"));
    // One package registered: the older one's entry (shown as well) is gone.
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{"TORVA EPL Printer 2.X"});
    EXPECT_FALSE(ProgramEntryExists());
    EXPECT_EQ(RunMsiexec(std::wstring(L"/x ") + kNextPackage + L" /qn /l*v C:\\msi-next-remove.log"), 0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});

    const DWORD usb = RunMsiexec(L"/i C:\\Prinstall.msi /qn USB=1 /l*v C:\\msi-usb.log");
    EXPECT_TRUE(usb == 1603u || usb == 1627u) << usb;
    EXPECT_TRUE(LogHas(L"C:\\msi-usb.log", prinstall::kUsbSearchFailed.english));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});
}

// A package whose third copy fails leaves no copy: the program takes back the two before it
// (queues, drivers, numbered files), the port monitor and the detection value, then Windows
// Installer takes the program and its media. A folder where copy 3's module belongs makes its
// staging fail, as on Windows.
TEST(WindowsInstallerPackage, AFailingCopyLeavesNoCopyOfTheRun) {
    const std::wstring blocker = DriverDirectory() + L"\\TVLabelUI3.DLL";
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr)) << GetLastError();
    const DWORD failed = RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: COPIES=3 /l*v C:\\msi-failed.log");
    RemoveDirectoryW(blocker.c_str());
    EXPECT_TRUE(failed == 1603u || failed == 1627u) << failed;
    EXPECT_TRUE(
        LogHas(L"C:\\msi-failed.log", "The 2 printer(s) this run installed before the failure were removed again."));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    const std::vector<std::wstring> drivers = DriverNames();
    EXPECT_EQ(std::count_if(drivers.begin(), drivers.end(),
                            [](const std::wstring& d) { return d.rfind(L"TORVA Label Printer #", 0) == 0; }),
              0);
    for (int n : {1, 2, 3}) EXPECT_EQ(NumberedFiles(DriverDirectory(), n), std::vector<std::wstring>{}) << n;
    EXPECT_FALSE(KeyExists(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port"));
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X"));
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});
}

// A driver file held open (as by a print job) when the package is removed: the program has it
// deleted at the next restart and ends with 3010, which Windows Installer reports as its own
// restart request; the package is removed all the same. The restart mark goes once reported:
// the next test's installation ends with 0.
TEST(WindowsInstallerPackage, ARemovalWithAFileInUseEndsWith3010) {
    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-held.log"), 0u);
    // No FILE_SHARE_DELETE: DeleteFile fails while this handle is open.
    const std::wstring held = DriverDirectory() + L"\\TVLabel1.GPD";
    HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    const DWORD removed = RunMsiexec(L"/x C:\\Prinstall.msi /qn /norestart /l*v C:\\msi-held-remove.log");
    CloseHandle(file);
    EXPECT_EQ(removed, 3010u);
    EXPECT_TRUE(LogHas(L"C:\\msi-held-remove.log", Utf8(held) + " will be removed at the next restart."));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});
    EXPECT_FALSE(Exists(kFolder));
}

// Someone created the folder first and planted a program of a higher file version (a copy of
// the prefix's setx.exe, 10.0, against the package's 4.x) as Prinstall.exe, which Windows'
// default file versioning would keep and RunPrinstall would start as SYSTEM: the package's own
// program replaces it, the folder is restricted before the files go in, and whatever lay in it
// goes (a planted file held open fails the package). Wine replaces the file even by default
// and keeps no restriction (docs/wine.md): the log shows the action.
TEST(WindowsInstallerPackage, APlantedProgramIsReplacedAndTheFolderRestricted) {
    const std::wstring installed = std::wstring(kFolder) + L"\\Prinstall.exe";
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CreateDirectoryW(kFolder, nullptr)) << GetLastError();
    ASSERT_TRUE(CopyFileW((std::wstring(system, length) + L"\\setx.exe").c_str(), installed.c_str(), TRUE))
        << GetLastError();
    const std::wstring planted = std::wstring(kFolder) + L"\\Win32\\version.dll";
    ASSERT_TRUE(CreateDirectoryW((std::wstring(kFolder) + L"\\Win32").c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(CopyFileW(installed.c_str(), planted.c_str(), TRUE)) << GetLastError();
    // Held open, the planted program cannot go before the package would start it: the package
    // fails and nothing is installed.
    const HANDLE held =
        CreateFileW(installed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();
    const DWORD refused = RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-held.log");
    CloseHandle(held);
    EXPECT_TRUE(refused == 1603u || refused == 1627u) << refused;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_TRUE(LogHas(L"C:\\msi-held.log", "which was there before the package: error 32"));

    EXPECT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-planted.log"), 0u);
    EXPECT_EQ(FileBytes(installed), FileBytes(L"C:\\Prinstall-package.exe"));
    EXPECT_FALSE(Exists(planted)) << "what lay in the folder before the package must go";
    EXPECT_TRUE(
        LogHas(L"C:\\msi-planted.log", "SecureFolder: restricted C:\\TORVA EPL Printer 2.X to the administrators"));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:"});
    EXPECT_EQ(RunMsiexec(L"/x C:\\Prinstall.msi /qn /l*v C:\\msi-planted-remove.log"), 0u);
}

}  // namespace
}  // namespace e2e
