#include "proof_core.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace proof {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Glob(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') return Glob(pattern + 1, name) || (*name != '\0' && Glob(pattern, name + 1));
    return *name == *pattern && Glob(pattern + 1, name + 1);
}

// The value of attribute `name` inside one start tag, XML entities left as they are but for
// the few GoogleTest writes.
std::string Attribute(const std::string& tag, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const auto at = tag.find(key);
    if (at == std::string::npos) return "";
    const auto start = at + key.size();
    const auto end = tag.find('"', start);
    std::string value = tag.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::pair<const char*, const char*> entities[] = {{"&quot;", "\""}, {"&apos;", "'"}, {"&lt;", "<"},
                                                            {"&gt;", ">"},    {"&#x0A;", " "}, {"&amp;", "&"}};
    for (const auto& [entity, text] : entities) {
        for (auto p = value.find(entity); p != std::string::npos; p = value.find(entity, p + 1)) {
            value.replace(p, std::string(entity).size(), text);
        }
    }
    return value;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

}  // namespace

Manifest ParseManifest(const std::string& text) {
    Manifest manifest;
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> fields = Split(line, '\t');
        const std::string where = "line " + std::to_string(number) + ": ";
        if (fields.size() != 13) {
            manifest.errors.push_back(where + std::to_string(fields.size()) + " fields, not 13");
            continue;
        }
        Suite suite;
        suite.name = fields[0];
        suite.program = fields[1];
        suite.filter = fields[2];
        try {
            suite.timeoutSeconds = std::stoi(fields[3]);
        } catch (...) {
            suite.timeoutSeconds = 0;
        }
        if (suite.name.empty() || suite.program.empty() || suite.timeoutSeconds <= 0) {
            manifest.errors.push_back(where + "a suite needs a name, a program and a time limit");
            continue;
        }
        if (suite.program.find_first_of("\\/:") != std::string::npos) {
            manifest.errors.push_back(where + "the program must be a file name in the tests folder: " + suite.program);
            continue;
        }
        bool known = true;
        for (const std::string& flag : Split(fields[4], ',')) {
            if (flag == "korean")
                suite.korean = true;
            else if (flag == "win64")
                suite.win64 = true;
            else if (flag == "no_display")
                suite.noDisplay = true;
            else if (!flag.empty())
                known = false;
        }
        if (!known) {
            manifest.errors.push_back(where + "unknown flags " + fields[4]);
            continue;
        }
        for (const std::string& kv : Split(fields[5], '|')) {
            if (!kv.empty()) suite.environment.push_back(kv);
        }
        suite.setup = fields[6];
        suite.wineOnly = fields[7];
        suite.windowsExclude = fields[8];
        suite.windowsExcludeReason = fields[9];
        suite.restartExpected = fields[10];
        suite.kitExclude = fields[11];
        suite.kitExcludeReason = fields[12];
        manifest.suites.push_back(suite);
    }
    return manifest;
}

bool NameMatches(const std::string& patterns, const std::string& name) {
    for (const std::string& pattern : Split(patterns, ',')) {
        if (!pattern.empty() && Glob(pattern.c_str(), name.c_str())) return true;
    }
    return false;
}

std::string SkipReason(const Suite& suite, const Machine& machine) {
    if (!machine.wine && !suite.wineOnly.empty()) return "skipped on Windows: " + suite.wineOnly;
    if (!suite.setup.empty() && suite.setup != "msi" && suite.setup != "released") {
        return "skipped: its set-up (" + suite.setup + ") is a script of the Wine test bed, which only ctest runs";
    }
    if (suite.win64 && !machine.x64) return "skipped: needs 64-bit Windows, and this system is 32-bit";
    if (suite.korean && machine.codePage != 949) {
        return "skipped: needs the Korean ANSI code page 949, and this machine has " + std::to_string(machine.codePage);
    }
    if (!suite.korean && machine.codePage == 949) {
        return "skipped: shows the English texts, which the program gives only where the ANSI code page is not 949";
    }
    return "";
}

