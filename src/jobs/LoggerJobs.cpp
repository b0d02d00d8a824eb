// The datalogger jobs of the transfer window: the index of the meter's logger slots, one TV
// logger, one cable-modem logger, and every non-empty logger of a family.
//
// Every job opens the port itself and closes it on every way out. Files are written beside
// their target and put in place when the job has its answer: a reception that fails before
// the file has anything worth keeping leaves the old file as it was.

#include "jobs/LoggerJobs.h"
#include "jobs/GroupJobs.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "link/CommandLink.h"
#include "link/ErrorCodes.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>

using namespace Logger;

namespace {

namespace Row {
constexpr int Datalogger = 1;
constexpr int ReceivingInFile = 46;        // "Receiving in File : "
constexpr int ReceivingIndex = 118;        // "Receiving Datalogger Index"
constexpr int ReceivingLogger = 121;       // "Receiving Logger"
constexpr int ReceivingAll = 144;          // "Receiving All Datalogger"
constexpr int CheckingDatalogger = 145;    // "Checking Datalogger"
} // namespace Row

std::atomic<int> settleDelayMs{1000};

// Opens the job's port and closes it again when the job leaves, whichever way it leaves.
class PortSession {
public:
    explicit PortSession(SerialPort &p) : port(p) { opened = port.Open(app().PortName) == 0; }
    ~PortSession() { close(); }
    bool isOpen() const { return opened; }
    void close()
    {
        if (opened)
            port.Close();
        opened = false;
    }

private:
    SerialPort &port;
    bool opened = false;
};

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
        answered = CommandLink::Transact(port, command, bytes) >= 0
            && (!query || CommandLink::AnswersQuery(command, bytes));
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

void announceDownload(JobContext &ctx, int slot, const QString &path)
{
    ctx.setCaption(StringTable::text(Row::ReceivingLogger) + QStringLiteral(" : ") + QString::number(slot));
    ctx.setStatus(StringTable::text(Row::ReceivingInFile) + QLatin1Char(' ') + shortenPath(path));
}

QByteArray selectCommand(LoggerFamily family)
{
    return family == LoggerFamily::Tv ? Cmd::selectTvLoggers() : Cmd::selectModemLoggers();
}

// The meter answers the slot queries for the family it was last switched to. A download that
// did not switch it itself would store the other family's answers under this family's name
// whenever no index of this family came first, so every job selects its family.
bool selectFamily(SerialPort &port, LoggerFamily family)
{
    QString answer;
    return ask(port, selectCommand(family), answer, 2);
}

} // namespace

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

int channelPlanPreCheck(SerialPort &port)
{
    return AskPlansPresent(port) ? 0 : Err::NoChannelPlan;
}

int receiveAllLoggers(JobContext &ctx, int familyBits, QStringList *written)
{
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
        if (!selectFamily(ctx.port(), family))
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
    for (int slot : listed) {
        if (ctx.cancelRequested()) {
            result = Err::UserBreak;
            break;
        }
        const QString path = receivedLoggerPath(family, slot);
        ctx.setStatus(StringTable::text(Row::ReceivingInFile) + QLatin1Char(' ') + shortenPath(path)
                      + StringTable::text(Row::Datalogger) + QLatin1Char(' ') + QString::number(slot));
        result = family == LoggerFamily::Tv ? receiveTvLoggerJob(ctx, slot, path)
                                            : receiveModemLoggerJob(ctx, slot, path);
        // The scan had the port: a download that cannot open it again has lost the meter
        // (a hang-up, a pulled cable), a failure to report, unlike the silent 54 of a job that
        // never got the port.
        if (result == Err::PortFailure)
            result = Err::CommunicationError;
        // Any download that fails ends the run with its result, whatever the family: a logger
        // that could not be stored is not passed over as if it had been received.
        if (result != 0)
            break;
        if (written)
            written->append(path);
        loggers.step();
    }
    return result;
}

} // namespace LoggerJobs

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
        return Err::UnableToOpenFile;
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
        result = Err::UnableToOpenFile;
    return result;
}

int receiveModemLoggerJob(JobContext &ctx, int logger, const QString &path)
{
    announceDownload(ctx, logger, path);
    PortSession session(ctx.port());
    if (!session.isOpen())
        return Err::PortFailure;
    LoggerFileWriter file(path);
    if (!file.open())
        return Err::UnableToOpenFile;
    if (!selectFamily(ctx.port(), LoggerFamily::Modem))
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
        {Key::Info, Cmd::askLoggerHeader(logger)},
        {Key::Downstream, Cmd::askModemPart(logger, 0)},
        {Key::Upstream, Cmd::askModemPart(logger, 1)},
        {Key::Headend, Cmd::askModemPart(logger, 2)},
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
    if (!file.commit() && result == 0)
        result = Err::UnableToOpenFile;
    return result;
}

int receiveTvLoggerJob(JobContext &ctx, int logger, const QString &path)
{
    announceDownload(ctx, logger, path);
    PortSession session(ctx.port());
    if (!session.isOpen())
        return Err::PortFailure;
    LoggerFileWriter file(path);
    if (!file.open())
        return Err::UnableToOpenFile;

    settle(LoggerJobs::tvSettleDelay());

    QString header;
    if (!selectFamily(ctx.port(), LoggerFamily::Tv) || !ask(ctx.port(), Cmd::askLoggerHeader(logger), header, 2))
        return Err::CommunicationError;   // the file is discarded: an older one stays as it was

    int measures = 0;
    file.writeLines(TvLoggerFile::headerLines(logger, header, measures));
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
        progress.step();
    }
    return file.commit() ? 0 : Err::UnableToOpenFile;
}

int receiveAllLoggersJob(JobContext &ctx, int family)
{
    return LoggerJobs::receiveAllLoggers(ctx, family, nullptr);
}
