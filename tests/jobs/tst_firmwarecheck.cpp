// The firmware file check and the progress estimate: what decides whether anything is sent.

#include "TestWorkspace.h"
#include "jobs/FirmwareJob.h"
#include "link/ErrorCodes.h"

#include <QtTest>

class FirmwareCheckTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void check_data();
    void check();
    void ctrlZEndsTheText();
    void problemNamesTheLine_data();
    void problemNamesTheLine();
    void missingFile();
    void linesWithoutLineEnds();
    void progressMaximum_data();
    void progressMaximum();
};

void FirmwareCheckTest::check_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("expected");

    const QByteArray l75(75, 'F');
    QTest::newRow("S-record") << QByteArray("S00600004844521B\r\nS9030000FC\r\n") << 0;
    QTest::newRow("S-record, LF") << QByteArray("S00600004844521B\nS9030000FC\n") << 0;
    QTest::newRow("intel hex") << QByteArray(":100000000C9434000C944F000C944F000C944F00B0\r\n")
                               << Err::UnableToOpenFile;
    QTest::newRow("empty") << QByteArray() << Err::UnableToOpenFile;
    QTest::newRow("lower-case s") << QByteArray("s0060000\r\n") << Err::UnableToOpenFile;
    QTest::newRow("leading blank") << QByteArray(" S0060000\r\n") << Err::UnableToOpenFile;
    // 75 characters and the line feed fill the 76 that travel whole behind "*SX".
    QTest::newRow("75 chars") << QByteArray("S" + l75.left(74) + "\r\nS9030000FC\r\n") << 0;
    QTest::newRow("75 chars, last line without end") << QByteArray("S0\r\nS" + l75.left(74)) << 0;
    QTest::newRow("76 chars") << QByteArray("S" + l75 + "\r\nS9030000FC\r\n") << Err::UnableToOpenFile;
    QTest::newRow("76 chars, last line") << QByteArray("S0\r\nS" + l75) << Err::UnableToOpenFile;
    QTest::newRow("77 chars deep in the file")
        << QByteArray("S0\r\nS1\r\nS" + l75 + "F\r\nS9\r\n") << Err::UnableToOpenFile;
    QTest::newRow("bell in a line") << QByteArray("S0\r\nS1\a\r\n") << Err::UnableToOpenFile;
    // Ctrl-Z is the end mark of a text file: whatever follows it is not read.
    QTest::newRow("Ctrl-Z after the last line") << QByteArray("S0\r\nS9\r\n\x1A") << 0;
    QTest::newRow("Ctrl-Z, then padding") << QByteArray("S0\r\nS9\r\n\x1A" + QByteArray(200, '\0')) << 0;
    QTest::newRow("Ctrl-Z first") << QByteArray("\x1AS0\r\n") << Err::UnableToOpenFile;
}

void FirmwareCheckTest::ctrlZEndsTheText()
{
    TestWorkspace ws;
    const QString path = ws.write(QStringLiteral("Version/fw.hx27"), "S0030000FC\r\nS9030000FC\x1A\r\nS1 junk\x07\r\n");
    QStringList lines;
    QCOMPARE(checkFirmwareFile(path, &lines), 0);
    QCOMPARE(lines, (QStringList{QStringLiteral("S0030000FC"), QStringLiteral("S9030000FC")}));
}

void FirmwareCheckTest::problemNamesTheLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::newRow("not S") << QByteArray(":00\r\n") << int(FirmwareFileProblem::NotFirmware) << 0;
    QTest::newRow("line 3 too long") << QByteArray("S0\r\nS1\r\nS" + QByteArray(75, 'F') + "\r\n")
                                     << int(FirmwareFileProblem::TooLong) << 3;
    QTest::newRow("tab in line 2") << QByteArray("S0\r\nS1\t00\r\n") << int(FirmwareFileProblem::ControlCharacter) << 2;
    QTest::newRow("bare CR in line 1") << QByteArray("S0\rS1\r\n") << int(FirmwareFileProblem::ControlCharacter) << 1;
    // A file cut by a Ctrl-Z inside its last record: the record is shorter than its count says.
    QTest::newRow("record cut by Ctrl-Z")
        << QByteArray("S00600004844521B\r\nS1130000285F245F2212\x1A" + QByteArray(64, '\0'))
        << int(FirmwareFileProblem::CutRecord) << 2;
    QTest::newRow("larger than any firmware")
        << QByteArray("S0\r\n" + QByteArray(17 * 1024 * 1024, 'F')) << int(FirmwareFileProblem::TooLarge) << 0;
}

void FirmwareCheckTest::problemNamesTheLine()
{
    QFETCH(QByteArray, content);
    QFETCH(int, kind);
    QFETCH(int, line);
    TestWorkspace ws;
    FirmwareFileProblem problem;
    QCOMPARE(checkFirmwareFile(ws.write(QStringLiteral("Version/fw.hx27"), content), nullptr, &problem),
             Err::UnableToOpenFile);
    QCOMPARE(int(problem.kind), kind);
    QCOMPARE(problem.line, line);
}

void FirmwareCheckTest::check()
{
    QFETCH(QByteArray, content);
    QFETCH(int, expected);
    TestWorkspace ws;
    const QString path = ws.write(QStringLiteral("Version/fw.hx27"), content);
    QCOMPARE(checkFirmwareFile(path), expected);
}

void FirmwareCheckTest::missingFile()
{
    TestWorkspace ws;
    QCOMPARE(checkFirmwareFile(ws.path(QStringLiteral("Version/none.hx27"))), Err::FileNotFound);
    QCOMPARE(checkFirmwareFile(ws.firmware()), Err::FileNotFound);   // a folder is no file
}

void FirmwareCheckTest::linesWithoutLineEnds()
{
    TestWorkspace ws;
    const QString path = ws.write(QStringLiteral("Version/fw.hx27"), "S0030000FC\r\nS1050000AABB\nS9030000FC");
    QStringList lines;
    QCOMPARE(checkFirmwareFile(path, &lines), 0);
    QCOMPARE(lines,
             (QStringList{QStringLiteral("S0030000FC"), QStringLiteral("S1050000AABB"), QStringLiteral("S9030000FC")}));
}

void FirmwareCheckTest::progressMaximum_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("maximum");
    QTest::newRow("7100 bytes") << qint64(7100) << 100;
    QTest::newRow("7099 bytes") << qint64(7099) << 99;
    QTest::newRow("70 bytes") << qint64(70) << 0;
    QTest::newRow("1 MB") << qint64(1048576) << 14768;
}

void FirmwareCheckTest::progressMaximum()
{
    QFETCH(qint64, size);
    QFETCH(int, maximum);
    QCOMPARE(firmwareProgressMaximum(size), maximum);
}

QTEST_GUILESS_MAIN(FirmwareCheckTest)
#include "tst_firmwarecheck.moc"
