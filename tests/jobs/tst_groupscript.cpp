// The group's command script, the decoding of received channels and the job dispatch: what the
// meter is told and what is written from its answers, without a meter.

#include "RecordingContext.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/ModelCatalogue.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"
#include "jobs/GroupJobs.h"
#include "jobs/Jobs.h"
#include "link/ErrorCodes.h"

#include <QProcess>
#include <QtTest>

namespace {

const QString kRule = QStringLiteral("#=====================================");

// The combined lines of one plan of one channel.
QStringList oneChannel(const QString &line)
{
    return {kRule,
            QStringLiteral("Kelvatrone :  CONTROL REMOT PROGRAM"),
            kRule,
            QStringLiteral("CHANNEL PLAN(1)"),
            QStringLiteral("CHANNEL8(X,,,,1,0)"),
            kRule,
            QStringLiteral("ORDER(0)"),
            line,
            kRule};
}

}   // namespace

class GroupScriptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exampleGroup();
    void threePlans();
    void channelLine_data();
    void channelLine();
    void unconvertible_data();
    void unconvertible();
    void scriptFiles();
    void combinedPath();
    void decode_data();
    void decode();
    void uniqueNames();
    void planFileNames_data();
    void planFileNames();
    void dispatch_data();
    void dispatch();
    void cliScript();
};

void GroupScriptTest::exampleGroup()
{
    TestWorkspace ws;
    const QString plan = ws.write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    const QString combined = combinedFilePath();
    QCOMPARE(writeCombinedFile(combined, {plan}), 0);
    QCOMPARE(BuildCommandScript(combined, ws.path(QStringLiteral("Temp/send.pro")), QStringLiteral("ch26")), 1);
    QCOMPARE(ws.read(QStringLiteral("Temp/send.pro")), joinLines(kExampleScript));
}

