// The spooler port over winspool's W functions.
#pragma once

#include "platform/spooler.h"

namespace prinstall {

class WinSpooler : public Spooler {
public:
    std::uint32_t enumLocalPrinters(std::vector<PrinterInfo2>& out) override;
};

}  // namespace prinstall
