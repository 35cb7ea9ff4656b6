// The Win32 side of one run at a time (core/single_instance.h): the named mutex, and the
// running program's main dialog brought forward for a second start.
#pragma once

#include "platform/handle_win.h"

namespace prinstall {

struct SingleRunClaim {
    // Held for the whole run: the mutex ends with the process that created it.
    KernelHandle mutex;
    bool alreadyRunning = false;
};

// Claims the mutex, in the Global namespace first. When neither name can be created for
// another reason than a running program, the run goes on unguarded rather than not at all.
SingleRunClaim ClaimSingleRun();

// Restores the running program's main dialog (found by its title in either language),
// brings it to the front and tells the operator, in the language of the ANSI code page.
void ShowAlreadyRunning();

}  // namespace prinstall
