#pragma once
// How the main window reaches the windows of the other subsystems. Each is defined beside the
// window it opens.

class QString;
class QWidget;

// The channel plan library and group editor; reports -250 itself when the library is empty.
void openChannelPlanLibrary(QWidget *parent);
// The datalogger index window.
void openLoggerIndex(QWidget *parent);
// The two logger viewers on a stored file.
void openModemLoggerFile(QWidget *parent, const QString &path);
void openTvLoggerFile(QWidget *parent, const QString &path);
// The measurement archive window; with import, its import choice (files or a folder) opens at once.
void openArchive(QWidget *parent, bool import = false);
// The team archive's settings window.
void openTeamArchive(QWidget *parent);
// The editor of the workspace's limit profiles.
void openLimitProfiles(QWidget *parent);
// The firmware list; reports -99 itself when there is no firmware file for the model.
void openFirmwareList(QWidget *parent);
