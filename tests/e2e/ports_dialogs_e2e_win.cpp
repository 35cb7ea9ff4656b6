// The port and code page dialog and the IP address dialog under Wine. This program carries
// Prinstall's resources and runs a PortInfoDialogWin itself, on a thread of its own as the
// Install command would, over the real spooler and registry of the prefix. The test thread
// reads and drives the dialogs by control id, looks at the interface picture on the screen,
// and checks what the dialog hands back.
//
// Wine has no control set 001 and no Standard TCP/IP monitor: the tests create the monitor's
// key themselves where the address check is to pass, and remove it where it is to fail.
//
// ctest runs the English suite under code page 1252 and the Korean one under 949.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "controls/picture_control.h"
#include "harness_win.h"
#include "pixels_win.h"
#include "platform/basic_win.h"
#include "platform/files_win.h"
#include "platform/registry_win.h"
#include "platform/services_win.h"
#include "platform/spooler_win.h"
#include "platform/threads.h"
#include "ports/port_info_dialog_win.h"
#include "resource.h"

namespace {

using namespace e2e;
namespace controls = prinstall::controls;
using prinstall::kDialogCancel;
using prinstall::kDialogOk;

constexpr int kNotEnded = -100;
constexpr wchar_t kPortsKey[] = L"SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

// ---------------------------------------------------------------------------------------
// The dialog on a thread of its own.

bool IsDialogClass(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770";
}

struct ThreadSearch {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    if (IsDialogClass(window) && IsWindowVisible(window))
        reinterpret_cast<ThreadSearch*>(param)->found.push_back(window);
    return TRUE;
}

// Runs a modal dialog on a thread of its own. The destructor cancels whatever dialogs and
// message boxes are still up (a failed test), so the next test starts without them.
class DialogThread {
public:
    explicit DialogThread(std::function<int()> run) {
        EXPECT_TRUE(thread_.Start([this, run] {
            threadId_ = GetCurrentThreadId();
            result_ = run();
            ended_ = true;
        }));
    }

    ~DialogThread() {
        const ULONGLONG deadline = GetTickCount64() + kExitTimeoutMs;
        while (!ended_ && GetTickCount64() < deadline) {
            for (HWND window : Dialogs()) PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(100);
        }
        if (ended_) {
            thread_.Join();
        } else {
            ADD_FAILURE() << "the dialog did not close";
            thread_.Detach();
        }
    }

    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    // The visible dialog windows of the thread (dialogs and message boxes).
    std::vector<HWND> Dialogs() const {
        ThreadSearch search;
        if (threadId_) EnumThreadWindows(threadId_, CollectDialogs, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // A visible dialog of the thread other than those in `except`, once its thread is idle;
    // nullptr when none came.
    HWND WaitForDialog(const std::vector<HWND>& except = {}) const {
        const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
        while (GetTickCount64() < deadline && !ended_) {
            for (HWND window : Dialogs()) {
                if (std::find(except.begin(), except.end(), window) == except.end())
                    return WaitUntilIdle(window) ? window : nullptr;
            }
            Sleep(50);
        }
        return nullptr;
    }

    int Result() {
        const ULONGLONG deadline = GetTickCount64() + kExitTimeoutMs;
        while (!ended_ && GetTickCount64() < deadline) Sleep(20);
        return ended_ ? result_.load() : kNotEnded;
    }

private:
    std::atomic<DWORD> threadId_{0};
    std::atomic<int> result_{kNotEnded};
    std::atomic<bool> ended_{false};
    prinstall::Thread thread_;
};

// ---------------------------------------------------------------------------------------
// The machine: the program's adapters over Wine's spooler and registry.

struct Machine {
    prinstall::WinSpooler spooler;
    prinstall::WinServices services;
    prinstall::WinSystemInfo systemInfo;
    prinstall::WinClock clock;
    prinstall::WinDebugLog debug;
    prinstall::WinFiles files;
    prinstall::WinRegistry registry;
    prinstall::AppContext app{{spooler, services, systemInfo, clock, debug, &files, &registry}, {}};
};

void SetMonitorKey(bool present) {
    if (present) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    } else {
        // The prefix has no control set 001 of its own: all of it is ours.
        const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SYSTEM\\ControlSet001");
        ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
    }
}

// ---------------------------------------------------------------------------------------
// Reading and driving the dialogs.

std::vector<std::wstring> ListEntries(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(text.size() - 1);
        entries.push_back(text);
    }
    return entries;
}

int ListSelection(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0)); }

