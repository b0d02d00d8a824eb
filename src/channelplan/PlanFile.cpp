#include "channelplan/PlanFile.h"
#include "channelplan/FieldRules.h"
#include "app/Files.h"
#include "link/ErrorCodes.h"

#include <QFile>

namespace {

const QString kRule = QStringLiteral("#=====================================");
const QString kProgramLine = QStringLiteral(":  CONTROL REMOT PROGRAM");
const QString kReceivedProgramLine = QStringLiteral("Kelvatrone :  CONTROL REMOT PROGRAM");
constexpr int kLongestLine = 4096;

// A field written into a comma-separated line must not carry a comma or a line break of its
// own, or every field after it would shift. Such characters can only come from outside (a
// meter's answer, a hand-edited file); they become blanks.
QString lineField(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c == QLatin1Char(',') || c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return out;
}

// The plan name sits between "(" and the first comma of the header.
QString headerName(const QString &name)
{
    QString out = lineField(name);
    out.replace(QLatin1Char('('), QLatin1Char(' '));
    out.replace(QLatin1Char(')'), QLatin1Char(' '));
    return out;
}

QString joinChannel(int number, const QStringList &fields)
{
    QString line = QString::number(number);
    for (const QString &f : fields)
        line += QLatin1Char(',') + lineField(f);
    return line;
}

QStringList fileFields(const ChannelRecord &c)
{
    return {c.name,       c.analogFrequency, c.digitalFrequency, c.offset,     c.bandwidth, c.status, c.mode,
            c.symbolRate, c.annex,           c.modulation,       c.attenuator, c.system};
}

// A received plan's numbers as "%.*f" writes them ("-0.00" included).
QString numberAs(const QString &text, int decimals)
{
    const std::optional<double> v = parsePlanNumber(text);
    return v ? printfText(*v, decimals) : text;
}

int writeLines(const QString &path, const QStringList &lines)
{
    return writeTextLinesAtomicallyCode(path, lines);
}

}   // namespace

ChannelPlanFile ChannelPlanFile::newPlan()
{
    ChannelPlanFile p;
    p.planName = QStringLiteral("--");
    p.channelCount = 1;
    p.channels.append(ChannelRecord::newChannel());
    return p;
}

bool readLeadingLines(const QString &path, int maxLines, QStringList &lines)
{
    lines.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    while (lines.size() < maxLines && !f.atEnd()) {
        QByteArray line = f.readLine(kLongestLine + 1);
        if (line.isEmpty() && f.error() != QFileDevice::NoError)
            break;
        if (!line.endsWith('\n')) {
            // Skip what is left of an overlong line.
            while (!f.atEnd()) {
                const QByteArray rest = f.readLine(kLongestLine + 1);
                if (rest.isEmpty() || rest.endsWith('\n'))
                    break;
            }
        }
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        lines.append(QString::fromLatin1(line));
    }
    return true;
}

std::optional<PlanHeader> parsePlanHeader(const QString &line)
{
    if (!line.startsWith(QLatin1String("CHANNEL8")))
        return std::nullopt;
    PlanHeader h;
    const QStringList fields = line.mid(9).split(QLatin1Char(','));
    h.name = fields.value(0);
    if (fields.size() >= 5) {
        QString count = fields.at(4);
        const qsizetype close = count.indexOf(QLatin1Char(')'));
        if (close >= 0)
            count.truncate(close);
        count = count.trimmed();
        bool ok = !count.isEmpty();
        for (QChar c : count)
            ok = ok && c.isDigit() && c.unicode() < 128;
        int value = ok ? count.toInt(&ok) : 0;
        if (ok)
            h.channelCount = value;
    }
    if (fields.size() >= 2) {
        QString last = fields.last();
        const qsizetype close = last.indexOf(QLatin1Char(')'));
        if (close >= 0)
            last.truncate(close);
        h.position = last;
    }
    return h;
}

std::optional<QStringList> splitChannelLine(const QString &line)
{
    if (line.count(QLatin1Char(',')) < 9)
        return std::nullopt;
    return line.split(QLatin1Char(','));
}

