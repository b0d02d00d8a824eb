#pragma once
// The channel plans the meter holds: loaded from plan files at start, replaced by the group
// scripts the host sends, and answered back channel by channel.

#include <QByteArray>
#include <QList>
#include <QString>

struct MeterChannel {
    bool present = false;   // received (or loaded); a channel never sent is refused when asked
    QByteArray name;
    long long frequency = 0;   // Hz
    long long bandwidth = 0;   // Hz
    long long offset = 0;   // Hz
    int code = 0;   // annex of a digital channel, system of an analog one
    int modulation = 0;
    int symbolRate = 0;
    int flags = 0;   // 1 = digital, 128 = on
};

struct MeterPlan {
    QByteArray name;
    QList<MeterChannel> channels;   // size = the plan's channel count
};

enum class PlanType { Ch26, Ch25 };

class PlanStore {
public:
    explicit PlanStore(PlanType t = PlanType::Ch26) : type(t) {}
    void setType(PlanType t) { type = t; }
    PlanType planType() const { return type; }
    QString extension() const { return type == PlanType::Ch26 ? QStringLiteral("ch26") : QStringLiteral("ch25"); }

    // Appends the plan of a plan file (the single-plan layout the program writes; received
    // plans too). Returns an error text, empty on success.
    QString loadFile(const QString &path);

    // Orders of a group script. Each returns false when the meter refuses the order (NAK).
    bool erase();   // *EP
    bool setCount(const QByteArray &args);   // *PNnn
    bool setName(const QByteArray &args);   // *CSppNAME
    bool setChannelCount(const QByteArray &args);   // *CWppccc
    bool setChannel(const QByteArray &args);   // *CFppccc&...

    // Queries; false = refused.
    QByteArray countAnswer() const;   // *?PN
    bool nameAnswer(const QByteArray &args, QByteArray &out) const;   // *?CSpp
    bool channelCountAnswer(const QByteArray &args, QByteArray &out) const;   // *?CWpp
    bool channelAnswer(const QByteArray &args, QByteArray &out) const;   // *?CFppcc

    const QList<MeterPlan> &held() const { return plans; }
    // What the meter holds, as the order lines that would load it: "*PN", then "*CS", "*CW"
    // for each plan, then its "*CF" lines in the meter's own form.
    QList<QByteArray> heldLines() const;

private:
    PlanType type;
    QList<MeterPlan> plans;
};
