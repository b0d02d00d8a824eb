// The measurement archive's core: its schema and migrations, what a damaged or newer database
// becomes, one entry per set of bytes, deletion and the 30 days, imports of a folder tree, and
// the views' figures (the comparison's channel matching, a site's history).

#include "ArchiveSamples.h"
#include "LoggerSamples.h"
#include "SmallDisk.h"
#include "TestWorkspace.h"

#include "app/Files.h"
#include "app/StringTable.h"
#include "archive/Archive.h"
#include "archive/Capture.h"
#include "archive/Views.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using Archive::Store;

namespace {

// Runs one statement on a database file the way another program would.
bool sql(const QString &path, const QString &statement)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {path, statement});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString sqlValue(const QString &path, const QString &statement)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {path, statement});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

Archive::Arrival received(int slot)
{
    Archive::Arrival a;
    a.slot = slot;
    a.port = QStringLiteral("COM3");
    return a;
}

QList<Archive::Channel> channels(const QList<std::tuple<QString, double, double>> &list)
{
    QList<Archive::Channel> out;
    int seq = 0;
    for (const auto &[name, freq, level] : list) {
        Archive::Channel c;
        c.seq = seq++;
        c.field[TvMeasurement::CH] = name;
        c.field[TvMeasurement::FREQ] = QString::number(freq, 'f', 2);
        c.hasLevel = !std::isnan(level);
        c.level = level;
        c.hasQuality = c.hasLevel;
        c.quality = 30;
        out << c;
    }
    return out;
}

}   // namespace

