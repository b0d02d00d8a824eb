#include "jobs/FirmwareJob.h"
#include "jobs/Jobs.h"
#include "jobs/LoggerJobs.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/Identification.h"
#include "app/StringTable.h"
#include "link/CommandLink.h"
#include "link/ErrorCodes.h"
#include "link/PortSession.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <memory>

#include <algorithm>
#include <limits>

namespace {

QMutex runMutex;
FirmwareRun lastRun;

void storeRun(const FirmwareRun &run)
{
    QMutexLocker lock(&runMutex);
    lastRun = run;
    lastRun.ran = true;
}

// Puts the port back to its ordinary time-out whichever way the erase phase ends.
class EraseTimeout {
public:
    EraseTimeout(SerialPort &port, int eraseMs, int normalMs) : port_(port), normalMs_(normalMs)
    {
        port_.SetTimeout(eraseMs);
    }
    ~EraseTimeout() { port_.SetTimeout(normalMs_); }
    EraseTimeout(const EraseTimeout &) = delete;
    EraseTimeout &operator=(const EraseTimeout &) = delete;

private:
    SerialPort &port_;
    int normalMs_;
};

// A failed upgrade leaves the meter wherever the failed step left it; the technician needs to
// know which step that was. The step's name, in the current language, goes with the failure's
// message (the window's, the command line's); the upgrade log holds the exchanges alone.
void reportStop(FirmwareRun &run, const QString &step)
{
    run.stoppedAt = step;
}

QString stepText(int row)
{
    return StringTable::text(row);
}

// The restart, the erase, the lines and the final restart. The port is open and the upgrade
// log on; returns the job's result.
int sendFirmware(JobContext &ctx, const QString &path, const FirmwareTiming &timing, FirmwareRun &run)
{
    SerialPort &port = ctx.port();
    QByteArray answer;

    int r = CommandLink::TransactWithRetry(port, Cmd::restartToLoader(), answer, 2);
    if (r < 0) {
        reportStop(run, stepText(210 /* "restart into the loader (*RS2)" */));
        return r;
    }
    // The meter restarts into its loader; it does not listen until it has.
    if (timing.restartWaitMs > 0)
        QThread::msleep(unsigned(timing.restartWaitMs));

    ctx.setProgressRange(0, 0, 100);
    ctx.setProgress(0, 0);

    // Nothing has been erased yet: a Cancel pressed up to here still leaves the meter's
    // firmware whole, so it is honoured before the first erase rather than after the last.
    if (ctx.cancelRequested()) {
        reportStop(run, stepText(211 /* "before the first sector erase" */));
        return Err::UserBreak;
    }

    {
        // An erase takes the meter far longer than any other command. Once erasing has begun the
        // old firmware is gone, so Cancel is not tested until every sector is erased.
        EraseTimeout eraseTimeout(port, timing.eraseTimeoutMs, timing.normalTimeoutMs);
        for (int i = 0; i < 6; ++i) {
            const int sector = kFirmwareSectors[i];
            bool erased = false;
            for (int attempt = 0; attempt < kEraseAttempts && !erased; ++attempt) {
                ctx.setStatus(StringTable::text(166 /* "Erasing Sector :" */) + QLatin1Char(' ')
                              + QString::number(sector));
                erased = CommandLink::Transact(port, Cmd::eraseSector(sector), answer) >= 0;
            }
            if (!erased) {
                // Sector 2 is erased twice; say which time failed.
                reportStop(run, stepText(i == 5 ? 213 /* "second erase of sector %1 (*FE%1)" */
                                                : 212 /* "erase of sector %1 (*FE%1)" */)
                                    .arg(sector));
                return Err::CommunicationError;
            }
            ctx.setStatus(StringTable::text(167 /* "Erased Sector :" */) + QLatin1Char(' ') + QString::number(sector));
        }
    }

    ctx.setStatus(StringTable::text(160 /* "Loading Main Program..." */));
    const int maximum = firmwareProgressMaximum(QFileInfo(path).size());
    ctx.setProgressRange(0, 0, maximum);

    // The file is read again now, as it is sent; it must still be the file that was checked.
    QStringList lines;
    if (checkFirmwareFile(path, &lines) != 0) {
        reportStop(run, stepText(214 /* "reading the firmware file" */));
        return Err::FirmwareOpen;
    }

    for (int n = 0; n < lines.size(); ++n) {
        if (ctx.cancelRequested()) {
            reportStop(run, stepText(215 /* "before line %1 of %2" */).arg(n + 1).arg(lines.size()));
            return Err::UserBreak;
        }
        if (CommandLink::Transact(port, Cmd::firmwareLine(lines.at(n).toLatin1()), answer) < 0) {
            reportStop(run, stepText(216 /* "line %1 of %2 (*SX)" */).arg(n + 1).arg(lines.size()));
            return Err::CommunicationError;
        }
        // The maximum is an estimate; a file of short lines runs past it.
        ctx.setProgress(0, qMin(n + 1, maximum));
    }
    if (ctx.cancelRequested()) {
        reportStop(run, stepText(217 /* "before the final restart (*RS0)" */));
        return Err::UserBreak;
    }

    r = CommandLink::Transact(port, Cmd::restart(), answer);
    if (r < 0) {
        reportStop(run, stepText(218 /* "final restart (*RS0)" */));
        return r;
    }
    return 0;
}

// Asks the restarted meter who it is. A model chosen by hand may not be the one connected;
// the new firmware tells. Returns 0, -97 or -209.
int checkRestartedMeter(JobContext &ctx, const FirmwareTiming &timing, FirmwareRun &run)
{
    SerialPort &port = ctx.port();
    run.meterChecked = true;
    if (timing.checkWaitMs > 0)
        QThread::msleep(unsigned(timing.checkWaitMs));

    // The restarted meter may take a moment to give its port back: three tries.
    std::unique_ptr<PortSession> session;
    for (int attempt = 0; attempt < 3 && !(session && session->isOpen()); ++attempt)
        session = std::make_unique<PortSession>(port);
    if (!session->isOpen())
        return Err::PostUpgradeCheck;

    QByteArray answer;
    bool answered = false;
    for (int attempt = 0; attempt < 3 && !answered; ++attempt)
        answered = CommandLink::TransactWithRetry(port, Cmd::askVersion(), answer, 2) >= 0;
    session->close();
    if (!answered)
        return Err::PostUpgradeCheck;

    // The job runs on a worker thread while the windows read the state: only find the model
    // here; the window thread makes it the current one (applyRestartedMeter).
    const int index = findModelInAnswer(answer);
    if (index < 0 || index >= kCatalogueSize)
        return Err::NotRecognized;
    run.identifiedIndex = index;
    run.identifiedName = app().catalogue[size_t(index)].modelName;
    if (run.identifiedName != app().CurrentModel.modelName)
        ctx.showMessage(QStringLiteral("Kelvatrone"),
                        StringTable::text(198 /* "Model identified: " */) + run.identifiedName + QLatin1Char(' ')
                            + StringTable::text(199 /* "Update to correct firmware" */),
                        false);
    return 0;
}

}   // namespace

