// kelvatrone-cli receive-index / receive-logger / receive-all / report / print: what the
// datalogger index window does around its jobs, on the same files, without windows.

#include "cli/Cli.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "datalogger/LoggerFiles.h"
#include "datalogger/Printing.h"
#include "datalogger/Reports.h"
#include "jobs/JobContext.h"
#include "jobs/LoggerJobs.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>
#include <optional>

namespace {

// The command's arguments: options with a value ("--family tv") anywhere, the rest in order.
struct Args {
    QMap<QString, QString> options;
    QStringList positional;
    bool bad = false;
};

Args parse(const QStringList &args, const QStringList &valueOptions)
{
    Args a;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg.startsWith(QLatin1String("--"))) {
            if (!valueOptions.contains(arg) || i + 1 >= args.size()) {
                a.bad = true;
                return a;
            }
            a.options[arg] = args.at(++i);
        } else {
            a.positional << arg;
        }
    }
    return a;
}

bool parseFamily(const QString &text, LoggerFamily &family)
{
    if (text == QLatin1String("tv")) {
        family = LoggerFamily::Tv;
        return true;
    }
    if (text == QLatin1String("modem")) {
        family = LoggerFamily::Modem;
        return true;
    }
    return false;
}

int portFailure()
{
    return Cli::portFailure();
}

int jobFailure(int result)
{
    return result == Err::PortFailure ? portFailure() : Cli::fail(result);
}

// The model (for the file names) and the index window's channel-plan pre-check.
// keptAs: the family whose received-file name the command writes, when it writes one.
int prepareReception(const CliOptions &options, std::optional<LoggerFamily> keptAs = std::nullopt)
{
    const int model = Cli::ensureModel(options);
    if (model != 0)
        return model;
    // The windows disable the logger commands of such a model; here nothing reaches the meter
    // and no file is written.
    if (app().CurrentModel.modelTypeCode == 0)
        return Cli::failText(StringTable::text(223 /* "%1 has no datalogger" */).arg(app().CurrentModel.modelName));
    // A model without a file type for the family would keep its loggers as "temp00.".
    if (keptAs)
        if (const int typed = Logger::checkReceivedFileType(*keptAs); typed != 0)
            return typed;
    return LoggerJobs::channelPlanPreCheck(thePort());
}

int runJobOnTerminal(int code, const QString &path, int number)
{
    std::unique_ptr<JobContext> context = Cli::terminalContext(thePort());
    const int result = runJob(*context, code, path, number);
    context.reset();
    return result;
}

// receive-index --family tv|modem [OUT]
int runReceiveIndex(const CliOptions &options, const QStringList &args)
{
    const Args a = parse(args, {QStringLiteral("--family")});
    LoggerFamily family;
    if (a.bad || a.positional.size() > 1 || !parseFamily(a.options.value(QStringLiteral("--family")), family))
        return Cli::usage(QStringLiteral("receive-index"));
    const int ready = prepareReception(options);
    if (ready != 0)
        return Cli::fail(ready);

    const QString out = a.positional.isEmpty() ? Logger::indexPath() : Cli::argPath(a.positional.first());
    const int result = runJobOnTerminal(LoggerJobs::jobCode(family, JobCode::Index), out, 0);
    if (result != 0)
        return jobFailure(result);

    QList<LoggerIndexEntry> entries;
    LoggerIndexFile::read(out, entries);
    for (int slot = 0; slot < entries.size(); ++slot) {
        const LoggerIndexEntry &e = entries.at(slot);
        if (!e.valid)
            Cli::out(QStringLiteral("%1  unreadable: %2").arg(slot, 2).arg(e.answer));
        else if (e.isEmpty())
            Cli::out(QStringLiteral("%1  empty").arg(slot, 2));
        else
            Cli::out(QStringLiteral("%1  %2  %3  %4").arg(slot, 2).arg(e.time, e.date, e.name));
    }
    return 0;
}

