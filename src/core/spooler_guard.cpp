#include "core/spooler_guard.h"

namespace prinstall {
namespace {

const char* const kSpoolerService = "spooler";

const Text kQueryFailureTexts[] = {
    {"OpenSCManager() failed !!! ErrorCode=%d", "OpenSCManager()을 실패했습니다 !!! ErrorCode=%d"},
    {"OpenService() failed !!! ErrorCode=%d", "OpenService()을 실패했습니다 !!! ErrorCode=%d"},
    {"QueryServiceStatus() failed !!! ErrorCode=%d", "QueryServiceStatus()을 실패했습니다 !!! ErrorCode=%d"},
    {"CloseServiceHandle() failed !!! ErrorCode=%d", "CloseServiceHandle()을 실패했습니다 !!! ErrorCode=%d"},
};

const Text kSpoolerStopped = {
    "Print Spooler is stopped !!!.\nPlease reinstall the printer driver\nafter spooler starts",
    "Print Spooler가 중지되었습니다.\n프린터 스풀러를 시작한 후,\n다시 설치 바랍니다.",
};

const char* const kStartingInProgress = "Service starting in progress...";

// Closes what was opened, on every path out of an operation.
class OpenHandles {
public:
    explicit OpenHandles(Services& services) : services_(services) {}
    ~OpenHandles() {
        CloseService();
        CloseManager();
    }
    Services::Handle manager = 0;
    Services::Handle service = 0;

    std::uint32_t CloseService() { return CloseOne(service); }
    std::uint32_t CloseManager() { return CloseOne(manager); }

private:
    std::uint32_t CloseOne(Services::Handle& h) {
        if (h == 0) return 0;
        std::uint32_t error = services_.Close(h);
        h = 0;
        return error;
    }
    Services& services_;
};

}  // namespace

std::uint32_t SpoolerGuard::PollInterval(std::uint32_t waitHintMs) {
    std::uint32_t interval = waitHintMs / 10;
    if (interval < 1000) return 1000;
    if (interval > 10000) return 10000;
    return interval;
}

SpoolerGuard::QueryResult SpoolerGuard::QueryServiceState(const std::string& serviceName) {
    OpenHandles h(services_);
    if (std::uint32_t e = services_.OpenManager(h.manager); e != 0) {
        h.manager = 0;
        return {kOpenManagerFailed, e};
    }
    if (std::uint32_t e = services_.OpenServiceHandle(h.manager, serviceName, h.service); e != 0) {
        h.service = 0;
        return {kOpenServiceFailed, e};
    }
    ServiceStatus status;
    if (std::uint32_t e = services_.QueryStatus(h.service, status); e != 0) return {kQueryStatusFailed, e};
    if (std::uint32_t e = h.CloseService(); e != 0) return {kCloseHandleFailed, e};
    if (std::uint32_t e = h.CloseManager(); e != 0) return {kCloseHandleFailed, e};
    return {static_cast<int>(status.state), 0};
}

int SpoolerGuard::StartServiceAndWait(const std::string& serviceName) {
    OpenHandles h(services_);
    if (services_.OpenManager(h.manager) != 0) {
        h.manager = 0;
        return 0;
    }
    if (services_.OpenServiceHandle(h.manager, serviceName, h.service) != 0) {
        h.service = 0;
        return 0;
    }
    if (std::uint32_t e = services_.Start(h.service); e != 0) {
        return e == kErrorServiceAlreadyRunning ? 1 : 0;
    }
    ServiceStatus status;
    if (services_.QueryStatus(h.service, status) != 0) return 0;

    std::uint32_t startTick = clock_.TickCount();
    std::uint32_t lastCheckPoint = status.checkPoint;
    while (status.state == kServiceStartPending) {
        clock_.Sleep(PollInterval(status.waitHint));
        if (services_.QueryStatus(h.service, status) != 0) break;
        if (status.checkPoint > lastCheckPoint) {
            debug_.Output(kStartingInProgress);
            startTick = clock_.TickCount();
            lastCheckPoint = status.checkPoint;
        } else if (clock_.TickCount() - startTick > status.waitHint) {
            // No progress for longer than the service said it would need.
            break;
        }
    }
    if (h.CloseService() != 0) return 0;
    h.CloseManager();
    return status.state == kServiceRunning ? 1 : 0;
}

bool SpoolerGuard::EnsureSpoolerRunning(Language language, const ShowMessage& showAppMessage) {
    QueryResult r = QueryServiceState(kSpoolerService);
    if (r.code < 0) {
        // A spooler that cannot be queried is not taken for a stopped one: say so and go on.
        const Text& text = kQueryFailureTexts[-r.code - 1];
        showAppMessage(Format(text.In(language), static_cast<int>(r.error)));
        return true;
    }
    if (r.code == kServiceStopped || r.code == kServicePaused) {
        if (StartServiceAndWait(kSpoolerService) == 1) return true;
        showAppMessage(kSpoolerStopped.In(language));
        return false;
    }
    return true;
}

}  // namespace prinstall
