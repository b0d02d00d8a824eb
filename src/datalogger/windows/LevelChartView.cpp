#include "datalogger/windows/LevelChartView.h"

#include "app/Files.h"
#include "app/StringTable.h"
#include "datalogger/Printing.h"
#include "link/ErrorCodes.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QHelpEvent>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QSet>
#include <QFontMetricsF>
#include <algorithm>

namespace LevelChartDraw {

namespace {

constexpr int kRowLevel = 149;
constexpr int kRowThreshold = 152;
constexpr int kRowChannels = 195;
constexpr int kRowLevelAxis = 256;   // "Level (%1)"
constexpr int kRowQualityAxis = 257;   // "Quality: MER, C/N (dB)"
constexpr int kRowReached = 258;   // "Threshold reached"
constexpr int kRowBelow = 259;   // "Below threshold"

// Text sizes in pixels of the chart's own drawing: they scale with the drawing onto an image or
// a page, where sizes in points would be taken at the device's resolution a second time.
constexpr int kTitlePixels = 15;
constexpr int kTextPixels = 12;
constexpr int kLabelPixels = 11;
constexpr int kSummaryPixels = 14;

QFont pixelFont(int pixels, bool bold = false)
{
    QFont f;
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

}   // namespace

int edgeSlots(int labelStep)
{
    // The axis hides a label that would stick out past its ends: once labels are thinned (bars
    // narrower than a label is high) that is always the first channel's. An empty place at
    // each end gives the first and last labels their room.
    return labelStep > 1 ? 1 : 0;
}

namespace {

// Category labels must differ from each other for the axis to keep them: a repeated channel
// name or a label left out (thinned) is told apart by zero-width spaces, which draw nothing.
QStringList categoryLabels(const LevelChart::Model &model, int labelStep)
{
    QStringList labels;
    QSet<QString> used;
    const int pad = edgeSlots(labelStep);
    for (int i = -pad; i < model.bars.size() + pad; ++i) {
        QString label = i >= 0 && i < model.bars.size() && i % labelStep == 0 ? model.bars.at(i).name() : QString();
        if (label.isEmpty())
            label = QChar(0x200B);
        while (used.contains(label))
            label += QChar(0x200B);
        used.insert(label);
        labels << label;
    }
    return labels;
}

QValueAxis *valueAxis(const QString &title, const LevelChart::Range &range, const QColor &color)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTitleFont(pixelFont(kTextPixels));
    axis->setLabelsFont(pixelFont(kLabelPixels));
    axis->setRange(range.min, range.max);
    // Ticks on round values from 0, at most about ten of them however wide the range.
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(std::max(5.0, LevelChart::tickStep(range.min, range.max)));
    axis->setLabelFormat(QStringLiteral("%g"));
    axis->setTitleBrush(color);
    return axis;
}

// The page rectangle of the given aspect, as large as fits and centred in the area.
QRectF fitted(const QRectF &area, const QSize &aspect)
{
    const double scale = std::min(area.width() / aspect.width(), area.height() / aspect.height());
    const QSizeF size(aspect.width() * scale, aspect.height() * scale);
    return QRectF(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2,
                  size.width(), size.height());
}

// Content written beside the target and moved over it when complete; -65 when it cannot be.
int writeOut(const QString &path, const QByteArray &bytes)
{
    return bytes.isEmpty() ? int(Err::UnableToOpenFile) : writeBytesAtomicallyCode(path, bytes);
}

}   // namespace

QChart *makeChart(const LevelChart::Model &model, int labelStep)
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(model.title());
    chart->setTitleFont(pixelFont(kTitlePixels, true));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(pixelFont(kTextPixels));

    auto *reach = new QBarSet(StringTable::text(model.hasThreshold ? kRowReached : kRowLevel));
    auto *below = new QBarSet(StringTable::text(kRowBelow));
    reach->setColor(kNeutral);
    below->setColor(kWarning);
    reach->setPen(Qt::NoPen);
    below->setPen(Qt::NoPen);
    // Bars stand on the bottom of the level axis, not on 0: with negative units (dBm) a bar
    // hanging down from 0 would make the weakest channel the longest.
    const LevelChart::Range levels = model.levelRange();
    const int pad = edgeSlots(std::max(1, labelStep));
    auto emptyPlaces = [&] {
        for (int i = 0; i < pad; ++i) {
            *reach << 0.0;
            *below << 0.0;
        }
    };
    emptyPlaces();
    for (const LevelChart::Bar &bar : model.bars) {
        // A channel without a level keeps its place on the axis but gets no bar.
        const double height = bar.measured ? std::clamp(bar.level, levels.min, levels.max) - levels.min : 0.0;
        *reach << (bar.measured && !bar.under ? height : 0.0);
        *below << (bar.under ? height : 0.0);
    }
    emptyPlaces();
    auto *bars = new QStackedBarSeries;
    bars->append(reach);
    bars->append(below);
    bars->setBarWidth(0.75);
    chart->addSeries(bars);

