// The receiving jobs against a meter that answers anything: the jobs run for real over a
// pseudo-terminal whose far end gives each command the next answer of the input, and NAK once
// the answers are used up. First byte: the job; second byte: bit 0 the model (ch26 or ch25
// plans); then the answers, separated by NUL bytes, as the meter would send them (ACK, text,
// CR). Whatever comes, a job ends with a result, closes the port and leaves no half-written file.
// (POSIX only, like the simulated meter.)

#include "FuzzSupport.h"
#include "datalogger/LoggerFiles.h"
#include "jobs/GroupJobs.h"
#include "link/ErrorCodes.h"
#include "jobs/Jobs.h"
#include "jobs/LoggerJobs.h"
#include "link/SerialPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

class QuietContext : public JobContext {
public:
    QuietContext() : JobContext(thePort()) {}
    void setStatus(const QString &) override {}
    void setProgressRange(int, int, int) override {}
    void setProgress(int, int) override {}
};

struct Line {
    int master = -1;
    int slave = -1;   // kept open so that the far end never sees a hang-up between jobs
    QString path;
};

Line &line()
{
    static Line l = [] {
        Line n;
        n.master = posix_openpt(O_RDWR | O_NOCTTY);
        FUZZ_CHECK(n.master >= 0 && grantpt(n.master) == 0 && unlockpt(n.master) == 0);
        n.path = QString::fromLocal8Bit(ptsname(n.master));
        n.slave = ::open(ptsname(n.master), O_RDWR | O_NOCTTY);
        FUZZ_CHECK(n.slave >= 0);
        termios t{};
        FUZZ_CHECK(tcgetattr(n.slave, &t) == 0);
        cfmakeraw(&t);
        FUZZ_CHECK(tcsetattr(n.slave, TCSANOW, &t) == 0);
        fcntl(n.master, F_SETFL, fcntl(n.master, F_GETFL) | O_NONBLOCK);
        return n;
    }();
    return l;
}

// The far end: one answer per command line, NAK when there are no more.
void answer(const QList<QByteArray> &answers, const std::atomic<bool> &stop)
{
    const int fd = line().master;
    QByteArray pending;
    qsizetype next = 0;
    while (!stop.load()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2) <= 0)
            continue;
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            ::usleep(500);
            continue;
        }
        pending.append(buf, n);
        qsizetype cr;
        while ((cr = pending.indexOf('\r')) >= 0) {
            const QByteArray command = pending.left(cr);
            pending.remove(0, cr + 1);
            if (command.isEmpty())
                continue;
            const QByteArray reply = next < answers.size() ? answers.at(next++) : QByteArray("\x15");
            qsizetype done = 0;
            while (done < reply.size() && !stop.load()) {
                const ssize_t w = ::write(fd, reply.constData() + done, size_t(reply.size() - done));
                if (w > 0)
                    done += w;
                else
                    ::usleep(200);
            }
        }
    }
}

void drain()
{
    char buf[512];
    while (::read(line().master, buf, sizeof buf) > 0) {
    }
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static int argc = 1;
    static char name[] = "fuzz_jobanswers";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *application = new QCoreApplication(argc, argv);
    (void)application;

    const int job = data[0] % 8;
    const bool ch25 = (data[1] & 1) != 0;
    fuzz::resetState(ch25 ? "KV-25" : "KV-27");
    const QString folder = fuzz::scratch(QStringLiteral("job"));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    app().tempFolder = folder;
    app().PortName = line().path;
    thePort().SetTimeout(15);
    LoggerJobs::setTvSettleDelay(0);
    drain();

    QList<QByteArray> answers = fuzz::bytes(data + 2, size - 2).split('\0');
    std::atomic<bool> stop{false};
    std::thread meter(answer, answers, std::cref(stop));

    QuietContext ctx;
    const QString planPath = folder + QStringLiteral("/plan.ch26");
    int result = 0;
    switch (job) {
        case 0: result = receivePlanJob(ctx, 3, planPath); break;
        case 1: result = receiveTvLoggerJob(ctx, 3, Logger::receivedLoggerPath(LoggerFamily::Tv, 3)); break;
        case 2: result = receiveModemLoggerJob(ctx, 1, Logger::receivedLoggerPath(LoggerFamily::Modem, 1)); break;
        case 3: result = receiveLoggerIndexJob(ctx, (data[1] & 2) ? 0x220 : 0x320, Logger::indexPath()); break;
        case 4: result = receiveAllLoggersJob(ctx, (data[1] & 2) ? 0x200 : 0x300); break;
        case 5: result = LoggerJobs::channelPlanPreCheck(thePort()); break;
        case 6:
            result = AskPlanCount();
            FUZZ_CHECK(result >= -96 && result <= 99);
            result = 0;
            break;
        case 7: {
            QString file;
            const int asked = AskPlanFileName(2, file);
            FUZZ_CHECK(asked == 0 || asked == Err::NotFreePort || asked == Err::CommunicationError);
            FUZZ_CHECK(asked == 0 || file.isEmpty());
            // The name becomes a file in the temporary folder: never a path, never a special name.
            FUZZ_CHECK(!file.contains(QLatin1Char('/')) && !file.contains(QLatin1Char('\\')));
            FUZZ_CHECK(file != QLatin1String(".") && file != QLatin1String(".."));
            (void)AskPlansPresent();
            break;
        }
    }
    stop.store(true);
    meter.join();

    FUZZ_CHECK(result <= 0);
    FUZZ_CHECK(!thePort().isOpen());
    // Only finished files of the job's own names: nothing written beside them is left behind.
    static const QRegularExpression own(
        QStringLiteral("^(plan\\.ch26|temp\\d\\d+\\.lg2[67]t|tempcm\\d\\d+\\.lg2[67]m|logger\\.tlg)$"));
    for (const QString &f : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        FUZZ_CHECK(own.match(f).hasMatch());
    if (job == 0 && result == 0) {
        QStringList lines;
        FUZZ_CHECK(readTextLines(planPath, lines));
    }
    return 0;
}
