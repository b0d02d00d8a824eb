#include "datalogger/LevelChart.h"

#include "app/StringTable.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace LevelChart {

namespace {

constexpr int kRowDatalogger = 1;
constexpr int kRowMer = 124;
constexpr int kRowFreq = 146;
constexpr int kRowPwr = 147;
constexpr int kRowLevel = 149;
constexpr int kRowCn = 151;
constexpr int kRowSummary = 245;        // "%1 of %2 channels under the threshold (%3)"
constexpr int kRowNotMeasured = 246;    // "%1 not measured"
constexpr int kRowNoneMeasured = 247;   // "No channel measured"
constexpr int kRowNoThreshold = 248;    // "%1 channels measured, no threshold level"
constexpr int kRowBelow = 259;          // "Below threshold"

// Axes end on whole steps of this many units.
constexpr double kAxisStep = 5;

Range roundedRange(double lo, double hi)
{
    // A little room above the highest bar and below the lowest, so neither touches the frame.
    const double margin = std::max(1.0, (hi - lo) * 0.05);
    Range r{std::floor((lo - (lo < 0 ? margin : 0)) / kAxisStep) * kAxisStep,
            std::ceil((hi + margin) / kAxisStep) * kAxisStep};
    if (r.max <= r.min)
        r.max = r.min + kAxisStep;
    return r;
}

QString withUnits(const QString &value, const QString &units)
{
    return units.isEmpty() ? value : value + QLatin1Char(' ') + units;
}

} // namespace

bool readNumber(const QString &text, double &value)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return false;
    bool ok = false;
    const double v = QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

int labelStep(double barSpacing, double labelHeight)
{
    if (barSpacing <= 0 || labelHeight <= 0)
        return 1;
    return std::max(1, int(std::ceil(labelHeight / barSpacing)));
}

Model build(const TvLoggerContents &contents)
{
    Model model;
    model.header = contents.header;
    model.hasThreshold = readNumber(contents.header.thresholdLevel, model.threshold);

    // The logger's order is the channels' sequence numbers, as the viewer's grid lists them;
    // lines of the same number keep the order of the file.
    QList<TvMeasurement> channels = contents.measurements;
    std::stable_sort(channels.begin(), channels.end(),
                     [](const TvMeasurement &a, const TvMeasurement &b) { return a.number() < b.number(); });

    for (const TvMeasurement &m : channels) {
        Bar bar;
        bar.m = m;
        if (readNumber(m.field[TvMeasurement::PWR], bar.level)) {
            bar.measured = true;
            bar.digital = true;
        } else if (readNumber(m.field[TvMeasurement::LVL], bar.level)) {
            bar.measured = true;
        }
        if (bar.measured) {
            bar.hasQuality = readNumber(bar.qualityText(), bar.quality);
            bar.under = model.hasThreshold && bar.level < model.threshold;
            ++model.measured;
            if (bar.under)
                ++model.under;
        } else {
            ++model.unmeasured;
        }
        model.bars.append(bar);
    }
    return model;
}

int load(const QString &path, Model &model)
{
    TvLoggerContents contents;
    const int result = TvLoggerFile::read(path, contents);
    if (result < 0)
        return result;
    model = build(contents);
    return 0;
}

QString Model::thresholdWithUnits() const
{
    return withUnits(header.thresholdLevel, header.units);
}

QString Model::summary() const
{
    if (measured == 0)
        return StringTable::text(kRowNoneMeasured);
    QString text = hasThreshold ? StringTable::text(kRowSummary).arg(under).arg(measured).arg(thresholdWithUnits())
                                : StringTable::text(kRowNoThreshold).arg(measured);
    if (unmeasured > 0)
        text += QStringLiteral("; ") + StringTable::text(kRowNotMeasured).arg(unmeasured);
    return text;
}

QString Model::title() const
{
    QStringList parts{StringTable::text(kRowDatalogger) + QLatin1Char(' ') + header.loggerNumber};
    for (const QString &s : {header.location, header.date, header.time}) {
        if (!s.trimmed().isEmpty())
            parts << s.trimmed();
    }
    return parts.join(QStringLiteral(" - "));
}

QString Model::toolTip(int i) const
{
    if (i < 0 || i >= bars.size())
        return QString();
    const Bar &b = bars.at(i);
    QStringList lines{b.name()};
    if (!b.m.field[TvMeasurement::FREQ].isEmpty())
        lines << StringTable::text(kRowFreq) + QStringLiteral(": ") + b.m.field[TvMeasurement::FREQ];
    if (b.measured) {
        lines << StringTable::text(b.digital ? kRowPwr : kRowLevel) + QStringLiteral(": ")
                     + withUnits(b.levelText(), header.units);
        if (!b.qualityText().isEmpty())
            lines << StringTable::text(b.digital ? kRowMer : kRowCn) + QStringLiteral(": ") + b.qualityText();
        if (b.under)
            lines << StringTable::text(kRowBelow) + QStringLiteral(" (") + thresholdWithUnits() + QLatin1Char(')');
    }
    return lines.join(QLatin1Char('\n'));
}

Range Model::levelRange() const
{
    double lo = 0, hi = 0;
    for (const Bar &b : bars) {
        if (b.measured) {
            lo = std::min(lo, b.level);
            hi = std::max(hi, b.level);
        }
    }
    if (hasThreshold) {
        lo = std::min(lo, threshold);
        hi = std::max(hi, threshold);
    }
    return roundedRange(lo, hi);
}

Range Model::qualityRange() const
{
    double lo = 0, hi = 0;
    for (const Bar &b : bars) {
        if (b.measured && b.hasQuality) {
            lo = std::min(lo, b.quality);
            hi = std::max(hi, b.quality);
        }
    }
    return roundedRange(lo, hi);
}

} // namespace LevelChart
