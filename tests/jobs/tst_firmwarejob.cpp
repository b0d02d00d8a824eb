// The firmware upgrade against the simulated meter: what the meter receives, what it keeps,
// where a failing upgrade stops, Cancel, and the check of the restarted meter.

#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "jobs/FirmwareJob.h"
#include "jobs/Jobs.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QFile>
#include <QtTest>
#include <QRegularExpression>
#include <algorithm>
#include <functional>

namespace {

// A job context that records what the job showed, with the port's time-out at that moment.
class RecordingContext : public JobContext {
public:
    RecordingContext() : JobContext(thePort()) {}

    void setCaption(const QString &text) override { caption = text; }
    void setStatus(const QString &text) override
    {
        statuses << text;
        statusTimeouts << port().GetTimeout();
        if (text == cancelAtStatus)
            requestCancel();
        if (onStatus)
            onStatus(text);
    }
    void setProgressRange(int bar, int minimum, int maximum) override
    {
        if (bar == 0)
            maxima << maximum;
        (void)minimum;
    }
    void setProgress(int bar, int value) override
    {
        if (bar != 0)
            return;
        progress << value;
        progressTimeouts << port().GetTimeout();
        if (value == cancelAtProgress)
            requestCancel();
    }
    void showMessage(const QString &c, const QString &text, bool) override { messages << c + QLatin1Char('|') + text; }

    QString caption;
    QStringList statuses;
    QList<int> statusTimeouts;
    QList<int> maxima;
    QList<int> progress;
    QList<int> progressTimeouts;
    QStringList messages;
    QString cancelAtStatus;
    int cancelAtProgress = -1;
    std::function<void(const QString &)> onStatus;
};

// An S-record file: header, 30-byte and 29-byte data records, end record, CR LF line ends.
QByteArray sRecords(int records30, int records29, QStringList *lines)
{
    auto record = [](char type, int address, const QByteArray &data) {
        QByteArray body;
        const int count = int(data.size()) + 3;
        body.append(char(count)).append(char(address >> 8)).append(char(address & 0xFF)).append(data);
        int sum = 0;
        for (char c : body)
            sum += quint8(c);
        return QByteArray("S") + type + body.toHex().toUpper()
               + QByteArray::number(~sum & 0xFF, 16).rightJustified(2, '0').toUpper();
    };
    QList<QByteArray> out;
    out << record('0', 0, "HDR");
    int address = 0x1000;
    for (int i = 0; i < records30 + records29; ++i) {
        QByteArray data;
        const int n = i < records30 ? 30 : 29;
        for (int b = 0; b < n; ++b)
            data.append(char((i * 7 + b * 13) & 0xFF));
        out << record('1', address, data);
        address += n;
    }
    out << record('9', 0, QByteArray());
    QByteArray file;
    for (const QByteArray &l : out) {
        file += l + "\r\n";
        if (lines)
            *lines << QString::fromLatin1(l);
    }
    return file;
}

QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

const QStringList kErases = {QStringLiteral("*FE2"), QStringLiteral("*FE3"), QStringLiteral("*FE4"),
                             QStringLiteral("*FE5"), QStringLiteral("*FE6"), QStringLiteral("*FE2")};

}   // namespace

class FirmwareJobTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void wholeUpgrade();
    void failingSteps_data();
    void failingSteps();
    void cancel_data();
    void cancel();
    void restartedMeter_data();
    void restartedMeter();
    void refusedFileOpensNoPort_data();
    void refusedFileOpensNoPort();
    void portThatCannotOpen();
    void fileGoneWhileErasing();

private:
    // Starts the meter with args and points the program at it with the model chosen.
    bool setUp(const QStringList &args, const QString &model, bool manually);
    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<SimulatedMeter> meter;
    QString firmware;   // path of a small firmware file
    QStringList firmwareLines;
};

void FirmwareJobTest::initTestCase()
{
    StringTable::fillStringTable();
}

