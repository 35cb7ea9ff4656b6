// System information port: code page, version record, processor, product type and the
// file-system redirection of 32-bit programs on 64-bit Windows.
#pragma once

#include <cstdint>

namespace prinstall {

constexpr std::uint32_t kKoreanCodePage = 949;

// Platform ids of the version record.
enum : std::uint32_t { kPlatformWin32s = 0, kPlatformWindows9x = 1, kPlatformNT = 2 };
// Processor architecture codes of the native system information.
enum : std::uint16_t { kArchitectureX86 = 0, kArchitectureItanium = 6, kArchitectureX64 = 9 };
// Machine codes of executable images, as IsWow64Process2 names the native machine.
constexpr std::uint16_t kMachineArm64 = 0xAA64;
constexpr std::uint8_t kProductWorkstation = 1;
constexpr int kMetricServerR2 = 89;
constexpr std::uint32_t kProductEnterpriseServerItanium = 15;

// The system's version as it reports it to the program. Only the extended record carries the
// service pack, suite mask and product type (left 0 when only the basic record could be read).
struct VersionRecord {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // The system's ANSI code page (949 selects the Korean texts).
    virtual std::uint32_t AnsiCodePage() = 0;

    // Reads the version with the extended record, then with the basic one; false when both fail.
    virtual bool ReadVersion(VersionRecord& version) = 0;
    // Architecture code of the native processor (through GetNativeSystemInfo where it exists).
    virtual std::uint16_t NativeArchitecture() = 0;
    // The native machine's image code (IsWow64Process2, Windows 10 1709 and later); 0 where
    // the system cannot say. An x86 program emulated on an ARM64 processor learns of it only
    // here: the native system information reports the emulated x86 or x64 processor there.
    virtual std::uint16_t NativeMachine() = 0;
    virtual int SystemMetric(int index) = 0;
    // Product type for a version and service pack (GetProductInfo); 0 when not available.
    virtual std::uint32_t ProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t spMajor,
                                      std::uint32_t spMinor) = 0;
    // Switches file-system redirection off for the calling thread; `previous` receives what
    // RevertFsRedirection needs to switch it back. False when the call failed or the system
    // has no such call (32-bit Windows before x64 existed): then there is nothing to revert.
    // Library loads fail while redirection is off: FsRedirectionOff (core) keeps it short.
    virtual bool DisableFsRedirection(void*& previous) = 0;
    // Switches redirection back on after a successful DisableFsRedirection. False when the
    // system refused: redirection may then still be off for the calling thread.
    virtual bool RevertFsRedirection(void* previous) = 0;
};

}  // namespace prinstall
