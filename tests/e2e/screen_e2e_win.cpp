// What the operator sees of the real Prinstall.exe on the screen and at the keyboard: where
// each dialog opens, the arrow keys through the port dialog's interface group, the line that
// says why OK is unavailable, and where the focus is after a change or a run.
//
// Xvfb has no window manager: a window's rectangle is the one the program gave it.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "harness_win.h"
#include "resource.h"

namespace e2e {
namespace {

const wchar_t kMainEnglish[] = L"TORVA EPL Printer Driver Installation / Uninstallation Program";
const wchar_t kMainKorean[] = L"토르바스 EPL 프린터 드라이버 설치/삭제";
const wchar_t kPortEnglish[] = L"Select Printer's Port Infomation Dialog";
const wchar_t kPortKorean[] = L"프린터 포트 및 코드 페이지 선택";
const wchar_t kIpEnglish[] = L"Printer IP Address";
const wchar_t kIpKorean[] = L"프린터 IP 주소 설정";

struct Language {
    const wchar_t* main;
    const wchar_t* port;
    const wchar_t* ip;
    const wchar_t* noPort;
    const wchar_t* noAddress;
};
const Language kEnglish = {kMainEnglish, kPortEnglish, kIpEnglish,
                           L"No port for this interface: choose another interface.",
                           L"No printer IP address confirmed yet: choose Ethernet or Wi-Fi again to enter it."};
const Language kKorean = {kMainKorean, kPortKorean, kIpKorean,
                          L"이 인터페이스에 사용할 포트가 없습니다. 다른 인터페이스를 선택하십시오.",
                          L"프린터 IP 주소가 아직 확인되지 않았습니다. Ethernet 또는 Wi-Fi를 다시 선택해 입력하십시오."};

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT workArea(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

// Centres compared in doubled coordinates: halves of odd sizes round either way.
void expectCentredOver(HWND window, const RECT& over, const char* what) {
    ASSERT_NE(window, nullptr) << what;
    const RECT rect = windowRect(window);
    EXPECT_NEAR(rect.left + rect.right, over.left + over.right, 3) << what << ": horizontally";
    EXPECT_NEAR(rect.top + rect.bottom, over.top + over.bottom, 3) << what << ": vertically";
}

// The control with the keyboard focus in the thread of `window`.
HWND focused(HWND window) {
    waitUntilIdle(window);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
    return gui.hwndFocus;
}

int focusedId(HWND window) { return GetDlgCtrlID(focused(window)); }

// Installation, and the port dialog centred over the main dialog.
HWND openPortDialog(const ProgramRun& program, HWND main, const Language& language) {
    EXPECT_TRUE(postCommand(main, IDC_INSTALL));
    HWND port = program.waitForWindow(language.port);
    expectCentredOver(port, windowRect(main), "port dialog");
    return port;
}

// From the focus on the interface group, Down visits every visible interface and comes back.
// Ethernet and Wi-Fi open the address dialog as they are reached (an auto radio button is
// clicked by the arrow key): Escape leaves them without an address, and the line beside OK
// says so while the focus stays on the interface.
void walkTheInterfaceGroup(const ProgramRun& program, HWND port, const Language& language) {
    ASSERT_EQ(focusedId(port), IDOK) << "the dialog opens on OK";
    ASSERT_TRUE(postKey(port, VK_TAB));
    ASSERT_EQ(focusedId(port), IDC_PORT_USB) << "Tab enters the group at the checked interface";

    std::set<int> visited{IDC_PORT_USB};
    int previous = IDC_PORT_USB;
    for (int step = 0; step < 7; ++step) {
        ASSERT_TRUE(postKey(port, VK_DOWN));
        // The key is handled after any sent message: wait for the focus to move.
        int id = previous;
        const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
        while (id == previous && GetTickCount64() < deadline) {
            if (findProcessWindow(program.processId(), language.ip) != nullptr) {
                // The focus is in the address dialog already: its interface is the checked one.
                id = IsDlgButtonChecked(port, IDC_PORT_WIFI) == BST_CHECKED ? IDC_PORT_WIFI : IDC_PORT_ETHERNET;
                break;
            }
            HWND now = focused(port);
            if (GetParent(now) == port) id = GetDlgCtrlID(now);
            if (id == previous) Sleep(50);
        }
        if (id == IDC_PORT_ETHERNET || id == IDC_PORT_WIFI) {
            HWND ip = program.waitForWindow(language.ip);
            ASSERT_NE(ip, nullptr) << "no address dialog for radio " << id;
            expectCentredOver(ip, windowRect(port), "address dialog");
            ASSERT_TRUE(postKey(ip, VK_ESCAPE));
            ASSERT_TRUE(waitForWindowGone(ip));
            ASSERT_TRUE(waitUntilIdle(port));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(port, IDOK)));
            EXPECT_EQ(controlText(port, IDC_PORT_OK_REASON), language.noAddress);
            EXPECT_EQ(focusedId(port), id) << "the focus went elsewhere after the address dialog";
        }
        visited.insert(id);
        EXPECT_EQ(IsDlgButtonChecked(port, id), BST_CHECKED) << "radio " << id;
        previous = id;
    }
    EXPECT_EQ(visited, (std::set<int>{IDC_PORT_SERIAL, IDC_PORT_BLUETOOTH, IDC_PORT_PARALLEL, IDC_PORT_USB,
                                      IDC_PORT_ETHERNET, IDC_PORT_WIFI, IDC_PORT_DRIVER_PORT}));
    EXPECT_EQ(focusedId(port), IDC_PORT_USB) << "seven steps from USB come back to it";
}

// With the focus on OK, OK becomes unavailable (no port chosen): the focus goes back to the
// interface, not to Exit, and the line says why.
void disableOkUnderTheFocus(HWND port, const Language& language) {
    ASSERT_TRUE(clickButton(port, IDC_PORT_SERIAL));
    EXPECT_EQ(controlText(port, IDC_PORT_OK_REASON), L"");
    SendMessageW(port, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(port, IDOK)), TRUE);
    ASSERT_EQ(focusedId(port), IDOK);
    HWND list = GetDlgItem(port, IDC_PORT_LIST);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(port, WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(port, IDOK)));
    EXPECT_EQ(controlText(port, IDC_PORT_OK_REASON), language.noPort);
    EXPECT_EQ(focusedId(port), IDC_PORT_SERIAL);
}

