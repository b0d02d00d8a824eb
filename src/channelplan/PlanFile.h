#pragma once
// Channel plan files (".ch26", ".ch25"): one plan per file, read and written here and nowhere
// else.
//
// Layout written by the editor (every line ends with CR LF):
//   #=====================================
//   :  CONTROL REMOT PROGRAM
//   #=====================================
//   CHANNEL PLAN(1)
//   CHANNEL8(AB,,,,12,1)                 name, three unused fields, channel count, position
//   ORDER(1)
//   [CHANNELS_OFFSET]
//   1,--,47.75,50.50,0.0,8.0,ON,DIGITAL,6875,DVB,QAM16,AUTO,AUTO
//   ...                                  one line per channel: number, then the twelve fields
//
// A plan received from the meter has "Kelvatrone :  CONTROL REMOT PROGRAM" as its second line,
// the header "CHANNEL8(AB,PAL,FM,5.50,12,1)" and its numbers written "%.2f" (frequencies and
// offset), "%.1f" (bandwidth) and "%d" (symbol rate). One reader takes both, with CR LF or LF.

#include "channelplan/ChannelRecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

constexpr int kMaxChannels = 140;   // the editor's grid numbers 140 rows
constexpr int kPlanScanLines = 201;   // readers look no further into a plan file

struct ChannelPlanFile {
    QString planName;
    // The header's channel count. After readPlanFile it equals channels.size() (rows the file
    // lacks are there as empty channels). writePlanFile writes channels.size();
    // writeReceivedPlanFile writes this count, which may exceed the channels received so far.
    int channelCount = 0;
    QList<ChannelRecord> channels;

    // A new plan: name "--" and one channel with the new-channel defaults.
    static ChannelPlanFile newPlan();
};

// The fields of a "CHANNEL8(...)" header line.
struct PlanHeader {
    QString name;   // from the tenth character to the first comma
    std::optional<int> channelCount;   // between the fourth and fifth comma; nothing if not a whole number
    QString position;   // the last field, before ")"
};
// Nothing when the line does not begin with "CHANNEL8".
std::optional<PlanHeader> parsePlanHeader(const QString &line);

// Reads a plan: the header and the "[CHANNELS_" line must lie within the first 201 lines,
// then as many channel lines as the header's count are taken (lines with fewer than 9 commas
// are skipped). Returns 0, or:
//  -65  the file cannot be opened;
//  -153 it is not a plan file: no "[CHANNELS_" line within its first 201 lines, no header
//       before that line, a header without a usable channel count (not a whole number, or
//       below 1), or one that declares more than 140 channels.
// On failure the plan is left empty. The file is never changed.
int readPlanFile(const QString &path, ChannelPlanFile &plan);

// Writes the plan in the editor's layout, to a new file beside the path that is moved over it
// when complete. 0, or -65 when it cannot be written (an existing file is then left as it was).
int writePlanFile(const QString &path, const ChannelPlanFile &plan);

// The received-plan layout, for the receive job. The numbers of each channel are written in
// the received formats (two decimals for the frequencies and the offset, one for the
// bandwidth, a whole symbol rate); a field that is not a number is written as it is. The
// header, "ORDER(1)" and "[CHANNELS_OFFSET]" are written only when channelCount is above 0
// and the plan has a name; channel lines are written for every entry of channels.
QStringList receivedPlanLines(const ChannelPlanFile &plan);
// One channel line of a received plan ("1,C21,474.00,476.75,0.00,8.0,ON,DIGITAL,...").
QString receivedChannelLine(int number, const ChannelRecord &channel);
// receivedPlanLines written atomically; 0 or -65.
int writeReceivedPlanFile(const QString &path, const ChannelPlanFile &plan);

// One channel line of the editor's layout ("1,--,47.75,...,AUTO,AUTO").
QString planChannelLine(int number, const ChannelRecord &channel);
// The fields of a channel line split at its commas: element 0 is the channel number, element
// k the k-th field. Nothing for a line with fewer than 9 commas (not a channel).
std::optional<QStringList> splitChannelLine(const QString &line);

// True when a line beginning with "[CHANNELS_" occurs within the first 201 lines.
bool isPlanFile(const QString &path);

// Reads at most maxLines lines of a text file as Latin-1, accepting CR LF and LF. A line
// longer than 4096 bytes is cut there (the rest of it is skipped). False when the file cannot
// be opened.
bool readLeadingLines(const QString &path, int maxLines, QStringList &lines);