void FirmwareJobTest::init()
{
    meter.reset();
    ws.reset();
    FirmwareTiming &t = firmwareTiming();
    t = FirmwareTiming{};
    t.restartWaitMs = 10;
    t.checkWaitMs = 10;
    thePort().SetTimeout(3000);
}

bool FirmwareJobTest::setUp(const QStringList &args, const QString &model, bool manually)
{
    ws = std::make_unique<TestWorkspace>();
    if (loadCatalogue(ws->path(QStringLiteral("models.txt"))) <= 0)
        return false;
    const int index = catalogueIndexOf(model);
    if (index < 0)
        return false;
    chooseModel(index, manually);
    firmwareLines.clear();
    firmware = ws->write(QStringLiteral("Version/small.hx27"), sRecords(2, 1, &firmwareLines));
    meter = std::make_unique<SimulatedMeter>(args);
    return startMeterOnPort(*meter);
}

void FirmwareJobTest::wholeUpgrade()
{
    QVERIFY(setUp({}, QStringLiteral("KV-27"), false));
    QStringList lines;
    const QByteArray bytes = sRecords(0, 101, &lines);
    QCOMPARE(bytes.size(), 7100);
    const QString path = ws->write(QStringLiteral("Version/kv27.hx27"), bytes);

    RecordingContext ctx;
    QCOMPARE(firmwareUpgradeJob(ctx, path), 0);
    const FirmwareRun run = takeLastFirmwareRun();
    QVERIFY(run.ran);
    QCOMPARE(run.result, 0);
    QVERIFY(run.stoppedAt.isEmpty());

    // What the meter received and kept.
    QStringList expected{QStringLiteral("*RS2")};
    expected << kErases;
    for (const QString &l : lines)
        expected << QStringLiteral("*SX") + l;
    expected << QStringLiteral("*RS0");
    QCOMPARE(meter->transcript(), expected);
    QCOMPARE(readLines(meter->stateDir() + QStringLiteral("/firmware.txt")), lines);

    // An identified model is not asked again, and nothing is shown.
    QVERIFY(!run.meterChecked);
    QVERIFY(ctx.messages.isEmpty());
    QCOMPARE(ctx.caption, StringTable::text(168));

    // 40 s for every erase, 3 s for every line and afterwards.
    int erasing = 0;
    for (int i = 0; i < ctx.statuses.size(); ++i) {
        if (ctx.statuses[i].startsWith(StringTable::text(166))) {
            ++erasing;
            QCOMPARE(ctx.statusTimeouts[i], 40000);
        }
    }
    QCOMPARE(erasing, 6);
    QCOMPARE(ctx.statuses.last(), StringTable::text(160));
    QCOMPARE(ctx.statusTimeouts.last(), 3000);
    QCOMPARE(ctx.progress.size(), lines.size() + 1);   // position 0, then one step a line
    for (int t : ctx.progressTimeouts)
        QCOMPARE(t, 3000);
    QCOMPARE(ctx.maxima.last(), 100);
    QCOMPARE(ctx.progress.last(), 100);
    QCOMPARE(thePort().GetTimeout(), 3000);
    QVERIFY(!thePort().isOpen());
    QVERIFY(!thePort().upgradeLogOn());

    // The upgrade log: a header, then one line per exchange.
    const QStringList log = readLines(ws->temp() + QStringLiteral("/updt00.log"));
    QVERIFY(!log.isEmpty());
    QVERIFY(log.first().startsWith(QStringLiteral("Dia =")));
    auto count = [&](const QString &what) {
        return int(std::count_if(log.begin(), log.end(), [&](const QString &l) { return l.contains(what); }));
    };
    QCOMPARE(count(QStringLiteral("Send=*RS2")), 1);
    QCOMPARE(count(QStringLiteral("Send=*FE")), 6);
    QCOMPARE(count(QStringLiteral("Send=*SX")), lines.size());
    QCOMPARE(count(QStringLiteral("Send=*RS0")), 1);
    QCOMPARE(count(QStringLiteral("Error=0,")), lines.size() + 8);
    QCOMPARE(count(QStringLiteral("Stopped=")), 0);
}

