#include "datalogger/windows/Dataloggerresumkv25.h"

#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "app/windows/WorkingFilesLock.h"
#include "datalogger/Printing.h"
#include "datalogger/Reports.h"
#include "datalogger/windows/Dataloggerkv25.h"
#include "datalogger/windows/Dloggerkv27.h"
#include "datalogger/windows/LoggerPrinting.h"
#include "datalogger/windows/StringGrid.h"
#include "datalogger/windows/Tamanyfont.h"
#include "jobs/LoggerJobs.h"
#include "jobs/windows/Finestratransmisio.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QShowEvent>

namespace {

// String-table rows used here.
constexpr int kRowReady = 39;
constexpr int kRowStatus = 84;
constexpr int kRowIndexCaption = 104;
constexpr int kRowClickReceive = 105;
constexpr int kRowLoggerType = 106;
constexpr int kRowReceiveIndex = 107;
constexpr int kRowReceiveAll = 108;
constexpr int kRowPrintLoggers = 109;
constexpr int kRowPrintSetup = 110;
constexpr int kRowFontSize = 111;
constexpr int kRowModemLogger = 113;
constexpr int kRowTvLogger = 114;
constexpr int kRowYes = 119;
constexpr int kRowNo = 120;
constexpr int kRowReceivingLogger = 121;
constexpr int kRowReceivingAll = 144;
constexpr int kRowCancelPrint = 181;
constexpr int kRowPrintingLogger = 182;

constexpr int kColTime = 1;
constexpr int kColDate = 2;
constexpr int kColName = 3;
constexpr int kColPrint = 4;

}   // namespace

TResumLogger::TResumLogger(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ResumLogger"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // 20 pixels wider than the form was drawn, so that the longest translations ("Configurar
    // Impressora", "Modem-Datalogger") show whole.
    setFixedSize(530, 356);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 10, 110, 18);

    DataloggerType = new QComboBox(this);
    DataloggerType->setObjectName(QStringLiteral("DataloggerType"));
    DataloggerType->setGeometry(120, 7, 160, 24);
    // Typed keys are discarded: only the mouse changes the type, so a stray key press can never
    // switch the family under an index that is on show.
    DataloggerType->installEventFilter(this);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(290, 10, 232, 18);

    Graella = new TStringGrid(this);
    Graella->setObjectName(QStringLiteral("Graella"));
    Graella->setColCount(5);
    Graella->setRowCount(kGridRows);
    Graella->setFixedRows(1);
    Graella->setFixedCols(1);
    Graella->setDefaultRowHeight(15);
    Graella->setColWidth(0, 32);
    Graella->setColWidth(kColTime, 64);
    Graella->setColWidth(kColDate, 74);
    Graella->setColWidth(kColName, 118);
    Graella->setColWidth(kColPrint, 44);
    Graella->setGeometry(8, 38, 358, 274);
    Graella->drawCell = [this](QPainter &p, int c, int r, const QRect &rect) { GraellaDrawCell(p, c, r, rect); };
    connect(Graella, &TStringGrid::cellClicked, this, &TResumLogger::GraellaClick);
    connect(Graella, &TStringGrid::cellDoubleClicked, this, &TResumLogger::GraellaClick);

    auto makeButton = [this](const char *name, int y) {
        auto *b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(378, y, 144, 27);
        b->setAutoDefault(false);
        return b;
    };
    ReceiveIndex = makeButton("ReceiveIndex", 38);
    ReceiveAll = makeButton("ReceiveAll", 74);
    PrintLoggers = makeButton("PrintLoggers", 110);
    PrintSetup = makeButton("PrintSetup", 146);
    FontSizeCall = makeButton("FontSizeCall", 182);
    SavePdfLoggers = makeButton("SavePdfLoggers", 218);
    connect(SavePdfLoggers, &QPushButton::clicked, this, &TResumLogger::SavePdfLoggersClick);
    connect(ReceiveIndex, &QPushButton::clicked, this, &TResumLogger::ReceiveIndexClick);
    connect(ReceiveAll, &QPushButton::clicked, this, &TResumLogger::ReceiveAllClick);
    connect(PrintLoggers, &QPushButton::clicked, this, &TResumLogger::PrintLoggersClick);
    connect(PrintSetup, &QPushButton::clicked, this, &TResumLogger::PrintSetupClick);
    connect(FontSizeCall, &QPushButton::clicked, this, &TResumLogger::FontSizeCallClick);

    Missatge = new QLabel(this);
    Missatge->setObjectName(QStringLiteral("Missatge"));
    Missatge->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Missatge->setAlignment(Qt::AlignCenter);
    Missatge->setGeometry(8, 322, 514, 26);

    FormShow();
}

LoggerFamily TResumLogger::LoggerType() const
{
    return DataloggerType->currentIndex() == 1 ? LoggerFamily::Tv : LoggerFamily::Modem;
}

