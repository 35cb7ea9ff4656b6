// The spooler port over winspool's W functions, loaded from the system folder at run time.
#pragma once

#include "platform/spooler.h"

namespace prinstall {

class WinSpooler : public Spooler {
public:
    std::uint32_t enumLocalPrinters(std::vector<PrinterInfo2>& out) override;
    std::uint32_t driverDirectory(const std::string& environment, std::string& out) override;
    std::uint32_t enumPrinterDrivers(const std::string& environment, std::vector<std::string>& names) override;
    std::uint32_t addPrinterDriver(const DriverRecord& driver) override;
    std::uint32_t addPrinter(const PrinterRecord& printer) override;
    std::uint32_t enumMonitors(std::vector<std::string>& names) override;
    std::uint32_t addMonitor(const std::string& name, const std::string& environment, const std::string& dll) override;
    std::uint32_t enumPorts(std::vector<std::string>& names) override;
    std::uint32_t openPrinter(const std::string& name, Printer& printer) override;
    std::uint32_t deletePrinterKey(Printer printer, const std::string& keyName) override;
    std::uint32_t getPrinter(Printer printer, PrinterInfo2& info) override;
    std::uint32_t setPrinterPort(Printer printer, const std::string& port) override;
    std::uint32_t deletePrinter(Printer printer) override;
    std::uint32_t closePrinter(Printer printer) override;
    std::uint32_t deletePrinterDriver(const std::string& name, const std::string& environment) override;
    std::uint32_t deleteMonitor(const std::string& name, const std::string& environment) override;
};

}  // namespace prinstall
