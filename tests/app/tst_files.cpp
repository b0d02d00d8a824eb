#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "datalogger/LoggerFiles.h"
#include <QTest>
#include <algorithm>
#include <climits>

class TestFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The one reader of a leading integer (meter answers, logger files, group jobs): blanks and
    // a sign before ASCII digits, the rest of the text ignored, an absurd length saturated.
    void leadingIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("value");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain") << "42" << 42LL << true;
        QTest::newRow("blanks and tab") << " \t 7abc" << 7LL << true;
        QTest::newRow("sign") << "-15,5" << -15LL << true;
        QTest::newRow("plus") << "+3" << 3LL << true;
        QTest::newRow("leading zeros") << "007" << 7LL << true;
        QTest::newRow("no digits") << "abc" << 0LL << false;
        QTest::newRow("sign only") << "-" << 0LL << false;
        QTest::newRow("empty") << "" << 0LL << false;
        QTest::newRow("line feed is not a blank") << "\n5" << 0LL << false;
        QTest::newRow("Arabic-Indic digit is not read") << QString::fromUtf8("\u0665") << 0LL << false;
        QTest::newRow("18 digits") << "123456789012345678" << 123456789012345678LL << true;
        QTest::newRow("40 digits saturate") << QString(40, QLatin1Char('9')) << 999999999999999999LL << true;
        QTest::newRow("negative saturates") << "-" + QString(30, QLatin1Char('8')) << -999999999999999999LL << true;
    }
    void leadingIntegers()
    {
        QFETCH(QString, text);
        QFETCH(qlonglong, value);
        QFETCH(bool, found);
        bool f = !found;
        QCOMPARE(leadingInteger(text, &f), value);
        QCOMPARE(f, found);
        // The logger files' int form clamps to an int.
        QCOMPARE(Logger::leadingInt(text), int(std::clamp<long long>(value, INT_MIN, INT_MAX)));
    }

    void workingNames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("scratch 0") << int(FileKind::ScratchCopy) << 0 << "file00.tmp";
        QTest::newRow("tv logger 5") << int(FileKind::TvLoggerData) << 5 << "temp05.lg27t";
        QTest::newRow("modem 123") << int(FileKind::ModemLoggerData) << 123 << "tempcm123.lg26m";
        QTest::newRow("print 7") << int(FileKind::PrintText) << 7 << "print07.txt";
        QTest::newRow("none") << int(FileKind::None) << 1 << "";
    }
    void workingNames()
    {
        QFETCH(int, kind);
        QFETCH(int, number);
        QFETCH(QString, name);
        TestWorkspace ws;
        app().CurrentModel.tvLoggerFileType = QStringLiteral("lg27t");
        app().CurrentModel.modemLoggerFileType = QStringLiteral("lg26m");
        QCOMPARE(workingFileName(FileKind(kind), number), name);
    }
    void freeNameSkipsExisting()
    {
        TestWorkspace ws;
        QCOMPARE(freeWorkingFile(FileKind::ScratchCopy), ws.temp() + "/file00.tmp");
        ws.write("Temp/file00.tmp", "x");
        ws.write("Temp/file01.tmp", "x");
        QCOMPARE(freeWorkingFile(FileKind::ScratchCopy), ws.temp() + "/file02.tmp");
    }
    // Reading stops at the limit: a file over it, or a device without end, is refused.
    void readingIsBounded()
    {
        TestWorkspace ws;
        QByteArray bytes;
        QVERIFY(readFileBytes(ws.write("small.txt", "abc\r\n"), bytes));
        QCOMPARE(bytes, QByteArray("abc\r\n"));
        QVERIFY(!readFileBytes(ws.write("big.txt", QByteArray(101, 'x')), bytes, 100));
        QVERIFY(bytes.isEmpty());
        QVERIFY(readFileBytes(ws.path("big.txt"), bytes, 101));
#ifdef Q_OS_UNIX
        QVERIFY(!readFileBytes(QStringLiteral("/dev/zero"), bytes));   // Windows has no endless device
        QVERIFY(bytes.isEmpty());
#endif
    }

    void pathsAndHex()
    {
        QCOMPARE(hexText(255), QStringLiteral("FF"));
        QCOMPARE(hexText(256), QStringLiteral("0100"));
        const QString p35 = QStringLiteral("C:/work/plans/europe/west/plan.ch26");
        QCOMPARE(shortenPath(p35, 30), QStringLiteral("C:/.../plan.ch26"));
        const QString p30 = QStringLiteral("/a/bcdefghijklmnopqrstuvwxyz12");
        QCOMPARE(p30.size(), 30);
        QCOMPARE(shortenPath(p30, 30), p30);
        QVERIFY(shortenPath(p30 + "3", 30) != p30 + "3");
        QCOMPARE(shortenPath(QString(40, QLatin1Char('x')), 30), QString(40, QLatin1Char('x')));
        QCOMPARE(displayTitle(QStringLiteral("/t/a.lg26m"), TitleStyle::Datalogger),
                 QStringLiteral("KORVEL-10  Datalogger: /t/a.lg26m"));
        QCOMPARE(displayTitle(QStringLiteral("/t/a.ch26"), TitleStyle::ChannelPlan),
                 QStringLiteral("Channel Plan : /t/a.ch26"));
        QCOMPARE(displayTitle(QStringLiteral("/t/a.ch26"), TitleStyle::PathOnly), QStringLiteral("/t/a.ch26"));
        QString script = QStringLiteral("send.pro");
        replaceExtension3(script, ScriptExtension::Kv8);
        QCOMPARE(script, QStringLiteral("send.kv8"));
        replaceExtension3(script, ScriptExtension::Hex);
        QCOMPARE(script, QStringLiteral("send.hex"));
        QString tiny = QStringLiteral("ab");
        replaceExtension3(tiny, ScriptExtension::Hex);
        QCOMPARE(tiny, QStringLiteral("ab"));
    }
    void copyKeepsBytesAndRefusesMissingSource()
    {
        TestWorkspace ws;
        const QByteArray body = QByteArray(250, 'a') + "\r\nline two\xe9\r\n";
        const QString src = ws.write("src.txt", body);
        QVERIFY(copyTextFile(src, ws.path("dst.txt")));
        QCOMPARE(ws.read("dst.txt"), body);
        ws.write("keep.txt", "keep");
        QVERIFY(!copyTextFile(ws.path("missing.txt"), ws.path("keep.txt")));
        QCOMPARE(ws.read("keep.txt"), QByteArray("keep"));
        QVERIFY(!copyTextFile(src, ws.path("nofolder/dst.txt")));
    }
    void linesReadBothEndings()
    {
        TestWorkspace ws;
        QStringList lines;
        QVERIFY(readTextLines(ws.write("a.txt", "one\r\ntwo\nthree"), lines));
        QCOMPARE(lines, QStringList({"one", "two", "three"}));
        QVERIFY(writeTextLinesAtomically(ws.path("b.txt"), {QStringLiteral("caf\u00e9"), QString()}));
        QCOMPARE(ws.read("b.txt"), QByteArray("caf\xe9\r\n\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
