// The group editor and the command line send and receive groups through the same core
// workflow: driven against two simulated meters, they send the same bytes, and receive the
// same plans under the same names, the library's plans never replaced.

#include "CliRun.h"
#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "channelplan/windows/TNewPlan.h"
#include "datalogger/windows/Alertchannelplan.h"
#include "jobs/windows/Finestratransmisio.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray plan(const QString &name, int channels)
{
    QStringList lines;
    for (int c = 1; c <= channels; ++c)
        lines << QStringLiteral("%1,C%1,%2.25,%3.00,0.0,7.0,ON,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG")
                     .arg(c)
                     .arg(100 + c * 8)
                     .arg(100 + c * 8 + 2);
    return planText(name, lines);
}

// Accepts the channel plan warning when it comes up.
void acceptAlert(QObject *context)
{
    auto *timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [timer] {
        if (auto *alert = qobject_cast<TChannelPlanAlert *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            alert->accept();
        }
    });
    timer->start();
}

QByteArray stateFile(const SimulatedMeter &meter, const QString &name)
{
    QFile f(meter.stateDir() + QLatin1Char('/') + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList plansIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.ch26")}, QDir::Files, QDir::Name);
}

}   // namespace

class TestGroupWorkflows : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<ScriptedPrompter> prompts;

    void addMembers(TNewPlan &w, const QStringList &names)
    {
        for (const QString &n : names) {
            const auto found = w.LlistatLlibreria->findItems(n, Qt::MatchExactly);
            QVERIFY(!found.isEmpty());
            w.LlistatLlibreria->setCurrentItem(found.first());
            w.SumaGroup->click();
        }
    }

    CliRun cli(const SimulatedMeter &meter, const QStringList &args)
    {
        return runCli(QStringList{QStringLiteral("--port"), meter.devicePath(), QStringLiteral("--model"),
                                  QStringLiteral("KV-27")}
                          + args,
                      ws->root());
    }

private Q_SLOTS:
    void initTestCase() { TTransmit::setDefaultStartDelay(10); }

    void init()
    {
        ws = std::make_unique<TestWorkspace>();
        loadCatalogue();
        chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
        thePort().SetTimeout(600);
        prompts = std::make_unique<ScriptedPrompter>();
    }

    void cleanup()
    {
        QVERIFY(!prompts->unexpected);
        prompts.reset();
        thePort().SetTimeout(3000);
        ws.reset();
    }

    void sendSendsTheSameBytes()
    {
        ws->write(QStringLiteral("Channel/a.ch26"), plan(QStringLiteral("A"), 1));
        ws->write(QStringLiteral("Channel/b.ch26"), plan(QStringLiteral("B"), 3));

        SimulatedMeter fromWindow;
        QVERIFY(startMeterOnPort(fromWindow));
        {
            TNewPlan w;
            w.FillLibrary();
            w.show();
            addMembers(w, {QStringLiteral("a.ch26"), QStringLiteral("b.ch26")});
            acceptAlert(this);
            w.TransmitGroup->click();
        }
        SimulatedMeter fromCli;
        QVERIFY(startMeterOnPort(fromCli));
        const CliRun r = cli(fromCli, {QStringLiteral("send-group"), ws->path(QStringLiteral("Channel/a.ch26")),
                                       ws->path(QStringLiteral("Channel/b.ch26"))});
        QCOMPARE(r.status, 0);

        const QByteArray sent = stateFile(fromWindow, QStringLiteral("plans-received.txt"));
        QVERIFY(sent.contains("*CS01B"));
        QCOMPARE(stateFile(fromCli, QStringLiteral("plans-received.txt")), sent);
        QCOMPARE(fromCli.transcript(), fromWindow.transcript());
        QCOMPARE(stateFile(fromCli, QStringLiteral("plans-held.txt")),
                 stateFile(fromWindow, QStringLiteral("plans-held.txt")));
    }

    void receiveKeepsTheSamePlans()
    {
        const QString ab = ws->write(QStringLiteral("src/ab.ch26"), plan(QStringLiteral("AB"), 3));
        const QString ab2 = ws->write(QStringLiteral("src/ab2.ch26"), plan(QStringLiteral("AB"), 1));
        const QString cd = ws->write(QStringLiteral("src/cd.ch26"), plan(QStringLiteral("Cd"), 2));
        const QStringList meterArgs{QStringLiteral("--plans"), ab, ab2, cd};

        SimulatedMeter forWindow(meterArgs);
        QVERIFY(startMeterOnPort(forWindow));
        QStringList members;
        QMap<QString, QByteArray> windowFiles;
        {
            TNewPlan w;
            w.FillLibrary();
            w.show();
            w.ReceiveGroup->click();
            members = w.members();
            for (const QString &m : members)
                windowFiles[m] = ws->read(QStringLiteral("Temp/") + m);
        }
        QCOMPARE(members,
                 (QStringList{QStringLiteral("ab.ch26"), QStringLiteral("ab_2.ch26"), QStringLiteral("cd.ch26")}));

        SimulatedMeter forCli(meterArgs);
        QVERIFY(startMeterOnPort(forCli));
        QDir().mkpath(ws->path(QStringLiteral("out")));
        QCOMPARE(cli(forCli, {QStringLiteral("receive-plans"), ws->path(QStringLiteral("out"))}).status, 0);
        QCOMPARE(plansIn(ws->path(QStringLiteral("out"))), members);
        for (const QString &m : members)
            QCOMPARE(ws->read(QStringLiteral("out/") + m), windowFiles.value(m));
        QCOMPARE(forCli.transcript(), forWindow.transcript());

        // Into the library itself: its plan of the same name stays, as in the editor whose
        // temporary folder is the library.
        const QByteArray mine = plan(QStringLiteral("MINE"), 1);
        ws->write(QStringLiteral("Channel/ab.ch26"), mine);
        SimulatedMeter again(meterArgs);
        QVERIFY(startMeterOnPort(again));
        QCOMPARE(cli(again, {QStringLiteral("receive-plans"), ws->library()}).status, 0);
        QCOMPARE(ws->read(QStringLiteral("Channel/ab.ch26")), mine);
        QCOMPARE(plansIn(ws->library()), (QStringList{QStringLiteral("ab.ch26"), QStringLiteral("ab_2.ch26"),
                                                      QStringLiteral("ab_3.ch26"), QStringLiteral("cd.ch26")}));
    }
};

QTEST_MAIN(TestGroupWorkflows)
#include "tst_groupworkflows.moc"
