// kelvatrone-cli [--workspace DIR] [--port P] [--model NAME] [--lang en|es|de|ca] COMMAND [ARGS]

#include "cli/Cli.h"
#include "app/AppState.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/Workspace.h"
#include "link/ErrorCodes.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>
#include <cstring>
#include <memory>
#include <map>

namespace {

std::map<QString, CliCommand> &registry()
{
    static std::map<QString, CliCommand> commands;
    return commands;
}

void writeLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int printHelp()
{
    Cli::out(QStringLiteral("usage: kelvatrone-cli [--workspace DIR] [--port P] [--ports DEV[,DEV...]] "
                            "[--model NAME] [--lang en|es|de|ca] [--no-wait] COMMAND [ARGS]"));
    Cli::out(QString());
    Cli::out(QStringLiteral("  --version, --help, -h: the program's version, this list"));
    Cli::out(QString());
    Cli::out(QStringLiteral("commands:"));
    Cli::out(QStringLiteral("  help                      this list"));
    for (const auto &[name, c] : registry()) {
        // A command of several forms lists the others under its first.
        const QStringList forms = c.usage.split(QLatin1Char('\n'));
        Cli::out(QStringLiteral("  %1  %2").arg(forms.first().leftJustified(24)).arg(c.summary));
        for (const QString &form : forms.mid(1))
            Cli::out(QStringLiteral("  ") + form);
    }
    return 0;
}

}   // namespace

CliRegistration::CliRegistration(CliCommand command)
{
    registry()[command.name] = std::move(command);
}

namespace Cli {

namespace {
QString startFolder;
}

QString argPath(const QString &argument)
{
    if (argument.isEmpty())
        return argument;
    return QDir(startFolder.isEmpty() ? QDir::currentPath() : startFolder).absoluteFilePath(argument);
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

int outputIsInput(const QString &commandName, const QString &path)
{
    err(QStringLiteral("%1: the output would replace the input %2").arg(commandName, path));
    return 2;
}

bool splitArgs(const QStringList &args, const QStringList &valueOptions, const QStringList &flags,
               QStringList &positional, QMap<QString, QString> &options)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!a.startsWith(QLatin1String("--"))) {
            positional << a;
        } else if (flags.contains(a)) {
            options[a] = QStringLiteral("1");
        } else if (valueOptions.contains(a) && i + 1 < args.size()) {
            options[a] = args.at(++i);
        } else {
            return false;
        }
    }
    return true;
}

void out(const QString &line)
{
    writeLine(stdout, line);
}
void err(const QString &line)
{
    writeLine(stderr, line);
}

int fail(int code)
{
    const QString text = ErrorCodeText(code);
    if (text.isEmpty())
        return code == 0 ? 0 : 1;
    err(text);
    return 1;
}

int failText(const QString &text)
{
    err(text);
    return 1;
}

int usage(const QString &commandName)
{
    auto it = registry().find(commandName);
    if (it != registry().end())
        err(QStringLiteral("usage: kelvatrone-cli [options] ") + it->second.usage);
    else
        err(QStringLiteral("unknown command: %1 (kelvatrone-cli help lists the commands)").arg(commandName));
    return 2;
}

}   // namespace Cli

// The command of the line: the first argument that is not a global option or its value.
static bool commandNeedsGui(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0) {
            ++i;
            continue;
        }
        // The installation report is drawn with Qt's fonts too.
        return std::strcmp(argv[i], "print") == 0 || std::strcmp(argv[i], "report-limits") == 0;
    }
    return false;
}

