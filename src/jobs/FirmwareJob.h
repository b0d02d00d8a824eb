#pragma once
// The firmware upgrade (job 0x50): the check of the firmware file, the upgrade itself
// ("*RS2", six sector erases, one "*SX" command per firmware line, "*RS0") and, for a model
// that was chosen by hand, the check of the restarted meter.

#include "jobs/JobContext.h"
#include <QString>
#include <QStringList>

// The pauses and time-outs of an upgrade. The defaults are what the meter needs; tests shorten
// the pauses (never the erase time-out they check) so that they run in a moment.
struct FirmwareTiming {
    int restartWaitMs = 2000;   // after "*RS2", while the meter restarts into its loader
    int eraseTimeoutMs = 40000;   // port time-out of one sector erase
    int normalTimeoutMs = 3000;   // port time-out for everything else
    int checkWaitMs = 2000;   // after "*RS0", before the restarted meter is asked who it is
};

// The timing used by every upgrade (the job is started through the transfer window, which
// knows nothing of it). Set only while no upgrade runs.
FirmwareTiming &firmwareTiming();

// Each firmware line travels behind "*SX" in an 80-byte command buffer: 76 characters,
// counting the line feed that ends it, is the longest line that arrives whole.
constexpr int kFirmwareLineLimit = 76;
// Erase commands go to these sectors, in this order (sector 2 twice).
constexpr int kFirmwareSectors[6] = {2, 3, 4, 5, 6, 2};
constexpr int kEraseAttempts = 5;

// Why the check refused a file, for a message that names the line.
struct FirmwareFileProblem {
    enum Kind { None, NotFirmware, TooLong, ControlCharacter, TooLarge, CutRecord };
    Kind kind = None;
    int line = 0;   // from 1; 0 for NotFirmware
};

// The check before the job: 0 when the file can be sent; -253 when it cannot be opened;
// -65 when it does not begin with "S", holds a line longer than the limit or a control
// character inside a line, is larger than any firmware file (kMaxReadBytes), or its last
// S-record was cut short. A Ctrl-Z (0x1A) ends the text, as the end mark of a text file.
// On success lines receives the file's lines without their line ends; on -65 problem (when
// given) says why.
int checkFirmwareFile(const QString &path, QStringList *lines = nullptr, FirmwareFileProblem *problem = nullptr);

// Why the check refused a file, in the current language ("Line 3: control character").
QString firmwareProblemText(const FirmwareFileProblem &problem);

// The progress maximum of a file of that size: an estimate of its line count.
int firmwareProgressMaximum(qint64 fileSize);

// What the last upgrade did, for the window that started it (the transfer window closes when
// the job ends) and for the command line.
struct FirmwareRun {
    bool ran = false;   // false: no upgrade since the last take
    int result = 0;   // the file check's or the upgrade's result
    QString fileProblem;   // why the file check refused the file, in the current language
    QString stoppedAt;   // the step where a failed upgrade stopped, in the current language;
        // empty when it did not start (file check, port) or succeeded
    bool meterChecked = false;   // the restarted meter was asked who it is
    int checkResult = 0;   // 0, -97 or -209
    int identifiedIndex = -1;   // catalogue index of the model the restarted meter named
    QString identifiedName;
};

// Returns the record of the last upgrade and clears it.
FirmwareRun takeLastFirmwareRun();

// Makes the model the restarted meter named the current model index, as an identification
// does (CurrentModel keeps the model chosen by hand). Called on the window thread after the
// job; the main window then refreshes its commands and shows the name.
void applyRestartedMeter(const FirmwareRun &run);
