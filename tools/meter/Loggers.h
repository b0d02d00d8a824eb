#pragma once
// The meter's datalogger slots: 50 TV slots and 30 cable-modem slots, filled from fixture
// files (layout in README.md). Slots a fixture does not fill are empty.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

struct TvSlot {
    bool filled = false;
    QByteArray time = "--:--", date = "--/--/--", location, plan, units, threshold = "0";
    QByteArray field6, field7;
    std::optional<QByteArray> count;   // CHANNEL NUMBER as sent; default: the number of measures
    std::optional<QByteArray> header;   // the whole header answer after "*HL", when given
    QList<QByteArray> measures;   // each answer after "*HD"
};

struct ModemSlot {
    bool filled = false;
    QByteArray time = "--:--", date = "--/--/--", description, status;
    std::optional<QByteArray> header;
    std::array<QByteArray, 4> sections;   // DOWNSTREAM, UPSTREAM, HEADEND, PINGREPORT (after "&")
};

class LoggerStore {
public:
    static constexpr int TvSlots = 50;
    static constexpr int ModemSlots = 30;
    enum class Family { Modem, Tv };

    // Reads DIR/tv.txt and DIR/modem.txt (each optional, but at least one must exist).
    // Returns an error text, empty on success.
    QString load(const QString &dir);

    void select(Family f) { family = f; }
    Family selected() const { return family; }

    // Queries; false = refused (slot out of range, measure beyond the slot's list).
    bool headerAnswer(const QByteArray &args, QByteArray &out) const;   // *?HLnn
    bool detailAnswer(const QByteArray &args, QByteArray &out) const;   // *?HDnnss / *?HDnnmmm

private:
    QString loadFile(const QString &path, bool tv);
    std::array<TvSlot, TvSlots> tv;
    std::array<ModemSlot, ModemSlots> modem;
    Family family = Family::Tv;
};

// A fixture value: "\xHH" stands for the byte HH, "\\" for a backslash; everything else is
// taken as it is (Latin-1).
bool unescapeValue(const QByteArray &in, QByteArray &out);
