// The datalogger jobs of the transfer window: the index of the meter's logger slots, one TV
// logger, one cable-modem logger, and every non-empty logger of a family.
//
// Every job opens the port itself and closes it on every way out. Files are written beside
// their target and put in place when the job has its answer: a reception that fails before
// the file has anything worth keeping leaves the old file as it was.

#include "jobs/LoggerJobs.h"
#include "jobs/GroupJobs.h"
#include "archive/Capture.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "link/CommandLink.h"
#include "link/ErrorCodes.h"
#include "link/PortSession.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>

using namespace Logger;

namespace {

namespace Row {
constexpr int Datalogger = 1;
constexpr int ReceivingInFile = 46;   // "Receiving in File : "
constexpr int ReceivingIndex = 118;   // "Receiving Datalogger Index"
constexpr int ReceivingLogger = 121;   // "Receiving Logger"
constexpr int ReceivingAll = 144;   // "Receiving All Datalogger"
constexpr int CheckingDatalogger = 145;   // "Checking Datalogger"
constexpr int Warning = 51;
constexpr int MeasurementsReceived = 207;   // "%1 of %2 measurements received"
constexpr int NotReceived = 208;   // "Loggers not received:"
}   // namespace Row

std::atomic<int> settleDelayMs{1000};

QString answerText(const QByteArray &answer)
{
    return QString::fromLatin1(answer);
}

// One command with its tries; false on a failed exchange. A query's answer that is not the
// meter's (noise) is a failed try: it would be stored as a logger.
bool ask(SerialPort &port, const QByteArray &command, QString &answer, int attempts)
{
    QByteArray bytes;
    const bool query = command.size() > 1 && command[1] == '?';
    bool answered = false;
    for (int tries = 0; tries < attempts && !answered; ++tries)
        answered =
            CommandLink::Transact(port, command, bytes) >= 0 && (!query || CommandLink::AnswersQuery(command, bytes));
    answer = answerText(bytes);
    return answered;
}

class Progress {
public:
    Progress(JobContext &c, int b, int maximum) : ctx(c), bar(b)
    {
        ctx.setProgressRange(bar, 0, maximum);
        ctx.setProgress(bar, 0);
    }
    void step() { ctx.setProgress(bar, ++value); }

private:
    JobContext &ctx;
    int bar;
    int value = 0;
};

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QThread::msleep(std::min<qint64>(20, ms - t.elapsed()));
}

// Every logger a job has written goes into the measurement archive at once, so that the next
// reception of its slot, which replaces the working file, never takes the only copy. The
// archive's answer never changes the job's: what the user must hear is returned.
QString archiveLogger(JobContext &ctx, const QString &path, LoggerFamily family, int slot, bool complete)
{
    return Archive::captureWarning(path,
                                   Archive::captureReceived(path, family, slot, complete, ctx.port().openedDevice()));
}

void announceDownload(JobContext &ctx, int slot, const QString &path)
{
    ctx.setCaption(StringTable::text(Row::ReceivingLogger) + QStringLiteral(" : ") + QString::number(slot));
    ctx.setStatus(StringTable::text(Row::ReceivingInFile) + QLatin1Char(' ') + shortenPath(path));
}

QByteArray selectCommand(LoggerFamily family)
{
    return family == LoggerFamily::Tv ? Cmd::selectTvLoggers() : Cmd::selectModemLoggers();
}

// The meter answers the slot queries for the family it was last switched to. The index job
// always switches it; the other jobs switch it only when this run has not already left it on
// their family (the first logger job of a command-line run, a download of the other family
// than the index on show, a meter restarted since): a download that did not would store the
// other family's answers under this family's name, while one that always did would add an
// order the meter's usual exchanges do not have.
bool selectFamily(SerialPort &port, LoggerFamily family)
{
    QString answer;
    AppState &s = app();
    if (!ask(port, selectCommand(family), answer, 2)) {
        s.meterLoggerFamily = -1;
        return false;
    }
    s.meterLoggerFamily = int(family);
    s.loggerFamilyPort = s.PortName;
    return true;
}

bool ensureFamily(SerialPort &port, LoggerFamily family)
{
    const AppState &s = app();
    if (s.meterLoggerFamily == int(family) && s.loggerFamilyPort == s.PortName)
        return true;
    return selectFamily(port, family);
}

