// The USB printer device against an in-memory bus: which interfaces count as a supported
// printer, the port lookup, the write pieces and time limits, Close, and the reconnect
// worker after a failed write.
#include "usb/usb_printer_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/fake_usb.h"

namespace prinstall {
namespace {

using fakes::FakeUsbBus;
using fakes::UsbInterfacePath;
using Io = UsbBus::Io;

const std::string kPrinter = UsbInterfacePath("vid_0525&pid_a701", "tv0001");
const std::string kOtherModel = UsbInterfacePath("vid_0525&pid_7d3c", "tv0002");
const std::string kDevice = kPrinter + kUsbDeviceSuffix;
const std::vector<std::uint8_t> kData = [] {
    std::vector<std::uint8_t> bytes(200);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}();

class UsbPrinterDeviceTest : public ::testing::Test {
protected:
    UsbPrinterDeviceTest() {
        bus.interfaces = {kPrinter};
        SetPortNumber(kPrinter, 1);
    }

    void SetPortNumber(const std::string& interfacePath, std::uint32_t number) {
        Registry::Key key = 0;
        registry.CreateKey(kUsbDeviceClassesKey + UsbRegistryForm(interfacePath) + kUsbDeviceParametersKey, "", key);
        registry.SetDword(key, kUsbPortNumberValue, number);
        registry.CloseKey(key);
    }

    // Found, closed (which brings the link up) and found again: a failed write now hands the
    // device to the reconnect worker. The next write fails; the printer is gone meanwhile.
    void FailWithLinkUp() {
        ASSERT_TRUE(device.LookUpUsbPort());
        device.Close();
        ASSERT_TRUE(device.LookUpUsbPort());
        bus.With([&] {
            bus.received.clear();
            bus.writeAnswers = {{Io::Failed}};
            bus.interfaces.clear();
        });
        ASSERT_FALSE(device.Write(kData.data(), 70));
        ASSERT_TRUE(device.WorkerRunning());
        // Let the worker fail to reopen twice, so its connected flag is 0 again.
        const int sets = bus.With([&] { return bus.interfaceSets; });
        ASSERT_TRUE(bus.WaitFor([&] { return bus.interfaceSets >= sets + 2; }));
    }

    // Devices opened for use so far; the bus's lock must be held.
    int DeviceOpens() const {
        return static_cast<int>(
            std::count_if(bus.opens.begin(), bus.opens.end(), [](const auto& o) { return o.overlapped && o.opened; }));
    }

