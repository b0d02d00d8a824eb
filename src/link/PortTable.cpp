#include "link/PortTable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSerialPortInfo>
#include <algorithm>

namespace {

constexpr int kMaxNumber = 40;

struct TableSources {
    QMutex lock;
    QStringList extras;
    QStringList runList;
    PortTable::Lister lister;
};

TableSources &sources()
{
    static TableSources s;
    return s;
}

// "/dev/ttyS10" after "/dev/ttyS9": compare the trailing numbers as numbers so that the table
// keeps the order a technician expects and stays the same from one run to the next.
bool naturalLess(const QString &a, const QString &b)
{
    auto split = [](const QString &s, QString &stem, qint64 &num) {
        int i = int(s.size());
        while (i > 0 && s[i - 1].isDigit())
            --i;
        stem = s.left(i);
        const QString digits = s.mid(i);
        num = digits.isEmpty() ? -1 : digits.left(15).toLongLong();
    };
    QString sa, sb;
    qint64 na, nb;
    split(a, sa, na);
    split(b, sb, nb);
    if (sa != sb)
        return sa < sb;
    if (na != nb)
        return na < nb;
    return a < b;
}

// The stable names udev gives USB serial adapters, by the device they point at.
QHash<QString, QString> byIdLinks()
{
    QHash<QString, QString> links;
#ifdef Q_OS_LINUX
    const QDir dir(QStringLiteral("/dev/serial/by-id"));
    const QFileInfoList entries = dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : entries) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty() && !links.contains(target))
            links.insert(target, link.absoluteFilePath());
    }
#endif
    return links;
}

PortEntry entryFrom(const QSerialPortInfo &info)
{
    PortEntry e;
    e.device = info.systemLocation();
    e.description = info.description();
    e.manufacturer = info.manufacturer();
    e.serialNumber = info.serialNumber();
    if (info.hasVendorIdentifier())
        e.vendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier())
        e.productId = info.productIdentifier();
    return e;
}

QList<PortEntry> listSystem()
{
    QList<PortEntry> ports;
    const QHash<QString, QString> links = byIdLinks();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation().isEmpty())
            continue;
        PortEntry e = entryFrom(info);
        e.byId = links.value(e.device);
        ports << e;
    }
    return ports;
}

PortEntry plainEntry(const QString &device)
{
    PortEntry e;
    e.device = device;
    return e;
}

}   // namespace

QString PortEntry::shortName() const
{
    if (device.startsWith(QLatin1String("/dev/")))
        return device.mid(5);
    const int slash = int(device.lastIndexOf(QLatin1Char('/')));
    return slash >= 0 ? device.mid(slash + 1) : device;
}

QString PortEntry::vendorProduct() const
{
    if (vendorId < 0 && productId < 0)
        return QString();
    auto hex = [](int v) {
        return v < 0 ? QStringLiteral("????") : QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
    };
    return hex(vendorId) + QLatin1Char(':') + hex(productId);
}

