#include "Plans.h"
#include "Text.h"

#include <QFile>
#include <climits>
#include <cmath>

namespace {
const QList<QByteArray> Systems = {"PAL/BG",   "PAL/DK",   "PAL/L",   "PAL/I",   "PAL/M",   "PAL/N",
                                   "SECAM/BG", "SECAM/DK", "SECAM/L", "SECAM/I", "SECAM/M", "SECAM/N",
                                   "NTSC/BG",  "NTSC/DK",  "NTSC/L",  "NTSC/I",  "NTSC/M",  "NTSC/N"};
const QList<QByteArray> Annexes = {"DVB", "B", "C"};
const QList<QByteArray> Modulations = {"QAM16", "QAM32", "QAM64", "QAM128", "QAM256", "QPSK"};

// A whole decimal number, optionally signed.
bool parseLong(const QByteArray &s, long long &v)
{
    const QByteArray body = (s.startsWith('-') || s.startsWith('+')) ? s.mid(1) : s;
    if (!allDigits(body) || body.size() > 15)
        return false;
    v = s.toLongLong();
    return true;
}

bool parseInt(const QByteArray &s, int &v)
{
    long long l = 0;
    if (!parseLong(s, l) || l < INT_MIN || l > INT_MAX)
        return false;
    v = int(l);
    return true;
}

// Two digits of plan number, then the rest.
bool splitPlan(const QByteArray &args, int &plan, QByteArray &rest)
{
    if (args.size() < 2 || !allDigits(args.left(2)))
        return false;
    plan = args.left(2).toInt();
    rest = args.mid(2);
    return true;
}

long long megahertzToHertz(const QByteArray &text, bool &ok)
{
    const double v = text.trimmed().toDouble(&ok);
    return ok ? std::llround(v * 1e6) : 0;
}
}   // namespace

QString PlanStore::loadFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: cannot be read (%2)").arg(path, f.errorString());
    MeterPlan plan;
    int declared = -1;
    bool inChannels = false;
    int lineNo = 0;
    while (!f.atEnd()) {
        QByteArray line = f.readLine();
        ++lineNo;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const QString where = QStringLiteral("%1:%2").arg(path).arg(lineNo);
        if (!inChannels) {
            if (line.startsWith("CHANNEL8(")) {
                const QByteArray inner = line.mid(9, line.indexOf(')') < 0 ? -1 : line.indexOf(')') - 9);
                const QList<QByteArray> fields = inner.split(',');
                if (fields.size() < 5 || !allDigits(fields[4].trimmed()))
                    return where + QStringLiteral(": plan header without a channel count");
                plan.name = fields[0];
                declared = fields[4].trimmed().toInt();
            } else if (line.startsWith("[CHANNELS_")) {
                inChannels = true;
                if (declared < 0)
                    return where + QStringLiteral(": channels before the plan header");
            }
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        if (plan.channels.size() >= declared)
            break;
        const QList<QByteArray> c = line.split(',');
        if (c.size() < 13)
            return where + QStringLiteral(": a channel line needs 13 fields");
        MeterChannel ch;
        bool ok1 = false, ok2 = false, ok3 = false;
        ch.present = true;
        ch.name = c[1];
        ch.frequency = megahertzToHertz(c[2], ok1);
        ch.offset = megahertzToHertz(c[4], ok2);
        ch.bandwidth = megahertzToHertz(c[5], ok3);
        int sr = 0;
        if (!ok1 || !ok2 || !ok3 || !parseInt(c[8].trimmed(), sr))
            return where + QStringLiteral(": a number field is not a number");
        const bool digital = c[7] == "DIGITAL";
        ch.flags = (digital ? 1 : 0) + (c[6] == "ON" ? 128 : 0);
        ch.symbolRate = sr & 0x3FFF;
        ch.modulation = std::max<int>(0, Modulations.indexOf(c[10]));
        ch.code = std::max<int>(0, digital ? Annexes.indexOf(c[9]) : Systems.indexOf(c[12]));
        plan.channels.append(ch);
    }
    if (declared < 0)
        return QStringLiteral("%1: no plan header (CHANNEL8 line)").arg(path);
    plans.append(plan);
    return {};
}

bool PlanStore::erase()
{
    plans.clear();
    return true;
}

bool PlanStore::setCount(const QByteArray &args)
{
    if (!allDigits(args) || args.size() > 3)
        return false;
    const int n = args.toInt();
    if (n > 99)
        return false;
    while (plans.size() > n)
        plans.removeLast();
    while (plans.size() < n)
        plans.append(MeterPlan{});
    return true;
}

bool PlanStore::setName(const QByteArray &args)
{
    int p = 0;
    QByteArray name;
    if (!splitPlan(args, p, name) || p >= plans.size())
        return false;
    plans[p].name = name;
    return true;
}

