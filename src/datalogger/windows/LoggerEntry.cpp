#include "app/windows/WindowEntry.h"

#include "datalogger/windows/Dataloggerkv25.h"
#include "datalogger/windows/Dataloggerresumkv25.h"
#include "datalogger/windows/Dloggerkv27.h"

#include <QString>

// Each command gets a window of its own, shown modally and released when it closes.

void openLoggerIndex(QWidget *parent)
{
    TResumLogger window(parent);
    window.exec();
}

void openModemLoggerFile(QWidget *parent, const QString &path)
{
    TLoggerKv25 viewer(parent);
    viewer.setFile(path);
    viewer.exec();
}

void openTvLoggerFile(QWidget *parent, const QString &path)
{
    TKv27Datalogger viewer(parent);
    viewer.setFile(path);
    viewer.exec();
}
