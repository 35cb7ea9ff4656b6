#include "controls/system_colours.h"

#include <gtest/gtest.h>

#include <set>

namespace prinstall::controls {
namespace {

// A scheme in which every system colour differs from the others and from black, so that a
// colour of the program's own cannot pass for one of the system's.
const SystemColours kScheme{0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606, 0x070707, 0x080808, 0x090909};
const std::set<Colour> kSchemeColours{0x010101, 0x020202, 0x030303, 0x040404, 0x050505,
                                      0x060606, 0x070707, 0x080808, 0x090909};

bool FromScheme(Colour c) { return kSchemeColours.count(c) == 1; }

TEST(HighContrastPainting, UsesOnlyTheSchemesColoursInPlainFills) {
    const ButtonPalette button = IconButtonPalette(true, kScheme);
    const ButtonColours& s = button.states;
    for (Colour c : {s.hoverBackground, s.hoverText, s.restingBackground, s.restingText, s.focusBackground, s.focusText,
                     button.edges.shadow, button.edges.highlight, button.frame})
        EXPECT_TRUE(FromScheme(c)) << std::hex << c;
    EXPECT_NE(s.restingText, s.restingBackground);
    EXPECT_NE(s.hoverBackground, s.restingBackground) << "the button under the mouse must stand out";
    // A disabled caption is one pass in the scheme's gray text, not the engraved look.
    ButtonState disabled;
    disabled.disabled = true;
    const CaptionPasses passes = CaptionDrawing(disabled, {0, 0, 40, 10}, button);
    ASSERT_EQ(passes.count, 1);
    EXPECT_EQ(passes.passes[0].text, kScheme.grayText);
    EXPECT_EQ(passes.passes[0].where, (Rect{0, 0, 40, 10}));

    const PicturePalette picture = PicturePainting(true, kScheme);
    EXPECT_TRUE(picture.twoTone);
    EXPECT_TRUE(FromScheme(picture.background) && FromScheme(picture.ink) && FromScheme(picture.paper));
    EXPECT_NE(picture.ink, picture.paper);

    const ResultPalette result = ResultPainting(true, kScheme);
    EXPECT_FALSE(result.gradient);
    EXPECT_TRUE(FromScheme(result.background) && FromScheme(result.text));
    EXPECT_NE(result.text, result.background);
}

TEST(HighContrastPainting, OffKeepsTheProgramsOwnLook) {
    const ButtonPalette button = IconButtonPalette(false, kScheme);
    EXPECT_EQ(button.frame, 0x000000u);
    ButtonState disabled;
    disabled.disabled = true;
    EXPECT_EQ(CaptionDrawing(disabled, {0, 0, 40, 10}, button).count, 2) << "engraved";
    EXPECT_FALSE(PicturePainting(false, kScheme).twoTone);
    EXPECT_TRUE(ResultPainting(false, kScheme).gradient);
}

}  // namespace
}  // namespace prinstall::controls
