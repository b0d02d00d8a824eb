#include "archive/windows/ArchiveWindow.h"
#include "archive/windows/CompareWindow.h"
#include "archive/windows/HistoryWindow.h"
#include "archive/windows/TeamWindow.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "app/windows/WindowEntry.h"
#include "archive/Views.h"
#include "link/ErrorCodes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace {

namespace Row {
constexpr int Warning = 51;   // "Warning"
constexpr int Open = 30;   // "Open"
constexpr int Delete = 34;   // "Delete"
constexpr int Cancel = 19;   // "Cancel"
constexpr int ModemLogger = 113;   // "Modem Logger"
constexpr int TvLogger = 114;   // "TV Logger"
constexpr int ImportIntoArchive = 324;   // "Import into Archive..."
constexpr int ArchiveTitle = 325;   // "Measurement Archive"
constexpr int Filter = 344;   // "Filter:"
constexpr int All = 345;   // "All"
constexpr int From = 346;   // "From:"
constexpr int To = 347;   // "To:"
constexpr int ExportOriginal = 348;   // "Export Original..."
constexpr int Restore = 349;   // "Restore"
constexpr int ShowDeleted = 350;   // "Show Deleted"
constexpr int History = 351;   // "History..."
constexpr int Compare = 352;   // "Compare..."
constexpr int ConfirmDelete = 353;   // "Delete entry %1? Deleted entries can be restored for 30 days."
constexpr int EntriesShown = 354;   // "%1 of %2 entries"
constexpr int ImportCounts = 355;   // "%1 added, %2 already archived, %3 not imported"
constexpr int Importing = 356;   // "Importing %1 of %2"
constexpr int NotImported = 357;   // "Not imported:"
constexpr int ChooseTwo = 373;   // "Choose two TV entries to compare."
constexpr int ChooseOne = 374;   // "Choose at least one TV entry."
constexpr int Files = 386;   // "Files..."
constexpr int Folder = 387;   // "Folder..."
constexpr int Synchronise = 411;   // "Synchronise"
constexpr int NoServer = 414;   // "No server is set: General > Team Archive..."
constexpr int Synchronising = 415;   // "Synchronising %1 of %2"
constexpr int PasswordFor = 412;   // "Password for %1:"
constexpr int TeamTitle = 401;   // "Team Archive"
}   // namespace Row

// The role the table sorts by: numbers as numbers, texts as they read.
constexpr int kSortRole = Qt::UserRole + 1;

// A long list of rejected files is cut in the message box; the rest are counted.
constexpr int kListedRejections = 20;

// The extension an entry's file is written under: the model's, or the usual one without a model.
QString fileTypeOf(LoggerFamily family)
{
    const QString type = Logger::fileType(family);
    if (!type.isEmpty())
        return type;
    return family == LoggerFamily::Tv ? QStringLiteral("lg27t") : QStringLiteral("lg27m");
}

// Waits (processing events) until the thread's finished handler has run and cleared it.
void waitUntilCleared(QThread *const &thread)
{
    while (thread) {
        thread->wait(50);
        QCoreApplication::processEvents();
    }
}

}   // namespace

// --- the table --------------------------------------------------------------------------------

void ArchiveTableModel::setEntries(QList<Archive::Summary> list)
{
    beginResetModel();
    entries = std::move(list);
    cells.clear();
    cells.reserve(entries.size());
    for (const Archive::Summary &s : std::as_const(entries))
        cells.append(Archive::listCells(s));
    columns = Archive::listColumns();
    endResetModel();
}

void ArchiveTableModel::retranslate()
{
    // The family names are texts of the language too.
    setEntries(entries);
}

int ArchiveTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(entries.size());
}

int ArchiveTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Archive::ListColumnCount;
}

QVariant ArchiveTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= cells.size())
        return {};
    const Archive::Summary &s = entries[index.row()];
    const int c = index.column();
    if (role == Qt::DisplayRole)
        return cells[index.row()].value(c);
    if (role == kSortRole) {
        switch (c) {
            case Archive::IdColumn: return s.id;
            case Archive::ReceivedColumn: return s.firstAt;
            case Archive::DateColumn:
            case Archive::TimeColumn: return s.measuredAt;
            case Archive::ChannelsColumn: return s.channels;
            case Archive::UnderColumn: return s.under;
            default: return cells[index.row()].value(c);
        }
    }
    if (role == Qt::TextAlignmentRole
        && (c == Archive::IdColumn || c == Archive::ChannelsColumn || c == Archive::UnderColumn))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole && !s.complete)
        return QColor(0xA0, 0x40, 0x00);
    return {};
}

