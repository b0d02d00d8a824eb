#include "datalogger/windows/Dloggerkv27.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/FitTexts.h"
#include "app/windows/Prompts.h"
#include "datalogger/LoggerFiles.h"
#include "datalogger/Reports.h"
#include "datalogger/windows/StringGrid.h"
#include "link/ErrorCodes.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kRowDatalogger = 1;
constexpr int kRowTime = 115;
constexpr int kRowDate = 116;
constexpr int kRowChannelPlan = 9;
constexpr int kRowChannelNumber = 154;
constexpr int kRowUnits = 155;
constexpr int kRowThreshold = 152;
constexpr int kRowLocation = 153;

// Grid column headers, columns 0 to 14 (measurement fields CH to C/N).
constexpr int kHeaderRows[TKv27Datalogger::kGridCols] = {
    79 /* "Name" */,   146 /* "Freq." */, 82 /* "Offset" */, 83 /* "BW" */,   89 /* "Mod." */,
    88 /* "Annex" */,  87 /* "S.R." */,   147 /* "Pwr." */,  124 /* "MER" */, 127 /* "PreBER" */,
    86 /* "System" */, 148 /* "A. F." */, 149 /* "Level" */, 150 /* "V/A" */, 151 /* "C/N" */};

QLineEdit *makeField(QWidget *parent, const char *name, const QRect &geometry, bool readOnly = true)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geometry);
    e->setReadOnly(readOnly);
    return e;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

}   // namespace

TKv27Datalogger::TKv27Datalogger(QWidget *parent) : TLoggerViewer(parent, QSize(816, 519), "Timer1", 250)
{
    setObjectName(QStringLiteral("Kv27Datalogger"));

    Label1 = makeLabel(client, "Label1", QRect(12, 12, 74, 20));
    LoggerNumber = makeField(client, "LoggerNumber", QRect(88, 10, 48, 24));
    Label2 = makeLabel(client, "Label2", QRect(156, 12, 74, 20));
    Location = makeField(client, "Location", QRect(232, 10, 300, 24), false);
    makePrintButton(QRect(704, 8, 100, 28));
    Location->setFocus();

    DadesGroup = new QGroupBox(client);
    DadesGroup->setObjectName(QStringLiteral("DadesGroup"));
    DadesGroup->setGeometry(8, 42, 800, 76);
    Label3 = makeLabel(DadesGroup, "Label3", QRect(10, 18, 90, 20));
    Time = makeField(DadesGroup, "Time", QRect(104, 16, 150, 22));
    Label4 = makeLabel(DadesGroup, "Label4", QRect(10, 46, 90, 20));
    Date = makeField(DadesGroup, "Date", QRect(104, 44, 150, 22));
    Label7 = makeLabel(DadesGroup, "Label7", QRect(272, 18, 110, 20));
    ChannelPlanName = makeField(DadesGroup, "ChannelPlanName", QRect(386, 16, 150, 22));
    Label8 = makeLabel(DadesGroup, "Label8", QRect(272, 46, 110, 20));
    ChannelPlanNumber = makeField(DadesGroup, "ChannelPlanNumber", QRect(386, 44, 150, 22));
    Label9 = makeLabel(DadesGroup, "Label9", QRect(556, 18, 80, 20));
    Units = makeField(DadesGroup, "Units", QRect(640, 16, 150, 22));
    Label10 = makeLabel(DadesGroup, "Label10", QRect(556, 46, 80, 20));
    Threshold = makeField(DadesGroup, "Threshold", QRect(640, 44, 150, 22));

    LoggerKv10 = new TStringGrid(client);
    LoggerKv10->setObjectName(QStringLiteral("LoggerKv10"));
    LoggerKv10->setColCount(kGridCols);
    LoggerKv10->setRowCount(kGridRows);
    LoggerKv10->setFixedRows(1);
    LoggerKv10->setFixedCols(0);
    LoggerKv10->setDefaultColWidth(48);
    LoggerKv10->setDefaultRowHeight(18);
    LoggerKv10->drawCell = [this](QPainter &p, int c, int r, const QRect &rect) { LoggerKv10DrawCell(p, c, r, rect); };
    // 15 columns of 48 pixels and their lines, the vertical scroll bar and the frame.
    const int gridWidth = kGridCols * 49 + 20;
    LoggerKv10->setGeometry((816 - gridWidth) / 2, 126, gridWidth, 385);

    makeChartPage();
    makeLimitsPage();

    Timer1 = loadTimer;
    connect(Timer1, &QTimer::timeout, this, &TKv27Datalogger::Timer1Timer);

    fixSize();
}

