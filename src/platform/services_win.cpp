#include "platform/services_win.h"

#include <windows.h>

#include <vector>

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

std::uint32_t WinServices::start(Handle service) { return StartServiceW(toSc(service), 0, nullptr) ? 0 : failure(); }

std::uint32_t WinServices::stop(Handle service, ServiceStatus& status) {
    SERVICE_STATUS s{};
    if (!ControlService(toSc(service), SERVICE_CONTROL_STOP, &s)) return failure();
    status.state = s.dwCurrentState;
    status.checkPoint = s.dwCheckPoint;
    status.waitHint = s.dwWaitHint;
    return 0;
}

std::uint32_t WinServices::activeDependents(Handle service, std::vector<std::string>& names) {
    names.clear();
    DWORD needed = 0, count = 0;
    if (EnumDependentServicesW(toSc(service), SERVICE_ACTIVE, nullptr, 0, &needed, &count)) return 0;
    DWORD error = GetLastError();
    if (error != ERROR_MORE_DATA) return error != 0 ? error : ERROR_INVALID_FUNCTION;
    // Whole records: the strings follow them in the same buffer.
    std::vector<ENUM_SERVICE_STATUSW> buffer(needed / sizeof(ENUM_SERVICE_STATUSW) + 1);
    const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(ENUM_SERVICE_STATUSW));
    if (!EnumDependentServicesW(toSc(service), SERVICE_ACTIVE, buffer.data(), size, &needed, &count)) return failure();
    // Windows lists them in the order in which they can be stopped, dependants of a
    // dependant first.
    for (DWORD i = 0; i < count; ++i) names.push_back(narrow(buffer[i].lpServiceName));
    return 0;
}

std::uint32_t WinServices::close(Handle handle) { return CloseServiceHandle(toSc(handle)) ? 0 : failure(); }

}  // namespace prinstall
