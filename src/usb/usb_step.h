// The USB step of the Install command: makes sure a supported label printer is attached and
// switched on before anything is installed. A silent first lookup; when it finds nothing,
// the instruction dialog and then a search with one lookup a second, about 29 seconds long,
// shown in the search window's progress bar.
//
// Everything runs on the user-interface thread, which blocks meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/app_context.h"
#include "core/interface_kind.h"
#include "core/texts.h"
#include "ui/dialog_view.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "usb/usb_printer_device.h"

namespace prinstall {

// How the step ends: the installation goes on, or the step ended it at its failure end
// (after showing the result dialog itself).
inline constexpr int kUsbStepGoOn = 0;
inline constexpr int kUsbStepFailed = -1;

// The two windows of the step, made for one run of the Install command.
class UsbStepView {
public:
    virtual ~UsbStepView() = default;
    // Runs the instruction dialog modally: 1 for OK, 2 for Escape.
    virtual int RunWarning() = 0;
    // Creates the search window and shows it; with `focus` it also takes the keyboard focus.
    virtual void ShowSearch(bool focus) = 0;
    // The search proper starts, after a first lookup found nothing and the instruction was
    // confirmed: a view without windows says so here.
    virtual void SearchStarted() {}
    // Moves the search window's progress bar (0 to 100) and shows it at once.
    virtual void SetSearchProgress(int position) = 0;
    // Destroys the search window when it exists.
    virtual void DestroySearch() = 0;
};

struct UsbFlowContext {
    UsbPrinterDevice& device;
    UsbStepView& view;
    Clock& clock;
    DebugLog& debug;
    Language language;
    // The process-wide port name (ProcessState::usbPortName): the device's port name once
    // the step goes on.
    std::string& usbPortName;
    // The result dialog for an installation error with this message; returns 1 when the
    // operator pressed OK.
    std::function<int(const std::string& message)> showErrorResult;
    // Ends the main dialog with the cancel result, and so the program.
    std::function<void()> endProgram;
};

// Runs the step once. `searchCounter` is the Install command's counter (10 when the run
// started): the progress position and the time budget of the search. Returns kUsbStepGoOn
// or kUsbStepFailed; at the failure end an OK in the result dialog has ended the program
// (after a 500 ms pause).
int RunUsbStep(UsbFlowContext& flow, int& searchCounter);

// The counter to start the search with for it to look for the printer `seconds` seconds (one
// lookup a second) before it gives up; kUsbSearchCounterStart gives about 29 seconds.
int UsbSearchCounterFor(int seconds);

// The same on the process's USB printer connection, shown through `view`; kUsbStepFailed at
// once when the process has none.
int RunUsbStep(AppContext& app, UsbStepView& view, Language language, int& searchCounter,
               std::function<int(const std::string& message)> showErrorResult, std::function<void()> endProgram);

// The two dialogs ask nothing of their windows that every dialog does not offer.
using UsbDialogView = DialogView;

// Under code page 949 the dialogs take their Korean texts; otherwise the templates' stay.
void InitUsbWarningDialog(std::uint32_t codePage, UsbDialogView& view);
void InitUsbSearchDialog(std::uint32_t codePage, UsbDialogView& view);

}  // namespace prinstall
