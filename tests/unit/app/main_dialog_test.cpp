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

    void Start() {
        started = true;
        dialog.OnInitDialog();
    }

    void TypeCopyCount(const std::string& text) { view.SetItemText(IDC_COPY_COUNT, text); }

    void SetClone(bool on) {
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
    spooler.AddDriver("TORVA Label Printer #4");
    Start();
    EXPECT_EQ(dialog.LabelDriverCount(), 0);
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
    spooler.drivers.clear();
    spooler.monitors.push_back("TORVA LABEL USB Port");
    EXPECT_TRUE(dialog.HasLeftovers());
    spooler.monitors.pop_back();
    EXPECT_FALSE(dialog.HasLeftovers());
    // Files of a copy that stopped half way: a numbered file no driver names, a clone file.
    for (const std::string& file :
         {spooler.driverDir + "\\3\\TVLabelE4.DLL", std::string("C:\\TORVA EPL Printer 2.X\\Win32\\TVLabel4.INI")}) {
        files.AddFile(file, "x");
        EXPECT_TRUE(dialog.HasLeftovers()) << file;
        files.RemoveFile(file);
    }
}

TEST_F(MainDialogTest, StartsInEnglishWithTheFirstCopyProposed) {
    Start();
    EXPECT_EQ(view.title, "TORVA EPL Printer Driver Installation / Uninstallation Program");
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer");
    EXPECT_EQ(view.texts[IDC_COPY_COUNT], "1");
    EXPECT_EQ(view.texts.count(IDC_INSTALL), 0u);  // the template's English caption stays
    EXPECT_EQ(app.state.driverNumber, 1);
    EXPECT_EQ(dialog.LabelDriverCount(), 0);
    EXPECT_FALSE(view.Visible(IDC_UNINSTALL));
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));
    EXPECT_EQ(dialog.GetCopyCount(), 1);
    EXPECT_EQ(view.systemMenu, (std::vector<std::pair<int, std::string>>{{16, "Instaloo Information(&A)..."}}));
    EXPECT_TRUE(view.iconSet);
    EXPECT_EQ(view.dressed, (std::map<int, int>{{1000, 145}, {1012, 146}, {1017, 156}}));
    EXPECT_EQ(view.progressLow, 0);
    EXPECT_EQ(view.progressHigh, 100);
    EXPECT_EQ(view.progressStep, 2);
    EXPECT_EQ(view.ProgressPos(), 0);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(MainDialogTest, InstalledCopiesOneAndThreeProposeCopyTwo) {
    spooler.AddQueue("TORVA Label Printer", "TORVA Label Printer #1");
    spooler.AddQueue("Shipping", "TORVA Label Printer #3");
    spooler.AddQueue("Office", "Generic / Text Only");
    Start();
    EXPECT_EQ(dialog.LabelDriverCount(), 2);
    EXPECT_EQ(app.state.driverNumber, 2);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 2");
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
}

TEST_F(MainDialogTest, KoreanCodePageGivesTheKoreanTextsAndKeepsEnglishOnesWithoutAKoreanForm) {
    systemInfo.codePage = 949;
    Start();
    EXPECT_EQ(dialog.GetLanguage(), Language::Korean);
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
    spooler.AddQueue("Q", "TORVA Label Printer #1");
    Start();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "");  // the program's own message box
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "");
    EXPECT_TRUE(view.dressed.empty());
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
    EXPECT_EQ(spooler.enumCalls, 0);
    EXPECT_EQ(view.endedWith, 0);
}

TEST_F(MainDialogTest, UnreachableServiceManagerIsReportedAndStartUpGoesOn) {
    services.openManagerError = 5;
    spooler.AddQueue("Q", "TORVA Label Printer #1");
    Start();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "OpenSCManager() failed !!! ErrorCode=5");
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 2");
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
}

TEST_F(MainDialogTest, FailedScanProposesThePlainNameAndHidesUninstallation) {
    spooler.enumError = 1722;
    Start();
    EXPECT_EQ(dialog.LabelDriverCount(), -2);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer");
    EXPECT_FALSE(view.Visible(IDC_UNINSTALL));
    EXPECT_EQ(app.state.driverNumber, 0);
}

TEST_F(MainDialogTest, CopyCountEnablesInstallationAndIsCutAt500) {
    Start();
    TypeCopyCount("12abc");
    EXPECT_EQ(dialog.GetCopyCount(), 12);
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));

    TypeCopyCount("abc");
    EXPECT_EQ(dialog.GetCopyCount(), 0);
    EXPECT_FALSE(view.Enabled(IDC_INSTALL));

    TypeCopyCount("900");
    EXPECT_EQ(dialog.GetCopyCount(), 500);
    EXPECT_EQ(view.texts[IDC_COPY_COUNT], "500");
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));

    TypeCopyCount("-3");
    EXPECT_EQ(dialog.GetCopyCount(), -3);
    EXPECT_FALSE(view.Enabled(IDC_INSTALL));

    TypeCopyCount("");
    EXPECT_FALSE(view.Enabled(IDC_INSTALL));
    TypeCopyCount(" 2");
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));
}

