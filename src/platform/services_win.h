// The service control manager port over advapi32's W functions.
#pragma once

#include "platform/services.h"

namespace prinstall {

class WinServices : public Services {
public:
    std::uint32_t OpenManager(Handle& manager) override;
    std::uint32_t OpenServiceHandle(Handle manager, const std::string& name, Handle& service) override;
    std::uint32_t QueryStatus(Handle service, ServiceStatus& status) override;
    std::uint32_t Start(Handle service) override;
    std::uint32_t Stop(Handle service, ServiceStatus& status) override;
    std::uint32_t ActiveDependents(Handle service, std::vector<std::string>& names) override;
    std::uint32_t Close(Handle handle) override;
};

}  // namespace prinstall
