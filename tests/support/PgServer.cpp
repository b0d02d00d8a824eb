#include "PgServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QThread>
#include <unistd.h>

namespace {

QString findBin()
{
    for (const char *v : {"17", "16", "15", "14", "13"}) {
        const QString b = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(QLatin1String(v));
        if (QFile::exists(b + QStringLiteral("/initdb")))
            return b;
    }
    return QString();
}

int freePort()
{
    QTcpServer s;
    if (!s.listen(QHostAddress::LocalHost, 0))
        return 0;
    return s.serverPort();
}

}   // namespace

PgServer::PgServer() : bin(findBin()) {}

PgServer::~PgServer()
{
    stop(true);
}

bool PgServer::run(const QStringList &command, QString *out) const
{
    QProcess p;
    QStringList args = command;
    QString program = args.takeFirst();
    if (!account.isEmpty()) {
        args = QStringList{QStringLiteral("-u"), account, QStringLiteral("--"), program} + args;
        program = QStringLiteral("runuser");
    }
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), password());
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (out)
        *out = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PgServer::start()
{
    if (made)
        return restart();
    if (bin.isEmpty()) {
        why = QStringLiteral("PostgreSQL's server programs are not installed (Debian's postgresql)");
        return false;
    }
    if (!dir.isValid()) {
        why = QStringLiteral("no temporary folder");
        return false;
    }
    if (geteuid() == 0) {
        // PostgreSQL will not run as root.
        for (const char *who : {"postgres", "nobody"}) {
            QProcess id;
            id.start(QStringLiteral("id"), {QLatin1String(who)});
            if (id.waitForFinished(5000) && id.exitCode() == 0) {
                account = QLatin1String(who);
                break;
            }
        }
        if (account.isEmpty()) {
            why = QStringLiteral("running as root, and neither postgres nor nobody exists to run the server");
            return false;
        }
        QProcess chown;
        chown.start(QStringLiteral("chown"), {account, dir.path()});
        chown.waitForFinished(5000);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup
                                          | QFile::ExeOther | QFile::ReadOther | QFile::ReadGroup);
    // The password file is written by the server's user, so that it can read it.
    QString out;
    if (!run({QStringLiteral("sh"), QStringLiteral("-c"),
              QStringLiteral("printf '%s\\n' '%1' > %2/pw").arg(password(), dir.path())},
             &out)) {
        why = QStringLiteral("cannot write in the server's folder: %1").arg(out.trimmed());
        return false;
    }
    if (!run({bin + QStringLiteral("/initdb"), QStringLiteral("-D"), dir.path() + QStringLiteral("/data"),
              QStringLiteral("-U"), user(), QStringLiteral("--pwfile=") + dir.path() + QStringLiteral("/pw"),
              QStringLiteral("-A"), QStringLiteral("scram-sha-256"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--no-sync")},
             &out)) {
        why = QStringLiteral("initdb failed: %1").arg(out.right(400).trimmed());
        return false;
    }
    made = true;
    if (!restart())
        return false;
    if (!psql(QStringLiteral("CREATE DATABASE %1").arg(database()), &out, QStringLiteral("postgres"))) {
        why = QStringLiteral("CREATE DATABASE failed: %1").arg(out.trimmed());
        return false;
    }
    return true;
}

bool PgServer::restart()
{
    if (portNumber == 0)
        portNumber = freePort();
    QString out;
    const QString options =
        QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off")
            .arg(portNumber)
            .arg(dir.path());
    if (!run({bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), dir.path() + QStringLiteral("/data"),
              QStringLiteral("-o"), options, QStringLiteral("-l"), dir.path() + QStringLiteral("/log"),
              QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")},
             &out)) {
        why = QStringLiteral("the server did not start: %1").arg(out.right(400).trimmed());
        return false;
    }
    return true;
}

void PgServer::stop(bool immediate)
{
    if (!made)
        return;
    run({bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), dir.path() + QStringLiteral("/data"),
         QStringLiteral("-m"), immediate ? QStringLiteral("immediate") : QStringLiteral("fast"), QStringLiteral("-w"),
         QStringLiteral("stop")});
}

bool PgServer::running() const
{
    return made
           && run({bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), dir.path() + QStringLiteral("/data"),
                   QStringLiteral("status")});
}

QString PgServer::url(const QString &pw) const
{
    return QStringLiteral("postgresql://%1:%2@%3:%4/%5")
        .arg(user(), pw.isEmpty() ? password() : pw, host())
        .arg(portNumber)
        .arg(database());
}

bool PgServer::psql(const QString &sql, QString *out, const QString &db) const
{
    return run({bin + QStringLiteral("/psql"), QStringLiteral("-h"), dir.path(), QStringLiteral("-p"),
                QString::number(portNumber), QStringLiteral("-U"), user(), QStringLiteral("-d"),
                db.isEmpty() ? database() : db, QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-At"), QStringLiteral("-c"), sql},
               out);
}
