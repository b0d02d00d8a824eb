// kelvatrone-cli check-limits and report-limits: the exit status a script tests (0 only when
// every judged channel passes and one was judged), the failures on standard error, a profile
// with errors refused with its line, the CSV, and the report with the customer's details.

#include "CliRun.h"
#include "LoggerSamples.h"
#include "TestWorkspace.h"

#include <QTest>

namespace {

QByteArray oneChannel(const QByteArray &units, const QByteArray &answer)
{
    return tvLoggerHead(1, "45", units) + tvLoggerLines({QString::fromLatin1(answer)});
}

}   // namespace

class TestLimitsCli : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorkspace> ws;

    CliRun cli(const QStringList &args) { return runCli(args, ws->root()); }

private Q_SLOTS:
    void init() { ws = std::make_unique<TestWorkspace>(); }
    void cleanup() { ws.reset(); }

    void exitStatus_data()
    {
        QTest::addColumn<QByteArray>("logger");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stderrHas");
        QTest::newRow("passes") << oneChannel("dBuV",
                                              "*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&52,3&33,1&1,0E-8&-&-&-&-&-")
                                << 0 << QString();
        QTest::newRow("dBmV at the edge passes")
            << oneChannel("dBmV", "*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&7,0&33,1&1,0E-8&-&-&-&-&-") << 0 << QString();
        QTest::newRow("fails") << sampleTvLogger() << 1 << QStringLiteral("C27: Level 44.9 dBuV is below 47.0 by 2.1");
        QTest::newRow("nothing judged") << oneChannel("dBuV",
                                                      "*HD0&S2&48,25&0,00&7,0&-&-&-&-&-&-&PAL/BG&5,50&61,2&-12,5&45,0")
                                        << 1 << QStringLiteral("S2: The rule sets no limit");
        QTest::newRow("unknown units") << oneChannel("dBW",
                                                     "*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&52,3&33,1&1,0E-8&-&-&-&-&-")
                                       << 1 << QStringLiteral("C21: Unknown units \"dBW\"");
        QTest::newRow("no channel") << tvLoggerHead(0) << 1 << QString();
    }

    void exitStatus()
    {
        QFETCH(QByteArray, logger);
        QFETCH(int, status);
        QFETCH(QString, stderrHas);
        const QString path = ws->write(QStringLiteral("l.lg27t"), logger);
        const CliRun r = cli({QStringLiteral("check-limits"), path});
        QCOMPARE(r.status, status);
        if (!stderrHas.isEmpty())
            QVERIFY2(r.err.contains(stderrHas), qPrintable(r.err));
        if (status == 0)
            QVERIFY(r.err.isEmpty());
    }

    // The table, the summary and the CSV; the workspace's chosen profile is used without
    // --profile; a logger the viewer refuses and a broken profile fail with their reason.
    void tableProfilesAndErrors()
    {
        const QString logger = ws->write(QStringLiteral("roof.lg27t"), sampleTvLogger());
        CliRun r =
            cli({QStringLiteral("check-limits"), logger, QStringLiteral("--csv"), ws->path(QStringLiteral("j.csv"))});
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.contains(QStringLiteral("Limit profile: EN 60728-1 outlet levels")));
        QVERIFY(r.out.contains(QStringLiteral("1 of 5 channels pass; 2 fail; 2 not judged")));
        QVERIFY(ws->read(QStringLiteral("j.csv")).contains("C25,506.00,QAM256,C,DVB-C 256-QAM,-1.5,54..74"));
        // No Limits folder is made by the command line.
        QVERIFY(!QFileInfo::exists(ws->path(QStringLiteral("Limits"))));

        // The workspace's chosen profile; its overlap is said, and the first rule judges.
        ws->write(QStringLiteral("Limits/loose.lim"),
                  "NAME=Loose\r\nRULE=All digital; SR=*; LEVEL=-10..80\r\nRULE=Cable; MOD=QAM64; LEVEL=70..80\r\n");
        ws->write(QStringLiteral("limits.stg"), "PROFILE=loose.lim\r\n");
        r = cli({QStringLiteral("check-limits"), logger});
        QVERIFY(r.out.contains(QStringLiteral("3 of 5 channels pass; 0 fail; 2 not judged")));
        QVERIFY2(r.err.contains(QStringLiteral("loose.lim, line 3: rules 1 (All digital) and 2 (Cable) overlap")),
                 qPrintable(r.err));
        QCOMPARE(r.status, 0);

        const QString broken = ws->write(QStringLiteral("broken.lim"), "NAME=B\r\n\r\nRULE=x; LEVEL=80..70\r\n");
        r = cli({QStringLiteral("check-limits"), logger, QStringLiteral("--profile"), broken});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("broken.lim, line 3: the minimum is above the maximum")),
                 qPrintable(r.err));
        QVERIFY(r.out.isEmpty());

        r = cli({QStringLiteral("check-limits"), ws->write(QStringLiteral("junk.lg27t"), "not a logger")});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("junk.lg27t")));
        QCOMPARE(cli({QStringLiteral("check-limits")}).status, 2);
        QCOMPARE(cli({QStringLiteral("check-limits"), logger, QStringLiteral("--bogus")}).status, 2);
    }

    // The report: the details given, those remembered for the location otherwise, in the
    // language asked; an output that is not a PDF or is the input is refused.
    void reportLimits()
    {
        const QString logger = ws->write(QStringLiteral("roof.lg27t"), sampleTvLogger());
        ws->write(QStringLiteral("limits.stg"),
                  "COMPANY=Antenes Girona\r\nINSTALLER=Jordi\r\n[SITE]\r\nLOCATION=ROOF A\r\n"
                  "CUSTOMER=Remembered Customer\r\nOUTLET=Hall\r\n");
        const QString pdf = ws->path(QStringLiteral("r.pdf"));
        CliRun r = cli({QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("report-limits"), logger, pdf,
                        QStringLiteral("--address"), QStringLiteral("Hauptstraße 3")});
        QCOMPARE(r.status, 0);
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        QString text = pdfText(pdf);
        for (const QString &s : {QStringLiteral("Installationsbericht"), QStringLiteral("Remembered Customer"),
                                 QStringLiteral("Hauptstraße 3"), QStringLiteral("Antenes Girona"),
                                 QStringLiteral("Hall"), QStringLiteral("Gesamtergebnis: Nicht bestanden")})
            QVERIFY2(text.contains(s), qPrintable(s));

        r = cli({QStringLiteral("report-limits"), logger, pdf, QStringLiteral("--customer"), QStringLiteral("Given")});
        QCOMPARE(r.status, 0);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Given")));

        QCOMPARE(cli({QStringLiteral("report-limits"), logger, ws->path(QStringLiteral("r.txt"))}).status, 2);
        QCOMPARE(cli({QStringLiteral("report-limits"), logger, logger}).status, 2);
        QCOMPARE(cli({QStringLiteral("report-limits"), logger}).status, 2);
    }
};

QTEST_GUILESS_MAIN(TestLimitsCli)
#include "tst_limitscli.moc"
