// Every job against a misbehaving meter: for each command a job sends, each way the meter can
// fail it (NAK, silence, an answer without ACK, an overlong answer, noise, XON/XOFF noise, a
// hang-up) and a Cancel pressed while the meter handles it. One table gives every case and what
// the job must answer; each case also checks that the job ends within its time-outs, that the
// port is closed afterwards, that no file of the workspace but the job's own output changed,
// that no noise reached a received file, and that XON/XOFF noise changes nothing delivered.

#include "RecordingContext.h"
#include "SimulatedMeter.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/Settings.h"
#include "channelplan/CombinedPlanFile.h"
#include "jobs/FirmwareJob.h"
#include "jobs/GroupJobs.h"
#include "jobs/Jobs.h"
#include "jobs/LoggerJobs.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace {

// Every time below is stretched by KV_TEST_TIME_SCALE (a whole number, 1 when unset): a build
// under the sanitizers runs several times slower, and a tight time-out there would fail a
// case for the machine's speed rather than for the program.
int timeScale()
{
    static const int scale = std::max(1, qEnvironmentVariableIntValue("KV_TEST_TIME_SCALE"));
    return scale;
}

constexpr int kTimeoutMs = 200;   // the port's time-out for every exchange of a fault case
// A Cancel case: the meter holds the reply to the cancelled command this long, well inside a
// longer time-out, so that the Cancel lands while the job waits for that exchange even on a
// loaded machine.
constexpr int kCancelDelayMs = 250;
constexpr int kCancelTimeoutMs = 500;
// What a job may take beyond its time-outs: up to ~90 exchanges on a pseudo-terminal (about
// 100 ms in all here) and file writes, on a loaded two-core machine.
constexpr int kSlackMs = 1000;

// How the meter's 40 noise bytes begin (its noise is the same every time).
const QByteArray kNoiseStart = QByteArrayLiteral("sn\xe1\xc4O\xe3[Y\xd6\xf3");

enum Fault { Nak, Silence, NoAck, Long, Garbage, XonXoff, Hangup, Cancel, FaultCount };
const char *const kFaultNames[FaultCount] = {"nak",     "silence", "noack",  "long",
                                             "garbage", "xonxoff", "hangup", "cancel"};

enum class Job { SendGroup, ReceivePlan, IndexTv, IndexModem, TvLogger, ModemLogger, AllTv, AllModem, Firmware };

constexpr int Ok = 0;
constexpr int Comm = Err::CommunicationError;
constexpr int Break = Err::UserBreak;

// One command of one job. The fault hits the commands that begin with prefix, at the
// occurrences sel gives (meter syntax: "" every one, "N", "N-M", "N-"); a hang-up and a Cancel
// happen at the first selected one. attempts: how many time-outs the faulted exchange can
// cost at most (its tries), for the time bound. expect: the job's result for each fault.
struct Row {
    Job job;
    const char *command;
    const char *prefix;
    const char *sel;
    int attempts;
    std::array<int, FaultCount> expect;
};

// Results, in the order of Fault: nak, silence, noack, long, garbage, xonxoff, hangup, cancel.
// An order in the middle of a group script: any failed exchange stops it (-96); an order
// answered by a line instead of ACK is acknowledged; Cancel stops it after the exchange.
constexpr std::array<int, FaultCount> kScriptLine = {Comm, Comm, Ok, Comm, Comm, Ok, Comm, Break};
// A query of a reception whose failure ends it: a query answered without ACK loses its
// answer, noise is no answer.
constexpr std::array<int, FaultCount> kQueryStops = {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Break};
// The family selection: an order.
constexpr std::array<int, FaultCount> kSelectStops = {Comm, Comm, Ok, Comm, Comm, Ok, Comm, Break};

