#pragma once
// A pseudo-terminal pair for link tests: the program opens the far end (slave) through its
// SerialPort; the test plays the meter on the near end (master), either by writing bytes
// directly or with a responder thread that answers each CR-ended command from a script.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>
#include <vector>

class PtyPair {
public:
    PtyPair()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
            const char *name = ptsname(master);
            if (name)
                slave = QString::fromLocal8Bit(name);
        }
    }
    ~PtyPair()
    {
        stopResponder();
        hangUp();
    }
    bool ok() const { return master >= 0 && !slave.isEmpty(); }
    QString slavePath() const { return slave; }

    void write(const QByteArray &bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                return;
            done += n;
        }
    }
    // Everything the program sent so far (without a responder running).
    QByteArray readAvailable(int waitMs = 200) const
    {
        QByteArray out;
        pollfd p{master, POLLIN, 0};
        while (::poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN)) {
            char buf[512];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, n);
            waitMs = 50;
        }
        return out;
    }
    void hangUp()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    // Answers every received command (a CR-ended line; empty lines are skipped) with the next
    // scripted reply; with no reply left it stays silent. Records the commands.
    void startResponder(std::deque<QByteArray> replies)
    {
        script = std::move(replies);
        running = true;
        worker = std::thread([this] { respond(); });
    }
    void stopResponder()
    {
        running = false;
        if (worker.joinable())
            worker.join();
    }
    std::vector<QByteArray> commands() const
    {
        std::lock_guard<std::mutex> l(lock);
        return received;
    }
    QByteArray rawReceived() const
    {
        std::lock_guard<std::mutex> l(lock);
        return raw;
    }

private:
    void respond()
    {
        QByteArray line;
        while (running) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                continue;
            char buf[512];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                continue;
            for (ssize_t i = 0; i < n; ++i) {
                {
                    std::lock_guard<std::mutex> l(lock);
                    raw.append(buf[i]);
                }
                if (buf[i] != '\r') {
                    line.append(buf[i]);
                    continue;
                }
                if (line.isEmpty())
                    continue;
                QByteArray reply;
                {
                    std::lock_guard<std::mutex> l(lock);
                    received.push_back(line);
                    if (!script.empty()) {
                        reply = script.front();
                        script.pop_front();
                    }
                }
                line.clear();
                write(reply);
            }
        }
    }

    int master = -1;
    QString slave;
    std::thread worker;
    std::atomic<bool> running{false};
    mutable std::mutex lock;
    std::deque<QByteArray> script;
    std::vector<QByteArray> received;
    QByteArray raw;
};