// The cable-modem download; the all-loggers job gathers its archive warnings.
int receiveModemLogger(JobContext &ctx, int logger, const QString &path, QString &archiveWarning);

}   // namespace

namespace LoggerJobs {

int jobCode(LoggerFamily family, int kind)
{
    return (family == LoggerFamily::Tv ? JobCode::TvFamily : JobCode::ModemFamily) | kind;
}

bool familyOfCode(int familyBits, LoggerFamily &family)
{
    switch (familyBits & JobCode::FamilyMask) {
        case JobCode::TvFamily: family = LoggerFamily::Tv; return true;
        case JobCode::ModemFamily: family = LoggerFamily::Modem; return true;
        default: return false;
    }
}

void setTvSettleDelay(int ms)
{
    settleDelayMs.store(std::max(0, ms));
}

int tvSettleDelay()
{
    return settleDelayMs.load();
}

void forgetLoggerFamily()
{
    app().meterLoggerFamily = -1;
}

QString incompleteLoggerText(int slot, const TvReception &got)
{
    return StringTable::text(Row::Datalogger) + QLatin1Char(' ') + QString::number(slot) + QStringLiteral(": ")
           + StringTable::text(Row::MeasurementsReceived).arg(got.received).arg(got.announced);
}

QStringList allLoggersSummary(const AllLoggersOutcome &outcome)
{
    QStringList lines;
    for (const IncompleteLogger &i : outcome.incomplete)
        lines << incompleteLoggerText(i.slot, i.got);
    if (!outcome.missing.isEmpty()) {
        QStringList numbers;
        for (int slot : outcome.missing)
            numbers << QString::number(slot);
        lines << StringTable::text(Row::NotReceived) + QLatin1Char(' ') + numbers.join(QStringLiteral(", "));
    }
    lines << outcome.archiveWarnings;
    return lines;
}

int channelPlanPreCheck(SerialPort &port)
{
    return AskPlansPresent(port) ? 0 : Err::NoChannelPlan;
}

int receiveAllLoggers(JobContext &ctx, int familyBits, AllLoggersOutcome *outcome)
{
    AllLoggersOutcome unused;
    AllLoggersOutcome &out = outcome ? *outcome : unused;
    out = AllLoggersOutcome{};
    LoggerFamily family;
    if (!familyOfCode(familyBits, family))
        return Err::UserBreak;
    const int slotTotal = slotCount(family);
    ctx.setCaption(StringTable::text(Row::ReceivingAll));

    // Scan: which slots hold a logger. Each slot is listed once, from the answer that counts.
    QList<int> listed;
    {
        PortSession session(ctx.port());
        if (!session.isOpen())
            return Err::PortFailure;
        if (!ensureFamily(ctx.port(), family))
            return Err::CommunicationError;
        Progress progress(ctx, 0, slotTotal);
        int repeats = 0;
        for (int n = 0; n < slotTotal;) {
            if (ctx.cancelRequested())
                return Err::UserBreak;
            ctx.setStatus(StringTable::text(Row::CheckingDatalogger) + QLatin1Char(' ') + QString::number(n));
            QString answer;
            if (!ask(ctx.port(), Cmd::askLoggerHeaderCr(n), answer, 1))
                return Err::CommunicationError;
            if (LoggerIndexFile::isSlotAnswer(answer)) {
                if (LoggerIndexFile::answerShowsLogger(answer))
                    listed.append(n);
                progress.step();
                ++n;
                repeats = 0;
            } else if (++repeats > kMaxShortAnswerRepeats) {
                return Err::CommunicationError;
            }
        }
    }

    // Downloads, each job opening and closing the port itself.
    ctx.setProgressVisible(1, true);
    Progress loggers(ctx, 1, int(listed.size()));
    int result = 0;
    for (qsizetype k = 0; k < listed.size(); ++k) {
        const int slot = listed.at(k);
        if (ctx.cancelRequested()) {
            result = Err::UserBreak;
            out.missing << listed.mid(k);
            break;
        }
        const QString path = receivedLoggerPath(family, slot);
        // The path and the logger apart: "...temp00.lg27t  Datalogger 0", not run together.
        ctx.setStatus(StringTable::text(Row::ReceivingInFile) + QLatin1Char(' ') + shortenPath(path)
                      + QStringLiteral("  ") + StringTable::text(Row::Datalogger) + QLatin1Char(' ')
                      + QString::number(slot));
        TvReception got;
        QString archiveWarning;
        const int r = family == LoggerFamily::Tv ? receiveTvLogger(ctx, slot, path, got, &archiveWarning)
                                                 : receiveModemLogger(ctx, slot, path, archiveWarning);
        if (!archiveWarning.isEmpty())
            out.archiveWarnings << archiveWarning;
        if (r == 0) {
            out.written.append(path);
            if (family == LoggerFamily::Tv && !got.complete())
                out.incomplete.append({slot, got});
            loggers.step();
            continue;
        }
        out.missing.append(slot);
        // The scan had the port: a download that cannot open it again has lost the meter
        // (a hang-up, a pulled cable), a failure to report, unlike the silent 54 of a job that
        // never got the port.
        const int code = r == Err::PortFailure ? Err::CommunicationError : r;
        // A TV logger whose port or file could not be opened stops nothing: the loggers after it
        // are still received. A cable-modem failure, or a TV header that did not come, ends the run.
        const bool stops = family == LoggerFamily::Modem || (r != Err::PortFailure && r != Err::UnableToOpenFile);
        if (stops) {
            result = code;
            out.missing << listed.mid(k + 1);
            break;
        }
        if (result == 0)
            result = code;
        loggers.step();
    }
    return result;
}

}   // namespace LoggerJobs

