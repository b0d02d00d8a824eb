// Choosing the model for a command-line run: --model NAME as a manual choice would choose it,
// otherwise identification of the meter. The port given with --port is the only one asked;
// with --ports (and no --port) every port of that list is asked at once; otherwise the
// settings' PORT is asked first and, when no meter answers there, every port of the table is
// asked as the windows' Auto Identify does.

#include "cli/Cli.h"
#include "cli/CliModel.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"
#include "link/PortMessages.h"
#include "link/PortTable.h"
#include "link/PortSearch.h"
#include "link/SerialPort.h"

namespace {

constexpr int kDeviceUnknown = -104;   // "Device Unknown"

// The command line cannot ask whether to go on past a meter that runs only its loader: it
// stops there, and the -210 message tells the user to name the model with --model.
class TerminalSearchHost : public PortSearchHost {
public:
    void portTried(int, bool) override {}
    void portNotOpened(int number, const PortFailure &why) override
    {
        Cli::err(QStringLiteral("COM%1: ").arg(number) + portFailureText(why));
    }
    // The ports being asked, once, when the search starts asking them.
    void portsAsked(const QList<int> &numbers, const QStringList &devices) override
    {
        if (told || numbers.isEmpty())
            return;
        told = true;
        QStringList parts;
        for (int i = 0; i < numbers.size(); ++i)
            parts << PortTable::numberWithDevice(numbers[i], devices.value(i));
        Cli::err(StringTable::text(286 /* "Asking: %1" */).arg(parts.join(QStringLiteral(", "))));
    }
    bool chooseManually(const QString &) override { return true; }

private:
    bool told = false;
};

QString catalogueNames()
{
    QStringList names;
    for (int i = 0; i < app().catalogueCount; ++i)
        names << app().catalogue[size_t(i)].modelName;
    return names.join(QStringLiteral(", "));
}

// A meter that answers only from its loader: which port, and how to go on (the command line
// cannot ask whether to choose the model by hand).
void loaderAdvice(const QString &portName)
{
    Cli::err(StringTable::text(310 /* "%1: the meter runs only its loader; name its model with --model (%2)" */)
                 .arg(Cli::portLabel(portName), catalogueNames()));
}

int searchTable(SerialPort &port, PortSearchHost &host, const QString &skipDevice)
{
    const PortSearchResult found = searchPorts(port, host, skipDevice);
    if (found.code == 1 || found.code == Err::ManualSelection)
        app().PortName = QString::number(found.portNumber);
    if (found.code == Err::ManualSelection)
        loaderAdvice(app().PortName);
    if (found.code == 1) {
        chooseModel(found.modelIndex, false);
        return 0;
    }
    return found.code == Err::ManualSelection ? Err::ManualSelection : Err::NotRecognized;
}

}   // namespace

namespace Cli {

QString portLabel(const QString &designation)
{
    if (designation.contains(QLatin1Char('/'))) {
        // A device of the port table is shown by its number, as the windows show it.
        const int n = int(SerialPort::portTable().indexOf(designation));
        return n >= 0 ? QStringLiteral("COM%1").arg(n + 1) : designation;
    }
    if (designation.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return designation;
    return QStringLiteral("COM") + designation;
}

int identifyMeter(const CliOptions &options)
{
    SerialPort &port = thePort();
    TerminalSearchHost host;
    int index = -1;
    const QString first = app().PortName;
    if (options.port.isEmpty() && !PortTable::runDevices().isEmpty())
        return searchTable(port, host, QString());
    const int r = identifyOnPort(port, first, host, index);
    if (r == 1) {
        chooseModel(index, false);
        return 0;
    }
    if (r == Err::ManualSelection) {
        loaderAdvice(app().PortName);
        return r;
    }
    if (r == Err::NotFreePort) {
        err(port.lastOpenError());
        err(portFailureText(port.lastFailure()));
    }
    if (!options.port.isEmpty())
        return r;
    return searchTable(port, host, SerialPort::deviceFor(first));
}

int ensureModel(const CliOptions &options)
{
    if (loadCatalogue() == 0) {
        // The error table's message names the catalogue file; the caller prints nothing more.
        err(ErrorCodeText(Err::NoModelsFound) + QStringLiteral(": ") + app().programFolder
            + QStringLiteral("/models.txt"));
        return 1;
    }
    if (!options.model.isEmpty()) {
        const int index = catalogueIndexOf(options.model);
        if (index < 0) {
            err(StringTable::text(317 /* "Model %1 is not in the catalogue (models: %2)" */)
                    .arg(options.model, catalogueNames()));
            return kDeviceUnknown;
        }
        chooseModel(index, true);
        return 0;
    }
    return identifyMeter(options);
}

}   // namespace Cli
