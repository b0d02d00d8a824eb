// The simulated meter, talked to over its pseudo-terminal with plain POSIX I/O, without the
// program's own link code: what every device test stands on must hold by itself.

#include "SimulatedMeter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr char ACK = 6, NAK = 21, XON = 17, XOFF = 19;

QString fixture(const QString &name)
{
    return QStringLiteral(KV_SOURCE_DIR "/tests/fixtures/meter/") + name;
}

QList<QByteArray> stateLines(const SimulatedMeter &m, const QString &file)
{
    QFile f(m.stateDir() + QLatin1Char('/') + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The host's end of the line, raw, as a serial port program would see it.
class HostPort {
public:
    ~HostPort() { close(); }
    bool open(const QString &path)
    {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return false;
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        return true;
    }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }

    // Reads until `done` says the reply is complete, or until timeoutMs pass.
    template <class Done>
    QByteArray read(Done done, int timeoutMs = 1000)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (!done(got)) {
            const int left = timeoutMs - int(t.elapsed());
            if (left <= 0)
                break;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, left) <= 0)
                break;
            char buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) {
                hungUp = n == 0 || errno == EIO;
                break;
            }
            got.append(buf, int(n));
        }
        return got;
    }
    // One command: an order's reply ends with ACK, NAK or CR; a query's with NAK or CR.
    QByteArray exchange(const QByteArray &command, int timeoutMs = 1000)
    {
        send(command + '\r');
        const bool query = command.size() > 1 && command[1] == '?';
        return read(
            [query](const QByteArray &g) {
                const QByteArray clean = QByteArray(g).replace(XON, "").replace(XOFF, "");
                if (clean == QByteArray(1, NAK))
                    return true;
                if (!query && clean.endsWith(ACK))
                    return true;
                return clean.endsWith('\r');
            },
            timeoutMs);
    }
    // Whatever arrives within ms.
    QByteArray drain(int ms)
    {
        return read([](const QByteArray &) { return false; }, ms);
    }
    bool hungUp = false;

private:
    int fd = -1;
};

QByteArray acked(const QByteArray &answer)
{
    return ACK + answer + '\r';
}
}   // namespace

class TestMeter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchanges_data();
    void exchanges();
    void framingAndReopening();
    void groupScriptReadBack_data();
    void groupScriptReadBack();
    void plansFromFile();
    void loggers();
    void firmware();
    void faults_data();
    void faults();
    void faultTiming();
    void noiseAndAbandonedAnswers();
    void hangup_data();
    void hangup();
    void badOptionsStopTheMeter_data();
    void badOptionsStopTheMeter();
};

void TestMeter::exchanges_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("default identity") << QStringList{} << QByteArray("*?VE") << acked("*VEKV-27 v1.30");
    QTest::newRow("given identity") << QStringList{"--identity", "*VEKV-25 v2.01"} << QByteArray("*?VE")
                                    << acked("*VEKV-25 v2.01");
    QTest::newRow("loader") << QStringList{"--boot"} << QByteArray("*?VE") << acked("BOOT");
    QTest::newRow("loader refuses plans") << QStringList{"--boot"} << QByteArray("*?PN") << QByteArray(1, NAK);
    QTest::newRow("unknown query") << QStringList{} << QByteArray("*?ZZ") << QByteArray(1, NAK);
    QTest::newRow("unknown order") << QStringList{} << QByteArray("*XY12") << QByteArray(1, NAK);
    QTest::newRow("not a command") << QStringList{} << QByteArray("VE") << QByteArray(1, NAK);
    QTest::newRow("order") << QStringList{} << QByteArray("*TL1") << QByteArray(1, ACK);
    QTest::newRow("no ACK after a final star")
        << QStringList{} << QByteArray("*?VE*") << QByteArray("*VEKV-27 v1.30\r");
    QTest::newRow("plans present") << QStringList{} << QByteArray("*?CG") << acked("*CG01");
    QTest::newRow("no plans") << QStringList{"--cg-answer", "*CG00"} << QByteArray("*?CG") << acked("*CG00");
    QTest::newRow("plan count") << QStringList{} << QByteArray("*?PN") << acked("*PN00");
    QTest::newRow("erase outside the loader") << QStringList{} << QByteArray("*FE2") << QByteArray(1, NAK);
    QTest::newRow("firmware line outside the loader")
        << QStringList{} << QByteArray("*SXS0030000FC") << QByteArray(1, NAK);
}

