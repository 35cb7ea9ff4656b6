#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include "fakes/main_dialog_world.h"
#include "fakes/fake_platform.h"
#include "resource.h"

namespace prinstall {
namespace {

class MainDialogTest : public ::testing::Test, public fakes::MainDialogWorld {
protected:
    MainDialogTest() {
        // An edit control tells its dialog of every change, also of changes made by code.
        view.onTextChanged = [this](int id) {
            if (started) dialog.OnCommand(id, 0x300);
        };
    }

    void start() {
        started = true;
        dialog.OnInitDialog();
    }

    void typeCopyCount(const std::string& text) { view.setItemText(IDC_COPY_COUNT, text); }

    void setClone(bool on) {
        if (on)
            view.checked.insert(IDC_CLONE_CHECK);
        else
            view.checked.erase(IDC_CLONE_CHECK);
        dialog.OnCommand(IDC_CLONE_CHECK, 0);
    }

    bool started = false;
};

// Without a label-printer queue, a leftover the removal can still take away keeps the
// Uninstallation button there.
TEST_F(MainDialogTest, LeftoverDriverOrMonitorKeepsUninstallationAvailable) {
    spooler.addDriver("TORVA Label Printer #4");
    start();
    EXPECT_EQ(dialog.labelDriverCount(), 0);
    EXPECT_TRUE(view.visible(IDC_UNINSTALL));
    spooler.drivers.clear();
    spooler.monitors.push_back("TORVA LABEL USB Port");
    EXPECT_TRUE(dialog.HasLeftovers());
}

TEST_F(MainDialogTest, StartsInEnglishWithTheFirstCopyProposed) {
    start();
    EXPECT_EQ(view.title, "TORVA EPL Printer Driver Installation / Uninstallation Program");
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer");
    EXPECT_EQ(view.texts[IDC_COPY_COUNT], "1");
    EXPECT_EQ(view.texts.count(IDC_INSTALL), 0u);  // the template's English caption stays
    EXPECT_EQ(app.state.driverNumber, 1);
    EXPECT_EQ(dialog.labelDriverCount(), 0);
    EXPECT_FALSE(view.visible(IDC_UNINSTALL));
    EXPECT_TRUE(view.enabled(IDC_INSTALL));
    EXPECT_EQ(dialog.copyCount(), 1);
    EXPECT_EQ(view.systemMenu, (std::vector<std::pair<int, std::string>>{{16, "Instaloo Information(&A)..."}}));
    EXPECT_TRUE(view.iconSet);
    EXPECT_EQ(view.dressed, (std::map<int, int>{{1000, 145}, {1012, 146}, {1017, 156}}));
    EXPECT_EQ(view.progressLow, 0);
    EXPECT_EQ(view.progressHigh, 100);
    EXPECT_EQ(view.progressStep, 2);
    EXPECT_EQ(view.progressPos(), 0);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(MainDialogTest, InstalledCopiesOneAndThreeProposeCopyTwo) {
    spooler.addQueue("TORVA Label Printer", "TORVA Label Printer #1");
    spooler.addQueue("Shipping", "TORVA Label Printer #3");
    spooler.addQueue("Office", "Generic / Text Only");
    start();
    EXPECT_EQ(dialog.labelDriverCount(), 2);
    EXPECT_EQ(app.state.driverNumber, 2);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 2");
    EXPECT_TRUE(view.visible(IDC_UNINSTALL));
}

TEST_F(MainDialogTest, KoreanCodePageGivesTheKoreanTextsAndKeepsEnglishOnesWithoutAKoreanForm) {
    systemInfo.codePage = 949;
    start();
    EXPECT_EQ(dialog.language(), Language::Korean);
    EXPECT_EQ(view.title, "토르바스 EPL 프린터 드라이버 설치/삭제");
    EXPECT_EQ(view.texts[IDC_INSTALL], "드라이버 설치");
    EXPECT_EQ(view.texts[IDC_UNINSTALL], "드라이버 삭제");
    EXPECT_EQ(view.texts[IDC_EXIT], "종료");
    EXPECT_EQ(view.texts[IDC_PROGRESS_LABEL], "설치 진행 상태 :");
    EXPECT_EQ(view.texts[IDC_COPY_COUNT_LABEL], "설치할 드라이버 개수 : ");
    EXPECT_EQ(view.texts[IDC_CLONE_CHECK], "다중 드라이버 설치");
    EXPECT_EQ(view.texts.count(IDC_DRIVER_NAME_LABEL), 0u);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer");
}

TEST_F(MainDialogTest, SpoolerThatCannotStartLeavesTheDialogOpenWithoutContent) {
    services.services["spooler"].status = {kServiceStopped, 0, 0};
    services.startError = 1058;
    spooler.addQueue("Q", "TORVA Label Printer #1");
    start();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "");  // the program's own message box
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "");
    EXPECT_TRUE(view.dressed.empty());
    EXPECT_TRUE(view.visible(IDC_UNINSTALL));
    EXPECT_EQ(spooler.enumCalls, 0);
    EXPECT_EQ(view.endedWith, 0);
}

TEST_F(MainDialogTest, UnreachableServiceManagerIsReportedAndStartUpGoesOn) {
    services.openManagerError = 5;
    spooler.addQueue("Q", "TORVA Label Printer #1");
    start();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "OpenSCManager() failed !!! ErrorCode=5");
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 2");
    EXPECT_TRUE(view.visible(IDC_UNINSTALL));
}