    FakeUsbBus bus;
    fakes::FakeRegistry registry;
    fakes::FakeSystemInfo systemInfo;
    fakes::FakeSharedClock clock;
    fakes::FakeDebugLog debug;
    std::vector<std::string> boxes;
    UsbPrinterDevice device{bus,
                            registry,
                            systemInfo,
                            clock,
                            debug,
                            [this](const std::string& text, const std::string& caption) {
                                boxes.push_back(caption + ": " + text); }};
};

TEST_F(UsbPrinterDeviceTest, OnlyTheSupportedIdsAreOpenedWithTheSuffixForOverlappedUse) {
    bus.interfaces = {UsbInterfacePath("vid_0525&pid_a702", "x"), UsbInterfacePath("VID_0525&PID_A701", "x"),
                      kOtherModel, kPrinter};
    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(device.DevicePath(), kOtherModel);
    // The probe opens the interface and closes it; the device is opened with the suffix.
    ASSERT_EQ(bus.opens.size(), 2u);
    EXPECT_EQ(bus.opens[0].path, kOtherModel);
    EXPECT_EQ(bus.opens[1].path, kOtherModel + kUsbDeviceSuffix);
    EXPECT_TRUE(bus.opens[1].overlapped);
    EXPECT_EQ(bus.OpenDevices(), 1u);
    EXPECT_EQ(bus.OpenSets(), 0u);
}

TEST_F(UsbPrinterDeviceTest, ASearchThatCannotRunEndsWithNothingFound) {
    bus.libraryPresent = false;
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_EQ(bus.loads, 2);  // never taken as loaded
    bus.libraryPresent = true;

    bus.interfacesError = 13;  // no set: nothing to walk
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_EQ(bus.enumerations, 0);
    bus.interfacesError = 0;

    bus.interfaces.clear();
    bus.endless = true;  // an enumeration that never says "no more"
    EXPECT_FALSE(device.LookUpUsbPort());
    bus.endless = false;

    // A path without room for the suffix is passed over; one shorter fits.
    const std::string longPath = UsbInterfacePath("vid_0525&pid_a701", std::string(184, 's'));
    ASSERT_EQ(longPath.size() + std::string(kUsbDeviceSuffix).size(), kUsbPathRoom);
    bus.interfaces = {longPath};
    EXPECT_FALSE(device.LookUpUsbPort());
    bus.interfaces = {longPath.substr(0, longPath.size() - 1)};
    EXPECT_TRUE(device.LookUpUsbPort());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UsbPrinterDeviceTest, ThePortNumberGivesThePortNameAndAMissingOneKeepsTheLast) {
    for (auto [number, name] : {std::pair{12u, "USB012"}, std::pair{1234u, "USB1234"}}) {
        SetPortNumber(kPrinter, number);
        ASSERT_TRUE(device.LookUpUsbPort());
        EXPECT_EQ(device.UsbPortName(), name);
        device.Close();
    }
    EXPECT_EQ(device.KeyPath(),
              "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\"
              "##?#usb#vid_0525&pid_a701#tv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Device Parameters");
    EXPECT_EQ(debug.lines,
              (std::vector<std::string>{"Connected USB Port Name", "USB012", "Connected USB Port Name", "USB1234"}));

    // Another printer without a key: a debugger line; then its key without the value: a box.
    bus.interfaces = {kOtherModel};
    EXPECT_TRUE(device.LookUpUsbPort());
    device.Close();
    EXPECT_EQ(debug.lines.back(), "RegOpenKeyEx() Fail : GetLastError() =2");
    EXPECT_TRUE(boxes.empty());
    Registry::Key key = 0;
    registry.CreateKey(kUsbDeviceClassesKey + UsbRegistryForm(kOtherModel) + kUsbDeviceParametersKey, "", key);
    registry.CloseKey(key);
    EXPECT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(device.UsbPortName(), "USB1234");
    EXPECT_EQ(boxes, std::vector<std::string>{"RegQueryValueEx: Fail to Read USB Port Number"});
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST_F(UsbPrinterDeviceTest, WritesGoOutIn64BytePiecesWithTenMillisecondPauses) {
    EXPECT_FALSE(device.Write(kData.data(), 10));  // not connected
    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_TRUE(device.Write(kData.data(), 0));
    ASSERT_TRUE(device.Write(kData.data(), 200));
    EXPECT_EQ(bus.pieces, (std::vector<std::uint32_t>{64, 64, 64, 8}));
    EXPECT_EQ(bus.Bytes(kDevice), kData);
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{10, 10, 10}));

