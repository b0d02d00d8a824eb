// kelvatrone-cli export and chart: the files they write, the loggers they refuse with the
// viewer's message, outputs that cannot be written, and usage errors.

#include "LoggerSamples.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/StringTable.h"
#include "datalogger/LevelChart.h"
#include "datalogger/LoggerCsv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "CliRun.h"

namespace {

CliRun cli(const QString &workspace, const QStringList &args)
{
    return runCli(args, workspace);
}

}   // namespace

class TestReportCli : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestWorkspace> ws;
    QString tv, modem;

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>(false);
        StringTable::fillStringTable();
        StringTable::setLanguage(0);
        tv = ws->write(QStringLiteral("Temp/temp03.lg27t"), sampleTvLogger());
        modem = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), kSampleModemLogger);
    }
    void cleanup() { ws.reset(); }

    void exportWritesWhatTheCoreBuilds_data()
    {
        QTest::addColumn<QString>("logger");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("lang");
        QTest::newRow("tv by its DEVICE line") << "Temp/temp03.lg27t" << QStringList() << "en";
        QTest::newRow("modem by its DEVICE line") << "Temp/tempcm07.lg27m" << QStringList() << "en";
        QTest::newRow("tv, family named, spanish") << "Temp/temp03.lg27t" << QStringList{"--family", "tv"} << "es";
        QTest::newRow("modem, family named, german")
            << "Temp/tempcm07.lg27m" << QStringList{"--family", "modem"} << "de";
    }
    void exportWritesWhatTheCoreBuilds()
    {
        QFETCH(QString, logger);
        QFETCH(QStringList, options);
        QFETCH(QString, lang);
        const CliRun r = cli(ws->root(), QStringList{"--lang", lang, "export", logger, "out.csv"} + options);
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.isEmpty());
        const QString out = ws->path(QStringLiteral("out.csv"));
        const QString expectedFile = ws->path(QStringLiteral("expected.csv"));
        StringTable::setLanguage(QStringList{"en", "es", "de", "ca"}.indexOf(lang));
        const LoggerFamily family = logger.endsWith(QLatin1String("m")) ? LoggerFamily::Modem : LoggerFamily::Tv;
        QCOMPARE(LoggerCsv::exportFile(ws->path(logger), family, expectedFile), 0);
        StringTable::setLanguage(0);
        QCOMPARE(fileBytes(out), fileBytes(expectedFile));
    }

    void namedModelWithoutRegistrationDetails()
    {
        // KV-27C (type code 3) shows no headend or ping report, registered or not.
        QFile::copy(TestWorkspace::source(QStringLiteral("data/models.txt")), ws->path(QStringLiteral("models.txt")));
        const CliRun r =
            cli(ws->root(), {"--workspace", ws->root(), "--model", "KV-27C", "export", "Temp/tempcm07.lg27m", "m.csv"});
        QCOMPARE(r.status, 0);
        const QByteArray csv = fileBytes(ws->path(QStringLiteral("m.csv")));
        QVERIFY(csv.contains("Upstream,Power,42.0,dBmV\r\n"));
        QVERIFY(!csv.contains("Headend"));
        QVERIFY(!csv.contains("Ping Report"));
    }

    void refusedLoggerGivesTheViewersMessage_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("out");
        QByteArray noMeasures = tvLoggerHead(2);
        QTest::newRow("export, no measurement line") << "export" << noMeasures << "out.csv";
        QTest::newRow("chart, no measurement line") << "chart" << noMeasures << "out.png";
        QByteArray modemFile = kSampleModemLogger;
        QTest::newRow("chart of a modem logger") << "chart" << modemFile << "out.pdf";
        QByteArray noise;
        for (int i = 0; i < 60; ++i)
            noise += "noise\r\n";
        QTest::newRow("export, not a logger") << "export" << noise << "out.csv";
        QTest::newRow("export, no such file") << "export" << QByteArray() << "out.csv";
        QTest::newRow("chart, no such file") << "chart" << QByteArray() << "out.png";
    }
    void refusedLoggerGivesTheViewersMessage()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, content);
        QFETCH(QString, out);
        if (!content.isEmpty())
            ws->write(QStringLiteral("Temp/bad.lg27t"), content);
        const CliRun r = cli(ws->root(), {command, QStringLiteral("Temp/bad.lg27t"), out});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(StringTable::text(53 /* "Unable To Open File" */)), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("bad.lg27t")));
        QVERIFY(!QFileInfo::exists(ws->path(out)));
    }

    void unwritableOutputKeepsTheOldFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        QTest::newRow("export") << QStringList{"export", "Temp/temp03.lg27t", "keep.csv"} << "keep.csv";
        QTest::newRow("chart png") << QStringList{"chart", "Temp/temp03.lg27t", "keep.png"} << "keep.png";
        QTest::newRow("chart pdf") << QStringList{"chart", "Temp/temp03.lg27t", "keep.pdf"} << "keep.pdf";
    }
    void unwritableOutputKeepsTheOldFile()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        // Into a folder that does not exist: -65 naming the output.
        QStringList missing = args;
        missing.last() = QStringLiteral("no/such/") + out;
        CliRun r = cli(ws->root(), missing);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(StringTable::text(53)) && r.err.contains(QStringLiteral("no/such")), qPrintable(r.err));

        const QString path = ws->write(out, "old contents");
        if (!setImmutable(path, true))
            QSKIP("chattr +i is not available here");
        r = cli(ws->root(), args);
        setImmutable(path, false);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(StringTable::text(53)), qPrintable(r.err));
        QCOMPARE(fileBytes(path), QByteArray("old contents"));
        QCOMPARE(QDir(ws->root()).entryList(QDir::Files), QStringList{out});
    }

    void chartIntoAPicture()
    {
        CliRun r = cli(ws->root(), {"chart", "Temp/temp03.lg27t", "chart.png"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("2 of 4 channels under the threshold (45 dBuV); 1 not measured"));
        QImage image(ws->path(QStringLiteral("chart.png")));
        QCOMPARE(image.size(), QSize(1280, 720));
        // The warning colour of the bars under the threshold is on the picture.
        bool warning = false;
        for (int y = 0; y < image.height() && !warning; y += 2)
            for (int x = 0; x < image.width() && !warning; x += 2)
                warning = QColor(image.pixel(x, y)) == QColor(0xE0, 0x45, 0x2B);
        QVERIFY(warning);

        r = cli(ws->root(), {"--lang", "es", "chart", "Temp/temp03.lg27t", "small.png", "--size", "640x400"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("2 de 4 canales bajo el umbral (45 dBuV); 1 sin medir"));
        QCOMPARE(QImage(ws->path(QStringLiteral("small.png"))).size(), QSize(640, 400));
        // A wide logger gets a picture wide enough for every label.
        ws->write(QStringLiteral("Temp/wide.lg27t"), manyChannelTvLogger(140));
        r = cli(ws->root(), {"chart", "Temp/wide.lg27t", "wide.png"});
        QCOMPARE(r.status, 0);
        QVERIFY(QImage(ws->path(QStringLiteral("wide.png"))).width() >= 140 * 16);
    }

    // The command ended by SIGTERM while its drawing program works: the drawing ends too, and
    // writes nothing.
    void chartDrawingEndsWithTheCommand()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no SIGTERM: QProcess::terminate() posts WM_CLOSE, which a console program never gets");
#endif
        ws->write(QStringLiteral("Temp/wide.lg27t"), manyChannelTvLogger(140));
        const QString out = ws->path(QStringLiteral("huge.png"));
        QProcess p;
        p.setWorkingDirectory(ws->root());
        p.start(QStringLiteral(KV_CLI_PATH), {"chart", "Temp/wide.lg27t", out, "--size", "10000x10000"});
        QVERIFY(p.waitForStarted());
        QTest::qWait(700);
        QCOMPARE(p.state(), QProcess::Running);
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        auto drawingRuns = [&] {
            for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
                QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
                if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(out.toLocal8Bit()))
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(!drawingRuns(), 2000);
        QTest::qWait(3000);
        QVERIFY(!QFile::exists(out));
    }

    void chartIntoAPdf()
    {
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        const CliRun r = cli(ws->root(), {"chart", "Temp/temp03.lg27t", "chart.PDF"});
        QCOMPARE(r.status, 0);
        QVERIFY(fileBytes(ws->path(QStringLiteral("chart.PDF"))).startsWith("%PDF"));
        const QString text = pdfText(ws->path(QStringLiteral("chart.PDF")));
        QVERIFY2(text.contains(QStringLiteral("2 of 4 channels under the threshold (45 dBuV); 1 not measured")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Datalogger 3 - ROOF A")));
        QVERIFY(text.contains(QStringLiteral("C27")));
    }

    void loggerWithoutMeasurementGivesAnEmptyChart()
    {
        ws->write(QStringLiteral("Temp/blank.lg27t"),
                  tvLoggerHead(1) + tvLoggerLines({QStringLiteral("*HD0&C21&-&-&-&-&-&-&-&-&-&-&-&-&-&-")}));
        const CliRun r = cli(ws->root(), {"chart", "Temp/blank.lg27t", "blank.png"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("No channel measured"));
        QVERIFY(!QImage(ws->path(QStringLiteral("blank.png"))).isNull());
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("export without output") << QStringList{"export", "Temp/temp03.lg27t"};
        QTest::newRow("export, unknown family")
            << QStringList{"export", "Temp/temp03.lg27t", "o.csv", "--family", "fm"};
        QTest::newRow("chart into a jpeg") << QStringList{"chart", "Temp/temp03.lg27t", "o.jpg"};
        QTest::newRow("chart, bad size") << QStringList{"chart", "Temp/temp03.lg27t", "o.png", "--size", "big"};
        QTest::newRow("chart, tiny size") << QStringList{"chart", "Temp/temp03.lg27t", "o.png", "--size", "10x10"};
        QTest::newRow("chart, unknown option") << QStringList{"chart", "Temp/temp03.lg27t", "o.png", "--family", "tv"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const CliRun r = cli(ws->root(), args);
        QCOMPARE(r.status, 2);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(QDir(ws->root()).entryList({QStringLiteral("o.*")}, QDir::Files), QStringList());
    }

    // An output that names the input (also through another path to it) is refused: the logger
    // is never replaced by its own CSV or report.
    void outputThatIsTheInputIsRefused()
    {
        const QByteArray before = ws->read(QStringLiteral("Temp/temp03.lg27t"));
        for (const QStringList &args : {QStringList{"export", "Temp/temp03.lg27t", "Temp/temp03.lg27t"},
                                        QStringList{"export", "Temp/temp03.lg27t", "Temp/../Temp/temp03.lg27t"},
                                        QStringList{"report", "Temp/temp03.lg27t", "Temp/temp03.lg27t"}}) {
            const CliRun r = cli(ws->root(), args);
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains(QStringLiteral("the output would replace the input")), qPrintable(r.err));
            QCOMPARE(ws->read(QStringLiteral("Temp/temp03.lg27t")), before);
        }
    }
};

QTEST_GUILESS_MAIN(TestReportCli)
#include "tst_reportcli.moc"
