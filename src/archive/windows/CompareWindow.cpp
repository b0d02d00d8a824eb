#include "archive/windows/CompareWindow.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "archive/Capture.h"
#include "datalogger/LevelChart.h"
#include "link/ErrorCodes.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

namespace {

namespace Row {
constexpr int Warning = 51;   // "Warning"
constexpr int ExportCsv = 250;   // "Export CSV..."
constexpr int SavePdf = 252;   // "Save as PDF..."
constexpr int CsvFiles = 253;   // "CSV Files"
constexpr int PdfFiles = 255;   // "PDF Documents"
constexpr int LevelUnits = 256;   // "Level (%1)"
constexpr int Table = 360;   // "Table"
constexpr int Chart = 361;   // "Chart"
constexpr int Title = 362;   // "Before/After Comparison"
constexpr int Before = 363;   // "Before"
constexpr int After = 364;   // "After"
constexpr int MarkOver = 371;   // "Mark differences over (dB):"
}   // namespace Row

const QColor kBefore{0x9A, 0xA5, 0xB1};
const QColor kAfter{0x4A, 0x7D, 0xB5};
const QColor kMarked{0xFF, 0xD8, 0xCC};

QString describe(const Archive::Summary &s)
{
    return QStringLiteral("#%1  %2 %3  %4  %5")
        .arg(s.id)
        .arg(s.meterDate, s.meterTime, s.location, s.plan)
        .simplified();
}

}   // namespace

QChart *makeComparisonChart(const Archive::Comparison &c)
{
    auto *chart = new QChart;
    auto *before = new QBarSet(StringTable::text(Row::Before));
    auto *after = new QBarSet(StringTable::text(Row::After));
    before->setColor(kBefore);
    after->setColor(kAfter);
    QStringList names;
    double low = 0, high = 1;
    for (const Archive::ComparedChannel &r : c.rows) {
        names << r.name();
        const double b = r.before && r.before->hasLevel ? r.before->level : 0;
        const double a = r.after && r.after->hasLevel ? r.after->level : 0;
        before->append(b);
        after->append(a);
        low = std::min({low, a, b});
        high = std::max({high, a, b});
    }
    auto *series = new QBarSeries;
    series->append(before);
    series->append(after);
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(names);
    x->setLabelsAngle(-90);
    auto *y = new QValueAxis;
    y->setTitleText(
        StringTable::text(Row::LevelUnits).arg(c.after.units.isEmpty() ? QStringLiteral("dB") : c.after.units));
    // Round steps, as on the level chart: 0, 10, 20 rather than -2, 15, 32.
    const double step = LevelChart::tickStep(low, high + 2);
    y->setRange(std::floor(low / step) * step, std::ceil((high + 2) / step) * step);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(step);
    y->setLabelFormat(step >= 1 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setTitle(StringTable::text(Row::Title));
    return chart;
}

int saveComparisonPdf(const Archive::Comparison &c, const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(StringTable::text(Row::Title));
        writer.setCreator(QStringLiteral("Kelvatrone"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                         QPageLayout::Millimeter));
        QPainter p;
        if (!p.begin(&writer))
            return Err::UnableToOpenFile;
        const QRect page(0, 0, writer.width(), writer.height());

        QFont title = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        title.setPointSize(14);
        title.setBold(true);
        QFont body = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        body.setPointSize(10);
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPointSize(8);

        int y = 0;
        auto line = [&](const QFont &f, const QString &text) {
            p.setFont(f);
            const int h = QFontMetrics(f, &writer).lineSpacing();
            if (y + h > page.height()) {
                writer.newPage();
                y = 0;
            }
            p.drawText(QRect(0, y, page.width(), h), Qt::AlignLeft | Qt::AlignVCenter, text);
            y += h;
        };
        line(title, StringTable::text(Row::Title));
        line(body, StringTable::text(Row::Before) + QStringLiteral(": ") + describe(c.before));
        line(body, StringTable::text(Row::After) + QStringLiteral(": ") + describe(c.after));
        line(body, c.summary());
        line(body, QString());
        for (const QString &text : Archive::textTable(Archive::comparisonColumns(), Archive::comparisonRows(c)))
            line(mono, text);

        // The chart on a page of its own, laid out at a screen's size and scaled to the page.
        writer.newPage();
        const QSizeF scene(1400, 800);
        QGraphicsScene graphics;
        QChart *chart = makeComparisonChart(c);
        graphics.addItem(chart);
        chart->setGeometry(QRectF(QPointF(0, 0), scene));
        graphics.setSceneRect(QRectF(QPointF(0, 0), scene));
        chart->layout()->activate();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        graphics.render(&p, QRectF(page), graphics.sceneRect(), Qt::KeepAspectRatio);
        p.end();
    }
    buffer.close();
    return writeBytesAtomicallyCode(path, bytes);
}

