// Identification of the meter: the name match, the port search against the simulated meter,
// the Auto Identify flow with its please-wait window, and the command line's identify.

#include "../link/PtyPair.h"
#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Identification.h"
#include "app/ModelCatalogue.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/windows/MainResum.h"
#include "app/windows/MainWindowView.h"
#include "app/windows/Wait.h"
#include "link/ErrorCodes.h"
#include "link/PortSearch.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

#include <QElapsedTimer>
#include <QApplication>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <sys/resource.h>

namespace {

class FakeMainWindow : public QWidget, public MainWindowView {
public:
    FakeMainWindow() { resize(1078, 571); }
    QWidget *widget() override { return this; }
    void setModelLabel(const QString &text) override { model = text; }
    void setPortLabel(const QString &text, const QColor &c) override
    {
        port = text;
        portColor = c;
        portHistory << text + (c == QColor(Qt::red) ? QStringLiteral(" red") : QStringLiteral(" black"));
    }
    void refreshCommands() override { ++refreshes; }

    QString model = QStringLiteral("Model:");
    QString port = QStringLiteral("COM ?");
    QColor portColor;
    QStringList portHistory;
    int refreshes = 0;
};

class RecordingHost : public PortSearchHost {
public:
    void portTried(int number, bool opened) override
    {
        tried << QStringLiteral("%1%2").arg(number).arg(opened ? "+" : "-");
    }
    bool chooseManually(const QString &portName) override
    {
        asked << portName;
        return manual;
    }
    QStringList tried;
    QStringList asked;
    bool manual = true;
};

// Where the test's extra devices start in the port table (after the system's own ports).
int systemPorts()
{
    SerialPort::setExtraDevices({});
    return int(SerialPort::portTable().size());
}

// Extra devices that put the meter at port number 3 (behind the system's own ports when there
// are more than two): fillers first. Returns the meter's number.
int placeMeterAtThree(const QStringList &fillers, const QString &meter)
{
    const int base = systemPorts();
    QStringList extras = fillers.mid(0, std::max(0, 2 - base));
    extras << meter;
    SerialPort::setExtraDevices(extras);
    return base + int(extras.size());
}

// CPU time of this process, every thread included.
double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}   // namespace

