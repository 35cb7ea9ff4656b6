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

void expectTexts(HWND dialog, const ControlTexts& texts) {
    for (const auto& [id, text] : texts) {
        EXPECT_TRUE(controlExists(dialog, id)) << "control " << id;
        EXPECT_EQ(controlText(dialog, id), text) << "control " << id;
    }
}

// Saves a screenshot and checks that it shows a drawn window, not a blank capture.
void expectScreenshot(HWND window, const wchar_t* name) {
    const Screenshot shot = saveScreenshot(window, name);
    EXPECT_FALSE(shot.path.empty()) << utf8(shot.error);
    EXPECT_GE(shot.colours, 4) << "screenshot " << utf8(name) << " looks blank";
}

// Starts Prinstall.exe for each test and makes sure it is gone afterwards.
class MainDialogTest : public ::testing::Test {
protected:
    HWND startAndWaitFor(const wchar_t* title) {
        const DWORD error = program_.start();
        EXPECT_EQ(error, 0u) << "CreateProcessW failed";
        if (error) return nullptr;
        HWND dialog = program_.waitForWindow(title);
        EXPECT_NE(dialog, nullptr) << "no main window; program still running: " << program_.running();
        return dialog;
    }

    // The program must end by itself after `why`.
    void expectEnds(const char* why) {
        DWORD exitCode = 0;
        EXPECT_TRUE(program_.waitForExit(&exitCode)) << "still running after " << why;
    }

    void exitWithButton(HWND dialog) {
        ASSERT_TRUE(clickButton(dialog, IDC_EXIT));
        expectEnds("Exit");
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
    ASSERT_EQ(listQueues(&queues), 0u);
    for (const QueueRecord& q : queues)
        ASSERT_NE(q.driverName.rfind(L"TORVA Label Printer #", 0), 0u) << "leftover queue";

    HWND dialog = startAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    expectTexts(dialog, kEnglishTexts);
    expectTexts(dialog, kCommonTexts);
    EXPECT_EQ(controlText(dialog, IDC_DRIVER_NAME), kBaseName);
    EXPECT_EQ(controlText(dialog, IDC_COPY_COUNT), L"1");
    EXPECT_EQ(controlText(dialog, IDC_STATUS), L"");

    // No driver copy to remove: Uninstallation hidden; the other two usable.
    EXPECT_TRUE(controlExists(dialog, IDC_UNINSTALL));
    EXPECT_FALSE(controlVisible(dialog, IDC_UNINSTALL));
    EXPECT_TRUE(controlVisible(dialog, IDC_INSTALL));
    EXPECT_TRUE(controlEnabled(dialog, IDC_INSTALL));
    EXPECT_TRUE(controlVisible(dialog, IDC_EXIT));
    EXPECT_TRUE(controlEnabled(dialog, IDC_EXIT));
    // The clone option lies below the visible area but its controls are live windows.
    EXPECT_TRUE(controlVisible(dialog, IDC_CLONE_CHECK));
    EXPECT_TRUE(controlVisible(dialog, IDC_CLONE_LIST));

    expectScreenshot(dialog, L"main-en");
    exitWithButton(dialog);
}

TEST_F(MainDialogEnglish, ExitButtonEndsTheProgram) {
    HWND dialog = startAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    exitWithButton(dialog);
}

TEST_F(MainDialogEnglish, EscapeKeyEndsTheProgram) {
    HWND dialog = startAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(postKey(dialog, VK_ESCAPE));
    expectEnds("the Escape key");
}

TEST_F(MainDialogEnglish, CloseBoxEndsTheProgram) {
    HWND dialog = startAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    expectEnds("WM_CLOSE");
}

TEST_F(MainDialogEnglish, AboutItemOfTheSystemMenuShowsTheAboutBox) {
    HWND dialog = startAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    // Posted: the About box is modal, so a sent command would not return until it closes.
    ASSERT_TRUE(postSysCommand(dialog, IDM_ABOUTBOX));
    HWND about = program_.waitForWindow(kAboutTitle);
    ASSERT_NE(about, nullptr) << "no About box";
    EXPECT_EQ(controlText(about, IDC_ABOUT_VERSION), L"Instaloo Version 4.70");
    EXPECT_FALSE(controlText(about, IDC_ABOUT_NOTICE).empty());
    EXPECT_TRUE(controlVisible(about, IDOK));
    expectScreenshot(about, L"about-en");

    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(GetDlgItem(about, IDOK)), SMTO_NORMAL, kWindowTimeoutMs,
                                    &result));
    EXPECT_TRUE(waitForWindowGone(about)) << "OK did not close the About box";
    // Back in the main dialog, which goes on as before.
    ASSERT_TRUE(program_.running());
    EXPECT_TRUE(IsWindowVisible(dialog));
    exitWithButton(dialog);
}