int receiveLoggerIndexJob(JobContext &ctx, int familyBits, const QString &indexPath)
{
    LoggerFamily family;
    if (!LoggerJobs::familyOfCode(familyBits, family))
        return Err::UserBreak;
    ctx.setCaption(StringTable::text(Row::ReceivingIndex));

    PortSession session(ctx.port());
    if (!session.isOpen())
        return Err::PortFailure;
    LoggerFileWriter file(indexPath);
    if (!file.open())
        return file.failureCode();
    file.writeLines(LoggerIndexFile::headLines());

    int result = 0;
    QString answer;
    if (!selectFamily(ctx.port(), family)) {
        result = Err::CommunicationError;
    } else {
        const int slotTotal = slotCount(family);
        Progress progress(ctx, 0, slotTotal);
        int repeats = 0;
        for (int n = 0; n < slotTotal;) {
            if (ctx.cancelRequested()) {
                result = Err::UserBreak;
                break;
            }
            if (!ask(ctx.port(), Cmd::askLoggerHeader(n), answer, 1)) {
                result = Err::CommunicationError;
                break;
            }
            if (LoggerIndexFile::isSlotAnswer(answer)) {
                file.writeLine(answer);
                progress.step();
                ++n;
                repeats = 0;
            } else if (++repeats > LoggerJobs::kMaxShortAnswerRepeats) {
                result = Err::CommunicationError;
                break;
            }
        }
    }
    // The slot lines received so far are kept even when the reception stopped part-way.
    if (!file.commit() && result == 0)
        result = file.failureCode();
    return result;
}

namespace {

int receiveModemLogger(JobContext &ctx, int logger, const QString &path, QString &archiveWarning)
{
    archiveWarning.clear();
    announceDownload(ctx, logger, path);
    PortSession session(ctx.port());
    if (!session.isOpen())
        return Err::PortFailure;
    LoggerFileWriter file(path);
    if (!file.open())
        return file.failureCode();
    if (!ensureFamily(ctx.port(), LoggerFamily::Modem))
        return Err::CommunicationError;   // nothing received: an older file stays as it was

    Progress progress(ctx, 0, 5);
    file.writeLines(commonHeader());
    file.writeLine(Key::Device + QLatin1Char('=') + kModemDevice);
    file.writeLine(Key::LoggerNumber + QLatin1Char('=') + QString::number(logger));

    // The sections in the order the file holds them. A cable-modem download runs to its end
    // whatever Cancel says: its five exchanges are short and a half logger is of no use.
    const struct {
        const QString &key;
        QByteArray command;
    } sections[] = {
        {Key::Info, Cmd::askLoggerHeader(logger)},       {Key::Downstream, Cmd::askModemPart(logger, 0)},
        {Key::Upstream, Cmd::askModemPart(logger, 1)},   {Key::Headend, Cmd::askModemPart(logger, 2)},
        {Key::PingReport, Cmd::askModemPart(logger, 3)},
    };
    int result = 0;
    for (const auto &s : sections) {
        QString answer;
        if (!ask(ctx.port(), s.command, answer, 2)) {
            result = Err::CommunicationError;
            break;
        }
        progress.step();
        file.writeLine(ModemLoggerFile::sectionLine(s.key, answer));
    }
    if (result == 0)
        file.writeLine(ModemLoggerFile::emptyLocationLine());
    // A logger that stopped after a failed section keeps the sections that came: the viewer
    // decides what it can show.
    if (!file.commit()) {
        if (result == 0)
            result = file.failureCode();
        return result;
    }
    archiveWarning = archiveLogger(ctx, path, LoggerFamily::Modem, logger, result == 0);
    return result;
}

}   // namespace

