// The IP address dialog's rules: it offers the address confirmed last time (or a default),
// turns the four fields of the address control into dotted text on OK, and lets OK through
// only when the Standard TCP/IP port monitor's key is there to write to.
//
// The port dialog owns one for its whole life, so an address confirmed once is offered again.
// The dialog's window (ip_address_dialog_win.h) only turns these into Win32 calls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/texts.h"
#include "platform/registry.h"
#include "ui/dialog_view.h"
#include "platform/system_info.h"

namespace prinstall {

// Offered when no address was confirmed yet: 192.168.0.192, in host byte order.
inline constexpr std::uint32_t kDefaultPrinterAddress = 0xC0A800C0;

// The key whose presence shows that Windows has its Standard TCP/IP port monitor. It names
// control set 001 itself; the port is later written under the current control set.
inline constexpr const char* kStandardTcpIpPortsKey =
    "SYSTEM\\ControlSet001\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

inline constexpr const Text kIpAddressCaption{"Printer IP Address", "프린터 IP 주소 설정"};
inline constexpr const Text kIpAddressLabel{"IP Address : ", "IP 주소 : "};
inline constexpr const Text kIpAddressOkButton{"OK", "확인"};
inline constexpr const Text kNoStandardTcpIpPort{
    "Standard TCP/IP Port not installed\nPlease Install Standard TCP/IP Port",
    "Standard TCP/IP Port가 설치되어 있지 않습니다.\nStandard TCP/IP Port를 추가해 주십시오."};

inline constexpr const Text kNoPrinterAddress{
    "This address cannot be a printer's: 0.0.0.0, 255.255.255.255 and the addresses from 224.0.0.0 up name no one "
    "device. Enter the printer's own IP address.",
    "프린터 주소로 쓸 수 없는 주소입니다: 0.0.0.0, 255.255.255.255 및 224.0.0.0 이상의 주소는 한 장치를 가리키지 "
    "않습니다. 프린터의 IP 주소를 입력하십시오."};

// The four fields of an address, first field first (the most significant byte).
using AddressFields = std::array<std::uint8_t, 4>;

// "a.b.c.d" from the four fields.
std::string FormatAddress(const AddressFields& fields);

// Dotted decimal text of four fields 0 to 255 in host byte order; nothing for any other text.
std::optional<std::uint32_t> ParseAddress(const std::string& text);

// Whether an address (host byte order) can be one printer's: not 0.0.0.0, and not from
// 224.0.0.0 up (multicast 224-239, reserved 240-255 with the broadcast 255.255.255.255).
// The command line's /ip: follows the same rule.
bool IsPrinterAddress(std::uint32_t address);

// What the rules need from the dialog's window.
class IpAddressView : public DialogView {
public:
    // The address control's four fields, host byte order.
    virtual void SetAddress(std::uint32_t address) = 0;
    // The address control's four fields, a blank field as 0.
    virtual AddressFields Address() = 0;
};

class IpAddressDialog {
public:
    IpAddressDialog(SystemInfo& systemInfo, Registry& registry) : systemInfo_(systemInfo), registry_(registry) {}

    // The dotted address written on OK; the owner reads it after OK and sets it back
    // through addressKnown to have it offered again.
    std::string addressText;
    // Set by the owner: true once it took an address from this dialog.
    bool addressKnown = false;

    void OnInitDialog(IpAddressView& view);
    // Ends the dialog with OK when the monitor's key opens, else with Cancel after a message;
    // an address that cannot be a printer's is refused with a message and the dialog stays.
    void OnOk(IpAddressView& view);

private:
    SystemInfo& systemInfo_;
    Registry& registry_;
    Language language_ = Language::English;
};

}  // namespace prinstall
