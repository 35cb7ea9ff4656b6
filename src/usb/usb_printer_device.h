// The program's one line to a USB label printer: finds a supported printer among the present
// interfaces of the USB printing class, opens it for overlapped I/O, reads the spooler port
// that Windows gave it, writes in 64-byte pieces with time limits, reads, reconnects from a
// worker thread after a failed write, and closes everything again.
//
// One object lives for the whole process. The user-interface thread and the reconnect
// worker share it; one lock serialises every touch of the device, the library and the two
// flags, and Close (or the destructor) stops a running worker and waits for it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/threads.h"
#include "platform/usb_bus.h"

namespace prinstall {

// The supported printers: interface paths that begin with one of these, exactly.
inline constexpr const char* kSupportedUsbPrinters[] = {
    "\\\\?\\usb#vid_0525&pid_a701",
    "\\\\?\\usb#vid_0525&pid_7d3c",
};
// Appended to the interface path when the device is opened for use.
inline constexpr char kUsbDeviceSuffix[] = "\\USB0/4";
// The room for a device path with that suffix and its terminating zero; longer interface
// paths are passed over.
inline constexpr std::size_t kUsbPathRoom = 256;

// Where Windows keeps the port number of a USB printing interface: this key, the interface
// path in registry form, then "\#\Device Parameters"; the value "Port Number".
inline constexpr char kUsbDeviceClassesKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\";
inline constexpr char kUsbDeviceParametersKey[] = "\\#\\Device Parameters";
inline constexpr char kUsbPortNumberValue[] = "Port Number";

// Write time limits: a pending piece may take this long (plus nothing per byte); one attempt
// window lasts as long.
inline constexpr std::uint32_t kUsbPieceLimitMs = 500;
inline constexpr std::uint32_t kUsbWindowMs = 500;
inline constexpr std::uint32_t kUsbPieceBytes = 64;
inline constexpr std::uint32_t kUsbPollMs = 10;
inline constexpr std::uint32_t kUsbReconnectPauseMs = 500;

// 1 on Windows 9x, 2 on Windows NT before 5.0, 0 otherwise (also when the version cannot be
// read). Those old systems take the first interface that opens, whatever its ids.
int IsLegacyWindows(SystemInfo& systemInfo);

// The registry form of a device path: every backslash becomes "#".
std::string UsbRegistryForm(std::string path);

class UsbPrinterDevice {
public:
    // Shows a message box without owner window: text, caption.
    using ShowMessageBox = std::function<void(const std::string& text, const std::string& caption)>;

    UsbPrinterDevice(UsbBus& bus, Registry& registry, SystemInfo& systemInfo, Clock& clock, DebugLog& debug,
                     ShowMessageBox messageBox);
    // Stops a running reconnect worker and lets go of the device and the library (nothing
    // is written).
    ~UsbPrinterDevice();
    UsbPrinterDevice(const UsbPrinterDevice&) = delete;
    UsbPrinterDevice& operator=(const UsbPrinterDevice&) = delete;

    // True when a supported printer is connected: it is then open, and UsbPortName() holds
    // "USB%03u" of its port number when the registry gave one (else it keeps its text).
    // False when no supported printer could be opened, or the library is missing. After
    // true the caller ends with Close().
    bool LookUpUsbPort();

    // Sends the bytes in pieces of 64 with the time limits above. True when every byte went
    // out without a failed piece. A failed piece, with the link up, hands the device to the
    // reconnect worker. False at once when not connected or while reconnecting.
    bool Write(const std::uint8_t* data, int length);
    // Bytes read, 0 when not connected or nothing is waiting.
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t capacity);
    // Writes one zero byte (which lets the library go when it goes out), stops a running
    // worker, purges and closes the device. Safe to call again.
    void Close();

    std::string UsbPortName() const;
    // For the tests: the state as the flags describe it.
    bool Connected() const;
    bool LinkUp() const;
    bool WorkerRunning() const;
    std::string DevicePath() const;  // the last interface that passed the id filter
    std::string KeyPath() const;     // the registry key the last lookup read

private:
    bool LoadSetupApi();
    void ReleaseSetupApi();
    UsbBus::Device FindInterface(std::string& path);
    UsbBus::Device OpenInterface(const std::string& path);
    bool ProbeInterface(std::string& path);
    bool OpenDevice();
    bool WriteLocked(const std::uint8_t* data, std::uint32_t length);
    UsbBus::Io AwaitPiece(std::uint32_t& written);
    void StartReconnect();
    void ReconnectWorker();
    std::uint32_t ReadLocked(std::uint8_t* buffer, std::uint32_t capacity);
    // Stops the worker, if one runs: the lock must be held on entry, and is held again on
    // return.
    void StopWorker(MutexLock& lock);

    UsbBus& bus_;
    Registry& registry_;
    SystemInfo& systemInfo_;
    Clock& clock_;
    DebugLog& debug_;
    ShowMessageBox messageBox_;

    mutable Mutex mutex_;
    bool libraryLoaded_ = false;
    UsbBus::Device device_ = 0;
    bool connected_ = false;
    bool linkUp_ = false;
    Thread worker_;
    bool workerDone_ = false;  // the worker has left its loop
    std::string devicePath_;
    std::string keyPath_;
    std::string usbPortName_;
};

}  // namespace prinstall
