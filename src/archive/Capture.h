#pragma once
// Putting logger files into the archive: each file a reception writes, the copy the cable-modem
// viewer saves with its comments, and files or folders the user imports.
//
// A capture never decides a reception: the logger file stays in the temporary folder whatever
// the archive says, and a capture that fails only becomes a warning naming the file.

#include "archive/Archive.h"

#include <QStringList>
#include <atomic>
#include <functional>

namespace Archive {

struct CaptureResult {
    int code = 0;   // 0, or a failure code (detail says more)
    QString detail;
    QString setAside;   // a damaged archive was renamed to this on the way
    qint64 id = 0;
    bool isNew = false;
};

// Adds a logger file a reception has just written, with the meter, model and port of this run
// and the device the port opened.
CaptureResult captureReceived(const QString &path, LoggerFamily family, int slot, bool complete, const QString &device,
                              const QString &archivePath = defaultPath());
// Adds a file the cable-modem viewer saved, linked to the entry of the bytes it was saved from
// (when they are archived).
CaptureResult captureSaved(const QString &path, LoggerFamily family, const QByteArray &sourceBytes,
                           const QString &archivePath = defaultPath());

// What the user is told of a capture: that it failed (naming the file, which stays where it
// is), or that a damaged archive was set aside. Empty when there is nothing to say.
QString captureWarning(const QString &path, const CaptureResult &r);
// The message of an archive failure code, with what SQLite or the system said.
QString failureText(int code, const QString &detail);
// "The archive was damaged; it was set aside as NAME and a new one begun."
QString setAsideText(const QString &setAsidePath);

// Why a file given to import is not imported.
enum class Rejection { None, Unreadable, TooLarge, NotALogger, Refused };
QString rejectionText(Rejection r);

struct ImportResult {
    int code = 0;   // 0, Err::UserBreak (Cancel), or the archive failure that stopped it
    QString detail;
    QString setAside;
    int files = 0;   // files looked at
    int added = 0;
    int alreadyArchived = 0;
    QList<std::pair<QString, Rejection>> rejected;
};

// The files under the paths: a file itself, every file of a folder and its sub-folders (links
// to folders not followed, so a loop cannot run for ever), sorted. Paths that do not exist are
// listed as unreadable.
QStringList filesToImport(const QStringList &paths, QStringList &missing);

// Imports the files, each entry whole in the archive or absent: files are committed in small
// batches, so a program killed part-way loses at most the batch under way, which the next
// import adds. progress(done, total) is called after each file; cancel is read between files.
ImportResult importFiles(const QStringList &paths, const std::function<void(int, int)> &progress,
                         const std::atomic<bool> *cancel, const QString &archivePath = defaultPath());

}   // namespace Archive
