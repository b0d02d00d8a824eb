#pragma once
// The measurement archive: every logger file the program received or was given, kept in one
// SQLite database in the workspace ("archive.sqlite"), so that a working file replaced by the
// next reception of its slot is never the only copy of a day's measurements.
//
// An entry is a logger file's exact bytes, named by their SHA-256: the same bytes received
// again are one entry with one more arrival. Beside the bytes an entry keeps what the views
// search and chart without reading the file again: the header of a TV logger and one row per
// measurement line, or the record of a cable-modem logger.
//
// The database is versioned (PRAGMA user_version) and brought up to date by numbered migrations,
// each in its own transaction. It runs in WAL mode with a busy time-out, so that the windowed
// program and the command line can use it at the same time, and every write is one
// BEGIN IMMEDIATE transaction: a program killed at any moment leaves every entry whole or absent.
// A database that does not read as one is never written over: it is renamed aside under a dated
// name and a new one is begun. One made by a newer program is refused and left as it is.

#include "datalogger/LoggerFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <memory>

namespace Archive {

// The schema this program writes. A database of a higher version is refused.
constexpr int kSchemaVersion = 3;
// Deleted entries can be restored for this many days; then they are gone.
constexpr int kKeepDeletedDays = 30;
// How long a write waits for another program's write to finish before it gives up.
constexpr int kBusyTimeoutMs = 5000;

// "archive.sqlite" in the program folder.
QString defaultPath();

// How an entry's bytes reached the archive.
enum class Origin { Received = 0, Imported = 1, Saved = 2 };

// One arrival of an entry's bytes.
struct Arrival {
    QString at;   // UTC, ISO 8601 ("2026-12-08T17:30:05Z")
    Origin origin = Origin::Received;
    int slot = -1;   // the meter's logger slot, -1 when not known
    QString model;   // the model chosen in the program, when known
    QString identity;   // the meter's answer to its identification, when known
    QString port;   // the port as the settings name it ("COM3")
    QString device;   // the system device behind it ("/dev/ttyUSB0")
    QString source;   // the file imported or saved
    QString technician;   // the workspace's technician (the team archive's settings)
    QString machine;   // the computer's name
    QString uid;   // the arrival's own name, made when it is first archived
};

// What the archive window lists of an entry.
struct Summary {
    qint64 id = 0;
    QString sha256;
    LoggerFamily family = LoggerFamily::Tv;
    bool complete = true;
    int slot = -1;
    QString firstAt;   // UTC of the first arrival
    QString measuredAt;   // the meter's date and time as a UTC-free ISO text, else firstAt
    QString meterDate, meterTime;
    QString location, plan, units, threshold;
    int channels = 0;   // TV: measurement lines; cable modem: 0
    int under = 0;   // TV: measured channels under the threshold
    qint64 parentId = 0;   // a saved copy: the entry it was saved from
    QString deletedAt;   // empty unless deleted
    QString model;
};

// One measurement line of a TV entry, with the chart's reading of it.
struct Channel {
    int seq = 0;
    std::array<QString, Logger::kMeasurementFields> field;
    bool hasLevel = false;
    double level = 0;
    bool hasQuality = false;
    double quality = 0;
    bool digital = false;

    QString name() const { return field[TvMeasurement::CH]; }
};

// A channel's name and level, as a site's history reads them.
struct Level {
    QString name;
    bool measured = false;
    double value = 0;
};

// The fields of a cable-modem entry, as the viewer shows them.
struct ModemFields {
    QList<std::pair<QString, QString>> values;   // column name, value
};

// What a synchronisation compares of an entry.
struct SyncEntry {
    qint64 id = 0;
    QString sha256;
    QString deletedAt;   // empty unless deleted
    QString markAt;   // when it was last deleted or restored; empty: never
    QString parentSha;
};

struct Entry {
    Summary summary;
    QByteArray bytes;
    QList<Arrival> arrivals;
};

// A filter of the list: every part that is set must match.
struct Filter {
    QString text;   // in the location, plan, model, date or time (any letter case)
    QString location;   // in the location only
    int family = -1;   // -1 both, else int(LoggerFamily)
    QDate since, until;   // on the day measured (inclusive); null: open
    bool deleted = false;   // list the deleted entries instead
};
bool matches(const Summary &s, const Filter &f);

// The day and time a logger was measured: the meter's DATE ("05/12/26") and TIME ("09:12"),
// read day first. Invalid when they do not read as a date.
QDateTime meterDateTime(const QString &date, const QString &time);

// Open checks. Quick runs SQLite's quick_check over the whole file (a quarter of a second for
// 10,000 loggers); Light reads only the header, the schema and its version, for the captures
// that must not slow a reception. Both set a damaged file aside.
enum class Check { Light, Quick };

class Store {
public:
    Store();
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Opens (creating) the archive and brings its schema up to date: 0, or
    // Err::ArchiveNewer (left untouched), Err::ArchiveFailed (see detail()).
    // A damaged file is set aside (setAsidePath()) and a new archive opened: still 0.
    int open(const QString &path = defaultPath(), Check check = Check::Light);
    bool isOpen() const;
    void close();
    // The dated name a damaged archive was moved to by open(); empty otherwise.
    QString setAsidePath() const { return setAside; }
    // What SQLite or the system said of the last failure.
    QString detail() const { return lastDetail; }
    // The schema version of the open database.
    int version();