QVariant ArchiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columns.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ArchiveFilterModel::setArchiveFilter(const Archive::Filter &f)
{
    filter = f;
    invalidateFilter();
}

bool ArchiveFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const auto *m = static_cast<const ArchiveTableModel *>(sourceModel());
    return Archive::matches(m->entryAt(sourceRow), filter);
}

// --- the window -------------------------------------------------------------------------------

TArchive::TArchive(QWidget *parent, const QString &path) : QDialog(parent), archivePath(path)
{
    setObjectName(QStringLiteral("TArchive"));
    resize(980, 560);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buildFilterRow());
    buildTable();
    layout->addWidget(Taula, 1);
    layout->addLayout(buildButtonRow());
    layout->addLayout(buildStatusRow());
    connectControls();

    applyLanguage();
    refreshButtons();
}

// The filter row: the text, the family, the date range and whether deleted entries show.
QHBoxLayout *TArchive::buildFilterRow()
{
    auto *top = new QHBoxLayout;
    FiltreLabel = new QLabel(this);
    FiltreText = new QLineEdit(this);
    FiltreText->setObjectName(QStringLiteral("FiltreText"));
    FiltreText->setClearButtonEnabled(true);
    FiltreLabel->setBuddy(FiltreText);
    Familia = new QComboBox(this);
    Familia->setObjectName(QStringLiteral("Familia"));
    Familia->addItems({QString(), QString(), QString()});
    DesDe = new QCheckBox(this);
    DesDe->setObjectName(QStringLiteral("DesDe"));
    DataDesDe = new QDateEdit(QDate::currentDate().addMonths(-1), this);
    FinsA = new QCheckBox(this);
    FinsA->setObjectName(QStringLiteral("FinsA"));
    DataFinsA = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit *d : {DataDesDe, DataFinsA}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setEnabled(false);
        d->setMinimumWidth(d->fontMetrics().horizontalAdvance(QStringLiteral("8888-88-88")) + 48);
    }
    Esborrats = new QCheckBox(this);
    Esborrats->setObjectName(QStringLiteral("Esborrats"));
    top->addWidget(FiltreLabel);
    top->addWidget(FiltreText, 1);
    top->addWidget(Familia);
    top->addWidget(DesDe);
    top->addWidget(DataDesDe);
    top->addWidget(FinsA);
    top->addWidget(DataFinsA);
    top->addWidget(Esborrats);
    return top;
}

// The table of entries, sorted by the time received, newest first.
void TArchive::buildTable()
{
    model = new ArchiveTableModel(this);
    proxy = new ArchiveFilterModel(this);
    proxy->setSourceModel(model);
    proxy->setSortRole(kSortRole);
    proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    Taula = new QTableView(this);
    Taula->setObjectName(QStringLiteral("Taula"));
    Taula->setModel(proxy);
    Taula->setSortingEnabled(true);
    Taula->sortByColumn(Archive::ReceivedColumn, Qt::DescendingOrder);
    Taula->setSelectionBehavior(QAbstractItemView::SelectRows);
    Taula->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Taula->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Taula->verticalHeader()->hide();
    Taula->verticalHeader()->setDefaultSectionSize(Taula->fontMetrics().height() + 6);
    Taula->horizontalHeader()->setStretchLastSection(true);
    Taula->setAlternatingRowColors(true);
    Taula->setWordWrap(false);
}

// The buttons under the table; Import... has a menu of files or a folder.
QHBoxLayout *TArchive::buildButtonRow()
{
    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](const char *name) {
        auto *b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    BotoObrir = button("BotoObrir");
    BotoExportar = button("BotoExportar");
    BotoEsborrar = button("BotoEsborrar");
    BotoHistorial = button("BotoHistorial");
    BotoComparar = button("BotoComparar");
    buttons->addStretch(1);
    BotoSincronitzar = button("BotoSincronitzar");
    BotoImportar = button("BotoImportar");
    auto *importMenu = new QMenu(BotoImportar);
    importMenu->addAction(QString(), this, &TArchive::ImportFilesClick)->setObjectName(QStringLiteral("ImportFiles"));
    importMenu->addAction(QString(), this, &TArchive::ImportFolderClick)->setObjectName(QStringLiteral("ImportFolder"));
    BotoImportar->setMenu(importMenu);
    return buttons;
}

