#include "app/Workspace.h"
#include "app/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace Workspace {

namespace {

const QString kCatalogueName = QStringLiteral("models.txt");
const QString kSettingsName = QStringLiteral("st.stg");

// st.stg keeps 8-bit values of limited length. A folder it could not hold whole is left out
// of the file altogether: without st.stg the folders default to the same three subfolders,
// whereas a cut path would point somewhere else.
bool settingsCanHold(const QString &value)
{
    // A folder outside Latin-1 (a home folder in Cyrillic) is kept too: the settings file is
    // then written in UTF-8, which the reader recognises.
    return settingValueFits(value);
}

bool isFolder(const QString &path)
{
    return QFileInfo(path).isDir();
}

}   // namespace

bool holdsWorkspace(const QString &folder)
{
    const QDir dir(folder);
    return QFileInfo::exists(dir.filePath(kCatalogueName)) || QFileInfo::exists(dir.filePath(kSettingsName));
}

QString perUserFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return QString();
    return QDir::cleanPath(data + QStringLiteral("/Kelvatrone"));
}

QString deliveredDataFolder()
{
    // An installed tree keeps its data in ../share/kelvatrone from bin; the build tree mirrors
    // that layout (the build folder's share/kelvatrone), so a developer build finds it too.
    const QString bin = QCoreApplication::applicationDirPath();
    if (bin.isEmpty())
        return QString();
    const QString data = QDir::cleanPath(bin + QStringLiteral("/../share/kelvatrone"));
    return QFileInfo(data + QLatin1Char('/') + kCatalogueName).isFile() ? data : QString();
}

bool createWorkspace(const QString &folder, const QString &cataloguePath, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (folder.isEmpty())
        return fail(QStringLiteral("no user data folder"));
    if (QFileInfo::exists(folder))
        return fail(QStringLiteral("%1 already exists").arg(folder));
    if (cataloguePath.isEmpty() || !QFileInfo(cataloguePath).isFile())
        return fail(QStringLiteral("delivered model catalogue not found"));

    const QFileInfo target(folder);
    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent))
        return fail(QStringLiteral("cannot create %1").arg(parent));

    QTemporaryDir building(parent + QStringLiteral("/.") + target.fileName() + QStringLiteral("-new-XXXXXX"));
    if (!building.isValid())
        return fail(building.errorString());
    const QDir work(building.path());

    const QString catalogue = work.filePath(kCatalogueName);
    if (!QFile::copy(cataloguePath, catalogue))
        return fail(QStringLiteral("cannot copy %1").arg(cataloguePath));
    // The delivered file is read-only system data; the user's copy is the user's to edit.
    QFile::setPermissions(catalogue, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    const QString subfolders[] = {QStringLiteral("Channel"), QStringLiteral("Version"), QStringLiteral("Temp")};
    for (const QString &sub : subfolders) {
        if (!work.mkdir(sub))
            return fail(QStringLiteral("cannot create %1").arg(work.filePath(sub)));
    }

    // The settings name the folders where they will be once the workspace is moved into place.
    const QString finalFolder = target.absoluteFilePath();
    const QString library = finalFolder + QStringLiteral("/Channel");
    const QString firmware = finalFolder + QStringLiteral("/Version");
    const QString temp = finalFolder + QStringLiteral("/Temp");
    if (settingsCanHold(library) && settingsCanHold(firmware) && settingsCanHold(temp)
        && !writeSettings(work.filePath(kSettingsName), QStringLiteral("COM1"), library, firmware, temp))
        return fail(QStringLiteral("cannot write %1").arg(work.filePath(kSettingsName)));

    // The workspace appears whole or not at all. The temporary folder's owner-only mode is
    // relaxed to an ordinary folder's first.
    QFile::setPermissions(building.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                               | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    if (QFileInfo::exists(finalFolder) || !QDir().rename(building.path(), finalFolder))
        return fail(QStringLiteral("cannot move the new workspace to %1").arg(finalFolder));
    building.setAutoRemove(false);
    return true;
}

Choice chooseForCommandLine(const QString &currentFolder)
{
    Choice c;
    c.folder = currentFolder;
    if (holdsWorkspace(currentFolder))
        return c;
    const QString user = perUserFolder();
    if (!user.isEmpty() && isFolder(user)) {
        c.folder = user;
        c.origin = Origin::PerUser;
    }
    return c;
}

Choice chooseForWindows(const QString &currentFolder, const QString &dataFolder)
{
    Choice c = chooseForCommandLine(currentFolder);
    if (c.origin != Origin::CurrentFolder || holdsWorkspace(currentFolder))
        return c;
    const QString user = perUserFolder();
    // Something at that path that is not a folder is not ours to replace.
    if (!user.isEmpty() && QFileInfo::exists(user)) {
        c.error = QStringLiteral("%1 is not a folder").arg(user);
        return c;
    }
    const QString catalogue = dataFolder.isEmpty() ? QString() : dataFolder + QLatin1Char('/') + kCatalogueName;
    if (createWorkspace(user, catalogue, &c.error)) {
        c.folder = user;
        c.origin = Origin::PerUserCreated;
        c.error.clear();
    }
    return c;
}

QString describe(const Choice &choice)
{
    switch (choice.origin) {
        case Origin::CurrentFolder: return QStringLiteral("%1 (the current folder)").arg(choice.folder);
        case Origin::PerUser:
        case Origin::PerUserCreated: return QStringLiteral("%1 (the per-user workspace)").arg(choice.folder);
        case Origin::Given: return QStringLiteral("%1 (--workspace)").arg(choice.folder);
    }
    return choice.folder;
}

}   // namespace Workspace
