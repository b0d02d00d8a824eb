#include "archive/Team.h"
#include "archive/Capture.h"
#include "archive/Views.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <atomic>

namespace Team {

namespace {

namespace Row {
constexpr int Counts = 393;   // "%1 sent, %2 fetched"
constexpr int LastSync = 394;   // "%1: %2"
}   // namespace Row

std::atomic<int> connectionCounter{0};

// Every table of the program's on the server is named kv_: a database the company uses for
// other things too keeps them apart.
const char *const kServerSchema[] = {
    "CREATE TABLE kv_meta(key text PRIMARY KEY, value text NOT NULL)",
    "CREATE TABLE kv_entries("
    " sha256 text PRIMARY KEY,"
    " bytes bytea NOT NULL,"
    " family integer NOT NULL,"
    " complete integer NOT NULL,"
    " parent_sha text,"
    " first_at text NOT NULL,"
    " location text NOT NULL,"
    " measured_at text NOT NULL,"
    " technician text NOT NULL,"
    " machine text NOT NULL,"
    " sent_at timestamptz NOT NULL DEFAULT now())",
    "CREATE INDEX kv_entries_location ON kv_entries(lower(location))",
    "CREATE TABLE kv_arrivals("
    " uid text PRIMARY KEY,"
    " sha256 text NOT NULL REFERENCES kv_entries(sha256),"
    " at text NOT NULL, origin integer NOT NULL, slot integer NOT NULL,"
    " model text NOT NULL, identity text NOT NULL, port text NOT NULL, device text NOT NULL,"
    " source text NOT NULL, technician text NOT NULL, machine text NOT NULL)",
    "CREATE INDEX kv_arrivals_sha ON kv_arrivals(sha256)",
    "CREATE TABLE kv_marks("
    " sha256 text PRIMARY KEY REFERENCES kv_entries(sha256),"
    " deleted_at text,"
    " changed_at text NOT NULL)",
};

// What each table must answer to: a schema that does not is damaged.
const char *const kSchemaProbes[] = {
    "SELECT sha256, bytes, family, complete, parent_sha, first_at, location, measured_at, technician, machine"
    " FROM kv_entries LIMIT 0",
    "SELECT uid, sha256, at, origin, slot, model, identity, port, device, source, technician, machine"
    " FROM kv_arrivals LIMIT 0",
    "SELECT sha256, deleted_at, changed_at FROM kv_marks LIMIT 0",
};

// Held by the one program creating the schema while another waits for it.
constexpr qint64 kSchemaLock = 72702601;

class Server {
public:
    Server() : name(QStringLiteral("kv-team-%1").arg(connectionCounter.fetch_add(1))) {}
    ~Server()
    {
        {
            QSqlDatabase d = QSqlDatabase::database(name, false);
            if (d.isOpen())
                d.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
    const QString name;
};

// Which failure a refused connection is: the password (SQLSTATE class 28), the server out of
// reach (no SQLSTATE: libpq never reached a server), or something else.
int connectionFailure(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    const QString text = e.text();
    if (code.startsWith(QLatin1String("28")) || text.contains(QLatin1String("password"), Qt::CaseInsensitive))
        return Err::ServerPassword;
    if (code.isEmpty() || code.startsWith(QLatin1String("08")))
        return Err::ServerUnreachable;
    return Err::ServerFailed;
}

int open(const Settings &s, const QString &password, Server &server, QString &detail)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), server.name);
    if (!db.isValid()) {
        detail = QStringLiteral("Qt's PostgreSQL driver is not installed");
        return Err::ServerFailed;
    }
    if (!s.hasServer()) {
        detail = QStringLiteral("no server is set");
        return Err::ServerUnreachable;
    }
    db.setHostName(s.host);
    db.setPort(s.port.toInt() > 0 ? s.port.toInt() : 5432);
    db.setDatabaseName(s.database);
    db.setUserName(s.user);
    if (!password.isEmpty())
        db.setPassword(password);
    static const QStringList modes = tlsModes();
    db.setConnectOptions(
        QStringLiteral("connect_timeout=10;sslmode=%1").arg(modes.contains(s.tls) ? s.tls : QStringLiteral("prefer")));
    if (!db.open()) {
        detail = db.lastError().text();
        return connectionFailure(db.lastError());
    }
    return 0;
}

int queryFailure(const QSqlQuery &q, QString &detail)
{
    detail = q.lastError().text();
    const QString code = q.lastError().nativeErrorCode();
    // A connection lost part-way is the server out of reach, not a fault of the data.
    if (code.isEmpty() || code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
        return Err::ServerUnreachable;
    return Err::ServerFailed;
}

// The server's schema: made on first use, checked on every use. create false: only checked
// (an empty database passes).
int ensureSchema(Server &server, bool create, QString &detail)
{
    QSqlDatabase db = server.db();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN"))
        || !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock)))
        return queryFailure(q, detail);
    auto rollback = [&] { QSqlQuery(db).exec(QStringLiteral("ROLLBACK")); };
    if (!q.exec(QStringLiteral("SELECT to_regclass('kv_meta') IS NOT NULL")) || !q.next()) {
        const int r = queryFailure(q, detail);
        rollback();
        return r;
    }
    const bool made = q.value(0).toBool();
    q.finish();
    if (!made) {
        if (!create) {
            rollback();
            return 0;
        }
        for (const char *statement : kServerSchema) {
            if (!q.exec(QLatin1String(statement))) {
                const int r = queryFailure(q, detail);
                rollback();
                return r;
            }
        }
        q.prepare(QStringLiteral("INSERT INTO kv_meta(key, value) VALUES('schema_version', ?)"));
        q.addBindValue(QString::number(kServerSchemaVersion));
        if (!q.exec() || !q.exec(QStringLiteral("COMMIT"))) {
            const int r = queryFailure(q, detail);
            rollback();
            return r;
        }
        return 0;
    }
    if (!q.exec(QStringLiteral("SELECT value FROM kv_meta WHERE key = 'schema_version'")) || !q.next()) {
        detail = q.lastError().isValid() && !q.lastError().text().isEmpty()
                     ? q.lastError().text()
                     : QStringLiteral("no schema_version in kv_meta");
        rollback();
        return Err::ServerDamaged;
    }
    bool ok = false;
    const int version = q.value(0).toString().toInt(&ok);
    q.finish();
    if (!ok) {
        detail = QStringLiteral("schema_version is not a number");
        rollback();
        return Err::ServerDamaged;
    }
    if (version > kServerSchemaVersion) {
        detail = QString::number(version);
        rollback();
        return Err::ServerNewer;
    }
    for (const char *probe : kSchemaProbes) {
        if (!q.exec(QLatin1String(probe))) {
            detail = q.lastError().text();
            rollback();
            return Err::ServerDamaged;
        }
        q.finish();
    }
    q.exec(QStringLiteral("COMMIT"));
    return 0;
}

