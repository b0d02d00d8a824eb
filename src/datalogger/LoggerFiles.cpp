#include "datalogger/LoggerFiles.h"
#include "app/AppState.h"
#include "link/ErrorCodes.h"

#include <QRegularExpression>
#include <algorithm>
#include <climits>

namespace Logger {

// --- families and file names --------------------------------------------------------------

int slotCount(LoggerFamily family)
{
    return family == LoggerFamily::Tv ? kTvSlots : kModemSlots;
}

QString deviceName(LoggerFamily family)
{
    return family == LoggerFamily::Tv ? kTvDevice : kModemDevice;
}

QString fileType(LoggerFamily family)
{
    const CurrentModelRecord &m = app().CurrentModel;
    return family == LoggerFamily::Tv ? m.tvLoggerFileType : m.modemLoggerFileType;
}

FileKind receivedFileKind(LoggerFamily family)
{
    return family == LoggerFamily::Tv ? FileKind::TvLoggerData : FileKind::ModemLoggerData;
}

static QString inTemp(const QString &name)
{
    return app().tempFolder + QLatin1Char('/') + name;
}

QString receivedLoggerPath(LoggerFamily family, int slot)
{
    return inTemp(workingFileName(receivedFileKind(family), slot));
}

int checkReceivedFileType(LoggerFamily family)
{
    return fileType(family).trimmed().isEmpty() ? Err::NoLoggerFileType : 0;
}

QString printScratchPath(int slot)
{
    return inTemp(workingFileName(FileKind::PrintScratch, slot));
}

QString printTextPath(int slot)
{
    return inTemp(workingFileName(FileKind::PrintText, slot));
}

QString indexPath()
{
    return inTemp(kIndexFileName);
}

QString openFilter(LoggerFamily family)
{
    const QString type = fileType(family);
    if (app().currentModelIndex == kNoModel || type.isEmpty()) {
        const QChar k = family == LoggerFamily::Tv ? QLatin1Char('t') : QLatin1Char('m');
        const QString a = QStringLiteral("*.lg26") + k;
        const QString b = QStringLiteral("*.lg27") + k;
        return a + QLatin1Char('|') + a + QLatin1Char('|') + b + QLatin1Char('|') + b;
    }
    return QStringLiteral("*.") + type;
}

bool familyOfFile(const QString &path, LoggerFamily &family)
{
    QStringList lines;
    if (!readTextLines(path, lines))
        return false;
    for (const QString &line : lines) {
        if (!isKeyLine(line, Key::Device))
            continue;
        const QString device = keyValue(line).trimmed();
        if (device == kTvDevice) {
            family = LoggerFamily::Tv;
            return true;
        }
        if (device == kModemDevice) {
            family = LoggerFamily::Modem;
            return true;
        }
        return false;
    }
    return false;
}

// --- values out of lines and answers --------------------------------------------------------

QStringList commonHeader()
{
    const QString rule = QStringLiteral("#") + QString(37, QLatin1Char('='));
    return {rule, QStringLiteral("Kelvatrone :  CONTROL REMOT PROGRAM"), rule};
}

int answerField(const QString &answer, int n, QString &field)
{
    field.clear();
    if (n < 1)
        return kNoField;
    qsizetype start = -1;
    for (int i = 0; i < n; ++i) {
        start = answer.indexOf(QLatin1Char('&'), start + 1);
        if (start < 0)
            return kNoField;
    }
    const qsizetype end = answer.indexOf(QLatin1Char('&'), start + 1);
    if (end < 0)
        return kNoField;
    field = answer.mid(start + 1, end - start - 1);
    return 0;
}

QString answerFieldOr(const QString &answer, int n)
{
    QString f;
    answerField(answer, n, f);
    return f;
}

static bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimValue(const QString &text)
{
    qsizetype end = text.size();
    if (end > 0 && text.at(end - 1) == QLatin1Char('\n')) {
        --end;
        if (end > 0 && text.at(end - 1) == QLatin1Char('\r'))
            --end;
    }
    qsizetype start = 0;
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

bool isKeyLine(const QString &line, const QString &key)
{
    return line.startsWith(key, Qt::CaseSensitive);
}

QString keyValue(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}

QString lastKeyValue(const QString &line)
{
    const qsizetype eq = line.lastIndexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}

int leadingInt(const QString &text)
{
    return int(std::clamp<long long>(leadingInteger(text), INT_MIN, INT_MAX));
}

QString plrText(const QString &value)
{
    if (!value.isEmpty() && value.at(0).unicode() == 0xC8)
        return QLatin1Char('<') + value.mid(1);
    return value;
}

// --- TV measurements ----------------------------------------------------------------------

QStringList measurementFields(const QString &line)
{
    QString text = line;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);

    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && fields.size() < kMeasurementFields) {
        while (i < n && text.at(i) == QLatin1Char(','))
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && text.at(i) != QLatin1Char(','))
            ++i;
        QString f = text.mid(start, i - start);
        if (!fields.isEmpty()) {
            f.remove(QLatin1Char(' '));
            f.remove(QLatin1Char('\t'));
        }
        fields.append(f.left(kMeasurementFieldLength));
    }
    return fields;
}

