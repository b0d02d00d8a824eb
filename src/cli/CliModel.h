#pragma once
// Identification for the command line (see CliModel.cpp).

#include "cli/Cli.h"
#include <QString>

namespace Cli {
// "COM3" for "3" or "COM3"; a device path becomes "COMn" when it is entry n of the port table.
QString portLabel(const QString &designation);
// Identifies the meter on --port, or on the settings' PORT and then every port number.
// 0 with the model chosen and app().PortName on the meter's port; -87, -209 or -210.
int identifyMeter(const CliOptions &options);
}   // namespace Cli
