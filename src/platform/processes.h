// Process port: starts a child process from a command line, waits for it and gives its exit
// code; reads the process's environment variables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace prinstall {

inline constexpr std::uint32_t kWaitWithoutLimit = 0xFFFFFFFF;

struct ProcessLaunch {
    // The whole command line; the program is its first token. Quote a path with blanks.
    std::string commandLine;
    // The process's first window starts hidden (start-up information asks for SW_HIDE);
    // otherwise the start-up information is left at its defaults.
    bool hiddenWindow = false;
    // A console program gets a new console of its own instead of the caller's.
    bool newConsole = false;
    // How long to wait for the end, in milliseconds: 0 returns at once, kWaitWithoutLimit
    // waits as long as it takes.
    std::uint32_t waitMilliseconds = kWaitWithoutLimit;
    // When the wait ends before the process does: end the process (true) or leave it running.
    bool endOnTimeout = false;
};

struct ProcessOutcome {
    // 0 when the process was started, otherwise the system error code of the start.
    std::uint32_t startError = 0;
    // The process ended within the wait.
    bool ended = false;
    // The exit code could be read (only when it ended); exitCode is 0 otherwise.
    bool exitCodeRead = false;
    std::uint32_t exitCode = 0;
};

class Processes {
public:
    virtual ~Processes() = default;

    // Starts the command line with the caller's environment and current directory and no
    // inherited handles, waits as asked and releases every handle before it returns.
    virtual ProcessOutcome run(const ProcessLaunch& launch) = 0;
    // The variable's value; nullopt when it is not set.
    virtual std::optional<std::string> environmentVariable(const std::string& name) = 0;
};

}  // namespace prinstall
