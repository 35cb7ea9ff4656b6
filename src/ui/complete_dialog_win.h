// The result dialog's window (template IDD_RESULT): caption and message line from the rules
// in complete_dialog.h, a background painted row by row in green or red, labels drawn
// transparently over it, and one OK button with the check-mark icon. With high contrast on
// the background is the system's plain face and the labels its text colour.
//
// The caller sets message, operation and outcome before every run; one object may be run
// any number of times.
#pragma once

#include <windows.h>

#include <string>

#include "controls/icon_button_win.h"
#include "controls/system_colours.h"
#include "platform/handle_win.h"
#include "platform/system_info.h"
#include "ui/complete_dialog.h"
#include "ui/dialog_win.h"

namespace prinstall {

class CompleteDialog : public ui::ViewDialog<ResultView> {
public:
    // The code page that picks the language is read from `systemInfo` at every start.
    explicit CompleteDialog(SystemInfo& systemInfo);

    std::string message;
    int operation = kResultInstallation;
    int outcome = kResultSuccess;

    // Runs the dialog modally: kDialogOk when the operator pressed OK, kDialogCancel for the
    // Escape key, -1 when the dialog could not be created.
    int Run(HWND owner);

protected:
    BOOL OnInit() override;
    bool OnPaint() override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT msg) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnColoursChanged() override;

private:
    // The green or red rows, as far as `dc` may draw.
    void PaintBackground(HDC dc);
    // Makes the message line as tall as its text (a failure with its probable cause, a
    // refusal with what to do) and the dialog with it: what lies below moves down.
    void FitMessage();

    SystemInfo& systemInfo_;
    controls::ResultPalette palette_{};
    GdiObject plainBackground_;  // the brush of the background without the gradient
};

}  // namespace prinstall
