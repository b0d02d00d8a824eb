#pragma once
// Framed text reports of a datalogger, ready for printTextFile: code page 437 text whose titles
// and tables are drawn with the box-drawing characters, labels from the string table in the
// current language, upper-cased. Values taken from the logger file are carried over as they
// stand (converted from the file's Latin-1 to the report's code page).

#include <QByteArray>
#include <QString>

// Converts a TV logger file into its report. 0; -1 when the logger cannot be read; -65 or
// -254 when the report cannot be created or written (the report is replaced only when complete).
int writeTvReport(const QString &loggerPath, const QString &reportPath);

// Converts a cable-modem logger file into its report; results as writeTvReport.
int writeModemReport(const QString &loggerPath, const QString &reportPath);

namespace Report {
// A string-table row as a report label: upper-cased in the current language, in code page 437.
QByteArray label(int row);
// The print job title the viewers and the index window use: upper-cased "Datalogger", a blank
// and the logger number.
QString printTitle(int loggerNumber);
}   // namespace Report
