// The measurement archive at the size of years of work. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_archive [loggers]   (default 10000)
// 1. Import of that many 140-channel TV loggers from files (goal for 10,000: under 60 s), and
//    the database's size per logger.
// 2. Capture of one 140-channel logger into that archive, as a reception does it (goal: under
//    10 ms added to the reception).
// 3. The archive window on it: from the start of opening to the first paint (goal: under
//    200 ms), and one filter keystroke answered and painted (goal: under 50 ms).
// 4. The history of a location with 500 entries: from asking to the chart painted (goal: under
//    200 ms).

#include "ArchiveSamples.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "archive/Capture.h"
#include "archive/windows/ArchiveWindow.h"
#include "archive/windows/HistoryWindow.h"

#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double min, median, max;
};

Figures figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

void print(const char *what, const Figures &f, const char *goal)
{
    std::printf("%-52s min %8.2f  median %8.2f  max %8.2f ms   (goal %s)\n", what, f.min, f.median, f.max, goal);
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

}   // namespace

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    StringTable::fillStringTable();
    const int loggers = argc > 1 ? std::max(600, atoi(argv[1])) : 10000;
    QTemporaryDir dir;
    app().programFolder = dir.path();
    app().tempFolder = dir.path() + QStringLiteral("/Temp");
    QDir().mkpath(app().tempFolder);
    const QString db = Archive::defaultPath();

    // 500 visits of one mast, the rest spread over 400 other places.
    std::printf("writing %d logger files of 140 channels...\n", loggers);
    for (int i = 0; i < loggers; ++i) {
        const QString folder = dir.path() + QStringLiteral("/in/%1").arg(i / 1000);
        if (i % 1000 == 0)
            QDir().mkpath(folder);
        const QString place = i < 500 ? QStringLiteral("MAST 7") : QStringLiteral("BLOCK %1").arg(i % 400);
        const QString date = QStringLiteral("%1/%2/%3")
                                 .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                                 .arg(i / 28 % 12 + 1, 2, 10, QLatin1Char('0'))
                                 .arg(20 + i / 336 % 7);
        writeBytesAtomically(folder + QStringLiteral("/%1.lg27t").arg(i),
                             tvLoggerOfSize(140, place, date, 35 + i % 23));
    }

    // 1. Import.
    QElapsedTimer t;
    t.start();
    const Archive::ImportResult r = Archive::importFiles({dir.path() + QStringLiteral("/in")}, {}, nullptr, db);
    const double importS = ms(t) / 1000;
    {
        Archive::Store s;
        s.open(db);   // a checkpoint on close folds the journal into the file
    }
    const qint64 size = QFileInfo(db).size() + QFileInfo(db + QStringLiteral("-wal")).size();
    std::printf("import of %d loggers: %.1f s (%d added, %d rejected; goal for 10,000: under 60 s)\n", loggers, importS,
                r.added, int(r.rejected.size()));
    std::printf("database: %.1f MB, %.1f KB per logger (the logger file itself: %.1f KB)\n", size / 1048576.0,
                size / 1024.0 / std::max(1, r.added),
                tvLoggerOfSize(140, QStringLiteral("X"), QStringLiteral("01/01/20")).size() / 1024.0);

    // 2. Capture of one logger as the reception does it (open, add, close), each new bytes.
    {
        std::vector<double> v;
        for (int i = 0; i < 30; ++i) {
            const QString file = app().tempFolder + QStringLiteral("/temp03.lg27t");
            writeBytesAtomically(
                file, tvLoggerOfSize(140, QStringLiteral("NEW %1").arg(i), QStringLiteral("08/12/26"), 40 + i));
            if (i == 0) {
                QElapsedTimer p;
                p.start();
                QByteArray b;
                readFileBytes(file, b);
                std::printf("  read: %.2f ms\n", ms(p));
                p.restart();
                TvLoggerContents contents;
                TvLoggerFile::read(file, contents);
                std::printf("  parse: %.2f ms\n", ms(p));
                p.restart();
                Archive::Store st;
                st.open(db);
                std::printf("  open: %.2f ms\n", ms(p));
                p.restart();
                Archive::Arrival a;
                st.add(file, b, LoggerFamily::Tv, true, a, 0);
                std::printf("  add: %.2f ms\n", ms(p));
                p.restart();
                st.close();
                std::printf("  close: %.2f ms\n", ms(p));
            }
            t.restart();
            const Archive::CaptureResult c =
                Archive::captureReceived(file, LoggerFamily::Tv, 3, true, QStringLiteral("/dev/ttyUSB0"), db);
            v.push_back(ms(t));
            if (c.code != 0)
                std::printf("capture failed: %d %s\n", c.code, qPrintable(c.detail));
        }
        print("capture of one 140-channel logger", figures(v), "under 10 ms");
    }

    // The quick check the window runs beside its first paint, and the command line's opening check.
    {
        Archive::Store s;
        s.open(db);
        t.restart();
        const int r = s.quickCheck();
        std::printf("quick check of the whole archive: %.0f ms (%s; runs beside the window's first paint)\n", ms(t),
                    r == 0 ? "ok" : "damaged");
    }

    // 3. The window: opening to the first paint, then a keystroke in the filter.
    {
        std::vector<double> open, key;
        for (int run = 0; run < 5; ++run) {
            t.restart();
            TArchive w(nullptr, db);
            w.load();
            w.show();
            (void)QTest::qWaitForWindowExposed(&w);
            w.grab();
            open.push_back(ms(t));
            const QString keys = QStringLiteral("block 1");
            w.FiltreText->clear();
            for (const QChar &c : keys) {
                t.restart();
                QTest::keyClick(w.FiltreText, c.toLatin1());
                w.table()->viewport()->grab();
                key.push_back(ms(t));
            }
        }
        print("archive window: open to first paint", figures(open), "under 200 ms");
        print("archive window: one filter keystroke", figures(key), "under 50 ms");
    }

    // 4. The history of the mast's 500 visits.
    {
        Archive::Store s;
        s.open(db);
        std::vector<double> v;
        for (int run = 0; run < 5; ++run) {
            if (run == 0) {
                QElapsedTimer p;
                p.start();
                QList<Archive::Summary> all;
                s.list({}, all);
                std::printf("  list: %.1f ms\n", ms(p));
                QList<qint64> ids;
                for (int i = 1; i <= 500; ++i)
                    ids << i;
                p.restart();
                QHash<qint64, QList<Archive::Level>> lv;
                s.channelLevels(ids, lv);
                std::printf("  levels: %.1f ms\n", ms(p));
            }
            t.restart();
            Archive::History h;
            Archive::historyOfLocation(s, QStringLiteral("mast 7"), h);
            if (run == 0)
                std::printf("  history query: %.1f ms\n", ms(t));
            THistory w(h);
            if (run == 0)
                std::printf("  window built: %.1f ms\n", ms(t));
            w.show();
            (void)QTest::qWaitForWindowExposed(&w);
            w.Grafic->grab();
            v.push_back(ms(t));
            if (run == 0)
                std::printf("history: %d entries, %d channels\n", int(h.entries.size()), int(h.channels.size()));
        }
        print("history of 500 entries: chart drawn", figures(v), "under 200 ms");
    }
    return 0;
}