std::string FilterFor(const Suite& suite, const Machine& machine) {
    std::string exclude = suite.kitExclude;
    if (!machine.wine && !suite.windowsExclude.empty()) exclude += (exclude.empty() ? "" : ":") + suite.windowsExclude;
    if (exclude.empty()) return suite.filter;
    // GoogleTest's filter: positive patterns, then '-' and the negative ones.
    const auto dash = suite.filter.find('-');
    if (dash == std::string::npos) return (suite.filter.empty() ? "*" : suite.filter) + "-" + exclude;
    return suite.filter + ":" + exclude;
}

std::string StateText(const State& state) {
    std::string out;
    for (const auto& [section, items] : state) {
        out += "[" + section + "]\n";
        for (const std::string& item : items) out += item + "\n";
    }
    return out;
}

std::vector<std::string> Differences(const State& before, const State& after) {
    std::vector<std::string> out;
    static const std::set<std::string> kNone;
    std::set<std::string> sections;
    for (const auto& entry : before) sections.insert(entry.first);
    for (const auto& entry : after) sections.insert(entry.first);
    for (const std::string& section : sections) {
        const auto b = before.find(section);
        const auto a = after.find(section);
        const std::set<std::string>& was = b == before.end() ? kNone : b->second;
        const std::set<std::string>& is = a == after.end() ? kNone : a->second;
        for (const std::string& item : is) {
            if (!was.count(item)) out.push_back("left behind in " + section + ": " + item);
        }
        for (const std::string& item : was) {
            if (!is.count(item)) out.push_back("gone from " + section + ": " + item);
        }
    }
    return out;
}

std::vector<std::string> TakeRestartPending(std::vector<std::string>* differences) {
    static const std::string kOperation = "left behind in pending file operations: ";
    static const std::string kDelete = "delete at restart: ";
    std::set<std::string> deleted;  // lower case, without the \\??\\ of the NT name
    for (const std::string& item : *differences) {
        if (item.rfind(kOperation + kDelete, 0) != 0) continue;
        std::string path = item.substr(kOperation.size() + kDelete.size());
        if (path.rfind("\\??\\", 0) == 0) path = path.substr(4);
        deleted.insert(Lower(path));
    }
    std::vector<std::string> pending;
    auto waits = [&](const std::string& item) {
        if (item.rfind(kOperation, 0) == 0) return true;
        static const std::string kFiles = "left behind in files: ";
        if (item.rfind(kFiles, 0) != 0) return false;
        // FOLDER: NAME (detail) for a file, FOLDER: NAME\ for a folder (Wine renames a
        // library it still has loaded to a folder entry of that name).
        const std::string rest = item.substr(kFiles.size());
        const auto colon = rest.find(": ");
        if (colon == std::string::npos) return false;
        const auto end = rest.back() == '\\' ? rest.size() - 1 : rest.rfind(" (");
        if (end == std::string::npos || end < colon) return false;
        return deleted.count(Lower(rest.substr(0, colon) + "\\" + rest.substr(colon + 2, end - colon - 2))) > 0;
    };
    for (auto it = differences->begin(); it != differences->end();) {
        if (waits(*it)) {
            pending.push_back(*it);
            it = differences->erase(it);
        } else {
            ++it;
        }
    }
    return pending;
}

bool IsProductDriver(const std::string& driver) { return Lower(driver).rfind("torva label printer #", 0) == 0; }

