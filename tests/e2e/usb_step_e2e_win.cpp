// The USB step under Wine with its real windows: the instruction dialog and the search
// window from Prinstall's templates, the device over Wine's SetupAPI and registry, and the
// stand-in printers of usb-printers.sh. The step runs on a thread of its own, as in the
// Installation button's handler; the test thread answers the instruction dialog, watches the
// search window while the step's thread sleeps, attaches the printer, and takes screenshots.
//
// ctest runs the English suite under code page 1252 and the Korean one under 949.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "harness_win.h"
#include "platform/basic_win.h"
#include "platform/registry_win.h"
#include "resource.h"
#include "usb/usb_dialogs_win.h"
#include "usb/usb_printer_device.h"
#include "usb/usb_step.h"
#include "usb_printers_win.h"

namespace {

using namespace e2e;
using prinstall::kUsbStepFailed;
using prinstall::kUsbStepGoOn;

constexpr int kNotEnded = -100;

struct Texts {
    const wchar_t* warningTitle;
    const wchar_t* connect;
    const wchar_t* switchOn;
    const wchar_t* clickOk;
    const wchar_t* ok;
    const wchar_t* searchTitle;
    const wchar_t* wait;
};
const Texts kEnglish = {L"USB Connection Warning",  L"1. Connect USB Printer to Desktop Computer.",
                        L"2. Turn on the printer.", L"3. Click  \"OK\"  button.",
                        L"OK",                      L"Now USB Port Searching......",
                        L"Please wait a minite ......"};
const Texts kKorean = {L"USB 프린터 연결 확인",        L"1. 프린터를 PC에 연결하십시오.",
                       L"2. 프린터를 켜 주십시오.",    L"3. 확인 버튼을 클릭하십시오.",
                       L"확인",                        L"연결된 토르바스 프린터 찾는 중",
                       L"잠시만 기다려 주십시오....."};

std::wstring storedText(HWND window) {
    // The text the window manager keeps: no message to a thread that may be asleep.
    wchar_t text[256] = {};
    InternalGetWindowText(window, text, 256);
    return text;
}

// What the step's own thread saw of its windows at each step.
struct Seen {
    std::mutex mutex;
    int warnings = 0;
    HWND search = nullptr;
    bool focusedWhenShown = false;
    std::vector<int> positions;  // as the bar reported them after each move
    bool destroyed = false;
    std::vector<std::string> results;
    bool searchGoneAtResult = false;
    int endCalls = 0;

    std::vector<int> bar() {
        std::lock_guard lock(mutex);
        return positions;
    }
    HWND searchWindow() {
        std::lock_guard lock(mutex);
        return search;
    }
};

class ObservedWindows : public prinstall::UsbStepWindows {
public:
    ObservedWindows(prinstall::SystemInfo& systemInfo, Seen& seen) : UsbStepWindows(nullptr, systemInfo), seen_(seen) {}

    int runWarning() override {
        {
            std::lock_guard lock(seen_.mutex);
            ++seen_.warnings;
        }
        return UsbStepWindows::runWarning();
    }
    void showSearch(bool focus) override {
        UsbStepWindows::showSearch(focus);
        std::lock_guard lock(seen_.mutex);
        seen_.search = searchWindow();
        // The window itself, or the control the dialog manager hands the focus on to.
        const HWND focused = GetFocus();
        seen_.focusedWhenShown = focused != nullptr && (focused == searchWindow() || IsChild(searchWindow(), focused));
    }
    void setSearchProgress(int position) override {
        UsbStepWindows::setSearchProgress(position);
        const int shown = static_cast<int>(SendDlgItemMessageW(searchWindow(), IDC_USB_SEARCH_PROGRESS, PBM_GETPOS, 0, 0));
        std::lock_guard lock(seen_.mutex);
        seen_.positions.push_back(shown);
    }
    void destroySearch() override {
        UsbStepWindows::destroySearch();
        std::lock_guard lock(seen_.mutex);
        seen_.destroyed = seen_.search == nullptr || !IsWindow(seen_.search);
    }

private:
    Seen& seen_;
};

// One run of the step on a thread of its own, with the device over Wine's SetupAPI.
class StepRun {
public:
    explicit StepRun(int resultAnswer = 2) : resultAnswer_(resultAnswer) {
        thread_ = std::thread([this] {
            threadId_ = GetCurrentThreadId();
            ObservedWindows windows(systemInfo_, seen);
            prinstall::UsbFlowContext flow{
                device_, windows, clock_, debug_,
                prinstall::languageForCodePage(GetACP()), usbPortName,
                [this](const std::string& message) {
                    std::lock_guard lock(seen.mutex);
                    seen.results.push_back(message);
                    seen.searchGoneAtResult = seen.search != nullptr && !IsWindow(seen.search);
                    return resultAnswer_;
                },
                [this] {
                    std::lock_guard lock(seen.mutex);
                    ++seen.endCalls;
                }};
            result_ = prinstall::RunUsbStep(flow, counter);
            ended_ = true;
        });
    }

