// The firmware file check before an upgrade: any file is judged without harm, and every line of
// a file it passes goes to the meter as one whole "*SX" command: no longer than the command
// buffer, and nothing in it that would end the command early or vanish on the line.

#include "FuzzSupport.h"
#include "jobs/FirmwareJob.h"
#include "link/ErrorCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    const QString path = fuzz::writeFile(QStringLiteral("fw.hx27"), data, size);
    QStringList lines;
    const int r = checkFirmwareFile(path, &lines);
    FUZZ_CHECK(r == 0 || r == Err::UnableToOpenFile);
    FUZZ_CHECK(firmwareProgressMaximum(qint64(size)) >= 0);
    if (r != 0)
        return 0;
    FUZZ_CHECK(size > 0 && data[0] == 'S');
    for (const QString &line : lines) {
        FUZZ_CHECK(line.size() + 1 <= kFirmwareLineLimit);
        for (QChar c : line)
            FUZZ_CHECK(c.unicode() >= 0x20);
    }
    return 0;
}
