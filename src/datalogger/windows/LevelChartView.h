#pragma once
// The level chart of a TV logger drawn with Qt Charts: one bar per channel in the logger's
// order, the bars under the threshold in a warning colour, the threshold as a line across the
// chart, the quality figure (MER or C/N) as points on a second axis, a tooltip per bar and the
// summary line under it. What goes into the chart comes from LevelChart::Model; this file only
// draws it, on screen, into an image or onto a page.

#include "datalogger/LevelChart.h"

#include <QColor>
#include <QSize>
#include <QString>
#include <QWidget>

class QChart;
class QChartView;
class QLabel;
class QPainter;
class QPrinter;
class QRectF;
class QStackedBarSeries;

namespace LevelChartDraw {

// Bars that reach the threshold, bars under it, the threshold line and the quality points.
inline const QColor kNeutral{0x4A, 0x7D, 0xB5};
inline const QColor kWarning{0xE0, 0x45, 0x2B};
inline const QColor kThreshold{0xA0, 0x10, 0x10};
inline const QColor kQuality{0x1E, 0x8C, 0x3A};

// Room per bar in a saved picture, so that every label stands upright beside the next.
constexpr int kPictureBarSpacing = 16;

// A new chart of the model (owned by the caller), category labels written every labelStep bars.
QChart *makeChart(const LevelChart::Model &model, int labelStep = 1);
// The empty places at each end of the category axis of a chart whose labels are written every
// labelStep bars (bar i of the model is place i + edgeSlots).
int edgeSlots(int labelStep);
// Every how many bars a label is written on a chart of that width.
int labelStep(const LevelChart::Model &model, int chartWidth);
// The series of the chart's bars: set 0 the bars that reach the threshold, set 1 those under it.
QStackedBarSeries *barSeries(QChart *chart);

// Draws the chart with the model's summary line under it into the rectangle, as it would look
// on a screen of sceneSize pixels scaled to the rectangle (vector output on a printer).
void paintChart(QPainter &painter, const QRectF &target, const LevelChart::Model &model, const QSize &sceneSize);

// The chart into a file, PNG or PDF by the file's extension (case ignored), written beside the
// file and moved over it when complete. size is the PNG's size in pixels and the drawing size of
// the PDF's landscape page. 0, or -65 when the file cannot be written (an existing file stays).
int saveChart(const LevelChart::Model &model, const QString &path, const QSize &size);
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 720;
// The size a chart is saved at unless one is asked for: a picture wide enough for every
// channel's label upright, or the page of a PDF (whose labels are thinned when they must be).
QSize defaultSize(const LevelChart::Model &model, const QString &path);
// Whether saveChart knows the file's extension ("png" or "pdf").
bool knownChartFile(const QString &path);

// The PDF of a logger as the windows save it: the framed report exactly as it prints (font size
// pointSize), then for a TV logger (chart given) one page with the chart and its summary.
// Written beside the file and moved over it when complete: 0, or -65 when the report cannot be
// read or the file cannot be written.
int saveReportPdf(const QString &pdfPath, const QString &title, const QString &reportPath, int pointSize,
                  const LevelChart::Model *chart);

}   // namespace LevelChartDraw

// The chart page of the TV logger viewer: the chart and the summary line under it. The whole
// logger stays in view; with many channels the labels are thinned.
class TLevelChartView : public QWidget {
    Q_OBJECT
public:
    explicit TLevelChartView(QWidget *parent = nullptr);

    void setModel(const LevelChart::Model &model);
    const LevelChart::Model &model() const { return shown; }

    QChart *chart() const;
    QChartView *ChartView = nullptr;
    QLabel *Summary = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showToolTip(bool status, int index);
    LevelChart::Model shown;
    int hoveredBar = -1;   // the bar under the pointer, -1 for none
};