void GroupScriptTest::threePlans()
{
    TestWorkspace ws;
    QStringList members;
    for (const QString &n : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
        members << ws.write(QStringLiteral("Temp/%1.ch26").arg(n.toLower()), planText(n, kExampleChannels));
    QCOMPARE(writeCombinedFile(combinedFilePath(), members), 0);
    QStringList combined, script;
    QVERIFY(readTextLines(combinedFilePath(), combined));
    QCOMPARE(commandScriptLines(combined, QStringLiteral("ch26"), script), 1);
    QCOMPARE(script.mid(2, 8),
             (QStringList{QStringLiteral("*EP"), QStringLiteral("*PN03"), QStringLiteral("*CS00A"),
                          QStringLiteral("*CW00002"), QStringLiteral("*CS01B"), QStringLiteral("*CW01002"),
                          QStringLiteral("*CS02C"), QStringLiteral("*CW02002")}));
    // Every plan's channels carry its own number, from the section's ORDER line.
    QCOMPARE(script.at(10), QStringLiteral("*CF00000&C21&474000000&8000000&0&00&02&6875&129"));
    QCOMPARE(script.at(12), QStringLiteral("*CF01000&C21&474000000&8000000&0&00&02&6875&129"));
    QCOMPARE(script.at(15), QStringLiteral("*CF02001&S2&48250000&7000000&0&00&00&6875&00"));
    QCOMPARE(script.size(), 17);
    QCOMPARE(script.last(), QStringLiteral("*PM01"));
}

void GroupScriptTest::channelLine_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("command");

    const QString ch26 = QStringLiteral("ch26"), ch25 = QStringLiteral("ch25");
    QTest::newRow("single precision 471.31") << ch26 << "1,X,471.31,0,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO"
                                             << "*CF00000&X&471309998&8000000&0&00&00&6875&129";
    QTest::newRow("471.25 exact") << ch26 << "1,X,471.25,0,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO"
                                  << "*CF00000&X&471250000&8000000&0&00&00&6875&129";
    QTest::newRow("114.35") << ch26 << "1,X,114.35,0,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO"
                            << "*CF00000&X&114349998&8000000&0&00&00&6875&129";
    QTest::newRow("negative offset") << ch26 << "1,X,474.00,0,-2.5,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO"
                                     << "*CF00000&X&474000000&8000000&-2500000&00&00&6875&129";
    QTest::newRow("channel 12, annex C, QAM256") << ch26 << "12,C12,474.00,0,0.0,8.0,ON,DIGITAL,6875,C,QAM256,AUTO,AUTO"
                                                 << "*CF00011&C12&474000000&8000000&0&02&04&6875&129";
    QTest::newRow("analog system NTSC/N") << ch26 << "3,N,55.25,0,0.0,6.0,ON,ANALOG,6875,B,QAM64,AUTO,NTSC/N"
                                          << "*CF00002&N&55250000&6000000&0&17&02&6875&128";
    QTest::newRow("digital OFF") << ch26 << "1,X,474.00,0,0.0,8.0,OFF,DIGITAL,6875,B,QPSK,AUTO,AUTO"
                                 << "*CF00000&X&474000000&8000000&0&01&05&6875&01";
    QTest::newRow("symbol rate wraps at 14 bits") << ch26 << "1,X,474.00,0,0.0,8.0,ON,DIGITAL,23259,DVB,QAM16,AUTO,AUTO"
                                                  << "*CF00000&X&474000000&8000000&0&00&00&6875&129";
    QTest::newRow("short symbol rate") << ch26 << "1,X,474.00,0,0.0,8.0,ON,DIGITAL,100,DVB,QAM16,AUTO,AUTO"
                                       << "*CF00000&X&474000000&8000000&0&00&00&0100&129";
    // Enumerated texts compare exactly: another spelling is value 0; another mode is analog.
    QTest::newRow("lower-case modulation") << ch26 << "1,X,474.00,0,0.0,8.0,ON,DIGITAL,6875,DVB,qam64,AUTO,AUTO"
                                           << "*CF00000&X&474000000&8000000&0&00&00&6875&129";
    QTest::newRow("unknown mode is analog") << ch26 << "1,X,474.00,0,0.0,8.0,ON,Digital,6875,C,QAM16,AUTO,PAL/I"
                                            << "*CF00000&X&474000000&8000000&0&03&00&6875&128";
    QTest::newRow("analog, unknown system") << ch26 << "1,X,474.00,0,0.0,8.0,OFF,ANALOG,6875,C,QAM16,AUTO,AUTO"
                                            << "*CF00000&X&474000000&8000000&0&00&00&6875&00";
    QTest::newRow("ch25 short form") << ch25 << "1,C21,474.00,476.75,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,AUTO"
                                     << "*CF00000&C21&474000000&8000000&0&";
    QTest::newRow("ch25 negative offset") << ch25 << "2,S2,48.25,50.25,-2.5,7.0,OFF,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG"
                                          << "*CF00001&S2&48250000&7000000&-2500000&";
}

void GroupScriptTest::channelLine()
{
    QFETCH(QString, type);
    QFETCH(QString, line);
    QFETCH(QString, command);
    QStringList script;
    QCOMPARE(commandScriptLines(oneChannel(line), type, script), 1);
    QCOMPARE(script.size(), 8);
    QCOMPARE(script.at(6), command);
}

