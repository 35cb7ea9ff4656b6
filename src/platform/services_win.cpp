#include "platform/services_win.h"

#include <windows.h>

#include "platform/text_win.h"

namespace prinstall {
namespace {

SC_HANDLE toSc(Services::Handle h) { return reinterpret_cast<SC_HANDLE>(h); }
Services::Handle fromSc(SC_HANDLE h) { return reinterpret_cast<Services::Handle>(h); }

// The last error of a failed call; never 0, so a failure is never mistaken for success.
std::uint32_t failure() {
    DWORD error = GetLastError();
    return error != 0 ? error : ERROR_INVALID_FUNCTION;
}

}  // namespace

std::uint32_t WinServices::openManager(Handle& manager) {
    SC_HANDLE h = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    manager = fromSc(h);
    return h != nullptr ? 0 : failure();
}

std::uint32_t WinServices::openService(Handle manager, const std::string& name, Handle& service) {
    SC_HANDLE h = OpenServiceW(toSc(manager), widen(name).c_str(), SERVICE_ALL_ACCESS);
    service = fromSc(h);
    return h != nullptr ? 0 : failure();
}

std::uint32_t WinServices::queryStatus(Handle service, ServiceStatus& status) {
    SERVICE_STATUS s{};
    if (!QueryServiceStatus(toSc(service), &s)) return failure();
    status.state = s.dwCurrentState;
    status.checkPoint = s.dwCheckPoint;
    status.waitHint = s.dwWaitHint;
    return 0;
}

std::uint32_t WinServices::start(Handle service) {
    return StartServiceW(toSc(service), 0, nullptr) ? 0 : failure();
}

std::uint32_t WinServices::close(Handle handle) {
    return CloseServiceHandle(toSc(handle)) ? 0 : failure();
}

}  // namespace prinstall