class TestArchive : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWorkspace> ws;

    QString dbPath() const { return ws->path(QStringLiteral("archive.sqlite")); }

    // Adds a logger file of these bytes as a reception would.
    int addBytes(Store &store, const QByteArray &bytes, int slot = 3, qint64 *id = nullptr, bool *isNew = nullptr)
    {
        const QString path = ws->write(QStringLiteral("Temp/temp%1.lg27t").arg(slot, 2, 10, QLatin1Char('0')), bytes);
        return store.add(path, bytes, LoggerFamily::Tv, true, received(slot), 0, id, isNew);
    }

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>();
        Archive::Testing::setNow({});
    }
    void cleanup()
    {
        Archive::Testing::setNow({});
        ws.reset();
    }

    // A database made by the first version of the schema opens in every later one, its entries
    // kept; the open is also what brings it up to date, once.
    void olderSchemaIsMigrated()
    {
        KV_SKIP_WITHOUT("sqlite3", "sqlite3");
        {
            Store v1;
            QCOMPARE(v1.openAtVersion(dbPath(), 1), 0);
            QCOMPARE(v1.version(), 1);
        }
        // An entry as the first version wrote it.
        QVERIFY(sql(
            dbPath(),
            QStringLiteral(
                "INSERT INTO entries(id, sha256, family, complete, slot, model, location, meter_date, meter_time, measured_at,"
                " plan, units, threshold, channels, under, levels, first_at)"
                " VALUES(1, '%1', 1, 1, 3, 'KV-27', 'ROOF A', '05/12/26', '09:12', '2026-12-05T09:12:00', 'TDT', 'dBuV', '45',"
                " 5, 2, 'C21' || char(9) || '52.3' || char(10), '2026-12-06T10:00:00Z');"
                "INSERT INTO entry_files(entry_id, bytes) VALUES(1, x'%2');"
                "INSERT INTO arrivals(entry_id, at, origin, slot, port) VALUES(1, '2026-12-06T10:00:00Z', 0, 3, 'COM3');"
                "INSERT INTO tv_channels(entry_id, seq, ch, level, digital) VALUES(1, 0, 'C21', 52.3, 1)")
                .arg(Archive::digest(sampleTvLogger()), QString::fromLatin1(sampleTvLogger().toHex()))));
        QCOMPARE(sqlValue(dbPath(),
                          QStringLiteral(
                              "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='entries_location'")),
                 QStringLiteral("0"));
        Store now;
        QCOMPARE(now.open(dbPath(), Archive::Check::Quick), 0);
        QCOMPARE(now.version(), Archive::kSchemaVersion);
        QList<Archive::Summary> all;
        QCOMPARE(now.list({}, all), 0);
        QCOMPARE(all.size(), 1);
        QCOMPARE(all[0].location, QStringLiteral("ROOF A"));
        QCOMPARE(all[0].channels, 5);
        QCOMPARE(all[0].under, 2);
        Archive::Entry e;
        QCOMPARE(now.entry(1, e), 0);
        QCOMPARE(e.bytes, sampleTvLogger());
        QCOMPARE(e.arrivals.size(), 1);
        QCOMPARE(e.arrivals[0].uid.size(), 32);   // named by the migration, for a team archive
        // The same bytes arriving again are the old entry.
        qint64 id = 0;
        bool isNew = true;
        QCOMPARE(addBytes(now, sampleTvLogger(), 3, &id, &isNew), 0);
        QCOMPARE(id, 1);
        QVERIFY(!isNew);
        QCOMPARE(sqlValue(dbPath(), QStringLiteral("PRAGMA journal_mode")), QStringLiteral("wal"));
        QCOMPARE(sqlValue(dbPath(),
                          QStringLiteral(
                              "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='entries_location'")),
                 QStringLiteral("1"));
    }

    // A newer program's database is refused and left byte for byte as it was; a damaged one is
    // renamed aside (never deleted) and a new archive begun in its place.
    void newerAndDamagedDatabases()
    {
        KV_SKIP_WITHOUT("sqlite3", "sqlite3");
        {
            Store s;
            QCOMPARE(s.open(dbPath()), 0);
            QCOMPARE(addBytes(s, sampleTvLogger()), 0);
        }
        QVERIFY(sql(dbPath(), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE); PRAGMA user_version=99")));
        const QByteArray newer = fileBytes(dbPath());
        {
            Store s;
            QCOMPARE(s.open(dbPath()), Err::ArchiveNewer);
            QVERIFY(!s.isOpen());
            QVERIFY(s.setAsidePath().isEmpty());
            QVERIFY(Archive::failureText(Err::ArchiveNewer, s.detail()).contains(QStringLiteral("newer version")));
        }
        QCOMPARE(fileBytes(dbPath()), newer);

        // Not a database at all.
        const QByteArray junk(5000, 'x');
        QFile::remove(dbPath());
        ws->write(QStringLiteral("archive.sqlite"), junk);
        Archive::Testing::setNow(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 0), Qt::UTC));
        {
            Store s;
            QCOMPARE(s.open(dbPath()), 0);
            QCOMPARE(s.setAsidePath(), ws->path(QStringLiteral("archive-damaged-20261208-103000.sqlite")));
            QCOMPARE(fileBytes(s.setAsidePath()), junk);
            QCOMPARE(addBytes(s, sampleTvLogger()), 0);
            QVERIFY(Archive::setAsideText(s.setAsidePath())
                        .contains(QStringLiteral("archive-damaged-20261208-103000.sqlite")));
        }
        // Damaged inside: the header is good, the pages are not. The quick check finds it, and a
        // second damage the same second gets a name of its own.
        {
            Store s;
            QCOMPARE(s.open(dbPath()), 0);
            for (int i = 0; i < 30; ++i)
                QCOMPARE(addBytes(s, tvLoggerOfSize(100, QStringLiteral("SITE %1").arg(i), QStringLiteral("01/12/26"))),
                         0);
        }
        QVERIFY(sql(dbPath(), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
        QByteArray bytes = fileBytes(dbPath());
        QVERIFY(bytes.size() > 64 * 1024);
        for (qsizetype i = 8192; i < bytes.size() - 4096; i += 4096)
            bytes.replace(i + 100, 300, QByteArray(300, '\xA5'));
        QVERIFY(writeBytesAtomically(dbPath(), bytes));
        {
            Store s;
            QCOMPARE(s.open(dbPath(), Archive::Check::Quick), 0);
            QCOMPARE(s.setAsidePath(), ws->path(QStringLiteral("archive-damaged-20261208-103000-2.sqlite")));
            QCOMPARE(fileBytes(s.setAsidePath()), bytes);
            QList<Archive::Summary> all;
            QCOMPARE(s.list({}, all), 0);
            QVERIFY(all.isEmpty());
        }
    }

    // The same bytes are one entry however often they arrive; other bytes for the same slot are
    // another entry. A deleted entry received again is kept again.
    void oneEntryPerBytes()
    {
        Store s;
        QCOMPARE(s.open(dbPath()), 0);
        qint64 first = 0, again = 0, other = 0;
        bool isNew = false;
        QCOMPARE(addBytes(s, sampleTvLogger(), 3, &first, &isNew), 0);
        QVERIFY(isNew);
        QCOMPARE(addBytes(s, sampleTvLogger(), 3, &again, &isNew), 0);
        QVERIFY(!isNew);
        QCOMPARE(again, first);
        QCOMPARE(addBytes(s, sampleTvLogger("50"), 3, &other, &isNew), 0);
        QVERIFY(isNew);
        QVERIFY(other != first);

        Archive::Entry e;
        QCOMPARE(s.entry(first, e), 0);
        QCOMPARE(e.bytes, sampleTvLogger());
        QCOMPARE(e.summary.sha256, Archive::digest(sampleTvLogger()));
        QCOMPARE(e.arrivals.size(), 2);
        QCOMPARE(e.arrivals[0].slot, 3);
        QCOMPARE(e.arrivals[0].port, QStringLiteral("COM3"));

        // The channels as the chart reads them: numbers where the text reads as one.
        QList<Archive::Channel> chans;
        QCOMPARE(s.channels(first, chans), 0);
        QCOMPARE(chans.size(), 5);
        QCOMPARE(chans[0].name(), QStringLiteral("C21"));
        QVERIFY(chans[0].hasLevel && chans[0].digital);
        QCOMPARE(chans[0].level, 52.3);
        QCOMPARE(chans[1].level, 61.2);   // analog: the Level, not the Pwr
        QVERIFY(!chans[1].digital);
        QCOMPARE(chans[3].name(), QStringLiteral("C26"));   // in the order of their numbers
        QVERIFY(!chans[3].hasLevel);   // measured nothing
        QCOMPARE(chans[3].field[TvMeasurement::FREQ], QStringLiteral("514.00"));

        QCOMPARE(s.remove(first), 0);
        QCOMPARE(s.remove(999), Err::NoSuchEntry);
        QList<Archive::Summary> all;
        QCOMPARE(s.list({}, all), 0);
        QCOMPARE(all.size(), 1);
        QCOMPARE(addBytes(s, sampleTvLogger(), 3, &again, &isNew), 0);
        QCOMPARE(again, first);
        QCOMPARE(s.list({}, all), 0);
        QCOMPARE(all.size(), 2);
    }

    // Deleted entries stay restorable for 30 days, then the next purge drops them with their
    // measurements and arrivals.
    void deletedEntriesGoAfterThirtyDays()
    {
        KV_SKIP_WITHOUT("sqlite3", "sqlite3");
        Store s;
        QCOMPARE(s.open(dbPath()), 0);
        qint64 a = 0, b = 0;
        QCOMPARE(addBytes(s, sampleTvLogger(), 1, &a), 0);
        QCOMPARE(addBytes(s, sampleTvLogger("40"), 2, &b), 0);
        const QDateTime t0(QDate(2026, 11, 1), QTime(8, 0), Qt::UTC);
        Archive::Testing::setNow(t0);
        QCOMPARE(s.remove(a), 0);
        QCOMPARE(s.remove(b), 0);
        Archive::Filter deleted;
        deleted.deleted = true;
        QList<Archive::Summary> list;
        QCOMPARE(s.list(deleted, list), 0);
        QCOMPARE(list.size(), 2);
        QCOMPARE(s.restore(b), 0);

        Archive::Testing::setNow(t0.addDays(29));
        QCOMPARE(s.purge(), 0);
        QCOMPARE(s.list(deleted, list), 0);
        QCOMPARE(list.size(), 1);
        Archive::Testing::setNow(t0.addDays(31));
        QCOMPARE(s.purge(), 1);
        QCOMPARE(s.list(deleted, list), 0);
        QVERIFY(list.isEmpty());
        QCOMPARE(sqlValue(dbPath(), QStringLiteral("SELECT count(*) FROM tv_channels WHERE entry_id=%1").arg(a)),
                 QStringLiteral("0"));
        QCOMPARE(sqlValue(dbPath(), QStringLiteral("SELECT count(*) FROM arrivals WHERE entry_id=%1").arg(a)),
                 QStringLiteral("0"));
        QCOMPARE(s.list({}, list), 0);
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].id, b);
    }

    // A folder tree of good, duplicate and rejected files: each good file once, the others listed
    // with their reason; a second import finds every logger archived already.
    void importOfAFolderTree()
    {
        const QString root = ws->path(QStringLiteral("field"));
        ws->write(QStringLiteral("field/a.lg27t"),
                  tvLoggerOfSize(10, QStringLiteral("ROOF"), QStringLiteral("01/12/26")));
        ws->write(QStringLiteral("field/day2/b.lg27t"),
                  tvLoggerOfSize(10, QStringLiteral("ROOF"), QStringLiteral("02/12/26")));
        ws->write(QStringLiteral("field/day2/copy of a.lg27t"),
                  tvLoggerOfSize(10, QStringLiteral("ROOF"), QStringLiteral("01/12/26")));
        ws->write(QStringLiteral("field/notes.txt"), "call the caretaker\r\n");
        QByteArray junk;
        for (int i = 0; i < 40000; ++i)
            junk.append(char((i * 7919) & 0xFF));
        ws->write(QStringLiteral("field/junk.bin"), junk);
        // A TV logger's DEVICE line with no measurement the viewer accepts.
        ws->write(QStringLiteral("field/empty.lg27t"), tvLoggerHead(0));
        {
            // Over the reading limit, without writing 16 MB: a sparse file.
            QFile big(ws->path(QStringLiteral("field/huge.lg27t")));
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(kMaxReadBytes + 1));
        }

        int lastDone = 0, lastTotal = 0;
        const Archive::ImportResult r = Archive::importFiles(
            {root, ws->path(QStringLiteral("no such folder"))},
            [&](int done, int total) {
                QVERIFY(done >= lastDone);
                lastDone = done;
                lastTotal = total;
            },
            nullptr, dbPath());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.added, 2);
        QCOMPARE(r.alreadyArchived, 1);
        QCOMPARE(lastDone, 7);
        QCOMPARE(lastTotal, 7);
        QMap<QString, Archive::Rejection> why;
        for (const auto &[path, reason] : r.rejected)
            why[QFileInfo(path).fileName()] = reason;
        QCOMPARE(why.size(), 5);
        QCOMPARE(why.value(QStringLiteral("notes.txt")), Archive::Rejection::NotALogger);
        QCOMPARE(why.value(QStringLiteral("junk.bin")), Archive::Rejection::NotALogger);
        QCOMPARE(why.value(QStringLiteral("empty.lg27t")), Archive::Rejection::Refused);
        QCOMPARE(why.value(QStringLiteral("huge.lg27t")), Archive::Rejection::TooLarge);
        QCOMPARE(why.value(QStringLiteral("no such folder")), Archive::Rejection::Unreadable);
        QCOMPARE(Archive::rejectionText(Archive::Rejection::Refused),
                 QStringLiteral("the logger viewer would not open it"));

        const Archive::ImportResult again = Archive::importFiles({root}, {}, nullptr, dbPath());
        QCOMPARE(again.added, 0);
        QCOMPARE(again.alreadyArchived, 3);

        Store s;
        QCOMPARE(s.open(dbPath()), 0);
        QList<Archive::Summary> all;
        QCOMPARE(s.list({}, all), 0);
        QCOMPARE(all.size(), 2);
        Archive::Entry e;
        QCOMPARE(s.entry(all[0].id, e), 0);
        QCOMPARE(e.arrivals.size(), 4);   // the file and its copy, in each of the two imports
        QCOMPARE(e.arrivals[0].origin, Archive::Origin::Imported);
        QVERIFY(e.arrivals[0].source.endsWith(QStringLiteral("field/a.lg27t")));
    }

    // Cancel keeps what was imported before it, committed.
    void importCancelKeepsWhatCame()
    {
        for (int i = 0; i < 30; ++i)
            ws->write(QStringLiteral("in/%1.lg27t").arg(i, 2, 10, QLatin1Char('0')),
                      tvLoggerOfSize(5, QStringLiteral("HALL"), QStringLiteral("%1/11/26").arg(i % 28 + 1), i));
        std::atomic<bool> cancel{false};
        const Archive::ImportResult r = Archive::importFiles(
            {ws->path(QStringLiteral("in"))}, [&](int done, int) { cancel.store(done >= 12); }, &cancel, dbPath());
        QCOMPARE(r.code, Err::UserBreak);
        QCOMPARE(r.added, 12);
        Store s;
        QCOMPARE(s.open(dbPath()), 0);
        QList<Archive::Summary> all;
        QCOMPARE(s.list({}, all), 0);
        QCOMPARE(all.size(), 12);
    }

    // A disk that fills under the archive: the write is refused with the system's reason, every
    // entry already in the archive stays whole, and nothing half-written is listed.
    void fullDiskRefusesAndKeepsWhatIsThere()
    {
        SmallDisk disk(512);
        if (!disk.mounted())
            QSKIP(qPrintable(disk.reason()));
        const QString db = disk.path(QStringLiteral("archive.sqlite"));
        int added = 0;
        Archive::CaptureResult last;
        for (int i = 0; i < 200 && last.code == 0; ++i) {
            const QString file =
                ws->write(QStringLiteral("Temp/temp00.lg27t"),
                          tvLoggerOfSize(140, QStringLiteral("BLOCK %1").arg(i), QStringLiteral("03/12/26")));
            last = Archive::captureReceived(file, LoggerFamily::Tv, 0, true, QString(), db);
            if (last.code == 0)
                ++added;
        }
        QVERIFY2(last.code == Err::ArchiveFailed, qPrintable(QString::number(last.code)));
        QVERIFY(added > 0);
        const QString warning = Archive::captureWarning(ws->path(QStringLiteral("Temp/temp00.lg27t")), last);
        QVERIFY2(warning.contains(QStringLiteral("temp00.lg27t"))
                     && warning.contains(QStringLiteral("Unable to use the archive")),
                 qPrintable(warning));
        QVERIFY2(warning.contains(QStringLiteral("full"), Qt::CaseInsensitive), qPrintable(warning));

        Store s;
        QCOMPARE(s.open(db, Archive::Check::Quick), 0);
        QVERIFY(s.setAsidePath().isEmpty());
        QCOMPARE(s.checkIntegrity(), 0);
        QList<Archive::Summary> all;
        QCOMPARE(s.list({}, all), 0);
        QCOMPARE(int(all.size()), added);
        QList<Archive::Channel> chans;
        QCOMPARE(s.channels(all.last().id, chans), 0);
        QCOMPARE(chans.size(), 140);
    }

    void meterDateTimes_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("iso");
        QTest::newRow("meter") << "05/12/26"
                               << "09:12"
                               << "2026-12-05T09:12:00Z";
        QTest::newRow("seconds") << "05/12/26"
                                 << "9:12:30"
                                 << "2026-12-05T09:12:30Z";
        QTest::newRow("four-digit year") << "31/01/2027"
                                         << "23:59"
                                         << "2027-01-31T23:59:00Z";
        QTest::newRow("no time") << "05/12/26"
                                 << "--:--"
                                 << "2026-12-05T00:00:00Z";
        QTest::newRow("month 13") << "05/13/26"
                                  << "09:12"
                                  << "";
        QTest::newRow("not a date") << "--/--/--"
                                    << "09:12"
                                    << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }
    void meterDateTimes()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, iso);
        const QDateTime t = Archive::meterDateTime(date, time);
        QCOMPARE(t.isValid() ? t.toString(Qt::ISODate) : QString(), iso);
    }

    // The list's filter: text in any of its columns, the family, and the day measured (a logger
    // without a readable date counts from when it arrived).
    void filterOfTheList()
    {
        Store s;
        QCOMPARE(s.open(dbPath()), 0);
        QCOMPARE(addBytes(s, tvLogger(QStringLiteral("Roof A"), QStringLiteral("01/12/26"),
                                      {{QStringLiteral("C21"), 474, QStringLiteral("50")}})),
                 0);
        QCOMPARE(addBytes(s, tvLogger(QStringLiteral("Cellar"), QStringLiteral("05/12/26"),
                                      {{QStringLiteral("C21"), 474, QStringLiteral("50")}})),
                 0);
        Archive::Testing::setNow(QDateTime(QDate(2026, 12, 20), QTime(12, 0), Qt::UTC));
        QCOMPARE(addBytes(s, tvLogger(QStringLiteral("Roof B"), QStringLiteral("--/--/--"),
                                      {{QStringLiteral("C21"), 474, QStringLiteral("50")}})),
                 0);

        auto count = [&](const Archive::Filter &f) {
            QList<Archive::Summary> out;
            s.list(f, out);
            return int(out.size());
        };
        Archive::Filter f;
        QCOMPARE(count(f), 3);
        f.text = QStringLiteral("roof");
        QCOMPARE(count(f), 2);
        f.text = QStringLiteral("05/12");
        QCOMPARE(count(f), 1);
        f = {};
        f.location = QStringLiteral("oof a");
        QCOMPARE(count(f), 1);
        f = {};
        f.since = QDate(2026, 12, 2);
        QCOMPARE(count(f), 2);
        f.until = QDate(2026, 12, 5);
        QCOMPARE(count(f), 1);
        f = {};
        f.family = int(LoggerFamily::Modem);
        QCOMPARE(count(f), 0);
    }

    // Channels matched by name (letter case and blanks aside, repeated names in order), then by
    // frequency; the rest only before or only after. A difference is marked only beyond the limit.
    void comparisonMatching()
    {
        const double none = std::nan("");
        const auto before = channels({{QStringLiteral("C21"), 474, 50.0},
                                      {QStringLiteral("c22 "), 482, 51.0},
                                      {QStringLiteral("OLD"), 490, 40.0},
                                      {QStringLiteral("GONE"), 498, 45.0},
                                      {QStringLiteral("C30"), 546, none},
                                      {QStringLiteral("DUP"), 600, 60.0},
                                      {QStringLiteral("DUP"), 608, 61.0}});
        const auto after = channels({{QStringLiteral("NEW"), 490, 44.5},
                                     {QStringLiteral("C22"), 482, 48.0},
                                     {QStringLiteral("C21"), 474, 53.0},
                                     {QStringLiteral("C30"), 546, 47.0},
                                     {QStringLiteral("DUP"), 600, 60.0},
                                     {QStringLiteral("DUP"), 608, 64.2},
                                     {QStringLiteral("EXTRA"), 700, 55.0}});
        const Archive::Comparison c = Archive::compare(before, after, 3.0);
        QCOMPARE(c.rows.size(), 8);
        using M = Archive::ComparedChannel::Match;
        QCOMPARE(c.rows[0].match, M::Name);
        QCOMPARE(*c.rows[0].levelDiff, 3.0);
        QVERIFY(!c.rows[0].marked);   // exactly the limit
        QCOMPARE(c.rows[1].match, M::Name);
        QCOMPARE(*c.rows[1].levelDiff, -3.0);
        QCOMPARE(c.rows[2].match, M::Frequency);   // renamed
        QCOMPARE(c.rows[2].name(), QStringLiteral("OLD / NEW"));
        QCOMPARE(*c.rows[2].levelDiff, 4.5);
        QVERIFY(c.rows[2].marked);
        QCOMPARE(c.rows[3].match, M::OnlyBefore);   // gone
        QVERIFY(!c.rows[3].after && !c.rows[3].levelDiff);
        QCOMPARE(c.rows[4].match, M::Name);   // not measured before: no difference
        QVERIFY(!c.rows[4].levelDiff);
        QCOMPARE(*c.rows[5].levelDiff, 0.0);
        QCOMPARE(c.rows[6].after->level, 64.2);   // the second DUP with the second
        QVERIFY(c.rows[6].marked);
        QCOMPARE(c.rows[7].match, M::OnlyAfter);
        QCOMPARE(c.rows[7].name(), QStringLiteral("EXTRA"));
        QCOMPARE(c.marked, 2);
        QCOMPARE(c.summary(),
                 QStringLiteral("6 channels compared, 2 differ by more than 3 dB; 1 only before, 1 only after"));

        const QList<QStringList> rows = Archive::comparisonRows(c);
        QCOMPARE(rows[2], (QStringList{QStringLiteral("OLD / NEW"), QStringLiteral("490.00"), QStringLiteral("40.0"),
                                       QStringLiteral("44.5"), QStringLiteral("+4.5"), QStringLiteral("30.0"),
                                       QStringLiteral("30.0"), QStringLiteral("0.0"),
                                       QStringLiteral("*, matched by frequency")}));
        QCOMPARE(rows[3].value(3), QString());
        QCOMPARE(rows[3].value(8), QStringLiteral("only before"));
        const QByteArray csv = Archive::comparisonCsv(c);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                               "Channel,Frequency,Level Before,Level After,Difference (dB)"));
        QVERIFY(csv.contains("\r\nOLD / NEW,490.00,40.0,44.5,+4.5,30.0,30.0,0.0,\"*, matched by frequency\"\r\n"));
        QCOMPARE(Archive::signedDb(-0.04), QStringLiteral("0.0"));
        QCOMPARE(Archive::signedDb(-0.06), QStringLiteral("-0.1"));
    }

    // A site's history: the entries of the place (letter case aside) in the order measured, each
    // channel's level in each, the change from first to last; a modem entry is no part of it.
    void historyOfASite()
    {
        Store s;
        QCOMPARE(s.open(dbPath()), 0);
        QCOMPARE(addBytes(s,
                          tvLogger(QStringLiteral("Roof A"), QStringLiteral("10/12/26"),
                                   {{QStringLiteral("C21"), 474, QStringLiteral("50,0")},
                                    {QStringLiteral("C22"), 482, QStringLiteral("-")}}),
                          1),
                 0);
        QCOMPARE(addBytes(s,
                          tvLogger(QStringLiteral("ROOF A "), QStringLiteral("01/12/26"),
                                   {{QStringLiteral("C21"), 474, QStringLiteral("47,5")},
                                    {QStringLiteral("C22"), 482, QStringLiteral("40,0")}}),
                          2),
                 0);
        QCOMPARE(addBytes(s,
                          tvLogger(QStringLiteral("Roof B"), QStringLiteral("05/12/26"),
                                   {{QStringLiteral("C21"), 474, QStringLiteral("60,0")}}),
                          3),
                 0);
        QCOMPARE(addBytes(s,
                          tvLogger(QStringLiteral("roof a"), QStringLiteral("05/12/26"),
                                   {{QStringLiteral("C22"), 482, QStringLiteral("41,0")},
                                    {QStringLiteral("C23"), 490, QStringLiteral("55,0")}},
                                   QStringLiteral("09:12"), QStringLiteral("48")),
                          4),
                 0);

        Archive::History h;
        QCOMPARE(Archive::historyOfLocation(s, QStringLiteral("roof a"), h), 0);
        QCOMPARE(h.entries.size(), 3);
        QCOMPARE(h.entries[0].meterDate, QStringLiteral("01/12/26"));
        QCOMPARE(h.entries[2].meterDate, QStringLiteral("10/12/26"));
        QCOMPARE(h.channels, (QStringList{QStringLiteral("C21"), QStringLiteral("C22"), QStringLiteral("C23")}));
        QCOMPARE(*h.change(0), 2.5);
        QCOMPARE(*h.change(1), 1.0);   // the last measured C22 is the 05/12 one
        QVERIFY(!h.change(2).has_value());   // measured once
        QCOMPARE(*h.threshold, 45.0);   // the last entry's
        const QList<QStringList> rows = Archive::historyRows(h);
        QCOMPARE(rows[1], (QStringList{QStringLiteral("C22"), QStringLiteral("40.0"), QStringLiteral("41.0"), QString(),
                                       QStringLiteral("+1.0")}));
        QCOMPARE(Archive::historyColumns(h).value(1), QStringLiteral("#2 01/12/26 09:12"));

        Archive::History chosen;
        QCOMPARE(Archive::historyOfEntries(s, {3, 1}, chosen), 0);
        QCOMPARE(chosen.entries.size(), 2);
        QCOMPARE(chosen.entries[0].id, 3);   // measured first
        QCOMPARE(Archive::historyOfEntries(s, {77}, chosen), Err::NoSuchEntry);
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
