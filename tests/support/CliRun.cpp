#include "CliRun.h"

#include <QProcess>

CliRun runCli(const QStringList &args, const QString &folder, int timeoutMs)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QStringLiteral(KV_CLI_PATH), args);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}
