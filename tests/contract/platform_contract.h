// Contract cases that every implementation of the platform ports must pass: the in-memory
// fakes natively, the Win32 adapters under Wine. A World gives the ports and sets up the
// outside state a case needs (queues in the spooler) and removes it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/spooler.h"

namespace prinstall::contract {

template <class World>
class ServicesContract : public ::testing::Test {
protected:
    World world;
};
TYPED_TEST_SUITE_P(ServicesContract);

TYPED_TEST_P(ServicesContract, UnknownServiceCannotBeOpened) {
    Services& s = this->world.GetServices();
    Services::Handle manager = 0, service = 0;
    ASSERT_EQ(s.OpenManager(manager), 0u);
    EXPECT_NE(manager, 0u);
    EXPECT_EQ(s.OpenServiceHandle(manager, "NoSuchServiceAnywhere", service), kErrorServiceDoesNotExist);
    EXPECT_EQ(s.Close(manager), 0u);
}

// A new session has the spooler stopped; it starts on request, reaches running while the
// caller polls, and a second start request is refused as already running.
TYPED_TEST_P(ServicesContract, SpoolerStartsOnRequestAndRefusesASecondStart) {
    Services& s = this->world.GetServices();
    Clock& clock = this->world.GetClock();
    Services::Handle manager = 0, service = 0;
    ASSERT_EQ(s.OpenManager(manager), 0u);
    ASSERT_EQ(s.OpenServiceHandle(manager, "spooler", service), 0u);
    ServiceStatus status;
    ASSERT_EQ(s.QueryStatus(service, status), 0u);
    EXPECT_EQ(status.state, kServiceStopped);

    ASSERT_EQ(s.Start(service), 0u);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(s.QueryStatus(service, status), 0u);
        if (status.state != kServiceStartPending) break;
        clock.Sleep(100);
    }
    EXPECT_EQ(status.state, kServiceRunning);
    EXPECT_EQ(s.Start(service), kErrorServiceAlreadyRunning);
    EXPECT_EQ(s.Close(service), 0u);
    EXPECT_EQ(s.Close(manager), 0u);
}

// A running spooler stops on request (no running service of a fresh system needs it); once
// stopped, a second stop is refused as not active.
TYPED_TEST_P(ServicesContract, SpoolerStopsOnRequestAndRefusesASecondStop) {
    Services& s = this->world.GetServices();
    Clock& clock = this->world.GetClock();
    Services::Handle manager = 0, service = 0;
    ASSERT_EQ(s.OpenManager(manager), 0u);
    ASSERT_EQ(s.OpenServiceHandle(manager, "spooler", service), 0u);
    const std::uint32_t started = s.Start(service);
    ASSERT_TRUE(started == 0 || started == kErrorServiceAlreadyRunning) << started;
    auto waitWhile = [&](std::uint32_t pending, ServiceStatus& status) {
        for (int i = 0; i < 100 && status.state == pending; ++i) {
            clock.Sleep(100);
            ASSERT_EQ(s.QueryStatus(service, status), 0u);
        }
    };
    ServiceStatus status{kServiceStartPending};
    waitWhile(kServiceStartPending, status);
    ASSERT_EQ(status.state, kServiceRunning);

    std::vector<std::string> dependents{"not cleared"};
    EXPECT_EQ(s.ActiveDependents(service, dependents), 0u);
    EXPECT_TRUE(dependents.empty());
    ASSERT_EQ(s.Stop(service, status), 0u);
    EXPECT_TRUE(status.state == kServiceStopPending || status.state == kServiceStopped) << status.state;
    waitWhile(kServiceStopPending, status);
    EXPECT_EQ(status.state, kServiceStopped);
    EXPECT_EQ(s.Stop(service, status), kErrorServiceNotActive);
    EXPECT_EQ(s.Close(service), 0u);
    EXPECT_EQ(s.Close(manager), 0u);
}

