#include "controls/system_colours.h"

#include <gtest/gtest.h>

namespace prinstall::controls {
namespace {

// Every system colour distinct, none black: a colour of the program's own shows up.
const SystemColours kScheme{1, 2, 3, 4, 5, 6, 7, 8, 9};
bool FromScheme(Colour c) { return c >= 1 && c <= 9; }

TEST(HighContrastPainting, OnlyTheSchemesColoursWithoutGradientOrEngraving) {
    const ButtonPalette button = IconButtonPalette(true, kScheme);
    const ButtonColours& s = button.states;
    for (Colour c : {s.hoverBackground, s.hoverText, s.restingBackground, s.restingText, s.focusBackground, s.focusText,
                     button.edges.shadow, button.edges.highlight, button.frame})
        EXPECT_TRUE(FromScheme(c)) << c;
    EXPECT_NE(s.restingText, s.restingBackground);
    EXPECT_NE(s.hoverBackground, s.restingBackground) << "the button under the mouse stands out";
    ButtonState disabled;
    disabled.disabled = true;
    const CaptionPasses passes = CaptionDrawing(disabled, {0, 0, 40, 10}, button);
    ASSERT_EQ(passes.count, 1);
    EXPECT_EQ(passes.passes[0].text, kScheme.grayText);
    EXPECT_EQ(CaptionDrawing(disabled, {0, 0, 40, 10}, IconButtonPalette(false, kScheme)).count, 2) << "engraved";

    const PicturePalette picture = PicturePainting(true, kScheme);
    EXPECT_TRUE(picture.twoTone && FromScheme(picture.background) && FromScheme(picture.ink));
    EXPECT_TRUE(FromScheme(picture.paper) && picture.ink != picture.paper);
    EXPECT_FALSE(PicturePainting(false, kScheme).twoTone);

    const ResultPalette result = ResultPainting(true, kScheme);
    EXPECT_FALSE(result.gradient);
    EXPECT_TRUE(FromScheme(result.background) && FromScheme(result.text) && result.text != result.background);
    EXPECT_TRUE(ResultPainting(false, kScheme).gradient);
}

}  // namespace
}  // namespace prinstall::controls
