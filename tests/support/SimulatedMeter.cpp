#include "SimulatedMeter.h"
#include <QProcess>
// PLACEHOLDER: being written.
SimulatedMeter::SimulatedMeter(const QStringList &args) : extraArgs(args) {}
SimulatedMeter::~SimulatedMeter() = default;
bool SimulatedMeter::start() { return false; }
void SimulatedMeter::stop() {}
QString SimulatedMeter::stateDir() const { return {}; }
QStringList SimulatedMeter::transcript() const { return {}; }
