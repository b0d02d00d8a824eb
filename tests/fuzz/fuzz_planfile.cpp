// Channel plan files: any file is read without harm; a plan that is taken has the count its
// header declares (1 to 140); what the editor writes of it reads back as the same plan; and the
// field checks and conversions take every field the file may hold.

#include "FuzzSupport.h"
#include "channelplan/FieldRules.h"
#include "channelplan/PlanFile.h"
#include "link/ErrorCodes.h"

namespace {

// What a text becomes in a written channel line: no comma and no control character of its own.
QString asWritten(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c == QLatin1Char(',') || c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return out;
}

ChannelRecord writtenChannel(const ChannelRecord &c)
{
    ChannelRecord w;
    for (int k = PlanColumn::Name; k <= PlanColumn::System; ++k)
        w.setColumnText(k, asWritten(c.columnText(k)));
    w.attenuator = QStringLiteral("AUTO");
    return w;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    const QString in = fuzz::writeFile(QStringLiteral("in.ch26"), data, size);
    const QString out = fuzz::scratch(QStringLiteral("out.ch26"));

    QStringList lines;
    FUZZ_CHECK(readLeadingLines(in, kPlanScanLines, lines));
    FUZZ_CHECK(lines.size() <= kPlanScanLines);
    for (const QString &line : lines) {
        FUZZ_CHECK(line.size() <= 4096);
        (void)parsePlanHeader(line);
        (void)splitChannelLine(line);
    }

    ChannelPlanFile plan;
    const int r = readPlanFile(in, plan);
    FUZZ_CHECK(r == 0 || r == Err::IncorrectFormatFile);
    if (r != 0) {
        FUZZ_CHECK(plan.channels.isEmpty() && plan.channelCount == 0);
        return 0;
    }
    FUZZ_CHECK(isPlanFile(in));
    FUZZ_CHECK(plan.channelCount >= 1 && plan.channelCount <= kMaxChannels);
    FUZZ_CHECK(plan.channels.size() == plan.channelCount);

    for (const ChannelRecord &c : plan.channels) {
        for (int k = PlanColumn::Name; k <= PlanColumn::System; ++k) {
            const QString text = c.columnText(k);
            (void)fieldApplies(c, k);
            if (const std::optional<CheckKind> kind = checkKindOfColumn(k)) {
                if (validateField(text, *kind) == 0)
                    (void)formatField(text, *kind);
            }
        }
        (void)companionFrequency(c.analogFrequency, c.bandwidth, FrequencyDirection::AnalogToDigital);
        (void)companionFrequency(c.digitalFrequency, c.bandwidth, FrequencyDirection::DigitalToAnalog);
        (void)receivedChannelLine(1, c);
    }

    // The editor's save of what was read reads back as the same plan.
    FUZZ_CHECK(writePlanFile(out, plan) == 0);
    ChannelPlanFile again;
    FUZZ_CHECK(readPlanFile(out, again) == 0);
    FUZZ_CHECK(again.channelCount == plan.channelCount);
    FUZZ_CHECK(again.channels.size() == plan.channels.size());
    for (int i = 0; i < plan.channels.size(); ++i)
        FUZZ_CHECK(again.channels.at(i) == writtenChannel(plan.channels.at(i)));

    // So does the received-plan layout, counts and all.
    FUZZ_CHECK(writeReceivedPlanFile(out, plan) == 0);
    if (!plan.planName.isEmpty()) {
        FUZZ_CHECK(readPlanFile(out, again) == 0);
        FUZZ_CHECK(again.channelCount == plan.channelCount);
    }
    return 0;
}
