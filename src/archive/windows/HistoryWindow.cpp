#include "archive/windows/HistoryWindow.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/LevelChart.h"
#include "link/ErrorCodes.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPen>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

namespace {

namespace Row {
constexpr int Threshold = 152;   // "Threshold"
constexpr int ExportCsv = 250;   // "Export CSV..."
constexpr int CsvFiles = 253;   // "CSV Files"
constexpr int LevelUnits = 256;   // "Level (%1)"
constexpr int SiteHistory = 358;   // "Site History"
constexpr int Table = 360;   // "Table"
constexpr int Chart = 361;   // "Chart"
constexpr int ChannelsToShow = 378;   // "Channels to show:"
}   // namespace Row

// More lines than this make a chart nobody can read: the first ones are drawn until others are chosen.
constexpr int kChannelsShownAtFirst = 8;

QDateTime whenMeasured(const Archive::Summary &s)
{
    // The meter's own clock, shown as it read it: a local time without a zone.
    QDateTime t = QDateTime::fromString(s.measuredAt.left(19), Qt::ISODate);
    t.setTimeSpec(Qt::LocalTime);
    return t;
}

}   // namespace

// The table of the history: its cells written when shown, not all at once (500 visits of 140
// channels are 70,000 cells).
HistoryTableModel::HistoryTableModel(const Archive::History &h, QObject *parent)
    : QAbstractTableModel(parent), history(h), columns(Archive::historyColumns(h))
{
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(history.channels.size());
}

int HistoryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns.size());
}

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int c = index.column(), r = index.row();
    if (role == Qt::TextAlignmentRole && c > 0)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (c == 0)
        return history.channels.value(r);
    if (c == columns.size() - 1) {
        const auto change = history.change(r);
        return change ? Archive::signedDb(*change) : QString();
    }
    const auto &level = history.levels[c - 1][r];
    return level ? Archive::levelText(*level) : QString();
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columns.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QChart *makeHistoryChart(const Archive::History &h, const QStringList &channels)
{
    auto *chart = new QChart;
    chart->setTitle(h.location);
    chart->legend()->setAlignment(Qt::AlignRight);
    auto *x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("yyyy-MM-dd"));
    auto *y = new QValueAxis;
    y->setTitleText(StringTable::text(Row::LevelUnits).arg(h.units.isEmpty() ? QStringLiteral("dB") : h.units));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);

    QDateTime first, last;
    double low = h.threshold.value_or(0), high = h.threshold.value_or(0);
    bool any = h.threshold.has_value();
    for (const QString &name : channels) {
        const int c = int(h.channels.indexOf(name));
        if (c < 0)
            continue;
        auto *series = new QLineSeries;
        series->setName(name);
        series->setPointsVisible(true);
        for (int e = 0; e < h.entries.size(); ++e) {
            const auto &level = h.levels[e][c];
            if (!level)
                continue;
            const QDateTime t = whenMeasured(h.entries[e]);
            series->append(double(t.toMSecsSinceEpoch()), *level);
            low = any ? std::min(low, *level) : *level;
            high = any ? std::max(high, *level) : *level;
            any = true;
        }
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    }
    for (const Archive::Summary &s : h.entries) {
        const QDateTime t = whenMeasured(s);
        if (!first.isValid() || t < first)
            first = t;
        if (!last.isValid() || t > last)
            last = t;
    }
    if (!first.isValid())
        first = last = QDateTime::currentDateTime();
    // One visit alone still gets a span to stand in.
    if (first.secsTo(last) < 3600) {
        first = first.addSecs(-12 * 3600);
        last = last.addSecs(12 * 3600);
    }
    x->setRange(first, last);
    x->setTickCount(std::min<int>(8, std::max<int>(2, int(h.entries.size()))));
    if (h.threshold) {
        auto *t = new QLineSeries;
        t->setName(StringTable::text(Row::Threshold));
        QPen pen(QColor(0xA0, 0x10, 0x10));
        pen.setStyle(Qt::DashLine);
        pen.setWidth(2);
        t->setPen(pen);
        t->append(double(first.toMSecsSinceEpoch()), *h.threshold);
        t->append(double(last.toMSecsSinceEpoch()), *h.threshold);
        chart->addSeries(t);
        t->attachAxis(x);
        t->attachAxis(y);
    }
    if (!any)
        high = 1;
    // Round steps on the level axis, as on the level chart: 42, 44, 46 rather than 42.0, 47.3.
    const double margin = std::max(1.0, (high - low) * 0.05);
    const double step = LevelChart::tickStep(low - margin, high + margin);
    low = std::floor((low - margin) / step) * step;
    high = std::ceil((high + margin) / step) * step;
    y->setRange(low, high);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(low);
    y->setTickInterval(step);
    y->setLabelFormat(step >= 1 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
    return chart;
}

