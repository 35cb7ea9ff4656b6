// A thread and a lock for the few places that need them (the USB device's reconnect worker).
// The Win32 build implements them with Win32 threads and a critical section
// (platform/threads_win.cpp): its C++ runtime, built for the win32 thread model so that
// Windows 2000 can load the program, has no std::thread or std::mutex. The native build
// implements them with the standard library's (platform/threads_std.cpp).
#pragma once

#include <functional>
#include <memory>

namespace prinstall {

// A lock that one thread holds at a time; not recursive.
class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock();
    void Unlock();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Holds a mutex from construction to destruction; Unlock and Lock let go of it for a while
// in between, as std::unique_lock does.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~MutexLock() {
        if (held_) mutex_.Unlock();
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    void Unlock() {
        mutex_.Unlock();
        held_ = false;
    }
    void Lock() {
        mutex_.Lock();
        held_ = true;
    }

private:
    Mutex& mutex_;
    bool held_ = true;
};

// One thread running one piece of work. Move-only; the destructor waits for a thread that
// was started and not joined (as std::jthread does, without a stop request).
class Thread {
public:
    Thread();
    ~Thread();
    Thread(Thread&& other) noexcept;
    Thread& operator=(Thread&& other) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs the work on a new thread. False when the system gave no thread: then nothing
    // runs. Only on a thread object that is not joinable.
    bool Start(std::function<void()> work);
    // True from a successful Start until Join or Detach.
    bool Joinable() const;
    // Waits until the work has returned.
    void Join();
    // Lets the work run on without anyone to wait for it (a test that gives up on work that
    // does not end).
    void Detach();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace prinstall