const Row kRows[] = {
    // Send a group of two plans (3 + 2 channels): 14 script lines, then "*RS0".
    {Job::SendGroup, "FL", "*FL", "", 1, kScriptLine},
    {Job::SendGroup, "FS", "*FS", "", 1, kScriptLine},
    {Job::SendGroup, "EP", "*EP", "", 1, kScriptLine},
    {Job::SendGroup, "PN", "*PN", "", 1, kScriptLine},
    {Job::SendGroup, "CS first plan", "*CS00", "", 1, kScriptLine},
    {Job::SendGroup, "CW first plan", "*CW00", "", 1, kScriptLine},
    {Job::SendGroup, "CS second plan", "*CS01", "", 1, kScriptLine},
    {Job::SendGroup, "CF first", "*CF", "1", 1, kScriptLine},
    {Job::SendGroup, "CF last", "*CF", "5", 1, kScriptLine},
    {Job::SendGroup, "PM", "*PM", "", 1, kScriptLine},
    // The final restart passes its own failure code on. A Cancel pressed while it is answered
    // comes after the last exchange: the group is on the meter and the job reports that.
    {Job::SendGroup,
     "RS0",
     "*RS0",
     "",
     1,
     {Err::Nak, Err::Timeout, Ok, Err::TooLong, Err::TooLong, Ok, Err::SystemCall, Ok}},

    // Receive plan 0 (3 channels) of the two the meter holds.
    {Job::ReceivePlan, "CS", "*?CS", "", 2, kQueryStops},
    {Job::ReceivePlan, "CW", "*?CW", "", 1, kQueryStops},
    // A channel query is asked up to three times in a row before the job gives up.
    {Job::ReceivePlan, "CF first", "*?CF0000", "", 3, kQueryStops},
    {Job::ReceivePlan, "CF last", "*?CF0002", "", 3, kQueryStops},

    // The index of the TV and cable-modem slots. Cancel is honoured between slots; at the
    // last slot there is nothing left to break off and the index is complete.
    {Job::IndexTv, "TL2", "*TL2", "", 2, kSelectStops},
    {Job::IndexTv, "HL first slot", "*?HL00", "", 1, kQueryStops},
    {Job::IndexTv, "HL last slot", "*?HL49", "", 1, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},
    {Job::IndexModem, "TL1", "*TL1", "", 2, kSelectStops},
    {Job::IndexModem, "HL first slot", "*?HL00", "", 1, kQueryStops},
    {Job::IndexModem, "HL last slot", "*?HL29", "", 1, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},

    // One TV logger (slot 0, 3 measures). Once its header has arrived the logger counts as
    // received: a measure that fails five times, a hang-up or Cancel ends the list and the
    // file keeps what came (result 0).
    {Job::TvLogger, "TL2", "*TL2", "", 2, {Comm, Comm, Ok, Comm, Comm, Ok, Comm, Ok}},
    {Job::TvLogger, "HL header", "*?HL00", "", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},
    {Job::TvLogger, "HD first measure", "*?HD00000", "", 5, {Ok, Ok, Ok, Ok, Ok, Ok, Ok, Ok}},
    {Job::TvLogger, "HD last measure", "*?HD00002", "", 5, {Ok, Ok, Ok, Ok, Ok, Ok, Ok, Ok}},

    // One cable-modem logger (slot 0): five sections. Its download runs to its end whatever
    // Cancel says: its exchanges are short and half a logger is of no use.
    {Job::ModemLogger, "TL1", "*TL1", "", 2, {Comm, Comm, Ok, Comm, Comm, Ok, Comm, Ok}},
    {Job::ModemLogger, "HL info", "*?HL00", "", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},
    {Job::ModemLogger, "HD downstream", "*?HD0000", "", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},
    {Job::ModemLogger, "HD upstream", "*?HD0001", "", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},
    {Job::ModemLogger, "HD headend", "*?HD0002", "", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},
    {Job::ModemLogger, "HD pingreport", "*?HD0003", "", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},

    // All TV loggers: a scan of the 50 slots (after selecting the family), then slots 0, 2
    // and 4 are downloaded on the family the scan selected. Header queries occur in the scan
    // first, then in the downloads.
    {Job::AllTv, "scan TL2", "*TL2", "1-2", 2, kSelectStops},
    {Job::AllTv, "scan HL first slot", "*?HL00", "1", 1, kQueryStops},
    {Job::AllTv, "scan HL last slot", "*?HL49", "", 1, kQueryStops},
    {Job::AllTv, "download HL first", "*?HL00", "2-", 2, kQueryStops},
    // A measure that fails ends that logger's list, not the run; after a hang-up the next
    // download cannot open the port again: the meter is lost, a communication failure.
    {Job::AllTv, "download HD first measure", "*?HD00000", "", 5, {Ok, Ok, Ok, Ok, Ok, Ok, Comm, Break}},
    {Job::AllTv, "download HL second", "*?HL02", "2-", 2, kQueryStops},
    // Slot 4 has no measures: its header is the run's last exchange.
    {Job::AllTv, "download HL last", "*?HL04", "2-", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},

    // All cable-modem loggers: the scan of 30 slots, then slots 0 and 2.
    {Job::AllModem, "scan TL1", "*TL1", "1-2", 2, kSelectStops},
    {Job::AllModem, "scan HL first slot", "*?HL00", "1", 1, kQueryStops},
    {Job::AllModem, "scan HL last slot", "*?HL29", "", 1, kQueryStops},
    {Job::AllModem, "download HL first", "*?HL00", "2-", 2, kQueryStops},
    {Job::AllModem, "download HD first", "*?HD0000", "", 2, kQueryStops},
    {Job::AllModem, "download HD last", "*?HD0203", "", 2, {Comm, Comm, Comm, Comm, Comm, Ok, Comm, Ok}},

    // Firmware upgrade of a model chosen by hand: "*RS2", six erases, five lines, "*RS0",
    // then the restarted meter is asked who it is. "*RS2" and "*RS0" pass their own failure
    // codes on. Cancel before the first erase stops the job with nothing erased; erasing
    // does not test Cancel, so a Cancel during it stops the job before the first line. After
    // "*RS0" the upgrade is complete: a Cancel then changes nothing, and the check of the
    // restarted meter does not test it. That check gives -97 when the meter cannot be asked
    // and -209 when its answer names no model.
    {Job::Firmware,
     "RS2",
     "*RS2",
     "",
     2,
     {Err::Nak, Err::Timeout, Ok, Err::TooLong, Err::TooLong, Ok, Err::SystemCall, Break}},
    {Job::Firmware, "FE2 first erase", "*FE2", "1-5", 5, {Comm, Comm, Ok, Comm, Comm, Ok, Comm, Break}},
    {Job::Firmware, "FE4", "*FE4", "", 5, {Comm, Comm, Ok, Comm, Comm, Ok, Comm, Break}},
    {Job::Firmware, "FE2 second erase", "*FE2", "2-", 5, {Comm, Comm, Ok, Comm, Comm, Ok, Comm, Break}},
    {Job::Firmware, "SX first line", "*SX", "1", 1, kScriptLine},
    {Job::Firmware, "SX fourth line", "*SX", "4", 1, kScriptLine},
    {Job::Firmware,
     "RS0",
     "*RS0",
     "",
     1,
     {Err::Nak, Err::Timeout, Ok, Err::TooLong, Err::TooLong, Ok, Err::SystemCall, Ok}},
    {Job::Firmware,
     "VE check",
     "*?VE",
     "",
     6,
     {Err::PostUpgradeCheck, Err::PostUpgradeCheck, Err::PostUpgradeCheck, Err::PostUpgradeCheck, Err::NotRecognized,
      Ok, Err::PostUpgradeCheck, Ok}},
};

