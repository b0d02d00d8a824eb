// Serial ports as the user meets them: the port table with its details, the scan that asks
// every port at once (command line with --ports, windows through the same table), why a port
// did not open, and the port choice of the settings window.

#include "../link/PtyPair.h"
#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/windows/MainWindowView.h"
#include "app/windows/Prompts.h"
#include "app/windows/Seleccioport.h"
#include "app/windows/Wait.h"
#include "link/ErrorCodes.h"
#include "link/PortMessages.h"
#include "link/PortSearch.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QThread>
#include <algorithm>
#include <grp.h>
#include <sys/stat.h>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

// The short name the port table gives a device path.
QString shortNameOf(const QString &device)
{
    PortEntry e;
    e.device = device;
    return e.shortName();
}

}   // namespace

namespace {

// One port of a scenario: "silent" (a pseudo-terminal nobody answers on), "nak" (answers every
// command with NAK), "meter" (the simulated meter, KV-26) or "boot" (a meter in its loader).
class ScenarioPort {
public:
    explicit ScenarioPort(const QString &kind) : kind(kind)
    {
        if (kind == QLatin1String("meter") || kind == QLatin1String("boot")) {
            meter = std::make_unique<SimulatedMeter>(
                kind == QLatin1String("boot")
                    ? QStringList{QStringLiteral("--boot")}
                    : QStringList{QStringLiteral("--identity"), QStringLiteral("*VEKV-26 v1.10")});
            ok = meter->start();
            return;
        }
        pty = std::make_unique<PtyPair>();
        ok = pty->ok();
        if (ok && kind == QLatin1String("nak"))
            pty->startResponder({QByteArray("\x15"), QByteArray("\x15")});
    }
    QString device() const { return meter ? meter->devicePath() : pty->slavePath(); }
    // Every byte the port received, in order.
    QByteArray received() const
    {
        if (meter) {
            QByteArray bytes;
            for (const QString &line : meter->transcript())
                bytes += line.toLatin1() + '\r';
            return bytes;
        }
        if (kind == QLatin1String("nak"))
            return pty->rawReceived();
        return pty->readAvailable(50);
    }

    QString kind;
    bool ok = false;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<SimulatedMeter> meter;
};

using Scenario = std::vector<std::unique_ptr<ScenarioPort>>;

bool makeScenario(const QStringList &kinds, Scenario &ports, QStringList &devices)
{
    for (const QString &k : kinds) {
        ports.push_back(std::make_unique<ScenarioPort>(k));
        if (!ports.back()->ok)
            return false;
        devices << ports.back()->device();
    }
    return true;
}

const QByteArray kTwoAsks = "*?VE\r*?VE\r";

// What each port must have received when port `chosen` (1-based, 0 for none) decided the scan:
// the ports before it were asked twice unless they answered; the ones after it were stopped,
// with at most the first question sent.
void checkBytes(const Scenario &ports, int chosen)
{
    for (int i = 0; i < int(ports.size()); ++i) {
        const QByteArray got = ports[size_t(i)]->received();
        const QString what = QStringLiteral("port %1 (%2) received \"%3\"")
                                 .arg(i + 1)
                                 .arg(ports[size_t(i)]->kind, QString::fromLatin1(got.toPercentEncoding()));
        const bool answers = ports[size_t(i)]->meter != nullptr;
        if (chosen == 0 || i + 1 < chosen)
            QVERIFY2(got == (answers ? QByteArray("*?VE\r") : kTwoAsks), qPrintable(what));
        else if (i + 1 == chosen)
            QVERIFY2(got == "*?VE\r", qPrintable(what));
        else
            QVERIFY2(got.isEmpty() || got == "*?VE\r" || (answers && got == "*?VE\r"), qPrintable(what));
    }
}

class FakeMainWindow : public QWidget, public MainWindowView {
public:
    FakeMainWindow() { resize(1078, 571); }
    QWidget *widget() override { return this; }
    void setModelLabel(const QString &text) override { model = text; }
    void setPortLabel(const QString &text, const QColor &) override { labels << text; }
    void refreshCommands() override {}
    QString model;
    QStringList labels;
};

// A machine of the test's own: a USB adapter with a by-id link and a built-in port.
QList<PortEntry> describedMachine()
{
    PortEntry usb;
    usb.device = QStringLiteral("/dev/ttyUSB0");
    usb.byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9XK3L-if00-port0");
    usb.description = QStringLiteral("FT232R USB UART");
    usb.manufacturer = QStringLiteral("FTDI");
    usb.serialNumber = QStringLiteral("A9XK3L");
    usb.vendorId = 0x0403;
    usb.productId = 0x6001;
    PortEntry builtIn;
    builtIn.device = QStringLiteral("/dev/ttyS0");
    PortEntry second;
    second.device = QStringLiteral("/dev/ttyS10");
    PortEntry third;
    third.device = QStringLiteral("/dev/ttyS2");
    return {usb, second, builtIn, third};
}

struct RunResult {
    int exitCode = -1;
    QString out;
    QString err;
};

RunResult runCli(const QString &workspace, const QStringList &args, int timeoutMs = 30000)
{
    QProcess cli;
    cli.start(QStringLiteral(KV_CLI_PATH), QStringList{QStringLiteral("--workspace"), workspace} + args);
    RunResult r;
    if (!cli.waitForFinished(timeoutMs))
        return r;
    r.exitCode = cli.exitCode();
    r.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return r;
}

}   // namespace

