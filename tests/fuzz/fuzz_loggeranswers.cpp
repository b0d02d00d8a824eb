// The meter's answers to the datalogger queries, as the jobs turn them into file lines, and
// the file made of them as the viewers read it. Input: answers separated by NUL bytes; the
// first is a TV logger's header ("*?HL"), the next ones its measurements ("*?HD"), and every
// one is also taken as an index answer and as a cable-modem section.

#include "FuzzSupport.h"
#include "datalogger/LoggerFiles.h"
#include "link/ErrorCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    const QList<QByteArray> parts = fuzz::bytes(data, size).split('\0');
    QStringList answers;
    for (const QByteArray &p : parts)
        answers << fuzz::latin1(p);

    for (const QString &a : answers) {
        for (int n = 0; n <= 10; ++n) {
            QString field;
            const int r = Logger::answerField(a, n, field);
            FUZZ_CHECK(r == 0 || (r == Logger::kNoField && field.isEmpty()));
            FUZZ_CHECK(!field.contains(QLatin1Char('&')));
        }
        (void)Logger::trimValue(a);
        (void)Logger::leadingInt(a);
        (void)Logger::plrText(a);
        const LoggerIndexEntry e = LoggerIndexFile::entryFromAnswer(a);
        FUZZ_CHECK(e.answer == a);
        (void)LoggerIndexFile::answerShowsLogger(a);
        const QString section = ModemLoggerFile::sectionLine(Logger::Key::Downstream, a);
        FUZZ_CHECK(section.startsWith(QLatin1String("DOWNSTREAM=")));
        FUZZ_CHECK(!section.left(200 + 11).mid(11).contains(QLatin1Char('$')));
        TvMeasurement m;
        const QString line = Logger::measurementLineFromAnswer(a);
        FUZZ_CHECK(!line.contains(QLatin1Char('&')));
        const int fields = Logger::splitMeasurement(line, m);
        FUZZ_CHECK(fields >= 0 && fields <= Logger::kMeasurementFields);
    }

    // The TV logger file as the job writes it, then as the viewer reads it.
    int measures = -1;
    const QStringList header = TvLoggerFile::headerLines(7, answers.first(), measures);
    FUZZ_CHECK(measures >= 0 && measures <= 999);
    FUZZ_CHECK(header.size() == (answers.first().isEmpty() ? 5 : 12));
    const QString path = fuzz::scratch(QStringLiteral("temp07.lg27t"));
    Logger::LoggerFileWriter writer(path);
    FUZZ_CHECK(writer.open());
    writer.writeLines(header);
    writer.writeLines(TvLoggerFile::measuresLines(measures));
    int written = 0;
    for (int i = 1; i < answers.size() && written < measures; ++i, ++written)
        writer.writeLine(Logger::measurementLineFromAnswer(answers.at(i)));
    FUZZ_CHECK(writer.commit());
    QStringList lines;
    FUZZ_CHECK(readTextLines(path, lines));
    FUZZ_CHECK(lines.size() == header.size() + 3 + written);

    TvLoggerContents contents;
    const int r = TvLoggerFile::read(path, contents);
    FUZZ_CHECK(r == 0 || r == Err::UnableToOpenFile);
    FUZZ_CHECK(contents.header.device == Logger::kTvDevice);
    FUZZ_CHECK(contents.header.loggerNumber == QLatin1String("7"));
    FUZZ_CHECK(contents.measurements.size() <= written);
    return 0;
}