// ---------------------------------------------------------------------------------------
// Queues of driver copies 1 and 3 exist: the next copy is number 2.

class MainDialogWithLabelQueues : public MainDialogTest {
protected:
    static constexpr int kNumbers[] = {1, 3};

    static std::wstring queueName(int number) {
        // The names the program gives the queues of copies 1 and 3.
        return number == 1 ? std::wstring(kBaseName) : kBaseName + (L" " + std::to_wstring(number));
    }

    void SetUp() override {
        removeAll();
        for (int n : kNumbers) {
            ASSERT_EQ(addLabelDriver(n), 0u) << "driver " << n;
            ASSERT_EQ(addQueue(queueName(n), labelDriverName(n)), 0u) << "queue " << n;
        }
        std::vector<QueueRecord> queues;
        ASSERT_EQ(listQueues(&queues), 0u);
        int labelQueues = 0;
        for (const QueueRecord& q : queues) labelQueues += q.driverName.rfind(L"TORVA Label Printer #", 0) == 0;
        ASSERT_EQ(labelQueues, 2);
    }

    void TearDown() override { removeAll(); }

    static void removeAll() {
        for (int n : kNumbers) {
            EXPECT_EQ(deleteQueue(queueName(n)), 0u);
            EXPECT_EQ(deleteDriver(labelDriverName(n)), 0u);
        }
    }
};

TEST_F(MainDialogWithLabelQueues, ProposesTheLowestFreeNumberAndShowsUninstallation) {
    HWND dialog = startAndWaitFor(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(controlText(dialog, IDC_DRIVER_NAME), L"TORVA Label Printer 2");
    EXPECT_TRUE(controlVisible(dialog, IDC_UNINSTALL));
    EXPECT_EQ(controlText(dialog, IDC_UNINSTALL), L"Uninstallation(&U)");
    EXPECT_TRUE(controlVisible(dialog, IDC_INSTALL));
    expectScreenshot(dialog, L"main-en-two-copies");
    exitWithButton(dialog);
}

// ---------------------------------------------------------------------------------------
// Korean: ANSI code page 949 (LANG=ko_KR.UTF-8 with the compiled locale).

class MainDialogKorean : public MainDialogTest {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 949u) << "this suite needs the Korean locale (KOREAN test flag)"; }
};

TEST_F(MainDialogKorean, ShowsKoreanTitleAndTextsWithEnglishWhereNoKoreanExists) {
    HWND dialog = startAndWaitFor(kTitleKorean);
    ASSERT_NE(dialog, nullptr) << "no window with the Korean title";
    expectTexts(dialog, kKoreanTexts);
    expectTexts(dialog, kCommonTexts);
    EXPECT_EQ(controlText(dialog, IDC_DRIVER_NAME), kBaseName);
    EXPECT_EQ(controlText(dialog, IDC_COPY_COUNT), L"1");
    EXPECT_FALSE(controlVisible(dialog, IDC_UNINSTALL));
    // Changing the check box's caption must not count as a click on it.
    EXPECT_TRUE(controlEnabled(dialog, IDC_COPY_COUNT));
    EXPECT_TRUE(controlEnabled(dialog, IDC_INSTALL));
    expectScreenshot(dialog, L"main-ko");
    exitWithButton(dialog);
}

// ---------------------------------------------------------------------------------------
// The main dialog starts the print spooler service when it is stopped.

TEST(SpoolerGuard, MainDialogStartsTheStoppedSpooler) {
    DWORD state = 0;
    ASSERT_EQ(spoolerState(&state), 0u);
    // A fresh prefix starts with the service stopped; when another test of this program
    // ran first in the same prefix, stop it again.
    if (state != SERVICE_STOPPED) {
        ASSERT_EQ(stopSpooler(), 0u);
        ASSERT_EQ(spoolerState(&state), 0u);
    }
    ASSERT_EQ(state, static_cast<DWORD>(SERVICE_STOPPED));

    ProgramRun program;
    ASSERT_EQ(program.start(), 0u);
    HWND dialog = program.waitForWindow(kTitleEnglish);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(spoolerState(&state), 0u);
    EXPECT_EQ(state, static_cast<DWORD>(SERVICE_RUNNING));
    // No message box on the way: the dialog went through its whole start-up.
    EXPECT_EQ(controlText(dialog, IDC_DRIVER_NAME), kBaseName);

    ASSERT_TRUE(clickButton(dialog, IDC_EXIT));
    DWORD exitCode = 0;
    EXPECT_TRUE(program.waitForExit(&exitCode));
}

}  // namespace
