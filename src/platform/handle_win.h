// One move-only owner for the handles the program acquires. Each kind names its close call
// and its invalid value(s); copying is a compile error, and the handle is released by the
// owner's destructor unless it was handed on with Release().
#pragma once

#include <windows.h>

#include <utility>

namespace prinstall {

template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Type Get() const { return h_; }
    explicit operator bool() const { return Traits::Valid(h_); }
    Type Release() { return std::exchange(h_, Traits::Invalid()); }
    // Closes the held handle; returns the close call's own result (TRUE when nothing was held).
    BOOL Reset(Type h = Traits::Invalid()) {
        BOOL ok = TRUE;
        if (Traits::Valid(h_)) ok = Traits::Close(h_);
        h_ = h;
        return ok;
    }
    // For calls that hand out a handle through a pointer.
    Type* Put() {
        Reset();
        return &h_;
    }

private:
    Type h_ = Traits::Invalid();
};

// Kernel objects: both NULL and INVALID_HANDLE_VALUE mean "none".
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static BOOL Close(Type h) { return CloseHandle(h); }
};

// ClosePrinter of the winspool the spooler adapter loads from the system folder (the program
// imports nothing from winspool); FALSE with 127 when that has no ClosePrinter.
BOOL ClosePrinterHandle(HANDLE printer);

struct PrinterHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static BOOL Close(Type h) { return ClosePrinterHandle(h); }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static BOOL Close(Type h) { return CloseServiceHandle(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static BOOL Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static BOOL Close(Type h) { return DeleteObject(h); }
};

struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static BOOL Close(Type h) { return DestroyIcon(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using PrinterHandle = UniqueHandle<PrinterHandleTraits>;
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using IconHandle = UniqueHandle<IconTraits>;

}  // namespace prinstall
