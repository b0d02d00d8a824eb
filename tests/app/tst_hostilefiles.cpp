// Files of 100 MB where the program expects a few kilobytes (a logger, a firmware file, the
// settings, the catalogue, a plan): each command refuses or passes over them in bounded memory
// and time, with the message of that kind of file.

#include "CliRun.h"
#include "TestWorkspace.h"

#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

constexpr qint64 kHuge = 100 * 1024 * 1024;

// A file that begins like the real thing and goes on for 100 MB without a line end.
bool writeHuge(const QString &path, const QByteArray &start)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(start);
    const QByteArray block(1024 * 1024, 'A');
    while (f.size() < kHuge)
        f.write(block);
    return true;
}

// AddressSanitizer reserves terabytes of address space for its shadow memory: under it the
// limit cannot be set, and only the time is checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The command line under a 400 MB address-space limit: a reader that took the whole file
// (and its copies) into memory would fail to allocate.
struct Bounded {
    int status = -1;
    QString err;
    qint64 ms = 0;
};

Bounded runBounded(const QString &folder, const QStringList &args)
{
    QStringList quoted;
    for (const QString &a : args)
        quoted << QStringLiteral("'%1'").arg(a);
    QProcess p;
    p.setWorkingDirectory(folder);
    QElapsedTimer t;
    t.start();
    const QString limit = kAddressSanitizer ? QString() : QStringLiteral("ulimit -v 400000; ");
    p.start(QStringLiteral("bash"),
            {QStringLiteral("-c"),
             QStringLiteral("%1exec '%2' %3").arg(limit, QStringLiteral(KV_CLI_PATH), quoted.join(QLatin1Char(' ')))});
    Bounded b;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return b;
    }
    b.ms = t.elapsed();
    b.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    b.err = QString::fromLocal8Bit(p.readAllStandardError());
    return b;
}

}   // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hugeFilesAreRefusedInBoundedMemory()
    {
        TestWorkspace ws;
        const QByteArray head = "#=====================================\r\nKelvatrone :  CONTROL REMOT PROGRAM\r\n"
                                "#=====================================\r\n";
        // One file under four names (the disk of a test run is not filled four times).
        QVERIFY(writeHuge(ws.path(QStringLiteral("Temp/tempcm00.lg27m")), head + "DEVICE=KORVEL-25\r\nINFO="));
        for (const char *name : {"Temp/temp00.lg27t", "Version/big.hx27", "Channel/big.ch26"})
            QVERIFY(QFile::link(ws.path(QStringLiteral("Temp/tempcm00.lg27m")), ws.path(QString::fromLatin1(name))));

        const QString unable = ErrorCodeText(Err::UnableToOpenFile);
        Bounded r = runBounded(ws.root(), {"export", "Temp/tempcm00.lg27m", "out.csv", "--family", "modem"});
        QVERIFY2(r.status == 1 && r.err.contains(unable), qPrintable(r.err));
        QVERIFY(r.ms < 10000);
        r = runBounded(ws.root(), {"report", "Temp/temp00.lg27t", "out.txt"});
        QVERIFY2(r.status == 1, qPrintable(r.err));
        r = runBounded(ws.root(), {"chart", "Temp/temp00.lg27t", "out.png"});
        QVERIFY2(r.status == 1 && r.err.contains(unable), qPrintable(r.err));
        r = runBounded(ws.root(), {"check-plan", "Channel/big.ch26"});
        QVERIFY2(r.status == 1, qPrintable(r.err));
        // The firmware file is refused before the port is opened, saying why.
        r = runBounded(ws.root(), {"--model", "KV-27", "--port", ws.path("no-port"), "upgrade", "big.hx27"});
        QVERIFY2(r.status == 1 && r.err.contains(StringTable::text(303).arg(16)), qPrintable(r.err));
        QVERIFY(r.ms < 10000);
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("out.csv"))));
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("out.png"))));
    }

    // Settings and catalogue of 100 MB: the program starts as with missing ones, within bounds.
    void hugeSettingsAndCatalogue()
    {
        TestWorkspace ws(false);
        QVERIFY(writeHuge(ws.path(QStringLiteral("st.stg")),
                          "1;KV-27;hx27;ch26;tx26;1;lg27m;lg27t;\r\nPORT=COM1\r\nTEMP="));
        QVERIFY(QFile::link(ws.path(QStringLiteral("st.stg")), ws.path(QStringLiteral("models.txt"))));
        const Bounded r = runBounded(ws.root(), {"info"});
        QVERIFY2(r.status == 0 || r.status == 1, qPrintable(r.err));
        QVERIFY(r.ms < 10000);
    }
};

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
