#include "datalogger/Printing.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "datalogger/CodePage437.h"
#include "link/ErrorCodes.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

QPrinter &thePrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

namespace Printing {

QList<PlacedLine> layoutLines(int lineCount, int pageHeight, int lineStep)
{
    QList<PlacedLine> placed;
    placed.reserve(lineCount);
    const int limit = pageHeight - kBottomReserve;
    const int step = std::max(1, std::abs(lineStep));
    int page = 0;
    int onPage = 0;
    for (int i = 0; i < lineCount; ++i) {
        int y = kMargin + onPage * step;
        // A page always takes at least one line, so a tiny page cannot loop on empty pages.
        if (y > limit && onPage > 0) {
            ++page;
            onPage = 0;
            y = kMargin;
        }
        placed.append({page, y});
        ++onPage;
    }
    return placed;
}

bool readPrintLines(const QString &path, QList<QByteArray> &lines)
{
    lines.clear();
    QByteArray all;
    if (!readFileBytes(path, all))
        return false;
    for (QByteArray line : splitTextLines(all)) {
        do {
            lines.append(line.left(kMaxLineLength));
            line.remove(0, kMaxLineLength);
        } while (!line.isEmpty());
    }
    return true;
}

QFont printFont(int pointSize)
{
    const auto atSize = [size = std::max(1, pointSize)](QFont font, bool typewriter) {
        if (typewriter)
            font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        font.setPointSize(size);
        return font;
    };
#ifdef Q_OS_WIN
    // Windows' "Terminal" is a bitmap font at a few sizes that no printer or PDF can scale;
    // the fixed-pitch outline font every Windows has takes its place there.
    for (const QString &family : {QStringLiteral("Courier New"), QStringLiteral("Lucida Console")})
        if (QFontDatabase::hasFamily(family) && QFontDatabase::isFixedPitch(family))
            return atSize(QFont(family), true);
#endif
    QFont font = atSize(QFont(QStringLiteral("Terminal")), true);
    if (QFontInfo(font).fixedPitch())
        return font;
    font = atSize(QFontDatabase::systemFont(QFontDatabase::FixedFont), false);
    if (QFontInfo(font).fixedPitch())
        return font;
    // The system's fixed-pitch font is not there (a Windows without Courier New, Wine): the
    // columns and frames of a report line up only in a fixed-pitch font, so any scalable one
    // the system has is better than the proportional font that would stand in.
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families)
        if (QFontDatabase::isFixedPitch(family) && QFontDatabase::isSmoothlyScalable(family))
            return atSize(QFont(family), false);
    return font;
}

namespace {

// The arms of the single-line box-drawing characters the reports use.
enum Arm { Up = 1, Down = 2, Left = 4, Right = 8 };

int armsOf(unsigned char b)
{
    switch (b) {
        case 0xB3: return Up | Down;
        case 0xB4: return Up | Down | Left;
        case 0xBF: return Left | Down;
        case 0xC0: return Up | Right;
        case 0xC1: return Left | Right | Up;
        case 0xC2: return Left | Right | Down;
        case 0xC3: return Up | Down | Right;
        case 0xC4: return Left | Right;
        case 0xC5: return Up | Down | Left | Right;
        case 0xD9: return Up | Left;
        case 0xDA: return Down | Right;
        default: return 0;
    }
}

struct Cell {
    int width;
    int height;
    int ascent;
};

void drawBox(QPainter &p, int arms, int x, int y, const Cell &cell)
{
    const int cx = x + cell.width / 2;
    const int cy = y + cell.height / 2;
    if (arms & Up)
        p.drawLine(cx, y, cx, cy);
    if (arms & Down)
        p.drawLine(cx, cy, cx, y + cell.height);
    if (arms & Left)
        p.drawLine(x, cy, cx, cy);
    if (arms & Right)
        p.drawLine(cx, cy, x + cell.width, cy);
}

void paintLine(QPainter &p, const QByteArray &line, int y, const Cell &cell)
{
    QString run;
    int runStart = 0;
    auto flush = [&](int column) {
        if (!run.isEmpty())
            p.drawText(kMargin + runStart * cell.width, y + cell.ascent, run);
        run.clear();
        runStart = column + 1;
    };
    for (int col = 0; col < line.size(); ++col) {
        const unsigned char b = static_cast<unsigned char>(line.at(col));
        const int arms = armsOf(b);
        if (arms) {
            flush(col);
            drawBox(p, arms, kMargin + col * cell.width, y, cell);
        } else {
            if (run.isEmpty())
                runStart = col;
            run.append(Cp437::toUnicode(b));
        }
    }
    flush(int(line.size()));
}

// Paints the lines page after page; newPage is called between pages and may refuse (false) to
// stop painting. Returns the page count of the layout.
int paintPages(QPainter &p, const QList<QByteArray> &lines, int pageHeight, int pointSize, int onlyPage,
               const std::function<bool()> &newPage)
{
    p.setFont(printFont(pointSize));
    const QFontMetrics fm = p.fontMetrics();
    // The line step is the font's height in device pixels (points at the device's resolution),
    // not the line spacing of whichever font stands in for "Terminal": the report's layout
    // counts on that many lines a page. The text sits in its line in the font's own proportion
    // of ascent to height, and the frames are drawn to the step so that they join.
    const int step = std::max(1, (std::max(1, pointSize) * p.device()->logicalDpiY() + 36) / 72);
    const int ascent = fm.height() > 0 ? fm.ascent() * step / fm.height() : step;
    const Cell cell{std::max(1, fm.horizontalAdvance(QLatin1Char('M'))), step, ascent};
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, cell.height / 14.0));
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);

    const QList<PlacedLine> placed = layoutLines(int(lines.size()), pageHeight, cell.height);
    const int pages = placed.isEmpty() ? 1 : placed.last().page + 1;
    int page = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const PlacedLine &at = placed.at(i);
        if (onlyPage >= 0) {
            if (at.page == onlyPage)
                paintLine(p, lines.at(i), at.y, cell);
            continue;
        }
        if (at.page != page) {
            if (!newPage())
                return pages;
            page = at.page;
        }
        paintLine(p, lines.at(i), at.y, cell);
    }
    return pages;
}

}   // namespace

