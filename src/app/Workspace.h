#pragma once
// Which folder is the program folder, and the per-user workspace of an installed program.
//
// A folder is a workspace when it holds "models.txt" or "st.stg". A start in such a folder
// keeps the rule of every earlier version: the current directory is the program folder. A
// start anywhere else (from the desktop menu the current directory is the home folder) uses
// the per-user workspace, which the windowed program creates at its first start from the
// delivered catalogue, and which nothing ever overwrites or repairs afterwards.

#include <QString>

namespace Workspace {

// True when the folder holds "models.txt" or "st.stg".
bool holdsWorkspace(const QString &folder);

// The per-user workspace: "Kelvatrone" in the user's data folder (XDG_DATA_HOME, by default
// ~/.local/share, on Linux).
QString perUserFolder();

// The folder of the delivered catalogue and demo files: ../share/kelvatrone from the
// executable's folder. That holds for an installed or relocated tree, and for the build tree,
// which keeps a copy of the catalogue in the same place. Empty when it holds no "models.txt".
QString deliveredDataFolder();

enum class Origin {
    CurrentFolder,   // the current directory holds a workspace, or nothing better exists
    PerUser,   // the per-user workspace, as it was
    PerUserCreated,   // the per-user workspace, created by this start
    Given,   // named on the command line
};

struct Choice {
    QString folder;
    Origin origin = Origin::CurrentFolder;
    QString error;   // why the per-user workspace could not be created (folder is then the current one)
};

// The command-line program's rule: the current folder when it holds a workspace, otherwise
// the per-user workspace when it exists, otherwise the current folder. Never creates anything.
Choice chooseForCommandLine(const QString &currentFolder);

// The windowed program's rule: as the command line's, but a missing per-user workspace is
// created first from the catalogue in dataFolder. When that fails the current folder is used,
// as before there was a per-user workspace, and error says why.
Choice chooseForWindows(const QString &currentFolder, const QString &dataFolder);

// Creates a workspace at folder: the catalogue's "models.txt", the folders Channel, Version
// and Temp, and an "st.stg" naming them. It is built in a sibling folder and moved into place
// whole, so a start that fails half-way leaves no half workspace behind. Fails, creating
// nothing, when folder already exists or the catalogue cannot be read. error gets the reason.
bool createWorkspace(const QString &folder, const QString &cataloguePath, QString *error);

// One line for "info": which workspace is in use and why.
QString describe(const Choice &choice);

}   // namespace Workspace