void GroupScriptTest::unconvertible_data()
{
    QTest::addColumn<QStringList>("combined");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("script");

    const QString good = QStringLiteral("1,X,474.00,0,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO");
    const QStringList head = {QStringLiteral("*FL08"),  kExampleFs,
                              QStringLiteral("*EP"),    QStringLiteral("*PN01"),
                              QStringLiteral("*CS00X"), QStringLiteral("*CW00001")};
    // A model whose plans are neither type: the headers go, no channel does, and the script
    // still ends as the meter expects.
    QTest::newRow("other plan type") << oneChannel(good) << QStringLiteral("ch24") << (head + QStringList{"*PM01"});
    QTest::newRow("no plan type") << oneChannel(good) << QString() << (head + QStringList{"*PM01"});
    QStringList noParen = oneChannel(good);
    noParen[6] = QStringLiteral("ORDER");
    QTest::newRow("ORDER without (") << noParen << QStringLiteral("ch26") << (head + QStringList{"*PM01"});
    QTest::newRow("8 commas") << oneChannel(QStringLiteral("1,X,474.00,0,0.0,8.0,ON,DIGITAL,6875"))
                              << QStringLiteral("ch26") << (head + QStringList{"*PM01"});
    QTest::newRow("no channel number") << oneChannel(QStringLiteral("X,X,474.00,0,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,"))
                                       << QStringLiteral("ch26") << (head + QStringList{"*PM01"});
    QStringList badCount = oneChannel(good);
    badCount[3] = QStringLiteral("CHANNEL PLAN");
    QTest::newRow("plan count without (")
        << badCount << QStringLiteral("ch26") << QStringList{"*FL08", kExampleFs, "*PM01"};
}

void GroupScriptTest::unconvertible()
{
    QFETCH(QStringList, combined);
    QFETCH(QString, type);
    QFETCH(QStringList, script);
    QStringList out;
    QString failed;
    QCOMPARE(commandScriptLines(combined, type, out, &failed), 0);
    QCOMPARE(out, script);
    QVERIFY(!failed.isEmpty());
}

void GroupScriptTest::scriptFiles()
{
    TestWorkspace ws;
    app().CurrentModel.planFileType = QStringLiteral("ch26");
    const QString combined =
        ws.write(QStringLiteral("Temp/temp.tkv8"),
                 joinLines(oneChannel(QStringLiteral("1,C21,474.00,476.75,0.0,8.0,ON,DIGITAL,6875,DVB,"
                                                     "QAM64,AUTO,AUTO"))));
    QCOMPARE(BuildCommandScript(ws.path(QStringLiteral("Temp/none.tkv8"))), -8);
    QVERIFY(!fileExists(ws.path(QStringLiteral("Temp/send.pro"))));
    QCOMPARE(CopyCommandScript(ws.path(QStringLiteral("Temp/copy.pro"))), 0);   // no script yet
    QVERIFY(!fileExists(ws.path(QStringLiteral("Temp/copy.pro"))));

    QCOMPARE(BuildCommandScript(combined), 1);
    const QByteArray script = ws.read(QStringLiteral("Temp/send.pro"));
    QVERIFY(script.startsWith("*FL08\r\n*FS0004"));
    QVERIFY(script.endsWith("*CF00000&C21&474000000&8000000&0&00&02&6875&129\r\n*PM01\r\n"));

    // The group editor copies the script over the combined file: the job sends that path.
    QCOMPARE(CopyCommandScript(combined), 1);
    QCOMPARE(ws.read(QStringLiteral("Temp/temp.tkv8")), script);

    // A script that cannot be written: -8, and nothing half-written.
    QCOMPARE(BuildCommandScript(combined, ws.path(QStringLiteral("Missing/send.pro")), QStringLiteral("ch26")), -8);
}

void GroupScriptTest::combinedPath()
{
    TestWorkspace ws;
    QCOMPARE(combinedFilePath(), ws.temp() + QStringLiteral("/temp.tkv8"));
    loadCatalogue();
    chooseModel(catalogueIndexOf(QStringLiteral("KV-25")), true);
    QCOMPARE(combinedFilePath(), ws.temp() + QStringLiteral("/temp.tkv8"));
}

