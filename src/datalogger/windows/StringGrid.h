#pragma once
// A grid of text cells that its window draws itself: fixed rows at the top and fixed columns at
// the left stay in place while the rest scrolls, every cell is painted by the owner's drawCell
// function, and a click reports the cell under the mouse. The datalogger index and the TV
// measurements are shown in it.

#include <QAbstractScrollArea>
#include <QString>
#include <QVector>
#include <functional>

class QPainter;

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget *parent = nullptr);

    void setColCount(int n);
    void setRowCount(int n);
    int colCount() const { return cols; }
    int rowCount() const { return rows; }
    void setFixedCols(int n);
    void setFixedRows(int n);
    int fixedCols() const { return fixedC; }
    int fixedRows() const { return fixedR; }
    void setDefaultColWidth(int w);
    void setColWidth(int col, int w);
    int colWidth(int col) const;
    void setDefaultRowHeight(int h);
    int rowHeight() const { return rowH; }

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
    // Empties every cell.
    void clearCells();

    // The cell last clicked or chosen with the keys.
    int col() const { return selCol; }
    int row() const { return selRow; }

    // Where a cell lies on the viewport now; empty when it is scrolled out of sight.
    QRect cellRect(int col, int row) const;
    // The cell at a viewport point, or false.
    bool cellAt(const QPoint &p, int &col, int &row) const;
    // Scrolls so that the row is in sight.
    void showRow(int row);

    // Paints one cell: the owner fills the rectangle and draws the text.
    std::function<void(QPainter &, int col, int row, const QRect &rect)> drawCell;

    QSize sizeHint() const override;

Q_SIGNALS:
    void cellClicked(int col, int row);
    void cellDoubleClicked(int col, int row);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void layoutScrollBars();
    int colLeft(int col) const;   // content x of the column's left edge (grid lines included)
    int fixedWidth() const;
    int fixedHeight() const;
    int totalWidth() const;
    int totalHeight() const;

    int cols = 0;
    int rows = 0;
    int fixedC = 0;
    int fixedR = 0;
    int defaultColW = 64;
    int rowH = 18;
    QVector<int> widths;
    QVector<QString> cells;
    int selCol = 0;
    int selRow = 0;
};