// Selects an entry as the operator does: the list changes and tells the dialog.
void PickEntry(HWND dialog, int id, const std::wstring& text) {
    HWND list = GetDlgItem(dialog, id);
    const LRESULT index =
        SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    ASSERT_NE(index, CB_ERR) << Utf8(text);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// The interface radio buttons that the operator sees, and the hidden family marks.
const int kVisibleRadios[] = {IDC_PORT_SERIAL,   IDC_PORT_BLUETOOTH, IDC_PORT_PARALLEL,   IDC_PORT_USB,
                              IDC_PORT_ETHERNET, IDC_PORT_WIFI,      IDC_PORT_DRIVER_PORT};
const int kHiddenRadios[] = {IDC_PORT_MARK_2003, IDC_PORT_MARK_VISTA, IDC_PORT_MARK_2008,
                             IDC_PORT_MARK_7,    IDC_PORT_MARK_8,     IDC_PORT_MARK_2012};

void ExpectOnlyChecked(HWND dialog, int id) {
    for (int radio : kVisibleRadios) EXPECT_EQ(Checked(dialog, radio), radio == id) << "radio " << radio;
    for (int radio : kHiddenRadios) EXPECT_FALSE(Checked(dialog, radio)) << "family mark " << radio;
}

// Clicks an interface that asks for an address: posted, because the click opens the modal
// address dialog and would not return before it closes.
HWND ClickNetworkInterface(DialogThread& shown, HWND dialog, int id) {
    EXPECT_TRUE(PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0));
    return shown.WaitForDialog({dialog});
}

std::uint32_t ShownAddress(HWND ipDialog) {
    DWORD address = 0;
    SendDlgItemMessageW(ipDialog, IDC_IP_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return address;
}

void TypeAddress(HWND ipDialog, BYTE a, BYTE b, BYTE c, BYTE d) {
    SendDlgItemMessageW(ipDialog, IDC_IP_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
}

void ExpectScreenshot(HWND window, const std::wstring& name) {
    const Screenshot shot = SaveScreenshot(window, name);
    EXPECT_FALSE(shot.path.empty()) << Utf8(shot.error);
    EXPECT_GE(shot.colours, 16) << Utf8(name) << " looks blank";
}

std::string Describe(const Colour& c) {
    char text[48] = {};
    std::snprintf(text, sizeof text, "(%d, %d, %d)", c.red, c.green, c.blue);
    return text;
}

bool CloseTo(const Colour& a, COLORREF b, int tolerance = 8) {
    return std::abs(a.red - GetRValue(b)) <= tolerance && std::abs(a.green - GetGValue(b)) <= tolerance &&
           std::abs(a.blue - GetBValue(b)) <= tolerance;
}

// A bitmap of this program's resources (the same as Prinstall's): size and top-left pixel.
struct BitmapFacts {
    int width = 0;
    int height = 0;
    COLORREF corner = 0;
};

BitmapFacts ReadBitmapFacts(int id) {
    BitmapFacts facts;
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return facts;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    facts.width = info.bmWidth;
    facts.height = info.bmHeight;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    facts.corner = GetPixel(memory, 1, 1);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return facts;
}

// What the screen shows in the picture's place: the picture window keeps the frame's id
// and rectangle; the bitmap fills its width with its proportions kept (the interface
// pictures are all wider in proportion than the frame), on the button face below.
void ExpectPicture(HWND dialog, int bitmapId, const char* what) {
    SCOPED_TRACE(what);
    HWND picture = GetDlgItem(dialog, IDC_PORT_PICTURE);
    ASSERT_NE(picture, nullptr);
    wchar_t name[32] = {};
    GetClassNameW(picture, name, 32);
    EXPECT_EQ(std::wstring(name), L"PrinstallPicture");
    RECT frame{252, 27, 252 + 88, 27 + 110};
    MapDialogRect(dialog, &frame);
    EXPECT_EQ(ControlRect(dialog, IDC_PORT_PICTURE).left, frame.left);
    EXPECT_EQ(ControlRect(dialog, IDC_PORT_PICTURE).bottom, frame.bottom);

    const BitmapFacts facts = ReadBitmapFacts(bitmapId);
    ASSERT_GT(facts.width, 0) << "bitmap " << bitmapId;
    ClientPixels pixels;
    ASSERT_TRUE(pixels.Capture(picture));
    const auto layout = controls::LayoutPicture(pixels.Width(), pixels.Height(), {0, 0, facts.width, facts.height},
                                                controls::kFitInside);
    EXPECT_EQ(layout.dest.Width(), pixels.Width());
    ASSERT_LT(layout.dest.bottom, pixels.Height() - 4);

    const Colour corner = pixels.At(2, 2);
    EXPECT_TRUE(CloseTo(corner, facts.corner)) << "picture corner " << Describe(corner);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const RECT band{0, layout.dest.bottom, pixels.Width(), pixels.Height()};
    const int faceCount = pixels.Count(band, [&](const Colour& c) { return CloseTo(c, face, 0); });
    EXPECT_EQ(faceCount, (band.right - band.left) * (band.bottom - band.top)) << "band below the picture";
    // The picture itself is not plain: the drawing shows.
    const RECT shown{0, 0, layout.dest.right, layout.dest.bottom};
    const int plain = pixels.Count(shown, [&](const Colour& c) { return CloseTo(c, facts.corner, 2); });
    EXPECT_LT(plain, (shown.right * shown.bottom) * 9 / 10) << "only the ground of the picture shows";
}

// ---------------------------------------------------------------------------------------
// English (code page 1252).

class PortDialogEnglish : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(GetACP(), 949u) << "this suite runs under a non-Korean code page";
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&controls);
        SetMonitorKey(true);
    }
    void TearDown() override { SetMonitorKey(false); }

    Machine machine;
};

