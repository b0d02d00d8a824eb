// Datalogger files: the answer rules, the writers and the readers' acceptance rules, the
// comments and LOCATION rewrites.

#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "datalogger/LoggerFiles.h"
#include "link/ErrorCodes.h"

#include <QFile>
#include <QTest>

using namespace Logger;

namespace {

// A TV file as the reception writes it, with the measurement lines given.
QByteArray tvFile(int count, const QList<QByteArray> &measures, const QByteArray &device = "KORVEL-26",
                  const QByteArray &location = "ROOF")
{
    QByteArray f =
        kLoggerHead + "DEVICE=" + device + "\r\nLOGGER NUMBER=4\r\nLOCATION=" + location
        + "\r\nUNITS=dBuV\r\nTIME=10:32\r\nDATE=07/12/26\r\nTHRESHOLD LEVEL=45\r\n"
          "CHANNEL PLAN=AB\r\nCHANNEL NUMBER="
        + QByteArray::number(count) + "\r\n[MEASURES]\r\nLOGGER=" + QByteArray::number(count) + "\r\n"
        + "N,    CH,  FREQ,   OFF,    BW,   MOD, ANNEX,    SR,   PWR,   MER,   BER,   SYS,    AF,   LVL,   V/A,   C/N\r\n";
    for (const QByteArray &m : measures)
        f += m + "\r\n";
    return f;
}

QByteArray measure(int n)
{
    return QByteArray::number(n) + ",C2" + QByteArray::number(n)
           + ",474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , ";
}

const QByteArray kModemFile =
    kLoggerHead
    + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=7\r\n"
      "INFO=*HL07&09:15&06/12/26&SHOP&REGISTERED&\r\n"
      "DOWNSTREAM=*HD0700&PWR: 5.2 dBmV &MER:36,4dB&FREQ:602MHz&CH:C37&MOD:QAM256&SR:6952&BER:1,0E-9 &\r\n"
      "UPSTREAM=*HD0701&PWR:42,0dBmV&ATT:3dB&FREQ:35MHz&BW:3,2MHz&MOD:QPSK&SR:2560&\r\n"
      "HEADEND=*HD0702& 10.1.2.33 &10.1.0.1&10.1.0.2&modem cfg.bin&\r\n"
      "PINGREPORT=*HD0703&10.1.0.1&10&10&\xC8"
      "1%&3ms&12ms&5ms&\r\n"
      "LOCATION=first line\r\nsecond = line\r\n\r\nlast\r\n";

}   // namespace

class TestLoggerFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { resetAppState(); }

    void answerFields_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("field");
        const QString hl = QStringLiteral("*HL00&10:32&07/12/26&ROOF&AB&3&&&dBuV&455&");
        QTest::newRow("first") << hl << 1 << 0 << "10:32";
        QTest::newRow("third") << hl << 3 << 0 << "ROOF";
        QTest::newRow("empty field") << hl << 6 << 0 << "";
        QTest::newRow("ninth") << hl << 9 << 0 << "455";
        QTest::newRow("no closing &") << hl << 10 << kNoField << "";
        QTest::newRow("text before first & is no field") << "abc&" << 1 << kNoField << "";
        QTest::newRow("no & at all") << "abc" << 1 << kNoField << "";
        QTest::newRow("field 0") << hl << 0 << kNoField << "";
        QTest::newRow("last without closing") << "*HL&a&b" << 2 << kNoField << "";
    }
    void answerFields()
    {
        QFETCH(QString, answer);
        QFETCH(int, n);
        QFETCH(int, result);
        QFETCH(QString, field);
        QString got = QStringLiteral("stale");
        QCOMPARE(answerField(answer, n, got), result);
        QCOMPARE(got, field);
    }

    void splitting_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("n");
        QTest::addColumn<QString>("ch");
        QTest::addColumn<QString>("cn");
        const QString full = QStringLiteral("0,C21,474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , ,45.0");
        QTest::newRow("16 fields") << full << 16 << "0"
                                   << "C21"
                                   << "45.0";
        QTest::newRow("two commas in a row")
            << QStringLiteral("0,C21,,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , ,45.0") << 15 << ""
            << ""
            << "";
        QTest::newRow("leading comma skipped") << "," + full << 16 << "0"
                                               << "C21"
                                               << "45.0";
        QTest::newRow("after the 16th ignored") << full + ",x,y" << 16 << "0"
                                                << "C21"
                                                << "45.0";
        QTest::newRow("line feed dropped") << full + "\n"
                                           << 16 << "0"
                                           << "C21"
                                           << "45.0";
        QTest::newRow("blanks removed except N")
            << QStringLiteral(" 3, C 2 1 ,474,0,8,Q,A,1,2,3,4,5,6,7,8, 9 9 ") << 16 << " 3"
            << "C21"
            << "99";
        QTest::newRow("value cut to 19") << QStringLiteral(
            "1,ABCDEFGHIJKLMNOPQRSTUVWXYZ,2,3,4,5,6,7,8,9,10,11,12,13,14,15")
                                         << 16 << "1"
                                         << "ABCDEFGHIJKLMNOPQRS"
                                         << "15";
        QTest::newRow("empty line") << QString() << 0 << ""
                                    << ""
                                    << "";
        QTest::newRow("placeholder blanks count as fields")
            << QStringLiteral("0, , , , , , , , , , , , , , , ") << 16 << "0"
            << ""
            << "";
    }
    void splitting()
    {
        QFETCH(QString, line);
        QFETCH(int, count);
        QFETCH(QString, n);
        QFETCH(QString, ch);
        QFETCH(QString, cn);
        TvMeasurement m;
        m.field.fill(QStringLiteral("untouched"));
        QCOMPARE(splitMeasurement(line, m), count);
        if (count == kMeasurementFields) {
            QCOMPARE(m.field[TvMeasurement::N], n);
            QCOMPARE(m.field[TvMeasurement::CH], ch);
            QCOMPARE(m.field[TvMeasurement::CN], cn);
        } else {
            for (const QString &f : m.field)
                QCOMPARE(f, QStringLiteral("untouched"));
        }
    }

    void trimming_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("blanks and line feed") << "  a b \n"
                                              << "a b";
        QTest::newRow("cr lf") << "x\r\n"
                               << "x";
        QTest::newRow("only one line feed") << "x\n\n"
                                            << "x\n";
        QTest::newRow("nothing") << ""
                                 << "";
        QTest::newRow("all blanks") << "   "
                                    << "";
    }
    void trimming()
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(trimValue(text), trimmed);
    }

    void measurementTransformation_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("line");
        QTest::newRow("fixture line") << "*HD0&C21&474,00&-0,50&8,0&QAM64&A&6875&52,3&33,1&1,0E-8&-&-&-&-&-"
                                      << "0,C21,474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , ";
        QTest::newRow("negative keeps its sign") << "*HD-1,5"
                                                 << "-1.5";
        QTest::newRow("negative without leading zero") << "*HD-,5&x"
                                                       << "-.5,x";
        QTest::newRow("lone dash") << "*HD-"
                                   << " ";
        QTest::newRow("dash before letter") << "*HD-A&PAL/BG"
                                            << " A,PAL/BG";
        QTest::newRow("short answer") << "*H"
                                      << "";
    }
    void measurementTransformation()
    {
        QFETCH(QString, answer);
        QFETCH(QString, line);
        QCOMPARE(measurementLineFromAnswer(answer), line);
    }

    void tvHeaderLines()
    {
        int m = -1;
        const QStringList lines =
            TvLoggerFile::headerLines(2, QStringLiteral("*HL02&11:05&07/12/26&FLAT 3&CD&2&&&dBmV&-125&"), m);
        QCOMPARE(m, 2);
        QCOMPARE(lines.mid(3),
                 QStringList({"DEVICE=KORVEL-26", "LOGGER NUMBER=2", "LOCATION=FLAT 3", "UNITS=dBmV", "TIME=11:05",
                              "DATE=07/12/26", "THRESHOLD LEVEL=-12", "CHANNEL PLAN=CD", "CHANNEL NUMBER=2"}));
        // CHANNEL NUMBER keeps the meter's text; the count asked for is its integer value.
        const QStringList padded =
            TvLoggerFile::headerLines(2, QStringLiteral("*HL02&11:05&07/12/26&FLAT 3&CD&002&&&dBmV&-125&"), m);
        QCOMPARE(m, 2);
        QCOMPARE(padded.last(), QStringLiteral("CHANNEL NUMBER=002"));
        QCOMPARE(TvLoggerFile::headerLines(2, QStringLiteral("*HL02&a&b&c&d& 3 &"), m).last(),
                 QStringLiteral("CHANNEL NUMBER= 3 "));
        QCOMPARE(m, 3);
        QCOMPARE(TvLoggerFile::measuresLines(0), QStringList({"[MEASURES]", "LOGGER=0", kTvColumnLine}));

        // Without a header answer only the fixed lines go in, and nothing is asked for.
        const QStringList bare = TvLoggerFile::headerLines(9, QString(), m);
        QCOMPARE(m, 0);
        QCOMPARE(bare.size(), 5);
        QCOMPARE(bare.last(), QStringLiteral("LOGGER NUMBER=9"));
    }

    void tvAcceptance_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("accepted");
        QTest::newRow("three channels") << tvFile(3, {measure(0), measure(1), measure(2)}) << 0 << 3;
        QTest::newRow("stops at channel number") << tvFile(2, {measure(0), measure(1), measure(2)}) << 0 << 2;
        QTest::newRow("channel number 0 read to the end") << tvFile(0, {measure(0), measure(1)}) << 0 << 2;
        QTest::newRow("channel number 0 and no line") << tvFile(0, {}) << int(Err::UnableToOpenFile) << 0;
        QTest::newRow("damaged line skipped")
            << tvFile(2, {measure(0), "0,C21,,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , ,1", measure(1)}) << 0
            << 2;
        QTest::newRow("modem device rejected")
            << tvFile(1, {measure(0)}, "KORVEL-25") << int(Err::UnableToOpenFile) << 0;
        QByteArray noise50 = kLoggerHead;
        for (int i = 0; i < 47; ++i)
            noise50 += "noise\r\n";
        QTest::newRow("50 unknown lines in a row")
            << noise50 + tvFile(1, {measure(0)}).mid(kLoggerHead.size()) << 0 << 1;
        QTest::newRow("51 unknown lines in a row")
            << noise50 + "noise\r\n" + tvFile(1, {measure(0)}).mid(kLoggerHead.size()) << int(Err::UnableToOpenFile)
            << 0;
        QTest::newRow("LF line ends") << tvFile(1, {measure(0)}).replace("\r\n", "\n") << 0 << 1;
    }
    void tvAcceptance()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, result);
        QFETCH(int, accepted);
        TestWorkspace ws;
        TvLoggerContents c;
        QCOMPARE(TvLoggerFile::read(ws.write("a.lg26t", file), c), result);
        if (result == 0)
            QCOMPARE(int(c.measurements.size()), accepted);
    }

    void tvReadValues()
    {
        TestWorkspace ws;
        TvLoggerContents c;
        const QString path = ws.write("a.lg27t", tvFile(2, {measure(5), measure(0)}, "KORVEL-26", "ROOF=NORTH=2"));
        QCOMPARE(TvLoggerFile::read(path, c), 0);
        QCOMPARE(c.header.loggerNumber, QStringLiteral("4"));
        QCOMPARE(c.header.location, QStringLiteral("2"));   // the TV viewer shows LOCATION from its last "="
        QCOMPARE(c.header.time, QStringLiteral("10:32"));
        QCOMPARE(c.header.thresholdLevel, QStringLiteral("45"));
        QCOMPARE(c.header.channelCount, 2);
        QCOMPARE(c.measurements.at(0).number(), 5);
        QCOMPARE(c.measurements.at(1).field[TvMeasurement::FREQ], QStringLiteral("474.00"));
        QCOMPARE(TvLoggerFile::read(ws.path("missing.lg27t"), c), int(Err::UnableToOpenFile));
    }

    void tvLocationRewrite()
    {
        TestWorkspace ws;
        const QString path = ws.write("a.lg26t", tvFile(1, {measure(0)}));
        QCOMPARE(TvLoggerFile::saveWithLocation(path, path, QStringLiteral("CAÑADA\nBLOCK 2")), 0);
        const QByteArray saved = ws.read("a.lg26t");
        QVERIFY(saved.contains("\r\nLOCATION=CA\xD1"
                               "ADA BLOCK 2\r\nUNITS=dBuV\r\n"));
        QCOMPARE(saved.count("LOCATION"), 1);
        QCOMPARE(saved.size(), tvFile(1, {measure(0)}).size() + 10);

        // A copy under another name leaves the original as it was.
        QCOMPARE(TvLoggerFile::saveWithLocation(path, ws.path("b.lg26t"), QStringLiteral("X")), 0);
        QCOMPARE(ws.read("a.lg26t"), saved);
        QVERIFY(ws.read("b.lg26t").contains("\r\nLOCATION=X\r\n"));

        // A target that cannot be written is reported and nothing changes.
        QCOMPARE(TvLoggerFile::saveWithLocation(path, ws.path("nofolder/c.lg26t"), QStringLiteral("Y")),
                 int(Err::UnableToOpenFile));
        QCOMPARE(ws.read("a.lg26t"), saved);
    }

    void modemRead()
    {
        TestWorkspace ws;
        ModemLoggerRecord r;
        QCOMPARE(ModemLoggerFile::read(ws.write("m.lg26m", kModemFile), r), 0);
        QCOMPARE(r.loggerNumber, 7);
        QCOMPARE(r.info[2], QStringLiteral("SHOP"));
        QVERIFY(r.registered());
        QVERIFY(r.showsRegistrationDetails());
        QCOMPARE(r.downstream[0], QStringLiteral("5.2 dBmV"));
        QCOMPARE(r.downstream[6], QStringLiteral("1,0E-9"));
        QCOMPARE(r.upstream[3], QStringLiteral("3,2MHz"));
        QCOMPARE(r.headend[0], QStringLiteral("10.1.2.33"));
        QCOMPARE(r.pingReport[3], QStringLiteral("<1%"));
        QCOMPARE(r.comments, QStringLiteral("first line\r\nsecond = line\r\n\r\nlast"));

        app().CurrentModel.modelTypeCode = 3;
        QVERIFY(!r.showsRegistrationDetails());
    }

    void modemAcceptance_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("comments");
        QTest::newRow("received, empty comments")
            << QByteArray(kModemFile).replace(kModemFile.mid(kModemFile.indexOf("LOCATION")), "LOCATION=\r\n") << 0
            << "";
        QTest::newRow("stopped after downstream")
            << kModemFile.left(kModemFile.indexOf("UPSTREAM")) << int(Err::UnableToOpenFile) << "";
        QTest::newRow("stopped after upstream") << kModemFile.left(kModemFile.indexOf("HEADEND")) << 0 << "";
        QTest::newRow("location without upstream keeps its key")
            << QByteArray("UPSTREAM=*HD0001&a&b&c&d&e&f&\r\nINFO=x\r\n").prepend("LOCATION=note\r\n")
            << int(Err::UnableToOpenFile) << "LOCATION=note\r\nUPSTREAM=*HD0001&a&b&c&d&e&f&\r\nINFO=x";
        QByteArray many;
        for (int i = 0; i < 51; ++i)
            many += i % 2 ? "noise\r\n" : "\r\n";
        QTest::newRow("51 unknown lines stop reading") << many + "UPSTREAM=*HD&a&\r\n"
                                                       << int(Err::UnableToOpenFile) << "";
        QTest::newRow("50 unknown lines in all") << many.mid(2) + "UPSTREAM=*HD&a&\r\n" << 0 << "";
    }
    void modemAcceptance()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, result);
        QFETCH(QString, comments);
        TestWorkspace ws;
        ModemLoggerRecord r;
        QCOMPARE(ModemLoggerFile::read(ws.write("m.lg27m", file), r), result);
        QCOMPARE(r.comments, comments);
    }

    void modemSectionLine()
    {
        const QString answer = "*HD0002&a$b&" + QString(187, QLatin1Char('x')) + "$$";
        const QString line = ModemLoggerFile::sectionLine(Key::Headend, answer);
        QVERIFY(line.startsWith(QStringLiteral("HEADEND=*HD0002&a b&")));
        // Only the first 200 characters of the answer are cleared of "$".
        QVERIFY(line.endsWith(QStringLiteral("x $")));
    }

    void commentsRewrite()
    {
        TestWorkspace ws;
        const QString path = ws.write("m.lg26m", kModemFile);
        const QString comments = QStringLiteral("new one\r\nnew two");
        QCOMPARE(ModemLoggerFile::saveWithComments(path, path, comments), 0);
        QCOMPARE(ModemLoggerFile::saveWithComments(path, path, comments), 0);
        const QByteArray saved = ws.read("m.lg26m");
        QCOMPARE(saved, kModemFile.left(kModemFile.indexOf("LOCATION")) + "LOCATION=new one\r\nnew two\r\n");
        ModemLoggerRecord r;
        QCOMPARE(ModemLoggerFile::read(path, r), 0);
        QCOMPARE(r.comments, comments);

        // A logger that stopped before its LOCATION line gets one, so the comments are kept.
        const QByteArray shortFile = kModemFile.left(kModemFile.indexOf("HEADEND"));
        const QString shortPath = ws.write("s.lg26m", shortFile);
        QCOMPARE(ModemLoggerFile::saveWithComments(shortPath, shortPath, QStringLiteral("kept")), 0);
        QCOMPARE(ws.read("s.lg26m"), shortFile + "LOCATION=kept\r\n");

        QCOMPARE(ModemLoggerFile::saveWithComments(ws.path("none.lg26m"), path, comments), int(Err::UnableToOpenFile));
        QCOMPARE(ws.read("m.lg26m"), saved);
    }

    void indexRead()
    {
        TestWorkspace ws;
        QByteArray file = kLoggerHead + "[LOGGERS]\r\n";
        file += "*HL00&10:32&07/12/26&ROOF&AB&3&&&dBuV&455&\r\n";
        file += "*HL01&--:--&--/--/--&&&0&&&&0&\r\n";
        file += "*HL02&broken\r\n";
        file += "*HL03&12:00&08/12/26&" + QByteArray(120, 'L') + "&AB&0&&&&0&\r\n";
        QList<LoggerIndexEntry> entries;
        QCOMPARE(LoggerIndexFile::read(ws.write("Temp/logger.tlg", file), entries), 4);
        QCOMPARE(entries.at(0).name, QStringLiteral("ROOF"));
        QVERIFY(entries.at(0).print);
        QVERIFY(entries.at(1).valid && entries.at(1).isEmpty() && !entries.at(1).print);
        QVERIFY(!entries.at(2).valid);
        // A long answer stays one entry: the slots after it keep their numbers.
        QCOMPARE(entries.at(3).name.size(), 120);

        QCOMPARE(LoggerIndexFile::read(ws.write("x.tlg", kLoggerHead), entries), 0);
        QCOMPARE(LoggerIndexFile::read(ws.write("y.tlg", kLoggerHead + "[LOGGERS]\r\n"), entries), 0);
        QCOMPARE(LoggerIndexFile::read(ws.path("none.tlg"), entries), int(Err::UnableToOpenFile));

        QVERIFY(!LoggerIndexFile::isSlotAnswer(QString(20, QLatin1Char('x'))));
        QVERIFY(LoggerIndexFile::isSlotAnswer(QString(21, QLatin1Char('x'))));
        QVERIFY(!LoggerIndexFile::answerShowsLogger(QStringLiteral("*HL03&--:--&--/--/--&&&0&&&&0&")));
        QVERIFY(LoggerIndexFile::answerShowsLogger(QStringLiteral("*HL03&10:00&--/--/--&&&0&&&&0&")));
    }

    void writerCommitsOrLeavesTarget()
    {
        TestWorkspace ws;
        const QString path = ws.write("Temp/temp00.lg26t", "good old file\r\n");
        {
            LoggerFileWriter w(path);
            QVERIFY(w.open());
            w.writeLine(QStringLiteral("half"));
            w.discard();
        }
        QCOMPARE(ws.read("Temp/temp00.lg26t"), QByteArray("good old file\r\n"));
        {
            LoggerFileWriter w(path);
            QVERIFY(w.open());
            w.writeLine(QStringLiteral("not committed"));
        }
        QCOMPARE(ws.read("Temp/temp00.lg26t"), QByteArray("good old file\r\n"));
        {
            LoggerFileWriter w(path);
            QVERIFY(w.open());
            w.writeLines(commonHeader());
            w.writeLine(QStringLiteral("LOCATION=a\nb caf\u00e9"));
            QVERIFY(w.commit());
        }
        QCOMPARE(ws.read("Temp/temp00.lg26t"), kLoggerHead + "LOCATION=a b caf\xe9\r\n");
        LoggerFileWriter missing(ws.path("nofolder/x.lg26t"));
        QVERIFY(!missing.open());
    }

    void namesAndFamilies()
    {
        TestWorkspace ws;
        QCOMPARE(openFilter(LoggerFamily::Tv), QStringLiteral("*.lg26t|*.lg26t|*.lg27t|*.lg27t"));
        QCOMPARE(openFilter(LoggerFamily::Modem), QStringLiteral("*.lg26m|*.lg26m|*.lg27m|*.lg27m"));
        app().currentModelIndex = 0;
        app().CurrentModel.tvLoggerFileType = QStringLiteral("lg27t");
        app().CurrentModel.modemLoggerFileType = QStringLiteral("lg27m");
        QCOMPARE(openFilter(LoggerFamily::Tv), QStringLiteral("*.lg27t"));
        QCOMPARE(receivedLoggerPath(LoggerFamily::Tv, 2), ws.temp() + "/temp02.lg27t");
        QCOMPARE(receivedLoggerPath(LoggerFamily::Modem, 12), ws.temp() + "/tempcm12.lg27m");
        QCOMPARE(printScratchPath(3), ws.temp() + "/prtemp03.log");
        QCOMPARE(printTextPath(3), ws.temp() + "/print03.txt");
        QCOMPARE(indexPath(), ws.temp() + "/logger.tlg");

        LoggerFamily f = LoggerFamily::Modem;
        QVERIFY(familyOfFile(ws.write("t", tvFile(1, {measure(0)})), f));
        QCOMPARE(f, LoggerFamily::Tv);
        QVERIFY(familyOfFile(ws.write("m", kModemFile), f));
        QCOMPARE(f, LoggerFamily::Modem);
        QVERIFY(!familyOfFile(ws.write("x", "DEVICE=KORVEL-10\r\n"), f));
        QVERIFY(!familyOfFile(ws.write("y", kLoggerHead), f));
    }
};

QTEST_GUILESS_MAIN(TestLoggerFiles)
#include "tst_loggerfiles.moc"