void TestMeter::exchanges()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    SimulatedMeter meter(args);
    QVERIFY(meter.start());
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    QCOMPARE(port.exchange(command), reply);
    QCOMPARE(meter.transcript(), QStringList{QString::fromLatin1(command)});
}

void TestMeter::framingAndReopening()
{
    SimulatedMeter meter;
    QVERIFY(meter.start());
    // The host opens and closes the port many times, as the identification and every job do.
    for (int i = 0; i < 15; ++i) {
        HostPort port;
        QVERIFY(port.open(meter.devicePath()));
        QCOMPARE(port.exchange("*?VE"), acked("*VEKV-27 v1.30"));
    }
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    // A command carrying its own CR goes out with two: one command, one answer.
    port.send("*TL2\r*?HL03\r\r");
    const QByteArray two = port.read([](const QByteArray &g) { return g.count('\r') >= 1; });
    QCOMPARE(two.left(2), QByteArray(1, ACK) + ACK);
    QCOMPARE(port.drain(100), QByteArray());
    // Commands split over several writes, with a stray line feed.
    port.send("*?V");
    QTest::qWait(30);
    port.send("E\n\r");
    QCOMPARE(port.read([](const QByteArray &g) { return g.endsWith('\r'); }), acked("*VEKV-27 v1.30"));
    const QStringList t = meter.transcript();
    QCOMPARE(t.mid(15), (QStringList{"*TL2", "*?HL03", "*?VE"}));
    QCOMPARE(t.size(), 18);
    // The raw record keeps every byte as it came: the doubled CR and the stray line feed too.
    QFile raw(meter.stateDir() + "/received.bin");
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(raw.readAll().endsWith("*?VE\r*TL2\r*?HL03\r\r*?VE\n\r"));
}

void TestMeter::groupScriptReadBack_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QList<QByteArray>>("channels");
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::newRow("ch26") << "ch26"
                          << QList<QByteArray>{"*CF00000&C21&474000000&8000000&0&00&02&6875&129",
                                               "*CF00001&S2&48250000&7000000&-2500000&00&00&6875&00"}
                          << QList<QByteArray>{"*CF00000&C21&474000000&8000000&0&00&02&6875&129",
                                               "*CF00001&S2&48250000&7000000&-2500000&00&00&6875&00"};
    QTest::newRow("ch25") << "ch25"
                          << QList<QByteArray>{"*CF00000&C21&474000000&8000000&0&",
                                               "*CF00001&S2&48250000&7000000&-2500000&"}
                          << QList<QByteArray>{"*CF00000&C21&474000000&8000000&0",
                                               "*CF00001&S2&48250000&7000000&-2500000"};
}

