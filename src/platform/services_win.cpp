#include "platform/services_win.h"

#include <windows.h>

#include <vector>

#include "platform/text_win.h"

namespace prinstall {
namespace {

SC_HANDLE ToSc(Services::Handle h) { return reinterpret_cast<SC_HANDLE>(h); }
Services::Handle FromSc(SC_HANDLE h) { return reinterpret_cast<Services::Handle>(h); }

// The last error of a failed call; never 0, so a failure is never mistaken for success.
std::uint32_t Failure() {
    DWORD error = GetLastError();
    return error != 0 ? error : ERROR_INVALID_FUNCTION;
}

}  // namespace

std::uint32_t WinServices::OpenManager(Handle& manager) {
    SC_HANDLE h = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    manager = FromSc(h);
    return h != nullptr ? 0 : Failure();
}

std::uint32_t WinServices::OpenServiceHandle(Handle manager, const std::string& name, Handle& service) {
    SC_HANDLE h = OpenServiceW(ToSc(manager), Widen(name).c_str(), SERVICE_ALL_ACCESS);
    service = FromSc(h);
    return h != nullptr ? 0 : Failure();
}

std::uint32_t WinServices::QueryStatus(Handle service, ServiceStatus& status) {
    SERVICE_STATUS s{};
    if (!QueryServiceStatus(ToSc(service), &s)) return Failure();
    status.state = s.dwCurrentState;
    status.checkPoint = s.dwCheckPoint;
    status.waitHint = s.dwWaitHint;
    return 0;
}

std::uint32_t WinServices::Start(Handle service) { return StartServiceW(ToSc(service), 0, nullptr) ? 0 : Failure(); }

std::uint32_t WinServices::Stop(Handle service, ServiceStatus& status) {
    SERVICE_STATUS s{};
    if (!ControlService(ToSc(service), SERVICE_CONTROL_STOP, &s)) return Failure();
    status.state = s.dwCurrentState;
    status.checkPoint = s.dwCheckPoint;
    status.waitHint = s.dwWaitHint;
    return 0;
}

std::uint32_t WinServices::ActiveDependents(Handle service, std::vector<std::string>& names) {
    names.clear();
    DWORD needed = 0, count = 0;
    if (EnumDependentServicesW(ToSc(service), SERVICE_ACTIVE, nullptr, 0, &needed, &count)) return 0;
    DWORD error = GetLastError();
    if (error != ERROR_MORE_DATA) return error != 0 ? error : ERROR_INVALID_FUNCTION;
    // Whole records: the strings follow them in the same buffer.
    std::vector<ENUM_SERVICE_STATUSW> buffer(needed / sizeof(ENUM_SERVICE_STATUSW) + 1);
    const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(ENUM_SERVICE_STATUSW));
    if (!EnumDependentServicesW(ToSc(service), SERVICE_ACTIVE, buffer.data(), size, &needed, &count)) return Failure();
    // Windows lists them in the order in which they can be stopped, dependants of a
    // dependant first.
    for (DWORD i = 0; i < count; ++i) names.push_back(Narrow(buffer[i].lpServiceName));
    return 0;
}

std::uint32_t WinServices::Close(Handle handle) { return CloseServiceHandle(ToSc(handle)) ? 0 : Failure(); }

}  // namespace prinstall
