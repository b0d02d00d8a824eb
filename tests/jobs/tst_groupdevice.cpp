// Sending groups of channel plans to the simulated meter and reading them back: the send job,
// the receive job, the short queries and the command-line paths, over a real pseudo-terminal.

#include "RecordingContext.h"
#include "SimulatedMeter.h"
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
#include "link/SerialPort.h"

#include <QProcess>
#include <QtTest>

namespace {

QString two(float v)
{
    return QString::asprintf("%.2f", double(v));
}
QString one(float v)
{
    return QString::asprintf("%.1f", double(v));
}
float num(const QString &t)
{
    return t.toFloat();
}

// Plan i of the big group: 140 channels that between them use every value a field can take.
ChannelPlanFile bigPlan(int i)
{
    static const QStringList bandwidths = {QStringLiteral("8.0"), QStringLiteral("7.0"), QStringLiteral("6.0"),
                                           QStringLiteral("1.5")};
    static const QStringList offsets = {QStringLiteral("0.0"), QStringLiteral("-2.5"), QStringLiteral("1.2"),
                                        QStringLiteral("2.5"), QStringLiteral("-0.7")};
    static const QStringList annexes = {QStringLiteral("DVB"), QStringLiteral("B"), QStringLiteral("C")};
    ChannelPlanFile plan;
    plan.planName = QStringLiteral("P%1").arg(i);
    for (int c = 0; c < 140; ++c) {
        ChannelRecord r;
        r.name = QStringLiteral("%1%2").arg(QChar(u'A' + i)).arg(c);
        const float analog = 45.0f + float(c) * 5.25f + float(i) * 0.31f;
        r.analogFrequency = two(analog);
        r.bandwidth = bandwidths[c % bandwidths.size()];
        r.digitalFrequency = two(num(r.bandwidth) * 0.5f + num(r.analogFrequency) - 1.25f);
        r.offset = offsets[(c + i) % offsets.size()];
        r.status = (c % 7 == 3) ? QStringLiteral("OFF") : QStringLiteral("ON");
        const bool analogMode = c % 3 == 0;
        r.mode = analogMode ? QStringLiteral("ANALOG") : QStringLiteral("DIGITAL");
        r.symbolRate = QString::number(1000 + (c * 37 + i) % 6200);
        r.annex = analogMode ? QStringLiteral("DVB") : annexes[c % 3];
        r.modulation = PlanValues::modulations().at((c + i) % 5);
        r.attenuator = QStringLiteral("AUTO");
        r.system = analogMode ? PlanValues::analogSystems().at((c + i) % 18) : QStringLiteral("AUTO");
        plan.channels << r;
    }
    plan.channelCount = 140;
    return plan;
}

}   // namespace

class GroupDeviceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void sendExample();
    void progressEstimate();
    void failuresDuringSend_data();
    void failuresDuringSend();
    void cancelDuringSend();
    void portCannotOpen();
    void scriptCannotOpen();
    void bigGroupRoundTrip();
    void emptyPlan();
    void channelRetries();
    void receiveFailures();
    void receiveShortForm();
    void queries();
    void commandLine();

private:
    void chooseModelNamed(const QString &name);
    QString writeScript(TestWorkspace &ws, const QStringList &planPaths);

    std::unique_ptr<TestWorkspace> ws;
};

void GroupDeviceTest::init()
{
    ws = std::make_unique<TestWorkspace>();
    loadCatalogue();
    chooseModelNamed(QStringLiteral("KV-27"));
    thePort().SetTimeout(600);   // short, with room for a loaded machine
}

void GroupDeviceTest::cleanup()
{
    thePort().Close();
    thePort().SetTimeout(3000);
    ws.reset();
}

void GroupDeviceTest::chooseModelNamed(const QString &name)
{
    const int index = catalogueIndexOf(name);
    QVERIFY(index >= 0);
    chooseModel(index, true);
}

// The group editor's preparation: combined file, script, script copied over the combined file.
QString GroupDeviceTest::writeScript(TestWorkspace &w, const QStringList &planPaths)
{
    (void)w;
    const QString combined = combinedFilePath();
    if (writeCombinedFile(combined, planPaths) != 0 || BuildCommandScript(combined) != 1
        || CopyCommandScript(combined) != 1)
        return QString();
    return combined;
}

