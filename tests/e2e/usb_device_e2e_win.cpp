// The USB printer device under Wine: SetupAPI's real enumeration of the USB printing class,
// the port number from the real registry, overlapped writes to stand-in printers (a file,
// /dev/full, a FIFO that fills up) and the reconnect worker on a real thread. Every test
// starts and ends with no printer attached.
#include <windows.h>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "platform/basic_win.h"
#include "platform/registry_win.h"
#include "platform/usb_bus_win.h"
#include "usb/usb_printer_device.h"
#include "usb_printers_win.h"

namespace {

using namespace e2e;
using prinstall::UsbBus;
using prinstall::UsbPrinterDevice;

std::vector<std::uint8_t> Bytes(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

class UsbDeviceUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        DetachAllPrinters();
        ClearReceived(kFilePrinter);
    }
    void TearDown() override { DetachAllPrinters(); }

    WineUsbBus bus;
    prinstall::WinRegistry registry;
    prinstall::WinSystemInfo systemInfo;
    prinstall::WinClock clock;
    prinstall::WinDebugLog debug;
    int boxes = 0;
    UsbPrinterDevice device{bus, registry, systemInfo, clock, debug, [this](auto&&...) { ++boxes; }};
};

TEST_F(UsbDeviceUnderWine, SetupApiListsThePresentInterfacesAndOnlySupportedOnesAreTaken) {
    EXPECT_FALSE(device.LookUpUsbPort());

    ASSERT_TRUE(AttachPrinter(kForeignPrinter, 4));
    EXPECT_FALSE(device.LookUpUsbPort());

    ASSERT_TRUE(AttachPrinter(kSecondModel, 12));
    std::vector<std::string> listed;
    ASSERT_TRUE(bus.LoadSetupApi());
    UsbBus::InterfaceSet set = 0;
    ASSERT_EQ(bus.OpenUsbPrintInterfaces(set), 0u);
    std::string path;
    for (std::uint32_t i = 0; bus.InterfacePath(set, i, path) == UsbBus::Enumerated::Found; ++i) listed.push_back(path);
    bus.CloseInterfaces(set);
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_NE(std::find(listed.begin(), listed.end(), InterfacePath(kForeignPrinter)), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), InterfacePath(kSecondModel)), listed.end());

    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(device.DevicePath(), InterfacePath(kSecondModel));
    EXPECT_EQ(device.UsbPortName(), "USB012");
    EXPECT_EQ(boxes, 0);
    device.Close();
}

TEST_F(UsbDeviceUnderWine, WineRefusesTheDeviceSuffixThatWindowsPassesToTheDevice) {
    ASSERT_TRUE(AttachPrinter(kFilePrinter, 1));
    prinstall::WinUsbBus plain;
    UsbBus::Device file = 0;
    EXPECT_EQ(plain.Open(InterfacePath(kFilePrinter) + prinstall::kUsbDeviceSuffix, true, file), 123u);
    ASSERT_EQ(plain.Open(InterfacePath(kFilePrinter), true, file), 0u);
    plain.Close(file);
    // So the program's own adapter finds the printer but cannot open it under Wine.
    UsbPrinterDevice onPlainBus(plain, registry, systemInfo, clock, debug, [](auto&&...) {});
    EXPECT_FALSE(onPlainBus.LookUpUsbPort());
}

TEST_F(UsbDeviceUnderWine, WritesReachThePrinterAndCloseAddsOneZeroByte) {
    ASSERT_TRUE(AttachPrinter(kFilePrinter, 3));
    ASSERT_TRUE(device.LookUpUsbPort());
    EXPECT_EQ(device.UsbPortName(), "USB003");
    EXPECT_EQ(device.KeyPath(), std::string(prinstall::kUsbDeviceClassesKey) +
                                    "##?#usb#vid_0525&pid_a701#tv0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}" +
                                    prinstall::kUsbDeviceParametersKey);
    const auto data = Bytes(200);
    EXPECT_TRUE(device.Write(data.data(), 200));
    // Wine's files (like a USB printer) cannot tell how much input waits: nothing is read.
    std::uint8_t buffer[16] = {};
    EXPECT_EQ(device.Read(buffer, sizeof buffer), 0u);
    device.Close();

    auto expected = data;
    expected.push_back(0);
    EXPECT_EQ(ReceivedBytes(kFilePrinter), expected);
    EXPECT_EQ(bus.cancels, 0);
}

TEST_F(UsbDeviceUnderWine, AFailedWriteReconnectsOnceThePrinterIsBack) {
    ASSERT_TRUE(AttachPrinter(kFullPrinter, 2));
    ASSERT_TRUE(device.LookUpUsbPort());
    device.Close();  // the zero byte fails on a full device; the link is up from here on
    ASSERT_TRUE(device.LookUpUsbPort());
    DetachPrinter(kFullPrinter);

    const auto data = Bytes(70);
    EXPECT_FALSE(device.Write(data.data(), 70));  // 112, the device is full
    EXPECT_TRUE(device.WorkerRunning());
    const int opens = bus.deviceOpens;

    ASSERT_TRUE(AttachPrinter(kFilePrinter, 1));
    bool written = false;
    for (int attempt = 0; attempt < 200 && !written; ++attempt) {
        Sleep(100);
        written = device.Write(data.data(), 70);
    }
    ASSERT_TRUE(written) << "the worker did not bring the printer back";
    EXPECT_GT(bus.deviceOpens, opens);
    EXPECT_FALSE(device.WorkerRunning());
    device.Close();
    auto expected = data;
    expected.push_back(0);
    EXPECT_EQ(ReceivedBytes(kFilePrinter), expected);
}

TEST_F(UsbDeviceUnderWine, APieceThatStaysPendingIsCancelledAndTheWriteFails) {
    ASSERT_TRUE(AttachPrinter(kFifoPrinter, 1));
    ASSERT_TRUE(device.LookUpUsbPort());
    // Nobody reads the FIFO: once its 64 KiB are full, the next piece stays pending.
    const auto data = Bytes(70000);
    EXPECT_FALSE(device.Write(data.data(), 70000));
    EXPECT_EQ(bus.cancels, 1);
    EXPECT_FALSE(device.WorkerRunning());  // the link was never up
    device.Close();
}

}  // namespace
