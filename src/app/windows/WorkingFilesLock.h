#pragma once
// The workspace lock as the windows take it: for one job at a time (a group sent, a reception,
// a print run, an upgrade), never for the program's whole life, so that the command line can
// work on the same workspace between two jobs of the windows.

#include "app/WorkspaceLock.h"

#include <QString>
#include <functional>

class QWidget;

// Takes the lock for the job. While another job holds it, the window stays responsive and
// status shows "Waiting for HOLDER"; the wait ends when the window is closed or *stop turns
// true (a window that refuses to close while it works sets it on Escape instead). 0 when held,
// or Err::WorkspaceBusy when the wait ended without it (the caller shows nothing more: the
// user gave up waiting).
int lockWorkingFiles(QWidget *window, WorkspaceLock &lock, WorkspaceJob job,
                     const std::function<void(const QString &)> &status, const bool *stop = nullptr);
