// The installed program: the build tree installed into a scratch DESTDIR, checked file by file,
// and started as the desktop entry starts it, by a user whose home folder is empty.

#include "app/windows/Pictures.h"
#include "LoggerSamples.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kAppId = QStringLiteral("org.kelvatrone.Kelvatrone");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing " + path.toLocal8Bit() + ">");
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run run(const QString &program, const QStringList &args, const QByteArray &input = QByteArray(),
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return Run{-1, {}, program.toLocal8Bit() + " did not start"};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
               p.readAllStandardError()};
}

QString tool(const char *name)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty())
        qWarning("%s is missing: scripts/install-deps installs it", name);
    return path;
}

// Every file and folder below root with its content.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> all;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        all[QDir(root).relativeFilePath(p)] = QFileInfo(p).isDir() ? QByteArray("<dir>") : readAll(p);
    }
    return all;
}

}   // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir destdir;
    QString usr;   // the installed prefix inside destdir

    QString installed(const QString &relative) const { return usr + QLatin1Char('/') + relative; }

    // The desktop entry's Exec line, as a desktop would run it from the installed tree.
    QStringList execLine()
    {
        QString exec;
        for (const QByteArray &line : readAll(installed("share/applications/" + kAppId + ".desktop")).split('\n')) {
            if (line.startsWith("Exec="))
                exec = QString::fromUtf8(line.mid(5));
        }
        QStringList words = QProcess::splitCommand(exec);
        words.removeIf([](const QString &w) { return w.startsWith('%'); });   // field codes
        if (!words.isEmpty() && !words[0].contains('/'))
            words[0] = installed("bin/" + words[0]);
        return words;
    }

    // Starts the program as the desktop does: in the home folder, with nothing but the user's
    // environment, offscreen. Returns once the program runs in the workspace, having shown
    // its main window for a moment, and ends it from outside.
    void startFromMenu(const QString &home, const QString &workspace)
    {
        const QStringList exec = execLine();
        QVERIFY2(!exec.isEmpty(), "no Exec line");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_DATA_HOME");
        env.remove("XDG_CONFIG_HOME");
        env.insert("HOME", home);
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PATH", installed("bin") + ':' + env.value("PATH"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home);
        p.start(exec[0], exec.mid(1));
        QVERIFY(p.waitForStarted(10000));
        auto stop = qScopeGuard([&p] {
            p.kill();
            p.waitForFinished(5000);
        });
        // The program moves into its workspace just before it creates its main window.
        const QString cwd = QStringLiteral("/proc/%1/cwd").arg(p.processId());
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(cwd).symLinkTarget(), workspace, 20000);
        QTest::qWait(1500);
        QVERIFY2(p.state() == QProcess::Running, p.readAllStandardError().constData());
        p.terminate();
        QVERIFY(p.waitForFinished(10000));
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(!err.contains("could not be created"), err.constData());
    }

    QTemporaryDir runtime;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(destdir.isValid() && runtime.isValid());
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", destdir.path());
        const Run r = run(QStringLiteral(KV_CMAKE_COMMAND), {"--install", KV_BUILD_DIR, "--prefix", "/usr"}, {}, env);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        usr = destdir.path() + QStringLiteral("/usr");
    }

    void programsRun_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("kelvatrone-cli") << "kelvatrone-cli" << QByteArray("Kelvatrone v1.15\n");
        QTest::newRow("kelvatrone-meter") << "kelvatrone-meter" << QByteArray("kelvatrone-meter v1.15\n");
    }
    void programsRun()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, version);
        const Run r = run(installed("bin/" + program), {"--version"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, version);
    }

    // The installed CLI finds its private drawing program and draws a TV logger's chart.
    void chartFromTheInstalledCli()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString logger = work.filePath("site.lg27t");
        QFile f(logger);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(tvLoggerHead(int(kSampleTvAnswers.size())) + tvLoggerLines(kSampleTvAnswers));
        f.close();
        QVERIFY(QFileInfo(installed("libexec/kelvatrone/kelvatrone-chart")).isExecutable());
        QVERIFY(!QFileInfo::exists(installed("bin/kelvatrone-chart")));
        const QString png = work.filePath("chart.png");
        const Run r = run(installed("bin/kelvatrone-cli"), {"--workspace", work.path(), "chart", logger, png});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(!QImage(png).isNull());
    }

    void data()
    {
        QCOMPARE(readAll(installed("share/kelvatrone/models.txt")), readAll(KV_SOURCE_DIR "/data/models.txt"));
        for (const char *f : {"demo/Channel/europe.ch26", "demo/meter/tv.txt", "demo/meter/modem.txt",
                              "demo/meter/plans/tdt.ch26", "demo/Version/demo.hx27"}) {
            QCOMPARE(readAll(installed("share/kelvatrone/") + f), readAll(QStringLiteral(KV_SOURCE_DIR "/data/") + f));
        }
        QCOMPARE(readAll(installed("share/doc/kelvatrone/copyright")).contains("GPL-3.0-or-later"), true);
    }

    void metadataValidates_data()
    {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList()
                                       << "share/applications/" + kAppId + ".desktop";
        QTest::newRow("metainfo") << "appstreamcli" << QStringList{"validate", "--no-net"}
                                  << "share/metainfo/" + kAppId + ".metainfo.xml";
    }
    void metadataValidates()
    {
        QFETCH(QString, validator);
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        const QString program = tool(validator.toLatin1().constData());
        QVERIFY(!program.isEmpty());
        const Run r = run(program, args << installed(file));
        QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
        if (validator == "desktop-file-validate")
            QVERIFY2(r.out.isEmpty() && r.err.isEmpty(), (r.out + r.err).constData());   // no hint either
    }

    void manPages_data()
    {
        QTest::addColumn<QString>("page");
        for (const char *p : {"kelvatrone", "kelvatrone-cli", "kelvatrone-meter"})
            QTest::newRow(p) << QString::fromLatin1(p);
    }
    void manPages()
    {
        QFETCH(QString, page);
        const QString gz = installed("share/man/man1/" + page + ".1.gz");
        QVERIFY(QFileInfo::exists(gz));
        const Run text = run(tool("gzip"), {"-dc", gz});
        QCOMPARE(text.exitCode, 0);
        const Run groff = run(tool("groff"), {"-ww", "-z", "-man"}, text.out);
        QCOMPARE(groff.exitCode, 0);
        QVERIFY2(groff.err.isEmpty(), groff.err.constData());
        QVERIFY(text.out.contains(".TH " + page.toUpper().toLatin1() + " 1"));

        if (page != "kelvatrone-cli")
            return;
        // Every command and global option the program knows is in its manual page.
        const QString manual = QString::fromLatin1(text.out).remove("\\f").remove("\\");
        const Run help = run(installed("bin/kelvatrone-cli"), {"help"});
        QCOMPARE(help.exitCode, 0);
        int commands = 0;
        QString optionLines = QString::fromUtf8(help.out).section('\n', 0, 0);
        for (const QString &line : QString::fromUtf8(help.out).split('\n')) {
            const QString name = line.startsWith("  ") ? line.trimmed().section(' ', 0, 0) : QString();
            if (name.startsWith('-'))
                optionLines += '\n' + line;   // "  --version, --help, -h: ...": options, not a command
            if (name.isEmpty() || name.startsWith('-'))
                continue;
            ++commands;
            QVERIFY2(QRegularExpression("\\n\\.TP\\n\\.B[IR]? " + QRegularExpression::escape(name) + "[ \\n]")
                         .match(manual)
                         .hasMatch(),
                     qPrintable("no entry for the command " + name));
        }
        QVERIFY(commands >= 15);
        static const QRegularExpression option("(--[a-z-]+)");
        auto it = option.globalMatch(optionLines);
        QVERIFY(it.hasNext());
        while (it.hasNext()) {
            const QString o = it.next().captured(1);
            QVERIFY2(QRegularExpression("\\n\\.B[IR]? [^\\n]*" + QRegularExpression::escape(o) + "[\\s\"]")
                         .match(manual)
                         .hasMatch(),
                     qPrintable("no entry for the option " + o));
        }
    }

    // The icons are the program's own icon drawing, at every size the theme needs.
    void icons_data()
    {
        QTest::addColumn<int>("size");
        for (int s : {48, 64, 128, 256})
            QTest::newRow(qPrintable(QString::number(s))) << s;
    }
    void icons()
    {
        QFETCH(int, size);
        const QString png = installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size) + kAppId + ".png");
        QImage image(png);
        QVERIFY2(!image.isNull(), qPrintable(png));
        QCOMPARE(image.size(), QSize(size, size));
        const QImage drawn = Pictures::icon(size).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.convertToFormat(QImage::Format_ARGB32), drawn);

        const QByteArray svg = readAll(installed("share/icons/hicolor/scalable/apps/" + kAppId + ".svg"));
        QVERIFY(svg.contains("<svg") && svg.contains("viewBox=\"0 0 48 48\"") && svg.contains("<path"));
    }

    // The first start from the menu creates the per-user workspace; a later start uses it as it
    // is, whatever the user changed in it.
    void firstStartFromMenu()
    {
        QTemporaryDir homeDir;
        const QString home = homeDir.path();
        const QString ws = home + "/.local/share/Kelvatrone";
        startFromMenu(home, ws);
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(readAll(ws + "/models.txt"), readAll(installed("share/kelvatrone/models.txt")));
        for (const char *sub : {"Channel", "Version", "Temp"})
            QVERIFY2(QFileInfo(ws + '/' + sub).isDir(), sub);
        QCOMPARE(readAll(ws + "/st.stg"),
                 "#=====================================\r\nKelvatrone :  CONTROL REMOT PROGRAM\r\n"
                 "#=====================================\r\nPORT=COM1\r\nLIBRARY="
                     + ws.toLatin1()
                     + "/Channel\r\n"
                       "VERSION="
                     + ws.toLatin1() + "/Version\r\nTEMP=" + ws.toLatin1() + "/Temp\r\n[END]\r\n");
        // Nothing else in the home folder but the workspace and what the system keeps there.
        QCOMPARE(QDir(home + "/.local/share").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"Kelvatrone"});

        // The user edits the catalogue and the settings, removes a folder and adds a plan.
        {
            QFile models(ws + "/models.txt");
            QVERIFY(models.open(QIODevice::Append));
            models.write("7;KV-99;hx99;ch26;tx26;1;lg27m;lg27t;\r\n");
        }
        {
            QFile settings(ws + "/st.stg");
            QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
            settings.write("PORT=/dev/ttyUSB7\r\nLIBRARY=" + ws.toLatin1() + "/Channel\r\n[END]\r\n");
        }
        QVERIFY(QDir(ws + "/Temp").removeRecursively());
        QVERIFY(QFile::copy(KV_SOURCE_DIR "/data/demo/Channel/usa.ch26", ws + "/Channel/usa.ch26"));
        const auto before = snapshot(ws);

        startFromMenu(home, ws);
        QCOMPARE(snapshot(ws), before);
    }
};

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);   // the icon comparison draws pictures
    TestInstall test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_install.moc"
