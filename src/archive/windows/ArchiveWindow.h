#pragma once
// The archive window: the table of every archived logger with a text filter, a family choice
// and a date range; from it an entry opens in its viewer, its original file is exported, it is
// deleted or restored, files are imported, and the history and comparison windows open.

#include "archive/Archive.h"
#include "archive/Capture.h"
#include "archive/Team.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QSortFilterProxyModel>
#include <atomic>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;

// The entries, their cells worked out once when the list is loaded: a thousand rows painted or
// sorted never convert a time or a number again.
class ArchiveTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setEntries(QList<Archive::Summary> entries);
    const Archive::Summary &entryAt(int row) const { return entries[row]; }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void retranslate();

private:
    QList<Archive::Summary> entries;
    QList<QStringList> cells;
    QStringList columns;
};

// The filter of the table: Archive::matches on each row.
class ArchiveFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setArchiveFilter(const Archive::Filter &f);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    Archive::Filter filter;
};

class TArchive : public QDialog {
    Q_OBJECT
public:
    explicit TArchive(QWidget *parent = nullptr, const QString &archivePath = Archive::defaultPath());
    ~TArchive() override;

    // Opens the archive and fills the table; false when the archive cannot be used (said).
    bool load();
    // The import of these paths, in the background with progress and Cancel.
    void importPaths(const QStringList &paths);
    bool importRunning() const { return importThread != nullptr; }
    // Waits (processing events) until a running import is over; tests and closing use it.
    void waitForImport();
    // Waits until the integrity check begun by load() has answered.
    void waitForCheck();

    // The entries the user selected, in the table's order.
    QList<Archive::Summary> selectedEntries() const;
    void selectIds(const QList<qint64> &ids);
    QTableView *table() const { return Taula; }
    int shownCount() const;

    QLineEdit *FiltreText = nullptr;
    QComboBox *Familia = nullptr;
    QCheckBox *DesDe = nullptr;
    QDateEdit *DataDesDe = nullptr;
    QCheckBox *FinsA = nullptr;
    QDateEdit *DataFinsA = nullptr;
    QCheckBox *Esborrats = nullptr;
    QPushButton *BotoObrir = nullptr;
    QPushButton *BotoExportar = nullptr;
    QPushButton *BotoEsborrar = nullptr;
    QPushButton *BotoHistorial = nullptr;
    QPushButton *BotoComparar = nullptr;
    QPushButton *BotoImportar = nullptr;
    QPushButton *BotoSincronitzar = nullptr;
    QPushButton *BotoCancel = nullptr;
    QProgressBar *BarraProgres = nullptr;
    QLabel *Estat = nullptr;

    void OpenClick();
    void ExportClick();
    void DeleteClick();
    void HistoryClick();
    void CompareClick();
    void ImportFilesClick();
    void ImportFolderClick();
    // Synchronises with the team archive's server, beside the window, with progress and Cancel.
    void SyncClick();
    bool syncRunning() const { return syncThread != nullptr; }
    void waitForSync();

    // Closing cancels a running import and waits for it: what came in is kept.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    QHBoxLayout *buildFilterRow();
    void buildTable();
    QHBoxLayout *buildButtonRow();
    QHBoxLayout *buildStatusRow();
    void connectControls();
    void applyLanguage();
    void sizeColumns();
    void refilter();
    void refreshButtons();
    void reload();
    void importFinished();
    void startCheck();
    void startSync(const QString &password, bool askedForPassword);
    void syncFinished();
    void checkFinished();
    bool openStore();
    void warnFailure(int code, const QString &detail);

    QString archivePath;
    Archive::Store store;
    ArchiveTableModel *model = nullptr;
    ArchiveFilterModel *proxy = nullptr;
    QTableView *Taula = nullptr;
    QLabel *FiltreLabel = nullptr;

    QThread *importThread = nullptr;
    QThread *checkThread = nullptr;
    QThread *syncThread = nullptr;
    Team::Settings syncSettings;
    QString syncPassword;
    bool syncAsked = false;
    Team::SyncResult syncResult;
    int checkResult = 0;
    QString checkDetail;
    bool closing = false;
    std::atomic<bool> cancelImport{false};
    Archive::ImportResult importResult;
};
