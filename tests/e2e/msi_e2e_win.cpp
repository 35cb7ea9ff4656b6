// The Windows Installer package under Wine's msiexec: the files in C:\TORVA EPL Printer 2.X,
// the program's /install with the public properties and its lines in the msiexec log, the
// package's entry as the one visible in the list of installed programs, msiexec /x taking away
// what the package made (ending with 3010 when a file goes at the next restart) and leaving
// queues made outside it, a failed installation rolled back, a major upgrade keeping the
// queues, a program planted in the folder beforehand replaced and what lay there moved aside,
// a repair that moves nothing, and the properties reaching the program as one argument each
// whatever they hold. The prefix holds the
// package as C:\Prinstall.msi, a newer version of it as C:\Prinstall-next.msi, the package
// with a failing last action as C:\Prinstall-failing.msi, the package's program as
// C:\Prinstall-package.exe, the program's folder as a technician carries it in C:\Technician
// and no installation folder (tests/e2e/msi.cmake).
#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/single_instance_win.h"
#include "core/entry_names.h"
#include "core/interface_kind.h"
#include "harness_win.h"
#include "msi_arguments.h"
#include "platform/basic_win.h"
#include "platform/text_win.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

const wchar_t kFolder[] = L"C:\\TORVA EPL Printer 2.X";
// The package's entry: the tests' packages carry the stand-in media, and say so.
const char kEntry[] = "TORVA EPL Printer 2.X (stand-in media)";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kNextPackage[] = L"C:\\Prinstall-next.msi";
const wchar_t kTechnician[] = L"C:\\Technician";
constexpr DWORD kMsiexecTimeoutMs = 240000;

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Runs `program` with `arguments` from `folder`; its exit code, or ~0 when it did not end in
// time.
DWORD Run(const std::wstring& program, const std::wstring& arguments, const wchar_t* folder = L"C:\\") {
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                        &info)) {
        ADD_FAILURE() << Utf8(program) << " did not start: " << GetLastError();
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

// Runs the system folder's msiexec.exe with `arguments`.
DWORD RunMsiexec(const std::wstring& arguments) {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_GT(length, 0u);
    return Run(std::wstring(system, length) + L"\\msiexec.exe", arguments);
}

// A technician's run of the program with `arguments`: the program makes its folder from
// C:\Technician (/prepare), runs from it, and the folder goes again. The program's exit code.
DWORD RunTechnician(const std::wstring& arguments) {
    wchar_t system[MAX_PATH];
    const std::wstring folder(system, GetSystemDirectoryW(system, MAX_PATH));
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(Run(std::wstring(kTechnician) + L"\\Prinstall.exe", L"/prepare", kTechnician), 0u);
    const DWORD exitCode = Run(std::wstring(kFolder) + L"\\Prinstall.exe", arguments, kFolder);
    EXPECT_EQ(Run(folder + L"\\cmd.exe", L"/c rmdir /s /q \"" + std::wstring(kFolder) + L"\""), 0u);
    EXPECT_FALSE(Exists(kFolder));
    return exitCode;
}

// A property of a package, read from its Property table; empty when it cannot be read.
std::wstring PackageProperty(const wchar_t* package, const wchar_t* name) {
    MSIHANDLE database = 0, view = 0, record = 0;
    std::wstring value;
    if (MsiOpenDatabaseW(package, MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS) return value;
    const std::wstring query = L"SELECT `Value` FROM `Property` WHERE `Property` = '" + std::wstring(name) + L"'";
    if (MsiDatabaseOpenViewW(database, query.c_str(), &view) == ERROR_SUCCESS && MsiViewExecute(view, 0) == 0 &&
        MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        wchar_t text[256] = {};
        DWORD size = 256;
        if (MsiRecordGetStringW(record, 1, text, &size) == ERROR_SUCCESS) value = text;
        MsiCloseHandle(record);
    }
    if (view != 0) MsiCloseHandle(view);
    MsiCloseHandle(database);
    return value;
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

// The msiexec log as ANSI text: a UTF-16 log (Wine's) loses its zero bytes.
std::string LogText(const wchar_t* log) {
    std::string bytes = FileBytes(log);
    if (bytes.size() > 1 && (bytes[1] == '\0' || bytes.rfind("\xff\xfe", 0) == 0)) {
        bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    }
    return bytes;
}

// Whether the msiexec log holds `text` (an ASCII line of the program's).
bool LogHas(const wchar_t* log, const std::string& text) { return LogText(log).find(text) != std::string::npos; }

// Where the log says SecureFolder moved `path`; empty when it says nothing of it.
std::wstring MovedTo(const wchar_t* log, const std::wstring& path) {
    const std::string text = LogText(log);
    const std::string said = "SecureFolder: moved " + Utf8(path) + ", which was there before the package, to ";
    const std::size_t at = text.find(said);
    if (at == std::string::npos) return L"";
    const std::size_t from = at + said.size();
    const std::string to = text.substr(from, text.find_first_of("\r\n", from) - from);
    return prinstall::Widen(to);
}

// Deletes a folder with everything in it (cmd's rmdir).
void DeleteFolder(const std::wstring& folder) {
    wchar_t system[MAX_PATH];
    const std::wstring cmd = std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\cmd.exe";
    EXPECT_EQ(Run(cmd, L"/c rmdir /s /q \"" + folder + L"\""), 0u);
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

// A queue's comment and the orientation of its printing defaults (0 without defaults).
struct Settings {
    std::wstring comment;
    short orientation = 0;
    bool operator==(const Settings&) const = default;
};

// Reads a queue's settings (level 2); with `change`, gives it `change`'s instead, as a
// technician does in its properties and printing preferences. False when that failed.
bool QueueSettings(const wchar_t* queue, Settings& settings, const Settings* change = nullptr) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(queue), &printer, &access)) return false;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    bool done = needed > 0 && GetPrinterW(printer, 2, buffer.data(), needed, &needed);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    if (done && change != nullptr) {
        std::wstring comment = change->comment;
        DEVMODEW fresh{};
        if (info->pDevMode == nullptr) {
            fresh.dmSize = sizeof fresh;
            fresh.dmSpecVersion = DM_SPECVERSION;
            lstrcpynW(fresh.dmDeviceName, queue, CCHDEVICENAME);
            info->pDevMode = &fresh;
        }
        info->pDevMode->dmFields |= DM_ORIENTATION;
        info->pDevMode->dmOrientation = change->orientation;
        info->pComment = comment.data();
        info->pSecurityDescriptor = nullptr;  // kept as it is
        done = SetPrinterW(printer, 2, buffer.data(), 0) != FALSE;
        ClosePrinter(printer);
        return done && QueueSettings(queue, settings);
    }
    if (done) {
        settings.comment = info->pComment != nullptr ? info->pComment : L"";
        settings.orientation = info->pDevMode != nullptr ? info->pDevMode->dmOrientation : 0;
    }
    ClosePrinter(printer);
    return done;
}

TEST(WindowsInstallerPackage, InstallsTwoCopiesAndRemovesEverything) {
    ASSERT_TRUE(Exists(L"C:\\Prinstall.msi"));
    ASSERT_FALSE(Exists(kFolder)) << "the package must bring the folder itself";

    // Without a port the launch condition refuses, before anything is installed.
    EXPECT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn /l*v C:\\msi-noport.log"), 1603u);
    EXPECT_FALSE(Exists(kFolder));

    // A value the program refuses, and another run holding the program's single-run claim,
    // fail the package before any file is copied: nothing was ever in the folder, and the
    // error message says which. Windows ends with 1603 then; Wine's msiexec with 1627.
    const DWORD refused = RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: COPIES=501 /l*v C:\\msi-refused.log");
    EXPECT_TRUE(refused == 1603u || refused == 1627u) << refused;
    EXPECT_TRUE(LogHas(L"C:\\msi-refused.log",
                       "CheckBeforeFiles: Nothing was installed: /copies needs a number from 1 to 500. "
                       "(Prinstall.exe's exit code 1639"));
    EXPECT_FALSE(LogHas(L"C:\\msi-refused.log", "InstallFiles"));
    EXPECT_FALSE(Exists(kFolder));
    {
        prinstall::WinSingleRunObjects running;
        prinstall::WinDebugLog debug;
        ASSERT_EQ(prinstall::ClaimSingleRun(running, debug), prinstall::SingleRun::Claimed);
        const DWORD held = RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-held-claim.log");
        EXPECT_TRUE(held == 1603u || held == 1627u) << held;
    }
    EXPECT_TRUE(LogHas(L"C:\\msi-held-claim.log", std::string("CheckBeforeFiles: Nothing was installed: ") +
                                                      prinstall::kAlreadyRunning.english +
                                                      " (Prinstall.exe's exit code 1618"));
    EXPECT_FALSE(LogHas(L"C:\\msi-held-claim.log", "InstallFiles"));
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});

    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: COPIES=2 /l*v C:\\msi.log"), 0u);
    const std::vector<std::string> expected = {"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:",
                                               "TORVA Label Printer 2\tTORVA Label Printer #2\tCOM1:"};
    EXPECT_EQ(LabelQueues(), expected);
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Prinstall.exe"));
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Win32\\UNIDRV.DLL"));
    EXPECT_TRUE(Exists(std::wstring(kFolder) + L"\\Win64\\TVPortMon.dll"));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{kEntry});
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