    // Adds a logger file's bytes (those of the file at path, which is read by the viewers'
    // rules). An import the viewers would refuse returns Err::UnableToOpenFile; a received or
    // saved file is kept whatever it holds. isNew tells whether the bytes were new; otherwise
    // only an arrival is added.
    // A deleted entry that arrives again is restored. 0, or a failure code.
    int add(const QString &path, const QByteArray &bytes, LoggerFamily family, bool complete, const Arrival &arrival,
            qint64 parentId, qint64 *id = nullptr, bool *isNew = nullptr);
    // The same with several arrivals at once (an entry fetched from a team archive, with the
    // arrivals the server knows); an arrival whose uid is archived already is left out.
    int add(const QString &path, const QByteArray &bytes, LoggerFamily family, bool complete,
            const QList<Arrival> &arrivals, qint64 parentId, qint64 *id = nullptr, bool *isNew = nullptr);
    // Arrivals of an archived entry, fetched from a team archive (those known already are left out).
    int addArrivals(qint64 id, const QList<Arrival> &arrivals);
    // An entry's deletion mark as another laptop set it: deleted (a UTC time) or restored (empty),
    // decided at markAt.
    int setMark(qint64 id, const QString &deletedAt, const QString &markAt);

    // Several adds in one transaction, for imports: begin(), adds, commit(). An add within a
    // batch that fails rolls the whole batch back.
    int begin();
    int commit();
    void rollback();

    int list(const Filter &filter, QList<Summary> &out);
    // Every entry, deleted ones too, for the window to filter.
    int listAll(QList<Summary> &out);
    int entry(qint64 id, Entry &out);
    int channels(qint64 id, QList<Channel> &out);
    int modemFields(qint64 id, ModemFields &out);
    // The name and level of every channel of several TV entries in one query (a site's history
    // of hundreds of visits): per entry, in its order.
    int channelLevels(const QList<qint64> &ids, QHash<qint64, QList<Level>> &out);
    // The entry whose bytes have this digest: its id, or 0.
    qint64 findBySha(const QString &sha256);

    // Marks an entry deleted, or restores it.
    int remove(qint64 id);
    int restore(qint64 id);
    // Drops entries deleted more than kKeepDeletedDays ago. The number dropped, or a code.
    int purge();

    // For a team archive's synchronisation: every entry's digest and marks; every arrival's uid
    // with its entry; the last synchronisation with a server, recorded and read back.
    int syncInventory(QList<SyncEntry> &out);
    int arrivalUids(QHash<QString, qint64> &out);
    int recordSync(const QString &server, int sent, int fetched);
    int lastSync(QString &at, int &sent, int &fetched);

    // SQLite's full integrity check: 0 when it reads "ok", otherwise Err::ArchiveDamaged with
    // the problems in detail().
    int checkIntegrity();
    // SQLite's quick check of the open archive, changing nothing: 0 or Err::ArchiveDamaged. The
    // window runs it beside its first paint; open(Check::Quick) then sets a damaged file aside.
    int quickCheck();

    // Test seam: the schema of that version only (a database "made by" an older program).
    int openAtVersion(const QString &path, int version);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString setAside;
    QString lastDetail;
    int fail(const QString &what);
    int setUp(const QString &path, Check check, int targetVersion);
    int migrate(int from, int to);
};

// The current time of the archive's stamps; tests set it.
QDateTime now();
namespace Testing {
void setNow(const QDateTime &utc);   // an invalid time returns to the clock
}

// The hex SHA-256 of bytes.
QString digest(const QByteArray &bytes);

}   // namespace Archive
