#include "ports/ip_address_dialog.h"

#include "resource.h"

namespace prinstall {

std::string FormatAddress(const AddressFields& f) { return Format("%d.%d.%d.%d", f[0], f[1], f[2], f[3]); }

std::optional<std::uint32_t> ParseAddress(const std::string& text) {
    std::uint32_t address = 0;
    std::size_t pos = 0;
    for (int field = 0; field < 4; ++field) {
        if (field > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        const std::size_t start = pos;
        std::uint32_t value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
            value = value * 10 + static_cast<std::uint32_t>(text[pos] - '0');
            ++pos;
        }
        if (pos == start || value > 255) return std::nullopt;
        address = (address << 8) | value;
    }
    if (pos != text.size()) return std::nullopt;
    return address;
}

void IpAddressDialog::OnInitDialog(IpAddressView& view) {
    language_ = LanguageForCodePage(systemInfo_.AnsiCodePage());
    if (language_ == Language::Korean) {
        view.SetTitle(kIpAddressCaption.In(language_));
        view.SetItemText(IDC_IP_LABEL, kIpAddressLabel.In(language_));
        view.SetItemText(kDialogOk, kIpAddressOkButton.In(language_));
    }
    std::optional<std::uint32_t> offered;
    if (addressKnown) offered = ParseAddress(addressText);
    view.SetAddress(offered.value_or(kDefaultPrinterAddress));
}

void IpAddressDialog::OnOk(IpAddressView& view) {
    addressText = FormatAddress(view.Address());
    if (registry_.ProbeKey(kStandardTcpIpPortsKey) == 0) {
        view.EndDialog(kDialogOk);
        return;
    }
    view.AppMessageBox(kNoStandardTcpIpPort.In(language_));
    view.EndDialog(kDialogCancel);
}

}  // namespace prinstall
