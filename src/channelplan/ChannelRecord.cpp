#include "channelplan/ChannelRecord.h"

ChannelRecord ChannelRecord::newChannel()
{
    ChannelRecord c;
    c.name = QStringLiteral("--");
    c.analogFrequency = QStringLiteral("47.75");
    c.digitalFrequency = QStringLiteral("50.50");
    c.offset = QStringLiteral("0.0");
    c.bandwidth = QStringLiteral("8.0");
    c.status = QStringLiteral("ON");
    c.mode = QStringLiteral("DIGITAL");
    c.symbolRate = QStringLiteral("6875");
    c.annex = QStringLiteral("DVB");
    c.modulation = QStringLiteral("QAM16");
    c.attenuator = QStringLiteral("AUTO");
    // Not one of the analog systems: a placeholder that a digital channel never uses.
    c.system = QStringLiteral("AUTO");
    return c;
}

QString *ChannelRecord::column(int column)
{
    switch (column) {
        case PlanColumn::Name: return &name;
        case PlanColumn::AnalogFrequency: return &analogFrequency;
        case PlanColumn::DigitalFrequency: return &digitalFrequency;
        case PlanColumn::Offset: return &offset;
        case PlanColumn::Bandwidth: return &bandwidth;
        case PlanColumn::Status: return &status;
        case PlanColumn::Mode: return &mode;
        case PlanColumn::SymbolRate: return &symbolRate;
        case PlanColumn::Annex: return &annex;
        case PlanColumn::Modulation: return &modulation;
        case PlanColumn::System: return &system;
        default: return nullptr;
    }
}

const QString *ChannelRecord::column(int c) const
{
    return const_cast<ChannelRecord *>(this)->column(c);
}

QString ChannelRecord::columnText(int c) const
{
    const QString *f = column(c);
    return f ? *f : QString();
}

void ChannelRecord::setColumnText(int c, const QString &text)
{
    if (QString *f = column(c))
        *f = text;
}

QStringList ChannelRecord::columnTexts() const
{
    QStringList out;
    for (int c = PlanColumn::Name; c <= PlanColumn::System; ++c)
        out << columnText(c);
    return out;
}

void ChannelRecord::setColumnTexts(const QStringList &texts)
{
    for (int c = PlanColumn::Name; c <= PlanColumn::System; ++c)
        setColumnText(c, c - 1 < texts.size() ? texts.at(c - 1) : QString());
}

namespace PlanValues {

namespace {
QStringList listOf(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromLatin1(t);
    return out;
}
}   // namespace

const QStringList &analogSystems()
{
    static const QStringList list =
        listOf({"PAL/BG", "PAL/DK", "PAL/L", "PAL/I", "PAL/M", "PAL/N", "SECAM/BG", "SECAM/DK", "SECAM/L", "SECAM/I",
                "SECAM/M", "SECAM/N", "NTSC/BG", "NTSC/DK", "NTSC/L", "NTSC/I", "NTSC/M", "NTSC/N"});
    return list;
}

const QStringList &annexes()
{
    static const QStringList list = listOf({"DVB", "B", "C"});
    return list;
}

const QStringList &modulations()
{
    static const QStringList list = listOf({"QAM16", "QAM32", "QAM64", "QAM128", "QAM256", "QPSK"});
    return list;
}

const QStringList &attenuators()
{
    static const QStringList list = listOf({"AUTO", "0 dB", "10 dB", "20 dB", "30 dB", "40 dB", "50 dB", "60 dB"});
    return list;
}

const QStringList &statuses()
{
    static const QStringList list = listOf({"ON", "OFF"});
    return list;
}

const QStringList &modes()
{
    static const QStringList list = listOf({"DIGITAL", "ANALOG"});
    return list;
}

int systemIndex(const QString &text)
{
    return int(analogSystems().indexOf(text));
}
int annexIndex(const QString &text)
{
    return int(annexes().indexOf(text));
}
int modulationIndex(const QString &text)
{
    return int(modulations().indexOf(text));
}

}   // namespace PlanValues

bool fieldApplies(const ChannelRecord &channel, int column)
{
    if (column == PlanColumn::Number || column == PlanColumn::Status)
        return true;
    if (channel.status != QLatin1String("ON"))
        return false;
    const bool digital = channel.mode == QLatin1String("DIGITAL");
    switch (column) {
        case PlanColumn::AnalogFrequency:
        case PlanColumn::System: return !digital;
        case PlanColumn::DigitalFrequency:
        case PlanColumn::SymbolRate:
        case PlanColumn::Annex:
        case PlanColumn::Modulation: return digital;
        default: return true;
    }
}