void GroupDeviceTest::sendExample()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    const QString plan = ws->write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    const QString script = writeScript(*ws, {plan});
    QVERIFY(!script.isEmpty());

    RecordingContext ctx;
    QCOMPARE(runJob(ctx, JobCode::GroupScript, script, 0), 0);
    QCOMPARE(meter.transcript(), kExampleScript + QStringList{QStringLiteral("*RS0")});

    QCOMPARE(ctx.captions, QStringList{QStringLiteral("Sending Channel Plan Group...")});
    QCOMPARE(ctx.statuses, QStringList{QStringLiteral("File : ") + shortenPath(script)});
    QCOMPARE(ctx.ranges.size(), size_t(1));
    QCOMPARE(ctx.ranges[0].maximum, int(QFileInfo(script).size() / 32 + 1));
    QCOMPARE(ctx.progress, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QVERIFY(!thePort().isOpen());

    // One log line per exchange, after the date line, in the order sent.
    QStringList log;
    QVERIFY(readTextLines(ws->path(QStringLiteral("Temp/chnl00.log")), log));
    QCOMPARE(log.size(), 1 + kExampleScript.size() + 1);
    QVERIFY(log.at(0).startsWith(QLatin1String("Dia =")));
    const QStringList sent = kExampleScript + QStringList{QStringLiteral("*RS0")};
    for (int i = 0; i < sent.size(); ++i) {
        QVERIFY2(log.at(i + 1).startsWith(QLatin1String("Error=0,Time=")), qPrintable(log.at(i + 1)));
        QVERIFY2(log.at(i + 1).contains(QStringLiteral(",Send=") + sent.at(i)), qPrintable(log.at(i + 1)));
    }
    QVERIFY(!thePort().channelLogOn());

    // The meter holds what was sent.
    QStringList held;
    QVERIFY(readTextLines(meter.stateDir() + QStringLiteral("/plans-held.txt"), held));
    QCOMPARE(held, (QStringList{QStringLiteral("*PN01"), QStringLiteral("*CS00AB"), QStringLiteral("*CW00002"),
                                kExampleScript.at(6), kExampleScript.at(7)}));

    // A second job starts a second log.
    QCOMPARE(runJob(ctx, JobCode::GroupScript, script, 0), 0);
    QVERIFY(fileExists(ws->path(QStringLiteral("Temp/chnl01.log"))));
}

void GroupDeviceTest::progressEstimate()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    // 40 lines of 8 bytes: a script of 320 bytes.
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QStringLiteral("*FS%1").arg(i, 4, 10, QLatin1Char('0'));
    const QString script = ws->write(QStringLiteral("Temp/s.pro"), joinLines(lines, "\n"));
    QCOMPARE(QFileInfo(script).size(), qint64(320));
    RecordingContext ctx;
    const int r = runJob(ctx, JobCode::GroupScript, script, 0);
    QVERIFY2(r == 0, qPrintable(meter.transcript().join(QLatin1Char('|'))));
    QCOMPARE(ctx.ranges.at(0).maximum, 11);
    QCOMPARE(meter.transcript().size(), 41);
}

void GroupDeviceTest::failuresDuringSend_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("commandsSeen");   // lines the meter received, *RS0 included
    QTest::newRow("NAK on the second channel") << "nak:*CF:2" << Err::CommunicationError << 8;
    QTest::newRow("silence on *PN") << "silence:*PN" << Err::CommunicationError << 4;
    QTest::newRow("NAK on *RS0") << "nak:*RS0" << Err::Nak << 10;
    QTest::newRow("silence on *RS0") << "silence:*RS0" << Err::Timeout << 10;
    QTest::newRow("line for ACK on *RS0") << "short:*RS0" << 0 << 10;
}

void GroupDeviceTest::failuresDuringSend()
{
    QFETCH(QString, fault);
    QFETCH(int, result);
    QFETCH(int, commandsSeen);
    SimulatedMeter meter({QStringLiteral("--fault"), fault});
    QVERIFY(startMeterOnPort(meter));
    const QString plan = ws->write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    const QString script = writeScript(*ws, {plan});
    RecordingContext ctx;
    QCOMPARE(runJob(ctx, JobCode::GroupScript, script, 0), result);
    const QStringList transcript = meter.transcript();
    QCOMPARE(transcript, (kExampleScript + QStringList{QStringLiteral("*RS0")}).mid(0, commandsSeen));
    QVERIFY(!thePort().isOpen());
    QVERIFY(!thePort().channelLogOn());
}

