// The USB step's two windows: the instruction dialog (modal, template IDD_USB_WARNING) and
// the search window (modeless, without parent, template IDD_USB_SEARCH), with the step
// view over both, and the step run with the program's own adapters.
//
// The step blocks the thread that runs it and processes no messages meanwhile, so the search
// window paints itself at once whenever it is shown or its bar moves.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/app_context.h"
#include "platform/system_info.h"
#include "ui/dialog_win.h"
#include "usb/usb_step.h"

namespace prinstall {

class UsbWarningDialog : public ui::ViewDialog<UsbDialogView> {
public:
    explicit UsbWarningDialog(SystemInfo& systemInfo);
    // 1 for OK, 2 for Escape, -1 when the dialog could not be created.
    int Run(HWND owner);

protected:
    BOOL OnInit() override;

private:
    SystemInfo& systemInfo_;
};

class UsbSearchDialog : public ui::ViewDialog<UsbDialogView> {
public:
    explicit UsbSearchDialog(SystemInfo& systemInfo);
    ~UsbSearchDialog() override { Destroy(); }

    // Creates the window hidden, without parent; false when it could not be created.
    bool Create();
    void Show(bool focus);
    void SetProgress(int position);

protected:
    BOOL OnInit() override;
    // The operator cannot close the window: Enter and Escape do nothing.
    void OnOk() override {}
    void OnCancel() override {}

private:
    void PaintNow();

    SystemInfo& systemInfo_;
};

// The step view of one run of the Install command. The instruction dialog is owned by
// `owner` (the main dialog); the search window has no parent.
class UsbStepWindows : public UsbStepView {
public:
    UsbStepWindows(HWND owner, SystemInfo& systemInfo);

    int RunWarning() override;
    void ShowSearch(bool focus) override;
    void SetSearchProgress(int position) override;
    void DestroySearch() override;

    HWND SearchWindow() const { return search_.Hwnd(); }

private:
    HWND owner_;
    UsbWarningDialog warning_;
    UsbSearchDialog search_;
};

// The USB step with the process's device (app.usbDevice), clock and debugger output, the two
// windows above and the port name in app.state. `showErrorResult` runs the result dialog for
// an installation error with the message and returns its answer (1 for OK); `endProgram`
// ends the main dialog with the cancel result. Returns kUsbStepGoOn or kUsbStepFailed.
int RunUsbStepWithWindows(AppContext& app, HWND owner, Language language, int& searchCounter,
                          std::function<int(const std::string& message)> showErrorResult,
                          std::function<void()> endProgram);

}  // namespace prinstall
