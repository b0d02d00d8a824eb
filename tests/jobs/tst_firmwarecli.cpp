// kelvatrone-cli upgrade against the simulated meter: exit status, what goes to standard
// error, and what the meter received.

#include "SimulatedMeter.h"
#include "TestWorkspace.h"

#include <QProcess>
#include <QtTest>

class FirmwareCliTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void upgrade_data();
    void upgrade();
};

void FirmwareCliTest::upgrade_data()
{
    QTest::addColumn<QStringList>("meterArgs");
    QTest::addColumn<QStringList>("cliArgs");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("stderrHas");
    QTest::addColumn<int>("commands");   // commands the meter received

    const QByteArray fw = "S00600004844521B\r\nS1130000000102030405060708090A0B0C0D0E0F10\r\nS9030000FC\r\n";
    QTest::newRow("chosen model, meter names another")
        << QStringList{QStringLiteral("--after-upgrade-identity"), QStringLiteral("*VEKV-26 v2.00")}
        << QStringList{QStringLiteral("--model"), QStringLiteral("KV-27")} << fw << 0
        << QStringList{QStringLiteral("Upgrade Firmware..."), QStringLiteral("Erasing Sector : 6"),
                       QStringLiteral("Loading Main Program..."),
                       QStringLiteral("Model identified: KV-26 Update to correct firmware")}
        << 1 + 6 + 3 + 1 + 1;
    QTest::newRow("sector refused") << QStringList{QStringLiteral("--fault"), QStringLiteral("nak:*FE3")}
                                    << QStringList{QStringLiteral("--model"), QStringLiteral("KV-27")} << fw << 1
                                    << QStringList{QStringLiteral(
                                           "Communication Error: -96\nStopped at: erase of sector 3 (*FE3)\n")}
                                    << 1 + 1 + 5;
    QTest::newRow("sector refused, in Catalan")
        << QStringList{QStringLiteral("--fault"), QStringLiteral("nak:*FE3")}
        << QStringList{QStringLiteral("--model"), QStringLiteral("KV-27"), QStringLiteral("--lang"),
                       QStringLiteral("ca")}
        << fw << 1 << QStringList{QStringLiteral("\nAturat a: esborrat del sector 3 (*FE3)\n")} << 1 + 1 + 5;
    QTest::newRow("not firmware") << QStringList{} << QStringList{QStringLiteral("--model"), QStringLiteral("KV-27")}
                                  << QByteArray(":10000000FF\r\n") << 1
                                  << QStringList{QStringLiteral("Error : Unable To Open File: -65"),
                                                 QStringLiteral("The file does not begin with \"S\"")}
                                  << 0;
    QTest::newRow("line too long") << QStringList{} << QStringList{QStringLiteral("--model"), QStringLiteral("KV-27")}
                                   << QByteArray("S0\r\nS1" + QByteArray(80, '0') + "\r\n") << 1
                                   << QStringList{QStringLiteral("Error : Unable To Open File: -65"),
                                                  QStringLiteral("Line 2: longer than 75 characters")}
                                   << 0;
    QTest::newRow("control character, in German")
        << QStringList{}
        << QStringList{QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("--model"),
                       QStringLiteral("KV-27")}
        << QByteArray("S0\r\nS1\r\nS2\x07\r\n") << 1 << QStringList{QStringLiteral("Zeile 3: Steuerzeichen")} << 0;
}

void FirmwareCliTest::upgrade()
{
    QFETCH(QStringList, meterArgs);
    QFETCH(QStringList, cliArgs);
    QFETCH(QByteArray, content);
    QFETCH(int, exitCode);
    QFETCH(QStringList, stderrHas);
    QFETCH(int, commands);

    TestWorkspace ws;
    ws.write(QStringLiteral("Version/fw.hx27"), content);
    SimulatedMeter meter(meterArgs);
    QVERIFY(meter.start());

    QProcess cli;
    cli.setProgram(QStringLiteral(KV_CLI_PATH));
    cli.setArguments(QStringList{QStringLiteral("--workspace"), ws.root(), QStringLiteral("--port"), meter.devicePath()}
                     + cliArgs + QStringList{QStringLiteral("upgrade"), QStringLiteral("fw.hx27")});
    cli.start();
    QVERIFY(cli.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    QCOMPARE(cli.exitCode(), exitCode);
    for (const QString &s : stderrHas)
        QVERIFY2(err.contains(s), qPrintable(err));
    QCOMPARE(meter.transcript().size(), commands);
    if (exitCode == 0)
        QVERIFY(QString::fromLocal8Bit(cli.readAllStandardOutput()).contains(QStringLiteral("Firmware sent: fw.hx27")));
}

QTEST_GUILESS_MAIN(FirmwareCliTest)
#include "tst_firmwarecli.moc"
