// Exchanges with the simulated meter and its faults, at the real line rate where it matters.

#include "SimulatedMeter.h"
#include "TestWorkspace.h"
#include "link/CommandLink.h"
#include "link/SerialPort.h"

#include <QTest>

class TestLinkDevice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchange_data()
    {
        QTest::addColumn<QStringList>("meterArgs");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("received");   // how often the meter got the command
        const QStringList id{QStringLiteral("--identity"), QStringLiteral("*VEKV-27 v1.30")};
        QTest::newRow("200 characters") << id
                                               + QStringList{QStringLiteral("--fault"),
                                                             QStringLiteral("length:200:*?VE")}
                                        << QByteArray("*?VE") << 1 << 201
                                        << QByteArray("*VEKV-27 v1.30") + QByteArray(186, '#') << 1;
        QTest::newRow("201 characters") << id
                                               + QStringList{QStringLiteral("--fault"),
                                                             QStringLiteral("length:201:*?VE")}
                                        << QByteArray("*?VE") << 1 << -6 << QByteArray() << 1;
        QTest::newRow("xon/xoff, paced") << id
                                                + QStringList{QStringLiteral("--fault"), QStringLiteral("xonxoff"),
                                                              QStringLiteral("--fault"), QStringLiteral("pace")}
                                         << QByteArray("*?VE") << 2 << 15 << QByteArray("*VEKV-27 v1.30") << 1;
        QTest::newRow("nak, 2 tries") << QStringList{QStringLiteral("--fault"), QStringLiteral("nak:*TL1")}
                                      << QByteArray("*TL1") << 2 << -5 << QByteArray() << 2;
        QTest::newRow("nak once, then ack") << QStringList{QStringLiteral("--fault"), QStringLiteral("nak:*TL2:1")}
                                            << QByteArray("*TL2") << 2 << 0 << QByteArray() << 2;
        QTest::newRow("acknowledged by a line") << QStringList{QStringLiteral("--fault"), QStringLiteral("short:*RS0")}
                                                << QByteArray("*RS0") << 1 << 1 << QByteArray() << 1;
        QTest::newRow("answer without ack") << id + QStringList{QStringLiteral("--fault"), QStringLiteral("noack:*?VE")}
                                            << QByteArray("*?VE") << 1 << -4 << QByteArray() << 1;
        QTest::newRow("silent") << QStringList{QStringLiteral("--fault"), QStringLiteral("silence:*?VE")}
                                << QByteArray("*?VE") << 2 << -4 << QByteArray() << 2;
        QTest::newRow("late answer, retried")
            << id + QStringList{QStringLiteral("--fault"), QStringLiteral("delay:450:*?VE:1")} << QByteArray("*?VE")
            << 2 << 15 << QByteArray("*VEKV-27 v1.30") << 2;
    }
    void exchange()
    {
        QFETCH(QStringList, meterArgs);
        QFETCH(QByteArray, command);
        QFETCH(int, attempts);
        QFETCH(int, result);
        QFETCH(QByteArray, answer);
        QFETCH(int, received);
        TestWorkspace ws;
        SimulatedMeter meter(meterArgs);
        if (!meter.start())
            KV_METER_NOT_STARTED();
        SerialPort port;
        port.SetTimeout(300);
        QCOMPARE(port.Open(meter.devicePath()), 0);
        QByteArray got;
        QCOMPARE(CommandLink::TransactWithRetry(port, command, got, attempts), result);
        if (!answer.isEmpty())
            QCOMPARE(got, answer);
        QCOMPARE(port.Close(), 0);
        QCOMPARE(port.Close(), 0);
        QTRY_COMPARE(meter.transcript().size(), received);
        for (const QString &c : meter.transcript())
            QCOMPARE(c.toLatin1(), command);
    }

    void hangUpMidJob()
    {
        TestWorkspace ws;
        SimulatedMeter meter({QStringLiteral("--fault"), QStringLiteral("hangup:1")});
        if (!meter.start())
            KV_METER_NOT_STARTED();
        SerialPort port;
        port.SetTimeout(1000);
        QCOMPARE(port.Open(meter.devicePath()), 0);
        QByteArray got;
        QCOMPARE(CommandLink::Transact(port, "*TL1", got), 0);
        QElapsedTimer clock;
        clock.start();
        const int r = CommandLink::Transact(port, "*TL2", got);
        QCOMPARE(r, -3);
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(port.Close(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLinkDevice)
#include "tst_linkdevice.moc"