    // A device that takes less than a piece gets the rest in the next one.
    bus.received.clear();
    bus.pieces.clear();
    bus.writeAnswers = {{Io::Done, 40}, {Io::Pending, 64, 3}};
    ASSERT_TRUE(device.Write(kData.data(), 100));
    EXPECT_EQ(bus.pieces, (std::vector<std::uint32_t>{64, 60}));
    EXPECT_EQ(bus.Bytes(kDevice), std::vector<std::uint8_t>(kData.begin(), kData.begin() + 100));
}

TEST_F(UsbPrinterDeviceTest, APiecePendingPastItsLimitIsCancelledAndADeviceTakingNothingGivesUp) {
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.writeAnswers = {{Io::Pending, 64, -1}};
    EXPECT_FALSE(device.Write(kData.data(), 100));
    EXPECT_EQ(bus.cancels, 1);
    EXPECT_EQ(bus.pieces.size(), 1u);                               // nothing after the failed piece
    EXPECT_EQ(clock.Sleeps(), std::vector<std::uint32_t>(51, 10));  // polled until past 500 ms
    EXPECT_FALSE(device.WorkerRunning());                           // the link was never up

    bus.pieces.clear();
    bus.writeAnswers.assign(100, {Io::Done, 0});
    EXPECT_FALSE(device.Write(kData.data(), 10));
    EXPECT_EQ(bus.pieces.size(), 50u);  // one window of 500 ms, 10 ms apart
}

// A device file another program holds is no printer found; a piece whose pending write ends
// in failure fails the write without waiting any longer; a read that fails reads nothing.
TEST_F(UsbPrinterDeviceTest, ADeviceThatWillNotOpenOrAPieceThatEndsInFailureIsNoSuccess) {
    bus.openError = 32;
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_FALSE(device.Connected());
    EXPECT_EQ(bus.OpenDevices(), 0u);
    EXPECT_EQ(bus.OpenSets(), 0u);

    bus.openError = 0;
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.writeAnswers = {{Io::Pending, 64, 1, true}};
    EXPECT_FALSE(device.Write(kData.data(), 100));
    EXPECT_EQ(bus.pieces.size(), 1u);
    EXPECT_TRUE(bus.Bytes(kDevice).empty());
    EXPECT_EQ(bus.cancels, 0);
    EXPECT_EQ(clock.Sleeps(), std::vector<std::uint32_t>{10});

    // A failed read gives nothing and leaves the link up; the input is read once it works.
    device.Close();
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.inputWaiting = 5;
    bus.readFails = true;
    std::uint8_t input[64] = {};
    EXPECT_EQ(device.Read(input, sizeof input), 0u);
    EXPECT_TRUE(device.LinkUp() && device.Write(kData.data(), 1));
    bus.readFails = false;
    EXPECT_EQ(device.Read(input, sizeof input), 5u);
    EXPECT_EQ(bus.reads, 2);
}

TEST_F(UsbPrinterDeviceTest, CloseSendsOneZeroByteAndLetsTheLibraryGoOnlyWhenItGetsThrough) {
    bus.interfaces.clear();
    for (int i = 0; i < 30; ++i) EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_EQ(bus.loads, 1);  // loaded once, not once per lookup

    bus.interfaces = {kPrinter};
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.writeAnswers = {{Io::Failed}};
    device.Close();
    EXPECT_TRUE(bus.Loaded());
    EXPECT_EQ(bus.OpenDevices(), 0u);

    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(bus.loads, 1);
    device.Close();
    EXPECT_EQ(bus.Bytes(kDevice), std::vector<std::uint8_t>{0});
    EXPECT_FALSE(bus.Loaded());
    EXPECT_EQ(bus.OpenDevices(), 0u);
    EXPECT_FALSE(device.Connected());
    EXPECT_TRUE(device.LinkUp());
    device.Close();
    EXPECT_EQ(bus.pieces.size(), 2u);
}

TEST_F(UsbPrinterDeviceTest, TheWorkerReconnectsWhenThePrinterIsBackAndAgainAfterTheNextFailure) {
    FailWithLinkUp();
    EXPECT_FALSE(device.Write(kData.data(), 70));  // the worker has the line meanwhile
    const int opens = bus.With([&] { return DeviceOpens(); });
    bus.With([&] { bus.interfaces = {kPrinter}; });
    ASSERT_TRUE(bus.WaitFor([&] { return DeviceOpens() > opens; }));

    EXPECT_TRUE(device.Write(kData.data(), 70));
    EXPECT_TRUE(device.LinkUp());
    EXPECT_FALSE(device.WorkerRunning());
    EXPECT_EQ(bus.Bytes(kDevice), std::vector<std::uint8_t>(kData.begin(), kData.begin() + 70));
    const auto sleeps = clock.Sleeps();
    EXPECT_GE(std::count(sleeps.begin(), sleeps.end(), kUsbReconnectPauseMs), 3);

    // A second failure starts a second worker (the first one has ended), which reconnects.
    bus.With([&] { bus.writeAnswers = {{Io::Failed}}; });
    const int before = bus.With([&] { return DeviceOpens(); });
    EXPECT_FALSE(device.Write(kData.data(), 70));
    ASSERT_TRUE(bus.WaitFor([&] { return DeviceOpens() > before; }));
    EXPECT_TRUE(device.Write(kData.data(), 1));
}

TEST_F(UsbPrinterDeviceTest, CloseStopsTheWorkerWhateverTheFlagsSay) {
    FailWithLinkUp();
    EXPECT_FALSE(device.Connected());
    device.Close();
    EXPECT_FALSE(device.WorkerRunning());
    bus.With([&] { bus.interfaces = {kPrinter}; });  // back after Close: nobody reopens it
    EXPECT_EQ(bus.OpenDevices(), 0u);

    // A zero byte that fails in Close starts a worker, which Close stops as well.
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.With([&] { bus.writeAnswers = {{Io::Failed}}; });
    device.Close();
    EXPECT_FALSE(device.WorkerRunning());
    EXPECT_EQ(bus.OpenDevices(), 0u);
}

}  // namespace
}  // namespace prinstall
