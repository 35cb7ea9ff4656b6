// The whole installation through the real Prinstall.exe: Installation, the port dialog,
// staging and registration against the prefix's spooler, the result dialog, and the main
// dialog afterwards.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness_win.h"
#include "resource.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

const wchar_t kMainTitle[] = L"TORVA EPL Printer Driver Installation / Uninstallation Program";
const wchar_t kPortTitle[] = L"Select Printer's Port Infomation Dialog";
const wchar_t kResultTitle[] = L"Installation complete !!!";
const wchar_t kErrorTitle[] = L"Installation Error !!!";

bool HasQueue(const std::wstring& printer, const std::wstring& port, const std::wstring& driver) {
    std::vector<QueueRecord> queues;
    if (ListQueues(&queues) != 0) return false;
    return std::any_of(queues.begin(), queues.end(), [&](const QueueRecord& q) {
        return q.printerName == printer && q.portName == port && q.driverName == driver;
    });
}

std::string QueueList() {
    std::vector<QueueRecord> queues;
    ListQueues(&queues);
    std::string out;
    for (const QueueRecord& q : queues) {
        for (const std::wstring* field : {&q.printerName, &q.portName, &q.driverName}) {
            out += std::string(field->begin(), field->end()) + " | ";
        }
        out += "\n";
    }
    return out;
}

std::wstring UninstallDisplayName() {
    wchar_t value[128] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX",
                     L"DisplayName", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"(missing)";
    }
    return value;
}

void Shot(HWND window, const wchar_t* name) {
    Screenshot shot = SaveScreenshot(window, name);
    EXPECT_FALSE(shot.path.empty());
    EXPECT_GE(shot.colours, 4);
}

// The label-printer drivers ("TORVA Label Printer #<n>") registered for an environment.
std::vector<std::wstring> LabelDrivers(const wchar_t* environment = nullptr) {
    std::vector<std::wstring> found;
    for (const std::wstring& name : DriverNames(environment)) {
        if (name.rfind(L"TORVA Label Printer #", 0) == 0) found.push_back(name);
    }
    return found;
}

// Waits for the result dialog titled `title`. Message boxes the program shows on the way
// (with its own caption, "Prinstall") are confirmed with OK; their texts go to `messages`
// for the failure report.
HWND WaitForResult(const ProgramRun& program, const wchar_t* title, std::wstring* messages) {
    for (DWORD waited = 0; waited < kWindowTimeoutMs && program.Running(); waited += 100) {
        if (HWND result = FindProcessWindow(program.ProcessId(), title))
            return WaitUntilIdle(result) ? result : nullptr;
        if (HWND box = FindProcessWindow(program.ProcessId(), L"Prinstall")) {
            *messages += MessageBoxText(box) + L"\n";
            PostCommand(box, IDOK);
            WaitForWindowGone(box);
        }
        Sleep(100);
    }
    return nullptr;
}

// Starts the program and installs one copy on COM1: (Installation, Serial, OK), which must
// end in the error result: that, or nullptr with the failure reported.
HWND FailedInstallationOnComOne(ProgramRun& program, HWND* main) {
    *main = program.Start() == 0 ? program.WaitForWindow(kMainTitle) : nullptr;
    HWND port = *main && PostCommand(*main, IDC_INSTALL) ? program.WaitForWindow(kPortTitle) : nullptr;
    if (!port || !ClickButton(port, IDC_PORT_SERIAL) || !PostCommand(port, IDOK)) {
        ADD_FAILURE() << "no way to COM1: (main dialog " << *main << ", port dialog " << port << ")";
        return nullptr;
    }
    std::wstring messages;
    HWND result = WaitForResult(program, kErrorTitle, &messages);
    if (!result) ADD_FAILURE() << "no error result; messages: " << Utf8(messages);
    return result;
}

// OK on a failure's result; the program then ends (or its main dialog is left to close).
void ConfirmAndEnd(const ProgramRun& program, HWND result, HWND main) {
    ASSERT_TRUE(PostCommand(result, IDOK));
    ASSERT_TRUE(WaitForWindowGone(result));
    if (IsWindow(main)) ClickButton(main, IDC_EXIT);
    DWORD exitCode = 0;
    EXPECT_TRUE(program.WaitForExit(&exitCode));
}

