// What only 64-bit Windows shows, for the proof kit to prove on a PC: the 32-bit program puts
// the 64-bit driver and port monitor into the 64-bit spooler and takes them out again, and a
// network printer's port is made through the Standard TCP/IP monitor itself (XcvData) with a
// host name and a port number. Wine cannot show either: its spooler runs inside the 32-bit
// program, which cannot load the 64-bit driver (1797) or monitor (126), and it has no
// Standard TCP/IP monitor. There, and on 32-bit Windows, each test says why it is skipped.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "harness_win.h"
#include "spooler_setup_win.h"

namespace e2e {
namespace {

std::string WhyNotHere() {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return "needs 64-bit Windows";
    if (UnderWine()) return "Wine's spooler cannot host the 64-bit driver";
    return "";
}

#define SKIP_UNLESS_X64_WINDOWS()                             \
    do {                                                      \
        const std::string why = WhyNotHere();                 \
        if (!why.empty()) GTEST_SKIP() << "skipped: " << why; \
    } while (false)

// Prinstall.exe from the installation folder with `arguments`, without a window; its exit
// code, its output in `output`.
DWORD RunProgram(const std::wstring& arguments, std::string* output) {
    const wchar_t kOut[] = L"C:\\x64-proof-output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(kOut, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::wstring command = L"\"" + std::wstring(kProgramPath) + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(kProgramPath, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        L"C:\\", &startup, &info);
    CloseHandle(out);
    if (!started) return GetLastError();
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(info.hProcess, 4 * kWindowTimeoutMs) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    output->clear();
    HANDLE in = CreateFileW(kOut, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char block[4096];
    DWORD read = 0;
    while (in != INVALID_HANDLE_VALUE && ReadFile(in, block, sizeof block, &read, nullptr) && read > 0) {
        output->append(block, read);
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    DeleteFileW(kOut);
    return exitCode;
}

bool HasDriver(const wchar_t* environment, const std::wstring& name) {
    const std::vector<std::wstring> names = DriverNames(environment);
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool HasMonitor(const std::wstring& name) {
    DWORD needed = 0, count = 0;
    EnumMonitorsW(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(MONITOR_INFO_1W));
    if (!EnumMonitorsW(nullptr, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) return false;
    const auto* monitors = reinterpret_cast<const MONITOR_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (name == monitors[i].pName) return true;
    }
    return false;
}

// The port's configuration as the Standard TCP/IP monitor gives it: GetConfigInfo with
// CONFIG_INFO_DATA_1 in, PORT_DATA_1 out (tcpxcv.h, written out here from the documentation
// rather than taken from the program, whose own layout is what is proven).
struct TcpPortConfig {
    wchar_t portName[64];
    DWORD version;
    DWORD protocol;
    DWORD size;
    DWORD reserved;
    wchar_t hostAddress[49];
    wchar_t snmpCommunity[33];
    DWORD doubleSpool;
    wchar_t queue[33];
    wchar_t ipAddress[16];
    BYTE reservedBytes[540];
    DWORD portNumber;
    DWORD snmpEnabled;
    DWORD snmpDeviceIndex;
};

bool TcpPort(const std::wstring& port, TcpPortConfig* config) {
    std::wstring name = L",XcvPort " + port;
    HANDLE xcv = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    if (!OpenPrinterW(name.data(), &xcv, &access)) return false;
    struct {
        BYTE reserved[128];
        DWORD version;
    } input{{}, 1};
    DWORD needed = 0, status = 0;
    const bool read = XcvDataW(xcv, L"GetConfigInfo", reinterpret_cast<BYTE*>(&input), sizeof input,
                               reinterpret_cast<BYTE*>(config), sizeof *config, &needed, &status) &&
                      status == ERROR_SUCCESS;
    ClosePrinter(xcv);
    return read;
}

TEST(OnX64Windows, TheSixtyFourBitDriverAndMonitorComeAndGoThroughTheProgram) {
    SKIP_UNLESS_X64_WINDOWS();
    std::string output;
    ASSERT_EQ(RunProgram(L"/install /port:COM1: /name:\"Proof x64\"", &output), 0u) << output;
    EXPECT_TRUE(HasDriver(L"Windows x64", LabelDriverName(1)));
    EXPECT_TRUE(HasMonitor(L"TORVA LABEL USB Port"));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{"Proof x64\tTORVA Label Printer #1\tCOM1:"});
    EXPECT_TRUE(NumberedFiles(DriverDirectory(L"Windows x64"), 1).size() > 0u);

    EXPECT_EQ(RunProgram(L"/uninstall /all", &output), 0u) << output;
    EXPECT_FALSE(HasDriver(L"Windows x64", LabelDriverName(1)));
    EXPECT_FALSE(HasMonitor(L"TORVA LABEL USB Port"));
    EXPECT_EQ(LabelQueues(), std::vector<std::string>{});
    EXPECT_EQ(NumberedFiles(DriverDirectory(L"Windows x64"), 1), std::vector<std::wstring>{});
}

TEST(OnX64Windows, ANetworkPortWithAHostNameAndPortNumberIsTheMonitorsOwn) {
    SKIP_UNLESS_X64_WINDOWS();
    std::string output;
    ASSERT_EQ(RunProgram(L"/install /ip:label-07.example /ipport:9101", &output), 0u) << output;
    EXPECT_EQ(LabelQueues(),
              std::vector<std::string>{"TORVA Label Printer\tTORVA Label Printer #1\tIP_label-07.example"});
    TcpPortConfig config{};
    ASSERT_TRUE(TcpPort(L"IP_label-07.example", &config)) << GetLastError();
    EXPECT_EQ(std::wstring(config.hostAddress), L"label-07.example");
    EXPECT_EQ(config.portNumber, 9101u);
    EXPECT_EQ(config.protocol, 1u);  // raw

    EXPECT_EQ(RunProgram(L"/uninstall /all", &output), 0u) << output;
    EXPECT_FALSE(TcpPort(L"IP_label-07.example", &config)) << "the port this program made stays";
}

}  // namespace
}  // namespace e2e