REGISTER_TYPED_TEST_SUITE_P(ServicesContract, UnknownServiceCannotBeOpened,
                            SpoolerStartsOnRequestAndRefusesASecondStart, SpoolerStopsOnRequestAndRefusesASecondStop);

template <class World>
class ClockContract : public ::testing::Test {
protected:
    World world;
};
TYPED_TEST_SUITE_P(ClockContract);

// A sleep lasts what was asked, as the tick count sees it: the count moves in steps (about
// 16 ms on Windows and under Wine), and each of the two readings can lag a step behind, so
// the difference can fall up to two steps short (Wine was measured 14 ms short of 200).
TYPED_TEST_P(ClockContract, SleepAdvancesTheTickCount) {
    Clock& clock = this->world.GetClock();
    std::uint32_t before = clock.TickCount();
    clock.Sleep(200);
    std::uint32_t elapsed = clock.TickCount() - before;
    EXPECT_GE(elapsed, 200u - 32u);
    EXPECT_LT(elapsed, 60000u);
}

// The time of day that log lines start with: a real date and time, zero-padded.
TYPED_TEST_P(ClockContract, LocalTimestampIsDateAndTime) {
    const std::string timestamp = this->world.GetClock().LocalTimestamp();
    EXPECT_TRUE(std::regex_match(timestamp, std::regex("20[0-9]{2}-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01]) "
                                                       "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]")))
        << timestamp;
}

REGISTER_TYPED_TEST_SUITE_P(ClockContract, SleepAdvancesTheTickCount, LocalTimestampIsDateAndTime);

template <class World>
class SpoolerContract : public ::testing::Test {
protected:
    World world;

    std::vector<PrinterInfo2> Listed() {
        std::vector<PrinterInfo2> queues;
        EXPECT_EQ(world.GetSpooler().ListLocalPrinters(queues), 0u);
        return queues;
    }
    static bool Contains(const std::vector<PrinterInfo2>& queues, const PrinterInfo2& q) {
        return std::find(queues.begin(), queues.end(), q) != queues.end();
    }
};
TYPED_TEST_SUITE_P(SpoolerContract);

TYPED_TEST_P(SpoolerContract, ListsEachQueueWithItsPortAndDriver) {
    const PrinterInfo2 first{"Contract Queue One", "COM1:", "TORVA Label Printer #7"};
    const PrinterInfo2 second{"Contract Queue Two", "LPT1:", "TORVA Label Printer #8"};
    auto before = this->Listed();
    EXPECT_FALSE(this->Contains(before, first));

    this->world.AddQueue(first);
    this->world.AddQueue(second);
    auto after = this->Listed();
    EXPECT_EQ(after.size(), before.size() + 2);
    EXPECT_TRUE(this->Contains(after, first));
    EXPECT_TRUE(this->Contains(after, second));

    this->world.RemoveQueue(first);
    auto last = this->Listed();
    EXPECT_FALSE(this->Contains(last, first));
    EXPECT_TRUE(this->Contains(last, second));
}

// Names outside the ASCII range come back exactly as they were given.
TYPED_TEST_P(SpoolerContract, KoreanNamesSurviveTheRoundTrip) {
    const PrinterInfo2 korean{"라벨 프린터 출고", "COM2:", "TORVA Label Printer #9"};
    this->world.AddQueue(korean);
    EXPECT_TRUE(this->Contains(this->Listed(), korean));
}

// A fresh system has the local ports of the "Local Port" monitor, each listed once.
TYPED_TEST_P(SpoolerContract, ListsTheLocalPortsOnce) {
    std::vector<std::string> ports;
    ASSERT_EQ(this->world.GetSpooler().ListPorts(ports), 0u);
    for (const char* port : {"COM1:", "COM2:", "COM3:", "COM4:", "FILE:", "LPT1:", "LPT2:", "LPT3:"})
        EXPECT_EQ(std::count(ports.begin(), ports.end(), port), 1) << port;
}

