// Process start: one modal main dialog, no message loop of our own, no command line.
#include <windows.h>
#include <commctrl.h>

#include "core/app_context.h"
#include "app/main_dialog_win.h"
#include "platform/basic_win.h"
#include "platform/files_win.h"
#include "platform/registry_win.h"
#include "platform/services_win.h"
#include "platform/spooler_win.h"
#include "platform/usb_bus_win.h"
#include "ui/dialog_win.h"
#include "usb/usb_printer_device.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                           ICC_INTERNET_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    prinstall::WinSpooler spooler;
    prinstall::WinServices services;
    prinstall::WinSystemInfo systemInfo;
    prinstall::WinClock clock;
    prinstall::WinDebugLog debug;
    prinstall::WinFiles files;
    prinstall::WinRegistry registry;
    prinstall::AppContext app{{spooler, services, systemInfo, clock, debug, &files, &registry}, {}};

    prinstall::WinUsbBus usbBus;
    prinstall::UsbPrinterDevice usbDevice(usbBus, registry, systemInfo, clock, debug,
                                          [](const std::string& text, const std::string& caption) {
                                              prinstall::ui::messageBox(nullptr, text, caption, MB_OK);
                                          });
    app.usbDevice = &usbDevice;

    prinstall::MainDialogWin dialog(app);
    dialog.runModal(nullptr);
    return 0;
}
