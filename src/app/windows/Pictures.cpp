#include "app/windows/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace Pictures {

namespace {

QPixmap blank(int w, int h)
{
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

// A small spectrum trace, the meter family's trade mark.
void drawTrace(QPainter &g, const QRectF &r, const QColor &colour, qreal width)
{
    QPainterPath path;
    const int steps = 60;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = qreal(i) / steps;
        // Three carriers of different level over a low noise floor.
        const qreal peaks = 0.85 * std::exp(-std::pow((t - 0.25) * 18, 2))
                            + 0.6 * std::exp(-std::pow((t - 0.55) * 16, 2))
                            + 0.95 * std::exp(-std::pow((t - 0.8) * 20, 2));
        const qreal noise = 0.06 * std::sin(t * 97) + 0.04 * std::sin(t * 41);
        const QPointF p(r.left() + t * r.width(), r.bottom() - (0.1 + peaks + noise) * r.height() * 0.85);
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    g.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    g.setBrush(Qt::NoBrush);
    g.drawPath(path);
}

// The logo's panel: a rounded frame around a pale teal gradient.
void drawPanel(QPainter &g, const QRectF &r, qreal radius)
{
    QLinearGradient bg(0, r.top() - 1, 0, r.bottom() + 1);
    bg.setColorAt(0, QColor(250, 252, 252));
    bg.setColorAt(1, QColor(214, 228, 228));
    g.setPen(QPen(QColor(0, 70, 70), 2));
    g.setBrush(bg);
    g.drawRoundedRect(r, radius, radius);
}

// The logo's screen: dark, with three grid lines and the spectrum trace. scale sizes the
// corners, lines and margins for a smaller screen.
void drawScreen(QPainter &g, const QRectF &screen, qreal scale, qreal traceWidth)
{
    g.setPen(QPen(QColor(20, 40, 40), 1.5 * scale));
    g.setBrush(QColor(16, 36, 40));
    g.drawRoundedRect(screen, 4 * scale, 4 * scale);
    g.setPen(QPen(QColor(40, 90, 90), 0.8 * scale));
    for (int i = 1; i < 4; ++i)
        g.drawLine(QPointF(screen.left() + 2 * scale, screen.top() + i * screen.height() / 4),
                   QPointF(screen.right() - 2 * scale, screen.top() + i * screen.height() / 4));
    const qreal m = 4 * scale;
    drawTrace(g, screen.adjusted(m, m, -m, -m), QColor(120, 255, 160), traceWidth);
}

}   // namespace

QPixmap logo()
{
    QPixmap p = blank(432, 72);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    drawPanel(g, QRectF(1, 1, 430, 70), 10);
    // Screen with a trace on the left.
    drawScreen(g, QRectF(12, 10, 84, 52), 1, 1.6);

    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(38);
    f.setBold(true);
    f.setLetterSpacing(QFont::PercentageSpacing, 104);
    g.setFont(f);
    g.setPen(QColor(0, 96, 96));
    g.drawText(QRectF(108, 4, 316, 46), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KELVATRONE"));
    QFont s(QStringLiteral("Sans Serif"));
    s.setPixelSize(12);
    g.setFont(s);
    g.setPen(QColor(40, 60, 60));
    g.drawText(QRectF(110, 48, 316, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("TV & CABLE FIELD-STRENGTH METERS"));
    return p;
}

void drawIcon(QPainter &g, qreal size)
{
    // The logo's panel and screen on a 48-unit square; every size is the same picture scaled.
    g.save();
    g.setRenderHint(QPainter::Antialiasing);
    g.scale(size / 48, size / 48);
    drawPanel(g, QRectF(2, 2, 44, 44), 9);
    drawScreen(g, QRectF(7, 9, 34, 30), 0.75, 1.5);
    g.restore();
}

QPixmap icon(int size)
{
    QPixmap p = blank(size, size);
    QPainter g(&p);
    drawIcon(g, size);
    return p;
}

QPixmap flag(int language)
{
    const int w = 36, h = 24;
    QPixmap p = blank(w, h);
    QPainter g(&p);
    switch (language) {
        case 0: {   // a blue field with the white and red crosses
            g.fillRect(0, 0, w, h, QColor(1, 33, 105));
            g.setRenderHint(QPainter::Antialiasing);
            g.setPen(QPen(Qt::white, 5));
            g.drawLine(0, 0, w, h);
            g.drawLine(0, h, w, 0);
            g.setPen(QPen(QColor(200, 16, 46), 1.6));
            g.drawLine(0, 0, w, h);
            g.drawLine(0, h, w, 0);
            g.setRenderHint(QPainter::Antialiasing, false);
            g.fillRect(w / 2 - 4, 0, 8, h, Qt::white);
            g.fillRect(0, h / 2 - 4, w, 8, Qt::white);
            g.fillRect(w / 2 - 2, 0, 4, h, QColor(200, 16, 46));
            g.fillRect(0, h / 2 - 2, w, 4, QColor(200, 16, 46));
            break;
        }
        case 1:   // red, yellow (double height), red
            g.fillRect(0, 0, w, h, QColor(170, 21, 27));
            g.fillRect(0, h / 4, w, h / 2, QColor(241, 191, 0));
            break;
        case 2:   // black, red, gold
            g.fillRect(0, 0, w, h / 3, Qt::black);
            g.fillRect(0, h / 3, w, h / 3, QColor(221, 0, 0));
            g.fillRect(0, 2 * h / 3, w, h - 2 * h / 3, QColor(255, 206, 0));
            break;
        default: {   // nine stripes, gold and red
            g.fillRect(0, 0, w, h, QColor(252, 221, 9));
            const qreal stripe = qreal(h) / 9;
            for (int i = 1; i < 9; i += 2)
                g.fillRect(QRectF(0, i * stripe, w, stripe), QColor(218, 18, 26));
            break;
        }
    }
    g.setPen(QColor(60, 60, 60));
    g.setBrush(Qt::NoBrush);
    g.drawRect(0, 0, w - 1, h - 1);
    return p;
}

QPixmap glyph(Glyph which)
{
    QPixmap p = blank(28, 28);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor ink(20, 50, 60);
    switch (which) {
        case Glyph::AutoIdentify: {
            // A serial plug and a magnifying glass.
            g.setPen(QPen(ink, 1.5));
            g.setBrush(QColor(180, 190, 200));
            g.drawRoundedRect(QRectF(2, 5, 14, 9), 2, 2);
            g.setBrush(ink);
            for (int i = 0; i < 4; ++i)
                g.drawEllipse(QPointF(4.5 + i * 3, 9.5), 0.8, 0.8);
            g.drawLine(QPointF(9, 14), QPointF(9, 20));
            g.setBrush(QColor(200, 235, 255, 160));
            g.setPen(QPen(ink, 2.2));
            g.drawEllipse(QPointF(17, 15), 6, 6);
            g.setPen(QPen(ink, 3.2, Qt::SolidLine, Qt::RoundCap));
            g.drawLine(QPointF(21.5, 19.5), QPointF(26, 24));
            break;
        }
        case Glyph::ChannelPlan: {
            // A sheet with a table of channels.
            g.setPen(QPen(ink, 1.2));
            g.setBrush(Qt::white);
            g.drawRect(QRectF(4, 2, 20, 24));
            g.fillRect(QRectF(4.6, 2.6, 18.8, 4.4), QColor(0, 128, 128));
            g.setPen(QPen(QColor(90, 110, 120), 1));
            for (int i = 0; i < 5; ++i)
                g.drawLine(QPointF(6, 10 + i * 3.4), QPointF(22, 10 + i * 3.4));
            g.drawLine(QPointF(11, 8), QPointF(11, 24));
            break;
        }
        case Glyph::Loggers: {
            // A bar chart of logged levels.
            g.setPen(QPen(ink, 1.5));
            g.drawLine(QPointF(3, 3), QPointF(3, 25));
            g.drawLine(QPointF(3, 25), QPointF(26, 25));
            const qreal bars[] = {9, 15, 11, 19, 14};
            for (int i = 0; i < 5; ++i) {
                g.setBrush(i % 2 ? QColor(0, 128, 128) : QColor(60, 170, 90));
                g.setPen(QPen(ink, 0.8));
                g.drawRect(QRectF(6 + i * 4, 24 - bars[i], 3, bars[i]));
            }
            break;
        }
        case Glyph::Upgrade: {
            // A chip with an arrow pointing up.
            g.setPen(QPen(ink, 1.2));
            g.setBrush(QColor(50, 60, 70));
            g.drawRect(QRectF(6, 12, 16, 12));
            for (int i = 0; i < 4; ++i) {
                g.drawLine(QPointF(8 + i * 4, 24), QPointF(8 + i * 4, 27));
                g.drawLine(QPointF(8 + i * 4, 9), QPointF(8 + i * 4, 12));
            }
            QPolygonF arrow;
            arrow << QPointF(14, 0.5) << QPointF(21, 8) << QPointF(17, 8) << QPointF(17, 19) << QPointF(11, 19)
                  << QPointF(11, 8) << QPointF(7, 8);
            g.setPen(QPen(QColor(0, 90, 20), 1));
            g.setBrush(QColor(40, 190, 70));
            g.drawPolygon(arrow);
            break;
        }
    }
    return p;
}

QPixmap meter()
{
    QPixmap p = blank(96, 96);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(30, 40, 40), 2));
    g.setBrush(QColor(235, 170, 40));
    g.drawRoundedRect(QRectF(14, 4, 68, 88), 10, 10);
    const QRectF screen(22, 12, 52, 38);
    g.setBrush(QColor(16, 36, 40));
    g.drawRoundedRect(screen, 3, 3);
    drawTrace(g, screen.adjusted(3, 3, -3, -3), QColor(120, 255, 160), 1.4);
    g.setBrush(QColor(60, 60, 60));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            g.drawRoundedRect(QRectF(26 + c * 16, 56 + r * 11, 12, 7), 2, 2);
    return p;
}

}   // namespace Pictures
