#include "link/PortSearch.h"

#include "app/Identification.h"
#include "link/CommandLink.h"
#include "link/ErrorCodes.h"

int probePort(SerialPort &port, PortSearchHost &host, const QString &portName, int &modelIndex)
{
    QByteArray answer;
    if (CommandLink::TransactWithRetry(port, Cmd::askVersion(), answer, 2) < 0)
        return Err::NotRecognized;   // no meter on this port
    const int index = findModelInAnswer(answer);
    if (index >= 0) {
        modelIndex = index;
        return 1;
    }
    if (!answerIsLoader(answer))
        return Err::NotRecognized;   // something answered, but not a known model
    return host.chooseManually(portName) ? Err::ManualSelection : Err::NotRecognized;
}

PortSearchResult searchPorts(SerialPort &port, PortSearchHost &host, const QString &skipDevice)
{
    PortSearchResult result;
    for (int n = kFirstSearchPort; n <= kLastSearchPort; ++n) {
        if (host.stopRequested()) {
            result.code = Err::UserBreak;
            break;
        }
        result.portNumber = n;
        const QString name = QString::number(n);
        if (!skipDevice.isEmpty() && SerialPort::deviceFor(name) == skipDevice)
            continue;
        if (port.Open(name, 57600, 0, 8, 2) != 0) {
            host.portTried(n, false);
            continue;
        }
        host.portTried(n, true);
        const int p = probePort(port, host, name, result.modelIndex);
        port.Close();
        if (p == 1 || p == Err::ManualSelection) {
            result.code = p;
            return result;
        }
    }
    port.Close();
    if (result.code != Err::UserBreak)
        result.code = -1;
    return result;
}

int identifyOnPort(SerialPort &port, const QString &designation, PortSearchHost &host, int &modelIndex)
{
    if (port.Open(designation, 57600, 0, 8, 2) != 0)
        return Err::NotFreePort;
    const int p = probePort(port, host, designation, modelIndex);
    port.Close();
    return p;
}