void TestMeter::groupScriptReadBack()
{
    QFETCH(QString, type);
    QFETCH(QList<QByteArray>, channels);
    QFETCH(QList<QByteArray>, answers);
    SimulatedMeter meter({"--plan-type", type, "--plan-file", fixture("ab.ch26")});
    QVERIFY(meter.start());
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    QCOMPARE(port.exchange("*?PN"), acked("*PN01"));

    QList<QByteArray> script{"*FL08",    "*FS000404010400020400030103040202050400060202070201",
                             "*EP",      "*PN02",
                             "*CS00AB",  "*CW00002",
                             "*CS01XYZ", "*CW01000"};
    script += channels;
    script += "*PM01";
    for (const QByteArray &line : script)
        QCOMPARE(port.exchange(line), QByteArray(1, ACK));
    QCOMPARE(port.exchange("*RS0"), QByteArray(1, ACK));
    QCOMPARE(stateLines(meter, "plans-received.txt"), script);

    QCOMPARE(port.exchange("*?PN"), acked("*PN02"));
    QCOMPARE(port.exchange("*?CS00"), acked("*CSAB"));
    QCOMPARE(port.exchange("*?CS01"), acked("*CSXYZ"));
    QCOMPARE(port.exchange("*?CW00"), acked("*CW002"));
    QCOMPARE(port.exchange("*?CW01"), acked("*CW000"));
    QCOMPARE(port.exchange("*?CF0000"), acked(answers[0]));
    QCOMPARE(port.exchange("*?CF0001"), acked(answers[1]));
    // Beyond what it holds, and orders that do not fit what it was told.
    QCOMPARE(port.exchange("*?CF0002"), QByteArray(1, NAK));
    QCOMPARE(port.exchange("*?CS02"), QByteArray(1, NAK));
    QCOMPARE(port.exchange("*CS05QQ"), QByteArray(1, NAK));
    QCOMPARE(port.exchange("*CF01000&C21&474000000&8000000&0&"), QByteArray(1, NAK));
    const QByteArray otherForm = type == "ch26" ? QByteArray("*CF00000&C21&474000000&8000000&0&")
                                                : QByteArray("*CF00000&C21&474000000&8000000&0&00&02&6875&129");
    QCOMPARE(port.exchange(otherForm), QByteArray(1, NAK));
    QCOMPARE(port.exchange("*CF00000&C21&47x000000&8000000&0&00&02&6875&129"), QByteArray(1, NAK));

    QList<QByteArray> held{"*PN02", "*CS00AB", "*CW00002", "*CS01XYZ", "*CW01000"};
    for (const QByteArray &c : channels)
        held << c;
    QCOMPARE(stateLines(meter, "plans-held.txt"), held);
}

void TestMeter::plansFromFile()
{
    SimulatedMeter meter({"--plans", fixture("ab.ch26"), fixture("ab.ch26"), "--cg-answer", "*CG01"});
    QVERIFY(meter.start());
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    QCOMPARE(port.exchange("*?PN"), acked("*PN02"));
    QCOMPARE(port.exchange("*?CS01"), acked("*CSAB"));
    QCOMPARE(port.exchange("*?CW00"), acked("*CW003"));
    // Megahertz from the file become whole hertz, rounded, not truncated through single precision.
    QCOMPARE(port.exchange("*?CF0000"), acked("*CF00000&C21&474000000&8000000&0&00&02&6875&129"));
    QCOMPARE(port.exchange("*?CF0101"), acked("*CF01001&S2&48250000&7000000&-2500000&08&00&6875&00"));
    QCOMPARE(port.exchange("*?CF0002"), acked("*CF00002&C25&471310000&8000000&0&02&05&5057&129"));
    QCOMPARE(port.exchange("*?CF0003"), QByteArray(1, NAK));
}

