#include "controls/icon_button_geometry.h"

#include <gtest/gtest.h>

namespace prinstall::controls {
namespace {

// Distinct colours, so that a mixed-up choice shows.
constexpr ButtonColours kColours{0x000001, 0x000002, 0x000003, 0x000004, 0x000005, 0x000006};
constexpr EdgeColours kEdges{0x808080, 0xFFFFFF};
constexpr Rect kItem{0, 0, 148, 54};

ButtonState Standing() {
    ButtonState s;
    s.flat = false;
    return s;
}

TEST(IconButtonStyle, AttachKeepsDefaultStatusAndForcesOwnerDraw) {
    const std::uint32_t child = 0x50010000;  // WS_CHILD | WS_VISIBLE | WS_TABSTOP
    StyleChange def = AttachStyle(child | kDefPushButton, false);
    EXPECT_TRUE(def.isDefault);
    EXPECT_EQ(def.style, child | kOwnerDraw);

    StyleChange plain = AttachStyle(child | kPushButton, false);
    EXPECT_FALSE(plain.isDefault);
    EXPECT_EQ(plain.style, child | kOwnerDraw);

    // Bit 16 belongs to the type bits and goes; bit 32 (text on the left) stays.
    EXPECT_EQ(AttachStyle(0x20 | 0x10 | 0x01, false).style, 0x20u | kOwnerDraw);
}

TEST(IconButtonStyle, SetStyleTracksDefaultAndStaysOwnerDrawn) {
    StyleChange toDefault = TrackSetStyle(kDefPushButton, false);
    EXPECT_TRUE(toDefault.isDefault);
    EXPECT_EQ(toDefault.style, kOwnerDraw);

    StyleChange toPlain = TrackSetStyle(kPushButton, true);
    EXPECT_FALSE(toPlain.isDefault);
    EXPECT_EQ(toPlain.style, kOwnerDraw);

    // Other types (our own owner-draw, a check box) leave the default status alone.
    EXPECT_TRUE(TrackSetStyle(kOwnerDraw, true).isDefault);
    EXPECT_FALSE(TrackSetStyle(2, false).isDefault);
    EXPECT_TRUE(TrackSetStyle(2, true).isDefault);

    // Higher style bits pass through; the type bits always end as owner-draw.
    EXPECT_EQ(TrackSetStyle(0x2000 | 0x10 | 0x04 | kDefPushButton, false).style, 0x2000u | kOwnerDraw);
}

TEST(IconButtonStyle, DialogCodeNamesThePushButtonKind) {
    const std::uint32_t dlgcButton = 0x2000;
    EXPECT_EQ(DialogCode(dlgcButton, true), dlgcButton | 0x10);
    EXPECT_EQ(DialogCode(dlgcButton, false), dlgcButton | 0x20);
}

TEST(IconButtonHover, StartsOnlyInFlatLookWhenTheCursorIsOverAndNotDragging) {
    EXPECT_TRUE(HoverStarts(true, false, false, true));
    EXPECT_FALSE(HoverStarts(true, true, false, true));    // already hovering: no new timer
    EXPECT_FALSE(HoverStarts(true, false, false, false));  // another window on top
    EXPECT_FALSE(HoverStarts(true, false, true, true));    // a drag that started elsewhere
    EXPECT_FALSE(HoverStarts(false, false, false, true));  // standing look
}

TEST(IconButtonHover, TimerSeesTheCursorLeaveAtTheClientEdges) {
    const Rect client{0, 0, 100, 40};
    EXPECT_FALSE(CursorLeft(client, {0, 0}));
    EXPECT_FALSE(CursorLeft(client, {99, 39}));
    EXPECT_TRUE(CursorLeft(client, {100, 20}));
    EXPECT_TRUE(CursorLeft(client, {50, 40}));
    EXPECT_TRUE(CursorLeft(client, {-1, 20}));
    EXPECT_TRUE(CursorLeft(client, {50, -1}));
}

TEST(IconButtonHover, EndingDoesNothingInTheStandingLook) {
    HoverEnd flatHovering = EndHover(true, true, true);
    EXPECT_TRUE(flatHovering.killTimer);
    EXPECT_TRUE(flatHovering.clearAndRepaint);

    HoverEnd flatIdle = EndHover(true, false, false);
    EXPECT_FALSE(flatIdle.killTimer);
    EXPECT_FALSE(flatIdle.clearAndRepaint);

    // The timer and the hover flag are ended independently.
    HoverEnd timerOnly = EndHover(true, false, true);
    EXPECT_TRUE(timerOnly.killTimer);
    EXPECT_FALSE(timerOnly.clearAndRepaint);
    HoverEnd flagOnly = EndHover(true, true, false);
    EXPECT_FALSE(flagOnly.killTimer);
    EXPECT_TRUE(flagOnly.clearAndRepaint);

    HoverEnd standing = EndHover(false, true, true);
    EXPECT_FALSE(standing.killTimer);
    EXPECT_FALSE(standing.clearAndRepaint);
}

TEST(IconButtonFrame, BlackFrameOnlyInStandingLookWhenFocusedOrDefault) {
    const Rect shrunk{1, 1, 147, 53};
    ButtonState s = Standing();
    s.isDefault = true;
    EXPECT_TRUE(ButtonFrame(s, kItem).black);
    EXPECT_EQ(ButtonFrame(s, kItem).inner, shrunk);

    s = Standing();
    s.focused = true;
    EXPECT_TRUE(ButtonFrame(s, kItem).black);
    EXPECT_EQ(ButtonFrame(s, kItem).inner, shrunk);

    s = Standing();
    EXPECT_FALSE(ButtonFrame(s, kItem).black);
    EXPECT_EQ(ButtonFrame(s, kItem).inner, kItem);

    ButtonState flat;
    flat.focused = true;
    flat.isDefault = true;
    EXPECT_FALSE(ButtonFrame(flat, kItem).black);
    EXPECT_EQ(ButtonFrame(flat, kItem).inner, kItem);
}

TEST(IconButtonFrame, BackgroundPrefersHoverOrPressOverFocus) {
    ButtonState s = Standing();
    EXPECT_EQ(BackgroundColour(s, kColours), kColours.restingBackground);
    s.focused = true;
    EXPECT_EQ(BackgroundColour(s, kColours), kColours.focusBackground);
    s.pressed = true;
    EXPECT_EQ(BackgroundColour(s, kColours), kColours.hoverBackground);
    s.pressed = false;
    s.hovering = true;
    EXPECT_EQ(BackgroundColour(s, kColours), kColours.hoverBackground);
}

TEST(IconButtonFrame, BorderSinksWhenPressedAndShowsInFlatLookOnlyWhileHovering) {
    ButtonState flat;
    EXPECT_EQ(BorderKind(flat), Border::None);
    flat.hovering = true;
    EXPECT_EQ(BorderKind(flat), Border::Raised);
    flat.hovering = false;
    flat.pressed = true;
    EXPECT_EQ(BorderKind(flat), Border::Sunken);

    ButtonState standing = Standing();
    EXPECT_EQ(BorderKind(standing), Border::Raised);
    standing.pressed = true;
    EXPECT_EQ(BorderKind(standing), Border::Sunken);
}

TEST(IconButtonFrame, BorderEdgesAndTheirColours) {
    const Rect r{1, 1, 11, 7};
    Edges3d raised = BorderEdges(Border::Raised, r, kEdges);
    EXPECT_EQ(raised.top, (Rect{1, 1, 10, 2}));
    EXPECT_EQ(raised.left, (Rect{1, 1, 2, 6}));
    EXPECT_EQ(raised.right, (Rect{10, 1, 11, 7}));
    EXPECT_EQ(raised.bottom, (Rect{1, 6, 11, 7}));
    EXPECT_EQ(raised.topLeft, kEdges.highlight);
    EXPECT_EQ(raised.bottomRight, kEdges.shadow);

    Edges3d sunken = BorderEdges(Border::Sunken, r, kEdges);
    EXPECT_EQ(sunken.topLeft, kEdges.shadow);
    EXPECT_EQ(sunken.bottomRight, kEdges.highlight);
}

TEST(IconButtonIcon, ChoiceFollowsStateWithFallbacksToTheMainIcon) {
    IconSet mainOnly{};
    mainOnly[kMainIcon] = {true, 32, 32};
    IconSet all = mainOnly;
    all[kRestingIcon] = {true, 32, 32};
    all[kDisabledIcon] = {true, 32, 32};

    ButtonState s = Standing();
    EXPECT_EQ(ChooseIcon(s, all), IconChoice::Resting);
    EXPECT_EQ(ChooseIcon(s, mainOnly), IconChoice::Main);
    s.hovering = true;
    EXPECT_EQ(ChooseIcon(s, all), IconChoice::Main);
    s.hovering = false;
    s.pressed = true;
    EXPECT_EQ(ChooseIcon(s, all), IconChoice::Main);

    // Disabled wins over pressed and hovering; without a disabled icon the main one stays.
    s.hovering = true;
    s.disabled = true;
    EXPECT_EQ(ChooseIcon(s, all), IconChoice::Disabled);
    EXPECT_EQ(ChooseIcon(s, mainOnly), IconChoice::Main);

    IconSet noMain = all;
    noMain[kMainIcon].loaded = false;
    EXPECT_EQ(ChooseIcon(Standing(), noMain), IconChoice::None);
}

TEST(IconButtonLayout, IconLeftOfCaption) {
    ContentLayout l = LayOut(Standing(), kItem, true, 32, 32, true);
    EXPECT_EQ(l.icon, (Point{3, 11}));
    EXPECT_EQ(l.caption, (Rect{35, 0, 148, 54}));

    // The item rectangle need not start at the origin.
    ContentLayout moved = LayOut(Standing(), {10, 20, 110, 61}, true, 16, 16, true);
    EXPECT_EQ(moved.icon, (Point{13, 32}));
    EXPECT_EQ(moved.caption, (Rect{29, 20, 110, 61}));
}

TEST(IconButtonLayout, IconWithoutCaptionIsCentred) {
    ContentLayout l = LayOut(Standing(), {0, 0, 101, 41}, true, 32, 32, false);
    EXPECT_EQ(l.icon, (Point{34, 4}));
    EXPECT_EQ(l.caption, (Rect{0, 0, 101, 41}));
}

TEST(IconButtonLayout, PressedShiftsIconAndCaptionByOnePixel) {
    ButtonState s = Standing();
    s.pressed = true;
    ContentLayout withIcon = LayOut(s, kItem, true, 32, 32, true);
    EXPECT_EQ(withIcon.icon, (Point{4, 12}));
    EXPECT_EQ(withIcon.caption, (Rect{36, 1, 149, 55}));

    ContentLayout iconOnly = LayOut(s, kItem, true, 32, 32, false);
    EXPECT_EQ(iconOnly.icon, (Point{59, 12}));

    ContentLayout textOnly = LayOut(s, kItem, false, 0, 0, true);
    EXPECT_EQ(textOnly.caption, (Rect{1, 1, 149, 55}));
}

TEST(IconButtonLayout, WithoutIconTheCaptionTakesTheWholeItem) {
    EXPECT_EQ(LayOut(Standing(), kItem, false, 32, 32, true).caption, kItem);
}

TEST(IconButtonCaption, MeasuredTextIsCentredRoundingTowardZero) {
    const Rect c{35, 0, 148, 54};  // 113 x 54
    // Measured from C's top-left, 80 x 13: differences 33 and 41 halve to 16 and 20.
    EXPECT_EQ(CentreIn(c, {35, 0, 115, 13}), (Rect{51, 20, 131, 33}));
    // Even differences.
    EXPECT_EQ(CentreIn(c, {35, 0, 113, 14}), (Rect{52, 20, 130, 34}));
    // Text wider and taller than C: -7 and -3 halve to -3 and -1, not -4 and -2.
    EXPECT_EQ(CentreIn(c, {35, 0, 155, 57}), (Rect{32, -1, 152, 56}));
}

TEST(IconButtonCaption, DisabledCaptionIsEngraved) {
    ButtonState s = Standing();
    s.disabled = true;
    s.hovering = true;
    const Rect at{50, 20, 130, 33};
    CaptionPasses p = CaptionDrawing(s, at, kColours, kEdges);
    ASSERT_EQ(p.count, 2);
    EXPECT_EQ(p.passes[0].where, (Rect{51, 21, 131, 34}));
    EXPECT_EQ(p.passes[0].text, kEdges.highlight);
    EXPECT_EQ(p.passes[1].where, at);
    EXPECT_EQ(p.passes[1].text, kEdges.shadow);
}

TEST(IconButtonCaption, TextColourFollowsHoverOrPressButNotFocus) {
    const Rect at{50, 20, 130, 33};
    ButtonState s = Standing();
    s.focused = true;
    CaptionPasses resting = CaptionDrawing(s, at, kColours, kEdges);
    ASSERT_EQ(resting.count, 1);
    EXPECT_EQ(resting.passes[0].where, at);
    EXPECT_EQ(resting.passes[0].text, kColours.restingText);
    EXPECT_EQ(resting.background, kColours.restingBackground);

    s.pressed = true;
    CaptionPasses pressed = CaptionDrawing(s, at, kColours, kEdges);
    EXPECT_EQ(pressed.passes[0].text, kColours.hoverText);
    EXPECT_EQ(pressed.background, kColours.hoverBackground);

    ButtonState hovering;
    hovering.hovering = true;
    EXPECT_EQ(CaptionDrawing(hovering, at, kColours, kEdges).passes[0].text, kColours.hoverText);
}

TEST(IconButtonFocus, FocusRectangleInsideRInStandingLookOnly) {
    ButtonState s = Standing();
    s.focused = true;
    const Rect inner = ButtonFrame(s, kItem).inner;
    FocusRect f = FocusRectangle(s, inner);
    EXPECT_TRUE(f.drawn);
    EXPECT_EQ(f.where, (Rect{4, 4, 144, 50}));

    EXPECT_FALSE(FocusRectangle(Standing(), kItem).drawn);
    ButtonState flat;
    flat.focused = true;
    EXPECT_FALSE(FocusRectangle(flat, kItem).drawn);
}

}  // namespace
}  // namespace prinstall::controls
