#include "platform/basic_win.h"

#include <windows.h>

#include <cstdio>

#include "platform/system_export_win.h"
#include "platform/text_win.h"

namespace prinstall {

std::uint32_t WinSystemInfo::AnsiCodePage() { return GetACP(); }

bool WinSystemInfo::ReadVersion(VersionRecord& version) {
    version = {};
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        version.servicePackMajor = extended.wServicePackMajor;
        version.servicePackMinor = extended.wServicePackMinor;
        version.suiteMask = extended.wSuiteMask;
        version.productType = extended.wProductType;
    } else {
        // Systems before NT 4.0 SP6 know only the basic record.
        extended = {};
        extended.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) return false;
    }
    version.major = extended.dwMajorVersion;
    version.minor = extended.dwMinorVersion;
    version.build = extended.dwBuildNumber;
    version.platformId = extended.dwPlatformId;
    return true;
}

std::uint16_t WinSystemInfo::NativeArchitecture() {
    SYSTEM_INFO info = {};
    using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
    if (auto native = SystemExport<GetNativeSystemInfoFn>(L"kernel32.dll", "GetNativeSystemInfo")) {
        native(&info);
    } else {
        GetSystemInfo(&info);
    }
    return info.wProcessorArchitecture;
}

std::uint16_t WinSystemInfo::NativeMachine() {
    using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    auto isWow64Process2 = SystemExport<IsWow64Process2Fn>(L"kernel32.dll", "IsWow64Process2");
    USHORT process = 0;
    USHORT native = 0;
    if (isWow64Process2 == nullptr || !isWow64Process2(GetCurrentProcess(), &process, &native)) return 0;
    return native;
}

int WinSystemInfo::SystemMetric(int index) { return GetSystemMetrics(index); }

std::uint32_t WinSystemInfo::ProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                                         std::uint32_t spMinor) {
    using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
    auto getProductInfo = SystemExport<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo");
    DWORD product = 0;
    if (getProductInfo == nullptr || !getProductInfo(major, minor, spMajor, spMinor, &product)) return 0;
    return product;
}

// Both calls exist from Windows XP x64 and Server 2003 SP1 on; where they are missing, so is
// redirection.
bool WinSystemInfo::DisableFsRedirection(void*& previous) {
    previous = nullptr;
    using DisableFn = BOOL(WINAPI*)(void**);
    auto disable = SystemExport<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    return disable != nullptr && disable(&previous) != FALSE;
}

bool WinSystemInfo::RevertFsRedirection(void* previous) {
    using RevertFn = BOOL(WINAPI*)(void*);
    auto revert = SystemExport<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    return revert != nullptr && revert(previous) != FALSE;
}

void WinClock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t WinClock::TickCount() { return GetTickCount(); }

std::string WinClock::LocalTimestamp() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

void WinDebugLog::Output(const std::string& text) { OutputDebugStringW(Widen(text).c_str()); }

}  // namespace prinstall