// Removal of a queue through its handle: its record reads back, it leaves the list, and its
// name no longer opens. Its driver, unused by then, goes too, and only once.
TYPED_TEST_P(SpoolerContract, QueueAndThenItsDriverAreDeleted) {
    Spooler& spooler = this->world.GetSpooler();
    const PrinterInfo2 queue{"Contract Queue Removed", "COM3:", "TORVA Label Printer #11"};
    this->world.AddQueue(queue);

    Spooler::Printer printer = 0;
    ASSERT_EQ(spooler.OpenLocalPrinter(queue.printerName, printer), 0u);
    EXPECT_NE(printer, 0u);
    PrinterInfo2 info;
    EXPECT_EQ(spooler.GetPrinterInfo(printer, info), 0u);
    EXPECT_EQ(info, queue);
    EXPECT_EQ(spooler.DeletePrinter(printer), 0u);
    EXPECT_EQ(spooler.ClosePrinter(printer), 0u);
    EXPECT_FALSE(this->Contains(this->Listed(), queue));
    EXPECT_EQ(spooler.OpenLocalPrinter(queue.printerName, printer), kErrorInvalidPrinterName);

    EXPECT_EQ(spooler.RemoveDriver(queue.driverName, ""), 0u);
    // Windows says 1797 for the driver it no longer has; Wine fails without an error code.
    EXPECT_NE(spooler.RemoveDriver(queue.driverName, ""), 0u);
}

// The printer-data key named after the queue does not exist. Windows answers 2; Wine 8 has
// no DeletePrinterKey at all, which the adapter reports as 120 (World::kHasDeletePrinterKey).
TYPED_TEST_P(SpoolerContract, MissingPrinterDataKeyIsReportedNotDeleted) {
    Spooler& spooler = this->world.GetSpooler();
    const PrinterInfo2 queue{"Contract Queue Keys", "COM4:", "TORVA Label Printer #12"};
    this->world.AddQueue(queue);
    Spooler::Printer printer = 0;
    ASSERT_EQ(spooler.OpenLocalPrinter(queue.printerName, printer), 0u);
    EXPECT_EQ(spooler.DeletePrinterDataKey(printer, queue.printerName),
              TypeParam::kHasDeletePrinterKey ? kErrorFileNotFound : kErrorCallNotImplemented);
    EXPECT_EQ(spooler.ClosePrinter(printer), 0u);
    EXPECT_TRUE(this->Contains(this->Listed(), queue));
}

// Nor can it be asked anything through its own interface, which the program takes as a monitor
// that does not answer (Wine says 1796; the code is not relied on).
TYPED_TEST_P(SpoolerContract, UnknownMonitorCannotBeDeleted) {
    EXPECT_EQ(this->world.GetSpooler().RemoveMonitor("Contract Monitor Nobody Added", ""), kErrorUnknownPrintMonitor);
    std::uint32_t status = 12345;
    EXPECT_NE(this->world.GetSpooler().MonitorCommand("Contract Monitor Nobody Added", "AddPort",
                                                      std::vector<std::uint8_t>(964, 0), status),
              0u);
    EXPECT_EQ(status, 0u);
}

// A Unidrv driver record of the x86 environment under this name.
inline DriverRecord UnidrvRecord(const std::string& name) {
    DriverRecord driver;
    driver.name = name;
    driver.environment = kEnvironmentX86;
    driver.driverPath = "UNIDRV.DLL";
    driver.dataFile = "TVLabel.GPD";
    driver.configFile = "UNIDRVUI.DLL";
    return driver;
}