void TestMeter::loggers()
{
    SimulatedMeter meter({"--loggers", QStringLiteral(KV_SOURCE_DIR "/tests/fixtures/meter")});
    QVERIFY(meter.start());
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    QCOMPARE(port.exchange("*TL2"), QByteArray(1, ACK));
    QCOMPARE(port.exchange("*?HL00"), acked("*HL00&10:32&07/12/26&ROOF&AB&3&&&dBuV&455&"));
    const QByteArray empty = port.exchange("*?HL03");
    QCOMPARE(empty.mid(7, 5), QByteArray("--:--"));   // characters 7 to 11 after the ACK
    QVERIFY(empty.size() > 22);
    QCOMPARE(port.exchange("*?HL01").mid(7, 5), QByteArray("--:--"));
    QCOMPARE(port.exchange("*?HL49").mid(7, 5), QByteArray("--:--"));
    QCOMPARE(port.exchange("*?HL50"), QByteArray(1, NAK));
    QCOMPARE(port.exchange("*?HL04"), acked("*HL04&12:00&08/12/26&EMPTY&AB&0&&&dBuV&0&"));
    QCOMPARE(port.exchange("*?HD00001"), acked("*HD1&S2&48,25&0,00&7,0&-&-&-&-&-&-&PAL/BG&5,50&61,2&-12,5&45,0"));
    QCOMPARE(port.exchange("*?HD02001"), acked("*HD1&C41&634,00&0,25&8,0&QAM64&A&6875&-2,8&31,5&4,0E-9&-&-&-&-&-"));
    QCOMPARE(port.exchange("*?HD00003"), QByteArray(1, NAK));

    QCOMPARE(port.exchange("*TL1"), QByteArray(1, ACK));
    QCOMPARE(port.exchange("*?HL00"), acked("*HL00&09:15&06/12/26&SHOP&REGISTERED&"));
    QCOMPARE(port.exchange("*?HL30"), QByteArray(1, NAK));
    QCOMPARE(port.exchange("*?HL01"), acked("*HL01&--:--&--/--/--&&&"));
    QCOMPARE(port.exchange("*?HD0000"),
             acked("*HD0000&PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&"));
    QCOMPARE(port.exchange("*?HD0002"), acked("*HD0002&10.1.2.33&10.1.0.1&10.1.0.2&modem$cfg.bin&"));
    QCOMPARE(port.exchange("*?HD0003"), acked("*HD0003&10.1.0.1&10&10&\xC8"
                                              "1%&3ms&12ms&5ms&"));
    QCOMPARE(port.exchange("*?HD0201"),
             acked("*HD0201&PWR:58,0dBmV&ATT:0dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QAM16&SR:2560kS/s&"));
    QCOMPARE(port.exchange("*?HD0004"), QByteArray(1, NAK));
}

void TestMeter::firmware()
{
    SimulatedMeter meter(
        {"--identity", "*VEKV-27 v1.30", "--after-upgrade-identity", "*VEKV-26 v3.00", "--erase-delay", "150"});
    QVERIFY(meter.start());
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    QCOMPARE(port.exchange("*RS2"), QByteArray(1, ACK));
    QCOMPARE(port.exchange("*?VE"), acked("BOOT"));
    QCOMPARE(port.exchange("*?PN"), QByteArray(1, NAK));
    QElapsedTimer t;
    t.start();
    QCOMPARE(port.exchange("*FE2"), QByteArray(1, ACK));
    QVERIFY2(t.elapsed() >= 140, "the erase takes its delay");
    const QList<QByteArray> image{"S00600004844521B", "S1130000285F245F2212226A000424290008237C2A", "S9030000FC"};
    for (const QByteArray &l : image)
        QCOMPARE(port.exchange("*SX" + l), QByteArray(1, ACK));
    QCOMPARE(port.exchange("*?VE"), acked("BOOT"));
    QCOMPARE(port.exchange("*RS0"), QByteArray(1, ACK));
    QCOMPARE(port.exchange("*?VE"), acked("*VEKV-26 v3.00"));
    QCOMPARE(stateLines(meter, "firmware.txt"), image);
    QCOMPARE(stateLines(meter, "events.txt"),
             (QList<QByteArray>{"START", "RESTART LOADER", "ERASE 2", "RESTART FROM LOADER"}));
}

