#pragma once
// The customer's report of an installation: one or more PDF pages with who measured, where and
// when, the profile the channels were judged against, the chart of their levels in their level
// windows, the table of verdicts, the overall verdict and lines for the signatures. Also the
// settings of this feature, kept apart from st.stg in the workspace's "limits.stg": the
// installer's company, address, name and logo, the profile last chosen, and the customer's
// details remembered per location.
//
// Drawing uses QPainter only (no widgets), so the command line writes the same report as the
// TV viewer, and the viewer's Check Limits chart is the report's chart.

#include "datalogger/Limits.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace LimitsReport {

// Verdict colours, shared by the view, its chart and the report.
inline const QColor kPass{0x2E, 0x9E, 0x44};
inline const QColor kFail{0xE0, 0x45, 0x2B};
inline const QColor kNotJudged{0x9A, 0x9A, 0x9A};
inline const QColor kWindow{0xD8, 0xE4, 0xF2};
QColor colourOf(Limits::Verdict v);

// What a customer is, remembered for a location (the logger's LOCATION text).
struct Site {
    QString location;
    QString customer;
    QString address;
    QString outlet;
};

struct Settings {
    QString company;
    QString companyAddress;
    QString installer;
    QString logo;   // a picture file, empty for none
    QString profile;   // file name in the Limits folder, empty: the delivered profile
    QList<Site> sites;   // most recently used first
    // The site remembered for the location (an empty one with the location when none is).
    Site siteFor(const QString &location) const;
    // Puts the site first, replacing the one of the same location; keeps at most kMaxSites.
    void remember(const Site &site);
};
constexpr int kMaxSites = 200;

// "limits.stg" in the workspace.
QString settingsPath();
// Missing or unreadable settings read as empty ones.
Settings readSettings(const QString &path);
// 0, or the write's code; the old file stays whole on a failure.
int writeSettings(const QString &path, const Settings &settings);

// The file of the profile chosen in the settings when it exists, otherwise the delivered profile
// file of the Limits folder; empty when neither is there (the delivered profile itself is used).
QString chosenProfilePath(const Settings &settings);
// That profile read: path gets its file (empty for the built-in one). False, with the problems,
// for a profile file with errors; warnings, when given, get its overlaps.
bool chosenProfile(const Settings &settings, Limits::Profile &profile, QString &path, QStringList &problems,
                   QStringList *warnings = nullptr);

struct Details {
    Site site;
    QString company, companyAddress, installer, logo;
    QString meterModel;   // empty: the logger's DEVICE line
    QString loggerFile;   // shown by its file name
    QString profileFile;   // shown by its file name, empty for the delivered profile
};

// The chart: one bar per channel in its verdict's colour, over the channel's level window,
// with a level axis in dBuV, the channel names and a legend, at the given point size.
void paintChart(QPainter &painter, const QRectF &area, const Limits::Judgement &judgement, qreal pointSize);

// Writes the report as a PDF beside the path and moves it over the path when complete. 0; or
// Err::UnableToOpenFile / Err::WriteFailed when the file cannot be written (an existing file
// stays). warnings get what was left out (a logo that cannot be read).
int writePdf(const QString &path, const Limits::Judgement &judgement, const Details &details,
             QStringList *warnings = nullptr);

}   // namespace LimitsReport
