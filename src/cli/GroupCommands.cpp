// kelvatrone-cli script / send-group / receive-plans: the group editor's send and receive paths
// without windows, on the same files and jobs.

#include "cli/Cli.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"
#include "jobs/GroupJobs.h"
#include "jobs/GroupTransfers.h"
#include "jobs/JobContext.h"
#include "jobs/Jobs.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

namespace {

int portFailure()
{
    return Cli::portFailure();
}

QString conversionFailure(const QString &planType, const QString &line)
{
    if (planType != QLatin1String("ch26") && planType != QLatin1String("ch25"))
        return QStringLiteral("plan type \"%1\" has no channel command; no script written").arg(planType);
    return QStringLiteral("line cannot be turned into commands: %1").arg(line);
}

// script [--plan-type ch26|ch25] OUT COMBINED
int runScript(const CliOptions &options, const QStringList &args)
{
    QStringList positional;
    QString planType;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--plan-type")) {
            if (i + 1 >= args.size())
                return Cli::usage(QStringLiteral("script"));
            planType = args[++i];
            if (planType != QLatin1String("ch26") && planType != QLatin1String("ch25")) {
                Cli::err(QStringLiteral("--plan-type takes ch26 or ch25"));
                return 2;
            }
        } else {
            positional << Cli::argPath(args[i]);
        }
    }
    if (positional.size() != 2)
        return Cli::usage(QStringLiteral("script"));
    if (planType.isEmpty()) {
        const int model = Cli::ensureModel(options);
        if (model != 0)
            return Cli::fail(model);
        planType = app().CurrentModel.planFileType;
    }

    QStringList combined;
    if (!readTextLines(positional[1], combined))
        return Cli::fail(Err::ScriptFiles);
    QStringList script;
    QString failedLine;
    if (commandScriptLines(combined, planType, script, &failedLine) != 1)
        return Cli::failText(conversionFailure(planType, failedLine));   // OUT is left as it was
    const int written = writeTextLinesAtomicallyCode(positional[0], script);
    if (written != 0)
        return Cli::fail(written == Err::WriteFailed ? written : Err::ScriptFiles);
    return 0;
}

// The command line's side of the two workflows: the warning printed, each job on the terminal,
// received plans put into the output folder whole.
class TerminalSteps : public GroupTransferSteps {
public:
    int runTransfer(int code, const QString &path, int number) override
    {
        std::unique_ptr<JobContext> context = Cli::terminalContext(thePort());
        return runJob(*context, code, path, number);
    }
    bool confirmSend() override
    {
        // The warning the window asks to confirm: the meter's dataloggers go with the old plans.
        for (const QString &l : StringTable::text(159).split(QLatin1Char('\n')))
            Cli::err(l);
        return true;
    }

    QString outDir;
    bool protectExisting = false;
    QStringList received;
    QString fileName;   // the name the plan being received takes in outDir
    QString failedTarget;   // the file that could not be written, for the message
    QString receiveTarget(const QString &name) override
    {
        fileName = GroupTransfers::receivedPlanName(name, received, outDir, protectExisting);
        // Received into a scratch file of the temporary folder first: the output folder (which
        // may be the temporary folder itself) only ever gets whole plans.
        return freeWorkingFile(FileKind::ScratchCopy);
    }
    int planReceived(const QString &, const QString &work) override
    {
        const QString target = outDir + QLatin1Char('/') + fileName;
        const int copied = copyTextFileCode(work, target);
        deleteFile(work);
        if (copied != 0) {
            failedTarget = target;
            return copied;
        }
        received << fileName;
        Cli::out(target);
        return 0;
    }
    void planFailed(const QString &work) override { deleteFile(work); }
};

int failure(int code)
{
    return code == Err::PortFailure ? portFailure() : Cli::fail(code);
}

// send-group PLAN...
int runSendGroup(const CliOptions &options, const QStringList &args)
{
    if (args.isEmpty())
        return Cli::fail(Err::NoChannelPlan);
    if (args.size() > kMaxGroupPlans)
        return Cli::fail(Err::Limit10Plans);
    QStringList plans;
    for (const QString &a : args)
        plans << Cli::argPath(a);
    // Each file named on the command line is checked first, so that the message names it.
    for (const QString &plan : plans) {
        if (!fileExists(plan))
            return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::FileNotFound), plan));
        if (!isPlanFile(plan))
            return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::IncorrectFormatFile), plan));
    }
    const int model = Cli::ensureModel(options);
    if (model != 0)
        return Cli::fail(model);

    TerminalSteps steps;
    QString failedLine;
    const int result = GroupTransfers::sendGroup(plans, steps, &failedLine);
    if (result == Err::IncorrectFormatFile && !failedLine.isEmpty()) {
        Cli::err(conversionFailure(app().CurrentModel.planFileType, failedLine));
        return Cli::fail(result);
    }
    if (result != 0)
        return failure(result);
    Cli::out(StringTable::text(311 /* "%1 channel plan(s) sent" */).arg(args.size()));
    return 0;
}

// receive-plans OUTDIR
int runReceivePlans(const CliOptions &options, const QStringList &args)
{
    if (args.size() != 1)
        return Cli::usage(QStringLiteral("receive-plans"));
    const QString outDir = QDir(Cli::argPath(args.first())).absolutePath();
    if (!QFileInfo(outDir).isDir())
        return Cli::failText(StringTable::text(322 /* "Folder not found: %1" */).arg(args.first()));
    const int model = Cli::ensureModel(options);
    if (model != 0)
        return Cli::fail(model);

    TerminalSteps steps;
    steps.outDir = outDir;
    // As in the group editor: a reception into the library never replaces one of its plans.
    steps.protectExisting = GroupTransfers::sameFolder(outDir, app().libraryFolder);
    const int result = GroupTransfers::receivePlans(steps);
    if (result != 0 && !steps.failedTarget.isEmpty() && result != Err::WriteFailed)
        return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::UnableToOpenFile), steps.failedTarget));
    if (result != 0)
        return failure(result);
    if (steps.received.isEmpty())
        Cli::err(StringTable::text(312 /* "The meter holds no channel plan" */));
    return 0;
}

CliRegistration regScript{CliCommand{
    QStringLiteral("script"),
    QStringLiteral("script [--plan-type ch26|ch25] OUT COMBINED"),
    QStringLiteral("turn a combined group file into the meter's command script"),
    runScript,
}};

CliRegistration regSend{CliCommand{QStringLiteral("send-group"), QStringLiteral("send-group PLAN..."),
                                   QStringLiteral("send 1 to 10 channel plan files to the meter as one group"),
                                   runSendGroup, WorkspaceJob::SendGroup}};

CliRegistration regReceive{CliCommand{QStringLiteral("receive-plans"), QStringLiteral("receive-plans OUTDIR"),
                                      QStringLiteral("receive the meter's channel plans into a folder"),
                                      runReceivePlans, WorkspaceJob::ReceivePlans}};

}   // namespace
