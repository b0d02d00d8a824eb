#pragma once
// Small helpers several tests share: screenshots, a file's bytes, text files built from lines,
// and the example group of one plan with two channels and the commands that send it.

#include <QByteArray>
#include <QString>
#include <QStandardPaths>
#include <QStringList>

// Skips the rest of a test, saying so, where a program it reads its results with is not
// installed: scripts/install-deps installs each on Debian; Windows has none of them.
#define KV_SKIP_WITHOUT(program, package)                                                                              \
    do {                                                                                                               \
        if (QStandardPaths::findExecutable(QStringLiteral(program)).isEmpty())                                         \
            QSKIP(program " (" package ") is not installed; scripts/install-deps installs it");                        \
    } while (false)

class QWidget;
class SimulatedMeter;

// Saves a picture of the widget into $KV_SCREENSHOTS as name (".png" added when name has no
// such ending). Nothing is saved when the variable is not set. False when the picture could not
// be written.
bool saveScreenshot(QWidget *w, const QString &name);
// The texts of the window's visible buttons and one-line labels that are wider than their
// control: a window whose texts all fit in a language gives an empty list.
QStringList cutTexts(QWidget *w);

// Starts the simulated meter and points the program's port at it; false when it did not start.
bool startMeterOnPort(SimulatedMeter &meter);

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// The lines joined, each ended by eol.
QByteArray joinLines(const QStringList &lines, const QByteArray &eol = "\r\n");

// A channel plan file in the editor's layout holding the given channel lines.
QByteArray planText(const QString &name, const QStringList &channels);

// The head every logger file starts with, and the TV logger's column line. Inline, so that a
// test's own constants built from them at start-up find them ready.
inline const QByteArray kLoggerRule = "#=====================================\r\n";
inline const QByteArray kLoggerHead = kLoggerRule + "Kelvatrone :  CONTROL REMOT PROGRAM\r\n" + kLoggerRule;
inline const QByteArray kTvLoggerColumns =
    "N,    CH,  FREQ,   OFF,    BW,   MOD, ANNEX,    SR,   PWR,   MER,   BER,   SYS,    AF,   LVL,   V/A,   C/N\r\n";

// The example group: the two channels of plan "AB" in the plan file's layout, the "*FS" line
// it sends (the meter's field formats) and the commands that send it to the meter, in order.
extern const QStringList kExampleChannels;
extern const QString kExampleFs;
extern const QStringList kExampleScript;
