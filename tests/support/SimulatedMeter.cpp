#include "SimulatedMeter.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

namespace {
constexpr int StartLimitMs = 5000;
}   // namespace

SimulatedMeter::SimulatedMeter(const QStringList &args) : extraArgs(args) {}

SimulatedMeter::~SimulatedMeter()
{
    stop();
}

bool SimulatedMeter::built()
{
    const QString program = QStringLiteral(KV_METER_PATH);
    return !program.isEmpty() && QFile::exists(program);
}

bool SimulatedMeter::start()
{
    stop();
    const QString program = QStringLiteral(KV_METER_PATH);
    if (program.isEmpty() || !QFile::exists(program)) {
        qWarning("SimulatedMeter: the meter program was not built (%s)", qPrintable(program));
        return false;
    }
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        return false;
    const QString pathFile = dir->filePath(QStringLiteral("pty-path"));
    const QString state = dir->filePath(QStringLiteral("state"));

    proc = std::make_unique<QProcess>();
    proc->setProgram(program);
    proc->setArguments(extraArgs
                       + QStringList{QStringLiteral("--state-dir"), state, QStringLiteral("--path-file"), pathFile,
                                     QStringLiteral("--exit-with-parent")});
    // The path also comes on standard output, but the file is what we wait for; error
    // messages of the meter (a bad option, a bad fixture) go to the test's own output.
    proc->setStandardOutputFile(QProcess::nullDevice());
    proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc->start();
    if (!proc->waitForStarted(StartLimitMs)) {
        qWarning("SimulatedMeter: %s did not start: %s", qPrintable(program), qPrintable(proc->errorString()));
        proc.reset();
        return false;
    }

    QDeadlineTimer deadline(StartLimitMs);
    while (!deadline.hasExpired()) {
        QFile f(pathFile);
        if (f.open(QIODevice::ReadOnly)) {
            const QString path = QString::fromLocal8Bit(f.readAll()).trimmed();
            if (!path.isEmpty()) {
                device = path;
                return true;
            }
        }
        if (proc->state() == QProcess::NotRunning || proc->waitForFinished(10)) {
            qWarning("SimulatedMeter: the meter ended before giving its port (exit code %d)", proc->exitCode());
            break;
        }
    }
    stop();
    return false;
}

void SimulatedMeter::stop()
{
    device.clear();
    if (!proc)
        return;
    if (proc->state() != QProcess::NotRunning) {
        proc->terminate();
        if (!proc->waitForFinished(2000)) {
            proc->kill();
            proc->waitForFinished(1000);
        }
    }
    proc.reset();
}

QString SimulatedMeter::stateDir() const
{
    return dir ? dir->filePath(QStringLiteral("state")) : QString();
}

QStringList SimulatedMeter::transcript() const
{
    QStringList lines;
    QFile f(stateDir() + QStringLiteral("/transcript.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return lines;
    const QList<QByteArray> raw = f.readAll().split('\n');
    for (QByteArray l : raw) {
        if (l.endsWith('\r'))
            l.chop(1);
        lines << QString::fromLatin1(l);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
