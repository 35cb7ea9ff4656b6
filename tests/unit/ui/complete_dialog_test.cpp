#include "ui/complete_dialog.h"

#include <gtest/gtest.h>

#include "fakes/fake_dialog_view.h"

#include <map>
#include <optional>
#include <string>

#include "resource.h"

namespace prinstall {
namespace {

// --- Background rows ---------------------------------------------------------------------

TEST(ResultGradientTest, SuccessRunsFromDarkGreenAtTheTopToLightGreenAtTheBottom) {
    EXPECT_EQ(ResultRowColour(0, 256, kResultSuccess), (Rgb{0, 127, 50}));
    EXPECT_EQ(ResultRowColour(128, 256, kResultSuccess), (Rgb{15, 191, 75}));
    EXPECT_EQ(ResultRowColour(255, 256, kResultSuccess), (Rgb{29, 254, 99}));
}

TEST(ResultGradientTest, ErrorRunsFromDarkRedAtTheTopToLightRedAtTheBottom) {
    EXPECT_EQ(ResultRowColour(0, 256, kResultError), (Rgb{127, 0, 50}));
    EXPECT_EQ(ResultRowColour(128, 256, kResultError), (Rgb{191, 15, 75}));
    EXPECT_EQ(ResultRowColour(255, 256, kResultError), (Rgb{254, 29, 99}));
}

TEST(ResultGradientTest, ChannelsAreCutDownNotRoundedWhenTheHeightDoesNotDivideEvenly) {
    // 183 rows: 30 * 91 / 183 = 14.9, 128 * 91 / 183 = 63.6, 50 * 91 / 183 = 24.9.
    EXPECT_EQ(ResultRowColour(91, 183, kResultSuccess), (Rgb{14, 190, 74}));
    EXPECT_EQ(ResultRowColour(91, 183, kResultError), (Rgb{190, 14, 74}));
    EXPECT_EQ(ResultRowColour(182, 183, kResultSuccess), (Rgb{29, 254, 99}));
    EXPECT_EQ(ResultRowColour(182, 183, kResultError), (Rgb{254, 29, 99}));
}

TEST(ResultGradientTest, EveryRowOfAClientAreaStaysWithinItsOutcomesColours) {
    constexpr int kHeight = 183;
    std::optional<Rgb> previous;
    for (int row = 0; row < kHeight; ++row) {
        const std::optional<Rgb> green = ResultRowColour(row, kHeight, kResultSuccess);
        const std::optional<Rgb> red = ResultRowColour(row, kHeight, kResultError);
        ASSERT_TRUE(green && red) << "row " << row;
        EXPECT_GE(green->green, 127) << "row " << row;
        EXPECT_LT(green->red, 30) << "row " << row;
        EXPECT_GE(red->red, 127) << "row " << row;
        EXPECT_LT(red->green, 30) << "row " << row;
        if (previous) {
            EXPECT_GE(green->green, previous->green) << "row " << row;
            EXPECT_GE(green->blue, previous->blue) << "row " << row;
        }
        previous = green;
    }
}

TEST(ResultGradientTest, NoRowsForAnEmptyClientAreaOrOutsideIt) {
    EXPECT_EQ(ResultRowColour(0, 0, kResultSuccess), std::nullopt);
    EXPECT_EQ(ResultRowColour(0, 0, kResultError), std::nullopt);
    EXPECT_EQ(ResultRowColour(0, -4, kResultSuccess), std::nullopt);
    EXPECT_EQ(ResultRowColour(-1, 100, kResultSuccess), std::nullopt);
    EXPECT_EQ(ResultRowColour(100, 100, kResultSuccess), std::nullopt);
}

TEST(ResultGradientTest, OneRowHighShowsOnlyTheTopColour) {
    EXPECT_EQ(ResultRowColour(0, 1, kResultSuccess), (Rgb{0, 127, 50}));
    EXPECT_EQ(ResultRowColour(0, 1, kResultError), (Rgb{127, 0, 50}));
    EXPECT_EQ(ResultRowColour(1, 1, kResultSuccess), std::nullopt);
}

TEST(ResultGradientTest, AnyOutcomeOtherThanSuccessIsPaintedAsAnError) {
    EXPECT_EQ(ResultRowColour(10, 100, 2), ResultRowColour(10, 100, kResultError));
    EXPECT_EQ(ResultRowColour(10, 100, -1), ResultRowColour(10, 100, kResultError));
}

// --- Captions ----------------------------------------------------------------------------

TEST(ResultCaptionTest, EachOperationAndOutcomeInBothLanguages) {
    struct Row {
        int operation;
        int outcome;
        const char* english;
        const char* korean;
    };
    const Row rows[] = {
        {kResultInstallation, kResultSuccess, "Installation complete !!!", "설치 완료 !!!"},
        {kResultUninstallation, kResultSuccess, "Uninstallation complete !!!", "삭제 완료 !!!"},
        {kResultInstallation, kResultError, "Installation Error !!!", "설치 에러 !!!"},
        {kResultUninstallation, kResultError, "Uninstallation Error !!!", "삭제 에러 !!!"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ResultCaption(r.operation, r.outcome, Language::English), r.english);
        EXPECT_EQ(ResultCaption(r.operation, r.outcome, Language::Korean), r.korean);
    }
}

TEST(ResultCaptionTest, AnUnknownOperationHasNoCaptionAndAnUnknownOutcomeIsAnError) {
    EXPECT_EQ(ResultCaption(2, kResultSuccess, Language::English), std::nullopt);
    EXPECT_EQ(ResultCaption(-1, kResultError, Language::Korean), std::nullopt);
    EXPECT_EQ(ResultCaption(kResultUninstallation, 3, Language::English), "Uninstallation Error !!!");
}

// --- Initialisation ----------------------------------------------------------------------

// The template's caption stays while the title is empty.
using FakeResultView = fakes::FakeDialogView<ResultView>;
constexpr int kOkButton = kDialogOk;

TEST(ResultDialogInitTest, EnglishInstallationSuccessKeepsTheOkTextAndShowsTheMessage) {
    FakeResultView view;
    InitResultDialog({"Installation completed. ", kResultInstallation, kResultSuccess}, 1252, view);
    EXPECT_EQ(view.title, "Installation complete !!!");
    EXPECT_EQ(view.texts, (std::map<int, std::string>{{IDC_RESULT_MESSAGE, "Installation completed. "}}));
    EXPECT_EQ(view.dressed, (std::map<int, int>{{kOkButton, IDI_CHECK}}));
}

TEST(ResultDialogInitTest, KoreanUninstallationErrorTranslatesCaptionAndOkButNotTheMessage) {
    FakeResultView view;
    InitResultDialog({"DeletePrinter() failed", kResultUninstallation, kResultError}, 949, view);
    EXPECT_EQ(view.title, "삭제 에러 !!!");
    EXPECT_EQ(view.texts[IDC_RESULT_MESSAGE], "DeletePrinter() failed");
    EXPECT_EQ(view.texts[kOkButton], "확인");
    EXPECT_EQ(view.dressed, (std::map<int, int>{{kOkButton, IDI_CHECK}}));
}

TEST(ResultDialogInitTest, OnlyCodePage949IsKorean) {
    FakeResultView view;
    InitResultDialog({"x", kResultInstallation, kResultError}, 932, view);
    EXPECT_EQ(view.title, "Installation Error !!!");
    EXPECT_EQ(view.texts.count(kOkButton), 0u);
}

TEST(ResultDialogInitTest, AnUnknownOperationLeavesTheTemplateCaptionButSetsEverythingElse) {
    FakeResultView view;
    InitResultDialog({"Done", 5, kResultSuccess}, 949, view);
    EXPECT_EQ(view.title, "");
    EXPECT_EQ(view.texts[IDC_RESULT_MESSAGE], "Done");
    EXPECT_EQ(view.texts[kOkButton], "확인");
    EXPECT_EQ(view.dressed, (std::map<int, int>{{kOkButton, IDI_CHECK}}));
}

TEST(ResultDialogInitTest, AnEmptyMessageEmptiesTheTemplatesLine) {
    FakeResultView view;
    InitResultDialog({"", kResultInstallation, kResultSuccess}, 1252, view);
    ASSERT_EQ(view.texts.count(IDC_RESULT_MESSAGE), 1u);
    EXPECT_EQ(view.texts[IDC_RESULT_MESSAGE], "");
}

}  // namespace
}  // namespace prinstall
