#include "archive/Archive.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "datalogger/LevelChart.h"
#include "link/ErrorCodes.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSqlDatabase>
#include <QTimeZone>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QVariant>
#include <atomic>

namespace Archive {

namespace {

QMutex clockMutex;
QDateTime fixedNow;

std::atomic<int> connectionCounter{0};

// SQLite's result codes for a file that is not (or no longer) a database.
bool isDamageCode(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("11") || code == QLatin1String("26");   // SQLITE_CORRUPT, SQLITE_NOTADB
}

// Qt binds a null QString as SQL NULL: the archive's texts are never NULL, an absent one is "".
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

bool isBusyCode(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6");   // SQLITE_BUSY, SQLITE_LOCKED
}

// A statement run again while another program holds the lock SQLite's busy handler does not
// wait for: a new database turned to WAL by two programs at once, say.
bool execWaiting(QSqlQuery &q, const QString &statement)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (q.exec(statement))
            return true;
        if (!isBusyCode(q.lastError()) || waited.elapsed() > kBusyTimeoutMs)
            return false;
        QThread::msleep(20);
    }
}

QString isoUtc(const QDateTime &t)
{
    return t.toUTC().toString(Qt::ISODate);
}

// The schema, one step per version. A step is never edited once released: a later change is
// a new step, so that a database of every earlier version reaches the current one.
const char *const kMigration1[] = {
    "CREATE TABLE entries("
    " id INTEGER PRIMARY KEY,"
    " sha256 TEXT NOT NULL UNIQUE,"
    " family INTEGER NOT NULL,"
    " complete INTEGER NOT NULL,"
    " slot INTEGER NOT NULL DEFAULT -1,"
    " model TEXT NOT NULL DEFAULT '',"
    " location TEXT NOT NULL DEFAULT '',"
    " meter_date TEXT NOT NULL DEFAULT '',"
    " meter_time TEXT NOT NULL DEFAULT '',"
    " measured_at TEXT NOT NULL,"
    " plan TEXT NOT NULL DEFAULT '',"
    " units TEXT NOT NULL DEFAULT '',"
    " threshold TEXT NOT NULL DEFAULT '',"
    " channels INTEGER NOT NULL DEFAULT 0,"
    " under INTEGER NOT NULL DEFAULT 0,"
    // Each channel's name and level, a line each ("C21\t52.3"): a site's history of hundreds of
    // visits reads one row per visit instead of one per channel.
    " levels TEXT NOT NULL DEFAULT '',"
    " first_at TEXT NOT NULL,"
    " parent_id INTEGER REFERENCES entries(id) ON DELETE SET NULL,"
    " deleted_at TEXT)",
    // The file's bytes apart from the columns the list and the views read, so that reading
    // those never walks a logger's pages.
    "CREATE TABLE entry_files("
    " entry_id INTEGER PRIMARY KEY REFERENCES entries(id) ON DELETE CASCADE,"
    " bytes BLOB NOT NULL)",
    "CREATE TABLE arrivals("
    " id INTEGER PRIMARY KEY,"
    " entry_id INTEGER NOT NULL REFERENCES entries(id) ON DELETE CASCADE,"
    " at TEXT NOT NULL,"
    " origin INTEGER NOT NULL,"
    " slot INTEGER NOT NULL DEFAULT -1,"
    " model TEXT NOT NULL DEFAULT '',"
    " identity TEXT NOT NULL DEFAULT '',"
    " port TEXT NOT NULL DEFAULT '',"
    " device TEXT NOT NULL DEFAULT '',"
    " source TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE tv_channels("
    " entry_id INTEGER NOT NULL REFERENCES entries(id) ON DELETE CASCADE,"
    " seq INTEGER NOT NULL,"
    " n TEXT, ch TEXT, freq TEXT, off TEXT, bw TEXT, mod TEXT, annex TEXT, sr TEXT,"
    " pwr TEXT, mer TEXT, ber TEXT, sys TEXT, af TEXT, lvl TEXT, va TEXT, cn TEXT,"
    " level REAL, quality REAL, digital INTEGER NOT NULL DEFAULT 0,"
    " PRIMARY KEY(entry_id, seq)) WITHOUT ROWID",
    "CREATE TABLE modem_fields("
    " entry_id INTEGER NOT NULL REFERENCES entries(id) ON DELETE CASCADE,"
    " seq INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " value TEXT NOT NULL,"
    " PRIMARY KEY(entry_id, seq)) WITHOUT ROWID",
};
// Version 2: the indexes the history of a location and an entry's arrivals are looked up by.
const char *const kMigration2[] = {
    "CREATE INDEX entries_location ON entries(location COLLATE NOCASE, measured_at)",
    "CREATE INDEX arrivals_entry ON arrivals(entry_id)",
};

