#include "datalogger/windows/StringGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {
constexpr int kLine = 1;   // grid line width between cells
}

TStringGrid::TStringGrid(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
}

void TStringGrid::setColCount(int n)
{
    n = std::max(0, n);
    QVector<QString> next(n * rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < std::min(n, cols); ++c)
            next[r * n + c] = cells[r * cols + c];
    cells = next;
    widths.resize(n);
    for (int c = cols; c < n; ++c)
        widths[c] = defaultColW;
    cols = n;
    selCol = std::min(selCol, std::max(0, cols - 1));
    layoutScrollBars();
    viewport()->update();
}

void TStringGrid::setRowCount(int n)
{
    n = std::max(0, n);
    cells.resize(n * cols);
    rows = n;
    selRow = std::min(selRow, std::max(0, rows - 1));
    layoutScrollBars();
    viewport()->update();
}

void TStringGrid::setFixedCols(int n)
{
    fixedC = std::clamp(n, 0, cols);
    layoutScrollBars();
    viewport()->update();
}

void TStringGrid::setFixedRows(int n)
{
    fixedR = std::clamp(n, 0, rows);
    layoutScrollBars();
    viewport()->update();
}

void TStringGrid::setDefaultColWidth(int w)
{
    defaultColW = std::max(1, w);
    for (int &x : widths)
        x = defaultColW;
    layoutScrollBars();
    viewport()->update();
}

void TStringGrid::setColWidth(int col, int w)
{
    if (col < 0 || col >= cols)
        return;
    widths[col] = std::max(1, w);
    layoutScrollBars();
    viewport()->update();
}

int TStringGrid::colWidth(int col) const
{
    return col >= 0 && col < cols ? widths[col] : 0;
}

void TStringGrid::setDefaultRowHeight(int h)
{
    rowH = std::max(1, h);
    layoutScrollBars();
    viewport()->update();
}

QString TStringGrid::cell(int col, int row) const
{
    if (col < 0 || col >= cols || row < 0 || row >= rows)
        return QString();
    return cells[row * cols + col];
}

void TStringGrid::setCell(int col, int row, const QString &text)
{
    if (col < 0 || col >= cols || row < 0 || row >= rows)
        return;
    cells[row * cols + col] = text;
    viewport()->update();
}

void TStringGrid::clearCells()
{
    for (QString &s : cells)
        s.clear();
    viewport()->update();
}

int TStringGrid::colLeft(int col) const
{
    int x = 0;
    for (int c = 0; c < col && c < cols; ++c)
        x += widths[c] + kLine;
    return x;
}

int TStringGrid::fixedWidth() const
{
    return colLeft(fixedC);
}
int TStringGrid::fixedHeight() const
{
    return fixedR * (rowH + kLine);
}
int TStringGrid::totalWidth() const
{
    return colLeft(cols);
}
int TStringGrid::totalHeight() const
{
    return rows * (rowH + kLine);
}

void TStringGrid::layoutScrollBars()
{
    const QSize vp = viewport()->size();
    // Vertical scrolling goes by whole rows, as in a grid of measurements the user reads line by
    // line; horizontal scrolling by pixels.
    const int scrollRows = rows - fixedR;
    const int visibleRows = std::max(1, (vp.height() - fixedHeight()) / (rowH + kLine));
    verticalScrollBar()->setRange(0, std::max(0, scrollRows - visibleRows));
    verticalScrollBar()->setPageStep(visibleRows);
    verticalScrollBar()->setSingleStep(1);
    const int scrollWidth = totalWidth() - fixedWidth();
    const int visibleWidth = std::max(1, vp.width() - fixedWidth());
    horizontalScrollBar()->setRange(0, std::max(0, scrollWidth - visibleWidth));
    horizontalScrollBar()->setPageStep(visibleWidth);
    horizontalScrollBar()->setSingleStep(16);
}

QRect TStringGrid::cellRect(int col, int row) const
{
    if (col < 0 || col >= cols || row < 0 || row >= rows)
        return QRect();
    int x = colLeft(col);
    if (col >= fixedC) {
        x -= horizontalScrollBar()->value();
        if (x + widths[col] <= fixedWidth())
            return QRect();
    }
    int y = row * (rowH + kLine);
    if (row >= fixedR) {
        y -= verticalScrollBar()->value() * (rowH + kLine);
        if (y < fixedHeight())
            return QRect();
    }
    const QRect r(x, y, widths[col], rowH);
    if (!r.intersects(viewport()->rect()))
        return QRect();
    return r;
}

bool TStringGrid::cellAt(const QPoint &p, int &col, int &row) const
{
    const int hOff = horizontalScrollBar()->value();
    int foundCol = -1;
    for (int c = 0; c < cols; ++c) {
        const bool fixedCol = c < fixedC;
        const int left = colLeft(c) - (fixedCol ? 0 : hOff);
        // A scrolled column that slid under the fixed ones cannot be hit there.
        if (!fixedCol && p.x() < fixedWidth())
            continue;
        if (p.x() >= left && p.x() < left + widths[c] + kLine) {
            foundCol = c;
            break;
        }
    }
    if (foundCol < 0)
        return false;
    int foundRow;
    if (p.y() < fixedHeight())
        foundRow = p.y() / (rowH + kLine);
    else
        foundRow = fixedR + verticalScrollBar()->value() + (p.y() - fixedHeight()) / (rowH + kLine);
    if (p.y() < 0 || foundRow >= rows)
        return false;
    col = foundCol;
    row = foundRow;
    return true;
}