FirmwareTiming &firmwareTiming()
{
    static FirmwareTiming timing;
    return timing;
}

int firmwareProgressMaximum(qint64 fileSize)
{
    return int(std::clamp<qint64>(fileSize / 71, 0, std::numeric_limits<int>::max()));
}

namespace {

// Whether a line that looks like an S-record ("S1", "S2", ... then a hex byte count) holds as
// many bytes as its count says. A line that is not such a record cannot be judged: it passes.
bool sRecordComplete(const QString &line)
{
    if (line.size() < 4 || line.at(0) != QLatin1Char('S') || !line.at(1).isDigit())
        return true;
    bool hex = false;
    const int count = line.mid(2, 2).toInt(&hex, 16);
    if (!hex)
        return true;
    return line.trimmed().size() >= 4 + 2 * count;
}

}   // namespace

int checkFirmwareFile(const QString &path, QStringList *lines, FirmwareFileProblem *problem)
{
    const auto refuse = [problem](FirmwareFileProblem::Kind kind, int line) {
        if (problem)
            *problem = FirmwareFileProblem{kind, line};
        return Err::UnableToOpenFile;
    };
    QByteArray all;
    if (QFileInfo(path).isFile() && QFileInfo(path).size() > kMaxReadBytes)
        return refuse(FirmwareFileProblem::TooLarge, 0);
    if (QFileInfo(path).isDir() || !readFileBytes(path, all))
        return Err::FileNotFound;
    // Files written by DOS-era tools end with Ctrl-Z; nothing after it is text.
    const qsizetype end = all.indexOf('\x1A');
    if (end >= 0)
        all.truncate(end);
    if (all.isEmpty() || all.at(0) != 'S')
        return refuse(FirmwareFileProblem::NotFirmware, 0);

    // A line of more than the limit would be cut into pieces that each lose a character:
    // better to refuse the file than to write a corrupt image.
    QStringList found;
    int number = 0;
    for (const QByteArray &line : splitTextLines(all)) {
        ++number;
        if (line.size() + 1 > kFirmwareLineLimit)
            return refuse(FirmwareFileProblem::TooLong, number);
        // A firmware line is printable text. A CR inside it would end its "*SX" command early
        // and the meter would take the rest for a command of its own; other control bytes are
        // dropped or acted on by the line: either way the image written would be corrupt.
        for (const char c : line)
            if (uchar(c) < 0x20)
                return refuse(FirmwareFileProblem::ControlCharacter, number);
        found.append(QString::fromLatin1(line));
    }
    // A Ctrl-Z inside the last record (a file cut and closed by an old tool) leaves a record
    // shorter than its own byte count says: sent, it would write part of a line of the image.
    if (end >= 0 && !found.isEmpty() && !sRecordComplete(found.last()))
        return refuse(FirmwareFileProblem::CutRecord, number);
    if (lines)
        *lines = found;
    return 0;
}