class TestIdentification : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The machine's own serial ports are never asked (one of them may be the console): the
    // table holds only the tests' pseudo-terminals.
    void init()
    {
        thePort().SetTimeout(300);
        PortTable::setSystemLister([] { return QList<PortEntry>{}; });
    }
    void cleanup()
    {
        thePort().Close();
        thePort().SetTimeout(3000);
        SerialPort::setExtraDevices({});
        PortTable::setSystemLister({});
    }

    void identifyModel_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("index");
        const QByteArray delivered = "1;KV-27;hx27;ch26;tx26;1;lg27m;lg27t;\n2;KV-27C;hx27c;ch26;tx26;3;lg27m;lg27t;\n"
                                     "3;KV-26;hx26;ch26;tx26;2;lg26m;lg26t;\n";
        QTest::newRow("plain") << delivered << QByteArray("*VEKV-26 v1.00") << 2;
        QTest::newRow("longer name wins") << delivered << QByteArray("*VEKV-27C v2.00") << 1;
        QTest::newRow("shorter name") << delivered << QByteArray("*VEKV-27 v2.00") << 0;
        QTest::newRow("case matters") << delivered << QByteArray("*VEkv-27 v2.00") << -1;
        QTest::newRow("name only in the first three") << QByteArray("1;A;;;;0;;;\n") << QByteArray("AxxBBB") << -1;
        QTest::newRow("A and AB") << QByteArray("1;A;;;;0;;;\n2;AB;;;;0;;;\n") << QByteArray("*VEAB") << 1;
        QTest::newRow("AB listed first") << QByteArray("1;AB;;;;0;;;\n2;A;;;;0;;;\n") << QByteArray("*VExAB") << 0;
        QTest::newRow("only A") << QByteArray("1;A;;;;0;;;\n2;AB;;;;0;;;\n") << QByteArray("*VEA1") << 0;
        QTest::newRow("same name twice: the last")
            << QByteArray("1;X;a;;;0;;;\n2;X;b;;;0;;;\n") << QByteArray("*VEX") << 1;
        QTest::newRow("empty name matches nothing")
            << QByteArray("1;;;;;0;;;\n2;KV;;;;0;;;\n") << QByteArray("*VEzz") << -1;
        QTest::newRow("loader") << delivered << QByteArray("BOOT") << -1;
        QTest::newRow("short answer") << delivered << QByteArray("*V") << -1;
    }
    void identifyModel()
    {
        QFETCH(QByteArray, catalogue);
        QFETCH(QByteArray, answer);
        QFETCH(int, index);
        TestWorkspace ws(false);
        QVERIFY(loadCatalogue(ws.write(QStringLiteral("models.txt"), catalogue)) > 0);
        app().currentModelIndex = 4;
        QCOMPARE(findModelInAnswer(answer), index);
        QCOMPARE(::identifyModel(answer), index >= 0 ? 1 : Err::NotRecognized);
        QCOMPARE(app().currentModelIndex, index >= 0 ? index : 4);
    }

    void searchFindsTheMeterOnPortThree()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-27C v2.00")});
        if (!meter.start())
            KV_METER_NOT_STARTED();
        PtyPair silent;
        QVERIFY(silent.ok());
        const int base = systemPorts();
        SerialPort::setExtraDevices({silent.slavePath(), QStringLiteral("/nonexistent/port"), meter.devicePath()});
        RecordingHost host;
        const PortSearchResult r = searchPorts(thePort(), host);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.portNumber, base + 3);
        QCOMPARE(r.modelIndex, catalogueIndexOf(QStringLiteral("KV-27C")));
        QCOMPARE(host.tried.mid(base), (QStringList{QString::number(base + 1) + "+", QString::number(base + 2) + "-",
                                                    QString::number(base + 3) + "+"}));
        QVERIFY(!thePort().isOpen());
        // The silent port was asked twice, the meter once.
        QCOMPARE(meter.transcript(), QStringList{QStringLiteral("*?VE")});
        QCOMPARE(silent.readAvailable(), QByteArray("*?VE\r*?VE\r"));
    }

    void searchStopsOrGoesOnAtALoader()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        SimulatedMeter loader({QStringLiteral("--boot")});
        if (!loader.start())
            KV_METER_NOT_STARTED();
        SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-25 v1.00")});
        QVERIFY(meter.start());
        const int base = systemPorts();
        SerialPort::setExtraDevices({loader.devicePath(), meter.devicePath()});

        RecordingHost manual;
        PortSearchResult r = searchPorts(thePort(), manual);
        QCOMPARE(r.code, Err::ManualSelection);
        QCOMPARE(r.portNumber, base + 1);
        QCOMPARE(manual.asked, QStringList{QString::number(base + 1)});

        RecordingHost goOn;
        goOn.manual = false;
        r = searchPorts(thePort(), goOn);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.portNumber, base + 2);
        QCOMPARE(r.modelIndex, catalogueIndexOf(QStringLiteral("KV-25")));
        QVERIFY(!thePort().isOpen());
    }

    void autoIdentifyFindsTheMeter()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-26 v1.10")});
        if (!meter.start())
            KV_METER_NOT_STARTED();
        PtyPair silent;
        QVERIFY(silent.ok());
        const int number =
            placeMeterAtThree({silent.slavePath(), QStringLiteral("/nonexistent/port")}, meter.devicePath());
        qInfo("the meter is at port number %d", number);

        FakeMainWindow main;
        main.show();
        ScriptedPrompter prompter;
        prompter.expectMessage();
        autoIdentify(main);
        TWait *wait = waitWindow(main);
        QVERIFY(wait->isVisible());
        QVERIFY(!wait->isModal());
        QCOMPARE(wait->Label1->text(), StringTable::text(189));
        QVERIFY(!wait->ButtonYes->isVisible() && !wait->ModelEquip->isVisible());
        saveScreenshot(wait, QStringLiteral("identification-searching"));
        // The window thread is free while the scan runs on the silent port.
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(50);
        QVERIFY(clock.elapsed() < 250);
        QVERIFY(identificationRunning());

        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 10000);
        QCOMPARE(prompter.pending(), 0);
        QVERIFY(!prompter.unexpected);
        const QString port = QString::number(number);
        QCOMPARE(prompter.asked.at(0).text, QStringLiteral("COM") + port + QStringLiteral("-> KV-26"));
        QCOMPARE(prompter.asked.at(0).caption, QStringLiteral("Kelvatrone"));
        QCOMPARE(app().PortName, port);
        QCOMPARE(app().CurrentModel.modelName, QStringLiteral("KV-26"));
        QCOMPARE(app().CurrentModel.chosenManually, 0);
        QCOMPARE(app().currentModelIndex, catalogueIndexOf(QStringLiteral("KV-26")));
        QCOMPARE(main.model, QStringLiteral("KV-26"));
        QVERIFY(main.refreshes > 0);
        // Each port of the table tried in order, then the ports being asked, then the meter's.
        QVERIFY(main.portHistory.size() > number);
        for (int n = 1; n <= number; ++n)
            QVERIFY(main.portHistory.at(n - 1).startsWith(QStringLiteral("COM%1 ").arg(n)));
        QCOMPARE(main.portHistory.at(number - 1), QStringLiteral("COM%1 black").arg(number));
        QCOMPARE(main.portHistory.last(),
                 PortTable::numberWithDevice(number, meter.devicePath()) + QStringLiteral(" black"));
        QVERIFY(!wait->isVisible());
        QVERIFY(!thePort().isOpen());
        QVERIFY(!QApplication::overrideCursor());
    }

    // Escape on the please-wait window cancels the search: it ends at once, the port closed,
    // without a message, and no model is chosen.
    void escapeCancelsTheSearch()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        PtyPair silent;
        QVERIFY(silent.ok());
        SerialPort::setExtraDevices({silent.slavePath()});
        thePort().SetTimeout(3000);
        FakeMainWindow main;
        main.show();
        ScriptedPrompter prompter;
        autoIdentify(main);
        TWait *wait = waitWindow(main);
        QVERIFY(wait->isVisible());
        QTest::qWait(200);
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(wait, Qt::Key_Escape);
        QVERIFY(!wait->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 2000);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));   // not the 6 s of two tries
        QVERIFY(prompter.asked.empty());
        QCOMPARE(app().currentModelIndex, kNoModel);
        QVERIFY(!thePort().isOpen());
        QVERIFY(!QApplication::overrideCursor());
    }

    // The real main window: the toolbar button, the labels and the commands of the model.
    void mainWindowAutoIdentify()
    {
        TestWorkspace ws;
        SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-27 v1.30")});
        if (!meter.start())
            KV_METER_NOT_STARTED();
        TMainResum w;
        w.show();
        QVERIFY(!w.BotoChannelPlan->isEnabled());
        const int number =
            placeMeterAtThree({QStringLiteral("/nonexistent/a"), QStringLiteral("/nonexistent/b")}, meter.devicePath());
        ScriptedPrompter prompter;
        prompter.expectMessage();
        QTest::mouseClick(w.BotoAutoID, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 10000);
        QCOMPARE(prompter.messageTexts(), QStringList{QStringLiteral("COM%1-> KV-27").arg(number)});
        QCOMPARE(w.NomModel->text(), QStringLiteral("KV-27"));
        QCOMPARE(w.viewCOM->toolTip(), PortTable::numberWithDevice(number, meter.devicePath()));
        QVERIFY(w.viewCOM->text() == w.viewCOM->toolTip() || w.viewCOM->text() == QStringLiteral("COM%1").arg(number));
        QVERIFY(w.BotoChannelPlan->isEnabled());
        QCOMPARE(app().CurrentModel.modelName, QStringLiteral("KV-27"));
        saveScreenshot(&w, QStringLiteral("identification-main-window"));
    }

    // A scan holds the port: while it runs, the commands that would talk to the meter wait,
    // and they come back as the scan's result allows.
    void meterCommandsDisabledWhileScanning()
    {
        TestWorkspace ws;
        PtyPair silent;
        QVERIFY(silent.ok());
        TMainResum w;
        w.show();
        chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), false);
        w.refreshCommands();
        QVERIFY(w.BotoLoggers->isEnabled() && w.BotoChannelPlan->isEnabled() && w.BotoUpdate->isEnabled());
        SerialPort::setExtraDevices({silent.slavePath()});
        ScriptedPrompter prompter;
        prompter.expectMessage();
        QTest::mouseClick(w.BotoAutoID, Qt::LeftButton);
        QVERIFY(identificationRunning());
        for (QToolButton *b : {w.BotoLoggers, w.BotoChannelPlan, w.BotoUpdate, w.BotoAutoID})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        for (QAction *a : {w.ReceiveLogger1, w.ChannelPlan1, w.UpgradeCablemodem1})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 10000);
        QCOMPARE(prompter.messageTexts(), QStringList{ErrorCodeText(Err::NotRecognized)});
        // Nothing found: the commands of "no model".
        QVERIFY(w.BotoAutoID->isEnabled());
        QVERIFY(w.ChannelPlan1->isEnabled());
        QVERIFY(!w.BotoLoggers->isEnabled() && !w.BotoUpdate->isEnabled());
    }

    // A scan that finds nothing costs close to no CPU: waiting on a silent port sleeps on the
    // port (no busy polling), and the port table is built once, not once for each port number.
    void scanThatFindsNothingCostsLittleCpu()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        PtyPair silent;
        QVERIFY(silent.ok());
        SerialPort::setExtraDevices({silent.slavePath(), QStringLiteral("/nonexistent/a")});
        thePort().SetTimeout(600);
        QElapsedTimer wall;
        wall.start();
        const double before = processCpuSeconds();
        RecordingHost host;
        const PortSearchResult r = searchPorts(thePort(), host);
        const double used = processCpuSeconds() - before;
        QCOMPARE(r.code, -1);
        QVERIFY2(wall.elapsed() >= 1000, qPrintable(QString::number(wall.elapsed())));   // two real waits
        const int scale = std::max(1, qEnvironmentVariableIntValue("KV_TEST_TIME_SCALE"));
        QVERIFY2(used < 0.25 * scale, qPrintable(QStringLiteral("%1 s of CPU").arg(used)));
    }

    void autoIdentifyLoaderThenManualChoice()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        SimulatedMeter loader({QStringLiteral("--boot")});
        if (!loader.start())
            KV_METER_NOT_STARTED();
        const int base = systemPorts();
        SerialPort::setExtraDevices({loader.devicePath()});
        chooseModel(0, false);   // a former model stays until the user picks another

        FakeMainWindow main;
        main.show();
        ScriptedPrompter prompter;
        TWait *wait = waitWindow(main);
        bool asked = false;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (wait->isVisible() && wait->isModal() && wait->ButtonNo->isVisible() && !asked) {
                asked = true;
                QCOMPARE(wait->Label1->text(), StringTable::text(192) + QString::number(base + 1));
                QCOMPARE(wait->ButtonNo->text(), StringTable::text(190));
                QCOMPARE(wait->ButtonYes->text(), StringTable::text(191));
                QVERIFY(wait->Label2->isVisible());
                saveScreenshot(wait, QStringLiteral("identification-loader-question"));
                QTest::mouseClick(wait->ButtonNo, Qt::LeftButton);
            }
        });
        answer.start(20);
        autoIdentify(main);
        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 10000);
        answer.stop();
        QVERIFY(asked);
        QCOMPARE(prompter.asked.size(), size_t(0));
        QCOMPARE(app().PortName, QString::number(base + 1));
        QCOMPARE(app().CurrentModel.modelName, QStringLiteral("KV-27"));   // unchanged so far

        // The list in catalogue order, empty until the user picks.
        QVERIFY(wait->isVisible());
        QVERIFY(!wait->isModal());
        QVERIFY(wait->ModelEquip->isVisible());
        QCOMPARE(wait->Label2->text(), StringTable::text(194));
        QCOMPARE(wait->ModelEquip->currentIndex(), -1);
        QStringList items;
        for (int i = 0; i < wait->ModelEquip->count(); ++i)
            items << wait->ModelEquip->itemText(i);
        QStringList expected;
        for (int i = 0; i < app().catalogueCount; ++i)
            expected << app().catalogue[size_t(i)].modelName;
        QCOMPARE(items, expected);
        saveScreenshot(wait, QStringLiteral("identification-manual-list"));

        // Typing picks nothing.
        QTest::keyClicks(wait->ModelEquip, QStringLiteral("KV"));
        QCOMPARE(wait->ModelEquip->currentIndex(), -1);
        QCOMPARE(app().CurrentModel.modelName, QStringLiteral("KV-27"));

        const int pick = catalogueIndexOf(QStringLiteral("KV-25"));
        wait->ModelEquip->setCurrentIndex(pick);
        Q_EMIT wait->ModelEquip->activated(pick);
        QCOMPARE(app().currentModelIndex, pick);
        QCOMPARE(app().CurrentModel.modelName, QStringLiteral("KV-25"));
        QCOMPARE(app().CurrentModel.planFileType, QStringLiteral("ch25"));
        QCOMPARE(app().CurrentModel.chosenManually, 1);
        QCOMPARE(main.model, QStringLiteral("KV-25"));
        QVERIFY(!wait->isVisible());
        QVERIFY(!thePort().isOpen());
    }

    void autoIdentifyLoaderThenGoOnFindsNothing()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() > 0);
        SimulatedMeter loader({QStringLiteral("--boot")});
        if (!loader.start())
            KV_METER_NOT_STARTED();
        SerialPort::setExtraDevices({loader.devicePath()});
        chooseModel(1, false);

        FakeMainWindow main;
        main.show();
        ScriptedPrompter prompter;
        prompter.expectMessage();
        TWait *wait = waitWindow(main);
        bool asked = false;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (wait->isVisible() && wait->isModal() && wait->ButtonYes->isVisible() && !asked) {
                asked = true;
                QTest::mouseClick(wait->ButtonYes, Qt::LeftButton);
            }
        });
        answer.start(20);
        autoIdentify(main);
        QTRY_VERIFY_WITH_TIMEOUT(!identificationRunning(), 10000);
        answer.stop();
        QVERIFY(asked);
        QCOMPARE(prompter.messageTexts(), QStringList{ErrorCodeText(Err::NotRecognized)});
        QCOMPARE(app().currentModelIndex, kNoModel);
        QCOMPARE(app().PortName, QStringLiteral("40"));
        QCOMPARE(main.port, QStringLiteral("COM ?"));
        QCOMPARE(main.model, StringTable::text(187));
        QVERIFY(!wait->isVisible());
        QVERIFY(!thePort().isOpen());
    }

    void cliIdentify_data()
    {
        QTest::addColumn<QStringList>("meterArgs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("found") << QStringList{QStringLiteral("--identity"), QStringLiteral("*VEKV-27 v1.30")} << 0
                               << QStringLiteral("-> KV-27");
        QTest::newRow("loader") << QStringList{QStringLiteral("--boot")} << 1 << ErrorCodeText(Err::ManualSelection);
        QTest::newRow("unknown model") << QStringList{QStringLiteral("--identity"), QStringLiteral("*VEXX-99")} << 1
                                       << ErrorCodeText(Err::NotRecognized);
    }
    void cliIdentify()
    {
        QFETCH(QStringList, meterArgs);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        TestWorkspace ws;
        SimulatedMeter meter(meterArgs);
        if (!meter.start())
            KV_METER_NOT_STARTED();
        QProcess cli;
        cli.start(QStringLiteral(KV_CLI_PATH),
                  {QStringLiteral("--workspace"), ws.root(), QStringLiteral("--ports"), meter.devicePath(),
                   QStringLiteral("--port"), meter.devicePath(), QStringLiteral("identify")});
        QVERIFY(cli.waitForFinished(20000));
        const QString out = QString::fromLocal8Bit(cli.readAllStandardOutput() + cli.readAllStandardError());
        QCOMPARE(cli.exitCode(), exitCode);
        QVERIFY2(out.contains(output), qPrintable(out));
        if (exitCode == 0)   // the meter's device is the last entry of the port table
            QCOMPARE(out, QStringLiteral("COM%1").arg(systemPorts() + 1) + output + QLatin1Char('\n'));
    }

    // A command that needs a model: --model chooses it without asking the meter; without it
    // the meter on the settings' port is asked first.
    void cliEnsureModel()
    {
        TestWorkspace ws;
        SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-25 v1.00")});
        if (!meter.start())
            KV_METER_NOT_STARTED();
        QVERIFY(writeSettings(ws.path(QStringLiteral("st.stg")), meter.devicePath(), ws.library(), ws.firmware(),
                              ws.temp()));
        const QString missing = ws.path(QStringLiteral("no-such-combined-file"));
        auto run = [&](const QStringList &options) {
            QProcess cli;
            cli.start(
                QStringLiteral(KV_CLI_PATH),
                QStringList{QStringLiteral("--workspace"), ws.root(), QStringLiteral("--ports"), meter.devicePath()}
                    + options + QStringList{QStringLiteral("script"), ws.path("out.pro"), missing});
            cli.waitForFinished(20000);
            return std::make_pair(cli.exitCode(), QString::fromLocal8Bit(cli.readAllStandardError()));
        };

        auto [code, err] = run({QStringLiteral("--model"), QStringLiteral("KV-99")});
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(QStringLiteral("KV-99")) && err.contains(QStringLiteral("KV-27, KV-27C")),
                 qPrintable(err));
        QVERIFY(meter.transcript().isEmpty());

        std::tie(code, err) = run({QStringLiteral("--model"), QStringLiteral("KV-26")});
        QVERIFY2(!err.contains(QStringLiteral("KV-26")), qPrintable(err));   // got past the model
        QVERIFY(meter.transcript().isEmpty());

        std::tie(code, err) = run({});
        QCOMPARE(meter.transcript(), QStringList{QStringLiteral("*?VE")});
        QVERIFY2(!err.contains(ErrorCodeText(Err::NotRecognized)), qPrintable(err));
    }

    void cliSendAndBusyPort()
    {
        TestWorkspace ws;
        SimulatedMeter meter({QStringLiteral("--identity"), QStringLiteral("*VEKV-27 v1.30")});
        if (!meter.start())
            KV_METER_NOT_STARTED();
        QProcess cli;
        cli.start(QStringLiteral(KV_CLI_PATH),
                  {QStringLiteral("--workspace"), ws.root(), QStringLiteral("--port"), meter.devicePath(),
                   QStringLiteral("send"), QStringLiteral("*?VE"), QStringLiteral("--log"), QStringLiteral("updt")});
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(cli.readAllStandardOutput()), QStringLiteral("result 15\n*VEKV-27 v1.30\n"));
        QVERIFY(ws.read(QStringLiteral("Temp/updt00.log")).contains("Answer=*VEKV-27 v1.30,Send=*?VE\r\r\n"));

        // While this program holds the port, another open of it fails and says why.
        QCOMPARE(thePort().Open(meter.devicePath()), 0);
        cli.start(QStringLiteral(KV_CLI_PATH),
                  {QStringLiteral("--workspace"), ws.root(), QStringLiteral("--ports"), meter.devicePath(),
                   QStringLiteral("--port"), meter.devicePath(), QStringLiteral("identify")});
        QVERIFY(cli.waitForFinished(20000));
        thePort().Close();
        const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY2(err.contains(meter.devicePath()) && err.contains(ErrorCodeText(Err::NotFreePort)), qPrintable(err));
    }
};

QTEST_MAIN(TestIdentification)
#include "tst_identification.moc"
