#pragma once
// The datalogger jobs' extras beyond the dispatch entry points of Jobs.h: job codes by family,
// the channel-plan pre-check the index window and the command line run before a reception, and
// the all-loggers job that tells which files it wrote.

#include "datalogger/LoggerFiles.h"
#include "jobs/Jobs.h"

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

// The all-loggers job (0x270 / 0x370); written receives the path of every logger file it
// received completely, in slot order.
int receiveAllLoggers(JobContext &ctx, int familyBits, QStringList *written);

// The pause between opening the port and asking a TV logger's header (1000 ms). Tests shorten it.
void setTvSettleDelay(int ms);
int tvSettleDelay();

// How often a slot is asked again after a short answer before the job gives up with -96.
constexpr int kMaxShortAnswerRepeats = 10;

} // namespace LoggerJobs