Counts ReadJUnit(const std::string& xml) {
    Counts counts;
    if (xml.find("<testsuites") == std::string::npos) return counts;
    counts.read = true;
    for (auto at = xml.find("<testcase "); at != std::string::npos; at = xml.find("<testcase ", at + 1)) {
        const auto tagEnd = xml.find('>', at);
        if (tagEnd == std::string::npos) {
            counts.read = false;
            break;
        }
        const std::string tag = xml.substr(at, tagEnd - at + 1);
        std::string body;
        if (tag[tag.size() - 2] != '/') {
            const auto close = xml.find("</testcase>", tagEnd);
            body = xml.substr(tagEnd, close == std::string::npos ? std::string::npos : close - tagEnd);
        }
        const std::string test = Attribute(tag, "classname") + "." + Attribute(tag, "name");
        if (body.find("<failure") != std::string::npos || body.find("<error") != std::string::npos) {
            ++counts.failed;
            counts.failures.push_back(test);
        } else if (Attribute(tag, "result") == "skipped" || Attribute(tag, "status") == "notrun" ||
                   body.find("<skipped") != std::string::npos) {
            ++counts.skipped;
            const auto skippedAt = body.find("<skipped");
            std::string reason =
                skippedAt == std::string::npos
                    ? std::string(Attribute(tag, "status") == "notrun" ? "disabled" : "")
                    : Attribute(body.substr(skippedAt, body.find('>', skippedAt) - skippedAt), "message");
            counts.skips.push_back(test + ": " + (reason.empty() ? "no reason given" : reason));
        } else {
            ++counts.passed;
        }
    }
    return counts;
}

bool SuiteResult::Failed() const {
    if (!skipReason.empty()) return false;
    return timedOut || !problem.empty() || !leftovers.empty() || !counts.read || counts.failed > 0 || exitCode != 0 ||
           (!restartPending.empty() && restartExpected.empty());
}

bool Report::Failed() const {
    if (!refusals.empty() || !differences.empty()) return true;
    return std::any_of(suites.begin(), suites.end(), [](const SuiteResult& s) { return s.Failed(); });
}

namespace {

std::string Outcome(const SuiteResult& suite) {
    if (!suite.skipReason.empty()) return "skipped";
    return suite.Failed() ? "failed" : "passed";
}

// Why a suite failed, beyond its failing tests.
std::vector<std::string> Problems(const SuiteResult& suite) {
    std::vector<std::string> out;
    if (suite.timedOut) out.push_back("ended at its limit of " + std::to_string(suite.timeoutSeconds) + " s");
    if (!suite.problem.empty()) out.push_back(suite.problem);
    if (suite.skipReason.empty() && !suite.timedOut && suite.problem.empty() && !suite.counts.read) {
        out.push_back("wrote no JUnit XML");
    }
    if (suite.skipReason.empty() && !suite.timedOut && suite.exitCode != 0 && suite.counts.failed == 0) {
        out.push_back("exit code " + std::to_string(suite.exitCode) + " with no failed test");
    }
    for (const std::string& leftover : suite.leftovers) out.push_back(leftover);
    if (suite.restartExpected.empty()) {
        for (const std::string& item : suite.restartPending) out.push_back(item + " (until the next restart)");
    }
    return out;
}

}  // namespace

std::string SummaryText(const Report& report) {
    std::ostringstream out;
    out << "Prinstall proof: " << (report.Failed() ? "FAILED" : "passed") << "\n\n";
    for (const auto& [key, value] : report.machine) out << key << ": " << value << "\n";
    if (!report.refusals.empty()) {
        out << "\nNothing was run:\n";
        for (const std::string& refusal : report.refusals) out << "  " << refusal << "\n";
    }
    int passed = 0, failed = 0, skipped = 0;
    out << "\n";
    for (const SuiteResult& suite : report.suites) {
        passed += suite.counts.passed;
        failed += suite.counts.failed;
        skipped += suite.counts.skipped;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.0f s", suite.seconds);
        out << Outcome(suite) << "  " << suite.name;
        if (!suite.skipReason.empty()) {
            out << "  (" << suite.skipReason << ")\n";
            continue;
        }
        out << "  passed " << suite.counts.passed << ", failed " << suite.counts.failed << ", skipped "
            << suite.counts.skipped << ", " << seconds << (suite.log.empty() ? "" : ", log " + suite.log) << "\n";
        for (const std::string& test : suite.counts.failures) out << "    failed: " << test << "\n";
        for (const std::string& test : suite.counts.skips) out << "    skipped: " << test << "\n";
        if (!suite.leftOut.empty()) out << "    left out: " << suite.leftOut << "\n";
        for (const std::string& problem : Problems(suite)) out << "    " << problem << "\n";
        if (!suite.restartExpected.empty()) {
            for (const std::string& item : suite.restartPending) {
                out << "    until the next restart, as expected of this suite (" << suite.restartExpected
                    << "): " << item << "\n";
            }
        }
        for (const std::string& item : suite.takenBack) out << "    taken back: " << item << "\n";
    }
    out << "\nTests: passed " << passed << ", failed " << failed << ", skipped " << skipped << "\n";
    out << "Printing state before the first suite and after the last: "
        << (report.differences.empty() ? "the same" : "DIFFERENT") << "\n";
    for (const std::string& difference : report.differences) out << "  " << difference << "\n";
    if (!report.restartPending.empty()) {
        out << "Waiting for the next restart, as the suites above expected (a real difference until then):\n";
        for (const std::string& item : report.restartPending) out << "  " << item << "\n";
    }
    return out.str();
}

