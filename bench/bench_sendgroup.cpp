// Sends a group of 10 plans of 140 channels to the simulated meter, which paces every byte at
// 57600 baud 8N2 (11 bits a byte), and compares the job's wall time with the time the bytes
// need on the wire. Run by hand: build/bench/bench_sendgroup [baud]

#include "SimulatedMeter.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"
#include "jobs/GroupJobs.h"
#include "jobs/Jobs.h"
#include "link/SerialPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

class CountingContext : public JobContext {
public:
    using JobContext::JobContext;
    void setStatus(const QString &) override {}
    void setProgressRange(int, int, int) override {}
    void setProgress(int, int value) override { steps = value; }
    int steps = 0;
};

ChannelPlanFile plan(int i)
{
    ChannelPlanFile p;
    p.planName = QStringLiteral("P%1").arg(i);
    for (int c = 0; c < 140; ++c) {
        ChannelRecord r = ChannelRecord::newChannel();
        r.name = QStringLiteral("%1%2").arg(QChar(u'A' + i)).arg(c);
        r.analogFrequency = QString::asprintf("%.2f", 45.0 + c * 5.25 + i * 0.31);
        r.digitalFrequency = QString::asprintf("%.2f", 45.0 + c * 5.25 + i * 0.31 + 2.75);
        r.offset = (c % 2) ? QStringLiteral("-2.5") : QStringLiteral("0.0");
        r.mode = (c % 3) ? QStringLiteral("DIGITAL") : QStringLiteral("ANALOG");
        r.modulation = QStringLiteral("QAM64");
        r.system = QStringLiteral("PAL/BG");
        p.channels << r;
    }
    p.channelCount = 140;
    return p;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication qapp(argc, argv);
    const int baud = argc > 1 ? std::atoi(argv[1]) : 57600;

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Temp"));
    app().tempFolder = dir.path() + QStringLiteral("/Temp");
    app().libraryFolder = app().tempFolder;
    StringTable::fillStringTable();
    loadCatalogue(QStringLiteral(KV_SOURCE_DIR) + QStringLiteral("/data/models.txt"));
    chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);

    QStringList members;
    for (int i = 0; i < 10; ++i) {
        members << app().tempFolder + QStringLiteral("/p%1.ch26").arg(i);
        writePlanFile(members.last(), plan(i));
    }
    const QString combined = combinedFilePath();
    if (writeCombinedFile(combined, members) != 0 || BuildCommandScript(combined) != 1
        || CopyCommandScript(combined) != 1) {
        std::fprintf(stderr, "the group could not be prepared\n");
        return 1;
    }
    QStringList script;
    readTextLines(combined, script);

    SimulatedMeter meter({QStringLiteral("--fault"), QStringLiteral("pace:%1").arg(baud)});
    if (!meter.start()) {
        std::fprintf(stderr, "the simulated meter did not start\n");
        return 1;
    }
    app().PortName = meter.devicePath();

    // Host to meter: every command and its CR; meter to host: one ACK each.
    qint64 sent = 0;
    for (const QString &l : script)
        sent += l.size() + 1;
    sent += 5;   // "*RS0" CR
    const qint64 received = script.size() + 1;
    const double wire = double(sent + received) * 11.0 / baud;

    CountingContext ctx(thePort());
    const std::clock_t cpu0 = std::clock();
    QElapsedTimer wall;
    wall.start();
    const int result = runJob(ctx, JobCode::GroupScript, combined, 0);
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const double cpuSeconds = double(std::clock() - cpu0) / CLOCKS_PER_SEC;

    std::printf("job result          %d (%d lines sent, transcript %lld lines)\n", result, ctx.steps,
                static_cast<long long>(meter.transcript().size()));
    std::printf("bytes to meter      %lld\n", static_cast<long long>(sent));
    std::printf("bytes from meter    %lld\n", static_cast<long long>(received));
    std::printf("wire time           %.3f s at %d baud 8N2\n", wire, baud);
    std::printf("job wall time       %.3f s\n", wallSeconds);
    std::printf("wall / wire         %.3f\n", wallSeconds / wire);
    std::printf("program CPU time    %.3f s (%.2f%% of the wall time)\n", cpuSeconds, 100.0 * cpuSeconds / wallSeconds);
    return result == 0 ? 0 : 1;
}
