#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/main_dialog_world.h"
#include "fakes/fake_platform.h"
#include "resource.h"

namespace prinstall {
namespace {

class UninstallCommandTest : public ::testing::Test, public fakes::MainDialogWorld {
protected:
    UninstallCommandTest() {
        spooler.AddQueue("TORVA Label Printer", "TORVA Label Printer #1");
        spooler.AddQueue("Shipping", "TORVA Label Printer #2");
        spooler.AddQueue("Dock", "TORVA Label Printer #3");
        dialog.OnInitDialog();
    }

    // The removal dialog leaves the queues of these drivers and ends with `result`.
    void Removal(std::vector<std::string> keep, int result) {
        view.uninstallAnswer = result;
        view.onUninstall = [this, keep] {
            std::erase_if(spooler.printers, [&](const PrinterInfo2& p) {
                return std::find(keep.begin(), keep.end(), p.driverName) == keep.end();
            });
        };
        dialog.OnCommand(IDC_UNINSTALL, 0);
    }
};

TEST_F(UninstallCommandTest, RemovingEveryCopyProposesTheBaseNameAndHidesTheButton) {
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 4");
    Removal({}, 1);
    EXPECT_EQ(view.uninstallRuns, 1);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer");
    EXPECT_FALSE(view.Visible(IDC_UNINSTALL));
}

TEST_F(UninstallCommandTest, CopiesOneAndThreeLeftProposeTwoAndKeepTheButton) {
    Removal({"TORVA Label Printer #1", "TORVA Label Printer #3"}, 1);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 2");
    EXPECT_EQ(dialog.LabelDriverCount(), 2);
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
}

TEST_F(UninstallCommandTest, OnlyOkBringsTheMainDialogUpToDate) {
    view.texts[IDC_DRIVER_NAME] = "Typed by the operator";
    const int enumerations = spooler.enumCalls;
    Removal({}, 2);
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "Typed by the operator");
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
    EXPECT_EQ(spooler.enumCalls, enumerations);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(view.results.empty());
}

TEST_F(UninstallCommandTest, FailedRecountKeepsTheButtonAndTheLastNumber) {
    view.onUninstall = [this] { spooler.enumError = 1722; };
    dialog.OnCommand(IDC_UNINSTALL, 0);
    EXPECT_EQ(dialog.LabelDriverCount(), -2);
    EXPECT_TRUE(view.Visible(IDC_UNINSTALL));
    EXPECT_EQ(view.texts[IDC_DRIVER_NAME], "TORVA Label Printer 4");
}

}  // namespace
}  // namespace prinstall
