#include "app/single_instance_win.h"

#include <string>

#include "app/main_dialog.h"
#include "core/single_instance.h"
#include "platform/text_win.h"
#include "ui/dialog_win.h"

namespace prinstall {

SingleRunClaim ClaimSingleRun() {
    SingleRunClaim claim;
    for (const std::string prefix : {"Global\\", ""}) {
        claim.mutex.Reset(CreateMutexW(nullptr, FALSE, Widen(prefix + kSingleRunMutexName).c_str()));
        const DWORD error = GetLastError();
        // Access denied on an existing name: another run created it with a stricter default
        // security; it is held all the same.
        if (error == ERROR_ALREADY_EXISTS || (!claim.mutex && error == ERROR_ACCESS_DENIED)) {
            claim.alreadyRunning = true;
            return claim;
        }
        if (claim.mutex) return claim;
    }
    return claim;
}

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
