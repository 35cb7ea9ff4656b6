#include "usb/usb_dialogs_win.h"

#include <commctrl.h>

#include <utility>

#include "resource.h"
#include "ui/controls_win.h"

namespace prinstall {

UsbWarningDialog::UsbWarningDialog(SystemInfo& systemInfo) : ViewDialog(IDD_USB_WARNING), systemInfo_(systemInfo) {}

int UsbWarningDialog::Run(HWND owner) { return static_cast<int>(RunModal(owner)); }

BOOL UsbWarningDialog::OnInit() {
    InitUsbWarningDialog(systemInfo_.AnsiCodePage(), *this);
    return TRUE;  // the dialog manager gives OK the focus
}

UsbSearchDialog::UsbSearchDialog(SystemInfo& systemInfo) : ViewDialog(IDD_USB_SEARCH), systemInfo_(systemInfo) {}

bool UsbSearchDialog::Create() { return CreateModeless(nullptr) != nullptr; }

BOOL UsbSearchDialog::OnInit() {
    InitUsbSearchDialog(systemInfo_.AnsiCodePage(), *this);
    return FALSE;
}

void UsbSearchDialog::Show(bool focus) {
    if (Hwnd() == nullptr) return;
    ShowWindow(Hwnd(), SW_SHOW);
    if (focus) SetFocus(Hwnd());
    PaintNow();
}

void UsbSearchDialog::SetProgress(int position) {
    if (Hwnd() == nullptr) return;
    ui::ProgressBar(Item(IDC_USB_SEARCH_PROGRESS)).SetPos(position);
    PaintNow();
}

void UsbSearchDialog::PaintNow() {
    // Frame, background, text and bar, now: no message is processed until the step ends.
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
}

UsbStepWindows::UsbStepWindows(HWND owner, SystemInfo& systemInfo)
    : owner_(owner), warning_(systemInfo), search_(systemInfo) {}

int UsbStepWindows::RunWarning() { return warning_.Run(owner_); }

void UsbStepWindows::ShowSearch(bool focus) {
    if (search_.Hwnd() == nullptr && !search_.Create()) return;
    search_.Show(focus);
}

void UsbStepWindows::SetSearchProgress(int position) { search_.SetProgress(position); }

void UsbStepWindows::DestroySearch() { search_.Destroy(); }

int RunUsbStepWithWindows(AppContext& app, HWND owner, Language language, int& searchCounter,
                          std::function<int(const std::string& message)> showErrorResult,
                          std::function<void()> endProgram) {
    if (app.usbDevice == nullptr) return kUsbStepFailed;
    UsbStepWindows windows(owner, app.platform.systemInfo);
    return prinstall::RunUsbStep(app, windows, language, searchCounter, std::move(showErrorResult),
                                 std::move(endProgram));
}

}  // namespace prinstall
