#include "core/platform_detection.h"

namespace prinstall {

int RadioIdForFamily(int osFamily, bool workstation) {
    switch (osFamily) {
        case kFamilyNT3: return 1002;
        case kFamilyWin95: return 1004;
        case kFamilyWin98: return 1005;
        case kFamilyWinME: return 1006;
        case kFamilyNT4: return 1007;
        case kFamilyWin2000: return 1008;
        case kFamilyXP: return 1009;
        case kFamilyServer2003: return 1010;
        case kFamilyVista: return 1024;
        case kFamilyServer2008: return 1045;
        case kFamilyWin7: return 1046;
        case kFamilyWin8: return workstation ? 1047 : 1048;
        default: return 0;
    }
}

Detection ClassifyPlatform(const VersionRecord& v, std::uint16_t architecture, SystemInfo& system, Numbering numbering,
                           OsInfo& os) {
    Detection d;
    switch (architecture) {
        case kArchitectureX86: os.processor = kProcessorX86; break;
        case kArchitectureX64: os.processor = kProcessorX64; break;
        case kArchitectureItanium: os.processor = kProcessorItanium; break;
        default: break;  // unknown codes leave the processor as it was
    }

    const bool workstation = v.productType == kProductWorkstation;
    auto store = [&](int family) {
        os.osFamily = family;
        if (numbering == Numbering::PortDialog) d.radioId = RadioIdForFamily(family, workstation);
    };

    if (v.platformId == kPlatformWin32s) return d;
    if (v.platformId == kPlatformWindows9x) {
        if (v.major == 4) {
            if (v.minor == 0)
                store(kFamilyWin95);
            else if (v.minor == 10)
                store(kFamilyWin98);
            else if (v.minor == 90)
                store(kFamilyWinME);
        }
        return d;
    }
    if (v.platformId != kPlatformNT) {
        d.result = -1;
        return d;
    }

    if (v.major < 5) {
        store(v.major == 4 ? kFamilyNT4 : kFamilyNT3);
    } else if (v.major == 5) {
        if (v.minor == 0) {
            store(kFamilyWin2000);
        } else if (v.minor == 1) {
            store(kFamilyXP);
        } else if (v.minor == 2) {
            // XP Professional x64 reports 5.2 too; everything else of 5.2 is a Server 2003.
            bool server = system.SystemMetric(kMetricServerR2) != 0 || v.suiteMask == 0x2000 || !workstation ||
                          architecture != kArchitectureX64;
            store(server ? kFamilyServer2003 : kFamilyXP);
        }
    } else if (v.major == 6 && v.minor == 0) {
        store(workstation ? kFamilyVista : kFamilyServer2008);
        if (system.ProductInfo(6, 0, 0, 0) == kProductEnterpriseServerItanium) os.processor = kProcessorItanium;
    } else if (v.major == 6 && v.minor == 1) {
        store(workstation ? kFamilyWin7 : kFamilyServer2008);
    } else {
        // 6.2 and later: the program declares no newer Windows, so 8.1 and 10 report 6.2.
        if (numbering == Numbering::PortDialog)
            store(kFamilyWin8);
        else
            store(workstation ? kFamilyWin7 : kFamilyServer2008);
    }
    return d;
}

bool RunsOnArm64(SystemInfo& system) { return system.NativeMachine() == kMachineArm64; }

Detection DetectPlatform(SystemInfo& system, Numbering numbering, OsInfo& os) {
    VersionRecord version;
    if (!system.ReadVersion(version)) return {-1, 0};
    const Detection d = ClassifyPlatform(version, system.NativeArchitecture(), system, numbering, os);
    if (RunsOnArm64(system)) os.processor = kProcessorArm64;
    return d;
}

}  // namespace prinstall
