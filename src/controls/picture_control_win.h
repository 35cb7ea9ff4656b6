// A child window that shows a bitmap of the program's resources, scaled by its fit mode,
// on the system's button-face colour; with high contrast on, in the system's text colour on
// that face (system_colours.h). A dialog puts it in the place of a template control
// (ReplaceControl), which it may do again and again: the window keeps the control's id, so
// the next replacement finds the picture window itself and simply re-creates it.
#pragma once

#include <windows.h>

#include "controls/picture_control.h"
#include "controls/system_colours.h"

namespace prinstall::controls {

class PictureControl {
public:
    PictureControl() = default;
    virtual ~PictureControl();
    PictureControl(const PictureControl&) = delete;
    PictureControl& operator=(const PictureControl&) = delete;

    // Takes the place of `control`: same rectangle, styles, text, id and place among its
    // siblings; a bitmap the control showed comes along (not owned) and is shown fitted.
    // 1 on success, 0 when the control or its parent is not a window or creation failed.
    int ReplaceControl(HWND control);

    // Loads a bitmap resource (from the program when `module` is null) and shows it; the
    // control owns what it loaded and deletes it when it is replaced or the control ends.
    // Non-zero when loaded; an id that cannot be loaded leaves the control empty.
    int LoadBitmapResource(int id, HINSTANCE module = nullptr);

    // Shows `bitmap` (nullptr for none) in full. The previous bitmap is deleted only when the
    // control owned it; `owns` hands this one over.
    void SetBitmap(HBITMAP bitmap, bool owns = false);

    // kFitNatural or kFitInside.
    void SetFitMode(int mode);

    HWND Hwnd() const { return hwnd_; }

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void ReleaseBitmap();
    void Layout(bool repaint);
    void Paint();
    void DrawPicture(HDC dc);
    // Reads high contrast and the system colours again and drops what was made from them.
    void RefreshColours();
    // The picture in one bit per pixel: set where the bitmap shows its background colour
    // (that of its top-left pixel). Made on first use, dropped with the bitmap.
    HBITMAP TwoToneMask();

    HWND hwnd_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    PicturePalette palette_{};
    HBRUSH backgroundBrush_ = nullptr;
    HBITMAP twoToneMask_ = nullptr;
    int bitmapWidth_ = 0;
    int bitmapHeight_ = 0;
    bool ownsBitmap_ = false;
    int fitMode_ = kFitNatural;
    Rect source_;
    PictureLayout layout_;
};

}  // namespace prinstall::controls