void GroupDeviceTest::cancelDuringSend()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    const QString plan = ws->write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    const QString script = writeScript(*ws, {plan});
    RecordingContext ctx;
    ctx.cancelAtStep = 3;   // Cancel pressed while the third line is on its way
    QCOMPARE(runJob(ctx, JobCode::GroupScript, script, 0), Err::UserBreak);
    QCOMPARE(meter.transcript(), kExampleScript.mid(0, 3));

    // Cancel during the last line: no *RS0 either.
    RecordingContext last;
    last.cancelAtStep = kExampleScript.size();
    QCOMPARE(runJob(last, JobCode::GroupScript, script, 0), Err::UserBreak);
    QVERIFY(!meter.transcript().contains(QStringLiteral("*RS0")));
}

void GroupDeviceTest::portCannotOpen()
{
    app().PortName = ws->path(QStringLiteral("no-such-port"));
    const QString plan = ws->write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    const QString script = writeScript(*ws, {plan});
    RecordingContext ctx;
    QCOMPARE(runJob(ctx, JobCode::GroupScript, script, 0), Err::PortFailure);
    QVERIFY(ctx.messages.isEmpty() && ctx.codes.empty());
    QVERIFY(fileExists(ws->path(QStringLiteral("Temp/chnl00.log"))));   // the attempt left its mark
    QVERIFY(!thePort().channelLogOn());

    RecordingContext receive;
    const QString out = ws->path(QStringLiteral("Temp/p.ch26"));
    QCOMPARE(runJob(receive, JobCode::ReceivePlan, out, 0), Err::PortFailure);
    QStringList lines;
    QVERIFY(readTextLines(out, lines));
    QCOMPARE(lines.size(), 4);

    QCOMPARE(AskPlansPresent(), 1);
    QCOMPARE(AskPlanCount(), Err::NotFreePort);
    QString none;
    QCOMPARE(AskPlanFileName(0, none), Err::NotFreePort);
}

void GroupDeviceTest::scriptCannotOpen()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    RecordingContext ctx;
    QCOMPARE(runJob(ctx, JobCode::GroupScript, ws->path(QStringLiteral("Temp/none.pro")), 0), Err::ScriptOpen);
    QVERIFY(meter.transcript().isEmpty());
    QVERIFY(!thePort().isOpen());

    // A receive into a folder that does not exist: -65, and the port is never opened.
    QCOMPARE(runJob(ctx, JobCode::ReceivePlan, ws->path(QStringLiteral("Missing/p.ch26")), 0), Err::UnableToOpenFile);
    QVERIFY(meter.transcript().isEmpty());
}

