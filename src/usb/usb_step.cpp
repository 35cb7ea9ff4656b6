#include "usb/usb_step.h"

#include "resource.h"

namespace prinstall {
namespace {

// The search gives up once the counter has passed this: 30 lookups, 29 pauses.
constexpr int kSearchCounterLimit = 96;
constexpr int kSearchCounterStep = 3;
constexpr std::uint32_t kSearchPauseMs = 1000;
constexpr std::uint32_t kFoundStepPauseMs = 100;
constexpr std::uint32_t kEndPauseMs = 500;

const Text kWarningCaption = {"USB Connection Warning", "USB 프린터 연결 확인"};
const Text kWarningConnect = {"1. Connect USB Printer to Desktop Computer.", "1. 프린터를 PC에 연결하십시오."};
const Text kWarningSwitchOn = {"2. Turn on the printer.", "2. 프린터를 켜 주십시오."};
const Text kWarningClickOk = {"3. Click  \"OK\"  button.", "3. 확인 버튼을 클릭하십시오."};
const Text kWarningOk = {"OK", "확인"};
const Text kSearchCaption = {"Now USB Port Searching......", "연결된 토르바스 프린터 찾는 중"};
const Text kSearchWait = {"Please wait a minite ......", "잠시만 기다려 주십시오....."};

}  // namespace

int RunUsbStep(UsbFlowContext& flow, int& searchCounter) {
    UsbPrinterDevice& device = flow.device;
    UsbStepView& view = flow.view;
    bool found = false;
    bool failed = false;

    if (device.LookUpUsbPort()) {
        found = true;
        // Attached and on already: a short run of the bar, for the operator to see.
        view.ShowSearch(false);
        for (int position = 20; position <= 90; position += 10) {
            view.SetSearchProgress(position);
            flow.clock.Sleep(kFoundStepPauseMs);
        }
        view.SetSearchProgress(100);
        device.Close();
    } else if (view.RunWarning() == kDialogOk) {
        view.ShowSearch(true);
        view.SearchStarted();
        for (;;) {
            if (device.LookUpUsbPort()) {
                found = true;
                device.Close();
                view.SetSearchProgress(100);
                break;
            }
            if (searchCounter > kSearchCounterLimit) {
                failed = true;
                break;
            }
            searchCounter += kSearchCounterStep;
            view.SetSearchProgress(searchCounter);
            flow.clock.Sleep(kSearchPauseMs);
        }
    }
    // Any other answer to the instructions goes on without a search, and without a printer.

    view.DestroySearch();
    if (failed) {
        if (flow.showErrorResult(kUsbSearchFailed.In(flow.language)) == kDialogOk) {
            flow.clock.Sleep(kEndPauseMs);
            flow.endProgram();
        }
        return kUsbStepFailed;
    }
    // Without a printer (the instructions were dismissed) the port name stays as it was.
    if (found) flow.usbPortName = device.UsbPortName();
    flow.debug.Output(device.UsbPortName());
    return kUsbStepGoOn;
}

int UsbSearchCounterFor(int seconds) { return kSearchCounterLimit + 1 - kSearchCounterStep * seconds; }

void InitUsbWarningDialog(std::uint32_t codePage, UsbDialogView& view) {
    if (LanguageForCodePage(codePage) != Language::Korean) return;
    const Language korean = Language::Korean;
    view.SetTitle(kWarningCaption.In(korean));
    view.SetItemText(IDC_USB_WARNING_CONNECT, kWarningConnect.In(korean));
    view.SetItemText(IDC_USB_WARNING_SWITCH_ON, kWarningSwitchOn.In(korean));
    view.SetItemText(IDC_USB_WARNING_CLICK_OK, kWarningClickOk.In(korean));
    view.SetItemText(1, kWarningOk.In(korean));
}

void InitUsbSearchDialog(std::uint32_t codePage, UsbDialogView& view) {
    if (LanguageForCodePage(codePage) != Language::Korean) return;
    const Language korean = Language::Korean;
    view.SetTitle(kSearchCaption.In(korean));
    view.SetItemText(IDC_USB_SEARCH_TEXT, kSearchWait.In(korean));
}

int RunUsbStep(AppContext& app, UsbStepView& view, Language language, int& searchCounter,
               std::function<int(const std::string& message)> showErrorResult, std::function<void()> endProgram) {
    if (app.usbDevice == nullptr) return kUsbStepFailed;
    UsbFlowContext flow{*app.usbDevice,
                        view,
                        app.platform.clock,
                        app.platform.debug,
                        language,
                        app.state.usbPortName,
                        std::move(showErrorResult),
                        std::move(endProgram)};
    return RunUsbStep(flow, searchCounter);
}

}  // namespace prinstall
