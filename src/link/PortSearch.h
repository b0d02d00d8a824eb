#pragma once
// Finding the meter: ask a port for the meter's identity ("*?VE") and match the answer
// against the model catalogue, or ask every port of the port table at once. These run on whatever thread
// calls them (the identification runs them on a worker thread); what the user must see or
// answer goes through a PortSearchHost, which the windows and the command line implement.
// Nothing here changes the application state: the caller applies the result.

#include "link/PortFailure.h"
#include "link/SerialPort.h"
#include <QList>
#include <QString>
#include <QStringList>

class PortSearchHost {
public:
    virtual ~PortSearchHost() = default;
    // Port number n is being tried; opened tells whether it could be opened. Called in the
    // order of the port numbers.
    virtual void portTried(int number, bool opened) = 0;
    // Why port number n (a port of the table) did not open.
    virtual void portNotOpened(int number, const PortFailure &why)
    {
        (void)number;
        (void)why;
    }
    // The ports still being asked, by number with their devices; called when the set changes
    // (the last call of a search names the ports left when it ended, possibly none).
    virtual void portsAsked(const QList<int> &numbers, const QStringList &devices)
    {
        (void)numbers;
        (void)devices;
    }
    // The meter on that port runs only its loader ("BOOT"). True when the user wants to pick
    // the model by hand; false to go on searching.
    virtual bool chooseManually(const QString &portName) = 0;
    // Stops a search before its next port (the program is closing).
    virtual bool stopRequested() { return false; }
};

constexpr int kFirstSearchPort = 1;
constexpr int kLastSearchPort = 40;

struct PortSearchResult {
    int code = -1;   // 1 identified, -210 manual selection asked for, -1 nothing found, -98 stopped
    int portNumber = 0;   // the port the search stopped on (the last one tried when nothing was found)
    int modelIndex = -1;   // catalogue index of the identified model
    QString device;   // the device of the port the search stopped on (identified or loader)
};

// Asks the open port for the meter's identity (2 attempts). 1 with modelIndex set, -209 when no
// known model answered, -210 when a loader answered and the user asked for manual selection.
int probePort(SerialPort &port, PortSearchHost &host, const QString &portName, int &modelIndex);

// Asks every port of the port table (numbers 1 to 40) at once, each on its own thread with its
// own port object, and decides in the order of the numbers: the first port that identifies a
// model wins, exactly the port that asking them one after the other would find; a loader on a
// port is put to the host in that order too. Each port receives what a search of that port
// alone would send it; the probes of later ports are stopped when an earlier one decides, and
// their ports are released at once. The table is built once. port supplies the time-out and
// stays closed. A port that names skipDevice (a device already asked by the caller) is passed
// over.
PortSearchResult searchPorts(SerialPort &port, PortSearchHost &host, const QString &skipDevice = QString());

// Identification on one port designation ("n", "COMn" or a device path): 1, -209, -210, or
// -87 when the port cannot be opened (port.lastOpenError() says why). The port is closed again.
int identifyOnPort(SerialPort &port, const QString &designation, PortSearchHost &host, int &modelIndex);
