// kelvatrone-cli ports: the port table, and what the command line says when a port does not
// open.

#include "cli/Cli.h"

#include "app/AppState.h"
#include "link/PortMessages.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

namespace {

QString orDash(const QString &s)
{
    return s.isEmpty() ? QStringLiteral("-") : s;
}

// One line a port, fields separated by tabs, "-" where the system knows nothing:
// number, device, by-id link, description, manufacturer, serial number, vendor:product.
int runPorts(const CliOptions &, const QStringList &args)
{
    if (!args.isEmpty())
        return Cli::usage(QStringLiteral("ports"));
    const QList<PortEntry> table = PortTable::build();
    if (table.isEmpty()) {
        Cli::err(portsPresentText());
        return 0;
    }
    for (int i = 0; i < table.size() && i < 40; ++i) {
        const PortEntry &e = table[i];
        Cli::out(QStringList{QStringLiteral("COM%1").arg(i + 1), e.device, orDash(e.byId), orDash(e.description),
                             orDash(e.manufacturer), orDash(e.serialNumber), orDash(e.vendorProduct())}
                     .join(QLatin1Char('\t')));
    }
    return 0;
}

CliRegistration portsReg{CliCommand{
    QStringLiteral("ports"), QStringLiteral("ports"),
    QStringLiteral(
        "list the port table: number, device, by-id link, description, manufacturer, serial, vendor:product"),
    runPorts}};

}   // namespace

namespace Cli {

int portFailure()
{
    err(QStringLiteral("port %1 cannot be opened").arg(app().PortName));
    const QString why = portFailureText(thePort().lastFailure());
    if (!why.isEmpty())
        err(why);
    return 1;
}

}   // namespace Cli
