// Printing a report: pages, margins and the bottom limit on a PDF printer, and the frames
// drawn as joined lines.

#include "TestWorkspace.h"
#include "app/AppState.h"
#include "datalogger/Printing.h"
#include "datalogger/Reports.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

namespace {

// A TV logger of n channels, as the reception writes it.
QByteArray tvLogger(int n)
{
    const QByteArray rule = "#=====================================\r\n";
    QByteArray f =
        rule + "Kelvatrone :  CONTROL REMOT PROGRAM\r\n" + rule
        + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=3\r\nLOCATION=ROOF\r\nUNITS=dBuV\r\nTIME=10:32\r\n"
          "DATE=07/12/26\r\nTHRESHOLD LEVEL=45\r\nCHANNEL PLAN=AB\r\nCHANNEL NUMBER="
        + QByteArray::number(n) + "\r\n[MEASURES]\r\nLOGGER=" + QByteArray::number(n)
        + "\r\nN,    CH,  FREQ,   OFF,    BW,   MOD, ANNEX,    SR,   PWR,   MER,   BER,   SYS,    AF,   LVL,   V/A,   C/N\r\n";
    for (int i = 0; i < n; ++i)
        f += QByteArray::number(i) + ",C" + QByteArray::number(21 + i) + "," + QByteArray::number(474 + 8 * i)
             + ".00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , \r\n";
    return f;
}

int pdfPageCount(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    return int(QString::fromLatin1(f.readAll()).count(page));
}

void pdfPrinter(QPrinter &printer, const QString &path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
}

// The line step at that font size: the font's height in device pixels, whatever the line
// spacing of the font that stands in for it.
int lineStep(int pointSize, int dpi)
{
    return (pointSize * dpi + 36) / 72;
}

// Longest run of dark pixels in one row of the image.
int longestDarkRun(const QImage &image, int y)
{
    int best = 0, run = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) < 128)
            best = std::max(best, ++run);
        else
            run = 0;
    }
    return best;
}

}   // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutKeepsTheBottomLimit_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("pages");
        // (1000 - 160 - 80) / 100 = 7.6: lines at 80..780 fit, 880 would not.
        QTest::newRow("exactly one page") << 8 << 1000 << 100 << 1;
        QTest::newRow("one line over") << 9 << 1000 << 100 << 2;
        QTest::newRow("limit reached exactly") << 3 << 360 << 50 << 1;   // y = 80, 130, 180 <= 200
        QTest::newRow("empty report") << 0 << 1000 << 100 << 0;
        QTest::newRow("page smaller than a line") << 3 << 100 << 100 << 3;
    }
    void layoutKeepsTheBottomLimit()
    {
        QFETCH(int, lines);
        QFETCH(int, height);
        QFETCH(int, step);
        QFETCH(int, pages);
        const QList<Printing::PlacedLine> placed = Printing::layoutLines(lines, height, step);
        QCOMPARE(int(placed.size()), lines);
        QCOMPARE(placed.isEmpty() ? 0 : placed.last().page + 1, pages);
        for (int i = 0; i < placed.size(); ++i) {
            const bool first = i == 0 || placed.at(i - 1).page != placed.at(i).page;
            QCOMPARE(placed.at(i).y, first ? 80 : placed.at(i - 1).y + step);
            if (!first)
                QVERIFY(placed.at(i).y <= height - 160);
        }
    }

    void longReportOnPdf()
    {
        TestWorkspace ws;
        const QString report = ws.path("Temp/print03.txt");
        QCOMPARE(writeTvReport(ws.write("long.lg26t", tvLogger(120)), report), 0);
        QList<QByteArray> lines;
        QVERIFY(Printing::readPrintLines(report, lines));
        QCOMPARE(int(lines.size()), 3 + 9 + 3 + 2 * 120);

        int pagesAt[2] = {0, 0};
        const int sizes[2] = {6, 12};
        for (int k = 0; k < 2; ++k) {
            const QString pdf = ws.path(QStringLiteral("report-%1.pdf").arg(sizes[k]));
            QPrinter printer(QPrinter::HighResolution);
            pdfPrinter(printer, pdf);
            const int pages = printTextFile(printer, QStringLiteral("DATALOGGER 3"), report, sizes[k]);
            QVERIFY(pages > 0);
            QCOMPARE(pdfPageCount(pdf), pages);
            QCOMPARE(printer.docName(), QStringLiteral("DATALOGGER 3"));

            // The same layout, with the line step of this font on this printer: no line starts
            // below the page height less 160 pixels.
            const int step = lineStep(sizes[k], printer.resolution());
            QVERIFY(step > 0);
            const QList<Printing::PlacedLine> placed = Printing::layoutLines(int(lines.size()), printer.height(), step);
            QCOMPARE(placed.last().page + 1, pages);
            for (const Printing::PlacedLine &l : placed)
                QVERIFY(l.y <= printer.height() - 160);
            pagesAt[k] = pages;
        }
        // 255 lines: at 6 points and 1200 dpi a line is 100 pixels, so an A4 page holds more
        // than 130 of them and the report takes two pages.
        QCOMPARE(pagesAt[0], 2);
        QVERIFY2(pagesAt[1] > pagesAt[0],
                 qPrintable(QStringLiteral("%1 pages at 6 pt, %2 at 12 pt").arg(pagesAt[0]).arg(pagesAt[1])));
    }

    void framesAreDrawnAsLines()
    {
        TestWorkspace ws;
        const QString report = ws.path("Temp/print03.txt");
        QCOMPARE(writeTvReport(ws.write("long.lg26t", tvLogger(120)), report), 0);

        // An A4 page at 150 dpi.
        QImage page(1240, 1754, QImage::Format_RGB32);
        page.setDotsPerMeterX(5906);
        page.setDotsPerMeterY(5906);
        QVERIFY(Printing::renderPage(report, 0, page, 8) > 1);

        const QString shots = qEnvironmentVariable("KV_SCREENSHOTS");
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            page.save(shots + QStringLiteral("/tv-report-page1.png"));
        }

        // The title frame's top edge and the table's rules are unbroken lines: 31 and 110
        // character cells long.
        QFontMetrics fm(Printing::printFont(8), &page);
        const int cell = fm.horizontalAdvance(QLatin1Char('M'));
        const int step = lineStep(8, 150);
        int longest = 0;
        for (int y = 80; y < 80 + step; ++y)
            longest = std::max(longest, longestDarkRun(page, y));
        QVERIFY2(longest >= 30 * cell, qPrintable(QStringLiteral("top frame run %1, cell %2").arg(longest).arg(cell)));
        int tableRule = 0;
        for (int y = 80 + 12 * step; y < 80 + 13 * step; ++y)
            tableRule = std::max(tableRule, longestDarkRun(page, y));
        QVERIFY2(tableRule >= 109 * cell,
                 qPrintable(QStringLiteral("table top run %1, cell %2").arg(tableRule).arg(cell)));
        // The frame's sides join from line to line: the left side of the table (column 0)
        // is one unbroken vertical line from the table's top rule to the bottom of the page's
        // last row.
        const int sideX = 80 + cell / 2;
        int sideRun = 0, longestSide = 0;
        for (int y = 80 + 12 * step; y < page.height(); ++y) {
            bool dark = false;
            for (int dx = -1; dx <= 1; ++dx)
                dark = dark || qGray(page.pixel(sideX + dx, y)) < 128;
            sideRun = dark ? sideRun + 1 : 0;
            longestSide = std::max(longestSide, sideRun);
        }
        QVERIFY2(longestSide >= 40 * step,
                 qPrintable(QStringLiteral("table side run %1, step %2").arg(longestSide).arg(step)));
        // Nothing is drawn left of the margin.
        for (int y = 0; y < page.height(); y += 3)
            for (int x = 0; x < 78; ++x)
                QVERIFY(qGray(page.pixel(x, y)) >= 128);
    }

    void missingReportPrintsNothing()
    {
        TestWorkspace ws;
        QPrinter printer(QPrinter::HighResolution);
        pdfPrinter(printer, ws.path("none.pdf"));
        QCOMPARE(printTextFile(printer, QStringLiteral("X"), ws.path("missing.txt"), 6), int(Err::UnableToOpenFile));
        QVERIFY(!QFile::exists(ws.path("none.pdf")));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
