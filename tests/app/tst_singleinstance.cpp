// The whole windowed program, started as a process: only one copy runs at a time, it ends
// cleanly when the system asks it to, and its captions carry nothing the program did not set.

#include "TestWorkspace.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// The shipped program, and the same program with the tests' quit timer (tests/app/testrun).
const QString kProgram = QStringLiteral(KV_PROGRAM_PATH);
const QString kTestRun = QStringLiteral(KV_TESTRUN_PATH);

// A copy of the program in the workspace, with its own runtime folder so that the test never
// meets a copy that a user (or another test run) has open. With quitAfterMs the test build ends
// by itself; without, the shipped program runs until it is told to end.
void prepare(QProcess &p, const QString &workspace, const QString &runtime, int quitAfterMs = 0)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime);
    if (quitAfterMs > 0)
        env.insert("KV_TEST_QUIT_AFTER_MS", QString::number(quitAfterMs));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workspace);
    p.setProgram(quitAfterMs > 0 ? kTestRun : kProgram);
}

// Whether a running copy holds the single-instance mark: on Windows the named mutex, elsewhere
// the lock file in the runtime folder the test gave it.
bool markTaken(const QString &runtime)
{
#ifdef Q_OS_WIN
    Q_UNUSED(runtime);
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Kelvatrone");
    if (mutex == nullptr)
        return false;
    CloseHandle(mutex);
    return true;
#else
    return QFileInfo::exists(runtime + "/Kelvatrone.lock");
#endif
}

}   // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // --version and --help answer and end: without a display (no QT_QPA_PLATFORM, no DISPLAY),
    // without making the per-user workspace or taking the lock.
    void versionAndHelpNeedNoDisplay()
    {
        QTemporaryDir home;
        for (const QString &option : {QStringLiteral("--version"), QStringLiteral("--help")}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("QT_QPA_PLATFORM");
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
            env.insert("XDG_DATA_HOME", home.path());
            env.insert("XDG_RUNTIME_DIR", home.path());
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(home.path());
            p.start(kProgram, {option});
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), 0);
            const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
            QVERIFY2(out.startsWith(option == QLatin1String("--version") ? "Kelvatrone v" : "usage: kelvatrone"),
                     qPrintable(out));
            QCOMPARE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        }
    }

    void secondCopyRefused()
    {
        if (!QFileInfo::exists(kProgram))
            QFAIL("build the kelvatrone program first");
        TestWorkspace ws;
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcess first;
        prepare(first, ws.root(), runtime.path(), 60000);
        first.start();
        QVERIFY(first.waitForStarted(10000));
        auto stopFirst = qScopeGuard([&first] {
            if (first.state() != QProcess::NotRunning) {
                first.kill();
                first.waitForFinished(5000);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(markTaken(runtime.path()), 15000);

        QProcess second;
        prepare(second, ws.root(), runtime.path(), 1500);
        second.start();
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 255);
        QVERIFY2(second.readAllStandardError().contains("Warning: One instance for Kelvatrone"),
                 "the one-instance message was not shown");
        QCOMPARE(first.state(), QProcess::Running);

        // A copy that died without cleaning up must not keep the program from starting.
        first.kill();
        QVERIFY(first.waitForFinished(5000));
#ifndef Q_OS_WIN
        QVERIFY(markTaken(runtime.path()));   // the stale lock file stays behind
#endif
        QProcess third;
        prepare(third, ws.root(), runtime.path(), 1500);
        third.start();
        QVERIFY(third.waitForFinished(20000));
        QCOMPARE(third.exitCode(), 0);
        const QByteArray thirdErr = third.readAllStandardError();
        QVERIFY(!thirdErr.contains("One instance"));
        // Captions are the string table's texts: no display name for the window system to
        // append (" — Kelvatrone") to each of them.
        QVERIFY2(thirdErr.contains("display name set: no"), thirdErr.constData());
    }

    // SIGTERM ends the shipped program as closing its window does: exit status 0, the lock
    // released. Also while a message box waits for an answer ("No Models Found" at a start
    // without a catalogue).
    void endsOnTermination_data()
    {
        QTest::addColumn<bool>("catalogue");
        QTest::newRow("main window") << true;
        QTest::newRow("message box open") << false;
    }
    void endsOnTermination()
    {
#ifdef Q_OS_WIN
        // QProcess::terminate() posts WM_CLOSE to the program's windows; the offscreen
        // platform the tests run on makes no native windows to receive it.
        QSKIP("no SIGTERM on Windows, and no native window under the offscreen platform");
#endif
        QFETCH(bool, catalogue);
        if (!QFileInfo::exists(kProgram))
            QFAIL("build the kelvatrone program first");
        TestWorkspace ws(catalogue);
        QTemporaryDir runtime;
        const QString lock = runtime.path() + "/Kelvatrone.lock";
        QProcess p;
        prepare(p, ws.root(), runtime.path());
        p.start();
        QVERIFY(p.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock), 15000);
        QTest::qWait(1500);   // let it reach its event loop (and its message box)
        p.terminate();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(lock));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
