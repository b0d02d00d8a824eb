#include "app/windows/WindowEntry.h"
#include <QString>
// PLACEHOLDER: the logger windows are being written.
void openLoggerIndex(QWidget *) {}
void openModemLoggerFile(QWidget *, const QString &) {}
void openTvLoggerFile(QWidget *, const QString &) {}
