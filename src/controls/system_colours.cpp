#include "controls/system_colours.h"

namespace prinstall::controls {

namespace {

constexpr Colour kBlack = 0x000000;

}  // namespace

ButtonPalette IconButtonPalette(bool highContrast, const SystemColours& system) {
    const Colour face = system.buttonFace;
    const Colour text = system.buttonText;
    if (!highContrast) {
        return {{face, text, face, text, face, text}, {system.buttonShadow, system.buttonHighlight}, kBlack, true, 0};
    }
    // The mouse over a button lights it in the selection colours; every edge is drawn in the
    // text colour, since the 3-D shades of a high-contrast scheme may equal its face.
    return {
        {system.highlight, system.highlightText, face, text, face, text}, {text, text}, text, false, system.grayText};
}

CaptionPasses CaptionDrawing(const ButtonState& s, const Rect& centred, const ButtonPalette& palette) {
    CaptionPasses out = CaptionDrawing(s, centred, palette.states, palette.edges);
    if (s.disabled && !palette.engravedDisabled) {
        out.count = 1;
        out.passes[0] = {centred, palette.disabledText};
    }
    return out;
}

PicturePalette PicturePainting(bool highContrast, const SystemColours& system) {
    if (!highContrast) return {system.buttonFace, false, 0, 0};
    return {system.buttonFace, true, system.buttonText, system.buttonFace};
}

ResultPalette ResultPainting(bool highContrast, const SystemColours& system) {
    if (!highContrast) return {true, system.buttonFace, kBlack};
    return {false, system.buttonFace, system.buttonText};
}

}  // namespace prinstall::controls
