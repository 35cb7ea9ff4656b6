// The printer's interface as the installation uses it: it decides the queue's port. The port
// dialog's seven choices (InterfaceChoice) each install as one of these four kinds.
#pragma once

#include <string>

#include "core/texts.h"

namespace prinstall {

enum InterfaceKind : int { kInterfaceSerial = 1, kInterfaceParallel = 5, kInterfaceUsb = 8, kInterfaceTcpIp = 9 };

// The interface kind of a port name: COM serial, LPT parallel, USB, TCP/IP (letter case
// aside, as the spooler compares port names: usb001 is USB001); anything else counts as serial.
inline int InterfaceKindOf(const std::string& portName) {
    const auto startsWith = [&portName](const char* prefix) {
        for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
            const char c = i < portName.size() ? portName[i] : '\0';
            if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != prefix[i]) return false;
        }
        return true;
    };
    if (startsWith("COM")) return kInterfaceSerial;
    if (startsWith("LPT")) return kInterfaceParallel;
    if (startsWith("USB")) return kInterfaceUsb;
    if (startsWith("TCP/IP")) return kInterfaceTcpIp;
    return kInterfaceSerial;
}

// The USB kind first looks for the printer's port: the search counter's start value (the
// Install command sets it once per run) and what the operator sees when the search fails.
inline constexpr int kUsbSearchCounterStart = 10;
inline constexpr Text kUsbSearchFailed = {"USB Port Search Failed.", "USB 포트 찾기 실패."};

}  // namespace prinstall
