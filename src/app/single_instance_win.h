// The Win32 side of one run at a time (core/single_instance.h): the private namespace and the
// named mutexes with their security, and the running program's main dialog brought forward
// for a second start.
#pragma once

#include <windows.h>

#include "core/single_instance.h"
#include "platform/handle_win.h"

namespace prinstall {

// Lives for the whole run: the claim ends with the process, or with this object.
class WinSingleRunObjects : public SingleRunObjects {
public:
    WinSingleRunObjects();
    ~WinSingleRunObjects() override;
    WinSingleRunObjects(const WinSingleRunObjects&) = delete;
    WinSingleRunObjects& operator=(const WinSingleRunObjects&) = delete;

    ClaimAnswer Claim(ClaimPlace place) override;

private:
    ClaimAnswer ClaimInPrivateNamespace();
    ClaimAnswer ClaimNamedMutex(const wchar_t* prefix, const char* name);
    // Whether an existing object is owned by Administrators or SYSTEM.
    bool OwnedByAdministrators(HANDLE object) const;

    // Administrators (S-1-5-32-544) and SYSTEM (S-1-5-18).
    PSID administrators_ = nullptr;
    PSID system_ = nullptr;
    KernelHandle mutex_;          // the mutex this run made
    HANDLE namespace_ = nullptr;  // the private namespace, open while the run lasts
};

// Restores the running program's main dialog (found by its title in either language),
// brings it to the front and tells the operator, in the language of the ANSI code page.
void ShowAlreadyRunning();

}  // namespace prinstall
