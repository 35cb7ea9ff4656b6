// A USB printing bus in memory: the present interfaces of the class, device files that take
// the bytes written to them, writes that complete, stay pending or fail as a test scripts
// them. Safe to share with the reconnect worker: every call takes the bus's lock, and a
// test changes or reads the bus through With() while a worker may run.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/usb_bus.h"

namespace prinstall::fakes {

class FakeUsbBus : public UsbBus {
public:
    // How the next write call answers. Pending completes after `pendingPolls` polls (-1:
    // never). The device takes at most `accept` bytes of a piece.
    struct WriteAnswer {
        Io io = Io::Done;
        std::uint32_t accept = std::numeric_limits<std::uint32_t>::max();
        int pendingPolls = 0;
        bool failsWhenDone = false;  // a pending write ends in failure, the bytes not taken
    };
    struct OpenCall {
        std::string path;
        bool overlapped = false;
        bool opened = false;
    };

    // State a test sets up.
    std::vector<std::string> interfaces;   // present interfaces, in enumeration order
    bool libraryPresent = true;            // the library with its four functions
    std::uint32_t interfacesError = 0;     // the interface set cannot be made
    std::uint32_t openError = 0;           // every device file refuses to open (32: held elsewhere)
    bool endless = false;                  // past the list every index is Skipped
    std::deque<WriteAnswer> writeAnswers;  // without any, every piece goes out whole
    std::uint32_t inputWaiting = 0;        // bytes an open device has for reading (0: it cannot tell)
    bool readFails = false;                // reads fail (a device error, cleared as the read ends)

    // What the program did.
    int loads = 0;
    int unloads = 0;
    int interfaceSets = 0;
    int enumerations = 0;  // InterfacePath calls
    std::vector<OpenCall> opens;
    std::vector<std::uint32_t> pieces;                          // size of every write call
    std::map<std::string, std::vector<std::uint8_t>> received;  // bytes taken, by path as opened
    int cancels = 0;
    int reads = 0;  // Read calls

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
    // Without `inputWaiting`, like a USB printer, the devices cannot tell what input waits.
    bool PendingInput(Device device, std::uint32_t& count) override;
    // Reads zeros from the waiting input; 0 on a failed read, the input still waiting.
    std::uint32_t Read(Device device, std::uint8_t* buffer, std::uint32_t capacity) override;
    void Purge(Device) override {}

    bool Loaded() const;
    std::size_t OpenDevices() const;  // device files not closed yet
    std::size_t OpenSets() const;     // interface sets not closed yet
    std::vector<std::uint8_t> Bytes(const std::string& path) const;

    // Runs `f` under the bus's lock (for tests while a worker may call the bus).
    template <class F>
    auto With(F f) {
        std::lock_guard lock(mutex_);
        return f();
    }
    // Waits until `condition` (run under the bus's lock) holds, for at most ten seconds;
    // false when it never did.
    bool WaitFor(const std::function<bool()>& condition);

private:
    struct File {
        std::string path;
        bool hasPending = false;
        std::vector<std::uint8_t> pendingBytes;
        int pollsLeft = 0;
        bool failsWhenDone = false;
    };
    void Changed() { signal_.notify_all(); }

    mutable std::mutex mutex_;
    std::condition_variable signal_;
    bool loaded_ = false;
    std::map<InterfaceSet, bool> sets_;
    InterfaceSet nextSet_ = 0x40;
    std::map<Device, File> files_;
    Device nextDevice_ = 0x80;
};

// A clock that two threads may share: time moves only when someone sleeps.
class FakeSharedClock : public Clock {
public:
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t TickCount() override;
    std::string LocalTimestamp() override { return "2026-12-07 08:00:00"; }
    std::vector<std::uint32_t> Sleeps() const;

private:
    mutable std::mutex mutex_;
    std::uint32_t now_ = 1000;
    std::vector<std::uint32_t> sleeps_;
};

// A supported printer's interface path, as Windows reports it.
std::string UsbInterfacePath(const std::string& vidPid, const std::string& serial);

}  // namespace prinstall::fakes
