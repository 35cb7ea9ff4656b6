// Print spooler port: the queue, driver, monitor and port calls the program makes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace prinstall {

// One local printer queue as the spooler lists it at level 2 (the fields the program reads).
struct PrinterInfo2 {
    std::string printerName;
    std::string portName;
    std::string driverName;

    bool operator==(const PrinterInfo2&) const = default;
};

class Spooler {
public:
    virtual ~Spooler() = default;

    // Lists the local printer queues. Returns 0 on success, otherwise the system error code of
    // the failed enumeration (the list is then empty).
    virtual std::uint32_t enumLocalPrinters(std::vector<PrinterInfo2>& out) = 0;

    // The printer-driver directory of the local machine for the caller's own environment.
    virtual std::uint32_t driverDirectory(std::string& out) = 0;
};

}  // namespace prinstall
