// What a front end does for the installation: the port choice, the USB search, the Standard
// TCP/IP port's values, and showing the run's state. The main dialog and the command line each
// give their own.
#pragma once

#include <cstdint>
#include <string>

#include "core/interface_kind.h"
#include "install/tcpip_port.h"

namespace prinstall {

// Where the printer is: what the port dialog (or the command line) hands back.
struct PortChoice {
    int interfaceKind = kInterfaceSerial;
    std::string portName;  // "COM1:", "LPT1:", "USB", "TCP/IP" or any port of the system
    std::string address;   // the printer's IP address text (or host name) for the network interfaces
    // The queue must be on this very port: when the spooler does not know it, the copy fails
    // rather than go to COM1:.
    bool exactPort = false;
    std::uint32_t portNumber = kRawPrintingPort;  // the network printer's raw printing port
};

// A copy just installed, and what the next one takes.
struct InstalledCopy {
    std::string queueName;
    std::string driverName;
    std::string nextQueueName;
    int labelDriverCount = 0;  // numbered label-printer queues now; -2 when they cannot be listed
};

// The steps a front end owns: the port choice, the USB search, the Standard TCP/IP port's
// values, and showing the run's state.
class InstallSteps {
public:
    virtual ~InstallSteps() = default;

    // A run starts and ends: dialogs made for one run live between these two calls.
    virtual void BeginRun() {}
    virtual void EndRun() {}
    // The printer's port; false when the operator cancelled.
    virtual bool ChoosePort(PortChoice& choice) = 0;
    // Waits for a USB label printer and finds its port. False at the failure end, which the
    // step has reported itself; the run then ends.
    virtual bool RunUsbStep(int& searchCounter) = 0;
    // Where the Standard TCP/IP port monitor does not answer through its own interface: writes
    // the port's values below its key and restarts the spooler. False when the run must stop
    // because the spooler did not run again to take the port up (the command line); the
    // dialogs go on, and a queue the spooler cannot put there goes to COM1:.
    virtual bool WriteTcpIpPortValues(const TcpIpPortSettings& settings) = 0;
    // The run is busy from the port choice until a copy is installed.
    virtual void SetBusy(bool) {}
    // A copy is installed.
    virtual void CopyInstalled(const InstalledCopy&) {}
    // A line of information for the command line's output and log; the dialogs leave it to
    // the debug output.
    virtual void Note(const std::string&) {}
};

}  // namespace prinstall