void TResumLogger::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // A window restored from the task bar is not opened again.
    if (!e->spontaneous())
        FormShow();
}

void TResumLogger::FormShow()
{
    Graella->clearCells();
    for (int r = 1; r < kGridRows; ++r)
        Graella->setCell(0, r, QString::number(r - 1));
    // Fixed English column titles: the meter's own words for these fields.
    Graella->setCell(kColTime, 0, QStringLiteral("TIME"));
    Graella->setCell(kColDate, 0, QStringLiteral("DATE"));
    Graella->setCell(kColName, 0, QStringLiteral("NAME"));
    Graella->setCell(kColPrint, 0, QStringLiteral("PRINT"));

    Missatge->setText(QStringLiteral("Status:Ready"));
    loggersInIndex = 0;
    marked = 0;

    DataloggerType->blockSignals(true);
    DataloggerType->clear();
    DataloggerType->addItem(StringTable::text(kRowModemLogger));
    DataloggerType->addItem(StringTable::text(kRowTvLogger));
    DataloggerType->setCurrentIndex(0);
    DataloggerType->blockSignals(false);

    setButtons(Buttons::Idle);

    setWindowTitle(StringTable::text(kRowIndexCaption));
    Label1->setText(StringTable::text(kRowLoggerType));
    Label2->setText(StringTable::text(kRowClickReceive));
    ReceiveIndex->setText(StringTable::text(kRowReceiveIndex));
    ReceiveAll->setText(StringTable::text(kRowReceiveAll));
    PrintLoggers->setText(StringTable::text(kRowPrintLoggers));
    PrintSetup->setText(StringTable::text(kRowPrintSetup));
    FontSizeCall->setText(StringTable::text(kRowFontSize));
    SavePdfLoggers->setText(StringTable::text(252 /* "Save as PDF..." */));
}

void TResumLogger::reject()
{
    // The print run lets window messages through between its steps; a close that arrives then
    // is refused rather than ending the window under the run. While the operation still waits
    // for another job's working files, it gives up the wait instead.
    if (!operating)
        QDialog::reject();
    else
        stopWaiting = true;
}