bool PlanStore::setChannelCount(const QByteArray &args)
{
    int p = 0;
    QByteArray rest;
    if (!splitPlan(args, p, rest) || p >= plans.size() || !allDigits(rest) || rest.size() > 3)
        return false;
    const int n = rest.toInt();
    auto &chs = plans[p].channels;
    while (chs.size() > n)
        chs.removeLast();
    while (chs.size() < n)
        chs.append(MeterChannel{});
    return true;
}

bool PlanStore::setChannel(const QByteArray &args)
{
    // ppccc&name&freq&bw&offset&code&mod&sr&flags (full form) or ppccc&name&freq&bw&offset& (short)
    const QList<QByteArray> f = args.split('&');
    const QByteArray head = f.value(0);
    if (head.size() != 5 || !allDigits(head))
        return false;
    const int p = head.left(2).toInt();
    const int c = head.mid(2).toInt();
    if (p >= plans.size() || c >= plans[p].channels.size())
        return false;
    MeterChannel ch;
    ch.present = true;
    ch.name = f.value(1);
    if (type == PlanType::Ch26) {
        if (f.size() != 9)
            return false;
        if (!parseLong(f[2], ch.frequency) || !parseLong(f[3], ch.bandwidth) || !parseLong(f[4], ch.offset)
            || !parseInt(f[5], ch.code) || !parseInt(f[6], ch.modulation) || !parseInt(f[7], ch.symbolRate)
            || !parseInt(f[8], ch.flags))
            return false;
    } else {
        // The short form ends with "&" after the offset.
        if (f.size() != 6 || !f[5].isEmpty())
            return false;
        if (!parseLong(f[2], ch.frequency) || !parseLong(f[3], ch.bandwidth) || !parseLong(f[4], ch.offset))
            return false;
    }
    plans[p].channels[c] = ch;
    return true;
}

QByteArray PlanStore::countAnswer() const
{
    return "*PN" + QByteArray::number(plans.size()).rightJustified(2, '0');
}

bool PlanStore::nameAnswer(const QByteArray &args, QByteArray &out) const
{
    if (!allDigits(args) || args.size() > 3 || args.toInt() >= plans.size())
        return false;
    out = "*CS" + plans[args.toInt()].name;
    return true;
}

bool PlanStore::channelCountAnswer(const QByteArray &args, QByteArray &out) const
{
    if (!allDigits(args) || args.size() > 3 || args.toInt() >= plans.size())
        return false;
    out = "*CW" + QByteArray::number(plans[args.toInt()].channels.size()).rightJustified(3, '0');
    return true;
}

namespace {
QByteArray channelText(PlanType type, int p, int c, const MeterChannel &ch)
{
    QByteArray s = "*CF" + QByteArray::number(p).rightJustified(2, '0') + QByteArray::number(c).rightJustified(3, '0')
                   + '&' + ch.name + '&' + QByteArray::number(ch.frequency) + '&' + QByteArray::number(ch.bandwidth)
                   + '&' + QByteArray::number(ch.offset);
    if (type == PlanType::Ch26)
        s += '&' + QByteArray::number(ch.code).rightJustified(2, '0') + '&'
             + QByteArray::number(ch.modulation).rightJustified(2, '0') + '&'
             + QByteArray::number(ch.symbolRate).rightJustified(4, '0') + '&'
             + QByteArray::number(ch.flags).rightJustified(2, '0');
    return s;
}
}   // namespace

bool PlanStore::channelAnswer(const QByteArray &args, QByteArray &out) const
{
    int p = 0;
    QByteArray rest;
    if (!splitPlan(args, p, rest) || p >= plans.size() || !allDigits(rest) || rest.size() > 4)
        return false;
    const int c = rest.toInt();
    if (c >= plans[p].channels.size() || !plans[p].channels[c].present)
        return false;
    // The answer has the form of the order that loads the channel, without the short form's
    // final "&".
    out = channelText(type, p, c, plans[p].channels[c]);
    return true;
}

QList<QByteArray> PlanStore::heldLines() const
{
    QList<QByteArray> lines;
    lines.append(countAnswer());
    for (int p = 0; p < plans.size(); ++p) {
        lines.append("*CS" + QByteArray::number(p).rightJustified(2, '0') + plans[p].name);
        lines.append("*CW" + QByteArray::number(p).rightJustified(2, '0')
                     + QByteArray::number(plans[p].channels.size()).rightJustified(3, '0'));
    }
    for (int p = 0; p < plans.size(); ++p)
        for (int c = 0; c < plans[p].channels.size(); ++c)
            if (plans[p].channels[c].present)
                lines.append(channelText(type, p, c, plans[p].channels[c]) + (type == PlanType::Ch25 ? "&" : ""));
    return lines;
}
