// A channel answer of "*?CF" from the meter, as the plan reception decodes it. First byte:
// bit 0 picks the plan type (ch26 full form, ch25 short form); the rest is the answer. A
// decoded channel must make a received-plan line that the plan reader takes back and that the
// script builder can send to a meter again.

#include "FuzzSupport.h"
#include "channelplan/PlanFile.h"
#include "jobs/GroupJobs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool full = (data[0] & 1) == 0;
    fuzz::resetState(full ? "KV-27" : "KV-25");
    const QString planType = full ? QStringLiteral("ch26") : QStringLiteral("ch25");
    const QByteArray answer = fuzz::bytes(data + 1, size - 1);

    ChannelRecord channel;
    if (!decodeChannelAnswer(answer, planType, channel))
        return 0;
    FUZZ_CHECK(!channel.name.contains(QLatin1Char('&')));
    FUZZ_CHECK(channel.status == QLatin1String("ON") || channel.status == QLatin1String("OFF"));
    FUZZ_CHECK(channel.mode == QLatin1String("DIGITAL") || channel.mode == QLatin1String("ANALOG"));
    FUZZ_CHECK(PlanValues::modulationIndex(channel.modulation) >= 0);
    FUZZ_CHECK(PlanValues::systemIndex(channel.system) >= 0);
    FUZZ_CHECK(PlanValues::annexIndex(channel.annex) >= 0);

    const QString line = receivedChannelLine(1, channel);
    const std::optional<QStringList> fields = splitChannelLine(line);
    FUZZ_CHECK(fields && fields->size() == 13);

    ChannelPlanFile plan;
    plan.planName = QStringLiteral("AB");
    plan.channelCount = 1;
    plan.channels << channel;
    const QString path = fuzz::scratch(QStringLiteral("received.ch26"));
    FUZZ_CHECK(writeReceivedPlanFile(path, plan) == 0);
    ChannelPlanFile back;
    FUZZ_CHECK(readPlanFile(path, back) == 0);
    FUZZ_CHECK(back.channels.size() == 1);
    FUZZ_CHECK(back.channels.first().status == channel.status && back.channels.first().mode == channel.mode);

    const QStringList combined = {QStringLiteral("CHANNEL PLAN(1)"),
                                  QStringLiteral("CHANNEL8(AB,,,,1,0)"),
                                  QStringLiteral("#==================================="),
                                  QStringLiteral("ORDER(0)"),
                                  line,
                                  QStringLiteral("#===================================")};
    QStringList script;
    QString failed;
    FUZZ_CHECK(commandScriptLines(combined, planType, script, &failed) == 1);
    FUZZ_CHECK(script.size() == 8 && script.at(6).startsWith(QLatin1String("*CF00000&")));
    for (const QString &command : script)
        FUZZ_CHECK(!command.contains(QLatin1Char('\r')) && !command.contains(QLatin1Char('\n')));
    return 0;
}