TEST_F(MainDialogTest, CloneOptionListsTheCopiesAndMarksAnInstalledOne) {
    spooler.AddQueue("TORVA Label Printer #2", "TORVA Label Printer #2");
    spooler.AddQueue("TORVA Label Printer #3", "TORVA Label Printer #1");  // names differ: not installed
    Start();
    TypeCopyCount("3");
    SetClone(true);
    ASSERT_EQ(view.list.size(), 3u);
    EXPECT_EQ(view.list[0].text, "TORVA Label Printer #1");
    EXPECT_EQ(view.list[1].text, "TORVA Label Printer #2");
    EXPECT_EQ(view.list[2].text, "TORVA Label Printer #3");
    EXPECT_EQ(view.list[0].check, 1);
    EXPECT_EQ(view.list[1].check, 2);
    EXPECT_EQ(view.list[2].check, 1);
    EXPECT_TRUE(dialog.Chosen(0));
    EXPECT_FALSE(dialog.Chosen(1));
    EXPECT_TRUE(dialog.Chosen(2));
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));
    EXPECT_TRUE(view.Enabled(IDC_COPY_COUNT));
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
    EXPECT_TRUE(dialog.Chosen(0));
    EXPECT_FALSE(dialog.Chosen(2));
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));
}

TEST_F(MainDialogTest, CloneListGoesOnNumberingPastTheTenthCopy) {
    Start();
    TypeCopyCount("12");
    SetClone(true);
    ASSERT_EQ(view.list.size(), 12u);
    EXPECT_EQ(view.list[11].text, "TORVA Label Printer #12");
    EXPECT_EQ(view.list[11].check, 1);
}

TEST_F(MainDialogTest, CloneOptionOffListsThePlainNameAndWaitsForACheck) {
    spooler.AddQueue("Office", "Generic / Text Only");
    Start();
    SetClone(true);
    SetClone(false);
    ASSERT_EQ(view.list.size(), 1u);
    EXPECT_EQ(view.list[0].text, "TORVA Label Printer");
    EXPECT_EQ(view.list[0].check, 0);
    EXPECT_FALSE(view.Enabled(IDC_INSTALL));
    EXPECT_FALSE(view.Enabled(IDC_COPY_COUNT));

    view.list[0].check = 1;
    view.currentItem = 0;
    dialog.OnCommand(IDC_CLONE_LIST, 1);
    EXPECT_TRUE(view.Enabled(IDC_INSTALL));
    EXPECT_TRUE(dialog.Chosen(0));
}

TEST_F(MainDialogTest, CloneMarkingReportsOnlyARealEnumerationFailure) {
    Start();
    SetClone(true);  // no queue at all: nothing to mark, nothing to report
    EXPECT_TRUE(view.messages.empty());
    spooler.enumError = 1722;
    SetClone(false);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], (fakes::FakeMainView::Message{"EnumPrinters() failed", "EnumPrinters() Error"}));
}

TEST_F(MainDialogTest, KoreanCloneMarkingTracesEachMatch) {
    systemInfo.codePage = 949;
    spooler.AddQueue("TORVA Label Printer #1", "TORVA Label Printer #1");
    Start();
    SetClone(true);
    EXPECT_EQ(debug.lines,
              std::vector<std::string>{"0 TORVA Label Printer #1 TORVA Label Printer #1 TORVA Label Printer #1"});
}

TEST_F(MainDialogTest, ExitEscapeAndOkEndTheDialog) {
    Start();
    dialog.OnCommand(IDC_EXIT, 0);
    EXPECT_EQ(view.endedWith, 2);
    view.endedWith = 0;
    dialog.OnCommand(2, 0);  // Escape and the close box
    EXPECT_EQ(view.endedWith, 2);

    view.texts[IDC_DRIVER_NAME] = "Shipping desk";
    view.endedWith = 0;
    dialog.OnCommand(1, 0);  // Enter
    EXPECT_EQ(view.endedWith, 1);
    EXPECT_EQ(dialog.DriverNameText(), "Shipping desk");
}

TEST_F(MainDialogTest, AboutItemOfTheSystemMenuOpensTheAboutBox) {
    Start();
    EXPECT_TRUE(dialog.OnSysCommand(0x0010));
    EXPECT_TRUE(dialog.OnSysCommand(0x0013));   // the low four bits are the system's own
    EXPECT_FALSE(dialog.OnSysCommand(0xF060));  // close goes to default handling
    EXPECT_EQ(view.aboutBoxes, 2);
}

TEST_F(MainDialogTest, ReportProgressSetsStatusAndPositionAndPausesWhenAsked) {
    Start();
    int repaints = view.repaints;
    dialog.ReportProgress(std::string("Print Driver Copy Started"), 30, true);
    EXPECT_EQ(view.texts[IDC_STATUS], "Print Driver Copy Started");
    EXPECT_EQ(view.ProgressPos(), 30);
    EXPECT_EQ(view.repaints, repaints + 1);
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{500});
    dialog.ReportProgress(std::nullopt, 60, false);
    EXPECT_EQ(view.texts[IDC_STATUS], "Print Driver Copy Started");
    EXPECT_EQ(view.ProgressPos(), 60);
    EXPECT_EQ(clock.sleeps.size(), 1u);
}

}  // namespace
}  // namespace prinstall
