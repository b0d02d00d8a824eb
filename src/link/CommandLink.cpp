#include "link/CommandLink.h"

#include <QFile>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

constexpr char kCR = 13;
constexpr char kACK = 6;
constexpr int kAnswerLimit = 200;
constexpr int kAckLimit = 19;

bool isQuery(const QByteArray &command)
{
    return command.size() >= 2 && command[1] == '?';
}

// printf formatting for commands. The formats hold only integers and "%.0f", neither of which
// prints a decimal separator, so the C library's locale cannot change a command.
QByteArray format(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    QByteArray out;
    if (n > 0) {
        std::vector<char> buf(size_t(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), fmt, ap);
        out = QByteArray(buf.data(), n);
    }
    va_end(ap);
    return out;
}

// One line of the transaction log, appended to the current log file; a file that cannot be
// opened is skipped.
void appendLogLine(const SerialPort &port, const QByteArray &line)
{
    if (port.logPath().isEmpty())
        return;
    QFile f(port.logPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    f.write(line);
    f.write("\r\n");
}

}   // namespace

namespace CommandLink {

int SendCommand(SerialPort &port, const QByteArray &framed, int timeoutMs)
{
    // Whatever the meter sent after an earlier exchange gave up (a late answer, a tail beyond
    // the length limit) must not be taken for this command's acknowledgement or answer.
    port.DiscardInput();
    const int w = port.WriteBlock(framed, timeoutMs);
    if (w < 0)
        return w;
    if (framed.size() >= 2 && framed[framed.size() - 2] == '*')
        return 0;
    QByteArray ack;
    const int r = port.ReadUntil(kACK, kAckLimit, ack, timeoutMs);
    if (r < 0)
        return r;
    if (!ack.isEmpty() && ack[0] == kACK)
        return 0;
    return r;
}

int Transact(SerialPort &port, const QByteArray &command, QByteArray &answer)
{
    const QByteArray framed = command + kCR;
    const int timeout = port.GetTimeout();
    int result;
    QByteArray received;
    if (isQuery(command)) {
        result = SendCommand(port, framed, timeout);
        if (result >= 0)
            result = port.ReadLine(received, kAnswerLimit, timeout);
        answer = received;
    } else {
        result = SendCommand(port, framed, timeout);
    }
    if (port.channelLogOn() || port.upgradeLogOn()) {
        const int elapsed = port.lastByteTick() ? int(int32_t(port.lastByteTick() - port.waitStartTick())) : 0;
        QByteArray line = "Error=" + QByteArray::number(result) + ",Time=" + QByteArray::number(elapsed);
        if (isQuery(command))
            line += ",Answer=" + received;
        line += ",Send=" + framed;
        appendLogLine(port, line);
    }
    return result;
}

bool AnswersQuery(const QByteArray &command, const QByteArray &answer)
{
    return isQuery(command) && command.size() >= 4 && answer.size() >= 3 && answer[0] == '*' && answer[1] == command[2]
           && answer[2] == command[3];
}

int TransactWithRetry(SerialPort &port, const QByteArray &command, QByteArray &answer, int attempts)
{
    int result = -4;
    int tries = 0;
    do {
        result = Transact(port, command, answer);
        ++tries;
    } while (result < 0 && tries < attempts);
    return result;
}

}   // namespace CommandLink

namespace Cmd {

QByteArray askVersion()
{
    return QByteArrayLiteral("*?VE");
}
QByteArray askConfigGroup()
{
    return QByteArrayLiteral("*?CG");
}
QByteArray askPlanCount()
{
    return QByteArrayLiteral("*?PN");
}
QByteArray askPlanName(int plan)
{
    return format("*?CS%02d", plan);
}
QByteArray askChannelCount(int plan)
{
    return format("*?CW%.2d", plan);
}
QByteArray askChannel(int plan, int channel)
{
    return format("*?CF%.2d%.2d", plan, channel);
}
QByteArray flashLoad()
{
    return QByteArrayLiteral("*FL08");
}
QByteArray fixedSetup()
{
    return QByteArrayLiteral("*FS000404010400020400030103040202050400060202070201");
}
QByteArray erasePlans()
{
    return QByteArrayLiteral("*EP");
}
QByteArray setPlanCount(int count)
{
    return format("*PN%.2d", count);
}
QByteArray setPlanName(int plan, const QByteArray &name)
{
    return format("*CS%.2d", plan) + name;
}
QByteArray setChannelCount(int plan, int count)
{
    return format("*CW%.2d%.3d", plan, count);
}

QByteArray setChannelFull(int plan, int channel, const QByteArray &name, double v1, double v2, double v3, int i1,
                          int i2, int i3, int i4)
{
    return format("*CF%.2d%.3d&", plan, channel) + name
           + format("&%.0f&%.0f&%.0f&%02d&%02d&%04d&%02d", v1, v2, v3, i1, i2, i3, i4);
}

QByteArray setChannelShort(int plan, int channel, const QByteArray &name, double v1, double v2, double v3)
{
    return format("*CF%.2d%.3d&", plan, channel) + name + format("&%.0f&%.0f&%.0f&", v1, v2, v3);
}

QByteArray planEnd()
{
    return QByteArrayLiteral("*PM01");
}
QByteArray restart()
{
    return QByteArrayLiteral("*RS0");
}
QByteArray restartToLoader()
{
    return QByteArrayLiteral("*RS2");
}
QByteArray selectModemLoggers()
{
    return QByteArrayLiteral("*TL1");
}
QByteArray selectTvLoggers()
{
    return QByteArrayLiteral("*TL2");
}
QByteArray askLoggerHeader(int logger)
{
    return format("*?HL%02d", logger);
}
QByteArray askLoggerHeaderCr(int logger)
{
    return format("*?HL%.2d", logger) + kCR;
}
QByteArray askModemPart(int logger, int part)
{
    return format("*?HD%.2d%.2d", logger, part);
}
QByteArray askTvMeasure(int logger, int measure)
{
    return format("*?HD%02d%03d", logger, measure) + kCR;
}
QByteArray eraseSector(int sector)
{
    return format("*FE%d", sector);
}
QByteArray firmwareLine(const QByteArray &line)
{
    return QByteArrayLiteral("*SX") + line;
}

}   // namespace Cmd