int receiveModemLoggerJob(JobContext &ctx, int logger, const QString &path)
{
    QString warning;
    const int result = receiveModemLogger(ctx, logger, path, warning);
    if (!warning.isEmpty())
        ctx.showMessage(StringTable::text(Row::Warning), warning, false);
    return result;
}

namespace LoggerJobs {

int receiveTvLogger(JobContext &ctx, int logger, const QString &path, TvReception &got, QString *archiveWarning)
{
    got = TvReception{};
    if (archiveWarning)
        archiveWarning->clear();
    announceDownload(ctx, logger, path);
    PortSession session(ctx.port());
    if (!session.isOpen())
        return Err::PortFailure;
    LoggerFileWriter file(path);
    if (!file.open())
        return file.failureCode();

    settle(LoggerJobs::tvSettleDelay());

    QString header;
    if (!ensureFamily(ctx.port(), LoggerFamily::Tv) || !ask(ctx.port(), Cmd::askLoggerHeader(logger), header, 2))
        return Err::CommunicationError;   // the file is discarded: an older one stays as it was

    int measures = 0;
    file.writeLines(TvLoggerFile::headerLines(logger, header, measures));
    got.announced = measures;
    file.writeLines(TvLoggerFile::measuresLines(measures));

    // Once the header has arrived the logger counts as received: a measurement that fails five
    // times, or Cancel, ends the list and the file keeps the measurements so far.
    Progress progress(ctx, 0, measures);
    for (int m = 0; m < measures && !ctx.cancelRequested(); ++m) {
        QString answer;
        if (!ask(ctx.port(), Cmd::askTvMeasure(logger, m), answer, 5))
            break;
        // A short answer is an incomplete measurement: ask once more and keep the new one.
        if (answer.size() <= kShortMeasureAnswer && !ask(ctx.port(), Cmd::askTvMeasure(logger, m), answer, 5))
            break;
        file.writeLine(measurementLineFromAnswer(answer));
        ++got.received;
        progress.step();
    }
    if (!file.commit())
        return file.failureCode();
    const QString warning = archiveLogger(ctx, path, LoggerFamily::Tv, logger, got.complete());
    if (archiveWarning)
        *archiveWarning = warning;
    return 0;
}

}   // namespace LoggerJobs

int receiveTvLoggerJob(JobContext &ctx, int logger, const QString &path)
{
    LoggerJobs::TvReception got;
    QString archiveWarning;
    const int result = LoggerJobs::receiveTvLogger(ctx, logger, path, got, &archiveWarning);
    // The file keeps what arrived, and is shown; a logger that ended short is never taken for
    // a whole one.
    if (result == 0 && !got.complete())
        ctx.showMessage(StringTable::text(Row::Warning), LoggerJobs::incompleteLoggerText(logger, got), false);
    if (!archiveWarning.isEmpty())
        ctx.showMessage(StringTable::text(Row::Warning), archiveWarning, false);
    return result;
}

int receiveAllLoggersJob(JobContext &ctx, int family)
{
    LoggerJobs::AllLoggersOutcome outcome;
    const int result = LoggerJobs::receiveAllLoggers(ctx, family, &outcome);
    const QStringList summary = LoggerJobs::allLoggersSummary(outcome);
    if (!summary.isEmpty())
        ctx.showMessage(StringTable::text(Row::Warning), summary.join(QLatin1Char('\n')), false);
    return result;
}
