// kelvatrone-cli upgrade FIRMWARE: the firmware upgrade of the firmware list window, without
// the window: the same file check, job and check of the restarted meter.

#include "cli/Cli.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "jobs/FirmwareJob.h"
#include "jobs/JobContext.h"
#include "jobs/Jobs.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QFileInfo>
#include <memory>

namespace {

// FIRMWARE is a path, or the name of a file in the firmware folder (where the firmware list
// window finds its files).
QString firmwarePath(const QString &argument)
{
    if (QFileInfo::exists(Cli::argPath(argument)))
        return Cli::argPath(argument);
    const QString inFolder = app().firmwareFolder + QLatin1Char('/') + argument;
    if (!argument.contains(QLatin1Char('/')) && QFileInfo::exists(inFolder))
        return inFolder;
    return Cli::argPath(argument);
}

int runUpgrade(const CliOptions &options, const QStringList &args)
{
    if (args.size() != 1)
        return Cli::usage(QStringLiteral("upgrade"));

    const int model = Cli::ensureModel(options);
    if (model != 0)
        return Cli::fail(model);

    const CurrentModelRecord &current = app().CurrentModel;
    if (current.firmwareFileType.isEmpty())
        return Cli::failText(QStringLiteral("%1: %2 takes no firmware upgrade")
                                 .arg(ErrorCodeText(Err::NoUpgradeFiles), current.modelName));

    const QString path = firmwarePath(args.first());
    // The window lists only files of the model's firmware type; a file of another type is
    // another model's firmware, and would leave this meter without a working program.
    if (QFileInfo::exists(path) && QFileInfo(path).suffix().compare(current.firmwareFileType, Qt::CaseInsensitive) != 0)
        return Cli::failText(QStringLiteral("%1 is not a firmware file of %2 (*.%3)")
                                 .arg(path, current.modelName, current.firmwareFileType));

    takeLastFirmwareRun();
    std::unique_ptr<JobContext> context = Cli::terminalContext(thePort());
    const int result = firmwareUpgradeJob(*context, path);
    const FirmwareRun run = takeLastFirmwareRun();
    applyRestartedMeter(run);

    if (result == Err::PortFailure)
        return Cli::portFailure();
    if (result == Err::UnableToOpenFile) {
        // A file the check refused: the error table's message, then which line and why.
        Cli::err(ErrorCodeText(result));
        if (!run.fileProblem.isEmpty())
            Cli::err(run.fileProblem);
        return 1;
    }
    if (result != 0) {
        Cli::fail(result);
        if (!run.stoppedAt.isEmpty())
            Cli::err(StringTable::text(209 /* "Stopped at:" */) + QLatin1Char(' ') + run.stoppedAt);
        return 1;
    }
    Cli::out(StringTable::text(314 /* "Firmware sent: %1" */).arg(QFileInfo(path).fileName()));
    if (run.identifiedIndex >= 0)
        Cli::out(StringTable::text(198 /* "Model identified: " */) + run.identifiedName);
    return 0;
}

CliRegistration reg{CliCommand{
    QStringLiteral("upgrade"), QStringLiteral("upgrade FIRMWARE"),
    QStringLiteral("replace the meter's firmware from a firmware file (path or name in the firmware folder)"),
    runUpgrade, WorkspaceJob::Upgrade}};

}   // namespace
