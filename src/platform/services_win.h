// The service control manager port over advapi32's W functions.
#pragma once

#include "platform/services.h"

namespace prinstall {

class WinServices : public Services {
public:
    std::uint32_t openManager(Handle& manager) override;
    std::uint32_t openService(Handle manager, const std::string& name, Handle& service) override;
    std::uint32_t queryStatus(Handle service, ServiceStatus& status) override;
    std::uint32_t start(Handle service) override;
    std::uint32_t stop(Handle service, ServiceStatus& status) override;
    std::uint32_t activeDependents(Handle service, std::vector<std::string>& names) override;
    std::uint32_t close(Handle handle) override;
};

}  // namespace prinstall
