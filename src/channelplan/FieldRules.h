#pragma once
// The checks a typed channel field must pass, its canonical text afterwards, and the rule that
// ties a channel's analog and digital frequencies together.

#include <QString>
#include <optional>

enum class CheckKind { ChannelName, Frequency, Bandwidth, SymbolRate, Offset };

enum class FrequencyDirection {
    AnalogToDigital,   // digital = analog + bandwidth x 0.5 - 1.25
    DigitalToAnalog,   // analog = digital - bandwidth x 0.5 + 1.25
};

// The check kind of an editor column (PlanColumn), or nothing for a column that is not typed.
std::optional<CheckKind> checkKindOfColumn(int column);

// 0 when the text passes the check of its kind, otherwise the kind's failure code:
// ChannelName Err::IncorrectChannelName (-33), Frequency Err::IncorrectFrequency (-34), Bandwidth
// Err::IncorrectBandwidth (-43), SymbolRate Err::IncorrectSymbolRate (-71), Offset Err::IncorrectOffset (-213).
// Bounds are inclusive; a text that is not a decimal number fails its numeric check.
// Nothing is shown here: the window that asked shows the code through ShowErrorCode.
int validateField(const QString &text, CheckKind kind);

// The canonical text of a field that passed validateField: frequencies with two decimals,
// bandwidth and offset with one, the symbol rate as an integer, a channel name unchanged.
// A text that is not a number is returned unchanged.
QString formatField(const QString &text, CheckKind kind);

// The other frequency of a channel, computed in single precision and written with two
// decimals; empty when either text is not a number.
QString companionFrequency(const QString &frequency, const QString &bandwidth, FrequencyDirection direction);
// The same from values already held in single precision (a plan received from the meter).
QString companionFrequency(float frequency, float bandwidth, FrequencyDirection direction);

// Parses a decimal number written with "." as the decimal point (an optional sign, digits, an
// optional fraction; blanks around it are allowed). Nothing for any other text.
std::optional<double> parsePlanNumber(const QString &text);

// printf-style fixed formatting with "." as the decimal point whatever the locale, and never
// "-0.00": a value that rounds to zero is written without a sign.
QString fixedText(double value, int decimals);
// The same exactly as "%.*f" writes it, a tiny negative value as "-0.00": the text of the
// numbers in plans received from the meter.
QString printfText(double value, int decimals);
