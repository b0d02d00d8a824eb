// kelvatrone-cli export / chart: a logger as a CSV file for a spreadsheet, and the TV viewer's
// level chart as a picture or a PDF page, from the same core as the viewers' File menu.

#include "cli/Cli.h"

#include "datalogger/LoggerCsv.h"
#include "link/ErrorCodes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>

namespace {

int unableToOpen(const QString &path)
{
    return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::UnableToOpenFile), path));
}

// export LOGGER OUT.csv [--family tv|modem]
int runExport(const CliOptions &options, const QStringList &args)
{
    QStringList positional;
    QMap<QString, QString> values;
    if (!Cli::splitArgs(args, {QStringLiteral("--family")}, {}, positional, values) || positional.size() != 2)
        return Cli::usage(QStringLiteral("export"));
    const QString logger = Cli::argPath(positional.at(0));
    const QString out = Cli::argPath(positional.at(1));
    if (Cli::sameFile(logger, out))
        return Cli::outputIsInput(QStringLiteral("export"), logger);

    // The family named, else the one the file's DEVICE line names, else whichever viewer
    // accepts the file (a TV logger's DEVICE line is only checked when present).
    QList<LoggerFamily> families;
    LoggerFamily named = LoggerFamily::Tv;
    const QString family = values.value(QStringLiteral("--family"));
    if (family == QLatin1String("tv"))
        families << LoggerFamily::Tv;
    else if (family == QLatin1String("modem"))
        families << LoggerFamily::Modem;
    else if (!family.isEmpty())
        return Cli::usage(QStringLiteral("export"));
    else if (Logger::familyOfFile(logger, named))
        families << named;
    else
        families << LoggerFamily::Tv << LoggerFamily::Modem;

    // As in the report, a model matters only to a cable-modem logger (one without registration
    // details), and only when one is named: an export needs no meter.
    if (!options.model.isEmpty()) {
        const int model = Cli::ensureModel(options);
        if (model != 0)
            return Cli::fail(model);
    }
    // A missing file is refused as the viewer refuses it.
    LoggerCsv::Failure failure = LoggerCsv::Failure::Logger;
    for (LoggerFamily f : families) {
        const int r = LoggerCsv::exportFile(logger, f, out, &failure);
        if (r == 0)
            return 0;
        if (failure == LoggerCsv::Failure::Output)
            return r == Err::WriteFailed ? Cli::fail(r) : unableToOpen(out);
    }
    return unableToOpen(logger);
}

// chart LOGGER OUT.png|OUT.pdf [--size WxH]
int runChart(const CliOptions &options, const QStringList &args)
{
    QStringList positional;
    QMap<QString, QString> values;
    if (!Cli::splitArgs(args, {QStringLiteral("--size")}, {}, positional, values) || positional.size() != 2)
        return Cli::usage(QStringLiteral("chart"));
    const QString logger = Cli::argPath(positional.at(0));
    const QString out = Cli::argPath(positional.at(1));
    if (Cli::sameFile(logger, out))
        return Cli::outputIsInput(QStringLiteral("chart"), logger);
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("pdf")) {
        Cli::err(QStringLiteral("chart: the output is a .png or a .pdf file"));
        return 2;
    }
    QSize size(0, 0);
    if (values.contains(QStringLiteral("--size"))) {
        static const QRegularExpression wxh(QStringLiteral("^(\\d{3,5})x(\\d{3,5})$"));
        const QRegularExpressionMatch m = wxh.match(values.value(QStringLiteral("--size")));
        size = m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
        if (size.isEmpty() || size.width() > 10000 || size.height() > 10000) {
            Cli::err(QStringLiteral("--size takes WIDTHxHEIGHT in pixels, 100 to 10000 each"));
            return 2;
        }
    }
    // The chart is drawn by kelvatrone-chart beside this program (it links Qt Charts, which the
    // other commands would otherwise load at every start); its messages and status are ours.
    // In the build tree it is beside this program; installed, in the private libexec folder.
    const QDir here(QCoreApplication::applicationDirPath());
    QString helper = here.filePath(QStringLiteral("kelvatrone-chart"));
    if (!QFileInfo(helper).isExecutable() && !QFileInfo(helper + QStringLiteral(".exe")).isExecutable())
        helper = QDir::cleanPath(here.filePath(QStringLiteral(KV_CHART_HELPER_DIR "/kelvatrone-chart")));
    QProcess drawing;
    drawing.setProcessChannelMode(QProcess::ForwardedChannels);
    // The drawing program ends when its standard input closes: when this program ends, however
    // it ends (Ctrl-C, SIGTERM, killed), the drawing does not go on without it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KV_CHART_WATCH_PARENT"), QStringLiteral("1"));
    drawing.setProcessEnvironment(environment);
    drawing.start(helper, QStringList{QString::number(options.language), logger, out, QString::number(size.width()),
                                      QString::number(size.height())});
    if (!drawing.waitForStarted())
        return Cli::failText(QStringLiteral("chart: kelvatrone-chart is not installed (looked for %1)").arg(helper));
    drawing.waitForFinished(-1);
    return drawing.exitStatus() == QProcess::NormalExit ? drawing.exitCode() : 1;
}

CliRegistration regExport{CliCommand{
    QStringLiteral("export"),
    QStringLiteral("export LOGGER OUT.csv [--family tv|modem]"),
    QStringLiteral("write a logger as a CSV file (RFC 4180, UTF-8, \".\" decimal point, labels in --lang)"),
    runExport,
}};

CliRegistration regChart{CliCommand{
    QStringLiteral("chart"),
    QStringLiteral("chart LOGGER OUT.png|OUT.pdf [--size WxH]"),
    QStringLiteral("draw the level chart of a TV logger into a PNG picture or a PDF page"),
    runChart,
}};

}   // namespace
