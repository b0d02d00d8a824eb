#include "channelplan/FieldRules.h"
#include "link/ErrorCodes.h"
#include "channelplan/ChannelRecord.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kNameCode = Err::IncorrectChannelName;
constexpr int kFrequencyCode = Err::IncorrectFrequency;
constexpr int kBandwidthCode = Err::IncorrectBandwidth;
constexpr int kSymbolRateCode = Err::IncorrectSymbolRate;
constexpr int kOffsetCode = Err::IncorrectOffset;

bool isNameCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' || u == '-'
           || u == ' ';
}

int checkRange(const QString &text, double low, double high, int code)
{
    const std::optional<double> v = parsePlanNumber(text);
    if (!v || *v < low || *v > high)
        return code;
    return 0;
}

}   // namespace

std::optional<CheckKind> checkKindOfColumn(int column)
{
    switch (column) {
        case PlanColumn::Name: return CheckKind::ChannelName;
        case PlanColumn::AnalogFrequency:
        case PlanColumn::DigitalFrequency: return CheckKind::Frequency;
        case PlanColumn::Offset: return CheckKind::Offset;
        case PlanColumn::Bandwidth: return CheckKind::Bandwidth;
        case PlanColumn::SymbolRate: return CheckKind::SymbolRate;
        default: return std::nullopt;
    }
}

std::optional<double> parsePlanNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)\\s*$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);   // QString::toDouble always reads "." as the point
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString printfText(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    QString text = QString::fromLatin1(buffer);
    // C's printf does not look at the locale's decimal point only when the "C" locale is in
    // force; make sure of it either way, since "," separates a plan file's fields.
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

QString fixedText(double value, int decimals)
{
    QString text = printfText(value, decimals);
    if (text.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (QChar c : QStringView(text).mid(1))
            zero = zero && (c == QLatin1Char('0') || c == QLatin1Char('.'));
        if (zero)
            text.remove(0, 1);   // "-0.00"
    }
    return text;
}

int validateField(const QString &text, CheckKind kind)
{
    switch (kind) {
        case CheckKind::ChannelName:
            if (text.isEmpty() || text.size() > 4)
                return kNameCode;
            for (QChar c : text)
                if (!isNameCharacter(c))
                    return kNameCode;
            return 0;
        case CheckKind::Frequency: return checkRange(text, 5.0, 863.0, kFrequencyCode);
        case CheckKind::Bandwidth: return checkRange(text, 0.3, 9.9, kBandwidthCode);
        case CheckKind::SymbolRate: return checkRange(text, 1000.0, 7200.0, kSymbolRateCode);
        case CheckKind::Offset: return checkRange(text, -2.5, 2.5, kOffsetCode);
    }
    return 0;
}

QString formatField(const QString &text, CheckKind kind)
{
    if (kind == CheckKind::ChannelName)
        return text;
    const std::optional<double> v = parsePlanNumber(text);
    if (!v)
        return text;
    switch (kind) {
        case CheckKind::Frequency: return fixedText(*v, 2);
        case CheckKind::Bandwidth:
        case CheckKind::Offset: return fixedText(*v, 1);
        case CheckKind::SymbolRate: return fixedText(*v, 0);
        case CheckKind::ChannelName: break;
    }
    return text;
}

QString companionFrequency(const QString &frequency, const QString &bandwidth, FrequencyDirection direction)
{
    const std::optional<double> f = parsePlanNumber(frequency);
    const std::optional<double> bw = parsePlanNumber(bandwidth);
    if (!f || !bw)
        return QString();
    return companionFrequency(float(*f), float(*bw), direction);
}

QString companionFrequency(float frequency, float bandwidth, FrequencyDirection direction)
{
    // The meter and the plans it sends back work in single precision: both values are taken
    // as 32-bit floats and so is the result, so that a plan edited here and one received from
    // the meter agree to the last digit.
    const float result = direction == FrequencyDirection::AnalogToDigital
                             ? float(double(frequency) + double(bandwidth) * 0.5 - 1.25)
                             : float(double(frequency) - double(bandwidth) * 0.5 + 1.25);
    return fixedText(double(result), 2);
}
