#include "datalogger/windows/LimitsView.h"

#include "app/StringTable.h"
#include "datalogger/LimitsReport.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

using Limits::Limit;

TLimitsChart::TLimitsChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LimitsChart"));
    setMinimumHeight(120);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void TLimitsChart::setJudgement(const Limits::Judgement *judgement)
{
    shown = judgement;
    update();
}

void TLimitsChart::paintEvent(QPaintEvent *)
{
    if (!shown)
        return;
    QPainter p(this);
    LimitsReport::paintChart(p, QRectF(rect()).adjusted(6, 4, -6, -4), *shown, 8);
}

TLimitsView::TLimitsView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LimitsPage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto *top = new QHBoxLayout;
    ProfileLabel = new QLabel(this);
    ProfileLabel->setObjectName(QStringLiteral("ProfileLabel"));
    Profile = new QComboBox(this);
    Profile->setObjectName(QStringLiteral("Profile"));
    Profile->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Profile->setMinimumContentsLength(24);
    EditProfiles = new QPushButton(this);
    EditProfiles->setObjectName(QStringLiteral("EditProfiles"));
    EditProfiles->setAutoDefault(false);
    top->addWidget(ProfileLabel);
    top->addWidget(Profile, 1);
    top->addWidget(EditProfiles);
    layout->addLayout(top);

    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setWordWrap(true);
    QFont bold = Summary->font();
    bold.setBold(true);
    Summary->setFont(bold);
    layout->addWidget(Summary);

    auto *split = new QSplitter(Qt::Vertical, this);
    Table = new QTableWidget(split);
    Table->setObjectName(QStringLiteral("LimitsTable"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->verticalHeader()->setVisible(false);
    Table->verticalHeader()->setDefaultSectionSize(20);
    Table->horizontalHeader()->setStretchLastSection(true);
    Chart = new TLimitsChart(split);
    split->addWidget(Table);
    split->addWidget(Chart);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setSizes({140, 210});
    layout->addWidget(split, 1);

    connect(Profile, &QComboBox::currentIndexChanged, this, &TLimitsView::ProfileChange);
    connect(EditProfiles, &QPushButton::clicked, this, &TLimitsView::editProfilesRequested);
    caption();
}

void TLimitsView::caption()
{
    ProfileLabel->setText(StringTable::text(466 /* "Profile" */));
    EditProfiles->setText(StringTable::text(417 /* "Limit Profiles..." */));
    if (hasContents)
        judgeAgain();
}

void TLimitsView::setContents(const TvLoggerContents &c)
{
    contents = c;
    hasContents = true;
    reloadProfiles();
}

void TLimitsView::reloadProfiles()
{
    // A workspace from before limits were known gets its folder and the delivered profile now.
    Limits::ensureFolder();
    const LimitsReport::Settings settings = LimitsReport::readSettings(LimitsReport::settingsPath());
    // The settings' choice as it stands, or the delivered profile when it is gone.
    const QString chosenName = QFileInfo(LimitsReport::chosenProfilePath(settings)).fileName();
    {
        const QSignalBlocker block(Profile);
        Profile->clear();
        for (const QString &name : Limits::profileFiles())
            Profile->addItem(QFileInfo(name).completeBaseName(), name);
        if (Profile->count() == 0)
            Profile->addItem(Limits::defaultProfile().name, QString());
        const int at = Profile->findData(chosenName);
        Profile->setCurrentIndex(at >= 0 ? at : 0);
    }
    judgeAgain();
}

void TLimitsView::ProfileChange(int)
{
    LimitsReport::Settings settings = LimitsReport::readSettings(LimitsReport::settingsPath());
    const QString name = Profile->currentData().toString();
    if (settings.profile != name) {
        settings.profile = name;
        // The choice is a convenience: a settings file that cannot be written leaves it unsaved.
        LimitsReport::writeSettings(LimitsReport::settingsPath(), settings);
    }
    judgeAgain();
}

void TLimitsView::judgeAgain()
{
    const QString name = Profile->currentData().toString();
    Limits::Profile profile;
    problems.clear();
    overlapWarnings.clear();
    if (name.isEmpty()) {
        chosenPath.clear();
        profile = Limits::defaultProfile();
        profileUsable = true;
    } else {
        chosenPath = Limits::folder() + QLatin1Char('/') + name;
        QList<Limits::Problem> errors, warnings;
        profileUsable = Limits::readFile(chosenPath, profile, errors, warnings);
        problems = Limits::describe(chosenPath, errors);
        overlapWarnings = Limits::describe(chosenPath, warnings);
    }
    if (profileUsable) {
        current = Limits::judge(contents, profile);
        Summary->setStyleSheet(QString());
        // Overlapping rules do not stop the profile; the first of them is said under the
        // summary, all of them in its tooltip.
        Summary->setText(overlapWarnings.isEmpty() ? current.summary()
                                                   : current.summary() + QLatin1Char('\n') + overlapWarnings.first());
        Summary->setToolTip(overlapWarnings.join(QLatin1Char('\n')));
    } else {
        current = Limits::Judgement();
        Summary->setStyleSheet(QStringLiteral("color: #B02010"));
        Summary->setText(StringTable::text(447 /* "The profile has errors and is not used:" */) + QLatin1Char('\n')
                         + problems.mid(0, 4).join(QLatin1Char('\n')));
    }
    fillTable();
    Chart->setJudgement(profileUsable ? &current : nullptr);
}

void TLimitsView::fillTable()
{
    const QStringList headers{StringTable::text(79 /* "Name" */),
                              StringTable::text(146 /* "Freq." */),
                              StringTable::text(89 /* "Mod." */),
                              StringTable::text(431 /* "Rule" */),
                              Limits::limitName(Limit::Level) + QStringLiteral(" dBuV"),
                              StringTable::text(481 /* "Level window" */),
                              Limits::limitName(Limit::Mer),
                              Limits::limitName(Limit::Cn),
                              Limits::limitName(Limit::Ber),
                              Limits::limitName(Limit::Va),
                              StringTable::text(432 /* "Verdict" */),
                              StringTable::text(433 /* "Reason" */)};
    Table->clear();
    Table->setColumnCount(int(headers.size()));
    Table->setHorizontalHeaderLabels(headers);
    Table->setRowCount(int(current.channels.size()));
    for (int r = 0; r < current.channels.size(); ++r) {
        const Limits::ChannelResult &c = current.channels.at(r);
        const Limits::Rule *rule = c.rule >= 0 ? &current.profile.rules.at(c.rule) : nullptr;
        const QString cells[] = {
            c.name(),
            c.m.field[TvMeasurement::FREQ],
            c.m.field[TvMeasurement::MOD],
            rule ? rule->name : QString(),
            c.hasLevel ? (c.levelBound ? QStringLiteral("<") : QString()) + Limits::valueText(c.level, Limit::Level)
                       : QString(),
            rule ? Limits::rangeText(rule->of(Limit::Level), Limit::Level) : QString(),
            c.m.field[TvMeasurement::MER],
            c.m.field[TvMeasurement::CN],
            c.m.field[TvMeasurement::BER],
            c.m.field[TvMeasurement::VA],
            Limits::verdictText(c.verdict),
            c.reasons.join(QStringLiteral("; ")),
        };
        for (int k = 0; k < int(std::size(cells)); ++k) {
            auto *item = new QTableWidgetItem(cells[k]);
            if (k == 10) {
                item->setForeground(LimitsReport::colourOf(c.verdict).darker(125));
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            item->setToolTip(cells[k]);
            Table->setItem(r, k, item);
        }
    }
    Table->resizeColumnsToContents();
    // The reason fills what is left; a long one is read in its tooltip.
    Table->setColumnWidth(11, std::max(Table->columnWidth(11), 160));
}
