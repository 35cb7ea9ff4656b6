#include "fakes/fake_usb.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "usb/usb_printer_device.h"

namespace prinstall::fakes {
namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorDllInitFailed = 1114;

}  // namespace

bool FakeUsbBus::LoadSetupApi() {
    std::lock_guard lock(mutex_);
    ++loads;
    loaded_ = libraryPresent;
    Changed();
    return loaded_;
}

void FakeUsbBus::UnloadSetupApi() {
    std::lock_guard lock(mutex_);
    ++unloads;
    loaded_ = false;
    Changed();
}

std::uint32_t FakeUsbBus::OpenUsbPrintInterfaces(InterfaceSet& set) {
    std::lock_guard lock(mutex_);
    set = 0;
    ++interfaceSets;
    Changed();
    // Without the library its functions are gone as well.
    if (!loaded_) return kErrorDllInitFailed;
    if (interfacesError != 0) return interfacesError;
    set = nextSet_++;
    sets_[set] = true;
    return 0;
}

UsbBus::Enumerated FakeUsbBus::InterfacePath(InterfaceSet set, std::uint32_t index, std::string& path) {
    std::lock_guard lock(mutex_);
    ++enumerations;
    Changed();
    if (!sets_.count(set)) return Enumerated::Skipped;  // as Windows answers an invalid set
    if (index >= interfaces.size()) return endless ? Enumerated::Skipped : Enumerated::NoMoreItems;
    path = interfaces[index];
    return Enumerated::Found;
}

void FakeUsbBus::CloseInterfaces(InterfaceSet set) {
    std::lock_guard lock(mutex_);
    sets_.erase(set);
}

std::uint32_t FakeUsbBus::Open(const std::string& path, bool overlapped, Device& device) {
    std::lock_guard lock(mutex_);
    device = 0;
    Changed();
    opens.push_back({path, overlapped, false});
    std::string interfacePath = path;
    const std::string suffix = kUsbDeviceSuffix;
    if (interfacePath.size() > suffix.size() && interfacePath.ends_with(suffix))
        interfacePath.resize(interfacePath.size() - suffix.size());
    if (std::find(interfaces.begin(), interfaces.end(), interfacePath) == interfaces.end()) return kErrorFileNotFound;
    if (openError != 0) return openError;
    device = nextDevice_++;
    File file;
    file.path = path;
    files_[device] = std::move(file);
    opens.back().opened = true;
    return 0;
}

void FakeUsbBus::Close(Device device) {
    std::lock_guard lock(mutex_);
    files_.erase(device);
    Changed();
}

bool FakeUsbBus::PendingInput(Device device, std::uint32_t& count) {
    std::lock_guard lock(mutex_);
    count = files_.count(device) != 0 ? inputWaiting : 0;
    return count != 0;
}

std::uint32_t FakeUsbBus::Read(Device device, std::uint8_t* buffer, std::uint32_t capacity) {
    std::lock_guard lock(mutex_);
    ++reads;
    if (readFails || files_.count(device) == 0) return 0;
    const std::uint32_t n = std::min(capacity, inputWaiting);
    std::fill(buffer, buffer + n, std::uint8_t{0});
    inputWaiting -= n;
    return n;
}

UsbBus::Io FakeUsbBus::Write(Device device, const std::uint8_t* data, std::uint32_t size, std::uint32_t& written) {
    std::lock_guard lock(mutex_);
    written = 0;
    pieces.push_back(size);
    Changed();
    auto file = files_.find(device);
    if (file == files_.end()) return Io::Failed;
    WriteAnswer answer;
    if (!writeAnswers.empty()) {
        answer = writeAnswers.front();
        writeAnswers.pop_front();
    }
    const std::uint32_t taken = std::min(answer.accept, size);
    switch (answer.io) {
        case Io::Failed: return Io::Failed;
        case Io::Pending:
            file->second.hasPending = true;
            file->second.pendingBytes.assign(data, data + taken);
            file->second.pollsLeft = answer.pendingPolls;
            file->second.failsWhenDone = answer.failsWhenDone;
            return Io::Pending;
        case Io::Done: break;
    }
    auto& to = received[file->second.path];
    to.insert(to.end(), data, data + taken);
    written = taken;
    return Io::Done;
}

UsbBus::Io FakeUsbBus::PollWrite(Device device, std::uint32_t& written) {
    std::lock_guard lock(mutex_);
    written = 0;
    Changed();
    auto file = files_.find(device);
    if (file == files_.end() || !file->second.hasPending) return Io::Failed;
    File& f = file->second;
    if (f.pollsLeft < 0) return Io::Pending;
    if (f.pollsLeft > 0) {
        --f.pollsLeft;
        return Io::Pending;
    }
    f.hasPending = false;
    if (f.failsWhenDone) return Io::Failed;
    auto& to = received[f.path];
    to.insert(to.end(), f.pendingBytes.begin(), f.pendingBytes.end());
    written = static_cast<std::uint32_t>(f.pendingBytes.size());
    return Io::Done;
}

void FakeUsbBus::CancelWrite(Device device) {
    std::lock_guard lock(mutex_);
    ++cancels;
    Changed();
    if (auto file = files_.find(device); file != files_.end()) file->second.hasPending = false;
}

bool FakeUsbBus::Loaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

std::size_t FakeUsbBus::OpenDevices() const {
    std::lock_guard lock(mutex_);
    return files_.size();
}

std::size_t FakeUsbBus::OpenSets() const {
    std::lock_guard lock(mutex_);
    return sets_.size();
}

std::vector<std::uint8_t> FakeUsbBus::Bytes(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = received.find(path);
    return it == received.end() ? std::vector<std::uint8_t>() : it->second;
}

bool FakeUsbBus::WaitFor(const std::function<bool()>& condition) {
    std::unique_lock lock(mutex_);
    return signal_.wait_for(lock, std::chrono::seconds(10), condition);
}

void FakeSharedClock::Sleep(std::uint32_t milliseconds) {
    {
        std::lock_guard lock(mutex_);
        sleeps_.push_back(milliseconds);
        now_ += milliseconds;
    }
    std::this_thread::yield();
}

std::uint32_t FakeSharedClock::TickCount() {
    std::lock_guard lock(mutex_);
    return now_;
}

std::vector<std::uint32_t> FakeSharedClock::Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

std::string UsbInterfacePath(const std::string& vidPid, const std::string& serial) {
    return "\\\\?\\usb#" + vidPid + "#" + serial + "#" + kUsbPrintClassGuid;
}

}  // namespace prinstall::fakes
