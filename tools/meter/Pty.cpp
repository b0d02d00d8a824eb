#include "Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {
// While nobody holds the far end, the master reports a hang-up at once on every poll; this is
// how long to sleep between looks so that an idle meter costs nothing.
constexpr int AbsentPollMs = 20;

void sleepUntil(Pty::Clock::time_point t)
{
    if (t > Pty::Clock::now())
        std::this_thread::sleep_until(t);
}
}   // namespace

Pty::~Pty()
{
    close();
}

std::string Pty::open()
{
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return std::string("posix_openpt: ") + std::strerror(errno);
    if (grantpt(master) != 0 || unlockpt(master) != 0)
        return std::string("grantpt/unlockpt: ") + std::strerror(errno);
    const char *name = ptsname(master);
    if (!name)
        return std::string("ptsname: ") + std::strerror(errno);
    slave = name;
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    // Raw mode on the far end, so that a host that does not set its own line settings still
    // sees the bytes unchanged (no echo, no CR/LF translation, XON/XOFF passed through).
    int s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s < 0)
        return std::string("open ") + name + ": " + std::strerror(errno);
    termios t{};
    if (tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD | CSTOPB;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        cfsetispeed(&t, B57600);
        cfsetospeed(&t, B57600);
        tcsetattr(s, TCSANOW, &t);
    }
    ::close(s);
    return {};
}

void Pty::close()
{
    if (master >= 0)
        ::close(master);
    master = -1;
    if (reserved >= 0)
        ::close(reserved);
    reserved = -1;
}

void Pty::hangUp()
{
    if (master < 0)
        return;
    // Opened before the master closes: once it has, the device is gone and cannot be opened.
    reserved = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ::close(master);
    master = -1;
}

void Pty::setPacing(int baud, int bitsPerByte)
{
    if (baud <= 0) {
        byteTime = Clock::duration(0);
        return;
    }
    byteTime =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(bitsPerByte) / double(baud)));
}

bool Pty::hostPresent() const
{
    if (master < 0)
        return false;
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 0) < 0)
        return true;
    return !(p.revents & POLLHUP);
}

bool Pty::receive(std::vector<Received> &out, int timeoutMs)
{
    if (master < 0)
        return false;
    pollfd p{master, POLLIN, 0};
    int r = poll(&p, 1, timeoutMs);
    if (r <= 0)
        return false;
    if (!(p.revents & POLLIN)) {
        // The far end is closed: wait for a host to open it again.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, AbsentPollMs)));
        return false;
    }
    char buf[4096];
    ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) {
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, AbsentPollMs)));
        return false;
    }
    const auto now = Clock::now();
    for (ssize_t i = 0; i < n; ++i) {
        Clock::time_point at = now;
        if (pacing()) {
            inLine = std::max(inLine, now) + byteTime;
            at = inLine;
        }
        out.push_back({buf[i], at});
    }
    return true;
}

bool Pty::writeOne(const char *data, size_t len)
{
    while (len > 0) {
        if (!hostPresent())
            return false;
        ssize_t n = ::write(master, data, len);
        if (n > 0) {
            data += n;
            len -= size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The host is not reading and the line buffer is full: wait until it drains or goes.
        pollfd p{master, POLLOUT, 0};
        poll(&p, 1, AbsentPollMs);
    }
    return true;
}

bool Pty::send(const QByteArray &bytes)
{
    if (!pacing())
        return writeOne(bytes.constData(), size_t(bytes.size()));
    // A byte reaches the host when its last stop bit has gone out on the wire.
    // The bytes of one reply follow each other on a fixed schedule from its start, so that
    // sleeping a little late for one byte does not make the whole answer slower than the line.
    const auto start = std::max(Clock::now(), outLine);
    for (int i = 0; i < bytes.size(); ++i) {
        outLine = start + byteTime * (i + 1);
        sleepUntil(outLine);
        if (!writeOne(bytes.constData() + i, 1))
            return false;
    }
    return true;
}
