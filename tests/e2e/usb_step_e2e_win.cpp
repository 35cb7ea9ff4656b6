// The USB step under Wine with its real windows: the instruction dialog and the search
// window from Prinstall's templates, the device over Wine's SetupAPI and registry, and the
// stand-in printers of usb-printers.sh. The step runs on a thread of its own, as in the
// Installation button's handler; the test thread answers the instruction dialog, looks at
// the search window while the step's thread sleeps, switches the printer on, and takes
// screenshots.
//
// ctest runs the English suite under code page 1252 and the Korean one under 949.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness_win.h"
#include "platform/basic_win.h"
#include "platform/registry_win.h"
#include "platform/threads.h"
#include "resource.h"
#include "usb/usb_dialogs_win.h"
#include "usb/usb_step.h"
#include "usb_printers_win.h"

namespace {

using namespace e2e;

struct Texts {
    const wchar_t* warningTitle;
    const wchar_t* lines[3];
    const wchar_t* ok;
    const wchar_t* searchTitle;
    const wchar_t* wait;
};
const Texts kEnglish = {
    L"USB Connection Warning",
    {L"1. Connect USB Printer to Desktop Computer.", L"2. Turn on the printer.", L"3. Click  \"OK\"  button."},
    L"OK",
    L"Now USB Port Searching......",
    L"Please wait a minite ......"};
const Texts kKorean = {
    L"USB 프린터 연결 확인",
    {L"1. 프린터를 PC에 연결하십시오.", L"2. 프린터를 켜 주십시오.", L"3. 확인 버튼을 클릭하십시오."},
    L"확인",
    L"연결된 토르바스 프린터 찾는 중",
    L"잠시만 기다려 주십시오....."};

// The text the window manager keeps: no message to a thread that may be asleep.
std::wstring StoredText(HWND window) {
    wchar_t text[256] = {};
    InternalGetWindowText(window, text, 256);
    return text;
}

// The step's windows, noting on the step's own thread what the search window showed.
class ObservedWindows : public prinstall::UsbStepWindows {
public:
    explicit ObservedWindows(prinstall::SystemInfo& systemInfo) : UsbStepWindows(nullptr, systemInfo) {}

    void ShowSearch(bool focus) override {
        UsbStepWindows::ShowSearch(focus);
        // The window itself, or the control the dialog manager hands the focus on to.
        const HWND focused = GetFocus();
        prinstall::MutexLock lock(mutex);
        search = SearchWindow();
        focusedWhenShown = focused != nullptr && (focused == search || IsChild(search, focused));
    }
    void SetSearchProgress(int position) override {
        UsbStepWindows::SetSearchProgress(position);
        const auto shown = SendDlgItemMessageW(SearchWindow(), IDC_USB_SEARCH_PROGRESS, PBM_GETPOS, 0, 0);
        prinstall::MutexLock lock(mutex);
        bar.push_back(static_cast<int>(shown));
    }
    void DestroySearch() override {
        UsbStepWindows::DestroySearch();
        prinstall::MutexLock lock(mutex);
        destroyed = search != nullptr && !IsWindow(search);
    }

