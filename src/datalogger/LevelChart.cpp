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
constexpr int kRowSummary = 245;   // "%1 of %2 channels under the threshold (%3)"
constexpr int kRowNotMeasured = 246;   // "%1 not measured"
constexpr int kRowNoneMeasured = 247;   // "No channel measured"
constexpr int kRowNoThreshold = 248;   // "%1 channels measured, no threshold level"
constexpr int kRowBelow = 259;   // "Below threshold"

// Beyond this a value is no measurement a meter makes: the axis stops there, so that its
// arithmetic stays finite whatever a damaged logger holds.
constexpr double kAxisLimit = 1e12;

// The axis of values from lo to hi: a little room above the highest value and, when a value
// sits on the bottom (a negative one, or a bar at 0 that would have no height), below the
// lowest, both ends on whole tick steps.
Range roundedRange(double lo, double hi, bool roomBelow)
{
    lo = std::clamp(lo, -kAxisLimit, kAxisLimit);
    hi = std::clamp(hi, -kAxisLimit, kAxisLimit);
    const double margin = std::max(1.0, (hi - lo) * 0.05);
    // Ends on whole steps of 5 units, as the ticks of a meter's usual range fall; on whole tick
    // steps for a range much wider than that.
    const double ticks = tickStep(lo - (roomBelow ? margin : 0), hi + margin);
    const double step = ticks <= 10 ? 5.0 : ticks;
    Range r{std::floor((lo - (roomBelow ? margin : 0)) / step) * step, std::ceil((hi + margin) / step) * step};
    if (r.max <= r.min)
        r.max = r.min + step;
    return r;
}

QString withUnits(const QString &value, const QString &units)
{
    return units.isEmpty() ? value : value + QLatin1Char(' ') + units;
}

}   // namespace

double tickStep(double min, double max)
{
    // 1, 2, 2.5 and 5 times a power of ten: the smallest that gives at most ten steps.
    const double span = std::max(1e-9, max - min);
    const double raw = span / 10;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (m * power >= raw)
            return m * power;
    }
    return 10 * power;
}

bool readBound(const QString &text, double &value)
{
    const QString t = text.trimmed();
    return t.startsWith(QLatin1Char('<')) && readNumber(t.mid(1), value);
}

bool readNumber(const QString &text, double &value)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
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
        } else if (model.hasThreshold) {
            // A level the meter could only bound ("<20,0": under its range) is surely under a
            // threshold at or above the bound; against a lower threshold it says nothing.
            double bound = 0;
            const bool digital = readBound(m.field[TvMeasurement::PWR], bound);
            if ((digital || readBound(m.field[TvMeasurement::LVL], bound)) && bound <= model.threshold) {
                bar.measured = true;
                bar.bound = true;
                bar.digital = digital;
                bar.level = bound;
            }
        }
        if (bar.measured) {
            bar.hasQuality = readNumber(bar.qualityText(), bar.quality);
            bar.under = model.hasThreshold && (bar.level < model.threshold || bar.bound);
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
    // One measured channel is said in the singular ("0 of 1 channel").
    QString text;
    if (measured == 1)
        text = hasThreshold ? StringTable::text(318 /* "%1 of 1 channel under the threshold (%2)" */)
                                  .arg(under)
                                  .arg(thresholdWithUnits())
                            : StringTable::text(319 /* "1 channel measured, no threshold level" */);
    else
        text = hasThreshold ? StringTable::text(kRowSummary).arg(under).arg(measured).arg(thresholdWithUnits())
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
    bool bottomBar = false;   // a bar as low as the bottom of the axis would have no height
    double lowest = 0;
    bool any = false;
    for (const Bar &b : bars) {
        if (b.measured) {
            lo = std::min(lo, b.level);
            hi = std::max(hi, b.level);
            lowest = any ? std::min(lowest, b.level) : b.level;
            any = true;
        }
    }
    if (hasThreshold) {
        lo = std::min(lo, threshold);
        hi = std::max(hi, threshold);
    }
    bottomBar = any && lowest <= lo;
    return roundedRange(lo, hi, lo < 0 || bottomBar);
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
    return roundedRange(lo, hi, lo < 0);
}

}   // namespace LevelChart