TEST(ScreenEnglish, DialogsOpenCentredAndTheKeyboardKeepsItsPlaceThroughARun) {
    ProgramRun program;
    ASSERT_EQ(program.start(), 0u);
    HWND main = program.waitForWindow(kMainEnglish);
    ASSERT_NE(main, nullptr);
    expectCentredOver(main, workArea(main), "main dialog");

    ASSERT_TRUE(postSysCommand(main, IDM_ABOUTBOX));
    HWND about = program.waitForWindow(L"Instaloo Information");
    expectCentredOver(about, windowRect(main), "about box");
    ASSERT_TRUE(clickButton(about, IDOK));
    ASSERT_TRUE(waitForWindowGone(about));

    HWND port = openPortDialog(program, main, kEnglish);
    ASSERT_NE(port, nullptr);
    walkTheInterfaceGroup(program, port, kEnglish);
    disableOkUnderTheFocus(port, kEnglish);
    saveScreenshot(port, L"port-dialog-ok-unavailable-en");

    ASSERT_TRUE(clickButton(port, IDC_PORT_SERIAL));
    ASSERT_TRUE(postCommand(port, IDOK));
    HWND result = program.waitForWindow(L"Installation complete !!!");
    expectCentredOver(result, windowRect(main), "result dialog");
    ASSERT_TRUE(postCommand(result, IDOK));
    ASSERT_TRUE(waitForWindowGone(result));
    EXPECT_EQ(focusedId(main), IDC_INSTALL) << "after the installation";

    ASSERT_TRUE(postCommand(main, IDC_UNINSTALL));
    HWND removal = program.waitForWindow(L"Delete printer driver Dialog");
    expectCentredOver(removal, windowRect(main), "removal dialog");
    ASSERT_TRUE(clickButton(removal, IDC_SELECT_ALL));
    ASSERT_TRUE(postCommand(removal, IDC_DELETE_PRINTER));
    HWND report = program.waitForWindow(L"Uninstallation complete !!!");
    expectCentredOver(report, windowRect(removal), "removal report");
    ASSERT_TRUE(postCommand(report, IDOK));
    ASSERT_TRUE(waitForWindowGone(removal));
    const int expected = controlVisible(main, IDC_UNINSTALL) ? IDC_UNINSTALL : IDC_INSTALL;
    EXPECT_EQ(focusedId(main), expected) << "after the removal";

    ASSERT_TRUE(clickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.waitForExit(&exitCode));
}

TEST(ScreenKorean, TheInterfaceGroupAndTheReasonLineInKorean) {
    ProgramRun program;
    ASSERT_EQ(program.start(), 0u);
    HWND main = program.waitForWindow(kMainKorean);
    ASSERT_NE(main, nullptr);
    expectCentredOver(main, workArea(main), "main dialog");

    HWND port = openPortDialog(program, main, kKorean);
    ASSERT_NE(port, nullptr);
    walkTheInterfaceGroup(program, port, kKorean);
    saveScreenshot(port, L"port-dialog-no-address-ko");
    disableOkUnderTheFocus(port, kKorean);

    // Exit reports the cancelled installation; Escape there keeps the program open.
    ASSERT_TRUE(postKey(port, VK_ESCAPE));
    ASSERT_TRUE(waitForWindowGone(port));
    HWND result = program.waitForWindow(L"설치 에러 !!!");
    expectCentredOver(result, windowRect(main), "result dialog");
    ASSERT_TRUE(postKey(result, VK_ESCAPE));
    ASSERT_TRUE(waitForWindowGone(result));
    EXPECT_EQ(focusedId(main), IDC_INSTALL) << "after the cancelled installation";
    ASSERT_TRUE(clickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.waitForExit(&exitCode));
}

}  // namespace
}  // namespace e2e
