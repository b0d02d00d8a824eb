#pragma once
// Working folders, working-file names and the small file utilities every file-handling part
// shares. Files are 8-bit text; everything this program writes ends its lines with CR LF.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class QSaveFile;

enum class FileKind {
    None = 0,
    PrintScratch = 1,   // "prtemp" NN ".log"
    PrintText = 2,   // "print" NN ".txt"
    ScratchCopy = 3,   // "file" NN ".tmp"
    UpgradeLog = 4,   // "updt" NN ".log"
    ChannelLog = 5,   // "chnl" NN ".log"
    TvLoggerData = 7,   // "temp" NN "." tvLoggerFileType
    ModemLoggerData = 8,   // "tempcm" NN "." modemLoggerFileType
};

enum class FolderKind { Library = 0, Temporary = 2, Firmware = 6 };

QString workingFileName(FileKind kind, int number);
// The folder followed by "/".
QString workingFolderPath(FolderKind kind);
// Full path of the first name of that kind that does not exist yet in the temporary folder.
QString freeWorkingFile(FileKind kind);

bool fileExists(const QString &path);
void deleteFile(const QString &path);
// Copies a text file; false when either end cannot be opened. The copy is written beside the
// destination and moved over it when complete, so a failed copy never leaves half a file.
bool copyTextFile(const QString &source, const QString &destination);
// The same as a code: 0; Err::UnableToOpenFile when the source cannot be read or the copy not
// created; Err::WriteFailed when the copy could not be written whole.
int copyTextFileCode(const QString &source, const QString &destination);

QString hexText(unsigned value);
// The last three characters of a name replaced by a script's extension ("hex" or "kv8"); a name
// of fewer than three characters stays as it is.
enum class ScriptExtension { Hex, Kv8 };
void replaceExtension3(QString &name, ScriptExtension extension);
void removeChar(QString &text, QChar c);
// The integer a text begins with, as the meter's answers and the program's files write one:
// blanks (spaces, tabs), an optional sign, ASCII digits. found tells whether there were digits
// (0 is returned when there were none). A value beyond 18 digits saturates at
// +/-999999999999999999, so that no text can overflow it.
long long leadingInteger(const QString &text, bool *found = nullptr);
QString shortenPath(const QString &text, int limit = 30);
// A window's title for a file: "KORVEL-10  Datalogger: " or "Channel Plan : " and the path
// shortened to 30 characters, or the shortened path alone.
enum class TitleStyle { Datalogger, ChannelPlan, PathOnly };
QString displayTitle(const QString &text, TitleStyle style);

// Waits on the system clock while still processing pending events of the calling thread.
void waitSeconds(double seconds);

// --- 8-bit text files ---------------------------------------------------------------------

// Reads a text file as Latin-1 lines, accepting CR LF and bare LF; false when it cannot be read.
bool readTextLines(const QString &path, QStringList &lines);

// The largest file the program reads: every file it knows is far smaller (a logger of 999
// measurements is about 100 KB, a firmware file a few MB). A larger one is refused as unreadable,
// so that a damaged or hostile file costs bounded memory and time.
constexpr qint64 kMaxReadBytes = 16 * 1024 * 1024;

// Reads a whole file; false when it cannot be opened or read, or holds more than maxBytes.
bool readFileBytes(const QString &path, QByteArray &bytes, qint64 maxBytes = kMaxReadBytes);
// Splits file contents into lines as readTextLines does: each line ends at LF or at the end of
// the contents, a CR just before that end is dropped, and nothing follows a final LF.
QList<QByteArray> splitTextLines(const QByteArray &bytes);

// A file written beside its target ("NAME.XXXXXX") and moved over it only when every byte
// has reached the disk. Every file this program writes goes through it: Qt's own save file
// renames a file whose last buffered bytes did not fit (a full disk), so commit() flushes and
// checks first. A failure is recorded (see lastWriteFailure) and leaves the target untouched.
class AtomicFile {
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();   // drops an uncommitted file
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    bool open();
    // False once any write has failed; later writes are ignored.
    bool write(const QByteArray &bytes);
    bool commit();
    void discard();
    bool failed() const { return broken; }
    // The code of the failure: Err::UnableToOpenFile when the file could not be created,
    // Err::WriteFailed when its bytes could not all be written; 0 when nothing failed.
    int failureCode() const;
    const QString &path() const { return target; }

private:
    void fail(const QString &reason);

    QString target;
    std::unique_ptr<QSaveFile> file;
    bool broken = false;
    bool notOpened = false;
};

// Writes Latin-1 lines, each ended by CR LF, to a new file beside the path and moves it over
// the path when complete. False (and the old file untouched) on any failure.
bool writeTextLinesAtomically(const QString &path, const QStringList &lines);
bool writeBytesAtomically(const QString &path, const QByteArray &bytes);
// The same, as a code: 0, Err::UnableToOpenFile or Err::WriteFailed (see AtomicFile).
int writeBytesAtomicallyCode(const QString &path, const QByteArray &bytes);
int writeTextLinesAtomicallyCode(const QString &path, const QStringList &lines);

// The last file that could not be written, and the system's reason.
struct WriteFailure {
    QString path;
    QString reason;
};
WriteFailure lastWriteFailure();
// Records a failure found outside AtomicFile (a printer that could not finish its file).
void recordWriteFailure(const QString &path, const QString &reason);
// "Could not write NAME in the folder FOLDER: REASON", in the current language, for the last
// failure; empty when none was recorded.
QString writeFailureText();

namespace FileTesting {
// Makes every AtomicFile write fail with "no space left" once this many more bytes have been
// written (-1: no limit). The tests' stand-in for a full disk where no small file system can
// be mounted.
void setWriteBudget(qint64 bytes);
}   // namespace FileTesting

// Latin-1 conversion at the file boundary. Characters outside Latin-1 become '?'.
QByteArray toLatin1Text(const QString &text);