void FirmwareJobTest::failingSteps_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("erases");   // erase commands received
    QTest::addColumn<int>("lines");   // "*SX" lines received
    QTest::addColumn<bool>("restart");   // "*RS0" received
    QTest::addColumn<QString>("stop");   // where the upgrade says it stopped

    QTest::newRow("sector fails 4 times, then erases")
        << QStringList{QStringLiteral("nak:*FE4:1-4")} << 0 << 10 << 5 << true << QString();
    QTest::newRow("sector fails 5 times") << QStringList{QStringLiteral("nak:*FE4")} << Err::CommunicationError << 7
                                          << 0 << false << QStringLiteral("erase of sector 4");
    QTest::newRow("second erase of sector 2 fails")
        << QStringList{QStringLiteral("nak:*FE2:2-")} << Err::CommunicationError << 10 << 0 << false
        << QStringLiteral("second erase of sector 2");
    QTest::newRow("restart into the loader refused")
        << QStringList{QStringLiteral("nak:*RS2")} << Err::Nak << 0 << 0 << false << QStringLiteral("*RS2");
    QTest::newRow("line 3 refused") << QStringList{QStringLiteral("nak:*SX:3")} << Err::CommunicationError << 6 << 3
                                    << false << QStringLiteral("line 3 of 5");
    QTest::newRow("final restart refused")
        << QStringList{QStringLiteral("nak:*RS0")} << Err::Nak << 6 << 5 << true << QStringLiteral("final restart");
}

void FirmwareJobTest::failingSteps()
{
    QFETCH(QStringList, faults);
    QFETCH(int, result);
    QFETCH(int, erases);
    QFETCH(int, lines);
    QFETCH(bool, restart);
    QFETCH(QString, stop);

    QStringList args;
    for (const QString &f : faults)
        args << QStringLiteral("--fault") << f;
    QVERIFY(setUp(args, QStringLiteral("KV-27"), false));
    QCOMPARE(firmwareLines.size(), 5);

    RecordingContext ctx;
    QCOMPARE(firmwareUpgradeJob(ctx, firmware), result);
    const FirmwareRun run = takeLastFirmwareRun();
    const QStringList t = meter->transcript();
    auto count = [&](const QString &prefix) {
        return int(std::count_if(t.begin(), t.end(), [&](const QString &l) { return l.startsWith(prefix); }));
    };
    QCOMPARE(count(QStringLiteral("*FE")), erases);
    QCOMPARE(count(QStringLiteral("*SX")), lines);
    QCOMPARE(count(QStringLiteral("*RS0")), restart ? 1 : 0);
    QCOMPARE(count(QStringLiteral("*RS2")), result == Err::Nak && erases == 0 ? 2 : 1);   // 2 attempts
    QCOMPARE(thePort().GetTimeout(), 3000);
    QVERIFY(!thePort().isOpen());

    if (stop.isEmpty()) {
        QVERIFY(run.stoppedAt.isEmpty());
        QCOMPARE(readLines(meter->stateDir() + QStringLiteral("/firmware.txt")), firmwareLines);
        return;
    }
    // Where it stopped, for the failure's message; the upgrade log holds exchange lines only.
    QVERIFY2(run.stoppedAt.contains(stop), qPrintable(run.stoppedAt));
    const QStringList log = readLines(ws->temp() + QStringLiteral("/updt00.log"));
    QVERIFY(!log.isEmpty());
    QVERIFY2(log.filter(QStringLiteral("Stopped")).isEmpty(), qPrintable(log.join('\n')));
    for (int i = 1; i < log.size(); ++i)
        QVERIFY2(log.at(i).contains(QStringLiteral("Send=")), qPrintable(log.at(i)));
}

