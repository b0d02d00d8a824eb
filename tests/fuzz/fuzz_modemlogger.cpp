// Cable-modem logger files: any file is read by the viewer's rules without harm, and the
// viewer's save of new comments keeps an accepted file accepted, with the same values and
// exactly the comments saved. Input: the comments, a NUL byte, then the file.

#include "FuzzSupport.h"
#include "datalogger/LoggerFiles.h"
#include "link/ErrorCodes.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype split = input.indexOf('\0');
    const QString comments = fuzz::latin1(split < 0 ? QByteArray() : input.left(split));
    const QString in = fuzz::writeFile(QStringLiteral("in.lg27m"), split < 0 ? input : input.mid(split + 1));
    const QString out = fuzz::scratch(QStringLiteral("out.lg27m"));

    ModemLoggerRecord record;
    const int r = ModemLoggerFile::read(in, record);
    FUZZ_CHECK(r == 0 || r == Err::UnableToOpenFile);
    FUZZ_CHECK((r == 0) == record.hasUpstream);
    (void)record.showsRegistrationDetails();

    fuzz::removeFile(QStringLiteral("out.lg27m"));
    FUZZ_CHECK(ModemLoggerFile::saveWithComments(in, out, comments) == 0);
    ModemLoggerRecord saved;
    const int r2 = ModemLoggerFile::read(out, saved);
    if (r == 0) {
        FUZZ_CHECK(r2 == 0);
        FUZZ_CHECK(saved.info == record.info && saved.downstream == record.downstream
                   && saved.upstream == record.upstream && saved.headend == record.headend
                   && saved.pingReport == record.pingReport && saved.loggerNumber == record.loggerNumber);
        // (A file with more than 50 unknown lines is read only up to them, LOCATION or not.)
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
        QString expected = comments;
        expected.replace(lineBreak, QStringLiteral("\r\n"));
        if (saved.hasLocation)
            FUZZ_CHECK(saved.comments == expected);
    }
    FUZZ_CHECK(ModemLoggerFile::saveWithComments(out, out, comments) == 0);
    return 0;
}
