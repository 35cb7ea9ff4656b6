// Unattended runs of the real Prinstall.exe, as a deployment tool starts it: by full path,
// with arguments, no display at all (the ctest entries run with NO_DISPLAY), standard output
// and error sent to files, and the whole 32-bit exit code read from the process (the shell
// sees only its low 8 bits through wine). Every run is checked for a window attempt: with no
// display, Wine reports one on the Unix standard error that the test bed hands this program
// as PRINSTALL_WINE_STDERR, each line headed by the process id.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/single_instance_win.h"
#include "core/single_instance.h"
#include "harness_win.h"
#include "platform/basic_win.h"
#include "prinstall_version.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

const wchar_t kEntryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX";
// The detection value, the same whatever the interface language (a 32-bit prefix has one view).
const wchar_t kDetectionKey[] = L"SOFTWARE\\TORVA\\EPL Printer 2.X";
const wchar_t kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\TORVA LABEL USB Port";
const char kWindowAttempt[] = "Application tried to create a window";
constexpr DWORD kRunTimeoutMs = 180000;

struct CommandRun {
    DWORD startError = 0;  // CreateProcessW's error; 0 when the program started
    bool ended = false;    // false when it was still running after the time limit
    DWORD exitCode = ~0u;
    std::string output;           // standard output, as written
    std::string errorOutput;      // standard error, as written
    std::string wineDiagnostics;  // Wine's own lines about this process
};

std::string ReadFrom(const wchar_t* path, LONGLONG offset = 0) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER start{};
    start.QuadPart = offset;
    SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
    std::string text;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0) text.append(block, read);
    CloseHandle(file);
    return text;
}

std::wstring WineStderrPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"PRINSTALL_WINE_STDERR", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? path : L"";
}

LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

HANDLE InheritableFile(const wchar_t* path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
}

// Starts Prinstall.exe from C:\ (not its own folder) with `arguments` and waits for it.
CommandRun RunPrinstall(const std::wstring& arguments) {
    const wchar_t kOut[] = L"C:\\prinstall-stdout.txt";
    const wchar_t kErr[] = L"C:\\prinstall-stderr.txt";
    CommandRun run;
    HANDLE out = InheritableFile(kOut);
    HANDLE err = InheritableFile(kErr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    const std::wstring diagnostics = WineStderrPath();
    const LONGLONG diagnosticsBefore = FileSize(diagnostics);
    std::wstring command = L"\"" + std::wstring(kProgramPath) + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(kProgramPath, command.data(), nullptr, nullptr, TRUE, 0, nullptr, L"C:\\", &startup, &info)) {
        run.startError = GetLastError();
    }
    CloseHandle(out);
    CloseHandle(err);
    if (run.startError != 0) return run;
    run.ended = WaitForSingleObject(info.hProcess, kRunTimeoutMs) == WAIT_OBJECT_0;
    if (!run.ended) {
        TerminateProcess(info.hProcess, 0xDEAD);
        WaitForSingleObject(info.hProcess, kExitTimeoutMs);
    }
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    run.output = ReadFrom(kOut);
    run.errorOutput = ReadFrom(kErr);
    char pid[16];
    std::snprintf(pid, sizeof pid, "%04lx:", info.dwProcessId);
    std::istringstream lines(ReadFrom(diagnostics.c_str(), diagnosticsBefore));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(pid, 0) == 0) run.wineDiagnostics += line + "\n";
    }
    return run;
}

// Runs the program and checks what every command-line run must do: end on its own, without
// any attempt at a window.
CommandRun RunWithoutWindow(const std::wstring& arguments) {
    CommandRun run = RunPrinstall(arguments);
    const std::string shown = Utf8(arguments);
    EXPECT_EQ(run.startError, 0u) << shown;
    EXPECT_TRUE(run.ended) << shown << ": still running after " << kRunTimeoutMs / 1000 << " s";
    EXPECT_EQ(run.wineDiagnostics.find(kWindowAttempt), std::string::npos) << shown << "\n" << run.wineDiagnostics;
    EXPECT_EQ(run.errorOutput.find(kWindowAttempt), std::string::npos) << shown;
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::wstring RegString(const wchar_t* key, const wchar_t* name) {
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"(missing)";
    }
    return value;
}

