#include "jobs/Jobs.h"
#include "link/ErrorCodes.h"

bool isKnownJobKind(int code)
{
    switch (code & JobCode::KindMask) {
        case JobCode::Index:
        case JobCode::Firmware:
        case JobCode::OneLogger:
        case JobCode::AllLoggers:
        case JobCode::GroupScript:
        case JobCode::ReceivePlan: return true;
        default: return false;
    }
}

int runJob(JobContext &ctx, int code, const QString &text, int number)
{
    const int family = code & JobCode::FamilyMask;
    switch (code & JobCode::KindMask) {
        case JobCode::Index: return receiveLoggerIndexJob(ctx, family, text);
        case JobCode::OneLogger:
            if (family == JobCode::TvFamily)
                return receiveTvLoggerJob(ctx, number, text);
            if (family == JobCode::ModemFamily)
                return receiveModemLoggerJob(ctx, number, text);
            return Err::UserBreak;
        case JobCode::AllLoggers: return receiveAllLoggersJob(ctx, family);
        case JobCode::GroupScript: return sendGroupScriptJob(ctx, text);
        case JobCode::ReceivePlan: return receivePlanJob(ctx, number, text);
        case JobCode::Firmware: return firmwareUpgradeJob(ctx, text);
        default: return Err::UserBreak;
    }
}
