#pragma once
// A real, small file system for the tests of a full disk: a tmpfs mounted on a temporary
// folder (the tests run as root in CI), unmounted again at the end. Where it cannot be mounted
// (not root, no mount), reason() says why and the test skips.

#include <QString>
#include <QTemporaryDir>

class SmallDisk {
public:
    explicit SmallDisk(int kilobytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return isMounted; }
    QString reason() const { return why; }
    QString path() const { return dir.path(); }
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }

    // Fills the disk with a file until fewer than `left` bytes stay free. Returns the free bytes.
    qint64 fillLeaving(qint64 left);
    qint64 freeBytes() const;

private:
    QTemporaryDir dir;
    bool isMounted = false;
    QString why;
};
