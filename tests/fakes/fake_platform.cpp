#include "fakes/fake_platform.h"

namespace prinstall::fakes {

std::uint32_t FakeSpooler::enumLocalPrinters(std::vector<PrinterInfo2>& out) {
    ++enumCalls;
    out.clear();
    if (enumError != 0) return enumError;
    out = printers;
    return 0;
}

std::uint32_t FakeServices::openManager(Handle& manager) {
    manager = 0;
    if (openManagerError != 0) return openManagerError;
    manager = next_++;
    managers_.insert(manager);
    open_.insert(manager);
    return 0;
}

std::uint32_t FakeServices::openService(Handle manager, const std::string& name, Handle& service) {
    service = 0;
    if (!managers_.count(manager) || !open_.count(manager)) return kErrorInvalidHandle;
    if (openServiceError != 0) return openServiceError;
    if (!services.count(name)) return kErrorServiceDoesNotExist;
    service = next_++;
    serviceHandles_[service] = name;
    open_.insert(service);
    return 0;
}

std::uint32_t FakeServices::queryStatus(Handle service, ServiceStatus& status) {
    auto it = serviceHandles_.find(service);
    if (it == serviceHandles_.end() || !open_.count(service)) return kErrorInvalidHandle;
    if (queryError != 0 && (queryFailsAfter < 0 || queries_ >= queryFailsAfter)) return queryError;
    ++queries_;
    Service& s = services[it->second];
    status = s.status;
    if (s.starting && !s.startSequence.empty()) {
        s.status = s.startSequence.front();
        s.startSequence.pop_front();
    }
    return 0;
}

std::uint32_t FakeServices::start(Handle service) {
    auto it = serviceHandles_.find(service);
    if (it == serviceHandles_.end() || !open_.count(service)) return kErrorInvalidHandle;
    Service& s = services[it->second];
    ++s.startRequests;
    if (startError != 0) return startError;
    // Windows refuses to start a service that is not stopped; a paused service counts as
    // running for this purpose.
    if (s.status.state != kServiceStopped) return kErrorServiceAlreadyRunning;
    s.starting = true;
    if (s.startSequence.empty()) {
        s.status = {kServiceRunning, 0, 0};
    } else {
        s.status = s.startSequence.front();
        s.startSequence.pop_front();
    }
    return 0;
}

std::uint32_t FakeServices::close(Handle handle) {
    if (!open_.count(handle)) return kErrorInvalidHandle;
    open_.erase(handle);
    if (closeError != 0) return closeError;
    return 0;
}

}  // namespace prinstall::fakes
