#pragma once
// A site's history: each chosen channel's level over the entries of one location, as a line
// chart with the threshold across it and as a table, and the table as a CSV file.

#include "archive/Views.h"

#include <QAbstractTableModel>
#include <QDialog>

class QChart;
class QChartView;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;
class QTabWidget;

class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    HistoryTableModel(const Archive::History &history, QObject *parent);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Archive::History &history;
    QStringList columns;
};

class THistory : public QDialog {
    Q_OBJECT
public:
    explicit THistory(const Archive::History &history, QWidget *parent = nullptr);

    // The channels drawn, in the order of the list.
    QStringList shownChannels() const;
    void setShownChannels(const QStringList &names);
    QChart *chart() const { return currentChart; }

    QListWidget *Canals = nullptr;
    QTabWidget *Pagines = nullptr;
    QChartView *Grafic = nullptr;
    QTableView *Taula = nullptr;
    QPushButton *BotoCsv = nullptr;

    void ExportCsvClick();

private:
    void redraw();
    Archive::History history;
    QChart *currentChart = nullptr;
    QLabel *CanalsLabel = nullptr;
};

// The chart of the history: a line per named channel, the threshold dashed across.
QChart *makeHistoryChart(const Archive::History &history, const QStringList &channels);
