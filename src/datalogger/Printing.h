#pragma once
// Printing of the framed text reports: line by line in a fixed-pitch font, 80 pixels from the
// left and top of the page, a new page before a line would start lower than the page height
// less 160 pixels. The report is code page 437; its box-drawing characters are drawn as lines
// that join from cell to cell, whatever the font has for them.

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QString>
#include <functional>

class QImage;
class QPaintDevice;
class QPainter;
class QPrinter;

// The program's one printer. The print set-up dialogs change it and every printout uses it, so
// a choice made in one window holds for the prints of the others.
QPrinter &thePrinter();

// Prints the report file on the program's printer, the title naming the print job, in the
// font size app().PrintFontSize. Returns the number of pages printed; -65 when the file cannot
// be read (nothing is printed), -1 when the printer cannot start the job, -254 when a print
// into a PDF file could not write it whole (an existing file of that name stays as it was).
int printTextFile(const QString &title, const QString &reportPath);
// The same on a given printer and font size (a PDF printer in the command line and the tests).
int printTextFile(QPrinter &printer, const QString &title, const QString &reportPath, int pointSize);
// The same, followed by pages that morePages paints with the print job's painter (the level
// chart after a TV report). morePages returns false when it could not paint them.
int printTextFile(QPrinter &printer, const QString &title, const QString &reportPath, int pointSize,
                  const std::function<bool(QPainter &)> &morePages);

namespace Printing {

constexpr int kMargin = 80;   // left and top, in device pixels
constexpr int kBottomReserve = 160;   // no line starts lower than the page height less this
constexpr int kMaxLineLength = 148;   // a longer line goes on in the next print line

struct PlacedLine {
    int page;   // from 0
    int y;   // top of the line in device pixels
};

// Whether PDF bytes hold a whole document (begin with the header, end with the end mark).
bool pdfLooksComplete(const QByteArray &bytes);

// Where each of lineCount lines goes on pages of the given height with the given line step.
// The first line of a page is at kMargin; a line that would start below height - kBottomReserve
// goes to the next page.
QList<PlacedLine> layoutLines(int lineCount, int pageHeight, int lineStep);

// The report's print lines (code page 437 bytes, no line ends); false when it cannot be read.
bool readPrintLines(const QString &path, QList<QByteArray> &lines);

// The printing font at that size: "Terminal" where the system has it, else the system's
// fixed-pitch font, else any scalable fixed-pitch font the system has. On Windows, "Courier
// New" (or "Lucida Console") first: its "Terminal" does not scale.
QFont printFont(int pointSize);

// Renders page `page` (from 0) of the report onto the image as the printer would draw it, the
// image standing for the page (its height and dots per metre decide the layout). Returns the
// report's page count, or -65 when the file cannot be read.
int renderPage(const QString &reportPath, int page, QImage &image, int pointSize);

}   // namespace Printing
