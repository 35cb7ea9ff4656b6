// The USB step of the Install command with the real device object over an in-memory bus:
// what the operator sees and in which order, the search's timing through the clock, and how
// the step ends.
#include "usb/usb_step.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/fake_usb.h"

namespace prinstall {
namespace {

using fakes::UsbInterfacePath;

const std::string kPrinter = UsbInterfacePath("vid_0525&pid_a701", "tv0001");

// The search window and the instruction dialog as a list of what happened to them.
class RecordingStepView : public UsbStepView {
public:
    std::vector<std::string> events;
    int warningAnswer = 1;
    std::function<void()> onWarning;

    int RunWarning() override {
        events.push_back("warning");
        if (onWarning) onWarning();
        return warningAnswer;
    }
    void ShowSearch(bool focus) override { events.push_back(focus ? "search, focused" : "search"); }
    void SetSearchProgress(int position) override { events.push_back(std::to_string(position)); }
    void DestroySearch() override { events.push_back("destroy"); }
};

// Time passes only in the program's sleeps; the printer is attached once it reaches
// `switchOnAt`.
class PrinterClock : public fakes::FakeClock {
public:
    explicit PrinterClock(fakes::FakeUsbBus& bus) : bus_(bus) {}
    std::uint32_t switchOnAt = UINT32_MAX;
    void Sleep(std::uint32_t milliseconds) override {
        FakeClock::Sleep(milliseconds);
        if (now >= switchOnAt) bus_.interfaces = {kPrinter};
    }

private:
    fakes::FakeUsbBus& bus_;
};

std::vector<std::string> Positions(int first, int last, int step) {
    std::vector<std::string> out;
    for (int p = first; p <= last; p += step) out.push_back(std::to_string(p));
    return out;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class UsbStepTest : public ::testing::Test {
protected:
    UsbStepTest() {
        Registry::Key key = 0;
        registry.CreateKey(kUsbDeviceClassesKey + UsbRegistryForm(kPrinter) + kUsbDeviceParametersKey, "", key);
        registry.SetDword(key, kUsbPortNumberValue, 3);
        registry.CloseKey(key);
    }

    int Run(Language language = Language::English) {
        UsbFlowContext flow{device,
                            view,
                            clock,
                            debug,
                            language,
                            usbPortName,
                            [this](const std::string& message) {
                                view.events.push_back("result: " + message);
                                return resultAnswer;
                            },
                            [this] { view.events.push_back("end program"); }};
        return prinstall::RunUsbStep(flow, searchCounter);
    }

    fakes::FakeUsbBus bus;
    fakes::FakeRegistry registry;
    fakes::FakeSystemInfo systemInfo;
    PrinterClock clock{bus};
    fakes::FakeDebugLog debug;
    int boxes = 0;
    UsbPrinterDevice device{bus, registry, systemInfo, clock, debug, [this](auto&&...) { ++boxes; }};
    RecordingStepView view;
    std::string usbPortName = "USB009";  // from an earlier run
    int searchCounter = kUsbSearchCounterStart;
    int resultAnswer = 1;
};

TEST_F(UsbStepTest, APrinterAttachedBeforehandShowsOnlyTheShortRunOfTheBar) {
    bus.interfaces = {kPrinter};
    EXPECT_EQ(Run(), kUsbStepGoOn);
    EXPECT_EQ(view.events, Join(Join({"search"}, Positions(20, 90, 10)), {"100", "destroy"}));
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>(8, 100));
    // Closed after the lookup: the zero byte went out and nothing stays open.
    EXPECT_EQ(bus.Bytes(kPrinter + kUsbDeviceSuffix), std::vector<std::uint8_t>{0});
    EXPECT_EQ(bus.OpenDevices(), 0u);
    EXPECT_EQ(usbPortName, "USB003");
    EXPECT_EQ(debug.lines.back(), "USB003");
    EXPECT_EQ(searchCounter, kUsbSearchCounterStart);
}

TEST_F(UsbStepTest, APrinterSwitchedOnFiveSecondsAfterOkIsFoundOnTheSixthLookup) {
    view.onWarning = [this] { clock.switchOnAt = clock.now + 5000; };
    EXPECT_EQ(Run(), kUsbStepGoOn);
    EXPECT_EQ(view.events, Join(Join({"warning", "search, focused"}, Positions(13, 25, 3)), {"100", "destroy"}));
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>(5, 1000));
    EXPECT_EQ(bus.interfaceSets, 7);  // the silent lookup and six in the search
    EXPECT_EQ(searchCounter, 25);
    EXPECT_EQ(usbPortName, "USB003");
    EXPECT_EQ(bus.OpenDevices(), 0u);
}

TEST_F(UsbStepTest, ASearchThatFindsNothingGivesUpAtNinetySevenAndReportsTheFailure) {
    struct Case {
        Language language;
        int answer;
        const char* message;
    };
    for (const Case c :
         {Case{Language::English, 1, "USB Port Search Failed."}, Case{Language::Korean, 1, "USB 포트 찾기 실패."},
          Case{Language::English, 2, "USB Port Search Failed."}}) {
        SCOPED_TRACE(c.message + std::string(" answered ") + std::to_string(c.answer));
        view.events.clear();
        clock.sleeps.clear();
        bus.interfaceSets = 0;
        searchCounter = kUsbSearchCounterStart;
        resultAnswer = c.answer;

        EXPECT_EQ(Run(c.language), kUsbStepFailed);
        // The window is gone before the result shows; OK there ends the program after half
        // a second, any other answer only ends the run.
        std::vector<std::string> expected = Join(Join({"warning", "search, focused"}, Positions(13, 97, 3)),
                                                 {"destroy", std::string("result: ") + c.message});
        if (c.answer == 1) expected.push_back("end program");
        EXPECT_EQ(view.events, expected);
        std::vector<std::uint32_t> sleeps(29, 1000);
        if (c.answer == 1) sleeps.push_back(500);
        EXPECT_EQ(clock.sleeps, sleeps);
        EXPECT_EQ(bus.interfaceSets, 31);
        EXPECT_EQ(searchCounter, 97);
        EXPECT_EQ(usbPortName, "USB009");
    }
    EXPECT_EQ(boxes, 0);
}

TEST_F(UsbStepTest, EscapeAtTheInstructionsGoesOnWithoutSearching) {
    view.warningAnswer = 2;
    EXPECT_EQ(Run(), kUsbStepGoOn);
    EXPECT_EQ(view.events, (std::vector<std::string>{"warning", "destroy"}));
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(bus.interfaceSets, 1);
    EXPECT_EQ(usbPortName, "USB009");
}

}  // namespace
}  // namespace prinstall
