// One copy of the windowed program at a time, per user.
#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Claims the program's single-instance mark for the life of the process. On Windows that is
// the named system mutex "Kelvatrone" (an "already exists" status means another copy runs);
// elsewhere a lock file "Kelvatrone.lock" in the user's runtime folder, which a copy that
// crashed leaves behind and the next start recognises as stale by its process id.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    bool anotherCopyRuns() const { return anotherCopy_; }

    // The mutex's name, or the lock file's path, that this platform uses.
    static QString markName();

private:
    bool anotherCopy_ = false;
    std::unique_ptr<QLockFile> lock_;
};
