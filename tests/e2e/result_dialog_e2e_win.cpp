// The result dialog under Wine. This program carries Prinstall's resources and shows the
// CompleteDialog itself, on a thread of its own as a handler of the program would; the test
// thread reads it by control id, looks at what the screen shows of it, and closes it with OK
// or the Escape key.
//
// ctest runs the English suite under code page 1252 and the Korean one under 949.
#include "harness_win.h"
#include "pixels_win.h"
#include "platform/basic_win.h"
#include "ui/complete_dialog.h"
#include "ui/complete_dialog_win.h"
#include "platform/threads.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using namespace e2e;
using prinstall::CompleteDialog;
using prinstall::kDialogCancel;
using prinstall::kDialogOk;
using prinstall::kResultError;
using prinstall::kResultInstallation;
using prinstall::kResultSuccess;
using prinstall::kResultUninstallation;
using prinstall::ResultRowColour;

constexpr int kNotEnded = -100;

// Runs a CompleteDialog on a thread of its own. The destructor closes a dialog that is still
// up (a failed test), so the next test starts without it.
class DialogThread {
public:
    explicit DialogThread(CompleteDialog& dialog) {
        EXPECT_TRUE(thread_.Start([this, &dialog] {
            threadId_ = GetCurrentThreadId();
            result_ = dialog.Run(nullptr);
            ended_ = true;
        }));
    }

    ~DialogThread() {
        // The dialog may still be on its way up: cancel it as soon as it is there.
        const ULONGLONG deadline = GetTickCount64() + kExitTimeoutMs;
        HWND cancelled = nullptr;
        while (!ended_ && GetTickCount64() < deadline) {
            HWND window = Find();
            if (window && window != cancelled && PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0))
                cancelled = window;
            Sleep(20);
        }
        if (ended_) {
            thread_.Join();
        } else {
            ADD_FAILURE() << "the result dialog did not close";
            thread_.Detach();
        }
    }

    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    // The dialog's window once it is shown and its thread idle; nullptr when it never came.
    HWND Window() {
        const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
        while (GetTickCount64() < deadline && !ended_) {
            if (HWND found = Find(); found && IsWindowVisible(found)) return WaitUntilIdle(found) ? found : nullptr;
            Sleep(50);
        }
        return nullptr;
    }

    // How the dialog ended, or kNotEnded when it is still up after the time limit.
    int Result() {
        WaitForEnd();
        return ended_ ? result_.load() : kNotEnded;
    }

private:
    // The dialog is the one window of the dialog class on its thread.
    static BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770") return TRUE;
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }

    HWND Find() const {
        HWND found = nullptr;
        EnumThreadWindows(threadId_, MatchDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    void WaitForEnd() {
        const ULONGLONG deadline = GetTickCount64() + kExitTimeoutMs;
        while (!ended_ && GetTickCount64() < deadline) Sleep(20);
    }

    std::atomic<DWORD> threadId_{0};
    std::atomic<int> result_{kNotEnded};
    std::atomic<bool> ended_{false};
    prinstall::Thread thread_;
};

// A key pressed while the OK button has the focus, as it has when the dialog starts. The
// dialog's modal loop hands keys for any of its controls to the dialog manager: Escape gives
// IDCANCEL, Enter the default button's command. True when the key-down was posted; the
// key-up is posted too, but may find the window gone already, because the key-down ended the
// dialog in the meantime (seen under Wine on a busy machine).
bool PressKey(HWND dialog, UINT virtualKey) {
    HWND ok = GetDlgItem(dialog, IDOK);
    const LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16);
    const LPARAM up = down | (LPARAM{1} << 30) | static_cast<LPARAM>(0x80000000u);
    if (!ok || !PostMessageW(ok, WM_KEYDOWN, virtualKey, down)) return false;
    PostMessageW(ok, WM_KEYUP, virtualKey, up);
    return true;
}

bool Greenish(const Colour& c) { return c.green > 120 && c.red < 40; }
bool Reddish(const Colour& c) { return c.red > 120 && c.green < 40; }

std::string Describe(const Colour& c) {
    return "(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) + ")";
}

// The background row colour the dialog must show in row `y` of a client area `height` high.
Colour ExpectedRow(int y, int height, int outcome) {
    const auto rgb = ResultRowColour(y, height, outcome);
    return rgb ? Colour{rgb->red, rgb->green, rgb->blue} : Colour{-1, -1, -1};
}