DWORD RegDword(const wchar_t* key, const wchar_t* name) {
    DWORD value = ~0u;
    DWORD size = sizeof value;
    RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// Numbered files of copies 1 to 3 left in the driver directory or its version folder.
std::vector<std::wstring> NumberedFiles() {
    std::vector<std::wstring> found;
    for (int n = 1; n <= 3; ++n) {
        for (const std::wstring& path : e2e::NumberedFiles(DriverDirectory(), n)) found.push_back(path);
    }
    return found;
}

std::string Joined(const std::vector<std::wstring>& items) {
    std::string out;
    for (const std::wstring& item : items) out += Utf8(item) + "\n";
    return out;
}

TEST(CommandLineWithoutDisplay, InstallsTwoCopiesListsThemAndRemovesEverything) {
    ASSERT_FALSE(WineStderrPath().empty()) << "run this suite through prinstall_wine_test(... NO_DISPLAY)";
    DeleteFileW(L"C:\\deploy.log");

    const CommandRun install = RunWithoutWindow(L"/install /port:COM1: /copies:2 /log:C:\\deploy.log");
    EXPECT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << install.output;
    // A development build carries no digests of the media.
    EXPECT_NE(install.output.find("The installation media were not verified"), std::string::npos) << install.output;
    const std::vector<std::string> expected = {"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:",
                                               "TORVA Label Printer 2\tTORVA Label Printer #2\tCOM1:"};
    EXPECT_EQ(LabelQueues(), expected);
    EXPECT_EQ(RegString(kEntryKey, L"DisplayName"), L"TORVA Label 2.XX");
    EXPECT_NE(RegString(kEntryKey, L"UninstallString"), L"(missing)");
    EXPECT_EQ(RegString(kEntryKey, L"QuietUninstallString"),
              L"\"C:\\TORVA EPL Printer 2.X\\Prinstall.exe\" /uninstall /all /quiet");
    EXPECT_EQ(RegString(kEntryKey, L"DisplayVersion"), L"4.70");
    EXPECT_EQ(RegString(kEntryKey, L"Publisher"), L"TORVA");
    EXPECT_EQ(RegString(kEntryKey, L"InstallLocation"), L"C:\\TORVA EPL Printer 2.X");
    EXPECT_EQ(RegString(kEntryKey, L"DisplayIcon"), L"C:\\TORVA EPL Printer 2.X\\Prinstall.exe,0");
    EXPECT_EQ(RegDword(kEntryKey, L"NoModify"), 1u);
    EXPECT_EQ(RegDword(kEntryKey, L"NoRepair"), 1u);
    // The folder holds the program and the media: some hundred KB at least.
    EXPECT_GT(RegDword(kEntryKey, L"EstimatedSize"), 16u);
    EXPECT_LT(RegDword(kEntryKey, L"EstimatedSize"), 1024u * 1024u);
    EXPECT_TRUE(std::regex_match(Utf8(RegString(kEntryKey, L"InstallDate")), std::regex("20[0-9]{6}")));

    // A new log starts with the UTF-8 byte-order mark; then one timestamped line per step, the
    // last with the outcome and the exit code.
    const std::string written = ReadFrom(L"C:\\deploy.log");
    ASSERT_EQ(written.rfind("\xEF\xBB\xBF", 0), 0u);
    const std::vector<std::string> log = Lines(written.substr(3));
    ASSERT_GE(log.size(), 2u);
    const std::regex stamped("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} .+");
    for (const std::string& line : log) EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    EXPECT_TRUE(std::regex_search(log.back(), std::regex("exit code:? ?0\\)?\\.?$", std::regex::icase))) << log.back();

    const CommandRun list = RunWithoutWindow(L"/list");
    EXPECT_EQ(list.exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
    std::vector<std::string> listed = Lines(list.output);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected) << list.output;

    const CommandRun uninstall = RunWithoutWindow(L"/uninstall /all");
    EXPECT_EQ(uninstall.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << uninstall.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    const std::vector<std::wstring> drivers = DriverNames();
    EXPECT_EQ(std::count_if(drivers.begin(), drivers.end(),
                            [](const std::wstring& d) { return d.rfind(L"TORVA Label Printer #", 0) == 0; }),
              0)
        << Joined(drivers);
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_EQ(NumberedFiles(), std::vector<std::wstring>{}) << Joined(NumberedFiles());
}

// A network printer: the Standard TCP/IP port's key and values, and the queue on its port.
// Wine has no Standard TCP/IP monitor and no ControlSet001; the key that the address check
// looks for is made here (docs/wine.md).
TEST(CommandLineWithoutDisplay, InstallsANetworkPrinterOnItsStandardTcpIpPort) {
    HKEY monitor = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              L"SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &monitor, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(monitor);

    const CommandRun install = RunWithoutWindow(L"/install /ip:192.168.0.20");
    EXPECT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << install.output;
    const wchar_t key[] =
        L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_192.168.0.20";
    EXPECT_EQ(RegString(key, L"IPAddress"), L"192.168.0.20");
    EXPECT_EQ(RegDword(key, L"PortNumber"), 9100u);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tIP_192.168.0.20"});

    // A port that exists keeps its settings: another queue may print through them.
    const std::wstring existing = std::wstring(key, wcslen(key) - wcslen(L"20")) + L"21";
    const DWORD otherPort = 9101;
    HKEY port = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, existing.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &port, nullptr),
        ERROR_SUCCESS);
    RegSetValueExW(port, L"PortNumber", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&otherPort), sizeof otherPort);
    RegCloseKey(port);
    const CommandRun beside = RunWithoutWindow(L"/install /ip:192.168.0.21");
    EXPECT_EQ(beside.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << beside.output;
    EXPECT_EQ(RegDword(existing.c_str(), L"PortNumber"), otherPort);
    EXPECT_EQ(RegString(existing.c_str(), L"IPAddress"), L"(missing)");

    // A host name and another raw port. Wine has no Standard TCP/IP monitor to ask, so the
    // port is made through its key, with the name where the monitor looks names up.
    EXPECT_EQ(RunWithoutWindow(L"/install /ip:label_07.example").exitCode,
              static_cast<DWORD>(prinstall::kExitInvalidCommandLine));
    EXPECT_EQ(RunWithoutWindow(L"/install /ip:label-07.example /ipport:65536").exitCode,
              static_cast<DWORD>(prinstall::kExitInvalidCommandLine));
    const std::wstring named = std::wstring(key, wcslen(key) - wcslen(L"192.168.0.20")) + L"label-07.example";
    EXPECT_FALSE(KeyExists(named.c_str()));
    const CommandRun byName = RunWithoutWindow(L"/install /ip:label-07.example /ipport:9101");
    EXPECT_EQ(byName.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << byName.output;
    EXPECT_EQ(RegString(named.c_str(), L"HostName"), L"label-07.example");
    EXPECT_EQ(RegString(named.c_str(), L"IPAddress"), L"");
    EXPECT_EQ(RegDword(named.c_str(), L"PortNumber"), 9101u);
    const std::vector<std::string> queues = LabelQueues();
    ASSERT_FALSE(queues.empty());
    EXPECT_EQ(queues.back(), "TORVA Label Printer 3\tTORVA Label Printer #3\tIP_label-07.example");

    // The port this program made goes with the last queue on it; the one that was there stays.
    const wchar_t records[] = L"SOFTWARE\\TORVA\\EPL Printer 2.X\\Printers\\";
    EXPECT_EQ(RegDword((std::wstring(records) + L"TORVA Label Printer").c_str(), L"PortCreated"), 1u);
    EXPECT_EQ(RegDword((std::wstring(records) + L"TORVA Label Printer 2").c_str(), L"PortCreated"), 0u);
    EXPECT_EQ(RunWithoutWindow(L"/uninstall /all").exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
    EXPECT_FALSE(KeyExists(key));
    EXPECT_FALSE(KeyExists(named.c_str()));
    EXPECT_TRUE(KeyExists(existing.c_str()));
}

// A deployment tool's cycle, in English and in Korean (the uninstall entry's key differs
// between them): the installation found by the one detection value, run again with /ifmissing
// without adding a copy, and the value gone with the removal.
TEST(CommandLineWithoutDisplay, InstallsOnceWithIfMissingAndIsDetectedInEitherLanguage) {
    const CommandRun first = RunWithoutWindow(L"/install /port:COM1: /ifmissing");
    EXPECT_EQ(first.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << first.output;
    EXPECT_EQ(RegDword(kDetectionKey, L"Installed"), 1u);
    EXPECT_EQ(RegString(kDetectionKey, L"Version"), L"" PRINSTALL_VERSION_TEXT);
    EXPECT_EQ(KeyExists(kEntryKey), GetACP() != 949);  // a Korean PC has only the Korean-named entry

    const CommandRun again = RunWithoutWindow(L"/install /port:com1: /ifmissing");
    EXPECT_EQ(again.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << again.output;
    EXPECT_NE(again.output.find("\"TORVA Label Printer\""), std::string::npos) << again.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:"});

    const CommandRun uninstall = RunWithoutWindow(L"/uninstall /all");
    EXPECT_EQ(uninstall.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << uninstall.output;
    EXPECT_FALSE(KeyExists(kDetectionKey));
}

// One printer at a time, as one deployment app per printer runs it: by name, with an owner,
// detected by name, moved by a second deployment, and removed alone.
TEST(CommandLineWithoutDisplay, DeploysDetectsMovesAndRemovesPrintersOneAtATime) {
    const wchar_t kRecords[] = L"SOFTWARE\\TORVA\\EPL Printer 2.X\\Printers";
    for (const wchar_t* name : {L"Front Desk", L"Back Office"}) {
        const CommandRun install =
            RunWithoutWindow(L"/install /port:COM1: \"/name:" + std::wstring(name) + L"\" /ifmissing /owner:{A1}");
        EXPECT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << install.output;
    }
    EXPECT_EQ(LabelQueues(), (std::vector<std::string>{"Back Office\tTORVA Label Printer #2\tCOM1:",
                                                       "Front Desk\tTORVA Label Printer #1\tCOM1:"}));
    const std::wstring frontRecord = std::wstring(kRecords) + L"\\Front Desk";
    EXPECT_EQ(RegString(frontRecord.c_str(), L"Driver"), L"TORVA Label Printer #1");
    EXPECT_EQ(RegString(frontRecord.c_str(), L"Owner"), L"{A1}");
    EXPECT_EQ(RegDword(frontRecord.c_str(), L"PortCreated"), 0u);

    // Detection prints one line for a recorded printer and nothing otherwise; always 0.
    const struct {
        const wchar_t* arguments;
        std::string output;
    } detections[] = {
        {L"/detect \"/name:front desk\"", "Front Desk\tTORVA Label Printer #1\tCOM1:"},
        {L"/detect \"/name:Back Office\" /port:COM1:", "Back Office\tTORVA Label Printer #2\tCOM1:"},
        {L"/detect \"/name:Back Office\" /port:LPT1:", ""},
        {L"/detect /name:Missing", ""},
    };
    for (const auto& d : detections) {
        const CommandRun detect = RunWithoutWindow(d.arguments);
        EXPECT_EQ(detect.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << Utf8(d.arguments);
        EXPECT_EQ(Lines(detect.output),
                  d.output.empty() ? std::vector<std::string>{} : std::vector<std::string>{d.output})
            << Utf8(d.arguments);
    }
    EXPECT_EQ(RunWithoutWindow(L"/detect").exitCode, static_cast<DWORD>(prinstall::kExitInvalidCommandLine));

    // The same deployment again changes nothing; onto another port it moves the queue.
    const CommandRun again = RunWithoutWindow(L"/install /port:COM1: \"/name:Front Desk\" /ifmissing /owner:{A1}");
    EXPECT_EQ(again.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << again.output;
    EXPECT_NE(again.output.find("already installed on the port COM1:"), std::string::npos) << again.output;
    const CommandRun moved = RunWithoutWindow(L"/install /port:LPT1: \"/name:Front Desk\" /ifmissing /owner:{A1}");
    EXPECT_EQ(moved.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << moved.output;
    EXPECT_NE(moved.output.find("moved from the port COM1: to LPT1:"), std::string::npos) << moved.output;
    EXPECT_EQ(LabelQueues(), (std::vector<std::string>{"Back Office\tTORVA Label Printer #2\tCOM1:",
                                                       "Front Desk\tTORVA Label Printer #1\tLPT1:"}));
    EXPECT_EQ(RegString(frontRecord.c_str(), L"Port"), L"LPT1:");

    // One printer removed: the other stays whole, with the shared pieces.
    const CommandRun one = RunWithoutWindow(L"/uninstall \"/queue:Front Desk\"");
    EXPECT_EQ(one.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << one.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"Back Office\tTORVA Label Printer #2\tCOM1:"});
    EXPECT_FALSE(KeyExists(frontRecord.c_str()));
    EXPECT_TRUE(KeyExists((std::wstring(kRecords) + L"\\Back Office").c_str()));
    EXPECT_TRUE(KeyExists(kDetectionKey));
    EXPECT_EQ(Lines(RunWithoutWindow(L"/detect \"/name:Back Office\"").output).size(), 1u);

    // The owner's last printer takes everything the program made, its keys included.
    const CommandRun rest = RunWithoutWindow(L"/uninstall /owner:{a1}");
    EXPECT_EQ(rest.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << rest.output;
    EXPECT_TRUE(LabelQueues().empty());
    // Only the installation folder's record stays, with the folder and the program in it.
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X"));
    EXPECT_TRUE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X Folder"));
}

// Queues on the label driver, added and deleted one every 20 ms (a busy print server's pace),
// until the flag is set. Wine's spooler runs inside each process and locks nothing across
// them: at full speed a listing can meet a half-deleted queue again and again (127).
DWORD WINAPI AddAndDeleteQueues(void* flag) {
    for (int n = 0; *static_cast<volatile LONG*>(flag) == 0; ++n) {
        std::wstring name = L"Churn " + std::to_wstring(n % 8);
        PRINTER_INFO_2W info{};
        info.pPrinterName = name.data();
        info.pPortName = const_cast<wchar_t*>(L"LPT1:");
        info.pDriverName = const_cast<wchar_t*>(L"TORVA Label Printer #1");
        info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        if (HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info))) ClosePrinter(added);
        Sleep(20);
        if (n % 8 == 7) {
            for (int k = 0; k < 8; ++k) {
                HANDLE queue = nullptr;
                PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
                std::wstring old = L"Churn " + std::to_wstring(k);
                if (OpenPrinterW(old.data(), &queue, &all)) {
                    DeletePrinter(queue);
                    ClosePrinter(queue);
                }
                Sleep(20);
            }
        }
    }
    return 0;
}

// A port is the port named, whatever its name: a local port called USB001 gets the queue, not
// the label printer's monitor port. Meanwhile another program adds and deletes queues, and
// listings and an installation still succeed.
TEST(CommandLineWithoutDisplay, InstallsOnThePortNamedWhileQueuesComeAndGo) {
    HANDLE xcv = nullptr;
    PRINTER_DEFAULTSW admin{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(L",XcvMonitor Local Port"), &xcv, &admin)) << GetLastError();
    const wchar_t usb[] = L"USB001";
    DWORD needed = 0, status = 0;
    ASSERT_TRUE(XcvDataW(xcv, L"AddPort", reinterpret_cast<BYTE*>(const_cast<wchar_t*>(usb)), sizeof usb, nullptr, 0,
                         &needed, &status));
    ClosePrinter(xcv);
    ASSERT_EQ(status, static_cast<DWORD>(ERROR_SUCCESS));
    const CommandRun onUsb = RunWithoutWindow(L"/install /port:USB001 /name:Counter /ifmissing");
    EXPECT_EQ(onUsb.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << onUsb.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"Counter\tTORVA Label Printer #1\tUSB001"});
    const CommandRun again = RunWithoutWindow(L"/install /port:USB001 /ifmissing");
    EXPECT_NE(again.output.find("already prints to the port USB001"), std::string::npos) << again.output;

    volatile LONG stop = 0;
    HANDLE thread = CreateThread(nullptr, 0, AddAndDeleteQueues, const_cast<LONG*>(&stop), 0, nullptr);
    ASSERT_NE(thread, nullptr);
    for (int i = 0; i < 6; ++i) {
        const CommandRun list = RunWithoutWindow(L"/list");
        EXPECT_EQ(list.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << list.output;
    }
    const CommandRun during = RunWithoutWindow(L"/install /port:COM1: /name:During");
    InterlockedExchange(const_cast<LONG*>(&stop), 1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(during.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << during.output;
}

// The first JSON string value after `"key": ` in `json`, its escapes read as JSON reads them.
std::wstring JsonValue(const std::string& json, const std::string& key) {
    std::size_t i = json.find("\"" + key + "\": \"");
    if (i == std::string::npos) return L"(missing)";
    std::wstring out;
    for (i += key.size() + 5; i < json.size() && json[i] != '"'; ++i) {
        if (json[i] != '\\') {
            out += static_cast<wchar_t>(static_cast<unsigned char>(json[i]));
        } else if (json[++i] == 'u') {
            out += static_cast<wchar_t>(std::stoi(json.substr(i + 1, 4), nullptr, 16));
            i += 4;
        } else {
            out += static_cast<wchar_t>(json[i]);
        }
    }
    return out;
}

// /list for scripts: CSV with a header and JSON, a Korean name with quotes read back whole,
// from a file as the output was redirected to (UTF-8 with its mark for CSV, ASCII for JSON).
// /usbwait bounds the search for a USB printer that is not there.
TEST(CommandLineWithoutDisplay, ListsForScriptsAndBoundsTheUsbSearch) {
    const std::wstring name = L"\xB77C\xBCA8 \"A\"";
    const CommandRun install = RunWithoutWindow(L"/install /port:COM1: \"/name:\xB77C\xBCA8 \\\"A\\\"\"");
    ASSERT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << install.output;

    const std::string json = RunWithoutWindow(L"/list /format:json").output;
    EXPECT_EQ(json.find_first_not_of("\r\n\t !#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                                     "abcdefghijklmnopqrstuvwxyz{|}~\""),
              std::string::npos)
        << json;
    EXPECT_EQ(JsonValue(json, "name"), name) << json;
    EXPECT_EQ(JsonValue(json, "port"), L"COM1:") << json;

    const std::string csv = RunWithoutWindow(L"/list /format:csv").output;
    const std::string expected =
        "\xEF\xBB\xBFName,Driver,Port\r\n\"" + Utf8(L"\xB77C\xBCA8 \"\"A\"\"") + "\",TORVA Label Printer #1,COM1:\r\n";
    EXPECT_EQ(csv, expected);

    const CommandRun usb = RunWithoutWindow(L"/install /usb /usbwait:3");
    EXPECT_EQ(usb.exitCode, static_cast<DWORD>(prinstall::kExitFailure)) << usb.output;
    EXPECT_NE(usb.output.find("for up to 3 seconds"), std::string::npos) << usb.output;
    const std::vector<std::string> lines = Lines(usb.output);
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& l) { return l.find("USB Port Search Failed.") != std::string::npos; }),
        1)
        << usb.output;
}

// The features of the template are listed; an option it lacks refuses the run before anything
// is installed, naming the options there are; the defaults given go into every copy's own
// printer description, in the template's spelling, and only into the features named.
TEST(CommandLineWithoutDisplay, InstallsCopiesWithLabelDefaults) {
    const CommandRun features = RunWithoutWindow(L"/features");
    EXPECT_EQ(features.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << features.output;
    const std::vector<std::string> rows = Lines(features.output);
    for (const char* prefix : {"PaperSize\tLABEL_4X6\t", "Darkness\tLevel0\tLevel1\t", "PrintSpeed\t",
                               "MediaType\tDirectThermal\tThermalTransfer"}) {
        EXPECT_EQ(
            std::count_if(rows.begin(), rows.end(), [&](const std::string& r) { return r.rfind(prefix, 0) == 0; }), 1)
            << prefix << "\n"
            << features.output;
    }

    const CommandRun refused =
        RunWithoutWindow(L"/install /port:COM1: /default:Darkness=Level3 /default:PaperSize=Nope");
    EXPECT_EQ(refused.exitCode, static_cast<DWORD>(prinstall::kExitInvalidCommandLine)) << refused.output;
    EXPECT_NE(refused.output.find("no option Nope. Its options: LABEL_4X6, LABEL_4X4"), std::string::npos)
        << refused.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(NumberedFiles(), std::vector<std::wstring>{}) << Joined(NumberedFiles());

    const CommandRun install =
        RunWithoutWindow(L"/install /port:COM1: /copies:2 /default:darkness=LEVEL12 /default:PaperSize=label_4x3");
    EXPECT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << install.output;
    EXPECT_EQ(LabelQueues().size(), 2u);
    for (const wchar_t* name : {L"\\TVLabel1.GPD", L"\\TVLabel2.GPD"}) {
        const std::string gpd = ReadFrom((DriverDirectory() + name).c_str());
        EXPECT_NE(gpd.find("*DefaultOption: Level12\r\n"), std::string::npos) << gpd;
        EXPECT_NE(gpd.find("*DefaultOption: LABEL_4X3\r\n"), std::string::npos) << gpd;
        EXPECT_EQ(gpd.find("*DefaultOption: Level8"), std::string::npos);
        EXPECT_NE(gpd.find("*DefaultOption: Speed4\r\n"), std::string::npos);
    }
    EXPECT_EQ(RunWithoutWindow(L"/uninstall /all").exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
}

// Refused lines print the usage and install nothing; a second instance is turned away.
TEST(CommandLineWithoutDisplay, RefusesInvalidLinesAndASecondInstance) {
    for (const wchar_t* arguments : {L"/install /bogus", L"/install", L"/install /ip:0.0.0.0"}) {
        const CommandRun run = RunWithoutWindow(arguments);
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(prinstall::kExitInvalidCommandLine)) << Utf8(arguments);
        EXPECT_NE(run.output.find(Lines(prinstall::UsageText()).at(1)), std::string::npos) << run.output;
    }
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});

    // The name taken first with the default security, as any local user could: not a
    // running program, so the run goes on.
    const std::string name = prinstall::kSingleRunMutexName;  // ASCII
    HANDLE squat = CreateMutexW(nullptr, TRUE, (L"Global\\" + std::wstring(name.begin(), name.end())).c_str());
    ASSERT_NE(squat, nullptr) << GetLastError();
    const CommandRun beside = RunWithoutWindow(L"/list");
    EXPECT_EQ(beside.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << beside.output;

    // Claimed as the program claims it: a second instance is turned away, /? is not.
    {
        prinstall::WinDebugLog debug;
        prinstall::WinSingleRunObjects running;
        ASSERT_EQ(prinstall::ClaimSingleRun(running, debug), prinstall::SingleRun::Claimed);
        DeleteFileW(L"C:\\refused.log");
        const CommandRun second = RunWithoutWindow(L"/list /log:C:\\refused.log");
        EXPECT_EQ(second.exitCode, static_cast<DWORD>(prinstall::kExitAlreadyRunning)) << second.output;
        EXPECT_NE(ReadFrom(L"C:\\refused.log").find("(exit code 1618)"), std::string::npos);
        EXPECT_EQ(RunWithoutWindow(L"/?").exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
    }
    ReleaseMutex(squat);
    CloseHandle(squat);

    // An invalid line is logged too, after the refusal above.
    RunWithoutWindow(L"/install /bogus /log:C:\\refused.log");
    const std::vector<std::string> refusals = Lines(ReadFrom(L"C:\\refused.log"));
    ASSERT_GE(refusals.size(), 2u);
    EXPECT_NE(refusals.front().find("(exit code 1618)"), std::string::npos) << refusals.front();
    EXPECT_NE(refusals.back().find("(exit code 1639)"), std::string::npos) << refusals.back();
}

// A "Prinstall.exe.local" folder or an external manifest beside the program: Windows 2000/XP
// may have loaded libraries from them already, so nothing is done.
TEST(CommandLineWithoutDisplay, RefusesToRunBesideALoaderRedirection) {
    const std::wstring local = std::wstring(kProgramPath) + L".local";
    ASSERT_TRUE(CreateDirectoryW(local.c_str(), nullptr)) << GetLastError();
    const CommandRun besideLocal = RunWithoutWindow(L"/install /port:COM1:");
    RemoveDirectoryW(local.c_str());
    const std::wstring manifest = std::wstring(kProgramPath) + L".manifest";
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>";
    HANDLE file = CreateFileW(manifest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    WriteFile(file, xml.data(), static_cast<DWORD>(xml.size()), &written, nullptr);
    CloseHandle(file);
    const CommandRun besideManifest = RunWithoutWindow(L"/install /port:COM1:");
    DeleteFileW(manifest.c_str());
    for (const auto& [run, path] : {std::pair{&besideLocal, &local}, std::pair{&besideManifest, &manifest}}) {
        EXPECT_EQ(run->exitCode, static_cast<DWORD>(prinstall::kExitFailure)) << run->output;
        EXPECT_NE(run->output.find(Utf8(*path)), std::string::npos) << run->output;
    }
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(RunWithoutWindow(L"/list").exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
}

// A log that cannot be opened, or that lines would spoil, ends the run with 1622 before
// anything is changed; a UTF-16 log is appended to in UTF-16.
TEST(CommandLineWithoutDisplay, RefusesALogItCannotUseAndKeepsAWideLogWide) {
    const std::string legacy = "caf\xE9 1252\r\n";  // neither UTF-8 nor UTF-16
    const std::string wide = std::string(
        "\xFF\xFE"
        "o\0k\0\r\0\n\0",
        10);
    for (const auto& [path, content] : {std::pair{L"C:\\legacy.log", legacy}, std::pair{L"C:\\wide.log", wide}}) {
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
        CloseHandle(file);
    }
    for (const wchar_t* log : {L"C:\\no such folder\\deploy.log", L"C:\\legacy.log"}) {
        const CommandRun install = RunWithoutWindow(L"/install /port:COM1: /log:\"" + std::wstring(log) + L"\"");
        EXPECT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitLogFileError)) << install.output;
        EXPECT_NE(install.output.find(Utf8(log)), std::string::npos) << install.output;
        EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
        EXPECT_FALSE(KeyExists(kEntryKey));
    }
    EXPECT_EQ(ReadFrom(L"C:\\legacy.log"), legacy);

    EXPECT_EQ(RunWithoutWindow(L"/list /log:C:\\wide.log").exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
    const std::string appended = ReadFrom(L"C:\\wide.log");
    ASSERT_EQ(appended.rfind(wide, 0), 0u);
    const std::string line = "(exit code 0)\r\n";
    std::string line16;
    for (char c : line) line16 += std::string{c, '\0'};
    EXPECT_EQ(appended.size() >= line16.size() ? appended.substr(appended.size() - line16.size()) : "", line16);
}

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The session manager's list of renames at restart: source and target (empty for a deletion)
// in turn, each source in the native form "\\??\\C:\\...".
std::vector<std::wstring> PendingRenames() {
    std::vector<wchar_t> pending(32768);
    DWORD size = static_cast<DWORD>(pending.size() * sizeof(wchar_t));
    std::vector<std::wstring> entries;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr,
                     pending.data(), &size) != ERROR_SUCCESS) {
        return entries;
    }
    for (const wchar_t* p = pending.data(); p < pending.data() + size / sizeof(wchar_t);) {
        entries.emplace_back(p);
        p += entries.back().size() + 1;
    }
    if (entries.size() % 2 != 0) entries.pop_back();  // the list's closing terminator
    return entries;
}

bool DeletedAtRestart(const std::wstring& path) {
    const std::vector<std::wstring> entries = PendingRenames();
    for (size_t i = 0; i + 1 < entries.size(); i += 2) {
        if (_wcsicmp(entries[i].c_str(), (L"\\??\\" + path).c_str()) == 0 && entries[i + 1].empty()) return true;
    }
    return false;
}

// A driver file held open by someone (a print job) when the removal deletes it: Windows
// deletes it at the next restart, and the run ends with 3010.
TEST(CommandLineWithoutDisplay, RemovesAFileHeldOpenAtTheNextRestart) {
    ASSERT_EQ(RunWithoutWindow(L"/install /port:COM1:").exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
    const std::wstring held = DriverDirectory() + L"\\TVLabel1.GPD";
    // No FILE_SHARE_DELETE: DeleteFile fails while this handle is open.
    HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    const CommandRun uninstall = RunWithoutWindow(L"/uninstall /all");
    CloseHandle(file);
    EXPECT_EQ(uninstall.exitCode, static_cast<DWORD>(prinstall::kExitRestartRequired)) << uninstall.output;
    EXPECT_NE(uninstall.output.find(Utf8(held) + " will be removed at the next restart."), std::string::npos)
        << uninstall.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists(kEntryKey));

    EXPECT_TRUE(DeletedAtRestart(held)) << Joined(PendingRenames());

    // A new installation before that restart takes the deletions of what it copies back: the
    // numbered file it stages again, and the monitor module, also named here as an earlier
    // removal would have left it.
    wchar_t system[MAX_PATH];
    const std::wstring monitor = std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\TVPortMon.dll";
    std::vector<std::wstring> pending = PendingRenames();
    pending.insert(pending.end(), {L"\\??\\" + monitor, L""});
    std::wstring value;
    for (const std::wstring& entry : pending) value += entry + L'\0';
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", REG_MULTI_SZ,
                              value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    const CommandRun again = RunWithoutWindow(L"/install /port:COM1:");
    EXPECT_EQ(again.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << again.output;
    EXPECT_FALSE(DeletedAtRestart(held)) << Joined(PendingRenames());
    EXPECT_FALSE(DeletedAtRestart(monitor)) << Joined(PendingRenames());
    EXPECT_NE(GetFileAttributesW(monitor.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A labelling program left open with a job in the queue: the queue outlives its deletion, the
// removal says so and fails, and its record, the entry and the detection value stay for the
// removal that follows once the job has ended.
TEST(CommandLineWithoutDisplay, AQueueWithAJobHeldOutlivesTheRemovalWhichFails) {
    ASSERT_EQ(RunWithoutWindow(L"/install /port:COM1: /name:Dock /owner:desk").exitCode,
              static_cast<DWORD>(prinstall::kExitSuccess));
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(L"Dock"), &printer, nullptr)) << GetLastError();
    DOC_INFO_1W document{const_cast<wchar_t*>(L"Labels"), nullptr, const_cast<wchar_t*>(L"RAW")};
    EXPECT_NE(StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&document)), 0u) << GetLastError();
    DWORD written = 0;
    WritePrinter(printer, const_cast<char*>("N\r\nP1\r\n"), 7, &written);
    ASSERT_TRUE(LockQueueKey(L"Dock", true));

    const CommandRun held = RunWithoutWindow(L"/uninstall /owner:desk");
    EXPECT_EQ(held.exitCode, static_cast<DWORD>(prinstall::kExitFailure)) << held.output;
    EXPECT_NE(
        held.output.find("printer \"Dock\" with its driver \"TORVA Label Printer #1\" (it still has print jobs or is "
                         "in use: remove it again when its jobs have ended)"),
        std::string::npos)
        << held.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"Dock\tTORVA Label Printer #1\tCOM1:"});
    EXPECT_TRUE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X\\Printers\\Dock"));
    EXPECT_TRUE(KeyExists(kEntryKey));
    EXPECT_EQ(RegDword(kDetectionKey, L"Installed"), 1u);

    EndDocPrinter(printer);
    ClosePrinter(printer);
    ASSERT_TRUE(LockQueueKey(L"Dock", false));
    const CommandRun again = RunWithoutWindow(L"/uninstall /owner:desk");
    EXPECT_EQ(again.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << again.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    // Only the installation folder's record stays, with the folder and the program in it.
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X"));
    EXPECT_TRUE(KeyExists(L"SOFTWARE\\TORVA\\EPL Printer 2.X Folder"));
    EXPECT_FALSE(KeyExists(kEntryKey));
}

// Every file below a folder, its subfolders included, as paths.
std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::wstring& inner : FilesBelow(folder + L"\\" + name)) found.push_back(inner);
        } else {
            found.push_back(folder + L"\\" + name);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(found.begin(), found.end());
    return found;
}

// Windows protected print mode, switched on by its policy value as Windows keeps it: in the
// registry's 64-bit view (on 32-bit Windows there is one view; Wine's 64-bit prefix shows
// SOFTWARE\Policies in both, docs/wine.md). The installation changes nothing at all and says
// why with its own exit code; the removal still ends well.
TEST(CommandLineWithoutDisplay, RefusesToInstallUnderProtectedPrintModeAndStillRemoves) {
    // The check before it, on a PC that takes the installation, changes nothing either.
    const std::vector<std::wstring> driverFilesUnchecked = FilesBelow(DriverDirectory());
    const CommandRun clean = RunWithoutWindow(L"/check /port:COM1:");
    EXPECT_EQ(clean.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << clean.output;
    EXPECT_NE(clean.output.find("Nothing stands in the way"), std::string::npos) << clean.output;
    EXPECT_EQ(FilesBelow(DriverDirectory()), driverFilesUnchecked);
    EXPECT_FALSE(KeyExists(kMonitorKey));

    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const REGSAM view64 = wow64 ? KEY_WOW64_64KEY : 0;
    const wchar_t policyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
    HKEY policy = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, policyKey, 0, nullptr, 0, KEY_ALL_ACCESS | view64, nullptr, &policy,
                              nullptr),
              ERROR_SUCCESS);
    const DWORD on = 1;
    ASSERT_EQ(RegSetValueExW(policy, L"WindowsProtectedPrintMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                             sizeof on),
              ERROR_SUCCESS);
    RegCloseKey(policy);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring monitorModule = std::wstring(system) + L"\\TVPortMon.dll";
    const std::vector<std::wstring> driverFilesBefore = FilesBelow(DriverDirectory());
    const std::vector<std::wstring> driversBefore = DriverNames();

    // Every reason named, the exit code the installation would end with.
    const CommandRun check = RunWithoutWindow(L"/check /port:COM9:");
    EXPECT_EQ(check.exitCode, static_cast<DWORD>(prinstall::kExitForbiddenByPolicy)) << check.output;
    EXPECT_NE(check.output.find("Windows protected print mode is on"), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("The port COM9: does not exist."), std::string::npos) << check.output;

    const CommandRun install = RunWithoutWindow(L"/install /port:COM1: /log:C:\\wpp.log");
    EXPECT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitForbiddenByPolicy)) << install.output;
    EXPECT_NE(install.output.find("Windows protected print mode is on"), std::string::npos) << install.output;
    EXPECT_NE(ReadFrom(L"C:\\wpp.log").find("(exit code 1625)"), std::string::npos);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(DriverNames(), driversBefore);
    EXPECT_EQ(FilesBelow(DriverDirectory()), driverFilesBefore) << Joined(FilesBelow(DriverDirectory()));
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_EQ(GetFileAttributesW(monitorModule.c_str()), INVALID_FILE_ATTRIBUTES);

    const CommandRun uninstall = RunWithoutWindow(L"/uninstall /all");
    EXPECT_EQ(uninstall.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << uninstall.output;
}