TEST(InstallationEnglish, OneCopyOnComOneFromTheButtonToTheResult) {
    ProgramRun program;
    ASSERT_EQ(program.Start(), 0u);
    HWND main = program.WaitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_DRIVER_NAME), L"TORVA Label Printer");

    // The port dialog is modal: the click is posted so this test does not wait on it.
    ASSERT_TRUE(PostCommand(main, IDC_INSTALL));
    HWND port = program.WaitForWindow(kPortTitle);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(ClickButton(port, IDC_PORT_SERIAL));
    Shot(port, L"install-port-serial-en");
    ASSERT_TRUE(PostCommand(port, IDOK));

    HWND result = program.WaitForWindow(kResultTitle);
    ASSERT_NE(result, nullptr) << "no completion result";
    EXPECT_EQ(ControlText(result, 1040), L"Installation completed. ");
    EXPECT_TRUE(HasQueue(L"TORVA Label Printer", L"COM1:", L"TORVA Label Printer #1"));
    EXPECT_EQ(UninstallDisplayName(), L"TORVA Label 2.XX");
    EXPECT_EQ(ControlText(main, IDC_DRIVER_NAME), L"TORVA Label Printer 2");
    Shot(result, L"install-result-en");
    ASSERT_TRUE(PostCommand(result, IDOK));
    ASSERT_TRUE(WaitForWindowGone(result));

    // OK on the completion renames the button and offers the removal.
    for (int i = 0; i < 100 && ControlText(main, IDC_INSTALL) != L"Add Printer Driver"; ++i) Sleep(100);
    EXPECT_EQ(ControlText(main, IDC_INSTALL), L"Add Printer Driver");
    EXPECT_TRUE(ControlVisible(main, IDC_UNINSTALL));
    EXPECT_TRUE(ControlEnabled(main, IDC_EXIT));
    Shot(main, L"install-main-after-en");
    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.WaitForExit(&exitCode));
}

// A network printer: the address asked for in the port dialog, the Standard TCP/IP port's
// key and values written, the spooler restarted, and the queue on the port "IP_<address>".
// Wine has no Standard TCP/IP monitor, so its key is made here for the address check, and
// the port itself never shows in the spooler's port list (Wine accepts any port name).
TEST(InstallationNetwork, NetworkPrinterGetsItsStandardTcpIpPort) {
    ASSERT_EQ(AddStandardTcpIpMonitorKey(), 0u);

    ProgramRun program;
    ASSERT_EQ(program.Start(), 0u);
    HWND main = program.WaitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(InstallOnNetwork(program, main, 10));

    HWND result = program.WaitForWindow(kResultTitle);
    ASSERT_NE(result, nullptr) << "no completion result";
    EXPECT_TRUE(HasQueue(L"TORVA Label Printer", L"IP_192.168.0.10", L"TORVA Label Printer #1")) << QueueList();
    const wchar_t* key =
        L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.10";
    wchar_t address[64] = {};
    DWORD size = sizeof(address) - sizeof(wchar_t);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key, L"IPAddress", RRF_RT_REG_SZ, nullptr, address, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(address, L"192.168.0.10");
    DWORD portNumber = 0;
    size = sizeof(portNumber);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key, L"PortNumber", RRF_RT_REG_DWORD, nullptr, &portNumber, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(portNumber, 9100u);
    DWORD state = 0;
    EXPECT_EQ(SpoolerState(&state), 0u);
    EXPECT_EQ(state, static_cast<DWORD>(SERVICE_RUNNING)) << "the spooler is running again after its restart";
    ASSERT_TRUE(PostCommand(result, IDOK));
    ASSERT_TRUE(WaitForWindowGone(result));
    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.WaitForExit(&exitCode));
}

// A second start while the program runs changes nothing: it brings the running main dialog
// back from the task bar, says why in a box with the program's title, and ends with 1618
// (another installation is in progress).
void SecondStartIsRefused(const wchar_t* mainTitle, const wchar_t* text, const wchar_t* shot) {
    ProgramRun first;
    ASSERT_EQ(first.Start(), 0u);
    HWND main = first.WaitForWindow(mainTitle);
    ASSERT_NE(main, nullptr);
    // The dialog is on screen once its start-up is done.
    for (int i = 0; i < 400 && !IsWindowVisible(main); ++i) Sleep(50);
    ASSERT_TRUE(IsWindowVisible(main));
    // The operator puts it on the task bar. A modal dialog is shown (SW_SHOWNORMAL) the first
    // time its message queue runs empty, which undoes a minimise that came before that: so the
    // minimise counts once the dialog has been idle after it.
    bool minimised = false;
    for (int attempt = 0; attempt < 5 && !minimised; ++attempt) {
        ShowWindow(main, SW_MINIMIZE);
        for (int i = 0; i < 40 && !IsIconic(main); ++i) Sleep(50);
        Sleep(200);
        minimised = WaitUntilIdle(main) && IsIconic(main);
    }
    ASSERT_TRUE(minimised);

    ProgramRun second;
    ASSERT_EQ(second.Start(), 0u);
    HWND box = second.WaitForWindow(mainTitle);
    ASSERT_NE(box, nullptr) << "the second start showed nothing; still running: " << second.Running();
    EXPECT_EQ(MessageBoxText(box), text);
    EXPECT_FALSE(IsIconic(main)) << "the running program's dialog was not restored";
    Shot(box, shot);
    ASSERT_TRUE(PostCommand(box, IDOK));
    DWORD exitCode = 0;
    ASSERT_TRUE(second.WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, 1618u);

    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(ControlText(main, IDC_DRIVER_NAME), L"TORVA Label Printer");
    EXPECT_TRUE(LabelDrivers().empty());
    EXPECT_EQ(QueueList(), "");
    EXPECT_EQ(UninstallDisplayName(), L"(missing)");
    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    EXPECT_TRUE(first.WaitForExit(&exitCode));
}

