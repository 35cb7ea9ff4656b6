// Prints what platform detection makes of the system this program runs on, in one line:
// "<port dialog family> <processor> <radio id> <result> <removal family>". The integration
// tests run it under different Windows versions of the prefix.
#include <cstdio>

#include "core/platform_detection.h"
#include "platform/basic_win.h"

int main() {
    prinstall::WinSystemInfo system;
    prinstall::OsInfo port, removal;
    prinstall::Detection d = prinstall::DetectPlatform(system, prinstall::Numbering::PortDialog, port);
    prinstall::DetectPlatform(system, prinstall::Numbering::Removal, removal);
    std::printf("%d %d %d %d %d\n", port.osFamily, port.processor, d.radioId, d.result, removal.osFamily);
    return 0;
}