// A driver registered for a named environment is listed for it and deleted from it; the
// environment has its own driver directory.
TYPED_TEST_P(SpoolerContract, DriverOfANamedEnvironmentIsListedAndDeletedThere) {
    Spooler& spooler = this->world.GetSpooler();
    std::string directory;
    ASSERT_EQ(spooler.DriverDirectory(kEnvironmentX86, directory), 0u);
    EXPECT_TRUE(directory.ends_with("\\w32x86")) << directory;

    DriverRecord driver = UnidrvRecord("Contract Driver Of x86");
    ASSERT_EQ(spooler.RegisterDriver(driver), 0u);
    auto registered = [&] {
        std::vector<std::string> names;
        EXPECT_EQ(spooler.ListDrivers(kEnvironmentX86, names), 0u);
        return std::count(names.begin(), names.end(), driver.name);
    };
    EXPECT_EQ(registered(), 1);
    EXPECT_EQ(spooler.RemoveDriver(driver.name, kEnvironmentX86), 0u);
    EXPECT_EQ(registered(), 0);
}

// A queue moved to another port through its handle is listed on that port.
TYPED_TEST_P(SpoolerContract, QueueMovesToAnotherPort) {
    Spooler& spooler = this->world.GetSpooler();
    PrinterInfo2 queue{"Contract Queue Moved", "COM1:", "TORVA Label Printer #13"};
    this->world.AddQueue(queue);
    Spooler::Printer printer = 0;
    ASSERT_EQ(spooler.OpenLocalPrinter(queue.printerName, printer), 0u);
    EXPECT_EQ(spooler.SetPrinterPort(printer, "LPT1:"), 0u);
    EXPECT_EQ(spooler.ClosePrinter(printer), 0u);
    queue.portName = "LPT1:";
    EXPECT_TRUE(this->Contains(this->Listed(), queue));
}

// A registered driver is listed with its record, each of its files (the dependent ones too)
// named by its full path in the version folder of the environment's driver directory.
TYPED_TEST_P(SpoolerContract, DriverRecordNamesItsFilesInTheDriverDirectory) {
    Spooler& spooler = this->world.GetSpooler();
    this->world.PlaceDriverFiles();
    std::string directory;
    ASSERT_EQ(spooler.DriverDirectory(kEnvironmentX86, directory), 0u);
    DriverRecord driver = UnidrvRecord("Contract Driver With Files");
    driver.helpFile = "UNIDRV.HLP";
    driver.dependentFiles = std::string("UNIRES.DLL\0STDNAMES.GPD\0\0", 25);
    driver.defaultDataType = "RAW";
    ASSERT_EQ(spooler.RegisterDriver(driver), 0u);

    std::vector<DriverRecord> records;
    ASSERT_EQ(spooler.ListDriverRecords(kEnvironmentX86, records), 0u);
    auto listed =
        std::find_if(records.begin(), records.end(), [&](const DriverRecord& r) { return r.name == driver.name; });
    ASSERT_NE(listed, records.end());
    const std::string folder = directory + "\\3\\";
    DriverRecord expected = driver;
    expected.driverPath = folder + "UNIDRV.DLL";
    expected.dataFile = folder + "TVLabel.GPD";
    expected.configFile = folder + "UNIDRVUI.DLL";
    expected.helpFile = folder + "UNIDRV.HLP";
    expected.dependentFiles = folder + "UNIRES.DLL" + '\0' + folder + "STDNAMES.GPD" + '\0' + '\0';
    EXPECT_EQ(*listed, expected);
    EXPECT_EQ(spooler.RemoveDriver(driver.name, kEnvironmentX86), 0u);
}

// Local queues are no print-server connections: a fresh system has none. Its "Local Port"
// monitor is listed once, with its module.
TYPED_TEST_P(SpoolerContract, NoConnectionsAmongLocalQueuesAndTheLocalPortModule) {
    Spooler& spooler = this->world.GetSpooler();
    this->world.AddQueue({"Contract Queue Not Connected", "COM1:", "TORVA Label Printer #14"});
    std::vector<PrinterInfo2> connections{{"stale", "", ""}};
    EXPECT_EQ(spooler.ListConnections(connections), 0u);
    EXPECT_TRUE(connections.empty());
    std::vector<MonitorModule> monitors;
    ASSERT_EQ(spooler.ListMonitorModules(monitors), 0u);
    EXPECT_EQ(std::count(monitors.begin(), monitors.end(), MonitorModule{"Local Port", "localspl.dll"}), 1);
}

