// The TV logger viewer's Limits menu: the Check Limits page, which takes the grid's place as the
// level chart does, the customer's installation report, the judgement as a CSV file and the
// profile editor. The grid, the chart and every other control stay as they are.

#include "datalogger/windows/Dloggerkv27.h"

#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/windows/LimitsView.h"
#include "datalogger/windows/LimitsWindows.h"
#include "datalogger/windows/StringGrid.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

void TKv27Datalogger::makeLimitsPage()
{
    Limits1 = MainMenu1->addMenu(QString());
    Limits1->setObjectName(QStringLiteral("Limits1"));
    CheckLimits1 = Limits1->addAction(QString());
    CheckLimits1->setObjectName(QStringLiteral("CheckLimits1"));
    CheckLimits1->setCheckable(true);
    CheckLimits1->setEnabled(false);   // until a logger is on show
    InstallationReport1 = Limits1->addAction(QString());
    InstallationReport1->setObjectName(QStringLiteral("InstallationReport1"));
    InstallationReport1->setEnabled(false);
    ExportJudgement1 = Limits1->addAction(QString());
    ExportJudgement1->setObjectName(QStringLiteral("ExportJudgement1"));
    ExportJudgement1->setEnabled(false);
    Limits1->addSeparator();
    LimitProfiles1 = Limits1->addAction(QString());
    LimitProfiles1->setObjectName(QStringLiteral("LimitProfiles1"));
    connect(CheckLimits1, &QAction::toggled, this, &TKv27Datalogger::CheckLimits1Click);
    connect(InstallationReport1, &QAction::triggered, this, &TKv27Datalogger::InstallationReport1Click);
    connect(ExportJudgement1, &QAction::triggered, this, &TKv27Datalogger::ExportJudgement1Click);
    connect(LimitProfiles1, &QAction::triggered, this, &TKv27Datalogger::LimitProfiles1Click);

    LimitsPage = new TLimitsView(client);
    LimitsPage->setGeometry(8, 126, 800, 385);
    LimitsPage->hide();
    connect(LimitsPage, &TLimitsView::editProfilesRequested, this, &TKv27Datalogger::LimitProfiles1Click);
}

void TKv27Datalogger::captionLimitsPage()
{
    Limits1->setTitle(StringTable::text(419 /* "Limits" */));
    CheckLimits1->setText(StringTable::text(416 /* "Check Limits" */));
    InstallationReport1->setText(StringTable::text(418 /* "Installation Report..." */));
    ExportJudgement1->setText(StringTable::text(476 /* "Export Judgement..." */));
    LimitProfiles1->setText(StringTable::text(417 /* "Limit Profiles..." */));
    LimitsPage->caption();
}

void TKv27Datalogger::setLimitsContents(const TvLoggerContents &contents)
{
    limitsContents = contents;
    limitsShown = false;
    for (QAction *a : {CheckLimits1, InstallationReport1, ExportJudgement1})
        a->setEnabled(true);
    if (CheckLimits1->isChecked())
        CheckLimits1Click(true);
}

void TKv27Datalogger::CheckLimits1Click(bool on)
{
    if (on && LevelChart1->isChecked())
        LevelChart1->setChecked(false);
    // Judged the first time the page is asked for, not with every logger opened.
    if (on && !limitsShown) {
        LimitsPage->setContents(limitsContents);
        limitsShown = true;
    }
    LimitsPage->setVisible(on);
    LoggerKv10->setVisible(!on && !LevelChart1->isChecked());
}

void TKv27Datalogger::InstallationReport1Click()
{
    if (!loaded)
        return;
    if (!limitsShown) {
        LimitsPage->setContents(limitsContents);
        limitsShown = true;
    }
    if (!LimitsPage->usable()) {
        prompts().message(this, StringTable::text(449 /* "Installation Report" */),
                          StringTable::text(447 /* "The profile has errors and is not used:" */) + QLatin1Char('\n')
                              + LimitsPage->profileProblems().mid(0, 6).join(QLatin1Char('\n')),
                          Prompter::Icon::Warning);
        return;
    }
    TInstallationReport dialog(this, LimitsPage->judgement(), filePath, LimitsPage->profilePath());
    dialog.exec();
}

void TKv27Datalogger::ExportJudgement1Click()
{
    if (!loaded)
        return;
    if (!limitsShown) {
        LimitsPage->setContents(limitsContents);
        limitsShown = true;
    }
    if (!LimitsPage->usable()) {
        prompts().message(this, StringTable::text(419 /* "Limits" */),
                          StringTable::text(447 /* "The profile has errors and is not used:" */) + QLatin1Char('\n')
                              + LimitsPage->profileProblems().mid(0, 6).join(QLatin1Char('\n')),
                          Prompter::Icon::Warning);
        return;
    }
    const QString csv =
        askSavePath(476 /* "Export Judgement..." */,
                    {StringTable::text(253 /* "CSV Files" */) + QStringLiteral(" (*.csv)")}, QStringLiteral("csv"));
    if (csv.isEmpty())
        return;
    const int result = writeBytesAtomicallyCode(csv, Limits::csv(LimitsPage->judgement()));
    if (result < 0)
        ShowErrorCode(result, this, writeFailureText());
}

void TKv27Datalogger::LimitProfiles1Click()
{
    openLimitProfiles(this);
    // Edited or new profiles are listed, and the logger judged again, at once.
    if (limitsShown)
        LimitsPage->reloadProfiles();
}
