#pragma once
// The cable-modem logger viewer: the slot's time, date and description, the downstream values,
// and on three pages the upstream values, the headend addresses and the ping report; the user's
// comments are edited in a memo and saved back into the file.

#include "datalogger/windows/LoggerViewer.h"

#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QTimer;
class QWidget;

// The file is read 100 ms after the window appears (setLoadDelay changes it for tests).
class TLoggerKv25 : public TLoggerViewer {
    Q_OBJECT
public:
    explicit TLoggerKv25(QWidget *parent = nullptr);

    enum Page { UpstreamPage = 0, HeadendPage = 1, PingReportPage = 2 };

    QLineEdit *Time = nullptr;
    QLineEdit *Date = nullptr;
    QLineEdit *Description = nullptr;
    QLineEdit *Down_Power = nullptr, *Down_MER = nullptr, *Down_Freq = nullptr, *Down_Ch = nullptr, *Down_Mod = nullptr,
              *Down_SR = nullptr, *Down_BER = nullptr;
    QLineEdit *Up_Power = nullptr, *Up_Att = nullptr, *Up_Freq = nullptr, *Up_Bw = nullptr, *Up_Mod = nullptr,
              *Up_SR = nullptr;
    QLineEdit *HD_IPCableModem = nullptr, *HD_IPTod = nullptr, *HD_IPtftpServer = nullptr, *HD_Configfile = nullptr;
    QLineEdit *PG_Address = nullptr, *PG_Send = nullptr, *PG_Receive = nullptr, *PG_PLR = nullptr,
              *PG_TimeMin = nullptr, *PG_TimeMax = nullptr, *PG_TimeAvg = nullptr;
    QPlainTextEdit *Comments = nullptr;
    QTabWidget *DadesUpstream = nullptr;
    QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet5 = nullptr;
    QTimer *Timer5 = nullptr;

    // Whether a page's tab is on show.
    bool pageVisible(Page page) const;

public Q_SLOTS:
    void Timer5Timer();

protected:
    void FormShow() override;
    int saveTo(const QString &target) override;
    QString editedText() const override;
    bool hasUnsavedEdits() const override;
    void setEditsSaved() override;
    QString modelFileType() const override;
    QString copyCaption(const QString &target) const override;
    int writeReport(const QString &source, const QString &report) const override;
    LoggerFamily loggerFamily() const override { return LoggerFamily::Modem; }

private:
    // The constructor's parts, in the form's order.
    void makeSlotFields();
    void makeDownstreamPanel();
    void makePages();
    void makeComments();
    QLineEdit *field(QWidget *parent, const char *name, int labelRow, int x, int y, int labelWidth, int width);

    // Each label with the string-table row it shows, captioned on every showing.
    struct Caption {
        QLabel *label;
        int row;
        bool upper;
        QWidget *field = nullptr;   // the value beside the label, if any
        int formWidth = 0;   // the label's width as the form placed it
    };
    QList<Caption> captions;
};
