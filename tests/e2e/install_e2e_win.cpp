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

bool HasQueue(const std::wstring& printer, const std::wstring& port, const std::wstring& driver) {
    std::vector<QueueRecord> queues;
    if (listQueues(&queues) != 0) return false;
    return std::any_of(queues.begin(), queues.end(), [&](const QueueRecord& q) {
        return q.printerName == printer && q.portName == port && q.driverName == driver;
    });
}

std::string QueueList() {
    std::vector<QueueRecord> queues;
    listQueues(&queues);
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
    Screenshot shot = saveScreenshot(window, name);
    EXPECT_FALSE(shot.path.empty());
    EXPECT_GE(shot.colours, 4);
}

TEST(InstallationEnglish, OneCopyOnComOneFromTheButtonToTheResult) {
    ProgramRun program;
    ASSERT_EQ(program.start(), 0u);
    HWND main = program.waitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(controlText(main, IDC_DRIVER_NAME), L"TORVA Label Printer");

    // The port dialog is modal: the click is posted so this test does not wait on it.
    ASSERT_TRUE(postCommand(main, IDC_INSTALL));
    HWND port = program.waitForWindow(kPortTitle);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(clickButton(port, IDC_PORT_SERIAL));
    Shot(port, L"install-port-serial-en");
    ASSERT_TRUE(postCommand(port, IDOK));

    HWND result = program.waitForWindow(kResultTitle);
    ASSERT_NE(result, nullptr) << "no completion result";
    EXPECT_EQ(controlText(result, 1040), L"Installation completed. ");
    EXPECT_TRUE(HasQueue(L"TORVA Label Printer", L"COM1:", L"TORVA Label Printer #1"));
    EXPECT_EQ(UninstallDisplayName(), L"TORVA Label 2.XX");
    EXPECT_EQ(controlText(main, IDC_DRIVER_NAME), L"TORVA Label Printer 2");
    Shot(result, L"install-result-en");
    ASSERT_TRUE(postCommand(result, IDOK));
    ASSERT_TRUE(waitForWindowGone(result));

    // OK on the completion renames the button and offers the removal.
    for (int i = 0; i < 100 && controlText(main, IDC_INSTALL) != L"Add Printer Driver"; ++i) Sleep(100);
    EXPECT_EQ(controlText(main, IDC_INSTALL), L"Add Printer Driver");
    EXPECT_TRUE(controlVisible(main, IDC_UNINSTALL));
    EXPECT_TRUE(controlEnabled(main, IDC_EXIT));
    Shot(main, L"install-main-after-en");
    ASSERT_TRUE(clickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.waitForExit(&exitCode));
}

// A network printer: the address asked for in the port dialog, the Standard TCP/IP port's
// key and values written, the spooler restarted, and the queue on the port "IP_<address>".
// Wine has no Standard TCP/IP monitor, so its key is made here for the address check, and
// the port itself never shows in the spooler's port list (Wine accepts any port name).
TEST(InstallationNetwork, NetworkPrinterGetsItsStandardTcpIpPort) {
    HKEY monitor = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              L"SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &monitor, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(monitor);

    ProgramRun program;
    ASSERT_EQ(program.start(), 0u);
    HWND main = program.waitForWindow(kMainTitle);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(postCommand(main, IDC_INSTALL));
    HWND port = program.waitForWindow(kPortTitle);
    ASSERT_NE(port, nullptr);

    // Ethernet opens the address dialog at once (modal: the click is posted).
    ASSERT_TRUE(PostMessageW(GetDlgItem(port, IDC_PORT_ETHERNET), BM_CLICK, 0, 0));
    HWND ip = program.waitForWindow(L"Printer IP Address");
    ASSERT_NE(ip, nullptr);
    SendDlgItemMessageW(ip, IDC_IP_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 0, 10));
    ASSERT_TRUE(postCommand(ip, IDOK));
    ASSERT_TRUE(waitForWindowGone(ip));
    ASSERT_TRUE(postCommand(port, IDOK));

    HWND result = program.waitForWindow(kResultTitle);
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
    EXPECT_EQ(spoolerState(&state), 0u);
    EXPECT_EQ(state, static_cast<DWORD>(SERVICE_RUNNING)) << "the spooler is running again after its restart";
    ASSERT_TRUE(postCommand(result, IDOK));
    ASSERT_TRUE(waitForWindowGone(result));
    ASSERT_TRUE(clickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.waitForExit(&exitCode));
}

}  // namespace
}  // namespace e2e
