#include "app/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

QString SingleInstance::markName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Kelvatrone");
#else
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/Kelvatrone.lock");
#endif
}

SingleInstance::SingleInstance()
{
#ifdef Q_OS_WIN
    // Not initially owned, and never closed: the system releases the handle when the process
    // ends, however it ends, so a crashed copy never keeps the next one from starting. A mutex
    // that cannot be made at all (the name held by an object of another kind) must not keep
    // the program from starting either.
    const std::wstring name = markName().toStdWString();
    if (CreateMutexW(nullptr, FALSE, name.c_str()) != nullptr)
        anotherCopy_ = GetLastError() == ERROR_ALREADY_EXISTS;
#else
    lock_ = std::make_unique<QLockFile>(markName());
    lock_->setStaleLockTime(0);   // never judge a live holder stale by the lock's age
    if (!lock_->tryLock(0)) {
        // Only a lock held by another process means another copy; a runtime folder that
        // cannot be written must not keep the program from starting.
        anotherCopy_ = lock_->error() == QLockFile::LockFailedError;
    }
#endif
}

SingleInstance::~SingleInstance() = default;
