// The serial port and the command exchange over a real pseudo-terminal: the test plays the
// meter on the near end.

#include "PtyPair.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "link/CommandLink.h"
#include "link/SerialPort.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <clocale>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

const QByteArray ACK(1, '\x06');
const QByteArray NAK(1, '\x15');

}   // namespace

class TestSerialLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { SerialPort::setExtraDevices({}); }

    void readUntil_data()
    {
        QTest::addColumn<QByteArray>("incoming");
        QTest::addColumn<int>("terminator");
        QTest::addColumn<int>("maxChars");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("line") << QByteArray("*VEKV-27 1.2\r") << 13 << 200 << 13 << QByteArray("*VEKV-27 1.2\r");
        QTest::newRow("xon xoff not counted") << QByteArray("AB\x11"
                                                            "C\x13"
                                                            "D\r")
                                              << 13 << 4 << 5 << QByteArray("ABCD\r");
        QTest::newRow("200 chars") << QByteArray(200, 'x') + '\r' << 13 << 200 << 201 << QByteArray(200, 'x') + '\r';
        QTest::newRow("201 chars") << QByteArray(201, 'x') + '\r' << 13 << 200 << -6 << QByteArray(200, 'x');
        QTest::newRow("nak mid answer") << QByteArray("AB\x15"
                                                      "CD\r")
                                        << 13 << 200 << -5 << QByteArray("AB\x15");
        QTest::newRow("ack terminator") << QByteArray("AB\x06"
                                                      "CD\r")
                                        << 6 << 19 << 3 << QByteArray("AB\x06");
        QTest::newRow("cr ends ack wait") << QByteArray("OK\r\x06") << 6 << 19 << 3 << QByteArray("OK\r");
        QTest::newRow("ack alone") << ACK << 6 << 19 << 1 << ACK;
    }
    void readUntil()
    {
        QFETCH(QByteArray, incoming);
        QFETCH(int, terminator);
        QFETCH(int, maxChars);
        QFETCH(int, result);
        QFETCH(QByteArray, stored);
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        QCOMPARE(port.Open(pty.slavePath()), 0);
        pty.write(incoming);
        QByteArray buf;
        QCOMPARE(port.ReadUntil(char(terminator), maxChars, buf, 1000), result);
        QCOMPARE(buf, stored);
        QCOMPARE(port.Close(), 0);
    }

    void readLineGivesBareLine()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        QCOMPARE(port.Open(pty.slavePath()), 0);
        pty.write("*PN03\rnext\r");
        QByteArray buf;
        QCOMPARE(port.ReadLine(buf, 200, 1000), 6);
        QCOMPARE(buf, QByteArray("*PN03"));
        QCOMPARE(port.ReadLine(buf, 200, 1000), 5);
        QCOMPARE(buf, QByteArray("next"));
        QVERIFY(port.lastByteTick() != 0);
    }

    void silentMeterTimesOutWithoutBurningCpu()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        QCOMPARE(port.Open(pty.slavePath()), 0);
        QByteArray buf;
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        QCOMPARE(port.ReadUntil('\r', 200, buf, 3000), -4);
        const qint64 ms = wall.elapsed();
        const double cpu = cpuSeconds() - cpu0;
        qInfo("silent meter: waited %lld ms, CPU %.1f ms (%.2f%% of one core)", ms, cpu * 1000,
              cpu * 100000 / double(ms));
        QVERIFY(ms >= 2990 && ms < 3500);
        QVERIFY(cpu < 0.05 * double(ms) / 1000);
        // The expiry is recorded as the time of the last byte, for the log line.
        QVERIFY(int(port.lastByteTick() - port.waitStartTick()) >= 2990);
    }

    void hangUpIsASystemFailure()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        QCOMPARE(port.Open(pty.slavePath()), 0);
        QElapsedTimer wall;
        wall.start();
        QByteArray buf;
        std::thread t([&] {
            QThread::msleep(100);
            pty.hangUp();
        });
        const int r = port.ReadUntil('\r', 200, buf, 2000);
        t.join();
        QCOMPARE(r, -3);
        QVERIFY(wall.elapsed() < 1500);
        QCOMPARE(port.Close(), 0);
    }

    void openAndClose()
    {
        PtyPair a, b, c;
        QVERIFY(a.ok() && b.ok() && c.ok());
        SerialPort port;
        QCOMPARE(port.Close(), 0);   // closed port
        QCOMPARE(port.Open(QStringLiteral("COM")), -1);
        QCOMPARE(port.Open(QStringLiteral("0")), -1);
        QCOMPARE(port.Open(QStringLiteral("/nonexistent/ttyX")), -1);
        QVERIFY(port.lastOpenError().contains(QStringLiteral("/nonexistent/ttyX")));
        QVERIFY(!port.isOpen());

        const int system = int(SerialPort::portTable().size());
        SerialPort::setExtraDevices({a.slavePath(), b.slavePath(), c.slavePath()});
        const QString n = QString::number(system + 2);
        QCOMPARE(SerialPort::deviceFor(n), b.slavePath());
        QCOMPARE(SerialPort::deviceFor(QStringLiteral("COM") + n), b.slavePath());
        QCOMPARE(SerialPort::deviceFor(QString::number(system + 4)), QString());
        QCOMPARE(port.Open(QString::number(system + 4)), -1);

        // "COMn" and "n" open the same device: what goes out arrives at the same far end.
        QCOMPARE(port.Open(QStringLiteral("COM") + n), 0);
        QVERIFY(port.isOpen());
        QCOMPARE(port.WriteBlock("one\r", 1000), 4);
        QCOMPARE(port.Open(n), 0);   // reopening closes the previous handle first
        QCOMPARE(port.WriteBlock("two\r", 1000), 4);
        QCOMPARE(b.readAvailable(), QByteArray("one\rtwo\r"));
        QCOMPARE(a.readAvailable(50), QByteArray());
        QCOMPARE(port.Close(), 0);
        QVERIFY(!port.isOpen());
        QCOMPARE(port.Close(), 0);
    }

    void portHeldByAnotherThreadIsNotTaken()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        QCOMPARE(port.Open(pty.slavePath()), 0);
        int otherOpen = 0, otherClose = -7;
        QThread *t = QThread::create([&] {
            otherOpen = port.Open(pty.slavePath());
            otherClose = port.Close();
        });
        t->start();
        QVERIFY(t->wait(5000));
        delete t;
        QCOMPARE(otherOpen, -1);
        QCOMPARE(otherClose, 0);
        QVERIFY(port.isOpen());   // still ours
        QCOMPARE(port.Close(), 0);
    }

    void transact_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("sent");
        const QByteArray long200(200, 'a');
        QTest::newRow("query 200") << QByteArray("*?CS00") << QList<QByteArray>{ACK + long200 + '\r'} << 1 << 201
                                   << long200 << 1;
        QTest::newRow("query 201") << QByteArray("*?CS00") << QList<QByteArray>{ACK + long200 + "b\r"} << 1 << -6
                                   << long200 << 1;
        QTest::newRow("query with xon xoff") << QByteArray("*?PN")
                                             << QList<QByteArray>{"\x11" + ACK
                                                                  + "*PN\x13"
                                                                    "02\x11\r"}
                                             << 2 << 6 << QByteArray("*PN02") << 1;
        QTest::newRow("order ack") << QByteArray("*EP") << QList<QByteArray>{ACK} << 2 << 0 << QByteArray() << 1;
        QTest::newRow("order nak twice") << QByteArray("*EP") << QList<QByteArray>{NAK, NAK} << 2 << -5 << QByteArray()
                                         << 2;
        QTest::newRow("order nak then ack")
            << QByteArray("*TL1") << QList<QByteArray>{NAK, ACK} << 2 << 0 << QByteArray() << 2;
        QTest::newRow("order ack by line")
            << QByteArray("*RS0") << QList<QByteArray>{"OK\r"} << 1 << 3 << QByteArray() << 1;
        QTest::newRow("nak mid answer") << QByteArray("*?CG") << QList<QByteArray>{ACK + "*CG" + NAK} << 1 << -5
                                        << QByteArray("*CG") + NAK << 1;
        QTest::newRow("answer without ack")
            << QByteArray("*?VE") << QList<QByteArray>{"*VEKV-27\r"} << 1 << -4 << QByteArray() << 1;
        QTest::newRow("silent, 2 tries") << QByteArray("*?VE") << QList<QByteArray>{} << 2 << -4 << QByteArray() << 2;
    }
    void transact()
    {
        QFETCH(QByteArray, command);
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, attempts);
        QFETCH(int, result);
        QFETCH(QByteArray, answer);
        QFETCH(int, sent);
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        port.SetTimeout(300);
        QCOMPARE(port.Open(pty.slavePath()), 0);
        pty.startResponder(std::deque<QByteArray>(replies.begin(), replies.end()));
        QByteArray got;
        QCOMPARE(CommandLink::TransactWithRetry(port, command, got, attempts), result);
        if (result >= 0)
            QCOMPARE(got, answer);
        QTRY_COMPARE_WITH_TIMEOUT(int(pty.commands().size()), sent, 1000);
        for (const QByteArray &c : pty.commands())
            QCOMPARE(c, command);
        port.Close();
    }

    // A late answer to a timed-out query must not be taken for the answer of the retry.
    void lateAnswerIsNotTakenForTheNextOne()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        port.SetTimeout(200);
        QCOMPARE(port.Open(pty.slavePath()), 0);
        QByteArray got;
        QCOMPARE(CommandLink::Transact(port, "*?CS00", got), -4);
        pty.write(ACK + "*CSSTALE\r");
        QTest::qWait(100);
        pty.startResponder({ACK + "*CSFRESH\r"});
        port.SetTimeout(2000);   // the responder may be slow on a loaded machine; the stale answer is already there
        QCOMPARE(CommandLink::Transact(port, "*?CS00", got), 9);
        QCOMPARE(got, QByteArray("*CSFRESH"));
    }

    void doubleCrCommandsGoOutWithTwo()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        port.SetTimeout(300);
        QCOMPARE(port.Open(pty.slavePath()), 0);
        pty.startResponder({ACK + "*HD0101\r", ACK + "*HL07\r"});
        QByteArray got;
        QCOMPARE(CommandLink::Transact(port, Cmd::askTvMeasure(1, 1), got), 8);
        QCOMPARE(CommandLink::Transact(port, Cmd::askLoggerHeaderCr(7), got), 6);
        QTRY_COMPARE(pty.rawReceived(), QByteArray("*?HD01001\r\r*?HL07\r\r"));
    }

    void transactionLogs()
    {
        TestWorkspace ws;
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        port.SetTimeout(300);
        QCOMPARE(port.Open(pty.slavePath()), 0);
        pty.startResponder({ACK + "*VEKV-27 v1.2\r", ACK, ACK, NAK});

        const QRegularExpression header(QStringLiteral("^Dia =\\d\\d:\\d\\d:\\d{4}  Hora=\\d\\d:\\d\\d:\\d\\d\r\n"));
        const QRegularExpression query(
            QStringLiteral("^Error=14,Time=\\d+,Answer=\\*VEKV-27 v1.2,Send=\\*\\?VE\r\r\n"));
        const QRegularExpression order(QStringLiteral("^Error=0,Time=\\d+,Send=\\*EP\r\r\n"));

        // First job.
        port.EnableChannelLog(true);
        QCOMPARE(port.logPath(), ws.temp() + QStringLiteral("/chnl00.log"));
        QByteArray got;
        QCOMPARE(CommandLink::Transact(port, Cmd::askVersion(), got), 14);
        QCOMPARE(CommandLink::Transact(port, Cmd::erasePlans(), got), 0);
        port.EnableChannelLog(false);
        QCOMPARE(CommandLink::Transact(port, Cmd::erasePlans(), got), 0);   // log off: no line
        const QString first = QString::fromLatin1(ws.read(QStringLiteral("Temp/chnl00.log")));
        QVERIFY2(header.match(first).hasMatch(), qPrintable(first));
        const QStringList parts = first.split(QStringLiteral("\r\n"));
        QCOMPARE(parts.size(), 4);   // header, query, order, and nothing after the last CR LF
        QVERIFY2(query.match(parts[1] + QStringLiteral("\r\n")).hasMatch(), qPrintable(parts[1]));
        QVERIFY2(order.match(parts[2] + QStringLiteral("\r\n")).hasMatch(), qPrintable(parts[2]));
        QVERIFY(parts[3].isEmpty());

        // Second job: a new file; the first is left as it was.
        port.EnableChannelLog(true);
        QCOMPARE(port.logPath(), ws.temp() + QStringLiteral("/chnl01.log"));
        QCOMPARE(CommandLink::Transact(port, Cmd::restart(), got), -5);
        port.EnableChannelLog(false);
        QCOMPARE(QString::fromLatin1(ws.read(QStringLiteral("Temp/chnl00.log"))), first);
        const QString second = QString::fromLatin1(ws.read(QStringLiteral("Temp/chnl01.log")));
        QVERIFY(
            QRegularExpression(QStringLiteral("\r\nError=-5,Time=\\d+,Send=\\*RS0\r\r\n$")).match(second).hasMatch());

        // The upgrade log has its own series.
        port.EnableUpgradeLog(true);
        QCOMPARE(port.logPath(), ws.temp() + QStringLiteral("/updt00.log"));
        port.EnableUpgradeLog(false);
        QVERIFY(header.match(QString::fromLatin1(ws.read(QStringLiteral("Temp/updt00.log")))).hasMatch());
    }

    void logInMissingFolderIsSkipped()
    {
        TestWorkspace ws;
        app().tempFolder = ws.path(QStringLiteral("gone"));
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort port;
        port.SetTimeout(300);
        QCOMPARE(port.Open(pty.slavePath()), 0);
        pty.startResponder({ACK});
        port.EnableUpgradeLog(true);
        QByteArray got;
        QCOMPARE(CommandLink::Transact(port, Cmd::restartToLoader(), got), 0);
        QVERIFY(!QFile::exists(port.logPath()));
    }

    void commandTable_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("?CS") << Cmd::askPlanName(3) << QByteArray("*?CS03");
        QTest::newRow("?CW") << Cmd::askChannelCount(12) << QByteArray("*?CW12");
        QTest::newRow("?CF") << Cmd::askChannel(2, 7) << QByteArray("*?CF0207");
        QTest::newRow("?CF 3 digits") << Cmd::askChannel(2, 139) << QByteArray("*?CF02139");
        QTest::newRow("PN") << Cmd::setPlanCount(4) << QByteArray("*PN04");
        QTest::newRow("CS") << Cmd::setPlanName(1, "CCIR 50%") << QByteArray("*CS01CCIR 50%");
        QTest::newRow("CW") << Cmd::setChannelCount(1, 7) << QByteArray("*CW01007");
        QTest::newRow("HL") << Cmd::askLoggerHeader(5) << QByteArray("*?HL05");
        QTest::newRow("HL cr") << Cmd::askLoggerHeaderCr(49) << QByteArray("*?HL49\r");
        QTest::newRow("HD part") << Cmd::askModemPart(29, 3) << QByteArray("*?HD2903");
        QTest::newRow("HD measure") << Cmd::askTvMeasure(7, 42) << QByteArray("*?HD07042\r");
        QTest::newRow("FE") << Cmd::eraseSector(11) << QByteArray("*FE11");
        QTest::newRow("SX") << Cmd::firmwareLine("S1130000")
                            << QByteArray("*SX"
                                          "S1130000");
    }
    void commandTable()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, expected);
        QCOMPARE(command, expected);
    }

    void channelLinesIgnoreTheLocale()
    {
        // A comma-decimal locale must not reach the commands.
        const char *old = std::setlocale(LC_ALL, nullptr);
        const QByteArray saved = old ? QByteArray(old) : QByteArray("C");
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        const QByteArray full = Cmd::setChannelFull(0, 5, "E5 &x", 175250.4, 180750.6, -0.5, 1, 2, 6875, 64);
        const QByteArray shortLine = Cmd::setChannelShort(9, 139, "S21", 303250, 306000, 1500.49);
        std::setlocale(LC_ALL, saved.constData());
        QCOMPARE(full, QByteArray("*CF00005&E5 &x&175250&180751&-0&01&02&6875&64"));
        QCOMPARE(shortLine, QByteArray("*CF09139&S21&303250&306000&1500&"));
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
