#pragma once
// The three datalogger files the meter's loggers become on the PC, the rules that take values
// out of the meter's "&"-separated answers, and the rules by which the viewers, the index window
// and the reports accept a file. Everything that reads or writes a logger file goes through here
// so that the receiving jobs, the viewers and the reports can never disagree about a layout.
//
// Files are 8-bit text: QString values here hold Latin-1 text one byte per character (a PLR
// byte 0xC8 is the character U+00C8). Writers end every line with CR LF and replace the target
// only when the new content is complete; readers accept CR LF and bare LF.

#include "app/Files.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

// The index window's `LoggerType`: item 0 cable modem, item 1 TV.
enum class LoggerFamily { Modem = 0, Tv = 1 };

namespace Logger {

constexpr int kTvSlots = 50;
constexpr int kModemSlots = 30;
// answerField's failure when the answer lacks the field's "&".
constexpr int kNoField = -8;
// An answer of this many characters or fewer does not describe a slot (the meter is asked again).
constexpr int kShortSlotAnswer = 20;
// A TV measurement answer of this many characters or fewer is asked for a second time.
constexpr int kShortMeasureAnswer = 50;
// More unrecognised lines than this (in a row for TV files, in all for modem files) end reading.
constexpr int kMaxUnrecognised = 50;

inline const QString kTvDevice = QStringLiteral("KORVEL-26");
inline const QString kModemDevice = QStringLiteral("KORVEL-25");
inline const QString kEmptySlotTime = QStringLiteral("--:--");
inline const QString kRegistered = QStringLiteral("REGISTERED");
inline const QString kIndexFileName = QStringLiteral("logger.tlg");
inline const QString kIndexSection = QStringLiteral("[LOGGERS]");
inline const QString kMeasuresSection = QStringLiteral("[MEASURES]");
// The fixed column line of a TV file; readers recognise it by its first 24 characters.
inline const QString kTvColumnLine = QStringLiteral(
    "N,    CH,  FREQ,   OFF,    BW,   MOD, ANNEX,    SR,   PWR,   MER,   BER,   SYS,    AF,   LVL,   V/A,   C/N");
constexpr int kTvColumnKeyLength = 24;

// Keys of the key lines ("KEY=value"). Never translated.
namespace Key {
inline const QString Device = QStringLiteral("DEVICE");
inline const QString LoggerNumber = QStringLiteral("LOGGER NUMBER");
inline const QString Logger = QStringLiteral("LOGGER");
inline const QString Location = QStringLiteral("LOCATION");
inline const QString Units = QStringLiteral("UNITS");
inline const QString Time = QStringLiteral("TIME");
inline const QString Date = QStringLiteral("DATE");
inline const QString ThresholdLevel = QStringLiteral("THRESHOLD LEVEL");
inline const QString OptionThreshold = QStringLiteral("OPTION THRESHOLD");
inline const QString ChannelPlan = QStringLiteral("CHANNEL PLAN");
inline const QString ChannelNumber = QStringLiteral("CHANNEL NUMBER");
inline const QString AudioCarrierSignal = QStringLiteral("AUDIO CARRIER SIGNAL");
inline const QString AudioFrequency = QStringLiteral("AUDIO FREQUENCY");
inline const QString Info = QStringLiteral("INFO");
inline const QString Downstream = QStringLiteral("DOWNSTREAM");
inline const QString Upstream = QStringLiteral("UPSTREAM");
inline const QString Headend = QStringLiteral("HEADEND");
inline const QString PingReport = QStringLiteral("PINGREPORT");
}   // namespace Key

// --- families and file names --------------------------------------------------------------

int slotCount(LoggerFamily family);   // 50 TV, 30 cable modem
QString deviceName(LoggerFamily family);   // "KORVEL-26" / "KORVEL-25"
// The logger file extension of the current model ("lg26t", "lg27m", ...), empty without a model.
QString fileType(LoggerFamily family);
FileKind receivedFileKind(LoggerFamily family);   // TvLoggerData / ModemLoggerData
// "temp" NN "." tvLoggerFileType or "tempcm" NN "." modemLoggerFileType in the temporary folder.
QString receivedLoggerPath(LoggerFamily family, int slot);
// 0 when the current model names a file type for the family's received loggers, otherwise
// Err::NoLoggerFileType (nothing may then be received under a name like "temp00.").
int checkReceivedFileType(LoggerFamily family);
QString printScratchPath(int slot);   // "prtemp" NN ".log" (a logger received for printing)
QString printTextPath(int slot);   // "print" NN ".txt" (a report to be printed)
QString indexPath();   // "logger.tlg" in the temporary folder
// The main window's open-dialog filter, in "text|mask|text|mask" form: both variants without a
// model ("*.lg26t|*.lg26t|*.lg27t|*.lg27t"), otherwise only the current model's extension.
QString openFilter(LoggerFamily family);
// The family a file's DEVICE line names; false when the file has no known DEVICE line.
bool familyOfFile(const QString &path, LoggerFamily &family);

// --- values out of lines and answers --------------------------------------------------------

// The three lines every logger file begins with.
QStringList commonHeader();

// Field n (from 1) of an answer: the text strictly between the n-th and the (n+1)-th "&".
// 0, or kNoField (field left empty) when either "&" is missing.
int answerField(const QString &answer, int n, QString &field);
// The field, or an empty text when it is missing.
QString answerFieldOr(const QString &answer, int n);

// Drops one final line feed (with a CR before it) and the leading and trailing blanks.
QString trimValue(const QString &text);

// Whether the line begins with the key's exact text (case-sensitive, over the key's length).
bool isKeyLine(const QString &line, const QString &key);
// The text after the line's first "=" (empty when it has none).
QString keyValue(const QString &line);
// The text after the line's last "=" (the TV viewer's rule for LOCATION).
QString lastKeyValue(const QString &line);
// The integer a text begins with (blanks, an optional sign, digits), 0 when there is none.
int leadingInt(const QString &text);

// The PLR value as shown and printed: a first byte 0xC8 means "less than" and reads "<".
QString plrText(const QString &value);

// --- TV measurements ----------------------------------------------------------------------

constexpr int kMeasurementFields = 16;
constexpr int kMeasurementFieldLength = 19;

// One measurement line of a TV file: N, CH, FREQ, OFF, BW, MOD, ANNEX, SR, PWR, MER, BER, SYS,
// AF, LVL, V/A, C/N. Fields 1 to 15 carry no blanks; field 0 is kept as it stands.
struct TvMeasurement {
    enum Field { N, CH, FREQ, OFF, BW, MOD, ANNEX, SR, PWR, MER, BER, SYS, AF, LVL, VA, CN };
    std::array<QString, kMeasurementFields> field;
    // N read as an integer: the viewer puts the measurement in grid row N + 1.
    int number() const { return leadingInt(field[N]); }
};

// The fields of a measurement line: commas separate fields, a run of commas counts as one
// separator, a leading comma is skipped, at most 16 fields are taken. Fields 1 to 15 lose their
// blanks, every field is cut to 19 characters.
QStringList measurementFields(const QString &line);
// The number of fields found; when it is 16, m holds them, otherwise m is left untouched.
int splitMeasurement(const QString &line, TvMeasurement &m);

// The measurement line made from the meter's answer for one channel: the answer from its fourth
// character, every "," turned to ".", then every "&" to ",", then every "-" that does not start
// a number turned to a blank (decimal commas become points, placeholder dashes become blanks,
// negative values keep their sign).
QString measurementLineFromAnswer(const QString &answer);

// --- writing -------------------------------------------------------------------------------

// Writes one logger file line by line beside its target and moves it over the target only on
// commit(), so a reception that fails never leaves a torn file and a discarded one never
// replaces an older good file.
class LoggerFileWriter {
public:
    explicit LoggerFileWriter(const QString &path);
    ~LoggerFileWriter();
    // False when the file cannot be created.
    bool open();
    // Appends a line (Latin-1, ended by CR LF). Line breaks inside the text become blanks, so a
    // value can never split a line of the file.
    void writeLine(const QString &line);
    void writeLines(const QStringList &lines);
    // Puts the complete file in place. False when it could not be written.
    bool commit();
    // Why open() or commit() failed: Err::UnableToOpenFile or Err::WriteFailed; 0 otherwise.
    int failureCode() const { return code; }
    // Drops what was written; the target stays as it was.
    void discard();
    int linesWritten() const { return count; }

private:
    QString target;
    std::unique_ptr<AtomicFile> file;
    int count = 0;
    int code = 0;
};

}   // namespace Logger

