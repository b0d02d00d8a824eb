// The files both logger viewers make from the logger they show: a CSV file for a spreadsheet
// and a PDF of the printed report (for a TV logger followed by its level chart). Like Print,
// they are made from the file on disk: edits not yet saved do not appear.

#include "datalogger/windows/LoggerViewer.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/LevelChart.h"
#include "datalogger/LoggerCsv.h"
#include "datalogger/Reports.h"
#include "datalogger/windows/LevelChartView.h"
#include "link/ErrorCodes.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace {

constexpr int kRowExportCsv = 250;   // "Export CSV..."
constexpr int kRowSavePdf = 252;   // "Save as PDF..."
constexpr int kRowCsvFiles = 253;   // "CSV Files"
constexpr int kRowPdfFiles = 255;   // "PDF Documents"

}   // namespace

void TLoggerViewer::captionFileItems()
{
    ExportCsv1->setText(StringTable::text(kRowExportCsv));
    SavePdf1->setText(StringTable::text(kRowSavePdf));
}

QString TLoggerViewer::askSavePath(int titleRow, const QStringList &filters, const QString &ext)
{
    QString title = StringTable::text(titleRow);
    if (title.endsWith(QLatin1String("...")))
        title.chop(3);
    const QString suggested =
        QDir(app().tempFolder).filePath(QFileInfo(filePath).completeBaseName() + QLatin1Char('.') + ext);
    // The dialog adds the extension to a bare name before it asks whether to replace a file.
    return prompts().saveFile(this, title, suggested, filters.join(QStringLiteral(";;")), ext);
}

void TLoggerViewer::ExportCsv1Click()
{
    if (!loaded)
        return;
    const QString csv = askSavePath(kRowExportCsv, {StringTable::text(kRowCsvFiles) + QStringLiteral(" (*.csv)")},
                                    QStringLiteral("csv"));
    if (csv.isEmpty())
        return;
    const int result = LoggerCsv::exportFile(filePath, loggerFamily(), csv);
    if (result < 0)
        ShowErrorCode(result, this);
}

void TLoggerViewer::SavePdf1Click()
{
    if (!loaded)
        return;
    const QString pdf =
        askSavePath(kRowSavePdf, {StringTable::text(kRowPdfFiles) + QStringLiteral(" (*.pdf)")}, QStringLiteral("pdf"));
    if (pdf.isEmpty())
        return;
    // The report as Print writes it, under the same name, and the chart of the same file.
    const int number = Logger::leadingInt(LoggerNumber->text());
    const QString report = writePrintReport(number);
    if (report.isEmpty())
        return;
    LevelChart::Model model;
    const bool withChart = loggerFamily() == LoggerFamily::Tv && LevelChart::load(filePath, model) == 0;
    const int result = LevelChartDraw::saveReportPdf(pdf, Report::printTitle(number), report, app().PrintFontSize,
                                                     withChart ? &model : nullptr);
    if (result < 0)
        ShowErrorCode(result, this);
}
