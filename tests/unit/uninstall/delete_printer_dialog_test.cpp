#include "uninstall/delete_printer_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fakes/fake_delete_printer_view.h"
#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"
#include "core/driver_files.h"
#include "install/uninstall_entry.h"
#include "resource.h"

namespace prinstall {
namespace {

using fakes::FakeDeletePrinterView;

const std::string kDriverDir = "C:\\windows\\system32\\spool\\drivers\\w32x86";
const char* const kNumbered[] = {"TVLabel%d.GPD", "TVLabel%d.DLL", "TVLabel%d.INI", "TVLabelE%d.DLL",
                                 "TVLabelUI%d.DLL"};

// Failures on demand for the calls the fake spooler always answers alike.
class ScriptedSpooler : public fakes::FakeSpooler {
public:
    std::uint32_t keyError = 0;
    std::function<void()> afterDriverDeletion;
    int driverDeletions = 0;

    std::uint32_t DeletePrinterDataKey(Printer printer, const std::string& keyName) override {
        return keyError != 0 ? keyError : FakeSpooler::DeletePrinterDataKey(printer, keyName);
    }
    std::uint32_t RemoveDriver(const std::string& name, const std::string& environment) override {
        ++driverDeletions;
        std::uint32_t e = FakeSpooler::RemoveDriver(name, environment);
        if (afterDriverDeletion) afterDriverDeletion();
        return e;
    }
};

class DeletePrinterDialogTest : public ::testing::Test {
protected:
    DeletePrinterDialogTest() {
        services.services["spooler"].status = {kServiceRunning, 0, 0};
        spooler.monitors.push_back("TORVA LABEL USB Port");
        for (const char* key : {kUninstallKeyEnglish, kUninstallKeyKorean}) {
            Registry::Key k = 0;
            registry.CreateKey(key, "", k);
            registry.CloseKey(k);
        }
    }

    // Driver copy n with its files in the driver directory and its version folder.
    void Install(int n, const std::string& queue) {
        const std::string driver = "TORVA Label Printer #" + std::to_string(n);
        if (!spooler.HasDriver(driver)) spooler.AddDriver(driver);
        spooler.AddQueue(queue, driver);
        for (const char* pattern : kNumbered) {
            files.AddFile(kDriverDir + "\\" + Format(pattern, n), "x");
            files.AddFile(kDriverDir + "\\3\\" + Format(pattern, n), "x");
        }
    }
    int FilesOf(int n) const {
        int count = 0;
        for (const char* pattern : kNumbered) {
            count += files.HasFile(kDriverDir + "\\" + Format(pattern, n));
            count += files.HasFile(kDriverDir + "\\3\\" + Format(pattern, n));
        }
        return count;
    }
    void Start() { dialog.OnInitDialog(); }
    void Tick(int index) {
        view.list.at(static_cast<size_t>(index)).second = true;
        dialog.OnCommand(IDC_PRINTER_LIST, 1);
    }
    void DeletePrinters() { dialog.OnCommand(IDC_DELETE_PRINTER, 0); }