// The record and the three rules every datalogger part uses, by their plain names.
using Logger::answerField;
using Logger::splitMeasurement;
using Logger::trimValue;
using Logger::TvMeasurement;

// --- TvLoggerFile ----------------------------------------------------------------------------

struct TvLoggerHeader {
    QString loggerNumber;   // texts as they stand in the file
    QString location;   // from the LOCATION line's last "="
    QString time;
    QString date;
    QString channelPlan;
    QString units;
    QString channelNumber;   // the CHANNEL NUMBER text
    QString thresholdLevel;
    QString optionThreshold;   // kept by the report reader; no writer produces it
    QString device;
    int channelCount = 0;   // CHANNEL NUMBER as an integer
};

struct TvLoggerContents {
    TvLoggerHeader header;
    QList<TvMeasurement> measurements;   // accepted lines in file order; place them by number()
    int skippedLines = 0;   // measurement lines that did not split into 16 fields
};

namespace TvLoggerFile {
// Lines 1 to 12 made from the slot's header answer: the common header, DEVICE, LOGGER NUMBER,
// then LOCATION, UNITS, TIME, DATE, THRESHOLD LEVEL, CHANNEL PLAN, CHANNEL NUMBER. An empty
// answer gives lines 1 to 5 only. measureCount receives CHANNEL NUMBER as an integer (0 for an
// empty answer), the number of measurements to ask for.
QStringList headerLines(int slot, const QString &headerAnswer, int &measureCount);
// "[MEASURES]", "LOGGER=" with the measurement count, and the column line.
QStringList measuresLines(int measureCount);

// Reads and accepts a file by the TV viewer's rules. 0 when accepted; -65 when the file cannot
// be read or is rejected (DEVICE other than KORVEL-26, more than 50 unrecognised lines in a
// row, no valid measurement line). contents is filled as far as the file was read.
int read(const QString &path, TvLoggerContents &contents);

// Copies source to target with every LOCATION line of the header replaced by "LOCATION=" and
// the location (line breaks in it become blanks). A file without a LOCATION line gets one after
// its LOGGER NUMBER line, or at the end of its header without one; measurement lines stay as
// they are. The target is replaced only when the copy is complete; source and target
// may be the same file. 0, or -65 when either end cannot be used (target left as it was).
int saveWithLocation(const QString &source, const QString &target, const QString &location);
}   // namespace TvLoggerFile

