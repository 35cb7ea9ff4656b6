// The second start's answer (app/single_instance_win.h): apart from the claim itself, so that
// the package's custom actions can ask for the claim without the program's dialogs.
#include "app/main_dialog.h"
#include "app/single_instance_win.h"
#include "platform/text_win.h"
#include "ui/dialog_win.h"

namespace prinstall {

void ShowAlreadyRunning() {
    for (const char* title : {kMainDialogTitle.english, kMainDialogTitle.korean}) {
        if (HWND running = FindWindowW(nullptr, Widen(title).c_str())) {
            if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
            SetForegroundWindow(running);
            break;
        }
    }
    const Language language = LanguageForCodePage(GetACP());
    ui::CaptionedMessageBox(nullptr, kAlreadyRunning.In(language), kMainDialogTitle.In(language),
                            MB_OK | MB_ICONINFORMATION);
}

}  // namespace prinstall