// The status line, with the progress and Cancel of an import that runs.
QHBoxLayout *TArchive::buildStatusRow()
{
    auto *bottom = new QHBoxLayout;
    Estat = new QLabel(this);
    Estat->setObjectName(QStringLiteral("Estat"));
    BarraProgres = new QProgressBar(this);
    BarraProgres->setObjectName(QStringLiteral("BarraProgres"));
    BarraProgres->hide();
    BotoCancel = new QPushButton(this);
    BotoCancel->setObjectName(QStringLiteral("BotoCancel"));
    BotoCancel->setAutoDefault(false);
    BotoCancel->hide();
    bottom->addWidget(Estat, 1);
    bottom->addWidget(BarraProgres, 1);
    bottom->addWidget(BotoCancel);
    return bottom;
}

void TArchive::connectControls()
{
    connect(FiltreText, &QLineEdit::textChanged, this, &TArchive::refilter);
    connect(Familia, &QComboBox::currentIndexChanged, this, &TArchive::refilter);
    connect(DesDe, &QCheckBox::toggled, DataDesDe, &QWidget::setEnabled);
    connect(FinsA, &QCheckBox::toggled, DataFinsA, &QWidget::setEnabled);
    for (QCheckBox *c : {DesDe, FinsA, Esborrats})
        connect(c, &QCheckBox::toggled, this, &TArchive::refilter);
    for (QDateEdit *d : {DataDesDe, DataFinsA})
        connect(d, &QDateEdit::dateChanged, this, &TArchive::refilter);
    connect(Taula->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TArchive::refreshButtons);
    connect(Taula, &QTableView::doubleClicked, this, &TArchive::OpenClick);
    connect(BotoObrir, &QPushButton::clicked, this, &TArchive::OpenClick);
    connect(BotoExportar, &QPushButton::clicked, this, &TArchive::ExportClick);
    connect(BotoEsborrar, &QPushButton::clicked, this, &TArchive::DeleteClick);
    connect(BotoHistorial, &QPushButton::clicked, this, &TArchive::HistoryClick);
    connect(BotoComparar, &QPushButton::clicked, this, &TArchive::CompareClick);
    connect(BotoSincronitzar, &QPushButton::clicked, this, &TArchive::SyncClick);
    connect(BotoCancel, &QPushButton::clicked, this, [this] { cancelImport.store(true); });
}

TArchive::~TArchive()
{
    closing = true;
    cancelImport.store(true);
    waitForImport();
    waitForSync();
    waitForCheck();
}

void TArchive::applyLanguage()
{
    using StringTable::text;
    setWindowTitle(text(Row::ArchiveTitle));
    FiltreLabel->setText(text(Row::Filter));
    Familia->setItemText(0, text(Row::All));
    Familia->setItemText(1, text(Row::TvLogger));
    Familia->setItemText(2, text(Row::ModemLogger));
    DesDe->setText(text(Row::From));
    FinsA->setText(text(Row::To));
    Esborrats->setText(text(Row::ShowDeleted));
    BotoObrir->setText(text(Row::Open));
    BotoExportar->setText(text(Row::ExportOriginal));
    BotoHistorial->setText(text(Row::History));
    BotoComparar->setText(text(Row::Compare));
    BotoImportar->setText(text(Row::ImportIntoArchive));
    BotoSincronitzar->setText(text(Row::Synchronise));
    BotoImportar->menu()->actions().at(0)->setText(text(Row::Files));
    BotoImportar->menu()->actions().at(1)->setText(text(Row::Folder));
    BotoCancel->setText(text(Row::Cancel));
    model->retranslate();
    sizeColumns();
}

