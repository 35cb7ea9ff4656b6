// The result dialog's rules: the caption for an operation and its outcome in both languages,
// the OK button's text, the set-up of the dialog's controls, and the colour of every pixel
// row of its background (green for success, red for an error, lighter towards the bottom).
//
// The dialog itself (complete_dialog_win.h) only turns these into Win32 calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/texts.h"
#include "ui/dialog_view.h"

namespace prinstall {

// What the caller reports. Any other operation keeps the template's caption.
inline constexpr int kResultInstallation = 0;
inline constexpr int kResultUninstallation = 1;
// The outcome: 0 success; any other value is shown as an error.
inline constexpr int kResultSuccess = 0;
inline constexpr int kResultError = 1;

// The dialog ends with kDialogOk (its OK button) or kDialogCancel (the Escape key).

// The caption for an operation and outcome; nothing for an operation that is neither
// installation nor uninstallation (the template's caption then stays).
std::optional<std::string> ResultCaption(int operation, int outcome, Language language);

// The OK button's text in Korean; English keeps the template's "&OK".
inline constexpr const char* kResultOkKorean = "확인";

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

// Colour of pixel row `row` (0 at the top) of a client area `height` pixels high. Nothing
// when there is no such row, which covers a height of 0.
std::optional<Rgb> ResultRowColour(int row, int height, int outcome);

// The result dialog asks nothing of its window that every dialog does not offer.
using ResultView = DialogView;

// The caller's inputs for one run. The caller sets all three before every run; nothing else
// carries over from one run to the next.
struct ResultInputs {
    std::string message;
    int operation = kResultInstallation;
    int outcome = kResultSuccess;
};

// Sets up the dialog's controls for one run, in the language of the ANSI code page.
void InitResultDialog(const ResultInputs& inputs, std::uint32_t codePage, ResultView& view);

}  // namespace prinstall
