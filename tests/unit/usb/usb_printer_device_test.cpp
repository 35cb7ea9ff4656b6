// The USB printer device against an in-memory bus: which interfaces count as a supported
// printer, the port lookup in the registry, the write pieces and time limits, Close, and the
// reconnect worker after a failed write.
#include "usb/usb_printer_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <tuple>
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

std::string ParametersKey(const std::string& interfacePath) {
    return kUsbDeviceClassesKey + UsbRegistryForm(interfacePath) + kUsbDeviceParametersKey;
}

std::vector<std::uint8_t> Bytes(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

class UsbPrinterDeviceTest : public ::testing::Test {
protected:
    UsbPrinterDeviceTest() {
        bus.interfaces = {kPrinter};
        setPortNumber(kPrinter, 1);
    }

    void setPortNumber(const std::string& interfacePath, std::uint32_t number) {
        Registry::Key key = 0;
        ASSERT_EQ(registry.createKey(ParametersKey(interfacePath), "", key), 0u);
        ASSERT_EQ(registry.setDword(key, kUsbPortNumberValue, number), 0u);
        registry.closeKey(key);
    }

    // Found, closed once (the link is up from then on) and found again: the state in which a
    // failed write hands the device to the reconnect worker.
    void connectWithLinkUp() {
        ASSERT_TRUE(device.LookUpUsbPort());
        device.Close();
        ASSERT_TRUE(device.LookUpUsbPort());
        ASSERT_TRUE(device.linkUp());
        bus.with([&] { bus.received.clear(); });
    }

    int overlappedOpens() const {
        return static_cast<int>(std::count_if(bus.opens.begin(), bus.opens.end(),
                                              [](const auto& o) { return o.overlapped && o.opened; }));
    }

    FakeUsbBus bus;
    fakes::FakeRegistry registry;
    fakes::FakeSystemInfo systemInfo;
    fakes::FakeSharedClock clock;
    fakes::FakeDebugLog debug;
    std::vector<std::pair<std::string, std::string>> boxes;
    UsbPrinterDevice device{bus, registry, systemInfo, clock, debug,
                            [this](const std::string& text, const std::string& caption) {
                                boxes.emplace_back(text, caption);
                            }};
};

// ---------------------------------------------------------------------------------------
// Finding the printer

TEST_F(UsbPrinterDeviceTest, OnlyTheTwoSupportedIdsInLowerCaseAreFound) {
    struct Case {
        std::string path;
        bool found;
    };
    const Case cases[] = {
        {kPrinter, true},
        {kOtherModel, true},
        {UsbInterfacePath("vid_0525&pid_a702", "x"), false},
        {UsbInterfacePath("vid_0526&pid_a701", "x"), false},
        {UsbInterfacePath("VID_0525&PID_A701", "x"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        FakeUsbBus bus;
        bus.interfaces = {c.path};
        UsbPrinterDevice device(bus, registry, systemInfo, clock, debug, [](auto&&...) {});
        EXPECT_EQ(device.LookUpUsbPort(), c.found);
        EXPECT_EQ(bus.openDevices(), c.found ? 1u : 0u);
        EXPECT_EQ(device.connected(), c.found);
    }
}

TEST_F(UsbPrinterDeviceTest, TheFirstSupportedInterfaceIsOpenedWithTheSuffixForOverlappedUse) {
    bus.interfaces = {"unreadable", UsbInterfacePath("vid_04b8&pid_0005", "epson"), kOtherModel, kPrinter};
    bus.answers[0] = UsbBus::Enumerated::Skipped;  // an index that cannot be read is passed over
    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(device.devicePath(), kOtherModel);
    // The probe opens the interface itself and closes it again; the device is opened with
    // the suffix for overlapped I/O and stays open.
    ASSERT_EQ(bus.opens.size(), 2u);
    EXPECT_EQ(bus.opens[0].path, kOtherModel);
    EXPECT_FALSE(bus.opens[0].overlapped);
    EXPECT_EQ(bus.opens[1].path, kOtherModel + kUsbDeviceSuffix);
    EXPECT_TRUE(bus.opens[1].overlapped);
    EXPECT_EQ(bus.openDevices(), 1u);
    EXPECT_EQ(bus.openSets(), 0u);
}

TEST_F(UsbPrinterDeviceTest, ASearchThatCannotRunEndsWithNothingFound) {
    // No interface set at all, an enumeration that never says "no more", a path without room
    // for the suffix, a printer that is there but cannot be opened.
    bus.interfacesError = 13;
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_EQ(bus.enumerations, 0);

    bus.interfacesError = 0;
    bus.interfaces.clear();
    bus.endless = true;
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_EQ(bus.openSets(), 0u);

    bus.endless = false;
    const std::string longPath = UsbInterfacePath("vid_0525&pid_a701", std::string(184, 's'));
    ASSERT_EQ(longPath.size(), kUsbPathRoom - std::string(kUsbDeviceSuffix).size());
    bus.interfaces = {longPath};
    EXPECT_FALSE(device.LookUpUsbPort());
    bus.interfaces = {longPath.substr(0, longPath.size() - 1)};  // one shorter fits
    EXPECT_TRUE(device.LookUpUsbPort());
    device.Close();

    bus.interfaces = {kPrinter};
    bus.openErrors[kPrinter] = 32;
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_FALSE(device.connected());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UsbPrinterDeviceTest, OldWindowsTakesAnyInterfaceThatOpens) {
    const std::string foreign = UsbInterfacePath("vid_04b8&pid_0005", "epson");
    bus.interfaces = {foreign};
    for (auto [platform, major, legacy] : {std::tuple{kPlatformWindows9x, 4u, 1}, std::tuple{kPlatformNT, 4u, 2},
                                           std::tuple{kPlatformNT, 5u, 0}}) {
        systemInfo.version.platformId = platform;
        systemInfo.version.major = major;
        EXPECT_EQ(IsLegacyWindows(systemInfo), legacy);
    }
    systemInfo.versionReadable = false;
    EXPECT_EQ(IsLegacyWindows(systemInfo), 0);
    EXPECT_FALSE(device.LookUpUsbPort());

    systemInfo.versionReadable = true;
    systemInfo.version.platformId = kPlatformNT;
    systemInfo.version.major = 4;
    EXPECT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(bus.opens.back().path, foreign + kUsbDeviceSuffix);
    // The id filter did not pass it, so it is not the device path of a supported printer.
    EXPECT_EQ(device.devicePath(), "");
}

TEST_F(UsbPrinterDeviceTest, WithoutTheLibraryNothingIsFoundAndNothingStaysLoaded) {
    bus.libraryPresent = false;
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_EQ(bus.loads, 2);  // tried again each time, never taken as loaded
    EXPECT_TRUE(bus.opens.empty());
    EXPECT_EQ(device.usbPortName(), "");
}

// ---------------------------------------------------------------------------------------
// Port lookup

TEST_F(UsbPrinterDeviceTest, ThePortNumberOfTheInterfaceGivesThePortName) {
    for (auto [number, name] : {std::pair{1u, "USB001"}, std::pair{12u, "USB012"}, std::pair{1234u, "USB1234"}}) {
        setPortNumber(kPrinter, number);
        ASSERT_TRUE(device.LookUpUsbPort());
        EXPECT_EQ(device.usbPortName(), name);
        device.Close();
    }
    EXPECT_EQ(device.keyPath(),
              "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\"
              "##?#usb#vid_0525&pid_a701#tv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Device Parameters");
    EXPECT_EQ(debug.lines, (std::vector<std::string>{"Connected USB Port Name", "USB001", "Connected USB Port Name",
                                                     "USB012", "Connected USB Port Name", "USB1234"}));
    EXPECT_EQ(registry.openKeys(), 0u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UsbPrinterDeviceTest, AMissingKeyOrValueKeepsTheLastPortName) {
    ASSERT_TRUE(device.LookUpUsbPort());
    device.Close();
    ASSERT_EQ(device.usbPortName(), "USB001");

    // Another printer, whose interface has no key: only a debugger line.
    bus.interfaces = {kOtherModel};
    debug.lines.clear();
    EXPECT_TRUE(device.LookUpUsbPort());
    device.Close();
    EXPECT_EQ(device.usbPortName(), "USB001");
    EXPECT_EQ(debug.lines, std::vector<std::string>{"RegOpenKeyEx() Fail : GetLastError() =2"});
    EXPECT_TRUE(boxes.empty());

    // The key without "Port Number": the operator is told.
    Registry::Key key = 0;
    ASSERT_EQ(registry.createKey(ParametersKey(kOtherModel), "", key), 0u);
    registry.closeKey(key);
    EXPECT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(device.usbPortName(), "USB001");
    EXPECT_EQ(boxes, (std::vector<std::pair<std::string, std::string>>{
                         {"Fail to Read USB Port Number", "RegQueryValueEx"}}));
    EXPECT_EQ(registry.openKeys(), 0u);
}

TEST_F(UsbPrinterDeviceTest, ALookupAfterCloseFindsThePrinterAgainByItsFreshPath) {
    ASSERT_TRUE(device.LookUpUsbPort());
    device.Close();
    bus.interfaces = {kOtherModel};
    setPortNumber(kOtherModel, 7);
    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(device.devicePath(), kOtherModel);
    EXPECT_EQ(device.keyPath(), ParametersKey(kOtherModel));
    EXPECT_EQ(device.usbPortName(), "USB007");
}

// ---------------------------------------------------------------------------------------
// Writing and closing

TEST_F(UsbPrinterDeviceTest, WritesGoOutIn64BytePiecesWithTenMillisecondPauses) {
    ASSERT_TRUE(device.LookUpUsbPort());
    const auto data = Bytes(200);
    ASSERT_TRUE(device.Write(data.data(), 200));
    EXPECT_EQ(bus.pieces, (std::vector<std::uint32_t>{64, 64, 64, 8}));
    EXPECT_EQ(bus.bytes(kDevice), data);
    EXPECT_EQ(clock.sleeps(), (std::vector<std::uint32_t>{10, 10, 10}));

    // A device that takes less than a piece gets the rest in the next one.
    bus.received.clear();
    bus.pieces.clear();
    bus.writeAnswers = {{Io::Done, 40}, {Io::Pending, 64, 3}};
    ASSERT_TRUE(device.Write(data.data(), 100));
    EXPECT_EQ(bus.pieces, (std::vector<std::uint32_t>{64, 60}));
    EXPECT_EQ(bus.bytes(kDevice), std::vector<std::uint8_t>(data.begin(), data.begin() + 100));
    EXPECT_EQ(bus.cancels, 0);
}

TEST_F(UsbPrinterDeviceTest, NothingIsWrittenWhenNotConnectedAndAnEmptyWriteSucceeds) {
    const auto data = Bytes(10);
    EXPECT_FALSE(device.Write(data.data(), 10));
    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_TRUE(device.Write(data.data(), 0));
    EXPECT_TRUE(device.Write(data.data(), -5));
    EXPECT_TRUE(bus.pieces.empty());
}

TEST_F(UsbPrinterDeviceTest, APiecePendingPastItsLimitIsCancelledAndTheWriteFails) {
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.writeAnswers = {{Io::Pending, 64, -1}};
    const auto data = Bytes(100);
    EXPECT_FALSE(device.Write(data.data(), 100));
    EXPECT_EQ(bus.cancels, 1);
    EXPECT_EQ(bus.pieces.size(), 1u);  // nothing more after the failed piece
    // Polled every 10 ms until more than 500 ms had passed.
    const auto sleeps = clock.sleeps();
    EXPECT_EQ(sleeps, std::vector<std::uint32_t>(51, 10));
    // The link was never up: the device stays with the caller, no worker.
    EXPECT_FALSE(device.workerRunning());
    EXPECT_EQ(bus.openDevices(), 1u);
}

TEST_F(UsbPrinterDeviceTest, ADeviceThatTakesNothingEndsTheWriteAfterOneWindow) {
    ASSERT_TRUE(device.LookUpUsbPort());
    for (int i = 0; i < 100; ++i) bus.writeAnswers.push_back({Io::Done, 0});
    const auto data = Bytes(10);
    EXPECT_FALSE(device.Write(data.data(), 10));
    EXPECT_EQ(bus.pieces.size(), 50u);  // one window: 50 pieces 10 ms apart
}

TEST_F(UsbPrinterDeviceTest, CloseSendsOneZeroByteLetsTheLibraryGoAndClosesTheDevice) {
    ASSERT_TRUE(device.LookUpUsbPort());
    device.Close();
    EXPECT_EQ(bus.bytes(kDevice), std::vector<std::uint8_t>{0});
    EXPECT_FALSE(bus.loaded());
    EXPECT_EQ(bus.unloads, 1);
    EXPECT_EQ(bus.openDevices(), 0u);
    EXPECT_EQ(bus.purges, 1);
    EXPECT_FALSE(device.connected());
    EXPECT_TRUE(device.linkUp());

    device.Close();
    EXPECT_EQ(bus.pieces.size(), 1u);
    EXPECT_EQ(bus.unloads, 1);
}

TEST_F(UsbPrinterDeviceTest, TheLibraryStaysLoadedAndKnownWhileNoZeroByteGetsThrough) {
    bus.interfaces.clear();
    for (int i = 0; i < 30; ++i) EXPECT_FALSE(device.LookUpUsbPort());
    EXPECT_EQ(bus.loads, 1);  // loaded once, not once per lookup
    EXPECT_TRUE(bus.loaded());

    bus.interfaces = {kPrinter};
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.writeAnswers = {{Io::Failed}};
    device.Close();  // the zero byte fails: the library stays
    EXPECT_TRUE(bus.loaded());
    EXPECT_EQ(bus.openDevices(), 0u);
    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(bus.loads, 1);
    device.Close();
    EXPECT_FALSE(bus.loaded());
}

// ---------------------------------------------------------------------------------------
// Reading

TEST_F(UsbPrinterDeviceTest, ReadsOnlyWhatTheDeviceSaysIsWaiting) {
    std::uint8_t buffer[16] = {};
    bus.waitingInput = 5;
    EXPECT_EQ(device.Read(buffer, 16), 0u);  // not connected
    ASSERT_TRUE(device.LookUpUsbPort());
    bus.inputQueryWorks = false;
    EXPECT_EQ(device.Read(buffer, 16), 0u);
    EXPECT_EQ(bus.reads, 0);
    bus.inputQueryWorks = true;
    EXPECT_EQ(device.Read(buffer, 16), 5u);
    EXPECT_EQ(device.Read(buffer, 16), 0u);
    EXPECT_EQ(bus.reads, 1);
}

// ---------------------------------------------------------------------------------------
// Reconnecting

TEST_F(UsbPrinterDeviceTest, AFailedWriteWithTheLinkUpReconnectsWhenThePrinterIsBack) {
    connectWithLinkUp();
    const auto data = Bytes(70);
    bus.with([&] {
        bus.writeAnswers = {{Io::Failed}};
        bus.interfaces.clear();  // switched off
    });
    EXPECT_FALSE(device.Write(data.data(), 70));
    EXPECT_TRUE(device.workerRunning());
    EXPECT_FALSE(device.linkUp());
    EXPECT_FALSE(device.Write(data.data(), 70));  // the worker has the line meanwhile

    // The worker keeps looking, half a second apart, until the printer is back.
    const int setsBefore = bus.with([&] { return bus.interfaceSets; });
    ASSERT_TRUE(bus.waitFor([&] { return bus.interfaceSets >= setsBefore + 3; }));
    const int opensBefore = bus.with([&] { return overlappedOpens(); });
    bus.with([&] { bus.interfaces = {kPrinter}; });
    ASSERT_TRUE(bus.waitFor([&] { return overlappedOpens() > opensBefore; }));

    EXPECT_TRUE(device.Write(data.data(), 70));
    EXPECT_TRUE(device.connected());
    EXPECT_TRUE(device.linkUp());
    EXPECT_FALSE(device.workerRunning());
    EXPECT_EQ(bus.bytes(kDevice), data);
    const auto sleeps = clock.sleeps();
    EXPECT_GE(std::count(sleeps.begin(), sleeps.end(), kUsbReconnectPauseMs), 3);

    // A second failure starts a second worker, which finds the printer at once.
    bus.with([&] { bus.writeAnswers = {{Io::Failed}}; });
    const int opensNow = bus.with([&] { return overlappedOpens(); });
    EXPECT_FALSE(device.Write(data.data(), 70));
    ASSERT_TRUE(bus.waitFor([&] { return overlappedOpens() > opensNow; }));
    EXPECT_TRUE(device.Write(data.data(), 1));
    device.Close();
    EXPECT_EQ(bus.openDevices(), 0u);
}

TEST_F(UsbPrinterDeviceTest, CloseStopsAWorkerThatIsStillLooking) {
    connectWithLinkUp();
    bus.with([&] {
        bus.writeAnswers = {{Io::Failed}};
        bus.interfaces.clear();
    });
    const auto data = Bytes(8);
    EXPECT_FALSE(device.Write(data.data(), 8));
    // Let the worker fail to reopen at least once, so the connected flag is 0 again.
    const int setsBefore = bus.with([&] { return bus.interfaceSets; });
    ASSERT_TRUE(bus.waitFor([&] { return bus.interfaceSets >= setsBefore + 2; }));
    EXPECT_FALSE(device.connected());

    device.Close();
    EXPECT_FALSE(device.workerRunning());
    EXPECT_TRUE(device.linkUp());
    EXPECT_FALSE(device.connected());
    // Printer back after Close: nobody reopens it.
    bus.with([&] { bus.interfaces = {kPrinter}; });
    EXPECT_EQ(bus.openDevices(), 0u);
    EXPECT_FALSE(device.Write(data.data(), 8));
}

TEST_F(UsbPrinterDeviceTest, AZeroByteThatFailsInCloseDoesNotLeaveAWorkerBehind) {
    connectWithLinkUp();
    bus.with([&] { bus.writeAnswers = {{Io::Failed}}; });
    device.Close();  // the failed zero byte starts a worker, which Close then stops
    EXPECT_FALSE(device.workerRunning());
    EXPECT_EQ(bus.openDevices(), 0u);
    EXPECT_FALSE(device.connected());
}

}  // namespace
}  // namespace prinstall
