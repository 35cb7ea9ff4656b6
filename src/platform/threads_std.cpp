// The native build's threads: the standard library's.
#include "platform/threads.h"

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace prinstall {

struct Mutex::State {
    std::mutex mutex;
};

Mutex::Mutex() : state_(std::make_unique<State>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { state_->mutex.lock(); }
void Mutex::Unlock() { state_->mutex.unlock(); }

struct Thread::State {
    std::thread thread;
};

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
    auto state = std::make_unique<State>();
    try {
        state->thread = std::thread(std::move(work));
    } catch (const std::system_error&) {
        return false;
    }
    state_ = std::move(state);
    return true;
}

bool Thread::Joinable() const { return state_ != nullptr; }

void Thread::Join() {
    state_->thread.join();
    state_.reset();
}

void Thread::Detach() {
    state_->thread.detach();
    state_.reset();
}

}  // namespace prinstall
