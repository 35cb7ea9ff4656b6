// The main dialog's result reporting: ShowResult and the result message that the
// installation steps leave for it.
#include <gtest/gtest.h>

#include "app/main_dialog.h"
#include "fakes/main_dialog_world.h"
#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

using Result = fakes::FakeMainView::Result;

class MainDialogResultTest : public ::testing::Test, public fakes::MainDialogWorld {
protected:
};

TEST_F(MainDialogResultTest, ShowsAnInstallationResultAndReturnsHowTheDialogEnded) {
    view.resultAnswer = 1;
    EXPECT_EQ(dialog.ShowResult("Installation completed. ", 0), 1);
    view.resultAnswer = 2;
    EXPECT_EQ(dialog.ShowResult("Install Canceled.", 1), 2);
    EXPECT_EQ(view.results, (std::vector<Result>{{"Installation completed. ", 0, 0}, {"Install Canceled.", 0, 1}}));
    EXPECT_EQ(dialog.ResultMessage(), "Install Canceled.");
}

}  // namespace
}  // namespace prinstall
