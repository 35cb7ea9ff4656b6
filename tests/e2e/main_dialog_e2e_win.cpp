// End-to-end tests of the main dialog: the real Prinstall.exe, started from
// C:\TORVA EPL Printer 2.X in a fresh Wine prefix, read and driven by control id.
//
// ctest runs each suite in a prefix of its own (tests/e2e/CMakeLists.txt): the English and
// Korean suites under different ANSI code pages, the spooler suite where the service has
// not been started yet.
#include "harness_win.h"
#include "resource.h"
#include "spooler_setup_win.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace e2e;

constexpr wchar_t kTitleEnglish[] = L"TORVA EPL Printer Driver Installation / Uninstallation Program";
constexpr wchar_t kTitleKorean[] = L"토르바스 EPL 프린터 드라이버 설치/삭제";
constexpr wchar_t kAboutTitle[] = L"Instaloo Information";
constexpr wchar_t kBaseName[] = L"TORVA Label Printer";

using ControlTexts = std::vector<std::pair<int, std::wstring>>;

// Texts that the main dialog shows in both languages.
const ControlTexts kCommonTexts = {
    {IDC_MODEL_NAME, L"TORVA Label Printer"},
    {IDC_DRIVER_NAME_LABEL, L"Driver Name : "},
};

const ControlTexts kEnglishTexts = {
    {IDC_INSTALL, L"Installation(&I)"},
    {IDC_UNINSTALL, L"Uninstallation(&U)"},
    {IDC_EXIT, L"Exit(&E)"},
    {IDC_PROGRESS_LABEL, L"Progress Status : "},
    {IDC_MODEL_GROUP, L"Model Information"},
    {IDC_MODEL_LABEL, L"Model Name     : "},
    {IDC_INSTALLER_VERSION_LABEL, L"Installer Version : "},
    {IDC_DRIVER_VERSION_LABEL, L"Driver Version    : "},
    {IDC_COPY_COUNT_LABEL, L"Number of Printer Driver to install : "},
    {IDC_CLONE_GROUP, L"Printer Driver Cloning Option"},
    {IDC_CLONE_CHECK, L"Clone Printer Driver"},
};

const ControlTexts kKoreanTexts = {
    {IDC_INSTALL, L"드라이버 설치"},
    {IDC_UNINSTALL, L"드라이버 삭제"},
    {IDC_EXIT, L"종료"},
    {IDC_PROGRESS_LABEL, L"설치 진행 상태 :"},
    {IDC_MODEL_GROUP, L"모델 정보"},
    {IDC_MODEL_LABEL, L"프린터 모델           :"},
    {IDC_INSTALLER_VERSION_LABEL, L"설치 프로그램 버젼 :"},
    {IDC_DRIVER_VERSION_LABEL, L"설치 드라이버 버젼 :"},
    {IDC_COPY_COUNT_LABEL, L"설치할 드라이버 개수 : "},
    {IDC_CLONE_GROUP, L"다중 드라이버 설치 옵션"},
    {IDC_CLONE_CHECK, L"다중 드라이버 설치"},
};

void ExpectTexts(HWND dialog, const ControlTexts& texts) {
    for (const auto& [id, text] : texts) {
        EXPECT_TRUE(ControlExists(dialog, id)) << "control " << id;
        EXPECT_EQ(ControlText(dialog, id), text) << "control " << id;
    }
}

// Saves a screenshot and checks that it shows a drawn window, not a blank capture.
void ExpectScreenshot(HWND window, const wchar_t* name) {
    const Screenshot shot = SaveScreenshot(window, name);
    EXPECT_FALSE(shot.path.empty()) << Utf8(shot.error);
    EXPECT_GE(shot.colours, 4) << "screenshot " << Utf8(name) << " looks blank";
}

// Starts Prinstall.exe for each test and makes sure it is gone afterwards.
class MainDialogTest : public ::testing::Test {
protected:
    HWND StartAndWaitFor(const wchar_t* title) {
        const DWORD error = program_.Start();
        EXPECT_EQ(error, 0u) << "CreateProcessW failed";
        if (error) return nullptr;
        HWND dialog = program_.WaitForWindow(title);
        EXPECT_NE(dialog, nullptr) << "no main window; program still running: " << program_.Running();
        return dialog;
    }

