#pragma once
// What the meter does with each command, apart from the line itself: its identity, loader
// mode, channel plans, logger slots and firmware, and the record of what it received.

#include "Loggers.h"
#include "Plans.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <memory>

// The files in the state folder (README.md lists them). Each write goes to disk at once, so
// that a test can read them while the meter runs.
class StateFiles {
public:
    void setDir(const QString &d) { dir = d; }
    bool enabled() const { return !dir.isEmpty(); }
    void append(const char *name, const QByteArray &line) const;
    void appendRaw(const char *name, const QByteArray &bytes) const;
    void truncate(const char *name) const;
    void replace(const char *name, const QList<QByteArray> &lines) const;

private:
    QFile *file(const char *name, bool truncate) const;
    QString dir;
    mutable QHash<QByteArray, std::shared_ptr<QFile>> open;
};

struct MeterProfile {
    QByteArray identity = "*VEKV-27 v1.30";
    QByteArray afterUpgradeIdentity;   // empty: the same identity
    QByteArray cgAnswer = "*CG01";
    bool startInLoader = false;
    int eraseDelayMs = 0;
};

class Meter {
public:
    Meter(const MeterProfile &p, StateFiles &files);

    PlanStore &plans() { return planStore; }
    LoggerStore &loggers() { return loggerStore; }
    // Records the plans held at start.
    void started();

    struct Response {
        bool refused = false;   // NAK
        bool query = false;   // an answer line follows the ACK
        QByteArray answer;
        int waitMs = 0;   // time the command takes before its ACK (a sector erase)
    };
    // A NAK.
    static Response refusal()
    {
        Response r;
        r.refused = true;
        return r;
    }
    Response handle(const QByteArray &command);

    bool inLoader() const { return loader; }

private:
    Response query(const QByteArray &c);
    Response order(const QByteArray &c);
    void event(const QByteArray &text) const;

    MeterProfile profile;
    StateFiles &files;
    PlanStore planStore;
    LoggerStore loggerStore;
    QByteArray identity;
    bool loader = false;
};
