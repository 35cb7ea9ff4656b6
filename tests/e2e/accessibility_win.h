// What a screen reader and the keyboard find in a dialog, checked from outside as they see
// it: every control the keyboard reaches has a name (through the system's accessibility
// interface, or for lists and the address control the label just before it), no two
// controls shown share an access key, and Tab visits the controls in reading order.
#pragma once

#include <windows.h>

namespace e2e {

void ExpectAccessible(HWND dialog, const char* what);

}  // namespace e2e
