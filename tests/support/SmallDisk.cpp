#include "SmallDisk.h"

#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

SmallDisk::SmallDisk(int kilobytes)
{
#ifdef Q_OS_WIN
    Q_UNUSED(kilobytes);
    why = QStringLiteral("Windows mounts no tmpfs: a small disk would need a virtual disk image and its driver");
    return;
#else
    if (::geteuid() != 0) {
        why = QStringLiteral("mounting a small tmpfs needs root");
        return;
    }
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=%1k").arg(kilobytes), QStringLiteral("tmpfs"), dir.path()});
    if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0) {
        why = QStringLiteral("mount -t tmpfs failed: %1")
                  .arg(QString::fromLocal8Bit(mount.readAllStandardError()).trimmed());
        return;
    }
    isMounted = true;
#endif
}

SmallDisk::~SmallDisk()
{
    if (!isMounted)
        return;
    QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), dir.path()});
}

qint64 SmallDisk::freeBytes() const
{
    QStorageInfo info(dir.path());
    info.refresh();
    return info.bytesAvailable();
}

qint64 SmallDisk::fillLeaving(qint64 left)
{
    QFile filler(path(QStringLiteral(".filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return freeBytes();
    const QByteArray block(512, 'x');
    while (freeBytes() > left) {
        const qint64 room = freeBytes() - left;
        if (filler.write(block.constData(), std::min<qint64>(room, block.size())) <= 0)
            break;
    }
    return freeBytes();
}
