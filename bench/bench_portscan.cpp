// The meter search over 1, 4, 16 and 40 ports, with the real 3 s time-out: silent ports are
// pseudo-terminals nobody answers on, the meter is the simulated one. For each size it times
// three cases: the meter on the last port behind silent ones, no meter at all, the meter on the
// first port. CPU is this program's own (every thread), the meter's process not counted.
// Run by hand: build/bench/bench_portscan [SIZE...]

#include "../tests/link/PtyPair.h"
#include "SimulatedMeter.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "link/PortSearch.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class QuietHost : public PortSearchHost {
public:
    void portTried(int, bool) override {}
    bool chooseManually(const QString &) override { return false; }
};

struct Figures {
    int code = 0;
    int port = 0;
    double wall = 0;
    double cpu = 0;
};

Figures scan(const QStringList &devices)
{
    PortTable::setRunDevices(devices);
    QuietHost host;
    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    const PortSearchResult r = searchPorts(thePort(), host);
    Figures f;
    f.wall = clock.nsecsElapsed() / 1e9;
    f.cpu = cpuSeconds() - cpu0;
    f.code = r.code;
    f.port = r.portNumber;
    return f;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication qapp(argc, argv);
    StringTable::fillStringTable();
    if (loadCatalogue(QStringLiteral(KV_SOURCE_DIR) + QStringLiteral("/data/models.txt")) == 0) {
        std::fprintf(stderr, "no catalogue\n");
        return 1;
    }
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1, 4, 16, 40};

    SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-27 v1.30")});
    if (!meter.start()) {
        std::fprintf(stderr, "the simulated meter did not start\n");
        return 1;
    }
    std::vector<std::unique_ptr<PtyPair>> silent;
    for (int i = 0; i < 40; ++i) {
        silent.push_back(std::make_unique<PtyPair>());
        if (!silent.back()->ok()) {
            std::fprintf(stderr, "no pseudo-terminal\n");
            return 1;
        }
    }
    auto drain = [&] {
        for (auto &p : silent)
            p->readAvailable(0);
    };

    std::printf("time-out %d ms a try, two tries a port\n", thePort().GetTimeout());
    std::printf("%5s  %-28s %6s %5s %9s %9s\n", "ports", "case", "result", "port", "wall s", "CPU s");
    for (int n : sizes) {
        if (n < 1 || n > 40)
            continue;
        struct Case {
            const char *name;
            QStringList devices;
        } cases[3];
        cases[0].name = "meter last, behind silent";
        cases[1].name = "no meter";
        cases[2].name = "meter first";
        for (int i = 0; i < n - 1; ++i)
            cases[0].devices << silent[size_t(i)]->slavePath();
        cases[0].devices << meter.devicePath();
        for (int i = 0; i < n; ++i)
            cases[1].devices << silent[size_t(i)]->slavePath();
        cases[2].devices << meter.devicePath();
        for (int i = 0; i < n - 1; ++i)
            cases[2].devices << silent[size_t(i)]->slavePath();
        for (const Case &c : cases) {
            const Figures f = scan(c.devices);
            drain();
            std::printf("%5d  %-28s %6d %5d %9.3f %9.3f\n", n, c.name, f.code, f.port, f.wall, f.cpu);
            std::fflush(stdout);
        }
    }
    return 0;
}
