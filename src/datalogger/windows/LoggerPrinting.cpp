#include "datalogger/windows/LoggerPrinting.h"

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

} // namespace

void loggerPrintSetup(QWidget *parent)
{
    // The printer choice: where the Windows set-up dialog chose the printer and its paper, the
    // toolkit's print dialog is the one that chooses the printer (or a file) on every platform.
    prompts().printDialog(parent, &thePrinter());
}

bool ensurePrintDestination(QWidget *parent)
{
    // Without any printer a print job would vanish without a trace; ask where it should go.
    return hasDestination(thePrinter()) || prompts().printDialog(parent, &thePrinter());
}

QString loggerOutputFile(const QString &outputFile, int slot)
{
    const QFileInfo info(outputFile);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = info.suffix().isEmpty() ? outputFile : outputFile.left(outputFile.size() - suffix.size());
    return stem + QString::asprintf("_%.2d", slot) + suffix;
}

int printLoggerReport(QWidget *parent, const QString &title, const QString &reportPath)
{
    if (!ensurePrintDestination(parent))
        return 1;
    const int pages = printTextFile(title, reportPath);
    return pages < 0 ? Err::UnableToOpenFile : 0;
}
