// The USB printing port over SetupAPI (loaded at run time from the system folder) and
// kernel32's overlapped file I/O. Each open device carries its own write and read events.
#pragma once

#include <windows.h>

#include "platform/usb_bus.h"

namespace prinstall {

class WinUsbBus : public UsbBus {
public:
    WinUsbBus() = default;
    ~WinUsbBus() override;
    WinUsbBus(const WinUsbBus&) = delete;
    WinUsbBus& operator=(const WinUsbBus&) = delete;

    bool LoadSetupApi() override;
    void UnloadSetupApi() override;
    std::uint32_t OpenUsbPrintInterfaces(InterfaceSet& set) override;
    Enumerated InterfacePath(InterfaceSet set, std::uint32_t index, std::string& path) override;
    void CloseInterfaces(InterfaceSet set) override;
    std::uint32_t Open(const std::string& path, bool overlapped, Device& device) override;
    void Close(Device device) override;
    Io Write(Device device, const std::uint8_t* data, std::uint32_t size, std::uint32_t& written) override;
    Io PollWrite(Device device, std::uint32_t& written) override;
    void CancelWrite(Device device) override;
    bool PendingInput(Device device, std::uint32_t& count) override;
    std::uint32_t Read(Device device, std::uint8_t* buffer, std::uint32_t capacity) override;
    void Purge(Device device) override;

private:
    // The four SetupAPI functions, taken from the library while it is loaded.
    HMODULE library_ = nullptr;
    FARPROC getClassDevs_ = nullptr;
    FARPROC enumInterfaces_ = nullptr;
    FARPROC getInterfaceDetail_ = nullptr;
    FARPROC destroyList_ = nullptr;
};

}  // namespace prinstall
