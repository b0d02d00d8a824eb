#include "app/windows/WorkingFilesLock.h"

#include "app/StringTable.h"

#include <QCoreApplication>
#include <QWidget>

int lockWorkingFiles(QWidget *window, WorkspaceLock &lock, WorkspaceJob job,
                     const std::function<void(const QString &)> &status, const bool *stop)
{
    return lock.acquire(job, true, [&](const QString &holder) {
        if (status)
            status(StringTable::text(301 /* "Waiting for %1" */).arg(holder));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return (window == nullptr || window->isVisible()) && !(stop && *stop);
    });
}