REGISTER_TYPED_TEST_SUITE_P(SpoolerContract, ListsEachQueueWithItsPortAndDriver, KoreanNamesSurviveTheRoundTrip,
                            ListsTheLocalPortsOnce, QueueAndThenItsDriverAreDeleted,
                            MissingPrinterDataKeyIsReportedNotDeleted, UnknownMonitorCannotBeDeleted,
                            DriverOfANamedEnvironmentIsListedAndDeletedThere, QueueMovesToAnotherPort,
                            DriverRecordNamesItsFilesInTheDriverDirectory,
                            NoConnectionsAmongLocalQueuesAndTheLocalPortModule);

template <class World>
class FilesContract : public ::testing::Test {
protected:
    World world;

    std::string Path(const char* name) { return world.ScratchFolder() + "\\" + name; }
    void Write(const std::string& file, const std::string& bytes) {
        auto out = world.GetFiles().CreateForWriting(file);
        ASSERT_NE(out, nullptr) << file;
        ASSERT_TRUE(out->Write(bytes.data(), bytes.size()));
        ASSERT_TRUE(out->Close());
    }
};
TYPED_TEST_SUITE_P(FilesContract);

// A read-only file is deleted all the same; a file that is not there, or whose folder is not
// there, counts as deleted.
TYPED_TEST_P(FilesContract, DeleteLeavesNoFileOfThatName) {
    Files& files = this->world.GetFiles();
    const std::string file = this->Path("read-only.txt");
    this->Write(file, "abc");
    this->world.SetReadOnly(file);
    EXPECT_TRUE(files.RemoveFile(file));
    EXPECT_FALSE(files.FileExists(file));
    EXPECT_TRUE(files.RemoveFile(file));
    EXPECT_TRUE(files.RemoveFile(this->Path("no folder\\none.txt")));
}

TYPED_TEST_P(FilesContract, SizeOfAFileAndOfNoFile) {
    Files& files = this->world.GetFiles();
    const std::string file = this->Path("three.txt");
    this->Write(file, "abc");
    EXPECT_EQ(files.FileSize(file), 3);
    EXPECT_EQ(files.FileSize(this->Path("none.txt")), -1);
    EXPECT_EQ(files.FileSize(this->world.ScratchFolder()), -1);
    EXPECT_TRUE(files.RemoveFile(file));
}

// A listing names the files of the folder itself, not its subfolders or what lies in them;
// a folder that is not there lists as empty.
TYPED_TEST_P(FilesContract, ListingNamesTheFilesOfTheFolderOnly) {
    Files& files = this->world.GetFiles();
    const std::string folder = this->Path("listed");
    files.MakeDirectory(folder);  // perhaps there from an earlier run
    files.MakeDirectory(folder + "\\3");
    this->Write(folder + "\\TVLabel7.GPD", "a");
    this->Write(folder + "\\3\\TVLabel8.GPD", "b");
    std::vector<std::string> names = {"stale"};
    EXPECT_TRUE(files.ListFileNames(folder, names));
    EXPECT_EQ(names, std::vector<std::string>{"TVLabel7.GPD"});
    names = {"stale"};
    EXPECT_TRUE(files.ListFileNames(this->Path("none"), names));  // no folder: no files
    EXPECT_TRUE(names.empty());
    for (const char* name : {"\\TVLabel7.GPD", "\\3\\TVLabel8.GPD"}) EXPECT_TRUE(files.RemoveFile(folder + name));
}

REGISTER_TYPED_TEST_SUITE_P(FilesContract, DeleteLeavesNoFileOfThatName, SizeOfAFileAndOfNoFile,
                            ListingNamesTheFilesOfTheFolderOnly);

template <class World>
class RegistryContract : public ::testing::Test {
protected:
    static constexpr const char* kRoot = "Software\\Prinstall Contract";
    static constexpr const char* kKey = "Software\\Prinstall Contract\\Entry";

