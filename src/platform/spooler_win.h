// The spooler port over winspool's W functions, loaded from the system folder at run time.
#pragma once

#include "platform/spooler.h"

namespace prinstall {

class WinSpooler : public Spooler {
public:
    std::uint32_t ListLocalPrinters(std::vector<PrinterInfo2>& out) override;
    std::uint32_t DriverDirectory(const std::string& environment, std::string& out) override;
    std::uint32_t ListDrivers(const std::string& environment, std::vector<std::string>& names) override;
    std::uint32_t RegisterDriver(const DriverRecord& driver) override;
    std::uint32_t CreatePrinter(const PrinterRecord& printer) override;
    std::uint32_t ListMonitors(std::vector<std::string>& names) override;
    std::uint32_t RegisterMonitor(const std::string& name, const std::string& environment,
                                  const std::string& dll) override;
    std::uint32_t ListPorts(std::vector<std::string>& names) override;
    std::uint32_t ListConnections(std::vector<PrinterInfo2>& out) override;
    std::uint32_t ListDriverRecords(const std::string& environment, std::vector<DriverRecord>& out) override;
    std::uint32_t ListMonitorModules(std::vector<MonitorModule>& out) override;
    std::uint32_t OpenLocalPrinter(const std::string& name, Printer& printer) override;
    std::uint32_t DeletePrinterDataKey(Printer printer, const std::string& keyName) override;
    std::uint32_t GetPrinterInfo(Printer printer, PrinterInfo2& info) override;
    std::uint32_t SetPrinterPort(Printer printer, const std::string& port) override;
    std::uint32_t DeletePrinter(Printer printer) override;
    std::uint32_t ClosePrinter(Printer printer) override;
    std::uint32_t RemoveDriver(const std::string& name, const std::string& environment) override;
    std::uint32_t RemoveMonitor(const std::string& name, const std::string& environment) override;
    std::uint32_t MonitorCommand(const std::string& monitor, const std::string& command,
                                 const std::vector<std::uint8_t>& input, std::uint32_t& status) override;
    std::optional<bool> SameNameIgnoringCase(const std::string& a, const std::string& b) override;
};

}  // namespace prinstall
