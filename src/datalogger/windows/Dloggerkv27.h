#pragma once
// The TV logger viewer: the slot's header values, an editable location and one grid row per
// measured channel. The file is read a moment after the window appears, so the window is on
// screen before a long file is read.

#include <QDialog>
#include <QString>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPainter;
class QPushButton;
class QTimer;
class TStringGrid;

class TKv27Datalogger : public QDialog {
    Q_OBJECT
public:
    explicit TKv27Datalogger(QWidget *parent = nullptr);

    static constexpr int kGridRows = 150;     // header row and rows for N = 0 to 148
    static constexpr int kGridCols = 15;

    // The file to show; called before the window is shown.
    void setFile(const QString &path);
    QString file() const { return filePath; }
    // For tests: the delay between showing and loading (250 ms by default).
    void setLoadDelay(int ms);
    // Whether the file was read and is on show.
    bool isLoaded() const { return loaded; }

    QLineEdit *LoggerNumber = nullptr;
    QLineEdit *Location = nullptr;
    QGroupBox *DadesGroup = nullptr;
    QLineEdit *Time = nullptr;
    QLineEdit *Date = nullptr;
    QLineEdit *ChannelPlanName = nullptr;
    QLineEdit *ChannelPlanNumber = nullptr;
    QLineEdit *Units = nullptr;
    QLineEdit *Threshold = nullptr;
    TStringGrid *LoggerKv10 = nullptr;
    QPushButton *Imprimir = nullptr;
    QMenuBar *MainMenu1 = nullptr;
    QMenu *File1 = nullptr;
    QAction *Save1 = nullptr;
    QAction *SaveAs1 = nullptr;
    QAction *FontSize1 = nullptr;
    QAction *Print1 = nullptr;
    QAction *PrintSetup1 = nullptr;
    QAction *Exit1 = nullptr;
    QTimer *Timer1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label7 = nullptr,
           *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr;

public Q_SLOTS:
    void Timer1Timer();
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
    void LoggerKv10DrawCell(QPainter &p, int col, int row, const QRect &rect);
    // Writes the shown file with the edited location to target: 0 or -65.
    int saveTo(const QString &target);

    QString filePath;
    bool fileGiven = false;
    bool loaded = false;
};
