// Messages a parent dialog sends back to the control that notified it, so that a control
// can draw itself and see its own clicks. The values are the classic OCM_* ones.
#pragma once

#include <windows.h>

namespace prinstall::controls {

inline constexpr UINT kReflectBase = 0x2000;
// WM_DRAWITEM forwarded to the owner-drawn control, same wParam and lParam; a non-zero
// result means the control painted itself.
inline constexpr UINT kReflectedDrawItem = kReflectBase + WM_DRAWITEM;
// WM_COMMAND forwarded to the control that sent it; a non-zero result means the control
// has handled the notification and the dialog should not.
inline constexpr UINT kReflectedCommand = kReflectBase + WM_COMMAND;

}  // namespace prinstall::controls