void GroupScriptTest::decode_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("line");   // empty: the answer cannot be decoded

    const QString ch26 = QStringLiteral("ch26"), ch25 = QStringLiteral("ch25");
    QTest::newRow("ch26 example") << QByteArray("prefix&C21&474000000&8000000&0&0&2&6875&129") << ch26
                                  << "1,C21,474.00,476.75,0.00,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,PAL/BG";
    QTest::newRow("ch25 example") << QByteArray("prefix&C21&474000000&8000000&0") << ch25
                                  << "1,C21,474.00,476.75,0.00,8.0,ON,DIGITAL,5057,B,QAM64,AUTO,PAL/BG";
    QTest::newRow("analog NTSC/N, negative offset")
        << QByteArray("*CF00001&S2&48250000&7000000&-2500000&17&00&6875&128") << ch26
        << "1,S2,48.25,50.50,-2.50,7.0,ON,ANALOG,6875,DVB,QAM16,AUTO,NTSC/N";
    // A tiny negative offset keeps the sign that "%.2f" gives it.
    QTest::newRow("offset of -1 Hz") << QByteArray("*CF00001&S2&48250000&7000000&-1&17&00&6875&128") << ch26
                                     << "1,S2,48.25,50.50,-0.00,7.0,ON,ANALOG,6875,DVB,QAM16,AUTO,NTSC/N";
    QTest::newRow("digital OFF, annex C, QPSK") << QByteArray("*CF00000&D1&114350000&8000000&0&2&5&5057&01") << ch26
                                                << "1,D1,114.35,117.10,0.00,8.0,OFF,DIGITAL,5057,C,QPSK,AUTO,PAL/BG";
    // Codes the lists do not hold: the first value of the list, never an empty field.
    QTest::newRow("codes out of range") << QByteArray("*CF&A&100000000&8000000&0&30&9&6875&0") << ch26
                                        << "1,A,100.00,102.75,0.00,8.0,OFF,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG";
    QTest::newRow("negative codes") << QByteArray("*CF&A&100000000&8000000&0&-1&-1&6875&128") << ch26
                                    << "1,A,100.00,102.75,0.00,8.0,ON,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG";
    QTest::newRow("ch26 answer lacks a field") << QByteArray("*CF&474000000&8000000&0&0&2&6875&129") << ch26 << "";
    QTest::newRow("ch25 answer lacks a field") << QByteArray("*CF&C21&474000000&8000000") << ch25 << "";
    QTest::newRow("no field at all") << QByteArray("*CF00000") << ch26 << "";
}

void GroupScriptTest::decode()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, type);
    QFETCH(QString, line);
    ChannelRecord channel;
    const bool ok = decodeChannelAnswer(answer, type, channel);
    QCOMPARE(ok, !line.isEmpty());
    if (ok)
        QCOMPARE(receivedChannelLine(1, channel), line);
}

void GroupScriptTest::uniqueNames()
{
    QCOMPARE(uniqueMemberName(QStringLiteral("ab.ch26"), {}), QStringLiteral("ab.ch26"));
    QCOMPARE(uniqueMemberName(QStringLiteral("ab.ch26"), {QStringLiteral("AB.ch26")}), QStringLiteral("ab_2.ch26"));
    QCOMPARE(uniqueMemberName(QStringLiteral("--.ch26"), {QStringLiteral("--.ch26"), QStringLiteral("--_2.ch26")}),
             QStringLiteral("--_3.ch26"));
}

// A received plan's name becomes a file name whatever the meter answers: a reception never
// stops on a name.
void GroupScriptTest::planFileNames_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("plan");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << QByteArray("*CS Ab ") << 0 << "ab.ch26";
    QTest::newRow("empty") << QByteArray("*CS") << 0 << "plan01.ch26";
    QTest::newRow("blanks and controls") << QByteArray("*CS \t  \x01") << 11 << "plan12.ch26";
    QTest::newRow("slash") << QByteArray("*CSA/B") << 3 << "a_b.ch26";
    QTest::newRow("outside the folder") << QByteArray("*CS../X") << 1 << ".._x.ch26";
    QTest::newRow("dots alone") << QByteArray("*CS..") << 1 << "__.ch26";
    QTest::newRow("every unusable character") << QByteArray("*CSa\\:*?\"<>|\x7f\x02"
                                                            "b")
                                              << 0 << "a__________b.ch26";
    QTest::newRow("Latin-1 kept") << QByteArray("*CSCAN\xc7ONS") << 0 << QStringLiteral("can\u00e7ons.ch26");
    // 150 "é" would make a file name of 300 bytes: cut to what a file system holds.
    QTest::newRow("too long for a file name")
        << QByteArray("*CS" + QByteArray(150, '\xc9')) << 0 << QString(64, QChar(0xe9)) + QStringLiteral(".ch26");
}

