#pragma once
// One command of the meter's protocol as one exchange on the port, with the transaction log.
// Every command the program sends is built here, by a function named after what it does.

#include "link/SerialPort.h"
#include <QByteArray>
#include <QString>

namespace CommandLink {

// One exchange, no retry. 0: order acknowledged; >0 success with that many characters
// (for a query, the answer's length including its CR); negative: the port's failure codes.
// For a query, answer receives the bare answer line.
int Transact(SerialPort &port, const QByteArray &command, QByteArray &answer);
int TransactWithRetry(SerialPort &port, const QByteArray &command, QByteArray &answer, int attempts);
// Writes the framed text and waits for the acknowledgement.
int SendCommand(SerialPort &port, const QByteArray &framed, int timeoutMs);
// Whether a query's answer is the meter's: it repeats the query's name behind "*" ("*?CW00" is
// answered "*CW003"). Line noise that happens to end in a CR is not. (Not for "*?VE", which the
// loader answers "BOOT".)
bool AnswersQuery(const QByteArray &command, const QByteArray &answer);

}   // namespace CommandLink

// The meter's command table.
namespace Cmd {
QByteArray askVersion();   // "*?VE"
QByteArray askConfigGroup();   // "*?CG"
QByteArray askPlanCount();   // "*?PN"
QByteArray askPlanName(int plan);   // "*?CS%02d"
QByteArray askChannelCount(int plan);   // "*?CW%.2d"
QByteArray askChannel(int plan, int channel);   // "*?CF%.2d%.2d"
QByteArray flashLoad();   // "*FL08"
QByteArray fixedSetup();   // "*FS0004..."
QByteArray erasePlans();   // "*EP"
QByteArray setPlanCount(int count);   // "*PN%.2d"
QByteArray setPlanName(int plan, const QByteArray &name);   // "*CS%.2d%s"
QByteArray setChannelCount(int plan, int count);   // "*CW%.2d%.3d"
// "*CF%.2d%.3d&%s&%.0f&%.0f&%.0f&%02d&%02d&%04d&%02d" (models with "ch26" plans)
QByteArray setChannelFull(int plan, int channel, const QByteArray &name, double v1, double v2, double v3, int i1,
                          int i2, int i3, int i4);
// "*CF%.2d%.3d&%s&%.0f&%.0f&%.0f&" (models with "ch25" plans)
QByteArray setChannelShort(int plan, int channel, const QByteArray &name, double v1, double v2, double v3);
QByteArray planEnd();   // "*PM01"
QByteArray restart();   // "*RS0"
QByteArray restartToLoader();   // "*RS2"
QByteArray selectModemLoggers();   // "*TL1"
QByteArray selectTvLoggers();   // "*TL2"
QByteArray askLoggerHeader(int logger);   // "*?HL%02d"
QByteArray askLoggerHeaderCr(int logger);   // "*?HL%.2d" + CR
QByteArray askModemPart(int logger, int part);   // "*?HD%.2d%.2d", part 0..3
QByteArray askTvMeasure(int logger, int measure);   // "*?HD%02d%03d" + CR
QByteArray eraseSector(int sector);   // "*FE%d"
QByteArray firmwareLine(const QByteArray &line);   // "*SX" + line
}   // namespace Cmd
