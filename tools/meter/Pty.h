#pragma once
// The meter's end of a pseudo-terminal. The host opens the far end (the slave device) as if
// it were the meter's serial port; it may open and close it any number of times.

#include <QByteArray>
#include <chrono>
#include <string>
#include <vector>

class Pty {
public:
    using Clock = std::chrono::steady_clock;

    Pty() = default;
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // Opens the master, unlocks the slave and puts the slave in raw mode. Empty error = success.
    std::string open();
    void close();
    // Hangs up as an unplugged adapter does: the master closes, so the host's port fails and its
    // device disappears, but the pseudo-terminal's number stays taken (a slave end is kept open)
    // until this process ends. A host that opens the same path again finds nothing there,
    // never the pseudo-terminal of another meter started meanwhile.
    void hangUp();
    std::string slavePath() const { return slave; }

    // Line pacing: each byte takes bitsPerByte / baud seconds on the wire, both ways.
    // 0 switches pacing off.
    void setPacing(int baud, int bitsPerByte = 11);
    bool pacing() const { return byteTime.count() > 0; }

    // Waits up to timeoutMs for bytes from the host and appends them to `out`, each with the
    // moment it would have finished arriving on a real line. Returns false when nothing came.
    // While no host has the port open, it sleeps in short steps instead of spinning.
    struct Received {
        char byte;
        Clock::time_point arrived;
    };
    bool receive(std::vector<Received> &out, int timeoutMs);

    // Writes bytes to the host, paced when pacing is on. Stops early and returns false when the
    // host closes the port meanwhile (what was left is dropped, as a line would drop it).
    bool send(const QByteArray &bytes);

    // True while a host holds the slave end open (as far as the master can tell).
    bool hostPresent() const;

private:
    bool writeOne(const char *data, size_t len);

    int master = -1;
    int reserved = -1;   // a slave end held after hangUp(): keeps the number from being reused
    std::string slave;
    Clock::duration byteTime{0};
    Clock::time_point inLine{};   // when the last received byte finished on the wire
    Clock::time_point outLine{};   // when the last sent byte finished on the wire
};