void TStringGrid::showRow(int row)
{
    if (row < fixedR || row >= rows)
        return;
    QScrollBar *v = verticalScrollBar();
    const int visible = std::max(1, v->pageStep());
    const int index = row - fixedR;
    if (index < v->value())
        v->setValue(index);
    else if (index >= v->value() + visible)
        v->setValue(index - visible + 1);
}

QSize TStringGrid::sizeHint() const
{
    return QSize(totalWidth() + 2 * frameWidth(), totalHeight() + 2 * frameWidth());
}

void TStringGrid::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    const QRect vp = viewport()->rect();
    p.fillRect(vp, palette().color(QPalette::Base));
    const int hOff = horizontalScrollBar()->value();
    const int vOff = verticalScrollBar()->value();
    const QColor lineColor(0x80, 0x80, 0x80);

    auto paintOne = [&](int c, int r, const QRect &rect, const QRect &clip) {
        p.save();
        p.setClipRect(clip);
        if (drawCell)
            drawCell(p, c, r, rect);
        else
            p.drawText(rect, Qt::AlignCenter, cell(c, r));
        p.setPen(lineColor);
        p.drawLine(rect.right() + 1, rect.top(), rect.right() + 1, rect.bottom() + 1);
        p.drawLine(rect.left(), rect.bottom() + 1, rect.right() + 1, rect.bottom() + 1);
        p.restore();
    };

    // Scrollable cells first, clipped to the area beside and below the fixed cells; then the
    // fixed cells over them.
    const QRect scrollArea(fixedWidth(), fixedHeight(), vp.width(), vp.height());
    for (int r = fixedR + vOff; r < rows; ++r) {
        const int y = fixedHeight() + (r - fixedR - vOff) * (rowH + kLine);
        if (y > vp.bottom())
            break;
        for (int c = fixedC; c < cols; ++c) {
            const int x = colLeft(c) - hOff;
            if (x > vp.right())
                break;
            const QRect rect(x, y, widths[c], rowH);
            if (rect.right() + 1 < fixedWidth())
                continue;
            paintOne(c, r, rect, scrollArea.intersected(vp));
        }
    }
    for (int r = 0; r < rows; ++r) {
        const bool fixedRow = r < fixedR;
        int y;
        if (fixedRow)
            y = r * (rowH + kLine);
        else {
            if (r < fixedR + vOff)
                continue;
            y = fixedHeight() + (r - fixedR - vOff) * (rowH + kLine);
        }
        if (y > vp.bottom())
            break;
        for (int c = 0; c < cols; ++c) {
            const bool fixedCol = c < fixedC;
            if (!fixedRow && !fixedCol)
                continue;
            const int x = fixedCol ? colLeft(c) : colLeft(c) - hOff;
            if (x > vp.right())
                break;
            const QRect rect(x, y, widths[c], rowH);
            QRect clip = vp;
            if (!fixedCol)
                clip = QRect(fixedWidth(), 0, vp.width(), vp.height()).intersected(vp);
            paintOne(c, r, rect, clip);
        }
    }
}

void TStringGrid::mousePressEvent(QMouseEvent *e)
{
    int c = 0, r = 0;
    if (e->button() != Qt::LeftButton || !cellAt(e->position().toPoint(), c, r)) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    selCol = c;
    selRow = r;
    viewport()->update();
    Q_EMIT cellClicked(c, r);
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent *e)
{
    int c = 0, r = 0;
    if (e->button() != Qt::LeftButton || !cellAt(e->position().toPoint(), c, r)) {
        QAbstractScrollArea::mouseDoubleClickEvent(e);
        return;
    }
    selCol = c;
    selRow = r;
    Q_EMIT cellDoubleClicked(c, r);
}

void TStringGrid::keyPressEvent(QKeyEvent *e)
{
    QScrollBar *v = verticalScrollBar();
    switch (e->key()) {
        case Qt::Key_Up: v->setValue(v->value() - 1); break;
        case Qt::Key_Down: v->setValue(v->value() + 1); break;
        case Qt::Key_PageUp: v->setValue(v->value() - v->pageStep()); break;
        case Qt::Key_PageDown: v->setValue(v->value() + v->pageStep()); break;
        case Qt::Key_Home: v->setValue(0); break;
        case Qt::Key_End: v->setValue(v->maximum()); break;
        default: QAbstractScrollArea::keyPressEvent(e); return;
    }
}

void TStringGrid::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    layoutScrollBars();
}

void TStringGrid::scrollContentsBy(int, int)
{
    viewport()->update();
}
