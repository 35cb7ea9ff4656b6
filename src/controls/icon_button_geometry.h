// Rules of the icon push button that need no window: the style and dialog-code answers,
// the hover decisions, and every rectangle, offset and colour the paint routine uses.
// icon_button_win.cpp only carries these out with Win32 and GDI calls.
#pragma once

#include <array>
#include <cstdint>

namespace prinstall::controls {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect Deflate(int d) const { return {left + d, top + d, right - d, bottom - d}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// A COLORREF value (0x00BBGGRR).
using Colour = std::uint32_t;

// ---- Window style and dialog manager ----

inline constexpr std::uint32_t kButtonTypeBits = 0x1F;       // the low five bits
inline constexpr std::uint32_t kPushButton = 0;              // BS_PUSHBUTTON
inline constexpr std::uint32_t kDefPushButton = 1;           // BS_DEFPUSHBUTTON
inline constexpr std::uint32_t kOwnerDraw = 11;              // BS_OWNERDRAW
inline constexpr std::uint32_t kDlgcDefPushButton = 0x10;    // DLGC_DEFPUSHBUTTON
inline constexpr std::uint32_t kDlgcUndefPushButton = 0x20;  // DLGC_UNDEFPUSHBUTTON

struct StyleChange {
    bool isDefault;
    std::uint32_t style;  // the style to give the window
};

// When the button takes over a dialog control: a default push button stays the default,
// and the control becomes owner-drawn so that only we paint it.
StyleChange AttachStyle(std::uint32_t windowStyle, bool isDefault);

// The dialog manager moves the default status with set-style requests of type 0 or 1.
// The request is passed on with the owner-draw type forced, so the control keeps being ours.
StyleChange TrackSetStyle(std::uint32_t requestedStyle, bool isDefault);

// Answer to the dialog-code query: the standard answer plus the push-button kind, so that
// Enter and the dialog's default-button logic see a push button.
std::uint32_t DialogCode(std::uint32_t standardCode, bool isDefault);

// ---- Hover tracking (flat look) ----

// On a mouse move: whether hovering starts now (set it, repaint with erase, start the timer).
bool HoverStarts(bool flat, bool hovering, bool leftButtonHeld, bool cursorOverButton);

// On a hover-timer tick: whether the cursor has left the client rectangle, so that a
// mouse-leave message must be posted. Right and bottom edges lie outside, as for PtInRect.
bool CursorLeft(const Rect& client, Point cursor);

struct HoverEnd {
    bool killTimer;
    bool clearAndRepaint;
};
// On mouse leave, focus loss, deactivation, cancel mode and disable.
HoverEnd EndHover(bool flat, bool hovering, bool timerRunning);

// ---- Painting ----

// What the paint routine knows about the button; pressed, focused and disabled come from
// the owner-draw item state of the paint being done.
struct ButtonState {
    bool flat = true;
    bool hovering = false;
    bool pressed = false;
    bool focused = false;
    bool disabled = false;
    bool isDefault = false;
};

// Background and text colours per state, in the order the button stores them.
struct ButtonColours {
    Colour hoverBackground;
    Colour hoverText;
    Colour restingBackground;
    Colour restingText;
    Colour focusBackground;
    Colour focusText;
};

// System colours the border and the engraved caption are drawn with.
struct EdgeColours {
    Colour shadow;     // COLOR_BTNSHADOW
    Colour highlight;  // COLOR_BTNHIGHLIGHT
};

// The standing look frames the focused or default button (in black, or the text colour with
// high contrast); R is what is left inside.
struct Frame {
    bool black;
    Rect inner;  // R
};
Frame ButtonFrame(const ButtonState& s, const Rect& item);

Colour BackgroundColour(const ButtonState& s, const ButtonColours& c);

enum class Border { None, Raised, Sunken };
Border BorderKind(const ButtonState& s);

// The four one-pixel edges of a 3-D rectangle; the bottom-right colour owns the corners
// at top-right and bottom-left.
struct Edges3d {
    Rect top, left;      // drawn in the top-left colour
    Rect right, bottom;  // drawn in the bottom-right colour
    Colour topLeft, bottomRight;
};
Edges3d BorderEdges(Border kind, const Rect& r, const EdgeColours& e);

enum IconSlot { kMainIcon = 0, kRestingIcon = 1, kDisabledIcon = 2 };

struct IconInfo {
    bool loaded = false;
    int width = 0;  // layout size given to SetIcons
    int height = 0;
};
using IconSet = std::array<IconInfo, 3>;

enum class IconChoice { None, Main, Resting, Disabled };
IconChoice ChooseIcon(const ButtonState& s, const IconSet& icons);

struct ContentLayout {
    Point icon;    // top-left of the icon, when one is drawn
    Rect caption;  // C: where the caption is centred
};
// Places the icon (iconWidth x iconHeight; ignored when hasIcon is false) and the caption
// rectangle inside the item rectangle.
ContentLayout LayOut(const ButtonState& s, const Rect& item, bool hasIcon, int iconWidth, int iconHeight,
                     bool hasCaption);

// Moves a measured text rectangle (measured from C's top-left) so that it is centred in C;
// odd differences are halved toward zero.
Rect CentreIn(const Rect& caption, const Rect& measured);

// How the caption is drawn: one pass normally, two for the engraved disabled look.
struct TextPass {
    Rect where;
    Colour text;
};
struct CaptionPasses {
    int count;
    std::array<TextPass, 2> passes;
    Colour background;  // text background colour (the mode is transparent anyway)
};
CaptionPasses CaptionDrawing(const ButtonState& s, const Rect& centred, const ButtonColours& c, const EdgeColours& e);

struct FocusRect {
    bool drawn;
    Rect where;
};
FocusRect FocusRectangle(const ButtonState& s, const Rect& inner);

}  // namespace prinstall::controls
