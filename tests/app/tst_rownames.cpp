// Every string-table fetch in the sources is annotated with the row's English text, as
// `text(53 /* "Unable To Open File" */)` or `constexpr int Warning = 51;  // "Warning"`: a row
// number typed wrong fetches another text, and only the annotation says which one was meant.
// This checks that each annotation names the English text of its row.

#include "app/StringTable.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestRowNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void annotationsNameTheirRows()
    {
        StringTable::fillStringTable();
        // `N /* "English" */` anywhere, and `= N; // "English"` (a named row's constant).
        const QRegularExpression inline_(QStringLiteral("\\b(\\d{1,3}) /[*] \"((?:[^\"\\\\]|\\\\.)*)\" [*]/"));
        const QRegularExpression named(QStringLiteral("=\\s*(\\d{1,3});\\s*// \"((?:[^\"\\\\]|\\\\.)*)\""));
        QStringList wrong;
        int checked = 0;
        QDirIterator it(QStringLiteral(KV_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
            for (int n = 0; n < lines.size(); ++n) {
                for (const QRegularExpression *re : {&inline_, &named}) {
                    auto m = re->globalMatch(lines[n]);
                    while (m.hasNext()) {
                        const QRegularExpressionMatch match = m.next();
                        const int row = match.captured(1).toInt();
                        QString english = match.captured(2);
                        english.replace(QStringLiteral("\\\""), QStringLiteral("\""));
                        // A constant that is no row (a count, a limit) carries no quoted text.
                        if (row >= StringTable::kRows)
                            continue;
                        ++checked;
                        QString actual = StringTable::text(row, 0);
                        // An annotation may quote the start of a long text, ending in "...".
                        const bool ok =
                            actual == english
                            || (english.endsWith(QLatin1String("...")) && !english.endsWith(QLatin1String("...\""))
                                && actual.startsWith(english.chopped(3)))
                            || actual.simplified() == english.simplified();   // a line break quoted as a blank
                        if (!ok)
                            wrong << QStringLiteral("%1:%2: row %3 is \"%4\", not \"%5\"")
                                         .arg(QDir(QStringLiteral(KV_SOURCE_DIR)).relativeFilePath(path))
                                         .arg(n + 1)
                                         .arg(row)
                                         .arg(actual, english);
                    }
                }
            }
        }
        QVERIFY2(checked > 250, qPrintable(QStringLiteral("only %1 annotations found").arg(checked)));
        qInfo("%d annotations checked", checked);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestRowNames)
#include "tst_rownames.moc"
