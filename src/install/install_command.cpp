#include "install/install_command.h"

#include "app/label_drivers.h"
#include "install/driver_files.h"
#include "install/tcpip_port.h"
#include "resource.h"

namespace prinstall {
namespace {

const Text kEnumFailed = {"EnumPrinters function failed.", "EnumPrinters function 에러입니다."};
const Text kNameInUse = {"There are printer driver to install. You must install it under a different name.",
                         "설치할 프린터 드라이버가 있습니다. 다른 이름으로 설치해야 됩니다."};
const Text kCanceled = {"Install Canceled.", "프린터 드라이버 설치를 취소합니다."};
const Text kCompleted = {"Installation completed. ", "프린터 드라이버가 정상적으로 설치되었습니다. "};
const Text kNameEmpty = {"Enter a name for the printer.", "프린터 이름을 입력하십시오."};
const Text kNameForbiddenCharacter = {"A printer name cannot contain \\ or ,. Change the name and try again.",
                                      "프린터 이름에는 \\ 또는 , 문자를 쓸 수 없습니다. 이름을 바꾸어 다시 시도하십시오."};
const Text kNameTooLong = {"The printer name is too long (at most 220 characters). Shorten it and try again.",
                           "프린터 이름이 너무 깁니다(최대 220자). 이름을 줄여 다시 시도하십시오."};
const Text kNoNumberFree = {"All 500 printer driver copies are installed. Remove one before installing another.",
                            "프린터 드라이버 500개가 모두 설치되어 있습니다. 하나를 삭제한 후 다시 설치하십시오."};
const Text kFileMissing = {"The printer driver was not installed: the file %s is missing or empty.",
                           "프린터 드라이버를 설치하지 못했습니다: %s 파일이 없거나 비어 있습니다."};
const Text kMonitorMissing = {
    "The printer driver was not installed: the label printer's USB port monitor could not be installed.",
    "프린터 드라이버를 설치하지 못했습니다: 라벨 프린터 USB 포트 모니터를 설치할 수 없습니다."};
const Text kCaptionAfterSuccess = {"Add Printer Driver", "드라이버 추가 설치"};
const Text kCaptionAfterFailure = {"Add new printer", "드라이버 추가 설치"};
const char* const kUnsupported[] = {
    "Windows NT 3.51 not Supported !!!", "Windows 95 not Supported !!!", "Windows 98 not Supported !!!",
    "Windows ME not Supported !!!",      "Windows NT 4.0 not Supported !!!",
};

constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kSuccess = 0;
constexpr int kError = 1;

}  // namespace

int InterfaceKindOf(const std::string& portName) {
    if (portName.rfind("COM", 0) == 0) return kInterfaceSerial;
    if (portName.rfind("LPT", 0) == 0) return kInterfaceParallel;
    if (portName.rfind("USB", 0) == 0) return kInterfaceUsb;
    if (portName.rfind("TCP/IP", 0) == 0) return kInterfaceTcpIp;
    return kInterfaceSerial;
}

int PrinterNameExists(Spooler& spooler, const std::string& name) {
    std::vector<PrinterInfo2> queues;
    if (spooler.enumLocalPrinters(queues) != 0) return -2;
    for (const PrinterInfo2& q : queues) {
        if (SameQueueName(q.printerName, name)) return -1;
    }
    return 0;
}

std::optional<Text> QueueNameRefusal(const std::string& name) {
    switch (CheckQueueName(name)) {
        case QueueNameFault::Empty: return kNameEmpty;
        case QueueNameFault::ForbiddenCharacter: return kNameForbiddenCharacter;
        case QueueNameFault::TooLong: return kNameTooLong;
        case QueueNameFault::None: break;
    }
    return std::nullopt;
}

void InstallCommand::Fail(const std::string& text) {
    if (dialog_.ShowResult(text, kError) == kOk) dialog_.view().endDialog(kCancel);
}

void InstallCommand::FailCopy(const std::string& text) {
    if (dialog_.ShowResult(text, kError) == kOk) {
        dialog_.view().endDialog(kCancel);
    } else {
        dialog_.view().setItemText(IDC_INSTALL, kCaptionAfterFailure.in(dialog_.language()));
    }
}

void InstallCommand::RollBackCopy(const RegistrationSettings& settings, bool driverRegistered) {
    Platform& platform = dialog_.app().platform;
    const OsInfo& os = dialog_.app().state.os;
    if (driverRegistered) {
        const std::uint32_t e = platform.spooler.deletePrinterDriver(LabelDriverName(settings.driverNumber), settings.environment);
        if (e != 0) platform.debug.output(format("Rollback: DeletePrinterDriver GetLastError()=%d", static_cast<int>(e)));
    }
    std::string directory;
    if (platform.spooler.driverDirectory(settings.environment, directory) != 0 || directory.empty()) return;
    for (const std::string& left : DeleteNumberedFiles(*platform.files, directory, os.osFamily, settings.driverNumber)) {
        platform.debug.output("Rollback: file not deleted: " + left);
    }
}

void InstallCommand::Run() {
    AppContext& app = dialog_.app();
    dialog_.setUiCodePage(app.platform.systemInfo.ansiCodePage());
    const Language language = dialog_.language();
    steps_.beginRun();
    bool portPrepared = false;
    int searchCounter = 10;
    PortChoice choice;
    RegistrationSettings settings;

    bool completed = true;
    for (int copy = 1; copy <= dialog_.copyCount(); ++copy) {
        const std::string queueName = dialog_.view().itemText(IDC_DRIVER_NAME);
        if (!InstallCopy(queueName, portPrepared, choice, searchCounter, settings)) {
            completed = false;
            break;
        }
    }
    if (completed && dialog_.ShowResult(kCompleted.in(language), kSuccess) == kOk) {
        dialog_.view().setItemText(IDC_INSTALL, kCaptionAfterSuccess.in(language));
        dialog_.view().showItem(IDC_UNINSTALL, true);
    }
    steps_.endRun();
}

bool InstallCommand::InstallCopy(const std::string& queueName, bool& portPrepared, PortChoice& choice,
                                 int& searchCounter, RegistrationSettings& settings) {
    AppContext& app = dialog_.app();
    Platform& platform = app.platform;
    ProcessState& state = app.state;
    MainView& view = dialog_.view();
    const Language language = dialog_.language();

    if (std::optional<Text> refusal = QueueNameRefusal(queueName)) {
        Fail(refusal->in(language));
        return false;
    }
    if (state.driverNumber < 1) {
        Fail(kNoNumberFree.in(language));
        return false;
    }
    switch (PrinterNameExists(platform.spooler, queueName)) {
        case -2: Fail(kEnumFailed.in(language)); return false;
        case -1: Fail(kNameInUse.in(language)); return false;
        default: break;
    }

    if (!portPrepared) {
        if (!steps_.runPortDialog(choice)) {
            Fail(kCanceled.in(language));
            return false;
        }
        view.enableItem(IDC_INSTALL, false);
        view.enableItem(IDC_EXIT, false);
        settings.portName = choice.portName;
    }
    settings.interfaceKind = InterfaceKindOf(settings.portName);

    if (!portPrepared && settings.interfaceKind == kInterfaceUsb) {
        if (!steps_.runUsbStep(searchCounter)) return false;
    } else if (!portPrepared && settings.interfaceKind == kInterfaceTcpIp) {
        settings.tcpIpPortName = TcpIpPortName(choice.address);
        const std::string portKey = TcpIpPortKey(settings.tcpIpPortName);
        Registry::Key key = 0;
        if (platform.registry != nullptr && platform.registry->createKey(portKey, "", key) == 0) {
            platform.registry->closeKey(key);
            steps_.writeTcpIpPortValues(settings.tcpIpPortName, choice.address, portKey);
        }
    }
    view.repaintNow();

    const int family = state.os.osFamily;
    if (family <= 5) {
        // Windows NT 3.x and 4.0, 95, 98 and ME have no Unidrv 5 for this driver. An unknown
        // family (the version could not be read) stops without a message.
        if (family >= 1) dialog_.ShowDialogMessage(kUnsupported[family - 1], "ERROR");
        return false;
    }

    PortMonitorInstaller monitor(platform.spooler, *platform.files, platform.systemInfo, platform.debug);
    if (state.useLabelPortMonitor) monitor.AddPortMonitorIfMissing(state.os.processor);

    settings.driverNumber = state.driverNumber;
    settings.environment = SpoolerEnvironment(state.os.processor);
    settings.useLabelPortMonitor = state.useLabelPortMonitor;
    settings.usbPortName = state.usbPortName;
    settings.language = language;
    if (QueuePort(settings) == kPortMonitorPort && monitor.IsPortMonitorInstalled() != 1) {
        // A queue on that port would print to nobody.
        FailCopy(kMonitorMissing.in(language));
        return false;
    }

    auto report = [this](const std::optional<std::string>& text, int position, bool pause) {
        dialog_.ReportProgress(text, position, pause);
    };
    auto appMessage = [this](const std::string& text) { dialog_.ShowAppMessage(text); };
    DriverStager stager(*platform.files, platform.spooler, appMessage, report);
    std::optional<std::string> missing = stager.StageDriverFiles(state.driverNumber, state.os.processor, language == Language::Korean);
    if (!missing) {
        std::string directory;
        platform.spooler.driverDirectory(settings.environment, directory);
        missing = MissingDriverFile(*platform.files, directory, LabelDriverRecord(settings.driverNumber, settings.environment));
    }
    if (missing) {
        RollBackCopy(settings, false);
        FailCopy(format(kFileMissing.in(language), missing->c_str()));
        return false;
    }

    Registrar registrar(platform.spooler, *platform.registry, monitor, report,
                        [this](const std::string& text) { dialog_.setResultMessage(text); });
    if (const int registered = registrar.RegisterDriverAndPrinter(queueName, settings); registered != 0) {
        // A driver without its queue is one that no removal could find: it goes again, and so
        // do the copy's numbered files.
        RollBackCopy(settings, registered == -3 || registered == -4);
        FailCopy(dialog_.resultMessage());
        return false;
    }
    if (registrar.fellBackToCom1()) {
        // The queue works, but on COM1: rather than the port the operator chose: say so now,
        // since the completion message that follows would hide it.
        dialog_.ShowAppMessage(dialog_.resultMessage());
    }

    view.enableItem(IDC_INSTALL, true);
    view.enableItem(IDC_EXIT, true);
    dialog_.setLabelDriverCount(dialog_.CountLabelDrivers());
    view.setItemText(IDC_DRIVER_NAME, format("%s %d", kModelName, state.driverNumber));
    portPrepared = true;
    return true;
}

}  // namespace prinstall