// Version 3: what a team archive on a server needs. Each arrival gets a name of its own, so that
// two laptops never take one for the other, and who received it on which machine; a deletion
// or restoration gets its time, so that the later of two laptops' decisions wins.
const char *const kMigration3[] = {
    "ALTER TABLE arrivals ADD COLUMN uid TEXT NOT NULL DEFAULT ''",
    "UPDATE arrivals SET uid = lower(hex(randomblob(16))) WHERE uid = ''",
    "CREATE UNIQUE INDEX arrivals_uid ON arrivals(uid)",
    "ALTER TABLE arrivals ADD COLUMN technician TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE arrivals ADD COLUMN machine TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE entries ADD COLUMN mark_at TEXT NOT NULL DEFAULT ''",
    "UPDATE entries SET mark_at = deleted_at WHERE deleted_at IS NOT NULL",
    "CREATE TABLE sync_state(server TEXT PRIMARY KEY, at TEXT NOT NULL, sent INTEGER NOT NULL,"
    " fetched INTEGER NOT NULL)",
};

struct Migration {
    const char *const *statements;
    std::size_t count;
};
const Migration kMigrations[] = {
    {kMigration1, std::size(kMigration1)},
    {kMigration2, std::size(kMigration2)},
    {kMigration3, std::size(kMigration3)},
};
static_assert(std::size(kMigrations) == kSchemaVersion);

const char *const kTvColumns[] = {"n",   "ch",  "freq", "off", "bw", "mod", "annex", "sr",
                                  "pwr", "mer", "ber",  "sys", "af", "lvl", "va",    "cn"};

// The cable-modem record's fields by the names a spreadsheet column would carry.
QList<std::pair<QString, QString>> modemFieldList(const ModemLoggerRecord &r)
{
    static const char *const info[] = {"Time", "Date", "Description", "Status"};
    static const char *const down[] = {"Downstream power",   "Downstream MER",        "Downstream frequency",
                                       "Downstream channel", "Downstream modulation", "Downstream symbol rate",
                                       "Downstream pre-BER"};
    static const char *const up[] = {"Upstream power",     "Upstream attenuation", "Upstream frequency",
                                     "Upstream bandwidth", "Upstream modulation",  "Upstream symbol rate"};
    static const char *const head[] = {"IP cable modem", "IP ToD server", "IP TFTP server", "Config file"};
    static const char *const ping[] = {"Ping address",  "Ping sent",     "Ping received", "Ping PLR",
                                       "Ping time min", "Ping time max", "Ping time avg"};
    QList<std::pair<QString, QString>> out;
    out.append({QStringLiteral("Logger number"), r.hasLoggerNumber ? QString::number(r.loggerNumber) : QString()});
    for (std::size_t i = 0; i < r.info.size(); ++i)
        out.append({QLatin1String(info[i]), r.info[i]});
    for (std::size_t i = 0; i < r.downstream.size(); ++i)
        out.append({QLatin1String(down[i]), r.downstream[i]});
    for (std::size_t i = 0; i < r.upstream.size(); ++i)
        out.append({QLatin1String(up[i]), r.upstream[i]});
    for (std::size_t i = 0; i < r.headend.size(); ++i)
        out.append({QLatin1String(head[i]), r.headend[i]});
    for (std::size_t i = 0; i < r.pingReport.size(); ++i)
        out.append({QLatin1String(ping[i]), r.pingReport[i]});
    out.append({QStringLiteral("Comments"), r.comments});
    return out;
}

// A file's contents as the archive keeps them beside its bytes.
struct Parsed {
    Summary summary;
    QList<Channel> channels;
    QList<std::pair<QString, QString>> modem;
};

int parse(const QString &path, LoggerFamily family, Parsed &p)
{
    p.summary.family = family;
    if (family == LoggerFamily::Tv) {
        // A file the viewer refuses (a logger of no measurement) still names its place and day:
        // the reader fills what it read, and the archive keeps that beside the refusal.
        TvLoggerContents contents;
        const int read = TvLoggerFile::read(path, contents);
        const LevelChart::Model model = LevelChart::build(contents);
        const TvLoggerHeader &h = contents.header;
        p.summary.location = h.location;
        p.summary.meterDate = h.date;
        p.summary.meterTime = h.time;
        p.summary.plan = h.channelPlan;
        p.summary.units = h.units;
        p.summary.threshold = h.thresholdLevel;
        p.summary.channels = int(model.bars.size());
        p.summary.under = model.under;
        int seq = 0;
        for (const LevelChart::Bar &b : model.bars) {
            Channel c;
            c.seq = seq++;
            c.field = b.m.field;
            c.hasLevel = b.measured;
            c.level = b.level;
            c.hasQuality = b.hasQuality;
            c.quality = b.quality;
            c.digital = b.digital;
            p.channels.append(c);
        }
        return read == 0 ? 0 : Err::UnableToOpenFile;
    }
    ModemLoggerRecord record;
    const int read = ModemLoggerFile::read(path, record);
    p.summary.meterDate = record.info[1];
    p.summary.meterTime = record.info[0];
    // The comments begin with the LOCATION value: its first line names the place; without
    // comments, the description the meter stored does.
    p.summary.location = record.comments.section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (p.summary.location.isEmpty())
        p.summary.location = record.info[2].trimmed();
    p.modem = modemFieldList(record);
    return read == 0 ? 0 : Err::UnableToOpenFile;
}

