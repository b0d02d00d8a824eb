#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"
#include "app/Files.h"
#include "link/ErrorCodes.h"

#include <QFile>

namespace {

const QString kRule = QStringLiteral("#=====================================");
constexpr int kHeaderLines = 20;   // a member's headers are looked for in its first 20 lines

struct Member {
    QStringList headers;   // renumbered header lines
    bool hasOrder = false;
    QStringList channelLines;
};

// Gives a header the position i in its last field, the field parsePlanHeader takes for the
// position: everything after the last comma is replaced. (A ")" in the plan's name must not be
// taken for the end of the header, or the header would be cut down to its position alone.) A
// header with no field after its channel count gets one.
QString renumberedHeader(const QString &line, int position)
{
    const QString number = QString::number(position) + QLatin1Char(')');
    if (line.mid(9).count(QLatin1Char(',')) >= 5)
        return line.left(line.lastIndexOf(QLatin1Char(',')) + 1) + number;
    qsizetype close = line.lastIndexOf(QLatin1Char(')'));
    if (close < 9)
        close = line.size();
    return line.left(close) + QLatin1Char(',') + number;
}

// Lines other than channels that a channel section may hold before the plan is taken as broken.
constexpr int kMaxSkippedLines = 1000;

int readMember(const QString &path, int position, Member &m)
{
    // A plan's channel section may start as late as line 201 and holds at most 140 channels;
    // a hand-edited plan may have blank or comment lines among them.
    QStringList lines;
    if (!readLeadingLines(path, kPlanScanLines + kMaxChannels + kMaxSkippedLines, lines))
        return Err::UnableToOpenFile;
    int section = -1;
    std::optional<int> count;
    for (int i = 0; i < lines.size() && i < kPlanScanLines; ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(QLatin1String("[CHANNELS_"))) {
            section = i + 1;
            break;
        }
        if (line.startsWith(QLatin1String("ORDER")))
            m.hasOrder = true;
        if (i < kHeaderLines) {
            if (auto h = parsePlanHeader(line)) {
                m.headers << renumberedHeader(line, position);
                count = h->channelCount;
            }
        }
    }
    if (section < 0 || !count || *count < 1 || *count > kMaxChannels)
        return Err::IncorrectFormatFile;
    // Only channel lines go to the meter, as many as the header announces: a blank or comment
    // line among them would leave the meter one channel short of the count it was told, and
    // a plan that holds fewer channels than it announces is not sent at all.
    for (int i = section; i < lines.size() && m.channelLines.size() < *count; ++i) {
        if (splitChannelLine(lines.at(i)))
            m.channelLines << lines.at(i);
    }
    if (m.channelLines.size() < *count)
        return Err::IncorrectFormatFile;
    return 0;
}

std::optional<int> numberInParentheses(const QString &line)
{
    const qsizetype open = line.indexOf(QLatin1Char('('));
    if (open < 0)
        return std::nullopt;
    qsizetype close = line.indexOf(QLatin1Char(')'), open);
    if (close < 0)
        close = line.size();
    bool ok = false;
    const int v = line.mid(open + 1, close - open - 1).trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

}   // namespace

int writeCombinedFile(const QString &path, const QStringList &memberPaths)
{
    if (memberPaths.isEmpty())
        return Err::NoChannelPlan;
    if (memberPaths.size() > kMaxGroupPlans)
        return Err::Limit10Plans;

    QList<Member> members;
    for (int i = 0; i < memberPaths.size(); ++i) {
        Member m;
        if (const int r = readMember(memberPaths.at(i), i, m); r < 0)
            return r;
        members << m;
    }

    QStringList out = {kRule, QStringLiteral("Kelvatrone :  CONTROL REMOT PROGRAM"), kRule,
                       QStringLiteral("CHANNEL PLAN(%1)").arg(members.size())};
    for (const Member &m : members)
        out << m.headers;
    out << kRule;
    for (int i = 0; i < members.size(); ++i) {
        if (members.at(i).hasOrder)
            out << QStringLiteral("ORDER(%1)").arg(i);
        out << members.at(i).channelLines;
        out << kRule;
    }
    return writeTextLinesAtomicallyCode(path, out);
}

int readCombinedFile(const QString &path, CombinedPlanFile &combined)
{
    combined = CombinedPlanFile();
    QStringList lines;
    if (!readTextLines(path, lines))
        return Err::UnableToOpenFile;
    CombinedPlanFile read;
    bool sawCount = false;
    bool inSection = false;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("CHANNEL PLAN"))) {
            const std::optional<int> n = numberInParentheses(line);
            if (!n)
                return Err::IncorrectFormatFile;
            read.planCount = *n;
            sawCount = true;
        } else if (auto h = parsePlanHeader(line)) {
            CombinedPlanHeader ch;
            ch.line = line;
            ch.name = h->name;
            ch.channelCount = h->channelCount.value_or(-1);
            bool ok = false;
            const int p = h->position.trimmed().toInt(&ok);
            ch.position = ok ? p : -1;
            read.headers << ch;
        } else if (line.startsWith(QLatin1String("#==================="))) {
            inSection = false;
        } else if (inSection && !line.isEmpty()) {
            read.sections.last().channelLines << line;
        } else if (line.startsWith(QLatin1String("ORDER"))) {
            const std::optional<int> n = numberInParentheses(line);
            if (!line.contains(QLatin1Char('(')) || !n)
                return Err::IncorrectFormatFile;
            CombinedPlanSection s;
            s.order = *n;
            read.sections << s;
            inSection = true;
        }
    }
    if (!sawCount)
        return Err::IncorrectFormatFile;
    combined = read;
    return 0;
}
