#pragma once
// The combined file: the plans of a group joined into one temporary file before they are
// turned into the meter's command script. Layout (every line ends with CR LF):
//
//   #=====================================
//   Kelvatrone :  CONTROL REMOT PROGRAM
//   #=====================================
//   CHANNEL PLAN(3)                       number of plans, 1 to 10
//   CHANNEL8(AB,,,,12,0)                  each plan's header, its last field = position from 0
//   CHANNEL8(CD,PAL,FM,5.50,4,1)
//   CHANNEL8(EF,,,,2,2)
//   #=====================================
//   ORDER(0)                              section of plan 0 (only when its file has "ORDER")
//   1,C21,474.00,...                      its channel lines, copied unchanged, at most 140
//   ...
//   #=====================================
//   ORDER(1)
//   ...
//   #=====================================
//
// Plan positions and ORDER numbers count from 0; channel numbers inside a section from 1.

#include <QList>
#include <QString>
#include <QStringList>

constexpr int kMaxGroupPlans = 10;

// Writes the combined file of the plans at memberPaths, in that order, to a new file beside
// path that is moved over it when complete. Returns 0, or:
//  -16  no plan;  -17  more than 10 plans;
//  -65  a member cannot be opened, or the combined file cannot be written;
//  -153 a member is not a plan file or has no usable header (a "CHANNEL8" line within its
//       first 20 lines whose channel count is a whole number from 1 to 140) before its
//       "[CHANNELS_" line: its channels could not be announced to the meter correctly.
// On any failure nothing is written and an existing file at path is left as it was.
int writeCombinedFile(const QString &path, const QStringList &memberPaths);

// What the script builder needs of a combined file, read back by the same rules it uses:
// a line beginning "CHANNEL PLAN" gives the plan count, "CHANNEL8" a header,
// "#===================" ends a section, a non-empty line inside a section is a channel line,
// "ORDER(n)" starts the section of plan n; other lines are ignored.
struct CombinedPlanHeader {
    QString line;   // as in the file
    QString name;   // between "(" and the first comma
    int channelCount = -1;   // between the fourth and fifth comma; -1 when not a whole number
    int position = -1;   // the last field; -1 when not a whole number
};
struct CombinedPlanSection {
    int order = -1;   // the number in "ORDER(n)"
    QStringList channelLines;
};
struct CombinedPlanFile {
    int planCount = 0;
    QList<CombinedPlanHeader> headers;
    QList<CombinedPlanSection> sections;
};

// 0, -65 when the file cannot be opened, -153 when it has no "CHANNEL PLAN(n)" line or an
// "ORDER" line without "(".
int readCombinedFile(const QString &path, CombinedPlanFile &combined);
