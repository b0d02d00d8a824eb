#include "datalogger/windows/Dloggerkv27.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/LoggerFiles.h"
#include "datalogger/Reports.h"
#include "datalogger/windows/LoggerPrinting.h"
#include "datalogger/windows/StringGrid.h"
#include "datalogger/windows/Tamanyfont.h"
#include "link/ErrorCodes.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kRowDatalogger = 1;
constexpr int kRowExit = 7;
constexpr int kRowSave = 31;
constexpr int kRowFile = 90;
constexpr int kRowSaveAs = 91;
constexpr int kRowPrintSetup = 110;
constexpr int kRowFontSize = 111;
constexpr int kRowTime = 115;
constexpr int kRowDate = 116;
constexpr int kRowPrint = 117;
constexpr int kRowChannelPlan = 9;
constexpr int kRowChannelNumber = 154;
constexpr int kRowUnits = 155;
constexpr int kRowThreshold = 152;
constexpr int kRowLocation = 153;

// Grid column headers, columns 0 to 14 (measurement fields CH to C/N).
constexpr int kHeaderRows[TKv27Datalogger::kGridCols] = {
    79 /* "Name" */,  146 /* "Freq." */, 82 /* "Offset" */, 83 /* "BW" */,     89 /* "Mod." */,
    88 /* "Annex" */, 87 /* "S.R." */,   147 /* "Pwr." */,  124 /* "MER" */,   127 /* "PreBER" */,
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

bool samePath(const QString &a, const QString &b)
{
    // Compared as the user sees them, ignoring letter case.
    return QFileInfo(a).absoluteFilePath().compare(QFileInfo(b).absoluteFilePath(), Qt::CaseInsensitive) == 0;
}

} // namespace

TKv27Datalogger::TKv27Datalogger(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Kv27Datalogger"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    MainMenu1 = new QMenuBar(this);
    File1 = MainMenu1->addMenu(QString());
    Save1 = File1->addAction(QString(), this, &TKv27Datalogger::Save1Click);
    SaveAs1 = File1->addAction(QString(), this, &TKv27Datalogger::SaveAs1Click);
    FontSize1 = File1->addAction(QString(), this, &TKv27Datalogger::FontSize1Click);
    Print1 = File1->addAction(QString(), this, &TKv27Datalogger::Print1Click);
    PrintSetup1 = File1->addAction(QString(), this, &TKv27Datalogger::PrintSetup1Click);
    File1->addSeparator();
    Exit1 = File1->addAction(QString(), this, &TKv27Datalogger::Exit1Click);

    auto *client = new QWidget(this);
    client->setFixedSize(816, 519);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(client);

    Label1 = makeLabel(client, "Label1", QRect(12, 12, 74, 20));
    LoggerNumber = makeField(client, "LoggerNumber", QRect(88, 10, 48, 24));
    Label2 = makeLabel(client, "Label2", QRect(156, 12, 74, 20));
    Location = makeField(client, "Location", QRect(232, 10, 300, 24), false);
    Imprimir = new QPushButton(client);
    Imprimir->setObjectName(QStringLiteral("Imprimir"));
    Imprimir->setGeometry(704, 8, 100, 28);
    Imprimir->setAutoDefault(false);
    connect(Imprimir, &QPushButton::clicked, this, &TKv27Datalogger::ImprimirClick);
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

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TKv27Datalogger::Timer1Timer);

    layout->activate();
    setFixedSize(sizeHint());
}

void TKv27Datalogger::setFile(const QString &path)
{
    filePath = path;
    fileGiven = !path.isEmpty();
}

void TKv27Datalogger::setLoadDelay(int ms)
{
    Timer1->setInterval(std::max(0, ms));
}

void TKv27Datalogger::done(int r)
{
    Timer1->stop();
    QDialog::done(r);
}

void TKv27Datalogger::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TKv27Datalogger::FormShow()
{
    for (int c = 0; c < kGridCols; ++c)
        LoggerKv10->setCell(c, 0, StringTable::text(kHeaderRows[c]));
    // A window without a file closes with its message once it is on screen.
    if (!loaded)
        Timer1->start();

    Label1->setText(StringTable::text(kRowDatalogger));
    Label2->setText(StringTable::text(kRowLocation));
    Label3->setText(StringTable::text(kRowTime));
    Label4->setText(StringTable::text(kRowDate));
    Label7->setText(StringTable::text(kRowChannelPlan));
    Label8->setText(StringTable::text(kRowChannelNumber));
    Label9->setText(StringTable::text(kRowUnits));
    Label10->setText(StringTable::text(kRowThreshold));
    Imprimir->setText(StringTable::text(kRowPrint));
    File1->setTitle(StringTable::text(kRowFile));
    Save1->setText(StringTable::text(kRowSave));
    SaveAs1->setText(StringTable::text(kRowSaveAs));
    FontSize1->setText(StringTable::text(kRowFontSize));
    Print1->setText(StringTable::text(kRowPrint));
    PrintSetup1->setText(StringTable::text(kRowPrintSetup));
    Exit1->setText(StringTable::text(kRowExit));
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
    loaded = true;
}

int TKv27Datalogger::saveTo(const QString &target)
{
    return TvLoggerFile::saveWithLocation(filePath, target, Location->text()) < 0 ? Err::UnableToOpenFile : 0;
}

void TKv27Datalogger::Save1Click()
{
    if (!loaded)
        return;
    const int result = saveTo(filePath);
    if (result < 0)
        ShowErrorCode(result, this);
}

void TKv27Datalogger::SaveAs1Click()
{
    if (!loaded)
        return;
    const QString ext = app().CurrentModel.tvLoggerFileType.isEmpty()
                            ? QFileInfo(filePath).suffix()
                            : app().CurrentModel.tvLoggerFileType;
    const QString filter = QStringLiteral("Data Files (*.%1)").arg(ext);
    QString chosen = prompts().saveFile(this, StringTable::text(kRowSaveAs), app().tempFolder, filter);
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).suffix().isEmpty() && !ext.isEmpty())
        chosen += QLatin1Char('.') + ext;
    if (samePath(chosen, filePath)) {
        Save1Click();
        return;
    }
    const int result = saveTo(chosen);
    if (result < 0) {
        ShowErrorCode(result, this);
        return;
    }
    // The window goes on with the file it was opened on; the caption names the copy.
    setWindowTitle(chosen);
}

void TKv27Datalogger::ImprimirClick()
{
    if (!loaded)
        return;
    const int number = Logger::leadingInt(LoggerNumber->text());
    const QString report = Logger::printTextPath(number);
    // The file on disk is printed: a location edited but not saved does not appear. A report
    // that cannot be written is reported rather than printing an older one of the same name.
    if (writeTvReport(filePath, report) < 0) {
        ShowErrorCode(Err::UnableToOpenFile, this);
        return;
    }
    const int result = printLoggerReport(this, Report::printTitle(number), report);
    if (result < 0)
        ShowErrorCode(result, this);
}

void TKv27Datalogger::FontSize1Click()
{
    TFontSize dialog(this);
    dialog.exec();
}

void TKv27Datalogger::PrintSetup1Click()
{
    loggerPrintSetup(this);
}

void TKv27Datalogger::Exit1Click()
{
    reject();
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
