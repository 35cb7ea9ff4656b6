// The port and code page dialog's rules: which ports each printer interface offers, which
// picture it shows, the code page and processor lists in both languages, the Windows-family
// mark of the platform detection, and the port name and address the Install command reads.
//
// The dialog's window (port_info_dialog_win.h) only turns these into Win32 calls.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/interface_kind.h"
#include "core/texts.h"
#include "ports/ip_address_dialog.h"
#include "ui/dialog_view.h"

namespace prinstall {

// The seven interfaces the operator picks from, in the order of their radio buttons. The
// installation knows only four kinds of port (InterfaceKind); the table says which each
// choice installs as.
enum class InterfaceChoice : int { Serial, Bluetooth, Parallel, Usb, Ethernet, WiFi, DriverPort };

struct InterfaceInfo {
    InterfaceChoice choice;
    int radioId;
    int bitmapId;
    const char* portPrefix;  // system ports it offers: names starting with this ("" all, nullptr none)
    const char* fixedEntry;  // the entry it adds of its own, nullptr for none
    bool asksAddress;        // runs the IP address dialog
    int installsAs;          // its InterfaceKind; 0: the kind its port's name says
};

// The interface of a radio button, nullptr for an id that is none of the seven.
const InterfaceInfo* InterfaceForRadio(int radioId);
const InterfaceInfo& InterfaceInfoOf(InterfaceChoice choice);

// The port array of an interface from the system's ports in the spooler's order: the ports
// passing its filter (prefix compared case-sensitively), then its fixed entry.
std::vector<std::string> PortsForInterface(InterfaceChoice choice, const std::vector<std::string>& systemPorts);

// The printer code pages the operator can pick: 23 entries, in list order.
inline constexpr int kCodePageCount = 23;
extern const std::array<Text, kCodePageCount> kCodePageNames;
extern const std::array<int, kCodePageCount> kCodePageNumbers;

// Processor list entries, positioned by the processor numbering (0 x86, 1 x64, 2 Itanium).
extern const std::array<const char*, 3> kProcessorNames;

inline constexpr const char* kNetworkPortEntry = "TCP/IP";
inline constexpr const char* kUsbPortEntry = "USB";
inline constexpr const char* kItaniumNotSupported = "Itanium CPU is not supported";

// Why OK cannot be used now, for the line the dialog shows in its place.
enum class OkUnavailable { No, NoPort, NoAddress };
// That line in the dialog's language: empty for OkUnavailable::No.
const char* OkUnavailableText(OkUnavailable reason, Language language);

// What the rules need from the dialog's window.
class PortDialogView : public DialogView {
public:
    // Checks this radio button and clears every other one with an id from 1002 to 1048.
    virtual void CheckRadio(int id) = 0;

    // Drop-down lists by control id. A sorted list puts each entry in its own order.
    virtual void ListReset(int id) = 0;
    virtual void ListAdd(int id, const std::string& text) = 0;
    // Selects entry `index`; an index past the end leaves nothing selected.
    virtual void ListSelect(int id, int index) = 0;
    virtual int ListSelection(int id) = 0;                 // -1 when nothing is selected
    virtual std::string ListEntry(int id, int index) = 0;  // empty for no such entry

    // Puts the picture control in place of frame 1016 with this bitmap, scaled to fit.
    virtual void ShowPicture(int bitmapId) = 0;
    // Runs the IP address dialog modally; kDialogOk or kDialogCancel.
    virtual int RunIpAddressDialog() = 0;
};

class PortInfoDialog {
public:
    // `ip` is the state of the IP address dialog the port dialog owns.
    PortInfoDialog(Platform& platform, ProcessState& state, IpAddressDialog& ip, PortDialogView& view)
        : platform_(platform), state_(state), ip_(ip), view_(view) {}

    void OnInitDialog();
    // A click on one of the seven interface radio buttons.
    void OnInterface(int radioId);
    void OnSelchangeCodePage();
    void OnSelchangePort();
    // OK: true when the dialog may end with OK. It may not while no port is chosen (an
    // interface without ports), or while the network port has no confirmed address.
    bool OnOk();
    // Whether OK can be used now; the window enables the button by it.
    bool CanConfirm() const { return WhyOkUnavailable() == OkUnavailable::No; }
    OkUnavailable WhyOkUnavailable() const;

    // Results, read by the Install command after OK.
    const std::string& PortName() const { return portName_; }
    const std::string& IpAddressText() const { return ipAddressText_; }
    // The interface kind of the choice: the chosen interface's, and for "Printer Driver Port"
    // the kind its port's name says.
    int GetInterfaceKind() const;

private:
    void FillPortList(InterfaceChoice choice);
    void ChooseInterface(const InterfaceInfo& info);
    void UpdateOkButton();

    Platform& platform_;
    ProcessState& state_;
    IpAddressDialog& ip_;
    PortDialogView& view_;
    Language language_ = Language::English;
    InterfaceChoice interface_ = InterfaceChoice::Usb;
    std::string portName_;
    std::string ipAddressText_;
    OkUnavailable shownReason_ = OkUnavailable::No;  // the template's line is empty
};

}  // namespace prinstall