const char *jobName(Job job)
{
    switch (job) {
        case Job::SendGroup: return "send group";
        case Job::ReceivePlan: return "receive plan";
        case Job::IndexTv: return "TV index";
        case Job::IndexModem: return "modem index";
        case Job::TvLogger: return "TV logger";
        case Job::ModemLogger: return "modem logger";
        case Job::AllTv: return "all TV loggers";
        case Job::AllModem: return "all modem loggers";
        case Job::Firmware: return "firmware";
    }
    return "?";
}

// The files a job may create or change, relative to the workspace.
QRegularExpression jobOutput(Job job)
{
    switch (job) {
        case Job::SendGroup: return QRegularExpression(QStringLiteral("^Temp/chnl01\\.log$"));
        case Job::ReceivePlan: return QRegularExpression(QStringLiteral("^Temp/rx00\\.ch26$"));
        case Job::IndexTv:
        case Job::IndexModem: return QRegularExpression(QStringLiteral("^Temp/logger\\.tlg$"));
        case Job::TvLogger: return QRegularExpression(QStringLiteral("^Temp/temp00\\.lg27t$"));
        case Job::ModemLogger: return QRegularExpression(QStringLiteral("^Temp/tempcm00\\.lg27m$"));
        case Job::AllTv: return QRegularExpression(QStringLiteral("^Temp/temp0[024]\\.lg27t$"));
        case Job::AllModem: return QRegularExpression(QStringLiteral("^Temp/tempcm0[02]\\.lg27m$"));
        case Job::Firmware: return QRegularExpression(QStringLiteral("^Temp/updt01\\.log$"));
    }
    return {};
}

