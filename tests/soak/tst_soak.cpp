// Long runs against the simulated meter through the real jobs: a 10-plan group sent and read
// back 200 times, and every logger of both families received 50 times. Every round trip must
// be exact, and the program's memory and open file descriptors must stay flat: a job that
// leaks a port, a file or a buffer would run a workshop's machine out of them over a day.
// Labelled "soak": the normal suite leaves it out, scripts/test --soak runs it.

#include "RecordingContext.h"
#include "SimulatedMeter.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/ModelCatalogue.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"
#include "datalogger/LoggerFiles.h"
#include "jobs/GroupJobs.h"
#include "jobs/Jobs.h"
#include "jobs/LoggerJobs.h"
#include "link/SerialPort.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <numeric>

namespace {

constexpr int kGroupRounds = 200;
constexpr int kLoggerRounds = 50;
constexpr int kPlans = 10;
// Growth allowed between the figures after the warm-up rounds and the end: allocator noise,
// far below what one lost buffer per job would add up to over the run.
constexpr long kRssNoiseKb = 2048;
constexpr int kFdNoise = 1;

struct Figures {
    long rssKb = -1;
    int fds = -1;
};

Figures figures()
{
    Figures f;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                f.rssKb = line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    f.fds =
        int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size());
    return f;
}

QString two(float v)
{
    return QString::asprintf("%.2f", double(v));
}

// Plan p: 140 - 13p channels (140 down to 23), written the way the meter gives them back, so
// that a received plan must equal the sent one field for field.
ChannelPlanFile soakPlan(int p)
{
    static const QStringList bandwidths = {QStringLiteral("8.0"), QStringLiteral("7.0"), QStringLiteral("6.0")};
    static const QStringList offsets = {QStringLiteral("0.00"), QStringLiteral("-2.50"), QStringLiteral("1.25"),
                                        QStringLiteral("0.75")};
    static const QStringList annexes = {QStringLiteral("DVB"), QStringLiteral("B"), QStringLiteral("C")};
    ChannelPlanFile plan;
    plan.planName = QStringLiteral("SOAK%1").arg(p);
    const int count = 140 - 13 * p;
    for (int c = 0; c < count; ++c) {
        ChannelRecord r;
        r.name = QStringLiteral("%1%2").arg(QChar(u'K' + p)).arg(c + 1);
        const bool analog = (c + p) % 4 == 0;
        r.bandwidth = bandwidths[(c + p) % bandwidths.size()];
        r.analogFrequency = two(47.0f + float(c) * 6.0f + float(p) * 0.25f);
        r.digitalFrequency = two(r.bandwidth.toFloat() * 0.5f + r.analogFrequency.toFloat() - 1.25f);
        r.offset = offsets[(c * 3 + p) % offsets.size()];
        r.status = (c % 9 == 4) ? QStringLiteral("OFF") : QStringLiteral("ON");
        r.mode = analog ? QStringLiteral("ANALOG") : QStringLiteral("DIGITAL");
        r.symbolRate = QString::number(1000 + (c * 53 + p * 7) % 6000);
        r.annex = analog ? QStringLiteral("DVB") : annexes[c % annexes.size()];
        r.modulation = PlanValues::modulations().at((c + 2 * p) % 5);
        r.attenuator = QStringLiteral("AUTO");
        r.system = analog ? PlanValues::analogSystems().at((c + p) % 18) : QStringLiteral("PAL/BG");
        plan.channels << r;
    }
    plan.channelCount = count;
    return plan;
}

QString describe(const ChannelRecord &c)
{
    return c.columnTexts().join(QLatin1Char(','));
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void report(const char *what, const Figures &start, const Figures &end, qint64 ms)
{
    qInfo("%s: VmRSS %ld kB -> %ld kB (%+ld kB), open descriptors %d -> %d, %.1f s", what, start.rssKb, end.rssKb,
          end.rssKb - start.rssKb, start.fds, end.fds, double(ms) / 1000.0);
}

void reportWarmUp(const Figures &start, const Figures &end)
{
    qInfo("warm-up rounds: VmRSS %ld kB -> %ld kB, open descriptors %d -> %d", start.rssKb, end.rssKb, start.fds,
          end.fds);
}

}   // namespace

class SoakTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        thePort().SetTimeout(600);
        LoggerJobs::setTvSettleDelay(0);
    }
    void cleanupTestCase()
    {
        thePort().Close();
        thePort().SetTimeout(3000);
    }
    void groupRoundTrips();
    void allLoggers();
};

