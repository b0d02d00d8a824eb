#include "archive/Views.h"
#include "app/StringTable.h"
#include "datalogger/LevelChart.h"
#include "datalogger/LoggerCsv.h"
#include "link/ErrorCodes.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>

namespace Archive {

namespace {

namespace Row {
constexpr int ModemLogger = 113;   // "Modem Logger"
constexpr int TvLogger = 114;   // "TV Logger"
constexpr int Location = 153;   // "Location"
constexpr int Received = 337;   // "Received"
constexpr int MeterDate = 338;   // "Meter Date"
constexpr int MeterTime = 339;   // "Meter Time"
constexpr int Plan = 340;   // "Plan"
constexpr int Family = 341;   // "Family"
constexpr int Channels = 342;   // "Channels"
constexpr int UnderThreshold = 343;   // "Under Threshold"
constexpr int Incomplete = 375;   // "incomplete"
constexpr int Entry = 377;   // "Entry"
constexpr int Channel = 96;   // "Channel"
constexpr int Frequency = 125;   // "Frequency"
constexpr int ChangeDb = 359;   // "Change (dB)"
constexpr int LevelBefore = 365;   // "Level Before"
constexpr int LevelAfter = 366;   // "Level After"
constexpr int DifferenceDb = 367;   // "Difference (dB)"
constexpr int QualityBefore = 368;   // "Quality Before"
constexpr int QualityAfter = 369;   // "Quality After"
constexpr int QualityDifference = 370;   // "Quality Difference"
constexpr int ComparisonSummary =
    372;   // "%1 channels compared, %2 differ by more than %3 dB; %4 only before, %5 only after"
constexpr int ByFrequency = 379;   // "matched by frequency"
constexpr int OnlyBefore = 380;   // "only before"
constexpr int OnlyAfter = 381;   // "only after"
constexpr int Marked = 383;   // "Over the Limit"
}   // namespace Row

QString matchKey(const QString &name)
{
    return name.simplified().toCaseFolded();
}

std::optional<double> frequencyOf(const Channel &c)
{
    double f = 0;
    if (LevelChart::readNumber(c.field[TvMeasurement::FREQ], f))
        return f;
    return std::nullopt;
}

QString number(const std::optional<double> &v, bool withSign)
{
    if (!v)
        return QString();
    return withSign ? signedDb(*v) : levelText(*v);
}

// The order of the entries of a history: as measured, then as archived.
void sortByMeasured(QList<Summary> &entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const Summary &a, const Summary &b) {
        return a.measuredAt != b.measuredAt ? a.measuredAt < b.measuredAt : a.id < b.id;
    });
}

}   // namespace

QString signedDb(double value)
{
    // A difference that rounds to nothing is shown without a sign.
    if (std::abs(value) < 0.05)
        return QStringLiteral("0.0");
    return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value, 'f', 1);
}

QString levelText(double value)
{
    return QString::number(value, 'f', 1);
}

// --- the list of entries -----------------------------------------------------------------------

QStringList listColumns()
{
    using StringTable::text;
    return {text(Row::Entry), text(Row::Received), text(Row::MeterDate), text(Row::MeterTime),     text(Row::Location),
            text(Row::Plan),  text(Row::Family),   text(Row::Channels),  text(Row::UnderThreshold)};
}

QString familyText(LoggerFamily family)
{
    return StringTable::text(family == LoggerFamily::Tv ? Row::TvLogger : Row::ModemLogger);
}