// The oldest Windows the program claims, as far as Wine can show them: the prefix's version
// is set before the program starts. Wine's own DLLs still export what later Windows added,
// so whether such a Windows loads the program at all is for tests/imports to show.
// A release's program (the set-up of e2e.cli.released) installs from the media it shipped,
// and refuses them once one byte of a file it copies has changed, before anything is changed.
TEST(ReleasedProgram, InstallsTheMediaItShippedAndRefusesAChangedByte) {
    const CommandRun install = RunWithoutWindow(L"/install /port:COM1:");
    ASSERT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << install.output;
    EXPECT_EQ(install.output.find("not verified"), std::string::npos) << install.output;
    ASSERT_EQ(RunWithoutWindow(L"/uninstall /all").exitCode, static_cast<DWORD>(prinstall::kExitSuccess));

    const wchar_t kChanged[] = L"C:\\TORVA EPL Printer 2.X\\Win32\\UNIDRV.DLL";
    HANDLE file = CreateFileW(kChanged, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char byte = 0;
    DWORD done = 0;
    SetFilePointer(file, 100, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadFile(file, &byte, 1, &done, nullptr) && done == 1);
    byte = static_cast<char>(byte ^ 0x01);
    SetFilePointer(file, 100, nullptr, FILE_BEGIN);
    ASSERT_TRUE(WriteFile(file, &byte, 1, &done, nullptr) && done == 1);
    CloseHandle(file);

    DeleteFileW(L"C:\\refused.log");
    const CommandRun refused = RunWithoutWindow(L"/install /port:COM1: /log:C:\\refused.log");
    EXPECT_EQ(refused.exitCode, static_cast<DWORD>(prinstall::kExitFailure)) << refused.output;
    const std::string named = "C:\\TORVA EPL Printer 2.X\\Win32\\UNIDRV.DLL is not the one this release shipped";
    EXPECT_NE(refused.output.find(named), std::string::npos) << refused.output;
    EXPECT_NE(ReadFrom(L"C:\\refused.log").find(named), std::string::npos);
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_EQ(NumberedFiles(), std::vector<std::wstring>{}) << Joined(NumberedFiles());
}

class CommandLineOnOlderWindows : public ::testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override { ASSERT_EQ(SetPrefixVersion(GetParam()), ERROR_SUCCESS); }
    void TearDown() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine", L"Version"); }

    static LSTATUS SetPrefixVersion(const wchar_t* version) {
        return RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", REG_SZ, version,
                               static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
};

TEST_P(CommandLineOnOlderWindows, InstallsListsAndRemovesACopy) {
    const CommandRun install = RunWithoutWindow(L"/install /port:COM1:");
    EXPECT_EQ(install.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << install.output;
    const std::vector<std::string> expected = {"TORVA Label Printer\tTORVA Label Printer #1\tCOM1:"};
    EXPECT_EQ(LabelQueues(), expected);
    EXPECT_TRUE(KeyExists(kEntryKey));

    const CommandRun list = RunWithoutWindow(L"/list");
    EXPECT_EQ(list.exitCode, static_cast<DWORD>(prinstall::kExitSuccess));
    EXPECT_EQ(Lines(list.output), expected) << list.output;

    const CommandRun uninstall = RunWithoutWindow(L"/uninstall /all");
    EXPECT_EQ(uninstall.exitCode, static_cast<DWORD>(prinstall::kExitSuccess)) << uninstall.output;
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    const std::vector<std::wstring> drivers = DriverNames();
    EXPECT_EQ(std::count(drivers.begin(), drivers.end(), L"TORVA Label Printer #1"), 0) << Joined(drivers);
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_EQ(NumberedFiles(), std::vector<std::wstring>{}) << Joined(NumberedFiles());
}

INSTANTIATE_TEST_SUITE_P(Wine, CommandLineOnOlderWindows, ::testing::Values(L"winxp", L"win2k"),
                         [](const auto& info) { return Utf8(info.param); });

// The check above can fail: the dialogs, started with no arguments, try a window and Wine
// says so for that process.
TEST(CommandLineWithoutDisplay, DialogsAreSeenTryingAWindow) {
    const CommandRun dialogs = RunPrinstall(L"");
    ASSERT_EQ(dialogs.startError, 0u);
    EXPECT_NE(dialogs.wineDiagnostics.find(kWindowAttempt), std::string::npos) << dialogs.wineDiagnostics;
}

}  // namespace
}  // namespace e2e
