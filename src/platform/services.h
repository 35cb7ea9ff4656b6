// Service control manager port. Every call returns 0 on success or the system error code of
// the failure, so the caller can report the code of the exact step that failed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace prinstall {

enum ServiceState : std::uint32_t {
    kServiceStopped = 1,
    kServiceStartPending = 2,
    kServiceStopPending = 3,
    kServiceRunning = 4,
    kServiceContinuePending = 5,
    kServicePausePending = 6,
    kServicePaused = 7,
};

struct ServiceStatus {
    std::uint32_t state = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
};

// System error codes the program reacts to.
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorDependentServicesRunning = 1051;
constexpr std::uint32_t kErrorServiceNotActive = 1062;

class Services {
public:
    // Opaque handle; 0 is never a valid one.
    using Handle = std::uintptr_t;

    virtual ~Services() = default;

    // Opens the local service control manager with full access.
    virtual std::uint32_t OpenManager(Handle& manager) = 0;
    // Opens the named service with full access.
    virtual std::uint32_t OpenServiceHandle(Handle manager, const std::string& name, Handle& service) = 0;
    virtual std::uint32_t QueryStatus(Handle service, ServiceStatus& status) = 0;
    // Asks the service to start, with no start arguments.
    virtual std::uint32_t Start(Handle service) = 0;
    // Asks the service to stop (a stop control); `status` is what it reports in answer.
    virtual std::uint32_t Stop(Handle service, ServiceStatus& status) = 0;
    // Names of the running services that depend on this one, directly or not, in the order
    // in which they must be stopped.
    virtual std::uint32_t ActiveDependents(Handle service, std::vector<std::string>& names) = 0;
    // Closes a service or manager handle.
    virtual std::uint32_t Close(Handle handle) = 0;
};

}  // namespace prinstall
