// The datalogger jobs against the simulated meter: the index, one TV logger, one cable-modem
// logger and all loggers, with the meter's faults.

#include "RecordingContext.h"
#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "datalogger/LoggerFiles.h"
#include "jobs/Jobs.h"
#include "jobs/LoggerJobs.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QtTest>
#include <memory>

namespace {

// TV slot 0 of the meter's test fixture as the reception writes it.
const QByteArray kTvSlot0 =
    kLoggerHead
    + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=0\r\nLOCATION=ROOF\r\nUNITS=dBuV\r\nTIME=10:32\r\nDATE=07/12/26\r\n"
      "THRESHOLD LEVEL=45\r\nCHANNEL PLAN=AB\r\nCHANNEL NUMBER=3\r\n[MEASURES]\r\nLOGGER=3\r\n"
    + kTvLoggerColumns
    + "0,C21,474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , \r\n"
      "1,S2,48.25,0.00,7.0, , , , , , ,PAL/BG,5.50,61.2,-12.5,45.0\r\n"
      "2,C25,506.00,0.12,8.0,QAM256,C,6900,-1.5,28.4,2.3E-5, , , , , \r\n";

// Cable-modem slot 0: the "$" of the configuration file name becomes a blank, the PLR keeps
// its byte 0xC8.
const QByteArray kModemSlot0 =
    kLoggerHead
    + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=0\r\n"
      "INFO=*HL00&09:15&06/12/26&SHOP&REGISTERED&\r\n"
      "DOWNSTREAM=*HD0000&PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&\r\n"
      "UPSTREAM=*HD0001&PWR:42,0dBmV&ATT:3dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QPSK&SR:2560kS/s&\r\n"
      "HEADEND=*HD0002&10.1.2.33&10.1.0.1&10.1.0.2&modem cfg.bin&\r\n"
      "PINGREPORT=*HD0003&10.1.0.1&10&10&\xC8"
      "1%&3ms&12ms&5ms&\r\n"
      "LOCATION=\r\n";

QStringList meterArgs(const QStringList &faults = {})
{
    QStringList args{QStringLiteral("--loggers"), TestWorkspace::source(QStringLiteral("tests/fixtures/meter"))};
    for (const QString &f : faults)
        args << QStringLiteral("--fault") << f;
    return args;
}

int count(const QStringList &list, const QString &item)
{
    return int(list.count(item));
}

}   // namespace

class TestLoggerJobs : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<SimulatedMeter> meter;

    // A fresh workspace, the KV-27 model (lg27t / lg27m files) and the meter with the faults.
    bool startMeter(const QStringList &faults = {})
    {
        ws = std::make_unique<TestWorkspace>();
        loadCatalogue();
        chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
        meter = std::make_unique<SimulatedMeter>(meterArgs(faults));
        return startMeterOnPort(*meter);
    }

    QByteArray file(const QString &name) const { return ws->read(QStringLiteral("Temp/") + name); }