// An arrival sent to the server; one it holds already (by uid) is left as it is.
const char kInsertArrival[] =
    "INSERT INTO kv_arrivals(uid, sha256, at, origin, slot, model, identity, port, device, source,"
    " technician, machine) VALUES(?,?,?,?,?,?,?,?,?,?,?,?) ON CONFLICT (uid) DO NOTHING";

// Runs kInsertArrival (prepared on q) for one arrival of the entry of that digest.
bool insertArrival(QSqlQuery &q, const Archive::Arrival &a, const QString &sha)
{
    const QString empty = QStringLiteral("");
    q.addBindValue(a.uid);
    q.addBindValue(sha);
    q.addBindValue(a.at);
    q.addBindValue(int(a.origin));
    q.addBindValue(a.slot);
    for (const QString *t : {&a.model, &a.identity, &a.port, &a.device, &a.source, &a.technician, &a.machine})
        q.addBindValue(t->isNull() ? empty : *t);
    return q.exec();
}

// A digest as the archive writes it: 64 lower-case hex digits. Only such texts are ever put
// into a statement's text.
bool isDigest(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(text).hasMatch();
}

QString inList(const QStringList &digests)
{
    QStringList quoted;
    for (const QString &d : digests)
        quoted << QLatin1Char('\'') + d + QLatin1Char('\'');
    return quoted.join(QLatin1Char(','));
}

