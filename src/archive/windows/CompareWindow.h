#pragma once
// The before/after comparison of two TV entries: each channel's levels and quality figures and
// their differences, the differences over a chosen number of dB marked, a chart with both sets
// of bars, and the comparison as a CSV file or a PDF document.

#include "archive/Views.h"

#include <QDialog>

class QChart;
class QChartView;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTabWidget;

class TCompare : public QDialog {
    Q_OBJECT
public:
    TCompare(Archive::Store &store, qint64 beforeId, qint64 afterId, QWidget *parent = nullptr);
    // False when the entries could not be compared (the user was told).
    bool isReady() const { return ready; }
    const Archive::Comparison &comparison() const { return current; }

    QLabel *Abans = nullptr;
    QLabel *Despres = nullptr;
    QDoubleSpinBox *Limit = nullptr;
    QTabWidget *Pagines = nullptr;
    QTableWidget *Taula = nullptr;
    QChartView *Grafic = nullptr;
    QLabel *Resum = nullptr;
    QPushButton *BotoCsv = nullptr;
    QPushButton *BotoPdf = nullptr;

    void ExportCsvClick();
    void SavePdfClick();

private:
    void recompute();
    Archive::Store &store;
    qint64 beforeId, afterId;
    bool ready = false;
    Archive::Comparison current;
    QList<Archive::Channel> beforeChannels, afterChannels;
};

// The comparison's chart: the levels before and after as two bars per channel.
QChart *makeComparisonChart(const Archive::Comparison &c);
// The comparison as a PDF document: the two entries, the summary, the table and the chart, written
// beside the target and moved over it when complete. 0 or a failure code.
int saveComparisonPdf(const Archive::Comparison &c, const QString &path);