// A major upgrade: the newer package over the older one, with no port property, is let through
// and leaves one package, one entry. No USB printer is attached under Wine: USB=1 searches,
// fails the package and leaves nothing.
TEST(WindowsInstallerPackage, ANewerPackageReplacesTheOlderAndUsbWithoutAPrinterFails) {
    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-old.log"), 0u);
    ASSERT_EQ(RunMsiexec(std::wstring(L"/i ") + kNextPackage + L" /qn /l*v C:\\msi-next.log"), 0u);
    // One package registered: the older one's entry (shown as well) is gone.
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{kEntry});
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

// A major upgrade keeps the package's queue as it is (name, port, comment, printing defaults)
// and stages its driver again: no second copy, one entry. Windows runs the older version's
// removal inside the newer one's installation with UPGRADINGPRODUCTCODE set, so that removal
// leaves the queues to the newer version. Wine 8's RemoveExistingProducts starts
// "msiexec /qn /i {older} REMOVE=ALL" in a process of its own instead, without that property,
// and the older removal takes them (README, Windows Installer package). So the test runs the two halves of
// Windows' upgrade one after the other: the older version's removal as the upgrade runs it,
// then the newer package with the older version found as FindRelatedProducts finds it.
TEST(WindowsInstallerPackage, AMajorUpgradeKeepsTheQueuesAndStagesTheirDriverAgain) {
    const std::wstring older = PackageProperty(L"C:\\Prinstall.msi", L"ProductCode");
    const std::wstring newer = PackageProperty(kNextPackage, L"ProductCode");
    ASSERT_FALSE(older.empty());
    ASSERT_FALSE(newer.empty());
    ASSERT_NE(older, newer);
    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-kept.log"), 0u);
    const Settings changed{L"Shipping desk, left", DMORIENT_LANDSCAPE};
    Settings before;
    ASSERT_TRUE(QueueSettings(L"TORVA Label Printer", before, &changed)) << GetLastError();
    ASSERT_EQ(before, changed);
    const std::vector<std::wstring> driverFiles = NumberedFiles(DriverDirectory(), 1);
    ASSERT_FALSE(driverFiles.empty());
    ASSERT_TRUE(DeleteFileW(driverFiles.front().c_str())) << GetLastError();

    EXPECT_EQ(RunMsiexec(L"/x C:\\Prinstall.msi /qn UPGRADINGPRODUCTCODE=" + newer + L" /l*v C:\\msi-kept-old.log"),
              0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:"});
    EXPECT_EQ(RunMsiexec(std::wstring(L"/i ") + kNextPackage + L" /qn WIX_UPGRADE_DETECTED=" + older +
                         L" /l*v C:\\msi-kept-new.log"),
              0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:"});
    Settings after;
    EXPECT_TRUE(QueueSettings(L"TORVA Label Printer", after));
    EXPECT_EQ(after, changed);
    EXPECT_EQ(NumberedFiles(DriverDirectory(), 1), driverFiles) << "the driver's files are staged again";
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{kEntry});

    EXPECT_EQ(RunMsiexec(std::wstring(L"/x ") + kNextPackage + L" /qn /l*v C:\\msi-kept-remove.log"), 0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X"));
}

// After the package's installation, an administrator renames one of its printers, deletes the
// other and makes another maker's queue under that one's name. The upgrade (its two halves, as
// above) finds the renamed printer by its driver and stages the driver again with the defaults
// given at installation, the printer's record following its new name; the package's removal
// takes it and leaves the other maker's queue, which only took a recorded name.
TEST(WindowsInstallerPackageRenames, ARenamedPrinterIsUpgradedAndRemovedAndAQueueThatTookANameStays) {
    const std::wstring older = PackageProperty(L"C:\\Prinstall.msi", L"ProductCode");
    const std::wstring newer = PackageProperty(kNextPackage, L"ProductCode");
    const std::wstring records = L"SOFTWARE\\TORVA\\EPL Printer 2.X\\Printers\\";
    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: COPIES=2 DEFAULTS=Darkness=Level12 "
                         L"/l*v C:\\msi-renamed.log"),
              0u);
    ASSERT_EQ(RenameQueue(L"TORVA Label Printer", L"Shipping Desk"), 0u);
    ASSERT_EQ(DeleteQueue(L"TORVA Label Printer 2"), 0u);
    ASSERT_EQ(AddForeignDriver(), 0u);
    ASSERT_EQ(AddQueue(L"TORVA Label Printer 2", kForeignDriver), 0u);
    const std::wstring gpd = DriverDirectory() + L"\\TVLabel1.GPD";
    ASSERT_TRUE(DeleteFileW(gpd.c_str())) << GetLastError();

    EXPECT_EQ(RunMsiexec(L"/x C:\\Prinstall.msi /qn UPGRADINGPRODUCTCODE=" + newer + L" /l*v C:\\msi-renamed-old.log"),
              0u);
    EXPECT_EQ(RunMsiexec(std::wstring(L"/i ") + kNextPackage + L" /qn WIX_UPGRADE_DETECTED=" + older +
                         L" /l*v C:\\msi-renamed-new.log"),
              0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"Shipping Desk\tTORVA Label Printer #1\tCOM1:"});
    EXPECT_NE(FileBytes(gpd).find("*DefaultOption: Level12\r\n"), std::string::npos);
    EXPECT_TRUE(KeyExists((records + L"Shipping Desk").c_str()));
    EXPECT_FALSE(KeyExists((records + L"TORVA Label Printer").c_str()));
    EXPECT_TRUE(LogHas(L"C:\\msi-renamed-new.log",
                       "The printer \"TORVA Label Printer 2\" has the name of a printer this program installed but "
                       "not its driver \"TORVA Label Printer #2\": it is not this program's and stays."));

    EXPECT_EQ(RunMsiexec(std::wstring(L"/x ") + kNextPackage + L" /qn /l*v C:\\msi-renamed-remove.log"), 0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    std::vector<QueueRecord> queues;
    ASSERT_EQ(ListQueues(&queues), 0u);
    EXPECT_TRUE(std::any_of(queues.begin(), queues.end(), [](const QueueRecord& q) {
        return q.printerName == L"TORVA Label Printer 2" && q.driverName == kForeignDriver;
    }));
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X"));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});
    EXPECT_EQ(DeleteQueue(L"TORVA Label Printer 2"), 0u);
    EXPECT_EQ(DeleteDriver(kForeignDriver), 0u);
}