QString localTime(const QString &isoUtc)
{
    QDateTime t = QDateTime::fromString(isoUtc, Qt::ISODate);
    if (!t.isValid())
        return isoUtc;
    return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QStringList listCells(const Summary &s)
{
    QString location = s.location;
    if (!s.complete)
        location += QStringLiteral(" (") + StringTable::text(Row::Incomplete) + QLatin1Char(')');
    const bool tv = s.family == LoggerFamily::Tv;
    return {QString::number(s.id),
            localTime(s.firstAt),
            s.meterDate,
            s.meterTime,
            location.trimmed(),
            s.plan,
            familyText(s.family),
            tv ? QString::number(s.channels) : QString(),
            tv ? QString::number(s.under) : QString()};
}

// --- before/after -----------------------------------------------------------------------------

QString ComparedChannel::name() const
{
    if (before && after && matchKey(before->name()) != matchKey(after->name()))
        return before->name() + QStringLiteral(" / ") + after->name();
    return after ? after->name() : before->name();
}

QString ComparedChannel::frequency() const
{
    const Channel &c = after ? *after : *before;
    return LoggerCsv::decimalPoint(c.field[TvMeasurement::FREQ]);
}

QString Comparison::summary() const
{
    int both = 0, onlyBefore = 0, onlyAfter = 0;
    for (const ComparedChannel &r : rows) {
        if (r.match == ComparedChannel::Match::OnlyBefore)
            ++onlyBefore;
        else if (r.match == ComparedChannel::Match::OnlyAfter)
            ++onlyAfter;
        else
            ++both;
    }
    return StringTable::text(Row::ComparisonSummary)
        .arg(both)
        .arg(marked)
        .arg(QString::number(limitDb, 'g', 4))
        .arg(onlyBefore)
        .arg(onlyAfter);
}

Comparison compare(const QList<Channel> &before, const QList<Channel> &after, double limitDb)
{
    Comparison c;
    c.limitDb = limitDb;
    QList<int> partner(before.size(), -1);   // before index -> after index
    QList<bool> taken(after.size(), false);
    QList<ComparedChannel::Match> how(before.size(), ComparedChannel::Match::OnlyBefore);

    // By name first: the k-th channel of a name before goes with the k-th of that name after.
    QHash<QString, QList<int>> afterByName;
    for (int j = 0; j < after.size(); ++j)
        afterByName[matchKey(after[j].name())].append(j);
    for (int i = 0; i < before.size(); ++i) {
        QList<int> &candidates = afterByName[matchKey(before[i].name())];
        if (!candidates.isEmpty() && !matchKey(before[i].name()).isEmpty()) {
            partner[i] = candidates.takeFirst();
            taken[partner[i]] = true;
            how[i] = ComparedChannel::Match::Name;
        }
    }
    // Then by frequency among the channels left (a channel renamed in the plan).
    for (int i = 0; i < before.size(); ++i) {
        if (partner[i] >= 0)
            continue;
        const auto f = frequencyOf(before[i]);
        if (!f)
            continue;
        for (int j = 0; j < after.size(); ++j) {
            if (taken[j])
                continue;
            const auto g = frequencyOf(after[j]);
            if (g && std::abs(*f - *g) < 0.0005) {
                partner[i] = j;
                taken[j] = true;
                how[i] = ComparedChannel::Match::Frequency;
                break;
            }
        }
    }

    auto diff = [](bool hasA, double a, bool hasB, double b) -> std::optional<double> {
        if (hasA && hasB)
            return b - a;
        return std::nullopt;
    };
    for (int i = 0; i < before.size(); ++i) {
        ComparedChannel r;
        r.match = how[i];
        r.before = before[i];
        if (partner[i] >= 0) {
            const Channel &a = after[partner[i]];
            r.after = a;
            r.levelDiff = diff(before[i].hasLevel, before[i].level, a.hasLevel, a.level);
            r.qualityDiff = diff(before[i].hasQuality, before[i].quality, a.hasQuality, a.quality);
            // Compared on the figure shown, so that a mark never sits beside "3.0" at a limit of 3.
            r.marked = r.levelDiff && std::abs(std::round(*r.levelDiff * 10) / 10) > limitDb;
        }
        c.rows.append(r);
    }
    for (int j = 0; j < after.size(); ++j) {
        if (taken[j])
            continue;
        ComparedChannel r;
        r.match = ComparedChannel::Match::OnlyAfter;
        r.after = after[j];
        c.rows.append(r);
    }
    c.marked = int(std::count_if(c.rows.cbegin(), c.rows.cend(), [](const ComparedChannel &r) { return r.marked; }));
    return c;
}

int compareEntries(Store &store, qint64 beforeId, qint64 afterId, double limitDb, Comparison &out)
{
    Entry b, a;
    for (auto [id, e] : {std::pair<qint64, Entry *>{beforeId, &b}, {afterId, &a}}) {
        if (const int r = store.entry(id, *e); r != 0)
            return r;
        if (e->summary.family != LoggerFamily::Tv)
            return Err::NotTvEntry;
    }
    QList<Channel> before, after;
    if (const int r = store.channels(beforeId, before); r != 0)
        return r;
    if (const int r = store.channels(afterId, after); r != 0)
        return r;
    out = compare(before, after, limitDb);
    out.before = b.summary;
    out.after = a.summary;
    return 0;
}

QStringList comparisonColumns()
{
    using StringTable::text;
    return {text(Row::Channel),      text(Row::Frequency),         text(Row::LevelBefore),
            text(Row::LevelAfter),   text(Row::DifferenceDb),      text(Row::QualityBefore),
            text(Row::QualityAfter), text(Row::QualityDifference), text(Row::Marked)};
}

QList<QStringList> comparisonRows(const Comparison &c)
{
    QList<QStringList> rows;
    for (const ComparedChannel &r : c.rows) {
        auto level = [](const std::optional<Channel> &ch) -> std::optional<double> {
            return ch && ch->hasLevel ? std::optional<double>(ch->level) : std::nullopt;
        };
        auto quality = [](const std::optional<Channel> &ch) -> std::optional<double> {
            return ch && ch->hasQuality ? std::optional<double>(ch->quality) : std::nullopt;
        };
        QString mark;
        switch (r.match) {
            case ComparedChannel::Match::Name: break;
            case ComparedChannel::Match::Frequency: mark = StringTable::text(Row::ByFrequency); break;
            case ComparedChannel::Match::OnlyBefore: mark = StringTable::text(Row::OnlyBefore); break;
            case ComparedChannel::Match::OnlyAfter: mark = StringTable::text(Row::OnlyAfter); break;
        }
        if (r.marked)
            mark = mark.isEmpty() ? QStringLiteral("*") : QStringLiteral("*, ") + mark;
        rows.append({r.name(), r.frequency(), number(level(r.before), false), number(level(r.after), false),
                     number(r.levelDiff, true), number(quality(r.before), false), number(quality(r.after), false),
                     number(r.qualityDiff, true), mark});
    }
    return rows;
}

namespace {
QByteArray csvOf(const QStringList &columns, const QList<QStringList> &rows)
{
    // The byte order mark and row layout of the logger CSV export, so a spreadsheet reads both alike.
    QByteArray out = LoggerCsv::kUtf8Bom + LoggerCsv::row(columns);
    for (const QStringList &r : rows)
        out += LoggerCsv::row(r);
    return out;
}
}   // namespace

QByteArray comparisonCsv(const Comparison &c)
{
    return csvOf(comparisonColumns(), comparisonRows(c));
}

// --- a site's history -------------------------------------------------------------------------

std::optional<double> History::change(int channel) const
{
    std::optional<double> first, last;
    int measured = 0;
    for (const auto &row : levels) {
        if (channel < row.size() && row[channel]) {
            if (!first)
                first = row[channel];
            last = row[channel];
            ++measured;
        }
    }
    // A channel measured once has not changed; it has no change to show.
    if (measured >= 2)
        return *last - *first;
    return std::nullopt;
}

namespace {

int fillHistory(Store &store, QList<Summary> entries, History &out)
{
    sortByMeasured(entries);
    out.entries = entries;
    out.channels.clear();
    out.levels.clear();
    out.threshold.reset();
    out.units.clear();
    QHash<QString, int> channelIndex;
    QList<QList<Level>> perEntry;
    QList<qint64> ids;
    for (const Summary &s : std::as_const(entries))
        ids << s.id;
    QHash<qint64, QList<Level>> levels;
    if (const int r = store.channelLevels(ids, levels); r != 0)
        return r;
    // Names repeat from visit to visit: each text is matched once.
    QHash<QString, int> indexOfName;
    QList<QList<int>> columnsOf;
    for (const Summary &s : std::as_const(entries)) {
        const QList<Level> chans = levels.value(s.id);
        QList<int> columns;
        columns.reserve(chans.size());
        for (const Level &c : std::as_const(chans)) {
            auto known = indexOfName.constFind(c.name);
            if (known == indexOfName.cend()) {
                const QString key = matchKey(c.name);
                if (!channelIndex.contains(key)) {
                    channelIndex.insert(key, int(out.channels.size()));
                    out.channels << c.name.simplified();
                }
                known = indexOfName.insert(c.name, channelIndex.value(key));
            }
            columns << *known;
        }
        perEntry.append(chans);
        columnsOf.append(columns);
    }
    for (qsizetype e = 0; e < perEntry.size(); ++e) {
        const QList<Level> &chans = perEntry[e];
        QList<std::optional<double>> row(out.channels.size());
        for (qsizetype i = 0; i < chans.size(); ++i) {
            const Level &c = chans[i];
            const int k = columnsOf[e][i];
            // A channel measured twice in one logger: its first line counts, as in the chart's order.
            if (c.measured && !row[k])
                row[k] = c.value;
        }
        out.levels.append(row);
    }
    if (!entries.isEmpty()) {
        double t = 0;
        if (LevelChart::readNumber(entries.last().threshold, t))
            out.threshold = t;
        out.units = entries.last().units;
    }
    return 0;
}

}   // namespace

int historyOfLocation(Store &store, const QString &location, History &out)
{
    QList<Summary> all;
    Filter f;
    f.family = int(LoggerFamily::Tv);
    if (const int r = store.list(f, all); r != 0)
        return r;
    const QString key = matchKey(location);
    QList<Summary> chosen;
    for (const Summary &s : std::as_const(all))
        if (matchKey(s.location) == key)
            chosen.append(s);
    out.location = location.simplified();
    return fillHistory(store, chosen, out);
}

int historyOfEntries(Store &store, const QList<qint64> &ids, History &out)
{
    QList<Summary> chosen;
    for (qint64 id : ids) {
        Entry e;
        if (const int r = store.entry(id, e); r != 0)
            return r;
        if (e.summary.family != LoggerFamily::Tv)
            return Err::NotTvEntry;
        chosen.append(e.summary);
    }
    out.location = chosen.isEmpty() ? QString() : chosen.first().location;
    return fillHistory(store, chosen, out);
}

QStringList historyColumns(const History &h)
{
    QStringList columns{StringTable::text(Row::Channel)};
    for (const Summary &s : h.entries)
        columns << QStringLiteral("#%1 %2 %3").arg(s.id).arg(s.meterDate, s.meterTime).trimmed();
    columns << StringTable::text(Row::ChangeDb);
    return columns;
}

QList<QStringList> historyRows(const History &h)
{
    QList<QStringList> rows;
    for (int c = 0; c < h.channels.size(); ++c) {
        QStringList row{h.channels[c]};
        for (const auto &levels : h.levels)
            row << number(levels[c], false);
        row << number(h.change(c), true);
        rows.append(row);
    }
    return rows;
}

QByteArray historyCsv(const History &h)
{
    return csvOf(historyColumns(h), historyRows(h));
}

QStringList textTable(const QStringList &columns, const QList<QStringList> &rows)
{
    QList<int> width(columns.size(), 0);
    // A column of figures is set to the right, so that the decimal points line up; texts to the left.
    QList<bool> figures(columns.size(), true);
    for (const QStringList &r : rows)
        for (int i = 0; i < r.size() && i < figures.size(); ++i) {
            bool ok = r[i].isEmpty();
            if (!ok)
                r[i].toDouble(&ok);
            figures[i] = figures[i] && ok;
        }
    auto measure = [&](const QStringList &r) {
        for (int i = 0; i < r.size() && i < width.size(); ++i)
            width[i] = std::max(width[i], int(r[i].size()));
    };
    measure(columns);
    for (const QStringList &r : rows)
        measure(r);
    auto line = [&](const QStringList &r) {
        QString s;
        for (int i = 0; i < r.size() && i < width.size(); ++i) {
            s += figures[i] ? r[i].rightJustified(width[i]) : r[i].leftJustified(width[i]);
            if (i + 1 < r.size())
                s += QStringLiteral("  ");
        }
        while (s.endsWith(QLatin1Char(' ')))
            s.chop(1);
        return s;
    };
    QStringList out{line(columns)};
    for (const QStringList &r : rows)
        out << line(r);
    return out;
}

}   // namespace Archive
