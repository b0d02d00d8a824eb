#include "app/Settings.h"
#include "app/AppState.h"
#include <QDir>
// PLACEHOLDER: being written.
SettingValue readSetting(const QString &) { return {}; }
bool writeSettings(const QString &, const QString &, const QString &, const QString &, const QString &) { return false; }
QString settingsPath() { return app().programFolder + QStringLiteral("/st.stg"); }
void loadSettings()
{
    app().programFolder = QDir::currentPath();
    app().libraryFolder = app().programFolder + QStringLiteral("/Channel");
    app().firmwareFolder = app().programFolder + QStringLiteral("/Version");
    app().tempFolder = app().programFolder + QStringLiteral("/Temp");
}
