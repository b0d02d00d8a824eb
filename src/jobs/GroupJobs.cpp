#include "jobs/Jobs.h"
// PLACEHOLDER: being written.
int sendGroupScriptJob(JobContext &, const QString &) { return -96; }
int receivePlanJob(JobContext &, int, const QString &) { return -96; }
