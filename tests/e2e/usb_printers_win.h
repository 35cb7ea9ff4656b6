// Stand-in USB label printers under Wine. tests/e2e/usb-printers.sh links each one into the
// prefix's dosdevices under its interface name; these helpers make an interface present or
// absent for SetupAPI by writing or deleting the registry keys that the USB printing support
// keeps for it, read back what a file printer received, and open devices the way Wine can.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/usb_bus_win.h"

namespace e2e {

struct StandInPrinter {
    const char* vidPid;
    const char* serial;
};

inline constexpr StandInPrinter kFilePrinter{"vid_0525&pid_a701", "tv0001"};     // C:\usb\tv0001
inline constexpr StandInPrinter kSecondModel{"vid_0525&pid_7d3c", "tv0002"};     // C:\usb\tv0002
inline constexpr StandInPrinter kFullPrinter{"vid_0525&pid_a701", "tvfull"};     // /dev/full
inline constexpr StandInPrinter kFifoPrinter{"vid_0525&pid_a701", "tvfifo"};     // a FIFO
inline constexpr StandInPrinter kForeignPrinter{"vid_0525&pid_0001", "tv0009"};  // another product

// The interface path as SetupAPI reports it (lower case).
std::string InterfacePath(const StandInPrinter& printer);
// Makes the interface present; with a port number its "Port Number" too. False when a key
// could not be written.
bool AttachPrinter(const StandInPrinter& printer, std::optional<DWORD> portNumber);
void DetachPrinter(const StandInPrinter& printer);
void DetachAllPrinters();
// What a file printer holds, and emptying it.
std::vector<std::uint8_t> ReceivedBytes(const StandInPrinter& printer);
void ClearReceived(const StandInPrinter& printer);

// Wine takes no "/" in a verbatim (\\?\) path and answers 123 where Windows hands the rest of
// the path to the device, so the "\USB0/4" that the program appends cannot be opened under
// Wine. This bus opens the interface path itself; everything else is the program's adapter.
// It counts opens and cancelled writes.
class WineUsbBus : public prinstall::WinUsbBus {
public:
    std::uint32_t Open(const std::string& path, bool overlapped, Device& device) override;
    void CancelWrite(Device device) override;

    std::atomic<int> deviceOpens{0};  // overlapped opens that succeeded
    std::atomic<int> cancels{0};
};

}  // namespace e2e
