#pragma once
// The datalogger index window: receives the meter's index of logger slots, receives and shows
// one logger, receives every logger, and prints the loggers the user marks. Every reception runs
// as a job of the transfer window; the window itself only asks the meter the short "*?CG"
// question before each operation.

#include "datalogger/LoggerFiles.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPainter;
class QPushButton;
class TStringGrid;

class TResumLogger : public QDialog {
    Q_OBJECT
public:
    explicit TResumLogger(QWidget *parent = nullptr);

    static constexpr int kGridRows = 56;   // header row and slots 0 to 54
    static inline const QString kEmptyMark = QStringLiteral("      == ");

    TStringGrid *Graella = nullptr;
    QComboBox *DataloggerType = nullptr;   // item 0 modem loggers, item 1 TV loggers
    QPushButton *ReceiveIndex = nullptr;
    QPushButton *ReceiveAll = nullptr;
    QPushButton *PrintLoggers = nullptr;
    QPushButton *PrintSetup = nullptr;
    QPushButton *FontSizeCall = nullptr;
    // The print run into PDF files, one a logger (Dataloggerresumkv25Pdf.cpp).
    QPushButton *SavePdfLoggers = nullptr;
    QLabel *Missatge = nullptr;   // status line
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;

    LoggerFamily LoggerType() const;
    int loggerCount() const { return loggersInIndex; }
    int printCount() const { return marked; }

    // For tests: the transfer window's delay before its job starts, and the viewers' delay
    // before they load their file (negative: their own defaults).
    int transferStartDelay = -1;
    int viewerLoadDelay = -1;

public Q_SLOTS:
    void ReceiveIndexClick();
    void ReceiveAllClick();
    void PrintLoggersClick();
    void PrintSetupClick();
    void FontSizeCallClick();
    void SavePdfLoggersClick();
    // Click and double click on a cell of the grid.
    void GraellaClick(int col, int row);

    // Closing waits for the operation under way: its jobs and prints belong to this window.
    void reject() override;

protected:
    void showEvent(QShowEvent *e) override;   // FormShow
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    enum class Buttons { Busy, All, Idle };
    enum class Operation { ReceiveIndex, ReceiveAll, ViewSlot, PrintMarked };
    bool stopWaiting = false;   // Escape or close while an operation waits for the working files

    void FormShow();
    void setButtons(Buttons mode);
    void setStatus(const QString &text);
    void setReadyStatus();
    // The common frame of the four operations: busy buttons, the "*?CG" check, the operation,
    // its failure shown, the status line.
    void runOperation(Operation op, int slot = 0);
    // 0 when the meter may go on (it holds a channel plan, or the link failed and the job will
    // say so), -16 when it answered that it holds none.
    int checkChannelPlan();
    int receiveIndex(LoggerFamily family);
    int receiveAll(LoggerFamily family);
    int receiveAndView(LoggerFamily family, int slot);
    int printMarked(LoggerFamily family);
    // Runs one job in a transfer window: 0 when it ended with OK, otherwise its result.
    int runTransfer(int code, const QString &path, int number, bool &ok);
    // Fills the grid from the index file; the number of entries read.
    int readIndexIntoGrid(const QString &path);
    void GraellaDrawCell(QPainter &p, int col, int row, const QRect &rect);
    void toggleMark(int row);
    // The PDF of one received logger: its report as it prints, and for a TV logger its chart.
    int saveLoggerPdf(LoggerFamily family, const QString &received, const QString &report, const QString &pdf,
                      int slot);
    QString pdfOutput;   // set while the print run writes PDF files instead of printing

    int loggersInIndex = 0;
    int marked = 0;
    bool operating = false;
};