void FirmwareJobTest::cancel_data()
{
    QTest::addColumn<QString>("atStatus");
    QTest::addColumn<int>("atProgress");
    QTest::addColumn<bool>("beforeStart");
    QTest::addColumn<int>("erases");
    QTest::addColumn<int>("lines");

    // Erasing does not test Cancel: all six sectors are erased, then the job stops.
    QTest::newRow("while erasing") << StringTable::text(166, 0) + QStringLiteral(" 3") << -1 << false << 6 << 0;
    QTest::newRow("after 2 lines") << QString() << 2 << false << 6 << 2;
    // Before the first erase nothing is lost yet: the job stops without erasing.
    QTest::newRow("before erasing") << QString() << -1 << true << 0 << 0;
}

void FirmwareJobTest::cancel()
{
    QFETCH(QString, atStatus);
    QFETCH(int, atProgress);
    QFETCH(bool, beforeStart);
    QFETCH(int, erases);
    QFETCH(int, lines);

    QVERIFY(setUp({}, QStringLiteral("KV-27"), true));
    RecordingContext ctx;
    ctx.cancelAtStatus = atStatus;
    ctx.cancelAtProgress = atProgress;
    if (beforeStart)
        ctx.requestCancel();
    QCOMPARE(firmwareUpgradeJob(ctx, firmware), Err::UserBreak);
    const QStringList t = meter->transcript();
    QCOMPARE(t.first(), QStringLiteral("*RS2"));
    QCOMPARE(t.filter(QRegularExpression(QStringLiteral("^\\*FE"))).size(), erases);
    QCOMPARE(t.filter(QRegularExpression(QStringLiteral("^\\*SX"))).size(), lines);
    QVERIFY(!t.contains(QStringLiteral("*RS0")));
    // A broken-off upgrade does not go on to ask the meter who it is.
    QVERIFY(!t.contains(QStringLiteral("*?VE")));
    QVERIFY(ctx.messages.isEmpty());
    const FirmwareRun run = takeLastFirmwareRun();
    QCOMPARE(run.result, Err::UserBreak);
    QCOMPARE(run.stoppedAt, beforeStart ? QStringLiteral("before the first sector erase")
                                        : QStringLiteral("before line %1 of 5").arg(lines + 1));
}

void FirmwareJobTest::restartedMeter_data()
{
    QTest::addColumn<QStringList>("meterArgs");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("named");   // model the main window then shows; empty: unchanged
    QTest::addColumn<bool>("message");

    const QString other = QStringLiteral("--after-upgrade-identity");
    QTest::newRow("same model") << QStringList{other, QStringLiteral("*VEKV-27 v1.31")} << 0 << QStringLiteral("KV-27")
                                << false;
    QTest::newRow("another model") << QStringList{other, QStringLiteral("*VEKV-26 v2.00")} << 0
                                   << QStringLiteral("KV-26") << true;
    QTest::newRow("unknown model") << QStringList{other, QStringLiteral("*VEXR-99 v1.00")} << Err::NotRecognized
                                   << QString() << false;
    QTest::newRow("still in the loader") << QStringList{other, QStringLiteral("BOOT")} << Err::NotRecognized
                                         << QString() << false;
    QTest::newRow("version query fails") << QStringList{QStringLiteral("--fault"), QStringLiteral("nak:*?VE")}
                                         << Err::PostUpgradeCheck << QString() << false;
}

