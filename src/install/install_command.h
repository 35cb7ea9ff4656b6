// The Installation button: asks once for the printer's interface and port, prepares the port
// once (USB search or Standard TCP/IP port), then installs each copy (queue name check,
// Windows family check, port monitor, staging, registration) and reports the outcome.
#pragma once

#include <optional>
#include <string>

#include "app/main_dialog.h"
#include "install/port_monitor.h"
#include "install/registration.h"
#include "install/staging.h"

namespace prinstall {

// What the port dialog hands back when confirmed.
struct PortChoice {
    std::string portName;  // "COM1:", "LPT1:", "USB", "TCP/IP" or any port of the system
    std::string address;   // the printer's IP address text for the network interfaces
};

// The interactive and system steps that the install command orders but does not own: the
// Win32 side implements them with its dialogs, tests with scripts.
class InstallSteps {
public:
    virtual ~InstallSteps() = default;

    // A run starts and ends: dialogs made for one run live between these two calls.
    virtual void beginRun() {}
    virtual void endRun() {}
    // The port and code page dialog; true when confirmed with OK.
    virtual bool runPortDialog(PortChoice& choice) = 0;
    // Waits for a USB label printer and finds its port. False at the failure end, which the
    // step reports itself (its OK ends the program); the run then ends.
    virtual bool runUsbStep(int& searchCounter) = 0;
    // Writes the Standard TCP/IP port's values below its key and restarts the spooler.
    virtual void writeTcpIpPortValues(const std::string& portName, const std::string& address,
                                      const std::string& portKey) = 0;
};

// The interface kind of a port name: COM serial, LPT parallel, USB, TCP/IP; anything else
// counts as serial.
int InterfaceKindOf(const std::string& portName);

// -1 when a local queue has this name (letter case aside, as the spooler compares them), 0
// when none has, -2 when the queues cannot be listed.
int PrinterNameExists(Spooler& spooler, const std::string& name);

// The message refusing a queue name the spooler cannot hold; nothing for a good name.
std::optional<Text> QueueNameRefusal(const std::string& name);

class InstallCommand {
public:
    InstallCommand(MainDialog& dialog, InstallSteps& steps) : dialog_(dialog), steps_(steps) {}

    void Run();

private:
    // Reports a failure in the result dialog; OK there ends the program.
    void Fail(const std::string& text);
    // Reports a failed copy: as Fail, and otherwise the Installation button reads
    // "Add new printer".
    void FailCopy(const std::string& text);
    // Takes back what a failed copy left: its driver (when registered) and its numbered files.
    void RollBackCopy(const RegistrationSettings& settings, bool driverRegistered);
    bool InstallCopy(const std::string& queueName, bool& portPrepared, PortChoice& choice, int& searchCounter,
                     RegistrationSettings& settings);

    MainDialog& dialog_;
    InstallSteps& steps_;
};

}  // namespace prinstall
