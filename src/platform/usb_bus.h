// USB printing port: the device-installation library (looked up at run time), the present
// device interfaces of the USB printing class, and device files opened for overlapped I/O
// with one write and one read in flight at most.
//
// One caller at a time: the USB printer device serialises every call (the reconnect worker
// included), so an implementation needs no locking of its own.
#pragma once

#include <cstdint>
#include <string>

namespace prinstall {

// The USB printing device interface class (usbprint), in the form Windows writes in paths
// and registry keys.
inline constexpr char kUsbPrintClassGuid[] = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

class UsbBus {
public:
    using InterfaceSet = std::uintptr_t;  // 0 is never a valid set
    using Device = std::uintptr_t;        // 0 is never a valid device

    // How one index of an interface set answered.
    enum class Enumerated { Found, NoMoreItems, Skipped };
    // How an overlapped transfer stands.
    enum class Io { Done, Pending, Failed };

    virtual ~UsbBus() = default;

    // Loads the device-installation library and takes its enumeration functions; true when
    // the library is (already) loaded with all of them. Without all of them nothing stays
    // loaded.
    virtual bool LoadSetupApi() = 0;
    virtual void UnloadSetupApi() = 0;

    // The present interfaces of the USB printing class. 0 on success, else the error.
    virtual std::uint32_t OpenUsbPrintInterfaces(InterfaceSet& set) = 0;
    // The device path of the interface at `index`. Skipped: that index could not be read
    // (its path is not set), the next one may.
    virtual Enumerated InterfacePath(InterfaceSet set, std::uint32_t index, std::string& path) = 0;
    virtual void CloseInterfaces(InterfaceSet set) = 0;

    // Opens a device path for reading and writing, without sharing. 0 on success, else the
    // error.
    virtual std::uint32_t Open(const std::string& path, bool overlapped, Device& device) = 0;
    virtual void Close(Device device) = 0;

    // Starts writing `size` bytes; Done gives the bytes taken in `written`. Pending: the
    // bytes must stay untouched until PollWrite says Done or Failed, or CancelWrite returned.
    virtual Io Write(Device device, const std::uint8_t* data, std::uint32_t size, std::uint32_t& written) = 0;
    // Looks at the pending write without waiting.
    virtual Io PollWrite(Device device, std::uint32_t& written) = 0;
    // Cancels the pending write and returns once the device has let go of it.
    virtual void CancelWrite(Device device) = 0;

    // Bytes waiting to be read; false when the device cannot tell.
    virtual bool PendingInput(Device device, std::uint32_t& count) = 0;
    // Reads up to `capacity` bytes, waiting for a pending read to end; the bytes read (0 on
    // failure, after clearing the device's error state).
    virtual std::uint32_t Read(Device device, std::uint8_t* buffer, std::uint32_t capacity) = 0;
    // Aborts and discards the device's pending transfers.
    virtual void Purge(Device device) = 0;
};

}  // namespace prinstall
