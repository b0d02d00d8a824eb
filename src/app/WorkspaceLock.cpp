#include "app/WorkspaceLock.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QThread>

namespace {

constexpr const char *kLockName = "kelvatrone.lock";
// Beside the lock: which job holds it. The lock file itself holds the process id and program
// name (Qt's own layout, which its stale-lock test reads), not what the process is doing.
constexpr const char *kJobName = "kelvatrone.lock.job";

constexpr int kRowWaitingJobs = 293;   // rows 293.. : "sending a group", ...

QString busyHolder;   // the holder the last refused acquire met, for its message

QString jobInfoPath()
{
    return QDir(app().tempFolder).filePath(QLatin1String(kJobName));
}

// "kelvatrone-cli, pid 4711, sending a group": the program and process from the lock file, the
// job from the file beside it when that file speaks of the same process.
QString describeHolder(qint64 pid, const QString &program)
{
    // The job is kept by its number, and told in the language of whoever waits.
    QString job;
    QStringList lines;
    bool numbered = false;
    if (readTextLines(jobInfoPath(), lines) && lines.size() >= 2 && lines.at(0).toLongLong() == pid) {
        const int code = lines.at(1).toInt(&numbered);
        if (numbered && code >= 0 && code <= int(WorkspaceJob::Exchange))
            job = WorkspaceLock::jobText(WorkspaceJob(code));
    }
    // "%1, pid %2"
    QString text = StringTable::text(291).arg(program.isEmpty() ? QStringLiteral("?") : program).arg(pid);
    if (!job.isEmpty())
        text += QStringLiteral(", ") + job;
    return text;
}

}   // namespace

WorkspaceLock::WorkspaceLock() = default;

WorkspaceLock::~WorkspaceLock()
{
    release();
}

QString WorkspaceLock::lockPath()
{
    return QDir(app().tempFolder).filePath(QLatin1String(kLockName));
}

QString WorkspaceLock::jobText(WorkspaceJob job)
{
    return StringTable::text(kRowWaitingJobs + int(job));
}

QString WorkspaceLock::busyText(const QString &holder)
{
    // "The working files are in use by %1"
    return StringTable::text(292).arg(holder);
}

QString WorkspaceLock::lastBusyHolder()
{
    return busyHolder;
}

QString WorkspaceLock::currentHolder()
{
    QLockFile probe(lockPath());
    qint64 pid = 0;
    QString host, program;
    if (!probe.getLockInfo(&pid, &host, &program))
        return QString();
    return describeHolder(pid, program);
}

bool WorkspaceLock::held() const
{
    return file && file->isLocked();
}

int WorkspaceLock::acquire(WorkspaceJob job, bool wait, const Waiting &waiting)
{
    release();
    if (!QFileInfo(app().tempFolder).isDir())
        return 0;
    file = std::make_unique<QLockFile>(lockPath());
    // Only a dead holder makes a lock stale: a long upgrade must never lose its lock to age.
    file->setStaleLockTime(0);
    QString shown;
    for (;;) {
        if (file->tryLock(0))
            break;
        if (file->error() != QLockFile::LockFailedError) {
            // The folder cannot hold a lock (read-only, say): the job goes on and meets the
            // folder's own failure where it writes.
            file.reset();
            return 0;
        }
        qint64 pid = 0;
        QString host, program;
        const QString holder = file->getLockInfo(&pid, &host, &program) ? describeHolder(pid, program) : QString();
        if (!wait || !waiting || !waiting(holder.isEmpty() ? shown : holder)) {
            file.reset();
            busyHolder = holder.isEmpty() ? shown : holder;
            return Err::WorkspaceBusy;
        }
        if (!holder.isEmpty())
            shown = holder;
        QThread::msleep(100);
    }
    // What this job is, for whoever waits for it; a job that cannot say so still holds the lock.
    writeTextLinesAtomically(jobInfoPath(),
                             {QString::number(QCoreApplication::applicationPid()), QString::number(int(job))});
    removeStrayWorkingFiles();
    return 0;
}

int WorkspaceLock::removeStrayWorkingFiles()
{
    // The working files of jobs, and the copies they are written into before they are moved
    // over them ("send.pro.AbC123"): with the lock held no job is writing any, so a copy that is
    // there was left by a job that was killed. Only these names are touched; a file the user
    // saved into the folder never is.
    static const QRegularExpression working(
        QStringLiteral("^(?:(?:temp\\d+|tempcm\\d+|temp|print\\d+|prtemp\\d+)\\.[A-Za-z0-9]+|send\\.pro|logger\\.tlg|"
                       "kelvatrone\\.lock\\.job)\\.[A-Za-z0-9]{6}$|^file\\d{2,}\\.tmp$"));
    int removed = 0;
    const QDir folder(app().tempFolder);
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (working.match(name).hasMatch() && QFile::remove(folder.filePath(name)))
            ++removed;
    }
    return removed;
}

void WorkspaceLock::release()
{
    if (!file)
        return;
    if (file->isLocked()) {
        deleteFile(jobInfoPath());
        file->unlock();
    }
    file.reset();
}
