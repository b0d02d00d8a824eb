#pragma once
// What the archive's two views show, worked out without a window: a site's history (each
// channel's level over the entries of one location) and the before/after comparison of two TV
// entries. The windows, their CSV and PDF files and the command line take their figures from
// here.

#include "archive/Archive.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

namespace Archive {

// --- the list of entries -----------------------------------------------------------------------

// The archive window's columns, in the current language: Entry, Received, Meter Date, Meter Time,
// Location, Plan, Family, Channels, Under Threshold.
QStringList listColumns();
enum ListColumn {
    IdColumn,
    ReceivedColumn,
    DateColumn,
    TimeColumn,
    LocationColumn,
    PlanColumn,
    FamilyColumn,
    ChannelsColumn,
    UnderColumn,
    ListColumnCount
};
// An entry's cells under those columns; the received time in local time ("2026-12-08 18:30").
QStringList listCells(const Summary &s);
QString familyText(LoggerFamily family);
// A UTC stamp of the archive in local time, to the minute.
QString localTime(const QString &isoUtc);

// --- before/after -----------------------------------------------------------------------------

struct ComparedChannel {
    enum class Match { Name, Frequency, OnlyBefore, OnlyAfter };
    Match match = Match::Name;
    std::optional<Channel> before, after;
    std::optional<double> levelDiff;   // after - before, when both levels read as numbers
    std::optional<double> qualityDiff;
    bool marked = false;   // |levelDiff| larger than the comparison's limit

    // The name shown: the after name, or both when the channel was renamed ("C21 / C22").
    QString name() const;
    QString frequency() const;
};

struct Comparison {
    Summary before, after;
    double limitDb = 3;
    QList<ComparedChannel> rows;
    int marked = 0;
    // "N channels compared, K differ by more than L dB; B only before, A only after".
    QString summary() const;
};

// Channels are matched by name (letter case and blanks aside), in order where a name repeats;
// the ones left are matched by frequency; the rest are listed as only before or only after.
// Rows follow the before entry's order, the channels only after come last.
Comparison compare(const QList<Channel> &before, const QList<Channel> &after, double limitDb);
// The comparison of two archived TV entries: 0, Err::NoSuchEntry, Err::NotTvEntry or a
// failure of the archive.
int compareEntries(Store &store, qint64 beforeId, qint64 afterId, double limitDb, Comparison &out);

// The column titles of the comparison, in the current language.
QStringList comparisonColumns();
QList<QStringList> comparisonRows(const Comparison &c);
QByteArray comparisonCsv(const Comparison &c);

// --- a site's history -------------------------------------------------------------------------

struct History {
    QString location;
    QList<Summary> entries;   // in the order measured
    QStringList channels;   // every channel name, in the order first seen
    // levels[e][c]: the level of channel c in entry e, when it was measured.
    QList<QList<std::optional<double>>> levels;
    std::optional<double> threshold;   // the last entry's threshold, when it reads as a number
    QString units;

    // The last level minus the first, over the entries where the channel was measured (at least two).
    std::optional<double> change(int channel) const;
};

// The TV entries (not deleted) whose location is this one, letter case and blanks aside.
int historyOfLocation(Store &store, const QString &location, History &out);
// The TV entries chosen, in the order measured.
int historyOfEntries(Store &store, const QList<qint64> &ids, History &out);

// One row per channel: its name, its level in each entry, the change in dB.
QStringList historyColumns(const History &h);
QList<QStringList> historyRows(const History &h);
QByteArray historyCsv(const History &h);

// Rows as a text table with columns padded to their widest cell, for a terminal.
QStringList textTable(const QStringList &columns, const QList<QStringList> &rows);
// "+1.5", "-0.3", "0.0": a difference with its sign and one decimal.
QString signedDb(double value);
// A level as the table shows it: one decimal.
QString levelText(double value);

}   // namespace Archive
