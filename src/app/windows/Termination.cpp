#include "app/windows/Termination.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <csignal>

namespace {

volatile std::sig_atomic_t terminationRequested = 0;

extern "C" void onTerminationSignal(int)
{
    // Only a flag may be set here; the window thread acts on it.
    terminationRequested = 1;
}

void endNow()
{
    // A modal dialog runs its own event loop: close it first, so that the code that opened it
    // goes on and unwinds. One that will not close is left to quit(), which ends every loop.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    QApplication::closeAllWindows();
    QApplication::quit();
}

}   // namespace

void endOnTerminationRequest()
{
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGINT, onTerminationSignal);
    // The standard library offers no portable way to wake an event loop from a signal
    // handler; a look five times a second costs nothing and works on every system.
    auto *watch = new QTimer(qApp);
    watch->setInterval(200);
    QObject::connect(watch, &QTimer::timeout, qApp, [] {
        if (terminationRequested)
            endNow();
    });
    watch->start();
}