int splitMeasurement(const QString &line, TvMeasurement &m)
{
    const QStringList fields = measurementFields(line);
    if (fields.size() == kMeasurementFields) {
        for (int i = 0; i < kMeasurementFields; ++i)
            m.field[size_t(i)] = fields.at(i);
    }
    return int(fields.size());
}

QString measurementLineFromAnswer(const QString &answer)
{
    QString text = answer.mid(3);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    text.replace(QLatin1Char('&'), QLatin1Char(','));
    auto isDigit = [&](qsizetype i) {
        return i < text.size() && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9';
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('-'))
            continue;
        // "-1.5" and "-.5" are negative numbers; a dash before anything else is a placeholder.
        const bool number =
            isDigit(i + 1) || (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('.') && isDigit(i + 2));
        if (!number)
            text[i] = QLatin1Char(' ');
    }
    return text;
}

// --- writing -------------------------------------------------------------------------------

LoggerFileWriter::LoggerFileWriter(const QString &path) : target(path) {}

LoggerFileWriter::~LoggerFileWriter()
{
    discard();
}

bool LoggerFileWriter::open()
{
    file = std::make_unique<AtomicFile>(target);
    count = 0;
    code = 0;
    if (!file->open()) {
        code = file->failureCode();
        file.reset();
        return false;
    }
    return true;
}

void LoggerFileWriter::writeLine(const QString &line)
{
    if (!file)
        return;
    QString text = line;
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QByteArray bytes = toLatin1Text(text);
    bytes += "\r\n";
    file->write(bytes);
    ++count;
}

void LoggerFileWriter::writeLines(const QStringList &lines)
{
    for (const QString &l : lines)
        writeLine(l);
}

bool LoggerFileWriter::commit()
{
    if (!file)
        return false;
    const bool ok = file->commit();
    code = file->failureCode();
    file.reset();
    return ok;
}

void LoggerFileWriter::discard()
{
    file.reset();
}

}   // namespace Logger

using namespace Logger;

// --- TvLoggerFile ----------------------------------------------------------------------------

