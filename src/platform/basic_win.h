// Small adapters: code page, clock and debugger output.
#pragma once

#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/system_info.h"

namespace prinstall {

class WinSystemInfo : public SystemInfo {
public:
    std::uint32_t ansiCodePage() override;
    bool readVersion(VersionRecord& version) override;
    std::uint16_t nativeArchitecture() override;
    int systemMetric(int index) override;
    std::uint32_t productInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                              std::uint32_t spMinor) override;
    bool disableFsRedirection() override;
};

class WinClock : public Clock {
public:
    void sleep(std::uint32_t milliseconds) override;
    std::uint32_t tickCount() override;
    std::string localTimestamp() override;
};

class WinDebugLog : public DebugLog {
public:
    void output(const std::string& text) override;
};

}  // namespace prinstall
