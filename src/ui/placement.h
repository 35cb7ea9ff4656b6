// Where a dialog opens: centred over its owner, or over the work area when it has none, as
// Windows' own dialog frameworks place theirs. A template that says where to open keeps that.
// Portable: the dialog layer (dialog_win.cpp) hands in the rectangles and the template bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace prinstall::ui {

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// The top-left corner that centres a window of this size over `over`, moved back inside
// `workArea` where it would stick out; a window larger than the work area keeps its top-left
// corner (and so its caption) on it.
ScreenPoint CentredPosition(int width, int height, const ScreenRect& over, const ScreenRect& workArea);

// Whether a dialog template (DLGTEMPLATE or DLGTEMPLATEEX, as stored in the resource) places
// its dialog itself: DS_CENTER or DS_CENTERMOUSE, or a position other than 0, 0. False for
// bytes that are no template.
bool TemplatePlacesItself(const std::uint8_t* data, std::size_t size);

}  // namespace prinstall::ui
