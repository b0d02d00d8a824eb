#pragma once
// The datalogger jobs' extras beyond the dispatch entry points of Jobs.h: job codes by family,
// the channel-plan pre-check the index window and the command line run before a reception, and
// the all-loggers job that tells which files it wrote.

#include "datalogger/LoggerFiles.h"
#include "jobs/Jobs.h"

#include <QList>
#include <QStringList>

class SerialPort;

namespace LoggerJobs {

// The job code of a kind (JobCode::Index, OneLogger, AllLoggers) for a family: 0x220, 0x360, ...
int jobCode(LoggerFamily family, int kind);
// The family bits of a job code as a family; false for a code of neither family.
bool familyOfCode(int familyBits, LoggerFamily &family);

// Before every reception the meter is asked whether it holds a channel plan ("*?CG", 2
// attempts, the port opened and closed around it). 0: go on (the answer begins with "*CG01",
// or the port or the exchange failed, which the job then reports itself); -16 (No Channel Plan)
// for any other answer.
int channelPlanPreCheck(SerialPort &port);

// What a TV logger download brought: the measurements that arrived, and the number its
// header announced (CHANNEL NUMBER).
struct TvReception {
    int received = 0;
    int announced = 0;
    bool complete() const { return received >= announced; }
};

// The one-TV-logger job (0x260) without its warning: got receives what arrived. The job's
// result is 0 once the header has arrived, however many measurements followed.
// The logger is put into the measurement archive; archiveWarning receives what the user must
// hear of that (empty when it went in).
int receiveTvLogger(JobContext &ctx, int slot, const QString &path, TvReception &got,
                    QString *archiveWarning = nullptr);

// "Datalogger 2: 2 of 3 measurements received", in the current language.
QString incompleteLoggerText(int slot, const TvReception &got);

struct IncompleteLogger {
    int slot = 0;
    TvReception got;
};

// What the all-loggers job did, besides its result.
struct AllLoggersOutcome {
    QStringList written;   // the path of every logger received, in slot order
    QList<IncompleteLogger> incomplete;   // TV loggers among them that ended short
    QList<int> missing;   // listed slots whose logger did not arrive
    QStringList archiveWarnings;   // loggers received but not archived
};

// The all-loggers job (0x270 / 0x370). A TV download that cannot open the port or its file
// (54, -65) does not stop the run; a cable-modem failure, a TV -96 or Cancel does. The result
// is 0 when every listed logger arrived; otherwise the failure that stopped the run, or else
// the first failure (a port lost after the scan counts as -96: it is never silent here).
int receiveAllLoggers(JobContext &ctx, int familyBits, AllLoggersOutcome *outcome);

// The lines that end an all-loggers run: one per incomplete logger, then the slots that did
// not arrive, then the loggers the archive did not take. Empty when every logger arrived whole
// and was archived.
QStringList allLoggersSummary(const AllLoggersOutcome &outcome);

// The meter's logger family becomes unknown: it was restarted (a group was sent, its
// firmware replaced), so the next logger job selects its family again.
void forgetLoggerFamily();

// The pause between opening the port and asking a TV logger's header (1000 ms). Tests shorten it.
void setTvSettleDelay(int ms);
int tvSettleDelay();

// How often a slot is asked again after a short answer before the job gives up with -96.
constexpr int kMaxShortAnswerRepeats = 10;

}   // namespace LoggerJobs
