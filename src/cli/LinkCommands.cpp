// kelvatrone-cli identify and send: the meter's identity, and one exchange by hand.

#include "cli/CliModel.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "link/CommandLink.h"
#include "link/ErrorCodes.h"
#include "link/PortMessages.h"
#include "link/PortSession.h"
#include "link/SerialPort.h"

namespace {

int runIdentify(const CliOptions &options, const QStringList &args)
{
    if (!args.isEmpty())
        return Cli::usage(QStringLiteral("identify"));
    if (loadCatalogue() == 0)
        Cli::err(ErrorCodeText(Err::NoModelsFound) + QStringLiteral(": ") + app().programFolder
                 + QStringLiteral("/models.txt"));
    const int r = Cli::identifyMeter(options);
    if (r != 0)
        return Cli::fail(r);
    Cli::out(Cli::portLabel(app().PortName) + QStringLiteral("-> ") + app().CurrentModel.modelName);
    return 0;
}

// "\r" in the argument stands for a carriage return, so that the commands that carry one of
// their own can be tried as the jobs send them.
QByteArray commandBytes(const QString &text)
{
    QByteArray bytes = text.toLatin1();
    bytes.replace("\\r", "\r");
    return bytes;
}

int runSend(const CliOptions &, const QStringList &args)
{
    QString command;
    QString log;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--log") && i + 1 < args.size())
            log = args[++i];
        else if (command.isEmpty())
            command = args[i];
        else
            return Cli::usage(QStringLiteral("send"));
    }
    if (!command.startsWith(QLatin1Char('*'))
        || (!log.isEmpty() && log != QLatin1String("chnl") && log != QLatin1String("updt")))
        return Cli::usage(QStringLiteral("send"));

    SerialPort &port = thePort();
    PortSession session(port);
    if (!session.isOpen()) {
        Cli::err(port.lastOpenError());
        Cli::err(portFailureText(port.lastFailure()));
        return Cli::fail(Err::NotFreePort);
    }
    if (log == QLatin1String("chnl"))
        port.EnableChannelLog(true);
    else if (log == QLatin1String("updt"))
        port.EnableUpgradeLog(true);
    QByteArray answer;
    const QByteArray bytes = commandBytes(command);
    const int r = CommandLink::TransactWithRetry(port, bytes, answer, 2);
    port.EnableChannelLog(false);
    port.EnableUpgradeLog(false);
    session.close();

    Cli::out(QStringLiteral("result %1").arg(r));
    if (r >= 0 && bytes.size() >= 2 && bytes[1] == '?')
        Cli::out(QString::fromLatin1(answer));
    if (!log.isEmpty())
        Cli::err(QStringLiteral("log: %1").arg(port.logPath()));
    return r >= 0 ? 0 : Cli::fail(r);
}

CliRegistration identifyReg{CliCommand{
    QStringLiteral("identify"), QStringLiteral("identify"),
    QStringLiteral("find the meter (on --port, or the settings' port, then every port) and print its port and model"),
    runIdentify}};

CliRegistration sendReg{
    CliCommand{QStringLiteral("send"), QStringLiteral("send COMMAND [--log chnl|updt]"),
               QStringLiteral("one exchange with the meter (2 attempts): prints the result and a query's answer"),
               runSend, WorkspaceJob::Exchange}};

}   // namespace
