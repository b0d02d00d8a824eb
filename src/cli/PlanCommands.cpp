// Channel plan commands: check plan files as the editor would, and join plans into the
// combined file that the group is sent from.

#include "cli/Cli.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/FieldRules.h"
#include "channelplan/PlanFile.h"
#include "link/ErrorCodes.h"

#include <QDir>

namespace {

QString argumentPath(const QString &arg)
{
    return Cli::argPath(arg);
}

const char *const kColumnHeaders[] = {"",       "Name", "F.Anlg", "F.Dig", "Offset", "BW",
                                      "Status", "Mode", "S.R.",   "Annex", "Mod",    "System"};

// 0 when the plan reads and every typed field of every channel passes its check. Only the
// fields that apply to a channel are checked, as in the editor: a digital channel keeps
// whatever analog frequency the editor derived for it, an "OFF" channel uses nothing.
int checkOnePlan(const QString &arg)
{
    ChannelPlanFile plan;
    const int result = readPlanFile(argumentPath(arg), plan);
    if (result < 0) {
        Cli::err(QStringLiteral("%1: %2").arg(arg, ErrorCodeText(result)));
        return 1;
    }
    Cli::out(
        QStringLiteral("%1: plan \"%2\", %3 channels").arg(arg, plan.planName, QString::number(plan.channelCount)));
    int failures = 0;
    for (int i = 0; i < plan.channels.size(); ++i) {
        const ChannelRecord &channel = plan.channels.at(i);
        for (int column = PlanColumn::Name; column <= PlanColumn::System; ++column) {
            const std::optional<CheckKind> kind = checkKindOfColumn(column);
            if (!kind || !fieldApplies(channel, column))
                continue;
            const QString text = channel.columnText(column);
            if (const int code = validateField(text, *kind)) {
                Cli::out(QStringLiteral("  channel %1, %2 \"%3\": %4")
                             .arg(i + 1)
                             .arg(QLatin1String(kColumnHeaders[column]), text, ErrorCodeText(code)));
                ++failures;
            }
        }
    }
    return failures ? 1 : 0;
}

int checkPlans(const CliOptions &, const QStringList &args)
{
    if (args.isEmpty())
        return Cli::usage(QStringLiteral("check-plan"));
    int status = 0;
    for (const QString &arg : args)
        status |= checkOnePlan(arg);
    return status;
}

int combinePlans(const CliOptions &, const QStringList &args)
{
    if (args.isEmpty())
        return Cli::usage(QStringLiteral("combine"));
    QStringList members;
    for (const QString &arg : args.mid(1))
        members << argumentPath(arg);
    const int result = writeCombinedFile(argumentPath(args.first()), members);
    if (result < 0)
        return Cli::fail(result);
    Cli::out(QStringLiteral("%1: %2 plans combined").arg(args.first()).arg(members.size()));
    return 0;
}

CliRegistration checkPlanRegistration{CliCommand{
    QStringLiteral("check-plan"), QStringLiteral("check-plan FILE..."),
    QStringLiteral("read channel plans as the editor does and check the typed fields that apply"), checkPlans}};

CliRegistration combineRegistration{CliCommand{QStringLiteral("combine"), QStringLiteral("combine OUT PLAN..."),
                                               QStringLiteral("write the combined file of 1 to 10 plans, in order"),
                                               combinePlans}};

}   // namespace
