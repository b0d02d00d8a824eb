// kelvatrone-cli check-limits / report-limits: a TV logger judged against a limit profile, as
// a table and an exit status a script can test, and as the customer's report PDF.

#include "cli/Cli.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "archive/Views.h"
#include "datalogger/Limits.h"
#include "datalogger/LimitsReport.h"
#include "datalogger/LoggerFiles.h"
#include "link/ErrorCodes.h"

#include <QFileInfo>
#include <QMap>
#include <algorithm>

namespace {

struct Loaded {
    TvLoggerContents contents;
    Limits::Profile profile;
    QString profilePath;   // empty: the delivered profile
    LimitsReport::Settings settings;
};

// Reads the logger and the profile (--profile, else the one chosen in the workspace). 0, or the
// exit status of the failure, already told.
int load(const QString &command, const QString &logger, const QMap<QString, QString> &values, Loaded &l)
{
    if (TvLoggerFile::read(logger, l.contents) < 0)
        return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::UnableToOpenFile), logger));
    l.settings = LimitsReport::readSettings(LimitsReport::settingsPath());
    QStringList problems;
    if (values.contains(QStringLiteral("--profile"))) {
        l.profilePath = Cli::argPath(values.value(QStringLiteral("--profile")));
        QList<Limits::Problem> errors, warnings;
        if (!Limits::readFile(l.profilePath, l.profile, errors, warnings))
            problems = Limits::describe(l.profilePath, errors);
        for (const QString &w : Limits::describe(l.profilePath, warnings))
            Cli::err(w);
    } else {
        // The overlaps of the workspace's profile are said too (the first rule that matches judges).
        QStringList warnings;
        LimitsReport::chosenProfile(l.settings, l.profile, l.profilePath, problems, &warnings);
        for (const QString &w : warnings)
            Cli::err(w);
    }
    if (!problems.isEmpty()) {
        Cli::err(QStringLiteral("%1: ").arg(command)
                 + StringTable::text(447 /* "The profile has errors and is not used:" */));
        for (const QString &p : problems)
            Cli::err(QStringLiteral("  ") + p);
        return 1;
    }
    return 0;
}

// check-limits LOGGER [--profile FILE] [--csv OUT]
int runCheck(const CliOptions &, const QStringList &args)
{
    QStringList positional;
    QMap<QString, QString> values;
    if (!Cli::splitArgs(args, {QStringLiteral("--profile"), QStringLiteral("--csv")}, {}, positional, values)
        || positional.size() != 1)
        return Cli::usage(QStringLiteral("check-limits"));
    const QString logger = Cli::argPath(positional.at(0));
    const QString csvPath =
        values.contains(QStringLiteral("--csv")) ? Cli::argPath(values.value(QStringLiteral("--csv"))) : QString();
    if (!csvPath.isEmpty() && Cli::sameFile(logger, csvPath))
        return Cli::outputIsInput(QStringLiteral("check-limits"), logger);
    Loaded l;
    if (const int r = load(QStringLiteral("check-limits"), logger, values, l))
        return r;
    const Limits::Judgement j = Limits::judge(l.contents, l.profile);

    const QStringList columns{StringTable::text(79 /* "Name" */),
                              StringTable::text(146 /* "Freq." */),
                              StringTable::text(89 /* "Mod." */),
                              StringTable::text(431 /* "Rule" */),
                              Limits::limitName(Limits::Limit::Level) + QStringLiteral(" dBuV"),
                              StringTable::text(481 /* "Level window" */),
                              StringTable::text(432 /* "Verdict" */),
                              StringTable::text(433 /* "Reason" */)};
    QList<QStringList> rows;
    for (const Limits::ChannelResult &c : j.channels) {
        const Limits::Rule *rule = c.rule >= 0 ? &j.profile.rules.at(c.rule) : nullptr;
        rows << QStringList{c.name(),
                            c.m.field[TvMeasurement::FREQ],
                            c.m.field[TvMeasurement::MOD],
                            rule ? rule->name : QStringLiteral("-"),
                            c.hasLevel ? (c.levelBound ? QStringLiteral("<") : QString())
                                             + Limits::valueText(c.level, Limits::Limit::Level)
                                       : QStringLiteral("-"),
                            rule ? Limits::rangeText(rule->of(Limits::Limit::Level), Limits::Limit::Level) : QString(),
                            Limits::verdictText(c.verdict),
                            c.reasons.join(QStringLiteral("; "))};
    }
    Cli::out(StringTable::text(459 /* "Limit profile" */) + QStringLiteral(": ") + l.profile.name
             + (l.profilePath.isEmpty() ? QString() : QStringLiteral(" (") + l.profilePath + QLatin1Char(')')));
    for (const QString &line : Archive::textTable(columns, rows))
        Cli::out(line);
    Cli::out(j.summary());

    if (!csvPath.isEmpty()) {
        const int w = writeBytesAtomicallyCode(csvPath, Limits::csv(j));
        if (w < 0) {
            Cli::err(writeFailureText());
            return Cli::fail(w);
        }
    }

    if (j.overall() == Limits::Verdict::Pass)
        return 0;
    if (j.fail > 0) {
        for (const Limits::ChannelResult &c : j.channels) {
            if (c.verdict == Limits::Verdict::Fail)
                Cli::err(c.name() + QStringLiteral(": ") + c.reasons.join(QStringLiteral("; ")));
        }
    } else {
        Cli::err(j.summary());
        for (const Limits::ChannelResult &c : j.channels)
            Cli::err(c.name() + QStringLiteral(": ") + c.reasons.join(QStringLiteral("; ")));
        if (j.channels.isEmpty())
            Cli::err(StringTable::text(
                464 /* "No channel could be judged: this report does not say that the installation passes." */));
    }
    return 1;
}

