#include "controls/picture_control.h"

#include <gtest/gtest.h>

#include <vector>

namespace prinstall::controls {
namespace {

TEST(PictureLayoutTest, FitInsideFillsTheWidthOfAWideBitmapAndLeavesABandBelow) {
    // 150 / 300 = 0.5 is smaller than 220 / 240.
    const PictureLayout layout = LayoutPicture(150, 220, {0, 0, 300, 240}, kFitInside);
    EXPECT_EQ(layout.dest, (Rect{0, 0, 150, 120}));
    EXPECT_DOUBLE_EQ(layout.scaleX, 0.5);
    EXPECT_DOUBLE_EQ(layout.scaleY, 0.5);
    EXPECT_EQ(UncoveredBands(layout.dest, 150, 220), (std::vector<Rect>{{0, 120, 150, 220}}));
}

TEST(PictureLayoutTest, FitInsideFillsTheHeightOfATallBitmapAndLeavesABandOnTheRight) {
    const PictureLayout layout = LayoutPicture(200, 100, {0, 0, 100, 200}, kFitInside);
    EXPECT_EQ(layout.dest, (Rect{0, 0, 50, 100}));
    EXPECT_EQ(UncoveredBands(layout.dest, 200, 100), (std::vector<Rect>{{50, 0, 200, 100}}));
}

TEST(PictureLayoutTest, FitInsideTruncatesTheScaledSizeAndEnlargesSmallBitmaps) {
    // 245 * 0.46875 = 114.84: cut to 114, not rounded to 115.
    EXPECT_EQ(LayoutPicture(150, 1000, {0, 0, 320, 245}, kFitInside).dest, (Rect{0, 0, 150, 114}));
    // A bitmap smaller than the control grows until one side touches.
    const PictureLayout grown = LayoutPicture(200, 300, {0, 0, 50, 40}, kFitInside);
    EXPECT_EQ(grown.dest, (Rect{0, 0, 200, 160}));
    EXPECT_DOUBLE_EQ(grown.scaleX, 4.0);
}

TEST(PictureLayoutTest, NaturalSizeKeepsTheBitmapSizeEvenBeyondTheClientArea) {
    const PictureLayout small = LayoutPicture(200, 100, {0, 0, 80, 60}, kFitNatural);
    EXPECT_EQ(small.dest, (Rect{0, 0, 80, 60}));
    EXPECT_DOUBLE_EQ(small.scaleX, 1.0);
    EXPECT_EQ(UncoveredBands(small.dest, 200, 100), (std::vector<Rect>{{80, 0, 200, 100}, {0, 60, 80, 100}}));

    const PictureLayout large = LayoutPicture(100, 100, {0, 0, 300, 240}, kFitNatural);
    EXPECT_EQ(large.dest, (Rect{0, 0, 300, 240}));
    EXPECT_TRUE(UncoveredBands(large.dest, 100, 100).empty());
}

TEST(PictureLayoutTest, NothingIsDrawnWithoutClientAreaOrBitmapAndTheBackgroundCoversAll) {
    const PictureLayout before = LayoutPicture(150, 220, {0, 0, 300, 240}, kFitInside);
    const PictureLayout noClient = LayoutPicture(0, 220, {0, 0, 300, 240}, kFitInside, before);
    EXPECT_EQ(noClient.dest, Rect{});
    EXPECT_DOUBLE_EQ(noClient.scaleX, 0.5) << "the last scale stays";
    EXPECT_EQ(LayoutPicture(150, 0, {0, 0, 300, 240}, kFitInside).dest, Rect{});

    const PictureLayout noBitmap = LayoutPicture(150, 220, Rect{}, kFitInside);
    EXPECT_EQ(noBitmap.dest, Rect{});
    EXPECT_EQ(UncoveredBands(noBitmap.dest, 150, 220), (std::vector<Rect>{{0, 0, 150, 220}}));
}

TEST(PictureLayoutTest, BandsSurroundAPictureAwayFromTheCornerWithoutOverlapping) {
    const Rect dest{10, 20, 60, 70};
    const std::vector<Rect> bands = UncoveredBands(dest, 100, 100);
    EXPECT_EQ(bands, (std::vector<Rect>{{0, 0, 10, 100}, {10, 0, 60, 20}, {60, 0, 100, 100}, {10, 70, 60, 100}}));
    int area = dest.Width() * dest.Height();
    for (const Rect& b : bands) area += b.Width() * b.Height();
    EXPECT_EQ(area, 100 * 100);
}

}  // namespace
}  // namespace prinstall::controls
