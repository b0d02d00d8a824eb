// Only one copy of the program runs at a time: runs the real program twice.

#include "TestWorkspace.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kProgram = QStringLiteral(KV_BUILD_DIR "/src/kelvatrone");

// A copy of the program in the workspace, with its own runtime folder so that the test never
// meets a copy that a user (or another test run) has open. quitAfterMs ends it by itself.
void prepare(QProcess &p, const QString &workspace, const QString &runtime, int quitAfterMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("KELVATRONE_QUIT_AFTER_MS", QString::number(quitAfterMs));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workspace);
    p.setProgram(kProgram);
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondCopyRefused()
    {
        if (!QFileInfo::exists(kProgram))
            QFAIL("build the kelvatrone program first");
        TestWorkspace ws;
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString lock = runtime.path() + "/Kelvatrone.lock";

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
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock), 15000);

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
        QVERIFY(QFileInfo::exists(lock));
        QProcess third;
        prepare(third, ws.root(), runtime.path(), 1500);
        third.start();
        QVERIFY(third.waitForFinished(20000));
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(!third.readAllStandardError().contains("One instance"));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
