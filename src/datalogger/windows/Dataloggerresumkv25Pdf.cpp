// The index window's print run into PDF files: the marked loggers are fetched as for printing,
// and each becomes a PDF of its own (its report as it prints, a TV logger's level chart after
// it), named as the command line names them when it prints several loggers into files.

#include "datalogger/windows/Dataloggerresumkv25.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/LevelChart.h"
#include "datalogger/Reports.h"
#include "datalogger/windows/LevelChartView.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kRowSavePdf = 252;   // "Save as PDF..."
constexpr int kRowPdfFiles = 255;   // "PDF Documents"

}   // namespace

void TResumLogger::SavePdfLoggersClick()
{
    QString title = StringTable::text(kRowSavePdf);
    title.remove(QStringLiteral("..."));
    const QString pdf =
        prompts().saveFile(this, title, QDir(app().tempFolder).filePath(QStringLiteral("loggers.pdf")),
                           StringTable::text(kRowPdfFiles) + QStringLiteral(" (*.pdf)"), QStringLiteral("pdf"));
    if (pdf.isEmpty())
        return;
    pdfOutput = pdf;
    runOperation(Operation::PrintMarked);
    pdfOutput.clear();
}

int TResumLogger::saveLoggerPdf(LoggerFamily family, const QString &received, const QString &report, const QString &pdf,
                                int slot)
{
    LevelChart::Model model;
    const bool withChart = family == LoggerFamily::Tv && LevelChart::load(received, model) == 0;
    return LevelChartDraw::saveReportPdf(pdf, Report::printTitle(slot), report, app().PrintFontSize,
                                         withChart ? &model : nullptr);
}