// The package takes only what it made. A technician's queue, made with the program's command
// line before, stays when a later step of the package's installation fails (the package with a
// failing last action: Windows Installer rolls back, and the rollback action runs
// "/uninstall /owner:{upgrade code}") and when the package is removed; the technician's own
// /uninstall /all then takes it and the shared pieces. Windows runs the rollback script in
// reverse order, so the rollback action runs while the program is still in its folder. Wine 8
// takes the installed files back first (measured: the action finds no program, error 3), so
// here the failed run's two copies stay, recorded for the package: the package's next
// installation adopts them, and its removal takes them.
TEST(WindowsInstallerPackage, QueuesMadeOutsideThePackageStay) {
    // While a technician's printer needs the program in the folder it made, the package (whose
    // removal would delete that program) refuses the folder and says whose it is.
    const std::wstring program = std::wstring(kFolder) + L"\\Prinstall.exe";
    ASSERT_EQ(e2e::Run(std::wstring(kTechnician) + L"\\Prinstall.exe", L"/prepare", kTechnician), 0u);
    ASSERT_EQ(e2e::Run(program, L"/install /port:COM2: /noentry", kFolder), 0u);
    const DWORD refused = RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-technician.log");
    EXPECT_TRUE(refused == 1603u || refused == 1627u) << refused;
    EXPECT_TRUE(
        LogHas(L"C:\\msi-technician.log", "was made by Prinstall.exe for printers installed outside this package"));
    // Windows keeps the folder as the refused package found it; Wine's take-back of the failed
    // package deletes it (docs/wine.md), and the technician makes it again.
    if (!Exists(program))
        ASSERT_EQ(e2e::Run(std::wstring(kTechnician) + L"\\Prinstall.exe", L"/prepare", kTechnician), 0u);
    EXPECT_EQ(e2e::Run(program, L"/uninstall /all", kFolder), 0u);
    DeleteFolder(kFolder);

    ASSERT_EQ(RunTechnician(L"/install /port:COM2: /noentry"), 0u);
    const std::vector<std::string> technician = {"TORVA Label Printer\tTORVA Label Printer #1\tCOM2:"};
    ASSERT_EQ(LabelQueues(), technician);

    const DWORD failed = RunMsiexec(L"/i C:\\Prinstall-failing.msi /qn PORT=COM1: COPIES=2 /l*v C:\\msi-rollback.log");
    EXPECT_TRUE(failed == 1603u || failed == 1627u) << failed;
    EXPECT_TRUE(LogHas(L"C:\\msi-rollback.log", "\"TORVA Label Printer 3\" installed"));
    EXPECT_TRUE(LogHas(L"C:\\msi-rollback.log", "Action start") && LogHas(L"C:\\msi-rollback.log", "UndoInstall"));
    const std::vector<std::string> afterRollback = LabelQueues();
    ASSERT_FALSE(afterRollback.empty());
    EXPECT_EQ(afterRollback.front(), technician.front());
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});

    // The package's next installation adopts the copies of its run that stayed (Wine) instead of
    // adding one; with none left (Windows) it installs its copy.
    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-beside.log"), 0u);
    EXPECT_EQ(LabelQueues().size(), afterRollback.size() == 1 ? 2u : afterRollback.size());
    EXPECT_EQ(RunMsiexec(L"/x C:\\Prinstall.msi /qn /l*v C:\\msi-beside-remove.log"), 0u);
    EXPECT_EQ(LabelQueues(), technician);
    EXPECT_EQ(NumberedFiles(DriverDirectory(), 2), std::vector<std::wstring>{});
    EXPECT_EQ(NumberedFiles(DriverDirectory(), 3), std::vector<std::wstring>{});
    EXPECT_FALSE(Exists(kFolder));
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});

    EXPECT_EQ(RunTechnician(L"/uninstall /all"), 0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port"));
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X"));
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
    const DWORD removed = RunMsiexec(L"/x C:\\Prinstall.msi /qn /l*v C:\\msi-held-remove.log");
    CloseHandle(file);
    EXPECT_EQ(removed, 3010u);
    EXPECT_TRUE(LogHas(L"C:\\msi-held-remove.log", Utf8(held) + " will be removed at the next restart."));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(ShownEntries(), std::vector<std::string>{});
    EXPECT_FALSE(Exists(kFolder));
}

