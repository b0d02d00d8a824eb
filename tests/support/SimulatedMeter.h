#pragma once
// Starts kelvatrone-meter on a pseudo-terminal for a device test and stops it again.
// The meter keeps what it receives in its state folder so that a test can compare both ends.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QProcess;

class SimulatedMeter {
public:
    // Whether the meter program was built (kelvatrone-meter is POSIX-only).
    static bool built();

    // args: the meter's own options (see tools/meter/README.md), without the state folder and
    // path file, which this class adds.
    explicit SimulatedMeter(const QStringList &args = {});
    ~SimulatedMeter();

    // Launches the meter and waits until its device path is known. False on failure.
    bool start();
    void stop();

    QString devicePath() const { return device; }
    QString stateDir() const;
    // Every command line the meter received, in order, without the CR.
    QStringList transcript() const;

private:
    QStringList extraArgs;
    QString device;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QProcess> proc;
};

// After a meter (or the pseudo-terminals of a test) did not start: the test is skipped when the
// meter program was not built, and fails otherwise (a refused fault option, a crash at start),
// so that a broken fixture never passes as a skip.
#define KV_METER_NOT_STARTED()                                                                                         \
    do {                                                                                                               \
        if (!SimulatedMeter::built())                                                                                  \
            QSKIP("the simulated meter is not built");                                                                 \
        QFAIL("the simulated meter did not start: its options were refused or it ended at start");                     \
    } while (false)
