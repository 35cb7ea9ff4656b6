#include "core/spooler_guard.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

using fakes::FakeClock;
using fakes::FakeDebugLog;
using fakes::FakeServices;

const char* const kStoppedEnglish =
    "Print Spooler is stopped !!!.\nPlease reinstall the printer driver\nafter spooler starts";

class SpoolerGuardTest : public ::testing::Test {
protected:
    SpoolerGuardTest() { services.services["spooler"].status = {kServiceRunning, 0, 0}; }

    FakeServices::Service& Spooler() { return services.services["spooler"]; }

    bool Ensure(Language language = Language::English) {
        return guard.EnsureSpoolerRunning(language, [this](const std::string& m) { messages.push_back(m); });
    }

    FakeServices services;
    FakeClock clock;
    FakeDebugLog debug;
    SpoolerGuard guard{services, clock, debug};
    std::vector<std::string> messages;
};

TEST_F(SpoolerGuardTest, RunningSpoolerIsLeftAlone) {
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(Spooler().startRequests, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(services.OpenHandles(), 0u);
}

TEST_F(SpoolerGuardTest, PendingStatesAreLeftAloneToo) {
    for (std::uint32_t state :
         {kServiceStartPending, kServiceStopPending, kServiceContinuePending, kServicePausePending}) {
        Spooler().status = {state, 0, 0};
        EXPECT_TRUE(Ensure()) << state;
    }
    EXPECT_EQ(Spooler().startRequests, 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SpoolerGuardTest, StoppedSpoolerIsStartedAndWaitedFor) {
    Spooler().status = {kServiceStopped, 0, 0};
    // Progress reported by a growing check point, then running.
    Spooler().startSequence = {{kServiceStartPending, 0, 2000},
                               {kServiceStartPending, 1, 2000},
                               {kServiceStartPending, 2, 2000},
                               {kServiceRunning, 0, 0}};
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(Spooler().startRequests, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{1000, 1000, 1000}));
    EXPECT_EQ(debug.lines,
              (std::vector<std::string>{"Service starting in progress...", "Service starting in progress..."}));
    EXPECT_EQ(services.OpenHandles(), 0u);
}

TEST_F(SpoolerGuardTest, StalledStartGivesUpAfterTheWaitHintAndTellsTheOperator) {
    Spooler().status = {kServiceStopped, 0, 0};
    Spooler().startSequence = {{kServiceStartPending, 1, 2000}};  // the check point never grows
    EXPECT_FALSE(Ensure());
    // 1000 and 2000 ms without progress are within the hint; at 3000 ms the wait ends.
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{1000, 1000, 1000}));
    EXPECT_EQ(messages, std::vector<std::string>{kStoppedEnglish});
    EXPECT_TRUE(debug.lines.empty());
    EXPECT_EQ(services.OpenHandles(), 0u);
}

TEST_F(SpoolerGuardTest, PollIntervalFollowsTheWaitHintWithinOneAndTenSeconds) {
    EXPECT_EQ(SpoolerGuard::PollInterval(0), 1000u);
    EXPECT_EQ(SpoolerGuard::PollInterval(9999), 1000u);
    EXPECT_EQ(SpoolerGuard::PollInterval(25000), 2500u);
    EXPECT_EQ(SpoolerGuard::PollInterval(300000), 10000u);

    Spooler().status = {kServiceStopped, 0, 0};
    Spooler().startSequence = {{kServiceStartPending, 0, 300000}, {kServiceRunning, 0, 0}};
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{10000});
}

TEST_F(SpoolerGuardTest, PausedSpoolerCountsAsRunningWhenTheStartIsRefusedAsAlreadyRunning) {
    Spooler().status = {kServicePaused, 0, 0};
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(Spooler().startRequests, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(services.OpenHandles(), 0u);
}

TEST_F(SpoolerGuardTest, StartThatFailsOrEndsStoppedIsASpoolerThatCannotBeStarted) {
    Spooler().status = {kServiceStopped, 0, 0};
    services.startError = 1058;  // disabled
    EXPECT_FALSE(Ensure());
    EXPECT_EQ(services.OpenHandles(), 0u);

    services.startError = 0;
    Spooler().status = {kServiceStopped, 0, 0};
    Spooler().startSequence = {{kServiceStartPending, 0, 0}, {kServiceStopped, 0, 0}};
    EXPECT_FALSE(Ensure(Language::Korean));
    EXPECT_EQ(messages.back(), "Print Spooler가 중지되었습니다.\n프린터 스풀러를 시작한 후,\n다시 설치 바랍니다.");
    EXPECT_EQ(services.OpenHandles(), 0u);
}

TEST_F(SpoolerGuardTest, QueryFailuresAreReportedWithTheirCodeAndStartUpGoesOn) {
    services.openManagerError = kErrorAccessDenied;
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(messages.back(), "OpenSCManager() failed !!! ErrorCode=5");
    EXPECT_EQ(Spooler().startRequests, 0);

    services.openManagerError = 0;
    services.openServiceError = kErrorServiceDoesNotExist;
    EXPECT_TRUE(Ensure(Language::Korean));
    EXPECT_EQ(messages.back(), "OpenService()을 실패했습니다 !!! ErrorCode=1060");
    EXPECT_EQ(services.OpenHandles(), 0u);

    services.openServiceError = 0;
    services.queryError = 31;
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(messages.back(), "QueryServiceStatus() failed !!! ErrorCode=31");
    EXPECT_EQ(services.OpenHandles(), 0u);

    services.queryError = 0;
    services.closeError = kErrorInvalidHandle;
    EXPECT_EQ(guard.QueryServiceState("spooler").code, SpoolerGuard::kCloseHandleFailed);
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(messages.back(), "CloseServiceHandle() failed !!! ErrorCode=6");
    EXPECT_EQ(services.OpenHandles(), 0u);
}

TEST_F(SpoolerGuardTest, StatusReadFailingDuringTheWaitEndsItWithTheLastStateRead) {
    Spooler().status = {kServiceStopped, 0, 0};
    Spooler().startSequence = {{kServiceStartPending, 0, 5000}};
    services.queryError = 21;
    services.queryFailsAfter = 1;  // the status after the start request is read, then reads fail
    EXPECT_EQ(guard.StartServiceAndWait("spooler"), 0);
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{1000});
    EXPECT_EQ(services.OpenHandles(), 0u);
}

}  // namespace
}  // namespace prinstall