void TArchive::sizeColumns()
{
    // Widths from the header and a typical cell, not from every row: ten thousand entries are
    // not measured one by one.
    const QFontMetrics fm = Taula->fontMetrics();
    const QStringList columns = Archive::listColumns();
    const QString typical[Archive::ListColumnCount] = {QStringLiteral("99999"),
                                                       QStringLiteral("2026-12-08 18:30"),
                                                       QStringLiteral("05/12/26"),
                                                       QStringLiteral("09:12"),
                                                       QStringLiteral("FLAT 3, STAIRCASE B"),
                                                       QStringLiteral("TDT EUROPE"),
                                                       StringTable::text(Row::ModemLogger).size()
                                                               > StringTable::text(Row::TvLogger).size()
                                                           ? StringTable::text(Row::ModemLogger)
                                                           : StringTable::text(Row::TvLogger),
                                                       QStringLiteral("999"),
                                                       QStringLiteral("999")};
    QFont bold = Taula->horizontalHeader()->font();
    bold.setBold(true);
    const QFontMetrics header(bold);
    for (int c = 0; c < Archive::ListColumnCount; ++c)
        Taula->setColumnWidth(
            c, std::max(header.horizontalAdvance(columns.value(c)) + 24, fm.horizontalAdvance(typical[c]) + 12));
}

void TArchive::warnFailure(int code, const QString &detail)
{
    prompts().message(this, StringTable::text(Row::Warning), Archive::failureText(code, detail),
                      Prompter::Icon::Warning);
}

bool TArchive::openStore()
{
    if (store.isOpen())
        return true;
    const int r = store.open(archivePath, Archive::Check::Light);
    if (!store.setAsidePath().isEmpty())
        prompts().message(this, StringTable::text(Row::Warning), Archive::setAsideText(store.setAsidePath()),
                          Prompter::Icon::Warning);
    if (r != 0) {
        warnFailure(r, store.detail());
        return false;
    }
    return true;
}

bool TArchive::load()
{
    if (!openStore())
        return false;
    if (store.purge() < 0) {
        // Entries past their 30 days stay a while longer; the list is still shown.
    }
    reload();
    startCheck();
    return true;
}

void TArchive::startCheck()
{
    // The quick check reads the whole file (a quarter of a second for 10,000 loggers): it runs
    // beside the window, on a connection of its own, and the table is there meanwhile.
    const QString path = archivePath;
    checkThread = QThread::create([this, path] {
        Archive::Store s;
        checkResult = s.open(path, Archive::Check::Light);
        if (checkResult == 0)
            checkResult = s.quickCheck();
        checkDetail = s.detail();
    });
    connect(checkThread, &QThread::finished, this, &TArchive::checkFinished, Qt::QueuedConnection);
    checkThread->start();
}

void TArchive::waitForCheck()
{
    waitUntilCleared(checkThread);
}

void TArchive::checkFinished()
{
    if (!checkThread)
        return;
    checkThread->wait();
    delete checkThread;
    checkThread = nullptr;
    if (closing || checkResult != Err::ArchiveDamaged)
        return;
    // Damaged: said, then set aside by an open that checks, and a new archive begun.
    prompts().message(this, StringTable::text(Row::Warning), Archive::failureText(checkResult, checkDetail),
                      Prompter::Icon::Warning);
    waitForImport();
    store.close();
    const int r = store.open(archivePath, Archive::Check::Quick);
    if (!store.setAsidePath().isEmpty())
        prompts().message(this, StringTable::text(Row::Warning), Archive::setAsideText(store.setAsidePath()),
                          Prompter::Icon::Warning);
    if (r != 0) {
        warnFailure(r, store.detail());
        model->setEntries({});
        refilter();
        return;
    }
    reload();
}

void TArchive::reload()
{
    QList<Archive::Summary> all;
    if (const int r = store.listAll(all); r != 0) {
        warnFailure(r, store.detail());
        return;
    }
    model->setEntries(all);
    refilter();
}

void TArchive::refilter()
{
    Archive::Filter f;
    f.text = FiltreText->text().trimmed();
    f.family = Familia->currentIndex() == 1   ? int(LoggerFamily::Tv)
               : Familia->currentIndex() == 2 ? int(LoggerFamily::Modem)
                                              : -1;
    if (DesDe->isChecked())
        f.since = DataDesDe->date();
    if (FinsA->isChecked())
        f.until = DataFinsA->date();
    f.deleted = Esborrats->isChecked();
    proxy->setArchiveFilter(f);
    int total = 0;
    for (int i = 0; i < model->rowCount(); ++i)
        total += model->entryAt(i).deletedAt.isEmpty() == !f.deleted ? 1 : 0;
    Estat->setText(StringTable::text(Row::EntriesShown).arg(proxy->rowCount()).arg(total));
    BotoEsborrar->setText(StringTable::text(f.deleted ? Row::Restore : Row::Delete));
    refreshButtons();
}