// A queue the spooler keeps after its deletion (jobs, a labelling program holding it): the
// program's removal fails, and so does the package's. Windows rolls the failed removal back and
// the package stays installed, to be removed again once the jobs have ended. Wine 8 leaves the
// files but forgets the product after a failed removal (measured), so here the program left in
// its folder finishes the job with the package's owner, as the README says.
TEST(WindowsInstallerPackage, AQueueThatOutlivesItsDeletionFailsThePackagesRemoval) {
    const std::wstring owner = PackageProperty(L"C:\\Prinstall.msi", L"UpgradeCode");
    ASSERT_FALSE(owner.empty());
    ASSERT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-pending.log"), 0u);
    HANDLE job = HoldJob(L"TORVA Label Printer");
    ASSERT_NE(job, nullptr) << GetLastError();
    ASSERT_TRUE(LockQueueKey(L"TORVA Label Printer", true));
    const DWORD refused = RunMsiexec(L"/x C:\\Prinstall.msi /qn /l*v C:\\msi-pending-remove.log");
    EXPECT_TRUE(refused == 1603u || refused == 1627u) << refused;
    EXPECT_TRUE(LogHas(L"C:\\msi-pending-remove.log", "remove it again when its jobs have ended"));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:"});
    EXPECT_TRUE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X\\Printers\\TORVA Label Printer"));
    const std::wstring program = std::wstring(kFolder) + L"\\Prinstall.exe";
    ASSERT_TRUE(Exists(program.c_str()));

    EndHeldJob(job);
    ASSERT_TRUE(LockQueueKey(L"TORVA Label Printer", false));
    EXPECT_EQ(e2e::Run(program, L"/uninstall \"/owner:" + owner + L"\"", kFolder), 0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA"));
    wchar_t system[MAX_PATH];
    const std::wstring cmd = std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\cmd.exe";
    EXPECT_EQ(e2e::Run(cmd, L"/c rmdir /s /q \"" + std::wstring(kFolder) + L"\""), 0u);
}

// Someone created the folder first and planted a program of a higher file version (a copy of
// the prefix's setx.exe, 10.0, against the package's 4.x) as Prinstall.exe, which Windows'
// default file versioning would keep and RunPrinstall would start as SYSTEM: the package's own
// program replaces it, the folder is restricted before the files go in, and whatever lay in it
// is moved aside where the log says (a planted file held open fails the package). Wine replaces
// the file even by default and keeps no restriction (docs/wine.md): the log shows the action.
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
    EXPECT_TRUE(LogHas(L"C:\\msi-held.log", "aside, which was there before the package: error 32"));

    EXPECT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn PORT=COM1: /l*v C:\\msi-planted.log"), 0u);
    EXPECT_EQ(FileBytes(installed), FileBytes(L"C:\\Prinstall-package.exe"));
    EXPECT_FALSE(Exists(planted)) << "what lay in the folder before the package must go";
    // The held run may have moved Win32 before it failed: it is then named in that run's log.
    std::wstring win32 = MovedTo(L"C:\\msi-planted.log", std::wstring(kFolder) + L"\\Win32");
    if (win32.empty()) win32 = MovedTo(L"C:\\msi-held.log", std::wstring(kFolder) + L"\\Win32");
    ASSERT_FALSE(win32.empty());
    EXPECT_EQ(FileBytes(win32 + L"\\version.dll"), FileBytes(std::wstring(system, length) + L"\\setx.exe"));
    const std::wstring program = MovedTo(L"C:\\msi-planted.log", installed);
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(FileBytes(program), FileBytes(std::wstring(system, length) + L"\\setx.exe"));
    EXPECT_TRUE(
        LogHas(L"C:\\msi-planted.log", "SecureFolder: restricted C:\\TORVA EPL Printer 2.X to the administrators"));
    EXPECT_TRUE(LogHas(L"C:\\msi-planted.log", "SecureFolder: made C:\\TORVA EPL Printer 2.X for the administrators"));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:"});
    EXPECT_EQ(RunMsiexec(L"/x C:\\Prinstall.msi /qn /l*v C:\\msi-planted-remove.log"), 0u);
    DeleteFolder(win32.substr(0, win32.rfind(L'\\')));
    DeleteFolder(program.substr(0, program.rfind(L'\\')));
}