    auto *xAxis = new QBarCategoryAxis;
    xAxis->append(categoryLabels(model, std::max(1, labelStep)));
    xAxis->setLabelsAngle(-90);
    xAxis->setTruncateLabels(false);
    xAxis->setLabelsFont(pixelFont(kLabelPixels));
    xAxis->setTitleText(StringTable::text(kRowChannels));
    xAxis->setTitleFont(pixelFont(kTextPixels));
    xAxis->setGridLineVisible(false);
    chart->addAxis(xAxis, Qt::AlignBottom);
    bars->attachAxis(xAxis);

    const QString units = model.header.units.trimmed();
    auto *levelAxis =
        valueAxis(units.isEmpty() ? StringTable::text(kRowLevel) : StringTable::text(kRowLevelAxis).arg(units), levels,
                  kNeutral.darker(140));
    chart->addAxis(levelAxis, Qt::AlignLeft);
    // The bars' heights count from the bottom of the level axis, on a hidden axis of the same
    // span.
    auto *heightAxis = new QValueAxis;
    heightAxis->setRange(0, levels.max - levels.min);
    heightAxis->setVisible(false);
    chart->addAxis(heightAxis, Qt::AlignLeft);
    bars->attachAxis(heightAxis);

    if (model.hasThreshold) {
        auto *line = new QLineSeries;
        line->setName(StringTable::text(kRowThreshold) + QStringLiteral(" (") + model.thresholdWithUnits()
                      + QLatin1Char(')'));
        line->append(-0.5, model.threshold);
        line->append(std::max<qsizetype>(1, model.bars.size() + 2 * pad) - 0.5, model.threshold);
        QPen pen(kThreshold, 2, Qt::DashLine);
        line->setPen(pen);
        chart->addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(levelAxis);
    } else {
        // Without a threshold no bar is under it: the warning colour is not explained.
        for (QLegendMarker *m : chart->legend()->markers(bars)) {
            if (m->label() == below->label())
                m->setVisible(false);
        }
    }

    auto *quality = new QScatterSeries;
    quality->setName(StringTable::text(kRowQualityAxis));
    quality->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    quality->setMarkerSize(7);
    quality->setColor(kQuality);
    quality->setBorderColor(kQuality.darker(130));
    for (int i = 0; i < model.bars.size(); ++i) {
        const LevelChart::Bar &bar = model.bars.at(i);
        if (bar.measured && bar.hasQuality)
            quality->append(i + pad, bar.quality);
    }
    if (quality->count() > 0) {
        chart->addSeries(quality);
        auto *qualityAxis = valueAxis(StringTable::text(kRowQualityAxis), model.qualityRange(), kQuality.darker(130));
        qualityAxis->setGridLineVisible(false);
        chart->addAxis(qualityAxis, Qt::AlignRight);
        quality->attachAxis(xAxis);
        quality->attachAxis(qualityAxis);
    } else {
        delete quality;
    }
    return chart;
}

int labelStep(const LevelChart::Model &model, int chartWidth)
{
    // The axes, their titles and the margins take about this much of the chart's width.
    const double plotWidth = std::max(50, chartWidth - 170);
    return LevelChart::labelStep(plotWidth / std::max<qsizetype>(1, model.bars.size()),
                                 QFontMetricsF(pixelFont(kLabelPixels)).height() * 1.15);
}

QStackedBarSeries *barSeries(QChart *chart)
{
    for (QAbstractSeries *s : chart->series()) {
        if (auto *bars = qobject_cast<QStackedBarSeries *>(s))
            return bars;
    }
    return nullptr;
}

void paintChart(QPainter &painter, const QRectF &target, const LevelChart::Model &model, const QSize &sceneSize)
{
    const int w = std::max(200, sceneSize.width());
    const int h = std::max(150, sceneSize.height());
    const int summaryHeight = kSummaryPixels * 2 + 8;

    QGraphicsScene scene;
    QChart *chart = makeChart(model, labelStep(model, w));
    scene.addItem(chart);
    chart->setGeometry(0, 0, w, h - summaryHeight);
    auto *summary = scene.addSimpleText(model.summary(), pixelFont(kSummaryPixels, true));
    summary->setPos(std::max(8.0, (w - summary->boundingRect().width()) / 2), h - summaryHeight + 4);
    scene.setSceneRect(0, 0, w, h);
    // The chart lays itself out on the next pass of the event loop; it is drawn now.
    chart->layout()->activate();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    scene.render(&painter, target, QRectF(0, 0, w, h), Qt::KeepAspectRatio);
}

