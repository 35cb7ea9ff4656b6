#include "controls/icon_button_geometry.h"

namespace prinstall::controls {

namespace {
constexpr int kIconMargin = 3;    // gap left of the icon and between icon and caption
constexpr int kFocusInset = 3;    // focus rectangle inside R
constexpr int kPressedShift = 1;  // icon and caption move right and down when pushed
}  // namespace

StyleChange AttachStyle(std::uint32_t windowStyle, bool isDefault) {
    if ((windowStyle & kButtonTypeBits) == kDefPushButton) isDefault = true;
    return {isDefault, (windowStyle & ~kButtonTypeBits) | kOwnerDraw};
}

StyleChange TrackSetStyle(std::uint32_t requestedStyle, bool isDefault) {
    const std::uint32_t type = requestedStyle & kButtonTypeBits;
    if (type == kDefPushButton || type == kPushButton) isDefault = (type == kDefPushButton);
    // Clearing 16 and 4 and setting 11 leaves exactly the owner-draw type in the low bits.
    return {isDefault, (requestedStyle & ~std::uint32_t{16 | 4}) | kOwnerDraw};
}

std::uint32_t DialogCode(std::uint32_t standardCode, bool isDefault) {
    return standardCode | (isDefault ? kDlgcDefPushButton : kDlgcUndefPushButton);
}

bool HoverStarts(bool flat, bool hovering, bool leftButtonHeld, bool cursorOverButton) {
    // A drag that started elsewhere does not light the button up.
    if (leftButtonHeld && !hovering) return false;
    if (!flat) return false;
    return cursorOverButton && !hovering;
}

bool CursorLeft(const Rect& client, Point cursor) {
    const bool inside =
        cursor.x >= client.left && cursor.x < client.right && cursor.y >= client.top && cursor.y < client.bottom;
    return !inside;
}

HoverEnd EndHover(bool flat, bool hovering, bool timerRunning) {
    if (!flat) return {false, false};
    return {timerRunning, hovering};
}

Frame ButtonFrame(const ButtonState& s, const Rect& item) {
    if (!s.flat && (s.focused || s.isDefault)) return {true, item.Deflate(1)};
    return {false, item};
}

Colour BackgroundColour(const ButtonState& s, const ButtonColours& c) {
    if (s.hovering || s.pressed) return c.hoverBackground;
    if (s.focused) return c.focusBackground;
    return c.restingBackground;
}

Border BorderKind(const ButtonState& s) {
    if (s.pressed) return Border::Sunken;
    if (s.flat && !s.hovering) return Border::None;
    return Border::Raised;
}

Edges3d BorderEdges(Border kind, const Rect& r, const EdgeColours& e) {
    Edges3d edges{};
    edges.top = {r.left, r.top, r.right - 1, r.top + 1};
    edges.left = {r.left, r.top, r.left + 1, r.bottom - 1};
    edges.right = {r.right - 1, r.top, r.right, r.bottom};
    edges.bottom = {r.left, r.bottom - 1, r.right, r.bottom};
    const bool sunken = kind == Border::Sunken;
    edges.topLeft = sunken ? e.shadow : e.highlight;
    edges.bottomRight = sunken ? e.highlight : e.shadow;
    return edges;
}

IconChoice ChooseIcon(const ButtonState& s, const IconSet& icons) {
    if (!icons[kMainIcon].loaded) return IconChoice::None;
    if (s.disabled) return icons[kDisabledIcon].loaded ? IconChoice::Disabled : IconChoice::Main;
    if (s.pressed || s.hovering) return IconChoice::Main;
    return icons[kRestingIcon].loaded ? IconChoice::Resting : IconChoice::Main;
}

ContentLayout LayOut(const ButtonState& s, const Rect& item, bool hasIcon, int iconWidth, int iconHeight,
                     bool hasCaption) {
    ContentLayout out{{item.left, item.top}, item};
    if (hasIcon) {
        if (hasCaption) {
            out.icon.x = item.left + kIconMargin;
            out.caption.left += iconWidth + kIconMargin;
        } else {
            out.icon.x = item.left + (item.Width() - iconWidth) / 2;
        }
        out.icon.y = item.top + (item.Height() - iconHeight) / 2;
        if (s.pressed) {
            out.icon.x += kPressedShift;
            out.icon.y += kPressedShift;
        }
    }
    if (hasCaption && s.pressed) out.caption = out.caption.Offset(kPressedShift, kPressedShift);
    return out;
}

Rect CentreIn(const Rect& caption, const Rect& measured) {
    // C++ division truncates toward zero, also for text wider than C.
    return measured.Offset((caption.Width() - measured.Width()) / 2, (caption.Height() - measured.Height()) / 2);
}

CaptionPasses CaptionDrawing(const ButtonState& s, const Rect& centred, const ButtonColours& c, const EdgeColours& e) {
    CaptionPasses out{};
    if (s.disabled) {
        // Engraved: a highlight copy one pixel down-right under the shadow-coloured text.
        out.count = 2;
        out.passes[0] = {centred.Offset(1, 1), e.highlight};
        out.passes[1] = {centred, e.shadow};
        out.background = c.restingBackground;
        return out;
    }
    const bool lit = s.hovering || s.pressed;
    out.count = 1;
    out.passes[0] = {centred, lit ? c.hoverText : c.restingText};
    out.background = lit ? c.hoverBackground : c.restingBackground;
    return out;
}

FocusRect FocusRectangle(const ButtonState& s, const Rect& inner) {
    if (s.focused && !s.flat) return {true, inner.Deflate(kFocusInset)};
    return {false, inner};
}

}  // namespace prinstall::controls