TEST_F(MainDialogTest, FailedScanProposesThePlainNameAndHidesUninstallation) {
    spooler.enumError = 1722;
    start();
    EXPECT_EQ(dialog.labelDriverCount(), -2);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer");
    EXPECT_FALSE(view.visible(IDC_UNINSTALL));
    EXPECT_EQ(app.state.driverNumber, 0);
}

TEST_F(MainDialogTest, CopyCountEnablesInstallationAndIsCutAt500) {
    start();
    typeCopyCount("12abc");
    EXPECT_EQ(dialog.copyCount(), 12);
    EXPECT_TRUE(view.enabled(IDC_INSTALL));

    typeCopyCount("abc");
    EXPECT_EQ(dialog.copyCount(), 0);
    EXPECT_FALSE(view.enabled(IDC_INSTALL));

    typeCopyCount("900");
    EXPECT_EQ(dialog.copyCount(), 500);
    EXPECT_EQ(view.texts[IDC_COPY_COUNT], "500");
    EXPECT_TRUE(view.enabled(IDC_INSTALL));

    typeCopyCount("-3");
    EXPECT_EQ(dialog.copyCount(), -3);
    EXPECT_FALSE(view.enabled(IDC_INSTALL));

    typeCopyCount("");
    EXPECT_FALSE(view.enabled(IDC_INSTALL));
    typeCopyCount(" 2");
    EXPECT_TRUE(view.enabled(IDC_INSTALL));
}

TEST_F(MainDialogTest, CloneOptionListsTheCopiesAndMarksAnInstalledOne) {
    spooler.addQueue("TORVA Label Printer #2", "TORVA Label Printer #2");
    spooler.addQueue("TORVA Label Printer #3", "TORVA Label Printer #1");  // names differ: not installed
    start();
    typeCopyCount("3");
    setClone(true);
    ASSERT_EQ(view.list.size(), 3u);
    EXPECT_EQ(view.list[0].text, "TORVA Label Printer #1");
    EXPECT_EQ(view.list[1].text, "TORVA Label Printer #2");
    EXPECT_EQ(view.list[2].text, "TORVA Label Printer #3");
    EXPECT_EQ(view.list[0].check, 1);
    EXPECT_EQ(view.list[1].check, 2);
    EXPECT_EQ(view.list[2].check, 1);
    EXPECT_TRUE(dialog.chosen(0));
    EXPECT_FALSE(dialog.chosen(1));
    EXPECT_TRUE(dialog.chosen(2));
    EXPECT_TRUE(view.enabled(IDC_INSTALL));
    EXPECT_TRUE(view.enabled(IDC_COPY_COUNT));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(debug.lines.empty());  // the match is only traced in Korean

    // The installed entry cannot be cleared; clearing another one updates the choice.
    view.list[1].check = 0;
    view.currentItem = 1;
    dialog.OnCommand(IDC_CLONE_LIST, 1);
    EXPECT_EQ(view.list[1].check, 2);
    view.list[2].check = 0;
    view.currentItem = 2;
    dialog.OnCommand(IDC_CLONE_LIST, 1);
    EXPECT_TRUE(dialog.chosen(0));
    EXPECT_FALSE(dialog.chosen(2));
    EXPECT_TRUE(view.enabled(IDC_INSTALL));
}

