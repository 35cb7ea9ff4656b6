// The printer's interface as the installation uses it: it decides the queue's port. The port
// dialog's seven choices (InterfaceChoice) each install as one of these four kinds.
#pragma once

#include <string>

#include "core/texts.h"

namespace prinstall {

enum InterfaceKind : int { kInterfaceSerial = 1, kInterfaceParallel = 5, kInterfaceUsb = 8, kInterfaceTcpIp = 9 };

// The interface kind of a port name: COM serial, LPT parallel, USB, TCP/IP (compared with
// letter case); anything else counts as serial.
inline int InterfaceKindOf(const std::string& portName) {
    if (portName.rfind("COM", 0) == 0) return kInterfaceSerial;
    if (portName.rfind("LPT", 0) == 0) return kInterfaceParallel;
    if (portName.rfind("USB", 0) == 0) return kInterfaceUsb;
    if (portName.rfind("TCP/IP", 0) == 0) return kInterfaceTcpIp;
    return kInterfaceSerial;
}

// The USB kind first looks for the printer's port: the search counter's start value (the
// Install command sets it once per run) and what the operator sees when the search fails.
inline constexpr int kUsbSearchCounterStart = 10;
inline constexpr Text kUsbSearchFailed = {"USB Port Search Failed.", "USB 포트 찾기 실패."};

}  // namespace prinstall
