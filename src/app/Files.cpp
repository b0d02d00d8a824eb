#include "app/Files.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QCoreApplication>
#include <algorithm>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <cstring>

QString workingFileName(FileKind kind, int number)
{
    const QString nn = QString::asprintf("%.2d", number);
    const CurrentModelRecord &m = app().CurrentModel;
    switch (kind) {
        case FileKind::PrintScratch: return QStringLiteral("prtemp") + nn + QStringLiteral(".log");
        case FileKind::PrintText: return QStringLiteral("print") + nn + QStringLiteral(".txt");
        case FileKind::ScratchCopy: return QStringLiteral("file") + nn + QStringLiteral(".tmp");
        case FileKind::UpgradeLog: return QStringLiteral("updt") + nn + QStringLiteral(".log");
        case FileKind::ChannelLog: return QStringLiteral("chnl") + nn + QStringLiteral(".log");
        case FileKind::TvLoggerData: return QStringLiteral("temp") + nn + QLatin1Char('.') + m.tvLoggerFileType;
        case FileKind::ModemLoggerData: return QStringLiteral("tempcm") + nn + QLatin1Char('.') + m.modemLoggerFileType;
        case FileKind::None: break;
    }
    return QString();
}

QString workingFolderPath(FolderKind kind)
{
    switch (kind) {
        case FolderKind::Library: return app().libraryFolder + QLatin1Char('/');
        case FolderKind::Temporary: return app().tempFolder + QLatin1Char('/');
        case FolderKind::Firmware: return app().firmwareFolder + QLatin1Char('/');
    }
    return QString();
}

QString freeWorkingFile(FileKind kind)
{
    for (int n = 0;; ++n) {
        const QString path = app().tempFolder + QLatin1Char('/') + workingFileName(kind, n);
        if (!fileExists(path))
            return path;
    }
}

bool fileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

void deleteFile(const QString &path)
{
    QFile::remove(path);
}

bool copyTextFile(const QString &source, const QString &destination)
{
    return copyTextFileCode(source, destination) == 0;
}

int copyTextFileCode(const QString &source, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Err::UnableToOpenFile;
    AtomicFile out(destination);
    if (!out.open())
        return out.failureCode();
    // Pieces of limited size: a long line arrives whole, just in several writes.
    while (!in.atEnd()) {
        const QByteArray piece = in.read(4096);
        if (piece.isEmpty() && in.error() != QFileDevice::NoError)
            return Err::UnableToOpenFile;
        if (!out.write(piece))
            return out.failureCode();
    }
    return out.commit() ? 0 : out.failureCode();
}

QString hexText(unsigned value)
{
    return value < 256 ? QString::asprintf("%.2X", value) : QString::asprintf("%.4X", value);
}

void replaceExtension3(QString &name, ScriptExtension extension)
{
    if (name.size() < 3)
        return;
    name.replace(name.size() - 3, 3, extension == ScriptExtension::Hex ? QStringLiteral("hex") : QStringLiteral("kv8"));
}

void removeChar(QString &text, QChar c)
{
    text.remove(c);
}

QString shortenPath(const QString &text, int limit)
{
    if (text.size() <= limit)
        return text;
    const int first = text.indexOf(QLatin1Char('/'));
    const int last = text.lastIndexOf(QLatin1Char('/'));
    if (first < 0)
        return text;
    return text.left(first + 1) + QStringLiteral("...") + text.mid(last);
}

QString displayTitle(const QString &text, TitleStyle style)
{
    const QString s = shortenPath(text, 30);
    switch (style) {
        case TitleStyle::Datalogger: return QStringLiteral("KORVEL-10  Datalogger: ") + s;
        case TitleStyle::ChannelPlan: return QStringLiteral("Channel Plan : ") + s;
        case TitleStyle::PathOnly: return s;
    }
    return QString();
}

void waitSeconds(double seconds)
{
    QDeadlineTimer deadline(qint64(seconds * 1000.0));
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(std::min<qint64>(10, std::max<qint64>(0, deadline.remainingTime())));
    }
}

bool readFileBytes(const QString &path, QByteArray &bytes, qint64 maxBytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bytes.clear();
    if (!f.isSequential()) {
        // A file's size is known before it is read (a read of the limit itself would reserve the
        // whole limit for every small file).
        if (f.size() > maxBytes)
            return false;
        bytes = f.readAll();
    } else {
        // A device or a pipe has no size: it is read in pieces, no further than the limit.
        while (bytes.size() <= maxBytes) {
            const QByteArray piece = f.read(64 * 1024);
            if (piece.isEmpty())
                break;
            bytes += piece;
        }
    }
    if (bytes.size() > maxBytes || f.error() != QFileDevice::NoError) {
        bytes.clear();
        return false;
    }
    return true;
}

