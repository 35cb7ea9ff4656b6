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

    bool loadSetupApi() override;
    void unloadSetupApi() override;
    std::uint32_t openUsbPrintInterfaces(InterfaceSet& set) override;
    Enumerated interfacePath(InterfaceSet set, std::uint32_t index, std::string& path) override;
    void closeInterfaces(InterfaceSet set) override;
    std::uint32_t open(const std::string& path, bool overlapped, Device& device) override;
    void close(Device device) override;
    Io write(Device device, const std::uint8_t* data, std::uint32_t size, std::uint32_t& written) override;
    Io pollWrite(Device device, std::uint32_t& written) override;
    void cancelWrite(Device device) override;
    bool pendingInput(Device device, std::uint32_t& count) override;
    std::uint32_t read(Device device, std::uint8_t* buffer, std::uint32_t capacity) override;
    void purge(Device device) override;

private:
    // The four SetupAPI functions, taken from the library while it is loaded.
    HMODULE library_ = nullptr;
    FARPROC getClassDevs_ = nullptr;
    FARPROC enumInterfaces_ = nullptr;
    FARPROC getInterfaceDetail_ = nullptr;
    FARPROC destroyList_ = nullptr;
};

}  // namespace prinstall