int TArchive::shownCount() const
{
    return proxy->rowCount();
}

QList<Archive::Summary> TArchive::selectedEntries() const
{
    QList<Archive::Summary> out;
    QModelIndexList rows = Taula->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &i : std::as_const(rows))
        out.append(model->entryAt(proxy->mapToSource(i).row()));
    return out;
}

void TArchive::selectIds(const QList<qint64> &ids)
{
    Taula->clearSelection();
    for (int r = 0; r < proxy->rowCount(); ++r) {
        const qint64 id = model->entryAt(proxy->mapToSource(proxy->index(r, 0)).row()).id;
        if (ids.contains(id))
            Taula->selectionModel()->select(proxy->index(r, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void TArchive::refreshButtons()
{
    const QList<Archive::Summary> chosen = selectedEntries();
    const bool busy = importRunning() || syncRunning();
    const bool one = chosen.size() == 1;
    const bool deletedView = Esborrats->isChecked();
    BotoObrir->setEnabled(one && !deletedView);
    BotoExportar->setEnabled(one);
    BotoEsborrar->setEnabled(one && !busy);
    BotoHistorial->setEnabled(!chosen.isEmpty() && !deletedView);
    BotoComparar->setEnabled(chosen.size() == 2 && !deletedView);
    BotoImportar->setEnabled(!busy);
    BotoSincronitzar->setEnabled(!busy);
}

void TArchive::SyncClick()
{
    if (importRunning() || syncRunning())
        return;
    syncSettings = Team::readSettings();
    if (!syncSettings.hasServer()) {
        prompts().message(this, StringTable::text(Row::Warning), StringTable::text(Row::NoServer),
                          Prompter::Icon::Information);
        return;
    }
    startSync(teamPassword(), false);
}

void TArchive::startSync(const QString &password, bool askedForPassword)
{
    cancelImport.store(false);
    syncPassword = password;
    syncAsked = askedForPassword;
    BarraProgres->setRange(0, 0);
    BarraProgres->show();
    BotoCancel->show();
    // The synchronisation has its own connections to the archive and the server: the window's
    // connection is never used from two threads.
    const QString path = archivePath;
    const Team::Settings settings = syncSettings;
    syncThread = QThread::create([this, settings, password, path] {
        auto progress = [this](int done, int total) {
            QMetaObject::invokeMethod(
                this,
                [this, done, total] {
                    BarraProgres->setRange(0, std::max(total, 1));
                    BarraProgres->setValue(done);
                    Estat->setText(StringTable::text(Row::Synchronising).arg(done).arg(total));
                },
                Qt::QueuedConnection);
        };
        syncResult = Team::synchronise(settings, password, progress, &cancelImport, path);
    });
    connect(syncThread, &QThread::finished, this, &TArchive::syncFinished, Qt::QueuedConnection);
    refreshButtons();
    syncThread->start();
}

void TArchive::waitForSync()
{
    waitUntilCleared(syncThread);
}

void TArchive::syncFinished()
{
    if (!syncThread)
        return;
    syncThread->wait();
    delete syncThread;
    syncThread = nullptr;
    BarraProgres->hide();
    BotoCancel->hide();
    if (closing)
        return;
    const Team::SyncResult r = syncResult;
    // No password yet, or a wrong one: asked once, and the synchronisation begun again.
    if (r.code == Err::ServerPassword && !syncAsked) {
        const QString typed = prompts().password(
            this, StringTable::text(Row::TeamTitle),
            StringTable::text(Row::PasswordFor).arg(syncSettings.user + QLatin1Char('@') + syncSettings.host));
        if (!typed.isEmpty()) {
            startSync(typed, true);
            return;
        }
    }
    if (r.code == 0 || r.code == Err::UserBreak)
        teamPassword() = syncPassword;
    reload();
    QString text = Team::countsText(r.counts);
    if (r.code != 0)
        text += QLatin1Char('\n') + Team::failureText(r.code, r.detail);
    prompts().message(this, StringTable::text(Row::Synchronise), text,
                      r.code != 0 && r.code != Err::UserBreak ? Prompter::Icon::Warning : Prompter::Icon::Information);
    refreshButtons();
}

void TArchive::OpenClick()
{
    const QList<Archive::Summary> chosen = selectedEntries();
    if (chosen.size() != 1 || Esborrats->isChecked())
        return;
    Archive::Entry e;
    if (const int r = store.entry(chosen.first().id, e); r != 0) {
        warnFailure(r, store.detail());
        return;
    }
    // The viewer works on a copy in the temporary folder: the archive's bytes never change.
    const QString type = fileTypeOf(e.summary.family);
    const QString copy = app().tempFolder + QStringLiteral("/archive%1.%2").arg(e.summary.id).arg(type);
    if (const int r = writeBytesAtomicallyCode(copy, e.bytes); r != 0) {
        ShowErrorCode(r, this);
        return;
    }
    if (e.summary.family == LoggerFamily::Tv)
        openTvLoggerFile(this, copy);
    else
        openModemLoggerFile(this, copy);
    // A comment saved in the cable-modem viewer became an entry of its own.
    reload();
}

void TArchive::ExportClick()
{
    const QList<Archive::Summary> chosen = selectedEntries();
    if (chosen.size() != 1)
        return;
    Archive::Entry e;
    if (const int r = store.entry(chosen.first().id, e); r != 0) {
        warnFailure(r, store.detail());
        return;
    }
    const QString type = fileTypeOf(e.summary.family);
    QString name = e.summary.location.isEmpty() ? QStringLiteral("logger%1").arg(e.summary.id) : e.summary.location;
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar &c : name)
        if (forbidden.contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    const QString suggested = app().programFolder + QLatin1Char('/') + name + QLatin1Char('.') + type;
    const QString target = prompts().saveFile(this, StringTable::text(Row::ExportOriginal), suggested,
                                              QStringLiteral("*.%1 (*.%1)").arg(type), type);
    if (target.isEmpty())
        return;
    if (const int r = writeBytesAtomicallyCode(target, e.bytes); r != 0)
        ShowErrorCode(r, this);
}

void TArchive::DeleteClick()
{
    const QList<Archive::Summary> chosen = selectedEntries();
    if (chosen.size() != 1)
        return;
    const qint64 id = chosen.first().id;
    int r = 0;
    if (Esborrats->isChecked()) {
        r = store.restore(id);
    } else {
        if (prompts().message(this, StringTable::text(Row::Warning), StringTable::text(Row::ConfirmDelete).arg(id),
                              Prompter::Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
            return;
        r = store.remove(id);
    }
    if (r != 0) {
        warnFailure(r, store.detail());
        return;
    }
    reload();
}

void TArchive::HistoryClick()
{
    QList<Archive::Summary> chosen = selectedEntries();
    chosen.removeIf([](const Archive::Summary &s) { return s.family != LoggerFamily::Tv; });
    if (chosen.isEmpty()) {
        prompts().message(this, StringTable::text(Row::Warning), StringTable::text(Row::ChooseOne),
                          Prompter::Icon::Information);
        return;
    }
    Archive::History h;
    int r = 0;
    // One entry: the history of its place. Several: those entries.
    if (chosen.size() == 1) {
        r = Archive::historyOfLocation(store, chosen.first().location, h);
    } else {
        QList<qint64> ids;
        for (const Archive::Summary &s : std::as_const(chosen))
            ids << s.id;
        r = Archive::historyOfEntries(store, ids, h);
    }
    if (r != 0) {
        warnFailure(r, store.detail());
        return;
    }
    THistory w(h, this);
    w.exec();
}

void TArchive::CompareClick()
{
    QList<Archive::Summary> chosen = selectedEntries();
    if (chosen.size() != 2 || chosen[0].family != LoggerFamily::Tv || chosen[1].family != LoggerFamily::Tv) {
        prompts().message(this, StringTable::text(Row::Warning), StringTable::text(Row::ChooseTwo),
                          Prompter::Icon::Information);
        return;
    }
    // Before is the one measured first.
    if (std::make_pair(chosen[1].measuredAt, chosen[1].id) < std::make_pair(chosen[0].measuredAt, chosen[0].id))
        std::swap(chosen[0], chosen[1]);
    TCompare w(store, chosen[0].id, chosen[1].id, this);
    if (!w.isReady())
        return;
    w.exec();
}

void TArchive::ImportFilesClick()
{
    const QStringList files = prompts().openFiles(this, StringTable::text(Row::ImportIntoArchive), app().programFolder,
                                                  QStringLiteral("*.lg26t *.lg27t *.lg26m *.lg27m;;*"));
    if (!files.isEmpty())
        importPaths(files);
}

void TArchive::ImportFolderClick()
{
    const QString folder = prompts().chooseFolder(this, StringTable::text(Row::ImportIntoArchive), app().programFolder);
    if (!folder.isEmpty())
        importPaths({folder});
}

void TArchive::importPaths(const QStringList &paths)
{
    if (importRunning() || syncRunning())
        return;
    cancelImport.store(false);
    importResult = Archive::ImportResult{};
    BarraProgres->setRange(0, 0);
    BarraProgres->setValue(0);
    BarraProgres->show();
    BotoCancel->show();
    refreshButtons();

    // The import runs on its own thread with its own connection: the window answers all along,
    // and the table's connection is never used from two threads.
    const QString path = archivePath;
    importThread = QThread::create([this, paths, path] {
        auto progress = [this](int done, int total) {
            QMetaObject::invokeMethod(
                this,
                [this, done, total] {
                    BarraProgres->setRange(0, total);
                    BarraProgres->setValue(done);
                    Estat->setText(StringTable::text(Row::Importing).arg(done).arg(total));
                },
                Qt::QueuedConnection);
        };
        importResult = Archive::importFiles(paths, progress, &cancelImport, path);
    });
    connect(importThread, &QThread::finished, this, &TArchive::importFinished, Qt::QueuedConnection);
    refreshButtons();
    importThread->start();
}

void TArchive::waitForImport()
{
    waitUntilCleared(importThread);
}

void TArchive::importFinished()
{
    if (!importThread)
        return;
    importThread->wait();
    delete importThread;
    importThread = nullptr;
    BarraProgres->hide();
    BotoCancel->hide();
    // Closed while importing: what was imported is in the archive; there is no one to tell.
    if (closing)
        return;
    const Archive::ImportResult &r = importResult;

    QStringList lines{StringTable::text(Row::ImportCounts).arg(r.added).arg(r.alreadyArchived).arg(r.rejected.size())};
    if (!r.setAside.isEmpty())
        lines.prepend(Archive::setAsideText(r.setAside));
    if (r.code != 0 && r.code != Err::UserBreak)
        lines << Archive::failureText(r.code, r.detail);
    if (r.code == Err::UserBreak)
        lines << ErrorCodeText(Err::UserBreak);
    if (!r.rejected.isEmpty()) {
        lines << QString() << StringTable::text(Row::NotImported);
        for (int i = 0; i < r.rejected.size() && i < kListedRejections; ++i)
            lines << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(r.rejected[i].first),
                                                  Archive::rejectionText(r.rejected[i].second));
        if (r.rejected.size() > kListedRejections)
            lines << QStringLiteral("... (+%1)").arg(r.rejected.size() - kListedRejections);
    }
    if (!store.isOpen())
        openStore();
    if (store.isOpen())
        reload();
    prompts().message(this, StringTable::text(Row::ImportIntoArchive).remove(QStringLiteral("...")),
                      lines.join(QLatin1Char('\n')),
                      r.code != 0 && r.code != Err::UserBreak ? Prompter::Icon::Warning : Prompter::Icon::Information);
    refreshButtons();
}

void TArchive::closeEvent(QCloseEvent *e)
{
    closing = true;
    cancelImport.store(true);
    waitForImport();
    waitForSync();
    QDialog::closeEvent(e);
}

void TArchive::reject()
{
    closing = true;
    cancelImport.store(true);
    waitForImport();
    waitForSync();
    QDialog::reject();
}

void openArchive(QWidget *parent, bool import)
{
    TArchive window(parent);
    if (!window.load())
        return;
    if (import) {
        // The menu's command: the window with its import choice (files or a folder) open.
        window.show();
        window.BotoImportar->showMenu();
    }
    window.exec();
}
