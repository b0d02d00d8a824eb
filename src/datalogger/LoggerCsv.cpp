#include "datalogger/LoggerCsv.h"

#include "app/Files.h"
#include "app/StringTable.h"
#include "datalogger/LevelChart.h"
#include "link/ErrorCodes.h"

#include <QRegularExpression>

namespace LoggerCsv {

namespace {

constexpr int kRowDatalogger = 1;
constexpr int kRowStatus = 84;
constexpr int kRowYes = 119;
constexpr int kRowNo = 120;
constexpr int kRowComments = 130;
constexpr int kRowLoggerNumber = 174;
constexpr int kRowBelow = 259;   // "Below threshold"
constexpr int kRowSection = 260;
constexpr int kRowName = 79;   // "Name"
constexpr int kRowValue = 261;
constexpr int kRowUnit = 262;

// The TV viewer's grid headers, in its column order (measurement fields CH to C/N).
constexpr int kTvColumnRows[] = {
    79 /* "Name" */,   146 /* "Freq." */, 82 /* "Offset" */, 83 /* "BW" */,   89 /* "Mod." */,
    88 /* "Annex" */,  87 /* "S.R." */,   147 /* "Pwr." */,  124 /* "MER" */, 127 /* "PreBER" */,
    86 /* "System" */, 148 /* "A. F." */, 149 /* "Level" */, 150 /* "V/A" */, 151 /* "C/N" */};

// The cable-modem viewer's fields: the label row of each, and whether its value may carry a unit
// (a modulation or channel name such as "QAM256" or "C37" never does).
struct ModemField {
    int labelRow;
    bool unit;
};
constexpr ModemField kDownstream[] = {{123, true},  {124, true}, {125, true}, {126, false},
                                      {101, false}, {100, true}, {127, true}};
constexpr ModemField kUpstream[] = {{123, true}, {131, true}, {125, true}, {99, true}, {101, false}, {100, true}};
constexpr ModemField kHeadend[] = {{134, false}, {135, false}, {136, false}, {137, false}};
constexpr ModemField kPing[] = {{138, false}, {139, true}, {178, true}, {140, true},
                                {141, true},  {142, true}, {129, true}};

template <std::size_t N, std::size_t M>
void sectionRows(QByteArray &out, int sectionRow, const ModemField (&fields)[N], const std::array<QString, M> &values)
{
    static_assert(N == M, "one label per value");
    const QString section = StringTable::text(sectionRow);
    for (std::size_t i = 0; i < N; ++i) {
        const ValueUnit vu = fields[i].unit ? splitUnit(values[i]) : ValueUnit{values[i], QString()};
        out += row({section, StringTable::text(fields[i].labelRow), vu.value, vu.unit});
    }
}

}   // namespace

QString defused(const QString &text)
{
    // A spreadsheet runs a cell that begins with "=", "@", "+" or "-" as a formula (a location
    // or comment typed on the meter or in the viewer could be "=HYPERLINK(...)"). Such a cell
    // is written as text with the usual leading apostrophe; a number ("-1.5", "+3", "-.5") stays
    // a number.
    if (text.isEmpty())
        return text;
    const QChar first = text.at(0);
    const QChar next = text.size() > 1 ? text.at(1) : QChar();
    const bool numberFollows = next.isDigit() || next == QLatin1Char('.');
    const bool formula = first == QLatin1Char('=') || first == QLatin1Char('@') || first == QLatin1Char('\t')
                         || first == QLatin1Char('\r')
                         || ((first == QLatin1Char('+') || first == QLatin1Char('-')) && !numberFollows);
    return formula ? QLatin1Char('\'') + text : text;
}

QString field(const QString &raw)
{
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    const QString text = defused(raw);
    if (!text.contains(special))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray row(const QStringList &fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &f : fields)
        quoted << field(f);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QString decimalPoint(const QString &text)
{
    double ignored = 0;
    if (text.contains(QLatin1Char(',')) && LevelChart::readNumber(text, ignored))
        return text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

ValueUnit splitUnit(const QString &text)
{
    // A number (a "<" or ">" before it means "less than" or "more than"), then a unit that
    // begins with a letter or a sign such as "%"; an address like "10.20.3.41" is no number.
    static const QRegularExpression valueUnit(QStringLiteral(
        "^\\s*([<>]?\\s*[+-]?(?:\\d+(?:[.,]\\d+)?|[.,]\\d+)(?:[eE][+-]?\\d+)?)\\s*([A-Za-z%\\x{00B5}\\x{00B0}][^,]*)?$"));
    const QRegularExpressionMatch m = valueUnit.match(text);
    if (!m.hasMatch())
        return {text, QString()};
    QString value = m.captured(1);
    value.remove(QLatin1Char(' '));
    value.replace(QLatin1Char(','), QLatin1Char('.'));
    return {value, m.captured(2).trimmed()};
}

QByteArray tvCsv(const LevelChart::Model &model)
{
    QStringList header;
    for (int r : kTvColumnRows)
        header << StringTable::text(r);
    header << StringTable::text(kRowBelow);
    QByteArray out = kUtf8Bom + row(header);
    for (const LevelChart::Bar &bar : model.bars) {
        QStringList cells;
        for (int f = TvMeasurement::CH; f <= TvMeasurement::CN; ++f)
            cells << decimalPoint(bar.m.field[std::size_t(f)]);
        // Below the threshold only says something for a measured channel and a logger that
        // has a threshold; otherwise the cell stays empty.
        cells << (bar.measured && model.hasThreshold ? StringTable::text(bar.under ? kRowYes : kRowNo) : QString());
        out += row(cells);
    }
    return out;
}

QByteArray modemCsv(const ModemLoggerRecord &r)
{
    QByteArray out = kUtf8Bom
                     + row({StringTable::text(kRowSection), StringTable::text(kRowName), StringTable::text(kRowValue),
                            StringTable::text(kRowUnit)});
    const QString logger = StringTable::text(kRowDatalogger);
    if (r.hasLoggerNumber)
        out += row({logger, StringTable::text(kRowLoggerNumber), QString::number(r.loggerNumber), QString()});
    if (r.hasInfo) {
        const int infoRows[] = {115 /* "Time" */, 116 /* "Date" */, 128 /* "Description" */, kRowStatus};
        for (int i = 0; i < 4; ++i)
            out += row({logger, StringTable::text(infoRows[i]), r.info[std::size_t(i)], QString()});
    }
    if (r.hasDownstream)
        sectionRows(out, 122 /* "Downstream" */, kDownstream, r.downstream);
    if (r.hasUpstream)
        sectionRows(out, 132 /* "Upstream" */, kUpstream, r.upstream);
    // As in the viewer: headend and ping report only for a registered modem.
    if (r.showsRegistrationDetails()) {
        if (r.hasHeadend)
            sectionRows(out, 133 /* "Headend" */, kHeadend, r.headend);
        if (r.hasPingReport)
            sectionRows(out, 143 /* "Ping Report" */, kPing, r.pingReport);
    }
    if (r.hasLocation) {
        const QString comments = StringTable::text(kRowComments);
        out += row({comments, comments, r.comments, QString()});
    }
    return out;
}

int exportFile(const QString &loggerPath, LoggerFamily family, const QString &csvPath, Failure *failure)
{
    auto fail = [failure](Failure f) {
        if (failure)
            *failure = f;
        return int(Err::UnableToOpenFile);
    };
    QByteArray csv;
    if (family == LoggerFamily::Tv) {
        LevelChart::Model model;
        if (LevelChart::load(loggerPath, model) < 0)
            return fail(Failure::Logger);
        csv = tvCsv(model);
    } else {
        ModemLoggerRecord record;
        if (ModemLoggerFile::read(loggerPath, record) < 0)
            return fail(Failure::Logger);
        csv = modemCsv(record);
    }
    if (const int written = writeBytesAtomicallyCode(csvPath, csv); written != 0) {
        fail(Failure::Output);
        return written;
    }
    if (failure)
        *failure = Failure::None;
    return 0;
}

}   // namespace LoggerCsv
