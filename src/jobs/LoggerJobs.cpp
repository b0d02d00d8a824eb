#include "jobs/Jobs.h"
// PLACEHOLDER: being written.
int receiveLoggerIndexJob(JobContext &, int, const QString &) { return -96; }
int receiveTvLoggerJob(JobContext &, int, const QString &) { return -96; }
int receiveModemLoggerJob(JobContext &, int, const QString &) { return -96; }
int receiveAllLoggersJob(JobContext &, int) { return -96; }
