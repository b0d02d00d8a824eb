#pragma once
// The program's port table: what the port numbers 1..40 designate.
//
// Order of the table (the same from one run to the next while nothing is plugged or unplugged):
//   1. the system's serial ports, sorted by device path with trailing numbers compared as
//      numbers: /dev/ttyACM0, /dev/ttyS0, /dev/ttyS1, ..., /dev/ttyS10, /dev/ttyUSB0, ...;
//   2. then the extra devices (the settings' PORT when it names a device the system does not
//      list, such as a pseudo-terminal), in the order given.
// A list given for one run (kelvatrone-cli --ports) replaces both: the table is then exactly
// that list, in that order. On Windows number n is always the system port COMn.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct PortEntry {
    QString device;   // "/dev/ttyUSB0" ("COM3" on Windows)
    QString byId;   // the stable "/dev/serial/by-id/..." link to it, or empty
    QString description;   // "FT232R USB UART"
    QString manufacturer;
    QString serialNumber;
    int vendorId = -1;   // USB ids, -1 when the system does not know them
    int productId = -1;

    // The device's own name without its folder: "ttyUSB0", "pts/3".
    QString shortName() const;
    // "0403:6001", or empty without USB ids.
    QString vendorProduct() const;
};

namespace PortTable {

// The table in force, built once from the system's list (or the list given for the run).
QList<PortEntry> build();
// The devices of a table, in order.
QStringList devices(const QList<PortEntry> &table);

// The device a designation names: "n"/"COMn" the n-th entry of the table, a path itself.
// Empty when it names nothing (a number beyond the table, a text that is no designation).
QString deviceFor(const QString &designation, const QList<PortEntry> &table);
// Whether a designation is a device path rather than a port number.
bool isDevicePath(const QString &designation);
// The number of a "n" or "COMn" designation; 0 when it holds none.
int numberOf(const QString &designation);

// One line of the settings window's list: "COM3  ttyUSB0  FT232R USB UART".
QString choiceLine(int number, const PortEntry &entry);
// "COM3 (ttyUSB0)".
QString numberWithDevice(int number, const QString &device);

// The device a path finally names, links followed ("/dev/serial/by-id/usb-..." gives
// "/dev/ttyUSB0"); the path itself when it names nothing.
QString realDevice(const QString &path);

// What the settings keep for the port in force so that it names the same device at the next
// start: a device path or by-id link as it is; a number only for a system port listed under
// that number; for the number of an added device (a pseudo-terminal), its path; for the number
// of the stored by-id link's device, that link; for a number that names nothing (a search that
// found no meter), the stored value.
QString stableDesignation(const QString &inForce, const QString &stored);

// Extra devices appended after the system's ports.
void setExtraDevices(const QStringList &paths);
QStringList extraDevices();

// A list that replaces the whole table for this run (empty: the system's table again).
void setRunDevices(const QStringList &paths);
QStringList runDevices();

// Where the system's ports come from. Tests install a lister that describes a machine of
// their own (USB adapters with by-id links, a count of listings); null restores the system.
using Lister = std::function<QList<PortEntry>()>;
void setSystemLister(Lister lister);

// The system's serial ports, with details and by-id links, in table order.
QList<PortEntry> systemPorts();

}   // namespace PortTable