class TestPorts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The machine's own serial ports are never asked: a test lists its pseudo-terminals.
    void init()
    {
        PortTable::setSystemLister([] { return QList<PortEntry>{}; });
    }
    void cleanup()
    {
        PortTable::setRunDevices({});
        PortTable::setSystemLister({});
        SerialPort::setExtraDevices({});
        thePort().Close();
        thePort().SetTimeout(3000);
    }

    // The table's order and the details of each port, as the command line lists them.
    void tableOrderAndDetails()
    {
        PortTable::setSystemLister(describedMachine);
        SerialPort::setExtraDevices({QStringLiteral("/dev/pts/7"), QStringLiteral("/dev/ttyS2")});
        const QList<PortEntry> table = PortTable::build();
        QCOMPARE(PortTable::devices(table),
                 (QStringList{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS2"), QStringLiteral("/dev/ttyS10"),
                              QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/pts/7")}));
        QCOMPARE(PortTable::choiceLine(4, table[3]), QStringLiteral("COM4  ttyUSB0  FT232R USB UART"));
        QCOMPARE(PortTable::choiceLine(5, table[4]), QStringLiteral("COM5  pts/7"));
        QCOMPARE(table[3].vendorProduct(), QStringLiteral("0403:6001"));
        QCOMPARE(SerialPort::deviceFor(QStringLiteral("COM4")), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(SerialPort::deviceFor(QStringLiteral("6")), QString());
        // A list for the run replaces the table, keeping the system's details of its ports.
        PortTable::setRunDevices({QStringLiteral("/dev/pts/9"), QStringLiteral("/dev/ttyUSB0")});
        const QList<PortEntry> run = PortTable::build();
        QCOMPARE(PortTable::devices(run), (QStringList{QStringLiteral("/dev/pts/9"), QStringLiteral("/dev/ttyUSB0")}));
        QCOMPARE(run[1].serialNumber, QStringLiteral("A9XK3L"));
    }

    void cliListsTheTable()
    {
        TestWorkspace ws;
        PtyPair a, b;
        QVERIFY(a.ok() && b.ok());
        const RunResult r =
            runCli(ws.root(), {QStringLiteral("--ports"), a.slavePath() + QLatin1Char(',') + b.slavePath(),
                               QStringLiteral("ports")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(
            r.out,
            QStringLiteral("COM1\t%1\t-\t-\t-\t-\t-\nCOM2\t%2\t-\t-\t-\t-\t-\n").arg(a.slavePath(), b.slavePath()));
    }

    // The table is built once a scan, however many ports it asks.
    void scanListsTheSystemOnce()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        int listings = 0;
        PortTable::setSystemLister([&listings] {
            ++listings;
            return QList<PortEntry>{};
        });
        PtyPair silent;
        QVERIFY(silent.ok());
        SerialPort::setExtraDevices({silent.slavePath(), QStringLiteral("/nonexistent/port")});
        thePort().SetTimeout(50);
        struct Host : PortSearchHost {
            void portTried(int, bool) override {}
            bool chooseManually(const QString &) override { return false; }
        } host;
        const PortSearchResult r = searchPorts(thePort(), host);
        QCOMPARE(r.code, -1);
        QCOMPARE(r.portNumber, 40);
        QCOMPARE(listings, 1);
    }

    void cliScan_data()
    {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<int>("chosen");   // 0: none
        QTest::addColumn<int>("exitCode");
        QTest::newRow("meter last behind silent ports")
            << QStringList{QStringLiteral("silent"), QStringLiteral("silent"), QStringLiteral("silent"),
                           QStringLiteral("meter")}
            << 4 << 0;
        QTest::newRow("meter between a NAK port and a silent one")
            << QStringList{QStringLiteral("nak"), QStringLiteral("meter"), QStringLiteral("silent")} << 2 << 0;
        QTest::newRow("loader before a meter")
            << QStringList{QStringLiteral("boot"), QStringLiteral("meter")} << 1 << 1;
        QTest::newRow("no meter anywhere")
            << QStringList{QStringLiteral("silent"), QStringLiteral("nak"), QStringLiteral("silent")} << 0 << 1;
    }
    // The command line's identify over pseudo-terminals given with --ports (3 s time-out).
    void cliScan()
    {
        QFETCH(QStringList, kinds);
        QFETCH(int, chosen);
        QFETCH(int, exitCode);
        TestWorkspace ws;
        Scenario ports;
        QStringList devices;
        if (!makeScenario(kinds, ports, devices))
            KV_METER_NOT_STARTED();
        QElapsedTimer clock;
        clock.start();
        const RunResult r =
            runCli(ws.root(), {QStringLiteral("--ports"), devices.join(QLatin1Char(',')), QStringLiteral("identify")});
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(r.exitCode, exitCode);
        if (chosen > 0 && exitCode == 0)
            QCOMPARE(r.out, QStringLiteral("COM%1-> KV-26\n").arg(chosen));
        if (exitCode != 0)
            QVERIFY2(r.err.contains(ErrorCodeText(chosen ? Err::ManualSelection : Err::NotRecognized)),
                     qPrintable(r.err));
        // The ports being asked are named on standard error.
        QVERIFY2(r.err.contains(QStringLiteral("Asking: COM1 (%1)").arg(shortNameOf(devices[0]))), qPrintable(r.err));
        // A meter in its loader: its port and the way on (--model) are named.
        if (exitCode != 0 && chosen)
            QVERIFY2(r.err.contains(StringTable::text(310).arg(QStringLiteral("COM%1").arg(chosen)).left(30)),
                     qPrintable(r.err));
        checkBytes(ports, chosen);
        // One port's wait (two 3 s tries) and a margin; asking in turn would take 6 s a port.
        QVERIFY2(elapsed < 6000 + 2500, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    }

    void windowScan_data()
    {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("questions");
        QTest::newRow("meter last behind silent ports")
            << QStringList{QStringLiteral("silent"), QStringLiteral("silent"), QStringLiteral("silent"),
                           QStringLiteral("meter")}
            << 4 << 0;
        QTest::newRow("meter between a NAK port and a silent one")
            << QStringList{QStringLiteral("nak"), QStringLiteral("meter"), QStringLiteral("silent")} << 2 << 0;
        QTest::newRow("loader before a meter: Yes goes on")
            << QStringList{QStringLiteral("boot"), QStringLiteral("meter"), QStringLiteral("boot")} << 2 << 1;
        QTest::newRow("no meter anywhere")
            << QStringList{QStringLiteral("silent"), QStringLiteral("nak"), QStringLiteral("silent")} << 0 << 0;
    }
    // Auto Identify over the same table seam, with a 400 ms time-out.
    void windowScan()
    {
        QFETCH(QStringList, kinds);
        QFETCH(int, chosen);
        QFETCH(int, questions);
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        Scenario ports;
        QStringList devices;
        if (!makeScenario(kinds, ports, devices))
            KV_METER_NOT_STARTED();
        PortTable::setRunDevices(devices);
        const int timeout = 400;
        thePort().SetTimeout(timeout);

        FakeMainWindow main;
        main.show();
        ScriptedPrompter prompter;
        prompter.expectMessage();
        TWait *wait = waitWindow(main);
        QStringList asked;
        QString askedWhileSearching;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (wait->isVisible() && !wait->isModal() && wait->Label2->isVisible() && askedWhileSearching.isEmpty()) {
                askedWhileSearching = wait->Label2->text();
                saveScreenshot(wait, QStringLiteral("identification-asking"));
            }
            if (wait->isVisible() && wait->isModal() && wait->ButtonYes->isVisible()) {
                asked << wait->Label1->text();
                QTest::mouseClick(wait->ButtonYes, Qt::LeftButton);
            }
        });
        answer.start(10);
        QElapsedTimer clock;
        clock.start();
        autoIdentify(main);
        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 15000);
        const qint64 elapsed = clock.elapsed();
        answer.stop();

        QCOMPARE(asked.size(), questions);
        if (questions)
            QCOMPARE(asked.first(), StringTable::text(192) + QStringLiteral("1"));
        QCOMPARE(prompter.pending(), 0);
        if (chosen) {
            QCOMPARE(prompter.messageTexts(), QStringList{QStringLiteral("COM%1-> KV-26").arg(chosen)});
            QCOMPARE(app().PortName, QString::number(chosen));
            QCOMPARE(main.labels.last(), PortTable::numberWithDevice(chosen, devices[chosen - 1]));
        } else {
            QCOMPARE(prompter.messageTexts(), QStringList{ErrorCodeText(Err::NotRecognized)});
            QCOMPARE(main.labels.last(), QStringLiteral("COM ?"));
        }
        // While the ports were asked, the window named them.
        // (A scan that ends at once may end before the timer looks: the line keeps its text.)
        if (questions == 0) {
            const QString shown = askedWhileSearching.isEmpty() ? wait->Label2->text() : askedWhileSearching;
            QVERIFY2(shown.startsWith(StringTable::text(286).arg(QStringLiteral("COM"))), qPrintable(shown));
        }
        QVERIFY(std::any_of(main.labels.begin(), main.labels.end(),
                            [](const QString &l) { return l.startsWith(QLatin1String("COM1, COM2")); }));
        checkBytes(ports, chosen);
        // One port's wait (two tries) and a margin, where asking in turn needs one a port.
        QVERIFY2(elapsed < 2 * timeout + 900, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        QVERIFY(!thePort().isOpen());
    }

    // A port vanishing mid-scan is a silent port; a by-id link that points nowhere is a
    // missing port; a path that is no terminal is refused before anything is written.
    void badPorts()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        auto vanishing = std::make_unique<PtyPair>();
        SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-26 v1.10")});
        if (!vanishing->ok() || !meter.start())
            KV_METER_NOT_STARTED();
        PortTable::setRunDevices({vanishing->slavePath(), meter.devicePath()});
        thePort().SetTimeout(400);
        struct Host : PortSearchHost {
            void portTried(int, bool) override {}
            bool chooseManually(const QString &) override { return false; }
        } host;
        QElapsedTimer clock;
        clock.start();
        std::thread pull([&] {
            QThread::msleep(100);
            vanishing->hangUp();
        });
        const PortSearchResult r = searchPorts(thePort(), host);
        pull.join();
        QCOMPARE(r.code, 1);
        QCOMPARE(r.portNumber, 2);
        QVERIFY(clock.elapsed() < 3000);

        const QString dangling = ws.path(QStringLiteral("usb-gone-if00-port0"));
        QVERIFY(QFile::link(ws.path(QStringLiteral("no-device")), dangling));
        QCOMPARE(thePort().Open(dangling), -1);
        QCOMPARE(thePort().lastFailure().kind, PortFailure::Kind::Missing);
        QVERIFY(portFailureText(thePort().lastFailure()).startsWith(StringTable::text(275).arg(dangling)));
        {
            // The windows' "Not Free Port" says why.
            ScriptedPrompter prompter;
            prompter.expectMessage();
            ShowErrorCode(Err::NotFreePort, nullptr);
            QCOMPARE(prompter.messageTexts(), QStringList{ErrorCodeText(Err::NotFreePort) + QStringLiteral("\n\n")
                                                          + portFailureText(thePort().lastFailure())});
        }

        const QString plain = ws.write(QStringLiteral("not-a-port"), "keep");
        QCOMPARE(thePort().Open(plain), -1);
        QCOMPARE(thePort().lastFailure().kind, PortFailure::Kind::NotTerminal);
        QCOMPARE(ws.read(QStringLiteral("not-a-port")), QByteArray("keep"));
        QCOMPARE(thePort().Open(QStringLiteral("/dev/null")), -1);
        QCOMPARE(thePort().lastFailure().kind, PortFailure::Kind::NotTerminal);
        QCOMPARE(portFailureText(thePort().lastFailure()), StringTable::text(284).arg(QStringLiteral("/dev/null")));
        // The command line says the same, in the language asked for.
        const RunResult cli =
            runCli(ws.root(), {QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("--port"), plain,
                               QStringLiteral("send"), QStringLiteral("*?VE")});
        QCOMPARE(cli.exitCode, 1);
        QVERIFY2(cli.err.contains(StringTable::text(284, 2).arg(plain)), qPrintable(cli.err));
        QCOMPARE(ws.read(QStringLiteral("not-a-port")), QByteArray("keep"));
    }

    // A device that another program holds open without a lock file is not asked (that program
    // would read the meter's answer, or the query): the search passes it by and says who holds it.
    void portHeldByAnotherProgramIsNotAsked()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        PtyPair held;
        QVERIFY(held.ok());
        QProcess holder;
        holder.start(QStringLiteral("bash"),
                     {QStringLiteral("-c"), QStringLiteral("exec 3<>'%1'; sleep 30").arg(held.slavePath())});
        QVERIFY(holder.waitForStarted());
        QTest::qWait(300);
        PortTable::setRunDevices({held.slavePath()});
        thePort().SetTimeout(300);
        struct Host : PortSearchHost {
            void portTried(int, bool) override {}
            void portNotOpened(int, const PortFailure &why) override { failures << why; }
            bool chooseManually(const QString &) override { return false; }
            QList<PortFailure> failures;
        } host;
        const PortSearchResult r = searchPorts(thePort(), host);
        QCOMPARE(r.code, -1);
        QVERIFY(held.readAvailable(300).isEmpty());   // nothing was written to it
        QCOMPARE(host.failures.size(), 1);
        QCOMPARE(host.failures.first().kind, PortFailure::Kind::Busy);
        QCOMPARE(host.failures.first().pid, holder.processId());
        holder.kill();
        holder.waitForFinished();
    }

    // A port of the table that is no terminal: the search passes it by without writing to it,
    // and after finding nothing the window says why that port was not asked.
    void windowScanTellsWhyAPortWasNotAsked()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        PtyPair silent;
        QVERIFY(silent.ok());
        const QString plain = ws.write(QStringLiteral("not-a-port"), "keep");
        PortTable::setRunDevices({plain, silent.slavePath()});
        thePort().SetTimeout(100);
        FakeMainWindow main;
        main.show();
        ScriptedPrompter prompter;
        prompter.expectMessage();
        prompter.expectMessage();
        autoIdentify(main);
        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 10000);
        QCOMPARE(prompter.messageTexts(), (QStringList{ErrorCodeText(Err::NotRecognized),
                                                       QStringLiteral("COM1: ") + StringTable::text(284).arg(plain)}));
        QCOMPARE(ws.read(QStringLiteral("not-a-port")), QByteArray("keep"));
        QCOMPARE(silent.readAvailable(50), kTwoAsks);
    }

    // Permission denied, seen by a user without the right to the device: the command line runs
    // with a dropped user id (the suite runs as root here and in CI).
    void permissionDenied()
    {
        if (geteuid() != 0)
            QSKIP("needs root to run the probe under another user id");
        PtyPair pty;
        QVERIFY(pty.ok());
        // A workspace and a catalogue the unprivileged user can read.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                              | QFileDevice::ExeGroup);
        auto asNobody = [&] {
            QProcess cli;
            cli.setChildProcessModifier([] {
                // nobody/nogroup; only async-signal-safe calls between fork and exec
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(97);
            });
            cli.start(QStringLiteral(KV_CLI_PATH), {QStringLiteral("--workspace"), dir.path(), QStringLiteral("--port"),
                                                    pty.slavePath(), QStringLiteral("send"), QStringLiteral("*?VE")});
            if (!cli.waitForFinished(20000) || cli.exitCode() == 97 || cli.error() == QProcess::FailedToStart)
                return QString();
            return cli.exitCode() == 1 ? QString::fromLocal8Bit(cli.readAllStandardError())
                                       : QStringLiteral("(opened)");
        };
        // Only its owner may open it (a group that may only write, as devpts gives "tty", or
        // root's group): no group to join is named, and no command.
        QVERIFY(::chown(QFile::encodeName(pty.slavePath()).constData(), 0, 0) == 0);
        QVERIFY(::chmod(QFile::encodeName(pty.slavePath()).constData(), 0600) == 0);
        QString err = asNobody();
        if (err.isEmpty())
            QSKIP("the command line cannot be started under another user id here");
        QVERIFY2(err.contains(StringTable::text(306, 0).arg(pty.slavePath(), QStringLiteral("root"))), qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral("usermod")), qPrintable(err));

        // A group that may read and write it: join it, then log in again.
        const gid_t dialout = 20;
        QVERIFY(::chown(QFile::encodeName(pty.slavePath()).constData(), 0, dialout) == 0);
        QVERIFY(::chmod(QFile::encodeName(pty.slavePath()).constData(), 0660) == 0);
        err = asNobody();
        const QString group = QFileInfo(pty.slavePath()).group();
        QVERIFY2(err.contains(StringTable::text(278, 0).arg(pty.slavePath(), group)), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("sudo usermod -aG %1 nobody").arg(group)), qPrintable(err));
        QVERIFY2(err.contains(StringTable::text(280, 0)), qPrintable(err));
        QVERIFY(pty.readAvailable(50).isEmpty());

        // A member by the user database whose session has not the group yet.
        PortFailure joined;
        joined.kind = PortFailure::Kind::PermissionDenied;
        joined.device = QStringLiteral("/dev/ttyUSB0");
        joined.group = QStringLiteral("dialout");
        joined.user = QStringLiteral("tech");
        joined.memberNotYetActive = true;
        const QString advice = portFailureText(joined);
        QVERIFY2(advice.contains(StringTable::text(305, 0).arg(QStringLiteral("dialout")))
                     && !advice.contains("usermod"),
                 qPrintable(advice));
    }

    // Busy: another process holds the port; it is named with its process id.
    void busyPort()
    {
        TestWorkspace ws;
        PtyPair pty;
        QVERIFY(pty.ok());
        QProcess holder;
        holder.start(QStringLiteral(KV_CLI_PATH), {QStringLiteral("--workspace"), ws.root(), QStringLiteral("--port"),
                                                   pty.slavePath(), QStringLiteral("send"), QStringLiteral("*?VE")});
        QVERIFY(holder.waitForStarted());
        // The holder has the port open once its question arrives.
        QByteArray got;
        for (int i = 0; i < 50 && !got.contains('\r'); ++i)
            got += pty.readAvailable(100);
        QVERIFY(got.startsWith("*?VE\r"));
        QCOMPARE(thePort().Open(pty.slavePath()), -1);
        const PortFailure f = thePort().lastFailure();
        QCOMPARE(f.kind, PortFailure::Kind::Busy);
        QCOMPARE(f.pid, holder.processId());
        QCOMPARE(f.holder, QStringLiteral("kelvatrone-cli"));
        QCOMPARE(portFailureText(f), StringTable::text(281).arg(pty.slavePath()) + QLatin1Char(' ')
                                         + StringTable::text(282).arg(QString::number(holder.processId()),
                                                                      QStringLiteral("kelvatrone-cli")));
        holder.kill();
        holder.waitForFinished();
    }

    // The settings window lists the ports with their devices, takes a typed device path and
    // offers a USB adapter's by-id name.
    // The settings' device that is gone is not listed among the ports present.
    void missingPortIsNotAmongThePresent()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialPort::setExtraDevices({QStringLiteral("/dev/pts/99999"), pty.slavePath()});
        QCOMPARE(portsPresentText(),
                 StringTable::text(276).arg(QStringLiteral("COM2 %1").arg(shortNameOf(pty.slavePath()))));
        SerialPort::setExtraDevices({QStringLiteral("/dev/pts/99999")});
        QCOMPARE(portsPresentText(), StringTable::text(277));
    }

    // A device named through another link (by-path, a udev alias) is one entry: asked once.
    void oneEntryPerDevice()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        QTemporaryDir links;
        const QString alias = links.filePath(QStringLiteral("by-path-alias"));
        QVERIFY(QFile::link(pty.slavePath(), alias));
        PortTable::setSystemLister([&] {
            PortEntry e;
            e.device = pty.slavePath();
            return QList<PortEntry>{e, e};
        });
        SerialPort::setExtraDevices({alias});
        QCOMPARE(PortTable::devices(PortTable::build()), QStringList{pty.slavePath()});
        PortTable::setRunDevices({alias, pty.slavePath()});
        QCOMPARE(PortTable::build().size(), 1);
    }

    // What the settings keep names the same device at the next start.
    void settingsKeepWhatNamesTheDevice()
    {
        PtyPair pty, other;
        QVERIFY(pty.ok() && other.ok());
        QTemporaryDir links;
        const QString byId = links.filePath(QStringLiteral("usb-FTDI_A50285BI-if00-port0"));
        QVERIFY(QFile::link(other.slavePath(), byId));
        // An added device (a pseudo-terminal) found by a search as number 2: its path.
        PortTable::setSystemLister([&] {
            PortEntry e;
            e.device = other.slavePath();
            return QList<PortEntry>{e};
        });
        SerialPort::setExtraDevices({pty.slavePath()});
        QCOMPARE(PortTable::stableDesignation(QStringLiteral("2"), QStringLiteral("/dev/ttyS9")), pty.slavePath());
        // The system port listed under number 1: the number; or the by-id link stored for it.
        QCOMPARE(PortTable::stableDesignation(QStringLiteral("1"), QStringLiteral("COM3")), QStringLiteral("1"));
        QCOMPARE(PortTable::stableDesignation(QStringLiteral("1"), byId), byId);
        // A search that found nothing leaves the number past the table: the stored value stays.
        QCOMPARE(PortTable::stableDesignation(QStringLiteral("40"), byId), byId);
        QCOMPARE(PortTable::stableDesignation(pty.slavePath(), QStringLiteral("COM1")), pty.slavePath());

        // The settings window after a search: PORT keeps the device, not "2".
        TestWorkspace ws;
        ws.write("st.stg", QStringLiteral("PORT=%1\r\n[END]\r\n").arg(pty.slavePath()).toLatin1());
        ScriptedPrompter prompter;
        app().PortName = QStringLiteral("2");
        TPortComunicacio w;
        w.show();
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QCOMPARE(readSetting(QStringLiteral("PORT")).value, pty.slavePath());
    }

    void settingsPortChoice()
    {
        TestWorkspace ws;
        PortTable::setSystemLister(describedMachine);
        ScriptedPrompter prompter;
        app().PortName = QStringLiteral("COM1");
        {
            TPortComunicacio w;
            w.show();
            QCOMPARE(w.PortList->count(), 4);
            QCOMPARE(w.PortList->itemText(3), QStringLiteral("COM4  ttyUSB0  FT232R USB UART"));
            QCOMPARE(w.PortList->itemText(0), QStringLiteral("COM1  ttyS0"));
            QCOMPARE(w.PortList->currentIndex(), 0);
            QVERIFY(!w.PortById->isEnabled());
            for (int l = 0; l < 4; ++l) {
                StringTable::setLanguage(l);
                w.FormShow();
                saveScreenshot(&w, QStringLiteral("settings-port-choice-%1").arg(l));
                QVERIFY(w.PortById->fontMetrics().horizontalAdvance(w.PortById->text()) + 24 <= w.PortById->width());
            }
            StringTable::setLanguage(0);
            w.FormShow();
            // OK without touching the port keeps it as it was.
            QTest::mouseClick(w.Button1, Qt::LeftButton);
            QCOMPARE(app().PortName, QStringLiteral("COM1"));
        }
        {
            TPortComunicacio w;
            w.show();
            w.PortList->setCurrentIndex(3);
            QVERIFY(w.PortById->isEnabled());
            w.PortById->setChecked(true);
            saveScreenshot(&w, QStringLiteral("settings-port-by-id"));
            QTest::mouseClick(w.Button1, Qt::LeftButton);
            const QString link = describedMachine().first().byId;
            QCOMPARE(app().PortName, link);
            QCOMPARE(readSetting(QStringLiteral("PORT")).value, link);
        }
        {
            // The by-id name in force shows as its adapter, with the choice ticked.
            TPortComunicacio w;
            w.show();
            QCOMPARE(w.PortList->currentIndex(), 3);
            QVERIFY(w.PortById->isChecked());
            w.PortList->setCurrentIndex(3);
            w.PortById->setChecked(false);
            QTest::mouseClick(w.Button1, Qt::LeftButton);
            QCOMPARE(app().PortName, QStringLiteral("COM4"));
        }
        {
            TPortComunicacio w;
            w.show();
            w.PortList->setEditText(QStringLiteral("/dev/pts/42"));
            QTest::mouseClick(w.Button1, Qt::LeftButton);
            QCOMPARE(app().PortName, QStringLiteral("/dev/pts/42"));
            QCOMPARE(readSetting(QStringLiteral("PORT")).value, QStringLiteral("/dev/pts/42"));
            QVERIFY(SerialPort::extraDevices().contains(QStringLiteral("/dev/pts/42")));
        }
        {
            // The typed path is in the list now (an extra device), and shown as the choice.
            TPortComunicacio w;
            w.show();
            QCOMPARE(w.PortList->currentText(), QStringLiteral("COM5  pts/42"));
            w.PortList->setEditText(QStringLiteral("printer"));
            prompter.expectMessage();
            QTest::mouseClick(w.Button1, Qt::LeftButton);
            QCOMPARE(prompter.messageTexts().last(), StringTable::text(288));
            QVERIFY(w.isVisible());
            QCOMPARE(app().PortName, QStringLiteral("/dev/pts/42"));
            QCOMPARE(readSetting(QStringLiteral("PORT")).value, QStringLiteral("/dev/pts/42"));
        }
        QCOMPARE(prompter.pending(), 0);
    }
};

QTEST_MAIN(TestPorts)
#include "tst_ports.moc"
