#pragma once
// The cable-modem logger viewer: the slot's time, date and description, the downstream values,
// and on three pages the upstream values, the headend addresses and the ping report; the user's
// comments are edited in a memo and saved back into the file.

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QWidget;

class TLoggerKv25 : public QDialog {
    Q_OBJECT
public:
    explicit TLoggerKv25(QWidget *parent = nullptr);

    enum Page { UpstreamPage = 0, HeadendPage = 1, PingReportPage = 2 };

    // The file to show; called before the window is shown.
    void setFile(const QString &path);
    QString file() const { return filePath; }
    // For tests: the delay between showing and loading (100 ms by default).
    void setLoadDelay(int ms);
    bool isLoaded() const { return loaded; }

    QLineEdit *LoggerNumber = nullptr;
    QLineEdit *Time = nullptr;
    QLineEdit *Date = nullptr;
    QLineEdit *Description = nullptr;
    QLineEdit *Down_Power = nullptr, *Down_MER = nullptr, *Down_Freq = nullptr, *Down_Ch = nullptr,
              *Down_Mod = nullptr, *Down_SR = nullptr, *Down_BER = nullptr;
    QLineEdit *Up_Power = nullptr, *Up_Att = nullptr, *Up_Freq = nullptr, *Up_Bw = nullptr, *Up_Mod = nullptr,
              *Up_SR = nullptr;
    QLineEdit *HD_IPCableModem = nullptr, *HD_IPTod = nullptr, *HD_IPtftpServer = nullptr, *HD_Configfile = nullptr;
    QLineEdit *PG_Address = nullptr, *PG_Send = nullptr, *PG_Receive = nullptr, *PG_PLR = nullptr,
              *PG_TimeMin = nullptr, *PG_TimeMax = nullptr, *PG_TimeAvg = nullptr;
    QPlainTextEdit *Comments = nullptr;
    QTabWidget *DadesUpstream = nullptr;
    QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet5 = nullptr;
    QPushButton *Imprimir = nullptr;
    QMenuBar *MainMenu1 = nullptr;
    QMenu *File1 = nullptr;
    QAction *Save1 = nullptr, *SaveAs1 = nullptr, *FontSize1 = nullptr, *Print1 = nullptr, *PrintSetup1 = nullptr,
            *Exit1 = nullptr;
    QTimer *Timer5 = nullptr;

    // Whether a page's tab is on show.
    bool pageVisible(Page page) const;

public Q_SLOTS:
    void Timer5Timer();
    void Save1Click();
    void SaveAs1Click();
    void FontSize1Click();
    void ImprimirClick();
    void Print1Click() { ImprimirClick(); }
    void PrintSetup1Click();
    void Exit1Click();

    // A window closed before its file was read does not read it afterwards.
    void done(int r) override;

protected:
    void showEvent(QShowEvent *e) override;    // FormShow

private:
    void FormShow();
    int saveTo(const QString &target);
    QLineEdit *field(QWidget *parent, const char *name, int labelRow, int x, int y, int labelWidth, int width);

    // Each label with the string-table row it shows, captioned on every showing.
    struct Caption {
        QLabel *label;
        int row;
        bool upper;
    };
    QList<Caption> captions;

    QString filePath;
    bool fileGiven = false;
    bool loaded = false;
};
