// Loggers as CSV files: the exact bytes for a TV logger and a cable-modem logger, the quoting,
// the decimal point, and a logger or an output that cannot be used.

#include "LoggerSamples.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "datalogger/LevelChart.h"
#include "datalogger/LoggerCsv.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

const QByteArray kBom = "\xEF\xBB\xBF";

// The sample TV logger (LoggerSamples.h) as CSV, in English.
const QByteArray kSampleTvCsv =
    kBom
    + "Name,Freq.,Offset,BW,Mod.,Annex,S.R.,Pwr.,MER,PreBER,System,A. F.,Level,V/A,C/N,Below threshold\r\n"
      "C21,474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8,,,,,,No\r\n"
      "S2,48.25,0.00,7.0,,,,,,,PAL/BG,5.50,61.2,-12.5,45.0,No\r\n"
      "C25,506.00,0.12,8.0,QAM256,C,6900,-1.5,28.4,2.3E-5,,,,,,Yes\r\n"
      "C26,514.00,0.00,8.0,,,,,,,,,,,,\r\n"
      "C27,522.00,0.00,8.0,QAM64,A,6875,44.9,31.0,1.0E-7,,,,,,Yes\r\n";

const QByteArray kSampleModemCsv = kBom
                                   + "Section,Name,Value,Unit\r\n"
                                     "Datalogger,Logger Number,7,\r\n"
                                     "Datalogger,Time,09:15,\r\n"
                                     "Datalogger,Date,06/12/26,\r\n"
                                     "Datalogger,Description,\"SHOP, FLOOR 2\",\r\n"
                                     "Datalogger,Status,REGISTERED,\r\n"
                                     "Downstream,Power,5.2,dBmV\r\n"
                                     "Downstream,MER,36.4,dB\r\n"
                                     "Downstream,Frequency,602.00,MHz\r\n"
                                     "Downstream,Channel/Channel Plan,C37,\r\n"
                                     "Downstream,Modulation,QAM256,\r\n"
                                     "Downstream,Symbol Rate,6952,kS/s\r\n"
                                     "Downstream,PreBER,1.0E-9,\r\n"
                                     "Upstream,Power,42.0,dBmV\r\n"
                                     "Upstream,Attenuation,3,dB\r\n"
                                     "Upstream,Frequency,35.00,MHz\r\n"
                                     "Upstream,Bandwidth,3.2,MHz\r\n"
                                     "Upstream,Modulation,QPSK,\r\n"
                                     "Upstream,Symbol Rate,2560,kS/s\r\n"
                                     "Headend,IP Cable Modem,10.1.2.33,\r\n"
                                     "Headend,IP ToD Server,10.1.0.1,\r\n"
                                     "Headend,IP TFTP Server,10.1.0.2,\r\n"
                                     "Headend,Config File,modem cfg.bin,\r\n"
                                     "Ping Report,Ping Address,10.1.0.1,\r\n"
                                     "Ping Report,Send,10,\r\n"
                                     "Ping Report,Receive,10,\r\n"
                                     "Ping Report,PLR,<1,%\r\n"
                                     "Ping Report,Time Min,3,ms\r\n"
                                     "Ping Report,Time Max,12,ms\r\n"
                                     "Ping Report,Time Avg,5,ms\r\n"
                                     "Comments,Comments,\"Amplifier \"\"B\"\" replaced\r\nsecond line\",\r\n";

}   // namespace

