#include "datalogger/Limits.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "datalogger/LevelChart.h"
#include "datalogger/LoggerCsv.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace Limits {

namespace {

// A figure this close to a limit is at the limit: the conversions of units (4.8 dBmV + 60)
// must not turn a level exactly at its window's edge into a failure.
constexpr double kTolerance = 1e-6;

const char *const kLimitKeys[kLimitCount] = {"LEVEL", "MER", "CN", "BER", "VA"};

QString normalised(const QString &text)
{
    QString t = text.toUpper();
    t.remove(QLatin1Char(' '));
    t.remove(QLatin1Char('\t'));
    return t;
}

QString problemText(int row, const QString &arg = QString())
{
    const QString t = StringTable::text(row);
    return arg.isNull() ? t : t.arg(arg);
}

QString numberText(double v)
{
    // As short as the value allows, so that a profile reads back as written.
    return QString::number(v, 'g', 12);
}

QString rangeFileText(const Range &r)
{
    return (r.hasMin ? numberText(r.min) : QString()) + QStringLiteral("..")
           + (r.hasMax ? numberText(r.max) : QString());
}

// Whether one channel's field could satisfy both conditions.
bool canBothMatch(const TextMatch &a, const TextMatch &b)
{
    if (a.any() || b.any())
        return true;
    auto has = [](const TextMatch &m, const QString &t) {
        for (const QString &x : m.texts) {
            if (normalised(x) == t)
                return true;
        }
        return false;
    };
    const QString blank = QStringLiteral("-"), anyText = QStringLiteral("*");
    if (has(a, blank) && has(b, blank))
        return true;
    if (has(a, anyText) && has(b, anyText))
        return true;
    for (const QString &x : a.texts) {
        const QString n = normalised(x);
        if (n == blank)
            continue;
        if (n == anyText
                ? std::any_of(b.texts.begin(), b.texts.end(), [&](const QString &y) { return normalised(y) != blank; })
                : (has(b, n) || has(b, anyText)))
            return true;
    }
    return false;
}

bool rangesMeet(const Range &a, const Range &b)
{
    const double aLo = a.hasMin ? a.min : -INFINITY, aHi = a.hasMax ? a.max : INFINITY;
    const double bLo = b.hasMin ? b.min : -INFINITY, bHi = b.hasMax ? b.max : INFINITY;
    return aLo <= bHi && bLo <= aHi;
}

void addProblem(QList<Problem> &list, int line, const QString &what)
{
    list.append(Problem{line, what});
}

}   // namespace

bool parseRange(const QString &value, Range &range)
{
    const int dots = value.indexOf(QStringLiteral(".."));
    if (dots < 0)
        return false;
    const QString lo = value.left(dots).trimmed();
    const QString hi = value.mid(dots + 2).trimmed();
    Range r;
    if (!lo.isEmpty()) {
        if (!LevelChart::readNumber(lo, r.min))
            return false;
        r.hasMin = true;
    }
    if (!hi.isEmpty()) {
        if (!LevelChart::readNumber(hi, r.max))
            return false;
        r.hasMax = true;
    }
    if (!r.isSet())
        return false;
    range = r;
    return true;
}

bool TextMatch::matches(const QString &field) const
{
    if (any())
        return true;
    const QString f = normalised(field);
    for (const QString &t : texts) {
        const QString n = normalised(t);
        if (n == QLatin1String("-") ? f.isEmpty() : n == QLatin1String("*") ? !f.isEmpty() : n == f)
            return true;
    }
    return false;
}

bool Rule::setsLimit() const
{
    return std::any_of(std::begin(limit), std::end(limit), [](const Range &r) { return r.isSet(); });
}

bool Rule::matches(const TvMeasurement &m) const
{
    if (!mod.matches(m.field[TvMeasurement::MOD]) || !annex.matches(m.field[TvMeasurement::ANNEX])
        || !sys.matches(m.field[TvMeasurement::SYS]) || !sr.matches(m.field[TvMeasurement::SR]))
        return false;
    if (freq.isSet()) {
        double f = 0;
        if (!LevelChart::readNumber(m.field[TvMeasurement::FREQ], f))
            return false;
        if ((freq.hasMin && f < freq.min - kTolerance) || (freq.hasMax && f > freq.max + kTolerance))
            return false;
    }
    return true;
}