void TKv27Datalogger::FormShow()
{
    for (int c = 0; c < kGridCols; ++c)
        LoggerKv10->setCell(c, 0, StringTable::text(kHeaderRows[c]));
    Label1->setText(StringTable::text(kRowDatalogger));
    Label2->setText(StringTable::text(kRowLocation));
    Label3->setText(StringTable::text(kRowTime));
    Label4->setText(StringTable::text(kRowDate));
    Label7->setText(StringTable::text(kRowChannelPlan));
    Label8->setText(StringTable::text(kRowChannelNumber));
    Label9->setText(StringTable::text(kRowUnits));
    Label10->setText(StringTable::text(kRowThreshold));
    fitLabelColumn({{Label1, LoggerNumber}});
    fitLabelColumn({{Label2, Location}});
    fitLabelColumn({{Label3, Time}, {Label4, Date}});
    fitLabelColumn({{Label7, ChannelPlanName}, {Label8, ChannelPlanNumber}});
    fitLabelColumn({{Label9, Units}, {Label10, Threshold}});

    // A column is as wide as its bold heading needs, 48 pixels at least; the grid stays centred.
    QFont bold = LoggerKv10->font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    int gridWidth = 20;   // the vertical scroll bar and the frame
    for (int c = 0; c < kGridCols; ++c) {
        LoggerKv10->setColWidth(c, std::max(48, fm.horizontalAdvance(LoggerKv10->cell(c, 0)) + 6));
        gridWidth += LoggerKv10->colWidth(c) + 1;
    }
    LoggerKv10->setGeometry((client->width() - gridWidth) / 2, LoggerKv10->y(), gridWidth, LoggerKv10->height());
    captionChartPage();
    captionLimitsPage();
}

void TKv27Datalogger::Timer1Timer()
{
    Timer1->stop();
    if (loaded)
        return;
    TvLoggerContents contents;
    int result = Err::UnableToOpenFile;
    if (fileGiven) {
        setWindowTitle(filePath);
        result = TvLoggerFile::read(filePath, contents);
    }
    if (result < 0) {
        ShowErrorCode(Err::UnableToOpenFile, this);
        reject();
        return;
    }
    const TvLoggerHeader &h = contents.header;
    LoggerNumber->setText(h.loggerNumber);
    Location->setText(h.location);
    Time->setText(h.time);
    Date->setText(h.date);
    ChannelPlanName->setText(h.channelPlan);
    ChannelPlanNumber->setText(h.channelNumber);
    Units->setText(h.units);
    Threshold->setText(h.thresholdLevel);
    for (const TvMeasurement &m : contents.measurements) {
        // Rows are placed by the channel's sequence number. A number the grid has no row for
        // (the header row, or beyond its last row) is left out rather than overwriting another
        // row; the rest of the file is still shown.
        const int row = m.number() + 1;
        if (row < 1 || row >= kGridRows)
            continue;
        for (int c = 0; c < kGridCols; ++c)
            LoggerKv10->setCell(c, row, m.field[std::size_t(c + 1)]);
    }
    setChartContents(contents);
    setLimitsContents(contents);
    loaded = true;
}

int TKv27Datalogger::saveTo(const QString &target)
{
    return TvLoggerFile::saveWithLocation(filePath, target, Location->text());
}

QString TKv27Datalogger::editedText() const
{
    return Location->text();
}

bool TKv27Datalogger::hasUnsavedEdits() const
{
    return Location->isModified();
}

void TKv27Datalogger::setEditsSaved()
{
    Location->setModified(false);
}

QString TKv27Datalogger::modelFileType() const
{
    return app().CurrentModel.tvLoggerFileType;
}

QString TKv27Datalogger::copyCaption(const QString &target) const
{
    return target;
}

int TKv27Datalogger::writeReport(const QString &source, const QString &report) const
{
    return writeTvReport(source, report);
}

void TKv27Datalogger::LoggerKv10DrawCell(QPainter &p, int col, int row, const QRect &rect)
{
    const bool header = row == 0;
    QFont f = font();
    f.setBold(header);
    p.setFont(f);
    p.fillRect(rect, header ? QColor(0xC0, 0xC0, 0xC0) : QColor(0xFF, 0xFB, 0xF0));
    p.setPen(Qt::black);
    p.drawText(rect.adjusted(0, 2, 0, 0), Qt::AlignHCenter | Qt::AlignTop, LoggerKv10->cell(col, row));
}
