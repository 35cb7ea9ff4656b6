// Thin wrappers of the common controls that the dialogs drive by message: one method per
// message, UTF-8 outside. They hold only the control's window; the dialog owns the control.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace prinstall::ui {

class ProgressBar {
public:
    explicit ProgressBar(HWND control) : hwnd_(control) {}
    void SetRange(int low, int high) { SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(low), high); }
    void SetStep(int step) { SendMessageW(hwnd_, PBM_SETSTEP, static_cast<WPARAM>(step), 0); }
    void SetPos(int pos) { SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(pos), 0); }

private:
    HWND hwnd_;
};

class ComboBox {
public:
    explicit ComboBox(HWND control) : hwnd_(control) {}
    void ResetContent() { SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0); }
    void AddString(const std::string& text);
    // Selects entry `index`; an index past the end (or -1) leaves nothing selected.
    void SetCurSel(int index) { SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    // -1 when nothing is selected.
    int GetCurSel() const;
    // Empty for no such entry.
    std::string GetLbText(int index) const;

private:
    HWND hwnd_;
};

}  // namespace prinstall::ui
