// File-system redirection switched off around the few file calls that must reach the native
// system folder of 64-bit Windows from this 32-bit program, and back on as the scope ends, on
// every way out of it. While it is off every file call of the thread lands in the native
// folders and library loads fail (the spooler's client loads its helpers), so the scope holds
// the file calls only.
#pragma once

#include "platform/system_info.h"

namespace prinstall {

class FsRedirectionOff {
public:
    // Switches redirection off for the calling thread when `needed` (processor x64 or
    // Itanium); otherwise, or when the system has no redirection, changes nothing.
    FsRedirectionOff(SystemInfo& system, bool needed) : system_(system) {
        if (needed) off_ = system_.DisableFsRedirection(previous_);
    }
    ~FsRedirectionOff() {
        if (off_) system_.RevertFsRedirection(previous_);
    }
    FsRedirectionOff(const FsRedirectionOff&) = delete;
    FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;

private:
    SystemInfo& system_;
    void* previous_ = nullptr;
    bool off_ = false;
};

}  // namespace prinstall
