#include "Faults.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
constexpr char ACK = 6, NAK = 21, XON = 17, XOFF = 19, CR = 13;
constexpr int LongAnswer = 250;   // well beyond the 200 characters a host accepts
constexpr int ShortAnswer = 10;   // below every length a host treats as a real answer
constexpr int GarbageLength = 40;

bool parseSelector(const QString &text, FaultSpec &f)
{
    static const QRegularExpression re(QStringLiteral("^(\\d+)(-(\\d*))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    f.first = m.captured(1).toLongLong();
    if (f.first < 1)
        return false;
    if (!m.captured(2).isEmpty())
        f.last = m.captured(3).isEmpty() ? LLONG_MAX : m.captured(3).toLongLong();
    else
        f.last = f.first;
    return f.last >= f.first;
}

// "PREFIX[:SEL]": the selector is the last part when it looks like one.
bool parseTarget(const QString &text, FaultSpec &f)
{
    QString prefix = text;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        FaultSpec probe;
        if (parseSelector(text.mid(colon + 1), probe)) {
            f.first = probe.first;
            f.last = probe.last;
            prefix = text.left(colon);
        }
    }
    f.prefix = prefix.toLatin1();
    return true;
}

bool parseInt(const QString &text, int &v, int min)
{
    bool ok = false;
    v = text.toInt(&ok);
    return ok && v >= min;
}
}   // namespace

QString FaultSet::add(const QString &fault)
{
    FaultSpec f;
    const int colon = fault.indexOf(QLatin1Char(':'));
    const QString kind = colon < 0 ? fault : fault.left(colon);
    const QString rest = colon < 0 ? QString() : fault.mid(colon + 1);
    static const QList<QPair<QString, FaultSpec::Kind>> targeted = {
        {QStringLiteral("nak"), FaultSpec::Nak},        {QStringLiteral("silence"), FaultSpec::Silence},
        {QStringLiteral("noack"), FaultSpec::NoAck},    {QStringLiteral("long"), FaultSpec::Long},
        {QStringLiteral("short"), FaultSpec::Short},    {QStringLiteral("cut"), FaultSpec::Cut},
        {QStringLiteral("garbage"), FaultSpec::Garbage}};
    for (const auto &[name, k] : targeted) {
        if (kind == name) {
            if (colon < 0)
                return QStringLiteral("fault \"%1\" needs a command prefix (%1:PREFIX[:N])").arg(fault);
            f.kind = k;
            parseTarget(rest, f);
            specs.append(f);
            return {};
        }
    }
    if (kind == QLatin1String("length")) {
        const int c2 = rest.indexOf(QLatin1Char(':'));
        if (c2 < 0 || !parseInt(rest.left(c2), f.value, 0))
            return QStringLiteral("fault \"%1\": use length:LEN:PREFIX[:N]").arg(fault);
        f.kind = FaultSpec::Length;
        parseTarget(rest.mid(c2 + 1), f);
        specs.append(f);
        return {};
    }
    if (kind == QLatin1String("xonxoff")) {
        f.kind = FaultSpec::XonXoff;
        if (colon >= 0)
            parseTarget(rest, f);
        specs.append(f);
        return {};
    }
    if (kind == QLatin1String("delay")) {
        const int c2 = rest.indexOf(QLatin1Char(':'));
        const QString ms = c2 < 0 ? rest : rest.left(c2);
        if (colon < 0 || !parseInt(ms, f.value, 0))
            return QStringLiteral("fault \"%1\": use delay:MS[:PREFIX[:N]]").arg(fault);
        f.kind = FaultSpec::Delay;
        if (c2 >= 0)
            parseTarget(rest.mid(c2 + 1), f);
        specs.append(f);
        return {};
    }
    if (kind == QLatin1String("pace")) {
        f.kind = FaultSpec::Pace;
        f.value = 57600;
        if (colon >= 0 && !parseInt(rest, f.value, 1))
            return QStringLiteral("fault \"%1\": use pace[:BAUD]").arg(fault);
        specs.append(f);
        return {};
    }
    if (kind == QLatin1String("hangup")) {
        f.kind = FaultSpec::Hangup;
        if (rest.startsWith(QLatin1Char('*'))) {
            // hangup:PREFIX[:SEL]: at the first selected command that matches.
            parseTarget(rest, f);
            f.value = -1;
        } else if (colon < 0 || !parseInt(rest, f.value, 0)) {
            return QStringLiteral("fault \"%1\": use hangup:N or hangup:PREFIX[:N]").arg(fault);
        }
        specs.append(f);
        return {};
    }
    return QStringLiteral("unknown fault \"%1\"").arg(fault);
}

