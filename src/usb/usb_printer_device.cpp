#include "usb/usb_printer_device.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/texts.h"

namespace prinstall {
namespace {

constexpr std::size_t kPrefixLength = 25;
// An interface set answers "no more items" after its last interface. One that keeps
// answering otherwise is given up here rather than walked for ever.
constexpr std::uint32_t kMaxInterfaceIndex = 256;
constexpr std::uint32_t kReconnectReadBytes = 256;

bool IsSupportedPrinter(const std::string& path) {
    if (path.size() < kPrefixLength) return false;
    for (const char* prefix : kSupportedUsbPrinters) {
        if (path.compare(0, kPrefixLength, prefix) == 0) return true;
    }
    return false;
}

bool FitsPathRoom(const std::string& path) { return path.size() + std::strlen(kUsbDeviceSuffix) + 1 <= kUsbPathRoom; }

}  // namespace

int IsLegacyWindows(SystemInfo& systemInfo) {
    VersionRecord version;
    if (!systemInfo.ReadVersion(version)) return 0;
    if (version.platformId == kPlatformWindows9x) return 1;
    if (version.platformId == kPlatformNT && version.major < 5) return 2;
    return 0;
}

std::string UsbRegistryForm(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '#');
    return path;
}

UsbPrinterDevice::UsbPrinterDevice(UsbBus& bus, Registry& registry, SystemInfo& systemInfo, Clock& clock,
                                   DebugLog& debug, ShowMessageBox messageBox)
    : bus_(bus),
      registry_(registry),
      systemInfo_(systemInfo),
      clock_(clock),
      debug_(debug),
      messageBox_(std::move(messageBox)) {}

UsbPrinterDevice::~UsbPrinterDevice() {
    MutexLock lock(mutex_);
    StopWorker(lock);
    if (device_ != 0) bus_.Close(std::exchange(device_, 0));
    if (libraryLoaded_) bus_.UnloadSetupApi();
}

bool UsbPrinterDevice::LookUpUsbPort() {
    MutexLock lock(mutex_);
    // Without the library no printer can be found: say so, rather than report a printer
    // that was never opened.
    if (!LoadSetupApi()) return false;
    if (!OpenDevice()) {
        ReleaseSetupApi();
        return false;
    }
    connected_ = true;

    keyPath_ = kUsbDeviceClassesKey + UsbRegistryForm(devicePath_) + kUsbDeviceParametersKey;
    Registry::Key key = 0;
    const std::uint32_t error = registry_.OpenKeyForReading(keyPath_, key);
    if (error != 0) {
        debug_.Output(Format("RegOpenKeyEx() Fail : GetLastError() =%u", error));
        return true;
    }
    std::uint32_t portNumber = 0;
    const bool read = registry_.QueryDword(key, kUsbPortNumberValue, portNumber) == 0;
    registry_.CloseKey(key);
    if (read) {
        usbPortName_ = Format("USB%03u", portNumber);
        debug_.Output("Connected USB Port Name");
        debug_.Output(usbPortName_);
    } else {
        // A modal box on this thread: the reconnect worker must not wait for it.
        lock.Unlock();
        messageBox_("Fail to Read USB Port Number", "RegQueryValueEx");
    }
    return true;
}

bool UsbPrinterDevice::Write(const std::uint8_t* data, int length) {
    MutexLock lock(mutex_);
    if (!connected_) return false;
    if (length <= 0) return true;
    return WriteLocked(data, static_cast<std::uint32_t>(length));
}

std::uint32_t UsbPrinterDevice::Read(std::uint8_t* buffer, std::uint32_t capacity) {
    MutexLock lock(mutex_);
    return ReadLocked(buffer, capacity);
}

void UsbPrinterDevice::Close() {
    MutexLock lock(mutex_);
    ReleaseSetupApi();
    const bool wasConnected = std::exchange(connected_, false);
    // A worker may be running after its reopening failed (connected 0) or with no device
    // at all: it is stopped in every case, never left behind.
    if (!wasConnected && !worker_.Joinable()) return;
    if (device_ != 0) {
        linkUp_ = true;
        bus_.Purge(device_);
    }
    StopWorker(lock);
    if (device_ != 0) bus_.Close(std::exchange(device_, 0));
}

std::string UsbPrinterDevice::UsbPortName() const {
    MutexLock lock(mutex_);
    return usbPortName_;
}

bool UsbPrinterDevice::Connected() const {
    MutexLock lock(mutex_);
    return connected_;
}

bool UsbPrinterDevice::LinkUp() const {
    MutexLock lock(mutex_);
    return linkUp_;
}

bool UsbPrinterDevice::WorkerRunning() const {
    MutexLock lock(mutex_);
    return worker_.Joinable() && !workerDone_;
}

std::string UsbPrinterDevice::DevicePath() const {
    MutexLock lock(mutex_);
    return devicePath_;
}

std::string UsbPrinterDevice::KeyPath() const {
    MutexLock lock(mutex_);
    return keyPath_;
}

// Everything below runs with the lock held.

bool UsbPrinterDevice::LoadSetupApi() {
    if (!libraryLoaded_) libraryLoaded_ = bus_.LoadSetupApi();
    return libraryLoaded_;
}

void UsbPrinterDevice::ReleaseSetupApi() {
    if (!libraryLoaded_) return;
    // The library goes only once a zero byte reached the printer. Otherwise it stays loaded,
    // and known as loaded, so that the next lookup does not load it once more.
    const std::uint8_t zero = 0;
    if (!WriteLocked(&zero, 1)) return;
    bus_.UnloadSetupApi();
    libraryLoaded_ = false;
}