std::string SummaryJson(const Report& report) {
    std::ostringstream out;
    out << "{\n  \"result\": " << JsonString(report.Failed() ? "failed" : "passed") << ",\n  \"machine\": {";
    for (std::size_t i = 0; i < report.machine.size(); ++i) {
        out << (i ? ",\n    " : "\n    ") << JsonString(report.machine[i].first) << ": "
            << JsonString(report.machine[i].second);
    }
    out << "\n  },\n  \"refusals\": " << JsonList(report.refusals) << ",\n  \"suites\": [";
    for (std::size_t i = 0; i < report.suites.size(); ++i) {
        const SuiteResult& suite = report.suites[i];
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", suite.seconds);
        out << (i ? ",\n    {" : "\n    {") << "\"name\": " << JsonString(suite.name)
            << ", \"outcome\": " << JsonString(Outcome(suite)) << ", \"passed\": " << suite.counts.passed
            << ", \"failed\": " << suite.counts.failed << ", \"skipped\": " << suite.counts.skipped
            << ", \"seconds\": " << seconds << ", \"skip_reason\": " << JsonString(suite.skipReason)
            << ", \"failures\": " << JsonList(suite.counts.failures) << ", \"skips\": " << JsonList(suite.counts.skips)
            << ", \"problems\": " << JsonList(Problems(suite)) << ", \"taken_back\": " << JsonList(suite.takenBack)
            << ", \"until_restart\": " << JsonList(suite.restartPending)
            << ", \"until_restart_expected\": " << JsonString(suite.restartExpected)
            << ", \"left_out\": " << JsonString(suite.leftOut) << ", \"log\": " << JsonString(suite.log) << "}";
    }
    out << "\n  ],\n  \"differences\": " << JsonList(report.differences)
        << ",\n  \"until_restart\": " << JsonList(report.restartPending) << "\n}\n";
    return out.str();
}

bool IsWindowsOwnName(const std::string& fileName) {
    static const std::set<std::string> kNames = {"unidrv.dll", "unidrv.hlp", "unidrvui.dll", "unires.dll",
                                                 "stdnames.gpd"};
    return kNames.count(Lower(fileName)) > 0;
}

bool IsKitFileName(const std::string& fileName, const std::set<std::string>& mediaNames) {
    const std::string name = Lower(fileName);
    const auto dot = name.rfind('.');
    std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    while (!stem.empty() && std::isdigit(static_cast<unsigned char>(stem.back()))) stem.pop_back();
    for (const std::string& media : mediaNames) {
        const std::string lower = Lower(media);
        if (lower == name) return true;
        // Numbered copies of a media file, and the settings file each copy gets.
        const auto mediaDot = lower.rfind('.');
        if (stem.size() < name.substr(0, dot).size() && lower.substr(0, mediaDot) == stem &&
            (lower.substr(mediaDot == std::string::npos ? lower.size() : mediaDot) == extension ||
             extension == ".ini")) {
            return true;
        }
    }
    return false;
}

}  // namespace proof
