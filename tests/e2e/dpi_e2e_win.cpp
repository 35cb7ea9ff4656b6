// The real Prinstall.exe at 144 and 192 DPI, in English and Korean: each dialog is shot for
// the eye, and no text of a static or button control needs more room than the control has.
//
// Wine takes its DPI from HKCU\Control Panel\Desktop LogPixels (before LogPixels under
// HKEY_CURRENT_CONFIG\Software\Fonts), read by each process as it starts; it gives the DPI
// to programs that are not DPI aware as well, so this test program measures at the program's
// DPI. Its process does not share fonts with the program's: the dialogs' template fonts are
// created anew here at that DPI, as the dialog manager creates them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness_win.h"
#include "resource.h"

namespace e2e {
namespace {

struct TemplateFont {
    int points;
    const wchar_t* face;
};
constexpr TemplateFont kSmallSans{9, L"MS Sans Serif"};  // main dialog, about box
constexpr TemplateFont kSans{10, L"MS Sans Serif"};      // port, result and removal dialogs
constexpr TemplateFont kSystem{10, L"System"};           // IP address dialog

struct Texts {
    const wchar_t* suffix;
    const wchar_t* main;
    const wchar_t* port;
    const wchar_t* ip;
    const wchar_t* result;
    const wchar_t* removal;
    const wchar_t* report;
};
const Texts kEnglish = {L"en", L"TORVA EPL Printer Driver Installation / Uninstallation Program",
                        L"Select Printer's Port Infomation Dialog", L"Printer IP Address",
                        L"Installation complete !!!", L"Delete printer driver Dialog",
                        L"Uninstallation complete !!!"};
const Texts kKorean = {L"ko", L"토르바스 EPL 프린터 드라이버 설치/삭제", L"프린터 포트 및 코드 페이지 선택",
                       L"프린터 IP 주소 설정", L"설치 완료 !!!", L"프린터 드라이버 삭제 창", L"삭제 완료 !!!"};

void setDpi(DWORD dpi) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi),
              ERROR_SUCCESS);
}

struct Collected {
    std::vector<HWND> children;
};

BOOL CALLBACK collectChild(HWND child, LPARAM param) {
    reinterpret_cast<Collected*>(param)->children.push_back(child);
    return TRUE;
}

