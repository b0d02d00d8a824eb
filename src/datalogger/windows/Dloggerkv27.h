#pragma once
// The TV logger viewer: the slot's header values, an editable location and one grid row per
// measured channel. The file is read a moment after the window appears, so the window is on
// screen before a long file is read.

#include "datalogger/LevelChart.h"
#include "datalogger/windows/LoggerViewer.h"

#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class TLevelChartView;
class TLimitsView;
class QTimer;
class TStringGrid;

// The file is read 250 ms after the window appears (setLoadDelay changes it for tests).
class TKv27Datalogger : public TLoggerViewer {
    Q_OBJECT
public:
    explicit TKv27Datalogger(QWidget *parent = nullptr);

    static constexpr int kGridRows = 150;   // header row and rows for N = 0 to 148
    static constexpr int kGridCols = 15;

    QLineEdit *Location = nullptr;
    QGroupBox *DadesGroup = nullptr;
    QLineEdit *Time = nullptr;
    QLineEdit *Date = nullptr;
    QLineEdit *ChannelPlanName = nullptr;
    QLineEdit *ChannelPlanNumber = nullptr;
    QLineEdit *Units = nullptr;
    QLineEdit *Threshold = nullptr;
    TStringGrid *LoggerKv10 = nullptr;
    QTimer *Timer1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label7 = nullptr,
           *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr;
    // The level chart (Dloggerkv27Chart.cpp): a button that turns the grid's place into the
    // chart page and back, and File > Save Chart.
    QPushButton *LevelChart1 = nullptr;
    TLevelChartView *ChartPage = nullptr;
    QAction *SaveChart1 = nullptr;
    const LevelChart::Model &chartModel() const { return chart; }
    // Installation limits (Dloggerkv27Limits.cpp): the Limits menu, whose Check Limits page
    // takes the grid's place as the chart does, the customer's report, the judgement as CSV
    // and the profile editor.
    QMenu *Limits1 = nullptr;
    QAction *CheckLimits1 = nullptr, *InstallationReport1 = nullptr, *ExportJudgement1 = nullptr,
            *LimitProfiles1 = nullptr;
    TLimitsView *LimitsPage = nullptr;

public Q_SLOTS:
    void Timer1Timer();
    void LevelChart1Click(bool on);
    void SaveChart1Click();
    void CheckLimits1Click(bool on);
    void InstallationReport1Click();
    void ExportJudgement1Click();
    void LimitProfiles1Click();

protected:
    void FormShow() override;
    // Saves the edited location.
    int saveTo(const QString &target) override;
    QString editedText() const override;
    bool hasUnsavedEdits() const override;
    void setEditsSaved() override;
    QString modelFileType() const override;
    QString copyCaption(const QString &target) const override;
    int writeReport(const QString &source, const QString &report) const override;
    LoggerFamily loggerFamily() const override { return LoggerFamily::Tv; }

private:
    void makeChartPage();
    void captionChartPage();
    void setChartContents(const TvLoggerContents &contents);
    void makeLimitsPage();
    void captionLimitsPage();
    void setLimitsContents(const TvLoggerContents &contents);
    TvLoggerContents limitsContents;
    bool limitsShown = false;   // the limits page has been given the loaded logger
    LevelChart::Model chart;
    bool chartShown = false;   // the chart page has been given the loaded logger
    void LoggerKv10DrawCell(QPainter &p, int col, int row, const QRect &rect);
};
