// The names under which the installation registers what it shares between all driver copies:
// the label printer's USB port monitor (its modules and its one port) and the entry in the
// Windows list of installed programs. The installation writes them and the removal looks for
// the same names.
#pragma once

#include "core/texts.h"
#include "platform/debug_log.h"
#include "platform/spooler.h"

namespace prinstall {

inline constexpr const char* kPortMonitorName = "TORVA LABEL USB Port";
inline constexpr const char* kPortMonitorPort = "USB/TORVA Label Port";
inline constexpr const char* kPortMonitorModule = "TVPortMon.dll";
inline constexpr const char* kPortMonitorUiModule = "TVPortMonUI.dll";

// The uninstall entry: its key under HKLM in each language, its display name and the removal
// command it runs.
inline constexpr const char* kUninstallKeyEnglish =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TORVA EPL 2.XX";
inline constexpr const char* kUninstallKeyKorean =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\토바 EPL 2.XX";
inline constexpr const char* kUninstallNameEnglish = "TORVA Label 2.XX";
inline constexpr const char* kUninstallNameKorean = "토바 Label 2.XX";
inline constexpr const char* kUninstallCommand = "C:\\TORVA EPL Printer 2.X\\Prinstall.exe";
// The installation folder: the program and the media every installation copies from, and the
// GPD and INI files it writes for each copy before staging them.
inline constexpr const char* kInstallFolder = "C:\\TORVA EPL Printer 2.X";

// The installation's mark for deployment tools, the same whatever the interface language
// (the uninstall entry's key is not): Installed = 1 (REG_DWORD) and Version (REG_SZ, the
// program's version) under this key of HKLM. Like the uninstall entry it lands in the
// registry's 32-bit view (SOFTWARE\WOW6432Node\... on 64-bit Windows). Written with every
// queue an installation creates; deleted by the removal once nothing else of the installation
// is left.
inline constexpr const char* kDetectionKey = "SOFTWARE\\TORVA\\EPL Printer 2.X";
inline constexpr const char* kDetectionInstalled = "Installed";
inline constexpr const char* kDetectionVersion = "Version";

// 1 when the spooler lists a monitor named exactly kPortMonitorName, else 0 (also when the
// monitors cannot be listed); the listing's outcome goes to the debugger output.
int IsPortMonitorInstalled(Spooler& spooler, DebugLog& debug);

// How an installation that takes itself back, and a removal, name the shared things they had
// to leave, for the operator and for the next removal to find.
inline constexpr Text kDriverKept = {"printer driver \"%s\"", "프린터 드라이버 \"%s\""};
inline constexpr Text kMonitorKept = {"port monitor \"%s\"", "포트 모니터 \"%s\""};
inline constexpr Text kDetectionKept = {"installation mark for deployment tools (HKLM\\%s)",
                                        "배포 도구용 설치 표시 (HKLM\\%s)"};

}  // namespace prinstall
