#include <gtest/gtest.h>

#include "core/printer_records.h"
#include "fakes/fake_platform.h"

namespace prinstall {
namespace {

QueueRecord Record(const std::string& name, const std::string& driver) {
    QueueRecord r;
    r.queueName = name;
    r.driver = driver;
    return r;
}

// Which queue each record names now, by its driver first and its name second.
TEST(RecordMatchTest, RecordsFindTheirQueuesByDriverWhateverTheirNameNow) {
    fakes::FakeSpooler spooler;
    const std::vector<PrinterInfo2> queues = {
        {"front desk", "COM1:", "TORVA Label Printer #1"},   // its own name, letter case aside
        {"Reception", "COM1:", "TORVA Label Printer #2"},    // renamed from "Dock"
        {"Shipping", "LPT1:", "Other Maker Label"},          // took a recorded name, not its driver
        {"Back Office", "COM2:", "TORVA Label Printer #4"},  // renamed onto a name another record kept
        {"Twin A", "COM1:", "TORVA Label Printer #5"},       // two queues on one driver:
        {"Twin B", "COM1:", "TORVA Label Printer #5"},       // which one was ours is unclear
    };
    const std::vector<QueueRecord> records = {
        Record("Front Desk", "TORVA Label Printer #1"), Record("Dock", "TORVA Label Printer #2"),
        Record("Shipping", "TORVA Label Printer #3"),   Record("Back Office", "TORVA Label Printer #6"),
        Record("Stores", "TORVA Label Printer #4"),     Record("Twins", "TORVA Label Printer #5"),
        Record("Gone", "TORVA Label Printer #7"),
    };
    const std::vector<RecordedQueue> matched = MatchRecords(spooler, records, queues);
    ASSERT_EQ(matched.size(), records.size());
    const struct {
        RecordState state;
        std::string queue;
    } expected[] = {{RecordState::Found, "front desk"},
                    {RecordState::Renamed, "Reception"},
                    {RecordState::Foreign, "Shipping"},
                    {RecordState::Gone, ""},
                    {RecordState::Renamed, "Back Office"},
                    {RecordState::Gone, ""},
                    {RecordState::Gone, ""}};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(matched[i].record.queueName, records[i].queueName);
        EXPECT_EQ(matched[i].state, expected[i].state) << records[i].queueName;
        if (expected[i].state != RecordState::Gone) {
            EXPECT_EQ(matched[i].queue.printerName, expected[i].queue) << records[i].queueName;
        }
    }
}

// Through the registry: the record of a queue under its new name, and none for a queue that
// only took a recorded name.
TEST(RecordMatchTest, TheRecordOfAQueueIsFoundUnderTheNameItWasInstalledWith) {
    fakes::FakeSpooler spooler;
    fakes::FakeRegistry registry;
    QueueRecord dock = Record("Dock", "TORVA Label Printer #2");
    dock.owner = "{A1}";
    dock.defaults = "Darkness=Level3;PaperSize=LABEL_4X3";
    ASSERT_EQ(WriteQueueRecord(registry, dock), 0u);
    ASSERT_EQ(WriteQueueRecord(registry, Record("Shipping", "TORVA Label Printer #3")), 0u);
    spooler.AddQueue("Reception", "TORVA Label Printer #2");
    spooler.AddQueue("Shipping", "Other Maker Label");
    EXPECT_EQ(FindQueueRecord(registry, spooler, "RECEPTION"), dock);
    EXPECT_EQ(FindQueueRecord(registry, spooler, "Shipping"), std::nullopt);
    EXPECT_EQ(FindQueueRecord(registry, spooler, "Dock"), std::nullopt);
}

}  // namespace
}  // namespace prinstall
