// The process port over kernel32: CreateProcessW, WaitForSingleObject, GetExitCodeProcess,
// GetEnvironmentVariableW.
#pragma once

#include "platform/processes.h"

namespace prinstall {

class WinProcesses : public Processes {
public:
    ProcessOutcome run(const ProcessLaunch& launch) override;
    std::optional<std::string> environmentVariable(const std::string& name) override;
};

}  // namespace prinstall