void GroupDeviceTest::bigGroupRoundTrip()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    QStringList paths;
    QList<ChannelPlanFile> plans;
    for (int i = 0; i < 10; ++i) {
        plans << bigPlan(i);
        paths << ws->path(QStringLiteral("Temp/p%1.ch26").arg(i));
        QCOMPARE(writePlanFile(paths.last(), plans.last()), 0);
    }
    const QString script = writeScript(*ws, paths);
    QVERIFY(!script.isEmpty());
    RecordingContext send;
    QCOMPARE(runJob(send, JobCode::GroupScript, script, 0), 0);
    QCOMPARE(meter.transcript().size(), 2 + 2 + 20 + 1400 + 1 + 1);

    QCOMPARE(AskPlansPresent(), 1);
    QCOMPARE(AskPlanCount(), 10);
    for (int p = 0; p < 10; ++p) {
        QString name;
        QCOMPARE(AskPlanFileName(p, name), 0);
        QCOMPARE(name, QStringLiteral("p%1.ch26").arg(p));
        const QString out = ws->path(QStringLiteral("Temp/r") + name);
        RecordingContext receive;
        QCOMPARE(runJob(receive, JobCode::ReceivePlan, out, p), 0);
        QCOMPARE(receive.ranges.at(0).maximum, 140);
        QCOMPARE(receive.progress.back(), 140);

        ChannelPlanFile got;
        QCOMPARE(readPlanFile(out, got), 0);
        QCOMPARE(got.planName, plans[p].planName);
        QCOMPARE(got.channels.size(), 140);
        for (int c = 0; c < 140; ++c) {
            const ChannelRecord &a = plans[p].channels[c];
            const ChannelRecord &b = got.channels[c];
            const QString where = QStringLiteral("plan %1 channel %2").arg(p).arg(c + 1);
            QVERIFY2(b.name == a.name, qPrintable(where));
            QVERIFY2(b.analogFrequency == a.analogFrequency, qPrintable(where + QLatin1Char(' ') + b.analogFrequency));
            QVERIFY2(b.digitalFrequency == a.digitalFrequency,
                     qPrintable(where + QLatin1Char(' ') + b.digitalFrequency));
            QVERIFY2(b.offset == two(num(a.offset)), qPrintable(where + QLatin1Char(' ') + b.offset));
            QVERIFY2(b.bandwidth == one(num(a.bandwidth)), qPrintable(where));
            QVERIFY2(b.status == a.status && b.mode == a.mode, qPrintable(where));
            QVERIFY2(b.symbolRate == a.symbolRate, qPrintable(where));
            QVERIFY2(b.annex == a.annex && b.modulation == a.modulation, qPrintable(where));
            if (a.mode == QLatin1String("ANALOG"))
                QVERIFY2(b.system == a.system, qPrintable(where + QLatin1Char(' ') + b.system));
        }
    }
}

void GroupDeviceTest::emptyPlan()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    const QString script =
        ws->write(QStringLiteral("Temp/s.pro"),
                  joinLines({QStringLiteral("*FL08"), kExampleFs, QStringLiteral("*EP"), QStringLiteral("*PN01"),
                             QStringLiteral("*CS00ZZ"), QStringLiteral("*CW00000"), QStringLiteral("*PM01")},
                            "\n"));
    RecordingContext send;
    QCOMPARE(runJob(send, JobCode::GroupScript, script, 0), 0);

    RecordingContext receive;
    const QString out = ws->path(QStringLiteral("Temp/zz.ch26"));
    QCOMPARE(runJob(receive, JobCode::ReceivePlan, out, 0), 0);
    QCOMPARE(ws->read(QStringLiteral("Temp/zz.ch26")),
             QByteArray("#=====================================\r\nKelvatrone :  CONTROL REMOT PROGRAM\r\n"
                        "#=====================================\r\nCHANNEL PLAN(1)\r\n"));
    QCOMPARE(receive.captions, QStringList{QStringLiteral("Receiving Channel Plan")});
    QCOMPARE(receive.statuses, QStringList{QStringLiteral("Receiving in File : ") + shortenPath(out)});
    // Name and count asked, no channel.
    const QStringList t = meter.transcript();
    QCOMPARE(t.mid(t.size() - 2), (QStringList{QStringLiteral("*?CS00"), QStringLiteral("*?CW00")}));
}

