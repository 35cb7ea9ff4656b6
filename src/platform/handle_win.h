// One move-only owner for the handles the program acquires. Each kind names its close call
// and its invalid value(s); copying is a compile error, and the handle is released by the
// owner's destructor unless it was handed on with release().
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
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Type get() const { return h_; }
    explicit operator bool() const { return Traits::valid(h_); }
    Type release() { return std::exchange(h_, Traits::invalid()); }
    // Closes the held handle; returns the close call's own result (TRUE when nothing was held).
    BOOL reset(Type h = Traits::invalid()) {
        BOOL ok = TRUE;
        if (Traits::valid(h_)) ok = Traits::close(h_);
        h_ = h;
        return ok;
    }
    // For calls that hand out a handle through a pointer.
    Type* put() {
        reset();
        return &h_;
    }

private:
    Type h_ = Traits::invalid();
};

// Kernel objects: both NULL and INVALID_HANDLE_VALUE mean "none".
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static bool valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static BOOL close(Type h) { return CloseHandle(h); }
};

// ClosePrinter of the winspool the spooler adapter loads from the system folder (the program
// imports nothing from winspool); FALSE with 127 when that has no ClosePrinter.
BOOL closePrinterHandle(HANDLE printer);

struct PrinterHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static bool valid(Type h) { return h != nullptr; }
    static BOOL close(Type h) { return closePrinterHandle(h); }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type invalid() { return nullptr; }
    static bool valid(Type h) { return h != nullptr; }
    static BOOL close(Type h) { return CloseServiceHandle(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static bool valid(Type h) { return h != nullptr; }
    static BOOL close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type invalid() { return nullptr; }
    static bool valid(Type h) { return h != nullptr; }
    static BOOL close(Type h) { return DeleteObject(h); }
};

struct IconTraits {
    using Type = HICON;
    static Type invalid() { return nullptr; }
    static bool valid(Type h) { return h != nullptr; }
    static BOOL close(Type h) { return DestroyIcon(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using PrinterHandle = UniqueHandle<PrinterHandleTraits>;
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using IconHandle = UniqueHandle<IconTraits>;

}  // namespace prinstall