int FaultSet::paceBaud() const
{
    for (const auto &f : specs)
        if (f.kind == FaultSpec::Pace)
            return f.value;
    return 0;
}

FaultDecision FaultSet::decide(const QByteArray &command)
{
    FaultDecision d;
    ++commands;
    for (auto &f : specs) {
        if (f.kind == FaultSpec::Pace)
            continue;
        if (f.kind == FaultSpec::Hangup && f.value >= 0) {
            if (commands > f.value)
                d.hangup = true;
            continue;
        }
        if (!command.startsWith(f.prefix))
            continue;
        ++f.seen;
        if (f.seen < f.first || f.seen > f.last)
            continue;
        switch (f.kind) {
            case FaultSpec::Nak: d.nak = true; break;
            case FaultSpec::Silence: d.silence = true; break;
            case FaultSpec::NoAck: d.noAck = true; break;
            case FaultSpec::XonXoff: d.xonxoff = true; break;
            case FaultSpec::Delay: d.delayMs += f.value; break;
            case FaultSpec::Hangup: d.hangup = true; break;
            case FaultSpec::Long:
            case FaultSpec::Short:
            case FaultSpec::Length:
            case FaultSpec::Cut:
            case FaultSpec::Garbage: d.mangle.append(&f); break;
            case FaultSpec::Pace: break;
        }
    }
    return d;
}

QByteArray noiseBytes(int count)
{
    QByteArray out;
    unsigned state = 0x2545F491u;
    while (out.size() < count) {
        state = state * 1103515245u + 12345u;
        const unsigned char c = (state >> 16) & 0xFF;
        if (c < 0x20 || c == 0x7F)
            continue;
        out.append(char(c));
    }
    return out;
}

QByteArray buildReply(const FaultDecision &d, bool refused, bool query, const QByteArray &command, QByteArray answer,
                      bool ackWanted)
{
    QByteArray out;
    if (refused) {
        out.append(NAK);
    } else {
        bool ack = ackWanted && !d.noAck;
        bool endLine = query;
        bool text = query;
        for (const FaultSpec *f : d.mangle) {
            // An order's only answer is its ACK: a mangled reply to an order takes its place.
            if (!query) {
                ack = false;
                text = true;
                endLine = true;
            }
            switch (f->kind) {
                case FaultSpec::Long:
                    answer = answer.leftJustified(std::max<int>(LongAnswer, answer.size() + 50), '#');
                    break;
                case FaultSpec::Length: answer = answer.leftJustified(f->value, '#', true); break;
                case FaultSpec::Short:
                    answer = query ? answer.left(answer.size() > ShortAnswer ? ShortAnswer : answer.size() / 2)
                                   : QByteArray();
                    break;
                case FaultSpec::Cut:
                    answer = query ? answer.left(answer.size() / 2) : QByteArray();
                    endLine = false;
                    if (!query)
                        text = false;
                    break;
                case FaultSpec::Garbage: answer = noiseBytes(GarbageLength); break;
                default: break;
            }
        }
        if (!query && d.noAck && ackWanted && d.mangle.isEmpty()) {
            // An order "answered without ACK": a line in place of the acknowledgement.
            text = true;
            endLine = true;
            answer = command.left(3);
        }
        if (ack)
            out.append(ACK);
        if (text)
            out.append(answer);
        if (endLine)
            out.append(CR);
    }
    if (!d.xonxoff)
        return out;
    QByteArray noisy;
    noisy.append(XON);
    for (int i = 0; i < out.size(); ++i) {
        noisy.append(out[i]);
        if (i % 7 == 6) {
            noisy.append(XOFF);
            noisy.append(XON);
        }
    }
    noisy.append(XON);
    return noisy;
}
