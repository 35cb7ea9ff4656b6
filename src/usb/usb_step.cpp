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
        view.showSearch(false);
        for (int position = 20; position <= 90; position += 10) {
            view.setSearchProgress(position);
            flow.clock.sleep(kFoundStepPauseMs);
        }
        view.setSearchProgress(100);
        device.Close();
    } else if (view.runWarning() == kDialogOk) {
        view.showSearch(true);
        for (;;) {
            if (device.LookUpUsbPort()) {
                found = true;
                device.Close();
                view.setSearchProgress(100);
                break;
            }
            if (searchCounter > kSearchCounterLimit) {
                failed = true;
                break;
            }
            searchCounter += kSearchCounterStep;
            view.setSearchProgress(searchCounter);
            flow.clock.sleep(kSearchPauseMs);
        }
    }
    // Any other answer to the instructions goes on without a search, and without a printer.

    view.destroySearch();
    if (failed) {
        if (flow.showErrorResult(kUsbSearchFailed.in(flow.language)) == kDialogOk) {
            flow.clock.sleep(kEndPauseMs);
            flow.endProgram();
        }
        return kUsbStepFailed;
    }
    // Without a printer (the instructions were dismissed) the port name stays as it was.
    if (found) flow.usbPortName = device.usbPortName();
    flow.debug.output(device.usbPortName());
    return kUsbStepGoOn;
}

void InitUsbWarningDialog(std::uint32_t codePage, UsbDialogView& view) {
    if (languageForCodePage(codePage) != Language::Korean) return;
    const Language korean = Language::Korean;
    view.setTitle(kWarningCaption.in(korean));
    view.setItemText(IDC_USB_WARNING_CONNECT, kWarningConnect.in(korean));
    view.setItemText(IDC_USB_WARNING_SWITCH_ON, kWarningSwitchOn.in(korean));
    view.setItemText(IDC_USB_WARNING_CLICK_OK, kWarningClickOk.in(korean));
    view.setItemText(1, kWarningOk.in(korean));
}

void InitUsbSearchDialog(std::uint32_t codePage, UsbDialogView& view) {
    if (languageForCodePage(codePage) != Language::Korean) return;
    const Language korean = Language::Korean;
    view.setTitle(kSearchCaption.in(korean));
    view.setItemText(IDC_USB_SEARCH_TEXT, kSearchWait.in(korean));
}

}  // namespace prinstall
