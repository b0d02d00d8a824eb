#pragma once
// Why a port did not open, found out after the fact so that the user can be told what to do:
// a missing device, a device the user may not open (and the group that may), a device that
// another program holds (and which one), or a path that is not a serial port at all.

#include <QString>

struct PortFailure {
    enum class Kind {
        None,   // the port opened
        Missing,   // no such port (also a by-id link that points nowhere)
        PermissionDenied,   // the user may not open the device
        Busy,   // another program holds it
        BusyHere,   // another exchange of this program holds it
        NotTerminal,   // the path is no serial port: nothing was written to it
        Other   // anything else: systemText says what
    };
    Kind kind = Kind::None;
    QString designation;   // as the user gave it: "3", "COM3", "/dev/ttyUSB0"
    QString device;   // the device it named, empty when it named none
    QString group;   // PermissionDenied: the group that owns the device, when known
    QString user;   // PermissionDenied: the user this program runs as
    QString owner;   // PermissionDenied: the user that owns the device
    bool groupMayOpen = true;   // PermissionDenied: the group may read and write it and is not root's
    bool memberNotYetActive = false;   // PermissionDenied: the user is in that group, but not in
        // this session (joined without logging in again)
    qint64 pid = 0;   // Busy: the process that holds the device, when known
    QString holder;   // Busy: that process's name, when known
    QString systemText;   // the system's own words

    bool failed() const { return kind != Kind::None; }
};

namespace PortDiagnosis {
// Before a device path is opened: Missing when it does not exist (a dangling by-id link
// included), NotTerminal when it exists but is no terminal device; None otherwise. Opens
// nothing and writes nothing.
PortFailure beforeOpen(const QString &designation, const QString &device);
// Before a search asks a device: Busy when another process holds it (its lock file, or an open
// file of it the system knows of), None otherwise. A program that holds a port without a lock
// would otherwise receive the meter's answer meant for this one.
PortFailure heldElsewhere(const QString &designation, const QString &device);
// After the system refused to open the device: asks the system why.
PortFailure afterFailedOpen(const QString &designation, const QString &device, const QString &systemText);
}   // namespace PortDiagnosis
