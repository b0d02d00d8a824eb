#pragma once
// The program's pictures, drawn at run time: the logo, the language flags and the glyphs of the
// main window's toolbar. Drawing them keeps the program free of image files.

#include <QPixmap>

class QPainter;

namespace Pictures {

// The logo of the main window, 432 x 72.
QPixmap logo();

// The program's icon, size x size: the logo's screen with its spectrum trace in the logo's
// frame. drawIcon paints it on any device (the icon files of an installed program are drawn
// with it), scaled to a square of that size.
QPixmap icon(int size);
void drawIcon(QPainter &g, qreal size);

// Flag of a language (0 English, 1 Spanish, 2 German, 3 Catalan), 36 x 24.
QPixmap flag(int language);

enum class Glyph { AutoIdentify, ChannelPlan, Loggers, Upgrade };
// A toolbar glyph, 28 x 28.
QPixmap glyph(Glyph g);

// The picture of the About box, 96 x 96: a hand-held meter.
QPixmap meter();

}   // namespace Pictures