    // The program must end by itself after `why`.
    void ExpectEnds(const char* why) {
        DWORD exitCode = 0;
        EXPECT_TRUE(program_.WaitForExit(&exitCode)) << "still running after " << why;
    }

    void ExitWithButton(HWND dialog) {
        ASSERT_TRUE(ClickButton(dialog, IDC_EXIT));
        ExpectEnds("Exit");
    }

    ProgramRun program_;
};

// ---------------------------------------------------------------------------------------
// English, no label-printer queue installed.

class MainDialogEnglish : public MainDialogTest {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 1252u) << "this suite runs under the Western code page"; }
};

TEST_F(MainDialogEnglish, ShowsEnglishTextsAndProposesTheBaseNameWhenNoLabelQueueExists) {
    std::vector<QueueRecord> queues;
    ASSERT_EQ(ListQueues(&queues), 0u);
    for (const QueueRecord& q : queues)
        ASSERT_NE(q.driverName.rfind(L"TORVA Label Printer #", 0), 0u) << "leftover queue";

    HWND dialog = StartAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ExpectTexts(dialog, kEnglishTexts);
    ExpectTexts(dialog, kCommonTexts);
    EXPECT_EQ(ControlText(dialog, IDC_DRIVER_NAME), kBaseName);
    EXPECT_EQ(ControlText(dialog, IDC_COPY_COUNT), L"1");
    EXPECT_EQ(ControlText(dialog, IDC_STATUS), L"");

    // No driver copy to remove: Uninstallation hidden; the other two usable.
    EXPECT_TRUE(ControlExists(dialog, IDC_UNINSTALL));
    EXPECT_FALSE(ControlVisible(dialog, IDC_UNINSTALL));
    EXPECT_TRUE(ControlVisible(dialog, IDC_INSTALL));
    EXPECT_TRUE(ControlEnabled(dialog, IDC_INSTALL));
    EXPECT_TRUE(ControlVisible(dialog, IDC_EXIT));
    EXPECT_TRUE(ControlEnabled(dialog, IDC_EXIT));
    // The clone option lies below the visible area but its controls are live windows.
    EXPECT_TRUE(ControlVisible(dialog, IDC_CLONE_CHECK));
    EXPECT_TRUE(ControlVisible(dialog, IDC_CLONE_LIST));

    ExpectScreenshot(dialog, L"main-en");
    ExpectAccessible(dialog, "main dialog");
    ExitWithButton(dialog);
}

TEST_F(MainDialogEnglish, ExitButtonEndsTheProgram) {
    HWND dialog = StartAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ExitWithButton(dialog);
}

TEST_F(MainDialogEnglish, EscapeKeyEndsTheProgram) {
    HWND dialog = StartAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(PostKey(dialog, VK_ESCAPE));
    ExpectEnds("the Escape key");
}

TEST_F(MainDialogEnglish, CloseBoxEndsTheProgram) {
    HWND dialog = StartAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ExpectEnds("WM_CLOSE");
}

TEST_F(MainDialogEnglish, AboutItemOfTheSystemMenuShowsTheAboutBox) {
    HWND dialog = StartAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    // Posted: the About box is modal, so a sent command would not return until it closes.
    ASSERT_TRUE(PostSysCommand(dialog, IDM_ABOUTBOX));
    HWND about = program_.WaitForWindow(kAboutTitle);
    ASSERT_NE(about, nullptr) << "no About box";
    EXPECT_EQ(ControlText(about, IDC_ABOUT_VERSION), L"Instaloo Version 4.70");
    EXPECT_FALSE(ControlText(about, IDC_ABOUT_NOTICE).empty());
    EXPECT_TRUE(ControlVisible(about, IDOK));
    ExpectScreenshot(about, L"about-en");
    ExpectAccessible(about, "About box");

    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(GetDlgItem(about, IDOK)), SMTO_NORMAL, kWindowTimeoutMs,
                                    &result));
    EXPECT_TRUE(WaitForWindowGone(about)) << "OK did not close the About box";
    // Back in the main dialog, which goes on as before.
    ASSERT_TRUE(program_.Running());
    EXPECT_TRUE(IsWindowVisible(dialog));
    ExitWithButton(dialog);
}

// ---------------------------------------------------------------------------------------
// Queues of driver copies 1 and 3 exist: the next copy is number 2.

