#pragma once
// Runs kelvatrone-cli of this build in a folder and keeps what it said.

#include <QString>
#include <QStringList>

struct CliRun {
    int status = -1;   // the exit status; -1 when it crashed or did not end in time
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args, const QString &folder, int timeoutMs = 60000);
