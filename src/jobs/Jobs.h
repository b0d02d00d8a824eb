#pragma once
// The transfer window's jobs: core functions that run against a JobContext. Each returns the
// job result: 0 success, 54 when the port could not be opened, a negative failure code.

#include "jobs/JobContext.h"
#include <QString>

namespace JobCode {
constexpr int KindMask = 0xF0;
constexpr int FamilyMask = 0xF00;
constexpr int Index = 0x20;
constexpr int Firmware = 0x50;
constexpr int OneLogger = 0x60;
constexpr int AllLoggers = 0x70;
constexpr int GroupScript = 0xB0;
constexpr int ReceivePlan = 0xD0;
constexpr int TvFamily = 0x200;
constexpr int ModemFamily = 0x300;
}   // namespace JobCode

// Whether the job kind (code & 0xF0) is one the engine runs.
bool isKnownJobKind(int code);

// Runs the job of that code: the dispatch of the transfer window. A code of an unknown kind
// returns -98 without touching the port.
int runJob(JobContext &ctx, int code, const QString &text, int number);

// The jobs, one per kind, each defined beside its own subject.
int sendGroupScriptJob(JobContext &ctx, const QString &scriptPath);   // 0xB0
int receivePlanJob(JobContext &ctx, int planNumber, const QString &planPath);   // 0xD0
int receiveLoggerIndexJob(JobContext &ctx, int family, const QString &indexPath);   // 0x220, 0x320
int receiveTvLoggerJob(JobContext &ctx, int logger, const QString &path);   // 0x260
int receiveModemLoggerJob(JobContext &ctx, int logger, const QString &path);   // 0x360
int receiveAllLoggersJob(JobContext &ctx, int family);   // 0x270, 0x370
// 0x50: the firmware file check, the upgrade and the check of the restarted meter.
int firmwareUpgradeJob(JobContext &ctx, const QString &firmwarePath);
