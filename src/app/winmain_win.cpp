// Process start: one modal main dialog, no message loop of our own, no command line.
#include <windows.h>
#include <commctrl.h>

#include "core/app_context.h"
#include "app/main_dialog_win.h"
#include "core/single_instance.h"
#include "app/single_instance_win.h"
#include "platform/basic_win.h"
#include "platform/files_win.h"
#include "platform/registry_win.h"
#include "platform/services_win.h"
#include "platform/spooler_win.h"
#include "platform/usb_bus_win.h"
#include "ui/dialog_win.h"
#include "usb/usb_printer_device.h"

namespace {

// The program runs elevated from a folder ordinary users can write to: libraries loaded from
// here on come from the system folder only, never from the program's folder or the current
// directory. SetDefaultDllDirectories is looked up because Windows 7 without its update
// lacks it; there at least the current directory leaves the search.
void limitLibrarySearchToSystemFolder() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (setDefault != nullptr && setDefault(kSearchSystem32)) return;
    auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
    if (setDllDirectory != nullptr) setDllDirectory(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    limitLibrarySearchToSystemFolder();
    // One run at a time, settled before the program touches anything: a second start only
    // points at the first.
    const prinstall::SingleRunClaim singleRun = prinstall::claimSingleRun();
    if (singleRun.alreadyRunning) {
        prinstall::showAlreadyRunning();
        return prinstall::kAlreadyRunningExitCode;
    }

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
