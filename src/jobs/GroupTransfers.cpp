#include "jobs/GroupTransfers.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "channelplan/CombinedPlanFile.h"
#include "jobs/GroupJobs.h"
#include "jobs/Jobs.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QFileInfo>

namespace GroupTransfers {

int sendGroup(const QStringList &planFiles, GroupTransferSteps &steps, QString *failedLine)
{
    const QString combined = combinedFilePath();
    steps.status(42 /* "Saving Channel Plan File" */);
    if (const int written = writeCombinedFile(combined, planFiles); written != 0)
        return written;
    QString failed;
    const int built =
        BuildCommandScript(combined, workingFolderPath(FolderKind::Temporary) + QLatin1String(kScriptFileName),
                           app().CurrentModel.planFileType, &failed);
    if (built != 1) {
        // A plan the script cannot be made of is said so, rather than sending nothing in silence.
        if (built == 0 && failedLine)
            *failedLine = failed;
        return built == 0 ? Err::IncorrectFormatFile : built;
    }
    steps.status(162 /* "Transforming Format File" */);
    if (const int copied = CopyCommandScript(combined); copied != 1)
        return copied < 0 ? copied : Err::ScriptFiles;
    steps.status(39 /* "Ready" */);
    if (!steps.confirmSend())
        return 0;
    steps.status(43 /* "Begin Data Transmit" */);
    const int result = steps.runTransfer(JobCode::GroupScript, combined, 0);
    steps.status(44 /* "End Data Transmit" */);
    return result;
}

int receivePlans(GroupTransferSteps &steps)
{
    if (AskPlansPresent() == 0)
        return Err::NoChannelPlan;
    if (const int begun = steps.beginReceiving(); begun != 0)
        return begun;
    const int count = AskPlanCount();
    if (count < 0)
        return count;
    for (int i = 0; i < count && !steps.stopped(); ++i) {
        QString name;
        if (const int asked = AskPlanFileName(i, name); asked != 0)
            return asked;
        const QString target = steps.receiveTarget(name);
        if (const int job = steps.runTransfer(JobCode::ReceivePlan, target, i); job != 0) {
            steps.planFailed(target);
            return job;
        }
        if (const int kept = steps.planReceived(name, target); kept != 0)
            return kept;
    }
    return 0;
}

bool sameFolder(const QString &a, const QString &b)
{
    auto canonical = [](const QString &folder) {
        const QString c = QFileInfo(folder).canonicalFilePath();
        return c.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : c;
    };
    return canonical(a) == canonical(b);
}

QString receivedPlanName(const QString &name, const QStringList &taken, const QString &folder, bool protectExisting)
{
    // Two plans of the same name (two new plans are both "--") each keep their own file.
    QStringList used = taken;
    QString candidate = uniqueMemberName(name, used);
    while (protectExisting && fileExists(folder + QLatin1Char('/') + candidate)) {
        used << candidate;
        candidate = uniqueMemberName(name, used);
    }
    return candidate;
}

}   // namespace GroupTransfers
