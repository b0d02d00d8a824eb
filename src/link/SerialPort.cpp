#include "link/SerialPort.h"
#include <QSerialPort>
// PLACEHOLDER: being written.
SerialPort::SerialPort() = default;
SerialPort::~SerialPort() = default;
int SerialPort::Open(const QString &, int, int, int, int) { return -1; }
int SerialPort::Close() { return 0; }
bool SerialPort::isOpen() const { return false; }
void SerialPort::StartWait(int) {}
bool SerialPort::WaitExpired() { return true; }
int SerialPort::ReadUntil(char, int, QByteArray &, int) { return -4; }
int SerialPort::ReadLine(QByteArray &, int, int) { return -4; }
int SerialPort::WriteBlock(const QByteArray &, int) { return -4; }
void SerialPort::EnableChannelLog(bool on) { channelLog = on; }
void SerialPort::EnableUpgradeLog(bool on) { upgradeLog = on; }
QStringList SerialPort::portTable(const QString &) { return {}; }
QString SerialPort::deviceFor(const QString &) { return {}; }
void SerialPort::setExtraDevice(const QString &) {}
uint32_t SerialPort::tick() { return 0; }
void SerialPort::startLog(const QString &) {}
SerialPort &thePort() { static SerialPort p; return p; }
