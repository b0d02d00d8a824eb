// Kelvatrone: the entry sequence of the windowed program.

#include "app/AppState.h"
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
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <clocale>
#include <cstdio>
#include <exception>

namespace {

// The lock that keeps a second copy from running. It lives in the user's runtime folder and
// is held until the process ends; a copy that crashed leaves a file that the next start
// recognises as stale by its process id.
bool anotherCopyRuns(QLockFile &lock)
{
    lock.setStaleLockTime(0);   // never judge a live holder stale by the lock's age
    if (lock.tryLock(0))
        return false;
    // Only a lock held by another process means another copy; a runtime folder that cannot
    // be written must not keep the program from starting.
    return lock.error() == QLockFile::LockFailedError;
}

QString lockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/Kelvatrone.lock");
}

}   // namespace

// "--version" and "--help" are answered before anything else: without a window, a display, a
// lock or a workspace (a start from a terminal on a machine without a display, a packaging
// check). Every other argument is ignored, as it always was.
int answerInformationOption(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
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
    QLockFile lock(lockPath());
    const bool alreadyRunning = anotherCopyRuns(lock);

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