// --- ModemLoggerFile -------------------------------------------------------------------------

struct ModemLoggerRecord {
    int loggerNumber = 0;
    bool hasLoggerNumber = false;
    // Values as the viewer shows them: INFO fields as they are; DOWNSTREAM and UPSTREAM fields
    // reduced to the text after their last ":", trimmed and without "$"; HEADEND and
    // PINGREPORT fields trimmed, the PLR's 0xC8 shown as "<". A missing field is empty.
    std::array<QString, 4> info;   // time, date, description, status
    std::array<QString, 7> downstream;   // power, MER, frequency, channel/plan, modulation, SR, PreBER
    std::array<QString, 6> upstream;   // power, attenuation, frequency, bandwidth, modulation, SR
    std::array<QString, 4> headend;   // IP cable modem, IP ToD server, IP TFTP server, config file
    std::array<QString, 7> pingReport;   // address, sent, received, PLR, time min, max, avg
    bool hasInfo = false, hasDownstream = false, hasUpstream = false, hasHeadend = false, hasPingReport = false,
         hasLocation = false;
    // The comments: the LOCATION value and every later line, joined by CR LF for display.
    QString comments;

    bool registered() const { return info[3] == Logger::kRegistered; }
    // Whether the viewer and the report show HEADEND and PINGREPORT: a registered modem, and a
    // model that carries registration details (modelTypeCode other than 3).
    bool showsRegistrationDetails() const;
};

namespace ModemLoggerFile {
// "KEY=answer" with every "$" among the answer's first 200 characters turned to a blank.
QString sectionLine(const QString &key, const QString &answer);
// The LOCATION line written right after a received PINGREPORT line.
QString emptyLocationLine();

// Reads and accepts a file by the cable-modem viewer's rules. 0 when accepted (an UPSTREAM line
// was read); -65 when it cannot be read or has no UPSTREAM line.
int read(const QString &path, ModemLoggerRecord &record);

// Copies source to target with the LOCATION line and every comment line after it replaced by
// "LOCATION=" and the comments (each CR LF or LF in them starts a new line of the file); the
// lines before LOCATION are copied unchanged. A file that has no LOCATION line gets one at its
// end. The target is replaced only when the copy is complete; source and target may be the
// same file. 0, or -65 when either end cannot be used (target left as it was).
int saveWithComments(const QString &source, const QString &target, const QString &comments);
}   // namespace ModemLoggerFile

// --- LoggerIndexFile -------------------------------------------------------------------------

struct LoggerIndexEntry {
    bool valid = false;   // fields 1 to 3 were found (otherwise the row stays as it was)
    QString time, date, name;
    bool print = false;   // the print mark: set for a non-empty slot when read
    QString answer;   // the slot's header answer as received
    bool isEmpty() const { return time == Logger::kEmptySlotTime; }
};

namespace LoggerIndexFile {
// The common header and "[LOGGERS]".
QStringList headLines();
// Whether a header answer describes a slot (more than 20 characters).
bool isSlotAnswer(const QString &answer);
// The all-loggers scan's test: characters 7 to 11 of the answer are not "--:--".
bool answerShowsLogger(const QString &answer);
// Entries after the first line beginning with "[LOGGERS]", entry k describing slot k. Returns
// the number of entries (the file is accepted when it is above 0), or -65 when the file cannot
// be read.
int read(const QString &path, QList<LoggerIndexEntry> &entries);
LoggerIndexEntry entryFromAnswer(const QString &answer);
}   // namespace LoggerIndexFile