private Q_SLOTS:
    void initTestCase()
    {
        thePort().SetTimeout(300);
        LoggerJobs::setTvSettleDelay(0);
    }
    void cleanupTestCase() { thePort().SetTimeout(3000); }
    void cleanup()
    {
        meter.reset();
        ws.reset();
    }

    void index_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<QString>("select");
        QTest::newRow("TV") << 0x220 << 50 << "*TL2";
        QTest::newRow("cable modem") << 0x320 << 30 << "*TL1";
    }
    void index()
    {
        QFETCH(int, code);
        QFETCH(int, slotCount);
        QFETCH(QString, select);
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        const QString path = Logger::indexPath();
        QCOMPARE(runJob(ctx, code, path, 0), 0);
        QCOMPARE(ctx.captions.first(), QStringLiteral("Receiving Datalogger Index"));
        QCOMPARE(int(ctx.progress.size()), slotCount + 1);
        QCOMPARE(ctx.progress.back(), slotCount);

        QList<LoggerIndexEntry> entries;
        QCOMPARE(LoggerIndexFile::read(path, entries), slotCount);
        QVERIFY(file("logger.tlg").startsWith(kLoggerHead + "[LOGGERS]\r\n*HL00&"));
        QVERIFY(!entries.at(0).isEmpty());
        QVERIFY(entries.at(1).isEmpty());
        QVERIFY(entries.at(3).isEmpty());   // listed in the fixture, time "--:--"
        QVERIFY(!entries.at(2).isEmpty());

        const QStringList t = meter->transcript();
        QCOMPARE(t.first(), select);
        QCOMPARE(t.size(), 1 + slotCount);
        QCOMPARE(t.last(), QStringLiteral("*?HL%1").arg(slotCount - 1));
    }

    void indexAsksShortAnswersAgain()
    {
        // The second and fifth slot queries give short answers: those slots are asked again.
        if (!startMeter({QStringLiteral("short:*?HL:2"), QStringLiteral("short:*?HL:5")}))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(receiveLoggerIndexJob(ctx, 0x200, Logger::indexPath()), 0);
        QList<LoggerIndexEntry> entries;
        QCOMPARE(LoggerIndexFile::read(Logger::indexPath(), entries), 50);
        for (int i = 0; i < 50; ++i)
            QVERIFY(entries.at(i).answer.startsWith(QStringLiteral("*HL%1&").arg(i, 2, 10, QLatin1Char('0'))));
        const QStringList t = meter->transcript();
        QCOMPARE(count(t, "*?HL01"), 2);
        QCOMPARE(count(t, "*?HL03"), 2);
        QCOMPARE(count(t, "*?HL02"), 1);
    }

    void indexFailures_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("lines");   // slot lines left in the file
        QTest::newRow("selection refused") << QStringList{"nak:*TL2"} << int(Err::CommunicationError) << 0;
        QTest::newRow("slot query silent") << QStringList{"silence:*?HL:5"} << int(Err::CommunicationError) << 4;
        QTest::newRow("short answers without end") << QStringList{"short:*?HL:3-"} << int(Err::CommunicationError) << 2;
    }
    void indexFailures()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, result);
        QFETCH(int, lines);
        if (!startMeter(faults))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(receiveLoggerIndexJob(ctx, 0x200, Logger::indexPath()), result);
        QList<LoggerIndexEntry> entries;
        QCOMPARE(LoggerIndexFile::read(Logger::indexPath(), entries), lines);
        QVERIFY(file("logger.tlg").startsWith(kLoggerHead + "[LOGGERS]\r\n"));
        if (faults.first().startsWith(QLatin1String("short")))   // slot 2 asked once and then ten times again
            QCOMPARE(count(meter->transcript(), "*?HL02"), 1 + LoggerJobs::kMaxShortAnswerRepeats);
        QVERIFY(!thePort().isOpen());
    }

    void indexCancel()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        ctx.cancelAtStep = 5;
        QCOMPARE(receiveLoggerIndexJob(ctx, 0x300, Logger::indexPath()), int(Err::UserBreak));
        QList<LoggerIndexEntry> entries;
        QCOMPARE(LoggerIndexFile::read(Logger::indexPath(), entries), 5);
        QCOMPARE(meter->transcript().size(), 1 + 5);
    }

    void portAndFileFailures()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        // A folder that does not exist: -65 and nothing asked.
        const QString nowhere = ws->path(QStringLiteral("nofolder/x"));
        QCOMPARE(receiveLoggerIndexJob(ctx, 0x200, nowhere), int(Err::UnableToOpenFile));
        QCOMPARE(receiveTvLoggerJob(ctx, 0, nowhere), int(Err::UnableToOpenFile));
        QCOMPARE(receiveModemLoggerJob(ctx, 0, nowhere), int(Err::UnableToOpenFile));
        QVERIFY(meter->transcript().isEmpty());
        QVERIFY(!thePort().isOpen());

        // A port that cannot be opened: 54 and no file.
        app().PortName = ws->path(QStringLiteral("no-such-port"));
        QCOMPARE(receiveLoggerIndexJob(ctx, 0x200, Logger::indexPath()), int(Err::PortFailure));
        QCOMPARE(receiveTvLoggerJob(ctx, 0, Logger::receivedLoggerPath(LoggerFamily::Tv, 0)), int(Err::PortFailure));
        QCOMPARE(receiveModemLoggerJob(ctx, 0, Logger::receivedLoggerPath(LoggerFamily::Modem, 0)),
                 int(Err::PortFailure));
        QCOMPARE(receiveAllLoggersJob(ctx, 0x300), int(Err::PortFailure));
        QVERIFY(QDir(ws->temp()).entryList(QDir::Files).isEmpty());
    }

    void tvLogger()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        const QString path = Logger::receivedLoggerPath(LoggerFamily::Tv, 0);
        QCOMPARE(runJob(ctx, 0x260, path, 0), 0);
        QCOMPARE(file("temp00.lg27t"), kTvSlot0);
        QCOMPARE(ctx.captions.first(), QStringLiteral("Receiving Logger : 0"));
        QCOMPARE(ctx.statuses.first(), QStringLiteral("Receiving in File :  ") + shortenPath(path));
        QCOMPARE(ctx.progress, (std::vector<int>{0, 1, 2, 3}));
        QCOMPARE(meter->transcript(), QStringList({"*TL2", "*?HL00", "*?HD00000", "*?HD00001", "*?HD00002"}));

        TvLoggerContents c;
        QCOMPARE(TvLoggerFile::read(path, c), 0);
        QCOMPARE(c.measurements.at(1).field[TvMeasurement::VA], QStringLiteral("-12.5"));
        QCOMPARE(c.measurements.at(0).field[TvMeasurement::SYS], QString());
    }

    void tvShortMeasureAskedTwice_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("asked");
        QTest::newRow("40 characters") << 40 << 2;
        QTest::newRow("50 characters, the longest short one") << 50 << 2;
        QTest::newRow("51 characters") << 51 << 1;
    }
    void tvShortMeasureAskedTwice()
    {
        // The first answer to measure 1 is cut: one of at most 50 characters is asked again and
        // only the second, whole answer is written; a longer one is taken as it came.
        QFETCH(int, length);
        QFETCH(int, asked);
        if (!startMeter({QStringLiteral("length:%1:*?HD:2").arg(length)}))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(receiveTvLoggerJob(ctx, 0, Logger::receivedLoggerPath(LoggerFamily::Tv, 0)), 0);
        if (asked == 2)
            QCOMPARE(file("temp00.lg27t"), kTvSlot0);
        QCOMPARE(count(meter->transcript(), "*?HD00001"), asked);
        QCOMPARE(count(meter->transcript(), "*?HD00002"), 1);
    }

    void tvChannelNumberZero()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(receiveTvLoggerJob(ctx, 4, Logger::receivedLoggerPath(LoggerFamily::Tv, 4)), 0);
        const QByteArray f = file("temp04.lg27t");
        QVERIFY(f.contains("\r\nCHANNEL NUMBER=0\r\n[MEASURES]\r\nLOGGER=0\r\n"));
        QVERIFY(f.endsWith(kTvLoggerColumns));
        QCOMPARE(meter->transcript(), QStringList({"*TL2", "*?HL04"}));
    }

    void tvFailures_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("measures");   // measurement lines in the file; -1: old file kept
        QTest::newRow("header answer lost") << QStringList{"silence:*?HL"} << int(Err::CommunicationError) << -1;
        QTest::newRow("measure fails five times") << QStringList{"nak:*?HD:2-6"} << 0 << 1;
        QTest::newRow("measure fails four times") << QStringList{"nak:*?HD:2-5"} << 0 << 3;
        QTest::newRow("repeat of a short answer fails") << QStringList{"short:*?HD:3", "nak:*?HD:4-8"} << 0 << 2;
    }
    void tvFailures()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, result);
        QFETCH(int, measures);
        if (!startMeter(faults))
            KV_METER_NOT_STARTED();
        const QString path = ws->write(QStringLiteral("Temp/temp00.lg27t"), "old good file\r\n");
        RecordingContext ctx;
        QCOMPARE(receiveTvLoggerJob(ctx, 0, path), result);
        if (measures < 0) {
            QCOMPARE(file("temp00.lg27t"), QByteArray("old good file\r\n"));
        } else {
            const QByteArray f = file("temp00.lg27t");
            const QByteArray head = kTvSlot0.left(kTvSlot0.indexOf(kTvLoggerColumns) + kTvLoggerColumns.size());
            QVERIFY(f.startsWith(head));
            QCOMPARE(int(f.mid(head.size()).count("\r\n")), measures);
            QVERIFY(kTvSlot0.startsWith(f));
        }
        QVERIFY(!thePort().isOpen());
    }

    void tvCancelKeepsWhatCame()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        ctx.cancelAtStep = 1;
        QCOMPARE(receiveTvLoggerJob(ctx, 0, Logger::receivedLoggerPath(LoggerFamily::Tv, 0)), 0);
        const QByteArray f = file("temp00.lg27t");
        QVERIFY(f.endsWith(kTvLoggerColumns + "0,C21,474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , \r\n"));
    }

    void modemLogger()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        const QString path = Logger::receivedLoggerPath(LoggerFamily::Modem, 0);
        QCOMPARE(runJob(ctx, 0x360, path, 0), 0);
        QCOMPARE(file("tempcm00.lg27m"), kModemSlot0);
        QCOMPARE(ctx.progress, (std::vector<int>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(meter->transcript(), QStringList({"*TL1", "*?HL00", "*?HD0000", "*?HD0001", "*?HD0002", "*?HD0003"}));
        ModemLoggerRecord r;
        QCOMPARE(ModemLoggerFile::read(path, r), 0);
        QCOMPARE(r.pingReport[3], QStringLiteral("<1%"));
        QCOMPARE(r.headend[3], QStringLiteral("modem cfg.bin"));
    }

    void modemSectionFails()
    {
        if (!startMeter({QStringLiteral("nak:*?HD0001")}))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(receiveModemLoggerJob(ctx, 0, Logger::receivedLoggerPath(LoggerFamily::Modem, 0)),
                 int(Err::CommunicationError));
        const QByteArray f = file("tempcm00.lg27m");
        QCOMPARE(f, kModemSlot0.left(kModemSlot0.indexOf("UPSTREAM")));
        QCOMPARE(count(meter->transcript(), "*?HD0001"), 2);
        QVERIFY(!meter->transcript().contains("*?HD0002"));
    }

    void allLoggers_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("TV") << 0x200 << QStringList() << QStringList{"temp00.lg27t", "temp02.lg27t"}
                            << QStringList{"temp01.lg27t", "temp03.lg27t"};
        QTest::newRow("cable modem") << 0x300 << QStringList() << QStringList{"tempcm00.lg27m", "tempcm02.lg27m"}
                                     << QStringList{"tempcm01.lg27m"};
        // A short scan answer for slot 0 does not list it twice.
        QTest::newRow("short scan answer")
            << 0x300 << QStringList{"short:*?HL:1"} << QStringList{"tempcm00.lg27m", "tempcm02.lg27m"} << QStringList();
    }
    void allLoggers()
    {
        QFETCH(int, family);
        QFETCH(QStringList, faults);
        QFETCH(QStringList, files);
        QFETCH(QStringList, absent);
        if (!startMeter(faults))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        LoggerJobs::AllLoggersOutcome outcome;
        QCOMPARE(LoggerJobs::receiveAllLoggers(ctx, family, &outcome), 0);
        const QStringList written = outcome.written;
        QVERIFY(LoggerJobs::allLoggersSummary(outcome).isEmpty());
        for (const QString &f : files)
            QVERIFY2(written.contains(ws->temp() + QLatin1Char('/') + f), qPrintable(written.join(' ')));
        for (const QString &f : absent)
            QVERIFY2(!QFile::exists(ws->temp() + QLatin1Char('/') + f), qPrintable(f));
        if (family == 0x200) {
            QCOMPARE(file("temp00.lg27t"), kTvSlot0);
            QCOMPARE(written.size(), 3);   // slots 0, 2 and 4
        } else {
            QCOMPARE(file("tempcm00.lg27m"), kModemSlot0);
            QCOMPARE(written.size(), 2);
        }
        QVERIFY(ctx.events.contains(QStringLiteral("visible:1:1")));
        QVERIFY(ctx.events.contains(QStringLiteral("range:1:0:%1").arg(written.size())));
        // The file and the logger's number stay apart in the status line.
        const QString first = written.first();
        QVERIFY2(ctx.statuses.contains(QStringLiteral("Receiving in File :  ") + shortenPath(first) + "  Datalogger 0"),
                 qPrintable(ctx.statuses.join('|')));

        // Slot 1 is only scanned, never downloaded; each listed slot is downloaded once.
        const QStringList t = meter->transcript();
        QVERIFY(!t.contains(family == 0x200 ? QStringLiteral("*?HD01000") : QStringLiteral("*?HD0100")));
        QCOMPARE(count(t, "*?HL01"), 1);
        QCOMPARE(count(t, family == 0x200 ? QStringLiteral("*?HD00000") : QStringLiteral("*?HD0000")), 1);
    }

    void allLoggersFailures()
    {
        // The scan's third query fails: no logger is received.
        if (!startMeter({QStringLiteral("silence:*?HL:3")}))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(receiveAllLoggersJob(ctx, 0x200), int(Err::CommunicationError));
        QVERIFY(QDir(ws->temp()).entryList(QDir::Files).isEmpty());

        // A cable-modem download that fails stops the run with its result.
        if (!startMeter({QStringLiteral("nak:*?HD0201")}))
            KV_METER_NOT_STARTED();
        LoggerJobs::AllLoggersOutcome outcome;
        QCOMPARE(LoggerJobs::receiveAllLoggers(ctx, 0x300, &outcome), int(Err::CommunicationError));
        QCOMPARE(outcome.written, QStringList{ws->temp() + "/tempcm00.lg27m"});
        QCOMPARE(outcome.missing, QList<int>{2});
    }

    void allLoggersCancelBetweenDownloads()
    {
        // Cancel pressed as the first download starts: that logger keeps what it has (its
        // header), and no further logger is received.
        struct CancelOnCaption : RecordingContext {
            void setCaption(const QString &text) override
            {
                RecordingContext::setCaption(text);
                if (text == QLatin1String("Receiving Logger : 0"))
                    requestCancel();
            }
        } ctx;
        if (!startMeter())
            KV_METER_NOT_STARTED();
        LoggerJobs::AllLoggersOutcome outcome;
        QCOMPARE(LoggerJobs::receiveAllLoggers(ctx, 0x200, &outcome), int(Err::UserBreak));
        QCOMPARE(outcome.written, QStringList{ws->temp() + "/temp00.lg27t"});
        QCOMPARE(outcome.missing, (QList<int>{2, 4}));
        QVERIFY(file("temp00.lg27t").endsWith(kTvLoggerColumns));
        QVERIFY(!meter->transcript().contains(QStringLiteral("*?HD00000")));
        QVERIFY(!QFile::exists(ws->temp() + "/temp02.lg27t"));
    }

    // A TV logger that ends short keeps what arrived, and says so: never a silent success.
    void tvLoggerEndingShortSaysSo()
    {
        if (!startMeter({QStringLiteral("nak:*?HD00002")}))
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        const QString path = Logger::receivedLoggerPath(LoggerFamily::Tv, 0);
        QCOMPARE(receiveTvLoggerJob(ctx, 0, path), 0);
        QCOMPARE(ctx.messages, QStringList{QStringLiteral("Datalogger 0: 2 of 3 measurements received")});
        QVERIFY(ctx.events.contains(QStringLiteral("message:Warning:Datalogger 0: 2 of 3 measurements received")));
        QVERIFY(file("temp00.lg27t").endsWith("1,S2,48.25,0.00,7.0, , , , , , ,PAL/BG,5.50,61.2,-12.5,45.0\r\n"));

        // Whole, it says nothing.
        RecordingContext whole;
        QCOMPARE(receiveTvLoggerJob(whole, 2, Logger::receivedLoggerPath(LoggerFamily::Tv, 2)), 0);
        QVERIFY(whole.messages.isEmpty());

        // In Spanish.
        StringTable::setLanguage(1);
        QCOMPARE(LoggerJobs::incompleteLoggerText(7, {1, 4}), QStringLiteral("Registro 7: 1 de 4 medidas recibidas"));
        StringTable::setLanguage(0);
    }

    // All loggers: a TV logger whose file cannot be written, or whose port is lost, stops
    // nothing; the run ends with the failure and names what is incomplete or missing.
    void allLoggersGoOnPastATvFailure_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<bool>("blockFile2");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("summary");
        QTest::newRow("file of slot 2 cannot be created")
            << QStringList() << true << int(Err::UnableToOpenFile) << QStringList{"temp00.lg27t", "temp04.lg27t"}
            << QStringList{"Loggers not received: 2"};
        QTest::newRow("short logger, then the meter hangs up")
            << QStringList{"nak:*?HD00002", "hangup:*?HD02"} << false << int(Err::CommunicationError)
            << QStringList{"temp00.lg27t", "temp02.lg27t"}
            << QStringList{"Datalogger 0: 2 of 3 measurements received", "Datalogger 2: 0 of 2 measurements received",
                           "Loggers not received: 4"};
        // A header that does not come (-96) still stops the run.
        QTest::newRow("header of slot 2 refused")
            << QStringList{"nak:*?HL02:2-"} << false << int(Err::CommunicationError) << QStringList{"temp00.lg27t"}
            << QStringList{"Loggers not received: 2, 4"};
    }
    void allLoggersGoOnPastATvFailure()
    {
        QFETCH(QStringList, faults);
        QFETCH(bool, blockFile2);
        QFETCH(int, result);
        QFETCH(QStringList, written);
        QFETCH(QStringList, summary);
        if (!startMeter(faults))
            KV_METER_NOT_STARTED();
        if (blockFile2)
            QVERIFY(QDir().mkpath(ws->temp() + "/temp02.lg27t"));   // a folder in the way
        RecordingContext ctx;
        QCOMPARE(receiveAllLoggersJob(ctx, 0x200), result);
        QStringList expected;
        for (const QString &f : written)
            expected << ws->temp() + QLatin1Char('/') + f;
        QStringList got;
        for (const char *f : {"temp00.lg27t", "temp02.lg27t", "temp04.lg27t"})
            if (QFileInfo(ws->temp() + QLatin1Char('/') + QLatin1String(f)).isFile())
                got << ws->temp() + QLatin1Char('/') + QLatin1String(f);
        QCOMPARE(got, expected);
        QCOMPARE(ctx.messages, QStringList{summary.join(QLatin1Char('\n'))});
        if (!faults.contains(QStringLiteral("nak:*?HL02:2-")))
            QCOMPARE(meter->transcript().count(QStringLiteral("*?HL04")), blockFile2 ? 2 : 1);
        else
            QCOMPARE(meter->transcript().count(QStringLiteral("*?HL04")), 1);   // scanned, not asked
    }

    // The family order goes first only when this run has not left the meter on that family.
    void familyOrderOnlyWhenNeeded()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        RecordingContext ctx;
        QCOMPARE(runJob(ctx, 0x220, Logger::indexPath(), 0), 0);
        QCOMPARE(runJob(ctx, 0x260, Logger::receivedLoggerPath(LoggerFamily::Tv, 2), 2), 0);
        QStringList t = meter->transcript();
        QCOMPARE(count(t, "*TL2"), 1);
        QCOMPARE(t.mid(51), QStringList({"*?HL02", "*?HD02000", "*?HD02001"}));

        // A cable-modem download after the TV index selects its family first, and only once.
        QCOMPARE(runJob(ctx, 0x360, Logger::receivedLoggerPath(LoggerFamily::Modem, 0), 0), 0);
        QCOMPARE(runJob(ctx, 0x360, Logger::receivedLoggerPath(LoggerFamily::Modem, 2), 2), 0);
        t = meter->transcript().mid(54);
        QCOMPARE(t.mid(0, 2), QStringList({"*TL1", "*?HL00"}));
        QCOMPARE(count(t, "*TL1"), 1);
        QCOMPARE(file("tempcm00.lg27m"), kModemSlot0);

        // All loggers of the family in force: no order; of the other family: one, before the scan.
        QCOMPARE(runJob(ctx, 0x370, QString(), 0), 0);
        QCOMPARE(count(meter->transcript(), "*TL1"), 1);
        const qsizetype before = meter->transcript().size();
        QCOMPARE(runJob(ctx, 0x270, QString(), 0), 0);
        t = meter->transcript().mid(before);
        QCOMPARE(t.first(), QStringLiteral("*TL2"));
        QCOMPARE(count(t, "*TL2"), 1);

        // After a restart of the meter the family is not known any more.
        LoggerJobs::forgetLoggerFamily();
        QCOMPARE(runJob(ctx, 0x260, Logger::receivedLoggerPath(LoggerFamily::Tv, 4), 4), 0);
        QCOMPARE(meter->transcript().mid(meter->transcript().size() - 2), QStringList({"*TL2", "*?HL04"}));
    }

    void preCheck()
    {
        if (!startMeter())
            KV_METER_NOT_STARTED();
        QCOMPARE(LoggerJobs::channelPlanPreCheck(thePort()), 0);
        meter = std::make_unique<SimulatedMeter>(QStringList{QStringLiteral("--cg-answer"), QStringLiteral("*CG00")});
        QVERIFY(startMeterOnPort(*meter));
        QCOMPARE(LoggerJobs::channelPlanPreCheck(thePort()), int(Err::NoChannelPlan));
        QVERIFY(!thePort().isOpen());
        meter =
            std::make_unique<SimulatedMeter>(QStringList{QStringLiteral("--fault"), QStringLiteral("silence:*?CG")});
        QVERIFY(startMeterOnPort(*meter));
        QCOMPARE(LoggerJobs::channelPlanPreCheck(thePort()), 0);
        QCOMPARE(meter->transcript(), QStringList({"*?CG", "*?CG"}));
    }
};

QTEST_GUILESS_MAIN(TestLoggerJobs)
#include "tst_loggerjobs.moc"
