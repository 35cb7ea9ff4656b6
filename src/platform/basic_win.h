// Small adapters: code page, clock and debugger output.
#pragma once

#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/system_info.h"

namespace prinstall {

class WinSystemInfo : public SystemInfo {
public:
    std::uint32_t AnsiCodePage() override;
    bool ReadVersion(VersionRecord& version) override;
    std::uint16_t NativeArchitecture() override;
    std::uint16_t NativeMachine() override;
    int SystemMetric(int index) override;
    std::uint32_t ProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                              std::uint32_t spMinor) override;
    bool DisableFsRedirection(void*& previous) override;
    bool RevertFsRedirection(void* previous) override;
};

class WinClock : public Clock {
public:
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t TickCount() override;
    std::string LocalTimestamp() override;
};

class WinDebugLog : public DebugLog {
public:
    void Output(const std::string& text) override;
};

}  // namespace prinstall