// --- reading and writing ------------------------------------------------------------------

bool parse(const QString &text, Profile &profile, QList<Problem> &errors, QList<Problem> &warnings)
{
    Profile p;
    errors.clear();
    warnings.clear();
    bool hasName = false, hasSource = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const int eq = trimmed.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            addProblem(errors, lineNo, problemText(436 /* "a line must be KEY=value" */));
            continue;
        }
        const QString key = trimmed.left(eq).trimmed().toUpper();
        if (key == QLatin1String("NAME") || key == QLatin1String("SOURCE")) {
            bool &seen = key == QLatin1String("NAME") ? hasName : hasSource;
            if (seen)
                addProblem(errors, lineNo, problemText(443 /* "\"%1\" is given twice" */, key));
            seen = true;
            (key == QLatin1String("NAME") ? p.name : p.source) = trimmed.mid(eq + 1).trimmed();
            continue;
        }
        if (key != QLatin1String("RULE")) {
            addProblem(errors, lineNo, problemText(437 /* "unknown key \"%1\"" */, key));
            continue;
        }
        Rule rule;
        rule.line = lineNo;
        const QStringList items = trimmed.mid(eq + 1).split(QLatin1Char(';'));
        rule.name = items.first().trimmed();
        if (rule.name.isEmpty())
            addProblem(errors, lineNo, problemText(442 /* "a rule needs a name" */));
        QStringList seenKeys;
        bool ok = true;
        for (int k = 1; k < items.size(); ++k) {
            const QString item = items.at(k).trimmed();
            if (item.isEmpty())
                continue;
            const int ieq = item.indexOf(QLatin1Char('='));
            if (ieq <= 0) {
                addProblem(errors, lineNo, problemText(436 /* "a line must be KEY=value" */));
                ok = false;
                continue;
            }
            const QString ikey = item.left(ieq).trimmed().toUpper();
            const QString value = item.mid(ieq + 1).trimmed();
            if (seenKeys.contains(ikey)) {
                addProblem(errors, lineNo, problemText(443 /* "\"%1\" is given twice" */, ikey));
                ok = false;
                continue;
            }
            seenKeys << ikey;
            TextMatch *match = ikey == QLatin1String("MOD")     ? &rule.mod
                               : ikey == QLatin1String("ANNEX") ? &rule.annex
                               : ikey == QLatin1String("SYS")   ? &rule.sys
                               : ikey == QLatin1String("SR")    ? &rule.sr
                                                                : nullptr;
            if (match) {
                for (const QString &t : value.split(QLatin1Char(','))) {
                    if (!t.trimmed().isEmpty())
                        match->texts << t.trimmed();
                }
                continue;
            }
            Range *range = nullptr;
            if (ikey == QLatin1String("FREQ"))
                range = &rule.freq;
            for (int l = 0; l < kLimitCount; ++l) {
                if (ikey == QLatin1String(kLimitKeys[l]))
                    range = &rule.limit[l];
            }
            if (!range) {
                addProblem(errors, lineNo, problemText(437 /* "unknown key \"%1\"" */, ikey));
                ok = false;
                continue;
            }
            if (!parseRange(value, *range)) {
                addProblem(errors, lineNo, problemText(438 /* "\"%1\" is not a range (MIN..MAX)" */, value));
                ok = false;
            }
        }
        if (ok) {
            Profile one;
            one.rules << rule;
            for (const Problem &pr : check(one))
                addProblem(errors, lineNo, pr.what);
        }
        p.rules << rule;
    }
    if (errors.isEmpty())
        warnings = overlaps(p);
    profile = p;
    return errors.isEmpty();
}

bool readFile(const QString &path, Profile &profile, QList<Problem> &errors, QList<Problem> &warnings)
{
    QByteArray bytes;
    // A profile is a few lines; anything near the reading limit is no profile.
    if (!readFileBytes(path, bytes, 1024 * 1024)) {
        errors = {Problem{0, ErrorCodeText(Err::UnableToOpenFile)}};
        warnings.clear();
        profile = Profile();
        return false;
    }
    return parse(decodeSettingsFile(bytes), profile, errors, warnings);
}

