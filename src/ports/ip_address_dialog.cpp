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

bool IsPrinterAddress(std::uint32_t address) { return address != 0 && (address >> 24) < 224; }

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
    const AddressFields fields = view.Address();
    addressText = FormatAddress(fields);
    if (registry_.ProbeKey(kStandardTcpIpPortsKey) == 0) {
        const std::uint32_t address = static_cast<std::uint32_t>(fields[0]) << 24 |
                                      static_cast<std::uint32_t>(fields[1]) << 16 |
                                      static_cast<std::uint32_t>(fields[2]) << 8 | fields[3];
        if (!IsPrinterAddress(address)) {
            view.AppMessageBox(kNoPrinterAddress.In(language_));
            return;
        }
        view.EndDialog(kDialogOk);
        return;
    }
    view.AppMessageBox(kNoStandardTcpIpPort.In(language_));
    view.EndDialog(kDialogCancel);
}

}  // namespace prinstall
