#pragma once
// Channel plan groups on the meter: the command script that sends a group, the short queries
// about the plans the meter holds, and the decoding of a received channel. The two jobs
// themselves (0xB0 send, 0xD0 receive) are declared in jobs/Jobs.h with the other jobs.

#include "channelplan/ChannelRecord.h"
#include "link/SerialPort.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Name of the command script in the temporary folder.
inline constexpr const char *kScriptFileName = "send.pro";

// Turns the combined file of a group into the command script "send.pro" in the temporary
// folder, for the current model's plan type. 1: complete; 0: a line could not be turned into
// commands (the script then holds what was written so far and ends with "*PM01");
// -8: the combined file could not be read or the script could not be created; -254 (WriteFailed):
// the script could not be written whole (the old one stays).
int BuildCommandScript(const QString &combinedPath);
// The same into any script path, for a given plan type ("ch26", "ch25"). failedLine, when
// given, receives the combined-file line that could not be converted (result 0).
int BuildCommandScript(const QString &combinedPath, const QString &scriptPath, const QString &planType,
                       QString *failedLine = nullptr);
// The script lines for the lines of a combined file (no file access). Result 1 or 0 as above.
int commandScriptLines(const QStringList &combinedLines, const QString &planType, QStringList &script,
                       QString *failedLine = nullptr);

// Copies "send.pro" from the temporary folder to the destination. 1; 0 when there is no script;
// -254 (WriteFailed) when the copy could not be written (the destination is then left as it was).
int CopyCommandScript(const QString &destination);

// Path of the combined file the group editor writes before sending: the temporary folder,
// "temp." and the model's group type with its last three characters replaced by "kv8"
// ("temp.tkv8" for "tx26").
QString combinedFilePath();

// Short queries on the calling thread; each opens and closes the port itself.
// 1: go ahead (the meter holds plans, or it could not be asked); 0: the meter holds none.
// The same "*?CG" question serves the datalogger receptions (LoggerJobs::channelPlanPreCheck).
int AskPlansPresent(SerialPort &port = thePort());
// The number of plans; -87 when the port cannot be opened, -96 when the exchange failed or
// the answer is not a count.
int AskPlanCount();
// The file name of plan p ("ab.ch26") into name: 0; Err::NotFreePort when the port cannot be
// opened; Err::CommunicationError when the exchange failed (name is then empty).
int AskPlanFileName(int plan, QString &name);
// The file name for the "*?CS" answer of plan p (from 0): the name from offset 3, trimmed of
// blanks and control characters, in lower case, each character that cannot be in a file name
// (or a name of dots alone) turned to "_", then "." and the plan type. A name that trims to
// nothing becomes "plan" and the plan's number counted from 1 ("plan01.ch26" for p = 0).
QString planFileNameFromAnswer(const QByteArray &answer, int plan, const QString &planType);

// A file name for a received plan that no other member of the group already has: the name
// itself, or the name with "_2", "_3", ... before its extension. Compared without case.
QString uniqueMemberName(const QString &name, const QStringList &taken);

// One channel answer of "*?CF" decoded for a plan of that type ("ch26": every field from the
// answer; otherwise the short form). False when the answer lacks a field.
bool decodeChannelAnswer(const QByteArray &answer, const QString &planType, ChannelRecord &channel);
