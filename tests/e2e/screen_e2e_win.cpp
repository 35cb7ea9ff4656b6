// What the operator sees of the real Prinstall.exe on the screen and at the keyboard, at 96,
// 144 and 192 DPI in English and Korean: each dialog opens centred over its owner (the main
// dialog over the work area), no static or button text needs more room than its control has,
// the arrow keys go through all seven interfaces, the line beside an unavailable OK says why
// while the focus stays put, and a run leaves the focus on a button. Each dialog is shot as
// <dialog>-<language>-<dpi>dpi, the port dialog with its reason line as port-no-port-....
//
// Xvfb has no window manager: a window's rectangle is the one the program gave it. Wine reads
// HKCU\Control Panel\Desktop LogPixels as each process starts and gives every process that
// DPI, so this program measures with the dialogs' template fonts created anew at that DPI (it
// cannot use the program's fonts).
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "harness_win.h"
#include "resource.h"

namespace e2e {
namespace {

struct Font {
    int points;
    const wchar_t* face;
};
constexpr Font kMainFont{9, L"MS Sans Serif"};
constexpr Font kDialogFont{10, L"MS Sans Serif"};  // port, result and removal dialogs
constexpr Font kIpFont{10, L"System"};

struct Texts {
    const wchar_t *suffix, *main, *port, *ip, *result, *removal, *report, *noPort, *noAddress;
};
const Texts kEnglish = {L"en",
                        L"TORVA EPL Printer Driver Installation / Uninstallation Program",
                        L"Select Printer's Port Infomation Dialog",
                        L"Printer IP Address",
                        L"Installation complete !!!",
                        L"Delete printer driver Dialog",
                        L"Uninstallation complete !!!",
                        L"No port for this interface: choose another interface.",
                        L"No printer IP address confirmed yet: choose Ethernet or Wi-Fi again to enter it."};
const Texts kKorean = {L"ko",
                       L"토르바스 EPL 프린터 드라이버 설치/삭제",
                       L"프린터 포트 및 코드 페이지 선택",
                       L"프린터 IP 주소 설정",
                       L"설치 완료 !!!",
                       L"프린터 드라이버 삭제 창",
                       L"삭제 완료 !!!",
                       L"이 인터페이스에 사용할 포트가 없습니다. 다른 인터페이스를 선택하십시오.",
                       L"프린터 IP 주소가 아직 확인되지 않았습니다. Ethernet 또는 Wi-Fi를 다시 선택해 입력하십시오."};

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// Centres compared in doubled coordinates: halves of odd sizes round either way.
void ExpectCentredOver(HWND window, const RECT& over, const char* what) {
    const RECT rect = WindowRect(window);
    EXPECT_NEAR(rect.left + rect.right, over.left + over.right, 3) << what << ": horizontally";
    EXPECT_NEAR(rect.top + rect.bottom, over.top + over.bottom, 3) << what << ": vertically";
}

int FocusedId(HWND window) {
    WaitUntilIdle(window);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
    return GetParent(gui.hwndFocus) == window ? GetDlgCtrlID(gui.hwndFocus) : 0;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

// Every visible text control gets at least the room DrawText needs for its text, broken into
// lines as the control breaks it: statics, group boxes, radio buttons and our icon buttons.
void ExpectNoTextClipped(HWND dialog, const Font& font, int dpi, const char* what) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT created = CreateFontW(-MulDiv(font.points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                0, 0, 0, 0, font.face);
    HGDIOBJ old = SelectObject(dc, created);
    std::vector<HWND> children;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND control : children) {
        const std::wstring text = WindowText(control);
        wchar_t kind[16] = {};
        GetClassNameW(control, kind, 16);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        RECT room{};
        GetClientRect(control, &room);
        UINT format = DT_CALCRECT | DT_WORDBREAK;
        if (text.empty() || !IsWindowVisible(control)) continue;
        if (lstrcmpiW(kind, L"Static") == 0) {
            if ((style & SS_TYPEMASK) > SS_RIGHT && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP) continue;
            if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        } else if (lstrcmpiW(kind, L"Button") == 0) {
            const LONG type = style & BS_TYPEMASK;
            if (type == BS_GROUPBOX)
                InflateRect(&room, -MulDiv(6, dpi, 96), 0);
            else if (type == BS_AUTORADIOBUTTON)
                room.left += MulDiv(16, dpi, 96);  // the circle and gap
            else if (type == BS_OWNERDRAW)
                room.left += MulDiv(32, dpi, 96) + 3;  // icon and margin
            else
                continue;
        } else {
            continue;
        }
        RECT need{room.left, room.top, room.right, room.top};
        DrawTextW(dc, text.c_str(), -1, &need, format);
        EXPECT_TRUE(need.right - need.left <= room.right - room.left &&
                    need.bottom - need.top <= room.bottom - room.top)
            << what << ": \"" << Utf8(text) << "\" needs " << need.right - need.left << " x " << need.bottom - need.top
            << ", has " << room.right - room.left << " x " << room.bottom - room.top;
    }
    SelectObject(dc, old);
    DeleteObject(created);
    DeleteDC(dc);
}

// Opened, centred over `over`, shot and measured.
HWND ExpectDialog(const ProgramRun& program, const wchar_t* title, const RECT& over, const Font& font, int dpi,
                  const Texts& texts, const wchar_t* name) {
    HWND window = program.WaitForWindow(title);
    if (window == nullptr) return nullptr;
    const std::string what = Utf8(name);
    ExpectCentredOver(window, over, what.c_str());
    const Screenshot shot =
        SaveScreenshot(window, std::wstring(name) + L"-" + texts.suffix + L"-" + std::to_wstring(dpi) + L"dpi");
    EXPECT_FALSE(shot.path.empty()) << Utf8(shot.error);
    ExpectNoTextClipped(window, font, dpi, what.c_str());
    return window;
}

// The control that has the focus once it has left `previous` (a key is handled after any
// sent message, so it takes a moment); while the address dialog is up, the interface it was
// opened for.
int NextFocus(const ProgramRun& program, HWND port, const Texts& texts, int previous) {
    for (int polls = 0; polls < 600; ++polls, Sleep(50)) {
        if (FindProcessWindow(program.ProcessId(), texts.ip) != nullptr)
            return IsDlgButtonChecked(port, IDC_PORT_WIFI) == BST_CHECKED ? IDC_PORT_WIFI : IDC_PORT_ETHERNET;
        const int id = FocusedId(port);
        if (id != 0 && id != previous) return id;
    }
    return previous;
}

// From OK, Tab reaches Exit and then the interface group; Down visits all seven and comes
// back to USB. Ethernet and Wi-Fi open the address dialog as the arrow clicks them: Escape
// leaves them without an address, the line beside OK says so and the focus stays on the
// interface.
void WalkTheInterfaceGroup(const ProgramRun& program, HWND port, int dpi, const Texts& texts) {
    ASSERT_EQ(FocusedId(port), IDOK);
    ASSERT_TRUE(PostKey(port, VK_TAB));
    ASSERT_EQ(NextFocus(program, port, texts, IDOK), IDCANCEL) << "Exit follows OK, as the dialog reads";
    ASSERT_TRUE(PostKey(port, VK_TAB));
    ASSERT_EQ(NextFocus(program, port, texts, IDCANCEL), IDC_PORT_USB) << "Tab enters the group at the checked one";
    std::set<int> visited;
    for (int step = 0, id = IDC_PORT_USB; step < 7; ++step) {
        ASSERT_TRUE(PostKey(port, VK_DOWN));
        id = NextFocus(program, port, texts, id);
        if (id == IDC_PORT_ETHERNET || id == IDC_PORT_WIFI) {
            HWND ip = ExpectDialog(program, texts.ip, WindowRect(port), kIpFont, dpi, texts, L"ip-address");
            ASSERT_NE(ip, nullptr);
            ASSERT_TRUE(PostKey(ip, VK_ESCAPE));
            ASSERT_TRUE(WaitForWindowGone(ip));
            ASSERT_TRUE(WaitUntilIdle(port));  // the port dialog goes on once the address dialog is gone
            EXPECT_FALSE(ControlEnabled(port, IDOK));
            EXPECT_EQ(ControlText(port, IDC_PORT_OK_REASON), texts.noAddress);
            EXPECT_EQ(FocusedId(port), id);
        }
        visited.insert(id);
    }
    EXPECT_EQ(visited.size(), 7u);
    EXPECT_EQ(FocusedId(port), IDC_PORT_USB);
}

void ThroughEveryDialog(int dpi, const Texts& texts) {
    DWORD logPixels = static_cast<DWORD>(dpi);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &logPixels,
                              sizeof logPixels),
              ERROR_SUCCESS);
    ProgramRun program;
    ASSERT_EQ(program.Start(), 0u);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    HWND main = ExpectDialog(program, texts.main, monitor.rcWork, kMainFont, dpi, texts, L"main");
    ASSERT_NE(main, nullptr);