void GroupDeviceTest::channelRetries()
{
    const QString plan = ws->write(QStringLiteral("Channel/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    SimulatedMeter meter(
        {QStringLiteral("--plan-file"), plan, QStringLiteral("--fault"), QStringLiteral("silence:*?CF:1-2")});
    QVERIFY(startMeterOnPort(meter));
    RecordingContext receive;
    const QString out = ws->path(QStringLiteral("Temp/ab.ch26"));
    QCOMPARE(runJob(receive, JobCode::ReceivePlan, out, 0), 0);
    QCOMPARE(meter.transcript(),
             (QStringList{QStringLiteral("*?CS00"), QStringLiteral("*?CW00"), QStringLiteral("*?CF0000"),
                          QStringLiteral("*?CF0000"), QStringLiteral("*?CF0000"), QStringLiteral("*?CF0001")}));
    QStringList lines;
    QVERIFY(readTextLines(out, lines));
    QCOMPARE(lines.mid(4),
             (QStringList{QStringLiteral("CHANNEL8(AB,PAL,FM,5.50,2,1)"), QStringLiteral("ORDER(1)"),
                          QStringLiteral("[CHANNELS_OFFSET]"),
                          QStringLiteral("1,C21,474.00,476.75,0.00,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,PAL/BG"),
                          QStringLiteral("2,S2,48.25,50.50,0.00,7.0,OFF,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG")}));
}

void GroupDeviceTest::receiveFailures()
{
    const QString plan = ws->write(QStringLiteral("Channel/ab.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    {
        // Three failures in a row on the second channel: -96, the first channel stays.
        SimulatedMeter meter(
            {QStringLiteral("--plan-file"), plan, QStringLiteral("--fault"), QStringLiteral("silence:*?CF0001")});
        QVERIFY(startMeterOnPort(meter));
        RecordingContext receive;
        const QString out = ws->path(QStringLiteral("Temp/ab.ch26"));
        QCOMPARE(runJob(receive, JobCode::ReceivePlan, out, 0), Err::CommunicationError);
        QStringList lines;
        QVERIFY(readTextLines(out, lines));
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines.last().startsWith(QLatin1String("1,C21,")));
        QCOMPARE(meter.transcript().count(QStringLiteral("*?CF0001")), 3);
    }
    {
        // A name that cannot be had: no count, no channel asked.
        SimulatedMeter meter(
            {QStringLiteral("--plan-file"), plan, QStringLiteral("--fault"), QStringLiteral("nak:*?CS")});
        QVERIFY(startMeterOnPort(meter));
        RecordingContext receive;
        QCOMPARE(runJob(receive, JobCode::ReceivePlan, ws->path(QStringLiteral("Temp/x.ch26")), 0),
                 Err::CommunicationError);
        QCOMPARE(meter.transcript(), (QStringList{QStringLiteral("*?CS00"), QStringLiteral("*?CS00")}));
    }
    {
        // A garbled channel answer ends the job; Cancel ends it after the current exchange.
        SimulatedMeter meter(
            {QStringLiteral("--plan-file"), plan, QStringLiteral("--fault"), QStringLiteral("length:5:*?CF0001")});
        QVERIFY(startMeterOnPort(meter));
        RecordingContext receive;
        QCOMPARE(runJob(receive, JobCode::ReceivePlan, ws->path(QStringLiteral("Temp/x.ch26")), 0),
                 Err::CommunicationError);
        RecordingContext cancelled;
        cancelled.cancelAtStep = 1;
        QCOMPARE(runJob(cancelled, JobCode::ReceivePlan, ws->path(QStringLiteral("Temp/y.ch26")), 0), Err::UserBreak);
        QCOMPARE(meter.transcript().count(QStringLiteral("*?CF0001")), 1);
    }
}

void GroupDeviceTest::receiveShortForm()
{
    chooseModelNamed(QStringLiteral("KV-25"));
    const QString plan = ws->write(QStringLiteral("Channel/ab.ch25"), planText(QStringLiteral("AB"), kExampleChannels));
    SimulatedMeter meter({QStringLiteral("--plan-type"), QStringLiteral("ch25"), QStringLiteral("--plan-file"), plan});
    QVERIFY(startMeterOnPort(meter));
    QString name;
    QCOMPARE(AskPlanFileName(0, name), 0);
    QCOMPARE(name, QStringLiteral("ab.ch25"));
    RecordingContext receive;
    const QString out = ws->path(QStringLiteral("Temp/ab.ch25"));
    QCOMPARE(runJob(receive, JobCode::ReceivePlan, out, 0), 0);
    QStringList lines;
    QVERIFY(readTextLines(out, lines));
    QCOMPARE(lines.mid(7),
             (QStringList{QStringLiteral("1,C21,474.00,476.75,0.00,8.0,ON,DIGITAL,5057,B,QAM64,AUTO,PAL/BG"),
                          QStringLiteral("2,S2,48.25,50.50,0.00,7.0,ON,DIGITAL,5057,B,QAM64,AUTO,PAL/BG")}));

    // The short form goes out for such a model: "*CF" lines end with "&" after the offset.
    const QString script = writeScript(*ws, {out});
    QVERIFY(!script.isEmpty());
    QCOMPARE(runJob(receive, JobCode::GroupScript, script, 0), 0);
    QVERIFY(meter.transcript().contains(QStringLiteral("*CF00001&S2&48250000&7000000&0&")));
}

void GroupDeviceTest::queries()
{
    const QString plan =
        ws->write(QStringLiteral("Channel/ab.ch26"), planText(QStringLiteral(" Ab "), kExampleChannels));
    const QString odd =
        ws->write(QStringLiteral("Channel/odd.ch26"), planText(QStringLiteral("../X"), kExampleChannels));
    {
        SimulatedMeter meter({QStringLiteral("--plans"), plan, odd});
        QVERIFY(startMeterOnPort(meter));
        QCOMPARE(AskPlansPresent(), 1);
        QCOMPARE(AskPlanCount(), 2);
        QString name;
        QCOMPARE(AskPlanFileName(0, name), 0);
        QCOMPARE(name, QStringLiteral("ab.ch26"));   // trimmed, lower case
        QCOMPARE(AskPlanFileName(1, name), 0);
        QCOMPARE(name, QStringLiteral(".._x.ch26"));   // would have left the folder
        QCOMPARE(AskPlanFileName(2, name), Err::CommunicationError);   // refused by the meter
        QVERIFY(name.isEmpty());
        QCOMPARE(meter.transcript().count(QStringLiteral("*?CS02")), 2);   // two attempts
        QVERIFY(!thePort().isOpen());
    }
    {
        SimulatedMeter meter({QStringLiteral("--cg-answer"), QStringLiteral("*CG00")});
        QVERIFY(startMeterOnPort(meter));
        QCOMPARE(AskPlansPresent(), 0);
    }
    {
        // A meter that does not answer the question lets the reception go ahead.
        SimulatedMeter meter({QStringLiteral("--fault"), QStringLiteral("silence:*?CG"), QStringLiteral("--fault"),
                              QStringLiteral("garbage:*?PN")});
        QVERIFY(startMeterOnPort(meter));
        QCOMPARE(AskPlansPresent(), 1);
        QCOMPARE(AskPlanCount(), Err::CommunicationError);
    }
}

void GroupDeviceTest::commandLine()
{
    const QString a = ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("AB"), kExampleChannels));
    const QString b = ws->write(QStringLiteral("Channel/b.ch26"),
                                planText(QStringLiteral("AB"), {QStringLiteral("1,S2,48.25,50.50,0.0,7.0,ON,ANALOG,"
                                                                               "6875,DVB,QAM16,AUTO,PAL/BG")}));
    auto run = [&](const QString &port, const QStringList &args, QByteArray *out = nullptr, QByteArray *err = nullptr) {
        QProcess p;
        p.setProgram(QStringLiteral(KV_CLI_PATH));
        p.setArguments(QStringList{QStringLiteral("--workspace"), ws->root(), QStringLiteral("--port"), port,
                                   QStringLiteral("--model"), QStringLiteral("KV-27")}
                       + args);
        p.start();
        if (!p.waitForFinished(30000))
            return -1;
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    };
    {
        SimulatedMeter meter;
        QVERIFY(meter.start());
        QByteArray out, err;
        QCOMPARE(run(meter.devicePath(), {QStringLiteral("send-group"), a, b}, &out, &err), 0);
        QVERIFY2(err.contains("Sending Channel Plan Group...") && err.contains("progress"), err.constData());
        QVERIFY(err.contains("erase all contents stored in Datalogger."));
        QCOMPARE(meter.transcript().last(), QStringLiteral("*RS0"));
        QVERIFY(meter.transcript().contains(QStringLiteral("*PN02")));
        QCOMPARE(QString::fromLocal8Bit(out).trimmed(), QStringLiteral("2 channel plan(s) sent"));
        // In Spanish: the caption, the progress lines and the result line.
        QCOMPARE(run(meter.devicePath(),
                     {QStringLiteral("--lang"), QStringLiteral("es"), QStringLiteral("send-group"), a, b}, &out, &err),
                 0);
        QVERIFY2(QString::fromLocal8Bit(err).contains(QStringLiteral("progreso")), err.constData());
        QCOMPARE(QString::fromLocal8Bit(out).trimmed(), QStringLiteral("2 plan(es) de canales enviado(s)"));

        // Both plans are named AB: each keeps its own file.
        const QString outDir = ws->path(QStringLiteral("received"));
        QDir().mkpath(outDir);
        QCOMPARE(run(meter.devicePath(), {QStringLiteral("receive-plans"), outDir}, &out, &err), 0);
        QCOMPARE(QString::fromLocal8Bit(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{outDir + QStringLiteral("/ab.ch26"), outDir + QStringLiteral("/ab_2.ch26")}));
        ChannelPlanFile got;
        QCOMPARE(readPlanFile(outDir + QStringLiteral("/ab_2.ch26"), got), 0);
        QCOMPARE(got.channels.size(), 1);
        QCOMPARE(got.channels[0].name, QStringLiteral("S2"));

        // Into the temporary folder itself, where the job's own files are written too.
        QCOMPARE(run(meter.devicePath(), {QStringLiteral("receive-plans"), ws->temp()}, &out, &err), 0);
        QCOMPARE(ws->read(QStringLiteral("Temp/ab_2.ch26")), ws->read(QStringLiteral("received/ab_2.ch26")));
        QVERIFY(!ws->read(QStringLiteral("Temp/ab.ch26")).isEmpty());

        QCOMPARE(
            run(meter.devicePath(), {QStringLiteral("receive-plans"), ws->path(QStringLiteral("none"))}, &out, &err),
            1);
        QCOMPARE(run(meter.devicePath(), {QStringLiteral("send-group")}, &out, &err), 1);
        QVERIFY(err.contains("No Channel Plan"));
        QCOMPARE(
            run(meter.devicePath(), {QStringLiteral("send-group"), ws->path(QStringLiteral("models.txt"))}, &out, &err),
            1);
        QVERIFY(err.contains("Incorrect Format File"));
    }
    {
        // "No Channel Plan" stops the reception before any other command.
        SimulatedMeter meter({QStringLiteral("--cg-answer"), QStringLiteral("*CG00")});
        QVERIFY(meter.start());
        QByteArray out, err;
        QCOMPARE(run(meter.devicePath(), {QStringLiteral("receive-plans"), ws->temp()}, &out, &err), 1);
        QVERIFY2(err.contains("Error : No Channel Plan: -16"), err.constData());
        QCOMPARE(meter.transcript(), QStringList{QStringLiteral("*?CG")});
    }
    {
        // Names that cannot be file names: the plans are received under safe names.
        const QString blank =
            ws->write(QStringLiteral("Channel/blank.ch26"), planText(QStringLiteral("  "), kExampleChannels));
        const QString slash =
            ws->write(QStringLiteral("Channel/slash.ch26"), planText(QStringLiteral("A/B"), kExampleChannels));
        SimulatedMeter meter({QStringLiteral("--plans"), blank, slash});
        QVERIFY(meter.start());
        const QString outDir = ws->path(QStringLiteral("odd"));
        QDir().mkpath(outDir);
        QByteArray out, err;
        QCOMPARE(run(meter.devicePath(), {QStringLiteral("receive-plans"), outDir}, &out, &err), 0);
        QCOMPARE(QString::fromLocal8Bit(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{outDir + QStringLiteral("/plan01.ch26"), outDir + QStringLiteral("/a_b.ch26")}));
        ChannelPlanFile got;
        QCOMPARE(readPlanFile(outDir + QStringLiteral("/a_b.ch26"), got), 0);
        QCOMPARE(got.channels.size(), kExampleChannels.size());
        // The plan without a name is named after its file, so that it opens and can be sent.
        ChannelPlanFile nameless;
        QCOMPARE(readPlanFile(outDir + QStringLiteral("/plan01.ch26"), nameless), 0);
        QCOMPARE(nameless.planName, QStringLiteral("plan01"));
        QCOMPARE(nameless.channels.size(), kExampleChannels.size());
        QCOMPARE(run(meter.devicePath(), {QStringLiteral("send-group"), outDir + QStringLiteral("/plan01.ch26")}, &out,
                     &err),
                 0);
    }
    {
        QByteArray out, err;
        QCOMPARE(run(ws->path(QStringLiteral("no-port")), {QStringLiteral("send-group"), a}, &out, &err), 1);
        QVERIFY2(err.contains("cannot be opened"), err.constData());
    }
}

QTEST_GUILESS_MAIN(GroupDeviceTest)
#include "tst_groupdevice.moc"