int renderPage(const QString &reportPath, int page, QImage &image, int pointSize)
{
    QList<QByteArray> lines;
    if (!readPrintLines(reportPath, lines))
        return Err::UnableToOpenFile;
    image.fill(Qt::white);
    QPainter p(&image);
    return paintPages(p, lines, image.height(), pointSize, page, [] { return true; });
}

}   // namespace Printing

int printTextFile(QPrinter &printer, const QString &title, const QString &reportPath, int pointSize)
{
    return printTextFile(printer, title, reportPath, pointSize, nullptr);
}

namespace {

// The PDF engine writes straight into the file it is given and says nothing when a write fails,
// so a print into a file goes to a scratch file beside it; the target is replaced only by a
// document that ends as every complete PDF ends.
class PrintFileGuard {
public:
    explicit PrintFileGuard(QPrinter &p) : printer(p)
    {
        if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
            return;
        target = printer.outputFileName();
        scratch.setFileTemplate(target + QStringLiteral(".XXXXXX"));
        if (!scratch.open()) {
            recordWriteFailure(target, scratch.errorString());
            failed = true;
            return;
        }
        scratch.close();
        printer.setOutputFileName(scratch.fileName());
    }
    ~PrintFileGuard()
    {
        if (!target.isEmpty())
            printer.setOutputFileName(target);
    }
    bool cannotStart() const { return failed; }
    // 0 when there was no file to put in place or it is in place; -65 when the target cannot
    // be replaced (as for any file the program writes), -254 when it could not be written whole.
    int finish()
    {
        if (target.isEmpty())
            return 0;
        printer.setOutputFileName(target);
        QByteArray bytes;
        // The program's own document, however long the report: the reading limit is not for it.
        if (!readFileBytes(scratch.fileName(), bytes, std::numeric_limits<int>::max() / 2)
            || !Printing::pdfLooksComplete(bytes)) {
            recordWriteFailure(target, QString::fromLocal8Bit(std::strerror(ENOSPC)));
            return Err::WriteFailed;
        }
        // The scratch file's space comes back before the copy needs its own.
        scratch.remove();
        return writeBytesAtomicallyCode(target, bytes);
    }

private:
    QPrinter &printer;
    QString target;
    QTemporaryFile scratch;
    bool failed = false;
};

}   // namespace

bool Printing::pdfLooksComplete(const QByteArray &bytes)
{
    // A PDF ends with "%%EOF" and at most a line end after it.
    const QByteArray tail = bytes.right(16).trimmed();
    return bytes.startsWith("%PDF-") && tail.endsWith("%%EOF");
}

int printTextFile(QPrinter &printer, const QString &title, const QString &reportPath, int pointSize,
                  const std::function<bool(QPainter &)> &morePages)
{
    QList<QByteArray> lines;
    if (!Printing::readPrintLines(reportPath, lines))
        return Err::UnableToOpenFile;
    printer.setDocName(title);
    PrintFileGuard file(printer);
    if (file.cannotStart())
        return Err::UnableToOpenFile;
    QPainter p;
    if (!p.begin(&printer))
        return Err::OpenFailed;
    const int pages =
        Printing::paintPages(p, lines, printer.height(), pointSize, -1, [&printer] { return printer.newPage(); });
    const bool more = !morePages || morePages(p);
    if (!p.end() || !more)
        return Err::OpenFailed;
    const int placed = file.finish();
    return placed < 0 ? placed : pages;   // -65 here: the file, not the report, could not be opened
}

int printTextFile(const QString &title, const QString &reportPath)
{
    return printTextFile(thePrinter(), title, reportPath, app().PrintFontSize);
}
