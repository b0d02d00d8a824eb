#include "archive/Capture.h"
#include "archive/Team.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>

namespace Archive {

namespace {

namespace Row {
constexpr int ArchiveSetAside = 327;   // "The archive was damaged; it was set aside as %1 and a new one begun."
constexpr int NotArchived = 328;   // "%1 was kept in the temporary folder but could not be added to the archive."
constexpr int Unreadable = 329;   // "cannot be read"
constexpr int TooLarge = 330;   // "too large to be a logger file"
constexpr int NotALogger = 331;   // "not a logger file"
constexpr int Refused = 332;   // "the logger viewer would not open it"
}   // namespace Row

// What this run knows of the meter the logger came from.
Arrival receivedArrival(int slot, const QString &device)
{
    const AppState &s = app();
    Arrival a;
    a.origin = Origin::Received;
    a.slot = slot;
    if (s.currentModelIndex != kNoModel)
        a.model = s.CurrentModel.modelName;
    a.identity = s.meterIdentity;
    a.port = s.PortName;
    a.device = device;
    // Who received it, and where: the team archive tells one technician's loggers from another's.
    a.technician = Team::readSettings().technician;
    a.machine = Team::machineName();
    return a;
}

CaptureResult addOne(const QString &archivePath, const QString &path, LoggerFamily family, bool complete,
                     const Arrival &arrival, const QByteArray *parentBytes)
{
    CaptureResult r;
    QByteArray bytes;
    if (!readFileBytes(path, bytes)) {
        r.code = Err::UnableToOpenFile;
        return r;
    }
    Store store;
    r.code = store.open(archivePath, Check::Light);
    r.setAside = store.setAsidePath();
    if (r.code == 0) {
        const qint64 parent = parentBytes ? store.findBySha(digest(*parentBytes)) : 0;
        r.code = store.add(path, bytes, family, complete, arrival, parent, &r.id, &r.isNew);
    }
    r.detail = store.detail();
    return r;
}

}   // namespace

CaptureResult captureReceived(const QString &path, LoggerFamily family, int slot, bool complete, const QString &device,
                              const QString &archivePath)
{
    return addOne(archivePath, path, family, complete, receivedArrival(slot, device), nullptr);
}

CaptureResult captureSaved(const QString &path, LoggerFamily family, const QByteArray &sourceBytes,
                           const QString &archivePath)
{
    Arrival a = receivedArrival(-1, QString());
    a.origin = Origin::Saved;
    a.port.clear();
    a.device.clear();
    a.source = QFileInfo(path).absoluteFilePath();
    return addOne(archivePath, path, family, true, a, &sourceBytes);
}

QString failureText(int code, const QString &detail)
{
    QString text = ErrorCodeText(code);
    if (code == Err::ArchiveNewer)
        return text;
    if (!detail.isEmpty())
        text += QLatin1Char('\n') + detail;
    return text;
}

QString setAsideText(const QString &setAsidePath)
{
    return StringTable::text(Row::ArchiveSetAside).arg(QDir::toNativeSeparators(setAsidePath));
}

QString captureWarning(const QString &path, const CaptureResult &r)
{
    QStringList lines;
    if (!r.setAside.isEmpty())
        lines << setAsideText(r.setAside);
    if (r.code != 0)
        lines << StringTable::text(Row::NotArchived).arg(QDir::toNativeSeparators(path))
              << failureText(r.code, r.detail);
    return lines.join(QLatin1Char('\n'));
}

QString rejectionText(Rejection r)
{
    switch (r) {
        case Rejection::None: break;
        case Rejection::Unreadable: return StringTable::text(Row::Unreadable);
        case Rejection::TooLarge: return StringTable::text(Row::TooLarge);
        case Rejection::NotALogger: return StringTable::text(Row::NotALogger);
        case Rejection::Refused: return StringTable::text(Row::Refused);
    }
    return QString();
}

QStringList filesToImport(const QStringList &paths, QStringList &missing)
{
    QStringList files;
    missing.clear();
    for (const QString &p : paths) {
        const QFileInfo info(p);
        if (info.isDir()) {
            QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            QStringList found;
            while (it.hasNext())
                found << it.next();
            found.sort();
            files << found;
        } else if (info.exists()) {
            files << info.absoluteFilePath();
        } else {
            missing << p;
        }
    }
    return files;
}

ImportResult importFiles(const QStringList &paths, const std::function<void(int, int)> &progress,
                         const std::atomic<bool> *cancel, const QString &archivePath)
{
    ImportResult result;
    QStringList missing;
    const QStringList files = filesToImport(paths, missing);
    for (const QString &m : missing)
        result.rejected.append({m, Rejection::Unreadable});
    result.files = int(files.size() + missing.size());

    Store store;
    result.code = store.open(archivePath, Check::Light);
    result.setAside = store.setAsidePath();
    if (result.code != 0) {
        result.detail = store.detail();
        return result;
    }

    // A batch is committed after this many files or this long: a kill loses at most one batch,
    // and another program waiting to write (a capture) waits no longer than that.
    constexpr int kBatchFiles = 200;
    constexpr qint64 kBatchMs = 300;
    int inBatch = 0, addedInBatch = 0, knownInBatch = 0;
    QElapsedTimer batchTimer;
    auto flush = [&]() -> bool {
        if (inBatch == 0)
            return true;
        if (const int c = store.commit(); c != 0) {
            result.code = c;
            result.detail = store.detail();
            return false;
        }
        result.added += addedInBatch;
        result.alreadyArchived += knownInBatch;
        inBatch = addedInBatch = knownInBatch = 0;
        return true;
    };

    const QString technician = Team::readSettings().technician;
    const QString machine = Team::machineName();
    int done = 0;
    for (const QString &path : files) {
        if (cancel && cancel->load()) {
            if (flush())
                result.code = Err::UserBreak;
            break;
        }
        const QFileInfo info(path);
        Rejection why = Rejection::None;
        LoggerFamily family = LoggerFamily::Tv;
        QByteArray bytes;
        if (!info.isFile() || !info.isReadable())
            why = Rejection::Unreadable;
        else if (info.size() > kMaxReadBytes)
            why = Rejection::TooLarge;
        else if (!Logger::familyOfFile(path, family))
            why = Rejection::NotALogger;
        else if (!readFileBytes(path, bytes))
            why = Rejection::Unreadable;

        if (why == Rejection::None) {
            if (inBatch == 0) {
                if (const int c = store.begin(); c != 0) {
                    result.code = c;
                    result.detail = store.detail();
                    break;
                }
                batchTimer.start();
            }
            Arrival a;
            a.origin = Origin::Imported;
            a.source = info.absoluteFilePath();
            a.technician = technician;
            a.machine = machine;
            bool isNew = false;
            const int c = store.add(path, bytes, family, true, a, 0, nullptr, &isNew);
            if (c == Err::UnableToOpenFile) {
                why = Rejection::Refused;
            } else if (c != 0) {
                // The batch was rolled back: what it held is added by the next import.
                result.code = c;
                result.detail = store.detail();
                inBatch = 0;
                break;
            } else {
                ++inBatch;
                ++(isNew ? addedInBatch : knownInBatch);
            }
        }
        if (why != Rejection::None)
            result.rejected.append({path, why});
        ++done;
        if (inBatch >= kBatchFiles || (inBatch > 0 && batchTimer.elapsed() >= kBatchMs))
            if (!flush())
                break;
        if (progress)
            progress(done, int(files.size()));
    }
    if (result.code == 0)
        flush();
    else if (inBatch > 0)
        store.rollback();
    return result;
}

}   // namespace Archive
