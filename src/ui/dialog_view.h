// What every dialog's rules ask of its window, in one vocabulary: the Win32 dialog base
// implements it once (ui/dialog_win.h), the tests fake it once (tests/fakes/fake_dialog_view.h).
// A dialog's own view adds only what is its own (lists, pictures, other dialogs).
#pragma once

#include <string>

namespace prinstall {

// How a modal dialog ends: its OK button, or Cancel (Escape, Exit, a refused OK).
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

class DialogView {
public:
    virtual ~DialogView() = default;

    virtual void SetTitle(const std::string& text) = 0;
    virtual void SetItemText(int id, const std::string& text) = 0;
    virtual std::string ItemText(int id) = 0;
    virtual void EnableItem(int id, bool enable) = 0;
    virtual void ShowItem(int id, bool show) = 0;
    // The dialog's progress bar.
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int pos) = 0;
    // Paints the dialog and its controls at once (the caller is about to block the thread).
    virtual void RepaintNow() = 0;
    // Gives a push button the dialog's font, an icon and the standing look.
    virtual void DressIconButton(int id, int iconId) = 0;
    // Message box with OK, exclamation icon and the program's title.
    virtual void AppMessageBox(const std::string& text) = 0;
    // Message box with OK only and the given caption (empty: the system's default).
    virtual void CaptionedMessageBox(const std::string& text, const std::string& caption) = 0;
    virtual void EndDialog(int result) = 0;
};

}  // namespace prinstall