Summary summaryFrom(const QSqlQuery &q)
{
    Summary s;
    s.id = q.value(0).toLongLong();
    s.sha256 = q.value(1).toString();
    s.family = q.value(2).toInt() == int(LoggerFamily::Modem) ? LoggerFamily::Modem : LoggerFamily::Tv;
    s.complete = q.value(3).toInt() != 0;
    s.slot = q.value(4).toInt();
    s.firstAt = q.value(5).toString();
    s.measuredAt = q.value(6).toString();
    s.meterDate = q.value(7).toString();
    s.meterTime = q.value(8).toString();
    s.location = q.value(9).toString();
    s.plan = q.value(10).toString();
    s.units = q.value(11).toString();
    s.threshold = q.value(12).toString();
    s.channels = q.value(13).toInt();
    s.under = q.value(14).toInt();
    s.parentId = q.value(15).toLongLong();
    s.deletedAt = q.value(16).toString();
    s.model = q.value(17).toString();
    return s;
}

const char kSummaryColumns[] =
    "id, sha256, family, complete, slot, first_at, measured_at, meter_date, meter_time, location, plan, units,"
    " threshold, channels, under, COALESCE(parent_id, 0), COALESCE(deleted_at, ''), model";

}   // namespace

QString defaultPath()
{
    return app().programFolder + QStringLiteral("/archive.sqlite");
}

QDateTime now()
{
    QMutexLocker lock(&clockMutex);
    return fixedNow.isValid() ? fixedNow : QDateTime::currentDateTimeUtc();
}

void Testing::setNow(const QDateTime &utc)
{
    QMutexLocker lock(&clockMutex);
    fixedNow = utc.toUTC();
}