// receive-logger --family tv|modem SLOT [OUT]
int runReceiveLogger(const CliOptions &options, const QStringList &args)
{
    const Args a = parse(args, {QStringLiteral("--family")});
    LoggerFamily family;
    if (a.bad || a.positional.isEmpty() || a.positional.size() > 2
        || !parseFamily(a.options.value(QStringLiteral("--family")), family))
        return Cli::usage(QStringLiteral("receive-logger"));
    bool numeric = false;
    const int slot = a.positional.first().toInt(&numeric);
    if (!numeric || slot < 0 || slot >= Logger::slotCount(family)) {
        Cli::err(QStringLiteral("SLOT is 0 to %1 for %2 loggers")
                     .arg(Logger::slotCount(family) - 1)
                     .arg(family == LoggerFamily::Tv ? QStringLiteral("TV") : QStringLiteral("cable-modem")));
        return 2;
    }
    const int ready = prepareReception(options, a.positional.size() > 1 ? std::nullopt : std::optional(family));
    if (ready != 0)
        return Cli::fail(ready);

    const QString out =
        a.positional.size() > 1 ? Cli::argPath(a.positional.at(1)) : Logger::receivedLoggerPath(family, slot);
    if (family == LoggerFamily::Modem) {
        const int result = runJobOnTerminal(LoggerJobs::jobCode(family, JobCode::OneLogger), out, slot);
        if (result != 0)
            return jobFailure(result);
        Cli::out(out);
        return 0;
    }
    // A TV logger that ended short keeps what arrived in its file, but is not a success.
    LoggerJobs::TvReception got;
    std::unique_ptr<JobContext> context = Cli::terminalContext(thePort());
    const int result = LoggerJobs::receiveTvLogger(*context, slot, out, got);
    context.reset();
    if (result != 0)
        return jobFailure(result);
    Cli::out(out);
    if (!got.complete())
        return Cli::failText(LoggerJobs::incompleteLoggerText(slot, got));
    return 0;
}

// receive-all --family tv|modem
int runReceiveAll(const CliOptions &options, const QStringList &args)
{
    const Args a = parse(args, {QStringLiteral("--family")});
    LoggerFamily family;
    if (a.bad || !a.positional.isEmpty() || !parseFamily(a.options.value(QStringLiteral("--family")), family))
        return Cli::usage(QStringLiteral("receive-all"));
    const int ready = prepareReception(options, family);
    if (ready != 0)
        return Cli::fail(ready);

    LoggerJobs::AllLoggersOutcome outcome;
    std::unique_ptr<JobContext> context = Cli::terminalContext(thePort());
    const int result = LoggerJobs::receiveAllLoggers(*context, LoggerJobs::jobCode(family, 0), &outcome);
    context.reset();
    // Every logger that arrived is listed; the end of the run names those that are incomplete
    // or missing, and either makes the run a failure.
    for (const QString &path : outcome.written)
        Cli::out(path);
    for (const QString &line : LoggerJobs::allLoggersSummary(outcome))
        Cli::err(line);
    if (result != 0)
        return jobFailure(result);
    if (!outcome.incomplete.isEmpty())
        return 1;
    if (outcome.written.isEmpty())
        Cli::err(StringTable::text(313 /* "The meter holds no logger" */));
    return 0;
}

// report LOGGER OUT [--family tv|modem]
int runReport(const CliOptions &options, const QStringList &args)
{
    const Args a = parse(args, {QStringLiteral("--family")});
    if (a.bad || a.positional.size() != 2)
        return Cli::usage(QStringLiteral("report"));
    const QString logger = Cli::argPath(a.positional.at(0));
    const QString out = Cli::argPath(a.positional.at(1));
    if (Cli::sameFile(logger, out))
        return Cli::outputIsInput(QStringLiteral("report"), logger);
    LoggerFamily family;
    if (a.options.contains(QStringLiteral("--family"))) {
        if (!parseFamily(a.options.value(QStringLiteral("--family")), family))
            return Cli::usage(QStringLiteral("report"));
    } else if (!fileExists(logger)) {
        return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::FileNotFound), logger));
    } else if (!Logger::familyOfFile(logger, family)) {
        return Cli::failText(QStringLiteral("%1: no DEVICE line of a TV (%2) or cable-modem (%3) logger; "
                                            "--family tv|modem chooses the report")
                                 .arg(logger, Logger::kTvDevice, Logger::kModemDevice));
    }
    // The model matters only to a cable-modem report (a model without registration details),
    // and only when one is named: a report needs no meter.
    if (!options.model.isEmpty()) {
        const int model = Cli::ensureModel(options);
        if (model != 0)
            return Cli::fail(model);
    }
    const int r = family == LoggerFamily::Tv ? writeTvReport(logger, out) : writeModemReport(logger, out);
    if (r == Err::WriteFailed)
        return Cli::fail(r);
    if (r != 0)
        return Cli::failText(
            QStringLiteral("%1: %2").arg(ErrorCodeText(Err::UnableToOpenFile), fileExists(logger) ? out : logger));
    return 0;
}