// The measurement archive, which every logger reception adds to (its content is checked by the
// archive's own tests; here only that nothing else changed).
bool isArchiveOf(Job job, const QString &path)
{
    static const QRegularExpression archive(QStringLiteral("^archive\\.sqlite(-wal|-shm)?$"));
    const bool receivesLoggers =
        job == Job::TvLogger || job == Job::ModemLogger || job == Job::AllTv || job == Job::AllModem;
    return receivesLoggers && archive.match(path).hasMatch();
}

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}

QByteArray planText(const QString &name, const QStringList &channels)
{
    QStringList lines{QStringLiteral("#====================================="),
                      QStringLiteral(":  CONTROL REMOT PROGRAM"),
                      QStringLiteral("#====================================="),
                      QStringLiteral("CHANNEL PLAN(1)"),
                      QStringLiteral("CHANNEL8(%1,,,,%2,1)").arg(name).arg(channels.size()),
                      QStringLiteral("ORDER(1)"),
                      QStringLiteral("[CHANNELS_OFFSET]")};
    return crlf(lines + channels);
}

const QStringList kPlanAb = {
    QStringLiteral("1,C21,474.00,476.75,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,AUTO"),
    QStringLiteral("2,S2,48.25,50.25,-2.5,7.0,OFF,ANALOG,6875,DVB,QAM16,AUTO,SECAM/L"),
    QStringLiteral("3,Q1,471.31,473.06,0.0,1.5,ON,DIGITAL,2000,C,QPSK,AUTO,AUTO"),
};
const QStringList kPlanCd = {
    QStringLiteral("1,C40,626.00,628.75,0.0,8.0,ON,DIGITAL,6900,B,QAM256,AUTO,AUTO"),
    QStringLiteral("2,C41,634.00,636.75,0.0,8.0,ON,DIGITAL,6900,B,QAM256,AUTO,AUTO"),
};

// An S-record firmware file of five lines.
QByteArray firmwareText()
{
    return crlf({QStringLiteral("S00600004844521B"), QStringLiteral("S1131000000102030405060708090A0B0C0D0E0F64"),
                 QStringLiteral("S1131010101112131415161718191A1B1C1D1E1F54"),
                 QStringLiteral("S1131020202122232425262728292A2B2C2D2E2F44"), QStringLiteral("S9030000FC")});
}

// Every file under the folder with its digest.
std::map<QString, QByteArray> digests(const QString &root)
{
    std::map<QString, QByteArray> out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        QByteArray digest = "unreadable";
        if (f.open(QIODevice::ReadOnly))
            digest = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
        out[QDir(root).relativeFilePath(path)] = digest;
    }
    return out;
}

