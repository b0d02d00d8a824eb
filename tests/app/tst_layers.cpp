// The layer rules of HACKING.md, checked on the sources: a core subsystem includes only those
// below it (app <- link <- channelplan <- datalogger <- archive <- jobs; the error codes of link
// excepted, which every subsystem uses), never a window and never a Qt Widgets header; the
// command line never includes a window.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QStringList kLayers = {QStringLiteral("app"),        QStringLiteral("link"),    QStringLiteral("channelplan"),
                             QStringLiteral("datalogger"), QStringLiteral("archive"), QStringLiteral("jobs")};

// Every header of the Qt Widgets module, by the names a source includes it by.
QSet<QString> widgetHeaders()
{
    QSet<QString> names{QStringLiteral("QtWidgets")};
    const QString dir = QLibraryInfo::path(QLibraryInfo::HeadersPath) + QStringLiteral("/QtWidgets");
    for (const QString &f : QDir(dir).entryList(QDir::Files)) {
        names << f << QStringLiteral("QtWidgets/") + f;
    }
    return names;
}

struct Include {
    QString file;
    int line;
    QString target;
    bool angled;
};

QList<Include> includesUnder(const QString &folder, bool recursive)
{
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*([<\"])([^>\"]+)[>\"]"));
    QList<Include> out;
    QDirIterator it(folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        int n = 0;
        while (!f.atEnd()) {
            ++n;
            const QRegularExpressionMatch m = include.match(QString::fromUtf8(f.readLine()));
            if (m.hasMatch())
                out.append({QDir(QStringLiteral(KV_SOURCE_DIR)).relativeFilePath(path), n, m.captured(2),
                            m.captured(1) == QLatin1String("<")});
        }
    }
    return out;
}

}   // namespace

class TestLayers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void coreFollowsTheLayerOrder()
    {
        const QSet<QString> widgets = widgetHeaders();
        QVERIFY2(widgets.contains(QStringLiteral("QWidget")), "Qt Widgets' headers were not found");
        QStringList wrong;
        int seen = 0;
        for (int level = 0; level < kLayers.size(); ++level) {
            const QString folder = QStringLiteral(KV_SOURCE_DIR "/src/") + kLayers[level];
            for (const Include &i : includesUnder(folder, false)) {
                ++seen;
                const QString where = QStringLiteral("%1:%2: %3").arg(i.file).arg(i.line).arg(i.target);
                if (i.angled) {
                    if (widgets.contains(i.target))
                        wrong << where + QStringLiteral(" (Qt Widgets in the core)");
                    continue;
                }
                if (i.target.contains(QLatin1String("/windows/")))
                    wrong << where + QStringLiteral(" (a window in the core)");
                const QString layer = i.target.section(QLatin1Char('/'), 0, 0);
                const int other = int(kLayers.indexOf(layer));
                if (other > level && i.target != QLatin1String("link/ErrorCodes.h"))
                    wrong << where + QStringLiteral(" (%1 is above %2)").arg(layer, kLayers[level]);
            }
        }
        QVERIFY(seen > 100);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void commandLineHasNoWindows()
    {
        const QSet<QString> widgets = widgetHeaders();
        QStringList wrong;
        for (const Include &i : includesUnder(QStringLiteral(KV_SOURCE_DIR "/src/cli"), false))
            if (i.target.contains(QLatin1String("/windows/")) || (i.angled && widgets.contains(i.target)))
                wrong << QStringLiteral("%1:%2: %3").arg(i.file).arg(i.line).arg(i.target);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
