// Which folder the program works in, and the per-user workspace created at the first start.

#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Settings.h"
#include "app/Workspace.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Every file and folder below root with its content, to show that nothing changed.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> all;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        all[QDir(root).relativeFilePath(p)] = QFileInfo(p).isDir() ? QByteArray("<dir>") : readAll(p);
    }
    return all;
}

QByteArray expectedSettings(const QString &folder)
{
    return "#=====================================\r\n"
           "Kelvatrone :  CONTROL REMOT PROGRAM\r\n"
           "#=====================================\r\n"
           "PORT=COM1\r\n"
           "LIBRARY="
           + folder.toLatin1()
           + "/Channel\r\n"
             "VERSION="
           + folder.toLatin1()
           + "/Version\r\n"
             "TEMP="
           + folder.toLatin1()
           + "/Temp\r\n"
             "[END]\r\n";
}

const QString kCatalogue = QStringLiteral(KV_SOURCE_DIR "/data/models.txt");

}   // namespace

class TestWorkspaceChoice : public QObject {
    Q_OBJECT

    QTemporaryDir *scratch = nullptr;
    QString dataHome;   // XDG_DATA_HOME of each case
    QString current;   // the start folder of each case
    QString user() const { return dataHome + QStringLiteral("/Kelvatrone"); }

private Q_SLOTS:
    void init()
    {
        scratch = new QTemporaryDir;
        QVERIFY(scratch->isValid());
        current = scratch->path() + QStringLiteral("/start");
        QVERIFY(QDir().mkpath(current));
#ifdef Q_OS_WIN
        // The per-user data folder is the system's known folder; Qt's test mode moves it to a
        // folder of its own ("qttest"), emptied around each case.
        QStandardPaths::setTestModeEnabled(true);
        dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QFile::remove(user());   // a case leaves a file there
        QDir(user()).removeRecursively();
#else
        dataHome = scratch->path() + QStringLiteral("/data");
        qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
#endif
        resetAppState();
    }
    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
#ifdef Q_OS_WIN
        QFile::remove(user());
        QDir(user()).removeRecursively();
#endif
        delete scratch;
        scratch = nullptr;
    }

    // The start folder and what the per-user folder holds decide the folder in use; neither
    // the command line nor the windowed program ever changes a workspace that exists.
    void choice_data()
    {
        QTest::addColumn<QString>("inStart");   // file put in the start folder, or empty
        QTest::addColumn<QString>("userHolds");   // "none", "empty folder", "workspace", "file"
        QTest::addColumn<bool>("cliUsesUser");
        QTest::addColumn<bool>("windowsUsesUser");
        QTest::addColumn<bool>("windowsCreates");

        QTest::newRow("catalogue here, workspace there") << "models.txt"
                                                         << "workspace" << false << false << false;
        QTest::newRow("settings here, nothing there") << "st.stg"
                                                      << "none" << false << false << false;
        QTest::newRow("nothing here, workspace there") << ""
                                                       << "workspace" << true << true << false;
        QTest::newRow("nothing here, empty folder there") << ""
                                                          << "empty folder" << true << true << false;
        QTest::newRow("nothing here, nothing there") << ""
                                                     << "none" << false << true << true;
        QTest::newRow("nothing here, a file there") << ""
                                                    << "file" << false << false << false;
    }
    void choice()
    {
        QFETCH(QString, inStart);
        QFETCH(QString, userHolds);
        QFETCH(bool, cliUsesUser);
        QFETCH(bool, windowsUsesUser);
        QFETCH(bool, windowsCreates);

        if (!inStart.isEmpty())
            writeFile(current + '/' + inStart, "changed by the user\r\n");
        if (userHolds == "workspace")
            writeFile(user() + "/models.txt", "1;MINE;;ch26;tx26;0;;;\r\n");
        else if (userHolds == "empty folder")
            QVERIFY(QDir().mkpath(user()));
        else if (userHolds == "file")
            writeFile(user(), "not a folder");
        const auto startBefore = snapshot(current);
        const auto dataBefore = snapshot(dataHome);

        const Workspace::Choice cli = Workspace::chooseForCommandLine(current);
        QCOMPARE(cli.folder, cliUsesUser ? user() : current);
        QCOMPARE(cli.origin, cliUsesUser ? Workspace::Origin::PerUser : Workspace::Origin::CurrentFolder);
        QCOMPARE(snapshot(dataHome), dataBefore);   // the command line creates nothing

        const Workspace::Choice win = Workspace::chooseForWindows(current, QFileInfo(kCatalogue).absolutePath());
        QCOMPARE(win.folder, windowsUsesUser ? user() : current);
        QCOMPARE(win.origin, windowsCreates    ? Workspace::Origin::PerUserCreated
                             : windowsUsesUser ? Workspace::Origin::PerUser
                                               : Workspace::Origin::CurrentFolder);
        QCOMPARE(win.error.isEmpty(), userHolds != "file");
        QCOMPARE(snapshot(current), startBefore);
        if (!windowsCreates)
            QCOMPARE(snapshot(dataHome), dataBefore);
        else
            QCOMPARE(snapshot(dataHome).keys(),
                     (QStringList{"Kelvatrone", "Kelvatrone/Channel", "Kelvatrone/Temp", "Kelvatrone/Version",
                                  "Kelvatrone/models.txt", "Kelvatrone/st.stg"}));
    }

    // The new workspace is what the program needs at once: the catalogue as delivered, the
    // three folders, and settings that name them.
    void createdWorkspace()
    {
        const Workspace::Choice c = Workspace::chooseForWindows(current, QFileInfo(kCatalogue).absolutePath());
        QCOMPARE(c.origin, Workspace::Origin::PerUserCreated);
        QCOMPARE(readAll(user() + "/models.txt"), readAll(kCatalogue));
        QVERIFY(QFileInfo(user() + "/models.txt").isWritable());
        QCOMPARE(readAll(user() + "/st.stg"), expectedSettings(user()));

        QVERIFY(QDir::setCurrent(c.folder));
        loadSettings();
        QCOMPARE(app().programFolder, user());
        QCOMPARE(app().libraryFolder, user() + "/Channel");
        QCOMPARE(app().firmwareFolder, user() + "/Version");
        QCOMPARE(app().tempFolder, user() + "/Temp");
        QCOMPARE(app().PortName, QString("COM1"));
    }

    // Settings keep values of at most 79 characters. A folder that does not fit is not
    // written cut (it would name another folder): the workspace then has no st.stg, and the
    // defaults give the same three folders.
    void folderTheSettingsCannotHold_data()
    {
        QTest::addColumn<QString>("subfolder");
        QTest::newRow("long") << QString(80, 'x');
    }
    void folderTheSettingsCannotHold()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows' per-user data folder is the system's known folder: no variable moves it for one case");
