// Folders and files whose names are not ASCII, as a technician names them ("Mediciones Año",
// a customer's name in Greek or Chinese): UTF-16 paths on Windows, UTF-8 ones elsewhere. The
// command-line program reads and writes every kind of file there, and the per-user workspace
// is where the system keeps a user's data.
#include "CliRun.h"
#include "LoggerSamples.h"
#include "TestWorkspace.h"
#include "app/Workspace.h"
#include "channelplan/PlanFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFolder = QStringLiteral("Mediciones A\u00f1o \u03a9 \u6d4b\u91cf");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}   // namespace

class TestUnicodePaths : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Plans, a group, a logger, its report and CSV, and the archive, all in a folder and under
    // names no 8-bit code page holds together; the workspace given by --workspace too.
    void commandLineInANonAsciiWorkspace()
    {
        QTemporaryDir base;
        const QString root = base.path() + QLatin1Char('/') + kFolder;
        for (const char *sub : {"Channel", "Version", "Temp"})
            QVERIFY(QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub)));
        QVERIFY(QFile::copy(TestWorkspace::source(QStringLiteral("data/models.txt")), root + "/models.txt"));

        ChannelPlanFile plan;
        plan.planName = QStringLiteral("EUROPA");
        for (int i = 0; i < 3; ++i) {
            ChannelRecord c = ChannelRecord::newChannel();
            c.name = QStringLiteral("C%1").arg(i + 1);
            plan.channels << c;
        }
        const QString planPath = root + QStringLiteral("/Channel/Canal \u00d1 \u03b1.ch26");
        writePlanFile(planPath, plan);
        QVERIFY(QFile::exists(planPath));

        CliRun r = runCli({QStringLiteral("check-plan"), QStringLiteral("Channel/Canal \u00d1 \u03b1.ch26")}, root);
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("plan \"EUROPA\", 3 channels")), qPrintable(r.out + r.err));

        r = runCli({QStringLiteral("combine"), QStringLiteral("Temp/Grupo \u00c9 \u7ec4.tkv8"),
                    QStringLiteral("Channel/Canal \u00d1 \u03b1.ch26")},
                   root);
        QCOMPARE(r.status, 0);
        QVERIFY(bytesOf(root + QStringLiteral("/Temp/Grupo \u00c9 \u7ec4.tkv8")).contains("EUROPA"));

        const QString logger = QStringLiteral("Temp/Registro \u00c4 \u03b2.lg27t");
        QVERIFY(writeFile(root + QLatin1Char('/') + logger, sampleTvLogger()));
        r = runCli({QStringLiteral("report"), logger, QStringLiteral("Informe \u00dc \u62a5\u544a.txt")}, root);
        QCOMPARE(r.status, 0);
        const QByteArray report = bytesOf(root + QStringLiteral("/Informe \u00dc \u62a5\u544a.txt"));
        QVERIFY2(report.contains("C27"), report.left(300).constData());
        r = runCli({QStringLiteral("export"), logger, QStringLiteral("Tabla \u00df.csv")}, root);
        QCOMPARE(r.status, 0);
        QVERIFY(bytesOf(root + QStringLiteral("/Tabla \u00df.csv")).startsWith("\xEF\xBB\xBF"));

        r = runCli({QStringLiteral("archive"), QStringLiteral("import"), logger}, root);
        QCOMPARE(r.status, 0);
        r = runCli({QStringLiteral("archive"), QStringLiteral("check")}, root);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("The archive is whole: 1 entries"));

        // The workspace named on the command line from another folder, a file argument given
        // by its whole path.
        r = runCli({QStringLiteral("--workspace"), root, QStringLiteral("check-plan"), planPath}, base.path());
        QCOMPARE(r.status, 0);
    }

    // The per-user workspace is "Kelvatrone" in the folder where the system keeps a user's
    // data: on Windows the local application data folder, never a path made by hand.
    void perUserWorkspaceIsTheSystemsDataFolder()
    {
        const QString folder = Workspace::perUserFolder();
        QCOMPARE(folder,
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kelvatrone"));
#ifdef Q_OS_WIN
        QVERIFY2(folder.contains(QStringLiteral("/AppData/Local/"), Qt::CaseInsensitive), qPrintable(folder));
#endif
    }
};

QTEST_GUILESS_MAIN(TestUnicodePaths)
#include "tst_unicodepaths.moc"
