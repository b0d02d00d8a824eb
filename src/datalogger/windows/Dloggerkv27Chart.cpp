// The level chart page of the TV logger viewer and its File > Save Chart. The chart takes the
// place of the grid while its button is down; the grid and every other control stay as they are.

#include "datalogger/windows/Dloggerkv27.h"

#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/windows/LevelChartView.h"
#include "datalogger/windows/StringGrid.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace {

constexpr int kRowLevelChart = 249;   // "Level Chart"
constexpr int kRowSaveChart = 251;   // "Save Chart..."
constexpr int kRowPngFiles = 254;   // "PNG Images"
constexpr int kRowPdfFiles = 255;   // "PDF Documents"

}   // namespace

void TKv27Datalogger::makeChartPage()
{
    LevelChart1 = new QPushButton(client);
    LevelChart1->setObjectName(QStringLiteral("LevelChart1"));
    LevelChart1->setGeometry(548, 8, 148, 28);
    LevelChart1->setCheckable(true);
    LevelChart1->setAutoDefault(false);
    LevelChart1->setEnabled(false);   // until a logger is on show
    connect(LevelChart1, &QPushButton::toggled, this, &TKv27Datalogger::LevelChart1Click);

    ChartPage = new TLevelChartView(client);
    ChartPage->setGeometry(8, 126, 800, 385);
    ChartPage->hide();

    SaveChart1 = new QAction(this);
    File1->insertAction(SavePdf1, SaveChart1);
    connect(SaveChart1, &QAction::triggered, this, &TKv27Datalogger::SaveChart1Click);
}

void TKv27Datalogger::captionChartPage()
{
    LevelChart1->setText(StringTable::text(kRowLevelChart));
    SaveChart1->setText(StringTable::text(kRowSaveChart));
}

void TKv27Datalogger::setChartContents(const TvLoggerContents &contents)
{
    chart = LevelChart::build(contents);
    chartShown = false;
    LevelChart1->setEnabled(true);
    if (LevelChart1->isChecked())
        LevelChart1Click(true);
}

void TKv27Datalogger::LevelChart1Click(bool on)
{
    // The chart and the Check Limits page take the grid's place in turn.
    if (on && CheckLimits1 && CheckLimits1->isChecked())
        CheckLimits1->setChecked(false);
    // The chart is drawn the first time it is asked for, not with every logger opened.
    if (on && !chartShown) {
        ChartPage->setModel(chart);
        chartShown = true;
    }
    ChartPage->setVisible(on);
    LoggerKv10->setVisible(!on);
}

void TKv27Datalogger::SaveChart1Click()
{
    if (!loaded)
        return;
    // The dialog puts ".png" on a name that ends in none of these extensions ("roof.v2") before
    // it asks whether to replace the file.
    const QString path = askSavePath(kRowSaveChart,
                                     {StringTable::text(kRowPngFiles) + QStringLiteral(" (*.png)"),
                                      StringTable::text(302 /* "JPEG Images" */) + QStringLiteral(" (*.jpg *.jpeg)"),
                                      StringTable::text(kRowPdfFiles) + QStringLiteral(" (*.pdf)")},
                                     QStringLiteral("png"));
    if (path.isEmpty())
        return;
    const int result = LevelChartDraw::saveChart(chart, path, LevelChartDraw::defaultSize(chart, path));
    if (result < 0)
        ShowErrorCode(result, this);
}