QString firmwareProblemText(const FirmwareFileProblem &problem)
{
    switch (problem.kind) {
        case FirmwareFileProblem::NotFirmware: return StringTable::text(222 /* "The file does not begin with "S"" */);
        case FirmwareFileProblem::TooLong:
            return StringTable::text(220 /* "Line %1: longer than %2 characters" */)
                .arg(problem.line)
                .arg(kFirmwareLineLimit - 1);
        case FirmwareFileProblem::ControlCharacter:
            return StringTable::text(221 /* "Line %1: control character" */).arg(problem.line);
        case FirmwareFileProblem::TooLarge:
            return StringTable::text(303 /* "The file is larger than %1 MB" */).arg(kMaxReadBytes / (1024 * 1024));
        case FirmwareFileProblem::CutRecord:
            return StringTable::text(304 /* "Line %1: the record is cut short" */).arg(problem.line);
        case FirmwareFileProblem::None: break;
    }
    return QString();
}

void applyRestartedMeter(const FirmwareRun &run)
{
    if (run.identifiedIndex >= 0 && run.identifiedIndex < app().catalogueCount)
        app().currentModelIndex = run.identifiedIndex;
}

FirmwareRun takeLastFirmwareRun()
{
    QMutexLocker lock(&runMutex);
    FirmwareRun run = lastRun;
    lastRun = FirmwareRun{};
    return run;
}

int firmwareUpgradeJob(JobContext &ctx, const QString &firmwarePath)
{
    const FirmwareTiming timing = firmwareTiming();
    FirmwareRun run;

    // Nothing is sent, and the port is not even opened, for a file that is not firmware.
    FirmwareFileProblem problem;
    run.result = checkFirmwareFile(firmwarePath, nullptr, &problem);
    if (run.result != 0) {
        run.fileProblem = firmwareProblemText(problem);
        storeRun(run);
        return run.result;
    }

    ctx.setCaption(StringTable::text(168 /* "Upgrade Firmware..." */));
    SerialPort &port = ctx.port();
    PortSession session(port);
    if (!session.isOpen()) {
        // Nothing was sent: no step to name. The command line says why; the windows say nothing.
        run.result = Err::PortFailure;
        storeRun(run);
        return run.result;
    }
    port.EnableUpgradeLog(true);
    // The upgrade restarts the meter: what was known of its logger family goes.
    LoggerJobs::forgetLoggerFamily();
    run.result = sendFirmware(ctx, firmwarePath, timing, run);
    port.EnableUpgradeLog(false);
    port.SetTimeout(timing.normalTimeoutMs);
    session.close();

    int result = run.result;
    if (result == 0 && app().CurrentModel.chosenManually != 0) {
        run.checkResult = checkRestartedMeter(ctx, timing, run);
        result = run.checkResult;
    }
    storeRun(run);
    return result;
}
