// The platform contracts run against the in-memory fakes.
#include <algorithm>

#include "fakes/fake_files.h"
#include "fakes/fake_platform.h"
#include "platform_contract.h"

namespace prinstall::contract {
namespace {

class FakeWorld {
public:
    FakeWorld() {
        // A new Windows session: the spooler is a demand-start service, stopped, and starts
        // with one pending report.
        services_.services["spooler"].status = {kServiceStopped, 0, 0};
        services_.services["spooler"].startSequence = {{kServiceStartPending, 0, 10000}, {kServiceRunning, 0, 0}};
        files_.AddFolder(ScratchFolder());
    }

    Services& GetServices() { return services_; }
    Spooler& GetSpooler() { return spooler_; }
    Clock& GetClock() { return clock_; }
    Registry& GetRegistry() { return registry_; }
    Files& GetFiles() { return files_; }
    std::string ScratchFolder() const { return "C:\\Contract Files"; }
    // The fake keeps no file attributes: its deletion never refuses a file.
    void SetReadOnly(const std::string&) {}
    static constexpr bool kHasDeletePrinterKey = true;
    // The fake's drivers need no files.
    void PlaceDriverFiles() {}
    void AddQueue(const PrinterInfo2& q) {
        if (!spooler_.HasDriver(q.driverName)) spooler_.AddDriver(q.driverName);
        spooler_.printers.push_back(q);
    }
    void RemoveQueue(const PrinterInfo2& q) {
        auto& p = spooler_.printers;
        p.erase(std::remove(p.begin(), p.end(), q), p.end());
    }

private:
    fakes::FakeServices services_;
    fakes::FakeSpooler spooler_;
    fakes::FakeRegistry registry_;
    fakes::FakeClock clock_;
    fakes::FakeFiles files_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ServicesContract, FakeWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ClockContract, FakeWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, SpoolerContract, FakeWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RegistryContract, FakeWorld);
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, FilesContract, FakeWorld);

}  // namespace
}  // namespace prinstall::contract