QStringList describe(const QString &path, const QList<Problem> &problems)
{
    QStringList out;
    const QString name = QDir::toNativeSeparators(path);
    for (const Problem &p : problems) {
        out << (p.line > 0 ? StringTable::text(435 /* "%1, line %2: %3" */).arg(name).arg(p.line).arg(p.what)
                           : name + QStringLiteral(": ") + p.what);
    }
    return out;
}

QString format(const Profile &profile)
{
    QStringList lines;
    lines << QStringLiteral("# Kelvatrone limit profile. Format: see the README or kelvatrone-cli(1).");
    lines << QStringLiteral("NAME=") + profile.name;
    lines << QStringLiteral("SOURCE=") + profile.source;
    lines << QString();
    for (const Rule &r : profile.rules) {
        QStringList items{QStringLiteral("RULE=") + r.name};
        const std::pair<const char *, const TextMatch *> matches[] = {
            {"MOD", &r.mod}, {"ANNEX", &r.annex}, {"SYS", &r.sys}, {"SR", &r.sr}};
        for (const auto &[key, m] : matches) {
            if (!m->any())
                items << QLatin1String(key) + QLatin1Char('=') + m->texts.join(QLatin1Char(','));
        }
        if (r.freq.isSet())
            items << QStringLiteral("FREQ=") + rangeFileText(r.freq);
        for (int l = 0; l < kLimitCount; ++l) {
            if (r.limit[l].isSet())
                items << QLatin1String(kLimitKeys[l]) + QLatin1Char('=') + rangeFileText(r.limit[l]);
        }
        lines << items.join(QStringLiteral("; "));
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QList<Problem> check(const Profile &profile)
{
    QList<Problem> problems;
    auto unsafe = [](const QString &t) { return t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r')); };
    if (unsafe(profile.name) || unsafe(profile.source))
        addProblem(problems, 0, problemText(436 /* "a line must be KEY=value" */));
    for (int i = 0; i < profile.rules.size(); ++i) {
        const Rule &r = profile.rules.at(i);
        const int line = r.line > 0 ? r.line : i + 1;
        if (r.name.trimmed().isEmpty())
            addProblem(problems, line, problemText(442 /* "a rule needs a name" */));
        QStringList texts{r.name};
        for (const TextMatch *m : {&r.mod, &r.annex, &r.sys, &r.sr})
            texts << m->texts;
        for (const QString &t : texts) {
            if (unsafe(t) || t.contains(QLatin1Char(';')) || (t != r.name && t.contains(QLatin1Char(','))))
                addProblem(problems, line, problemText(444 /* "\"%1\" holds a character a profile cannot keep" */, t));
        }
        const Range *ranges[] = {&r.freq, &r.limit[0], &r.limit[1], &r.limit[2], &r.limit[3], &r.limit[4]};
        for (const Range *range : ranges) {
            if (range->hasMin && range->hasMax && range->min > range->max)
                addProblem(problems, line, problemText(439 /* "the minimum is above the maximum" */));
        }
        for (Limit l : {Limit::Mer, Limit::Cn}) {
            if (r.of(l).hasMax)
                addProblem(problems, line, problemText(440 /* "%1 takes a minimum only" */, limitName(l)));
        }
        if (r.of(Limit::Ber).hasMin)
            addProblem(problems, line, problemText(441 /* "%1 takes a maximum only" */, limitName(Limit::Ber)));
    }
    return problems;
}

QList<Problem> overlaps(const Profile &profile)
{
    QList<Problem> warnings;
    for (int i = 0; i < profile.rules.size(); ++i) {
        for (int j = i + 1; j < profile.rules.size(); ++j) {
            const Rule &a = profile.rules.at(i), &b = profile.rules.at(j);
            if (canBothMatch(a.mod, b.mod) && canBothMatch(a.annex, b.annex) && canBothMatch(a.sys, b.sys)
                && canBothMatch(a.sr, b.sr) && rangesMeet(a.freq, b.freq)) {
                addProblem(warnings, b.line > 0 ? b.line : j + 1,
                           StringTable::text(
                               445 /* "rules %1 (%2) and %3 (%4) overlap: a channel both match is judged by rule %1" */)
                               .arg(i + 1)
                               .arg(a.name)
                               .arg(j + 1)
                               .arg(b.name));
            }
        }
    }
    return warnings;
}

int writeFile(const QString &path, const Profile &profile)
{
    if (!check(profile).isEmpty())
        return Err::UnableToOpenFile;
    QStringList lines = format(profile).split(QStringLiteral("\r\n"));
    lines.removeLast();   // the text ends with a line end
    return writeBytesAtomicallyCode(path, encodeSettingsFile(lines));
}

Profile defaultProfile()
{
    Profile p;
    QList<Problem> errors, warnings;
    parse(defaultProfileText(), p, errors, warnings);
    return p;
}

QString folder()
{
    return app().programFolder + QLatin1Char('/') + kFolderName;
}

QStringList profileFiles()
{
    const QDir dir(folder());
    QStringList names =
        dir.entryList({QStringLiteral("*.") + kProfileExtension}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    return names;
}

int ensureFolder()
{
    const QString f = folder();
    if (QFileInfo(f).isDir())
        return 0;
    if (QFileInfo::exists(f) || !QDir().mkpath(f))
        return Err::UnableToOpenFile;
    QStringList lines = defaultProfileText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return writeTextLinesAtomicallyCode(f + QLatin1Char('/') + kDefaultProfileName, lines);
}

// --- units -----------------------------------------------------------------------------------

Unit unitOf(const QString &text)
{
    QString t = normalised(text).toLower();
    t.replace(QChar(0x00B5), QLatin1Char('u')).replace(QChar(0x03BC), QLatin1Char('u'));
    if (t == QLatin1String("dbuv"))
        return Unit::DbUv;
    if (t == QLatin1String("dbmv"))
        return Unit::DbMv;
    if (t == QLatin1String("dbm"))
        return Unit::Dbm;
    return Unit::Unknown;
}

double toDbuv(double value, Unit unit)
{
    switch (unit) {
        case Unit::DbMv: return value + 60.0;
        case Unit::Dbm: return value + 108.75;
        default: return value;
    }
}

// --- judgement -----------------------------------------------------------------------------

QString limitName(Limit l)
{
    switch (l) {
        case Limit::Level: return StringTable::text(149 /* "Level" */);
        case Limit::Mer: return StringTable::text(124 /* "MER" */);
        case Limit::Cn: return StringTable::text(151 /* "C/N" */);
        case Limit::Ber: return StringTable::text(127 /* "PreBER" */);
        case Limit::Va: return StringTable::text(150 /* "V/A" */);
    }
    return QString();
}

QString limitUnit(Limit l)
{
    switch (l) {
        case Limit::Level: return QStringLiteral("dBuV");
        case Limit::Ber: return QString();
        default: return QStringLiteral("dB");
    }
}

QString valueText(double value, Limit l)
{
    if (l == Limit::Ber)
        return QString::number(value, 'E', 1);
    return QString::number(value, 'f', 1);
}

QString rangeText(const Range &r, Limit l)
{
    auto num = [l](double v) { return l == Limit::Ber ? QString::number(v, 'E', 1) : numberText(v); };
    if (r.hasMin && r.hasMax)
        return num(r.min) + QStringLiteral("..") + num(r.max);
    if (r.hasMin)
        return QStringLiteral(">= ") + num(r.min);
    if (r.hasMax)
        return QStringLiteral("<= ") + num(r.max);
    return QString();
}

QString verdictText(Verdict v)
{
    switch (v) {
        case Verdict::Pass: return StringTable::text(421 /* "Pass" */);
        case Verdict::Fail: return StringTable::text(422 /* "Fail" */);
        case Verdict::NotJudged: break;
    }
    return StringTable::text(423 /* "Not judged" */);
}

namespace {

int fieldOf(Limit l)
{
    switch (l) {
        case Limit::Mer: return TvMeasurement::MER;
        case Limit::Cn: return TvMeasurement::CN;
        case Limit::Ber: return TvMeasurement::BER;
        case Limit::Va: return TvMeasurement::VA;
        case Limit::Level: break;
    }
    return TvMeasurement::PWR;
}

QString withUnit(const QString &value, Limit l)
{
    const QString unit = limitUnit(l);
    return unit.isEmpty() ? value : value + QLatin1Char(' ') + unit;
}

// The figure against the range: passed, or the text that says by how much it missed.
void compare(Check &c, const Range &range)
{
    const Limit l = c.limit;
    const QString name = limitName(l);
    // A bound says the level is under it: it fails a minimum at or above the bound, meets a
    // maximum at or above it when no minimum is set, and says nothing otherwise.
    if (c.bound) {
        if (!range.hasMin && range.hasMax && c.value <= range.max + kTolerance) {
            c.passed = true;
            return;
        }
        if (range.hasMin && c.value <= range.min + kTolerance) {
            c.passed = false;
            c.text = StringTable::text(428 /* "%1 %2 is below %3 by %4" */)
                         .arg(name, QStringLiteral("<") + withUnit(valueText(c.value, l), l), valueText(range.min, l),
                              QStringLiteral(">") + valueText(range.min - c.value, l));
            return;
        }
        c.known = false;
        c.text = StringTable::text(430 /* "%1 is only known to be under %2" */)
                     .arg(name, withUnit(valueText(c.value, l), l));
        return;
    }
    const double v = c.value;
    // BER spans decades: its tolerance is relative.
    const double tolMax = l == Limit::Ber ? std::abs(range.max) * 1e-9 : kTolerance;
    const double tolMin = l == Limit::Ber ? std::abs(range.min) * 1e-9 : kTolerance;
    if (range.hasMin && v < range.min - tolMin) {
        c.passed = false;
        c.text = StringTable::text(428 /* "%1 %2 is below %3 by %4" */)
                     .arg(name, withUnit(valueText(v, l), l), valueText(range.min, l), valueText(range.min - v, l));
    } else if (range.hasMax && v > range.max + tolMax) {
        c.passed = false;
        c.text =
            l == Limit::Ber
                ? StringTable::text(446 /* "%1 %2 is above %3" */).arg(name, valueText(v, l), valueText(range.max, l))
                : StringTable::text(429 /* "%1 %2 is above %3 by %4" */)
                      .arg(name, withUnit(valueText(v, l), l), valueText(range.max, l), valueText(v - range.max, l));
    } else {
        c.passed = true;
    }
}

}   // namespace

Verdict Judgement::overall() const
{
    if (fail > 0)
        return Verdict::Fail;
    return pass > 0 ? Verdict::Pass : Verdict::NotJudged;
}

QString Judgement::summary() const
{
    return StringTable::text(420 /* "%1 of %2 channels pass; %3 fail; %4 not judged" */)
        .arg(pass)
        .arg(channels.size())
        .arg(fail)
        .arg(notJudged);
}

Judgement judge(const TvLoggerContents &contents, const Profile &profile)
{
    Judgement j;
    j.header = contents.header;
    j.profile = profile;
    j.unit = unitOf(contents.header.units);

    // The logger's order, as the viewer's grid and the level chart list the channels.
    QList<TvMeasurement> channels = contents.measurements;
    std::stable_sort(channels.begin(), channels.end(),
                     [](const TvMeasurement &a, const TvMeasurement &b) { return a.number() < b.number(); });

    for (const TvMeasurement &m : channels) {
        ChannelResult r;
        r.m = m;
        // The level: the Pwr of a digital channel, else the Level of an analog one, else a
        // bound the meter gave for either.
        double raw = 0;
        bool rawKnown = LevelChart::readNumber(m.field[TvMeasurement::PWR], raw)
                        || LevelChart::readNumber(m.field[TvMeasurement::LVL], raw);
        if (!rawKnown
            && (LevelChart::readBound(m.field[TvMeasurement::PWR], raw)
                || LevelChart::readBound(m.field[TvMeasurement::LVL], raw))) {
            rawKnown = true;
            r.levelBound = true;
        }
        if (rawKnown && j.unit != Unit::Unknown) {
            r.hasLevel = true;
            r.level = toDbuv(raw, j.unit);
        }

        for (int i = 0; i < profile.rules.size(); ++i) {
            if (profile.rules.at(i).matches(m)) {
                r.rule = i;
                break;
            }
        }
        if (r.rule < 0) {
            r.reasons << StringTable::text(424 /* "No rule matches" */);
        } else {
            const Rule &rule = profile.rules.at(r.rule);
            if (!rule.setsLimit())
                r.reasons << StringTable::text(425 /* "The rule sets no limit" */);
            QStringList unknown;
            for (int l = 0; l < kLimitCount; ++l) {
                if (!rule.limit[l].isSet())
                    continue;
                Check c;
                c.limit = Limit(l);
                if (c.limit == Limit::Level) {
                    if (j.unit == Unit::Unknown) {
                        c.text =
                            StringTable::text(426 /* "Unknown units \"%1\"" */).arg(contents.header.units.trimmed());
                    } else if (!r.hasLevel) {
                        c.text = StringTable::text(427 /* "%1 does not read as a number" */).arg(limitName(c.limit));
                    } else {
                        c.known = true;
                        c.value = r.level;
                        c.bound = r.levelBound;
                    }
                } else {
                    c.known = LevelChart::readNumber(m.field[std::size_t(fieldOf(c.limit))], c.value);
                    if (!c.known)
                        c.text = StringTable::text(427 /* "%1 does not read as a number" */).arg(limitName(c.limit));
                }
                if (c.known)
                    compare(c, rule.limit[l]);
                r.checks << c;
            }
            // A limit missed decides the channel even when another figure is unreadable; a
            // channel passes only when every limit its rule sets was checked and met.
            bool failed = false, allKnown = true;
            QStringList failures;
            for (const Check &c : r.checks) {
                if (c.known && !c.passed) {
                    failed = true;
                    failures << c.text;
                } else if (!c.known) {
                    allKnown = false;
                    unknown << c.text;
                }
            }
            if (failed) {
                r.verdict = Verdict::Fail;
                r.reasons = failures;
            } else if (allKnown && rule.setsLimit()) {
                r.verdict = Verdict::Pass;
            } else {
                r.reasons << unknown;
            }
        }
        switch (r.verdict) {
            case Verdict::Pass: ++j.pass; break;
            case Verdict::Fail: ++j.fail; break;
            case Verdict::NotJudged: ++j.notJudged; break;
        }
        j.channels << r;
    }
    return j;
}

QByteArray csv(const Judgement &j)
{
    QStringList header{StringTable::text(79 /* "Name" */), StringTable::text(146 /* "Freq." */),
                       StringTable::text(89 /* "Mod." */), StringTable::text(88 /* "Annex" */),
                       StringTable::text(431 /* "Rule" */)};
    for (int l = 0; l < kLimitCount; ++l) {
        const QString unit = limitUnit(Limit(l));
        header << (unit.isEmpty() ? limitName(Limit(l))
                                  : limitName(Limit(l)) + QStringLiteral(" (") + unit + QLatin1Char(')'));
        header << StringTable::text(434 /* "%1 limits" */).arg(limitName(Limit(l)));
    }
    header << StringTable::text(432 /* "Verdict" */) << StringTable::text(433 /* "Reason" */);
    QByteArray out = LoggerCsv::kUtf8Bom + LoggerCsv::row(header);
    for (const ChannelResult &r : j.channels) {
        QStringList cells{r.name(), LoggerCsv::decimalPoint(r.m.field[TvMeasurement::FREQ]),
                          r.m.field[TvMeasurement::MOD], r.m.field[TvMeasurement::ANNEX],
                          r.rule >= 0 ? j.profile.rules.at(r.rule).name : QString()};
        for (int l = 0; l < kLimitCount; ++l) {
            const Limit limit = Limit(l);
            QString value;
            if (limit == Limit::Level) {
                if (r.hasLevel)
                    value = (r.levelBound ? QStringLiteral("<") : QString()) + valueText(r.level, limit);
            } else {
                value = LoggerCsv::decimalPoint(r.m.field[std::size_t(fieldOf(limit))]);
            }
            cells << value << (r.rule >= 0 ? rangeText(j.profile.rules.at(r.rule).of(limit), limit) : QString());
        }
        cells << verdictText(r.verdict) << r.reasons.join(QStringLiteral("; "));
        out += LoggerCsv::row(cells);
    }
    return out;
}

}   // namespace Limits