std::wstring className(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

// Every visible static text, group box, radio button and push button of `dialog` fits its
// text in the template's font at `dpi`: the room the control draws its text in is at least
// what DrawText needs there, with the control's own line breaking.
void expectNoTextClipped(HWND dialog, const TemplateFont& font, int dpi, const std::wstring& what) {
    SCOPED_TRACE(utf8(what));
    ASSERT_NE(dialog, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT created = CreateFontW(-MulDiv(font.points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, font.face);
    HGDIOBJ old = SelectObject(dc, created);
    auto scaled = [&](int pixels) { return MulDiv(pixels, dpi, 96); };

    Collected found;
    EnumChildWindows(dialog, collectChild, reinterpret_cast<LPARAM>(&found));
    int measured = 0;
    for (HWND control : found.children) {
        const std::wstring text = windowText(control);
        if (text.empty() || !IsWindowVisible(control)) continue;
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        RECT client{};
        GetClientRect(control, &client);
        RECT room = client;  // where the control draws the text
        UINT format = DT_CALCRECT | DT_WORDBREAK;
        const std::wstring kind = className(control);
        if (kind == L"Static") {
            const LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) continue;
            if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        } else if (kind == L"Button") {
            const LONG type = style & BS_TYPEMASK;
            if (type == BS_GROUPBOX) {
                room.left += scaled(6);
                room.right -= scaled(6);
                format = DT_CALCRECT | DT_SINGLELINE;
            } else if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX) {
                room.left += scaled(16);  // the box or circle and the gap after it
            } else if (type == BS_OWNERDRAW) {
                room.left += scaled(32) + 3;  // the icon button's icon and margin
            } else {
                continue;
            }
        } else {
            continue;
        }
        RECT need{room.left, room.top, room.right, room.top};
        DrawTextW(dc, text.c_str(), -1, &need, format);
        ++measured;
        EXPECT_LE(need.right - need.left, room.right - room.left)
            << "too narrow for \"" << utf8(text) << "\" (control " << GetDlgCtrlID(control) << ")";
        EXPECT_LE(need.bottom - need.top, room.bottom - room.top)
            << "too low for \"" << utf8(text) << "\" (control " << GetDlgCtrlID(control) << ")";
    }
    EXPECT_GT(measured, 0) << "no text control measured";
    SelectObject(dc, old);
    DeleteObject(created);
    DeleteDC(dc);
}

void shoot(HWND window, const std::wstring& dialog, const Texts& texts, int dpi) {
    const Screenshot shot = saveScreenshot(window, dialog + L"-" + texts.suffix + L"-" + std::to_wstring(dpi) + L"dpi");
    EXPECT_FALSE(shot.path.empty()) << utf8(shot.error);
}

// Through every dialog of an installation on COM1: and its removal, shot and measured.
void everyDialogAt(int dpi, const Texts& texts) {
    setDpi(static_cast<DWORD>(dpi));
    ProgramRun program;
    ASSERT_EQ(program.start(), 0u);
    HWND main = program.waitForWindow(texts.main);
    ASSERT_NE(main, nullptr);
    shoot(main, L"main", texts, dpi);
    expectNoTextClipped(main, kSmallSans, dpi, L"main dialog");

    ASSERT_TRUE(postCommand(main, IDC_INSTALL));
    HWND port = program.waitForWindow(texts.port);
    ASSERT_NE(port, nullptr);
    shoot(port, L"port", texts, dpi);
    expectNoTextClipped(port, kSans, dpi, L"port dialog");

    ASSERT_TRUE(PostMessageW(GetDlgItem(port, IDC_PORT_ETHERNET), BM_CLICK, 0, 0));
    HWND ip = program.waitForWindow(texts.ip);
    ASSERT_NE(ip, nullptr);
    shoot(ip, L"ip-address", texts, dpi);
    expectNoTextClipped(ip, kSystem, dpi, L"IP address dialog");
    ASSERT_TRUE(postKey(ip, VK_ESCAPE));
    ASSERT_TRUE(waitForWindowGone(ip));
    ASSERT_TRUE(waitUntilIdle(port));
    shoot(port, L"port-no-address", texts, dpi);
    expectNoTextClipped(port, kSans, dpi, L"port dialog without an address");

    ASSERT_TRUE(clickButton(port, IDC_PORT_SERIAL));
    ASSERT_TRUE(postCommand(port, IDOK));
    HWND result = program.waitForWindow(texts.result);
    ASSERT_NE(result, nullptr);
    shoot(result, L"result", texts, dpi);
    expectNoTextClipped(result, kSans, dpi, L"result dialog");
    ASSERT_TRUE(postCommand(result, IDOK));
    ASSERT_TRUE(waitForWindowGone(result));

    ASSERT_TRUE(postCommand(main, IDC_UNINSTALL));
    HWND removal = program.waitForWindow(texts.removal);
    ASSERT_NE(removal, nullptr);
    shoot(removal, L"removal", texts, dpi);
    expectNoTextClipped(removal, kSans, dpi, L"removal dialog");
    ASSERT_TRUE(clickButton(removal, IDC_SELECT_ALL));
    ASSERT_TRUE(postCommand(removal, IDC_DELETE_PRINTER));
    HWND report = program.waitForWindow(texts.report);
    ASSERT_NE(report, nullptr);
    ASSERT_TRUE(postCommand(report, IDOK));
    ASSERT_TRUE(waitForWindowGone(removal));

    ASSERT_TRUE(clickButton(main, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.waitForExit(&exitCode));
}

TEST(DpiEnglish, EveryDialogAt144) { everyDialogAt(144, kEnglish); }
TEST(DpiEnglish, EveryDialogAt192) { everyDialogAt(192, kEnglish); }
TEST(DpiKorean, EveryDialogAt144) { everyDialogAt(144, kKorean); }
TEST(DpiKorean, EveryDialogAt192) { everyDialogAt(192, kKorean); }

}  // namespace
}  // namespace e2e
