#include "jobs/GroupJobs.h"
#include "jobs/Jobs.h"
#include "jobs/LoggerJobs.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "channelplan/PlanFile.h"
#include "link/CommandLink.h"
#include "link/ErrorCodes.h"
#include "link/PortSession.h"

#include <QFileInfo>
#include <optional>

namespace {

const QString kSectionEnd = QStringLiteral("#===================");

// The length of the leading decimal number of a text (after blanks): sign, digits, point,
// digits, exponent. 0 when there is none.
qsizetype numberPrefix(const QByteArray &b, qsizetype &start)
{
    qsizetype i = 0;
    while (i < b.size() && (b[i] == ' ' || b[i] == '\t'))
        ++i;
    start = i;
    if (i < b.size() && (b[i] == '+' || b[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9')
        ++i, ++digits;
    if (i < b.size() && b[i] == '.') {
        ++i;
        while (i < b.size() && b[i] >= '0' && b[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < b.size() && (b[i] == 'e' || b[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < b.size() && (b[j] == '+' || b[j] == '-'))
            ++j;
        if (j < b.size() && b[j] >= '0' && b[j] <= '9') {
            while (j < b.size() && b[j] >= '0' && b[j] <= '9')
                ++j;
            i = j;
        }
    }
    return i - start;
}

// The number a text begins with, read as a C program reads it (0 when there is none).
// Always with "." as the decimal point, whatever the locale.
double leadingNumber(const QString &text, bool *found = nullptr)
{
    const QByteArray b = text.toLatin1();
    qsizetype start = 0;
    const qsizetype len = numberPrefix(b, start);
    if (found)
        *found = len > 0;
    return len > 0 ? b.mid(start, len).toDouble() : 0.0;
}

// A frequency-like text in MHz as the meter takes it: read into single precision first, then
// scaled to hertz, so that 471.31 goes out as 471309998 exactly as the meter expects.
double hertzOf(const QString &mhz)
{
    const float single = float(leadingNumber(mhz));
    return double(single) * 1000000.0;
}

// The text between "(" and ")" (or the end of the line); false without "(".
bool parenthesised(const QString &line, QString &inside)
{
    const qsizetype open = line.indexOf(QLatin1Char('('));
    if (open < 0)
        return false;
    qsizetype close = line.indexOf(QLatin1Char(')'), open + 1);
    if (close < 0)
        close = line.size();
    inside = line.mid(open + 1, close - open - 1);
    return true;
}

bool parenthesisedNumber(const QString &line, int &value)
{
    QString inside;
    if (!parenthesised(line, inside))
        return false;
    bool found = false;
    value = int(leadingInteger(inside, &found));
    return found;
}

// A text that goes into a command must not carry a control character: a CR would end the
// command there and the meter would take the rest as a command of its own.
bool fitsOneCommand(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20)
            return false;
    return true;
}

// "*CF" for one channel line of a plan section; false when the line cannot be converted.
bool channelCommand(const QString &line, int plan, const QString &planType, QByteArray &command)
{
    const bool full = planType == QLatin1String("ch26");
    if (!full && planType != QLatin1String("ch25"))
        return false;
    // A line that the plan reader would not take as a channel would give the meter a channel
    // made of nothing: the script stops there instead.
    std::optional<QStringList> split = splitChannelLine(line);
    if (!split)
        return false;
    QStringList &parts = *split;
    bool numbered = false;
    const long long number = leadingInteger(parts[0], &numbered);
    if (!numbered || number < 1)
        return false;
    while (parts.size() < 13)
        parts.append(QString());
    const QString name = parts[1];
    if (name.contains(QLatin1Char('&')) || !fitsOneCommand(name))
        return false;   // would shift every field the meter reads after it
    const QByteArray nameBytes = toLatin1Text(name);
    const int index = int(number - 1);
    const double frequency = hertzOf(parts[2]);
    const double bandwidth = hertzOf(parts[5]);
    const double offset = hertzOf(parts[4]);
    if (!full) {
        command = Cmd::setChannelShort(plan, index, nameBytes, frequency, bandwidth, offset);
        return true;
    }
    const QString &status = parts[6];
    const QString &mode = parts[7];
    const bool digital = mode == QLatin1String("DIGITAL");
    int code = 0;
    if (digital)
        code = std::max(0, PlanValues::annexIndex(parts[9]));
    else
        code = std::max(0, PlanValues::systemIndex(parts.mid(12).join(QLatin1Char(','))));
    const int modulation = std::max(0, PlanValues::modulationIndex(parts[10]));
    const int symbolRate = int(leadingInteger(parts[8]) & 0x3FFF);
    const int flags = (digital ? 1 : 0) + (status == QLatin1String("ON") ? 128 : 0);
    command =
        Cmd::setChannelFull(plan, index, nameBytes, frequency, bandwidth, offset, code, modulation, symbolRate, flags);
    return true;
}

// "*CS" and "*CW" for a plan header "CHANNEL8(name,,,,count,position)".
bool headerCommands(const QString &line, QStringList &script)
{
    const std::optional<PlanHeader> header = parsePlanHeader(line);
    if (!header || !header->channelCount || !fitsOneCommand(header->name))
        return false;
    bool hasPosition = false;
    const long long position = leadingInteger(header->position, &hasPosition);
    if (!hasPosition || position < 0 || position > 99)
        return false;
    script << QString::fromLatin1(Cmd::setPlanName(int(position), toLatin1Text(header->name)))
           << QString::fromLatin1(Cmd::setChannelCount(int(position), *header->channelCount));
    return true;
}

// A query with its tries: a failed exchange, or an answer that is not the meter's (noise),
// fails the try. Returns the last try's result, -96 for noise.
int askMeter(SerialPort &port, const QByteArray &command, QByteArray &answer, int attempts)
{
    int r = Err::Timeout;
    for (int tries = 0; tries < attempts; ++tries) {
        r = CommandLink::Transact(port, command, answer);
        if (r >= 0 && !CommandLink::AnswersQuery(command, answer))
            r = Err::CommunicationError;
        if (r >= 0)
            break;
    }
    return r;
}

// Characters that cannot be part of a file name on any of the program's platforms.
QString trimmedName(const QByteArray &answerTail)
{
    qsizetype b = 0, e = answerTail.size();
    auto blankOrControl = [](char c) { return uchar(c) <= 32 || uchar(c) == 127; };
    while (b < e && blankOrControl(answerTail[b]))
        ++b;
    while (e > b && blankOrControl(answerTail[e - 1]))
        --e;
    return QString::fromLatin1(answerTail.mid(b, e - b));
}

}   // namespace

// --- the command script ---------------------------------------------------------------------

int commandScriptLines(const QStringList &combinedLines, const QString &planType, QStringList &script,
                       QString *failedLine)
{
    script.clear();
    script << QString::fromLatin1(Cmd::flashLoad()) << QString::fromLatin1(Cmd::fixedSetup());
    bool inSection = false;
    int plan = 0;
    int result = 1;
    for (const QString &line : combinedLines) {
        bool ok = true;
        if (line.startsWith(QLatin1String("CHANNEL PLAN"))) {
            int count = 0;
            ok = parenthesisedNumber(line, count) && count >= 0;
            if (ok)
                script << QString::fromLatin1(Cmd::erasePlans()) << QString::fromLatin1(Cmd::setPlanCount(count));
        } else if (line.startsWith(QLatin1String("CHANNEL8"))) {
            ok = headerCommands(line, script);
        } else if (line.startsWith(kSectionEnd)) {
            inSection = false;
        } else if (inSection && !line.isEmpty()) {
            QByteArray command;
            ok = channelCommand(line, plan, planType, command);
            if (ok)
                script << QString::fromLatin1(command);
        } else if (line.startsWith(QLatin1String("ORDER"))) {
            ok = parenthesisedNumber(line, plan) && plan >= 0;
            inSection = ok;
        }
        if (!ok) {
            if (failedLine)
                *failedLine = line;
            result = 0;
            break;
        }
    }
    script << QString::fromLatin1(Cmd::planEnd());
    return result;
}

int BuildCommandScript(const QString &combinedPath, const QString &scriptPath, const QString &planType,
                       QString *failedLine)
{
    QStringList combined;
    if (!readTextLines(combinedPath, combined))
        return Err::ScriptFiles;
    QStringList script;
    const int result = commandScriptLines(combined, planType, script, failedLine);
    // A script that was cut short (a full disk) must never be sent: the meter would take a
    // part of the group for the whole.
    const int written = writeTextLinesAtomicallyCode(scriptPath, script);
    if (written == Err::WriteFailed)
        return written;
    if (written != 0)
        return Err::ScriptFiles;
    return result;
}

int BuildCommandScript(const QString &combinedPath)
{
    return BuildCommandScript(combinedPath, workingFolderPath(FolderKind::Temporary) + QLatin1String(kScriptFileName),
                              app().CurrentModel.planFileType);
}

int CopyCommandScript(const QString &destination)
{
    const QString script = workingFolderPath(FolderKind::Temporary) + QLatin1String(kScriptFileName);
    if (!fileExists(script))
        return 0;
    return copyTextFile(script, destination) ? 1 : int(Err::WriteFailed);
}

QString combinedFilePath()
{
    QString type = app().CurrentModel.groupFileType;
    if (app().currentModelIndex == kNoModel || type.isEmpty())
        type = QStringLiteral("tx26");
    QString name = QStringLiteral("temp.") + type;
    replaceExtension3(name, ScriptExtension::Kv8);
    return workingFolderPath(FolderKind::Temporary) + name;
}

// --- the group-script job (0xB0) --------------------------------------------------------------

int sendGroupScriptJob(JobContext &ctx, const QString &scriptPath)
{
    ctx.setCaption(StringTable::text(164 /* "Sending Channel Plan Group..." */));
    SerialPort &port = ctx.port();
    PortSession session(port);
    // The log is started even when the port fails, so that the failed attempt leaves its mark.
    port.EnableChannelLog(true);
    if (!session.isOpen()) {
        port.EnableChannelLog(false);
        return Err::PortFailure;
    }

    // The script ends with a restart of the meter: what it knew of its logger family goes.
    LoggerJobs::forgetLoggerFamily();
    const int maximum = int(QFileInfo(scriptPath).size() / 32) + 1;
    ctx.setProgressRange(0, 0, maximum);
    ctx.setProgress(0, 0);
    ctx.setStatus(StringTable::text(90 /* "File" */) + QStringLiteral(" : ") + shortenPath(scriptPath));

    int result = 0;
    QStringList lines;
    if (!readTextLines(scriptPath, lines)) {
        result = Err::ScriptOpen;
    } else {
        int step = 0;
        for (const QString &line : lines) {
            if (ctx.cancelRequested()) {
                result = Err::UserBreak;
                break;
            }
            if (line.isEmpty())
                continue;
            QByteArray answer;
            if (CommandLink::Transact(port, toLatin1Text(line), answer) < 0) {
                result = Err::CommunicationError;
                break;
            }
            ctx.setProgress(0, ++step);
        }
        if (result == 0 && ctx.cancelRequested())
            result = Err::UserBreak;
        if (result == 0) {
            QByteArray answer;
            const int r = CommandLink::Transact(port, Cmd::restart(), answer);
            if (r < 0)
                result = r;
        }
    }
    port.EnableChannelLog(false);
    return result;
}

// --- receiving plans ----------------------------------------------------------------------------

bool decodeChannelAnswer(const QByteArray &answer, const QString &planType, ChannelRecord &channel)
{
    QByteArray rest = answer;
    auto takeLast = [&rest](QByteArray &field) {
        const qsizetype amp = rest.lastIndexOf('&');
        if (amp < 0)
            return false;
        field = rest.mid(amp + 1);
        rest.truncate(amp);
        return true;
    };
    auto integer = [](const QByteArray &b) { return leadingInteger(QString::fromLatin1(b)); };

    // The short form carries no more than name and numbers; the rest is what such a meter uses.
    ChannelRecord c;
    c.status = QStringLiteral("ON");
    c.mode = QStringLiteral("DIGITAL");
    c.symbolRate = QStringLiteral("5057");
    c.annex = QStringLiteral("B");
    c.modulation = QStringLiteral("QAM64");
    c.attenuator = QStringLiteral("AUTO");
    c.system = QStringLiteral("PAL/BG");
    QByteArray field;
    if (planType == QLatin1String("ch26")) {
        if (!takeLast(field))
            return false;
        const long long flags = integer(field);
        c.status = (flags & 128) ? QStringLiteral("ON") : QStringLiteral("OFF");
        const bool digital = (flags & 1) != 0;
        c.mode = digital ? QStringLiteral("DIGITAL") : QStringLiteral("ANALOG");
        if (!takeLast(field))
            return false;
        c.symbolRate = QString::number(int(integer(field)));
        if (!takeLast(field))
            return false;
        // A code the list does not hold writes its first value, so that the plan stays one
        // the editor and the meter take.
        const QStringList &modulations = PlanValues::modulations();
        const long long mod = integer(field);
        c.modulation = modulations.at((mod >= 0 && mod < modulations.size()) ? qsizetype(mod) : 0);
        if (!takeLast(field))
            return false;
        const long long code = integer(field);
        if (digital) {
            c.annex = code == 1 ? QStringLiteral("B") : code == 2 ? QStringLiteral("C") : QStringLiteral("DVB");
            c.system = QStringLiteral("PAL/BG");
        } else {
            const QStringList &systems = PlanValues::analogSystems();
            c.system = systems.at((code >= 0 && code < systems.size()) ? qsizetype(code) : 0);
            c.annex = QStringLiteral("DVB");
        }
    }
    QByteArray offsetField, bandwidthField, frequencyField;
    if (!takeLast(offsetField) || !takeLast(bandwidthField) || !takeLast(frequencyField))
        return false;
    const float offset = float(double(integer(offsetField)) * 0.000001);
    const float bandwidth = float(double(integer(bandwidthField)) * 0.000001);
    const float frequency = float(double(integer(frequencyField)) * 0.000001);
    const float digitalFrequency = bandwidth * 0.5f + frequency - 1.25f;
    const qsizetype amp = rest.lastIndexOf('&');
    if (amp < 0)
        return false;
    c.name = QString::fromLatin1(rest.mid(amp + 1));
    c.analogFrequency = QString::asprintf("%.2f", double(frequency));
    c.digitalFrequency = QString::asprintf("%.2f", double(digitalFrequency));
    c.offset = QString::asprintf("%.2f", double(offset));
    c.bandwidth = QString::asprintf("%.1f", double(bandwidth));
    channel = c;
    return true;
}

int receivePlanJob(JobContext &ctx, int planNumber, const QString &planPath)
{
    // The file is written beside its path and moved over it at the end, whatever the end is:
    // a broken reception leaves the plan's lines received so far, never a torn file.
    {
        AtomicFile probe(planPath);
        if (!probe.open())
            return Err::UnableToOpenFile;
    }
    ChannelPlanFile plan;   // no count yet: the first four lines only
    auto finish = [&](int result) {
        // A plan that could not be written whole is a failure whatever the exchange gave.
        if (const int written = writeReceivedPlanFile(planPath, plan);
            written != 0 && (result == 0 || (result < 0 && written == Err::WriteFailed)))
            result = written;
        return result;
    };

    ctx.setCaption(StringTable::text(45 /* "Receiving Channel Plan" */));
    ctx.setStatus(StringTable::text(46 /* "Receiving in File : " */) + shortenPath(planPath));

    SerialPort &port = ctx.port();
    PortSession session(port);
    if (!session.isOpen())
        return finish(Err::PortFailure);

    int result = 0;
    QByteArray answer;
    QByteArray planName;
    int count = 0;
    if (askMeter(port, Cmd::askPlanName(planNumber), answer, 2) < 0) {
        result = Err::CommunicationError;
    } else {
        planName = answer.mid(3);
        bool counted = false;
        if (askMeter(port, Cmd::askChannelCount(planNumber), answer, 1) >= 0)
            count = int(leadingInteger(QString::fromLatin1(answer.mid(3)), &counted));
        // A count that is not a number is a garbled answer, not an empty plan.
        if (!counted)
            result = Err::CommunicationError;
    }

    if (result == 0 && count > 0) {
        // A plan without a name gets the name of its file ("plan01"): without the header lines
        // it names, the file could be neither opened nor sent.
        plan.planName = QString::fromLatin1(planName);
        if (plan.planName.trimmed().isEmpty())
            plan.planName = QString::asprintf("plan%.2d", planNumber + 1);
        plan.channelCount = count;
        ctx.setProgressRange(0, 0, count);
        ctx.setProgress(0, 0);
        const QString planType = app().CurrentModel.planFileType;
        int failures = 0;
        for (int c = 0; c < count && result == 0;) {
            if (ctx.cancelRequested()) {
                result = Err::UserBreak;
                break;
            }
            if (askMeter(port, Cmd::askChannel(planNumber, c), answer, 1) < 0) {
                if (++failures >= 3)
                    result = Err::CommunicationError;
                continue;
            }
            failures = 0;
            ChannelRecord channel;
            if (!decodeChannelAnswer(answer, planType, channel)) {
                result = Err::CommunicationError;
                break;
            }
            plan.channels.append(channel);
            ++c;
            ctx.setProgress(0, c);
        }
        if (result == 0 && ctx.cancelRequested())
            result = Err::UserBreak;
    }
    // The plan file is written with the port closed, as it always was.
    session.close();
    return finish(result);
}

// --- short queries ------------------------------------------------------------------------------

int AskPlansPresent(SerialPort &port)
{
    PortSession session(port);
    if (!session.isOpen())
        return 1;
    QByteArray answer(30, '0');
    const int r = CommandLink::TransactWithRetry(port, Cmd::askConfigGroup(), answer, 2);
    session.close();
    if (r < 0)
        return 1;
    return answer.startsWith("*CG01") ? 1 : 0;
}

int AskPlanCount()
{
    PortSession session(thePort());
    if (!session.isOpen())
        return Err::NotFreePort;
    QByteArray answer;
    const int r = CommandLink::TransactWithRetry(session.port(), Cmd::askPlanCount(), answer, 2);
    session.close();
    if (r < 0)
        return Err::CommunicationError;
    bool found = false;
    const long long count = leadingInteger(QString::fromLatin1(answer.mid(3)), &found);
    // A count that is not a number, or a negative one, would be taken for a failure code or
    // for "no plans": it is a garbled answer.
    if (!found || count < 0 || count > 99)
        return Err::CommunicationError;
    return int(count);
}

int AskPlanFileName(int plan, QString &name)
{
    name.clear();
    PortSession session(thePort());
    if (!session.isOpen())
        return Err::NotFreePort;
    QByteArray answer;
    const int r = CommandLink::TransactWithRetry(session.port(), Cmd::askPlanName(plan), answer, 2);
    session.close();
    if (r < 0)
        return Err::CommunicationError;
    name = planFileNameFromAnswer(answer, plan, app().CurrentModel.planFileType);
    return 0;
}

namespace {
constexpr int kMaxPlanFileNameLength = 64;
}   // namespace

QString planFileNameFromAnswer(const QByteArray &answer, int plan, const QString &planType)
{
    QString name = trimmedName(answer.mid(3)).toLower();
    // The name becomes a file in the temporary folder: whatever could not be part of a file
    // name there, or could reach outside the folder, gives way to "_".
    for (QChar &c : name)
        if (c.unicode() < 32 || c.unicode() == 127 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    if (name.count(QLatin1Char('.')) == name.size())
        name.fill(QLatin1Char('_'));
    // A file name has room for 255 bytes; a name of Latin-1 letters takes up to two each, and a
    // "_2" may follow it. Longer names are cut.
    if (name.size() > kMaxPlanFileNameLength)
        name.truncate(kMaxPlanFileNameLength);
    if (name.isEmpty())
        name = QString::asprintf("plan%.2d", plan + 1);
    return name + QLatin1Char('.') + planType;
}

QString uniqueMemberName(const QString &name, const QStringList &taken)
{
    auto isTaken = [&taken](const QString &n) { return taken.contains(n, Qt::CaseInsensitive); };
    if (!isTaken(name))
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    const QString ext = dot < 0 ? QString() : name.mid(dot);
    for (int n = 2;; ++n) {
        const QString candidate = base + QLatin1Char('_') + QString::number(n) + ext;
        if (!isTaken(candidate))
            return candidate;
    }
}
