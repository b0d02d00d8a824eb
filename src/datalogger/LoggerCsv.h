#pragma once
// A logger as a CSV file for a spreadsheet: RFC 4180 (comma separated, a field quoted when it
// holds a comma, a quote or a line break, quotes doubled), UTF-8 with a byte order mark so that
// spreadsheets read accented labels right, CR LF line ends, "." as the decimal point whatever
// the meter or the locale wrote, and an empty cell for a blank field.
//
// TV logger: a header row with the viewer's column names and "Below threshold", then one row per
// channel in the logger's order. Cable-modem logger: a header row, then one row per field the
// viewer shows: section, name, value and, where the value carries one, its unit.

#include "datalogger/LoggerFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace LevelChart {
struct Model;
}

namespace LoggerCsv {

// The byte order mark every CSV file of the program begins with.
inline const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// The text quoted as RFC 4180 asks when it holds a comma, a quote, a CR or an LF; a text that
// a spreadsheet would run as a formula gets a leading apostrophe first (see defused).
QString field(const QString &text);
// The text with a leading apostrophe when it begins with "=", "@", a tab, a CR, or a "+" or "-"
// that no number follows; otherwise as it is.
QString defused(const QString &text);
// One record: the fields quoted where needed, joined by commas, ended by CR LF, in UTF-8.
QByteArray row(const QStringList &fields);

// A number written with a decimal comma gets a decimal point; any other text stays as it is.
QString decimalPoint(const QString &text);

// A value as the meter writes it ("4,8dBmV", "6952kS/s", "<1%") split into its number, with a
// decimal point, and its unit. Text that does not begin with a number followed by a unit (an
// address, a modulation name) is the value whole, without a unit.
struct ValueUnit {
    QString value;
    QString unit;
};
ValueUnit splitUnit(const QString &text);

QByteArray tvCsv(const LevelChart::Model &model);
QByteArray modemCsv(const ModemLoggerRecord &record);

enum class Failure { None, Logger, Output };
// Reads the logger by its viewer's rules and writes its CSV beside the output, moving it over the
// output only when complete. 0, or -65 with failure saying which end failed (the logger file is
// refused as the viewer refuses it, or the output cannot be written; an existing output then
// stays as it was).
int exportFile(const QString &loggerPath, LoggerFamily family, const QString &csvPath, Failure *failure = nullptr);

}   // namespace LoggerCsv
