// The transfer window on the real widgets (offscreen): a job on its worker thread, the result,
// Cancel while a slow meter answers, the port that cannot be opened, the window that cannot be
// closed under a running job.

#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/ModelCatalogue.h"
#include "jobs/FirmwareJob.h"
#include "jobs/Jobs.h"
#include "jobs/windows/Finestratransmisio.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// Records, for each message, whether the window's job was still running when it came up.
class WatchingPrompter : public ScriptedPrompter {
public:
    TTransmit *window = nullptr;
    std::vector<bool> jobRunning;
    QMessageBox::StandardButton message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                                        QMessageBox::StandardButtons b, QMessageBox::StandardButton d) override
    {
        jobRunning.push_back(window && window->jobRunning());
        return ScriptedPrompter::message(parent, caption, text, icon, b, d);
    }
};

}   // namespace

class TransmitTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void okOnZero();
    void receiveNumberedJob();
    void cancelWhileMeterIsSlow();
    void portCannotOpen();
    void unknownKind();
    void cancelBeforeStart_data();
    void cancelBeforeStart();
    void messageWhileJobWaits();
    void defaultStartDelay();

private:
    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<ScriptedPrompter> prompter;
};

void TransmitTest::init()
{
    ws = std::make_unique<TestWorkspace>();
    loadCatalogue();
    chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
    thePort().SetTimeout(600);
    prompter = std::make_unique<ScriptedPrompter>();
}

void TransmitTest::cleanup()
{
    const bool unexpected = prompter->unexpected;
    prompter.reset();
    thePort().SetTimeout(3000);
    ws.reset();
    QVERIFY2(!unexpected, "a message was shown");
}

void TransmitTest::okOnZero()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    const QString script = ws->write(QStringLiteral("Temp/temp.tkv8"), joinLines(kExampleScript));

    TTransmit t;
    QVERIFY(!t.LoggerProgress->isVisibleTo(&t));
    QCOMPARE(t.BarraProgres->maximum(), 100);
    QCOMPARE(t.Sortida->text(), QStringLiteral("Cancel"));
    QCOMPARE(t.Timer1->interval(), 1000);
    QVERIFY(!t.Timer1->isActive());
    t.setStartDelay(20);
    QCOMPARE(t.StartJob(JobCode::GroupScript, script), 1);
    QVERIFY(t.Timer1->isActive());
    QCOMPARE(t.exec(), int(QDialog::Accepted));
    QCOMPARE(t.JobResult(), 0);
    QCOMPARE(meter.transcript(), kExampleScript + QStringList{QStringLiteral("*RS0")});
    // What the job showed reached the widgets, in order, before the window closed.
    QCOMPARE(t.windowTitle(), QStringLiteral("Sending Channel Plan Group..."));
    QCOMPARE(t.File->text(), QStringLiteral("File : ") + shortenPath(script));
    QCOMPARE(t.BarraProgres->maximum(), int(QFileInfo(script).size() / 32 + 1));
    QCOMPARE(t.BarraProgres->value(), t.BarraProgres->maximum());   // the estimate is short of 9 lines
    QVERIFY(!thePort().isOpen());
}

void TransmitTest::receiveNumberedJob()
{
    const QString plan = ws->write(QStringLiteral("Channel/ab.ch26"),
                                   "#=====================================\r\n:  CONTROL REMOT PROGRAM\r\n"
                                   "#=====================================\r\nCHANNEL PLAN(1)\r\n"
                                   "CHANNEL8(AB,,,,1,1)\r\nORDER(1)\r\n[CHANNELS_OFFSET]\r\n"
                                   "1,C21,474.00,476.75,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,AUTO\r\n");
    SimulatedMeter meter({QStringLiteral("--plans"), plan, plan});
    QVERIFY(startMeterOnPort(meter));
    TTransmit t;
    t.setStartDelay(10);
    const QString out = ws->path(QStringLiteral("Temp/ab.ch26"));
    QCOMPARE(t.StartNumberedJob(JobCode::ReceivePlan, out, 1), 0);
    QCOMPARE(t.exec(), int(QDialog::Accepted));
    QCOMPARE(meter.transcript().first(), QStringLiteral("*?CS01"));
    QCOMPARE(t.File->text(), QStringLiteral("Receiving in File : ") + shortenPath(out));
    QCOMPARE(t.BarraProgres->maximum(), 1);
    QVERIFY(ws->read(QStringLiteral("Temp/ab.ch26"))
                .endsWith("1,C21,474.00,476.75,0.00,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,PAL/BG\r\n"));
}