QString keyOf(const Settings &s)
{
    return QStringLiteral("%1@%2:%3/%4").arg(s.user, s.host, s.port, s.database);
}

}   // namespace

QString settingsPath()
{
    return app().programFolder + QStringLiteral("/team.stg");
}

QStringList tlsModes()
{
    return {QStringLiteral("disable"), QStringLiteral("prefer"), QStringLiteral("require"),
            QStringLiteral("verify-full")};
}

Settings readSettings(const QString &path)
{
    Settings s;
    QByteArray bytes;
    if (!readFileBytes(path, bytes))
        return s;
    // UTF-8 as written; a file typed by hand in Latin-1 reads too.
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        text = QString::fromLatin1(bytes);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line.remove(QLatin1Char('\r'));
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("HOST"))
            s.host = value;
        else if (key == QLatin1String("PORT"))
            s.port = value;
        else if (key == QLatin1String("DATABASE"))
            s.database = value;
        else if (key == QLatin1String("USER"))
            s.user = value;
        else if (key == QLatin1String("TLS") && tlsModes().contains(value))
            s.tls = value;
        else if (key == QLatin1String("TECHNICIAN"))
            s.technician = value;
    }
    return s;
}

int writeSettings(const Settings &s, const QString &path)
{
    // One value a line: a line break typed into a value would start another key.
    auto one = [](QString v) {
        return v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    };
    const QStringList lines{QStringLiteral("[TEAM ARCHIVE]"),
                            QStringLiteral("HOST=") + one(s.host),
                            QStringLiteral("PORT=") + one(s.port),
                            QStringLiteral("DATABASE=") + one(s.database),
                            QStringLiteral("USER=") + one(s.user),
                            QStringLiteral("TLS=") + one(s.tls),
                            QStringLiteral("TECHNICIAN=") + one(s.technician),
                            QStringLiteral("[END]")};
    // UTF-8: a technician's name is not always Latin-1.
    QByteArray bytes;
    for (const QString &l : lines)
        bytes += l.toUtf8() + "\r\n";
    return writeBytesAtomicallyCode(path, bytes);
}

bool parseUrl(const QString &url, Settings &s, QString &password)
{
    const QUrl u(url, QUrl::StrictMode);
    if (!u.isValid() || (u.scheme() != QLatin1String("postgresql") && u.scheme() != QLatin1String("postgres"))
        || u.host().isEmpty())
        return false;
    s.host = u.host();
    s.port = QString::number(u.port(5432));
    s.database = u.path().mid(1);
    s.user = u.userName();
    password = u.password();
    const QString mode = QUrlQuery(u).queryItemValue(QStringLiteral("sslmode"));
    if (!mode.isEmpty())
        s.tls = mode;
    return !s.database.isEmpty();
}

QString machineName()
{
    return QSysInfo::machineHostName();
}

QString countsText(const Counts &c)
{
    const QString counts = StringTable::text(Row::Counts).arg(c.sent).arg(c.fetched);
    return c.refused == 0
               ? counts
               : counts + QStringLiteral("; ")
                     + StringTable::text(485 /* "%1 not taken: the viewers refuse their files" */).arg(c.refused);
}

QString failureText(int code, const QString &detail)
{
    return Archive::failureText(code, code == Err::UserBreak ? QString() : detail.trimmed());
}

int testConnection(const Settings &s, const QString &password, QString &detail)
{
    Server server;
    if (const int r = open(s, password, server, detail); r != 0)
        return r;
    return ensureSchema(server, false, detail);
}

