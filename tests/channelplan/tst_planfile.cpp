// Plan files: both layouts read by one reader, the editor's and the received writer's exact
// bytes, refused headers, and the combined file of a group.
#include "TestWorkspace.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"

#include <QFileInfo>
#include <QTest>

namespace {

const QByteArray kEditorHead = "#=====================================\r\n"
                               ":  CONTROL REMOT PROGRAM\r\n"
                               "#=====================================\r\n"
                               "CHANNEL PLAN(1)\r\n";

ChannelRecord channel(const QString &name, const QString &analog, const QString &digital, const QString &status,
                      const QString &mode, const QString &system = QStringLiteral("PAL/BG"))
{
    ChannelRecord c = ChannelRecord::newChannel();
    c.name = name;
    c.analogFrequency = analog;
    c.digitalFrequency = digital;
    c.status = status;
    c.mode = mode;
    c.system = system;
    return c;
}

QByteArray planText(const QByteArray &header, const QList<QByteArray> &channelLines, const QByteArray &eol = "\r\n")
{
    QByteArray out = "#=====\r\n:  CONTROL REMOT PROGRAM" + eol + "CHANNEL PLAN(1)" + eol + header + eol + "ORDER(1)"
                     + eol + "[CHANNELS_OFFSET]" + eol;
    for (const QByteArray &l : channelLines)
        out += l + eol;
    return out;
}

QByteArray channelLine(int n, const QByteArray &name = "C")
{
    return QByteArray::number(n) + "," + name + QByteArray::number(n)
           + ",47.75,50.50,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO";
}

}   // namespace

class TestPlanFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void editorLayoutIsExactAndReadsBack()
    {
        TestWorkspace ws;
        ChannelPlanFile plan;
        plan.planName = QStringLiteral("AB");
        plan.channels = {channel("C21", "471.25", "474.00", "ON", "DIGITAL", "AUTO"),
                         channel("S 2", "48.25", "51.00", "OFF", "ANALOG", "SECAM/L")};
        plan.channels[1].offset = QStringLiteral("-2.5");
        plan.channels[1].attenuator = QStringLiteral("20 dB");   // never written: the editor writes AUTO
        plan.channelCount = 2;
        const QString path = ws.path("Channel/ab.ch26");
        QCOMPARE(writePlanFile(path, plan), 0);
        QCOMPARE(ws.read("Channel/ab.ch26"),
                 kEditorHead
                     + "CHANNEL8(AB,,,,2,1)\r\nORDER(1)\r\n[CHANNELS_OFFSET]\r\n"
                       "1,C21,471.25,474.00,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO\r\n"
                       "2,S 2,48.25,51.00,-2.5,8.0,OFF,ANALOG,6875,DVB,QAM16,AUTO,SECAM/L\r\n");
        QVERIFY(isPlanFile(path));

        ChannelPlanFile back;
        QCOMPARE(readPlanFile(path, back), 0);
        plan.channels[1].attenuator = QStringLiteral("AUTO");
        QCOMPARE(back.planName, plan.planName);
        QCOMPARE(back.channelCount, 2);
        QCOMPARE(back.channels, plan.channels);
    }

    void attenuatorComesBackAuto()
    {
        TestWorkspace ws;
        const QString path =
            ws.write("Channel/x.ch26",
                     planText("CHANNEL8(X,,,,1,1)", {"1,A,47.75,50.50,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,20 dB,PAL/I"}));
        ChannelPlanFile plan;
        QCOMPARE(readPlanFile(path, plan), 0);
        QCOMPARE(plan.channels.at(0).attenuator, QStringLiteral("AUTO"));
        QCOMPARE(plan.channels.at(0).system, QStringLiteral("PAL/I"));
        QCOMPARE(writePlanFile(path, plan), 0);
        QVERIFY(ws.read("Channel/x.ch26").contains(",QAM16,AUTO,PAL/I\r\n"));
    }

    void receivedLayoutIsExactAndReadsBack()
    {
        TestWorkspace ws;
        ChannelPlanFile plan;
        plan.planName = QStringLiteral("AB");
        plan.channelCount = 2;
        ChannelRecord c = channel("C21", "474", "476.75", "ON", "DIGITAL");
        c.offset = QStringLiteral("0");
        c.bandwidth = QStringLiteral("8");
        c.modulation = QStringLiteral("QAM64");
        ChannelRecord s = channel("S2", "48.25", "49.5", "OFF", "ANALOG", "PAL/BG");
        s.offset = QStringLiteral("-0.001");
        s.bandwidth = QStringLiteral("7.0");
        s.modulation = QStringLiteral("QPSK");
        plan.channels = {c, s};
        const QString path = ws.path("Temp/ab.ch26");
        QCOMPARE(writeReceivedPlanFile(path, plan), 0);
        QCOMPARE(ws.read("Temp/ab.ch26"),
                 QByteArray("#=====================================\r\n"
                            "Kelvatrone :  CONTROL REMOT PROGRAM\r\n"
                            "#=====================================\r\n"
                            "CHANNEL PLAN(1)\r\n"
                            "CHANNEL8(AB,PAL,FM,5.50,2,1)\r\n"
                            "ORDER(1)\r\n"
                            "[CHANNELS_OFFSET]\r\n"
                            "1,C21,474.00,476.75,0.00,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,PAL/BG\r\n"
                            "2,S2,48.25,49.50,-0.00,7.0,OFF,ANALOG,6875,DVB,QPSK,AUTO,PAL/BG\r\n"));
        ChannelPlanFile back;
        QCOMPARE(readPlanFile(path, back), 0);
        QCOMPARE(back.planName, QStringLiteral("AB"));
        QCOMPARE(back.channelCount, 2);
        QCOMPARE(back.channels.at(0).digitalFrequency, QStringLiteral("476.75"));
        QCOMPARE(back.channels.at(1).modulation, QStringLiteral("QPSK"));
    }

    void receivedWithoutChannelsOrName()
    {
        ChannelPlanFile empty;
        empty.planName = QStringLiteral("AB");
        QCOMPARE(receivedPlanLines(empty).size(), 4);
        ChannelPlanFile nameless;
        nameless.channelCount = 1;
        nameless.channels = {ChannelRecord::newChannel()};
        const QStringList lines = receivedPlanLines(nameless);
        QCOMPARE(lines.size(), 5);   // the channel, but no header lines
        QVERIFY(lines.last().startsWith("1,--,47.75,50.50,0.00,8.0,"));
    }

    void headersAndSections_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("editor header") << planText("CHANNEL8(AB,,,,3,1)",
                                                   {channelLine(1), channelLine(2), channelLine(3)})
                                       << "AB" << QStringList{"C1", "C2", "C3"};
        QTest::newRow("received header LF")
            << planText("CHANNEL8(AB,PAL,FM,5.50,3,1)", {channelLine(1), channelLine(2), channelLine(3)}, "\n") << "AB"
            << QStringList{"C1", "C2", "C3"};
        QByteArray xyz = planText("CHANNEL8(AB,,,,2,1)", {channelLine(1), channelLine(2)});
        xyz.replace("[CHANNELS_OFFSET]", "[CHANNELS_XYZ]");
        QTest::newRow("any CHANNELS_ section") << xyz << "AB" << QStringList{"C1", "C2"};
        QTest::newRow("short lines skipped, extra lines ignored")
            << planText("CHANNEL8(Q,,,,2,1)",
                        {"", "comment,line", "1,a,b,c,d,e,f,g,h", channelLine(1), channelLine(2), channelLine(3)})
            << "Q" << QStringList{"C1", "C2"};
        QTest::newRow("missing rows are empty")
            << planText("CHANNEL8(AB,,,,3,1)", {channelLine(1)}) << "AB" << QStringList{"C1", "", ""};
    }
    void headersAndSections()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(QStringList, names);
        TestWorkspace ws;
        ChannelPlanFile plan;
        QCOMPARE(readPlanFile(ws.write("p.ch26", text), plan), 0);
        QCOMPARE(plan.planName, name);
        QCOMPARE(plan.channelCount, names.size());
        QStringList got;
        for (const ChannelRecord &c : plan.channels)
            got << c.name;
        QCOMPARE(got, names);
    }

    void shortChannelLinesFillTheirColumns()
    {
        TestWorkspace ws;
        const QString path =
            ws.write("p.ch26", planText("CHANNEL8(AB,,,,3,1)",
                                        {"1,N9,1,2,3,4,ON,DIGITAL,7,B", "2,N10,1,2,3,4,ON,DIGITAL,7,B,QAM64",
                                         "3,N11,1,2,3,4,ON,DIGITAL,7,B,QAM64,10 dB"}));
        ChannelPlanFile plan;
        QCOMPARE(readPlanFile(path, plan), 0);
        QCOMPARE(plan.channels.at(0).annex, QStringLiteral("B"));
        QCOMPARE(plan.channels.at(0).modulation, QString());
        QCOMPARE(plan.channels.at(1).modulation, QStringLiteral("QAM64"));
        QCOMPARE(plan.channels.at(1).system, QString());
        QCOMPARE(plan.channels.at(2).system, QString());
        QCOMPARE(plan.channels.at(2).symbolRate, QStringLiteral("7"));
    }

    void refusedFilesAreLeftAsTheyAre_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("no count") << planText("CHANNEL8(AB,,,,,1)", {channelLine(1)}) << -153;
        QTest::newRow("count not whole") << planText("CHANNEL8(AB,,,,2.5,1)", {channelLine(1)}) << -153;
        QTest::newRow("count text") << planText("CHANNEL8(AB,,,,x,1)", {channelLine(1)}) << -153;
        QTest::newRow("too few fields") << planText("CHANNEL8(AB,3)", {channelLine(1)}) << -153;
        QTest::newRow("count 0") << planText("CHANNEL8(AB,,,,0,1)", {channelLine(1)}) << -153;
        QTest::newRow("count 141") << planText("CHANNEL8(AB,,,,141,1)", {channelLine(1)}) << -153;
        QTest::newRow("no header") << planText("HEADER", {channelLine(1)}) << -153;
        QTest::newRow("no section") << QByteArray("CHANNEL8(AB,,,,1,1)\r\n1,a,b,c,d,e,f,g,h,i\r\n") << -153;
        QTest::newRow("empty file") << QByteArray() << -153;
    }
    void refusedFilesAreLeftAsTheyAre()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, code);
        TestWorkspace ws;
        const QString path = ws.write("bad.ch26", text);
        ChannelPlanFile plan = ChannelPlanFile::newPlan();
        QCOMPARE(readPlanFile(path, plan), code);
        QVERIFY(plan.channels.isEmpty());
        QCOMPARE(ws.read("bad.ch26"), text);
    }

    void countOf140IsTaken()
    {
        TestWorkspace ws;
        QList<QByteArray> lines;
        for (int i = 1; i <= 150; ++i)
            lines << channelLine(i);
        ChannelPlanFile plan;
        QCOMPARE(readPlanFile(ws.write("p.ch26", planText("CHANNEL8(BIG,,,,140,1)", lines)), plan), 0);
        QCOMPARE(plan.channels.size(), 140);
        QCOMPARE(plan.channels.last().name, QStringLiteral("C140"));
    }

    void readingStopsAfterLine201()
    {
        TestWorkspace ws;
        // The section line as line 201 is found; as line 202 it is not.
        QByteArray at201 = "CHANNEL8(AB,,,,1,1)\r\n" + QByteArray("filler\r\n").repeated(199) + "[CHANNELS_OFFSET]\r\n"
                           + channelLine(1) + "\r\n";
        QByteArray at202 = "filler\r\n" + at201;
        QVERIFY(isPlanFile(ws.write("a.ch26", at201)));
        QVERIFY(!isPlanFile(ws.write("b.ch26", at202)));
        ChannelPlanFile plan;
        // Line 201 starts the section; its channel on line 202 is still read.
        QCOMPARE(readPlanFile(ws.path("a.ch26"), plan), 0);
        QCOMPARE(plan.channels.at(0).name, QStringLiteral("C1"));
        QCOMPARE(readPlanFile(ws.path("b.ch26"), plan), -153);
        QVERIFY(!isPlanFile(ws.path("missing.ch26")));
        QCOMPARE(readPlanFile(ws.path("missing.ch26"), plan), -65);
    }

    void latin1AndOverlongLines()
    {
        TestWorkspace ws;
        QByteArray text = planText("CHANNEL8(\xe9T,,,,2,1)", {QByteArray(10000, 'x'), channelLine(1), channelLine(2)});
        ChannelPlanFile plan;
        QCOMPARE(readPlanFile(ws.write("p.ch26", text), plan), 0);
        QCOMPARE(plan.planName, QStringLiteral("\u00e9T"));
        QCOMPARE(plan.channels.at(1).name, QStringLiteral("C2"));
    }

    void failedWriteKeepsTheOldFile()
    {
        TestWorkspace ws;
        ws.write("Channel/keep.ch26", "old");
        ChannelPlanFile plan = ChannelPlanFile::newPlan();
        QCOMPARE(writePlanFile(ws.path("nofolder/x.ch26"), plan), -65);
        QCOMPARE(writePlanFile(ws.path("Channel"), plan), -65);   // a folder is not a file
        QCOMPARE(ws.read("Channel/keep.ch26"), QByteArray("old"));
        QVERIFY(!QFileInfo::exists(ws.path("nofolder")));
    }

    void fieldsWithSeparatorsCannotShiftTheLine()
    {
        ChannelRecord c = ChannelRecord::newChannel();
        c.name = QStringLiteral("A,B\r");
        QCOMPARE(planChannelLine(7, c),
                 QStringLiteral("7,A B ,47.75,50.50,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO"));
    }

    // --- combined file ---------------------------------------------------------------------

    void combinedFileOfThreePlans()
    {
        TestWorkspace ws;
        ChannelPlanFile a = ChannelPlanFile::newPlan();
        a.planName = QStringLiteral("AB");
        a.channels << channel("X", "48.25", "51.00", "OFF", "ANALOG");
        QCOMPARE(writePlanFile(ws.path("Temp/ab.ch26"), a), 0);
        ChannelPlanFile b = ChannelPlanFile::newPlan();
        b.planName = QStringLiteral("CD");
        b.channelCount = 1;
        QCOMPARE(writeReceivedPlanFile(ws.path("Temp/cd.ch26"), b), 0);
        // A plan without an ORDER line gets no ORDER line in its section.
        ws.write("Temp/ef.ch26", "CHANNEL8(EF,,,,1,7)\nx\n[CHANNELS_OFFSET]\n" + channelLine(1) + "\n");

        const QString out = ws.path("Temp/temp.tkv8");
        QCOMPARE(writeCombinedFile(out, {ws.path("Temp/ab.ch26"), ws.path("Temp/cd.ch26"), ws.path("Temp/ef.ch26")}),
                 0);
        QCOMPARE(ws.read("Temp/temp.tkv8"),
                 QByteArray("#=====================================\r\n"
                            "Kelvatrone :  CONTROL REMOT PROGRAM\r\n"
                            "#=====================================\r\n"
                            "CHANNEL PLAN(3)\r\n"
                            "CHANNEL8(AB,,,,2,0)\r\n"
                            "CHANNEL8(CD,PAL,FM,5.50,1,1)\r\n"
                            "CHANNEL8(EF,,,,1,2)\r\n"
                            "#=====================================\r\n"
                            "ORDER(0)\r\n"
                            "1,--,47.75,50.50,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO\r\n"
                            "2,X,48.25,51.00,0.0,8.0,OFF,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG\r\n"
                            "#=====================================\r\n"
                            "ORDER(1)\r\n"
                            "1,--,47.75,50.50,0.00,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO\r\n"
                            "#=====================================\r\n"
                            "1,C1,47.75,50.50,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO\r\n"
                            "#=====================================\r\n"));

        CombinedPlanFile combined;
        QCOMPARE(readCombinedFile(out, combined), 0);
        QCOMPARE(combined.planCount, 3);
        QCOMPARE(combined.headers.size(), 3);
        QCOMPARE(combined.headers.at(1).name, QStringLiteral("CD"));
        QCOMPARE(combined.headers.at(2).position, 2);
        QCOMPARE(combined.headers.at(0).channelCount, 2);
        // The section without an ORDER line is not a section for the script builder.
        QCOMPARE(combined.sections.size(), 2);
        QCOMPARE(combined.sections.at(1).order, 1);
        QCOMPARE(combined.sections.at(0).channelLines.size(), 2);
    }

    void combinedTakesAtMost140Lines()
    {
        TestWorkspace ws;
        QList<QByteArray> lines;
        for (int i = 1; i <= 150; ++i)
            lines << channelLine(i);
        const QString p = ws.write("Temp/big.ch26", planText("CHANNEL8(BIG,,,,140,1)", lines));
        QCOMPARE(writeCombinedFile(ws.path("Temp/c.tkv8"), {p}), 0);
        CombinedPlanFile combined;
        QCOMPARE(readCombinedFile(ws.path("Temp/c.tkv8"), combined), 0);
        QCOMPARE(combined.sections.at(0).channelLines.size(), 140);
        QVERIFY(combined.sections.at(0).channelLines.last().startsWith("140,"));
    }

    void combinedTakesOnlyChannelLines()
    {
        // Blank and comment lines among a hand-edited plan's channels are not channels: the
        // meter gets exactly the channels the header announces.
        TestWorkspace ws;
        const QString p =
            ws.write("Temp/gaps.ch26", planText("CHANNEL8(GAP,,,,3,1)", {channelLine(1), "", "# note", channelLine(2),
                                                                         "1,2,3,4,5,6,7,8,9", channelLine(3)}));
        QCOMPARE(writeCombinedFile(ws.path("Temp/c.tkv8"), {p}), 0);
        CombinedPlanFile combined;
        QCOMPARE(readCombinedFile(ws.path("Temp/c.tkv8"), combined), 0);
        const QStringList lines = combined.sections.at(0).channelLines;
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith("1,") && lines.at(1).startsWith("2,") && lines.at(2).startsWith("3,"));

        // A plan that holds fewer channels than it announces is refused, and nothing is written.
        const QString shortPlan = ws.write("Temp/short.ch26", planText("CHANNEL8(S,,,,3,1)", {channelLine(1), ""}));
        ws.write("Temp/c.tkv8", "previous");
        QCOMPARE(writeCombinedFile(ws.path("Temp/c.tkv8"), {shortPlan}), -153);
        QCOMPARE(ws.read("Temp/c.tkv8"), QByteArray("previous"));
    }

    void combinedGroupSizes_data()
    {
        QTest::addColumn<int>("plans");
        QTest::addColumn<int>("code");
        QTest::newRow("none") << 0 << -16;
        QTest::newRow("one") << 1 << 0;
        QTest::newRow("ten") << 10 << 0;
        QTest::newRow("eleven") << 11 << -17;
    }
    void combinedGroupSizes()
    {
        QFETCH(int, plans);
        QFETCH(int, code);
        TestWorkspace ws;
        QStringList paths;
        for (int i = 0; i < plans; ++i)
            paths << ws.write(QStringLiteral("Temp/p%1.ch26").arg(i),
                              planText("CHANNEL8(P" + QByteArray::number(i) + ",,,,1,1)", {channelLine(1)}));
        ws.write("Temp/c.tkv8", "previous");
        QCOMPARE(writeCombinedFile(ws.path("Temp/c.tkv8"), paths), code);
        if (code < 0) {
            QCOMPARE(ws.read("Temp/c.tkv8"), QByteArray("previous"));
            return;
        }
        CombinedPlanFile combined;
        QCOMPARE(readCombinedFile(ws.path("Temp/c.tkv8"), combined), 0);
        QCOMPARE(combined.planCount, plans);
        QCOMPARE(combined.sections.size(), plans);
        QCOMPARE(combined.sections.last().order, plans - 1);
        QCOMPARE(combined.headers.last().line, QStringLiteral("CHANNEL8(P%1,,,,1,%1)").arg(plans - 1));
    }

    void combinedRefusesBadMembers_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<int>("code");
        QTest::newRow("vanished member") << "Temp/missing.ch26" << -65;
        QTest::newRow("not a plan") << "Temp/text.ch26" << -153;
        QTest::newRow("header without count") << "Temp/nocount.ch26" << -153;
        QTest::newRow("output folder missing") << "" << -65;
    }
    void combinedRefusesBadMembers()
    {
        QFETCH(QString, member);
        QFETCH(int, code);
        TestWorkspace ws;
        const QString good = ws.write("Temp/good.ch26", planText("CHANNEL8(G,,,,1,1)", {channelLine(1)}));
        ws.write("Temp/text.ch26", "just text\r\n");
        ws.write("Temp/nocount.ch26", planText("CHANNEL8(N,,,,,1)", {channelLine(1)}));
        ws.write("Temp/c.tkv8", "previous");
        const QString out = member.isEmpty() ? ws.path("nofolder/c.tkv8") : ws.path("Temp/c.tkv8");
        QStringList members = {good};
        if (!member.isEmpty())
            members << ws.path(member);
        QCOMPARE(writeCombinedFile(out, members), code);
        QCOMPARE(ws.read("Temp/c.tkv8"), QByteArray("previous"));
    }
};

QTEST_GUILESS_MAIN(TestPlanFile)
#include "tst_planfile.moc"
