#pragma once
// The program's one connection to the meter. Opened at the start of each job or
// identification attempt and closed at its end; the program never keeps a port open between
// jobs. Open, the exchanges and Close must happen on the same thread (the port object is
// created by Open on the calling thread). While one thread holds the port open, an Open from
// another running thread fails instead of tearing the port away from it.

#include "link/PortFailure.h"

#include <QByteArray>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class QSerialPort;
class QThread;

// Cuts short the waits of a port from another thread: the identification stops the probes of
// the ports after the one that answered, and their ports are released at once rather than
// after their time-out. After trigger() every wait of a port that holds it ends, and nothing
// more is written to that port.
class PortInterrupt {
public:
    PortInterrupt();
    ~PortInterrupt();
    PortInterrupt(const PortInterrupt &) = delete;
    PortInterrupt &operator=(const PortInterrupt &) = delete;
    void trigger();
    bool triggered() const { return flag.load(); }
    int wakeHandle() const { return fds[0]; }   // readable once triggered (-1 where unused)

private:
    std::atomic<bool> flag{false};
    int fds[2] = {-1, -1};
};

class SerialPort {
public:
    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    // designation: "n", "COMn" (n = 1..40) or a device path. 0 on success, -1 on failure.
    // parity: 0 none, 1 odd, 2 even, 3 mark, 4 space; stopBits: 0 one, 1 one and a half, 2 two.
    int Open(const QString &designation, int baud = 57600, int parity = 0, int byteSize = 8, int stopBits = 2);
    // 0 when the port is closed afterwards (also when it was not open).
    int Close();
    bool isOpen() const;
    // Why the last Open failed, in one line naming the port ("" after a successful Open).
    QString lastOpenError() const { return openError; }
    // The same, as what the user can be told: missing, permission, busy, not a terminal.
    PortFailure lastFailure() const { return failure; }

    // Waits and writes end with -98 once the interrupt is triggered (nullptr: none).
    void setInterrupt(PortInterrupt *i) { interrupt = i; }

    void SetTimeout(int ms) { timeoutMs = ms; }
    int GetTimeout() const { return timeoutMs; }

    void StartWait(int ms);
    bool WaitExpired();

    // Stores at most maxChars bytes in buf (buf receives a terminating 0 after a CR).
    // Returns the count stored, -3 system failure, -4 time-out, -5 NAK, -6 too long.
    int ReadUntil(char terminator, int maxChars, QByteArray &buf, int timeoutMs);
    // ReadUntil with CR; on success buf holds the bare line, the count includes the CR.
    int ReadLine(QByteArray &buf, int maxChars, int timeoutMs);
    int WriteBlock(const QByteArray &bytes, int timeoutMs);
    // Drops whatever the meter sent that nobody has read (a late answer after a time-out).
    void DiscardInput();

    // Log switches; switching one on starts a new log file in the temporary folder.
    void EnableChannelLog(bool on);
    void EnableUpgradeLog(bool on);
    bool channelLogOn() const { return channelLog; }
    bool upgradeLogOn() const { return upgradeLog; }
    QString logPath() const { return currentLogPath; }

    // Timing of the last wait, for the transaction log lines (milliseconds of tick()).
    uint32_t waitStartTick() const { return startTick; }
    uint32_t lastByteTick() const { return lastTick; }
    bool deviceReady() const { return ready; }
    // The device the last successful Open opened ("/dev/ttyUSB0"), kept after Close: what a
    // received logger's record names, without listing the system's ports again.
    QString openedDevice() const { return lastDevice; }

    // Port table: number n (1..40) designates the n-th entry. On Windows "COMn" is the system
    // port; elsewhere the system's serial ports in a stable order plus, when given, an extra
    // device path that the system does not list (a pseudo-terminal named in the settings).
    static QStringList portTable(const QString &extraDevice = QString());
    // The device an "n"/"COMn"/path designation names, or empty when there is none.
    static QString deviceFor(const QString &designation);

    // Extra device path appended to the port table (the settings' PORT when it is a path).
    static void setExtraDevice(const QString &path);
    // Several extra devices, appended in this order after the system's ports.
    static void setExtraDevices(const QStringList &paths);
    static QStringList extraDevices();

    // Milliseconds of a monotonic clock; never 0, so 0 can mean "no byte yet".
    static uint32_t tick();

private:
    void startLog(const QString &prefix);
    int failOpen(PortFailure f, const QString &text);
    bool waitForBytes(int ms);
    bool interrupted() const { return interrupt && interrupt->triggered(); }
    bool heldByOtherThread() const;
    static int64_t nowMs();

    std::unique_ptr<QSerialPort> port;
    QPointer<QThread> owner;   // thread that opened the port
    mutable QMutex ownerLock;
    QString openError;
    QString lastDevice;
    PortFailure failure;
    PortInterrupt *interrupt = nullptr;
    QString currentLogPath;
    bool upgradeLog = false;
    bool channelLog = false;
    bool ready = false;
    int64_t deadlineMs = 0;
    uint32_t startTick = 0;
    int timeoutMs = 3000;
    uint32_t lastTick = 0;
};

// The one port object of the program.
SerialPort &thePort();

// What ReadUntil does with one byte that arrived, apart from the port, so that its rules can
// be checked on any byte stream: XON/XOFF set ready and are not stored, CR ends the line
// (stored, count + 1), NAK ends with -5 (stored), any other byte is stored and counted (-6
// when maxChars are stored already) and ends the read when it is the terminator. stored is
// the count so far. Nothing while the read goes on; otherwise ReadUntil's result.
std::optional<int> takeReadByte(char c, char terminator, int maxChars, QByteArray &buf, int &stored, bool &ready);
