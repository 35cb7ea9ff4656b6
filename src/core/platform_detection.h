// Which Windows family and processor the program runs on. Two numberings exist: the port
// dialog's, which knows Windows 8 and later as family 12 and marks a radio button for the
// family, and the removal's older one, which files them under 7 (11) and Server 2008 (10).
#pragma once

#include "core/app_context.h"
#include "platform/system_info.h"

namespace prinstall {

enum OsFamily : int {
    kFamilyNT3 = 1,
    kFamilyWin95 = 2,
    kFamilyWin98 = 3,
    kFamilyWinME = 4,
    kFamilyNT4 = 5,
    kFamilyWin2000 = 6,
    kFamilyXP = 7,
    kFamilyServer2003 = 8,
    kFamilyVista = 9,
    kFamilyServer2008 = 10,
    kFamilyWin7 = 11,
    kFamilyWin8 = 12,
};

enum Processor : int { kProcessorX86 = 0, kProcessorX64 = 1, kProcessorItanium = 2, kProcessorArm64 = 3 };

enum class Numbering { PortDialog, Removal };

struct Detection {
    int result = 1;   // 1, or -1 when the version cannot be read or the platform is unknown
    int radioId = 0;  // the port dialog's radio button of the family, 0 when none was stored
};

// Pure classification: updates `os` where the rules give a value and leaves the rest.
// `productInfo60` is asked for only on NT 6.0 and `serverR2Metric` only on NT 5.2.
Detection ClassifyPlatform(const VersionRecord& version, std::uint16_t architecture, SystemInfo& system,
                           Numbering numbering, OsInfo& os);

// Whether the machine's own processor is an ARM64 one, whatever processor this program is
// emulated as. The installation media hold no driver for it.
bool RunsOnArm64(SystemInfo& system);

// Reads the system through the port and classifies it; an ARM64 machine is kProcessorArm64.
Detection DetectPlatform(SystemInfo& system, Numbering numbering, OsInfo& os);

// The radio button id of a family in the port dialog (1002 to 1048), 0 for none.
int RadioIdForFamily(int osFamily, bool workstation);

}  // namespace prinstall
