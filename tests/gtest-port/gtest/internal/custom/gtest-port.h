// GoogleTest's own place for a platform's configuration, found ahead of GoogleTest's empty one
// in the MinGW build. GoogleTest's Windows port waits on std::mutex and
// std::condition_variable in one place, its Notification; the C++ runtime of the win32
// thread model (cmake/mingw-i686.cmake) has neither, so this Notification waits on a Win32
// event instead.
#ifndef PRINSTALL_TESTS_GTEST_CUSTOM_PORT_H_
#define PRINSTALL_TESTS_GTEST_CUSTOM_PORT_H_

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

// Lets threads wait until a controlling thread says go; once said, it stays said.
class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace testing::internal

#endif  // PRINSTALL_TESTS_GTEST_CUSTOM_PORT_H_
