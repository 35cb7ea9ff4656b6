// The spooler port over winspool's W functions.
#pragma once

#include "platform/spooler.h"

namespace prinstall {

class WinSpooler : public Spooler {
public:
    std::uint32_t enumLocalPrinters(std::vector<PrinterInfo2>& out) override;
    std::uint32_t driverDirectory(std::string& out) override;
};

}  // namespace prinstall
