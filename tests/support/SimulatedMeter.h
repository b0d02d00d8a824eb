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