QString lastSynchronisation(const QString &archivePath)
{
    Archive::Store store;
    if (store.open(archivePath) != 0)
        return QString();
    QString at;
    int sent = 0, fetched = 0;
    if (store.lastSync(at, sent, fetched) != 0 || at.isEmpty())
        return QString();
    Counts c;
    c.sent = sent;
    c.fetched = fetched;
    return StringTable::text(Row::LastSync).arg(Archive::localTime(at), countsText(c));
}

SyncResult synchronise(const Settings &s, const QString &password, const std::function<void(int, int)> &progress,
                       const std::atomic<bool> *cancel, const QString &archivePath)
{
    SyncResult result;
    Counts &n = result.counts;
    Archive::Store store;
    if (const int r = store.open(archivePath); r != 0) {
        result.code = r;
        result.detail = store.detail();
        return result;
    }
    Server server;
    if (const int r = open(s, password, server, result.detail); r != 0) {
        result.code = r;
        return result;
    }
    if (const int r = ensureSchema(server, true, result.detail); r != 0) {
        result.code = r;
        return result;
    }
    QSqlDatabase db = server.db();
    auto serverFailure = [&](const QSqlQuery &q) {
        result.code = queryFailure(q, result.detail);
        // A connection that is gone has nothing to roll back: the server dropped the transaction.
        if (db.isOpen() && result.code != Err::ServerUnreachable)
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return result;
    };
    auto cancelled = [&] { return cancel && cancel->load(); };

    // What each side holds.
    QList<Archive::SyncEntry> local;
    QHash<QString, qint64> localUids;
    if (store.syncInventory(local) != 0 || store.arrivalUids(localUids) != 0) {
        result.code = Err::ArchiveFailed;
        result.detail = store.detail();
        return result;
    }
    QHash<QString, const Archive::SyncEntry *> localBySha;
    QHash<qint64, QString> shaOfId;
    for (const Archive::SyncEntry &e : std::as_const(local)) {
        localBySha.insert(e.sha256, &e);
        shaOfId.insert(e.id, e.sha256);
    }
    QSet<QString> serverShas, serverUids;
    QHash<QString, std::pair<QString, QString>> serverMarks;   // sha -> deleted_at, changed_at
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT sha256 FROM kv_entries")))
            return serverFailure(q);
        while (q.next())
            serverShas.insert(q.value(0).toString());
        if (!q.exec(QStringLiteral("SELECT uid FROM kv_arrivals")))
            return serverFailure(q);
        while (q.next())
            serverUids.insert(q.value(0).toString());
        if (!q.exec(QStringLiteral("SELECT sha256, COALESCE(deleted_at, ''), changed_at FROM kv_marks")))
            return serverFailure(q);
        while (q.next())
            serverMarks.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toString()});
    }

    QList<const Archive::SyncEntry *> toSend;
    for (const Archive::SyncEntry &e : std::as_const(local))
        if (!serverShas.contains(e.sha256) && isDigest(e.sha256))
            toSend << &e;
    QStringList toFetch;
    for (const QString &sha : std::as_const(serverShas)) {
        // An entry deleted on the server before this laptop ever had it is not brought here.
        const auto mark = serverMarks.constFind(sha);
        const bool deleted = mark != serverMarks.cend() && !mark->first.isEmpty();
        if (!localBySha.contains(sha) && !deleted && isDigest(sha))
            toFetch << sha;
    }
    toFetch.sort();
    QList<std::pair<QString, qint64>> arrivalsToSend;   // uid, local entry id
    for (auto it = localUids.cbegin(); it != localUids.cend(); ++it)
        if (!serverUids.contains(it.key()) && serverShas.contains(shaOfId.value(it.value())))
            arrivalsToSend.append({it.key(), it.value()});
    QStringList uidsToFetch;
    for (const QString &uid : std::as_const(serverUids))
        if (!localUids.contains(uid))
            uidsToFetch << uid;

    const int total = int(toSend.size() + toFetch.size() + arrivalsToSend.size() + uidsToFetch.size());
    int done = 0;
    auto step = [&](int k) {
        done += k;
        if (progress)
            progress(done, std::max(total, done));
    };
    if (progress)
        progress(0, total);

    // 1. Entries the server lacks, with their arrivals and deletion marks.
    for (qsizetype start = 0; start < toSend.size(); start += kBatch) {
        if (cancelled()) {
            result.code = Err::UserBreak;
            return result;
        }
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("BEGIN")))
            return serverFailure(q);
        const qsizetype end = std::min<qsizetype>(toSend.size(), start + kBatch);
        int arrivalsInBatch = 0;
        for (qsizetype i = start; i < end; ++i) {
            const Archive::SyncEntry &e = *toSend[i];
            Archive::Entry full;
            if (store.entry(e.id, full) != 0) {
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
                result.code = Err::ArchiveFailed;
                result.detail = store.detail();
                return result;
            }
            const Archive::Arrival first = full.arrivals.value(0);
            q.prepare(QStringLiteral(
                "INSERT INTO kv_entries(sha256, bytes, family, complete, parent_sha, first_at, location, measured_at,"
                " technician, machine) VALUES(?,?,?,?,?,?,?,?,?,?) ON CONFLICT (sha256) DO NOTHING"));
            q.addBindValue(e.sha256);
            q.addBindValue(full.bytes);
            q.addBindValue(int(full.summary.family));
            q.addBindValue(full.summary.complete ? 1 : 0);
            q.addBindValue(e.parentSha.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(e.parentSha));
            q.addBindValue(full.summary.firstAt);
            q.addBindValue(full.summary.location + QString());
            q.addBindValue(full.summary.measuredAt + QString());
            q.addBindValue(first.technician + QString());
            q.addBindValue(first.machine + QString());
            if (!q.exec())
                return serverFailure(q);
            q.prepare(QLatin1String(kInsertArrival));
            for (const Archive::Arrival &a : std::as_const(full.arrivals)) {
                if (!insertArrival(q, a, e.sha256))
                    return serverFailure(q);
                ++arrivalsInBatch;
            }
            if (!e.markAt.isEmpty()) {
                q.prepare(QStringLiteral(
                    "INSERT INTO kv_marks(sha256, deleted_at, changed_at) VALUES(?,?,?) ON CONFLICT (sha256) DO UPDATE"
                    " SET deleted_at = excluded.deleted_at, changed_at = excluded.changed_at"
                    " WHERE excluded.changed_at > kv_marks.changed_at"));
                q.addBindValue(e.sha256);
                q.addBindValue(e.deletedAt.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(e.deletedAt));
                q.addBindValue(e.markAt);
                if (!q.exec())
                    return serverFailure(q);
                serverMarks.insert(e.sha256, {e.deletedAt, e.markAt});
            }
        }
        if (!q.exec(QStringLiteral("COMMIT")))
            return serverFailure(q);
        n.sent += int(end - start);
        n.arrivalsSent += arrivalsInBatch;
        for (qsizetype i = start; i < end; ++i)
            serverShas.insert(toSend[i]->sha256);
        step(int(end - start));
    }

    // 2. Arrivals of entries both hold that the server lacks (the same bytes received again here).
    for (qsizetype start = 0; start < arrivalsToSend.size(); start += kBatch) {
        if (cancelled()) {
            result.code = Err::UserBreak;
            return result;
        }
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("BEGIN")))
            return serverFailure(q);
        const qsizetype end = std::min<qsizetype>(arrivalsToSend.size(), start + kBatch);
        QHash<qint64, Archive::Entry> entries;
        q.prepare(QLatin1String(kInsertArrival));
        for (qsizetype i = start; i < end; ++i) {
            const auto &[uid, id] = arrivalsToSend[i];
            if (!entries.contains(id) && store.entry(id, entries[id]) != 0)
                continue;
            for (const Archive::Arrival &a : std::as_const(entries[id].arrivals)) {
                if (a.uid != uid)
                    continue;
                if (!insertArrival(q, a, shaOfId.value(id)))
                    return serverFailure(q);
                ++n.arrivalsSent;
            }
        }
        if (!q.exec(QStringLiteral("COMMIT")))
            return serverFailure(q);
        step(int(end - start));
    }

    // 3. Entries this laptop lacks, each batch one transaction here too.
    auto readArrivals = [&](QSqlQuery &q, QHash<QString, QList<Archive::Arrival>> &out) {
        while (q.next()) {
            Archive::Arrival a;
            a.uid = q.value(0).toString();
            a.at = q.value(2).toString();
            a.origin = Archive::Origin(std::clamp(q.value(3).toInt(), 0, 2));
            a.slot = q.value(4).toInt();
            a.model = q.value(5).toString();
            a.identity = q.value(6).toString();
            a.port = q.value(7).toString();
            a.device = q.value(8).toString();
            a.source = q.value(9).toString();
            a.technician = q.value(10).toString();
            a.machine = q.value(11).toString();
            out[q.value(1).toString()].append(a);
        }
    };
    const QString arrivalColumns =
        QStringLiteral("uid, sha256, at, origin, slot, model, identity, port, device, source, technician, machine");
    for (qsizetype start = 0; start < toFetch.size(); start += kBatch) {
        if (cancelled()) {
            result.code = Err::UserBreak;
            return result;
        }
        const QStringList batch = toFetch.mid(start, kBatch);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        struct Fetched {
            QString sha, parentSha;
            QByteArray bytes;
            LoggerFamily family;
            bool complete;
        };
        QList<Fetched> fetched;
        if (!q.exec(QStringLiteral("SELECT sha256, bytes, family, complete, COALESCE(parent_sha, '') FROM kv_entries"
                                   " WHERE sha256 IN (%1) ORDER BY sha256")
                        .arg(inList(batch))))
            return serverFailure(q);
        while (q.next())
            fetched.append({q.value(0).toString(), q.value(4).toString(), q.value(1).toByteArray(),
                            q.value(2).toInt() == int(LoggerFamily::Modem) ? LoggerFamily::Modem : LoggerFamily::Tv,
                            q.value(3).toInt() != 0});
        QHash<QString, QList<Archive::Arrival>> arrivals;
        if (!q.exec(QStringLiteral("SELECT %1 FROM kv_arrivals WHERE sha256 IN (%2) ORDER BY at, uid")
                        .arg(arrivalColumns, inList(batch))))
            return serverFailure(q);
        readArrivals(q, arrivals);

        if (const int r = store.begin(); r != 0) {
            result.code = r;
            result.detail = store.detail();
            return result;
        }
        int refusedInBatch = 0;
        for (const Fetched &f : std::as_const(fetched)) {
            // The viewers' readers take a file: the bytes go through one beside the archive.
            // A server's bytes whose digest is not their name are not taken.
            if (Archive::digest(f.bytes) != f.sha)
                continue;
            QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kv-sync-XXXXXX"));
            if (!file.open() || file.write(f.bytes) != f.bytes.size() || !file.flush()) {
                store.rollback();
                result.code = Err::ArchiveFailed;
                result.detail = file.errorString();
                return result;
            }
            QList<Archive::Arrival> list = arrivals.value(f.sha);
            if (list.isEmpty()) {
                Archive::Arrival a;
                a.origin = Archive::Origin::Imported;
                list << a;
            }
            const qint64 parent = f.parentSha.isEmpty() ? 0 : store.findBySha(f.parentSha);
            qint64 id = 0;
            if (const int r = store.add(file.fileName(), f.bytes, f.family, f.complete, list, parent, &id); r != 0) {
                // An entry that arrived on the server only as an imported file, and whose bytes
                // the viewers refuse, is not taken; refusing it touched nothing of the batch.
                if (r == Err::UnableToOpenFile && list.first().origin == Archive::Origin::Imported) {
                    ++n.refused;
                    ++refusedInBatch;
                    continue;
                }
                result.code = r;
                result.detail = store.detail();
                return result;   // the batch was rolled back
            }
            localBySha.insert(f.sha, nullptr);
            for (const Archive::Arrival &a : std::as_const(list))
                localUids.insert(a.uid, id);
        }
        if (const int r = store.commit(); r != 0) {
            result.code = r;
            result.detail = store.detail();
            return result;
        }
        n.fetched += int(fetched.size()) - refusedInBatch;
        step(int(batch.size()));
    }

    // 4. Arrivals the server holds of entries this laptop has.
    for (qsizetype start = 0; start < uidsToFetch.size(); start += kBatch) {
        if (cancelled()) {
            result.code = Err::UserBreak;
            return result;
        }
        const QStringList batch = uidsToFetch.mid(start, kBatch);
        QStringList quoted;
        for (const QString &uid : batch)
            quoted << uid;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(
            QStringLiteral("SELECT %1 FROM kv_arrivals WHERE uid = ANY(string_to_array(?, ','))").arg(arrivalColumns));
        q.addBindValue(quoted.join(QLatin1Char(',')));
        if (!q.exec())
            return serverFailure(q);
        QHash<QString, QList<Archive::Arrival>> arrivals;
        readArrivals(q, arrivals);
        if (const int r = store.begin(); r != 0) {
            result.code = r;
            result.detail = store.detail();
            return result;
        }
        for (auto it = arrivals.cbegin(); it != arrivals.cend(); ++it) {
            const qint64 id = store.findBySha(it.key());
            if (id == 0)
                continue;
            if (const int r = store.addArrivals(id, it.value()); r != 0) {
                result.code = r;
                result.detail = store.detail();
                return result;
            }
            n.arrivalsFetched += int(it.value().size());
        }
        if (const int r = store.commit(); r != 0) {
            result.code = r;
            result.detail = store.detail();
            return result;
        }
        step(int(batch.size()));
    }

    // 5. Deletion marks: the later decision wins on both sides.
    if (store.syncInventory(local) != 0) {
        result.code = Err::ArchiveFailed;
        result.detail = store.detail();
        return result;
    }
    {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("BEGIN")))
            return serverFailure(q);
        q.prepare(QStringLiteral(
            "INSERT INTO kv_marks(sha256, deleted_at, changed_at) VALUES(?,?,?) ON CONFLICT (sha256) DO UPDATE"
            " SET deleted_at = excluded.deleted_at, changed_at = excluded.changed_at"
            " WHERE excluded.changed_at > kv_marks.changed_at"));
        QList<std::pair<qint64, std::pair<QString, QString>>> toApply;
        for (const Archive::SyncEntry &e : std::as_const(local)) {
            if (!serverShas.contains(e.sha256))
                continue;
            const auto mark = serverMarks.constFind(e.sha256);
            const QString serverAt = mark == serverMarks.cend() ? QString() : mark->second;
            if (!e.markAt.isEmpty() && e.markAt > serverAt) {
                q.addBindValue(e.sha256);
                q.addBindValue(e.deletedAt.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(e.deletedAt));
                q.addBindValue(e.markAt);
                if (!q.exec())
                    return serverFailure(q);
                ++n.marksSent;
            } else if (!serverAt.isEmpty() && serverAt > e.markAt) {
                toApply.append({e.id, *mark});
            }
        }
        if (!q.exec(QStringLiteral("COMMIT")))
            return serverFailure(q);
        for (const auto &[id, mark] : std::as_const(toApply)) {
            if (const int r = store.setMark(id, mark.first, mark.second); r != 0) {
                result.code = r;
                result.detail = store.detail();
                return result;
            }
            ++n.marksFetched;
        }
    }

    store.recordSync(keyOf(s), n.sent, n.fetched);
    if (progress)
        progress(std::max(total, done), std::max(total, done));
    return result;
}

}   // namespace Team
