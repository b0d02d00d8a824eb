// The framed reports made from logger files, and the printing's reading and page layout of a
// report. First byte: bit 0 picks the TV or the cable-modem report, bits 1-2 the language,
// bit 3 the model variant; the rest is the logger file.

#include "FuzzSupport.h"
#include "datalogger/CodePage437.h"
#include "datalogger/Printing.h"
#include "datalogger/Reports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::resetState((data[0] & 8) ? "KV-27C" : "KV-27");
    app().CurrentLanguage = (data[0] >> 1) & 3;
    const bool tv = (data[0] & 1) != 0;
    const QString in =
        fuzz::writeFile(tv ? QStringLiteral("in.lg27t") : QStringLiteral("in.lg27m"), data + 1, size - 1);
    const QString report = fuzz::scratch(QStringLiteral("print00.txt"));
    fuzz::removeFile(QStringLiteral("print00.txt"));

    const int r = tv ? writeTvReport(in, report) : writeModemReport(in, report);
    FUZZ_CHECK(r == 0 || r == -1);
    // (A file without any line the report knows makes an empty report: nothing to print.)
    FUZZ_CHECK((r == 0) == QFile::exists(report));
    if (r != 0)
        return 0;

    QList<QByteArray> lines;
    FUZZ_CHECK(Printing::readPrintLines(report, lines));
    for (const QByteArray &line : lines) {
        FUZZ_CHECK(line.size() <= Printing::kMaxLineLength);
        (void)Cp437::toUnicode(line);
    }
    const QList<Printing::PlacedLine> placed = Printing::layoutLines(int(lines.size()), 3300, 40);
    FUZZ_CHECK(placed.size() == lines.size());
    for (int i = 0; i < placed.size(); ++i) {
        FUZZ_CHECK(placed.at(i).y >= Printing::kMargin && placed.at(i).y <= 3300 - Printing::kBottomReserve);
        if (i > 0)
            FUZZ_CHECK(placed.at(i).page >= placed.at(i - 1).page);
    }
    return 0;
}
