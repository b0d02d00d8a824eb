// kelvatrone-cli info: the workspace as the program sees it at start.

#include "cli/Cli.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "link/ErrorCodes.h"

namespace {

QString orNone(const QString &type)
{
    return type.isEmpty() ? QStringLiteral("-") : type;
}

int runInfo(const CliOptions &options, const QStringList &args)
{
    if (!args.isEmpty())
        return Cli::usage(QStringLiteral("info"));
    const AppState &s = app();
    Cli::out(QStringLiteral("workspace:        %1")
                 .arg(Workspace::describe(Workspace::Choice{s.programFolder, options.workspaceOrigin, QString()})));
    Cli::out(QStringLiteral("program folder:   %1").arg(s.programFolder));
    Cli::out(QStringLiteral("port:             %1").arg(s.PortName));
    Cli::out(QStringLiteral("library folder:   %1").arg(s.libraryFolder));
    Cli::out(QStringLiteral("firmware folder:  %1").arg(s.firmwareFolder));
    Cli::out(QStringLiteral("temporary folder: %1").arg(s.tempFolder));
    const int count = loadCatalogue();
    if (count == 0)
        return Cli::fail(Err::NoModelsFound);
    Cli::out(QStringLiteral("models:"));
    for (int i = 0; i < count; ++i) {
        const ModelRecord &m = s.catalogue[size_t(i)];
        Cli::out(QStringLiteral("  %1 firmware %2  plans %3  groups %4  modem logger %5  TV logger %6  type code %7")
                     .arg(m.modelName.leftJustified(10), orNone(m.firmwareFileType).leftJustified(6),
                          orNone(m.planFileType), orNone(m.groupFileType), orNone(m.modemLoggerFileType),
                          orNone(m.tvLoggerFileType))
                     .arg(m.modelTypeCode));
    }
    return 0;
}

CliRegistration infoRegistration{CliCommand{QStringLiteral("info"), QStringLiteral("info"),
                                            QStringLiteral("the folders, the port and the model catalogue in use"),
                                            runInfo}};

}   // namespace
