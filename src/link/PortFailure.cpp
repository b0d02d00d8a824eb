#include "link/PortFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <vector>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_UNIX
QString userName()
{
    if (const passwd *pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QString groupOf(const QString &device)
{
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return QString();
    if (const group *g = getgrgid(st.st_gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(st.st_gid);
}

// Who may open the device, for the advice: joining a group helps only when that group may read
// and write it, and joining root's group is never the answer (nor would it help: /dev/ttyS0 is
// "root:root 0600" on some systems).
void describeAccess(const QString &device, PortFailure &f)
{
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return;
    if (const passwd *pw = getpwuid(st.st_uid))
        f.owner = QString::fromLocal8Bit(pw->pw_name);
    else
        f.owner = QString::number(st.st_uid);
    f.groupMayOpen = st.st_gid != 0 && (st.st_mode & S_IRGRP) && (st.st_mode & S_IWGRP);
    if (!f.groupMayOpen)
        return;
    // In the group by the user database, but not in this session's groups: the user joined and
    // has not logged in again since.
    const passwd *pw = getpwuid(geteuid());
    if (!pw)
        return;
    int count = 64;
    std::vector<gid_t> member(static_cast<size_t>(count));
    if (getgrouplist(pw->pw_name, pw->pw_gid, member.data(), &count) < 0) {
        member.resize(size_t(count));
        if (getgrouplist(pw->pw_name, pw->pw_gid, member.data(), &count) < 0)
            return;
    }
    member.resize(size_t(count));
    const bool inDatabase = std::find(member.begin(), member.end(), st.st_gid) != member.end();
    const int active = getgroups(0, nullptr);
    std::vector<gid_t> session(static_cast<size_t>(std::max(0, active)));
    if (active > 0)
        getgroups(active, session.data());
    const bool inSession =
        getegid() == st.st_gid || std::find(session.begin(), session.end(), st.st_gid) != session.end();
    f.memberNotYetActive = inDatabase && !inSession;
}

QString processName(qint64 pid)
{
#ifdef Q_OS_LINUX
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (comm.open(QIODevice::ReadOnly))
        return QString::fromLocal8Bit(comm.readAll()).trimmed();
#else
    (void)pid;
#endif
    return QString();
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// Serial programs mark a port they hold with a UUCP lock file "LCK..name" holding their
// process id (Qt's serial port does so too, with the id on the first line).
qint64 lockFileHolder(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    static const char *const folders[] = {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
                                          "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
    for (const char *folder : folders) {
        QFile f(QString::fromLatin1(folder) + QStringLiteral("/LCK..") + name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray first = f.read(64).trimmed().split('\n').value(0).trimmed();
        bool ok = false;
        const qint64 pid = first.toLongLong(&ok);
        if (ok && processAlive(pid))
            return pid;
    }
    return 0;
}

// Without a lock file, the system still knows which process has the device open.
qint64 openFileHolder(const QString &device)
{
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return 0;
    const qint64 self = getpid();
    const QStringList procs = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &p : procs) {
        bool ok = false;
        const qint64 pid = p.toLongLong(&ok);
        if (!ok || pid == self)
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
            if (fd.symLinkTarget() == target)
                return pid;
    }
#else
    (void)device;
#endif
    return 0;
}

PortFailure busy(PortFailure f, qint64 pid)
{
    f.kind = PortFailure::Kind::Busy;
    f.pid = pid;
    if (pid > 0)
        f.holder = processName(pid);
    return f;
}
#endif

#ifdef Q_OS_WIN
// "COM12" as the system's device namespace names it: the "\\.\" prefix is needed from COM10
// on and harmless below.
std::wstring win32DevicePath(const QString &device)
{
    const QString path = device.startsWith(QLatin1String("\\\\.\\")) ? device : QStringLiteral("\\\\.\\") + device;
    return path.toStdWString();
}

// The system's reasons, sorted as the user is told them. Windows does not say which program
// holds a port, only that it is denied: a serial port is opened exclusively, so a denial of a
// port that exists means another program has it open.
PortFailure::Kind kindOfWindowsError(DWORD error)
{
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY: return PortFailure::Kind::Busy;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED: return PortFailure::Kind::Missing;
        default: return PortFailure::Kind::Other;
    }
}
#endif

}   // namespace

namespace PortDiagnosis {

PortFailure heldElsewhere(const QString &designation, const QString &device)
{
    PortFailure f;
    f.designation = designation;
    f.device = device;
#ifdef Q_OS_UNIX
    qint64 pid = lockFileHolder(device);
    if (pid == qint64(getpid()))
        pid = 0;
    if (!pid)
        pid = openFileHolder(device);
    if (pid)
        return busy(f, pid);
#endif
    return f;
}

PortFailure beforeOpen(const QString &designation, const QString &device)
{
    PortFailure f;
    f.designation = designation;
    f.device = device;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            f.kind = PortFailure::Kind::Missing;
        return f;   // anything else: the open says more
    }
    if (!S_ISCHR(st.st_mode))
        f.kind = PortFailure::Kind::NotTerminal;
#elif defined(Q_OS_WIN)
    // A "COMn" the system has no device for is missing; the open would only say "not found".
    if (!device.contains(QLatin1Char('\\')) && !device.contains(QLatin1Char('/'))) {
        wchar_t target[512];
        const std::wstring name = device.toStdWString();
        if (QueryDosDeviceW(name.c_str(), target, DWORD(std::size(target))) == 0
            && GetLastError() == ERROR_FILE_NOT_FOUND)
            f.kind = PortFailure::Kind::Missing;
    }
#else
    (void)device;
#endif
    return f;
}

PortFailure afterFailedOpen(const QString &designation, const QString &device, const QString &systemText)
{
    PortFailure f;
    f.designation = designation;
    f.device = device;
    f.systemText = systemText;
    f.kind = PortFailure::Kind::Other;
#ifdef Q_OS_UNIX
    // Ask the system once more, without Qt in between, to learn its reason.
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const int error = errno;
    if (fd >= 0) {
        const bool terminal = isatty(fd);
        ::close(fd);
        if (!terminal) {
            f.kind = PortFailure::Kind::NotTerminal;
            return f;
        }
        // It opens: what kept the serial port from opening it is a lock, another program's or
        // this program's own (another exchange holds the device).
        if (const qint64 pid = lockFileHolder(device)) {
            if (pid == qint64(getpid())) {
                f.kind = PortFailure::Kind::BusyHere;
                return f;
            }
            return busy(f, pid);
        }
        if (const qint64 pid = openFileHolder(device))
            return busy(f, pid);
        return f;
    }
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            f.kind = PortFailure::Kind::PermissionDenied;
            f.group = groupOf(device);
            f.user = userName();
            describeAccess(device, f);
            return f;
        case EBUSY: {
            const qint64 pid = lockFileHolder(device);
            return busy(f, pid ? pid : openFileHolder(device));
        }
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR: f.kind = PortFailure::Kind::Missing; return f;
        default: return f;
    }
#elif defined(Q_OS_WIN)
    // Ask the system once more, without Qt in between, for its own reason.
    const std::wstring path = win32DevicePath(device);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        // It opens now: the port was let go in between, or it is no serial port at all.
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(h, &dcb))
            f.kind = PortFailure::Kind::NotTerminal;
        CloseHandle(h);
        return f;
    }
    f.kind = kindOfWindowsError(GetLastError());
    return f;
#else
    (void)designation;
    return f;
#endif
}

}   // namespace PortDiagnosis