// The group box framing the message line: the one button of the group box kind.
HWND FindGroupBox(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (_wcsicmp(name, L"Button") == 0 && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            return child;
    }
    return nullptr;
}

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// What the screen shows: green rows for success and red for an error, from the top row to the
// bottom one and across the full width, also behind the message line and inside the group
// box (the labels are drawn transparently); the message in black; the OK button's icon.
void ExpectPainted(HWND dialog, int outcome) {
    ClientPixels pixels;
    ASSERT_TRUE(pixels.Capture(dialog));
    const int w = pixels.Width();
    const int h = pixels.Height();
    auto looksRight = outcome == kResultSuccess ? Greenish : Reddish;
    const char* what = outcome == kResultSuccess ? "green" : "red";

    struct Sample {
        const char* where;
        int x, y;
    };
    const RECT label = ControlRect(dialog, IDC_RESULT_MESSAGE);
    const Sample samples[] = {
        {"top left", 2, 0},
        {"top right", w - 1, 2},
        {"bottom left", 2, h - 1},
        {"bottom right", w - 1, h - 3},
        {"message line, left of the text", label.left + 1, (label.top + label.bottom) / 2},
        {"inside the group box, above the message line", label.left + 2, label.top - 4},
    };
    for (const Sample& s : samples) {
        const Colour seen = pixels.At(s.x, s.y);
        EXPECT_TRUE(looksRight(seen)) << s.where << " should be " << what << ", is " << Describe(seen);
        EXPECT_EQ(seen, ExpectedRow(s.y, h, outcome)) << s.where << " at row " << s.y << " of " << h;
    }
    // Whole rows through the group box show the background but for the box's frame lines: a
    // control that fills its background (or has the parent's plain background drawn behind
    // it) would cover most of the row.
    const RECT group = ClientRectOf(dialog, FindGroupBox(dialog));
    // (Rows 4 to 8 below the box's top hold its top frame line, wherever the font puts it.)
    for (int y : {group.top, group.top + 2, group.top + 10, group.top + 13, label.top - 1, group.bottom - 4,
                  group.bottom + 2}) {
        const Colour row = ExpectedRow(y, h, outcome);
        const int matching = pixels.Count(RECT{0, y, w, y + 1}, [&](const Colour& c) { return c == row; });
        EXPECT_GE(matching, w - 12) << "row " << y << " (group box " << group.top << " to " << group.bottom
                                    << ") shows the background in only " << matching << " of " << w << " pixels";
    }

    // The message in black over the background.
    const int black = pixels.Count(label, [](const Colour& c) { return c.red < 60 && c.green < 60 && c.blue < 60; });
    EXPECT_GT(black, 20) << "no black text in the message line";

    // Lighter towards the bottom.
    if (outcome == kResultSuccess)
        EXPECT_GT(pixels.At(2, h - 1).green, pixels.At(2, 0).green + 100);
    else
        EXPECT_GT(pixels.At(2, h - 1).red, pixels.At(2, 0).red + 100);

    // The OK button shows the green check-mark icon left of its caption, 32 x 32 and centred
    // vertically (a red cross or no icon would fail).
    const RECT ok = ControlRect(dialog, IDOK);
    const int top = ok.top + (ok.bottom - ok.top - 32) / 2;
    const RECT icon{ok.left + 3, top, ok.left + 35, top + 32};
    const int green = pixels.Count(icon, [](const Colour& c) { return c.green > c.red + 60 && c.green > c.blue + 40; });
    const int red = pixels.Count(icon, [](const Colour& c) { return c.red > c.green + 60; });
    EXPECT_GT(green, 32 * 32 / 3) << "too little green in the OK button's icon";
    EXPECT_LT(red, 16) << "red in the OK button's icon";
    // Standing look: the default button wears a black frame (the flat look draws none at rest).
    const Colour frame = pixels.At((ok.left + ok.right) / 2, ok.top);
    EXPECT_EQ(frame, (Colour{0, 0, 0})) << "OK button's top edge is " << Describe(frame);
}

struct Case {
    int operation;
    int outcome;
    const wchar_t* english;
    const wchar_t* korean;
    const wchar_t* shot;
    bool closeWithOk;  // else Escape
};

const Case kCases[] = {
    {kResultInstallation, kResultSuccess, L"Installation complete !!!", L"설치 완료 !!!", L"result-install-ok", true},
    {kResultUninstallation, kResultSuccess, L"Uninstallation complete !!!", L"삭제 완료 !!!", L"result-uninstall-ok",
     false},
    {kResultInstallation, kResultError, L"Installation Error !!!", L"설치 에러 !!!", L"result-install-error", false},
    {kResultUninstallation, kResultError, L"Uninstallation Error !!!", L"삭제 에러 !!!", L"result-uninstall-error",
     true},
};