TEST(SecondStartEnglish, RefusedWhileTheFirstRuns) {
    SecondStartIsRefused(kMainTitle, L"The printer driver installation program is already running.",
                         L"second-start-en");
}

TEST(SecondStartKorean, RefusedWhileTheFirstRuns) {
    SecondStartIsRefused(L"토르바스 EPL 프린터 드라이버 설치/삭제",
                         L"프린터 드라이버 설치 프로그램이 이미 실행 중입니다.", L"second-start-ko");
}

// Queue names compare without regard to case, as the spooler's do: another maker's queue
// "torva label printer" makes the proposed "TORVA Label Printer" a name in use, and stays
// as it was.
TEST(InstallationNameInUse, QueueOfAnotherDriverDifferingOnlyInCaseIsKept) {
    ASSERT_EQ(AddForeignDriver(), 0u);
    ASSERT_EQ(AddQueue(L"torva label printer", kForeignDriver, L"LPT1:"), 0u);

    ProgramRun program;
    ASSERT_EQ(program.Start(), 0u);
    HWND main = program.WaitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(main, IDC_DRIVER_NAME), L"TORVA Label Printer");
    ASSERT_TRUE(PostCommand(main, IDC_INSTALL));
    std::wstring messages;
    HWND result = WaitForResult(program, kErrorTitle, &messages);
    ASSERT_NE(result, nullptr) << "no error result; messages: " << Utf8(messages);
    EXPECT_EQ(ControlText(result, IDC_RESULT_MESSAGE),
              L"There are printer driver to install. You must install it under a different name.");
    EXPECT_TRUE(HasQueue(L"torva label printer", L"LPT1:", kForeignDriver)) << QueueList();
    EXPECT_TRUE(LabelDrivers().empty());
    ConfirmAndEnd(program, result, main);
}

// The GPD template missing from the media: refused before anything is installed, and the
// result names the file.
TEST(InstallationMissingTemplate, ErrorNamesTheFileAndNothingOfTheCopyStays) {
    ASSERT_TRUE(DeleteFileW(L"C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel.GPD"));
    ProgramRun program;
    HWND main = nullptr;
    HWND result = FailedInstallationOnComOne(program, &main);
    ASSERT_NE(result, nullptr);
    const std::wstring text = ControlText(result, IDC_RESULT_MESSAGE);
    EXPECT_NE(text.find(L"TVLabel.GPD"), std::wstring::npos) << Utf8(text);
    EXPECT_TRUE(LabelDrivers().empty());
    EXPECT_EQ(QueueList(), "");
    EXPECT_TRUE(NumberedFiles(DriverDirectory(), 1).empty());
    ConfirmAndEnd(program, result, main);
}

// A queue the spooler will not create. Wine runs the spooler inside the 32-bit program: in a
// 64-bit prefix the program registers the driver for "Windows x64", as it must, but AddPrinter
// looks for the queue's driver under x86 and fails for real (1797). The copy's driver and
// numbered files must go again, in both environments' folders. Wine's spooler, inside the
// 32-bit program, cannot load the 64-bit monitor either, and a refused monitor fails the copy
// before AddPrinter: the monitor is made known beforehand, as one an earlier installation left.
TEST(InstallationQueueRefused, NoDriverOrNumberedFileOfTheCopyStays) {
    const wchar_t module[] = L"TVPortMon.dll";
    const wchar_t monitor[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, monitor, L"Driver", REG_SZ, module, sizeof module), ERROR_SUCCESS);
    // The monitor made known here goes again with the test, whatever its end: the proof kit
    // runs the next suite on the same machine.
    struct Forget {
        const wchar_t* key;
        ~Forget() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, key); }
    } forget{monitor};
    ProgramRun program;
    HWND main = nullptr;
    HWND result = FailedInstallationOnComOne(program, &main);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(ControlText(result, IDC_RESULT_MESSAGE),
              L"Failure to AddPrinter GetLastError()=1797\n"
              L"Probable cause: the driver is made for another processor, or Windows blocked it.");
    for (const wchar_t* environment : {L"Windows x64", L"Windows NT x86"}) {
        const std::wstring folder = DriverDirectory(environment);
        ASSERT_FALSE(folder.empty()) << Utf8(environment);
        EXPECT_TRUE(LabelDrivers(environment).empty()) << Utf8(environment);
        for (const std::wstring& left : NumberedFiles(folder, 1)) ADD_FAILURE() << "left behind: " << Utf8(left);
    }
    ConfirmAndEnd(program, result, main);
}

}  // namespace
}  // namespace e2e
