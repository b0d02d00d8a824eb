#pragma once
// The lock on a workspace's working files.
//
// The working files have fixed names in the temporary folder ("send.pro", "temp.tkv8",
// "temp03.lg27t", "logger.tlg"): two jobs that used them at once (two command-line runs, or
// the command line beside the windowed program) would send or keep each other's files. Every
// job that uses the temporary folder holds this lock for its whole run, from its first working
// file to its last. The lock is a file in the temporary folder, so two workspaces that share
// one temporary folder share the lock too; the lock of a process that died is taken over.

#include <QString>
#include <functional>
#include <memory>

class QLockFile;

// What a job does, as the waiting message names it.
enum class WorkspaceJob {
    SendGroup,
    ReceivePlans,
    ReceiveIndex,
    ReceiveLogger,
    ReceiveAll,
    PrintLoggers,
    Upgrade,
    Exchange,
};

class WorkspaceLock {
public:
    WorkspaceLock();
    ~WorkspaceLock();   // releases
    WorkspaceLock(const WorkspaceLock &) = delete;
    WorkspaceLock &operator=(const WorkspaceLock &) = delete;

    // Called while another job holds the lock, with the holder's description ("kelvatrone-cli,
    // pid 4711, sending a group"), about every 100 ms; the wait ends when it returns false.
    using Waiting = std::function<bool(const QString &holder)>;

    // Takes the lock for the job. 0 when held (or when the temporary folder does not exist: the
    // job then fails on that as it always did); Err::WorkspaceBusy when another job holds it and
    // wait is false, or when waiting returned false.
    int acquire(WorkspaceJob job, bool wait, const Waiting &waiting);
    void release();
    bool held() const;

    // The holder's description when the lock is held by another job, or an empty text.
    static QString currentHolder();
    // Removes from the temporary folder what killed jobs left: the copies of working files not yet
    // moved into place and the command line's scratch copies. Called by acquire; the number removed.
    static int removeStrayWorkingFiles();
    // The holder that the last refused acquire met (for the message of Err::WorkspaceBusy).
    static QString lastBusyHolder();
    // The file the lock lives in (in the temporary folder).
    static QString lockPath();
    // The description of a job in the current language ("sending a group").
    static QString jobText(WorkspaceJob job);
    // The message of a busy workspace: "The working files are in use by HOLDER".
    static QString busyText(const QString &holder);

private:
    std::unique_ptr<QLockFile> file;
};
