#pragma once
// What the user is told when a port did not open: the reason in the current language, and
// what to do about it (the group to join, the program that holds the port, the ports there
// are). The windows show it beside the error table's message; the command line prints it on
// standard error.

#include "link/PortFailure.h"
#include <QString>

// Lines of explanation, joined by "\n"; empty when there is nothing to explain (None).
QString portFailureText(const PortFailure &failure);

// "COM1 ttyS0, COM2 ttyUSB0": the ports of the table, for a missing port's message.
QString portsPresentText();
