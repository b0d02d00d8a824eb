#include "link/PortMessages.h"

#include "app/StringTable.h"
#include "link/PortTable.h"

#include <QFileInfo>

using StringTable::text;

QString portsPresentText()
{
    // The settings' device joins the table even when it is gone (an unplugged adapter, a
    // pseudo-terminal closed): a port that is not there is not listed among those present.
    const QList<PortEntry> table = PortTable::build();
    QStringList ports;
    for (int i = 0; i < table.size() && i < 40; ++i)
        if (!PortTable::isDevicePath(table[i].device) || QFileInfo::exists(table[i].device))
            ports << QStringLiteral("COM%1 %2").arg(i + 1).arg(table[i].shortName());
    if (ports.isEmpty())
        return text(277 /* "No serial port is present." */);
    return text(276 /* "Ports present: %1" */).arg(ports.join(QStringLiteral(", ")));
}

QString portFailureText(const PortFailure &f)
{
    const QString port = f.device.isEmpty() ? f.designation : f.device;
    switch (f.kind) {
        case PortFailure::Kind::None: return QString();
        case PortFailure::Kind::Missing:
            return text(275 /* "No such port: %1" */).arg(port) + QLatin1Char('\n') + portsPresentText();
        case PortFailure::Kind::PermissionDenied: {
            const QString group = f.group.isEmpty() ? QStringLiteral("dialout") : f.group;
            const QString user = f.user.isEmpty() ? QStringLiteral("$USER") : f.user;
            if (!f.groupMayOpen)
                return text(306 /* "Permission denied on %1: only its owner (%2) may open it." */)
                    .arg(port, f.owner.isEmpty() ? QStringLiteral("root") : f.owner);
            if (f.memberNotYetActive)
                return text(278 /* "Permission denied on %1: the port belongs to the group %2." */).arg(port, group)
                       + QLatin1Char('\n')
                       + text(305 /* "You are a member of %1 already: log out and log in again ..." */).arg(group);
            return text(278 /* "Permission denied on %1: the port belongs to the group %2." */).arg(port, group)
                   + QLatin1Char('\n') + text(279 /* "Add your user to that group with:" */) + QLatin1Char('\n')
                   + QStringLiteral("  sudo usermod -aG %1 %2").arg(group, user) + QLatin1Char('\n')
                   + text(280 /* "then log out and log in again for the change to take effect." */);
        }
        case PortFailure::Kind::Busy: {
            QString s = text(281 /* "%1 is in use by another program." */).arg(port);
            if (f.pid > 0)
                s += QLatin1Char(' ')
                     + text(282 /* "Process %1 (%2) holds it." */)
                           .arg(QString::number(f.pid), f.holder.isEmpty() ? QStringLiteral("?") : f.holder);
            return s;
        }
        case PortFailure::Kind::BusyHere:
            return text(283 /* "%1 is in use by another exchange of this program." */).arg(port);
        case PortFailure::Kind::NotTerminal:
            return text(284 /* "%1 is not a serial port; nothing was written to it." */).arg(port);
        case PortFailure::Kind::Other: break;
    }
    return text(285 /* "%1 could not be opened: %2" */).arg(port, f.systemText);
}
