// Rules of the picture control that need no window: where the picture goes in the client
// area, how much it is scaled, and which bands around it are left for the background.
// picture_control_win.cpp only carries these out with GDI calls.
#pragma once

#include <vector>

#include "controls/icon_button_geometry.h"

namespace prinstall::controls {

// How the picture is sized.
inline constexpr int kFitNatural = 2;  // the bitmap's own size, cut off at the client edges
inline constexpr int kFitInside = 6;   // scaled to fit inside, proportions kept

struct PictureLayout {
    Rect dest;  // where the picture goes; empty when nothing is drawn
    double scaleX = 1.0;
    double scaleY = 1.0;
};

// Layout for a client area of clientW x clientH pixels showing `source` of the bitmap, with
// the picture in the top left corner. Nothing is drawn (empty dest, scale unchanged) when the
// client area or the source is empty. Fit-inside takes the smaller of the two ratios for both
// axes and truncates the scaled size toward zero; any other mode keeps the source size.
PictureLayout LayoutPicture(int clientW, int clientH, const Rect& source, int fitMode,
                            const PictureLayout& previous = {});

// The parts of the client area that `dest` leaves uncovered, each non-empty: left of it and
// right of it at full height, above and below it at the picture's width. A picture larger
// than the client area leaves nothing; an empty dest leaves the whole client area.
std::vector<Rect> UncoveredBands(const Rect& dest, int clientW, int clientH);

}  // namespace prinstall::controls
