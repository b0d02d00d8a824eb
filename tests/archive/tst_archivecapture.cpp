// Every reception job puts what it wrote into the archive, against the simulated meter: one
// logger, all loggers, the same slot received twice with other contents, a logger cut short, and
// an archive that cannot take it (damaged, newer, on a full disk), which never fails the reception.

#include "RecordingContext.h"
#include "SimulatedMeter.h"
#include "SmallDisk.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "archive/Archive.h"
#include "archive/Capture.h"
#include "datalogger/LoggerFiles.h"
#include "jobs/Jobs.h"
#include "jobs/LoggerJobs.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <memory>

namespace {

// The meter's fixture with slot 0 measured again later: other levels, another time.
QString secondVisitFixture(const TestWorkspace &ws)
{
    QByteArray tv = fileBytes(TestWorkspace::source(QStringLiteral("tests/fixtures/meter/tv.txt")));
    tv.replace("TIME=10:32", "TIME=15:40");
    tv.replace("&52,3&33,1&", "&57,9&35,0&");
    ws.write(QStringLiteral("visit2/tv.txt"), tv);
    return ws.path(QStringLiteral("visit2"));
}

}   // namespace

class TestArchiveCapture : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<SimulatedMeter> meter;

    bool startMeter(const QString &fixture, const QStringList &faults = {})
    {
        meter.reset();
        QStringList args{QStringLiteral("--loggers"), fixture};
        for (const QString &f : faults)
            args << QStringLiteral("--fault") << f;
        meter = std::make_unique<SimulatedMeter>(args);
        return startMeterOnPort(*meter);
    }
    QString fixture() const { return TestWorkspace::source(QStringLiteral("tests/fixtures/meter")); }
    QString db() const { return ws->path(QStringLiteral("archive.sqlite")); }

    QList<Archive::Summary> entries(Archive::Filter f = {})
    {
        Archive::Store s;
        if (s.open(db()) != 0)
            return {};
        QList<Archive::Summary> out;
        s.list(f, out);
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        thePort().SetTimeout(300);
        LoggerJobs::setTvSettleDelay(0);
    }
    void cleanupTestCase() { thePort().SetTimeout(3000); }
    void init()
    {
        ws = std::make_unique<TestWorkspace>();
        loadCatalogue();
        chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
        app().meterIdentity = QStringLiteral("KV-27 v1.30");
    }
    void cleanup()
    {
        meter.reset();
        ws.reset();
    }

    // The same slot received twice with other contents: both measurements are in the archive,
    // while the working file holds only the second. The same contents again are one entry.
    void sameSlotTwiceKeepsBoth()
    {
        if (!startMeter(fixture()))
            KV_METER_NOT_STARTED();
        const QString working = Logger::receivedLoggerPath(LoggerFamily::Tv, 0);
        RecordingContext ctx;
        QCOMPARE(runJob(ctx, 0x260, working, 0), 0);
        const QByteArray first = fileBytes(working);
        QCOMPARE(runJob(ctx, 0x260, working, 0), 0);
        QVERIFY(ctx.messages.isEmpty());
        QCOMPARE(entries().size(), 1);

        if (!startMeter(secondVisitFixture(*ws)))
            KV_METER_NOT_STARTED();
        QCOMPARE(runJob(ctx, 0x260, working, 0), 0);
        const QByteArray second = fileBytes(working);
        QVERIFY(second != first);

        const QList<Archive::Summary> all = entries();
        QCOMPARE(all.size(), 2);
        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        Archive::Entry a, b;
        QCOMPARE(s.entry(all[0].id, a), 0);
        QCOMPARE(s.entry(all[1].id, b), 0);
        QCOMPARE(a.bytes, first);
        QCOMPARE(b.bytes, second);
        QCOMPARE(a.arrivals.size(), 2);
        QCOMPARE(b.summary.meterTime, QStringLiteral("15:40"));
        QCOMPARE(b.summary.location, QStringLiteral("ROOF"));
        const Archive::Arrival &got = b.arrivals.first();
        QCOMPARE(got.origin, Archive::Origin::Received);
        QCOMPARE(got.slot, 0);
        QCOMPARE(got.model, QStringLiteral("KV-27"));
        QCOMPARE(got.identity, QStringLiteral("KV-27 v1.30"));
        QCOMPARE(got.port, meter->devicePath());
        QVERIFY(!got.device.isEmpty());
        QVERIFY(!QDateTime::fromString(got.at, Qt::ISODate).isNull());
    }

    // All loggers of both families, and the modem's record in its fields.
    void allLoggersAreArchived()
    {
        if (!startMeter(fixture()))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(runJob(ctx, 0x270, QString(), 0), 0);
        QCOMPARE(runJob(ctx, 0x370, QString(), 0), 0);
        QVERIFY2(ctx.messages.isEmpty(), qPrintable(ctx.messages.join('|')));
        Archive::Filter tv, modem;
        tv.family = int(LoggerFamily::Tv);
        modem.family = int(LoggerFamily::Modem);
        const QList<Archive::Summary> tvs = entries(tv), modems = entries(modem);
        QCOMPARE(tvs.size(), 3);
        QCOMPARE(modems.size(), 2);
        QCOMPARE(tvs[1].location, QStringLiteral("FLAT 3"));
        QCOMPARE(tvs[1].units, QStringLiteral("dBmV"));

        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        Archive::ModemFields f;
        QCOMPARE(s.modemFields(modems[0].id, f), 0);
        QMap<QString, QString> byName;
        for (const auto &[name, value] : f.values)
            byName[name] = value;
        QCOMPARE(byName.value(QStringLiteral("Status")), QStringLiteral("REGISTERED"));
        QCOMPARE(byName.value(QStringLiteral("Downstream MER")), QStringLiteral("36,4dB"));
        QCOMPARE(byName.value(QStringLiteral("Config file")), QStringLiteral("modem cfg.bin"));
        QCOMPARE(byName.value(QStringLiteral("Ping PLR")), QStringLiteral("<1%"));
    }

    // A logger whose measurements stopped coming is archived, marked incomplete.
    void incompleteLoggerIsMarked()
    {
        if (!startMeter(fixture(), {QStringLiteral("nak:*?HD:2-6")}))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(runJob(ctx, 0x260, Logger::receivedLoggerPath(LoggerFamily::Tv, 0), 0), 0);
        const QList<Archive::Summary> all = entries();
        QCOMPARE(all.size(), 1);
        QVERIFY(!all[0].complete);
        QCOMPARE(all[0].channels, 1);
    }

    // The archive that cannot take the logger never decides the reception: the job succeeds,
    // the working file is there, and the user is told, naming the file.
    void archiveFaultsNeverFailAReception_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("damaged") << "damaged";
        QTest::newRow("newer") << "newer";
        QTest::newRow("full disk") << "full";
    }
    void archiveFaultsNeverFailAReception()
    {
        QFETCH(QString, kind);
        std::unique_ptr<SmallDisk> disk;
        if (kind == QLatin1String("damaged")) {
            ws->write(QStringLiteral("archive.sqlite"), QByteArray(9000, '\x01'));
        } else if (kind == QLatin1String("newer")) {
            {
                Archive::Store s;
                QCOMPARE(s.open(db()), 0);
            }
            QProcess sqlite;
            sqlite.start(QStringLiteral("sqlite3"), {db(), QStringLiteral("PRAGMA user_version=7")});
            QVERIFY(sqlite.waitForFinished());
        } else {
            // The workspace moved onto a disk with no room for the archive.
            disk = std::make_unique<SmallDisk>(256);
            if (!disk->mounted())
                QSKIP(qPrintable(disk->reason()));
            QDir().mkpath(disk->path(QStringLiteral("Temp")));
            app().programFolder = disk->path();
            app().tempFolder = disk->path(QStringLiteral("Temp"));
            disk->fillLeaving(12 * 1024);
        }
        const QByteArray before = fileBytes(Archive::defaultPath());

        if (!startMeter(fixture()))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        const QString working = Logger::receivedLoggerPath(LoggerFamily::Tv, 2);
        QCOMPARE(runJob(ctx, 0x260, working, 2), 0);
        QVERIFY(fileBytes(working).contains("LOCATION=FLAT 3"));
        QCOMPARE(ctx.messages.size(), 1);
        const QString message = ctx.messages.first();
        if (kind == QLatin1String("damaged")) {
            QVERIFY2(message.contains(QStringLiteral("set aside as")), qPrintable(message));
            QVERIFY(!message.contains(QStringLiteral("could not be added")));
            QCOMPARE(entries().size(), 1);
            QCOMPARE(QDir(ws->root()).entryList({QStringLiteral("archive-damaged-*.sqlite")}).size(), 1);
        } else {
            QVERIFY2(message.contains(QDir::toNativeSeparators(working))
                         && message.contains(QStringLiteral("could not be added")),
                     qPrintable(message));
            if (kind == QLatin1String("newer")) {
                QCOMPARE(fileBytes(Archive::defaultPath()), before);
            } else {
                // Room again: what the full disk left is an archive that opens, whole and empty.
                QVERIFY(QFile::remove(disk->path(QStringLiteral(".filler"))));
                Archive::Store s;
                QVERIFY2(s.open(Archive::defaultPath(), Archive::Check::Quick) == 0, qPrintable(s.detail()));
                QVERIFY(s.setAsidePath().isEmpty());
                QCOMPARE(s.checkIntegrity(), 0);
                QList<Archive::Summary> none;
                QCOMPARE(s.list({}, none), 0);
                QVERIFY(none.isEmpty());
            }
        }
    }

    // The cable-modem viewer's save is an entry of its own, linked to the one received.
    void savedCommentsAreLinked()
    {
        if (!startMeter(fixture()))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        const QString working = Logger::receivedLoggerPath(LoggerFamily::Modem, 0);
        QCOMPARE(runJob(ctx, 0x360, working, 0), 0);
        const QByteArray received = fileBytes(working);
        const QString saved = ws->path(QStringLiteral("shop.lg27m"));
        QCOMPARE(
            ModemLoggerFile::saveWithComments(working, saved, QStringLiteral("shop, counter\r\nsplitter replaced")), 0);
        const Archive::CaptureResult r = Archive::captureSaved(saved, LoggerFamily::Modem, received);
        QCOMPARE(r.code, 0);
        QVERIFY(r.isNew);
        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        Archive::Entry e;
        QCOMPARE(s.entry(r.id, e), 0);
        QCOMPARE(e.summary.parentId, s.findBySha(Archive::digest(received)));
        QVERIFY(e.summary.parentId > 0);
        QCOMPARE(e.summary.location, QStringLiteral("shop, counter"));
        QCOMPARE(e.arrivals.first().origin, Archive::Origin::Saved);
        QCOMPARE(e.arrivals.first().source, saved);
    }
};

QTEST_GUILESS_MAIN(TestArchiveCapture)
#include "tst_archivecapture.moc"