class MainDialogWithLabelQueues : public MainDialogTest {
protected:
    static constexpr int kNumbers[] = {1, 3};

    static std::wstring QueueName(int number) {
        // The names the program gives the queues of copies 1 and 3.
        return number == 1 ? std::wstring(kBaseName) : kBaseName + (L" " + std::to_wstring(number));
    }

    void SetUp() override {
        RemoveAll();
        for (int n : kNumbers) {
            ASSERT_EQ(AddLabelDriver(n), 0u) << "driver " << n;
            ASSERT_EQ(AddQueue(QueueName(n), LabelDriverName(n)), 0u) << "queue " << n;
        }
        std::vector<QueueRecord> queues;
        ASSERT_EQ(ListQueues(&queues), 0u);
        int labelQueues = 0;
        for (const QueueRecord& q : queues) labelQueues += q.driverName.rfind(L"TORVA Label Printer #", 0) == 0;
        ASSERT_EQ(labelQueues, 2);
    }

    void TearDown() override { RemoveAll(); }

    static void RemoveAll() {
        for (int n : kNumbers) {
            EXPECT_EQ(DeleteQueue(QueueName(n)), 0u);
            EXPECT_EQ(DeleteDriver(LabelDriverName(n)), 0u);
        }
    }
};

TEST_F(MainDialogWithLabelQueues, ProposesTheLowestFreeNumberAndShowsUninstallation) {
    HWND dialog = StartAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_DRIVER_NAME), L"TORVA Label Printer 2");
    EXPECT_TRUE(ControlVisible(dialog, IDC_UNINSTALL));
    EXPECT_EQ(ControlText(dialog, IDC_UNINSTALL), L"Uninstallation(&U)");
    EXPECT_TRUE(ControlVisible(dialog, IDC_INSTALL));
    ExpectScreenshot(dialog, L"main-en-two-copies");
    ExitWithButton(dialog);
}

// ---------------------------------------------------------------------------------------
// Korean: ANSI code page 949 (LANG=ko_KR.UTF-8 with the compiled locale).

class MainDialogKorean : public MainDialogTest {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 949u) << "this suite needs the Korean locale (KOREAN test flag)"; }
};

TEST_F(MainDialogKorean, ShowsKoreanTitleAndTextsWithEnglishWhereNoKoreanExists) {
    HWND dialog = StartAndWaitFor(kTitleKorean);
    ASSERT_NE(dialog, nullptr) << "no window with the Korean title";
    ExpectTexts(dialog, kKoreanTexts);
    ExpectTexts(dialog, kCommonTexts);
    EXPECT_EQ(ControlText(dialog, IDC_DRIVER_NAME), kBaseName);
    EXPECT_EQ(ControlText(dialog, IDC_COPY_COUNT), L"1");
    EXPECT_FALSE(ControlVisible(dialog, IDC_UNINSTALL));
    // Changing the check box's caption must not count as a click on it.
    EXPECT_TRUE(ControlEnabled(dialog, IDC_COPY_COUNT));
    EXPECT_TRUE(ControlEnabled(dialog, IDC_INSTALL));
    ExpectScreenshot(dialog, L"main-ko");
    ExitWithButton(dialog);
}

// ---------------------------------------------------------------------------------------
// The main dialog starts the print spooler service when it is stopped.

TEST(SpoolerGuard, MainDialogStartsTheStoppedSpooler) {
    DWORD state = 0;
    ASSERT_EQ(SpoolerState(&state), 0u);
    // A fresh prefix starts with the service stopped; when another test of this program
    // ran first in the same prefix, stop it again.
    if (state != SERVICE_STOPPED) {
        ASSERT_EQ(StopSpooler(), 0u);
        ASSERT_EQ(SpoolerState(&state), 0u);
    }
    ASSERT_EQ(state, static_cast<DWORD>(SERVICE_STOPPED));

    ProgramRun program;
    ASSERT_EQ(program.Start(), 0u);
    HWND dialog = program.WaitForWindow(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(SpoolerState(&state), 0u);
    EXPECT_EQ(state, static_cast<DWORD>(SERVICE_RUNNING));
    // No message box on the way: the dialog went through its whole start-up.
    EXPECT_EQ(ControlText(dialog, IDC_DRIVER_NAME), kBaseName);

    ASSERT_TRUE(ClickButton(dialog, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.WaitForExit(&exitCode));
}

}  // namespace
