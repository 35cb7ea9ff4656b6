// Makes sure the print spooler service runs before a dialog talks to the spooler: reads the
// service state, starts a stopped or paused service, waits for the start to finish and tells
// the operator when the spooler cannot be brought up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/texts.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/services.h"

namespace prinstall {

class SpoolerGuard {
public:
    // Failure codes of QueryServiceState (a success gives the service state 1 to 7).
    enum : int {
        kOpenManagerFailed = -1,
        kOpenServiceFailed = -2,
        kQueryStatusFailed = -3,
        kCloseHandleFailed = -4,
    };

    struct QueryResult {
        int code;             // service state, or one of the failure codes above
        std::uint32_t error;  // system error code of the failed step (0 on success)
    };

    using ShowMessage = std::function<void(const std::string&)>;

    SpoolerGuard(Services& services, Clock& clock, DebugLog& debug)
        : services_(services), clock_(clock), debug_(debug) {}

    QueryResult QueryServiceState(const std::string& serviceName);
    // 1 when the service runs at the end, 0 otherwise.
    int StartServiceAndWait(const std::string& serviceName);
    // Runs the check for "spooler"; true when the calling dialog goes on with its
    // initialisation, false when it stops there.
    bool EnsureSpoolerRunning(Language language, const ShowMessage& showAppMessage);

    // How long to sleep between two status reads for a service's wait hint.
    static std::uint32_t PollInterval(std::uint32_t waitHintMs);

private:
    Services& services_;
    Clock& clock_;
    DebugLog& debug_;
};

}  // namespace prinstall
