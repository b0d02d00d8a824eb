#pragma once
// Finding the meter: ask a port for the meter's identity ("*?VE") and match the answer
// against the model catalogue, or try every port number in turn. These run on whatever thread
// calls them (the identification runs them on a worker thread); what the user must see or
// answer goes through a PortSearchHost, which the windows and the command line implement.
// Nothing here changes the application state: the caller applies the result.

#include "link/SerialPort.h"
#include <QString>

class PortSearchHost {
public:
    virtual ~PortSearchHost() = default;
    // Port number n is being tried; opened tells whether it could be opened.
    virtual void portTried(int number, bool opened) = 0;
    // The meter on that port runs only its loader ("BOOT"). True when the user wants to pick
    // the model by hand; false to go on searching.
    virtual bool chooseManually(const QString &portName) = 0;
    // Stops a search before its next port (the program is closing).
    virtual bool stopRequested() { return false; }
};

constexpr int kFirstSearchPort = 1;
constexpr int kLastSearchPort = 40;

struct PortSearchResult {
    int code = -1;        // 1 identified, -210 manual selection asked for, -1 nothing found, -98 stopped
    int portNumber = 0;   // the port the search stopped on (the last one tried when nothing was found)
    int modelIndex = -1;  // catalogue index of the identified model
};

// Asks the open port for the meter's identity (2 attempts). 1 with modelIndex set, -209 when no
// known model answered, -210 when a loader answered and the user asked for manual selection.
int probePort(SerialPort &port, PortSearchHost &host, const QString &portName, int &modelIndex);

// Tries the port numbers 1 to 40 in order until one identifies a model or the user asks for
// manual selection. Every port is closed again after it was tried. A port number that names
// skipDevice (a device already asked by the caller) is passed over.
PortSearchResult searchPorts(SerialPort &port, PortSearchHost &host, const QString &skipDevice = QString());

// Identification on one port designation ("n", "COMn" or a device path): 1, -209, -210, or
// -87 when the port cannot be opened (port.lastOpenError() says why). The port is closed again.
int identifyOnPort(SerialPort &port, const QString &designation, PortSearchHost &host, int &modelIndex);
