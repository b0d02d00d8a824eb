// kelvatrone-cli archive: its commands and their texts, an import killed at random moments, and
// two imports into one archive at once.

#include "ArchiveSamples.h"
#include "CliRun.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "archive/Archive.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

namespace {

QStringList csvRows(const QString &text)
{
    QStringList rows = text.split(QStringLiteral("\r\n"));
    if (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

// Writes n loggers of the place under folder, each with its own day and levels.
void writeLoggers(const TestWorkspace &ws, const QString &folder, int n, int channels, const QString &place,
                  int offset = 0)
{
    for (int i = 0; i < n; ++i) {
        const int k = i + offset;
        ws.write(QStringLiteral("%1/%2.lg27t").arg(folder).arg(k, 4, 10, QLatin1Char('0')),
                 tvLoggerOfSize(channels, place, QStringLiteral("%1/%2/26").arg(k % 28 + 1).arg(k / 28 % 12 + 1),
                                40 + k % 13));
    }
}

}   // namespace

class TestArchiveCli : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWorkspace> ws;

    CliRun cli(const QStringList &args, int timeoutMs = 60000)
    {
        return runCli(QStringList{QStringLiteral("--workspace"), ws->root()} + args, ws->root(), timeoutMs);
    }

    // Every entry whole: its bytes are those its name says, its measurements all there.
    void verifyEveryEntryWhole(int channels, int *count)
    {
        Archive::Store s;
        QCOMPARE(s.open(ws->path(QStringLiteral("archive.sqlite")), Archive::Check::Quick), 0);
        QVERIFY2(s.setAsidePath().isEmpty(), "a killed import left a damaged archive");
        QCOMPARE(s.checkIntegrity(), 0);
        QList<Archive::Summary> all;
        QCOMPARE(s.list({}, all), 0);
        for (const Archive::Summary &e : std::as_const(all)) {
            Archive::Entry full;
            QCOMPARE(s.entry(e.id, full), 0);
            QCOMPARE(Archive::digest(full.bytes), e.sha256);
            QVERIFY(!full.arrivals.isEmpty());
            QList<Archive::Channel> chans;
            QCOMPARE(s.channels(e.id, chans), 0);
            QCOMPARE(int(chans.size()), channels);
            QCOMPARE(e.channels, channels);
        }
        *count = int(all.size());
    }

private Q_SLOTS:
    void init() { ws = std::make_unique<TestWorkspace>(); }
    void cleanup() { ws.reset(); }

    void commands()
    {
        ws->write(QStringLiteral("in/1-before.lg27t"),
                  tvLogger(QStringLiteral("Roof A"), QStringLiteral("01/12/26"),
                           {{QStringLiteral("C21"), 474, QStringLiteral("50,0")},
                            {QStringLiteral("C22"), 482, QStringLiteral("44,0")}}));
        ws->write(QStringLiteral("in/3-after.lg27t"), tvLogger(QStringLiteral("ROOF A"), QStringLiteral("05/12/26"),
                                                               {{QStringLiteral("C21"), 474, QStringLiteral("51,0")},
                                                                {QStringLiteral("C23"), 482, QStringLiteral("49,5")}}));
        ws->write(QStringLiteral("in/2-cellar.lg27t"),
                  tvLoggerOfSize(3, QStringLiteral("Cellar, \"B\""), QStringLiteral("03/12/26")));
        ws->write(QStringLiteral("in/readme.txt"), "not a logger\r\n");

        CliRun r = cli({QStringLiteral("archive"), QStringLiteral("import"), ws->path(QStringLiteral("in"))});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("3 added, 0 already archived, 1 not imported"));
        QVERIFY2(r.err.contains(QStringLiteral("readme.txt: not a logger file")), qPrintable(r.err));

        // The list as CSV: a header, then one row per entry with its number first.
        r = cli({QStringLiteral("archive"), QStringLiteral("list"), QStringLiteral("--csv")});
        QCOMPARE(r.status, 0);
        QStringList rows = csvRows(r.out);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0],
                 QStringLiteral("Entry,Received,Meter Date,Meter Time,Location,Plan,Family,Channels,Under Threshold"));
        QVERIFY2(rows[1].startsWith(QStringLiteral("1,"))
                     && rows[1].endsWith(QStringLiteral(",01/12/26,09:12,Roof A,TDT,TV Logger,2,1")),
                 qPrintable(rows[1]));
        QVERIFY2(rows[2].contains(QStringLiteral(",\"Cellar, \"\"B\"\"\",")), qPrintable(rows[2]));

        r = cli({QStringLiteral("archive"), QStringLiteral("list"), QStringLiteral("--location"),
                 QStringLiteral("roof"), QStringLiteral("--since"), QStringLiteral("2026-12-02")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed().split(QLatin1Char('\n')).size(), 2);
        QVERIFY(r.out.contains(QStringLiteral("05/12/26")));

        // The original bytes, exactly.
        r = cli(
            {QStringLiteral("archive"), QStringLiteral("export"), QStringLiteral("2"), QStringLiteral("copy.lg27t")});
        QCOMPARE(r.status, 0);
        QCOMPARE(ws->read(QStringLiteral("copy.lg27t")), ws->read(QStringLiteral("in/2-cellar.lg27t")));

        r = cli({QStringLiteral("archive"), QStringLiteral("show"), QStringLiteral("1")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("Location: Roof A")));
        QVERIFY(r.out.contains(QStringLiteral("imported, ") + ws->path(QStringLiteral("in/1-before.lg27t"))));
        QVERIFY(r.out.contains(QStringLiteral("C22  482.00")));

        // The two visits of the roof, and their comparison: C22 and C23 share a frequency.
        r = cli({QStringLiteral("archive"), QStringLiteral("history"), QStringLiteral("roof a")});
        QCOMPARE(r.status, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0).simplified(),
                 QStringLiteral("Channel #1 01/12/26 09:12 #3 05/12/26 09:12 Change (dB)"));
        QCOMPARE(lines.value(1).simplified(), QStringLiteral("C21 50.0 51.0 +1.0"));
        QCOMPARE(lines.value(2).simplified(), QStringLiteral("C22 44.0"));
        r = cli({QStringLiteral("archive"), QStringLiteral("compare"), QStringLiteral("1"), QStringLiteral("3"),
                 QStringLiteral("--csv"), QStringLiteral("cmp.csv")});
        QCOMPARE(r.status, 0);
        rows = csvRows(QString::fromUtf8(ws->read(QStringLiteral("cmp.csv"))));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[2], QStringLiteral("C22 / C23,482.00,44.0,49.5,+5.5,30.5,30.5,0.0,\"*, matched by frequency\""));
        r = cli({QStringLiteral("archive"), QStringLiteral("compare"), QStringLiteral("1"), QStringLiteral("3")});
        QVERIFY(r.out.contains(
            QStringLiteral("2 channels compared, 1 differ by more than 3 dB; 0 only before, 0 only after")));

        // Delete, list the deleted, restore.
        QCOMPARE(cli({QStringLiteral("archive"), QStringLiteral("delete"), QStringLiteral("2")}).status, 0);
        r = cli(
            {QStringLiteral("archive"), QStringLiteral("list"), QStringLiteral("--deleted"), QStringLiteral("--csv")});
        QCOMPARE(csvRows(r.out).size(), 2);
        QVERIFY(csvRows(r.out)[0].endsWith(QStringLiteral(",Deleted")));
        r = cli({QStringLiteral("archive"), QStringLiteral("restore"), QStringLiteral("2")});
        QCOMPARE(r.out.trimmed(), QStringLiteral("Entry 2 restored"));

        r = cli({QStringLiteral("archive"), QStringLiteral("check")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("The archive is whole: 3 entries"));

        // Texts in the language asked for.
        r = cli({QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("archive"), QStringLiteral("list"),
                 QStringLiteral("--csv")});
        QVERIFY2(r.out.startsWith(QStringLiteral("Eintrag,Empfangen,Gerätedatum")), qPrintable(r.out));

        // Failures: an entry that is not there, a modem entry compared, usage errors.
        r = cli({QStringLiteral("archive"), QStringLiteral("show"), QStringLiteral("99")});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("Error : No archive entry with that number: -260"));
        for (const QStringList &bad :
             {QStringList{QStringLiteral("archive")},
              QStringList{QStringLiteral("archive"), QStringLiteral("show"), QStringLiteral("x")},
              QStringList{QStringLiteral("archive"), QStringLiteral("list"), QStringLiteral("--since"),
                          QStringLiteral("12/01/2026")},
              QStringList{QStringLiteral("archive"), QStringLiteral("compare"), QStringLiteral("1")},
              QStringList{QStringLiteral("archive"), QStringLiteral("frobnicate")}})
            QCOMPARE(cli(bad).status, 2);
    }

    // An archive a newer program made, or one that is not a database: the first refused and left
    // as it is, the second set aside; both said on standard error.
    void badArchives()
    {
        ws->write(QStringLiteral("archive.sqlite"), QByteArray(3000, '\xFE'));
        CliRun r = cli({QStringLiteral("archive"), QStringLiteral("list")});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.contains(QStringLiteral("The archive was damaged; it was set aside as")), qPrintable(r.err));
        QCOMPARE(QDir(ws->root()).entryList({QStringLiteral("archive-damaged-*.sqlite")}).size(), 1);

        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"),
                     {ws->path(QStringLiteral("archive.sqlite")), QStringLiteral("PRAGMA user_version=99")});
        QVERIFY(sqlite.waitForFinished());
        const QByteArray newer = ws->read(QStringLiteral("archive.sqlite"));
        ws->write(QStringLiteral("a.lg27t"), tvLoggerOfSize(4, QStringLiteral("X"), QStringLiteral("01/12/26")));
        r = cli({QStringLiteral("archive"), QStringLiteral("import"), ws->path(QStringLiteral("a.lg27t"))});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("newer version of Kelvatrone")), qPrintable(r.err));
        QCOMPARE(ws->read(QStringLiteral("archive.sqlite")), newer);
    }

    // A workspace nobody may write to (immutable, so even the super-user cannot): the import says
    // so and exits 1; nothing is reported as imported.
    void readOnlyWorkspace()
    {
        ws->write(QStringLiteral("a.lg27t"), tvLoggerOfSize(4, QStringLiteral("X"), QStringLiteral("01/12/26")));
        QProcess chattr;
        chattr.start(QStringLiteral("chattr"), {QStringLiteral("+i"), ws->root()});
        if (!chattr.waitForFinished(5000) || chattr.exitCode() != 0)
            QSKIP("chattr +i is not available on this file system");
        const CliRun r =
            cli({QStringLiteral("archive"), QStringLiteral("import"), ws->path(QStringLiteral("a.lg27t"))});
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), ws->root()});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Error : Unable to use the archive: -257")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("unable to open database file")), qPrintable(r.err));
        QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
        QVERIFY(!QFile::exists(ws->path(QStringLiteral("archive.sqlite"))));
    }

    // An import killed (SIGKILL) at random moments: every time, the archive opens whole, every
    // entry in it complete; the next import completes it.
    void killedImport()
    {
        constexpr int kFiles = 240, kChannels = 60;
        writeLoggers(*ws, QStringLiteral("in"), kFiles, kChannels, QStringLiteral("TOWER"));
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qInfo("seed %u", seed);
        int count = 0, kills = 0;
        for (int round = 0; round < 8; ++round) {
            QProcess p;
            p.setWorkingDirectory(ws->root());
            p.start(QStringLiteral(KV_CLI_PATH), {QStringLiteral("--workspace"), ws->root(), QStringLiteral("archive"),
                                                  QStringLiteral("import"), ws->path(QStringLiteral("in"))});
            QVERIFY(p.waitForStarted());
            QThread::msleep(random.bounded(20, 700));
            if (p.state() == QProcess::Running) {
                p.kill();   // SIGKILL, or TerminateProcess on Windows: no chance to clean up
                ++kills;
            }
            p.waitForFinished();
            const int before = count;
            verifyEveryEntryWhole(kChannels, &count);
            QVERIFY(count >= before);
        }
        QVERIFY2(kills > 0, "every import ended before it could be killed");
        const CliRun r = cli({QStringLiteral("archive"), QStringLiteral("import"), ws->path(QStringLiteral("in"))});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("%1 added, %2 already archived").arg(kFiles - count).arg(count)),
                 qPrintable(r.out));
        verifyEveryEntryWhole(kChannels, &count);
        QCOMPARE(count, kFiles);
    }

    // Two programs import into one archive at the same time, a quarter of their files the same:
    // both succeed and every logger is there once.
    void twoImportsAtOnce()
    {
        writeLoggers(*ws, QStringLiteral("a"), 150, 40, QStringLiteral("NORTH"));
        writeLoggers(*ws, QStringLiteral("b"), 150, 40, QStringLiteral("NORTH"), 110);   // 110..259: 40 shared
        QProcess one, two;
        for (auto [p, folder] : {std::pair{&one, QStringLiteral("a")}, std::pair{&two, QStringLiteral("b")}}) {
            p->setWorkingDirectory(ws->root());
            p->start(QStringLiteral(KV_CLI_PATH), {QStringLiteral("--workspace"), ws->root(), QStringLiteral("archive"),
                                                   QStringLiteral("import"), ws->path(folder)});
        }
        QVERIFY(one.waitForFinished(120000));
        QVERIFY(two.waitForFinished(120000));
        QVERIFY2(one.exitCode() == 0, one.readAllStandardError().constData());
        QVERIFY2(two.exitCode() == 0, two.readAllStandardError().constData());
        int count = 0;
        verifyEveryEntryWhole(40, &count);
        QCOMPARE(count, 260);
    }
};

QTEST_GUILESS_MAIN(TestArchiveCli)
#include "tst_archivecli.moc"