#endif
        QFETCH(QString, subfolder);
        dataHome += '/' + subfolder;
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        const Workspace::Choice c = Workspace::chooseForWindows(current, QFileInfo(kCatalogue).absolutePath());
        QCOMPARE(c.folder, user());
        QVERIFY(!QFileInfo::exists(user() + "/st.stg"));
        QVERIFY(QDir::setCurrent(c.folder));
        loadSettings();
        QCOMPARE(app().libraryFolder, user() + "/Channel");
        QCOMPARE(app().tempFolder, user() + "/Temp");
        QVERIFY(QFileInfo(app().tempFolder).isDir());
    }

    // A folder outside Latin-1 is kept in a settings file written in UTF-8, and read back.
    void folderOutsideLatin1()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows' per-user data folder is the system's known folder: no variable moves it for one case");
#endif
        dataHome += QString::fromUtf8("/\xce\xa9mega");
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        const Workspace::Choice c = Workspace::chooseForWindows(current, QFileInfo(kCatalogue).absolutePath());
        QCOMPARE(c.folder, user());
        QVERIFY(readAll(user() + "/st.stg").contains(QString(user() + "/Temp").toUtf8()));
        QVERIFY(QDir::setCurrent(c.folder));
        loadSettings();
        QCOMPARE(app().tempFolder, user() + "/Temp");
        QCOMPARE(app().libraryFolder, user() + "/Channel");
    }

    // Without the delivered catalogue no workspace is made (it could never identify a meter
    // and would never be completed later): the start folder is used, as before, with a reason.
    void missingCatalogue()
    {
        const Workspace::Choice c = Workspace::chooseForWindows(current, scratch->path() + "/nowhere");
        QCOMPARE(c.folder, current);
        QCOMPARE(c.origin, Workspace::Origin::CurrentFolder);
        QVERIFY(c.error.contains("catalogue"));
        QVERIFY(!QFileInfo::exists(user()));
        // No half-built workspace is left beside it either.
        QCOMPARE(QDir(dataHome).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // The build tree keeps the delivered catalogue where an installed tree has it.
    void deliveredCatalogue()
    {
        const QString folder = Workspace::deliveredDataFolder();
        QVERIFY2(!folder.isEmpty(), "no share/kelvatrone beside the test's folder");
        QCOMPARE(readAll(folder + "/models.txt"), readAll(kCatalogue));
    }

    // kelvatrone-cli follows the same rule and says in "info" which workspace it uses.
    void cliInfo_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("expectedLine");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("start folder") << "start" << QStringList() << "%start (the current folder)" << 0;
        QTest::newRow("per-user") << "user" << QStringList() << "%user (the per-user workspace)" << 0;
        QTest::newRow("given") << "user" << QStringList{"--workspace", "%other"} << "%other (--workspace)" << 0;
        QTest::newRow("none") << "" << QStringList() << "%start (the current folder)" << 1;
    }
    void cliInfo()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows' per-user data folder is the system's known folder: no variable moves it for one case");
#endif
        QFETCH(QString, setup);
        QFETCH(QStringList, options);
        QFETCH(QString, expectedLine);
        QFETCH(int, exitCode);
        const QString other = scratch->path() + "/other";
        QVERIFY(QDir().mkpath(other) && QFile::copy(kCatalogue, other + "/models.txt"));
        if (setup == "start")
            QVERIFY(QFile::copy(kCatalogue, current + "/models.txt"));
        if (setup == "user")
            QVERIFY(Workspace::createWorkspace(user(), kCatalogue, nullptr));
        auto expand = [&](QString s) {
            return s.replace("%start", current).replace("%user", user()).replace("%other", other);
        };
        for (QString &o : options)
            o = expand(o);

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dataHome);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(current);
        p.start(QStringLiteral(KV_CLI_PATH), options << "info");
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), exitCode);
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
        QVERIFY2(lines.contains("workspace:        " + expand(expectedLine)), qPrintable(lines.join('\n')));
        QVERIFY(setup == "user" || !QFileInfo::exists(user()));
    }
};

QTEST_GUILESS_MAIN(TestWorkspaceChoice)
#include "tst_workspace.moc"