// report-limits LOGGER OUT.pdf [--profile FILE] [--customer TEXT] [--address TEXT] [--outlet TEXT]
//               [--installer TEXT]
int runReport(const CliOptions &, const QStringList &args)
{
    QStringList positional;
    QMap<QString, QString> values;
    const QStringList valueOptions{QStringLiteral("--profile"), QStringLiteral("--customer"),
                                   QStringLiteral("--address"), QStringLiteral("--outlet"),
                                   QStringLiteral("--installer")};
    if (!Cli::splitArgs(args, valueOptions, {}, positional, values) || positional.size() != 2)
        return Cli::usage(QStringLiteral("report-limits"));
    const QString logger = Cli::argPath(positional.at(0));
    const QString out = Cli::argPath(positional.at(1));
    if (Cli::sameFile(logger, out))
        return Cli::outputIsInput(QStringLiteral("report-limits"), logger);
    if (QFileInfo(out).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
        Cli::err(QStringLiteral("report-limits: the output is a .pdf file"));
        return 2;
    }
    Loaded l;
    if (const int r = load(QStringLiteral("report-limits"), logger, values, l))
        return r;
    const Limits::Judgement j = Limits::judge(l.contents, l.profile);

    // The customer's details: those given, else those remembered for the logger's location.
    LimitsReport::Details d;
    d.site = l.settings.siteFor(l.contents.header.location);
    if (values.contains(QStringLiteral("--customer")))
        d.site.customer = values.value(QStringLiteral("--customer"));
    if (values.contains(QStringLiteral("--address")))
        d.site.address = values.value(QStringLiteral("--address"));
    if (values.contains(QStringLiteral("--outlet")))
        d.site.outlet = values.value(QStringLiteral("--outlet"));
    d.company = l.settings.company;
    d.companyAddress = l.settings.companyAddress;
    d.installer = values.contains(QStringLiteral("--installer")) ? values.value(QStringLiteral("--installer"))
                                                                 : l.settings.installer;
    d.logo = l.settings.logo;
    d.meterModel = app().CurrentModel.modelName;
    d.loggerFile = logger;
    d.profileFile = l.profilePath;

    QStringList warnings;
    const int w = LimitsReport::writePdf(out, j, d, &warnings);
    for (const QString &warning : warnings)
        Cli::err(warning);
    if (w < 0) {
        Cli::err(writeFailureText());
        return Cli::fail(w);
    }
    Cli::out(j.summary());
    return 0;
}

CliRegistration regCheck{CliCommand{
    QStringLiteral("check-limits"),
    QStringLiteral("check-limits LOGGER [--profile FILE] [--csv OUT]"),
    QStringLiteral("judge a TV logger against a limit profile; exit 0 when every judged channel passes"),
    runCheck,
}};

CliRegistration regReport{CliCommand{
    QStringLiteral("report-limits"),
    QStringLiteral("report-limits LOGGER OUT.pdf [--profile FILE] [--customer TEXT] [--address TEXT] "
                   "[--outlet TEXT] [--installer TEXT]"),
    QStringLiteral("write the customer's installation report of a TV logger as a PDF"),
    runReport,
}};

}   // namespace