QString digest(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QDateTime meterDateTime(const QString &date, const QString &time)
{
    // The meter writes "05/12/26" (day, month, two-digit year); four-digit years are read too.
    const QStringList d = date.trimmed().split(QLatin1Char('/'));
    if (d.size() != 3)
        return {};
    bool ok1 = false, ok2 = false, ok3 = false;
    const int day = d[0].toInt(&ok1), month = d[1].toInt(&ok2);
    int year = d[2].toInt(&ok3);
    if (!ok1 || !ok2 || !ok3)
        return {};
    if (d[2].size() <= 2)
        year += 2000;
    const QDate day0(year, month, day);
    if (!day0.isValid())
        return {};
    QTime t = QTime::fromString(time.trimmed(), QStringLiteral("H:mm"));
    if (!t.isValid())
        t = QTime::fromString(time.trimmed(), QStringLiteral("H:mm:ss"));
    return QDateTime(day0, t.isValid() ? t : QTime(0, 0), Qt::UTC);
}

bool matches(const Summary &s, const Filter &f)
{
    if (f.deleted != !s.deletedAt.isEmpty())
        return false;
    if (f.family >= 0 && int(s.family) != f.family)
        return false;
    if (f.since.isValid() || f.until.isValid()) {
        const QDate day = QDate::fromString(s.measuredAt.left(10), Qt::ISODate);
        if (f.since.isValid() && (!day.isValid() || day < f.since))
            return false;
        if (f.until.isValid() && (!day.isValid() || day > f.until))
            return false;
    }
    if (!f.location.isEmpty() && !s.location.contains(f.location.simplified(), Qt::CaseInsensitive))
        return false;
    if (f.text.isEmpty())
        return true;
    for (const QString *t : {&s.location, &s.plan, &s.model, &s.meterDate, &s.meterTime})
        if (t->contains(f.text, Qt::CaseInsensitive))
            return true;
    return false;
}

struct Store::Impl {
    QString name;
    QString path;
    bool inBatch = false;
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
};

Store::Store() : d(std::make_unique<Impl>()) {}

Store::~Store()
{
    close();
}

bool Store::isOpen() const
{
    return !d->name.isEmpty() && d->db().isOpen();
}

void Store::close()
{
    if (d->name.isEmpty())
        return;
    {
        QSqlDatabase db = d->db();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(d->name);
    d->name.clear();
    d->inBatch = false;
}

int Store::fail(const QString &what)
{
    lastDetail = what;
    return Err::ArchiveFailed;
}

int Store::open(const QString &path, Check check)
{
    return setUp(path, check, kSchemaVersion);
}

int Store::openAtVersion(const QString &path, int version)
{
    return setUp(path, Check::Light, version);
}

int Store::setUp(const QString &path, Check check, int targetVersion)
{
    close();
    setAside.clear();
    lastDetail.clear();
    d->path = path;

    for (int attempt = 0; attempt < 2; ++attempt) {
        d->name = QStringLiteral("kv-archive-%1").arg(connectionCounter.fetch_add(1));
        bool damaged = false;
        QString why;
        const QFileInfo info(path);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d->name);
            if (!db.isValid())
                why = QStringLiteral("Qt's SQLite driver is not installed");
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));

            // A file that is there but does not begin as a database is damaged: set aside before
            // SQLite is let near it.
            if (why.isEmpty() && info.exists() && info.size() > 0) {
                QFile f(path);
                if (!f.open(QIODevice::ReadOnly))
                    why = f.errorString();
                else if (f.read(16) != QByteArray("SQLite format 3\0", 16))
                    damaged = true;
                if (damaged)
                    why = QStringLiteral("not a database");
            }
            if (why.isEmpty() && !db.open())
                why = db.lastError().text();
            if (why.isEmpty()) {
                // Each step reads the file; a damaged one fails at the first, whichever it is.
                const char *const steps[] = {"PRAGMA journal_mode=WAL", "PRAGMA foreign_keys=ON",
                                             "PRAGMA synchronous=NORMAL", "SELECT count(*) FROM sqlite_master"};
                QSqlQuery q(db);
                for (const char *step : steps) {
                    if (!execWaiting(q, QLatin1String(step))) {
                        damaged = isDamageCode(q.lastError());
                        why = q.lastError().text();
                        break;
                    }
                    q.finish();
                }
                if (why.isEmpty() && check == Check::Quick) {
                    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next()
                        || q.value(0).toString() != QLatin1String("ok")) {
                        damaged = true;
                        why = q.lastError().isValid() && !q.lastError().text().isEmpty() ? q.lastError().text()
                                                                                         : q.value(0).toString();
                    }
                    q.finish();
                }
            }
        }
        if (why.isEmpty()) {
            const int v = version();
            if (v < 0) {
                const QString reason = lastDetail;
                close();
                lastDetail = reason;
                return Err::ArchiveFailed;
            }
            if (v > kSchemaVersion) {
                close();
                lastDetail = QString::number(v);
                return Err::ArchiveNewer;
            }
            if (v < targetVersion) {
                if (const int r = migrate(v, targetVersion); r != 0) {
                    const QString reason = lastDetail;
                    close();
                    lastDetail = reason;
                    return r;
                }
            }
            return 0;
        }
        close();
        if (!damaged || attempt > 0)
            return fail(why);

        // Damaged: moved aside whole (with the journal files that belong to it), never deleted.
        const QString stamp = now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString base =
            info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-damaged-") + stamp;
        QString target = base + QStringLiteral(".sqlite");
        for (int n = 2; QFileInfo::exists(target); ++n)
            target = base + QStringLiteral("-%1.sqlite").arg(n);
        if (!QFile::rename(path, target))
            return fail(QStringLiteral("%1: %2").arg(why, QStringLiteral("could not be renamed")));
        for (const char *suffix : {"-wal", "-shm"})
            if (QFileInfo::exists(path + QLatin1String(suffix)))
                QFile::rename(path + QLatin1String(suffix), target + QLatin1String(suffix));
        setAside = target;
        lastDetail = why;
    }
    return Err::ArchiveFailed;
}

int Store::version()
{
    QSqlQuery q(d->db());
    if (!execWaiting(q, QStringLiteral("PRAGMA user_version")) || !q.next()) {
        lastDetail = q.lastError().text();
        return -1;
    }
    return q.value(0).toInt();
}

int Store::migrate(int from, int to)
{
    QSqlDatabase db = d->db();
    for (int v = from + 1; v <= to; ++v) {
        QSqlQuery q(db);
        if (!execWaiting(q, QStringLiteral("BEGIN IMMEDIATE")))
            return fail(q.lastError().text());
        // Another program may have brought the schema up while this one waited.
        if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
            const QString reason = q.lastError().text();
            q.exec(QStringLiteral("ROLLBACK"));
            return fail(reason);
        }
        const int current = q.value(0).toInt();
        q.finish();
        if (current >= v) {
            q.exec(QStringLiteral("COMMIT"));
            continue;
        }
        const Migration &m = kMigrations[v - 1];
        for (std::size_t i = 0; i < m.count; ++i) {
            if (!q.exec(QLatin1String(m.statements[i]))) {
                const QString reason = q.lastError().text();
                q.exec(QStringLiteral("ROLLBACK"));
                return fail(reason);
            }
        }
        if (!q.exec(QStringLiteral("PRAGMA user_version=%1").arg(v)) || !q.exec(QStringLiteral("COMMIT"))) {
            const QString reason = q.lastError().text();
            q.exec(QStringLiteral("ROLLBACK"));
            return fail(reason);
        }
    }
    return 0;
}

