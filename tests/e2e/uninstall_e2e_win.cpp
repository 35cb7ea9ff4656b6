// Removal through the real Prinstall.exe: label-printer queues, their drivers and numbered
// files, the port monitor and the uninstall entry put into the prefix as an installation
// leaves them; then Uninstallation, the removal dialog driven by control id, its result
// dialog, and the main dialog afterwards. Each suite runs in a fresh prefix.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness_win.h"
#include "resource.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

const wchar_t kMainTitleEnglish[] = L"TORVA EPL Printer Driver Installation / Uninstallation Program";
const wchar_t kMainTitleKorean[] = L"토르바스 EPL 프린터 드라이버 설치/삭제";
const wchar_t kRemovalTitleEnglish[] = L"Delete printer driver Dialog";
const wchar_t kRemovalTitleKorean[] = L"프린터 드라이버 삭제 창";
const wchar_t kCompleteTitle[] = L"Uninstallation complete !!!";
const wchar_t kMonitor[] = L"TORVA LABEL USB Port";
const wchar_t kLabelPort[] = L"USB/TORVA Label Port";
const wchar_t kEntryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX";
const wchar_t kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port";

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The files of copy n in the driver directory and its version folder "3".
int NumberedFiles(int n) {
    const std::wstring number = std::to_wstring(n);
    int count = 0;
    for (const std::wstring& folder : {DriverDirectory(), DriverDirectory() + L"\\3"}) {
        for (const std::wstring& name : {L"TVLabel" + number + L".GPD", L"TVLabel" + number + L".DLL",
                                         L"TVLabelE" + number + L".DLL", L"TVLabelUI" + number + L".DLL"}) {
            count += FileExists(folder + L"\\" + name);
        }
    }
    return count;
}

bool HasDriver(const std::wstring& name) {
    const std::vector<std::wstring> drivers = DriverNames();
    return std::find(drivers.begin(), drivers.end(), name) != drivers.end();
}

std::vector<std::wstring> QueueNames() {
    std::vector<QueueRecord> queues;
    EXPECT_EQ(ListQueues(&queues), 0u);
    std::vector<std::wstring> names;
    for (const QueueRecord& q : queues) names.push_back(q.printerName);
    std::sort(names.begin(), names.end());
    return names;
}

// The entries of the removal dialog's list, as the program put them there.
std::vector<std::wstring> ListEntries(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_PRINTER_LIST);
    std::vector<std::wstring> entries;
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// A click into the check box of entry `name`, as the operator makes it; false when there is
// no such entry or the box did not take the tick.
bool TickEntry(HWND dialog, const std::wstring& name) {
    const std::vector<std::wstring> entries = ListEntries(dialog);
    const auto found = std::find(entries.begin(), entries.end(), name);
    if (found == entries.end()) return false;
    const auto index = static_cast<WPARAM>(found - entries.begin());
    HWND list = GetDlgItem(dialog, IDC_PRINTER_LIST);
    RECT item = {};
    if (SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR) return false;
    const LPARAM point = MAKELPARAM(item.left + 3, (item.top + item.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
    // A sent message is handled before the posted click, so being answered says nothing
    // about the click: wait for the box itself.
    for (DWORD waited = 0; waited < kWindowTimeoutMs; waited += 50) {
        if (SendMessageW(list, LB_GETITEMDATA, index, 0) == 1) return true;
        Sleep(50);
    }
    return false;
}

// Runs this test program again with `arguments`; its exit code, or ~0 when it did not run.
DWORD RunThisProgram(const std::wstring& arguments) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return ~0u;
    WaitForSingleObject(info.hProcess, kExitTimeoutMs);
    DWORD code = ~0u;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

// Run by the fixture below in a process of its own: the label printer's port monitor from the
// media, as the Install command adds it.
TEST(UninstallSetUp, DISABLED_AddPortMonitor) {
    const std::wstring media = L"C:\\TORVA EPL Printer 2.X\\Win32\\";
    for (const wchar_t* module : {L"TVPortMon.dll", L"TVPortMonUI.dll"}) {
        ASSERT_TRUE(CopyFileW((media + module).c_str(), (SystemFolder() + L"\\" + module).c_str(), FALSE));
    }
    MONITOR_INFO_2W monitor = {const_cast<wchar_t*>(kMonitor), nullptr, const_cast<wchar_t*>(L"TVPortMon.dll")};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) << GetLastError();
}

// The label printer's port monitor, added as the Install command adds it. Under Wine every
// process that asks the spooler about monitors loads their modules itself, and a module
// loaded here could not be deleted by the program. So a child process adds the monitor, and
// this one asks only the registry about it.
void AddPortMonitor() {
    ASSERT_EQ(RunThisProgram(L"--gtest_also_run_disabled_tests --gtest_filter=UninstallSetUp.DISABLED_AddPortMonitor"),
              0u);
    ASSERT_TRUE(KeyExists(kMonitorKey));
}

void AddUninstallEntry() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t name[] = L"TORVA Label 2.XX";
    RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
    RegCloseKey(key);
}

