// kelvatrone-icons OUTDIR ID: writes the program's icon into a hicolor icon tree at build time,
// OUTDIR/scalable/apps/ID.svg and OUTDIR/NxN/apps/ID.png for each installed size. Every file
// is drawn by the same code that draws the icon inside the program.

#include "app/windows/Pictures.h"

#include <QDir>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "kelvatrone-icons: %s\n", qPrintable(message));
    return 1;
}

}   // namespace

int main(int argc, char **argv)
{
    // Painting into an image or an SVG file needs no display.
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: kelvatrone-icons OUTDIR ID"));
    const QString out = args[1];
    const QString id = args[2];

    for (const int size : {48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("cannot create ") + dir);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter g(&image);
            Pictures::drawIcon(g, size);
        }
        const QString path = dir + QLatin1Char('/') + id + QStringLiteral(".png");
        if (!image.save(path, "PNG"))
            return fail(QStringLiteral("cannot write ") + path);
    }

    const QString dir = out + QStringLiteral("/scalable/apps");
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("cannot create ") + dir);
    const QString path = dir + QLatin1Char('/') + id + QStringLiteral(".svg");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write ") + path);
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(QSize(48, 48));
    svg.setViewBox(QRectF(0, 0, 48, 48));
    svg.setTitle(QStringLiteral("Kelvatrone"));
    svg.setDescription(QStringLiteral("The Kelvatrone icon"));
    {
        QPainter g(&svg);
        Pictures::drawIcon(g, 48);
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot write ") + path);
    return 0;
}
