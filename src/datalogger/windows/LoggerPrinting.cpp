#include "datalogger/windows/LoggerPrinting.h"

#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/Printing.h"
#include "link/ErrorCodes.h"

#include <QFileInfo>
#include <QPrinter>

namespace {

// Whether a print job on the printer has somewhere to go: a named printer, or a file.
bool hasDestination(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return !printer.outputFileName().isEmpty();
    return !printer.printerName().isEmpty();
}

// The file that the print dialog has just named (and so asked about): the next print into it
// needs no second question, every later one does.
QString fileChosenInDialog;

bool chooseDestination(QWidget *parent)
{
    if (!prompts().printDialog(parent, &thePrinter()))
        return false;
    const QPrinter &printer = thePrinter();
    fileChosenInDialog = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    return true;
}

}   // namespace

void loggerPrintSetup(QWidget *parent)
{
    // The printer choice: where the Windows set-up dialog chose the printer and its paper, the
    // toolkit's print dialog is the one that chooses the printer (or a file) on every platform.
    chooseDestination(parent);
}

bool ensurePrintDestination(QWidget *parent)
{
    // Without any printer a print job would vanish without a trace; ask where it should go.
    return hasDestination(thePrinter()) || chooseDestination(parent);
}

bool confirmPrintFile(QWidget *parent)
{
    const QPrinter &printer = thePrinter();
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
        return true;
    const QString file = printer.outputFileName();
    const bool justChosen = file == fileChosenInDialog;
    fileChosenInDialog.clear();
    return justChosen || confirmOverwrite(parent, StringTable::text(51 /* "Warning" */), file);
}

QString loggerOutputFile(const QString &outputFile, int slot)
{
    const QFileInfo info(outputFile);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = info.suffix().isEmpty() ? outputFile : outputFile.left(outputFile.size() - suffix.size());
    return stem + QString::asprintf("_%.2d", slot) + suffix;
}

int printLoggerReport(QWidget *parent, const QString &title, const QString &reportPath, bool askBeforeReplacing)
{
    if (!ensurePrintDestination(parent))
        return 1;
    if (askBeforeReplacing && !confirmPrintFile(parent))
        return 1;
    const int pages = printTextFile(title, reportPath);
    if (pages == Err::WriteFailed)
        return pages;
    return pages < 0 ? Err::UnableToOpenFile : 0;
}
