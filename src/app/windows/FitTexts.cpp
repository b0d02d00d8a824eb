#include "app/windows/FitTexts.h"

#include <QLabel>
#include <algorithm>

int labelTextWidth(const QLabel *label)
{
    const QFontMetrics fm = label->fontMetrics();
    int widest = 0;
    for (const QString &line : label->text().split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    const QMargins m = label->contentsMargins();
    return widest + m.left() + m.right() + 2 * label->margin() + std::max(0, label->indent());
}

void fitLabelColumn(const QList<std::pair<QLabel *, QWidget *>> &rows, int gap)
{
    int width = 0;
    for (const auto &[label, field] : rows)
        width = std::max({width, label->width(), labelTextWidth(label)});
    for (const auto &[label, field] : rows) {
        label->resize(width, label->height());
        if (!field)
            continue;
        const int right = field->geometry().right();
        const int left = label->x() + width + gap;
        if (left > field->x())
            field->setGeometry(left, field->y(), std::max(1, right - left + 1), field->height());
    }
}