    ScriptedSpooler spooler;
    fakes::FakeServices services;
    fakes::FakeSystemInfo systemInfo;
    fakes::FakeClock clock;
    fakes::FakeDebugLog debug;
    fakes::FakeRegistry registry;
    fakes::FakeFiles files;
    AppContext app{{spooler, services, systemInfo, clock, debug}, {}};
    FakeDeletePrinterView view;
    DeletePrinterDialog dialog{app, registry, files, view};
};

TEST_F(DeletePrinterDialogTest, ListsTheLabelQueuesByQueueNameOnly) {
    Install(2, "Shipping");
    spooler.AddQueue("Office", "Generic / Text Only");
    spooler.AddQueue("Plain", "TORVA Label Printer");
    spooler.AddQueue("Lower", "torva label printer #4");
    Install(1, "TORVA Label Printer");
    Start();
    EXPECT_EQ(view.list,
              (std::vector<std::pair<std::string, bool>>{{"Shipping", false}, {"TORVA Label Printer", false}}));
    EXPECT_FALSE(view.Enabled(IDC_DELETE_PRINTER));
    EXPECT_EQ(std::make_pair(view.progressLow, view.progressHigh), std::make_pair(0, 100));
    EXPECT_EQ(view.positions, std::vector<int>{0});
    EXPECT_EQ(view.dressed, (std::map<int, int>{{1, 148}, {2, 147}, {4, 156}}));
    EXPECT_EQ(view.title, "Delete printer driver Dialog");
    EXPECT_EQ(view.texts.count(IDC_SELECT_ALL), 0u);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.endedWith, 0);
}

TEST_F(DeletePrinterDialogTest, KoreanCodePageGivesTheKoreanTexts) {
    systemInfo.codePage = 949;
    Install(1, "Q");
    Start();
    EXPECT_EQ(view.title, "프린터 드라이버 삭제 창");
    EXPECT_EQ(view.texts[1], "확인");
    EXPECT_EQ(view.texts[2], "취소");
    EXPECT_EQ(view.texts[IDC_SELECT_ALL], "전체 선택");
    EXPECT_EQ(view.texts[IDC_DELETE_PRINTER], "드라이버 삭제");
}

TEST_F(DeletePrinterDialogTest, NothingInstalledSaysSoAndEndsWithCancel) {
    spooler.monitors.pop_back();
    registry.keys.clear();
    spooler.AddQueue("Office", "Generic / Text Only");
    Start();
    EXPECT_EQ(
        view.messages,
        (std::vector<FakeDeletePrinterView::Message>{{"Installed Printer Driver not exist", "Uninstallation Error"}}));
    EXPECT_EQ(view.endedWith, DeletePrinterDialog::kCancel);
    EXPECT_EQ(view.dressed.size(), 3u);  // the rest of the start-up still ran

    FakeDeletePrinterView korean;
    systemInfo.codePage = 949;
    spooler.printers.clear();
    DeletePrinterDialog(app, registry, files, korean).OnInitDialog();
    EXPECT_EQ(korean.messages,
              (std::vector<FakeDeletePrinterView::Message>{{"현재 설치된 프린터 드라이버가 없습니다.", "삭제 장애"}}));
}

TEST_F(DeletePrinterDialogTest, WithoutSpoolerOrListTheDialogStaysOpenAndEmpty) {
    Install(1, "Q");
    spooler.enumError = 1722;
    Start();
    EXPECT_TRUE(view.list.empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.endedWith, 0);

    FakeDeletePrinterView stopped;
    services.services["spooler"].status = {kServiceStopped, 0, 0};
    services.startError = 1058;
    DeletePrinterDialog(app, registry, files, stopped).OnInitDialog();
    ASSERT_EQ(stopped.messages.size(), 1u);
    EXPECT_EQ(stopped.messages[0].caption, "");
    EXPECT_TRUE(stopped.dressed.empty());
    EXPECT_FALSE(stopped.Enabled(IDC_DELETE_PRINTER));
    EXPECT_EQ(stopped.endedWith, 0);
}

TEST_F(DeletePrinterDialogTest, DeletePrinterIsUsableExactlyWhileSomethingIsTicked) {
    Install(1, "A");
    Install(2, "B");
    Start();
    Tick(1);
    EXPECT_TRUE(view.Enabled(IDC_DELETE_PRINTER));
    view.list[1].second = false;
    dialog.OnCommand(IDC_PRINTER_LIST, 1);
    EXPECT_FALSE(view.Enabled(IDC_DELETE_PRINTER));
    DeletePrinters();
    EXPECT_EQ(view.messages, (std::vector<FakeDeletePrinterView::Message>{
                                 {"Select to uninstall Printer Driver !!!", "Select Printer Driver Error"}}));
    EXPECT_TRUE(spooler.deletedPrinters.empty());
    dialog.OnCommand(IDC_SELECT_ALL, 0);
    EXPECT_TRUE(view.list[0].second && view.list[1].second);
    EXPECT_TRUE(view.Enabled(IDC_DELETE_PRINTER));
}

TEST_F(DeletePrinterDialogTest, RenamedQueueGoesWithItsDriverAndNumberedFilesInBothFolders) {
    Install(1, "TORVA Label Printer");
    Install(2, "Shipping");
    Start();
    Tick(1);
    DeletePrinters();
    EXPECT_EQ(spooler.deletedPrinters, std::vector<std::string>{"Shipping"});
    EXPECT_EQ(spooler.deletedDrivers, std::vector<std::string>{"TORVA Label Printer #2"});
    EXPECT_EQ(FilesOf(2), 0);
    EXPECT_EQ(FilesOf(1), 10);
    EXPECT_EQ(view.positions, (std::vector<int>{0, 20, 30, 40, 50, 60, 65, 70, 80, 85}));
    EXPECT_EQ(view.statuses.front(), "Enum Printer Drivers Ended");
    EXPECT_EQ(view.statuses.back(), "Delete Printer Driver Ended");
    EXPECT_EQ(view.results, (std::vector<FakeDeletePrinterView::Result>{{"Uninstallation completed. ", 0}}));
    EXPECT_EQ(view.endedWith, DeletePrinterDialog::kOk);
    // A label queue is left: the entry and the monitor stay.
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_TRUE(spooler.deletedMonitors.empty());
    EXPECT_EQ(spooler.OpenPrinterHandles(), 0u);
}

TEST_F(DeletePrinterDialogTest, LastEntryGoesFirstAndTheLastQueueTakesEntryAndMonitorAlong) {
    systemInfo.codePage = 949;
    Install(1, "A");
    Install(2, "B");
    Install(3, "C");
    Start();
    view.onResult = [&] {
        // Everything is gone before the final report comes up.
        EXPECT_FALSE(registry.Has(kUninstallKeyKorean));
        EXPECT_EQ(spooler.deletedMonitors, std::vector<std::string>{"TORVA LABEL USB Port"});
    };
    view.answers = {2};  // the final report closed with Escape
    dialog.OnCommand(IDC_SELECT_ALL, 0);
    DeletePrinters();
    EXPECT_EQ(spooler.deletedPrinters, (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(view.results,
              (std::vector<FakeDeletePrinterView::Result>{{"프린터 드라이버가 정상적으로 삭제되었습니다. ", 0}}));
    EXPECT_EQ(view.endedWith, DeletePrinterDialog::kCancel);
}

// While another queue still uses the driver, it and its files stay, or that queue would print
// through a driver without its files. The queue list decides: Wine deletes a driver in use
// without the 3001 that Windows gives, so the deletion is not even asked for.
TEST_F(DeletePrinterDialogTest, SharedDriverKeepsItsFilesUntilItsLastQueueGoes) {
    Install(2, "First");
    Install(2, "Second");
    Start();
    Tick(0);
    DeletePrinters();
    EXPECT_EQ(spooler.deletedPrinters, std::vector<std::string>{"First"});
    EXPECT_EQ(spooler.driverDeletions, 0);
    EXPECT_TRUE(spooler.HasDriver("TORVA Label Printer #2"));
    EXPECT_EQ(FilesOf(2), 10);
    EXPECT_EQ(view.results.back().outcome, 0);

    FakeDeletePrinterView again;
    DeletePrinterDialog second(app, registry, files, again);
    second.OnInitDialog();
    second.OnSelectAll();
    second.OnDeletePrinter();
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #2"));
    EXPECT_EQ(FilesOf(2), 0);
}

TEST_F(DeletePrinterDialogTest, OkOnAFailureStopsTheRunAtOnce) {
    Install(1, "A");
    Install(2, "B");
    Start();
    dialog.OnSelectAll();
    spooler.openPrinterError = 5;
    DeletePrinters();
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_EQ(view.results[0].message.rfind("Failure to OpenPrinter(B) GetLastError()=5\nProbable cause: ", 0), 0u);
    EXPECT_EQ(view.results[0].outcome, 1);
    EXPECT_EQ(view.statuses.back(), "Open Exist Printer Started");
    EXPECT_EQ(view.endedWith, DeletePrinterDialog::kCancel);
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
}

TEST_F(DeletePrinterDialogTest, EscapeOnFailuresGoesOnAndTheFinalReportSaysSo) {
    Install(1, "A");
    Install(2, "B");
    Start();
    dialog.OnSelectAll();
    spooler.keyError = 5;  // a refused key deletion is traced, not reported
    spooler.deletePrinterError = 1905;
    view.answers = {2, 2, 1};
    DeletePrinters();
    ASSERT_EQ(view.results.size(), 3u);
    EXPECT_EQ(view.results[0].message, "Failure to DeletePrinter GetLastError()=1905");
    EXPECT_EQ(view.results[1].message, "Failure to DeletePrinter GetLastError()=1905");
    EXPECT_EQ(debug.lines.front(), "DeletePrinterKey(B) GetLastError()=5");
    // The driver is still in use by its undeleted queue (3001, no report); its files stay.
    EXPECT_EQ(view.results[2], (FakeDeletePrinterView::Result{"Uninstallation finished with errors. ", 1}));
    EXPECT_EQ(FilesOf(1) + FilesOf(2), 20);
    EXPECT_EQ(view.positions, (std::vector<int>{0, 20, 30, 40, 50, 60, 65, 80, 85, 20, 30, 40, 50, 60, 65, 80, 85}));
    EXPECT_EQ(view.endedWith, DeletePrinterDialog::kOk);
    EXPECT_EQ(spooler.OpenPrinterHandles(), 0u);
}

// The key is deleted with 0, which is no failure; Wine's missing call (120) runs under Wine.
TEST_F(DeletePrinterDialogTest, DeletedPrinterDataKeyIsNoFailure) {
    Install(1, "A");
    spooler.printerKeys["A"] = {"A"};
    Start();
    dialog.OnSelectAll();
    DeletePrinters();
    EXPECT_EQ(view.results, (std::vector<FakeDeletePrinterView::Result>{{"Uninstallation completed. ", 0}}));
    EXPECT_EQ(spooler.deletedPrinters, std::vector<std::string>{"A"});
}

TEST_F(DeletePrinterDialogTest, UnreadableQueueOrUndeletableDriverKeepsTheFiles) {
    Install(1, "A");
    Install(2, "B");
    Start();
    dialog.OnSelectAll();
    spooler.getPrinterError = 122;
    spooler.deleteDriverError = 5;
    view.answers = {2, 2};
    DeletePrinters();
    EXPECT_EQ(view.results[0].message, "Failure to GetPrinter GetLastError()=122");
    EXPECT_TRUE(spooler.deletedPrinters.empty());
    EXPECT_EQ(FilesOf(1) + FilesOf(2), 20);

    spooler.getPrinterError = 0;
    FakeDeletePrinterView retry;
    retry.answers = {2};
    DeletePrinterDialog second(app, registry, files, retry);
    second.OnInitDialog();
    retry.list[1].second = true;
    second.OnDeletePrinter();
    EXPECT_EQ(retry.results[0].message.rfind("Failure to DeletePrinterDriverEx GetLastError()=5\nProbable cause: ", 0),
              0u);
    EXPECT_EQ(spooler.deletedPrinters, std::vector<std::string>{"B"});
    EXPECT_EQ(FilesOf(2), 10);
    EXPECT_EQ(spooler.OpenPrinterHandles(), 0u);
}

TEST_F(DeletePrinterDialogTest, FailedRecountSkipsTheCleanup) {
    Install(1, "A");
    Start();
    dialog.OnSelectAll();
    spooler.afterDriverDeletion = [&] { spooler.enumError = 1722; };
    DeletePrinters();
    EXPECT_TRUE(registry.Has(kUninstallKeyEnglish));
    EXPECT_TRUE(spooler.deletedMonitors.empty());
    // With the drivers unlisted as well, nothing says whether another driver names the copy's
    // files: they stay, named, and the cleanup is named as not run.
    const std::string& message = view.results.back().message;
    EXPECT_EQ(message.rfind("Uninstallation finished with errors. \nNot removed:\nC:\\windows\\system32\\spool\\drivers"
                            "\\w32x86\\TVLabel1.GPD\n",
                            0),
              0u);
    EXPECT_EQ(FilesOf(1), 10);
    EXPECT_NE(message.find("\nthe port monitor, the entry in the list of installed programs and the other files and "
                           "settings of the installation (the printers could not be listed again; run the removal "
                           "again)"),
              std::string::npos);
}

// What an interrupted run left (a driver without its queue) stays reachable: the dialog
// opens with an empty list, says why Delete printer is there, and the cleanup takes the rest.
TEST_F(DeletePrinterDialogTest, LeftoversWithoutQueuesAreRemovedByDeletePrinter) {
    Install(3, "Gone");
    spooler.printers.clear();
    Start();
    EXPECT_TRUE(view.list.empty());
    EXPECT_EQ(view.endedWith, 0);
    EXPECT_TRUE(view.Enabled(IDC_DELETE_PRINTER));
    EXPECT_EQ(view.texts[IDC_STATUS],
              "No printer is left. Delete printer removes what an earlier installation left behind.");
    DeletePrinters();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.statuses.back(), "Removal of what an earlier installation left ended");
    EXPECT_EQ(view.positions.back(), 100);
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #3"));
    EXPECT_EQ(FilesOf(3), 0);
    EXPECT_EQ(spooler.deletedMonitors, std::vector<std::string>{"TORVA LABEL USB Port"});
    EXPECT_FALSE(registry.Has(kUninstallKeyEnglish));
    EXPECT_EQ(view.results, (std::vector<FakeDeletePrinterView::Result>{{"Uninstallation completed. ", 0}}));
}

// A numbered file that cannot be deleted is no success: the report is red and names it.
TEST_F(DeletePrinterDialogTest, FileThatStaysIsNamedInARedReport) {
    Install(1, "A");
    files.SetReadOnly(kDriverDir + "\\3");
    files.refuseRemovalAtRestart = true;
    Start();
    dialog.OnSelectAll();
    DeletePrinters();
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_EQ(view.results[0].outcome, 1);
    EXPECT_EQ(view.results[0].message.rfind(
                  "Uninstallation finished with errors. \nNot removed:\n" + kDriverDir + "\\3\\TVLabel1.GPD\n", 0),
              0u)
        << view.results[0].message;
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #1"));
}

// Without the driver folder's name the numbered files cannot be deleted: they are named as left.
TEST_F(DeletePrinterDialogTest, FilesInAFolderTheSpoolerCannotNameAreReportedAsLeft) {
    Install(1, "A");
    spooler.driverDirError = 1722;
    Start();
    dialog.OnSelectAll();
    DeletePrinters();
    ASSERT_EQ(view.results.size(), 1u);
    EXPECT_EQ(view.results[0].outcome, 1);
    EXPECT_NE(view.results[0].message.find("\nNot removed:\nTVLabel1.GPD\nTVLabel1.DLL\n"), std::string::npos)
        << view.results[0].message;
    EXPECT_FALSE(spooler.HasDriver("TORVA Label Printer #1"));
    EXPECT_EQ(FilesOf(1), 10);
}

TEST(DriverVersionFolder, OldFamiliesUseTheDirectoryItselfNtFourTheTwoFolder) {
    for (int family : {1, 2, 3, 4}) EXPECT_STREQ(DriverVersionFolder(family), "") << family;
    EXPECT_STREQ(DriverVersionFolder(5), "\\2");
    for (int family : {0, 6, 11, 12}) EXPECT_STREQ(DriverVersionFolder(family), "\\3") << family;
}

}  // namespace
}  // namespace prinstall
