#include "datalogger/windows/LimitsWindows.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/LevelChart.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using Limits::Limit;

namespace {

QString caption(int row)
{
    QString t = StringTable::text(row);
    if (t.endsWith(QLatin1String("...")))
        t.chop(3);
    return t;
}

void showWriteFailure(QWidget *parent, int code)
{
    ShowErrorCode(code, parent, writeFailureText());
}

}   // namespace

// --- the customer's details -----------------------------------------------------------------

TInstallationReport::TInstallationReport(QWidget *parent, const Limits::Judgement &j, const QString &logger,
                                         const QString &profile)
    : QDialog(parent), judgement(j), loggerFile(logger), profileFile(profile)
{
    setObjectName(QStringLiteral("InstallationReport"));
    setWindowTitle(caption(418 /* "Installation Report..." */));
    settings = LimitsReport::readSettings(LimitsReport::settingsPath());
    const LimitsReport::Site site = settings.siteFor(j.header.location);

    auto *form = new QFormLayout;
    auto field = [&](const char *name, int row, const QString &value) {
        auto *e = new QLineEdit(value, this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMinimumWidth(320);
        form->addRow(StringTable::text(row) + QLatin1Char(':'), e);
        return e;
    };
    Customer = field("Customer", 450 /* "Customer" */, site.customer);
    Address = field("Address", 451 /* "Address" */, site.address);
    Outlet = field("Outlet", 452 /* "Outlet" */, site.outlet);
    Installer = field("Installer", 453 /* "Installer" */, settings.installer);
    Company = field("Company", 454 /* "Company" */, settings.company);
    CompanyAddress = field("CompanyAddress", 455 /* "Company address" */, settings.companyAddress);
    Logo = new QLineEdit(settings.logo, this);
    Logo->setObjectName(QStringLiteral("Logo"));
    BrowseLogo = new QPushButton(StringTable::text(465 /* "Browse..." */), this);
    BrowseLogo->setObjectName(QStringLiteral("BrowseLogo"));
    BrowseLogo->setAutoDefault(false);
    auto *logoRow = new QHBoxLayout;
    logoRow->addWidget(Logo, 1);
    logoRow->addWidget(BrowseLogo);
    form->addRow(StringTable::text(456 /* "Logo" */) + QLatin1Char(':'), logoRow);

    SavePdf = new QPushButton(StringTable::text(252 /* "Save as PDF..." */), this);
    SavePdf->setObjectName(QStringLiteral("SavePdf"));
    SavePdf->setDefault(true);
    Cancel = new QPushButton(StringTable::text(19 /* "Cancel" */), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SavePdf);
    buttons->addWidget(Cancel);

    auto *summary = new QLabel(j.summary(), this);
    summary->setObjectName(QStringLiteral("Summary"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(BrowseLogo, &QPushButton::clicked, this, &TInstallationReport::BrowseLogoClick);
    connect(SavePdf, &QPushButton::clicked, this, &TInstallationReport::SavePdfClick);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TInstallationReport::BrowseLogoClick()
{
    const QString path = prompts().openFile(this, caption(456 /* "Logo" */), QFileInfo(Logo->text()).absolutePath(),
                                            StringTable::text(477 /* "Pictures" */)
                                                + QStringLiteral(" (*.png *.jpg *.jpeg *.bmp *.gif)"));
    if (path.isEmpty())
        return;
    if (QImageReader(path).read().isNull()) {
        prompts().message(this, caption(456 /* "Logo" */),
                          StringTable::text(478 /* "The logo picture cannot be read: %1" */).arg(path),
                          Prompter::Icon::Warning);
        return;
    }
    Logo->setText(path);
}

void TInstallationReport::SavePdfClick()
{
    const QString suggested =
        QDir(app().tempFolder).filePath(QFileInfo(loggerFile).completeBaseName() + QStringLiteral("-report.pdf"));
    const QString pdf = prompts().saveFile(this, caption(252 /* "Save as PDF..." */), suggested,
                                           StringTable::text(255 /* "PDF Documents" */) + QStringLiteral(" (*.pdf)"),
                                           QStringLiteral("pdf"));
    if (pdf.isEmpty())
        return;

    LimitsReport::Details d;
    d.site.location = judgement.header.location.trimmed();
    d.site.customer = Customer->text().trimmed();
    d.site.address = Address->text().trimmed();
    d.site.outlet = Outlet->text().trimmed();
    d.installer = Installer->text().trimmed();
    d.company = Company->text().trimmed();
    d.companyAddress = CompanyAddress->text().trimmed();
    d.logo = Logo->text().trimmed();
    d.meterModel = app().CurrentModel.modelName;
    d.loggerFile = loggerFile;
    d.profileFile = profileFile;

    QStringList warnings;
    const int result = LimitsReport::writePdf(pdf, judgement, d, &warnings);
    if (result < 0) {
        showWriteFailure(this, result);
        return;
    }
    written = pdf;

    // The details are kept for the next report once the report itself is safe.
    settings = LimitsReport::readSettings(LimitsReport::settingsPath());
    settings.installer = d.installer;
    settings.company = d.company;
    settings.companyAddress = d.companyAddress;
    settings.logo = d.logo;
    settings.remember(d.site);
    const int kept = LimitsReport::writeSettings(LimitsReport::settingsPath(), settings);
    if (kept < 0)
        showWriteFailure(this, kept);
    if (!warnings.isEmpty())
        prompts().message(this, caption(418 /* "Installation Report..." */), warnings.join(QLatin1Char('\n')),
                          Prompter::Icon::Warning);
    accept();
}

// --- the profile editor -----------------------------------------------------------------------

namespace {

// Columns of the rules grid.
enum Col { CName, CMod, CAnnex, CSys, CSr, CFreq, CLevelMin, CLevelMax, CMerMin, CCnMin, CBerMax, CVaMin, CVaMax };

QString numberCell(bool has, double v)
{
    return has ? QString::number(v, 'g', 12) : QString();
}

}   // namespace

TLimitProfiles::TLimitProfiles(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LimitProfiles"));
    setWindowTitle(caption(417 /* "Limit Profiles..." */));
    resize(1220, 560);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(makeProfileList());
    layout->addLayout(makeRuleEditor(), 1);
    connectControls();

    const int made = Limits::ensureFolder();
    if (made < 0)
        showWriteFailure(this, made);
    listProfiles(QString());
}

// The Limits folder's profiles, with New and Delete under them.
QVBoxLayout *TLimitProfiles::makeProfileList()
{
    Profiles = new QListWidget(this);
    Profiles->setObjectName(QStringLiteral("Profiles"));
    Profiles->setMaximumWidth(180);
    New = new QPushButton(StringTable::text(32 /* "New" */), this);
    New->setObjectName(QStringLiteral("New"));
    Delete = new QPushButton(StringTable::text(34 /* "Delete" */), this);
    Delete->setObjectName(QStringLiteral("Delete"));
    auto *left = new QVBoxLayout;
    left->addWidget(Profiles, 1);
    auto *leftButtons = new QHBoxLayout;
    leftButtons->addWidget(New);
    leftButtons->addWidget(Delete);
    left->addLayout(leftButtons);
    return left;
}

// The profile on show: its name and source, the rules' grid, the hints and the buttons.
QVBoxLayout *TLimitProfiles::makeRuleEditor()
{
    ProfileName = new QLineEdit(this);
    ProfileName->setObjectName(QStringLiteral("ProfileName"));
    Source = new QLineEdit(this);
    Source->setObjectName(QStringLiteral("Source"));
    auto *form = new QFormLayout;
    form->addRow(StringTable::text(79 /* "Name" */) + QLatin1Char(':'), ProfileName);
    form->addRow(StringTable::text(460 /* "Source" */) + QLatin1Char(':'), Source);

    Rules = new QTableWidget(0, kColumns, this);
    Rules->setObjectName(QStringLiteral("Rules"));
    Rules->verticalHeader()->setDefaultSectionSize(20);
    const QString level = Limits::limitName(Limit::Level), va = Limits::limitName(Limit::Va);
    const QStringList headers{StringTable::text(79 /* "Name" */),
                              StringTable::text(89 /* "Mod." */),
                              StringTable::text(88 /* "Annex" */),
                              StringTable::text(86 /* "System" */),
                              StringTable::text(87 /* "S.R." */),
                              StringTable::text(472 /* "Freq. (MHz)" */),
                              StringTable::text(473 /* "%1 min" */).arg(level),
                              StringTable::text(474 /* "%1 max" */).arg(level),
                              StringTable::text(473 /* "%1 min" */).arg(Limits::limitName(Limit::Mer)),
                              StringTable::text(473 /* "%1 min" */).arg(Limits::limitName(Limit::Cn)),
                              StringTable::text(474 /* "%1 max" */).arg(Limits::limitName(Limit::Ber)),
                              StringTable::text(473 /* "%1 min" */).arg(va),
                              StringTable::text(474 /* "%1 max" */).arg(va)};
    Rules->setHorizontalHeaderLabels(headers);
    Rules->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Rules->horizontalHeader()->setSectionResizeMode(CName, QHeaderView::Interactive);
    Rules->setColumnWidth(CName, 200);

    Hint = new QLabel(
        StringTable::text(
            483 /* "Conditions: texts separated by \",\"; \"-\" a blank field, \"*\" any text. Limits: numbers." */),
        this);
    Hint->setObjectName(QStringLiteral("Hint"));
    Hint->setWordWrap(true);
    Problems = new QLabel(this);
    Problems->setObjectName(QStringLiteral("Problems"));
    Problems->setWordWrap(true);
    Problems->setStyleSheet(QStringLiteral("color: #B02010"));

    auto button = [this](const char *name, int row) {
        auto *b = new QPushButton(StringTable::text(row), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    AddRule = button("AddRule", 467 /* "Add Rule" */);
    RemoveRule = button("RemoveRule", 468 /* "Remove Rule" */);
    MoveUp = button("MoveUp", 469 /* "Move Up" */);
    MoveDown = button("MoveDown", 470 /* "Move Down" */);
    Save = button("Save", 31 /* "Save" */);
    SaveAs = button("SaveAs", 91 /* "Save As..." */);
    Close = button("Close", 7 /* "Exit" */);
    auto *ruleButtons = new QHBoxLayout;
    for (QPushButton *b : {AddRule, RemoveRule, MoveUp, MoveDown})
        ruleButtons->addWidget(b);
    ruleButtons->addStretch(1);
    for (QPushButton *b : {Save, SaveAs, Close})
        ruleButtons->addWidget(b);

    auto *right = new QVBoxLayout;
    right->addLayout(form);
    right->addWidget(Rules, 1);
    right->addWidget(Hint);
    right->addWidget(Problems);
    right->addLayout(ruleButtons);
    return right;
}

void TLimitProfiles::connectControls()
{
    connect(Profiles, &QListWidget::currentRowChanged, this, &TLimitProfiles::ProfilesChange);
    connect(New, &QPushButton::clicked, this, &TLimitProfiles::NewClick);
    connect(Delete, &QPushButton::clicked, this, &TLimitProfiles::DeleteClick);
    connect(AddRule, &QPushButton::clicked, this, &TLimitProfiles::AddRuleClick);
    connect(RemoveRule, &QPushButton::clicked, this, &TLimitProfiles::RemoveRuleClick);
    connect(MoveUp, &QPushButton::clicked, this, &TLimitProfiles::MoveUpClick);
    connect(MoveDown, &QPushButton::clicked, this, &TLimitProfiles::MoveDownClick);
    connect(Save, &QPushButton::clicked, this, &TLimitProfiles::SaveClick);
    connect(SaveAs, &QPushButton::clicked, this, &TLimitProfiles::SaveAsClick);
    connect(Close, &QPushButton::clicked, this, &TLimitProfiles::reject);
    connect(Rules, &QTableWidget::itemChanged, this, [this] { markModified(); });
    connect(ProfileName, &QLineEdit::textEdited, this, [this] { markModified(); });
    connect(Source, &QLineEdit::textEdited, this, [this] { markModified(); });
}

void TLimitProfiles::markModified()
{
    if (!loading)
        modified = true;
}

void TLimitProfiles::listProfiles(const QString &select)
{
    loading = true;
    Profiles->clear();
    for (const QString &name : Limits::profileFiles())
        Profiles->addItem(name);
    loading = false;
    const QList<QListWidgetItem *> found = Profiles->findItems(select, Qt::MatchExactly);
    if (!found.isEmpty())
        Profiles->setCurrentItem(found.first());
    else if (Profiles->count() > 0)
        Profiles->setCurrentRow(0);
    else
        NewClick();
}

void TLimitProfiles::ProfilesChange()
{
    if (loading || !Profiles->currentItem())
        return;
    const QString path = Limits::folder() + QLatin1Char('/') + Profiles->currentItem()->text();
    if (path == current && !current.isEmpty())
        return;
    if (!settleChanges()) {
        // Back to the profile with the changes.
        loading = true;
        const QList<QListWidgetItem *> found = Profiles->findItems(QFileInfo(current).fileName(), Qt::MatchExactly);
        Profiles->setCurrentItem(found.isEmpty() ? nullptr : found.first());
        loading = false;
        return;
    }
    current = path;
    Limits::Profile profile;
    QList<Limits::Problem> errors, warnings;
    const bool ok = Limits::readFile(path, profile, errors, warnings);
    showProfile(profile, ok);
    if (!ok)
        Problems->setText(
            StringTable::text(
                480 /* "This profile has errors; it is shown but not used. Correct it in a text editor, or delete it." */)
            + QLatin1Char('\n') + Limits::describe(path, errors).mid(0, 6).join(QLatin1Char('\n')));
    else
        Problems->setText(Limits::describe(path, warnings).mid(0, 6).join(QLatin1Char('\n')));
}

void TLimitProfiles::showProfile(const Limits::Profile &profile, bool canEdit)
{
    loading = true;
    editable = canEdit;
    ProfileName->setText(profile.name);
    Source->setText(profile.source);
    Rules->setRowCount(0);
    Rules->setRowCount(int(profile.rules.size()));
    for (int r = 0; r < profile.rules.size(); ++r)
        setRow(r, profile.rules.at(r));
    // A profile with errors is shown as far as it was read, never written back: a save would
    // drop the lines that could not be read.
    for (QWidget *w : std::initializer_list<QWidget *>{ProfileName, Source, Rules, AddRule, RemoveRule, MoveUp,
                                                       MoveDown, Save, SaveAs})
        w->setEnabled(canEdit);
    modified = false;
    loading = false;
}

void TLimitProfiles::setRow(int row, const Limits::Rule &rule)
{
    const QString cells[kColumns] = {
        rule.name,
        rule.mod.texts.join(QLatin1Char(',')),
        rule.annex.texts.join(QLatin1Char(',')),
        rule.sys.texts.join(QLatin1Char(',')),
        rule.sr.texts.join(QLatin1Char(',')),
        rule.freq.isSet() ? numberCell(rule.freq.hasMin, rule.freq.min) + QStringLiteral("..")
                                + numberCell(rule.freq.hasMax, rule.freq.max)
                          : QString(),
        numberCell(rule.of(Limit::Level).hasMin, rule.of(Limit::Level).min),
        numberCell(rule.of(Limit::Level).hasMax, rule.of(Limit::Level).max),
        numberCell(rule.of(Limit::Mer).hasMin, rule.of(Limit::Mer).min),
        numberCell(rule.of(Limit::Cn).hasMin, rule.of(Limit::Cn).min),
        numberCell(rule.of(Limit::Ber).hasMax, rule.of(Limit::Ber).max),
        numberCell(rule.of(Limit::Va).hasMin, rule.of(Limit::Va).min),
        numberCell(rule.of(Limit::Va).hasMax, rule.of(Limit::Va).max),
    };
    for (int c = 0; c < kColumns; ++c)
        Rules->setItem(row, c, new QTableWidgetItem(cells[c]));
}

bool TLimitProfiles::profileFromGrid(Limits::Profile &profile, QString &problem) const
{
    Limits::Profile p;
    p.name = ProfileName->text().trimmed();
    p.source = Source->text().trimmed();
    for (int r = 0; r < Rules->rowCount(); ++r) {
        auto cell = [&](int c) { return Rules->item(r, c) ? Rules->item(r, c)->text().trimmed() : QString(); };
        auto fail = [&](int c, const QString &what) {
            problem = StringTable::text(475 /* "Rule %1, %2: %3" */)
                          .arg(r + 1)
                          .arg(Rules->horizontalHeaderItem(c)->text(), what);
            return false;
        };
        Limits::Rule rule;
        rule.name = cell(CName);
        auto texts = [&](int c) {
            QStringList list;
            for (const QString &t : cell(c).split(QLatin1Char(','))) {
                if (!t.trimmed().isEmpty())
                    list << t.trimmed();
            }
            return list;
        };
        rule.mod.texts = texts(CMod);
        rule.annex.texts = texts(CAnnex);
        rule.sys.texts = texts(CSys);
        rule.sr.texts = texts(CSr);
        const QString freq = cell(CFreq);
        if (!freq.isEmpty() && !Limits::parseRange(freq, rule.freq))
            return fail(CFreq, StringTable::text(438 /* "\"%1\" is not a range (MIN..MAX)" */).arg(freq));
        const std::tuple<int, Limit, bool> numbers[] = {
            {CLevelMin, Limit::Level, true}, {CLevelMax, Limit::Level, false}, {CMerMin, Limit::Mer, true},
            {CCnMin, Limit::Cn, true},       {CBerMax, Limit::Ber, false},     {CVaMin, Limit::Va, true},
            {CVaMax, Limit::Va, false}};
        for (const auto &[c, limit, isMin] : numbers) {
            const QString t = cell(c);
            if (t.isEmpty())
                continue;
            double v = 0;
            if (!LevelChart::readNumber(t, v))
                return fail(c, StringTable::text(427 /* "%1 does not read as a number" */)
                                   .arg(QLatin1Char('"') + t + QLatin1Char('"')));
            Limits::Range &range = rule.limit[int(limit)];
            (isMin ? range.hasMin : range.hasMax) = true;
            (isMin ? range.min : range.max) = v;
        }
        Limits::Profile one;
        one.rules << rule;
        const QList<Limits::Problem> problems = Limits::check(one);
        if (!problems.isEmpty()) {
            problem = StringTable::text(475 /* "Rule %1, %2: %3" */).arg(r + 1).arg(rule.name, problems.first().what);
            return false;
        }
        p.rules << rule;
    }
    const QList<Limits::Problem> problems = Limits::check(p);
    if (!problems.isEmpty()) {
        problem = problems.first().what;
        return false;
    }
    profile = p;
    return true;
}

bool TLimitProfiles::writeTo(const QString &path)
{
    Limits::Profile profile;
    QString problem;
    if (!profileFromGrid(profile, problem)) {
        prompts().message(this, caption(417 /* "Limit Profiles..." */), problem, Prompter::Icon::Warning);
        return false;
    }
    const int result = Limits::writeFile(path, profile);
    if (result < 0) {
        showWriteFailure(this, result);
        return false;
    }
    current = path;
    modified = false;
    // What the reader finds in the file as written: the overlaps, first match winning.
    Limits::Profile back;
    QList<Limits::Problem> errors, warnings;
    Limits::readFile(path, back, errors, warnings);
    Problems->setText(Limits::describe(path, errors + warnings).mid(0, 6).join(QLatin1Char('\n')));
    listProfiles(QFileInfo(path).fileName());
    return true;
}

bool TLimitProfiles::SaveClick()
{
    if (!editable)
        return false;
    if (current.isEmpty())
        return SaveAsClick();
    return writeTo(current);
}

bool TLimitProfiles::SaveAsClick()
{
    if (!editable)
        return false;
    Limits::Profile profile;
    QString problem;
    // Refused before a name is asked: nothing is written for a grid the reader would refuse.
    if (!profileFromGrid(profile, problem)) {
        prompts().message(this, caption(417 /* "Limit Profiles..." */), problem, Prompter::Icon::Warning);
        return false;
    }
    const QString suggested = Limits::folder() + QLatin1Char('/')
                              + (current.isEmpty() ? StringTable::text(479 /* "New Profile" */) + QStringLiteral(".lim")
                                                   : QFileInfo(current).fileName());
    // The save dialog asks before it replaces a file.
    const QString path = prompts().saveFile(
        this, caption(91 /* "Save As..." */), suggested,
        StringTable::text(471 /* "Limit Profile Files" */) + QStringLiteral(" (*.lim)"), Limits::kProfileExtension);
    if (path.isEmpty())
        return false;
    return writeTo(path);
}

bool TLimitProfiles::settleChanges()
{
    if (!modified || !editable)
        return true;
    const auto answer = prompts().message(this, caption(417 /* "Limit Profiles..." */),
                                          StringTable::text(307 /* "The changes have not been saved. Save them?" */),
                                          Prompter::Icon::Question,
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return SaveClick();
    modified = false;
    return true;
}

void TLimitProfiles::NewClick()
{
    if (!settleChanges())
        return;
    current.clear();
    Limits::Profile p;
    p.name = StringTable::text(479 /* "New Profile" */);
    Limits::Rule r;
    r.name = QStringLiteral("DVB-C 256-QAM");
    r.mod.texts = {QStringLiteral("QAM256")};
    p.rules << r;
    showProfile(p, true);
    Problems->clear();
    loading = true;
    Profiles->setCurrentItem(nullptr);
    loading = false;
    modified = true;
}

void TLimitProfiles::DeleteClick()
{
    if (current.isEmpty() || !Profiles->currentItem())
        return;
    const auto answer =
        prompts().message(this, caption(417 /* "Limit Profiles..." */),
                          StringTable::text(482 /* "Delete the profile %1?" */).arg(QFileInfo(current).fileName()),
                          Prompter::Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    if (!QFile::remove(current)) {
        ShowErrorCode(Err::UnableToOpenFile, this, current);
        return;
    }
    current.clear();
    modified = false;
    listProfiles(QString());
}

void TLimitProfiles::AddRuleClick()
{
    const int row = Rules->currentRow() >= 0 ? Rules->currentRow() + 1 : Rules->rowCount();
    Rules->insertRow(row);
    Limits::Rule r;
    r.name = QStringLiteral("Rule %1").arg(Rules->rowCount());
    setRow(row, r);
    Rules->setCurrentCell(row, CName);
    modified = true;
}

void TLimitProfiles::RemoveRuleClick()
{
    const int row = Rules->currentRow();
    if (row < 0)
        return;
    Rules->removeRow(row);
    modified = true;
}

void TLimitProfiles::moveRow(int from, int to)
{
    if (from < 0 || to < 0 || from >= Rules->rowCount() || to >= Rules->rowCount())
        return;
    for (int c = 0; c < kColumns; ++c) {
        QTableWidgetItem *a = Rules->takeItem(from, c);
        QTableWidgetItem *b = Rules->takeItem(to, c);
        Rules->setItem(from, c, b);
        Rules->setItem(to, c, a);
    }
    Rules->setCurrentCell(to, Rules->currentColumn() < 0 ? 0 : Rules->currentColumn());
    modified = true;
}

void TLimitProfiles::MoveUpClick()
{
    moveRow(Rules->currentRow(), Rules->currentRow() - 1);
}

void TLimitProfiles::MoveDownClick()
{
    moveRow(Rules->currentRow(), Rules->currentRow() + 1);
}

void TLimitProfiles::reject()
{
    if (!settleChanges())
        return;
    QDialog::reject();
}

void openLimitProfiles(QWidget *parent)
{
    TLimitProfiles window(parent);
    window.exec();
}
