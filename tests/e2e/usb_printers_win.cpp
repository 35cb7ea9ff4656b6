#include "usb_printers_win.h"

#include <fstream>
#include <iterator>

#include "platform/text_win.h"
#include "usb/usb_printer_device.h"

namespace e2e {
namespace {

using prinstall::kUsbPrintClassGuid;
using prinstall::Widen;

const std::string kClassKey = std::string("SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\") + kUsbPrintClassGuid;
const StandInPrinter kAll[] = {kFilePrinter, kSecondModel, kFullPrinter, kFifoPrinter, kForeignPrinter};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string InstanceKey(const StandInPrinter& p) {
    return "SYSTEM\\CurrentControlSet\\Enum\\USB\\" + Upper(p.vidPid) + "\\" + Upper(p.serial);
}

std::string InterfaceKey(const StandInPrinter& p) {
    return kClassKey + "\\" + prinstall::UsbRegistryForm(InterfacePath(p));
}

bool SetString(HKEY key, const char* name, const std::string& value) {
    const std::wstring v = Widen(value);
    return RegSetValueExW(key, Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const char* name, DWORD value) {
    return RegSetValueExW(key, Widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

// Creates the key and runs `write` on it.
template <class Write>
bool WithKey(const std::string& path, Write write) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Widen(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = write(key);
    RegCloseKey(key);
    return ok;
}

std::string FilePath(const StandInPrinter& p) { return std::string("C:\\usb\\") + p.serial; }

}  // namespace

std::string InterfacePath(const StandInPrinter& p) {
    return std::string("\\\\?\\usb#") + p.vidPid + "#" + p.serial + "#" + kUsbPrintClassGuid;
}

bool AttachPrinter(const StandInPrinter& p, std::optional<DWORD> portNumber) {
    const std::string instance = "USB\\" + Upper(p.vidPid) + "\\" + Upper(p.serial);
    const std::string iface = InterfaceKey(p);
    bool ok = WithKey(InstanceKey(p), [&](HKEY k) {
        return SetString(k, "ClassGUID", "{36fc9e60-c465-11cf-8056-444553540000}") &&
               SetString(k, "HardwareID", "USB\\" + Upper(p.vidPid)) &&
               SetString(k, "DeviceDesc", "USB Printing Support");
    });
    ok = ok && WithKey(iface, [&](HKEY k) { return SetString(k, "DeviceInstance", instance); });
    ok = ok && WithKey(iface + "\\#", [&](HKEY k) { return SetString(k, "SymbolicLink", InterfacePath(p)); });
    ok = ok && WithKey(iface + "\\#\\Control", [&](HKEY k) { return SetNumber(k, "Linked", 1); });
    ok = ok && WithKey(iface + "\\#\\Device Parameters",
                       [&](HKEY k) { return !portNumber || SetNumber(k, "Port Number", *portNumber); });
    return ok;
}

void DetachPrinter(const StandInPrinter& p) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, Widen(InterfaceKey(p)).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(InterfaceKey(p)).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, Widen(InstanceKey(p)).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(InstanceKey(p)).c_str());
}

void DetachAllPrinters() {
    for (const StandInPrinter& p : kAll) DetachPrinter(p);
}

std::vector<std::uint8_t> ReceivedBytes(const StandInPrinter& p) {
    std::ifstream in(FilePath(p), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ClearReceived(const StandInPrinter& p) { std::ofstream(FilePath(p), std::ios::binary | std::ios::trunc); }

std::uint32_t WineUsbBus::Open(const std::string& path, bool overlapped, Device& device) {
    std::string target = path;
    const std::string suffix = prinstall::kUsbDeviceSuffix;
    if (target.size() > suffix.size() && target.ends_with(suffix)) target.resize(target.size() - suffix.size());
    const std::uint32_t error = WinUsbBus::Open(target, overlapped, device);
    if (error == 0 && overlapped) ++deviceOpens;
    return error;
}

void WineUsbBus::CancelWrite(Device device) {
    ++cancels;
    WinUsbBus::CancelWrite(device);
}

}  // namespace e2e
