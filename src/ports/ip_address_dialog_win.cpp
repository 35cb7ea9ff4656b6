#include "ports/ip_address_dialog_win.h"

#include <commctrl.h>

#include "ui/dialog_win.h"
#include "resource.h"

namespace prinstall {

IpAddressDialogWin::IpAddressDialogWin(SystemInfo& systemInfo, Registry& registry)
    : ViewDialog(IDD_IP_ADDRESS), rules_(systemInfo, registry) {}

int IpAddressDialogWin::Run(HWND owner) { return static_cast<int>(RunModal(owner)); }

BOOL IpAddressDialogWin::OnInit() {
    rules_.OnInitDialog(*this);
    return TRUE;  // the dialog manager sets the default focus
}

void IpAddressDialogWin::SetAddress(std::uint32_t address) {
    SendDlgItemMessageW(Hwnd(), IDC_IP_ADDRESS, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

AddressFields IpAddressDialogWin::Address() {
    // Blank fields read as 0; the message's count of filled fields is not needed.
    DWORD packed = 0;
    SendDlgItemMessageW(Hwnd(), IDC_IP_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
    return {static_cast<std::uint8_t>(FIRST_IPADDRESS(packed)), static_cast<std::uint8_t>(SECOND_IPADDRESS(packed)),
            static_cast<std::uint8_t>(THIRD_IPADDRESS(packed)), static_cast<std::uint8_t>(FOURTH_IPADDRESS(packed))};
}

}  // namespace prinstall