    ~StepRun() {
        // A failed test may leave the instruction dialog up: cancel it, then let the step end.
        const ULONGLONG deadline = GetTickCount64() + 60000;
        while (!ended_ && GetTickCount64() < deadline) {
            if (HWND warning = findWarning())
                PostMessageW(warning, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(100);
        }
        if (ended_) {
            thread_.join();
        } else {
            ADD_FAILURE() << "the USB step did not end";
            thread_.detach();
        }
    }
    StepRun(const StepRun&) = delete;
    StepRun& operator=(const StepRun&) = delete;

    // The instruction dialog once it is up and idle; nullptr when it never came.
    HWND waitForWarning() {
        const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
        while (!ended_ && GetTickCount64() < deadline) {
            if (HWND w = findWarning(); w && IsWindowVisible(w)) return waitUntilIdle(w) ? w : nullptr;
            Sleep(50);
        }
        return nullptr;
    }

    // Waits until the bar has moved `moves` times; the search window then, or nullptr.
    HWND waitForBar(std::size_t moves) {
        const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
        while (!ended_ && GetTickCount64() < deadline) {
            if (seen.bar().size() >= moves) return seen.searchWindow();
            Sleep(20);
        }
        return nullptr;
    }

    int result(DWORD timeoutMs = 90000) {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (!ended_ && GetTickCount64() < deadline) Sleep(50);
        return ended_ ? result_.load() : kNotEnded;
    }

    Seen seen;
    std::string usbPortName = "USB009";  // as an earlier run left it
    int counter = prinstall::kUsbSearchCounterStart;

private:
    static BOOL CALLBACK matchDialog(HWND window, LPARAM param) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
        // The search window is the one without parent that the step made; the other is the
        // instruction dialog.
        auto* self = reinterpret_cast<StepRun*>(param);
        if (window == self->seen.searchWindow()) return TRUE;
        self->found_ = window;
        return FALSE;
    }
    HWND findWarning() {
        found_ = nullptr;
        if (threadId_ != 0) EnumThreadWindows(threadId_, matchDialog, reinterpret_cast<LPARAM>(this));
        return found_;
    }

    int resultAnswer_;
    WineUsbBus bus_;
    prinstall::WinRegistry registry_;
    prinstall::WinSystemInfo systemInfo_;
    prinstall::WinClock clock_;
    prinstall::WinDebugLog debug_;
    prinstall::UsbPrinterDevice device_{bus_, registry_, systemInfo_, clock_, debug_, [](auto&&...) {}};
    std::atomic<DWORD> threadId_{0};
    std::atomic<int> result_{kNotEnded};
    std::atomic<bool> ended_{false};
    HWND found_ = nullptr;
    std::thread thread_;
};

// Escape as the dialog manager sees it, with the focus on OK.
bool pressEscape(HWND dialog) {
    HWND ok = GetDlgItem(dialog, IDOK);
    const LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16);
    return ok && PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, down) &&
           PostMessageW(ok, WM_KEYUP, VK_ESCAPE, down | (LPARAM{1} << 30) | static_cast<LPARAM>(0x80000000u));
}

// The instruction dialog: texts, frame, size in its "System" font; then a screenshot.
void checkWarning(HWND warning, const Texts& t, const std::wstring& shot) {
    EXPECT_EQ(windowText(warning), t.warningTitle);
    EXPECT_EQ(controlText(warning, IDC_USB_WARNING_CONNECT), t.connect);
    EXPECT_EQ(controlText(warning, IDC_USB_WARNING_SWITCH_ON), t.switchOn);
    EXPECT_EQ(controlText(warning, IDC_USB_WARNING_CLICK_OK), t.clickOk);
    EXPECT_EQ(controlText(warning, IDOK), t.ok);
    EXPECT_EQ(LOWORD(SendMessageW(warning, DM_GETDEFID, 0, 0)), IDOK);
    const LONG style = GetWindowLongW(warning, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU);
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

    const Screenshot s = saveScreenshot(warning, shot);
    EXPECT_FALSE(s.path.empty()) << utf8(s.error);
    EXPECT_GE(s.colours, 2) << "the screenshot looks blank";
}

// The search window as the screen shows it while the step's thread sleeps.
void checkSearch(HWND search, const Texts& t, const std::wstring& shot) {
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(IsWindowVisible(search));
    EXPECT_EQ(storedText(search), t.searchTitle);
    EXPECT_EQ(storedText(GetDlgItem(search, IDC_USB_SEARCH_TEXT)), t.wait);
    EXPECT_EQ(GetWindow(search, GW_OWNER), nullptr);
    EXPECT_EQ(GetParent(search), nullptr);
    const LONG style = GetWindowLongW(search, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU) << "the operator cannot close it";
    EXPECT_TRUE(style & DS_SYSMODAL);
    EXPECT_TRUE(GetWindowLongW(search, GWL_EXSTYLE) & WS_EX_TOPMOST) << "above every other window";
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(search, IDC_USB_SEARCH_PROGRESS), GWL_STYLE) & PBS_SMOOTH);
    RECT r{};
    GetWindowRect(search, &r);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1) << "centred";
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1) << "centred";

    const Screenshot s = saveScreenshotAsShown(search, shot);
    EXPECT_FALSE(s.path.empty()) << utf8(s.error);
    EXPECT_GE(s.colours, 3) << "the search window is not drawn";
}