UsbBus::Device UsbPrinterDevice::OpenInterface(const std::string& path) {
    UsbBus::Device device = 0;
    if (IsLegacyWindows(systemInfo_) != 0) {
        bus_.Open(path, false, device);
        return device;
    }
    if (!IsSupportedPrinter(path)) return 0;
    devicePath_ = path;
    bus_.Open(path, false, device);
    return device;
}

UsbBus::Device UsbPrinterDevice::FindInterface(std::string& path) {
    UsbBus::InterfaceSet set = 0;
    // Without a set there is nothing to walk: every index would fail the same way.
    if (bus_.OpenUsbPrintInterfaces(set) != 0 || set == 0) return 0;
    UsbBus::Device found = 0;
    for (std::uint32_t index = 0; index < kMaxInterfaceIndex && found == 0; ++index) {
        std::string candidate;
        const UsbBus::Enumerated answer = bus_.InterfacePath(set, index, candidate);
        if (answer == UsbBus::Enumerated::NoMoreItems) break;
        if (answer == UsbBus::Enumerated::Skipped || !FitsPathRoom(candidate)) continue;
        path = candidate;
        found = OpenInterface(candidate);
    }
    bus_.CloseInterfaces(set);
    return found;
}

bool UsbPrinterDevice::ProbeInterface(std::string& path) {
    const UsbBus::Device device = FindInterface(path);
    if (device == 0) return false;
    bus_.Close(device);
    return true;
}

bool UsbPrinterDevice::OpenDevice() {
    std::string path;
    if (!ProbeInterface(path)) return false;
    path += kUsbDeviceSuffix;
    if (device_ != 0) bus_.Close(std::exchange(device_, 0));
    UsbBus::Device device = 0;
    if (bus_.Open(path, true, device) != 0) return false;
    device_ = device;
    return device_ != 0;
}

bool UsbPrinterDevice::WriteLocked(const std::uint8_t* data, std::uint32_t length) {
    if (!connected_) return false;
    if (length == 0) return true;
    // While reconnecting the worker holds the line; there is no device to write to.
    if (device_ == 0) return false;
    std::uint32_t done = 0;
    while (done < length) {
        const std::uint32_t windowStart = clock_.TickCount();
        std::uint32_t sent = 0;
        for (;;) {
            const std::uint32_t piece = std::min(kUsbPieceBytes, length - done - sent);
            std::uint32_t written = 0;
            UsbBus::Io io = bus_.Write(device_, data + done + sent, piece, written);
            if (io == UsbBus::Io::Pending) io = AwaitPiece(written);
            if (io == UsbBus::Io::Failed) {
                // The write has failed whatever follows; retrying on a device that the
                // worker is about to reopen would only race with it.
                StartReconnect();
                return false;
            }
            sent += std::min(written, piece);
            if (done + sent == length) break;
            clock_.Sleep(kUsbPollMs);
            if (clock_.TickCount() - windowStart >= kUsbWindowMs) break;
        }
        // A device that takes no byte for a whole window would keep the caller for ever.
        if (sent == 0) return false;
        done += sent;
    }
    return true;
}

UsbBus::Io UsbPrinterDevice::AwaitPiece(std::uint32_t& written) {
    const std::uint32_t start = clock_.TickCount();
    for (;;) {
        const UsbBus::Io io = bus_.PollWrite(device_, written);
        if (io != UsbBus::Io::Pending) return io;
        if (clock_.TickCount() - start > kUsbPieceLimitMs) {
            bus_.CancelWrite(device_);
            return UsbBus::Io::Failed;
        }
        clock_.Sleep(kUsbPollMs);
    }
}

void UsbPrinterDevice::StartReconnect() {
    if (!connected_ || !linkUp_) return;
    bus_.Close(std::exchange(device_, 0));
    linkUp_ = false;
    // A worker that brought the link up before has ended its last locked step: it only
    // returns from here on, so joining it under the lock is safe.
    if (worker_.Joinable()) worker_.Join();
    workerDone_ = false;
    if (!worker_.Start([this] { ReconnectWorker(); })) {
        connected_ = false;  // no worker: the device is simply closed
    }
}

void UsbPrinterDevice::ReconnectWorker() {
    MutexLock lock(mutex_);
    while (!linkUp_) {
        std::uint8_t discard[kReconnectReadBytes] = {};
        ReadLocked(discard, sizeof discard);
        lock.Unlock();
        clock_.Sleep(kUsbReconnectPauseMs);
        lock.Lock();
        if (linkUp_) break;  // Close asked the worker to stop while it slept
        connected_ = OpenDevice();
        if (connected_) linkUp_ = true;
    }
    workerDone_ = true;
}

std::uint32_t UsbPrinterDevice::ReadLocked(std::uint8_t* buffer, std::uint32_t capacity) {
    if (!connected_ || device_ == 0) return 0;
    std::uint32_t waiting = 0;
    if (!bus_.PendingInput(device_, waiting) || waiting == 0) return 0;
    return bus_.Read(device_, buffer, capacity);
}

void UsbPrinterDevice::StopWorker(MutexLock& lock) {
    if (!worker_.Joinable()) return;
    linkUp_ = true;
    Thread worker = std::move(worker_);
    lock.Unlock();
    worker.Join();
    lock.Lock();
}

}  // namespace prinstall
