#pragma once
// The port of the settings opened for one exchange with the meter, and closed again when the
// session ends, whichever way the code leaves it. The meter has one line setting (57600 baud,
// 8 data bits, no parity, 2 stop bits), which SerialPort::Open takes by default.

#include "link/SerialPort.h"

class PortSession {
public:
    explicit PortSession(SerialPort &port);
    ~PortSession();
    PortSession(const PortSession &) = delete;
    PortSession &operator=(const PortSession &) = delete;

    bool isOpen() const { return opened; }
    SerialPort &port() const { return serial; }
    // Closes the port before the session ends (a job that must close it before it says so).
    void close();

private:
    SerialPort &serial;
    bool opened = false;
};