std::wstring PortOf(const std::wstring& printer) {
    std::vector<QueueRecord> queues;
    EXPECT_EQ(ListQueues(&queues), 0u);
    for (const QueueRecord& q : queues) {
        if (q.printerName == printer) return q.portName;
    }
    return L"(no such queue)";
}

void Shot(HWND window, const wchar_t* name) {
    const Screenshot shot = SaveScreenshot(window, name);
    EXPECT_FALSE(shot.path.empty()) << Utf8(shot.error);
    EXPECT_GE(shot.colours, 4) << Utf8(name) << " looks blank";
}

// Waits until the main dialog's control shows `text` (the main dialog updates it once the
// removal dialog has ended).
bool WaitForText(HWND dialog, int id, const std::wstring& text) {
    for (int i = 0; i < 200; ++i) {
        if (ControlText(dialog, id) == text) return true;
        Sleep(50);
    }
    return false;
}

// Copies 1 and 2 on the label printer's USB port, the port monitor from the media and the
// uninstall entry, as two USB installations leave them.
class Installed : public ::testing::Test {
protected:
    void SetUp() override {
        AddPortMonitor();
        AddUninstallEntry();
        for (int n : {1, 2}) ASSERT_EQ(AddLabelDriver(n), 0u) << n;
        ASSERT_EQ(AddQueue(L"TORVA Label Printer", LabelDriverName(1), kLabelPort), 0u);
        ASSERT_EQ(AddQueue(L"Shipping", LabelDriverName(2), kLabelPort), 0u);
        ASSERT_EQ(NumberedFiles(2), 8);
    }

    // Clicks Uninstallation and waits for the removal dialog.
    HWND OpenRemoval(HWND main, const wchar_t* title) {
        EXPECT_TRUE(PostCommand(main, IDC_UNINSTALL));
        HWND removal = program_.WaitForWindow(title);
        EXPECT_NE(removal, nullptr) << "no removal dialog";
        return removal;
    }

    // Delete printer, then OK on the completion report; the removal dialog ends with it.
    // `queuesRemoved`: the status line tells of queues deleted.
    void DeleteAndConfirm(HWND removal, const wchar_t* shot, bool queuesRemoved = true) {
        ASSERT_TRUE(ControlEnabled(removal, IDC_DELETE_PRINTER));
        ASSERT_TRUE(PostCommand(removal, IDC_DELETE_PRINTER));
        HWND result = program_.WaitForWindow(kCompleteTitle);
        ASSERT_NE(result, nullptr) << "no completion report";
        EXPECT_EQ(ControlText(result, IDC_RESULT_MESSAGE), L"Uninstallation completed. ");
        if (queuesRemoved) {
            EXPECT_EQ(ControlText(removal, IDC_STATUS), L"Delete Printer Driver Ended");
        }
        if (shot) Shot(result, shot);
        ASSERT_TRUE(PostCommand(result, IDOK));
        EXPECT_TRUE(WaitForWindowGone(result));
        EXPECT_TRUE(WaitForWindowGone(removal)) << "the removal dialog stayed after OK";
    }

    ProgramRun program_;
};

class UninstallEnglish : public Installed {};

