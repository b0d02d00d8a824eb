#include "datalogger/windows/LoggerPrinting.h"

#include "app/windows/Prompts.h"
#include "datalogger/Printing.h"
#include "link/ErrorCodes.h"

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

int printLoggerReport(QWidget *parent, const QString &title, const QString &reportPath)
{
    QPrinter &printer = thePrinter();
    // Without any printer a print job would vanish without a trace; ask where it should go.
    if (!hasDestination(printer) && !prompts().printDialog(parent, &printer))
        return 1;
    const int pages = printTextFile(title, reportPath);
    return pages < 0 ? Err::UnableToOpenFile : 0;
}