TEST_F(PortDialogEnglish, OpensOnUsbAndReturnsTheSerialPortAndCodePageChosen) {
    prinstall::PortInfoDialogWin dialog(machine.app);
    DialogThread shown([&] { return dialog.Run(nullptr); });
    HWND window = shown.WaitForDialog();
    ASSERT_NE(window, nullptr) << "the port dialog did not appear";

    EXPECT_EQ(WindowText(window), L"Select Printer's Port Infomation Dialog");
    const std::pair<int, const wchar_t*> texts[] = {
        {IDC_PORT_GROUP, L"Printer interface"},
        {IDC_PORT_CODE_PAGE_LABEL, L"Code Page : "},
        {IDC_PORT_LIST_LABEL, L"Printer Port : "},
        {IDC_PORT_PROCESSOR_LABEL, L"Processor  : "},
        {IDOK, L"&OK"},
        {IDCANCEL, L"&Exit"},
        {IDC_PORT_SERIAL, L"Serial"},
        {IDC_PORT_DRIVER_PORT, L"Printer Driver Port"},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(ControlText(window, id), text) << "control " << id;

    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_FALSE(style & WS_SYSMENU) << "no system menu, no close box";
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    for (int id : kHiddenRadios) EXPECT_FALSE(ControlVisible(window, id)) << id;
    for (int id : {IDOK, IDCANCEL})
        EXPECT_EQ(GetWindowLongW(GetDlgItem(window, id), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << id;

    // USB, its one port and its picture; the prefix's Windows 7 mark is cleared again.
    ExpectOnlyChecked(window, IDC_PORT_USB);
    EXPECT_EQ(ListEntries(window, IDC_PORT_LIST), std::vector<std::wstring>{L"USB"});
    EXPECT_EQ(ListSelection(window, IDC_PORT_LIST), 0);
    EXPECT_TRUE(ControlEnabled(window, IDOK));
    ExpectPicture(window, IDB_USB, "USB");

    const auto codePages = ListEntries(window, IDC_PORT_CODE_PAGE);
    ASSERT_EQ(codePages.size(), 23u);
    EXPECT_EQ(codePages[0], L"United States (437)");
    EXPECT_EQ(codePages[6], L"Thai    (874)") << "unsorted, blanks kept";
    EXPECT_EQ(ListSelection(window, IDC_PORT_CODE_PAGE), 0);
    EXPECT_EQ(ListEntries(window, IDC_PORT_PROCESSOR),
              (std::vector<std::wstring>{L"32-Bit OS", L"64-Bit OS", L"Itanium"}));
    EXPECT_EQ(ListSelection(window, IDC_PORT_PROCESSOR), 0) << "a 32-bit prefix";
    EXPECT_FALSE(ControlEnabled(window, IDC_PORT_PROCESSOR));
    ExpectScreenshot(window, L"port-dialog-en");
    ExpectAccessible(window, "port dialog");
    // New system colours reach the picture, which paints its band in the new face colour.
    const int element = COLOR_BTNFACE;
    const COLORREF face = GetSysColor(COLOR_BTNFACE), changed = RGB(0x30, 0x70, 0xB0);
    ASSERT_TRUE(SetSysColors(1, &element, &changed) && WaitUntilIdle(window));
    ExpectPicture(window, IDB_USB, "USB in other colours");
    ASSERT_TRUE(SetSysColors(1, &element, &face) && WaitUntilIdle(window));

    // Serial: the prefix's COM ports, sorted, and the serial picture in a new window.
    HWND usbPicture = GetDlgItem(window, IDC_PORT_PICTURE);
    ASSERT_TRUE(ClickButton(window, IDC_PORT_SERIAL));
    ExpectOnlyChecked(window, IDC_PORT_SERIAL);
    EXPECT_EQ(ListEntries(window, IDC_PORT_LIST), (std::vector<std::wstring>{L"COM1:", L"COM2:", L"COM3:", L"COM4:"}));
    EXPECT_EQ(ListSelection(window, IDC_PORT_LIST), 0);
    EXPECT_NE(GetDlgItem(window, IDC_PORT_PICTURE), usbPicture);
    ExpectPicture(window, IDB_SERIAL, "serial");
    ExpectScreenshot(window, L"port-dialog-serial-en");

    ASSERT_TRUE(ClickButton(window, IDC_PORT_PARALLEL));
    EXPECT_EQ(ListEntries(window, IDC_PORT_LIST), (std::vector<std::wstring>{L"LPT1:", L"LPT2:", L"LPT3:"}));
    ExpectPicture(window, IDB_PARALLEL, "parallel");
    ASSERT_TRUE(ClickButton(window, IDC_PORT_BLUETOOTH));
    ExpectPicture(window, IDB_BLUETOOTH, "Bluetooth");
    PickEntry(window, IDC_PORT_LIST, L"COM3:");
    PickEntry(window, IDC_PORT_CODE_PAGE, L"US (ANSI) (1252)");

    ASSERT_TRUE(ClickButton(window, IDOK));
    ASSERT_EQ(shown.Result(), kDialogOk);
    EXPECT_EQ(dialog.PortName(), "COM3:");
    EXPECT_EQ(dialog.IpAddressText(), "");
    EXPECT_TRUE(machine.app.state.useLabelPortMonitor);
    EXPECT_EQ(machine.app.state.codePage, 13);
    EXPECT_EQ(machine.app.state.os.osFamily, 11) << "the prefix reports Windows 7";
    EXPECT_EQ(machine.app.state.os.processor, 0);
}

TEST_F(PortDialogEnglish, TheNetworkAddressIsAskedForCheckedAndOfferedAgain) {
    prinstall::PortInfoDialogWin dialog(machine.app);
    DialogThread shown([&] { return dialog.Run(nullptr); });
    HWND window = shown.WaitForDialog();
    ASSERT_NE(window, nullptr);

    HWND ip = ClickNetworkInterface(shown, window, IDC_PORT_ETHERNET);
    ASSERT_NE(ip, nullptr) << "the IP address dialog did not appear";
    EXPECT_EQ(WindowText(ip), L"Printer IP Address");
    EXPECT_EQ(ControlText(ip, IDC_IP_LABEL), L"IP Address : ");
    EXPECT_EQ(ControlText(ip, IDOK), L"OK");
    EXPECT_FALSE(GetWindowLongW(ip, GWL_STYLE) & WS_SYSMENU);
    EXPECT_EQ(ShownAddress(ip), MAKEIPADDRESS(192, 168, 0, 192));
    ExpectScreenshot(ip, L"ip-dialog-en");
    ExpectAccessible(ip, "address dialog");
    TypeAddress(ip, 10, 1, 2, 3);
    ASSERT_TRUE(ClickButton(ip, IDOK));
    ASSERT_TRUE(WaitForWindowGone(ip));
    ASSERT_TRUE(WaitUntilIdle(window));
    ExpectOnlyChecked(window, IDC_PORT_ETHERNET);
    EXPECT_EQ(ListEntries(window, IDC_PORT_LIST), std::vector<std::wstring>{L"TCP/IP"});
    ExpectPicture(window, IDB_ETHERNET, "Ethernet");
    EXPECT_TRUE(ControlEnabled(window, IDOK));

    // Wi-Fi offers the confirmed address; Escape keeps it.
    ip = ClickNetworkInterface(shown, window, IDC_PORT_WIFI);
    ASSERT_NE(ip, nullptr);
    EXPECT_EQ(ShownAddress(ip), MAKEIPADDRESS(10, 1, 2, 3));
    ASSERT_TRUE(PostKey(ip, VK_ESCAPE));
    ASSERT_TRUE(WaitForWindowGone(ip));
    ASSERT_TRUE(WaitUntilIdle(window));
    ExpectPicture(window, IDB_WIFI, "Wi-Fi");

    ASSERT_TRUE(ClickButton(window, IDOK));
    ASSERT_EQ(shown.Result(), kDialogOk);
    EXPECT_EQ(dialog.PortName(), "TCP/IP");
    EXPECT_EQ(dialog.IpAddressText(), "10.1.2.3");
}

TEST_F(PortDialogEnglish, WithoutTheStandardTcpIpMonitorTheAddressIsRefusedAndOkStaysOff) {
    SetMonitorKey(false);
    prinstall::PortInfoDialogWin dialog(machine.app);
    DialogThread shown([&] { return dialog.Run(nullptr); });
    HWND window = shown.WaitForDialog();
    ASSERT_NE(window, nullptr);

    HWND ip = ClickNetworkInterface(shown, window, IDC_PORT_ETHERNET);
    ASSERT_NE(ip, nullptr);
    TypeAddress(ip, 10, 0, 0, 5);
    ASSERT_TRUE(PostMessageW(GetDlgItem(ip, IDOK), BM_CLICK, 0, 0));  // the message box blocks it
    HWND box = shown.WaitForDialog({window, ip});
    ASSERT_NE(box, nullptr) << "no message about the missing monitor";
    EXPECT_EQ(WindowText(box), L"prinstall_ports_dialogs_win") << "the program's title";
    EXPECT_EQ(ControlText(box, 0xFFFF), L"Standard TCP/IP Port not installed\nPlease Install Standard TCP/IP Port");
    ASSERT_TRUE(ClickButton(box, IDOK));
    ASSERT_TRUE(WaitForWindowGone(ip));
    ASSERT_TRUE(WaitUntilIdle(window));

    // The network port without an address cannot be confirmed, not even with Enter.
    EXPECT_EQ(ListEntries(window, IDC_PORT_LIST), std::vector<std::wstring>{L"TCP/IP"});
    EXPECT_FALSE(ControlEnabled(window, IDOK));
    ExpectScreenshot(window, L"port-dialog-no-address-en");
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    ASSERT_TRUE(WaitUntilIdle(window));
    EXPECT_TRUE(IsWindowVisible(window)) << "OK ended the dialog without an address";

    ASSERT_TRUE(ClickButton(window, IDC_PORT_USB));
    EXPECT_TRUE(ControlEnabled(window, IDOK));
    ASSERT_TRUE(ClickButton(window, IDCANCEL));
    EXPECT_EQ(shown.Result(), kDialogCancel);
}

TEST_F(PortDialogEnglish, EscapeCancelsLikeExit) {
    prinstall::PortInfoDialogWin dialog(machine.app);
    DialogThread shown([&] { return dialog.Run(nullptr); });
    HWND window = shown.WaitForDialog();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostKey(window, VK_ESCAPE));
    EXPECT_EQ(shown.Result(), kDialogCancel);
}

// ---------------------------------------------------------------------------------------
// Korean (code page 949).

class PortDialogKorean : public PortDialogEnglish {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 949u) << "this suite needs the Korean locale (KOREAN test flag)";
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&controls);
        SetMonitorKey(true);
    }
};

