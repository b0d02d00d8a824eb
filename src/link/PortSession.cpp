#include "link/PortSession.h"

#include "app/AppState.h"

PortSession::PortSession(SerialPort &port) : serial(port)
{
    opened = serial.Open(app().PortName) == 0;
}

PortSession::~PortSession()
{
    close();
}

void PortSession::close()
{
    if (opened)
        serial.Close();
    opened = false;
}
