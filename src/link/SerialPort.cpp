#include "link/SerialPort.h"

#include "app/AppState.h"
#include "app/Files.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QMutexLocker>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>
#include <algorithm>

namespace {

constexpr char kCR = 13;
constexpr char kXON = 17;
constexpr char kXOFF = 19;
constexpr char kNAK = 21;

QMutex &tableLock()
{
    static QMutex m;
    return m;
}

QStringList &storedExtraDevices()
{
    static QStringList paths;
    return paths;
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

bool isDevicePath(const QString &designation)
{
#ifdef Q_OS_WIN
    return designation.startsWith(QLatin1String("\\\\.\\")) || designation.contains(QLatin1Char('/'));
#else
    return designation.contains(QLatin1Char('/'));
#endif
}

// The number of a "n" or "COMn" designation; 0 when it holds none.
int portNumberOf(const QString &designation)
{
    QString rest = designation;
    if (rest.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        rest = rest.mid(3);
    if (rest.isEmpty() || rest.size() > 6)
        return 0;
    for (const QChar c : rest)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    return rest.toInt();
}

} // namespace

SerialPort::SerialPort() = default;

SerialPort::~SerialPort()
{
    if (port)
        port->close();
}

int64_t SerialPort::nowMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed() + 1;
}

uint32_t SerialPort::tick()
{
    const uint32_t t = uint32_t(nowMs());
    return t == 0 ? 1 : t;
}

bool SerialPort::heldByOtherThread() const
{
    QMutexLocker lock(&ownerLock);
    if (!port || !port->isOpen())
        return false;
    QThread *holder = owner.data();
    return holder && holder != QThread::currentThread() && !holder->isFinished();
}

int SerialPort::Open(const QString &designation, int baud, int parity, int byteSize, int stopBits)
{
    const QString name = designation.trimmed();
    if (heldByOtherThread()) {
        openError = QStringLiteral("port %1: in use by another exchange of this program").arg(name);
        return -1;
    }
    Close();
    openError.clear();

    const QString device = deviceFor(name);
    if (device.isEmpty()) {
        openError = QStringLiteral("port %1: no such port").arg(name.isEmpty() ? QStringLiteral("\"\"") : name);
        return -1;
    }

    auto p = std::make_unique<QSerialPort>();
    p->setPortName(device);
    if (!p->open(QIODevice::ReadWrite)) {
        openError = QStringLiteral("port %1 (%2): %3").arg(name, device, p->errorString());
        return -1;
    }

    QSerialPort::Parity par = QSerialPort::NoParity;
    bool parityOk = true;
    switch (parity) {
    case 0: par = QSerialPort::NoParity; break;
    case 1: par = QSerialPort::OddParity; break;
    case 2: par = QSerialPort::EvenParity; break;
    case 3: par = QSerialPort::MarkParity; break;
    case 4: par = QSerialPort::SpaceParity; break;
    default: parityOk = false; break;
    }
    const QSerialPort::StopBits stop = stopBits == 2 ? QSerialPort::TwoStop
                                       : stopBits == 1 ? QSerialPort::OneAndHalfStop
                                                       : QSerialPort::OneStop;
    const bool dataOk = byteSize >= 5 && byteSize <= 8;
    if (!parityOk || !dataOk || !p->setBaudRate(baud)
        || !p->setDataBits(QSerialPort::DataBits(byteSize)) || !p->setParity(par) || !p->setStopBits(stop)
        || !p->setFlowControl(QSerialPort::NoFlowControl)) {
        openError = QStringLiteral("port %1 (%2): line settings refused: %3").arg(name, device, p->errorString());
        p->close();
        return -1;
    }
    // A pseudo-terminal has no modem lines and refuses DTR/RTS; a real port holds them on.
    if (!p->setDataTerminalReady(true))
        p->clearError();
    if (!p->setRequestToSend(true))
        p->clearError();
    p->clear(QSerialPort::AllDirections);
    p->clearError();

    QMutexLocker lock(&ownerLock);
    port = std::move(p);
    owner = QThread::currentThread();
    ready = false;
    return 0;
}

int SerialPort::Close()
{
    if (heldByOtherThread())
        return 0;   // not this thread's port: its holder closes it
    QMutexLocker lock(&ownerLock);
    if (!port)
        return 0;
    port->close();
    port.reset();
    owner = nullptr;
    return 0;
}

bool SerialPort::isOpen() const
{
    QMutexLocker lock(&ownerLock);
    return port && port->isOpen();
}

void SerialPort::StartWait(int ms)
{
    const int64_t now = nowMs();
    startTick = uint32_t(now);
    deadlineMs = now + std::max(ms, 0);
}

bool SerialPort::WaitExpired()
{
    const int64_t now = nowMs();
    if (now < deadlineMs)
        return false;
    lastTick = uint32_t(now);
    return true;
}

int SerialPort::ReadUntil(char terminator, int maxChars, QByteArray &buf, int ms)
{
    lastTick = 0;
    StartWait(ms);
    buf.clear();
    int stored = 0;
    int idleWakes = 0;
    while (!WaitExpired()) {
        if (!port || !port->isOpen())
            return -3;
        if (port->bytesAvailable() == 0) {
            // Block on the port for the rest of the time-out: a silent meter costs no CPU.
            const int64_t remaining = deadlineMs - nowMs();
            if (remaining <= 0)
                continue;
            if (port->waitForReadyRead(int(std::min<int64_t>(remaining, 1 << 30))))
                continue;
            const QSerialPort::SerialPortError e = port->error();
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                return -3;   // the device went away (a hang-up) or the system call failed
            port->clearError();
            // waitForReadyRead should only return early with data; if it ever wakes without
            // any, do not let that turn into a busy loop.
            if (++idleWakes > 3)
                QThread::msleep(2);
            continue;
        }
        char c = 0;
        if (!port->getChar(&c))
            return -3;
        idleWakes = 0;
        lastTick = tick();
        if (const std::optional<int> result = takeReadByte(c, terminator, maxChars, buf, stored, ready))
            return *result;
    }
    return -4;
}

std::optional<int> takeReadByte(char c, char terminator, int maxChars, QByteArray &buf, int &stored, bool &ready)
{
    switch (c) {
    case kCR:
        buf.append(c);
        return stored + 1;
    case kXON:
        ready = true;
        break;
    case kXOFF:
        ready = false;
        break;
    case kNAK:
        buf.append(c);
        return -5;
    default:
        if (stored >= maxChars)
            return -6;
        buf.append(c);
        ++stored;
        break;
    }
    if (c == terminator)
        return stored;
    return std::nullopt;
}

int SerialPort::ReadLine(QByteArray &buf, int maxChars, int ms)
{
    const int r = ReadUntil(kCR, maxChars, buf, ms);
    if (r > 0 && buf.endsWith(kCR))
        buf.chop(1);
    return r;
}

int SerialPort::WriteBlock(const QByteArray &bytes, int ms)
{
    // Writes go out at once: the meter's XON/XOFF only matter to its answers.
    ready = true;
    StartWait(ms);
    if (!port || !port->isOpen())
        return -3;
    if (WaitExpired())
        return -4;
    const qint64 n = port->write(bytes);
    if (n < 0)
        return -3;
    while (port->bytesToWrite() > 0) {
        const int64_t remaining = deadlineMs - nowMs();
        if (remaining <= 0)
            return -4;
        if (!port->waitForBytesWritten(int(std::min<int64_t>(remaining, 1 << 30)))) {
            const QSerialPort::SerialPortError e = port->error();
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                return -3;
            port->clearError();
            QThread::msleep(1);   // never a busy loop, whatever the wait reported
        }
    }
    return int(n);
}

void SerialPort::DiscardInput()
{
    if (!port || !port->isOpen())
        return;
    // Take in what already reached the system first, so that nothing stale stays behind.
    port->waitForReadyRead(0);
    port->clear(QSerialPort::Input);
    port->readAll();
    port->clearError();
}

void SerialPort::EnableChannelLog(bool on)
{
    channelLog = on;
    if (on)
        startLog(QStringLiteral("chnl"));
}

void SerialPort::EnableUpgradeLog(bool on)
{
    upgradeLog = on;
    if (on)
        startLog(QStringLiteral("updt"));
}

void SerialPort::startLog(const QString &prefix)
{
    currentLogPath = freeWorkingFile(prefix == QLatin1String("chnl") ? FileKind::ChannelLog : FileKind::UpgradeLog);
    QFile f(currentLogPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return;   // a log that cannot be written is skipped without a message
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const QByteArray header = QString::asprintf("Dia =%2.2d:%2.2d:%4.4d  Hora=%2.2d:%2.2d:%2.2d\r\n", d.day(),
                                                   d.month(), d.year(), t.hour(), t.minute(), t.second()).toLatin1();
    f.write(header);
}

QStringList SerialPort::portTable(const QString &extraDevice)
{
    QStringList table;
#ifndef Q_OS_WIN
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (!info.systemLocation().isEmpty())
            table << info.systemLocation();
    std::sort(table.begin(), table.end(), naturalLess);
    table.removeDuplicates();
    QStringList extras;
    if (!extraDevice.isEmpty())
        extras << extraDevice;
    else
        extras = extraDevices();
    for (const QString &path : extras)
        if (!path.isEmpty() && !table.contains(path))
            table << path;
#else
    for (int n = 1; n <= 40; ++n)
        table << QStringLiteral("COM%1").arg(n);
    (void)extraDevice;
#endif
    return table;
}

QString SerialPort::deviceFor(const QString &designation)
{
    const QString name = designation.trimmed();
    if (name.isEmpty())
        return QString();
    if (isDevicePath(name))
        return name;
    const int n = portNumberOf(name);
    if (n <= 0)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);   // Qt adds the "\\.\" prefix itself
#else
    const QStringList table = portTable();
    return n <= table.size() ? table[n - 1] : QString();
#endif
}

void SerialPort::setExtraDevice(const QString &path)
{
    setExtraDevices(path.isEmpty() ? QStringList() : QStringList{path});
}

void SerialPort::setExtraDevices(const QStringList &paths)
{
    QMutexLocker lock(&tableLock());
    storedExtraDevices() = paths;
}

QStringList SerialPort::extraDevices()
{
    QMutexLocker lock(&tableLock());
    return storedExtraDevices();
}

SerialPort &thePort()
{
    static SerialPort p;
    return p;
}
