// Reading back what the screen shows of a window's client area, pixel by pixel, so that a
// test can check colours the program painted (backgrounds, icons) rather than trust that it
// asked for them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace e2e {

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Colour&) const = default;
};

class ClientPixels {
public:
    // Repaints `window`, waits until its thread has painted, then copies its client area
    // from the screen. False when the window has no client area or the copy failed.
    bool Capture(HWND window);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Pixel at client coordinates; black outside the captured area.
    Colour At(int x, int y) const;
    // How many pixels of the rectangle (client coordinates) satisfy `match`.
    template <typename Match>
    int Count(const RECT& r, Match match) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += match(At(x, y)) ? 1 : 0;
        return n;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;  // 0x00RRGGBB, top row first
};

// A control's rectangle in the client coordinates of its dialog.
RECT ControlRect(HWND dialog, int id);

}  // namespace e2e