THistory::THistory(const Archive::History &h, QWidget *parent) : QDialog(parent), history(h)
{
    setObjectName(QStringLiteral("THistory"));
    setWindowTitle(StringTable::text(Row::SiteHistory) + QStringLiteral(" - ") + h.location);
    resize(1000, 600);

    CanalsLabel = new QLabel(StringTable::text(Row::ChannelsToShow), this);
    Canals = new QListWidget(this);
    Canals->setObjectName(QStringLiteral("Canals"));
    for (int i = 0; i < h.channels.size(); ++i) {
        auto *item = new QListWidgetItem(h.channels[i], Canals);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(i < kChannelsShownAtFirst ? Qt::Checked : Qt::Unchecked);
    }
    Canals->setMaximumWidth(180);

    Grafic = new QChartView(this);
    Grafic->setObjectName(QStringLiteral("Grafic"));
    Grafic->setRenderHint(QPainter::Antialiasing);

    Taula = new QTableView(this);
    Taula->setObjectName(QStringLiteral("Taula"));
    Taula->setModel(new HistoryTableModel(history, this));
    Taula->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Taula->verticalHeader()->hide();

    Pagines = new QTabWidget(this);
    Pagines->setObjectName(QStringLiteral("Pagines"));
    Pagines->addTab(Grafic, StringTable::text(Row::Chart));
    Pagines->addTab(Taula, StringTable::text(Row::Table));

    BotoCsv = new QPushButton(StringTable::text(Row::ExportCsv), this);
    BotoCsv->setObjectName(QStringLiteral("BotoCsv"));
    BotoCsv->setAutoDefault(false);

    auto *left = new QVBoxLayout;
    left->addWidget(CanalsLabel);
    left->addWidget(Canals, 1);
    auto *middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addWidget(Pagines, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BotoCsv);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    connect(Canals, &QListWidget::itemChanged, this, &THistory::redraw);
    connect(BotoCsv, &QPushButton::clicked, this, &THistory::ExportCsvClick);
    redraw();
}

QStringList THistory::shownChannels() const
{
    QStringList names;
    for (int i = 0; i < Canals->count(); ++i)
        if (Canals->item(i)->checkState() == Qt::Checked)
            names << Canals->item(i)->text();
    return names;
}

void THistory::setShownChannels(const QStringList &names)
{
    const QSignalBlocker block(Canals);
    for (int i = 0; i < Canals->count(); ++i)
        Canals->item(i)->setCheckState(names.contains(Canals->item(i)->text()) ? Qt::Checked : Qt::Unchecked);
    redraw();
}

void THistory::redraw()
{
    QChart *old = Grafic->chart();
    currentChart = makeHistoryChart(history, shownChannels());
    Grafic->setChart(currentChart);
    // The view owns the chart it shows; one it replaced is left to the caller.
    if (old && old != currentChart)
        delete old;
}

void THistory::ExportCsvClick()
{
    const QString path = prompts().saveFile(
        this, StringTable::text(Row::ExportCsv), app().programFolder + QStringLiteral("/history.csv"),
        StringTable::text(Row::CsvFiles) + QStringLiteral(" (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    if (const int r = writeBytesAtomicallyCode(path, Archive::historyCsv(history)); r != 0)
        ShowErrorCode(r, this);
}