namespace TvLoggerFile {

// The most measurements one logger can be asked for: the query carries the number in three digits.
static constexpr int kMaxMeasures = 999;

QStringList headerLines(int slot, const QString &headerAnswer, int &measureCount)
{
    QStringList lines = commonHeader();
    lines << Key::Device + QLatin1Char('=') + kTvDevice;
    lines << Key::LoggerNumber + QLatin1Char('=') + QString::number(slot);
    measureCount = 0;
    if (headerAnswer.isEmpty())
        return lines;
    const auto f = [&](int n) { return answerFieldOr(headerAnswer, n); };
    measureCount = std::clamp(leadingInt(f(5)), 0, kMaxMeasures);
    lines << Key::Location + QLatin1Char('=') + f(3);
    lines << Key::Units + QLatin1Char('=') + f(8);
    lines << Key::Time + QLatin1Char('=') + f(1);
    lines << Key::Date + QLatin1Char('=') + f(2);
    lines << Key::ThresholdLevel + QLatin1Char('=') + QString::number(leadingInt(f(9)) / 10);
    lines << Key::ChannelPlan + QLatin1Char('=') + f(4);
    // The meter's own text: the file keeps what the meter said; the count asked for above is
    // its integer value.
    lines << Key::ChannelNumber + QLatin1Char('=') + f(5);
    return lines;
}

QStringList measuresLines(int measureCount)
{
    return {kMeasuresSection, Key::Logger + QLatin1Char('=') + QString::number(measureCount), kTvColumnLine};
}

int read(const QString &path, TvLoggerContents &contents)
{
    contents = TvLoggerContents{};
    QStringList lines;
    if (!readTextLines(path, lines))
        return Err::UnableToOpenFile;

    TvLoggerHeader &h = contents.header;
    const QString columnKey = kTvColumnLine.left(kTvColumnKeyLength);
    bool measuring = false;
    int unrecognisedRun = 0;
    for (const QString &line : lines) {
        if (measuring) {
            TvMeasurement m;
            if (splitMeasurement(line, m) == kMeasurementFields) {
                contents.measurements.append(m);
                if (contents.measurements.size() == h.channelCount)
                    return 0;
            } else {
                ++contents.skippedLines;
            }
            continue;
        }
        // Each test in turn; where two keys would match, the later one wins.
        bool known = false;
        if (isKeyLine(line, Key::LoggerNumber)) {
            h.loggerNumber = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::Location)) {
            h.location = lastKeyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::Time)) {
            h.time = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::Date)) {
            h.date = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::AudioCarrierSignal))
            known = true;
        if (isKeyLine(line, Key::AudioFrequency))
            known = true;
        if (isKeyLine(line, Key::ChannelPlan)) {
            h.channelPlan = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::Units)) {
            h.units = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::ChannelNumber)) {
            h.channelNumber = keyValue(line);
            h.channelCount = leadingInt(h.channelNumber);
            known = true;
        }
        if (isKeyLine(line, Key::ThresholdLevel)) {
            h.thresholdLevel = keyValue(line);
            known = true;
        }
        if (line.startsWith(columnKey)) {
            measuring = true;
            known = true;
        }
        if (isKeyLine(line, Key::Device)) {
            h.device = keyValue(line);
            if (h.device != kTvDevice)
                return Err::UnableToOpenFile;
            known = true;
        }
        if (known)
            unrecognisedRun = 0;
        else if (++unrecognisedRun > kMaxUnrecognised)
            return Err::UnableToOpenFile;
    }
    return contents.measurements.isEmpty() ? Err::UnableToOpenFile : 0;
}

int saveWithLocation(const QString &source, const QString &target, const QString &location)
{
    QStringList lines;
    if (!readTextLines(source, lines))
        return Err::UnableToOpenFile;
    QString value = location;
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString locationLine = Key::Location + QLatin1Char('=') + value;

    // Only the header holds the LOCATION line: the viewer reads no key after the column line,
    // and a measurement line must never be touched.
    const QString columnKey = kTvColumnLine.left(kTvColumnKeyLength);
    bool replaced = false;
    int loggerNumberLine = -1;
    int columnLine = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(columnKey)) {
            columnLine = i;
            break;
        }
        if (isKeyLine(lines.at(i), Key::Location)) {
            lines[i] = locationLine;
            replaced = true;
        } else if (loggerNumberLine < 0 && isKeyLine(lines.at(i), Key::LoggerNumber)) {
            loggerNumberLine = i;
        }
    }
    // A file received without a header answer has no LOCATION line; the edit must not vanish,
    // so it goes after LOGGER NUMBER, or at the end of the header.
    if (!replaced)
        lines.insert(loggerNumberLine >= 0 ? loggerNumberLine + 1
                     : columnLine >= 0     ? columnLine
                                           : lines.size(),
                     locationLine);
    return writeTextLinesAtomicallyCode(target, lines);
}

}   // namespace TvLoggerFile

// --- ModemLoggerFile -------------------------------------------------------------------------

bool ModemLoggerRecord::showsRegistrationDetails() const
{
    return registered() && app().CurrentModel.modelTypeCode != 3;
}

