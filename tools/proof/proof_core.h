// The proof kit's runner, portable part: the list of suites it carries, which of them run on
// this machine, the machine's printing state before and after, the JUnit XML each test program
// writes, and the report. The Win32 side (proof_runner_win.cpp) only gathers and starts.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace proof {

// One suite of suites.tsv, as scripts/proof-kit.sh derives it from a ctest entry.
struct Suite {
    std::string name;     // the ctest name, e2e.cli.network
    std::string program;  // file name in the kit's tests folder
    std::string filter;   // gtest filter, may be empty
    int timeoutSeconds = 300;
    bool korean = false;                   // needs ANSI code page 949
    bool win64 = false;                    // needs 64-bit Windows
    bool noDisplay = false;                // the unattended command line
    std::vector<std::string> environment;  // NAME=VALUE
    std::string setup;                     // what the folder needs besides the program: "", msi, released, usb
    std::string wineOnly;                  // not empty: skipped on Windows, and why
    std::string windowsExclude;            // gtest patterns left out on Windows (a:b)
    std::string windowsExcludeReason;
    std::string restartExpected;  // not empty: its removal leaves files to delete at the next restart, and why
    std::string kitExclude;       // gtest patterns the kit leaves out on any machine (a:b)
    std::string kitExcludeReason;
};

struct Manifest {
    std::vector<Suite> suites;
    std::vector<std::string> errors;  // "line 7: ..." for every line that could not be read
};

// Tab-separated, one suite a line, '#' starts a comment: name, program, filter, timeout, flags
// (korean,win64,no_display), environment (NAME=VALUE|...), setup, wine-only reason, Windows
// exclusions, their reason, why a deletion at the next restart is expected, the kit's
// exclusions on any machine, their reason.
Manifest ParseManifest(const std::string& text);

// '*' matches any run of characters; several patterns separated by ','.
bool NameMatches(const std::string& patterns, const std::string& name);

struct Machine {
    bool wine = false;  // ntdll exports wine_get_version
    bool x64 = false;   // the system is 64-bit (the runner runs under WOW64)
    unsigned codePage = 1252;
};

// Why a suite does not run on this machine; empty when it runs.
std::string SkipReason(const Suite& suite, const Machine& machine);

// The gtest filter for this machine: the tests the kit leaves out anywhere, and on Windows
// the suite's Wine-only tests, are left out.
std::string FilterFor(const Suite& suite, const Machine& machine);

// The machine's printing state: section ("queues", "drivers", "files: C:\...") -> items.
using State = std::map<std::string, std::set<std::string>>;

std::string StateText(const State& state);

// Every item in one state and not the other, named: "left behind in <section>: <item>" for
// what `after` has more, "gone from <section>: <item>" for what it lacks.
std::vector<std::string> Differences(const State& before, const State& after);

// Moves the differences that wait for the next restart out of `differences`: the file
// operations Windows does at the next start ("left behind in pending file operations: ...")
// and the driver-folder files they delete then. Returns them.
std::vector<std::string> TakeRestartPending(std::vector<std::string>* differences);

// A queue of the installed product: its driver is one of the product's numbered copies.
bool IsProductDriver(const std::string& driver);

// The tests counted from one test program's JUnit XML (as GoogleTest writes it).
struct Counts {
    bool read = false;  // false: no XML, or not GoogleTest's
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    std::vector<std::string> failures;  // "Suite.Test"
    std::vector<std::string> skips;     // "Suite.Test: reason"
};
Counts ReadJUnit(const std::string& xml);

struct SuiteResult {
    std::string name;
    std::string skipReason;  // not empty: the suite did not run
    Counts counts;
    bool timedOut = false;
    int timeoutSeconds = 0;
    unsigned long exitCode = 0;
    std::string problem;                      // could not be started, gave no XML, ...
    std::vector<std::string> leftovers;       // state differences after this suite
    std::vector<std::string> takenBack;       // what the kit removed after it (not a failure)
    std::vector<std::string> restartPending;  // left for the next restart (a failure unless expected)
    std::string restartExpected;
    std::string leftOut;  // tests the kit left out of this suite, and why
    double seconds = 0;
    std::string log;  // relative to the report folder
    bool Failed() const;
};

struct Report {
    std::vector<std::pair<std::string, std::string>> machine;  // what summary.txt lists first
    std::vector<std::string> refusals;                         // why nothing ran
    std::vector<SuiteResult> suites;
    std::vector<std::string> differences;     // before the first suite against after the last
    std::vector<std::string> restartPending;  // of those, what a suite expected to wait for a restart
    bool Failed() const;
};

std::string SummaryText(const Report& report);
std::string SummaryJson(const Report& report);

// Names of Windows' own files among the media (the Unidrv files); the kit never copies a
// stand-in of one of these over the machine's own.
bool IsWindowsOwnName(const std::string& fileName);

// A file the kit's media or the product's numbered copies put into a driver folder: a media
// file's name, or one of them with a copy number before the extension (TVLabel12.GPD).
bool IsKitFileName(const std::string& fileName, const std::set<std::string>& mediaNames);

}  // namespace proof