namespace PortTable {

QList<PortEntry> systemPorts()
{
    Lister lister;
    {
        QMutexLocker l(&sources().lock);
        lister = sources().lister;
    }
    QList<PortEntry> ports = lister ? lister() : listSystem();
    std::stable_sort(ports.begin(), ports.end(),
                     [](const PortEntry &a, const PortEntry &b) { return naturalLess(a.device, b.device); });
    // One entry a device, whatever the system reported twice or under two names.
    QList<PortEntry> unique;
    QStringList seen;
    for (const PortEntry &e : ports) {
        const QString real = realDevice(e.device);
        if (!seen.contains(real)) {
            seen << real;
            unique << e;
        }
    }
    return unique;
}

QList<PortEntry> build()
{
    QStringList runList, extras;
    {
        QMutexLocker l(&sources().lock);
        runList = sources().runList;
        extras = sources().extras;
    }
    if (!runList.isEmpty()) {
        // The devices given for the run, with the system's details where it lists them; a
        // device given twice under two names is one entry.
        const QList<PortEntry> system = systemPorts();
        QList<PortEntry> table;
        QStringList seen;
        for (const QString &device : runList) {
            const QString real = realDevice(device);
            if (seen.contains(real))
                continue;
            seen << real;
            auto it = std::find_if(system.begin(), system.end(),
                                   [&](const PortEntry &e) { return realDevice(e.device) == real; });
            PortEntry e = it != system.end() ? *it : plainEntry(device);
            e.device = device;
            table << e;
        }
        return table;
    }
#ifdef Q_OS_WIN
    // Number n is the system's COMn; the system's details are added where it knows the port.
    QHash<QString, PortEntry> known;
    for (const PortEntry &e : systemPorts())
        known.insert(QFileInfo(e.device).fileName().toUpper(), e);
    QList<PortEntry> table;
    for (int n = 1; n <= kMaxNumber; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        PortEntry e = known.value(name, plainEntry(name));
        e.device = name;
        table << e;
    }
    (void)extras;
    return table;
#else
    QList<PortEntry> table = systemPorts();
    for (const QString &path : extras) {
        if (path.isEmpty())
            continue;
        // A path that names a listed device through another link (by-path, a udev alias) is
        // that device: two entries would have it asked twice at once.
        const QString real = realDevice(path);
        const bool listed = std::any_of(table.begin(), table.end(), [&](const PortEntry &e) {
            return e.device == path || e.byId == path || realDevice(e.device) == real;
        });
        if (!listed)
            table << plainEntry(path);
    }
    return table;
#endif
}

QString realDevice(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real;
}

QString stableDesignation(const QString &inForce, const QString &stored)
{
    const int n = numberOf(inForce);
    if (n <= 0 || isDevicePath(inForce))
        return inForce;
    const QList<PortEntry> table = build();
    if (n > table.size())
        return stored.isEmpty() ? inForce : stored;
    const PortEntry &entry = table.at(n - 1);
    // The stored link or path still names this device: it is kept (a by-id choice survives a
    // search that found the meter on it).
    if (isDevicePath(stored) && realDevice(stored) == realDevice(entry.device))
        return stored;
#ifdef Q_OS_WIN
    return inForce;
#else
    const QList<PortEntry> system = systemPorts();
    const bool systemPort =
        std::any_of(system.begin(), system.end(), [&](const PortEntry &e) { return e.device == entry.device; });
    return systemPort ? inForce : entry.device;
#endif
}

QStringList devices(const QList<PortEntry> &table)
{
    QStringList out;
    for (const PortEntry &e : table)
        out << e.device;
    return out;
}

bool isDevicePath(const QString &designation)
{
#ifdef Q_OS_WIN
    return designation.startsWith(QLatin1String("\\\\.\\")) || designation.contains(QLatin1Char('/'));
#else
    return designation.contains(QLatin1Char('/'));
#endif
}

int numberOf(const QString &designation)
{
    QString rest = designation.trimmed();
    if (rest.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        rest = rest.mid(3);
    if (rest.isEmpty() || rest.size() > 6)
        return 0;
    for (const QChar c : rest)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    return rest.toInt();
}

QString deviceFor(const QString &designation, const QList<PortEntry> &table)
{
    const QString name = designation.trimmed();
    if (name.isEmpty())
        return QString();
    if (isDevicePath(name))
        return name;
    const int n = numberOf(name);
    if (n <= 0 || n > table.size())
        return QString();
    return table[n - 1].device;
}

QString choiceLine(int number, const PortEntry &entry)
{
    QString line = QStringLiteral("COM%1  %2").arg(number).arg(entry.shortName());
    if (!entry.description.isEmpty())
        line += QStringLiteral("  ") + entry.description;
    return line;
}

QString numberWithDevice(int number, const QString &device)
{
    PortEntry e;
    e.device = device;
    return QStringLiteral("COM%1 (%2)").arg(number).arg(e.shortName());
}

void setExtraDevices(const QStringList &paths)
{
    QMutexLocker l(&sources().lock);
    sources().extras = paths;
}

QStringList extraDevices()
{
    QMutexLocker l(&sources().lock);
    return sources().extras;
}

void setRunDevices(const QStringList &paths)
{
    QMutexLocker l(&sources().lock);
    sources().runList = paths;
}

QStringList runDevices()
{
    QMutexLocker l(&sources().lock);
    return sources().runList;
}

void setSystemLister(Lister lister)
{
    QMutexLocker l(&sources().lock);
    sources().lister = std::move(lister);
}

}   // namespace PortTable
