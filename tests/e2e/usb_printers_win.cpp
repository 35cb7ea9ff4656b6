#include "usb_printers_win.h"

#include <fstream>
#include <iterator>

#include "platform/text_win.h"
#include "usb/usb_printer_device.h"

namespace e2e {
namespace {

using prinstall::kUsbPrintClassGuid;
using prinstall::widen;

const std::string kClassKey = std::string("SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\") + kUsbPrintClassGuid;
const StandInPrinter kAll[] = {kFilePrinter, kSecondModel, kFullPrinter, kFifoPrinter, kForeignPrinter};

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string instanceKey(const StandInPrinter& p) {
    return "SYSTEM\\CurrentControlSet\\Enum\\USB\\" + upper(p.vidPid) + "\\" + upper(p.serial);
}

std::string interfaceKey(const StandInPrinter& p) {
    return kClassKey + "\\" + prinstall::UsbRegistryForm(interfacePath(p));
}

bool setString(HKEY key, const char* name, const std::string& value) {
    const std::wstring v = widen(value);
    return RegSetValueExW(key, widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool setNumber(HKEY key, const char* name, DWORD value) {
    return RegSetValueExW(key, widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

// Creates the key and runs `write` on it.
template <class Write>
bool withKey(const std::string& path, Write write) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, widen(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = write(key);
    RegCloseKey(key);
    return ok;
}

std::string filePath(const StandInPrinter& p) { return std::string("C:\\usb\\") + p.serial; }

}  // namespace

std::string interfacePath(const StandInPrinter& p) {
    return std::string("\\\\?\\usb#") + p.vidPid + "#" + p.serial + "#" + kUsbPrintClassGuid;
}

bool attachPrinter(const StandInPrinter& p, std::optional<DWORD> portNumber) {
    const std::string instance = "USB\\" + upper(p.vidPid) + "\\" + upper(p.serial);
    const std::string iface = interfaceKey(p);
    bool ok = withKey(instanceKey(p), [&](HKEY k) {
        return setString(k, "ClassGUID", "{36fc9e60-c465-11cf-8056-444553540000}") &&
               setString(k, "HardwareID", "USB\\" + upper(p.vidPid)) &&
               setString(k, "DeviceDesc", "USB Printing Support");
    });
    ok = ok && withKey(iface, [&](HKEY k) { return setString(k, "DeviceInstance", instance); });
    ok = ok && withKey(iface + "\\#", [&](HKEY k) { return setString(k, "SymbolicLink", interfacePath(p)); });
    ok = ok && withKey(iface + "\\#\\Control", [&](HKEY k) { return setNumber(k, "Linked", 1); });
    ok = ok && withKey(iface + "\\#\\Device Parameters",
                       [&](HKEY k) { return !portNumber || setNumber(k, "Port Number", *portNumber); });
    return ok;
}

void detachPrinter(const StandInPrinter& p) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, widen(interfaceKey(p)).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, widen(interfaceKey(p)).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, widen(instanceKey(p)).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, widen(instanceKey(p)).c_str());
}

void detachAllPrinters() {
    for (const StandInPrinter& p : kAll) detachPrinter(p);
}

std::vector<std::uint8_t> receivedBytes(const StandInPrinter& p) {
    std::ifstream in(filePath(p), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void clearReceived(const StandInPrinter& p) { std::ofstream(filePath(p), std::ios::binary | std::ios::trunc); }

std::uint32_t WineUsbBus::open(const std::string& path, bool overlapped, Device& device) {
    std::string target = path;
    const std::string suffix = prinstall::kUsbDeviceSuffix;
    if (target.size() > suffix.size() && target.ends_with(suffix)) target.resize(target.size() - suffix.size());
    const std::uint32_t error = WinUsbBus::open(target, overlapped, device);
    if (error == 0 && overlapped) ++deviceOpens;
    return error;
}

void WineUsbBus::cancelWrite(Device device) {
    ++cancels;
    WinUsbBus::cancelWrite(device);
}

}  // namespace e2e
