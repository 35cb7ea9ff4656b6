#include "core/label_drivers.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

std::vector<PrinterInfo2> Queues(std::initializer_list<const char*> drivers) {
    std::vector<PrinterInfo2> out;
    int i = 0;
    for (const char* d : drivers) out.push_back({"Queue " + std::to_string(++i), "COM1:", d});
    return out;
}

TEST(LabelDriverScan, NumbersTheNextCopyAfterTheCopiesInUse) {
    int number = 0;
    EXPECT_EQ(ScanLabelDrivers({}, number), 0);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(ProposedQueueName(0, number), "TORVA Label Printer");

    number = 0;
    auto queues = Queues({"TORVA Label Printer #1", "Generic / Text Only", "TORVA Label Printer #3"});
    EXPECT_EQ(ScanLabelDrivers(queues, number), 2);
    EXPECT_EQ(number, 2);
    EXPECT_EQ(ProposedQueueName(2, number), "TORVA Label Printer 2");
    EXPECT_EQ(LabelDriverName(number), "TORVA Label Printer #2");
}

TEST(LabelDriverScan, PrefixIsComparedExactlyIncludingLetterCase) {
    int number = 0;
    auto queues = Queues(
        {"torva Label Printer #1", "TORVA LABEL PRINTER #2", "TORVA Label Printer 3", "XTORVA Label Printer #4"});
    EXPECT_EQ(ScanLabelDrivers(queues, number), 0);
    EXPECT_EQ(number, 1);
}

TEST(LabelDriverScan, NumbersOutsideTheRangeAreCountedButMarkNothing) {
    int number = 0;
    auto queues = Queues({"TORVA Label Printer #0", "TORVA Label Printer #501", "TORVA Label Printer #-3",
                          "TORVA Label Printer #abc", "TORVA Label Printer #", "TORVA Label Printer #1"});
    EXPECT_EQ(ScanLabelDrivers(queues, number), 6);
    EXPECT_EQ(number, 2);
}

TEST(LabelDriverScan, NumberIsTheLeadingDigitsOfTheSecondPiece) {
    int number = 0;
    // Empty pieces between '#' are skipped, and digits end at the first other character.
    auto queues = Queues({"TORVA Label Printer ##1", "TORVA Label Printer #2 (copy)", "TORVA Label Printer # 3#9"});
    EXPECT_EQ(ScanLabelDrivers(queues, number), 3);
    EXPECT_EQ(number, 4);
}

// With every number taken no copy can be installed: the number is 0 and no numbered name is
// proposed.
TEST(LabelDriverScan, AllNumbersInUseLeaveNoNumber) {
    std::vector<PrinterInfo2> queues;
    for (int n = 1; n <= 500; ++n) queues.push_back({"Q", "COM1:", LabelDriverName(n)});
    int number = 42;
    EXPECT_EQ(ScanLabelDrivers(queues, number), 500);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(ProposedQueueName(500, number), "TORVA Label Printer");
    queues.erase(queues.begin() + 499);
    EXPECT_EQ(ScanLabelDrivers(queues, number), 499);
    EXPECT_EQ(number, 500);
}

TEST(QueueNames, CompareWithoutCaseAndFitTheSpooler) {
    EXPECT_TRUE(SameQueueName("TORVA Label Printer", "torva LABEL printer"));
    EXPECT_TRUE(SameQueueName("Étiquette Ärger", "éTIQUETTE äRGER"));
    EXPECT_TRUE(SameQueueName("Принтер Łódź", "ПРИНТЕР łÓDŹ"));
    EXPECT_TRUE(SameQueueName("라벨 프린터", "라벨 프린터"));
    EXPECT_FALSE(SameQueueName("Printer 1", "Printer 10"));
    EXPECT_FALSE(SameQueueName("Printer", "Printer "));
    EXPECT_FALSE(SameQueueName("ä", "a"));

    // The system's own comparison decides where it has one (Armenian has case, the table
    // has none for it); before Vista the table does.
    fakes::FakeSpooler spooler;
    EXPECT_FALSE(SameQueueName(spooler, "Տպիչ", "ՏՊԻՉ"));
    EXPECT_TRUE(SameQueueName(spooler, "Dock", "DOCK"));
    spooler.systemComparison = [](const std::string& a, const std::string& b) { return a.size() == b.size(); };
    EXPECT_TRUE(SameQueueName(spooler, "Տպիչ", "ՏՊԻՉ"));
    EXPECT_TRUE(AnyQueueUses(spooler, {{"q", "COM1:", "Տպիչ"}}, "ՏՊԻՉ"));

    const struct {
        const char* name;
        QueueNameFault fault;
    } blanks[] = {
        {"", QueueNameFault::Empty},
        {" \t ", QueueNameFault::Empty},
        {"\r\n\v\f", QueueNameFault::Empty},
        {"\u3000\u3000", QueueNameFault::Empty},                    // ideographic space
        {"\u00A0 \u0085", QueueNameFault::Empty},                   // no-break space, next line
        {"\u2000\u2005\u200A\u202F\u205F", QueueNameFault::Empty},  // the typographic spaces
        {"\u2028\u2029\u1680", QueueNameFault::Empty},              // line and paragraph separators
        {"\u3000라벨", QueueNameFault::None},
    };
    for (const auto& row : blanks) EXPECT_EQ(CheckQueueName(row.name), row.fault) << row.name;
    EXPECT_EQ(CheckQueueName("\\\\server\\q"), QueueNameFault::ForbiddenCharacter);
    EXPECT_EQ(CheckQueueName("a,b"), QueueNameFault::ForbiddenCharacter);
    EXPECT_EQ(CheckQueueName(std::string(220, 'x')), QueueNameFault::None);
    EXPECT_EQ(CheckQueueName(std::string(221, 'x')), QueueNameFault::TooLong);
    std::string korean;
    for (int i = 0; i < 220; ++i) korean += "라";  // three bytes, one UTF-16 unit each
    EXPECT_EQ(CheckQueueName(korean), QueueNameFault::None);
}

TEST(CopyCount, ReadsTheLeadingNumberAndCutsAt500) {
    struct Case {
        const char* text;
        int value;
        bool clamped;
    } cases[] = {
        {"12abc", 12, false},
        {"abc", 0, false},
        {"900", 500, true},
        {"500", 500, false},
        {"-4", -4, false},
        {"", 0, false},
        {"  +7", 7, false},
        {"\t3", 3, false},
        {"1 2", 1, false},
        {"99999999999999", 500, true},
        {"-99999999999", -2147483647 - 1, false},
    };
    for (const Case& c : cases) {
        CopyCount parsed = ParseCopyCount(c.text);
        EXPECT_EQ(parsed.value, c.value) << '"' << c.text << '"';
        EXPECT_EQ(parsed.clamped, c.clamped) << '"' << c.text << '"';
    }
    // Only the first 63 characters are read.
    EXPECT_EQ(ParseCopyCount(std::string(62, ' ') + "7").value, 7);
    EXPECT_EQ(ParseCopyCount(std::string(63, ' ') + "7").value, 0);
}

}  // namespace
}  // namespace prinstall