TEST_F(PortDialogKorean, TextsListsAndTheAddressDialogInKorean) {
    prinstall::PortInfoDialogWin dialog(machine.app);
    DialogThread shown([&] { return dialog.Run(nullptr); });
    HWND window = shown.WaitForDialog();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(WindowText(window), L"프린터 포트 및 코드 페이지 선택");
    const std::pair<int, const wchar_t*> texts[] = {
        {IDC_PORT_CODE_PAGE_LABEL, L"코드 페이지 : "},
        {IDC_PORT_GROUP, L"프린터 포트 정보"},
        {IDOK, L"확인"},
        {IDCANCEL, L"설치 취소"},
        {IDC_PORT_LIST_LABEL, L"인쇄할 포트 : "},
        {IDC_PORT_PROCESSOR_LABEL, L"플랫폼      : "},
        {IDC_PORT_USB, L"USB"},
        {IDC_PORT_ETHERNET, L"Ethernet"},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(ControlText(window, id), text) << "control " << id;
    const auto codePages = ListEntries(window, IDC_PORT_CODE_PAGE);
    ASSERT_EQ(codePages.size(), 23u);
    EXPECT_EQ(codePages[0], L"영어(437)");
    EXPECT_EQ(codePages[10], L"중국어(번체-BIG5) (950)");
    EXPECT_EQ(ListSelection(window, IDC_PORT_CODE_PAGE), 0);
    EXPECT_EQ(ListEntries(window, IDC_PORT_PROCESSOR)[0], L"32-Bit OS");
    ExpectOnlyChecked(window, IDC_PORT_USB);
    ExpectPicture(window, IDB_USB, "USB");
    ExpectScreenshot(window, L"port-dialog-ko");

    HWND ip = ClickNetworkInterface(shown, window, IDC_PORT_WIFI);
    ASSERT_NE(ip, nullptr);
    EXPECT_EQ(WindowText(ip), L"프린터 IP 주소 설정");
    EXPECT_EQ(ControlText(ip, IDC_IP_LABEL), L"IP 주소 : ");
    EXPECT_EQ(ControlText(ip, IDOK), L"확인");
    ExpectScreenshot(ip, L"ip-dialog-ko");
    TypeAddress(ip, 192, 168, 100, 200);
    ASSERT_TRUE(ClickButton(ip, IDOK));
    ASSERT_TRUE(WaitForWindowGone(ip));
    ASSERT_TRUE(WaitUntilIdle(window));

    // Without the monitor the second address is refused in Korean, and the first one stays.
    SetMonitorKey(false);
    ip = ClickNetworkInterface(shown, window, IDC_PORT_ETHERNET);
    ASSERT_NE(ip, nullptr);
    EXPECT_EQ(ShownAddress(ip), MAKEIPADDRESS(192, 168, 100, 200));
    TypeAddress(ip, 10, 1, 2, 3);
    ASSERT_TRUE(PostMessageW(GetDlgItem(ip, IDOK), BM_CLICK, 0, 0));
    HWND box = shown.WaitForDialog({window, ip});
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ControlText(box, 0xFFFF),
              L"Standard TCP/IP Port가 설치되어 있지 않습니다.\nStandard TCP/IP Port를 추가해 주십시오.");
    ASSERT_TRUE(ClickButton(box, IDOK));
    ASSERT_TRUE(WaitForWindowGone(ip));
    ASSERT_TRUE(WaitUntilIdle(window));

    ASSERT_TRUE(ClickButton(window, IDOK));
    ASSERT_EQ(shown.Result(), kDialogOk);
    EXPECT_EQ(dialog.PortName(), "TCP/IP");
    EXPECT_EQ(dialog.IpAddressText(), "192.168.100.200");
}

}  // namespace
