#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestWorkspace::TestWorkspace(bool withCatalogue)
{
    resetAppState();
    StringTable::fillStringTable();
    QDir root(dir.path());
    root.mkpath(QStringLiteral("Channel"));
    root.mkpath(QStringLiteral("Version"));
    root.mkpath(QStringLiteral("Temp"));
    app().programFolder = dir.path();
    app().libraryFolder = library();
    app().firmwareFolder = firmware();
    app().tempFolder = temp();
    QDir::setCurrent(dir.path());
    if (withCatalogue)
        QFile::copy(source(QStringLiteral("data/models.txt")), path(QStringLiteral("models.txt")));
}

TestWorkspace::~TestWorkspace()
{
    if (QDir::currentPath().startsWith(dir.path()))
        QDir::setCurrent(QDir::tempPath());
}

QString TestWorkspace::write(const QString &relative, const QByteArray &bytes) const
{
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return p;
}

QByteArray TestWorkspace::read(const QString &relative) const
{
    QFile f(relative.startsWith(QLatin1Char('/')) ? relative : path(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString TestWorkspace::source(const QString &relative)
{
    return QStringLiteral(KV_SOURCE_DIR) + QLatin1Char('/') + relative;
}
