// Which colours our own painting uses. Normally the owner-drawn buttons, the picture control
// and the result dialog have their own look; with high contrast on they paint only with the
// colours the operator chose in the system (no gradient, no colour of ours, pictures in two
// tones), so that what they show stays readable in every high-contrast scheme.
// The *_win.cpp painters read the flag and the system colours and only carry this out.
#pragma once

#include "controls/icon_button_geometry.h"

namespace prinstall::controls {

// The GetSysColor values our painting may use.
struct SystemColours {
    Colour buttonFace;       // COLOR_BTNFACE
    Colour buttonText;       // COLOR_BTNTEXT
    Colour buttonShadow;     // COLOR_BTNSHADOW
    Colour buttonHighlight;  // COLOR_BTNHIGHLIGHT
    Colour window;           // COLOR_WINDOW
    Colour windowText;       // COLOR_WINDOWTEXT
    Colour highlight;        // COLOR_HIGHLIGHT
    Colour highlightText;    // COLOR_HIGHLIGHTTEXT
    Colour grayText;         // COLOR_GRAYTEXT
};

// The icon button's colours. The engraved caption of a disabled button is two passes in the
// edge colours; without it the caption is one pass in disabledText.
struct ButtonPalette {
    ButtonColours states;
    EdgeColours edges;
    Colour frame;  // around the focused or default button of the standing look
    bool engravedDisabled;
    Colour disabledText;
};
ButtonPalette IconButtonPalette(bool highContrast, const SystemColours& system);

// The caption passes for this palette: CaptionDrawing, except that a disabled caption without
// the engraved look is one pass in the palette's disabled colour.
CaptionPasses CaptionDrawing(const ButtonState& s, const Rect& centred, const ButtonPalette& palette);

// The picture control: the colour around the picture and, with twoTone, the picture itself
// drawn as ink (what differs from the bitmap's background) on paper.
struct PicturePalette {
    Colour background;
    bool twoTone;
    Colour ink;
    Colour paper;
};
PicturePalette PicturePainting(bool highContrast, const SystemColours& system);

// The result dialog: its outcome gradient, or one background colour, and the colour of its
// texts.
struct ResultPalette {
    bool gradient;
    Colour background;  // when there is no gradient
    Colour text;
};
ResultPalette ResultPainting(bool highContrast, const SystemColours& system);

}  // namespace prinstall::controls
