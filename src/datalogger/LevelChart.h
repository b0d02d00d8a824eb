#pragma once
// What the level chart of a TV logger shows, worked out without any window: which channels get
// a bar and at what level, which fall under the logger's threshold, the quality figure beside
// each, the tooltips and the summary line. The chart view, the saved chart and the CSV export
// all take their figures from here, so they can never disagree about a channel.
//
// A channel's level is its Pwr for a digital channel and its Level for an analog one; its
// quality figure is the MER or the C/N that goes with it. Values are the texts the viewer shows:
// a blank field is no value, and a decimal comma reads as a decimal point. A channel without a
// level that reads as a number gets no bar and is counted apart as not measured.

#include "datalogger/LoggerFiles.h"

#include <QList>
#include <QString>

namespace LevelChart {

struct Bar {
    TvMeasurement m;   // the channel's fields as the viewer shows them
    bool measured = false;   // the level reads as a number
    bool digital = false;   // the level is the Pwr (MER beside it), else the Level (C/N beside it)
    double level = 0;
    bool hasQuality = false;
    double quality = 0;
    bool under = false;   // measured and strictly below the threshold
    bool bound = false;   // the level is a bound the meter gave ("<20,0"), under the threshold

    QString name() const { return m.field[TvMeasurement::CH]; }
    QString levelText() const { return m.field[digital ? TvMeasurement::PWR : TvMeasurement::LVL]; }
    QString qualityText() const { return m.field[digital ? TvMeasurement::MER : TvMeasurement::CN]; }
};

struct Range {
    double min = 0;
    double max = 1;
};

// The step between an axis's ticks: a round number (1, 2, 2.5 or 5 times a power of ten) that
// gives at most ten steps over the range, however large its values.
double tickStep(double min, double max);

struct Model {
    TvLoggerHeader header;
    bool hasThreshold = false;
    double threshold = 0;
    QList<Bar> bars;   // every channel, in the logger's order (by sequence number)
    int measured = 0;
    int under = 0;
    int unmeasured = 0;

    // "N of M channels under the threshold (T units)", and how many were not measured, in the
    // current language; "No channel measured" for a logger without a single level.
    QString summary() const;
    // The chart's title: the logger number, location, date and time.
    QString title() const;
    // The tooltip of the bar of channel i: its name and the values behind the bar.
    QString toolTip(int i) const;
    // The threshold as the file gives it, with the logger's units ("45 dBuV").
    QString thresholdWithUnits() const;
    // The level axis: every bar, the threshold and 0, widened to whole tick steps with a margin
    // (below the lowest bar too, when it sits on the bottom), its values bounded.
    Range levelRange() const;
    // The quality axis: every quality figure and 0, widened likewise.
    Range qualityRange() const;
};

// The chart of a logger as read by the TV viewer.
Model build(const TvLoggerContents &contents);
// Reads a logger file by the viewer's rules and builds its chart: 0, or -65 when the viewer
// would refuse the file.
int load(const QString &path, Model &model);

// A field of the meter as a number: optional sign, digits with "." or "," as the decimal point,
// an optional exponent. False for a blank field or any other text.
bool readNumber(const QString &text, double &value);
// A bound the meter gave for a value under its range: "<" and a number ("<20,0").
bool readBound(const QString &text, double &value);

// Every how many bars a category label is written so that labels of the given height (the
// text runs upwards) do not overlap on bars the given number of pixels apart: 1 shows them all.
int labelStep(double barSpacing, double labelHeight);

}   // namespace LevelChart
