// Kelvatrone: the entry sequence of the windowed program.

#include "app/AppState.h"
#include "app/SingleInstance.h"
#include "app/StringTable.h"
#include "app/Workspace.h"
#include "app/windows/MainResum.h"
#include "app/windows/Pictures.h"
#include "app/windows/Prompts.h"
#include "app/windows/Termination.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <exception>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

// A Windows program of windows starts without a console: its answer to --version goes to the
// console it was started from, when there is one and its output is not redirected.
static void useParentConsole()
{
#ifdef Q_OS_WIN
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        std::freopen("CONOUT$", "w", stdout);
#endif
}

// "--version" and "--help" are answered before anything else: without a window, a display, a
// lock or a workspace (a start from a terminal on a machine without a display, a packaging
// check). Every other argument is ignored, as it always was.
int answerInformationOption(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--version" || arg == "--help" || arg == "-h")
            useParentConsole();
        if (arg == "--version") {
            std::printf("Kelvatrone %s\n", app().ProgramVersion.toLatin1().constData());
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf("usage: kelvatrone [--version | --help]\n\n"
                        "Kelvatrone, the companion program of the KV meters, in a window. It works in\n"
                        "the current folder when that holds models.txt or st.stg, otherwise in the\n"
                        "per-user workspace. kelvatrone-cli runs the same operations from a terminal;\n"
                        "man kelvatrone tells more.\n");
            return 0;
        }
    }
    return -1;
}

int main(int argc, char **argv)
{
    if (const int answered = answerInformationOption(argc, argv); answered >= 0)
        return answered;
    QApplication application(argc, argv);
    endOnTerminationRequest();
    const SingleInstance instance;
    const bool alreadyRunning = instance.anotherCopyRuns();

    QApplication::setApplicationName(QStringLiteral("Kelvatrone"));
    // The desktop links the windows to the installed desktop entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelvatrone.Kelvatrone"));
    QApplication::setWindowIcon(QIcon(Pictures::icon(256)));

    // Numbers in files and commands always use "." whatever the user's regional settings.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");

    StringTable::fillStringTable();

    if (alreadyRunning) {
        prompts().message(nullptr, StringTable::text(51 /* "Warning" */), StringTable::text(184 /* one instance */),
                          Prompter::Icon::None);
        return -1;
    }

    // A start outside a workspace (from the desktop menu, say) runs in the per-user workspace,
    // created at the first start; the program folder is the current directory from here on.
    const Workspace::Choice workspace =
        Workspace::chooseForWindows(QDir::currentPath(), Workspace::deliveredDataFolder());
    QDir::setCurrent(workspace.folder);
    if (!workspace.error.isEmpty())
        prompts().message(nullptr, StringTable::text(51 /* "Warning" */),
                          StringTable::text(235 /* "The per-user workspace could not be created:" */)
                              + QLatin1Char('\n') + Workspace::perUserFolder() + QLatin1Char('\n') + workspace.error,
                          Prompter::Icon::Warning);

    try {
        TMainResum mainWindow;
        mainWindow.show();
        // The exit status is 0 however the loop ends; only a refused second copy differs.
        application.exec();
        return 0;
    } catch (const std::exception &e) {
        QMessageBox::critical(nullptr, QStringLiteral("Kelvatrone"), QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
