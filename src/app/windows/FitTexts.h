#pragma once
// Room for texts whose length depends on the language. The windows keep their forms' fixed
// geometry; where a translation is longer than the English caption the form was drawn for, the
// label grows and the control beside it gives up the room (it keeps its right edge).

#include <QList>
#include <utility>

class QLabel;
class QWidget;

// Each pair is a label and the control at its right, one row of a column: the labels get the
// width of the widest text (never less than they have), and each control starts gap pixels
// after its label. Call after the texts are set.
void fitLabelColumn(const QList<std::pair<QLabel *, QWidget *>> &rows, int gap = 4);

// The width a label needs to show its text whole (its widest line, margins included).
int labelTextWidth(const QLabel *label);
