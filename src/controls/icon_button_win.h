// The owner-drawn push button of our dialogs: an icon left of the caption, the standard
// push-button keyboard and default-button behaviour, and a flat or a standing look.
//
// The dialog keeps an IconButton per button and attaches it to the template's control.
// The dialog must forward WM_DRAWITEM to the control as kReflectedDrawItem (reflect_win.h);
// clicks reach the dialog as the ordinary BN_CLICKED notification.
#pragma once

#include <windows.h>

#include <array>

#include "controls/icon_button_geometry.h"
#include "controls/system_colours.h"

namespace prinstall::controls {

class IconButton {
public:
    IconButton();
    virtual ~IconButton();
    IconButton(const IconButton&) = delete;
    IconButton& operator=(const IconButton&) = delete;

    // Subclasses the dialog's control with this id. False when there is no such control or
    // the button is already attached to a live window.
    bool Attach(HWND dialog, int controlId);

    // Loads the icons of the program's resources at the sizes given (pixels at 96 DPI), scaled
    // to the button's DPI, and again when the button moves to a monitor of another DPI.
    // Without a main icon the button shows no icon at all. An id of 0 means none. Always
    // repaints; returns 0.
    int SetIcons(int mainId, int mainW, int mainH, int restingId, int restingW, int restingH, int disabledId,
                 int disabledW, int disabledH);

    // Non-zero flat: border only while the mouse is over the button; zero: standing 3-D look.
    int SetFlatLook(int flat, int redraw);

    HWND Hwnd() const { return hwnd_; }

    // Hooks a derived button may replace; r is the rectangle inside the black frame.
    virtual void DrawButtonBorder(HDC dc, RECT* r);
    virtual void DrawButtonBackground(HDC dc, RECT* r);

protected:
    // Runs once the control is subclassed: takes over the default status and owner-draw.
    virtual void OnAttached();
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

    // The control's own handling of a message.
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

    ButtonState state_;  // pressed, focused and disabled as of the last paint

private:
    struct Icon {
        HICON handle = nullptr;
        int width = 0;
        int height = 0;
    };

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    // Reads high contrast and the system colours again (at creation and when they change).
    void RefreshColours();
    void EndHover();
    void MoveFocusAway();
    void Repaint();
    void DestroyIcons();
    void LoadIcons();
    IconSet IconInfos() const;

    HWND hwnd_ = nullptr;
    ButtonPalette palette_{};
    struct IconRequest {
        int id = 0;
        int width = 0;
        int height = 0;
    };
    std::array<IconRequest, 3> requested_{};
    std::array<Icon, 3> icons_{};
    UINT_PTR hoverTimer_ = 0;
};

}  // namespace prinstall::controls
