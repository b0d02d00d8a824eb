#pragma once
// The TV viewer's Check Limits page: the profile chosen, the summary line, a table of the
// channels with their verdicts and the figures that decide them, and the chart of their levels
// in their level windows. The verdicts come from Limits::judge; this page only shows them.

#include "datalogger/Limits.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The chart of a judgement, drawn by the report's own painter.
class TLimitsChart : public QWidget {
    Q_OBJECT
public:
    explicit TLimitsChart(QWidget *parent = nullptr);
    void setJudgement(const Limits::Judgement *judgement);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const Limits::Judgement *shown = nullptr;
};

class TLimitsView : public QWidget {
    Q_OBJECT
public:
    explicit TLimitsView(QWidget *parent = nullptr);

    // The logger to judge; it is judged again whenever another profile is chosen.
    void setContents(const TvLoggerContents &contents);
    // Lists the Limits folder's profiles again (after the editor) and judges again.
    void reloadProfiles();
    void caption();

    // Whether the chosen profile could be used (it has no error).
    bool usable() const { return profileUsable; }
    const Limits::Judgement &judgement() const { return current; }
    // The chosen profile's file, empty for the delivered profile built into the program.
    QString profilePath() const { return chosenPath; }
    QStringList profileProblems() const { return problems; }

    QLabel *ProfileLabel = nullptr;
    QComboBox *Profile = nullptr;
    QPushButton *EditProfiles = nullptr;
    QLabel *Summary = nullptr;
    QTableWidget *Table = nullptr;
    TLimitsChart *Chart = nullptr;

Q_SIGNALS:
    void editProfilesRequested();

private:
    void ProfileChange(int index);
    void judgeAgain();
    void fillTable();

    TvLoggerContents contents;
    bool hasContents = false;
    Limits::Judgement current;
    bool profileUsable = false;
    QString chosenPath;
    QStringList problems;
    QStringList overlapWarnings;
};
