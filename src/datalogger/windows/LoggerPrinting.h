#pragma once
// Printing from the logger windows: the index window and both viewers share the program's one
// printer, so a printer chosen in one window's Print Setup holds for the prints of the others.

#include <QString>

class QWidget;

// Print Setup: the printer choice on the program's printer. Cancel keeps the previous choice.
void loggerPrintSetup(QWidget *parent);

// Prints a report file with the print job's title. When no printer has been chosen and the
// system has none to go to, the printer choice is offered first (nothing is printed when it is
// cancelled). A print into a PDF file that exists asks before replacing it, unless the print
// dialog has just named that file or the caller asked already. Returns 0 when printed, 1 when
// the user cancelled the printer choice or kept the file, -65 when the report could not be read
// or the printer could not start the job, -254 when the PDF file could not be written whole;
// the caller reports the failure.
int printLoggerReport(QWidget *parent, const QString &title, const QString &reportPath, bool askBeforeReplacing = true);

// Asks before a print into an existing PDF file replaces it (see printLoggerReport). True to go on.
bool confirmPrintFile(QWidget *parent);

// Makes sure the program's printer has somewhere to go, offering the printer choice when it has
// not. False when the user cancelled it.
bool ensurePrintDestination(QWidget *parent);

// The file of one logger when several are printed into files: each logger is its own print job,
// and one file would keep only the last of them. "loggers.pdf" and slot 4 give "loggers_04.pdf".
QString loggerOutputFile(const QString &outputFile, int slot);
