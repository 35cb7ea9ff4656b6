// What the whole process shares: the platform ports and the few values that live as long as
// the process (created once at start-up and handed down to every dialog).
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/files.h"
#include "platform/folder_security.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/spooler.h"
#include "platform/system_info.h"

namespace prinstall {

class UsbPrinterDevice;

struct Platform {
    Spooler& spooler;
    Services& services;
    SystemInfo& systemInfo;
    Clock& clock;
    DebugLog& debug;
    // The ports of the installation and removal steps. Pointers so that code needing only the
    // ones above can leave them out; the program itself always sets them.
    Files* files = nullptr;
    Registry* registry = nullptr;
    FolderSecurity* folderSecurity = nullptr;  // of the installation folder, before its files are used
};

// Windows family (1 NT 3.x ... 12 Windows 8 and later) and processor (0 x86, 1 x64, 2 Itanium, 3 ARM64).
struct OsInfo {
    int osFamily = 0;
    int processor = 0;
};

struct ProcessState {
    OsInfo os;
    int driverNumber = 0;  // N of the next driver copy, 1 to 500 once a scan succeeded
    bool useLabelPortMonitor = false;
    int codePage = 0;         // printer code page chosen in the port dialog
    std::string usbPortName;  // "USB" and three digits, once a USB printer was found
    // The media digests a release wrote into the program (install/media_check.h); empty in a
    // development build.
    std::string shippedMedia;
};

struct AppContext {
    Platform platform;
    ProcessState state;
    // The one USB printer connection of the process, made by WinMain before the main dialog
    // runs (usb/usb_printer_device.h).
    UsbPrinterDevice* usbDevice = nullptr;
};

}  // namespace prinstall
