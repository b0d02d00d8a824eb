// The logger index file "logger.tlg": any file is read without harm, one entry per line after
// "[LOGGERS]", and an entry's values are the answer's fields.

#include "FuzzSupport.h"
#include "datalogger/LoggerFiles.h"
#include "link/ErrorCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    const QString in = fuzz::writeFile(Logger::kIndexFileName, data, size);

    QList<LoggerIndexEntry> entries;
    const int r = LoggerIndexFile::read(in, entries);
    FUZZ_CHECK(r >= 0);
    FUZZ_CHECK(r == entries.size());
    for (const LoggerIndexEntry &e : entries) {
        if (!e.valid) {
            FUZZ_CHECK(e.time.isEmpty() && e.date.isEmpty() && e.name.isEmpty() && !e.print);
            continue;
        }
        FUZZ_CHECK(!e.time.contains(QLatin1Char('&')) && !e.date.contains(QLatin1Char('&'))
                   && !e.name.contains(QLatin1Char('&')));
        FUZZ_CHECK(e.print == !e.isEmpty());
        (void)LoggerIndexFile::isSlotAnswer(e.answer);
        (void)LoggerIndexFile::answerShowsLogger(e.answer);
    }
    return 0;
}
