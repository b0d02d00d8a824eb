#include "jobs/Jobs.h"
// PLACEHOLDER: being written.
int firmwareUpgradeJob(JobContext &, const QString &) { return -96; }
