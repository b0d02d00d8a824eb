// The group's combined file and the meter's command script made from it. The first byte picks
// the path:
//  even: the input is a combined file, read back and turned into a script for both plan types;
//  odd:  the rest is up to eleven member plan files separated by NUL bytes, joined into a
//        combined file that must then read back with every plan announced, and be scripted.

#include "FuzzSupport.h"
#include "app/Files.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"
#include "jobs/GroupJobs.h"
#include "link/ErrorCodes.h"

namespace {

void checkScript(const QString &combinedPath)
{
    const QString script = fuzz::scratch(QStringLiteral("send.pro"));
    for (const QString &type : {QStringLiteral("ch26"), QStringLiteral("ch25")}) {
        QString failed;
        const int r = BuildCommandScript(combinedPath, script, type, &failed);
        FUZZ_CHECK(r == 0 || r == 1);
        QStringList lines;
        FUZZ_CHECK(readTextLines(script, lines));
        FUZZ_CHECK(lines.size() >= 3);
        FUZZ_CHECK(lines.first() == QLatin1String("*FL08"));
        FUZZ_CHECK(lines.last() == QLatin1String("*PM01"));
        for (const QString &line : lines) {
            // Every order is one line the meter can take: a command, no line break inside.
            FUZZ_CHECK(line.startsWith(QLatin1Char('*')));
            FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        }
        if (r == 1)
            FUZZ_CHECK(failed.isEmpty());
    }
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::resetState("KV-27");
    const QByteArray input = fuzz::bytes(data + 1, size - 1);
    const QString combined = fuzz::scratch(QStringLiteral("temp.tkv8"));

    if ((data[0] & 1) == 0) {
        fuzz::writeFile(QStringLiteral("temp.tkv8"), input);
        CombinedPlanFile read;
        const int r = readCombinedFile(combined, read);
        FUZZ_CHECK(r == 0 || r == Err::IncorrectFormatFile);
        checkScript(combined);
        return 0;
    }

    QStringList members;
    const QList<QByteArray> parts = input.split('\0');
    for (int i = 0; i < parts.size() && i < kMaxGroupPlans + 1; ++i)
        members << fuzz::writeFile(QStringLiteral("member%1.ch26").arg(i), parts.at(i));
    fuzz::removeFile(QStringLiteral("temp.tkv8"));
    const int r = writeCombinedFile(combined, members);
    if (members.size() > kMaxGroupPlans) {
        FUZZ_CHECK(r == Err::Limit10Plans);
    } else {
        FUZZ_CHECK(r == 0 || r == Err::IncorrectFormatFile);
    }
    if (r != 0) {
        FUZZ_CHECK(!QFile::exists(combined));
        return 0;
    }
    // Channel lines are copied as the members hold them, so a member's odd line may still make
    // the combined file one the reader refuses; it must never be worse than that.
    CombinedPlanFile read;
    const int back = readCombinedFile(combined, read);
    FUZZ_CHECK(back == 0 || back == Err::IncorrectFormatFile);
    if (back == 0)
        FUZZ_CHECK(read.headers.size() >= members.size());
    checkScript(combined);
    return 0;
}
