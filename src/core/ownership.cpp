#include "core/ownership.h"

#include "core/label_drivers.h"

namespace prinstall {
namespace {

const Text kUsedByQueue = {"printer driver \"%s\" (the printer \"%s\" uses it)",
                           "프린터 드라이버 \"%s\" (프린터 \"%s\"에서 사용 중)"};
const Text kUsedByConnection = {"printer driver \"%s\" (the print-server connection \"%s\" uses it)",
                                "프린터 드라이버 \"%s\" (인쇄 서버 연결 \"%s\"에서 사용 중)"};
const Text kUsersUnknown = {"printer driver \"%s\" (the printers and connections could not be listed)",
                            "프린터 드라이버 \"%s\" (프린터와 연결 목록을 읽지 못함)"};
const Text kNamedByDriver = {"%s (the printer driver \"%s\" uses it)", "%s (프린터 드라이버 \"%s\"에서 사용 중)"};
const Text kDriversUnknown = {"%s (the printer drivers could not be listed)", "%s (프린터 드라이버 목록을 읽지 못함)"};
const Text kNamedByMonitor = {"%s (the port monitor \"%s\" uses it)", "%s (포트 모니터 \"%s\"에서 사용 중)"};

bool SameFileName(const std::string& a, const std::string& b) { return SameQueueName(BaseName(a), BaseName(b)); }

}  // namespace

bool IsOwnDriverName(const std::string& driverName) {
    const int n = LabelDriverNumber(driverName);
    return n >= 1 && n <= kMaxDriverNumber && driverName == LabelDriverName(n);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

UsageSurvey::UsageSurvey(Spooler& spooler, const std::string& environment, Language language, bool withUsers)
    : spooler_(spooler), language_(language), environment_(environment) {
    usersListed_ = withUsers && spooler.ListLocalPrinters(queues_) == 0 && spooler.ListConnections(connections_) == 0;
    connectionsListed_ = usersListed_;
    driversListed_ = spooler.ListDriverRecords(environment, drivers_) == 0;
}

UsageSurvey::UsageSurvey(Spooler& spooler, const std::string& environment, Language language,
                         std::vector<PrinterInfo2> queues)
    : spooler_(spooler), language_(language), environment_(environment) {
    QueuesListed(std::move(queues));
}

void UsageSurvey::QueuesListed(std::vector<PrinterInfo2> queues) {
    queues_ = std::move(queues);
    if (!connectionsListed_) connectionsListed_ = spooler_.ListConnections(connections_) == 0;
    usersListed_ = connectionsListed_;
    if (!driversListed_) driversListed_ = spooler_.ListDriverRecords(environment_, drivers_) == 0;
}

std::optional<std::string> UsageSurvey::DriverKept(const std::string& driverName, const std::string& except) const {
    if (!usersListed_) return Format(kUsersUnknown.In(language_), driverName.c_str());
    for (const PrinterInfo2& q : queues_) {
        if (SameQueueName(spooler_, q.driverName, driverName) &&
            (except.empty() || !SameQueueName(spooler_, q.printerName, except))) {
            return Format(kUsedByQueue.In(language_), driverName.c_str(), q.printerName.c_str());
        }
    }
    for (const PrinterInfo2& c : connections_) {
        if (SameQueueName(spooler_, c.driverName, driverName)) {
            return Format(kUsedByConnection.In(language_), driverName.c_str(), c.printerName.c_str());
        }
    }
    return std::nullopt;
}

std::optional<std::string> UsageSurvey::FileKept(const std::string& path, const std::string& exceptDriver) const {
    if (!driversListed_) return Format(kDriversUnknown.In(language_), path.c_str());
    for (const DriverRecord& d : drivers_) {
        if (SameQueueName(spooler_, d.name, exceptDriver)) continue;
        std::vector<std::string> files = d.DependentFileNames();
        for (const std::string* f : {&d.driverPath, &d.dataFile, &d.configFile, &d.helpFile}) files.push_back(*f);
        for (const std::string& f : files) {
            if (!f.empty() && SameFileName(f, path)) {
                return Format(kNamedByDriver.In(language_), path.c_str(), d.name.c_str());
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> ModuleKept(const std::vector<MonitorModule>& monitors, const std::string& path,
                                      const std::string& ownMonitor, Language language) {
    for (const MonitorModule& m : monitors) {
        if (m.name != ownMonitor && !m.dllName.empty() && SameFileName(m.dllName, path)) {
            return Format(kNamedByMonitor.In(language), path.c_str(), m.name.c_str());
        }
    }
    return std::nullopt;
}

}  // namespace prinstall
