// kelvatrone-cli's own options: the version, the help, usage errors, and logger commands for a
// model that has no datalogger.

#include "TestWorkspace.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include "CliRun.h"

namespace {

}   // namespace

class TestCliUsage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionAndHelp_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("--version") << QStringList{"--version"} << "Kelvatrone v1.15";
        QTest::newRow("--version after an option") << QStringList{"--lang", "de", "--version"} << "Kelvatrone v1.15";
        QTest::newRow("--help") << QStringList{"--help"} << "usage: kelvatrone-cli";
        QTest::newRow("-h") << QStringList{"-h"} << "usage: kelvatrone-cli";
        QTest::newRow("help") << QStringList{"help"} << "usage: kelvatrone-cli";
        QTest::newRow("nothing") << QStringList{} << "usage: kelvatrone-cli";
    }
    void versionAndHelp()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, firstLine);
        TestWorkspace ws;
        const CliRun r = runCli(args, ws.root());
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith(firstLine), qPrintable(r.out));
        QVERIFY(r.err.isEmpty());
        if (firstLine.startsWith("usage"))
            QVERIFY(r.out.contains("  --version") && r.out.contains("  check-plan FILE..."));
        else
            QCOMPARE(r.out, firstLine + '\n');
    }

    // A usage error is exit status 2 with a message, never the help and 0.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("value is a command") << QStringList{"--port", "info"} << "option --port needs a value";
        QTest::newRow("value is help") << QStringList{"--model", "help"} << "option --model needs a value";
        QTest::newRow("no value") << QStringList{"--workspace"} << "option --workspace needs a value";
        QTest::newRow("value is an option")
            << QStringList{"--port", "--lang", "de", "info"} << "option --port needs a value";
        QTest::newRow("unknown option") << QStringList{"--colour", "red", "info"} << "unknown option --colour";
        QTest::newRow("unknown command") << QStringList{"fly"} << "unknown command: fly";
        QTest::newRow("unknown language") << QStringList{"--lang", "fr", "info"} << "unknown language fr";
        // An empty list would mean the machine's own ports; 41 cannot all be numbered.
        QTest::newRow("empty port list") << QStringList{"--ports", "", "identify"}
                                         << "--ports needs at least one device";
        QTest::newRow("only commas") << QStringList{"--ports", ",,", "identify"} << "--ports needs at least one device";
        QStringList many;
        for (int i = 0; i < 41; ++i)
            many << QStringLiteral("/dev/pts/%1").arg(100 + i);
        QTest::newRow("41 ports") << QStringList{"--ports", many.join(','), "identify"}
                                  << "--ports takes at most 40 devices (41 given)";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        TestWorkspace ws;
        const CliRun r = runCli(args, ws.root());
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    // KV-24 (type code 0) has no datalogger: its logger commands say so and write nothing.
    void loggersOfAModelWithout_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("message");
        QTest::newRow("receive-index") << QStringList{"receive-index", "--family", "tv"} << "en"
                                       << "KV-24 has no datalogger";
        QTest::newRow("receive-logger") << QStringList{"receive-logger", "--family", "modem", "0"} << "en"
                                        << "KV-24 has no datalogger";
        QTest::newRow("receive-all, Spanish") << QStringList{"receive-all", "--family", "tv"} << "es"
                                              << "KV-24 no tiene registro";
    }
    // A model that keeps loggers but names no file type for one family: nothing is received
    // under a name like "temp00.".
    void loggersWithoutAFileType()
    {
        TestWorkspace ws;
        ws.write("models.txt", "1;KV-9;hx9;ch26;tx26;1;lg27m;;\r\n");
        for (const QStringList &command :
             {QStringList{"receive-logger", "--family", "tv", "0"}, QStringList{"receive-all", "--family", "tv"}}) {
            const CliRun r = runCli(
                QStringList{"--workspace", ws.root(), "--port", ws.path("no-such-port"), "--model", "KV-9"} + command,
                ws.root());
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains("KV-9 has no file type for these loggers"), qPrintable(r.err));
            QCOMPARE(QDir(ws.temp()).entryList(QDir::Files), QStringList());
        }
    }

    void loggersOfAModelWithout()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, lang);
        QFETCH(QString, message);
        TestWorkspace ws;
        // No meter on this port: the model's check comes before anything reaches a port.
        const CliRun r = runCli(
            QStringList{"--workspace", ws.root(), "--port", ws.path("no-such-port"), "--model", "KV-24", "--lang", lang}
                + command,
            ws.root());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, message + '\n');
        QCOMPARE(QDir(ws.temp()).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCliUsage)
#include "tst_cliusage.moc"
