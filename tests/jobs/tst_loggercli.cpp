// kelvatrone-cli receive-index / receive-logger / receive-all / report / print, run as a
// workshop script would run them, against the simulated meter.

#include "SimulatedMeter.h"
#include "TestWorkspace.h"

#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

}   // namespace

class TestLoggerCli : public QObject {
    Q_OBJECT

    Run cli(const TestWorkspace &ws, const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(ws.root());
        p.start(QStringLiteral(KV_CLI_PATH), QStringList{QStringLiteral("--workspace"), ws.root()} + args);
        Run r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished(1000);
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    // Options that reach the meter: its port and the KV-27 model (no identification).
    static QStringList on(const SimulatedMeter &m)
    {
        return {QStringLiteral("--port"), m.devicePath(), QStringLiteral("--model"), QStringLiteral("KV-27")};
    }

    static QStringList fixture()
    {
        return {QStringLiteral("--loggers"), TestWorkspace::source(QStringLiteral("tests/fixtures/meter"))};
    }

private Q_SLOTS:
    void receiveIndex()
    {
        TestWorkspace ws;
        SimulatedMeter meter(fixture());
        if (!meter.start())
            KV_METER_NOT_STARTED();
        const Run r = cli(ws, on(meter) + QStringList{"receive-index", "--family", "tv"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 50);
        QCOMPARE(lines.at(0), QStringLiteral(" 0  10:32  07/12/26  ROOF"));
        QCOMPARE(lines.at(1), QStringLiteral(" 1  empty"));
        QCOMPARE(lines.at(2), QStringLiteral(" 2  11:05  07/12/26  FLAT 3"));
        QCOMPARE(lines.at(3), QStringLiteral(" 3  empty"));
        QCOMPARE(lines.at(49), QStringLiteral("49  empty"));
        QVERIFY(ws.read("Temp/logger.tlg").contains("\r\n*HL49&--:--&"));
        // The channel-plan check goes first, then the index of the chosen family.
        QCOMPARE(meter.transcript().mid(0, 3), QStringList({"*?CG", "*TL2", "*?HL00"}));

        const Run m = cli(ws, on(meter) + QStringList{"receive-index", "--family", "modem", ws.path("m.tlg")});
        QCOMPARE(m.code, 0);
        QCOMPARE(m.out.count(QLatin1Char('\n')), 30);
        QVERIFY(
            m.out.startsWith(QStringLiteral(" 0  09:15  06/12/26  SHOP\n 1  empty\n 2  14:40  06/12/26  HOUSE 12\n")));
        QVERIFY(ws.read("m.tlg").startsWith("#===="));
    }

    void receiveLoggerAndAll()
    {
        TestWorkspace ws;
        SimulatedMeter meter(fixture());
        if (!meter.start())
            KV_METER_NOT_STARTED();
        Run r = cli(ws, on(meter) + QStringList{"receive-logger", "--family", "modem", "2"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out, ws.temp() + QStringLiteral("/tempcm02.lg27m\n"));
        QVERIFY(ws.read("Temp/tempcm02.lg27m").contains("\r\nINFO=*HL02&14:40&06/12/26&HOUSE 12&NOT REGISTERED&\r\n"));

        r = cli(ws, on(meter) + QStringList{"receive-logger", "--family", "tv", "0", ws.path("roof.lg27t")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, ws.path("roof.lg27t") + QLatin1Char('\n'));
        QVERIFY(ws.read("roof.lg27t").contains("\r\n1,S2,48.25,0.00,7.0, , , , , , ,PAL/BG,5.50,61.2,-12.5,45.0\r\n"));

        r = cli(ws, on(meter) + QStringList{"receive-all", "--family", "tv"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringList({ws.temp() + "/temp00.lg27t", ws.temp() + "/temp02.lg27t",
                                     ws.temp() + "/temp04.lg27t", QString()})
                            .join(QLatin1Char('\n')));
        QVERIFY(!QFile::exists(ws.temp() + "/temp03.lg27t"));
    }

    // A TV logger that ended short is written, listed, and fails the command.
    void incompleteLoggerFailsTheCommand()
    {
        TestWorkspace ws;
        SimulatedMeter meter(fixture() + QStringList{"--fault", "nak:*?HD00002"});
        if (!meter.start())
            KV_METER_NOT_STARTED();
        Run r = cli(ws, on(meter) + QStringList{"receive-logger", "--family", "tv", "0"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, ws.temp() + QStringLiteral("/temp00.lg27t\n"));
        QVERIFY2(r.err.contains(QStringLiteral("Datalogger 0: 2 of 3 measurements received\n")), qPrintable(r.err));
        QVERIFY(ws.read("Temp/temp00.lg27t")
                    .endsWith("\r\n1,S2,48.25,0.00,7.0, , , , , , ,PAL/BG,5.50,61.2,-12.5,45.0\r\n"));

        r = cli(ws, on(meter) + QStringList{"--lang", "es", "receive-all", "--family", "tv"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringList({ws.temp() + "/temp00.lg27t", ws.temp() + "/temp02.lg27t",
                                     ws.temp() + "/temp04.lg27t", QString()})
                            .join(QLatin1Char('\n')));
        QVERIFY2(r.err.contains(QStringLiteral("Registro 0: 2 de 3 medidas recibidas\n")), qPrintable(r.err));
    }

    // A TV logger whose file cannot be written does not stop the run; the run fails, naming it.
    void receiveAllGoesOnPastATvFailure()
    {
        TestWorkspace ws;
        QVERIFY(QDir().mkpath(ws.temp() + "/temp02.lg27t"));   // a folder in the way
        SimulatedMeter meter(fixture());
        if (!meter.start())
            KV_METER_NOT_STARTED();
        const Run r = cli(ws, on(meter) + QStringList{"receive-all", "--family", "tv"});
        QCOMPARE(r.code, 1);
        QCOMPARE(
            r.out,
            QStringList({ws.temp() + "/temp00.lg27t", ws.temp() + "/temp04.lg27t", QString()}).join(QLatin1Char('\n')));
        QVERIFY2(r.err.contains(QStringLiteral("Loggers not received: 2\n")), qPrintable(r.err));
        QVERIFY2(r.err.contains(ErrorCodeText(Err::UnableToOpenFile)), qPrintable(r.err));
    }

    void receptionFailures_data()
    {
        QTest::addColumn<QStringList>("meterArgs");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no channel plan") << QStringList{"--cg-answer", "*CG00"}
                                         << QStringList{"receive-index", "--family", "tv"} << 1
                                         << ErrorCodeText(Err::NoChannelPlan);
        QTest::newRow("meter refuses") << QStringList{"--fault", "nak:*TL"}
                                       << QStringList{"receive-logger", "--family", "modem", "0"} << 1
                                       << ErrorCodeText(Err::CommunicationError);
        QTest::newRow("slot out of range")
            << QStringList() << QStringList{"receive-logger", "--family", "modem", "30"} << 2 << "SLOT is 0 to 29";
        QTest::newRow("family missing") << QStringList() << QStringList{"receive-all"} << 2 << "usage:";
        QTest::newRow("family unknown") << QStringList() << QStringList{"receive-index", "--family", "radio"} << 2
                                        << "usage:";
    }
    void receptionFailures()
    {
        QFETCH(QStringList, meterArgs);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        TestWorkspace ws;
        SimulatedMeter meter(meterArgs);
        if (!meter.start())
            KV_METER_NOT_STARTED();
        const Run r = cli(ws, on(meter) + args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(QDir(ws.temp()).entryList(QDir::Files).isEmpty());
    }

    void portCannotBeOpened()
    {
        TestWorkspace ws;
        const Run r = cli(ws, {"--port", ws.path("no-such-port"), "--model", "KV-27", "receive-all", "--family", "tv"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("cannot be opened")), qPrintable(r.err));
    }

    void reportAndPrint()
    {
        TestWorkspace ws;
        const QByteArray rule = "#=====================================\r\n";
        const QByteArray tv =
            rule + "Kelvatrone :  CONTROL REMOT PROGRAM\r\n" + rule
            + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=4\r\nCHANNEL NUMBER=1\r\n"
              "N,    CH,  FREQ,   OFF, \r\n0,C21,474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , \r\n";
        const QString logger = ws.write("a.lg26t", tv);

        // The family comes from the DEVICE line; the labels from --lang.
        Run r = cli(ws, {"--lang", "es", "report", logger, ws.path("r.txt")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QByteArray report = ws.read("r.txt");
        QVERIFY(report.contains("\r\n[MEDIDAS]\r\n"));
        QVERIFY(report.contains("\xB3   C21\xB3"
                                "474.00\xB3"));

        // Forced to the cable-modem report, the TV file gives none of its sections.
        r = cli(ws, {"report", "--family", "modem", logger, ws.path("m.txt")});
        QCOMPARE(r.code, 0);
        QVERIFY(!ws.read("m.txt").contains("[MEASURES]"));

        const QString unknown = ws.write("u.txt", "LOCATION=x\r\n");
        r = cli(ws, {"report", unknown, ws.path("u-report.txt")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("--family")), qPrintable(r.err));
        QVERIFY(!QFile::exists(ws.path("u-report.txt")));
        r = cli(ws, {"report", ws.path("missing.lg26t"), ws.path("x.txt")});
        QCOMPARE(r.code, 1);

        r = cli(ws,
                {"print", ws.path("r.txt"), "--pdf", ws.path("r.pdf"), "--font-size", "9", "--title", "REGISTRO 4"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("1 page(s) in %1\n").arg(ws.path("r.pdf")));
        QVERIFY(ws.read("r.pdf").startsWith("%PDF"));
        QByteArray title;   // the PDF carries the print job's title in UTF-16
        for (QChar c : QStringLiteral("REGISTRO 4"))
            title += QByteArray(1, char(c.unicode() >> 8)) + char(c.unicode() & 0xFF);
        QVERIFY(ws.read("r.pdf").contains(title));
        // The result line in the language asked for.
        r = cli(ws, {"--lang", "de", "print", ws.path("r.txt"), "--pdf", ws.path("r.pdf")});
        QCOMPARE(r.out, QStringLiteral("1 Seite(n) in %1\n").arg(ws.path("r.pdf")));

        r = cli(ws, {"print", ws.path("r.txt"), "--pdf", ws.path("s.pdf"), "--font-size", "13"});
        QCOMPARE(r.code, 2);
        QVERIFY(!QFile::exists(ws.path("s.pdf")));
        r = cli(ws, {"print", ws.path("none.txt"), "--pdf", ws.path("n.pdf")});
        QCOMPARE(r.code, 1);
        QVERIFY(!QFile::exists(ws.path("n.pdf")));
    }
};

QTEST_GUILESS_MAIN(TestLoggerCli)
#include "tst_loggercli.moc"