int main(int argc, char **argv)
{
    // Printing a report needs Qt's GUI side (fonts, the print system). The command line never
    // shows a window, so printing takes the off-screen platform unless one is set; every other
    // command stays a plain console program.
    std::unique_ptr<QCoreApplication> qapp;
    if (commandNeedsGui(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qapp = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        qapp = std::make_unique<QCoreApplication>(argc, argv);
    }
    QLocale::setDefault(QLocale::c());
    StringTable::fillStringTable();

    CliOptions options;
    QStringList args = QCoreApplication::arguments().mid(1);
    while (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--help") || opt == QLatin1String("-h"))
            return printHelp();
        if (opt == QLatin1String("--version")) {
            Cli::out(QStringLiteral("Kelvatrone ") + app().ProgramVersion);
            return 0;
        }
        if (opt == QLatin1String("--no-wait")) {
            options.noWait = true;
            continue;
        }
        static const QStringList valueOptions = {QStringLiteral("--workspace"), QStringLiteral("--port"),
                                                 QStringLiteral("--ports"), QStringLiteral("--model"),
                                                 QStringLiteral("--lang")};
        if (!valueOptions.contains(opt)) {
            Cli::err(QStringLiteral("unknown option %1").arg(opt));
            return 2;
        }
        // A missing value would take the command's place: "--port info" is a mistake, not a
        // port named "info".
        if (args.isEmpty() || args.first().startsWith(QLatin1String("--")) || registry().count(args.first())
            || args.first() == QLatin1String("help")) {
            Cli::err(QStringLiteral("option %1 needs a value").arg(opt));
            return 2;
        }
        const QString value = args.takeFirst();
        if (opt == QLatin1String("--workspace")) {
            options.workspace = value;
            options.workspaceOrigin = Workspace::Origin::Given;
        } else if (opt == QLatin1String("--port"))
            options.port = value;
        else if (opt == QLatin1String("--ports")) {
            // An empty list would fall back to the system's ports, the very ones it was given
            // to keep away from; more than 40 cannot all have a number.
            const QStringList devices = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
            if (devices.isEmpty()) {
                Cli::err(QStringLiteral("--ports needs at least one device"));
                return 2;
            }
            if (devices.size() > 40) {
                Cli::err(QStringLiteral("--ports takes at most 40 devices (%1 given)").arg(devices.size()));
                return 2;
            }
            PortTable::setRunDevices(devices);
        } else if (opt == QLatin1String("--model"))
            options.model = value;
        else if (opt == QLatin1String("--lang")) {
            static const QStringList langs = {QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("de"),
                                              QStringLiteral("ca")};
            options.language = int(langs.indexOf(value));
            if (options.language < 0) {
                Cli::err(QStringLiteral("unknown language %1 (en, es, de, ca)").arg(value));
                return 2;
            }
        }
    }
    if (args.isEmpty() || args.first() == QLatin1String("help"))
        return printHelp();

    const QString name = args.takeFirst();
    auto it = registry().find(name);
    if (it == registry().end())
        return Cli::usage(name);

    // The workspace is found as the windowed program finds its program folder, except that
    // the command line never creates the per-user workspace.
    Cli::startFolder = QDir::currentPath();
    if (options.workspaceOrigin != Workspace::Origin::Given) {
        const Workspace::Choice choice = Workspace::chooseForCommandLine(Cli::startFolder);
        options.workspace = choice.folder;
        options.workspaceOrigin = choice.origin;
    }
    if (!QDir::setCurrent(options.workspace)) {
        Cli::err(QStringLiteral("workspace folder not found: %1").arg(options.workspace));
        return 1;
    }
    StringTable::setLanguage(options.language);
    loadSettings();
    if (!options.port.isEmpty())
        app().PortName = options.port;
    SerialPort::setExtraDevice(app().PortName.startsWith(QLatin1Char('/')) ? app().PortName : QString());

    // Two runs on one workspace would send or keep each other's working files: the second one
    // waits for the first (saying for whom), or with --no-wait gives up at once.
    WorkspaceLock lock;
    if (const auto job = it->second.workingFiles) {
        QString announced;
        const int locked = lock.acquire(*job, !options.noWait, [&announced](const QString &holder) {
            if (holder != announced) {
                Cli::err(StringTable::text(301 /* "Waiting for %1" */).arg(holder));
                announced = holder;
            }
            return true;
        });
        if (locked != 0)
            return Cli::fail(locked);
    }
    return it->second.run(options, args);
}
