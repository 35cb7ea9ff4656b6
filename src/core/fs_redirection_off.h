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
    ~FsRedirectionOff() { Restore(); }
    // Switches redirection back on now, once. False when the system refused: the thread's
    // redirection may then still be off, so file calls still reach the native folders and
    // library loads fail; a second try is not made, each switch off is paired with one switch
    // back. Callers that go on to load libraries (the spooler's client does) ask here first.
    bool Restore() {
        if (!off_) return true;
        off_ = false;
        return system_.RevertFsRedirection(previous_);
    }
    FsRedirectionOff(const FsRedirectionOff&) = delete;
    FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;

private:
    SystemInfo& system_;
    void* previous_ = nullptr;
    bool off_ = false;
};

}  // namespace prinstall