void GroupScriptTest::planFileNames()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, plan);
    QFETCH(QString, file);
    QCOMPARE(planFileNameFromAnswer(answer, plan, QStringLiteral("ch26")), file);
}

void GroupScriptTest::dispatch_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("known");
    for (int code : {0x220, 0x320, 0x260, 0x360, 0x270, 0x370, 0x50, 0xB0, 0xD0})
        QTest::addRow("0x%x", code) << code << true;
    for (int code : {0x00, 0x10, 0x30, 0x40, 0x80, 0x90, 0xA0, 0xC0, 0xE0, 0xF0, -1})
        QTest::addRow("0x%x", code) << code << false;
}

void GroupScriptTest::dispatch()
{
    QFETCH(int, code);
    QFETCH(bool, known);
    QCOMPARE(isKnownJobKind(code), known);
    if (!known) {
        TestWorkspace ws;
        RecordingContext ctx;
        QCOMPARE(runJob(ctx, code, ws.path(QStringLiteral("Temp/x")), 0), Err::UserBreak);
        QVERIFY(ctx.events.isEmpty());
        QVERIFY(!thePort().isOpen());
    }
}

void GroupScriptTest::cliScript()
{
    TestWorkspace ws;
    const QString plan = ws.write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    const QString combined = ws.path(QStringLiteral("Temp/group.tkv8"));
    QCOMPARE(writeCombinedFile(combined, {plan}), 0);

    auto run = [&](const QStringList &args, QByteArray *err = nullptr) {
        QProcess p;
        p.setProgram(QStringLiteral(KV_CLI_PATH));
        p.setArguments(QStringList{QStringLiteral("--workspace"), ws.root()} + args);
        p.start();
        if (!p.waitForFinished(10000))
            return -1;
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    };

    QCOMPARE(run({QStringLiteral("script"), QStringLiteral("--plan-type"), QStringLiteral("ch26"),
                  ws.path(QStringLiteral("out.pro")), combined}),
             0);
    QCOMPARE(ws.read(QStringLiteral("out.pro")), joinLines(kExampleScript));

    // The model decides the form when no type is given.
    QCOMPARE(run({QStringLiteral("--model"), QStringLiteral("KV-25"), QStringLiteral("script"),
                  ws.path(QStringLiteral("out25.pro")), combined}),
             0);
    QVERIFY(ws.read(QStringLiteral("out25.pro")).contains("\r\n*CF00000&C21&474000000&8000000&0&\r\n"));

    QByteArray err;
    QCOMPARE(run({QStringLiteral("script"), QStringLiteral("--plan-type"), QStringLiteral("ch26"),
                  ws.path(QStringLiteral("x.pro")), ws.path(QStringLiteral("none"))},
                 &err),
             1);
    QVERIFY2(err.contains("Internal Error: -8"), err.constData());

    // A line that cannot be converted: exit 1, and the output file stays as it was.
    ws.write(QStringLiteral("keep.pro"), "old\r\n");
    ws.write(QStringLiteral("bad.tkv8"), joinLines(oneChannel(QStringLiteral("1,X,474.00"))));
    QCOMPARE(run({QStringLiteral("script"), QStringLiteral("--plan-type"), QStringLiteral("ch26"),
                  ws.path(QStringLiteral("keep.pro")), ws.path(QStringLiteral("bad.tkv8"))},
                 &err),
             1);
    QVERIFY2(err.contains("1,X,474.00"), err.constData());
    QCOMPARE(ws.read(QStringLiteral("keep.pro")), QByteArray("old\r\n"));

    QCOMPARE(run({QStringLiteral("script"), QStringLiteral("--plan-type"), QStringLiteral("ch24"),
                  ws.path(QStringLiteral("x.pro")), combined}),
             2);
}

QTEST_GUILESS_MAIN(GroupScriptTest)
#include "tst_groupscript.moc"