// Shows one case and checks caption, message, button, background and how it closes.
void ShowCase(const Case& c, bool korean) {
    SCOPED_TRACE(Utf8(c.shot));
    prinstall::WinSystemInfo systemInfo;
    CompleteDialog dialog(systemInfo);
    // A failure comes with its probable cause on a second line, longer than the line is wide.
    const std::string message = c.outcome == kResultSuccess ? "Installation completed. "
                                                            : "Failure to AddPrinter GetLastError()=5\nProbable cause: "
                                                              "the program does not run as administrator, or the "
                                                              "Point and Print policy limits printer driver "
                                                              "installation to administrators.";
    dialog.message = message;
    dialog.operation = c.operation;
    dialog.outcome = c.outcome;

    DialogThread shown(dialog);
    HWND window = shown.Window();
    ASSERT_NE(window, nullptr) << "the result dialog did not appear";
    EXPECT_EQ(WindowText(window), korean ? c.korean : c.english);
    EXPECT_EQ(Utf8(ControlText(window, IDC_RESULT_MESSAGE)), message);
    EXPECT_EQ(ControlText(window, IDOK), korean ? L"확인" : L"&OK");
    // The message line holds every line of its text, and the button stays below it, in the window.
    RECT label{}, ok{}, client{};
    GetWindowRect(GetDlgItem(window, IDC_RESULT_MESSAGE), &label);
    GetWindowRect(GetDlgItem(window, IDOK), &ok);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (c.outcome != kResultSuccess) {
        EXPECT_GE(label.bottom - label.top, 3 * 13) << "three lines or more";
    }
    EXPECT_LE(label.bottom, ok.top);
    EXPECT_LE(ok.bottom, client.bottom);
    ExpectPainted(window, c.outcome);

    const Screenshot shot = SaveScreenshot(window, std::wstring(c.shot) + (korean ? L"-ko" : L"-en"));
    EXPECT_FALSE(shot.path.empty()) << Utf8(shot.error);
    EXPECT_GE(shot.colours, 16) << "the screenshot looks blank";
    ExpectAccessible(window, Utf8(c.shot).c_str());

    if (c.closeWithOk) {
        ASSERT_TRUE(ClickButton(window, IDOK));
        EXPECT_EQ(shown.Result(), kDialogOk);
    } else {
        ASSERT_TRUE(PressKey(window, VK_ESCAPE));
        EXPECT_EQ(shown.Result(), kDialogCancel);
    }
}

// ---------------------------------------------------------------------------------------
// English (code page 1252).

class ResultDialogEnglish : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(GetACP(), 949u) << "this suite runs under a non-Korean code page"; }
    prinstall::WinSystemInfo systemInfo;
};

TEST_F(ResultDialogEnglish, EachOperationAndOutcome) {
    for (const Case& c : kCases) ShowCase(c, false);
}

TEST_F(ResultDialogEnglish, OneObjectRunsAgainWithOnlyTheNewInputs) {
    CompleteDialog dialog(systemInfo);
    dialog.message = "DeletePrinter() failed";
    dialog.operation = kResultUninstallation;
    dialog.outcome = kResultError;
    {
        DialogThread shown(dialog);
        HWND window = shown.Window();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(WindowText(window), L"Uninstallation Error !!!");
        ASSERT_TRUE(PressKey(window, VK_ESCAPE));
        ASSERT_EQ(shown.Result(), kDialogCancel);
    }
    dialog.message = "Installation completed. ";
    dialog.operation = kResultInstallation;
    dialog.outcome = kResultSuccess;
    DialogThread shown(dialog);
    HWND window = shown.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowText(window), L"Installation complete !!!");
    EXPECT_EQ(ControlText(window, IDC_RESULT_MESSAGE), L"Installation completed. ");
    // Green again, and the button attached to the new window shows its icon again.
    ExpectPainted(window, kResultSuccess);
    // Enter presses the default button, OK.
    ASSERT_TRUE(PressKey(window, VK_RETURN));
    EXPECT_EQ(shown.Result(), kDialogOk);
}

// ---------------------------------------------------------------------------------------
// Korean (code page 949).

class ResultDialogKorean : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 949u) << "this suite needs the Korean locale (KOREAN test flag)"; }
};

TEST_F(ResultDialogKorean, EachOperationAndOutcome) {
    for (const Case& c : kCases) ShowCase(c, true);
}

}  // namespace
