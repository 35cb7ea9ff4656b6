// The Win32 build's threads: the C runtime's _beginthreadex (CreateThread with the runtime's
// per-thread data set up and freed with the thread) and a critical section.
#include "platform/threads.h"

#include <windows.h>
#include <process.h>

#include <exception>
#include <utility>

namespace prinstall {

struct Mutex::State {
    CRITICAL_SECTION section;
};

Mutex::Mutex() : state_(std::make_unique<State>()) { InitializeCriticalSection(&state_->section); }
Mutex::~Mutex() { DeleteCriticalSection(&state_->section); }
void Mutex::Lock() { EnterCriticalSection(&state_->section); }
void Mutex::Unlock() { LeaveCriticalSection(&state_->section); }

struct Thread::State {
    HANDLE handle = nullptr;
};

namespace {

using Work = std::function<void()>;

// The thread owns its work, so that the work outlives a Thread object that let go of it.
unsigned __stdcall RunWork(void* parameter) {
    const std::unique_ptr<Work> work(static_cast<Work*>(parameter));
    // Nothing may leave a thread's start routine by an exception: as with std::thread, an
    // exception the work lets through ends the program.
    try {
        (*work)();
    } catch (...) {
        std::terminate();
    }
    return 0;
}

}  // namespace

Thread::Thread() = default;
Thread::~Thread() {
    if (Joinable()) Join();
}
Thread::Thread(Thread&& other) noexcept = default;
Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        if (Joinable()) Join();
        state_ = std::move(other.state_);
    }
    return *this;
}

bool Thread::Start(std::function<void()> work) {
    auto owned = std::make_unique<Work>(std::move(work));
    unsigned id = 0;
    const auto handle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunWork, owned.get(), 0, &id));
    if (handle == nullptr) return false;
    owned.release();  // the thread's now
    state_ = std::make_unique<State>();
    state_->handle = handle;
    return true;
}

bool Thread::Joinable() const { return state_ != nullptr; }

void Thread::Join() {
    WaitForSingleObject(state_->handle, INFINITE);
    CloseHandle(state_->handle);
    state_.reset();
}

void Thread::Detach() {
    CloseHandle(state_->handle);
    state_.reset();
}

}  // namespace prinstall