TEST_F(MainDialogTest, CloneListGoesOnNumberingPastTheTenthCopy) {
    start();
    typeCopyCount("12");
    setClone(true);
    ASSERT_EQ(view.list.size(), 12u);
    EXPECT_EQ(view.list[11].text, "TORVA Label Printer #12");
    EXPECT_EQ(view.list[11].check, 1);
}

TEST_F(MainDialogTest, CloneOptionOffListsThePlainNameAndWaitsForACheck) {
    spooler.addQueue("Office", "Generic / Text Only");
    start();
    setClone(true);
    setClone(false);
    ASSERT_EQ(view.list.size(), 1u);
    EXPECT_EQ(view.list[0].text, "TORVA Label Printer");
    EXPECT_EQ(view.list[0].check, 0);
    EXPECT_FALSE(view.enabled(IDC_INSTALL));
    EXPECT_FALSE(view.enabled(IDC_COPY_COUNT));

    view.list[0].check = 1;
    view.currentItem = 0;
    dialog.OnCommand(IDC_CLONE_LIST, 1);
    EXPECT_TRUE(view.enabled(IDC_INSTALL));
    EXPECT_TRUE(dialog.chosen(0));
}

TEST_F(MainDialogTest, CloneMarkingReportsOnlyARealEnumerationFailure) {
    start();
    setClone(true);  // no queue at all: nothing to mark, nothing to report
    EXPECT_TRUE(view.messages.empty());
    spooler.enumError = 1722;
    setClone(false);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], (fakes::FakeMainView::Message{"EnumPrinters() failed", "EnumPrinters() Error"}));
}

TEST_F(MainDialogTest, KoreanCloneMarkingTracesEachMatch) {
    systemInfo.codePage = 949;
    spooler.addQueue("TORVA Label Printer #1", "TORVA Label Printer #1");
    start();
    setClone(true);
    EXPECT_EQ(debug.lines,
              std::vector<std::string>{"0 TORVA Label Printer #1 TORVA Label Printer #1 TORVA Label Printer #1"});
}

TEST_F(MainDialogTest, ExitEscapeAndOkEndTheDialog) {
    start();
    dialog.OnCommand(IDC_EXIT, 0);
    EXPECT_EQ(view.endedWith, 2);
    view.endedWith = 0;
    dialog.OnCommand(2, 0);  // Escape and the close box
    EXPECT_EQ(view.endedWith, 2);

    view.texts[IDC_DRIVER_NAME] = "Shipping desk";
    view.endedWith = 0;
    dialog.OnCommand(1, 0);  // Enter
    EXPECT_EQ(view.endedWith, 1);
    EXPECT_EQ(dialog.driverNameText(), "Shipping desk");
}

TEST_F(MainDialogTest, AboutItemOfTheSystemMenuOpensTheAboutBox) {
    start();
    EXPECT_TRUE(dialog.OnSysCommand(0x0010));
    EXPECT_TRUE(dialog.OnSysCommand(0x0013));   // the low four bits are the system's own
    EXPECT_FALSE(dialog.OnSysCommand(0xF060));  // close goes to default handling
    EXPECT_EQ(view.aboutBoxes, 2);
}

TEST_F(MainDialogTest, ReportProgressSetsStatusAndPositionAndPausesWhenAsked) {
    start();
    int repaints = view.repaints;
    dialog.ReportProgress(std::string("Print Driver Copy Started"), 30, true);
    EXPECT_EQ(view.texts[IDC_STATUS], "Print Driver Copy Started");
    EXPECT_EQ(view.progressPos(), 30);
    EXPECT_EQ(view.repaints, repaints + 1);
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{500});
    dialog.ReportProgress(std::nullopt, 60, false);
    EXPECT_EQ(view.texts[IDC_STATUS], "Print Driver Copy Started");
    EXPECT_EQ(view.progressPos(), 60);
    EXPECT_EQ(clock.sleeps.size(), 1u);
}

}  // namespace
}  // namespace prinstall
