// The proof kit's runner: which suites run where, the state comparison, JUnit XML and the report.
#include "proof_core.h"

#include <gtest/gtest.h>

namespace proof {
namespace {

const char kManifest[] =
    "# comment\n"
    "e2e.cli.network\tprinstall_e2e_win.exe\tCommandLine.*\t300\tno_display\t\t\t\t\t\t\t*Dialogs*\tUnix\r\n"
    "e2e.main.korean\tprinstall_e2e_win.exe\tMainDialogKorean.*\t120\tkorean\tA=1|B=x=y\t\t\t\t\t\t\t\n"
    "e2e.usb.device\tprinstall_usb_win.exe\tUsb.*\t300\t\t\tusb\tstand-in USB entries\t\t\t\t\t\n"
    "integration.win32\tprinstall_integration_win.exe\t-*On64BitWine*\t300\t\t\t\t\tPlatform*:Common*\tWine's "
    "settings\tloaded\t\t\n"
    "integration.win64\tprinstall_integration_win.exe\t*On64BitWine*\t300\twin64\t\t\t\t\t\t\t\t\n"
    "bad\t..\\evil.exe\t\t300\t\t\t\t\t\t\t\t\t\n"
    "short\tx.exe\n";

TEST(ProofManifest, ReadsSuitesAndDecidesWhereEachRuns) {
    const Manifest manifest = ParseManifest(kManifest);
    ASSERT_EQ(manifest.suites.size(), 5u);
    ASSERT_EQ(manifest.errors.size(), 2u);
    EXPECT_NE(manifest.errors[0].find("line 7"), std::string::npos);
    const Suite& korean = manifest.suites[1];
    EXPECT_EQ(korean.timeoutSeconds, 120);
    EXPECT_EQ(korean.environment, (std::vector<std::string>{"A=1", "B=x=y"}));

    const Machine wine32{true, false, 1252}, windows64{false, true, 1252}, koreanWindows{false, true, 949};
    EXPECT_EQ(SkipReason(manifest.suites[0], wine32), "");
    EXPECT_EQ(SkipReason(manifest.suites[3], wine32), "");
    EXPECT_EQ(SkipReason(manifest.suites[2], windows64), "skipped on Windows: stand-in USB entries");
    EXPECT_NE(SkipReason(manifest.suites[2], wine32).find("set-up (usb)"), std::string::npos);
    EXPECT_NE(SkipReason(manifest.suites[4], wine32).find("64-bit"), std::string::npos);
    EXPECT_EQ(SkipReason(manifest.suites[4], windows64), "");
    EXPECT_NE(SkipReason(korean, windows64).find("949"), std::string::npos);
    EXPECT_EQ(SkipReason(korean, koreanWindows), "");
    EXPECT_NE(SkipReason(manifest.suites[0], koreanWindows), "");

    // Wine-only tests are left out on Windows, within the suite's own filter.
    EXPECT_EQ(FilterFor(manifest.suites[3], wine32), "-*On64BitWine*");
    EXPECT_EQ(FilterFor(manifest.suites[3], windows64), "-*On64BitWine*:Platform*:Common*");
    Suite positive = manifest.suites[3];
    positive.filter = "Registration.*";
    EXPECT_EQ(FilterFor(positive, windows64), "Registration.*-Platform*:Common*");
    // What the kit leaves out, it leaves out under Wine too.
    EXPECT_EQ(FilterFor(manifest.suites[0], wine32), "CommandLine.*-*Dialogs*");
    EXPECT_EQ(manifest.suites[3].restartExpected, "loaded");

    EXPECT_TRUE(NameMatches("e2e.cli.*,contract.win32", "e2e.cli.network"));
    EXPECT_TRUE(NameMatches("e2e.cli.*,contract.win32", "contract.win32"));
    EXPECT_FALSE(NameMatches("e2e.cli.*,contract.win32", "contract.win64"));
}

TEST(ProofState, NamesEveryDifferenceBothWays) {
    const State before = {{"queues", {"Office (driver X, port LPT1:)"}}, {"files: C:\\drivers", {"a.dll"}}};
    State after = before;
    after["files: C:\\drivers"].insert("3\\planted.dll");
    after["queues"].clear();
    after["records"].insert("Printers\\");
    EXPECT_EQ(Differences(before, before), std::vector<std::string>{});
    EXPECT_EQ(Differences(before, after), (std::vector<std::string>{"left behind in files: C:\\drivers: 3\\planted.dll",
                                                                    "gone from queues: Office (driver X, port LPT1:)",
                                                                    "left behind in records: Printers\\"}));
    EXPECT_TRUE(IsProductDriver("TORVA Label Printer #12"));
    EXPECT_FALSE(IsProductDriver("TORVA Label Printer"));
    EXPECT_TRUE(IsWindowsOwnName("unidrv.DLL"));
    EXPECT_FALSE(IsWindowsOwnName("TVLabel.DLL"));
    const std::set<std::string> media = {"TVLabel.GPD", "TVLabelUI.DLL", "UNIDRV.DLL"};
    for (const char* ours : {"tvlabel.gpd", "TVLabel12.GPD", "TVLabel3.INI", "TVLabelUI7.DLL", "UNIDRV.DLL"}) {
        EXPECT_TRUE(IsKitFileName(ours, media)) << ours;
    }
    for (const char* others :
         {"proof-planted.dll", "TVLabel12.DLL", "TVLabelX1.GPD", "UNIDRV2.DLL.bak", "TVLabel.INI"}) {
        EXPECT_FALSE(IsKitFileName(others, media)) << others;
    }
}

// A file pending deletion at the next restart is named apart from other leftovers: the
// suite that expects it passes, any other fails.
TEST(ProofState, TellsWhatWaitsForTheNextRestart) {
    std::vector<std::string> differences = {
        "left behind in files: C:\\spool\\w32x86: UI7.DLL.0001.deleted (0 bytes)",
        "left behind in files: C:\\spool\\w32x86: UI8.DLL (5 bytes)",
        "left behind in files: C:\\spool\\w32x86: UI3.DLL.0002.deleted\\",
        "left behind in pending file operations: delete at restart: \\??\\C:\\Spool\\W32X86\\ui7.dll.0001.deleted",
        "left behind in pending file operations: delete at restart: \\??\\C:\\spool\\w32x86\\UI3.DLL.0002.deleted",
        "left behind in queues: Shipping"};
    const std::vector<std::string> pending = TakeRestartPending(&differences);
    EXPECT_EQ(pending.size(), 4u);
    EXPECT_EQ(differences, (std::vector<std::string>{"left behind in files: C:\\spool\\w32x86: UI8.DLL (5 bytes)",
                                                     "left behind in queues: Shipping"}));
    SuiteResult suite;
    suite.counts.read = true;
    suite.restartPending = pending;
    EXPECT_TRUE(suite.Failed());
    suite.restartExpected = "its removal leaves a loaded file";
    EXPECT_FALSE(suite.Failed());
}

TEST(ProofReport, CountsGoogleTestXmlAndFailsOnAnyProblem) {
    const char kXml[] =
        "<?xml version=\"1.0\"?>\n<testsuites tests=\"4\" name=\"AllTests\">\n"
        "  <testsuite name=\"A\" tests=\"4\">\n"
        "    <testcase name=\"Passes\" status=\"run\" result=\"completed\" classname=\"A\" />\n"
        "    <testcase name=\"Fails\" status=\"run\" result=\"completed\" classname=\"A\">\n"
        "      <failure message=\"x\" type=\"\"><![CDATA[x]]></failure>\n    </testcase>\n"
        "    <testcase name=\"Skips\" status=\"run\" result=\"skipped\" classname=\"A\">\n"
        "      <skipped message=\"no &quot;USB&quot; here\"><![CDATA[]]></skipped>\n    </testcase>\n"
        "    <testcase name=\"DISABLED_Off\" status=\"notrun\" result=\"suppressed\" classname=\"A\" />\n"
        "  </testsuite>\n</testsuites>\n";
    const Counts counts = ReadJUnit(kXml);
    EXPECT_TRUE(counts.read);
    EXPECT_EQ(counts.passed, 1);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(counts.skipped, 2);
    EXPECT_EQ(counts.failures, std::vector<std::string>{"A.Fails"});
    EXPECT_EQ(counts.skips, (std::vector<std::string>{"A.Skips: no \"USB\" here", "A.DISABLED_Off: disabled"}));
    EXPECT_FALSE(ReadJUnit("").read);

    Report report;
    report.machine = {{"ANSI code page", "1252"}};
    SuiteResult skipped;
    skipped.name = "e2e.usb.device";
    skipped.skipReason = "skipped on Windows: stand-in \"USB\"";
    SuiteResult passed;
    passed.name = "contract.win32";
    passed.counts.read = true;
    passed.counts.passed = 3;
    report.suites = {skipped, passed};
    EXPECT_FALSE(report.Failed());
    const std::string json = SummaryJson(report);
    EXPECT_NE(json.find("\"skip_reason\": \"skipped on Windows: stand-in \\\"USB\\\"\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"passed\": 3, \"failed\": 0, \"skipped\": 0"), std::string::npos) << json;

    // Each of these alone fails the proof, and the report says why.
    SuiteResult hung = passed;
    hung.timedOut = true;
    hung.timeoutSeconds = 300;
    SuiteResult silent = passed;
    silent.counts.read = false;
    SuiteResult leaving = passed;
    leaving.leftovers = {"left behind in queues: Planted"};
    SuiteResult crashed = passed;
    crashed.exitCode = 0xC0000005;
    for (const SuiteResult& bad : {hung, silent, leaving, crashed}) {
        Report failing = report;
        failing.suites.push_back(bad);
        EXPECT_TRUE(failing.Failed());
        EXPECT_NE(SummaryText(failing).find("Prinstall proof: FAILED"), std::string::npos);
    }
    EXPECT_NE(SummaryText(Report{{}, {}, {hung}, {}}).find("ended at its limit of 300 s"), std::string::npos);
    Report different = report;
    different.differences = {"left behind in files: C:\\x: planted.dll"};
    EXPECT_TRUE(different.Failed());
    EXPECT_NE(SummaryText(different).find("  left behind in files: C:\\x: planted.dll"), std::string::npos);
}

}  // namespace
}  // namespace proof