TEST_F(UninstallEnglish, OneQueueGoesThenTheLastWithEntryAndPortMonitor) {
    ASSERT_EQ(program_.Start(), 0u);
    HWND main = program_.WaitForWindow(kMainTitleEnglish);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_DRIVER_NAME), L"TORVA Label Printer 3");

    HWND removal = OpenRemoval(main, kRemovalTitleEnglish);
    ASSERT_NE(removal, nullptr);
    std::vector<std::wstring> entries = ListEntries(removal);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"Shipping", L"TORVA Label Printer"}));
    EXPECT_EQ(ControlText(removal, IDC_SELECT_ALL), L"Select &All");
    EXPECT_EQ(ControlText(removal, IDC_DELETE_PRINTER), L"&Delete printer");
    EXPECT_EQ(ControlText(removal, IDOK), L"&Close");
    EXPECT_FALSE(ControlVisible(removal, IDCANCEL));
    EXPECT_FALSE(ControlEnabled(removal, IDC_DELETE_PRINTER));
    Shot(removal, L"uninstall-en");
    ExpectAccessible(removal, "removal dialog");

    ASSERT_TRUE(TickEntry(removal, L"Shipping"));
    EXPECT_TRUE(ControlEnabled(removal, IDC_DELETE_PRINTER));
    Shot(removal, L"uninstall-en-ticked");
    DeleteAndConfirm(removal, L"uninstall-result-en");
    EXPECT_EQ(QueueNames(), std::vector<std::wstring>{L"TORVA Label Printer"});
    EXPECT_FALSE(HasDriver(LabelDriverName(2)));
    EXPECT_EQ(NumberedFiles(2), 0);
    EXPECT_EQ(NumberedFiles(1), 8);
    EXPECT_TRUE(KeyExists(kMonitorKey));
    EXPECT_TRUE(KeyExists(kEntryKey));
    EXPECT_TRUE(WaitForText(main, IDC_DRIVER_NAME, L"TORVA Label Printer 2"));
    EXPECT_TRUE(ControlVisible(main, IDC_UNINSTALL));

    removal = OpenRemoval(main, kRemovalTitleEnglish);
    ASSERT_NE(removal, nullptr);
    EXPECT_EQ(ListEntries(removal), std::vector<std::wstring>{L"TORVA Label Printer"});
    ASSERT_TRUE(ClickButton(removal, IDC_SELECT_ALL));
    DeleteAndConfirm(removal, nullptr);
    EXPECT_TRUE(QueueNames().empty());
    EXPECT_FALSE(HasDriver(LabelDriverName(1)));
    EXPECT_EQ(NumberedFiles(1), 0);
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));  // Wine's DeleteMonitor takes the key along
    EXPECT_FALSE(FileExists(SystemFolder() + L"\\TVPortMon.dll"));
    EXPECT_FALSE(FileExists(SystemFolder() + L"\\TVPortMonUI.dll"));
    EXPECT_TRUE(WaitForText(main, IDC_DRIVER_NAME, L"TORVA Label Printer"));
    EXPECT_FALSE(ControlVisible(main, IDC_UNINSTALL));

    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program_.WaitForExit(&exitCode));
}

// With nothing to remove the dialog says so and ends at once; the main dialog stays as it is.
TEST(UninstallNothingInstalled, SaysSoAndLeavesTheMainDialogAlone) {
    ProgramRun program;
    ASSERT_EQ(program.Start(), 0u);
    HWND main = program.WaitForWindow(kMainTitleEnglish);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(ControlVisible(main, IDC_UNINSTALL));
    SendMessageW(GetDlgItem(main, IDC_DRIVER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Typed"));
    ASSERT_TRUE(PostCommand(main, IDC_UNINSTALL));
    HWND box = program.WaitForWindow(L"Uninstallation Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(FindProcessWindow(program.ProcessId(), kRemovalTitleEnglish), nullptr);
    ASSERT_TRUE(PostCommand(box, IDOK));
    EXPECT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(WaitUntilIdle(main));
    EXPECT_EQ(ControlText(main, IDC_DRIVER_NAME), L"Typed");
    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.WaitForExit(&exitCode));
}

class UninstallKorean : public Installed {};

// Close deletes nothing but still counts as OK: the main dialog proposes the next name again.
TEST_F(UninstallKorean, KoreanDialogAndCloseStillRefreshesTheMainDialog) {
    ASSERT_EQ(program_.Start(), 0u);
    HWND main = program_.WaitForWindow(kMainTitleKorean);
    ASSERT_NE(main, nullptr);
    SendMessageW(GetDlgItem(main, IDC_DRIVER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Typed"));

    HWND removal = OpenRemoval(main, kRemovalTitleKorean);
    ASSERT_NE(removal, nullptr);
    EXPECT_EQ(ControlText(removal, IDOK), L"확인");
    EXPECT_EQ(ControlText(removal, IDCANCEL), L"취소");
    EXPECT_EQ(ControlText(removal, IDC_SELECT_ALL), L"전체 선택");
    EXPECT_EQ(ControlText(removal, IDC_DELETE_PRINTER), L"드라이버 삭제");
    EXPECT_EQ(ControlText(removal, IDC_PROGRESS_LABEL), L"Progress Status : ");
    EXPECT_EQ(ListEntries(removal).size(), 2u);
    ASSERT_TRUE(TickEntry(removal, L"Shipping"));
    Shot(removal, L"uninstall-ko");

    ASSERT_TRUE(PostCommand(removal, IDOK));
    EXPECT_TRUE(WaitForWindowGone(removal));
    EXPECT_TRUE(WaitForText(main, IDC_DRIVER_NAME, L"TORVA Label Printer 3"));
    EXPECT_TRUE(ControlVisible(main, IDC_UNINSTALL));
    EXPECT_EQ(QueueNames().size(), 2u);
    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program_.WaitForExit(&exitCode));
}

// What interrupted installations leave: copies 1 and 2 registered with their numbered files,
// the port monitor and the uninstall entry, but no queue. The removal still reaches them all.
class LeftoverDrivers : public Installed {
protected:
    void SetUp() override {
        Installed::SetUp();
        for (const wchar_t* queue : {L"TORVA Label Printer", L"Shipping"}) ASSERT_EQ(DeleteQueue(queue), 0u);
        ASSERT_TRUE(QueueNames().empty());
    }
};

TEST_F(LeftoverDrivers, DeletePrinterTakesDriversFilesEntryAndPortMonitor) {
    ASSERT_EQ(program_.Start(), 0u);
    HWND main = program_.WaitForWindow(kMainTitleEnglish);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(ControlVisible(main, IDC_UNINSTALL)) << "the leftovers are out of reach";

    HWND removal = OpenRemoval(main, kRemovalTitleEnglish);
    ASSERT_NE(removal, nullptr);
    EXPECT_TRUE(ListEntries(removal).empty());
    DeleteAndConfirm(removal, nullptr, false);
    for (int n : {1, 2}) {
        EXPECT_FALSE(HasDriver(LabelDriverName(n))) << n;
        EXPECT_EQ(NumberedFiles(n), 0) << n;
    }
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_FALSE(FileExists(SystemFolder() + L"\\TVPortMon.dll"));
    EXPECT_TRUE(WaitForText(main, IDC_DRIVER_NAME, L"TORVA Label Printer"));
    EXPECT_FALSE(ControlVisible(main, IDC_UNINSTALL));

    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program_.WaitForExit(&exitCode));
}

// Nothing from the program's folder runs. Stand-ins named rundll32.exe, net.exe and cmd.exe
// and a WINSPOOL.DRV lie beside the program; ctest runs this with
// WINEDLLOVERRIDES=winspool.drv=n,b, so that Wine, as Windows does, would take that library
// from there. Through the real program: a network printer installed (its Standard TCP/IP port
// restarts the spooler), then removed as the last label queue, which moves another maker's
// queue off the label port and removes the port monitor. None of the stand-ins ran.
class PlantedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring built(self);
        built = built.substr(0, built.find_last_of(L'\\') + 1) + L"planted\\";
        ASSERT_TRUE(CopyFileW((built + L"WINSPOOL.DRV").c_str(), (folder_ + L"WINSPOOL.DRV").c_str(), FALSE));
        for (const wchar_t* name : {L"rundll32.exe", L"net.exe", L"cmd.exe"}) {
            ASSERT_TRUE(CopyFileW((built + L"planted-program.exe").c_str(), (folder_ + name).c_str(), FALSE))
                << GetLastError();
        }
    }

    // Also after a step that failed: a stand-in that ran is the likeliest reason.
    void TearDown() override {
        for (const wchar_t* marker : {L"planted-program-ran.txt", L"planted-library-ran.txt"}) {
            EXPECT_FALSE(FileExists(folder_ + marker)) << Utf8(marker);
        }
    }

    const std::wstring folder_ = std::wstring(kInstallFolder) + L"\\";
};

