// The printer's interface as the installation uses it: it decides the queue's port. The port
// dialog's seven choices (InterfaceChoice) each install as one of these four kinds.
#pragma once

#include <string>

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

}  // namespace prinstall