void TestMeter::faults_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QList<QByteArray>>("replies");
    const QByteArray ve = acked("*VEKV-27 v1.30");
    const QByteArray nak(1, NAK), ack(1, ACK), none;
    QTest::newRow("nak the second") << QStringList{"nak:*?VE:2"} << QList<QByteArray>{"*?VE", "*?VE", "*?VE"}
                                    << QList<QByteArray>{ve, nak, ve};
    QTest::newRow("nak a range") << QStringList{"nak:*FE2:1-4"}
                                 << QList<QByteArray>{"*RS2", "*FE2", "*FE3", "*FE2", "*FE2", "*FE2", "*FE2"}
                                 << QList<QByteArray>{ack, nak, ack, nak, nak, nak, ack};
    QTest::newRow("nak from the second on")
        << QStringList{"nak:*TL:2-"} << QList<QByteArray>{"*TL1", "*TL2", "*TL1"} << QList<QByteArray>{ack, nak, nak};
    QTest::newRow("silence") << QStringList{"silence:*?VE:1"} << QList<QByteArray>{"*?VE", "*?VE"}
                             << QList<QByteArray>{none, ve};
    QTest::newRow("no ack, query") << QStringList{"noack:*?VE"} << QList<QByteArray>{"*?VE"}
                                   << QList<QByteArray>{"*VEKV-27 v1.30\r"};
    QTest::newRow("no ack, order") << QStringList{"noack:*RS0"} << QList<QByteArray>{"*RS0"}
                                   << QList<QByteArray>{"*RS\r"};
    QTest::newRow("long") << QStringList{"long:*?VE"} << QList<QByteArray>{"*?VE"}
                          << QList<QByteArray>{ack + QByteArray("*VEKV-27 v1.30").leftJustified(250, '#') + '\r'};
    QTest::newRow("exact length") << QStringList{"length:200:*?VE"} << QList<QByteArray>{"*?VE"}
                                  << QList<QByteArray>{ack + QByteArray("*VEKV-27 v1.30").leftJustified(200, '#')
                                                       + '\r'};
    QTest::newRow("short") << QStringList{"short:*?VE:1"} << QList<QByteArray>{"*?VE", "*?VE"}
                           << QList<QByteArray>{acked("*VEKV-27 v"), ve};
    QTest::newRow("short order") << QStringList{"short:*RS0"} << QList<QByteArray>{"*RS0"} << QList<QByteArray>{"\r"};
    QTest::newRow("cut") << QStringList{"cut:*?VE"} << QList<QByteArray>{"*?VE"}
                         << QList<QByteArray>{ack + QByteArray("*VEKV-2")};
    QTest::newRow("xon/xoff") << QStringList{"xonxoff"} << QList<QByteArray>{"*?VE", "*TL1"}
                              << QList<QByteArray>{QByteArray("\x11\x06*VEKV-\x13\x11"
                                                              "27 v1.3\x13\x11"
                                                              "0\r\x11"),
                                                   QByteArray("\x11\x06\x11")};
}

void TestMeter::faults()
{
    QFETCH(QStringList, faults);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QList<QByteArray>, replies);
    QStringList args;
    for (const QString &f : faults)
        args << "--fault" << f;
    SimulatedMeter meter(args);
    QVERIFY(meter.start());
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    for (int i = 0; i < commands.size(); ++i) {
        port.send(commands[i] + '\r');
        // Read for a fixed short time, so that bytes after the expected end would show.
        const QByteArray got = port.drain(replies[i].isEmpty() ? 250 : 120);
        QCOMPARE(got, replies[i]);
    }
    QCOMPARE(meter.transcript().size(), commands.size());
}

void TestMeter::faultTiming()
{
    {
        SimulatedMeter meter({"--fault", "garbage:*?CG", "--fault", "delay:200:*?VE"});
        QVERIFY(meter.start());
        HostPort port;
        QVERIFY(port.open(meter.devicePath()));
        const QByteArray g = port.exchange("*?CG");
        QCOMPARE(g.size(), 42);
        QCOMPARE(g.front(), ACK);
        for (char c : g.mid(1, 40))
            QVERIFY(c != '\r' && c != '\n' && c != ACK && c != NAK && c != XON && c != XOFF);
        QElapsedTimer t;
        t.start();
        QCOMPARE(port.exchange("*?VE"), acked("*VEKV-27 v1.30"));
        QVERIFY(t.elapsed() >= 190);
        t.restart();
        QCOMPARE(port.exchange("*?PN"), acked("*PN00"));
        QVERIFY(t.elapsed() < 150);
    }
    {
        // At 57600 baud, 11 bits a byte: a 200-character answer and its command need about 40 ms.
        SimulatedMeter meter({"--fault", "pace", "--fault", "length:200:*?VE"});
        QVERIFY(meter.start());
        HostPort port;
        QVERIFY(port.open(meter.devicePath()));
        QElapsedTimer t;
        t.start();
        const QByteArray a = port.exchange("*?VE");
        const qint64 ms = t.elapsed();
        QCOMPARE(a.size(), 202);
        const double wire = (5 + 202) * 11.0 / 57.6;
        QVERIFY2(ms >= wire * 0.9 && ms < wire * 1.6,
                 qPrintable(QStringLiteral("%1 ms for %2 ms of wire").arg(ms).arg(wire)));
    }
}