// Requests Cancel as soon as the meter has received the selected command: the meter holds
// its reply, so the Cancel arrives while the job waits for that exchange.
class CancelWatcher {
public:
    CancelWatcher(JobContext &ctx, const QString &transcriptPath, const QString &prefix, int occurrence)
    {
        thread = std::thread([this, &ctx, transcriptPath, prefix, occurrence] {
            while (!done.load()) {
                QFile f(transcriptPath);
                if (f.open(QIODevice::ReadOnly)) {
                    int seen = 0;
                    for (const QByteArray &line : f.readAll().split('\n'))
                        if (line.startsWith(prefix.toLatin1()))
                            ++seen;
                    if (seen >= occurrence) {
                        ctx.requestCancel();
                        fired.store(true);
                        return;
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~CancelWatcher() { stop(); }
    void stop()
    {
        done.store(true);
        if (thread.joinable())
            thread.join();
    }
    bool hasFired() const { return fired.load(); }

private:
    std::thread thread;
    std::atomic<bool> done{false};
    std::atomic<bool> fired{false};
};

int firstOccurrence(const QString &sel)
{
    return sel.isEmpty() ? 1 : sel.section(QLatin1Char('-'), 0, 0).toInt();
}

constexpr int NoFault = -1;

// One run of a job against the meter in a fresh workspace: library plans, a saved group,
// saved loggers, the settings, files earlier jobs left in the temporary folder, and the
// inputs of the jobs.
struct Run {
    TestWorkspace ws;
    std::unique_ptr<SimulatedMeter> meter;
    QString script;
    QString firmware;
    int timeout = kTimeoutMs;
    int result = 0;
    qint64 elapsed = 0;
    bool cancelFired = false;
    std::map<QString, QByteArray> before, after;

    bool prepare()
    {
        if (loadCatalogue() <= 0)
            return false;
        chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
        ws.write(QStringLiteral("Channel/ab.ch26"), planText(QStringLiteral("AB"), kPlanAb));
        ws.write(QStringLiteral("Channel/cd.ch26"), planText(QStringLiteral("CD"), kPlanCd));
        ws.write(QStringLiteral("Channel/pair.tx26"),
                 crlf({QStringLiteral("#====================================="),
                       QStringLiteral("Kelvatrone :  CONTROL REMOT PROGRAM"),
                       QStringLiteral("#====================================="), QStringLiteral("[CHANNEL PLANS]"),
                       QStringLiteral("[FILES]"), QStringLiteral("ab.ch26"), QStringLiteral("cd.ch26")}));
        if (!writeSettings(settingsPath(), QStringLiteral("COM1"), ws.library(), ws.firmware(), ws.temp()))
            return false;
        ws.write(QStringLiteral("Loggers/roof.lg27t"), "saved TV logger\r\nDEVICE=KORVEL-26\r\nLOGGER NUMBER=0\r\n");
        ws.write(QStringLiteral("Loggers/shop.lg27m"), "saved modem logger\r\nDEVICE=KORVEL-25\r\nLOGGER NUMBER=0\r\n");
        ws.write(QStringLiteral("Temp/chnl00.log"), "Dia =01:12:2026  Hora=10:00:00\r\n");
        ws.write(QStringLiteral("Temp/updt00.log"), "Dia =01:12:2026  Hora=11:00:00\r\n");
        ws.write(QStringLiteral("Temp/logger.tlg"), "an index received earlier\r\n");
        ws.write(QStringLiteral("Temp/temp02.lg27t"), "a TV logger received earlier\r\n");
        ws.write(QStringLiteral("Temp/tempcm02.lg27m"), "a modem logger received earlier\r\n");
        ws.write(QStringLiteral("Temp/rx01.ch26"), "a plan received earlier\r\n");
        firmware = ws.write(QStringLiteral("Version/kv27.hx27"), firmwareText());
        const QString memberAb = ws.write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), kPlanAb));
        const QString memberCd = ws.write(QStringLiteral("Temp/cd.ch26"), planText(QStringLiteral("CD"), kPlanCd));
        script = combinedFilePath();
        return writeCombinedFile(script, {memberAb, memberCd}) == 0 && BuildCommandScript(script) == 1
               && CopyCommandScript(script) == 1;
    }

    // Starts the meter with the fault (NoFault: none) at the row's command and runs the job.
    bool run(const Row &r, int fault)
    {
        if (!prepare())
            return false;
        const QString prefix = QString::fromLatin1(r.prefix);
        const QString sel = QString::fromLatin1(r.sel);
        QStringList args{QStringLiteral("--loggers"),   TestWorkspace::source(QStringLiteral("tests/fixtures/meter")),
                         QStringLiteral("--plan-file"), ws.path(QStringLiteral("Channel/ab.ch26")),
                         QStringLiteral("--plan-file"), ws.path(QStringLiteral("Channel/cd.ch26"))};
        if (fault == Cancel)
            args << QStringLiteral("--fault")
                 << QStringLiteral("delay:%1:%2:%3")
                        .arg(kCancelDelayMs * timeScale())
                        .arg(prefix)
                        .arg(firstOccurrence(sel));
        else if (fault != NoFault)
            args << QStringLiteral("--fault")
                 << QStringLiteral("%1:%2").arg(QLatin1String(kFaultNames[fault]),
                                                sel.isEmpty() ? prefix : prefix + QLatin1Char(':') + sel);
        meter = std::make_unique<SimulatedMeter>(args);
        if (!meter->start())
            return false;
        app().PortName = meter->devicePath();
        timeout = (fault == Cancel ? kCancelTimeoutMs : kTimeoutMs) * timeScale();
        thePort().SetTimeout(timeout);
        firmwareTiming().eraseTimeoutMs = timeout;
        firmwareTiming().normalTimeoutMs = timeout;

        int code = 0;
        QString text;
        switch (r.job) {
            case Job::SendGroup:
                code = JobCode::GroupScript;
                text = script;
                break;
            case Job::ReceivePlan:
                code = JobCode::ReceivePlan;
                text = ws.path(QStringLiteral("Temp/rx00.ch26"));
                break;
            case Job::IndexTv:
                code = JobCode::TvFamily | JobCode::Index;
                text = Logger::indexPath();
                break;
            case Job::IndexModem:
                code = JobCode::ModemFamily | JobCode::Index;
                text = Logger::indexPath();
                break;
            case Job::TvLogger:
                code = JobCode::TvFamily | JobCode::OneLogger;
                text = Logger::receivedLoggerPath(LoggerFamily::Tv, 0);
                break;
            case Job::ModemLogger:
                code = JobCode::ModemFamily | JobCode::OneLogger;
                text = Logger::receivedLoggerPath(LoggerFamily::Modem, 0);
                break;
            case Job::AllTv: code = JobCode::TvFamily | JobCode::AllLoggers; break;
            case Job::AllModem: code = JobCode::ModemFamily | JobCode::AllLoggers; break;
            case Job::Firmware:
                code = JobCode::Firmware;
                text = firmware;
                break;
        }

        before = digests(ws.root());
        RecordingContext ctx;
        std::unique_ptr<CancelWatcher> watcher;
        if (fault == Cancel)
            watcher = std::make_unique<CancelWatcher>(ctx, meter->stateDir() + QStringLiteral("/transcript.txt"),
                                                      prefix, firstOccurrence(sel));
        QElapsedTimer clock;
        clock.start();
        result = runJob(ctx, code, text, 0);
        elapsed = clock.elapsed();
        if (watcher) {
            watcher->stop();
            cancelFired = watcher->hasFired();
        }
        after = digests(ws.root());
        return true;
    }

    // What the job delivered: its output files (not the logs, which carry times) and what
    // the meter received and holds (plans, firmware lines).
    std::map<QString, QByteArray> delivered(Job job) const
    {
        std::map<QString, QByteArray> out;
        const QRegularExpression output = jobOutput(job);
        for (const auto &[path, digest] : after)
            if (output.match(path).hasMatch() && !path.endsWith(QLatin1String(".log")))
                out[path] = ws.read(path);
        for (const char *name : {"plans-received.txt", "plans-held.txt", "firmware.txt"}) {
            QFile f(meter->stateDir() + QLatin1Char('/') + QLatin1String(name));
            if (f.open(QIODevice::ReadOnly))
                out[QLatin1String("meter/") + QLatin1String(name)] = f.readAll();
        }
        return out;
    }
};

}   // namespace

class FaultMatrix : public QObject {
    Q_OBJECT

    int cases = 0;
    qint64 worstMargin = std::numeric_limits<qint64>::max();   // smallest (bound - elapsed)
    QString worstCase;
    std::map<Job, std::map<QString, QByteArray>> cleanDelivery;   // per job, from a run without fault

private Q_SLOTS:
    void initTestCase()
    {
        LoggerJobs::setTvSettleDelay(0);
        FirmwareTiming &t = firmwareTiming();
        t.restartWaitMs = 10;
        t.checkWaitMs = 10;
    }

    void cleanupTestCase()
    {
        firmwareTiming() = FirmwareTiming{};
        LoggerJobs::setTvSettleDelay(1000);
        thePort().SetTimeout(3000);
        qInfo("fault matrix: %d cases (closest to its time bound: %s, %lld ms to spare)", cases, qPrintable(worstCase),
              worstMargin);
    }

    void matrix_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("fault");
        for (int r = 0; r < int(std::size(kRows)); ++r)
            for (int f = 0; f < FaultCount; ++f)
                QTest::addRow("%s / %s / %s", jobName(kRows[r].job), kRows[r].command, kFaultNames[f]) << r << f;
    }

    void matrix()
    {
        QFETCH(int, row);
        QFETCH(int, fault);
        const Row &r = kRows[row];
        const QString prefix = QString::fromLatin1(r.prefix);

        Run run;
        QVERIFY(run.run(r, fault));
        ++cases;
        if (fault == Cancel)
            QVERIFY2(run.cancelFired, "the cancelled command never reached the meter");

        // The fault did reach the meter at the command it names.
        const QStringList transcript = run.meter->transcript();
        QVERIFY2(
            std::any_of(transcript.begin(), transcript.end(), [&](const QString &l) { return l.startsWith(prefix); }),
            qPrintable(QStringLiteral("%1 never sent").arg(prefix)));

        QVERIFY2(
            run.result == r.expect[fault],
            qPrintable(QStringLiteral("result %1, expected %2; meter received: %3")
                           .arg(run.result)
                           .arg(r.expect[fault])
                           .arg(transcript.mid(std::max<qsizetype>(0, transcript.size() - 8)).join(QLatin1Char(' ')))));

        // Within its time-outs: the faulted exchange may cost each of its tries a time-out (an
        // answer without ACK: the wait for the answer); nothing else may wait.
        const int waits = (fault == Silence || fault == NoAck) ? r.attempts : 0;
        const qint64 bound =
            (kSlackMs + (fault == Cancel ? kCancelDelayMs : 0)) * timeScale() + qint64(waits) * run.timeout;
        QVERIFY2(run.elapsed <= bound,
                 qPrintable(QStringLiteral("took %1 ms, bound %2 ms").arg(run.elapsed).arg(bound)));
        if (bound - run.elapsed < worstMargin) {
            worstMargin = bound - run.elapsed;
            worstCase = QString::fromLatin1(QTest::currentDataTag());
        }

        QVERIFY(!thePort().isOpen());
        QVERIFY(!thePort().channelLogOn());
        QVERIFY(!thePort().upgradeLogOn());

        // Nothing but the job's own output was created, changed or removed.
        const QRegularExpression output = jobOutput(r.job);
        QStringList changed;
        for (const auto &[path, digest] : run.before) {
            if (output.match(path).hasMatch() || isArchiveOf(r.job, path))
                continue;
            const auto it = run.after.find(path);
            if (it == run.after.end())
                changed << path + QStringLiteral(" (removed)");
            else if (it->second != digest)
                changed << path;
        }
        for (const auto &[path, digest] : run.after)
            if (!output.match(path).hasMatch() && !isArchiveOf(r.job, path) && !run.before.count(path))
                changed << path + QStringLiteral(" (new)");
        QVERIFY2(changed.isEmpty(), qPrintable(changed.join(QStringLiteral(", "))));

        // The meter's noise and padding never land in a received file (the transaction logs
        // record answers as they came, noise included).
        for (const auto &[path, digest] : run.after) {
            if (!output.match(path).hasMatch() || path.endsWith(QLatin1String(".log")))
                continue;
            const QByteArray bytes = run.ws.read(path);
            QVERIFY2(!bytes.contains(kNoiseStart) && !bytes.contains(QByteArray(20, '#')),
                     qPrintable(path + QStringLiteral(" holds the meter's noise")));
        }

        // XON/XOFF noise is flow control, not data: the job delivers exactly what it delivers
        // on a quiet line.
        if (fault == XonXoff) {
            if (!cleanDelivery.count(r.job)) {
                Run clean;
                QVERIFY(clean.run(r, NoFault));
                QCOMPARE(clean.result, 0);
                cleanDelivery[r.job] = clean.delivered(r.job);
                QVERIFY(!cleanDelivery[r.job].empty());
            }
            const std::map<QString, QByteArray> got = run.delivered(r.job);
            for (const auto &[path, bytes] : cleanDelivery[r.job]) {
                const auto it = got.find(path);
                QVERIFY2(it != got.end(), qPrintable(path + QStringLiteral(" not delivered")));
                QVERIFY2(it->second == bytes, qPrintable(path + QStringLiteral(" differs from a quiet line's")));
            }
            QCOMPARE(got.size(), cleanDelivery[r.job].size());
        }
    }
};

QTEST_GUILESS_MAIN(FaultMatrix)
#include "tst_faultmatrix.moc"
