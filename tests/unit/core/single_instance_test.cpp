#include "core/single_instance.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

// The system's named objects as a table of answers per place (Unavailable when not listed).
class FakeSingleRunObjects : public SingleRunObjects {
public:
    std::map<ClaimPlace, ClaimAnswer> answers;
    std::vector<ClaimPlace> tried;
    ClaimAnswer Claim(ClaimPlace place) override {
        tried.push_back(place);
        auto it = answers.find(place);
        return it == answers.end() ? ClaimAnswer::Unavailable : it->second;
    }
};

constexpr ClaimPlace kNamespace = ClaimPlace::PrivateNamespace;
constexpr ClaimPlace kGlobal = ClaimPlace::GlobalName;
constexpr ClaimPlace kSecond = ClaimPlace::GlobalSecondName;
constexpr ClaimPlace kSession = ClaimPlace::SessionName;
constexpr ClaimAnswer kCreated = ClaimAnswer::Created;
constexpr ClaimAnswer kRunning = ClaimAnswer::HeldByAdministrators;
constexpr ClaimAnswer kSquatted = ClaimAnswer::HeldBySomeoneElse;

TEST(SingleRun, OnlyAnAdministratorsClaimTurnsAStartAway) {
    const struct {
        std::map<ClaimPlace, ClaimAnswer> answers;
        SingleRun result;
        std::vector<ClaimPlace> tried;
        size_t logLines;
    } rows[] = {
        // Vista and later: the private namespace decides.
        {{{kNamespace, kCreated}}, SingleRun::Claimed, {kNamespace}, 0},
        {{{kNamespace, kRunning}, {kGlobal, kCreated}}, SingleRun::AlreadyRunning, {kNamespace}, 0},
        // Windows 2000 and XP: the protected Global mutex.
        {{{kGlobal, kCreated}}, SingleRun::Claimed, {kNamespace, kGlobal}, 0},
        {{{kGlobal, kRunning}}, SingleRun::AlreadyRunning, {kNamespace, kGlobal}, 0},
        // A squatted name is passed over, and the second name still keeps two runs apart.
        {{{kGlobal, kSquatted}, {kSecond, kCreated}}, SingleRun::Claimed, {kNamespace, kGlobal, kSecond}, 1},
        {{{kGlobal, kSquatted}, {kSecond, kRunning}}, SingleRun::AlreadyRunning, {kNamespace, kGlobal, kSecond}, 1},
        // No Global namespace: the session's name.
        {{{kSession, kRunning}}, SingleRun::AlreadyRunning, {kNamespace, kGlobal, kSecond, kSession}, 0},
        // Nothing left: the run goes on, and says so.
        {{{kGlobal, kSquatted}, {kSecond, kSquatted}, {kSession, kSquatted}},
         SingleRun::Unguarded,
         {kNamespace, kGlobal, kSecond, kSession},
         4},
        {{}, SingleRun::Unguarded, {kNamespace, kGlobal, kSecond, kSession}, 1},
    };
    int row = 0;
    for (const auto& r : rows) {
        FakeSingleRunObjects objects;
        objects.answers = r.answers;
        fakes::FakeDebugLog debug;
        EXPECT_EQ(ClaimSingleRun(objects, debug), r.result) << "row " << row;
        EXPECT_EQ(objects.tried, r.tried) << "row " << row;
        EXPECT_EQ(debug.lines.size(), r.logLines) << "row " << row;
        ++row;
    }
}

}  // namespace
}  // namespace prinstall