// print REPORT [--pdf OUT.pdf] [--font-size N] [--title T]
int runPrint(const CliOptions &, const QStringList &args)
{
    const Args a = parse(args, {QStringLiteral("--pdf"), QStringLiteral("--font-size"), QStringLiteral("--title")});
    if (a.bad || a.positional.size() != 1)
        return Cli::usage(QStringLiteral("print"));
    const QString report = Cli::argPath(a.positional.first());
    int fontSize = app().PrintFontSize;
    if (a.options.contains(QStringLiteral("--font-size"))) {
        bool ok = false;
        fontSize = a.options.value(QStringLiteral("--font-size")).toInt(&ok);
        if (!ok || fontSize < 6 || fontSize > 12) {
            Cli::err(QStringLiteral("--font-size takes 6 to 12"));
            return 2;
        }
    }
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return Cli::failText(QStringLiteral("printing is not available in this program"));
    if (!fileExists(report))
        return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::FileNotFound), report));
    const QString title = a.options.value(QStringLiteral("--title"), QFileInfo(report).fileName());

    const QString pdf = Cli::argPath(a.options.value(QStringLiteral("--pdf")));
    if (!pdf.isEmpty() && Cli::sameFile(report, pdf))
        return Cli::outputIsInput(QStringLiteral("print"), report);
    std::unique_ptr<QPrinter> pdfPrinter;
    QPrinter *printer = &thePrinter();
    if (!pdf.isEmpty()) {
        pdfPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pdfPrinter->setOutputFormat(QPrinter::PdfFormat);
        pdfPrinter->setOutputFileName(pdf);
        printer = pdfPrinter.get();
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        return Cli::failText(QStringLiteral("no default printer (--pdf OUT.pdf prints into a file)"));
    }
    const int pages = printTextFile(*printer, title, report, fontSize);
    if (pages == Err::UnableToOpenFile) {
        // The report, or the PDF file that was to replace OUT.pdf, could not be opened.
        QByteArray unused;
        const bool reportReadable = readFileBytes(report, unused);
        return Cli::failText(QStringLiteral("%1: %2").arg(ErrorCodeText(Err::UnableToOpenFile),
                                                          reportReadable && !pdf.isEmpty() ? pdf : report));
    }
    if (pages == Err::WriteFailed)
        return Cli::fail(pages);
    if (pages < 0)
        return Cli::failText(pdf.isEmpty() ? QStringLiteral("the printer did not accept the print job")
                                           : QStringLiteral("%1: %2").arg(ErrorCodeText(Err::UnableToOpenFile), pdf));
    Cli::out(pdf.isEmpty() ? StringTable::text(315 /* "%1 page(s)" */).arg(pages)
                           : StringTable::text(316 /* "%1 page(s) in %2" */).arg(pages).arg(pdf));
    return 0;
}

CliRegistration regIndex{
    CliCommand{QStringLiteral("receive-index"), QStringLiteral("receive-index --family tv|modem [OUT]"),
               QStringLiteral("receive the meter's logger index (default: logger.tlg in the temporary folder)"),
               runReceiveIndex, WorkspaceJob::ReceiveIndex}};

CliRegistration regLogger{
    CliCommand{QStringLiteral("receive-logger"), QStringLiteral("receive-logger --family tv|modem SLOT [OUT]"),
               QStringLiteral("receive one logger (default: its received-file name in the temporary folder)"),
               runReceiveLogger, WorkspaceJob::ReceiveLogger}};

CliRegistration regAll{CliCommand{QStringLiteral("receive-all"), QStringLiteral("receive-all --family tv|modem"),
                                  QStringLiteral("receive every non-empty logger into the temporary folder"),
                                  runReceiveAll, WorkspaceJob::ReceiveAll}};

CliRegistration regReport{CliCommand{
    QStringLiteral("report"),
    QStringLiteral("report LOGGER OUT [--family tv|modem]"),
    QStringLiteral("write the framed text report of a logger file (labels in --lang)"),
    runReport,
}};

CliRegistration regPrint{CliCommand{
    QStringLiteral("print"),
    QStringLiteral("print REPORT [--pdf OUT.pdf] [--font-size N] [--title T]"),
    QStringLiteral("print a report, into a PDF file or on the default printer"),
    runPrint,
}};

}   // namespace