QList<QByteArray> splitTextLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes.at(stop - 1) == '\r')
            --stop;
        lines.append(bytes.mid(start, stop - start));
        start = next;
    }
    return lines;
}

bool readTextLines(const QString &path, QStringList &lines)
{
    QByteArray all;
    if (!readFileBytes(path, all))
        return false;
    lines.clear();
    for (const QByteArray &line : splitTextLines(all))
        lines.append(QString::fromLatin1(line));
    return true;
}

QByteArray toLatin1Text(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(c.unicode() < 256 ? char(c.unicode()) : '?');
    return out;
}

namespace {

std::atomic<qint64> writeBudget{-1};

QMutex failureLock;
WriteFailure lastFailure;

}   // namespace

void recordWriteFailure(const QString &path, const QString &reason)
{
    QMutexLocker lock(&failureLock);
    lastFailure = WriteFailure{path, reason};
}

WriteFailure lastWriteFailure()
{
    QMutexLocker lock(&failureLock);
    return lastFailure;
}

QString writeFailureText()
{
    const WriteFailure f = lastWriteFailure();
    if (f.path.isEmpty())
        return QString();
    const QFileInfo info(f.path);
    // "Could not write %1 in the folder %2: %3"
    return StringTable::text(289).arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()), f.reason);
}

namespace FileTesting {
void setWriteBudget(qint64 bytes)
{
    writeBudget.store(bytes);
}
}   // namespace FileTesting

AtomicFile::AtomicFile(const QString &path) : target(path) {}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::fail(const QString &reason)
{
    if (!broken)
        recordWriteFailure(target, reason);
    broken = true;
}

bool AtomicFile::open()
{
    broken = false;
    notOpened = false;
    file = std::make_unique<QSaveFile>(target);
    if (!file->open(QIODevice::WriteOnly)) {
        fail(file->errorString());
        notOpened = true;
        file.reset();
        return false;
    }
    return true;
}

int AtomicFile::failureCode() const
{
    if (!broken)
        return 0;
    return notOpened ? Err::UnableToOpenFile : Err::WriteFailed;
}

bool AtomicFile::write(const QByteArray &bytes)
{
    if (!file || broken)
        return false;
    qint64 allowed = bytes.size();
    const qint64 budget = writeBudget.load();
    if (budget >= 0) {
        allowed = std::min(budget, allowed);
        writeBudget.store(budget - allowed);
    }
    if (allowed > 0 && file->write(bytes.constData(), allowed) != allowed) {
        fail(file->errorString());
        return false;
    }
    if (allowed < bytes.size()) {
        fail(QString::fromLocal8Bit(std::strerror(ENOSPC)));
        return false;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (!file)
        return false;
    bool ok = false;
    if (!broken) {
        // The bytes still in Qt's buffer go out here; commit() alone would not see them fail.
        if (!file->flush() || file->error() != QFileDevice::NoError)
            fail(file->errorString());
        else if (!file->commit())
            fail(file->errorString());
        else
            ok = true;
    }
    if (!ok && file)
        file->cancelWriting();
    file.reset();
    return ok;
}

void AtomicFile::discard()
{
    // A save file destroyed without commit removes its new content and leaves the target alone.
    file.reset();
}

bool writeBytesAtomically(const QString &path, const QByteArray &bytes)
{
    return writeBytesAtomicallyCode(path, bytes) == 0;
}

int writeBytesAtomicallyCode(const QString &path, const QByteArray &bytes)
{
    AtomicFile out(path);
    if (out.open() && out.write(bytes) && out.commit())
        return 0;
    return out.failureCode() ? out.failureCode() : int(Err::WriteFailed);
}

namespace {
QByteArray textFileBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &l : lines) {
        bytes += toLatin1Text(l);
        bytes += "\r\n";
    }
    return bytes;
}
}   // namespace

bool writeTextLinesAtomically(const QString &path, const QStringList &lines)
{
    return writeBytesAtomically(path, textFileBytes(lines));
}

int writeTextLinesAtomicallyCode(const QString &path, const QStringList &lines)
{
    return writeBytesAtomicallyCode(path, textFileBytes(lines));
}

long long leadingInteger(const QString &text, bool *found)
{
    constexpr long long kLimit = 999999999999999999LL;
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const qsizetype digitsStart = i;
    long long value = 0;
    for (; i < text.size() && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9'; ++i)
        value = value > kLimit / 10 ? kLimit : std::min(kLimit, value * 10 + (text.at(i).unicode() - '0'));
    if (found)
        *found = i > digitsStart;
    return negative ? -value : value;
}
