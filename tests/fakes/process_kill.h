// The end of the program at a chosen platform call, as a kill would end it: every call to a
// fake that shares one ProcessKill is counted, and once call `killAt` is done every later call
// does nothing and fails, whatever code of the program still runs (a log line of its exception
// barrier, a destructor closing a handle, a rollback): none of it reaches the system, as none
// of it would have run. Nothing is thrown, so that no destructor and no barrier of the program
// can turn the stop into something else. Setting killAt back to 0 starts a new process on the
// same system.
#pragma once

namespace prinstall::fakes {

struct ProcessKill {
    int calls = 0;   // calls done so far
    int killAt = 0;  // the last call the process makes; 0: it is not killed

    bool Dead() const { return killAt > 0 && calls >= killAt; }
    // Counts the call; false when the process is dead already and the call must do nothing.
    bool Pass() {
        if (Dead()) return false;
        ++calls;
        return true;
    }
};

// A fake whose calls a ProcessKill may end.
struct Killable {
    ProcessKill* kill = nullptr;
    bool Alive() { return kill == nullptr || kill->Pass(); }
};

// What a call of a dead process answers (ERROR_SHUTDOWN_IN_PROGRESS).
inline constexpr unsigned kErrorProcessKilled = 1115;

}  // namespace prinstall::fakes
