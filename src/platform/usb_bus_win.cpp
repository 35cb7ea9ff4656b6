#include "platform/usb_bus_win.h"

#include <setupapi.h>

#include <vector>

#include "platform/size_then_fill.h"
#include "platform/system_library_win.h"
#include "platform/text_win.h"

namespace prinstall {
namespace {

const GUID kUsbPrintClass = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

using GetClassDevsFn = decltype(&SetupDiGetClassDevsW);
using EnumInterfacesFn = decltype(&SetupDiEnumDeviceInterfaces);
using GetInterfaceDetailFn = decltype(&SetupDiGetDeviceInterfaceDetailW);
using DestroyListFn = decltype(&SetupDiDestroyDeviceInfoList);

template <class Function>
Function As(FARPROC proc) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
}

// One open device file. Overlapped devices carry an auto-reset event for the write and a
// manual-reset one for the read, each with its overlapped structure, for as long as the file
// is open.
struct DeviceFile {
    HANDLE file = INVALID_HANDLE_VALUE;
    bool overlapped = false;
    HANDLE writeEvent = nullptr;
    HANDLE readEvent = nullptr;
    OVERLAPPED write{};
    OVERLAPPED read{};
    bool writePending = false;
    // Where the next write goes. A printer ignores the offset; a file (as a test stands one
    // in for the printer) takes the pieces one after the other instead of over each other.
    ULONGLONG offset = 0;
};

DeviceFile* FileOf(UsbBus::Device device) { return reinterpret_cast<DeviceFile*>(device); }

std::uint32_t LastError(DWORD fallback) {
    const DWORD e = GetLastError();
    return e != 0 ? e : fallback;
}

void ClearDeviceError(HANDLE file) {
    DWORD errors = 0;
    COMSTAT status{};
    ClearCommError(file, &errors, &status);
}

}  // namespace

WinUsbBus::~WinUsbBus() { UnloadSetupApi(); }

bool WinUsbBus::LoadSetupApi() {
    if (library_ != nullptr) return true;
    // From the system folder only: never a file of that name beside the program. SETUPAPI.DLL
    // is a known DLL on current Windows, but not on every system this program runs on.
    library_ = LoadSystemLibrary(L"setupapi.dll");
    if (library_ == nullptr) return false;
    enumInterfaces_ = GetProcAddress(library_, "SetupDiEnumDeviceInterfaces");
    destroyList_ = GetProcAddress(library_, "SetupDiDestroyDeviceInfoList");
    getClassDevs_ = GetProcAddress(library_, "SetupDiGetClassDevsW");
    getInterfaceDetail_ = GetProcAddress(library_, "SetupDiGetDeviceInterfaceDetailW");
    if (enumInterfaces_ && destroyList_ && getClassDevs_ && getInterfaceDetail_) return true;
    UnloadSetupApi();
    return false;
}

void WinUsbBus::UnloadSetupApi() {
    if (library_ != nullptr) FreeLibrary(library_);
    library_ = nullptr;
    getClassDevs_ = enumInterfaces_ = getInterfaceDetail_ = destroyList_ = nullptr;
}

