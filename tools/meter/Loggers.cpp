#include "Loggers.h"
#include "Text.h"

#include <QDir>
#include <QFile>

namespace {
QByteArray two(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}
}   // namespace

bool unescapeValue(const QByteArray &in, QByteArray &out)
{
    out.clear();
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out.append(in[i]);
            continue;
        }
        if (i + 1 < in.size() && in[i + 1] == '\\') {
            out.append('\\');
            ++i;
            continue;
        }
        if (i + 3 < in.size() && in[i + 1] == 'x') {
            bool ok = false;
            const int v = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(v));
                i += 3;
                continue;
            }
        }
        return false;
    }
    return true;
}

QString LoggerStore::load(const QString &dir)
{
    const QString tvPath = QDir(dir).filePath(QStringLiteral("tv.txt"));
    const QString modemPath = QDir(dir).filePath(QStringLiteral("modem.txt"));
    const bool hasTv = QFile::exists(tvPath), hasModem = QFile::exists(modemPath);
    if (!hasTv && !hasModem)
        return QStringLiteral("%1: neither tv.txt nor modem.txt is there").arg(dir);
    if (hasTv) {
        const QString e = loadFile(tvPath, true);
        if (!e.isEmpty())
            return e;
    }
    if (hasModem)
        return loadFile(modemPath, false);
    return {};
}

QString LoggerStore::loadFile(const QString &path, bool isTv)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: cannot be read (%2)").arg(path, f.errorString());
    int slot = -1;
    int lineNo = 0;
    const int slotCount = isTv ? TvSlots : ModemSlots;
    while (!f.atEnd()) {
        QByteArray line = f.readLine();
        ++lineNo;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const QString where = QStringLiteral("%1:%2: ").arg(path).arg(lineNo);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith("[SLOT ") && line.endsWith(']')) {
            const QByteArray n = line.mid(6, line.size() - 7).trimmed();
            if (!allDigits(n) || n.toInt() >= slotCount)
                return where + QStringLiteral("slot number must be 0 to %1").arg(slotCount - 1);
            slot = n.toInt();
            if (isTv) {
                tv[slot] = TvSlot{};
                tv[slot].filled = true;
            } else {
                modem[slot] = ModemSlot{};
                modem[slot].filled = true;
            }
            continue;
        }
        const int eq = line.indexOf('=');
        if (eq <= 0)
            return where + QStringLiteral("expected [SLOT n] or KEY=VALUE");
        if (slot < 0)
            return where + QStringLiteral("a value before the first [SLOT n]");
        const QByteArray key = line.left(eq);
        QByteArray value;
        if (!unescapeValue(line.mid(eq + 1), value))
            return where + QStringLiteral("bad escape (use \\xHH or \\\\)");
        if (isTv) {
            TvSlot &s = tv[slot];
            if (key == "TIME")
                s.time = value;
            else if (key == "DATE")
                s.date = value;
            else if (key == "LOCATION")
                s.location = value;
            else if (key == "PLAN")
                s.plan = value;
            else if (key == "UNITS")
                s.units = value;
            else if (key == "THRESHOLD")
                s.threshold = value;
            else if (key == "FIELD6")
                s.field6 = value;
            else if (key == "FIELD7")
                s.field7 = value;
            else if (key == "COUNT")
                s.count = value;
            else if (key == "HEADER")
                s.header = value;
            else if (key == "MEASURE")
                s.measures.append(value);
            else
                return where + QStringLiteral("unknown TV key \"%1\"").arg(QString::fromLatin1(key));
        } else {
            ModemSlot &s = modem[slot];
            if (key == "TIME")
                s.time = value;
            else if (key == "DATE")
                s.date = value;
            else if (key == "DESCRIPTION")
                s.description = value;
            else if (key == "STATUS")
                s.status = value;
            else if (key == "HEADER")
                s.header = value;
            else if (key == "DOWNSTREAM")
                s.sections[0] = value;
            else if (key == "UPSTREAM")
                s.sections[1] = value;
            else if (key == "HEADEND")
                s.sections[2] = value;
            else if (key == "PINGREPORT")
                s.sections[3] = value;
            else
                return where + QStringLiteral("unknown cable-modem key \"%1\"").arg(QString::fromLatin1(key));
        }
    }
    return {};
}

bool LoggerStore::headerAnswer(const QByteArray &args, QByteArray &out) const
{
    if (!allDigits(args) || args.size() > 3)
        return false;
    const int n = args.toInt();
    if (family == Family::Tv) {
        if (n >= TvSlots)
            return false;
        const TvSlot &s = tv[n];
        if (s.header) {
            out = "*HL" + *s.header;
            return true;
        }
        const QByteArray count = s.count ? *s.count : QByteArray::number(s.measures.size());
        out = "*HL" + two(n) + '&' + s.time + '&' + s.date + '&' + s.location + '&' + s.plan + '&' + count + '&'
              + s.field6 + '&' + s.field7 + '&' + s.units + '&' + s.threshold + '&';
        return true;
    }
    if (n >= ModemSlots)
        return false;
    const ModemSlot &s = modem[n];
    if (s.header) {
        out = "*HL" + *s.header;
        return true;
    }
    out = "*HL" + two(n) + '&' + s.time + '&' + s.date + '&' + s.description + '&' + s.status + '&';
    return true;
}

bool LoggerStore::detailAnswer(const QByteArray &args, QByteArray &out) const
{
    if (!allDigits(args))
        return false;
    const int n = args.left(2).toInt();
    if (args.size() == 4) {
        // A cable-modem section: slot, then 00 DOWNSTREAM .. 03 PINGREPORT.
        const int section = args.mid(2).toInt();
        if (n >= ModemSlots || section > 3)
            return false;
        const ModemSlot &s = modem[n];
        const QByteArray body = s.filled ? s.sections[size_t(section)] : QByteArray("&&&&&&&");
        out = "*HD" + two(n) + two(section) + '&' + body;
        return true;
    }
    if (args.size() == 5) {
        // One measure of a TV logger: slot, then the measure number.
        const int m = args.mid(2).toInt();
        if (n >= TvSlots || m >= tv[n].measures.size())
            return false;
        out = "*HD" + tv[n].measures[m];
        return true;
    }
    return false;
}
