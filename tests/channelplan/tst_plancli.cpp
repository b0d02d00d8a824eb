// kelvatrone-cli check-plan and combine, run as a technician would run them.
#include "TestWorkspace.h"
#include "app/StringTable.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"

#include <QProcess>
#include <QTest>

#include "CliRun.h"

namespace {

QString writePlan(const TestWorkspace &ws, const QString &relative, const QString &name, int channels)
{
    ChannelPlanFile p;
    p.planName = name;
    for (int i = 0; i < channels; ++i) {
        ChannelRecord c = ChannelRecord::newChannel();
        c.name = QStringLiteral("C%1").arg(i + 1);
        p.channels << c;
    }
    writePlanFile(ws.path(relative), p);
    return ws.path(relative);
}

}   // namespace

class TestPlanCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checkGoodAndBadPlans()
    {
        TestWorkspace ws;
        writePlan(ws, "Channel/good.ch26", "AB", 3);
        ws.write("Channel/fields.ch26", "CHANNEL8(XY,,,,3,1)\r\n[CHANNELS_OFFSET]\r\n"
                                        "1,C1,47.75,50.50,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO\r\n"
                                        "2,C.2,47.75,870,-2.6,8.0,ON,DIGITAL,999,DVB,QAM16,AUTO,AUTO\r\n"
                                        "3,C3,47.75,50.50,0.0,10,OFF,DIGITAL,6875,DVB,QAM16,AUTO,AUTO\r\n");
        ws.write("Channel/text.ch26", "not a plan\r\n");

        CliRun good = runCli({"check-plan", "Channel/good.ch26"}, ws.root());
        QCOMPARE(good.status, 0);
        QCOMPARE(good.out, QStringLiteral("Channel/good.ch26: plan \"AB\", 3 channels\n"));

        CliRun bad = runCli({"check-plan", "Channel/fields.ch26", "Channel/good.ch26"}, ws.root());
        QCOMPARE(bad.status, 1);
        QCOMPARE(bad.out.split('\n', Qt::SkipEmptyParts),
                 QStringList({"Channel/fields.ch26: plan \"XY\", 3 channels",
                              "  channel 2, Name \"C.2\": Error : Incorrect Channel Name: -33",
                              "  channel 2, F.Dig \"870\": Error : Incorrect Frequency: -34",
                              "  channel 2, Offset \"-2.6\": Error : Incorrect Offset: -213",
                              "  channel 2, S.R. \"999\": Error : Incorrect Symbol Rate: -71",
                              "Channel/good.ch26: plan \"AB\", 3 channels"}));

        CliRun notPlan =
            runCli({"check-plan", "Channel/good.ch26", "Channel/text.ch26", "Channel/none.ch26"}, ws.root());
        QCOMPARE(notPlan.status, 1);
        QVERIFY(notPlan.out.contains("good.ch26: plan"));
        QCOMPARE(notPlan.err, QStringLiteral("Channel/text.ch26: Incorrect Format File: -153\n"
                                             "Channel/none.ch26: Error : Unable To Open File: -65\n"));
        QCOMPARE(runCli({"check-plan"}, ws.root()).status, 2);
    }

    // Fields that do not apply to a channel keep whatever text they hold, as in the editor,
    // which neither checks nor lets the user type them.
    void onlyFieldsThatApplyAreChecked_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("failure");
        // The editor derives F.Anlg "2.25" from a typed F.Dig "5".
        QTest::newRow("digital, low analog")
            << QByteArray("1,C1,2.25,5.00,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO") << QString();
        QTest::newRow("digital, bad digital")
            << QByteArray("1,C1,47.75,4.00,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO")
            << "  channel 1, F.Dig \"4.00\": Error : Incorrect Frequency: -34";
        QTest::newRow("analog, digital side unused")
            << QByteArray("1,C1,47.75,900.00,0.0,8.0,ON,ANALOG,999,DVB,QAM16,AUTO,PAL/BG") << QString();
        QTest::newRow("analog, bad analog") << QByteArray("1,C1,870,50.50,0.0,8.0,ON,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG")
                                            << "  channel 1, F.Anlg \"870\": Error : Incorrect Frequency: -34";
        QTest::newRow("analog, bad bandwidth")
            << QByteArray("1,C1,47.75,50.50,0.0,10,ON,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG")
            << "  channel 1, BW \"10\": Error : Incorrect BandWidth: -43";
        QTest::newRow("off uses nothing")
            << QByteArray("1,C.1,1,1,9,10,OFF,DIGITAL,1,DVB,QAM16,AUTO,AUTO") << QString();
    }
    void onlyFieldsThatApplyAreChecked()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, failure);
        TestWorkspace ws;
        ws.write("Channel/p.ch26", "CHANNEL8(XY,,,,1,1)\r\n[CHANNELS_OFFSET]\r\n" + line + "\r\n");
        CliRun r = runCli({"check-plan", "Channel/p.ch26"}, ws.root());
        QStringList expected = {"Channel/p.ch26: plan \"XY\", 1 channels"};
        if (!failure.isEmpty())
            expected << failure;
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
        QCOMPARE(r.status, failure.isEmpty() ? 0 : 1);
    }

    void filesAreFoundFromTheStartFolder()
    {
        TestWorkspace ws;
        TestWorkspace other;
        writePlan(ws, "Channel/good.ch26", "AB", 2);
        // The workspace is elsewhere; the file argument is relative to where the command started.
        CliRun r = runCli({"--workspace", other.root(), "check-plan", "Channel/good.ch26"}, ws.root());
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains("plan \"AB\", 2 channels"));
        CliRun es = runCli({"--lang", "es", "check-plan", "Channel/none.ch26"}, ws.root());
        QCOMPARE(es.status, 1);
        QVERIFY(es.err.contains(StringTable::text(53, 1)));
    }

    void combineWritesTheGroup()
    {
        TestWorkspace ws;
        writePlan(ws, "Channel/a.ch26", "A", 2);
        writePlan(ws, "Channel/b.ch26", "B", 1);
        writePlan(ws, "Channel/c.ch26", "C", 3);
        CliRun r =
            runCli({"combine", "Temp/temp.tkv8", "Channel/a.ch26", "Channel/b.ch26", "Channel/c.ch26"}, ws.root());
        QCOMPARE(r.status, 0);
        QCOMPARE(writeCombinedFile(ws.path("Temp/expected.tkv8"),
                                   {ws.path("Channel/a.ch26"), ws.path("Channel/b.ch26"), ws.path("Channel/c.ch26")}),
                 0);
        QCOMPARE(ws.read("Temp/temp.tkv8"), ws.read("Temp/expected.tkv8"));
        QVERIFY(ws.read("Temp/temp.tkv8").contains("CHANNEL PLAN(3)\r\n"));
    }

    void combineRefusals_data()
    {
        QTest::addColumn<int>("plans");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("message");
        QTest::newRow("no plan") << 0 << "Temp/c.tkv8"
                                 << "Error : No Channel Plan: -16";
        QTest::newRow("eleven") << 11 << "Temp/c.tkv8"
                                << "Error : Limit 10 Channel Plans: -17";
        QTest::newRow("no folder") << 2 << "nofolder/c.tkv8"
                                   << "Error : Unable To Open File: -65";
    }
    void combineRefusals()
    {
        QFETCH(int, plans);
        QFETCH(QString, out);
        QFETCH(QString, message);
        TestWorkspace ws;
        QStringList args = {"combine", out};
        for (int i = 0; i < plans; ++i) {
            writePlan(ws, QStringLiteral("Channel/p%1.ch26").arg(i), QStringLiteral("P%1").arg(i), 1);
            args << QStringLiteral("Channel/p%1.ch26").arg(i);
        }
        ws.write("Temp/c.tkv8", "previous");
        CliRun r = runCli(args, ws.root());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), message);
        QCOMPARE(ws.read("Temp/c.tkv8"), QByteArray("previous"));
        QCOMPARE(runCli({"combine"}, ws.root()).status, 2);
    }
};

QTEST_GUILESS_MAIN(TestPlanCli)
#include "tst_plancli.moc"
