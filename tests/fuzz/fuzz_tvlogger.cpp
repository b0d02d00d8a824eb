// TV logger files: any file is read by the viewer's rules without harm, and the viewer's save
// of a new location keeps an accepted file accepted with the same measurements. Input: the
// location typed by the user, a NUL byte, then the file.

#include "FuzzSupport.h"
#include "datalogger/LoggerFiles.h"
#include "link/ErrorCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype split = input.indexOf('\0');
    const QString location = fuzz::latin1(split < 0 ? QByteArray() : input.left(split));
    const QString in = fuzz::writeFile(QStringLiteral("in.lg27t"), split < 0 ? input : input.mid(split + 1));
    const QString out = fuzz::scratch(QStringLiteral("out.lg27t"));

    LoggerFamily family;
    (void)Logger::familyOfFile(in, family);

    TvLoggerContents contents;
    const int r = TvLoggerFile::read(in, contents);
    FUZZ_CHECK(r == 0 || r == Err::UnableToOpenFile);
    if (r == 0)
        FUZZ_CHECK(!contents.measurements.isEmpty());
    for (const TvMeasurement &m : contents.measurements) {
        (void)m.number();
        for (const QString &f : m.field)
            FUZZ_CHECK(f.size() <= Logger::kMeasurementFieldLength);
    }

    fuzz::removeFile(QStringLiteral("out.lg27t"));
    FUZZ_CHECK(TvLoggerFile::saveWithLocation(in, out, location) == 0);
    TvLoggerContents saved;
    const int r2 = TvLoggerFile::read(out, saved);
    // A location with commas could pass for a measurement line; any other keeps the file as it was.
    if (r == 0 && !location.contains(QLatin1Char(','))) {
        FUZZ_CHECK(r2 == 0);
        FUZZ_CHECK(saved.measurements.size() == contents.measurements.size());
        QString shown = location;
        shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        FUZZ_CHECK(saved.header.location == Logger::lastKeyValue(QStringLiteral("LOCATION=") + shown));
    }
    // Saving onto itself works as well.
    FUZZ_CHECK(TvLoggerFile::saveWithLocation(out, out, location) == 0);
    return 0;
}