// The printer is switched on while the search runs: found by the next lookup, the bar jumps
// to 100, the port name is the printer's.
void switchedOnDuringTheSearch(const Texts& t, const std::wstring& language) {
    StepRun step;
    HWND warning = step.waitForWarning();
    ASSERT_NE(warning, nullptr) << "no instruction dialog";
    checkWarning(warning, t, L"usb-warning-" + language);
    ASSERT_TRUE(clickButton(warning, IDOK));

    HWND search = step.waitForBar(2);
    checkSearch(search, t, L"usb-search-" + language);
    EXPECT_TRUE(step.seen.focusedWhenShown);

    ASSERT_TRUE(attachPrinter(kFilePrinter, 5));
    ASSERT_EQ(step.result(), kUsbStepGoOn);
    const std::vector<int> bar = step.seen.bar();
    ASSERT_GE(bar.size(), 3u);
    EXPECT_EQ(bar.back(), 100);
    for (std::size_t i = 0; i + 1 < bar.size(); ++i) EXPECT_EQ(bar[i], 13 + 3 * static_cast<int>(i));
    EXPECT_EQ(step.counter, bar[bar.size() - 2]);
    EXPECT_TRUE(step.seen.destroyed);
    EXPECT_EQ(step.usbPortName, "USB005");
    EXPECT_EQ(receivedBytes(kFilePrinter), std::vector<std::uint8_t>{0});
    EXPECT_TRUE(step.seen.results.empty());
}

class UsbStepTest : public ::testing::Test {
protected:
    void SetUp() override {
        detachAllPrinters();
        clearReceived(kFilePrinter);
    }
    void TearDown() override { detachAllPrinters(); }
};

// ---------------------------------------------------------------------------------------
// English (code page 1252).

class UsbStepEnglish : public UsbStepTest {
protected:
    void SetUp() override {
        ASSERT_NE(GetACP(), 949u) << "this suite runs under a non-Korean code page";
        UsbStepTest::SetUp();
    }
};

TEST_F(UsbStepEnglish, APrinterAttachedBeforehandIsTakenWithoutInstructions) {
    ASSERT_TRUE(attachPrinter(kFilePrinter, 1));
    StepRun step;
    ASSERT_EQ(step.result(), kUsbStepGoOn);
    EXPECT_EQ(step.seen.warnings, 0);
    EXPECT_EQ(step.seen.bar(), (std::vector<int>{20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_TRUE(step.seen.destroyed);
    EXPECT_EQ(step.usbPortName, "USB001");
    EXPECT_EQ(receivedBytes(kFilePrinter), std::vector<std::uint8_t>{0});
}

TEST_F(UsbStepEnglish, APrinterSwitchedOnDuringTheSearchIsFound) { switchedOnDuringTheSearch(kEnglish, L"en"); }

TEST_F(UsbStepEnglish, EscapeAtTheInstructionsGoesOnWithoutSearching) {
    StepRun step;
    HWND warning = step.waitForWarning();
    ASSERT_NE(warning, nullptr);
    ASSERT_TRUE(pressEscape(warning));
    ASSERT_EQ(step.result(), kUsbStepGoOn);
    EXPECT_EQ(step.seen.searchWindow(), nullptr);
    EXPECT_EQ(step.usbPortName, "USB009");
}

TEST_F(UsbStepEnglish, ASearchThatFindsNothingEndsInTheFailureResult) {
    StepRun step(2);
    HWND warning = step.waitForWarning();
    ASSERT_NE(warning, nullptr);
    ASSERT_TRUE(clickButton(warning, IDOK));
    ASSERT_EQ(step.result(), kUsbStepFailed);
    const std::vector<int> bar = step.seen.bar();
    ASSERT_EQ(bar.size(), 29u);
    EXPECT_EQ(bar.back(), 97);
    EXPECT_EQ(step.seen.results, std::vector<std::string>{"USB Port Search Failed."});
    EXPECT_TRUE(step.seen.searchGoneAtResult) << "the search window must be gone before the result";
    EXPECT_EQ(step.seen.endCalls, 0) << "only OK in the result ends the program";
    EXPECT_EQ(step.usbPortName, "USB009");
}

// ---------------------------------------------------------------------------------------
// Korean (code page 949).

class UsbStepKorean : public UsbStepTest {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 949u) << "this suite needs the Korean locale (KOREAN test flag)";
        UsbStepTest::SetUp();
    }
};

TEST_F(UsbStepKorean, APrinterSwitchedOnDuringTheSearchIsFound) { switchedOnDuringTheSearch(kKorean, L"ko"); }

}  // namespace
