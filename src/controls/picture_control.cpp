#include "controls/picture_control.h"

#include <algorithm>

namespace prinstall::controls {

PictureLayout LayoutPicture(int clientW, int clientH, const Rect& source, int fitMode, const PictureLayout& previous) {
    PictureLayout layout = previous;
    layout.dest = {};
    if (clientW <= 0 || clientH <= 0 || source.Width() <= 0 || source.Height() <= 0) return layout;

    int width = source.Width();
    int height = source.Height();
    if (fitMode == kFitInside) {
        const double ratioX = static_cast<double>(clientW) / source.Width();
        const double ratioY = static_cast<double>(clientH) / source.Height();
        const double scale = std::min(ratioX, ratioY);
        layout.scaleX = layout.scaleY = scale;
        width = static_cast<int>(source.Width() * scale);
        height = static_cast<int>(source.Height() * scale);
    } else {
        layout.scaleX = layout.scaleY = 1.0;
    }
    layout.dest = {0, 0, width, height};
    return layout;
}

std::vector<Rect> UncoveredBands(const Rect& dest, int clientW, int clientH) {
    std::vector<Rect> bands;
    auto add = [&](Rect r) {
        r.left = std::max(r.left, 0);
        r.top = std::max(r.top, 0);
        r.right = std::min(r.right, clientW);
        r.bottom = std::min(r.bottom, clientH);
        if (r.Width() > 0 && r.Height() > 0) bands.push_back(r);
    };
    if (dest.left > 0) add({0, 0, dest.left, clientH});
    if (dest.top > 0) add({dest.left, 0, dest.right, dest.top});
    if (dest.right < clientW) add({dest.right, 0, clientW, clientH});
    if (dest.bottom < clientH) add({dest.left, dest.bottom, dest.right, clientH});
    return bands;
}

}  // namespace prinstall::controls