    prinstall::Mutex mutex;
    HWND search = nullptr;
    bool focusedWhenShown = false;
    std::vector<int> bar;  // the positions the progress bar reported after each move
    bool destroyed = false;
};

// One run of the step on a thread of its own.
class StepRun {
public:
    StepRun() {
        EXPECT_TRUE(thread_.Start([this] {
            threadId_ = GetCurrentThreadId();
            prinstall::UsbFlowContext flow{device_,
                                           windows,
                                           clock_,
                                           debug_,
                                           prinstall::LanguageForCodePage(GetACP()),
                                           usbPortName,
                                           [this](const std::string& message) {
                                               failure = message;
                                               return 2;
                                           },
                                           [] {}};
            result_ = prinstall::RunUsbStep(flow, counter);
            ended_ = true;
        }));
    }
    ~StepRun() {
        // A failed test may leave the instruction dialog up: cancel it, then let the step end.
        const ULONGLONG deadline = GetTickCount64() + 60000;
        while (!ended_ && GetTickCount64() < deadline) {
            if (HWND warning = FindWarning()) PostMessageW(warning, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(100);
        }
        if (ended_) {
            thread_.Join();
        } else {
            ADD_FAILURE() << "the USB step did not end";
            thread_.Detach();
        }
    }
    StepRun(const StepRun&) = delete;
    StepRun& operator=(const StepRun&) = delete;

    // The instruction dialog once it is up and idle; nullptr when it never came.
    HWND WaitForWarning() {
        const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
        while (!ended_ && GetTickCount64() < deadline) {
            if (HWND w = FindWarning()) return WaitUntilIdle(w) ? w : nullptr;
            Sleep(50);
        }
        return nullptr;
    }
    // The search window once its bar has moved `moves` times; nullptr when it never did.
    HWND WaitForBar(std::size_t moves) {
        const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
        while (!ended_ && GetTickCount64() < deadline) {
            {
                prinstall::MutexLock lock(windows.mutex);
                if (windows.bar.size() >= moves) return windows.search;
            }
            Sleep(20);
        }
        return nullptr;
    }
    // How the step ended; -100 when it is still running after 90 seconds.
    int Result() {
        const ULONGLONG deadline = GetTickCount64() + 90000;
        while (!ended_ && GetTickCount64() < deadline) Sleep(50);
        return ended_ ? result_.load() : -100;
    }

private:
    WineUsbBus bus_;
    prinstall::WinRegistry registry_;
    prinstall::WinSystemInfo systemInfo_;
    prinstall::WinClock clock_;
    prinstall::WinDebugLog debug_;
    prinstall::UsbPrinterDevice device_{bus_, registry_, systemInfo_, clock_, debug_, [](auto&&...) {}};

public:
    ObservedWindows windows{systemInfo_};
    std::string usbPortName = "USB009";  // as an earlier run left it
    int counter = prinstall::kUsbSearchCounterStart;
    std::string failure;

private:
    // The instruction dialog: the visible dialog of the step's thread that is not the search
    // window.
    static BOOL CALLBACK MatchWarning(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<StepRun*>(param);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
        {
            prinstall::MutexLock lock(self->windows.mutex);
            if (window == self->windows.search) return TRUE;
        }
        self->found_ = window;
        return FALSE;
    }
    HWND FindWarning() {
        found_ = nullptr;
        if (threadId_ != 0) EnumThreadWindows(threadId_, MatchWarning, reinterpret_cast<LPARAM>(this));
        return found_;
    }

    std::atomic<DWORD> threadId_{0};
    std::atomic<int> result_{-100};
    std::atomic<bool> ended_{false};
    HWND found_ = nullptr;
    prinstall::Thread thread_;
};

// The instruction dialog: texts, frame and size in its "System" font.
void CheckWarning(HWND warning, const Texts& t) {
    EXPECT_EQ(WindowText(warning), t.warningTitle);
    const int lines[] = {IDC_USB_WARNING_CONNECT, IDC_USB_WARNING_SWITCH_ON, IDC_USB_WARNING_CLICK_OK};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ControlText(warning, lines[i]), t.lines[i]);
    EXPECT_EQ(ControlText(warning, IDOK), t.ok);
    EXPECT_EQ(LOWORD(SendMessageW(warning, DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_FALSE(GetWindowLongW(warning, GWL_STYLE) & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongW(warning, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    RECT units{0, 0, 187, 94};
    ASSERT_TRUE(MapDialogRect(warning, &units));
    RECT client{};
    GetClientRect(warning, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(warning, WM_GETFONT, 0, 0)), sizeof font, &font));
    EXPECT_EQ(std::wstring(font.lfFaceName), L"System");
}

// The search window, read without messages while the step's thread sleeps.
void CheckSearch(HWND search, const Texts& t) {
    EXPECT_TRUE(IsWindowVisible(search));
    EXPECT_EQ(StoredText(search), t.searchTitle);
    EXPECT_EQ(StoredText(GetDlgItem(search, IDC_USB_SEARCH_TEXT)), t.wait);
    EXPECT_EQ(GetWindow(search, GW_OWNER), nullptr);
    const LONG style = GetWindowLongW(search, GWL_STYLE);
    EXPECT_TRUE(style & DS_SYSMODAL);
    EXPECT_FALSE(style & WS_SYSMENU) << "the operator cannot close it";
    EXPECT_TRUE(GetWindowLongW(search, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT r{};
    GetWindowRect(search, &r);
    EXPECT_LE(std::abs((r.left + r.right - GetSystemMetrics(SM_CXSCREEN)) / 2), 1) << "centred";
    EXPECT_LE(std::abs((r.top + r.bottom - GetSystemMetrics(SM_CYSCREEN)) / 2), 1) << "centred";
}

// No printer at first; OK in the instructions starts the search; the printer is switched on
// while it runs: the next lookup finds it, the bar jumps to 100, the port name is its own.
void SwitchedOnDuringTheSearch(const Texts& t, const std::wstring& language) {
    DetachAllPrinters();
    ClearReceived(kFilePrinter);
    StepRun step;
    HWND warning = step.WaitForWarning();
    ASSERT_NE(warning, nullptr) << "no instruction dialog";
    CheckWarning(warning, t);
    const Screenshot warningShot = SaveScreenshot(warning, L"usb-warning-" + language);
    EXPECT_FALSE(warningShot.path.empty()) << Utf8(warningShot.error);
    ExpectAccessible(warning, "USB instructions");
    ASSERT_TRUE(ClickButton(warning, IDOK));

    HWND search = step.WaitForBar(2);
    ASSERT_NE(search, nullptr) << "no search";
    CheckSearch(search, t);
    const Screenshot searchShot = SaveScreenshotAsShown(search, L"usb-search-" + language);
    EXPECT_FALSE(searchShot.path.empty()) << Utf8(searchShot.error);
    EXPECT_GE(searchShot.colours, 3) << "the search window is not drawn";

    ASSERT_TRUE(AttachPrinter(kFilePrinter, 5));
    ASSERT_EQ(step.Result(), prinstall::kUsbStepGoOn);
    DetachAllPrinters();
    EXPECT_TRUE(step.windows.focusedWhenShown);
    EXPECT_TRUE(step.windows.destroyed);
    const std::vector<int> bar = step.windows.bar;
    ASSERT_GE(bar.size(), 3u);
    EXPECT_EQ(bar.back(), 100);
    for (std::size_t i = 0; i + 1 < bar.size(); ++i) EXPECT_EQ(bar[i], 13 + 3 * static_cast<int>(i));
    EXPECT_EQ(step.usbPortName, "USB005");
    EXPECT_EQ(ReceivedBytes(kFilePrinter), std::vector<std::uint8_t>{0});
    EXPECT_EQ(step.failure, "");
}

TEST(UsbStepEnglish, APrinterSwitchedOnDuringTheSearchIsFound) {
    ASSERT_NE(GetACP(), 949u) << "this suite runs under a non-Korean code page";
    SwitchedOnDuringTheSearch(kEnglish, L"en");
}

TEST(UsbStepKorean, APrinterSwitchedOnDuringTheSearchIsFound) {
    ASSERT_EQ(GetACP(), 949u) << "this suite needs the Korean locale (KOREAN test flag)";
    SwitchedOnDuringTheSearch(kKorean, L"ko");
}

}  // namespace