    void SetUp() override { RemoveAll(); }
    void TearDown() override { RemoveAll(); }
    void RemoveAll() {
        Registry& r = world.GetRegistry();
        r.DeleteKey(std::string(kKey) + "\\Sub");
        r.DeleteKey(std::string(kKey) + "\\Second");
        r.DeleteKey(kKey);
        r.DeleteKey(kRoot);
    }
    bool Opens(const std::string& path) {
        Registry::Key key = 0;
        if (world.GetRegistry().OpenKey(path, key) != 0) return false;
        world.GetRegistry().CloseKey(key);
        return true;
    }

    World world;
};
TYPED_TEST_SUITE_P(RegistryContract);

// A key goes with its values; one that still has a subkey stays (5); a missing one gives 2.
TYPED_TEST_P(RegistryContract, DeletesOnlyKeysWithoutSubkeys) {
    Registry& r = this->world.GetRegistry();
    Registry::Key key = 0;
    ASSERT_EQ(r.CreateKey(std::string(this->kKey) + "\\Sub", "", key), 0u);
    r.CloseKey(key);
    ASSERT_EQ(r.CreateKey(this->kKey, "", key), 0u);
    EXPECT_EQ(r.SetString(key, "DisplayName", "Contract"), 0u);
    r.CloseKey(key);

    EXPECT_EQ(r.DeleteKey(this->kKey), kErrorAccessDenied);
    EXPECT_TRUE(this->Opens(this->kKey));
    EXPECT_EQ(r.DeleteKey(std::string(this->kKey) + "\\Sub"), 0u);
    EXPECT_EQ(r.DeleteKey(this->kKey), 0u);
    EXPECT_FALSE(this->Opens(this->kKey));
    EXPECT_EQ(r.DeleteKey(this->kKey), kErrorFileNotFound);
}

// A string reads back as written, Korean included and without its terminating zero; a number
// is no string (1630), and a value that is not there gives 2.
TYPED_TEST_P(RegistryContract, StringsReadBackAndNumbersAreNoStrings) {
    Registry& r = this->world.GetRegistry();
    Registry::Key key = 0;
    ASSERT_EQ(r.CreateKey(this->kKey, "", key), 0u);
    ASSERT_EQ(r.SetString(key, "DisplayName", "라벨 프린터 2.X"), 0u);
    ASSERT_EQ(r.SetDword(key, "EstimatedSize", 7), 0u);
    std::string value;
    EXPECT_EQ(r.QueryString(key, "displayname", value), 0u);
    EXPECT_EQ(value, "라벨 프린터 2.X");
    EXPECT_EQ(r.QueryString(key, "EstimatedSize", value), kErrorUnsupportedType);
    EXPECT_EQ(r.QueryString(key, "NoSuchValue", value), kErrorFileNotFound);
    r.CloseKey(key);
}

// A key's subkeys are listed by name in the registry's (alphabetical) order, and counted with
// its values.
TYPED_TEST_P(RegistryContract, ListsAndCountsTheContentsOfAKey) {
    Registry& r = this->world.GetRegistry();
    Registry::Key key = 0;
    for (const char* sub : {"\\Sub", "\\Second"}) {
        ASSERT_EQ(r.CreateKey(this->kKey + std::string(sub), "", key), 0u);
        r.CloseKey(key);
    }
    ASSERT_EQ(r.CreateKey(this->kKey, "", key), 0u);
    ASSERT_EQ(r.SetString(key, "DisplayName", "Contract"), 0u);
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(r.ListSubkeys(key, names), 0u);
    EXPECT_EQ(names, (std::vector<std::string>{"Second", "Sub"}));
    std::uint32_t subkeys = 0, values = 0;
    EXPECT_EQ(r.CountContents(key, subkeys, values), 0u);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(values, 1u);
    r.CloseKey(key);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, DeletesOnlyKeysWithoutSubkeys, StringsReadBackAndNumbersAreNoStrings,
                            ListsAndCountsTheContentsOfAKey);

}  // namespace prinstall::contract
