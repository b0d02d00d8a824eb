#include "archive/windows/HistoryWindow.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
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
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

namespace {

namespace Row {
constexpr int Threshold = 152;            // "Threshold"
constexpr int ExportCsv = 250;            // "Export CSV..."
constexpr int CsvFiles = 253;             // "CSV Files"
constexpr int LevelUnits = 256;           // "Level (%1)"
constexpr int SiteHistory = 358;          // "Site History"
constexpr int Table = 360;                // "Table"
constexpr int Chart = 361;                // "Chart"
constexpr int ChannelsToShow = 378;       // "Channels to show:"
} // namespace Row

// More lines than this make a chart nobody can read: the first ones are drawn until others are chosen.
constexpr int kChannelsShownAtFirst = 8;

QDateTime whenMeasured(const Archive::Summary &s)
{
    // The meter's own clock, shown as it read it: a local time without a zone.
    QDateTime t = QDateTime::fromString(s.measuredAt.left(19), Qt::ISODate);
    t.setTimeSpec(Qt::LocalTime);
    return t;
}

} // namespace

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
    const double margin = std::max(2.0, (high - low) * 0.1);
    y->setRange(std::floor(low - margin), std::ceil(high + margin));
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

    Taula = new QTableWidget(this);
    Taula->setObjectName(QStringLiteral("Taula"));
    const QStringList columns = Archive::historyColumns(h);
    const QList<QStringList> rows = Archive::historyRows(h);
    Taula->setColumnCount(int(columns.size()));
    Taula->setRowCount(int(rows.size()));
    Taula->setHorizontalHeaderLabels(columns);
    Taula->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Taula->verticalHeader()->hide();
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(rows[r][c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Taula->setItem(r, c, item);
        }

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
    const QString path = prompts().saveFile(this, StringTable::text(Row::ExportCsv),
                                            app().programFolder + QStringLiteral("/history.csv"),
                                            StringTable::text(Row::CsvFiles) + QStringLiteral(" (*.csv)"),
                                            QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    if (const int r = writeBytesAtomicallyCode(path, Archive::historyCsv(history)); r != 0)
        ShowErrorCode(r, this);
}
