// A full disk: every writer fails with a message that names the folder, keeps the old file
// byte for byte, and the next step never runs on a file that could not be written. The core's
// writers are driven through the write budget (the one seam every writer uses); each command
// family is then run for real on a small tmpfs.

#include "CliRun.h"
#include "SimulatedMeter.h"
#include "SmallDisk.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "channelplan/CombinedPlanFile.h"
#include "datalogger/LoggerCsv.h"
#include "datalogger/LoggerFiles.h"
#include "datalogger/Printing.h"
#include "datalogger/Reports.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QPrinter>
#include <QtTest>
#include <functional>

namespace {

const QByteArray kOld = "the old file, which must survive\r\n";

QByteArray sourceBytes(const QString &relative)
{
    return fileBytes(TestWorkspace::source(relative));
}

QString tvLoggerFixture()
{
    return TestWorkspace::source(QStringLiteral("tests/fuzz/corpus/tvlogger/temp03.lg27t"));
}

// Files a failed write may have left beside its target ("NAME.XXXXXX").
QStringList strays(const QString &folder, const QString &name)
{
    return QDir(folder).entryList({name + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
}

struct BudgetReset {
    ~BudgetReset() { FileTesting::setWriteBudget(-1); }
};

}   // namespace

class TestFullDisk : public QObject {
    Q_OBJECT

    using Writer = std::function<int(const TestWorkspace &ws, const QString &target)>;
    QMap<QString, Writer> writers;

private Q_SLOTS:
    void initTestCase()
    {
        writers.insert(QStringLiteral("bytes"), [](const TestWorkspace &, const QString &t) {
            return writeBytesAtomicallyCode(t, QByteArray(20000, 'b'));
        });
        writers.insert(QStringLiteral("copy"),
                       [](const TestWorkspace &, const QString &t) { return copyTextFileCode(tvLoggerFixture(), t); });
        writers.insert(QStringLiteral("logger writer"), [](const TestWorkspace &, const QString &t) {
            Logger::LoggerFileWriter w(t);
            if (!w.open())
                return w.failureCode();
            for (int i = 0; i < 200; ++i)
                w.writeLine(QStringLiteral("*MD%1&line of a logger").arg(i));
            return w.commit() ? 0 : w.failureCode();
        });
        writers.insert(QStringLiteral("combined"), [](const TestWorkspace &ws, const QString &t) {
            const QString plan =
                ws.write(QStringLiteral("Channel/p.ch26"), sourceBytes(QStringLiteral("tests/fixtures/meter/ab.ch26")));
            return writeCombinedFile(t, {plan, plan});
        });
        writers.insert(QStringLiteral("settings"), [](const TestWorkspace &, const QString &t) {
            return writeSettings(t, QStringLiteral("COM2"), QStringLiteral("/a"), QStringLiteral("/b"),
                                 QStringLiteral("/c"))
                       ? 0
                       : int(Err::WriteFailed);
        });
        writers.insert(QStringLiteral("csv"), [](const TestWorkspace &, const QString &t) {
            return LoggerCsv::exportFile(tvLoggerFixture(), LoggerFamily::Tv, t);
        });
        writers.insert(QStringLiteral("report"),
                       [](const TestWorkspace &, const QString &t) { return writeTvReport(tvLoggerFixture(), t); });
        writers.insert(QStringLiteral("pdf print"), [](const TestWorkspace &ws, const QString &t) {
            const QString report = ws.path(QStringLiteral("report.txt"));
            FileTesting::setWriteBudget(-1);
            if (writeTvReport(tvLoggerFixture(), report) != 0)
                return -1000;
            FileTesting::setWriteBudget(100);
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(t);
            return printTextFile(printer, QStringLiteral("t"), report, 8);
        });
    }

    // Each writer, cut short after 0, 1 and 100 bytes: a failure with the write code, the
    // old file as it was, nothing left beside it, and a message naming file and folder.
    void everyWriterKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<qint64>("budget");
        for (const QString &w : writers.keys())
            for (qint64 b : {qint64(0), qint64(1), qint64(100)})
                QTest::newRow(qPrintable(QStringLiteral("%1 after %2").arg(w).arg(b))) << w << b;
    }
    void everyWriterKeepsTheOldFile()
    {
        QFETCH(QString, writer);
        QFETCH(qint64, budget);
        TestWorkspace ws;
        BudgetReset reset;
        const QString target = ws.write(QStringLiteral("Temp/target.out"), kOld);
        FileTesting::setWriteBudget(budget);
        const int result = writers.value(writer)(ws, target);
        FileTesting::setWriteBudget(-1);
        QCOMPARE(result, int(Err::WriteFailed));
        QCOMPARE(ws.read(QStringLiteral("Temp/target.out")), kOld);
        QCOMPARE(strays(ws.temp(), QStringLiteral("target.out")), QStringList());
        const QString message = ErrorCodeText(result);
        QVERIFY2(message.contains(QStringLiteral("target.out")) && message.contains(ws.temp()), qPrintable(message));
        QVERIFY2(message.contains(QString::fromLocal8Bit(strerror(ENOSPC))), qPrintable(message));
    }

    // The fault as it was found: a write smaller than Qt's buffer onto a disk with less room
    // than that, which Qt's own save file renamed over the target.
    void smallWriteOnARealFullDisk()
    {
        SmallDisk disk(64);
        if (!disk.mounted())
            QSKIP(qPrintable(disk.reason()));
        TestWorkspace ws;
        QFile old(disk.path(QStringLiteral("roof.csv")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(kOld);
        old.close();
        disk.fillLeaving(4096);
        QVERIFY(!writeBytesAtomically(disk.path(QStringLiteral("roof.csv")), QByteArray(12000, 'c')));
        QFile back(disk.path(QStringLiteral("roof.csv")));
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), kOld);
        QCOMPARE(strays(disk.path(), QStringLiteral("roof.csv")), QStringList());
        QCOMPARE(lastWriteFailure().path, disk.path(QStringLiteral("roof.csv")));
    }

    // The command families on a real full disk, as the review ran them.
    void commandsOnAFullDisk()
    {
        SmallDisk disk(128);
        if (!disk.mounted())
            QSKIP(qPrintable(disk.reason()));
        TestWorkspace ws;
        QVERIFY(QDir().mkpath(disk.path(QStringLiteral("Temp"))));
        ws.write(QStringLiteral("st.stg"),
                 QStringLiteral("PORT=COM1\r\nLIBRARY=%1\r\nVERSION=%2\r\nTEMP=%3\r\n[END]\r\n")
                     .arg(ws.library(), ws.firmware(), disk.path(QStringLiteral("Temp")))
                     .toLatin1());
        for (const char *name : {"roof.csv", "roof.txt", "roof.pdf", "Temp/temp03.lg27t", "Temp/logger.tlg"}) {
            QFile f(disk.path(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kOld);
        }
        const QString report = ws.path(QStringLiteral("report.txt"));
        QCOMPARE(writeTvReport(tvLoggerFixture(), report), 0);
        disk.fillLeaving(2048);

        auto unchanged = [&](const char *name) {
            QFile f(disk.path(QString::fromLatin1(name)));
            return f.open(QIODevice::ReadOnly) && f.readAll() == kOld;
        };
        auto refused = [&](const CliRun &r, const QString &folder) {
            return r.status == 1 && r.err.contains(StringTable::text(290)) && r.err.contains(folder);
        };
        const QStringList base{QStringLiteral("--workspace"), ws.root()};

        CliRun r = runCli(base + QStringList{"export", tvLoggerFixture(), disk.path("roof.csv")}, ws.root());
        QVERIFY2(refused(r, disk.path()), qPrintable(r.err));
        QVERIFY(unchanged("roof.csv"));
        r = runCli(base + QStringList{"report", tvLoggerFixture(), disk.path("roof.txt")}, ws.root());
        QVERIFY2(refused(r, disk.path()), qPrintable(r.err));
        QVERIFY(unchanged("roof.txt"));
        r = runCli(base + QStringList{"print", report, "--pdf", disk.path("roof.pdf")}, ws.root());
        QVERIFY2(refused(r, disk.path()), qPrintable(r.err));
        QVERIFY(unchanged("roof.pdf"));

        SimulatedMeter meter(
            {QStringLiteral("--loggers"), TestWorkspace::source(QStringLiteral("tests/fixtures/meter"))});
        QVERIFY(meter.start());
        const QStringList onMeter = base + QStringList{"--port", meter.devicePath(), "--model", "KV-27"};
        r = runCli(onMeter + QStringList{"receive-logger", "--family", "tv", "3"}, ws.root());
        QVERIFY2(refused(r, disk.path("Temp")), qPrintable(r.err));
        QVERIFY(unchanged("Temp/temp03.lg27t"));
        r = runCli(onMeter + QStringList{"receive-index", "--family", "tv"}, ws.root());
        QVERIFY2(refused(r, disk.path("Temp")), qPrintable(r.err));
        QVERIFY(unchanged("Temp/logger.tlg"));

        // A group whose combined file or script could not be written is never sent.
        const QString plan =
            ws.write(QStringLiteral("Channel/ab.ch26"), sourceBytes(QStringLiteral("tests/fixtures/meter/ab.ch26")));
        const int heard = int(meter.transcript().size());
        r = runCli(onMeter + QStringList{"send-group", plan, plan, plan}, ws.root());
        QVERIFY2(refused(r, disk.path("Temp")), qPrintable(r.err));
        QVERIFY(!r.out.contains(QStringLiteral("sent")));
        QCOMPARE(meter.transcript().mid(heard), QStringList());
    }
};

QTEST_MAIN(TestFullDisk)
#include "tst_fulldisk.moc"