int Store::begin()
{
    QSqlQuery q(d->db());
    if (!execWaiting(q, QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q.lastError().text());
    d->inBatch = true;
    return 0;
}

int Store::commit()
{
    QSqlQuery q(d->db());
    d->inBatch = false;
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QString reason = q.lastError().text();
        q.exec(QStringLiteral("ROLLBACK"));
        return fail(reason);
    }
    return 0;
}

void Store::rollback()
{
    QSqlQuery q(d->db());
    q.exec(QStringLiteral("ROLLBACK"));
    d->inBatch = false;
}

qint64 Store::findBySha(const QString &sha256)
{
    QSqlQuery q(d->db());
    q.prepare(QStringLiteral("SELECT id FROM entries WHERE sha256 = ?"));
    q.addBindValue(sha256);
    if (!q.exec() || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

int Store::add(const QString &path, const QByteArray &bytes, LoggerFamily family, bool complete, const Arrival &arrival,
               qint64 parentId, qint64 *id, bool *isNew)
{
    return add(path, bytes, family, complete, QList<Arrival>{arrival}, parentId, id, isNew);
}

namespace {
// Inserts arrivals of an entry; one whose uid is there already is skipped.
bool insertArrivals(QSqlQuery &q, qint64 entryId, const QList<Arrival> &arrivals, const QString &defaultAt)
{
    q.prepare(QStringLiteral(
        "INSERT OR IGNORE INTO arrivals(entry_id, at, origin, slot, model, identity, port, device, source, uid,"
        " technician, machine) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (const Arrival &a : arrivals) {
        q.addBindValue(entryId);
        q.addBindValue(a.at.isEmpty() ? defaultAt : a.at);
        q.addBindValue(int(a.origin));
        q.addBindValue(a.slot);
        q.addBindValue(notNull(a.model));
        q.addBindValue(notNull(a.identity));
        q.addBindValue(notNull(a.port));
        q.addBindValue(notNull(a.device));
        q.addBindValue(notNull(a.source));
        q.addBindValue(a.uid.isEmpty() ? QUuid::createUuid().toString(QUuid::Id128) : a.uid);
        q.addBindValue(notNull(a.technician));
        q.addBindValue(notNull(a.machine));
        if (!q.exec())
            return false;
    }
    return true;
}
}   // namespace

int Store::add(const QString &path, const QByteArray &bytes, LoggerFamily family, bool complete,
               const QList<Arrival> &arrivals, qint64 parentId, qint64 *id, bool *isNew)
{
    const Arrival arrival = arrivals.value(0);
    if (!isOpen())
        return fail(QStringLiteral("the archive is not open"));
    Parsed p;
    if (const int r = parse(path, family, p); r != 0) {
        // An import takes only what the viewers open. A reception keeps its bytes whatever they
        // hold (a logger cut short before its first measurement, say): it may be the only copy.
        if (arrival.origin == Origin::Imported)
            return r;
    }
    const QString sha = digest(bytes);
    const QString at = arrival.at.isEmpty() ? isoUtc(now()) : arrival.at;
    const QDateTime measured = meterDateTime(p.summary.meterDate, p.summary.meterTime);

    QSqlDatabase db = d->db();
    QSqlQuery q(db);
    const bool own = !d->inBatch;
    if (own && !execWaiting(q, QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q.lastError().text());
    auto abandon = [&](const QSqlQuery &failed) {
        const QString reason = failed.lastError().text();
        QSqlQuery r(db);
        r.exec(QStringLiteral("ROLLBACK"));
        d->inBatch = false;
        return fail(reason);
    };

    qint64 entryId = 0;
    bool fresh = false;
    q.prepare(QStringLiteral("SELECT id FROM entries WHERE sha256 = ?"));
    q.addBindValue(sha);
    if (!q.exec())
        return abandon(q);
    if (q.next()) {
        entryId = q.value(0).toLongLong();
        q.finish();
        // Received again after it was deleted: the technician has it in hand, it is kept again.
        q.prepare(QStringLiteral(
            "UPDATE entries SET deleted_at = NULL, mark_at = ? WHERE id = ? AND deleted_at IS NOT NULL"));
        q.addBindValue(at);
        q.addBindValue(entryId);
        if (!q.exec())
            return abandon(q);
    } else {
        q.finish();
        fresh = true;
        q.prepare(QStringLiteral(
            "INSERT INTO entries(sha256, family, complete, slot, model, location, meter_date, meter_time,"
            " measured_at, plan, units, threshold, channels, under, levels, first_at, parent_id)"
            " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        q.addBindValue(sha);
        q.addBindValue(int(family));
        q.addBindValue(complete ? 1 : 0);
        q.addBindValue(arrival.slot);
        q.addBindValue(notNull(arrival.model));
        q.addBindValue(notNull(p.summary.location));
        q.addBindValue(notNull(p.summary.meterDate));
        q.addBindValue(notNull(p.summary.meterTime));
        q.addBindValue(measured.isValid() ? measured.toString(Qt::ISODate).left(19) : at.left(19));
        q.addBindValue(notNull(p.summary.plan));
        q.addBindValue(notNull(p.summary.units));
        q.addBindValue(notNull(p.summary.threshold));
        q.addBindValue(p.summary.channels);
        q.addBindValue(p.summary.under);
        QString levels;
        for (const Channel &c : std::as_const(p.channels)) {
            // A tab or a line break in a name would split the record: blanks instead.
            QString name = c.name();
            name.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            levels += name + QLatin1Char('\t') + (c.hasLevel ? QString::number(c.level, 'g', 12) : QString())
                      + QLatin1Char('\n');
        }
        q.addBindValue(notNull(levels));
        q.addBindValue(at);
        q.addBindValue(parentId > 0 ? QVariant(parentId) : QVariant(QMetaType(QMetaType::LongLong)));
        if (!q.exec())
            return abandon(q);
        entryId = q.lastInsertId().toLongLong();
        q.prepare(QStringLiteral("INSERT INTO entry_files(entry_id, bytes) VALUES(?,?)"));
        q.addBindValue(entryId);
        q.addBindValue(bytes);
        if (!q.exec())
            return abandon(q);

        if (family == LoggerFamily::Tv && !p.channels.isEmpty()) {
            QString sql = QStringLiteral("INSERT INTO tv_channels(entry_id, seq");
            for (const char *c : kTvColumns)
                sql += QStringLiteral(", ") + QLatin1String(c);
            sql += QStringLiteral(", level, quality, digital) VALUES(?,?") + QStringLiteral(",?").repeated(16)
                   + QStringLiteral(",?,?,?)");
            q.prepare(sql);
            for (const Channel &c : std::as_const(p.channels)) {
                q.addBindValue(entryId);
                q.addBindValue(c.seq);
                for (const QString &f : c.field)
                    q.addBindValue(notNull(f));
                q.addBindValue(c.hasLevel ? QVariant(c.level) : QVariant(QMetaType(QMetaType::Double)));
                q.addBindValue(c.hasQuality ? QVariant(c.quality) : QVariant(QMetaType(QMetaType::Double)));
                q.addBindValue(c.digital ? 1 : 0);
                if (!q.exec())
                    return abandon(q);
            }
        } else if (family == LoggerFamily::Modem) {
            q.prepare(QStringLiteral("INSERT INTO modem_fields(entry_id, seq, name, value) VALUES(?,?,?,?)"));
            int seq = 0;
            for (const auto &[name, value] : std::as_const(p.modem)) {
                q.addBindValue(entryId);
                q.addBindValue(seq++);
                q.addBindValue(notNull(name));
                q.addBindValue(notNull(value));
                if (!q.exec())
                    return abandon(q);
            }
        }
    }

    if (!insertArrivals(q, entryId, arrivals, at))
        return abandon(q);
    q.finish();
    if (own && !q.exec(QStringLiteral("COMMIT")))
        return abandon(q);
    if (id)
        *id = entryId;
    if (isNew)
        *isNew = fresh;
    return 0;
}

int Store::listAll(QList<Summary> &out)
{
    out.clear();
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM entries ORDER BY id").arg(QLatin1String(kSummaryColumns))))
        return fail(q.lastError().text());
    while (q.next())
        out.append(summaryFrom(q));
    return 0;
}

int Store::list(const Filter &filter, QList<Summary> &out)
{
    out.clear();
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM entries ORDER BY id").arg(QLatin1String(kSummaryColumns))))
        return fail(q.lastError().text());
    while (q.next()) {
        Summary s = summaryFrom(q);
        if (matches(s, filter))
            out.append(std::move(s));
    }
    return 0;
}

int Store::entry(qint64 id, Entry &out)
{
    QSqlQuery q(d->db());
    q.prepare(QStringLiteral("SELECT %1, f.bytes FROM entries LEFT JOIN entry_files f ON f.entry_id = id WHERE id = ?")
                  .arg(QLatin1String(kSummaryColumns)));
    q.addBindValue(id);
    if (!q.exec())
        return fail(q.lastError().text());
    if (!q.next())
        return Err::NoSuchEntry;
    out.summary = summaryFrom(q);
    out.bytes = q.value(18).toByteArray();
    q.finish();
    out.arrivals.clear();
    q.prepare(QStringLiteral(
        "SELECT at, origin, slot, model, identity, port, device, source, uid, technician, machine FROM arrivals"
        " WHERE entry_id = ? ORDER BY id"));
    q.addBindValue(id);
    if (!q.exec())
        return fail(q.lastError().text());
    while (q.next()) {
        Arrival a;
        a.at = q.value(0).toString();
        a.origin = Origin(q.value(1).toInt());
        a.slot = q.value(2).toInt();
        a.model = q.value(3).toString();
        a.identity = q.value(4).toString();
        a.port = q.value(5).toString();
        a.device = q.value(6).toString();
        a.source = q.value(7).toString();
        a.uid = q.value(8).toString();
        a.technician = q.value(9).toString();
        a.machine = q.value(10).toString();
        out.arrivals.append(a);
    }
    return 0;
}

int Store::channels(qint64 id, QList<Channel> &out)
{
    out.clear();
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT seq");
    for (const char *c : kTvColumns)
        sql += QStringLiteral(", ") + QLatin1String(c);
    sql += QStringLiteral(", level, quality, digital FROM tv_channels WHERE entry_id = ? ORDER BY seq");
    q.prepare(sql);
    q.addBindValue(id);
    if (!q.exec())
        return fail(q.lastError().text());
    while (q.next()) {
        Channel c;
        c.seq = q.value(0).toInt();
        for (int i = 0; i < Logger::kMeasurementFields; ++i)
            c.field[std::size_t(i)] = q.value(1 + i).toString();
        c.hasLevel = !q.value(17).isNull();
        c.level = q.value(17).toDouble();
        c.hasQuality = !q.value(18).isNull();
        c.quality = q.value(18).toDouble();
        c.digital = q.value(19).toInt() != 0;
        out.append(c);
    }
    return 0;
}

int Store::channelLevels(const QList<qint64> &ids, QHash<qint64, QList<Level>> &out)
{
    out.clear();
    if (ids.isEmpty())
        return 0;
    QStringList numbers;
    for (qint64 id : ids)
        numbers << QString::number(id);   // integers: nothing of the user's reaches the statement
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, levels FROM entries WHERE id IN (%1)").arg(numbers.join(QLatin1Char(',')))))
        return fail(q.lastError().text());
    while (q.next()) {
        QList<Level> &levels = out[q.value(0).toLongLong()];
        const QString text = q.value(1).toString();
        for (QStringView line : QStringView(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            Level l;
            l.name = line.left(tab).toString();
            if (tab >= 0)
                l.value = line.mid(tab + 1).toDouble(&l.measured);
            levels.append(std::move(l));
        }
    }
    return 0;
}

int Store::modemFields(qint64 id, ModemFields &out)
{
    out.values.clear();
    QSqlQuery q(d->db());
    q.prepare(QStringLiteral("SELECT name, value FROM modem_fields WHERE entry_id = ? ORDER BY seq"));
    q.addBindValue(id);
    if (!q.exec())
        return fail(q.lastError().text());
    while (q.next())
        out.values.append({q.value(0).toString(), q.value(1).toString()});
    return 0;
}

namespace {
int markDeleted(QSqlDatabase db, qint64 id, const QVariant &when, const QString &markAt, QString &detail)
{
    QSqlQuery q(db);
    if (!execWaiting(q, QStringLiteral("BEGIN IMMEDIATE"))) {
        detail = q.lastError().text();
        return Err::ArchiveFailed;
    }
    q.prepare(QStringLiteral("UPDATE entries SET deleted_at = ?, mark_at = ? WHERE id = ?"));
    q.addBindValue(when);
    q.addBindValue(markAt);
    q.addBindValue(id);
    if (!q.exec()) {
        detail = q.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return Err::ArchiveFailed;
    }
    const int changed = q.numRowsAffected();
    if (!q.exec(QStringLiteral("COMMIT"))) {
        detail = q.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return Err::ArchiveFailed;
    }
    return changed > 0 ? 0 : Err::NoSuchEntry;
}
}   // namespace

int Store::remove(qint64 id)
{
    const QString at = isoUtc(now());
    return markDeleted(d->db(), id, at, at, lastDetail);
}

int Store::restore(qint64 id)
{
    return markDeleted(d->db(), id, QVariant(QMetaType(QMetaType::QString)), isoUtc(now()), lastDetail);
}

int Store::setMark(qint64 id, const QString &deletedAt, const QString &markAt)
{
    return markDeleted(d->db(), id, deletedAt.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(deletedAt),
                       markAt, lastDetail);
}

int Store::addArrivals(qint64 id, const QList<Arrival> &arrivals)
{
    QSqlDatabase db = d->db();
    QSqlQuery q(db);
    const bool own = !d->inBatch;
    if (own && !execWaiting(q, QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q.lastError().text());
    if (!insertArrivals(q, id, arrivals, isoUtc(now())) || (own && !q.exec(QStringLiteral("COMMIT")))) {
        const QString reason = q.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        d->inBatch = false;
        return fail(reason);
    }
    return 0;
}

int Store::purge()
{
    QSqlDatabase db = d->db();
    QSqlQuery q(db);
    const QString limit = isoUtc(now().addDays(-kKeepDeletedDays));
    // Nothing to drop is the usual case: asked first, without taking the write lock.
    q.prepare(QStringLiteral("SELECT count(*) FROM entries WHERE deleted_at IS NOT NULL AND deleted_at < ?"));
    q.addBindValue(limit);
    if (!q.exec() || !q.next())
        return fail(q.lastError().text());
    if (q.value(0).toInt() == 0)
        return 0;
    q.finish();
    if (!execWaiting(q, QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q.lastError().text());
    q.prepare(QStringLiteral("DELETE FROM entries WHERE deleted_at IS NOT NULL AND deleted_at < ?"));
    q.addBindValue(limit);
    if (!q.exec()) {
        const QString reason = q.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return fail(reason);
    }
    const int dropped = q.numRowsAffected();
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QString reason = q.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return fail(reason);
    }
    return dropped;
}

int Store::syncInventory(QList<SyncEntry> &out)
{
    out.clear();
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT e.id, e.sha256, COALESCE(e.deleted_at, ''), e.mark_at, COALESCE(p.sha256, '')"
                               " FROM entries e LEFT JOIN entries p ON p.id = e.parent_id ORDER BY e.id")))
        return fail(q.lastError().text());
    while (q.next()) {
        SyncEntry e;
        e.id = q.value(0).toLongLong();
        e.sha256 = q.value(1).toString();
        e.deletedAt = q.value(2).toString();
        e.markAt = q.value(3).toString();
        e.parentSha = q.value(4).toString();
        out.append(e);
    }
    return 0;
}

int Store::arrivalUids(QHash<QString, qint64> &out)
{
    out.clear();
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT uid, entry_id FROM arrivals")))
        return fail(q.lastError().text());
    while (q.next())
        out.insert(q.value(0).toString(), q.value(1).toLongLong());
    return 0;
}

int Store::recordSync(const QString &server, int sent, int fetched)
{
    QSqlDatabase db = d->db();
    QSqlQuery q(db);
    if (!execWaiting(q, QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q.lastError().text());
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO sync_state(server, at, sent, fetched) VALUES(?,?,?,?)"));
    q.addBindValue(notNull(server));
    q.addBindValue(isoUtc(now()));
    q.addBindValue(sent);
    q.addBindValue(fetched);
    if (!q.exec() || !q.exec(QStringLiteral("COMMIT"))) {
        const QString reason = q.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return fail(reason);
    }
    return 0;
}

int Store::lastSync(QString &at, int &sent, int &fetched)
{
    QSqlQuery q(d->db());
    if (!q.exec(QStringLiteral("SELECT at, sent, fetched FROM sync_state ORDER BY at DESC LIMIT 1")))
        return fail(q.lastError().text());
    at.clear();
    sent = fetched = 0;
    if (q.next()) {
        at = q.value(0).toString();
        sent = q.value(1).toInt();
        fetched = q.value(2).toInt();
    }
    return 0;
}

int Store::quickCheck()
{
    QSqlQuery q(d->db());
    if (!q.exec(QStringLiteral("PRAGMA quick_check"))) {
        lastDetail = q.lastError().text();
        return isDamageCode(q.lastError()) ? Err::ArchiveDamaged : Err::ArchiveFailed;
    }
    QStringList problems;
    while (q.next() && problems.size() < 20)
        if (q.value(0).toString() != QLatin1String("ok"))
            problems << q.value(0).toString();
    if (problems.isEmpty())
        return 0;
    lastDetail = problems.join(QLatin1Char('\n'));
    return Err::ArchiveDamaged;
}

int Store::checkIntegrity()
{
    QSqlQuery q(d->db());
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")))
        return fail(q.lastError().text());
    QStringList problems;
    while (q.next()) {
        const QString line = q.value(0).toString();
        if (line != QLatin1String("ok"))
            problems << line;
    }
    q.finish();
    if (q.exec(QStringLiteral("PRAGMA foreign_key_check")) && q.next())
        problems << QStringLiteral("foreign key: %1 row %2").arg(q.value(0).toString(), q.value(1).toString());
    if (problems.isEmpty())
        return 0;
    lastDetail = problems.mid(0, 20).join(QLatin1Char('\n'));
    return Err::ArchiveDamaged;
}

}   // namespace Archive
