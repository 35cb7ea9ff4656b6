// System information port.
#pragma once

#include <cstdint>

namespace prinstall {

constexpr std::uint32_t kKoreanCodePage = 949;

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // The system's ANSI code page (949 selects the Korean texts).
    virtual std::uint32_t ansiCodePage() = 0;
};

}  // namespace prinstall