void SoakTest::groupRoundTrips()
{
    TestWorkspace ws;
    loadCatalogue();
    chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
    SimulatedMeter meter;
    if (!meter.start())
        KV_METER_NOT_STARTED();
    app().PortName = meter.devicePath();

    QList<ChannelPlanFile> plans;
    QStringList paths;
    for (int p = 0; p < kPlans; ++p) {
        plans << soakPlan(p);
        paths << ws.library() + QStringLiteral("/soak%1.ch26").arg(p);
        QCOMPARE(writePlanFile(paths.last(), plans.last()), 0);
    }
    // The group editor's preparation, once: combined file, script, script over the combined file.
    const QString script = combinedFilePath();
    QCOMPARE(writeCombinedFile(script, paths), 0);
    QCOMPARE(BuildCommandScript(script), 1);
    QCOMPARE(CopyCommandScript(script), 1);

    auto round = [&](int n) {
        RecordingContext send;
        const int sent = runJob(send, JobCode::GroupScript, script, 0);
        QVERIFY2(sent == 0, qPrintable(QStringLiteral("round %1: send gave %2").arg(n).arg(sent)));
        QVERIFY(!thePort().isOpen());
        QCOMPARE(AskPlanCount(), kPlans);
        for (int p = 0; p < kPlans; ++p) {
            QString name;
            QCOMPARE(AskPlanFileName(p, name), 0);
            QCOMPARE(name, QStringLiteral("soak%1.ch26").arg(p));
            const QString out = ws.temp() + QLatin1Char('/') + name;
            RecordingContext receive;
            const int got = runJob(receive, JobCode::ReceivePlan, out, p);
            QVERIFY2(got == 0, qPrintable(QStringLiteral("round %1 plan %2: receive gave %3").arg(n).arg(p).arg(got)));
            ChannelPlanFile back;
            QCOMPARE(readPlanFile(out, back), 0);
            QCOMPARE(back.planName, plans[p].planName);
            QCOMPARE(back.channels.size(), plans[p].channels.size());
            for (int c = 0; c < back.channels.size(); ++c) {
                QVERIFY2(back.channels[c] == plans[p].channels[c],
                         qPrintable(QStringLiteral("round %1 plan %2 channel %3: sent %4, received %5")
                                        .arg(n)
                                        .arg(p)
                                        .arg(c + 1)
                                        .arg(describe(plans[p].channels[c]), describe(back.channels[c]))));
            }
            QFile::remove(out);
        }
        // The channel log of each send is the user's record; the soak keeps only the last.
        for (const QString &log : QDir(ws.temp()).entryList({QStringLiteral("chnl*.log")}, QDir::Files))
            QFile::remove(ws.temp() + QLatin1Char('/') + log);
    };

    // Warm-up: the first rounds allocate what stays for the program's life (caches, tables).
    QElapsedTimer timer;
    timer.start();
    const Figures before = figures();
    for (int n = 0; n < 5; ++n) {
        round(n);
        if (QTest::currentTestFailed())
            return;
    }
    const Figures start = figures();
    Figures quarter;
    for (int n = 5; n < kGroupRounds; ++n) {
        round(n);
        if (QTest::currentTestFailed())
            return;
        if (n == kGroupRounds / 4)
            quarter = figures();
    }
    const Figures end = figures();
    reportWarmUp(before, start);
    qInfo("group: %d round trips of %d plans, %lld channels each way per round; VmRSS after a quarter %ld kB",
          kGroupRounds, kPlans,
          static_cast<long long>(
              std::accumulate(plans.begin(), plans.end(), qsizetype(0),
                              [](qsizetype s, const ChannelPlanFile &p) { return s + p.channels.size(); })),
          quarter.rssKb);
    report("group round trips", start, end, timer.elapsed());
    QVERIFY2(end.rssKb - start.rssKb <= kRssNoiseKb, "memory grows with every group sent and received");
    QVERIFY2(end.fds - start.fds <= kFdNoise, "descriptors stay open after the jobs");
}

void SoakTest::allLoggers()
{
    TestWorkspace ws;
    loadCatalogue();
    chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
    SimulatedMeter meter({QStringLiteral("--loggers"), TestWorkspace::source(QStringLiteral("tests/fixtures/meter"))});
    if (!meter.start())
        KV_METER_NOT_STARTED();
    app().PortName = meter.devicePath();

    struct Family {
        int code;
        LoggerFamily family;
        QList<int> filled;   // the fixture's non-empty slots
    };
    const Family families[] = {{JobCode::TvFamily, LoggerFamily::Tv, {0, 2, 4}},
                               {JobCode::ModemFamily, LoggerFamily::Modem, {0, 2}}};
    QHash<QString, QByteArray> firstRound;

    auto round = [&](int n) {
        for (const Family &f : families) {
            // Last round's files go first: each round must write every file anew.
            for (int slot : f.filled)
                QFile::remove(Logger::receivedLoggerPath(f.family, slot));
            RecordingContext ctx;
            const int r = receiveAllLoggersJob(ctx, f.code);
            QVERIFY2(r == 0, qPrintable(QStringLiteral("round %1 family %2: %3").arg(n).arg(f.code, 0, 16).arg(r)));
            QVERIFY(!thePort().isOpen());
            for (int slot : f.filled) {
                const QString path = Logger::receivedLoggerPath(f.family, slot);
                const QByteArray bytes = fileBytes(path);
                QVERIFY2(!bytes.isEmpty(), qPrintable(path));
                if (n == 0) {
                    // The first reception is one the viewers accept (TV slot 4 of the fixture
                    // holds no measurement, which the viewer refuses).
                    if (f.family == LoggerFamily::Tv) {
                        TvLoggerContents contents;
                        QCOMPARE(TvLoggerFile::read(path, contents), slot == 4 ? -65 : 0);
                        QCOMPARE(contents.header.loggerNumber, QString::number(slot));
                    } else {
                        ModemLoggerRecord record;
                        QCOMPARE(ModemLoggerFile::read(path, record), 0);
                        QCOMPARE(record.loggerNumber, slot);
                    }
                    firstRound.insert(path, bytes);
                } else {
                    QVERIFY2(bytes == firstRound.value(path),
                             qPrintable(QStringLiteral("round %1: %2 differs").arg(n).arg(path)));
                }
            }
        }
    };

    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < 3; ++n) {
        round(n);
        if (QTest::currentTestFailed())
            return;
    }
    const Figures start = figures();
    for (int n = 3; n < kLoggerRounds; ++n) {
        round(n);
        if (QTest::currentTestFailed())
            return;
    }
    const Figures end = figures();
    report("all loggers, both families", start, end, timer.elapsed());
    QVERIFY2(end.rssKb - start.rssKb <= kRssNoiseKb, "memory grows with every logger received");
    QVERIFY2(end.fds - start.fds <= kFdNoise, "descriptors stay open after the jobs");
}

QTEST_GUILESS_MAIN(SoakTest)
#include "tst_soak.moc"