// A user's file in a folder of that name survives the package's first installation, moved
// aside where the log says; a repair afterwards moves and deletes nothing and puts back the
// package's own file that went missing. The installation's QUEUENAME holds quotes and spaces
// and reaches the program as one /name; its DEFAULTS reach it as one /default per pair.
TEST(WindowsInstallerPackage, WhatLayInTheFolderIsMovedAsideAndARepairKeepsEverything) {
    ASSERT_TRUE(CreateDirectoryW(kFolder, nullptr)) << GetLastError();
    const std::wstring notes = std::wstring(kFolder) + L"\\notes.txt";
    std::ofstream(notes.c_str(), std::ios::binary) << "the user's own";

    // Through Windows Installer's own API, which takes the properties as msiexec hands them on:
    // Wine's msiexec drops the doubled quotes of its command line (docs/wine.md).
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    ASSERT_EQ(MsiEnableLogW(INSTALLLOGMODE_VERBOSE | INSTALLLOGMODE_INFO, L"C:\\msi-moved.log", 0), 0u);
    ASSERT_EQ(MsiInstallProductW(L"C:\\Prinstall.msi",
                                 L"PORT=COM1: QUEUENAME=\"Front \"\"Desk\"\" 2\" "
                                 L"DEFAULTS=\"darkness=Level3;PaperSize=LABEL_2X1;\""),
              0u);
    MsiEnableLogW(0, nullptr, 0);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"Front \"Desk\" 2\tTORVA Label Printer #1\tCOM1:"});
    const std::string gpd = FileBytes(DriverDirectory() + L"\\TVLabel1.GPD");
    EXPECT_NE(gpd.find("*DefaultOption: Level3\r\n"), std::string::npos) << gpd;
    EXPECT_NE(gpd.find("*DefaultOption: LABEL_2X1\r\n"), std::string::npos) << gpd;
    EXPECT_FALSE(Exists(notes));
    const std::wstring moved = MovedTo(L"C:\\msi-moved.log", notes);
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(FileBytes(moved), "the user's own");

    const std::wstring later = std::wstring(kFolder) + L"\\later.txt";
    std::ofstream(later.c_str(), std::ios::binary) << "written after the installation";
    const std::wstring lost = std::wstring(kFolder) + L"\\Win32\\UNIDRV.DLL";
    ASSERT_TRUE(DeleteFileW(lost.c_str())) << GetLastError();
    // A repair of every feature (msiexec /fa; Wine's /fa takes no package path: 1605).
    EXPECT_EQ(RunMsiexec(L"/i C:\\Prinstall.msi /qn REINSTALL=ALL /l*v C:\\msi-repair.log"), 0u);
    EXPECT_EQ(FileBytes(later), "written after the installation");
    EXPECT_TRUE(Exists(lost));
    EXPECT_FALSE(LogHas(L"C:\\msi-repair.log", "SecureFolder: moved"));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"Front \"Desk\" 2\tTORVA Label Printer #1\tCOM1:"});

    EXPECT_EQ(RunMsiexec(L"/x C:\\Prinstall.msi /qn /l*v C:\\msi-moved-remove.log"), 0u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(FileBytes(later), "written after the installation") << "the removal takes the package's files only";
    DeleteFolder(kFolder);
    DeleteFolder(moved.substr(0, moved.rfind(L'\\')));
}