void TransmitTest::cancelWhileMeterIsSlow()
{
    // Every command waits 150 ms: the whole script would take about 1.5 s.
    SimulatedMeter meter({QStringLiteral("--fault"), QStringLiteral("delay:150")});
    QVERIFY(startMeterOnPort(meter));
    const QString script = ws->write(QStringLiteral("Temp/temp.tkv8"), joinLines(kExampleScript));

    TTransmit t;
    t.setStartDelay(10);
    t.StartJob(JobCode::GroupScript, script);
    bool runningAtClick = false, visibleAfterClick = false, visibleAfterClose = false;
    int barAfterClick = -1;
    QTimer::singleShot(400, &t, [&] {
        saveScreenshot(&t, QStringLiteral("transfer-window-mid-send.png"));
        // The window system's close and Escape do nothing while the job runs.
        t.close();
        t.reject();
        visibleAfterClose = t.isVisible();
        runningAtClick = t.jobRunning();
        QTest::mouseClick(t.Sortida, Qt::LeftButton);
        visibleAfterClick = t.isVisible();
        barAfterClick = t.BarraProgres->value();
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(t.exec(), int(QDialog::Rejected));
    QVERIFY(runningAtClick);
    QVERIFY(visibleAfterClose);
    QVERIFY(visibleAfterClick);   // it closes when the job has stopped, not at the click
    QCOMPARE(barAfterClick, 0);
    QCOMPARE(t.JobResult(), Err::UserBreak);
    QVERIFY(clock.elapsed() < 1400);   // the whole script takes 1.5 s
    const QStringList sent = meter.transcript();
    QVERIFY(!sent.contains(QStringLiteral("*RS0")));
    QVERIFY(sent.size() >= 2 && sent.size() < kExampleScript.size());
    QCOMPARE(sent, kExampleScript.mid(0, sent.size()));
    QVERIFY(!thePort().isOpen());
}

void TransmitTest::portCannotOpen()
{
    app().PortName = ws->path(QStringLiteral("no-port"));
    const QString script = ws->write(QStringLiteral("Temp/temp.tkv8"), joinLines(kExampleScript));
    for (int code : {int(JobCode::GroupScript), int(JobCode::ReceivePlan)}) {
        TTransmit t;
        t.setStartDelay(10);
        prompter->expectMessage();
        t.StartNumberedJob(code, code == JobCode::ReceivePlan ? ws->path(QStringLiteral("Temp/p.ch26")) : script, 0);
        QCOMPARE(t.exec(), int(QDialog::Rejected));
        QCOMPARE(t.JobResult(), Err::PortFailure);
    }
    // No error table message, only why the port did not open: it is not there.
    QCOMPARE(prompter->messageTexts().size(), 2);
    for (const QString &text : prompter->messageTexts())
        QVERIFY2(text.startsWith(StringTable::text(275).arg(ws->path(QStringLiteral("no-port")))), qPrintable(text));
}

void TransmitTest::unknownKind()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    TTransmit t;
    t.setStartDelay(10);
    QCOMPARE(t.StartJob(0x30, ws->path(QStringLiteral("Temp/x"))), 0);
    QVERIFY(t.Timer1->isActive());
    QCOMPARE(t.exec(), int(QDialog::Rejected));
    QCOMPARE(t.JobResult(), Err::UserBreak);
    QVERIFY(meter.transcript().isEmpty());
}

void TransmitTest::cancelBeforeStart_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Sortida") << false;
    QTest::newRow("Escape") << true;
}

void TransmitTest::cancelBeforeStart()
{
    QFETCH(bool, escape);
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    const QString script = ws->write(QStringLiteral("Temp/temp.tkv8"), joinLines(kExampleScript));
    TTransmit t;
    t.setStartDelay(3000);
    t.StartJob(JobCode::GroupScript, script);
    QTimer::singleShot(30, &t, [&] {
        if (escape)
            QTest::keyClick(&t, Qt::Key_Escape);
        else
            QTest::mouseClick(t.Sortida, Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    // The job never runs, and the caller is not told it was done.
    QCOMPARE(t.exec(), int(QDialog::Rejected));
    QCOMPARE(t.JobResult(), Err::UserBreak);
    QVERIFY(clock.elapsed() < 2000);
    QTest::qWait(50);
    QVERIFY(meter.transcript().isEmpty());
}

void TransmitTest::messageWhileJobWaits()
{
    // A firmware upgrade of a model chosen by hand whose restarted meter names another model:
    // the job shows a message from its worker thread and goes on only when it is acknowledged.
    SimulatedMeter meter({QStringLiteral("--after-upgrade-identity"), QStringLiteral("*VEKV-26 v1.30")});
    QVERIFY(startMeterOnPort(meter));
    const QString firmware = ws->write(QStringLiteral("Version/fw.hx27"), "S00600004844521B\r\nS9030000FC\r\n");
    const FirmwareTiming saved = firmwareTiming();
    firmwareTiming().restartWaitMs = 0;
    firmwareTiming().checkWaitMs = 0;
    firmwareTiming().normalTimeoutMs = 600;

    prompter.reset();
    auto watching = std::make_unique<WatchingPrompter>();
    WatchingPrompter *w = watching.get();
    prompter = std::move(watching);
    w->expectMessage();

    TTransmit t;
    w->window = &t;
    t.setStartDelay(10);
    QCOMPARE(t.StartJob(JobCode::Firmware, firmware), 1);
    const int modal = t.exec();
    firmwareTiming() = saved;
    takeLastFirmwareRun();
    QCOMPARE(modal, int(QDialog::Accepted));
    QCOMPARE(w->asked.size(), size_t(1));
    QCOMPARE(w->asked[0].caption, QStringLiteral("Kelvatrone"));
    QVERIFY2(w->asked[0].text.contains(QLatin1String("KV-26")), qPrintable(w->asked[0].text));
    QCOMPARE(w->jobRunning, std::vector<bool>{true});
    QCOMPARE(w->pending(), 0);
}

void TransmitTest::defaultStartDelay()
{
    TTransmit::setDefaultStartDelay(15);
    {
        TTransmit t;
        QCOMPARE(t.Timer1->interval(), 15);
    }
    TTransmit::setDefaultStartDelay(-1);
    TTransmit t;
    QCOMPARE(t.Timer1->interval(), 1000);
}

QTEST_MAIN(TransmitTest)
#include "tst_transmit.moc"
