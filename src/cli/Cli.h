#pragma once
// kelvatrone-cli: the core's operations from a terminal. Each subsystem registers its commands
// from its own source file with a static CliRegistration.

#include "app/Workspace.h"
#include "app/WorkspaceLock.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

class JobContext;
class SerialPort;

struct CliOptions {
    QString workspace;   // program folder
    Workspace::Origin workspaceOrigin = Workspace::Origin::CurrentFolder;   // why that folder
    QString port;   // --port, empty: the settings' PORT
    QString model;   // --model NAME, empty: identify when needed
    int language = 0;   // --lang
    bool noWait = false;   // --no-wait: fail at once when another job holds the working files
};

struct CliCommand {
    QString name;
    QString usage;   // e.g. "check-plan FILE..."
    QString summary;   // one line for "help"
    // Returns the exit status: 0 success, 1 failure (message already printed), 2 usage error.
    std::function<int(const CliOptions &, const QStringList &args)> run;
    // A command that uses the temporary folder's working files holds the workspace lock for its
    // whole run, as this job.
    std::optional<WorkspaceJob> workingFiles = std::nullopt;
};

struct CliRegistration {
    explicit CliRegistration(CliCommand command);
};

namespace Cli {
// Prints the error table's message for the code on standard error and returns 1; 0 for codes >= 0.
int fail(int code);
// Says on standard error that the port did not open, and why; returns 1.
int portFailure();
// Prints a text on standard error and returns 1.
int failText(const QString &text);
// Prints a usage line for the command on standard error and returns 2.
int usage(const QString &commandName);
// A file argument as an absolute path. The program moves into the workspace folder before
// running a command; file arguments stay relative to the folder the command was started from.
QString argPath(const QString &argument);
// Whether two file arguments name the same file (links followed, letter case as the file system
// has it): an output that would replace its own input is refused.
bool sameFile(const QString &a, const QString &b);
// Says that the output would replace the input and returns 2 (a usage error).
int outputIsInput(const QString &commandName, const QString &path);
void out(const QString &line);   // a line on standard output (Latin-1 texts shown as UTF-8)
void err(const QString &line);   // a line on standard error
// Text as the terminal shows it: to a Windows console as UTF-16 (the console's 8-bit code page
// is not the system's), elsewhere, and into pipes and files, in the system's 8-bit encoding.
void write(FILE *stream, const QString &text);

// Splits a command's arguments: the positional ones, the value of each allowed "--name value"
// option and each allowed flag ("--csv", given the value "1"). False on any other "--" argument
// or an option without its value.
bool splitArgs(const QStringList &args, const QStringList &valueOptions, const QStringList &flags,
               QStringList &positional, QMap<QString, QString> &options);

// Makes sure a model is chosen: --model, or identification on the port. 0, or a failure code.
int ensureModel(const CliOptions &options);

// A job context that prints the status line and progress on standard error: a bar on a
// terminal, plain lines otherwise. Messages a window would show go to standard error too.
std::unique_ptr<JobContext> terminalContext(SerialPort &port);
}   // namespace Cli
