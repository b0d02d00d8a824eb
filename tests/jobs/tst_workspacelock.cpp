// Two jobs on one workspace: the working files have fixed names, so the second job waits for
// the first (saying for whom), or with --no-wait gives up at once; a dead holder's lock is
// taken over. Run for real: two command-line processes against two simulated meters.

#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/WorkspaceLock.h"
#include "link/ErrorCodes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>
#include <memory>

namespace {

QStringList received(const SimulatedMeter &meter)
{
    QFile f(meter.stateDir() + QStringLiteral("/plans-received.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::unique_ptr<QProcess> startCli(const TestWorkspace &ws, const QStringList &args)
{
    auto p = std::make_unique<QProcess>();
    p->setProgram(QStringLiteral(KV_CLI_PATH));
    p->setArguments(QStringList{QStringLiteral("--workspace"), ws.root()} + args);
    p->start();
    return p;
}

}   // namespace

class TestWorkspaceLock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Two groups sent at once to two meters from one workspace: each meter gets its own group,
    // whole, in every round.
    void twoSendsKeepTheirOwnGroups()
    {
        TestWorkspace ws;
        const QString a =
            ws.write(QStringLiteral("Channel/a.ch26"),
                     planText(QStringLiteral("ALPHA"),
                              {QStringLiteral("1,AA,474.00,476.75,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,AUTO")}));
        const QString b =
            ws.write(QStringLiteral("Channel/b.ch26"),
                     planText(QStringLiteral("BRAVO"),
                              {QStringLiteral("1,BB,482.00,484.75,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,AUTO")}));
        for (int round = 0; round < 3; ++round) {
            SimulatedMeter one, two;
            QVERIFY(one.start());
            QVERIFY(two.start());
            auto first = startCli(ws, {"--port", one.devicePath(), "--model", "KV-27", "send-group", a, a, a});
            auto second = startCli(ws, {"--port", two.devicePath(), "--model", "KV-27", "send-group", b, b});
            QVERIFY(first->waitForFinished(60000));
            QVERIFY(second->waitForFinished(60000));
            QCOMPARE(first->exitCode(), 0);
            QCOMPARE(second->exitCode(), 0);
            const QStringList gotOne = received(one);
            const QStringList gotTwo = received(two);
            QVERIFY2(gotOne.contains(QStringLiteral("*PN03")) && gotOne.filter(QStringLiteral("ALPHA")).size() == 3
                         && gotOne.filter(QStringLiteral("BRAVO")).isEmpty(),
                     qPrintable(gotOne.join(QLatin1Char(' '))));
            QVERIFY2(gotTwo.contains(QStringLiteral("*PN02")) && gotTwo.filter(QStringLiteral("BRAVO")).size() == 2
                         && gotTwo.filter(QStringLiteral("ALPHA")).isEmpty(),
                     qPrintable(gotTwo.join(QLatin1Char(' '))));
        }
    }

    // A held lock: --no-wait fails at once naming the holder; without it the command says whom
    // it waits for and goes on when the lock is released.
    void secondJobWaitsOrGivesUp()
    {
        TestWorkspace ws;
        SimulatedMeter meter(
            {QStringLiteral("--loggers"), TestWorkspace::source(QStringLiteral("tests/fixtures/meter"))});
        QVERIFY(meter.start());
        WorkspaceLock held;
        QCOMPARE(held.acquire(WorkspaceJob::SendGroup, false, {}), 0);
        const QString holder = QStringLiteral("%1, pid %2, sending a group")
                                   .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                                   .arg(QCoreApplication::applicationPid());
        QCOMPARE(WorkspaceLock::currentHolder(), holder);

        const QStringList receive{"--port",         meter.devicePath(), "--model", "KV-27",
                                  "receive-logger", "--family",         "tv",      "0"};
        QElapsedTimer t;
        t.start();
        auto refused = startCli(ws, QStringList{"--no-wait"} + receive);
        QVERIFY(refused->waitForFinished(10000));
        QCOMPARE(refused->exitCode(), 1);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(QString::fromLocal8Bit(refused->readAllStandardError()).trimmed(),
                 QStringLiteral("The working files are in use by ") + holder);
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("Temp/temp00.lg27t"))));
        // Told in the language of whoever waits, whatever the holder's.
        auto spanish = startCli(ws, QStringList{"--lang", "es", "--no-wait"} + receive);
        QVERIFY(spanish->waitForFinished(10000));
        QVERIFY2(QString::fromLocal8Bit(spanish->readAllStandardError()).contains(QStringLiteral("enviando un grupo")),
                 "the job in Spanish");

        auto waiting = startCli(ws, receive);
        QVERIFY(!waiting->waitForFinished(1500));   // still waiting for the lock
        waiting->setReadChannel(QProcess::StandardError);
        QVERIFY(QString::fromLocal8Bit(waiting->peek(4096)).contains(QStringLiteral("Waiting for ") + holder));
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("Temp/temp00.lg27t"))));
        held.release();
        QVERIFY(waiting->waitForFinished(30000));
        QCOMPARE(waiting->exitCode(), 0);
        QVERIFY(QFile::exists(ws.path(QStringLiteral("Temp/temp00.lg27t"))));
    }

    // What a killed job left (copies not yet moved into place, scratch copies) goes when the next
    // job takes the working files; files of other names stay.
    void strayFilesOfKilledJobsAreRemoved()
    {
        TestWorkspace ws;
        const QStringList stray = {"send.pro.AbC123",  "temp03.lg27t.x1Y2z3", "logger.tlg.Q0w9E8",
                                   "temp.tkv8.aaaaaa", "file00.tmp",          "file12.tmp"};
        const QStringList kept = {"roof.csv.AbC123", "site.lg27t",     "temp03.lg27t",
                                  "send.pro",        "ab.ch26.AbC123", "file00.tmp.txt"};
        for (const QString &name : stray + kept)
            ws.write(QStringLiteral("Temp/") + name, "x");
        WorkspaceLock lock;
        QCOMPARE(lock.acquire(WorkspaceJob::ReceiveAll, false, {}), 0);
        for (const QString &name : stray)
            QVERIFY2(!QFile::exists(ws.path(QStringLiteral("Temp/") + name)), qPrintable(name));
        for (const QString &name : kept)
            QVERIFY2(QFile::exists(ws.path(QStringLiteral("Temp/") + name)), qPrintable(name));
    }

    // The lock of a process that died (killed mid-job) does not hold anyone up.
    void deadHoldersLockIsTakenOver()
    {
        TestWorkspace ws;
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        const qint64 deadPid = sleeper.processId();
        sleeper.kill();
        sleeper.waitForFinished();
        // Qt's lock file layout: pid, program, host.
        ws.write(QStringLiteral("Temp/kelvatrone.lock"),
                 QStringLiteral("%1\nkelvatrone-cli\n%2\n").arg(deadPid).arg(QSysInfo::machineHostName()).toUtf8());
        WorkspaceLock lock;
        QCOMPARE(lock.acquire(WorkspaceJob::ReceiveAll, false, {}), 0);
        QVERIFY(lock.held());
        lock.release();
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("Temp/kelvatrone.lock"))));
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("Temp/kelvatrone.lock.job"))));
    }
};

QTEST_GUILESS_MAIN(TestWorkspaceLock)
#include "tst_workspacelock.moc"
