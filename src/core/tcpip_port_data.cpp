#include "core/tcpip_port_data.h"

namespace prinstall {
namespace {

void PutNumber(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Writes `text` as UTF-16LE with its ending zero into a field of `chars` characters. The
// names and addresses the program makes are plain ASCII (the command line lets nothing else
// through); anything else, or a text too long for the field, is refused.
bool PutText(std::vector<std::uint8_t>& out, std::size_t offset, std::size_t chars, const std::string& text) {
    if (text.size() >= chars) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0 || c > 0x7F) return false;
        out[offset + 2 * i] = c;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> AddPortData(const std::string& portName, const std::string& host, std::uint32_t portNumber) {
    std::vector<std::uint8_t> out(sizeof(PortData1Layout), 0);
    const bool fits = PutText(out, offsetof(PortData1Layout, portName), kPortNameChars, portName) &&
                      PutText(out, offsetof(PortData1Layout, hostAddress), kHostAddressChars, host) &&
                      PutText(out, offsetof(PortData1Layout, snmpCommunity), kCommunityChars, "public");
    if (!fits) return {};
    PutNumber(out, offsetof(PortData1Layout, version), 1);
    PutNumber(out, offsetof(PortData1Layout, protocol), kProtocolRawTcp);
    PutNumber(out, offsetof(PortData1Layout, size), sizeof(PortData1Layout));
    PutNumber(out, offsetof(PortData1Layout, portNumber), portNumber);
    PutNumber(out, offsetof(PortData1Layout, snmpDeviceIndex), 1);
    // sztIPAddress stays empty: the monitor takes the printer from sztHostAddress, an address
    // or a name alike, and a name must not be resolved once here and kept as an address.
    return out;
}

std::vector<std::uint8_t> DeletePortData(const std::string& portName) {
    std::vector<std::uint8_t> out(sizeof(DeletePortData1Layout), 0);
    if (!PutText(out, offsetof(DeletePortData1Layout, portName), kPortNameChars, portName)) return {};
    PutNumber(out, offsetof(DeletePortData1Layout, version), 1);
    return out;
}

bool MonitorDoesNotAnswer(std::uint32_t error) {
    switch (error) {
        case kErrorInvalidFunction:     // the monitor does not know the command
        case kErrorNotSupported:        // ... or has no such interface
        case kErrorCallNotImplemented:  // a winspool without XcvData
        case kErrorProcNotFound:        // ... or without OpenPrinter
        case kErrorUnknownPort:         // Wine, which has no such monitor (docs/wine.md)
        case kErrorInvalidPrinterName:  // Windows, for a name OpenPrinter does not know
        case kErrorInvalidName:
        case kErrorUnknownPrintMonitor:  // no monitor of that name
        case kErrorInvalidPrintMonitor:  // a monitor without the transceive functions
            return true;
        default: return false;
    }
}

MonitorAnswer AskTcpIpMonitor(Spooler& spooler, const std::string& command, const std::vector<std::uint8_t>& input,
                              std::uint32_t& error) {
    error = 0;
    // A text that did not fit the monitor's structure: the registry holds it.
    if (input.empty()) return MonitorAnswer::Unanswered;
    std::uint32_t status = 0;
    // OpenPrinter or XcvData failing, or the monitor's own status: only a monitor that is not
    // there or does not take the command leaves the port to the registry. Any other failure
    // (access denied, data the monitor refuses) is the monitor's answer: writing its key
    // behind its back and restarting the spooler would only hide it.
    if (std::uint32_t e = spooler.MonitorCommand(kStandardTcpIpMonitor, command, input, status); e != 0) {
        status = e;
    }
    if (status == 0) return MonitorAnswer::Done;
    error = status;
    return MonitorDoesNotAnswer(status) ? MonitorAnswer::Unanswered : MonitorAnswer::Refused;
}

}  // namespace prinstall