TEST_F(PlantedFiles, NothingFromTheProgramsFolderRuns) {
    AddPortMonitor();
    ASSERT_EQ(AddForeignDriver(), 0u);
    ASSERT_EQ(AddQueue(L"Shipping", kForeignDriver, kLabelPort), 0u);
    ASSERT_EQ(AddStandardTcpIpMonitorKey(), 0u);

    ProgramRun program;
    ASSERT_EQ(program.Start(), 0u);
    HWND main = program.WaitForWindow(kMainTitleEnglish);
    ASSERT_NE(main, nullptr) << "no main dialog; still running: " << program.Running();
    ASSERT_TRUE(InstallOnNetwork(program, main, 20));
    HWND installed = program.WaitForWindow(L"Installation complete !!!");
    ASSERT_NE(installed, nullptr) << "no completion result";
    EXPECT_EQ(PortOf(L"TORVA Label Printer"), L"IP_192.168.0.20");
    ASSERT_TRUE(PostCommand(installed, IDOK));
    ASSERT_TRUE(WaitForWindowGone(installed));

    ASSERT_TRUE(WaitForText(main, IDC_INSTALL, L"Add Printer Driver"));
    ASSERT_TRUE(PostCommand(main, IDC_UNINSTALL));
    HWND removal = program.WaitForWindow(kRemovalTitleEnglish);
    ASSERT_NE(removal, nullptr);
    ASSERT_TRUE(TickEntry(removal, L"TORVA Label Printer"));
    ASSERT_TRUE(PostCommand(removal, IDC_DELETE_PRINTER));
    HWND removed = program.WaitForWindow(kCompleteTitle);
    ASSERT_NE(removed, nullptr) << "no completion report";
    EXPECT_NE(PortOf(L"Shipping"), kLabelPort) << "the removal did not move the queue off the label port";
    ASSERT_TRUE(PostCommand(removed, IDOK));
    ASSERT_TRUE(WaitForWindowGone(removal));
    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.WaitForExit(&exitCode));
}

}  // namespace
}  // namespace e2e
