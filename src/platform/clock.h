// Time port: every pause and poll of the program goes through here, so tests can run the
// timing rules instantly and check the sleeps that were asked for; and the time of day that
// log lines carry.
#pragma once

#include <cstdint>
#include <string>

namespace prinstall {

class Clock {
public:
    virtual ~Clock() = default;

    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since the system started; wraps around like the system tick count.
    virtual std::uint32_t TickCount() = 0;
    // The local date and time as "YYYY-MM-DD HH:MM:SS", for the lines of a log file.
    virtual std::string LocalTimestamp() = 0;
};

}  // namespace prinstall
