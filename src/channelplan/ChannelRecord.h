#pragma once
// One channel of a channel plan, and the fixed lists its enumerated fields take values from.
//
// Every field is kept as the text that the file and the editor's cell hold; numbers are parsed
// only when a field is checked or used. That way a plan read from a file and saved again keeps
// the texts the user or the meter gave it.

#include <QString>
#include <QStringList>

// The editor's grid columns, which are also the field positions in a channel line (the channel
// number before the first comma is position 0). The attenuator sits between Modulation and
// System in the file but has no column.
namespace PlanColumn {
constexpr int Number = 0;
constexpr int Name = 1;
constexpr int AnalogFrequency = 2;
constexpr int DigitalFrequency = 3;
constexpr int Offset = 4;
constexpr int Bandwidth = 5;
constexpr int Status = 6;
constexpr int Mode = 7;
constexpr int SymbolRate = 8;
constexpr int Annex = 9;
constexpr int Modulation = 10;
constexpr int System = 11;
constexpr int Count = 12;   // columns of the grid, row numbers included
}   // namespace PlanColumn

struct ChannelRecord {
    QString name;
    QString analogFrequency;
    QString digitalFrequency;
    QString offset;
    QString bandwidth;
    QString status;
    QString mode;
    QString symbolRate;
    QString annex;
    QString modulation;
    QString attenuator = QStringLiteral("AUTO");
    QString system;

    // The defaults of a channel of a new plan.
    static ChannelRecord newChannel();

    // The field shown in editor column 1..11 (PlanColumn); nullptr for any other column.
    QString *column(int column);
    const QString *column(int column) const;
    QString columnText(int column) const;   // empty for columns without a field
    void setColumnText(int column, const QString &text);

    // The eleven column texts, columns 1..11 in order (no attenuator), and back.
    QStringList columnTexts() const;
    void setColumnTexts(const QStringList &texts);

    bool operator==(const ChannelRecord &o) const = default;
};

// Enumerations. Where the meter's commands carry a value, it is the position in the list.
namespace PlanValues {
const QStringList &analogSystems();   // 18 names, "PAL/BG" = 0 ... "NTSC/N" = 17
const QStringList &annexes();   // "DVB", "B", "C"
const QStringList &modulations();   // "QAM16" ... "QAM256", "QPSK" (only from the meter)
const QStringList &attenuators();   // "AUTO", "0 dB" ... "60 dB"
const QStringList &statuses();   // "ON", "OFF"
const QStringList &modes();   // "DIGITAL", "ANALOG"

// Position of a text in its list (exact, case-sensitive), or -1.
int systemIndex(const QString &text);
int annexIndex(const QString &text);
int modulationIndex(const QString &text);
}   // namespace PlanValues

// Whether a field is used by its channel: an "OFF" channel uses only its status; a digital
// channel does not use the analog frequency and the system; an analog one does not use the
// digital frequency, symbol rate, annex and modulation. Column 0 (the row number) always
// applies. Anything that is not "ON" counts as switched off, anything that is not "DIGITAL"
// as analog.
bool fieldApplies(const ChannelRecord &channel, int column);
