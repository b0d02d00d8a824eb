// kelvatrone-cli [--workspace DIR] [--port P] [--model NAME] [--lang en|es|de|ca] COMMAND [ARGS]

#include "cli/Cli.h"
#include "app/AppState.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/Workspace.h"
#include "link/ErrorCodes.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>
#include <cstring>
#include <memory>
#include <map>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

std::map<QString, CliCommand> &registry()
{
    static std::map<QString, CliCommand> commands;
    return commands;
}

void writeLine(FILE *stream, const QString &line)
{
    Cli::write(stream, line + QLatin1Char('\n'));
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

void write(FILE *stream, const QString &text)
{
    std::fflush(stream);
#ifdef Q_OS_WIN
    const HANDLE console = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &mode)) {
        DWORD written = 0;
        WriteConsoleW(console, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()), &written, nullptr);
        return;
    }
#endif
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
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

// The options before the command, with Qt's parser: everything from the command on is the
// command's own. -1 to go on with the command and its arguments in rest; otherwise the exit
// status (0 after --help or --version, 2 for a usage error, said on standard error).
int parseGlobalOptions(const QStringList &arguments, CliOptions &options, QStringList &rest)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption noWait(QStringLiteral("no-wait"));
    const QCommandLineOption workspace(QStringLiteral("workspace"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption ports(QStringLiteral("ports"), QString(), QStringLiteral("LIST"));
    const QCommandLineOption model(QStringLiteral("model"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption lang(QStringLiteral("lang"), QString(), QStringLiteral("CODE"));
    const QList<QCommandLineOption> valued{workspace, port, ports, model, lang};
    parser.addOptions({help, version, noWait, workspace, port, ports, model, lang});
    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().first();
            Cli::err(QStringLiteral("unknown option %1%2")
                         .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name));
        } else {
            // The one other refusal: a value option at the end, without its value.
            Cli::err(QStringLiteral("option %1 needs a value").arg(arguments.last()));
        }
        return 2;
    }
    if (parser.isSet(help))
        return printHelp();
    if (parser.isSet(version)) {
        Cli::out(QStringLiteral("Kelvatrone ") + app().ProgramVersion);
        return 0;
    }
    // A value that is a command or another option is a value forgotten: "--port info" is a
    // mistake, not a port named "info".
    for (const QCommandLineOption &o : valued) {
        for (const QString &v : parser.values(o)) {
            if (v.startsWith(QLatin1String("--")) || registry().count(v) || v == QLatin1String("help")) {
                Cli::err(QStringLiteral("option --%1 needs a value").arg(o.names().first()));
                return 2;
            }
        }
    }
    options.noWait = parser.isSet(noWait);
    if (parser.isSet(workspace)) {
        options.workspace = parser.value(workspace);
        options.workspaceOrigin = Workspace::Origin::Given;
    }
    options.port = parser.value(port);
    options.model = parser.value(model);
    if (parser.isSet(ports)) {
        // An empty list would fall back to the system's ports, the very ones it was given to
        // keep away from; more than 40 cannot all have a number.
        const QStringList devices = parser.value(ports).split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (devices.isEmpty()) {
            Cli::err(QStringLiteral("--ports needs at least one device"));
            return 2;
        }
        if (devices.size() > 40) {
            Cli::err(QStringLiteral("--ports takes at most 40 devices (%1 given)").arg(devices.size()));
            return 2;
        }
        PortTable::setRunDevices(devices);
    }
    if (parser.isSet(lang)) {
        static const QStringList langs = {QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("de"),
                                          QStringLiteral("ca")};
        options.language = int(langs.indexOf(parser.value(lang)));
        if (options.language < 0) {
            Cli::err(QStringLiteral("unknown language %1 (en, es, de, ca)").arg(parser.value(lang)));
            return 2;
        }
    }
    rest = parser.positionalArguments();
    return -1;
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
    QStringList args;
    if (const int status = parseGlobalOptions(QCoreApplication::arguments(), options, args); status >= 0)
        return status;
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
