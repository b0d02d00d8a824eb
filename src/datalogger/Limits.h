#pragma once
// Installation limits: the profiles that say which level, MER, C/N, pre-correction BER and
// video-to-audio ratio each kind of signal must have at an outlet, and the judgement of every
// channel of a TV logger against one of them. Nothing here draws or asks: the viewer's Check
// Limits view, the customer's report and the command line take their verdicts from here, so
// that they can never disagree about a channel.
//
// A profile is a plain text file in the workspace's Limits folder:
//
//   # a comment
//   NAME=EN 60728-1 outlet levels
//   SOURCE=where the figures come from
//   RULE=DVB-C 256-QAM; MOD=QAM256; LEVEL=54..74
//
// One rule per line, "RULE=" and its name first, then conditions and limits, each KEY=value,
// separated by ";". Conditions compare a measurement field's text without letter case and
// blanks against a list separated by ","; "-" stands for a blank field and "*" for any text
// that is not blank; a field without a condition is not looked at. MOD, ANNEX, SYS and SR are
// the modulation, annex, analog system and symbol rate texts; FREQ=MIN..MAX is a frequency
// range in MHz. Limits are ranges MIN..MAX with either end left empty: LEVEL in dBuV, MER and
// CN (minimum only), BER (maximum only) and VA. The first rule that matches a channel judges it.

#include "datalogger/LoggerFiles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Limits {

// The file type of a profile, and the workspace folder that keeps them.
inline const QString kProfileExtension = QStringLiteral("lim");
inline const QString kFolderName = QStringLiteral("Limits");
// The file name the delivered profile takes in a workspace.
inline const QString kDefaultProfileName = QStringLiteral("EN 60728-1.lim");

struct Range {
    bool hasMin = false, hasMax = false;
    double min = 0, max = 0;
    bool isSet() const { return hasMin || hasMax; }
};

// Which texts of one measurement field a rule takes; an empty list takes every text.
struct TextMatch {
    QStringList texts;   // as written; "-" a blank field, "*" any text that is not blank
    bool any() const { return texts.isEmpty(); }
    bool matches(const QString &field) const;
};

enum class Limit { Level, Mer, Cn, Ber, Va };
constexpr int kLimitCount = 5;

struct Rule {
    QString name;
    TextMatch mod, annex, sys, sr;
    Range freq;   // MHz
    Range limit[kLimitCount];   // indexed by Limit
    int line = 0;   // where it stands in its file (0: not read from a file)
    bool setsLimit() const;
    bool matches(const TvMeasurement &m) const;
    const Range &of(Limit l) const { return limit[int(l)]; }
};

struct Profile {
    QString name;
    QString source;
    QList<Rule> rules;
};

// What is wrong on a line of a profile, in the current language.
struct Problem {
    int line = 0;
    QString what;
};

// A range "MIN..MAX" with either end empty (not both); a decimal comma reads as a point.
bool parseRange(const QString &value, Range &range);

// Reads a profile's text. The errors make the profile unusable; the warnings (overlapping
// rules) do not. Returns true when there is no error.
bool parse(const QString &text, Profile &profile, QList<Problem> &errors, QList<Problem> &warnings);
// The same from a file (UTF-8 or Latin-1, as the settings files). A file that cannot be read
// gives one error on line 0.
bool readFile(const QString &path, Profile &profile, QList<Problem> &errors, QList<Problem> &warnings);
// "FILE, line N: what" for each problem (line 0: "FILE: what").
QStringList describe(const QString &path, const QList<Problem> &problems);

// The profile's file text, comments of the delivered profile aside.
QString format(const Profile &profile);
// The checks of the editor and the writer: a name for every rule, no ";" or line break where
// the file could not keep it, every minimum at or below its maximum, MER and C/N without a
// maximum, BER without a minimum. Empty when the profile can be written.
QList<Problem> check(const Profile &profile);
// Pairs of rules that a channel could match both (the first one judges it), as warnings.
QList<Problem> overlaps(const Profile &profile);
// Writes the profile beside the path and moves it over the path when complete: 0, -65 for a
// profile that check() refuses, or the write's code (Err::UnableToOpenFile, Err::WriteFailed).
int writeFile(const QString &path, const Profile &profile);

// The delivered profile's text, and the profile it reads as.
QString defaultProfileText();
Profile defaultProfile();

// The workspace's Limits folder, and the profiles in it (file names, sorted).
QString folder();
QStringList profileFiles();
// Creates the Limits folder with the delivered profile when the workspace has none. A folder
// that exists is left as it is, even without the delivered profile (the user may have removed
// it). 0, or the code of the failure.
int ensureFolder();

// --- units ---------------------------------------------------------------------------------

enum class Unit { DbUv, DbMv, Dbm, Unknown };
// The logger's UNITS text read without letter case and blanks; "dBuV", "dBµV" and "dBμV" all
// read as dBuV.
Unit unitOf(const QString &text);
// A level in the unit as dBuV: dBmV + 60, dBm (75 ohm) + 108.75.
double toDbuv(double value, Unit unit);

// --- judgement -----------------------------------------------------------------------------

enum class Verdict { Pass, Fail, NotJudged };

// One limit of the rule, against the channel's figure.
struct Check {
    Limit limit = Limit::Level;
    bool known = false;   // the figure reads as a number (or a bound decides it)
    double value = 0;   // the figure (a level in dBuV)
    bool bound = false;   // the meter gave only an upper bound ("<20,0")
    bool passed = false;
    QString text;   // why it failed, or why it is not known; empty when it passed
};

struct ChannelResult {
    TvMeasurement m;
    int rule = -1;   // the rule that judges it, -1 for none
    Verdict verdict = Verdict::NotJudged;
    bool hasLevel = false;   // the level in dBuV could be worked out
    double level = 0;
    bool levelBound = false;
    QList<Check> checks;
    QStringList reasons;   // failures, or why the channel is not judged
    QString name() const { return m.field[TvMeasurement::CH]; }
};

struct Judgement {
    TvLoggerHeader header;
    Profile profile;
    Unit unit = Unit::Unknown;
    QList<ChannelResult> channels;   // in the logger's order
    int pass = 0, fail = 0, notJudged = 0;
    // Pass only when nothing failed and at least one channel was judged.
    Verdict overall() const;
    // "N of M channels pass; K fail; J not judged", in the current language.
    QString summary() const;
};

Judgement judge(const TvLoggerContents &contents, const Profile &profile);

// Names in the current language.
QString verdictText(Verdict v);
QString limitName(Limit l);
// The limit's unit as shown ("dBuV", "dB", empty for BER).
QString limitUnit(Limit l);
// "54..74", "> 32", "< 1.0E-4", empty when unset.
QString rangeText(const Range &r, Limit l);
// A figure as shown: one decimal, BER in scientific notation.
QString valueText(double value, Limit l);

// The judgement as a CSV file, by the CSV export's conventions (RFC 4180, UTF-8 with a byte
// order mark, CR LF, a decimal point, an empty cell for no value).
QByteArray csv(const Judgement &judgement);

}   // namespace Limits
