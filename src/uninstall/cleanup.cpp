#include "uninstall/cleanup.h"

#include <algorithm>
#include <set>

#include "core/driver_files.h"
#include "core/entry_names.h"
#include "core/folder_record.h"
#include "core/label_drivers.h"
#include "core/ownership.h"
#include "core/printer_records.h"
#include "core/texts.h"

namespace prinstall {
namespace {

const Text kQueueKept = {"printer \"%s\" (still on the port %s)", "프린터 \"%s\" (%s 포트에 남아 있음)"};
const Text kDriversUnlisted = {"printer drivers left by an earlier installation (the drivers could not be listed)",
                               "이전 설치에서 남은 프린터 드라이버 (드라이버 목록을 읽지 못함)"};
const Text kFolderUnlisted = {"files left by an earlier installation in %s (the folder could not be listed)",
                              "%s 폴더에 이전 설치에서 남은 파일 (폴더 목록을 읽지 못함)"};
const Text kQueueMoved = {"printer \"%s\" moved from the port %s to %s",
                          "프린터 \"%s\"을(를) %s 포트에서 %s(으)로 옮김"};
const Text kRecordsUnlisted = {"records of the printers (HKLM\\%s: they could not be listed)",
                               "프린터 기록 (HKLM\\%s: 목록을 읽지 못함)"};
const Text kEntryKept = {"entry in the list of installed programs", "설치된 프로그램 목록의 항목"};

// Whether a key below HKEY_LOCAL_MACHINE exists.
bool KeyExists(Registry& registry, const char* path) {
    Registry::Key key = 0;
    if (registry.OpenKeyForReading(path, key) != 0) return false;
    registry.CloseKey(key);
    return true;
}

}  // namespace

std::vector<std::string> Cleanup::UnusedLabelDrivers(int processor, bool* listed) {
    std::vector<std::string> unused;
    std::vector<std::string> drivers;
    const UsageSurvey survey(spooler_, SpoolerEnvironment(processor), language_);
    const bool ok = survey.Listed() && spooler_.ListDrivers(SpoolerEnvironment(processor), drivers) == 0;
    if (listed != nullptr) *listed = ok;
    if (!ok) return unused;
    // A driver that only looks like a copy is another's, and so is one that a connection uses.
    for (const std::string& driver : drivers) {
        if (IsOwnDriverName(driver) && !survey.DriverKept(driver)) unused.push_back(driver);
    }
    return unused;
}

std::vector<std::string> Cleanup::StrayFiles(int processor, int osFamily, std::vector<std::string>* unlisted) {
    std::vector<std::string> stray;
    std::vector<std::string> names;
    const auto list = [&](const std::string& folder) {
        if (files_.ListFileNames(folder, names)) return true;
        debug_.Output(Format("Folder not listed: %s", folder.c_str()));
        if (unlisted != nullptr) unlisted->push_back(folder);
        return false;
    };
    const std::string media = ProgramFolder(files_.ProgramPath()) + "\\" + MediaFolderFor(processor);
    if (list(media)) {
        for (const std::string& name : names) {
            if (CloneFileNumber(name) != 0) stray.push_back(media + "\\" + name);
        }
    }

    const std::string environment = SpoolerEnvironment(processor);
    std::string directory;
    std::vector<std::string> drivers;
    if (spooler_.DriverDirectory(environment, directory) != 0 || directory.empty() ||
        spooler_.ListDrivers(environment, drivers) != 0) {
        return stray;
    }
    std::set<int> registered;
    for (const std::string& driver : drivers) {
        if (IsOwnDriverName(driver)) registered.insert(LabelDriverNumber(driver));
    }
    // A file that another driver names is that driver's, whatever its name looks like.
    const UsageSurvey survey(spooler_, environment, language_, false);
    std::vector<std::string> folders = {directory};
    if (*DriverVersionFolder(osFamily) != '\0') folders.push_back(directory + DriverVersionFolder(osFamily));
    for (const std::string& folder : folders) {
        if (!list(folder)) continue;
        for (const std::string& name : names) {
            const int n = NumberedFileNumber(name);
            if (n != 0 && registered.count(n) == 0 && !survey.FileKept(folder + "\\" + name, {})) {
                stray.push_back(folder + "\\" + name);
            }
        }
    }
    return stray;
}

Leftovers Cleanup::FindLeftovers(int processor, int osFamily, bool korean) {
    Leftovers found;
    found.drivers = UnusedLabelDrivers(processor);
    std::vector<std::string> unlisted;
    found.strayFiles = StrayFiles(processor, osFamily, &unlisted);
    found.filesUnknown = !unlisted.empty();
    found.monitor = LabelPortMonitorPresent(spooler_, registry_, files_, system_, debug_, processor);
    found.uninstallEntry = KeyExists(registry_, korean ? kUninstallKeyKorean : kUninstallKeyEnglish);
    found.detectionValue = KeyExists(registry_, kDetectionKey);
    found.staleRecords = !RecordsWithoutQueue().empty();
    return found;
}

FilesLeft Cleanup::RemoveLeftovers(int processor, int osFamily, bool korean, FilesLeft left) {
    language_ = korean ? Language::Korean : Language::English;
    RemoveUnusedLabelDrivers(processor, osFamily, left);
    // After the drivers: the files of a driver that just went are no longer named by one. A
    // file this run already tried is not tried again.
    std::vector<std::string> unlisted;
    for (const std::string& path : StrayFiles(processor, osFamily, &unlisted)) {
        if (!left.Names(path)) left.Add(path, RemoveNowOrAtRestart(files_, path));
    }
    // A folder that could not be listed may still hold them: not a clean removal, and the
    // entry and detection value stay so that a later run looks again.
    for (const std::string& folder : unlisted)
        left.kept.push_back(Format(kFolderUnlisted.In(language_), folder.c_str()));
    RemovePortMonitor(processor, left);
    ForgetRecordsWithoutQueue(left);
    if (left.kept.empty() && !DeleteUninstallEntry(korean)) left.kept.push_back(kEntryKept.In(language_));
    if (left.kept.empty() && !DeleteDetectionValue())
        left.kept.push_back(Format(kDetectionKept.In(language_), kDetectionKey));
    return left;
}

void Cleanup::RemoveUnusedLabelDrivers(int processor, int osFamily, FilesLeft& left) {
    const std::string environment = SpoolerEnvironment(processor);
    bool listed = true;
    const std::vector<std::string> unused = UnusedLabelDrivers(processor, &listed);
    if (!listed) {
        // Numbered drivers may be left that nobody could see: not a clean removal.
        debug_.Output("Leftover drivers not listed (EnumPrinters or EnumPrinterDrivers failed)");
        left.kept.push_back(kDriversUnlisted.In(language_));
    }
    for (const std::string& driver : unused) {
        const std::uint32_t e = spooler_.RemoveDriver(driver, environment);
        if (e == kErrorNotSupported) {
            // Protected print mode: Windows removes third-party drivers itself and refuses the call.
            debug_.Output(Format("%s: already removed by Windows (DeletePrinterDriver 50)", driver.c_str()));
        } else if (e != 0) {
            debug_.Output(Format("DeletePrinterDriver(%s) GetLastError()=%d", driver.c_str(), static_cast<int>(e)));
            left.kept.push_back(Format(kDriverKept.In(language_), driver.c_str()));
            continue;
        }
        left.Append(DeleteNumberedFiles(spooler_, files_, environment, osFamily, LabelDriverNumber(driver), language_));
    }
}

bool Cleanup::DeleteUninstallEntry(bool korean) {
    const char* path = korean ? kUninstallKeyKorean : kUninstallKeyEnglish;
    Registry::Key key = 0;
    if (registry_.OpenKey(path, key) != 0) return true;
    const bool deleted = registry_.DeleteKey(path) == 0;
    registry_.CloseKey(key);
    return deleted;
}

bool Cleanup::DeleteDetectionValue() {
    if (KeyExists(registry_, kDetectionKey) && registry_.DeleteKey(kDetectionKey) != 0) return false;
    // The package's folder goes with the package, whose removal this is once nothing of it is
    // left; a folder the program made stays with the program in it, and so does its record.
    if (const std::optional<FolderRecord> folder = ReadFolderRecord(registry_);
        folder && folder->madeBy == kFolderMadeByPackage) {
        DeleteFolderRecord(registry_);
    }
    DeleteMakerKeyIfEmpty(registry_);
    return true;
}

std::vector<std::string> Cleanup::RecordsWithoutQueue(bool* listed) {
    std::vector<std::string> stale;
    std::vector<QueueRecord> records;
    std::vector<PrinterInfo2> queues;
    const bool ok = ListQueueRecords(registry_, records) && spooler_.ListLocalPrinters(queues) == 0;
    if (listed != nullptr) *listed = ok;
    if (!ok) return stale;
    for (const QueueRecord& r : records) {
        if (std::none_of(queues.begin(), queues.end(),
                         [&](const PrinterInfo2& q) { return SameQueueName(spooler_, q.printerName, r.queueName); })) {
            stale.push_back(r.queueName);
        }
    }
    return stale;
}

void Cleanup::ForgetRecordsWithoutQueue(FilesLeft& left) {
    bool listed = true;
    for (const std::string& name : RecordsWithoutQueue(&listed)) {
        const std::optional<QueueRecord> record = ReadQueueRecord(registry_, name);
        if (record) RemoveCreatedPortIfUnused(registry_, spooler_, *record);
        if (DeleteQueueRecord(registry_, name) != 0) {
            left.kept.push_back(Format(kRecordKept.In(language_), name.c_str(), kQueueRecordsKey));
        }
    }
    if (!listed) left.kept.push_back(Format(kRecordsUnlisted.In(language_), kQueueRecordsKey));
}

bool Cleanup::ListQueuesOnMonitorPort(std::vector<std::string>& names) {
    names.clear();
    std::vector<PrinterInfo2> queues;
    if (spooler_.ListLocalPrinters(queues) != 0) return false;
    for (const PrinterInfo2& q : queues) {
        if (q.portName == kPortMonitorPort) names.push_back(q.printerName);
    }
    return true;
}

std::vector<std::string> Cleanup::MoveQueuesOffMonitorPort(std::vector<std::string>* moved) {
    std::vector<std::string> names;
    if (!ListQueuesOnMonitorPort(names)) return {kPortMonitorPort};
    for (const std::string& name : names) {
        Spooler::Printer printer = 0;
        std::uint32_t e = spooler_.OpenLocalPrinter(name, printer);
        if (e == 0) {
            e = spooler_.SetPrinterPort(printer, kFallbackPort);
            spooler_.ClosePrinter(printer);
        }
        if (e != 0) debug_.Output(Format("Port of %s not changed: %d", name.c_str(), static_cast<int>(e)));
        if (e == 0 && moved != nullptr) {
            moved->push_back(Format(kQueueMoved.In(language_), name.c_str(), kPortMonitorPort, kFallbackPort));
        }
    }
    // Whatever the calls answered, the queue list says where the queues are now.
    if (!ListQueuesOnMonitorPort(names)) return {kPortMonitorPort};
    return names;
}

bool Cleanup::RemovePortMonitor(int processor, FilesLeft& left) {
    const std::vector<std::string> stuck = MoveQueuesOffMonitorPort(&left.moved);
    if (!stuck.empty()) {
        debug_.Output("Port monitor kept: queues still use its port");
        for (const std::string& name : stuck)
            left.kept.push_back(Format(kQueueKept.In(language_), name.c_str(), kPortMonitorPort));
        left.kept.push_back(Format(kMonitorKept.In(language_), kPortMonitorName));
        return false;
    }

    switch (RemoveLabelPortMonitor(spooler_, registry_, files_, system_, debug_, processor, left, language_)) {
        case MonitorRemoval::Removed: return true;
        case MonitorRemoval::KeptBySpooler:
            left.kept.push_back(Format(kMonitorKept.In(language_), kPortMonitorName));
            return false;
        case MonitorRemoval::ModuleKept: break;
    }
    return false;
}

}  // namespace prinstall
