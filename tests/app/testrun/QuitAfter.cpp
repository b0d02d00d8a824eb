// kelvatrone-testrun: the windowed program exactly as shipped (src/main.cpp and the same
// libraries) with this file linked in, for the tests that run the whole program. Nothing here
// is part of the shipped program.
//
// KV_TEST_QUIT_AFTER_MS ends the run after that many milliseconds: every open dialog is closed
// (a message box's caption and text go to standard error as "caption: text") and the program
// leaves its event loop. Before it leaves it writes "display name set: yes" or "no": whether
// the program gave itself a display name, which the window system would append to the caption
// of every window and dialog.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

bool ownDisplayName()
{
    // Without a display name of its own, Qt reports the application name in its place.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("kv-probe"));
    const bool own = QGuiApplication::applicationDisplayName() != QLatin1String("kv-probe");
    QCoreApplication::setApplicationName(name);
    return own;
}

void closeEverything()
{
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            std::fprintf(stderr, "%s: %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    std::fprintf(stderr, "display name set: %s\n", ownDisplayName() ? "yes" : "no");
    std::fflush(stderr);
    QApplication::quit();
}

void armQuitTimer()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("KV_TEST_QUIT_AFTER_MS", &ok);
    if (!ok || ms <= 0)
        return;
    // Called while the application object is being built: arm the timer from its event loop.
    QTimer::singleShot(0, qApp, [ms] { QTimer::singleShot(ms, qApp, closeEverything); });
}

}   // namespace

Q_COREAPP_STARTUP_FUNCTION(armQuitTimer)
