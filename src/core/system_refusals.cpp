#include "core/system_refusals.h"

#include "core/platform_detection.h"

namespace prinstall {
namespace {

const Text kArm64Refused = {
    "This PC has an ARM64 processor. The installation media carry printer drivers for x86 and x64 processors "
    "only, so the printer driver cannot be installed on this PC.",
    "이 PC에는 ARM64 프로세서가 있습니다. 설치 미디어에는 x86 및 x64 프로세서용 프린터 드라이버만 있으므로 이 PC에는 "
    "프린터 드라이버를 설치할 수 없습니다."};
const Text kProtectedPrintRefused = {
    "Windows protected print mode is on: Windows accepts no third-party printer driver, so nothing was installed. "
    "Turn Windows protected print mode off in Settings > Bluetooth & devices > Printers & scanners, or ask your "
    "administrator to turn off the Windows protected print policy, then install again.",
    "Windows 보호된 인쇄 모드가 켜져 있어 Windows가 타사 프린터 드라이버를 받지 않으므로 아무것도 설치하지 "
    "않았습니다. 설정 > Bluetooth 및 장치 > 프린터 및 스캐너에서 Windows 보호된 인쇄 모드를 끄거나, 관리자에게 "
    "Windows 보호된 인쇄 정책을 꺼 달라고 요청한 후 다시 설치하십시오."};

struct RefusalCause {
    std::uint32_t error;
    Text sentence;
};

const RefusalCause kCauses[] = {
    {kErrorAccessDenied,
     {"Probable cause: the program does not run as administrator, or the Point and Print policy limits printer "
      "driver installation to administrators.",
      "예상 원인: 프로그램이 관리자 권한으로 실행되지 않았거나, Point and Print 정책이 프린터 드라이버 설치를 "
      "관리자로 제한하고 있습니다."}},
    {kErrorNotSupported,
     {"Probable cause: Windows protected print mode is on, or this Windows accepts no third-party printer drivers.",
      "예상 원인: Windows 보호된 인쇄 모드가 켜져 있거나, 이 Windows가 타사 프린터 드라이버를 받지 않습니다."}},
    {kErrorExeMachineTypeMismatch,
     {"Probable cause: a driver file is made for another machine type than this Windows.",
      "예상 원인: 드라이버 파일이 이 Windows와 다른 시스템 종류용으로 만들어졌습니다."}},
    {kErrorUnknownPrinterDriver,
     {"Probable cause: the driver is made for another processor, or Windows blocked it.",
      "예상 원인: 드라이버가 다른 프로세서용이거나 Windows가 차단했습니다."}},
    {kErrorPrinterDriverBlocked,
     {"Probable cause: Windows blocked this printer driver.",
      "예상 원인: Windows가 이 프린터 드라이버를 차단했습니다."}},
};

constexpr const char* kProtectedPrintValues[] = {"WindowsProtectedPrintGroupPolicyState", "WindowsProtectedPrintMode"};

}  // namespace

std::optional<std::uint32_t> RegistryDword(Registry& registry, const char* path, const char* name) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading64(path, key) != 0) return std::nullopt;
    std::uint32_t value = 0;
    const bool found = registry.QueryDword(key, name, value) == 0;
    registry.CloseKey(key);
    return found ? std::optional<std::uint32_t>(value) : std::nullopt;
}

bool ProtectedPrintModeOn(Registry& registry) {
    bool on = false;
    // The two policy values under one opening of their key.
    Registry::Key key = 0;
    if (registry.OpenKeyForReading64(kProtectedPrintKey, key) == 0) {
        for (const char* name : kProtectedPrintValues) {
            std::uint32_t value = 0;
            on = on || (registry.QueryDword(key, name, value) == 0 && value == 1);
        }
        registry.CloseKey(key);
    }
    // The switch in Settings, which no policy shows.
    return on || RegistryDword(registry, kPrintSettingsKey, kProtectedPrintSetting).value_or(0) != 0;
}

std::optional<Outcome> InstallRefusal(Platform& platform, Language language) {
    return InstallRefusal(platform.systemInfo, platform.registry, language);
}

std::vector<Outcome> InstallRefusals(SystemInfo& system, Registry* registry, Language language) {
    std::vector<Outcome> refusals;
    if (RunsOnArm64(system)) refusals.push_back({OutcomeKind::Unsupported, kArm64Refused.In(language), 0, false});
    if (registry != nullptr && ProtectedPrintModeOn(*registry)) {
        refusals.push_back({OutcomeKind::Forbidden, kProtectedPrintRefused.In(language), 0, false});
    }
    return refusals;
}

std::optional<Outcome> InstallRefusal(SystemInfo& system, Registry* registry, Language language) {
    std::vector<Outcome> refusals = InstallRefusals(system, registry, language);
    if (refusals.empty()) return std::nullopt;
    return refusals.front();
}

std::optional<Text> SpoolerRefusalCause(std::uint32_t error) {
    for (const RefusalCause& cause : kCauses) {
        if (cause.error == error) return cause.sentence;
    }
    return std::nullopt;
}

std::string WithSpoolerRefusalCause(const std::string& text, std::uint32_t error, Language language) {
    const std::optional<Text> cause = SpoolerRefusalCause(error);
    return cause ? text + "\n" + cause->In(language) : text;
}

}  // namespace prinstall
