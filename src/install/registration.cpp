#include "install/registration.h"

#include "core/label_drivers.h"
#include "install/clone_files.h"
#include "install/detection_value.h"
#include "install/uninstall_entry.h"

namespace prinstall {
namespace {

const Text kDriverFailed = {"Failure to AddPrinterDriver() GetLastError()=%d", "AddPrinterDriver() 실패 에러코드=%d"};
const Text kPrinterFailed = {"Failure to AddPrinter GetLastError()=%d", "AddPrinter() 실패 에러코드=%d"};
const Text kPortUnknown = {"The print spooler does not know the port %s (error 1796): the printer was not installed.",
                           "인쇄 스풀러가 %s 포트를 알지 못합니다(오류 1796). 프린터를 설치하지 않았습니다."};
const Text kForcedToCom1 = {
    "Forcibly set to COM1: port.\nafter you install the driver, change the port in the printer's properties.",
    "강제적으로 포트를 COM1:으로 설정했습니다.\n설치한 후, 프린터 속성에서 포트를 변경바랍니다.",
};

// PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST | PRINTER_ATTRIBUTE_ENABLE_BIDI
constexpr std::uint32_t kQueueAttributes = 0x200 | 0x800;

}  // namespace

std::string DependentFiles(int n) {
    const std::string names[] = {
        GpdCloneName(n), Format("TVLabel%d.Dll", n), "STDNAMES.GPD", "UNIRES.Dll",
        "unidrvui.dll",  RenderCloneName(n),         UiCloneName(n), IniCloneName(n),
        "unidrv.hlp",
    };
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list += '\0';
    }
    list += '\0';
    return list;
}

DriverRecord LabelDriverRecord(int n, const std::string& environment) {
    DriverRecord d;
    d.version = 3;
    d.name = LabelDriverName(n);
    d.environment = environment;
    d.driverPath = "UNIDRV.DLL";
    d.dataFile = GpdCloneName(n);
    d.configFile = "UNIDRVUI.DLL";
    d.helpFile = "UNIDRV.HLP";
    d.dependentFiles = DependentFiles(n);
    d.defaultDataType = "RAW";
    return d;
}

std::string QueuePort(const RegistrationSettings& s) {
    if (s.interfaceKind == kInterfaceUsb) return s.useLabelPortMonitor ? kPortMonitorPort : s.usbPortName;
    if (s.interfaceKind == kInterfaceTcpIp) return s.tcpIpPortName;
    return s.portName;
}

int Registrar::RegisterDriverAndPrinter(const std::string& printerName, const RegistrationSettings& s) {
    fellBackToCom1_ = false;
    detectionError_ = 0;
    message_.clear();
    error_ = 0;
    auto setMessage = [this](const std::string& text) { message_ = text; };
    const DriverRecord driver = LabelDriverRecord(s.driverNumber, s.environment);
    if (std::uint32_t e = spooler_.RegisterDriver(driver); e != 0) {
        if (e != kErrorModNotFound) {
            setMessage(Format(kDriverFailed.In(s.language), static_cast<int>(e)));
            error_ = e;
            return -2;
        }
        // Unidrv cannot load without FRAMEDYN.dll in the system folder on some systems.
        monitor_.CopyFramedyn();
        if (std::uint32_t again = spooler_.RegisterDriver(driver); again != 0) {
            setMessage(Format(kDriverFailed.In(s.language), static_cast<int>(again)));
            error_ = again;
            return -1;
        }
    }
    report_(std::string("Print Driver Install Ended"), 60, true);
    report_(std::string("Add Printer Started"), 70, false);

    PrinterRecord printer;
    printer.printerName = printerName;
    printer.portName = QueuePort(s);
    printer.driverName = driver.name;
    printer.printProcessor = "WinPrint";
    // Windows gives a queue without a data type its driver's default, which the driver record
    // sets to RAW; Wine creates such a queue but fails the call (1801). Naming RAW gives the
    // same queue on both.
    printer.dataType = "RAW";
    printer.attributes = kQueueAttributes;

    std::uint32_t e = spooler_.CreatePrinter(printer);
    if (e == 0) {
        report_(std::string("Add Printer Ended"), 85, true);
        report_(std::nullopt, 90, false);
        if (s.withUninstallEntry) WriteUninstallEntry(registry_, s.language == Language::Korean, s.entry);
        detectionError_ = WriteDetectionValue(registry_);
        report_(std::nullopt, 100, false);
        return 0;
    }
    if (e == kErrorUnknownPort && s.exactPort) {
        setMessage(Format(kPortUnknown.In(s.language), printer.portName.c_str()));
        error_ = e;
        return -4;
    }
    if (e == kErrorUnknownPort) {
        printer.portName = "COM1:";
        if (std::uint32_t again = spooler_.CreatePrinter(printer); again != 0) {
            setMessage(Format(kPrinterFailed.In(s.language), static_cast<int>(again)));
            error_ = again;
            return -3;
        }
        // The queue works, but not on the port the operator chose: the install command
        // decides how to tell. Deployment tools still find it installed.
        detectionError_ = WriteDetectionValue(registry_);
        setMessage(kForcedToCom1.In(s.language));
        fellBackToCom1_ = true;
        // A queue exists: the removal must be found in the list of installed programs.
        if (s.withUninstallEntry) WriteUninstallEntry(registry_, s.language == Language::Korean, s.entry);
        return 0;
    }
    setMessage(Format(kPrinterFailed.In(s.language), static_cast<int>(e)));
    error_ = e;
    return -4;
}

}  // namespace prinstall
