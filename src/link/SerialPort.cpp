#include "link/SerialPort.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "link/ErrorCodes.h"
#include "link/PortTable.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QMutexLocker>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

constexpr char kCR = 13;
constexpr char kXON = 17;
constexpr char kXOFF = 19;
constexpr char kNAK = 21;

}   // namespace

PortInterrupt::PortInterrupt()
{
#ifdef Q_OS_UNIX
    if (::pipe(fds) == 0) {
        for (int fd : fds) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, O_NONBLOCK);
        }
    } else {
        fds[0] = fds[1] = -1;
    }
#endif
}

PortInterrupt::~PortInterrupt()
{
#ifdef Q_OS_UNIX
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);
#endif
}

void PortInterrupt::trigger()
{
    if (flag.exchange(true))
        return;
#ifdef Q_OS_UNIX
    if (fds[1] >= 0) {
        const char one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fds[1], &one, 1);
    }
#endif
}

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

int SerialPort::failOpen(PortFailure f, const QString &text)
{
    failure = std::move(f);
    openError = text;
    return Err::OpenFailed;
}

int SerialPort::Open(const QString &designation, int baud, int parity, int byteSize, int stopBits)
{
    const QString name = designation.trimmed();
    if (heldByOtherThread()) {
        PortFailure f;
        f.kind = PortFailure::Kind::BusyHere;
        f.designation = name;
        f.device = deviceFor(name);
        return failOpen(f, QStringLiteral("port %1: in use by another exchange of this program").arg(name));
    }
    Close();
    openError.clear();
    failure = PortFailure();

    const QString device = deviceFor(name);
    if (device.isEmpty()) {
        PortFailure f;
        f.kind = PortFailure::Kind::Missing;
        f.designation = name;
        return failOpen(f, QStringLiteral("port %1: no such port").arg(name.isEmpty() ? QStringLiteral("\"\"") : name));
    }
    if (PortTable::isDevicePath(device)) {
        // A path typed by hand may name anything: refuse what is not a terminal before the
        // serial port code opens it and sets it up.
        const PortFailure before = PortDiagnosis::beforeOpen(name, device);
        if (before.kind == PortFailure::Kind::Missing)
            return failOpen(before, QStringLiteral("port %1: no such port").arg(name));
        if (before.kind == PortFailure::Kind::NotTerminal)
            return failOpen(before, QStringLiteral("port %1: not a serial port").arg(name));
    }

    auto p = std::make_unique<QSerialPort>();
    p->setPortName(device);
    if (!p->open(QIODevice::ReadWrite)) {
        const QString text = QStringLiteral("port %1 (%2): %3").arg(name, device, p->errorString());
        return failOpen(PortDiagnosis::afterFailedOpen(name, device, p->errorString()), text);
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
    const QSerialPort::StopBits stop = stopBits == 2   ? QSerialPort::TwoStop
                                       : stopBits == 1 ? QSerialPort::OneAndHalfStop
                                                       : QSerialPort::OneStop;
    const bool dataOk = byteSize >= 5 && byteSize <= 8;
    if (!parityOk || !dataOk || !p->setBaudRate(baud) || !p->setDataBits(QSerialPort::DataBits(byteSize))
        || !p->setParity(par) || !p->setStopBits(stop) || !p->setFlowControl(QSerialPort::NoFlowControl)) {
        const QString text =
            QStringLiteral("port %1 (%2): line settings refused: %3").arg(name, device, p->errorString());
        PortFailure f;
        f.kind = PortFailure::Kind::NotTerminal;
        f.designation = name;
        f.device = device;
        f.systemText = p->errorString();
        p->close();
        return failOpen(f, text);
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
    lastDevice = device;
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
        if (interrupted())
            return Err::UserBreak;
        if (!port || !port->isOpen())
            return Err::SystemCall;
        if (port->bytesAvailable() == 0) {
            // Block on the port for the rest of the time-out: a silent meter costs no CPU.
            const int64_t remaining = deadlineMs - nowMs();
            if (remaining <= 0)
                continue;
            if (waitForBytes(int(std::min<int64_t>(remaining, 1 << 30))))
                continue;
            if (interrupted())
                return Err::UserBreak;
            const QSerialPort::SerialPortError e = port->error();
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                return Err::SystemCall;   // the device went away (a hang-up) or the system call failed
            port->clearError();
            // waitForReadyRead should only return early with data; if it ever wakes without
            // any, do not let that turn into a busy loop.
            if (++idleWakes > 3)
                QThread::msleep(2);
            continue;
        }
        char c = 0;
        if (!port->getChar(&c))
            return Err::SystemCall;
        idleWakes = 0;
        lastTick = tick();
        if (const std::optional<int> result = takeReadByte(c, terminator, maxChars, buf, stored, ready))
            return *result;
    }
    return Err::Timeout;
}

bool SerialPort::waitForBytes(int ms)
{
    if (!interrupt)
        return port->waitForReadyRead(ms);
#ifdef Q_OS_UNIX
    if (interrupt->wakeHandle() >= 0) {
        // Wait on the port and on the interrupt together: no CPU while waiting, and a stop
        // ends the wait at once.
        pollfd fds[2] = {{int(port->handle()), POLLIN, 0}, {interrupt->wakeHandle(), POLLIN, 0}};
        const int r = ::poll(fds, 2, ms);
        if (fds[1].revents != 0 || interrupt->triggered())
            return false;
        if (r > 0)
            return port->waitForReadyRead(0);   // takes in what arrived, or learns of a hang-up
        return false;
    }
#endif
    // Without a wake handle: wait in short slices and look at the interrupt between them.
    while (ms > 0 && !interrupt->triggered()) {
        const int slice = std::min(ms, 50);
        if (port->waitForReadyRead(slice))
            return true;
        const QSerialPort::SerialPortError e = port->error();
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
            return false;
        port->clearError();
        ms -= slice;
    }
    return false;
}

std::optional<int> takeReadByte(char c, char terminator, int maxChars, QByteArray &buf, int &stored, bool &ready)
{
    switch (c) {
        case kCR: buf.append(c); return stored + 1;
        case kXON: ready = true; break;
        case kXOFF: ready = false; break;
        case kNAK: buf.append(c); return Err::Nak;
        default:
            if (stored >= maxChars)
                return Err::TooLong;
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
    if (interrupted())
        return Err::UserBreak;
    if (!port || !port->isOpen())
        return Err::SystemCall;
    if (WaitExpired())
        return Err::Timeout;
    const qint64 n = port->write(bytes);
    if (n < 0)
        return Err::SystemCall;
    while (port->bytesToWrite() > 0) {
        const int64_t remaining = deadlineMs - nowMs();
        if (remaining <= 0)
            return Err::Timeout;
        if (!port->waitForBytesWritten(int(std::min<int64_t>(remaining, 1 << 30)))) {
            const QSerialPort::SerialPortError e = port->error();
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                return Err::SystemCall;
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
                                                d.month(), d.year(), t.hour(), t.minute(), t.second())
                                  .toLatin1();
    f.write(header);
}

QStringList SerialPort::portTable(const QString &extraDevice)
{
    QStringList table = PortTable::devices(PortTable::build());
    if (!extraDevice.isEmpty() && !table.contains(extraDevice))
        table << extraDevice;
    return table;
}

QString SerialPort::deviceFor(const QString &designation)
{
    const QString name = designation.trimmed();
    if (PortTable::isDevicePath(name) || PortTable::numberOf(name) <= 0)
        return PortTable::deviceFor(name, {});
#ifdef Q_OS_WIN
    if (PortTable::runDevices().isEmpty())
        return QStringLiteral("COM%1").arg(PortTable::numberOf(name));   // Qt adds the "\\.\" prefix itself
#endif
    return PortTable::deviceFor(name, PortTable::build());
}

void SerialPort::setExtraDevice(const QString &path)
{
    setExtraDevices(path.isEmpty() ? QStringList() : QStringList{path});
}

void SerialPort::setExtraDevices(const QStringList &paths)
{
    PortTable::setExtraDevices(paths);
}

QStringList SerialPort::extraDevices()
{
    return PortTable::extraDevices();
}

SerialPort &thePort()
{
    static SerialPort p;
    return p;
}