namespace ModemLoggerFile {

QString sectionLine(const QString &key, const QString &answer)
{
    QString text = answer;
    const qsizetype limit = std::min<qsizetype>(text.size(), 200);
    for (qsizetype i = 0; i < limit; ++i) {
        if (text.at(i) == QLatin1Char('$'))
            text[i] = QLatin1Char(' ');
    }
    return key + QLatin1Char('=') + text;
}

QString emptyLocationLine()
{
    return Key::Location + QLatin1Char('=');
}

template <size_t N>
static void labelledFields(const QString &answer, std::array<QString, N> &out)
{
    for (size_t i = 0; i < N; ++i) {
        QString f = answerFieldOr(answer, int(i) + 1);
        // The value is what follows the label's ":"; a field without one carries no value the
        // viewer could name, so it shows empty rather than a label passed off as a value.
        const qsizetype colon = f.lastIndexOf(QLatin1Char(':'));
        f = colon >= 0 ? f.mid(colon + 1) : QString();
        f = trimValue(f);
        f.remove(QLatin1Char('$'));
        out[i] = f;
    }
}

template <size_t N>
static void bareFields(const QString &answer, std::array<QString, N> &out)
{
    for (size_t i = 0; i < N; ++i)
        out[i] = trimValue(answerFieldOr(answer, int(i) + 1));
}

int read(const QString &path, ModemLoggerRecord &record)
{
    record = ModemLoggerRecord{};
    QStringList lines;
    if (!readTextLines(path, lines))
        return Err::UnableToOpenFile;

    QStringList comments;
    bool inComments = false;
    bool armed = false;
    int unrecognised = 0;
    for (const QString &line : lines) {
        if (inComments) {
            comments << line;
            continue;
        }
        if (isKeyLine(line, Key::Upstream)) {
            labelledFields(keyValue(line), record.upstream);
            record.hasUpstream = true;
            comments.clear();
            armed = true;
        } else if (isKeyLine(line, Key::Downstream)) {
            labelledFields(keyValue(line), record.downstream);
            record.hasDownstream = true;
        } else if (isKeyLine(line, Key::Info)) {
            const QString v = keyValue(line);
            for (size_t i = 0; i < record.info.size(); ++i)
                record.info[i] = answerFieldOr(v, int(i) + 1);
            record.hasInfo = true;
        } else if (isKeyLine(line, Key::Location)) {
            // Without the UPSTREAM line before it the line is not where a LOCATION belongs,
            // and it is kept whole.
            comments << (armed ? keyValue(line) : line);
            record.hasLocation = true;
            inComments = true;
        } else if (isKeyLine(line, Key::LoggerNumber)) {
            record.loggerNumber = leadingInt(line.mid(Key::LoggerNumber.size() + 1));
            record.hasLoggerNumber = true;
        } else if (isKeyLine(line, Key::Headend)) {
            bareFields(keyValue(line), record.headend);
            record.hasHeadend = true;
        } else if (isKeyLine(line, Key::PingReport)) {
            bareFields(keyValue(line), record.pingReport);
            record.pingReport[3] = plrText(record.pingReport[3]);
            record.hasPingReport = true;
        } else if (++unrecognised > kMaxUnrecognised) {
            break;
        }
    }
    record.comments = comments.join(QStringLiteral("\r\n"));
    return record.hasUpstream ? 0 : Err::UnableToOpenFile;
}

int saveWithComments(const QString &source, const QString &target, const QString &comments)
{
    QStringList lines;
    if (!readTextLines(source, lines))
        return Err::UnableToOpenFile;
    QStringList out;
    for (const QString &line : lines) {
        if (isKeyLine(line, Key::Location))
            break;
        out << line;
    }
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList commentLines = comments.split(lineBreak);
    commentLines[0].prepend(Key::Location + QLatin1Char('='));
    out << commentLines;
    return writeTextLinesAtomicallyCode(target, out);
}

}   // namespace ModemLoggerFile

// --- LoggerIndexFile -------------------------------------------------------------------------

namespace LoggerIndexFile {

QStringList headLines()
{
    QStringList lines = commonHeader();
    lines << kIndexSection;
    return lines;
}

bool isSlotAnswer(const QString &answer)
{
    return answer.size() > kShortSlotAnswer;
}

bool answerShowsLogger(const QString &answer)
{
    return answer.mid(6, 5) != kEmptySlotTime;
}

LoggerIndexEntry entryFromAnswer(const QString &answer)
{
    LoggerIndexEntry e;
    e.answer = answer;
    e.valid = answerField(answer, 1, e.time) == 0 && answerField(answer, 2, e.date) == 0
              && answerField(answer, 3, e.name) == 0;
    if (!e.valid)
        e.time = e.date = e.name = QString();
    e.print = e.valid && !e.isEmpty();
    return e;
}

int read(const QString &path, QList<LoggerIndexEntry> &entries)
{
    entries.clear();
    QStringList lines;
    if (!readTextLines(path, lines))
        return Err::UnableToOpenFile;
    bool inEntries = false;
    for (const QString &line : lines) {
        if (!inEntries) {
            inEntries = line.startsWith(kIndexSection);
            continue;
        }
        entries.append(entryFromAnswer(line));
    }
    return int(entries.size());
}

}   // namespace LoggerIndexFile
