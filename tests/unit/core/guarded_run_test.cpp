#include "core/guarded_run.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

TEST(RunGuarded, AnyExceptionEndsAsAFailureThatNamesIt) {
    const struct {
        std::function<Outcome()> run;
        Language language;
        const char* text;
    } rows[] = {
        {[]() -> Outcome { throw std::runtime_error("spooler gone"); }, Language::English,
         "The installation stopped because of an unexpected error: spooler gone"},
        {[]() -> Outcome { throw std::bad_alloc(); }, Language::Korean,
         "예기치 않은 오류로 설치가 중단되었습니다: std::bad_alloc"},
        {[]() -> Outcome { throw 42; }, Language::English,
         "The installation stopped because of an unexpected error: unknown exception"},
    };
    for (const auto& row : rows) {
        fakes::FakeDebugLog debug;
        const Outcome outcome = RunGuarded(row.run, kInstallationStopped, row.language, debug);
        EXPECT_EQ(outcome.kind, OutcomeKind::Failure);
        EXPECT_EQ(outcome.text, row.text);
        EXPECT_EQ(debug.lines, std::vector<std::string>{row.text});
    }
    fakes::FakeDebugLog debug;
    const Outcome passed =
        RunGuarded([] { return Outcome::Failure("AddPrinter failed", 5); }, kRemovalStopped, Language::English, debug);
    EXPECT_EQ(passed.text, "AddPrinter failed");
    EXPECT_EQ(passed.error, 5u);
    EXPECT_TRUE(debug.lines.empty());
}

}  // namespace
}  // namespace prinstall