std::uint32_t WinUsbBus::OpenUsbPrintInterfaces(InterfaceSet& set) {
    set = 0;
    if (library_ == nullptr) return ERROR_DLL_INIT_FAILED;
    HDEVINFO info =
        As<GetClassDevsFn>(getClassDevs_)(&kUsbPrintClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (info == INVALID_HANDLE_VALUE) return LastError(ERROR_INVALID_HANDLE);
    set = reinterpret_cast<InterfaceSet>(info);
    return 0;
}

UsbBus::Enumerated WinUsbBus::InterfacePath(InterfaceSet set, std::uint32_t index, std::string& path) {
    if (library_ == nullptr || set == 0) return Enumerated::Skipped;
    HDEVINFO info = reinterpret_cast<HDEVINFO>(set);
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!As<EnumInterfacesFn>(enumInterfaces_)(info, nullptr, &kUsbPrintClass, index, &interfaceData))
        return GetLastError() == ERROR_NO_MORE_ITEMS ? Enumerated::NoMoreItems : Enumerated::Skipped;

    auto detailOf = As<GetInterfaceDetailFn>(getInterfaceDetail_);
    std::vector<BYTE> buffer;
    const std::uint32_t error =
        SizeThenFill(buffer, sizeof(wchar_t), [&](BYTE* data, std::uint32_t size, std::uint32_t& needed) {
            // The record's fixed part must fit before the call may be given it.
            if (data != nullptr && size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
                return std::uint32_t{ERROR_INVALID_DATA};
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(data);
            // The size of the fixed part of the record: 6 bytes on 32-bit Windows.
            if (detail != nullptr) detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
            DWORD n = 0;
            const BOOL ok = detailOf(info, &interfaceData, detail, size, &n, nullptr);
            const std::uint32_t failure = ok ? 0 : LastError(ERROR_INVALID_DATA);
            needed = n;
            return failure;
        });
    if (error != 0) return Enumerated::Skipped;
    const auto* detail = reinterpret_cast<const SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    path = Narrow(detail->DevicePath);
    return Enumerated::Found;
}

void WinUsbBus::CloseInterfaces(InterfaceSet set) {
    if (set != 0 && destroyList_ != nullptr) As<DestroyListFn>(destroyList_)(reinterpret_cast<HDEVINFO>(set));
}

std::uint32_t WinUsbBus::Open(const std::string& path, bool overlapped, Device& device) {
    device = 0;
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError(ERROR_INVALID_HANDLE);
    auto* f = new DeviceFile;
    f->file = file;
    f->overlapped = overlapped;
    if (overlapped) {
        f->writeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        f->readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (f->writeEvent == nullptr || f->readEvent == nullptr) {
            const std::uint32_t error = LastError(ERROR_NOT_ENOUGH_MEMORY);
            Close(reinterpret_cast<Device>(f));
            return error;
        }
    }
    device = reinterpret_cast<Device>(f);
    return 0;
}

void WinUsbBus::Close(Device device) {
    DeviceFile* f = FileOf(device);
    if (f == nullptr) return;
    if (f->writePending) CancelWrite(device);
    CloseHandle(f->file);
    if (f->writeEvent != nullptr) CloseHandle(f->writeEvent);
    if (f->readEvent != nullptr) CloseHandle(f->readEvent);
    delete f;
}

UsbBus::Io WinUsbBus::Write(Device device, const std::uint8_t* data, std::uint32_t size, std::uint32_t& written) {
    written = 0;
    DeviceFile* f = FileOf(device);
    if (f == nullptr) return Io::Failed;
    DWORD n = 0;
    if (!f->overlapped) {
        if (!WriteFile(f->file, data, size, &n, nullptr)) return Io::Failed;
        written = n;
        return Io::Done;
    }
    ResetEvent(f->writeEvent);
    f->write = OVERLAPPED{};
    f->write.hEvent = f->writeEvent;
    f->write.Offset = static_cast<DWORD>(f->offset);
    f->write.OffsetHigh = static_cast<DWORD>(f->offset >> 32);
    if (WriteFile(f->file, data, size, &n, &f->write)) {
        f->offset += n;
        written = n;
        return Io::Done;
    }
    if (GetLastError() != ERROR_IO_PENDING) return Io::Failed;
    f->writePending = true;
    return Io::Pending;
}

UsbBus::Io WinUsbBus::PollWrite(Device device, std::uint32_t& written) {
    written = 0;
    DeviceFile* f = FileOf(device);
    if (f == nullptr || !f->writePending) return Io::Failed;
    DWORD n = 0;
    if (GetOverlappedResult(f->file, &f->write, &n, FALSE)) {
        f->writePending = false;
        f->offset += n;
        written = n;
        return Io::Done;
    }
    if (GetLastError() == ERROR_IO_INCOMPLETE) return Io::Pending;
    f->writePending = false;
    return Io::Failed;
}

void WinUsbBus::CancelWrite(Device device) {
    DeviceFile* f = FileOf(device);
    if (f == nullptr || !f->writePending) return;
    // CancelIo only asks; the structure and the bytes belong to the device until the request
    // has really ended, so wait for that before they are used again or freed.
    CancelIo(f->file);
    DWORD n = 0;
    GetOverlappedResult(f->file, &f->write, &n, TRUE);
    f->writePending = false;
}

bool WinUsbBus::PendingInput(Device device, std::uint32_t& count) {
    count = 0;
    DeviceFile* f = FileOf(device);
    if (f == nullptr) return false;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(f->file, &errors, &status)) return false;
    count = status.cbInQue;
    return true;
}

std::uint32_t WinUsbBus::Read(Device device, std::uint8_t* buffer, std::uint32_t capacity) {
    DeviceFile* f = FileOf(device);
    if (f == nullptr) return 0;
    DWORD n = 0;
    if (!f->overlapped) {
        if (ReadFile(f->file, buffer, capacity, &n, nullptr)) return n;
        ClearDeviceError(f->file);
        return 0;
    }
    f->read = OVERLAPPED{};
    f->read.hEvent = f->readEvent;
    if (ReadFile(f->file, buffer, capacity, &n, &f->read)) return n;
    if (GetLastError() != ERROR_IO_PENDING) {
        ClearDeviceError(f->file);
        return 0;
    }
    if (GetOverlappedResult(f->file, &f->read, &n, TRUE)) return n;
    if (GetLastError() != ERROR_IO_INCOMPLETE) ClearDeviceError(f->file);
    return n;
}

void WinUsbBus::Purge(Device device) {
    DeviceFile* f = FileOf(device);
    if (f != nullptr) PurgeComm(f->file, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

}  // namespace prinstall