int readPlanFile(const QString &path, ChannelPlanFile &plan)
{
    plan = ChannelPlanFile();
    // The channel section has to begin within the first 201 lines; its channels are read in
    // full even when they run past that line, as the combined file of a group takes them, so
    // that saving the plan again never turns channels of the file into empty rows.
    QStringList lines;
    if (!readLeadingLines(path, kPlanScanLines + kMaxChannels, lines))
        return Err::UnableToOpenFile;

    std::optional<PlanHeader> header;
    bool inSection = false;
    int count = 0;
    ChannelPlanFile read;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (!inSection) {
            if (i >= kPlanScanLines)
                break;
            if (auto h = parsePlanHeader(line)) {
                header = h;
            } else if (line.left(10) == QLatin1String("[CHANNELS_")) {
                // Without a usable count nothing says how many of the lines below are the
                // plan, and the grid has 140 numbered rows: such a file is not taken.
                if (!header || !header->channelCount || *header->channelCount < 1
                    || *header->channelCount > kMaxChannels)
                    return Err::IncorrectFormatFile;
                count = *header->channelCount;
                read.planName = header->name;
                inSection = true;
            }
            continue;
        }
        if (read.channels.size() >= count)
            break;
        const std::optional<QStringList> fields = splitChannelLine(line);
        if (!fields)
            continue;
        ChannelRecord c;
        for (int k = PlanColumn::Name; k <= PlanColumn::Modulation; ++k)
            c.setColumnText(k, fields->value(k));
        c.system = fields->value(12);
        c.attenuator = QStringLiteral("AUTO");   // not kept: the editor always writes "AUTO"
        read.channels.append(c);
    }
    if (!inSection)
        return Err::IncorrectFormatFile;
    // Rows the file does not hold stay empty.
    while (read.channels.size() < count) {
        ChannelRecord empty;
        empty.attenuator = QStringLiteral("AUTO");
        read.channels.append(empty);
    }
    read.channelCount = count;
    plan = read;
    return 0;
}

QString planChannelLine(int number, const ChannelRecord &channel)
{
    ChannelRecord c = channel;
    c.attenuator = QStringLiteral("AUTO");
    return joinChannel(number, fileFields(c));
}

int writePlanFile(const QString &path, const ChannelPlanFile &plan)
{
    QStringList lines = {
        kRule,
        kProgramLine,
        kRule,
        QStringLiteral("CHANNEL PLAN(1)"),
        QStringLiteral("CHANNEL8(%1,,,,%2,1)").arg(headerName(plan.planName), QString::number(plan.channels.size())),
        QStringLiteral("ORDER(1)"),
        QStringLiteral("[CHANNELS_OFFSET]")};
    for (int i = 0; i < plan.channels.size(); ++i)
        lines << planChannelLine(i + 1, plan.channels.at(i));
    return writeLines(path, lines);
}

QString receivedChannelLine(int number, const ChannelRecord &channel)
{
    ChannelRecord c = channel;
    c.analogFrequency = numberAs(c.analogFrequency, 2);
    c.digitalFrequency = numberAs(c.digitalFrequency, 2);
    c.offset = numberAs(c.offset, 2);
    c.bandwidth = numberAs(c.bandwidth, 1);
    c.symbolRate = numberAs(c.symbolRate, 0);
    return joinChannel(number, fileFields(c));
}

QStringList receivedPlanLines(const ChannelPlanFile &plan)
{
    QStringList lines = {kRule, kReceivedProgramLine, kRule, QStringLiteral("CHANNEL PLAN(1)")};
    if (plan.channelCount <= 0)
        return lines;
    if (!plan.planName.isEmpty())
        lines << QStringLiteral("CHANNEL8(%1,PAL,FM,5.50,%2,1)")
                     .arg(headerName(plan.planName), QString::number(plan.channelCount))
              << QStringLiteral("ORDER(1)") << QStringLiteral("[CHANNELS_OFFSET]");
    for (int i = 0; i < plan.channels.size(); ++i)
        lines << receivedChannelLine(i + 1, plan.channels.at(i));
    return lines;
}

int writeReceivedPlanFile(const QString &path, const ChannelPlanFile &plan)
{
    return writeLines(path, receivedPlanLines(plan));
}

bool isPlanFile(const QString &path)
{
    QStringList lines;
    if (!readLeadingLines(path, kPlanScanLines, lines))
        return false;
    for (const QString &line : lines)
        if (line.startsWith(QLatin1String("[CHANNELS_")))
            return true;
    return false;
}