void FirmwareJobTest::restartedMeter()
{
    QFETCH(QStringList, meterArgs);
    QFETCH(int, result);
    QFETCH(QString, named);
    QFETCH(bool, message);

    QVERIFY(setUp(meterArgs, QStringLiteral("KV-27"), true));
    const int before = app().currentModelIndex;
    RecordingContext ctx;
    QCOMPARE(firmwareUpgradeJob(ctx, firmware), result);
    const FirmwareRun run = takeLastFirmwareRun();
    QCOMPARE(run.result, 0);   // the upgrade itself went through
    QVERIFY(run.meterChecked);

    const QStringList t = meter->transcript();
    QCOMPARE(t.indexOf(QStringLiteral("*?VE")), t.indexOf(QStringLiteral("*RS0")) + 1);
    // 2 attempts, up to 3 times, when the meter keeps refusing.
    QCOMPARE(int(t.count(QStringLiteral("*?VE"))), result == Err::PostUpgradeCheck ? 6 : 1);
    QVERIFY(!thePort().isOpen());

    // The job leaves the state alone; the window thread applies what it found.
    QCOMPARE(app().currentModelIndex, before);
    applyRestartedMeter(run);
    if (named.isEmpty()) {
        QCOMPARE(app().currentModelIndex, before);
        QCOMPARE(run.identifiedIndex, -1);
    } else {
        QCOMPARE(app().currentModelIndex, catalogueIndexOf(named));
        QCOMPARE(run.identifiedIndex, catalogueIndexOf(named));
        QCOMPARE(run.identifiedName, named);
    }
    if (message) {
        QCOMPARE(ctx.messages.size(), 1);
        QCOMPARE(ctx.messages.first(),
                 QStringLiteral("Kelvatrone|Model identified: %1 Update to correct firmware").arg(named));
    } else {
        QVERIFY(ctx.messages.isEmpty());
    }
}

void FirmwareJobTest::refusedFileOpensNoPort_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("result");
    QTest::newRow("intel hex") << QByteArray(":10000000FF\r\n") << true << Err::UnableToOpenFile;
    QTest::newRow("77-character line") << QByteArray("S0\r\nS" + QByteArray(76, '1') + "\r\n") << true
                                       << Err::UnableToOpenFile;
    QTest::newRow("missing") << QByteArray() << false << Err::FileNotFound;
}

void FirmwareJobTest::refusedFileOpensNoPort()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QFETCH(int, result);
    QVERIFY(setUp({}, QStringLiteral("KV-27"), true));
    const QString path =
        exists ? ws->write(QStringLiteral("Version/bad.hx27"), content) : ws->path(QStringLiteral("Version/gone.hx27"));
    RecordingContext ctx;
    QCOMPARE(firmwareUpgradeJob(ctx, path), result);
    QVERIFY(meter->transcript().isEmpty());
    QVERIFY(!QFile::exists(ws->temp() + QStringLiteral("/updt00.log")));
    QVERIFY(ctx.statuses.isEmpty());
    QCOMPARE(takeLastFirmwareRun().result, result);
}

void FirmwareJobTest::portThatCannotOpen()
{
    QVERIFY(setUp({}, QStringLiteral("KV-27"), true));
    app().PortName = ws->path(QStringLiteral("no-such-tty"));
    RecordingContext ctx;
    QCOMPARE(firmwareUpgradeJob(ctx, firmware), Err::PortFailure);
    const FirmwareRun run = takeLastFirmwareRun();
    QVERIFY(!run.meterChecked);
    QVERIFY(run.stoppedAt.isEmpty());   // nothing was sent: no step to name
    QVERIFY(meter->transcript().isEmpty());
    QVERIFY(!QFile::exists(ws->temp() + QStringLiteral("/updt00.log")));
    QVERIFY(ctx.messages.isEmpty());
}

void FirmwareJobTest::fileGoneWhileErasing()
{
    QVERIFY(setUp({}, QStringLiteral("KV-27"), true));
    RecordingContext ctx;
    ctx.onStatus = [this](const QString &text) {
        if (text == QStringLiteral("Erasing Sector : 4"))
            QFile::remove(firmware);
    };
    QCOMPARE(firmwareUpgradeJob(ctx, firmware), Err::FirmwareOpen);
    const QStringList t = meter->transcript();
    QCOMPARE(t.size(), 7);   // the restart and the six erases
    QCOMPARE(takeLastFirmwareRun().stoppedAt, QStringLiteral("reading the firmware file"));
}

QTEST_GUILESS_MAIN(FirmwareJobTest)
#include "tst_firmwarejob.moc"