QSize defaultSize(const LevelChart::Model &model, const QString &path)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return QSize(kDefaultWidth, kDefaultHeight);
    return QSize(std::max(kDefaultWidth, 170 + int(model.bars.size()) * kPictureBarSpacing), kDefaultHeight);
}

bool knownChartFile(const QString &path)
{
    static const QStringList known = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                      QStringLiteral("pdf")};
    return known.contains(QFileInfo(path).suffix().toLower());
}

int saveChart(const LevelChart::Model &model, const QString &path, const QSize &size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        QPdfWriter writer(&buffer);
        writer.setTitle(model.title());
        writer.setCreator(QStringLiteral("Kelvatrone"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        QPainter p;
        if (!p.begin(&writer))
            return Err::UnableToOpenFile;
        paintChart(p, fitted(QRectF(0, 0, writer.width(), writer.height()), size), model, size);
        p.end();
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return Err::UnableToOpenFile;
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            paintChart(p, QRectF(0, 0, size.width(), size.height()), model, size);
        }
        const QString suffix = QFileInfo(path).suffix().toLower();
        const char *format = suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") ? "JPEG" : "PNG";
        if (!image.save(&buffer, format))
            return Err::UnableToOpenFile;
    }
    buffer.close();
    return writeOut(path, bytes);
}

int saveReportPdf(const QString &pdfPath, const QString &title, const QString &reportPath, int pointSize,
                  const LevelChart::Model *chart)
{
    // The print puts the document beside the target first and replaces the target only with a
    // complete one (see printTextFile).
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    printer.setCreator(QStringLiteral("Kelvatrone"));
    const QSize chartSize(kDefaultWidth, kDefaultHeight);
    auto chartPage = [&](QPainter &p) {
        if (!chart)
            return true;
        printer.setPageOrientation(QPageLayout::Landscape);
        if (!printer.newPage())
            return false;
        paintChart(p, fitted(QRectF(0, 0, printer.width(), printer.height()), chartSize), *chart, chartSize);
        return true;
    };
    const int pages = printTextFile(printer, title, reportPath, pointSize, chartPage);
    if (pages == Err::WriteFailed)
        return pages;
    return pages < 0 ? int(Err::UnableToOpenFile) : 0;
}

}   // namespace LevelChartDraw

TLevelChartView::TLevelChartView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LevelChartPage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    ChartView = new QChartView(this);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->viewport()->installEventFilter(this);
    layout->addWidget(ChartView, 1);

    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setAlignment(Qt::AlignCenter);
    QFont f = Summary->font();
    f.setBold(true);
    Summary->setFont(f);
    layout->addWidget(Summary);
}

QChart *TLevelChartView::chart() const
{
    return ChartView->chart();
}

void TLevelChartView::setModel(const LevelChart::Model &model)
{
    shown = model;
    // The whole logger stays in view with its axes, threshold and legend; a logger of many
    // channels has its labels thinned so that they never run into each other.
    const int step = LevelChartDraw::labelStep(model, width());
    QChart *old = ChartView->chart();
    QChart *chart = LevelChartDraw::makeChart(model, step);
    ChartView->setChart(chart);
    delete old;
    hoveredBar = -1;
    const int pad = LevelChartDraw::edgeSlots(step);
    if (QStackedBarSeries *bars = LevelChartDraw::barSeries(chart))
        connect(bars, &QStackedBarSeries::hovered, this,
                [this, pad](bool status, int index) { showToolTip(status && index >= pad, index - pad); });
    Summary->setText(model.summary());
}

void TLevelChartView::showToolTip(bool status, int index)
{
    hoveredBar = status ? index : -1;
    if (status)
        QToolTip::showText(QCursor::pos(), shown.toolTip(index), ChartView);
    else
        QToolTip::hideText();
}

bool TLevelChartView::eventFilter(QObject *watched, QEvent *event)
{
    // The chart's scene answers the tooltip event of a resting pointer by hiding every tooltip
    // (its items have none): over a bar, the bar's tooltip is shown again instead.
    if (event->type() == QEvent::ToolTip && watched == ChartView->viewport() && hoveredBar >= 0) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), shown.toolTip(hoveredBar), ChartView);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
