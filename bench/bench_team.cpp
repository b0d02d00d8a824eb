// The team archive against a local PostgreSQL server of its own. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_team [entries]   (default 10000)
// 1. The first synchronisation of that many 140-channel entries to an empty server (goal for
//    10,000: under 60 s), and a second one with nothing new (goal: under 1 s).
// 2. Two laptops synchronising with the server at once, 1,000 new entries each (goal: both end
//    with all 2,000 and the server's, nothing twice).

#include "ArchiveSamples.h"
#include "PgServer.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "archive/Capture.h"
#include "archive/Team.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

// A laptop's archive holding n loggers made from seed.
QString laptop(const QTemporaryDir &dir, const QString &name, int n, int seed)
{
    const QString folder = dir.path() + QLatin1Char('/') + name;
    QDir().mkpath(folder + QStringLiteral("/in"));
    for (int i = 0; i < n; ++i)
        writeBytesAtomically(folder + QStringLiteral("/in/%1.lg27t").arg(i),
                             tvLoggerOfSize(140, QStringLiteral("%1 %2").arg(name).arg(i % 300),
                                            QStringLiteral("%1/%2/26").arg(i % 28 + 1).arg(i / 28 % 12 + 1), seed + i));
    const QString db = folder + QStringLiteral("/archive.sqlite");
    const Archive::ImportResult r = Archive::importFiles({folder + QStringLiteral("/in")}, {}, nullptr, db);
    std::printf("%s: %d loggers archived\n", qPrintable(name), r.added);
    return db;
}

int count(const QString &db)
{
    Archive::Store s;
    s.open(db);
    QList<Archive::Summary> all;
    s.list({}, all);
    return int(all.size());
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication qapp(argc, argv);
    StringTable::fillStringTable();
    const int entries = argc > 1 ? std::max(100, atoi(argv[1])) : 10000;
    PgServer pg;
    if (!pg.start()) {
        std::printf("PostgreSQL did not start: %s\n", qPrintable(pg.reason()));
        return 1;
    }
    Team::Settings settings;
    QString password;
    Team::parseUrl(pg.url(), settings, password);
    settings.tls = QStringLiteral("disable");
    QTemporaryDir dir;
    app().programFolder = dir.path();

    const QString first = laptop(dir, QStringLiteral("office"), entries, 0);
    QElapsedTimer t;
    t.start();
    Team::SyncResult r = Team::synchronise(settings, password, {}, nullptr, first);
    std::printf("first synchronisation of %d entries: %.1f s (%d sent, code %d; goal for 10,000: under 60 s)\n",
                entries, t.elapsed() / 1000.0, r.counts.sent, r.code);
    t.restart();
    r = Team::synchronise(settings, password, {}, nullptr, first);
    std::printf("second synchronisation, nothing new: %lld ms (%d sent, %d fetched; goal: under 1 s)\n",
                (long long)t.elapsed(), r.counts.sent, r.counts.fetched);

    // Two laptops at once, each with 1,000 loggers of its own.
    const QString one = laptop(dir, QStringLiteral("laptop-1"), 1000, 100000);
    const QString two = laptop(dir, QStringLiteral("laptop-2"), 1000, 200000);
    Team::SyncResult r1, r2;
    t.restart();
    QThread *a = QThread::create([&] { r1 = Team::synchronise(settings, password, {}, nullptr, one); });
    QThread *b = QThread::create([&] { r2 = Team::synchronise(settings, password, {}, nullptr, two); });
    a->start();
    b->start();
    a->wait();
    b->wait();
    delete a;
    delete b;
    std::printf("two laptops at once: %.1f s (codes %d, %d)\n", t.elapsed() / 1000.0, r1.code, r2.code);
    // Each fetches what the other sent after its own look at the server.
    Team::synchronise(settings, password, {}, nullptr, one);
    Team::synchronise(settings, password, {}, nullptr, two);
    QString out;
    pg.psql(QStringLiteral("SELECT count(*), count(DISTINCT sha256) FROM kv_entries"), &out);
    std::printf("laptop 1: %d entries, laptop 2: %d entries, server (rows|distinct): %s (expected %d each)\n",
                count(one), count(two), qPrintable(out.trimmed()), entries + 2000);
    return 0;
}