// The custom actions hand every argument on as it is: through CustomActionData (tabs and
// escape characters in a value escaped) and through the program's command line (quoted for
// the program's own split), whatever quotes, backslashes and blanks it holds.
TEST(WindowsInstallerPackage, ArgumentsReachTheProgramAsTheyAre) {
    const std::vector<std::wstring> arguments = {L"/name:Front \"Desk\" 2",
                                                 L"/log:C:\\a folder\\",
                                                 L"\\\\\"",
                                                 L"a\\\\\"\"b\\c",
                                                 L"",
                                                 L"\"",
                                                 L"tab\there",
                                                 L"\x1b\t\x1b",
                                                 L"/port:COM1:"};
    std::wstring data = L"C:\\TORVA EPL Printer 2.X\\Prinstall.exe";
    for (const std::wstring& argument : arguments) data += L'\t' + prinstall::msi::EncodeArgument(argument);
    const std::vector<std::wstring> decoded = prinstall::msi::DecodeArguments(data);
    ASSERT_EQ(decoded.size(), arguments.size() + 1);
    EXPECT_EQ(std::vector<std::wstring>(decoded.begin() + 1, decoded.end()), arguments);

    // The program is given what follows its own path.
    const std::wstring line = prinstall::msi::CommandLine(decoded);
    const std::wstring path = prinstall::msi::QuoteArgument(decoded.front()) + L" ";
    ASSERT_EQ(line.rfind(path, 0), 0u);
    std::vector<std::string> expected;
    for (const std::wstring& argument : arguments) expected.push_back(prinstall::Narrow(argument));
    EXPECT_EQ(prinstall::SplitArguments(prinstall::Narrow(line.substr(path.size()))), expected);
}

}  // namespace
}  // namespace e2e
