#include "usb/usb_dialogs_win.h"

#include <commctrl.h>

#include <utility>

#include "resource.h"
#include "ui/controls_win.h"

namespace prinstall {

UsbWarningDialog::UsbWarningDialog(SystemInfo& systemInfo) : ViewDialog(IDD_USB_WARNING), systemInfo_(systemInfo) {}

int UsbWarningDialog::run(HWND owner) { return static_cast<int>(runModal(owner)); }

BOOL UsbWarningDialog::OnInit() {
    InitUsbWarningDialog(systemInfo_.ansiCodePage(), *this);
    return TRUE;  // the dialog manager gives OK the focus
}

UsbSearchDialog::UsbSearchDialog(SystemInfo& systemInfo) : ViewDialog(IDD_USB_SEARCH), systemInfo_(systemInfo) {}

bool UsbSearchDialog::create() { return createModeless(nullptr) != nullptr; }

BOOL UsbSearchDialog::OnInit() {
    InitUsbSearchDialog(systemInfo_.ansiCodePage(), *this);
    return FALSE;
}

void UsbSearchDialog::show(bool focus) {
    if (hwnd() == nullptr) return;
    ShowWindow(hwnd(), SW_SHOW);
    if (focus) SetFocus(hwnd());
    paintNow();
}

void UsbSearchDialog::setProgress(int position) {
    if (hwnd() == nullptr) return;
    ui::ProgressBar(item(IDC_USB_SEARCH_PROGRESS)).setPos(position);
    paintNow();
}

void UsbSearchDialog::paintNow() {
    // Frame, background, text and bar, now: no message is processed until the step ends.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
}

UsbStepWindows::UsbStepWindows(HWND owner, SystemInfo& systemInfo)
    : owner_(owner), warning_(systemInfo), search_(systemInfo) {}

int UsbStepWindows::runWarning() { return warning_.run(owner_); }

void UsbStepWindows::showSearch(bool focus) {
    if (search_.hwnd() == nullptr && !search_.create()) return;
    search_.show(focus);
}

void UsbStepWindows::setSearchProgress(int position) { search_.setProgress(position); }

void UsbStepWindows::destroySearch() { search_.destroy(); }

int RunUsbStepWithWindows(AppContext& app, HWND owner, Language language, int& searchCounter,
                          std::function<int(const std::string& message)> showErrorResult,
                          std::function<void()> endProgram) {
    if (app.usbDevice == nullptr) return kUsbStepFailed;
    UsbStepWindows windows(owner, app.platform.systemInfo);
    UsbFlowContext flow{*app.usbDevice,
                        windows,
                        app.platform.clock,
                        app.platform.debug,
                        language,
                        app.state.usbPortName,
                        std::move(showErrorResult),
                        std::move(endProgram)};
    return RunUsbStep(flow, searchCounter);
}

}  // namespace prinstall