void TestMeter::noiseAndAbandonedAnswers()
{
    SimulatedMeter meter({"--fault", "delay:300:*?CG"});
    QVERIFY(meter.start());
    {
        HostPort port;
        QVERIFY(port.open(meter.devicePath()));
        // An endless line and binary noise are refused, and the meter still answers after them.
        port.send(QByteArray(6000, 'A') + '\r');
        QCOMPARE(port.read([](const QByteArray &g) { return !g.isEmpty(); }), QByteArray(1, NAK));
        QByteArray noise;
        for (int i = 0; i < 2000; ++i)
            noise.append(char((i * 37 + 11) & 0xFF));
        port.send(noise.replace('\r', "") + '\r');
        QCOMPARE(port.drain(150), QByteArray(1, NAK));
        QCOMPARE(port.exchange("*?VE"), acked("*VEKV-27 v1.30"));
        // The host gives up on a slow answer and closes the port.
        port.send("*?CG\r");
        QTest::qWait(50);
    }
    QTest::qWait(400);
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    // Nothing of the abandoned answer reaches the next session.
    QCOMPARE(port.exchange("*?PN"), acked("*PN00"));
    QCOMPARE(meter.transcript().size(), 5);
    QCOMPARE(meter.transcript().at(0).size(), 4096);
}

void TestMeter::hangup_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("after two commands") << "hangup:2";
    QTest::newRow("at the second query") << "hangup:*?VE:2";
}

void TestMeter::hangup()
{
    QFETCH(QString, fault);
    SimulatedMeter meter({"--fault", fault});
    QVERIFY(meter.start());
    HostPort port;
    QVERIFY(port.open(meter.devicePath()));
    QCOMPARE(port.exchange("*?VE"), acked("*VEKV-27 v1.30"));
    QCOMPARE(port.exchange("*TL1"), QByteArray(1, ACK));
    QCOMPARE(port.exchange("*?VE", 500), QByteArray());
    QVERIFY(port.hungUp);
    QCOMPARE(meter.transcript(), (QStringList{"*?VE", "*TL1", "*?VE"}));
    QElapsedTimer t;
    t.start();
    meter.stop();
    QVERIFY(t.elapsed() < 1000);
}

void TestMeter::badOptionsStopTheMeter_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--colour"};
    QTest::newRow("unknown fault") << QStringList{"--fault", "explode:*?VE"};
    QTest::newRow("fault without prefix") << QStringList{"--fault", "nak"};
    QTest::newRow("bad plan type") << QStringList{"--plan-type", "ch27"};
    QTest::newRow("missing plan file") << QStringList{"--plan-file", "/nonexistent/x.ch26"};
    QTest::newRow("not a plan file") << QStringList{"--plan-file", fixture("tv.txt")};
    QTest::newRow("no logger fixtures") << QStringList{"--loggers", "/nonexistent"};
}

void TestMeter::badOptionsStopTheMeter()
{
    QFETCH(QStringList, args);
    SimulatedMeter meter(args);
    QElapsedTimer t;
    t.start();
    QVERIFY(!meter.start());
    QVERIFY(t.elapsed() < 3000);
}

QTEST_GUILESS_MAIN(TestMeter)
#include "tst_meter.moc"