class TestLoggerCsv : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestWorkspace> ws;

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>(false);
        StringTable::fillStringTable();
        StringTable::setLanguage(0);
        app().CurrentModel.modelTypeCode = 1;
    }
    void cleanup()
    {
        StringTable::setLanguage(0);
        ws.reset();
    }

    void quotesWhereItMust_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "C21"
                               << "C21";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("blank inside") << "modem cfg.bin"
                                      << "modem cfg.bin";
        QTest::newRow("comma") << "SHOP, FLOOR 2"
                               << "\"SHOP, FLOOR 2\"";
        QTest::newRow("quote") << "6\" pipe"
                               << "\"6\"\" pipe\"";
        QTest::newRow("line feed") << "a\nb"
                                   << "\"a\nb\"";
        QTest::newRow("carriage return") << "a\rb"
                                         << "\"a\rb\"";
        QTest::newRow("only a quote") << "\""
                                      << "\"\"\"\"";
        // What a spreadsheet would run as a formula is written as text; numbers stay numbers.
        QTest::newRow("formula") << "=1+2"
                                 << "'=1+2";
        QTest::newRow("formula with a comma") << "=SUM(A1,A2)"
                                              << "\"'=SUM(A1,A2)\"";
        QTest::newRow("at sign") << "@cmd"
                                 << "'@cmd";
        QTest::newRow("plus alone") << "+"
                                    << "'+";
        QTest::newRow("plus then a letter") << "+cmd|' /C calc'!A0"
                                            << "'+cmd|' /C calc'!A0";
        QTest::newRow("minus then a letter") << "-HYPERLINK(x)"
                                             << "'-HYPERLINK(x)";
        QTest::newRow("tab first") << "\tx"
                                   << "'\tx";
        QTest::newRow("negative number") << "-1.5"
                                         << "-1.5";
        QTest::newRow("negative without a zero") << "-.5"
                                                 << "-.5";
        QTest::newRow("signed number") << "+3"
                                       << "+3";
        QTest::newRow("exponent") << "1.0E-8"
                                  << "1.0E-8";
    }
    void quotesWhereItMust()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(LoggerCsv::field(text), field);
    }

    void rowIsUtf8WithCrLf()
    {
        QCOMPARE(LoggerCsv::row({QStringLiteral("Sección"), QString(), QStringLiteral("a,b")}),
                 QByteArray("Secci\xC3\xB3n,,\"a,b\"\r\n"));
    }

    void valuesAndUnits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("unit");
        QTest::newRow("decimal comma and unit") << "4,8dBmV"
                                                << "4.8"
                                                << "dBmV";
        QTest::newRow("negative") << "-8,5dBmV"
                                  << "-8.5"
                                  << "dBmV";
        QTest::newRow("unit after a blank") << "602,00 MHz"
                                            << "602.00"
                                            << "MHz";
        QTest::newRow("unit with a slash") << "6952kS/s"
                                           << "6952"
                                           << "kS/s";
        QTest::newRow("exponent") << "1,0E-9"
                                  << "1.0E-9"
                                  << "";
        QTest::newRow("less than") << "<1%"
                                   << "<1"
                                   << "%";
        QTest::newRow("bare number") << "10"
                                     << "10"
                                     << "";
        QTest::newRow("address is no number") << "10.1.2.33"
                                              << "10.1.2.33"
                                              << "";
        QTest::newRow("name") << "QAM256"
                              << "QAM256"
                              << "";
        QTest::newRow("blank") << ""
                               << ""
                               << "";
    }
    void valuesAndUnits()
    {
        QFETCH(QString, text);
        QFETCH(QString, value);
        QFETCH(QString, unit);
        const LoggerCsv::ValueUnit vu = LoggerCsv::splitUnit(text);
        QCOMPARE(vu.value, value);
        QCOMPARE(vu.unit, unit);
    }

    void decimalCommaBecomesAPoint_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("csv");
        QTest::newRow("comma") << "44,9"
                               << "44.9";
        QTest::newRow("negative comma") << "-12,5"
                                        << "-12.5";
        QTest::newRow("point stays") << "52.3"
                                     << "52.3";
        QTest::newRow("text with a comma stays") << "A,B"
                                                 << "A,B";
        QTest::newRow("blank stays") << ""
                                     << "";
    }
    void decimalCommaBecomesAPoint()
    {
        QFETCH(QString, text);
        QFETCH(QString, csv);
        QCOMPARE(LoggerCsv::decimalPoint(text), csv);
    }

    void tvLoggerExactBytes()
    {
        const QString logger = ws->write(QStringLiteral("Temp/temp03.lg27t"), sampleTvLogger());
        const QString csv = ws->path(QStringLiteral("out.csv"));
        QCOMPARE(LoggerCsv::exportFile(logger, LoggerFamily::Tv, csv), 0);
        const QByteArray bytes = fileBytes(csv);
        QCOMPARE(bytes, kSampleTvCsv);
        // A header row and one row per channel, each of 16 cells.
        QCOMPARE(bytes.count("\r\n"), 6);
        for (const QByteArray &line : bytes.mid(3).split('\n'))
            QVERIFY(line.isEmpty() || line.count(',') == 15);
    }

    void tvLoggerInSpanish()
    {
        StringTable::setLanguage(1);
        const LevelChart::Model m = LevelChart::build([&] {
            TvLoggerContents c;
            TvLoggerFile::read(ws->write(QStringLiteral("Temp/t.lg27t"), sampleTvLogger()), c);
            return c;
        }());
        const QList<QByteArray> lines = LoggerCsv::tvCsv(m).split('\n');
        QVERIFY(lines.at(0).startsWith(kBom + "Nombre,Frec.,"));
        QVERIFY(lines.at(0).endsWith("Bajo el umbral\r"));
        QVERIFY(lines.at(3).endsWith(",S\xC3\xAD\r"));
        // Numbers keep their points whatever the language.
        QVERIFY(lines.at(5).startsWith("C27,522.00,0.00,8.0,QAM64,A,6875,44.9,"));
    }

    void tvLoggerWithoutThresholdLeavesTheColumnEmpty()
    {
        const QString logger = ws->write(QStringLiteral("Temp/t.lg27t"), sampleTvLogger(""));
        const QString csv = ws->path(QStringLiteral("out.csv"));
        QCOMPARE(LoggerCsv::exportFile(logger, LoggerFamily::Tv, csv), 0);
        for (const QByteArray &line : fileBytes(csv).split('\n').mid(1, 5))
            QVERIFY2(line.endsWith(",\r"), line.constData());
    }

    void modemLoggerExactBytes()
    {
        const QString logger = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), kSampleModemLogger);
        const QString csv = ws->path(QStringLiteral("modem.csv"));
        QCOMPARE(LoggerCsv::exportFile(logger, LoggerFamily::Modem, csv), 0);
        QCOMPARE(fileBytes(csv), kSampleModemCsv);
    }

    void unregisteredModemHasNoHeadendOrPingRows()
    {
        QByteArray file = kSampleModemLogger;
        file.replace("&REGISTERED&", "&NOT REGISTERED&");
        ModemLoggerRecord r;
        QCOMPARE(ModemLoggerFile::read(ws->write(QStringLiteral("Temp/m.lg27m"), file), r), 0);
        const QByteArray csv = LoggerCsv::modemCsv(r);
        QVERIFY(csv.contains("Upstream,Symbol Rate,2560,kS/s\r\n"));
        QVERIFY(!csv.contains("Headend"));
        QVERIFY(!csv.contains("Ping Report"));
        QVERIFY(csv.contains("Datalogger,Status,NOT REGISTERED,\r\n"));
        // A model without registration details never shows them either.
        app().CurrentModel.modelTypeCode = 3;
        QCOMPARE(ModemLoggerFile::read(ws->write(QStringLiteral("Temp/m.lg27m"), kSampleModemLogger), r), 0);
        QVERIFY(!LoggerCsv::modemCsv(r).contains("Headend"));
    }

    void refusedLoggerWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("family");
        QByteArray other = sampleTvLogger();
        other.replace("KORVEL-26", "KORVEL-25");
        QTest::newRow("tv file of another device") << other << int(LoggerFamily::Tv);
        QTest::newRow("tv file without measurements") << tvLoggerHead(3) << int(LoggerFamily::Tv);
        QByteArray noUpstream = kSampleModemLogger;
        noUpstream.replace("UPSTREAM=", "XPSTREAM=");
        QTest::newRow("modem file without upstream") << noUpstream << int(LoggerFamily::Modem);
        QTest::newRow("missing file") << QByteArray() << int(LoggerFamily::Tv);
    }
    void refusedLoggerWritesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, family);
        const QString logger = content.isEmpty() ? ws->path(QStringLiteral("Temp/none.lg27t"))
                                                 : ws->write(QStringLiteral("Temp/bad.lg27t"), content);
        const QString csv = ws->path(QStringLiteral("out.csv"));
        LoggerCsv::Failure failure = LoggerCsv::Failure::None;
        QCOMPARE(LoggerCsv::exportFile(logger, LoggerFamily(family), csv, &failure), -65);
        QCOMPARE(failure, LoggerCsv::Failure::Logger);
        QVERIFY(!QFileInfo::exists(csv));
    }

    void outputThatCannotBeWrittenKeepsTheOldFile()
    {
        const QString logger = ws->write(QStringLiteral("Temp/temp03.lg27t"), sampleTvLogger());
        LoggerCsv::Failure failure = LoggerCsv::Failure::None;
        // A folder that does not exist.
        QCOMPARE(LoggerCsv::exportFile(logger, LoggerFamily::Tv, ws->path(QStringLiteral("no/such/out.csv")), &failure),
                 -65);
        QCOMPARE(failure, LoggerCsv::Failure::Output);
        // An existing file that cannot be replaced stays as it was, and nothing is left beside it.
        const QString csv = ws->write(QStringLiteral("keep.csv"), "old,contents\r\n");
        if (!setImmutable(csv, true))
            QSKIP("chattr +i is not available here");
        const int r = LoggerCsv::exportFile(logger, LoggerFamily::Tv, csv, &failure);
        setImmutable(csv, false);
        QCOMPARE(r, -65);
        QCOMPARE(failure, LoggerCsv::Failure::Output);
        QCOMPARE(fileBytes(csv), QByteArray("old,contents\r\n"));
        QCOMPARE(QDir(ws->root()).entryList(QDir::Files), QStringList{QStringLiteral("keep.csv")});
    }
};

QTEST_GUILESS_MAIN(TestLoggerCsv)
#include "tst_loggercsv.moc"