TCompare::TCompare(Archive::Store &s, qint64 b, qint64 a, QWidget *parent)
    : QDialog(parent), store(s), beforeId(b), afterId(a)
{
    setObjectName(QStringLiteral("TCompare"));
    setWindowTitle(StringTable::text(Row::Title));
    resize(1000, 620);

    Abans = new QLabel(this);
    Abans->setObjectName(QStringLiteral("Abans"));
    Despres = new QLabel(this);
    Despres->setObjectName(QStringLiteral("Despres"));
    auto *limitLabel = new QLabel(StringTable::text(Row::MarkOver), this);
    Limit = new QDoubleSpinBox(this);
    Limit->setObjectName(QStringLiteral("Limit"));
    Limit->setRange(0, 100);
    Limit->setDecimals(1);
    Limit->setSingleStep(0.5);
    Limit->setValue(3);
    limitLabel->setBuddy(Limit);

    Taula = new QTableWidget(this);
    Taula->setObjectName(QStringLiteral("Taula"));
    Taula->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Taula->verticalHeader()->hide();
    Grafic = new QChartView(this);
    Grafic->setObjectName(QStringLiteral("Grafic"));
    Grafic->setRenderHint(QPainter::Antialiasing);
    Pagines = new QTabWidget(this);
    Pagines->addTab(Taula, StringTable::text(Row::Table));
    Pagines->addTab(Grafic, StringTable::text(Row::Chart));

    Resum = new QLabel(this);
    Resum->setObjectName(QStringLiteral("Resum"));
    Resum->setWordWrap(true);
    BotoCsv = new QPushButton(StringTable::text(Row::ExportCsv), this);
    BotoCsv->setObjectName(QStringLiteral("BotoCsv"));
    BotoPdf = new QPushButton(StringTable::text(Row::SavePdf), this);
    BotoPdf->setObjectName(QStringLiteral("BotoPdf"));
    for (QPushButton *button : {BotoCsv, BotoPdf})
        button->setAutoDefault(false);

    auto *limitRow = new QHBoxLayout;
    limitRow->addWidget(limitLabel);
    limitRow->addWidget(Limit);
    limitRow->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Resum, 1);
    buttons->addWidget(BotoCsv);
    buttons->addWidget(BotoPdf);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Abans);
    layout->addWidget(Despres);
    layout->addLayout(limitRow);
    layout->addWidget(Pagines, 1);
    layout->addLayout(buttons);

    connect(Limit, &QDoubleSpinBox::valueChanged, this, &TCompare::recompute);
    connect(BotoCsv, &QPushButton::clicked, this, &TCompare::ExportCsvClick);
    connect(BotoPdf, &QPushButton::clicked, this, &TCompare::SavePdfClick);

    int r = Archive::compareEntries(store, beforeId, afterId, Limit->value(), current);
    if (r == 0)
        r = store.channels(beforeId, beforeChannels);
    if (r == 0)
        r = store.channels(afterId, afterChannels);
    if (r != 0) {
        prompts().message(parent, StringTable::text(Row::Warning), Archive::failureText(r, store.detail()),
                          Prompter::Icon::Warning);
        return;
    }
    ready = true;
    Abans->setText(StringTable::text(Row::Before) + QStringLiteral(": ") + describe(current.before));
    Despres->setText(StringTable::text(Row::After) + QStringLiteral(": ") + describe(current.after));
    recompute();
}

void TCompare::recompute()
{
    const Archive::Summary before = current.before, after = current.after;
    // The figures are in hand already: a new limit only marks rows anew.
    current = Archive::compare(beforeChannels, afterChannels, Limit->value());
    current.before = before;
    current.after = after;

    const QStringList columns = Archive::comparisonColumns();
    const QList<QStringList> rows = Archive::comparisonRows(current);
    Taula->clear();
    Taula->setColumnCount(int(columns.size()));
    Taula->setRowCount(int(rows.size()));
    Taula->setHorizontalHeaderLabels(columns);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(rows[r][c]);
            if (c > 0 && c < rows[r].size() - 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (current.rows[r].marked)
                item->setBackground(kMarked);
            Taula->setItem(r, c, item);
        }
    }
    Taula->resizeColumnsToContents();
    QChart *old = Grafic->chart();
    Grafic->setChart(makeComparisonChart(current));
    delete old;
    Resum->setText(current.summary());
}

void TCompare::ExportCsvClick()
{
    const QString path = prompts().saveFile(
        this, StringTable::text(Row::ExportCsv), app().programFolder + QStringLiteral("/comparison.csv"),
        StringTable::text(Row::CsvFiles) + QStringLiteral(" (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    if (const int r = writeBytesAtomicallyCode(path, Archive::comparisonCsv(current)); r != 0)
        ShowErrorCode(r, this);
}

void TCompare::SavePdfClick()
{
    const QString path = prompts().saveFile(
        this, StringTable::text(Row::SavePdf), app().programFolder + QStringLiteral("/comparison.pdf"),
        StringTable::text(Row::PdfFiles) + QStringLiteral(" (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    if (const int r = saveComparisonPdf(current, path); r != 0)
        ShowErrorCode(r, this);
}