bool TResumLogger::eventFilter(QObject *watched, QEvent *e)
{
    // DataloggerTypeKeyPress: every typed key is dropped. Tab still moves the focus on.
    if (watched == DataloggerType && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (key != Qt::Key_Tab && key != Qt::Key_Backtab)
            return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TResumLogger::setButtons(Buttons mode)
{
    const bool all = mode == Buttons::All;
    const bool notBusy = mode != Buttons::Busy;
    ReceiveIndex->setEnabled(notBusy);
    ReceiveAll->setEnabled(all);
    PrintLoggers->setEnabled(all);
    SavePdfLoggers->setEnabled(all);
    PrintSetup->setEnabled(notBusy);
    FontSizeCall->setEnabled(notBusy);
}

void TResumLogger::setStatus(const QString &text)
{
    Missatge->setText(text);
    Missatge->repaint();
}

void TResumLogger::setReadyStatus()
{
    setStatus(StringTable::text(kRowStatus) + QStringLiteral(" : ") + StringTable::text(kRowReady));
}

int TResumLogger::checkChannelPlan()
{
    return LoggerJobs::channelPlanPreCheck(thePort());
}

void TResumLogger::runOperation(Operation op, int slot)
{
    if (operating)
        return;
    operating = true;
    const LoggerFamily family = LoggerType();
    setButtons(Buttons::Busy);
    DataloggerType->setEnabled(false);

    // The index, the received loggers and the print files have fixed names in the temporary
    // folder: the operation holds the working files from its first exchange to its last file.
    static const WorkspaceJob jobs[] = {WorkspaceJob::ReceiveIndex, WorkspaceJob::ReceiveAll,
                                        WorkspaceJob::ReceiveLogger, WorkspaceJob::PrintLoggers};
    WorkspaceLock lock;
    stopWaiting = false;
    int result = lockWorkingFiles(
        this, lock, jobs[int(op)], [this](const QString &t) { setStatus(t); }, &stopWaiting);
    // A logger received and shown, or all of them, is kept under the model's file type.
    if (result == 0 && (op == Operation::ReceiveAll || op == Operation::ViewSlot))
        result = Logger::checkReceivedFileType(family);
    if (result == 0)
        result = checkChannelPlan();
    if (result == Err::WorkspaceBusy) {
        setButtons(Buttons::Idle);
    } else if (result < 0) {
        ShowErrorCode(result, this);
        setButtons(Buttons::Idle);
    } else {
        switch (op) {
            case Operation::ReceiveIndex: result = receiveIndex(family); break;
            case Operation::ReceiveAll: result = receiveAll(family); break;
            case Operation::ViewSlot: result = receiveAndView(family, slot); break;
            case Operation::PrintMarked: result = printMarked(family); break;
        }
        if (result < 0)
            ShowErrorCode(result, this);
        else
            ReceiveAll->setEnabled(true);
    }
    DataloggerType->setEnabled(true);
    setReadyStatus();
    operating = false;
}

int TResumLogger::runTransfer(int code, const QString &path, int number, bool &ok)
{
    TTransmit transfer(this);
    if (transferStartDelay >= 0)
        transfer.setStartDelay(transferStartDelay);
    transfer.StartNumberedJob(code, path, number);
    ok = transfer.exec() == QDialog::Accepted;
    return ok ? 0 : transfer.JobResult();
}

void TResumLogger::ReceiveIndexClick()
{
    runOperation(Operation::ReceiveIndex);
}

int TResumLogger::receiveIndex(LoggerFamily family)
{
    const QString path = Logger::indexPath();
    bool ok = false;
    int result = runTransfer(LoggerJobs::jobCode(family, JobCode::Index), path, 0, ok);
    if (ok)
        result = readIndexIntoGrid(path) > 0 ? 1 : 0;
    setButtons(loggersInIndex == 0 || result <= 0 ? Buttons::Idle : Buttons::All);
    return result;
}

int TResumLogger::readIndexIntoGrid(const QString &path)
{
    QList<LoggerIndexEntry> entries;
    if (LoggerIndexFile::read(path, entries) <= 0)
        return 0;
    // A new index starts both counts afresh; rows beyond its last entry keep what they showed.
    loggersInIndex = 0;
    marked = 0;
    const QString yes = StringTable::text(kRowYes);
    const QString no = StringTable::text(kRowNo);
    for (int k = 0; k < entries.size() && k + 1 < kGridRows; ++k) {
        const LoggerIndexEntry &e = entries[k];
        const int row = k + 1;
        if (!e.valid)
            continue;
        if (!e.isEmpty()) {
            Graella->setCell(kColTime, row, e.time);
            Graella->setCell(kColDate, row, e.date);
            Graella->setCell(kColName, row, e.name);
            Graella->setCell(kColPrint, row, yes);
            ++loggersInIndex;
            ++marked;
        } else {
            Graella->setCell(kColTime, row, kEmptyMark);
            Graella->setCell(kColDate, row, kEmptyMark);
            Graella->setCell(kColName, row, kEmptyMark);
            Graella->setCell(kColPrint, row, no);
        }
    }
    return int(entries.size());
}

void TResumLogger::GraellaClick(int col, int row)
{
    if (operating || col < 0 || row < 0 || row >= kGridRows)
        return;
    if (col == kColPrint) {
        toggleMark(row);
        return;
    }
    const QString text = Graella->cell(col, row);
    if (text.isEmpty() || text == kEmptyMark)
        return;
    runOperation(Operation::ViewSlot, row == 0 ? 0 : row - 1);
}

void TResumLogger::toggleMark(int row)
{
    const QString yes = StringTable::text(kRowYes);
    const QString no = StringTable::text(kRowNo);
    // The header row holds column titles, not a slot.
    if (row > 0) {
        if (Graella->cell(kColName, row) != kEmptyMark) {
            if (Graella->cell(kColPrint, row) == no) {
                Graella->setCell(kColPrint, row, yes);
                ++marked;
            } else {
                Graella->setCell(kColPrint, row, no);
                --marked;
            }
        } else {
            Graella->setCell(kColPrint, row, no);
        }
    }
    PrintLoggers->setEnabled(marked > 0);
    SavePdfLoggers->setEnabled(marked > 0);
}

int TResumLogger::receiveAndView(LoggerFamily family, int slot)
{
    const QString path = Logger::receivedLoggerPath(family, slot);
    bool ok = false;
    int result = runTransfer(LoggerJobs::jobCode(family, JobCode::OneLogger), path, slot, ok);
    if (ok) {
        if (family == LoggerFamily::Tv) {
            TKv27Datalogger viewer(this);
            if (viewerLoadDelay >= 0)
                viewer.setLoadDelay(viewerLoadDelay);
            viewer.setFile(path);
            viewer.exec();
        } else {
            TLoggerKv25 viewer(this);
            if (viewerLoadDelay >= 0)
                viewer.setLoadDelay(viewerLoadDelay);
            viewer.setFile(path);
            viewer.exec();
        }
        result = 0;
    }
    setButtons(Buttons::All);
    return result;
}

void TResumLogger::ReceiveAllClick()
{
    runOperation(Operation::ReceiveAll);
}

int TResumLogger::receiveAll(LoggerFamily family)
{
    setStatus(StringTable::text(kRowReceivingAll));
    bool ok = false;
    const int result = runTransfer(LoggerJobs::jobCode(family, JobCode::AllLoggers), QString(), 0, ok);
    setButtons(Buttons::All);
    return result;
}

void TResumLogger::PrintLoggersClick()
{
    runOperation(Operation::PrintMarked);
}

int TResumLogger::printMarked(LoggerFamily family)
{
    const QString yes = StringTable::text(kRowYes);
    const int slotTotal = Logger::slotCount(family);
    int result = 0;
    // Where the reports go is settled before any logger is fetched for them.
    const bool toPdf = !pdfOutput.isEmpty();
    if (!toPdf && !ensurePrintDestination(this)) {
        setStatus(StringTable::text(kRowCancelPrint));
        setButtons(Buttons::All);
        return 0;
    }
    // Printed into a file, every logger gets a file of its own (see loggerOutputFile).
    QPrinter &printer = thePrinter();
    const QString outputFile = toPdf                                           ? pdfOutput
                               : printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                               : QString();
    const bool filePerLogger = !outputFile.isEmpty() && marked > 1;
    if (filePerLogger) {
        // The user named the file in the print dialog, not these: an existing one is replaced
        // only on a Yes, and a No ends the run before any logger is fetched.
        for (int i = 1; i <= slotTotal; ++i) {
            if (Graella->cell(kColPrint, i) == yes
                && !confirmOverwrite(this, StringTable::text(51 /* "Warning" */),
                                     loggerOutputFile(outputFile, i - 1))) {
                setStatus(StringTable::text(kRowCancelPrint));
                setButtons(Buttons::All);
                return 0;
            }
        }
    } else if (!toPdf && !outputFile.isEmpty() && !confirmPrintFile(this)) {
        // One logger into the print file: asked about before anything is fetched, too.
        setStatus(StringTable::text(kRowCancelPrint));
        setButtons(Buttons::All);
        return 0;
    }
    for (int i = 0; i <= slotTotal; ++i) {
        QCoreApplication::processEvents();
        if (i == 0 || Graella->cell(kColPrint, i) != yes)
            continue;
        const int slot = i - 1;
        const QString received = Logger::printScratchPath(slot);
        setStatus(StringTable::text(kRowReceivingLogger) + QLatin1Char(' ') + QString::number(slot));
        bool ok = false;
        result = runTransfer(LoggerJobs::jobCode(family, JobCode::OneLogger), received, slot, ok);
        if (!ok) {
            // A logger that did not arrive is never printed: whatever file of that name lies
            // in the temporary folder is from an earlier run. A port that cannot be opened
            // (a positive result) would fail for every later slot too, so it ends the run as
            // well, silently as the transfer window's port failure always is.
            setStatus(StringTable::text(kRowCancelPrint));
            break;
        }
        const QString report = Logger::printTextPath(slot);
        setStatus(StringTable::text(kRowPrintingLogger) + QLatin1Char(' ') + QString::number(slot));
        const int written =
            family == LoggerFamily::Tv ? writeTvReport(received, report) : writeModemReport(received, report);
        // A report that cannot be written is a file that cannot be opened, not a link failure.
        if (written < 0) {
            result = written == Err::WriteFailed ? written : int(Err::UnableToOpenFile);
            break;
        }
        if (toPdf) {
            result = saveLoggerPdf(family, received, report,
                                   filePerLogger ? loggerOutputFile(outputFile, slot) : outputFile, slot);
            if (result < 0)
                break;
            continue;
        }
        if (filePerLogger)
            printer.setOutputFileName(loggerOutputFile(outputFile, slot));
        // The print file (or the file of each logger) was asked about before the run began.
        result = printLoggerReport(this, Report::printTitle(slot), report, false);
        // A printer choice the user cancelled ends the run without a message.
        if (result != 0) {
            if (result > 0) {
                setStatus(StringTable::text(kRowCancelPrint));
                result = 0;
            }
            break;
        }
    }
    if (filePerLogger && !toPdf)
        printer.setOutputFileName(outputFile);
    setButtons(Buttons::All);
    return result;
}

void TResumLogger::PrintSetupClick()
{
    loggerPrintSetup(this);
}

void TResumLogger::FontSizeCallClick()
{
    TFontSize dialog(this);
    dialog.exec();
}

void TResumLogger::GraellaDrawCell(QPainter &p, int col, int row, const QRect &rect)
{
    const bool fixed = col == 0 || row == 0;
    QFont f = font();
    f.setBold(fixed);
    p.setFont(f);
    p.fillRect(rect, fixed ? QColor(0xC0, 0xC0, 0xC0) : QColor(Qt::white));
    p.setPen(Qt::black);
    p.drawText(rect.adjusted(0, 1, 0, 0), Qt::AlignHCenter | Qt::AlignTop, Graella->cell(col, row));
}