    ASSERT_TRUE(PostCommand(main, IDC_INSTALL));
    HWND port = ExpectDialog(program, texts.port, WindowRect(main), kDialogFont, dpi, texts, L"port");
    ASSERT_NE(port, nullptr);
    WalkTheInterfaceGroup(program, port, dpi, texts);
    // OK goes off under the focus (no port chosen): the focus goes to the interface, not Exit.
    ASSERT_TRUE(ClickButton(port, IDC_PORT_SERIAL));
    SendMessageW(port, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(port, IDOK)), TRUE);
    ASSERT_EQ(FocusedId(port), IDOK);
    SendDlgItemMessageW(port, IDC_PORT_LIST, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(port, WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELCHANGE), (LPARAM)GetDlgItem(port, IDC_PORT_LIST));
    EXPECT_EQ(ControlText(port, IDC_PORT_OK_REASON), texts.noPort);
    EXPECT_EQ(FocusedId(port), IDC_PORT_SERIAL);
    ExpectNoTextClipped(port, kDialogFont, dpi, "port dialog with a reason");
    SaveScreenshot(port, std::wstring(L"port-no-port-") + texts.suffix + L"-" + std::to_wstring(dpi) + L"dpi");

    ASSERT_TRUE(ClickButton(port, IDC_PORT_SERIAL));
    ASSERT_TRUE(PostCommand(port, IDOK));
    HWND result = ExpectDialog(program, texts.result, WindowRect(main), kDialogFont, dpi, texts, L"result");
    ASSERT_NE(result, nullptr);
    ASSERT_TRUE(PostCommand(result, IDOK));
    ASSERT_TRUE(WaitForWindowGone(result));
    EXPECT_EQ(FocusedId(main), IDC_INSTALL) << "after the installation";

    ASSERT_TRUE(PostCommand(main, IDC_UNINSTALL));
    HWND removal = ExpectDialog(program, texts.removal, WindowRect(main), kDialogFont, dpi, texts, L"removal");
    ASSERT_NE(removal, nullptr);
    ASSERT_TRUE(ClickButton(removal, IDC_SELECT_ALL));
    ASSERT_TRUE(PostCommand(removal, IDC_DELETE_PRINTER));
    HWND report = program.WaitForWindow(texts.report);
    ASSERT_NE(report, nullptr);
    ExpectCentredOver(report, WindowRect(removal), "removal report");
    ASSERT_TRUE(PostCommand(report, IDOK));
    ASSERT_TRUE(WaitForWindowGone(removal));
    const int focus = FocusedId(main);  // once the main dialog has followed the removal
    EXPECT_EQ(focus, ControlVisible(main, IDC_UNINSTALL) ? IDC_UNINSTALL : IDC_INSTALL) << "after the removal";

    ASSERT_TRUE(ClickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.WaitForExit(&exitCode));
}

TEST(ScreenEnglish, At96) { ThroughEveryDialog(96, kEnglish); }
TEST(ScreenKorean, At96) { ThroughEveryDialog(96, kKorean); }
TEST(HighDpiEnglish, At144And192) {
    for (int dpi : {144, 192}) ThroughEveryDialog(dpi, kEnglish);
}
TEST(HighDpiKorean, At144And192) {
    for (int dpi : {144, 192}) ThroughEveryDialog(dpi, kKorean);
}

}  // namespace
}  // namespace e2e
