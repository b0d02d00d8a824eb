#pragma once
// Loggers with known values for the tests of the level chart, the CSV export and the PDF files:
// TV loggers made from the meter's answers as the reception writes them (decimal commas turned
// to points, placeholder dashes to blanks), and a cable-modem logger.

#include "TestData.h"
#include "datalogger/LoggerFiles.h"

#include <QByteArray>
#include <QStringList>

// The head of a TV logger file up to its column line.
inline QByteArray tvLoggerHead(int count, const QByteArray &threshold = "45", const QByteArray &units = "dBuV")
{
    return kLoggerHead + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=3\r\nLOCATION=ROOF A\r\nUNITS=" + units
           + "\r\nTIME=09:12\r\nDATE=05/12/26\r\nTHRESHOLD LEVEL=" + threshold
           + "\r\nCHANNEL PLAN=TDT\r\nCHANNEL NUMBER=" + QByteArray::number(count)
           + "\r\n[MEASURES]\r\nLOGGER=" + QByteArray::number(count) + "\r\n" + kTvLoggerColumns;
}

// The measurement lines of the meter's answers.
inline QByteArray tvLoggerLines(const QStringList &answers)
{
    QByteArray lines;
    for (const QString &a : answers)
        lines += Logger::measurementLineFromAnswer(a).toLatin1() + "\r\n";
    return lines;
}

// Five channels, threshold 45 dBuV, the line of channel 4 before that of channel 3:
//   0 C21 digital, Pwr 52.3, MER 33.1          reaches the threshold
//   1 S2  analog, Level 61.2, C/N 45.0         reaches it
//   2 C25 digital, Pwr -1.5 (negative)         under it
//   4 C27 digital, Pwr 44.9                    under it
//   3 C26 no value but its frequency           not measured
inline const QStringList kSampleTvAnswers = {
    QStringLiteral("*HD0&C21&474,00&-0,50&8,0&QAM64&A&6875&52,3&33,1&1,0E-8&-&-&-&-&-"),
    QStringLiteral("*HD1&S2&48,25&0,00&7,0&-&-&-&-&-&-&PAL/BG&5,50&61,2&-12,5&45,0"),
    QStringLiteral("*HD2&C25&506,00&0,12&8,0&QAM256&C&6900&-1,5&28,4&2,3E-5&-&-&-&-&-"),
    QStringLiteral("*HD4&C27&522,00&0,00&8,0&QAM64&A&6875&44,9&31,0&1,0E-7&-&-&-&-&-"),
    QStringLiteral("*HD3&C26&514,00&0,00&8,0&-&-&-&-&-&-&-&-&-&-&-"),
};

inline QByteArray sampleTvLogger(const QByteArray &threshold = "45")
{
    return tvLoggerHead(5, threshold) + tvLoggerLines(kSampleTvAnswers);
}

// n digital channels with levels spread around the threshold (every third one under it).
inline QByteArray manyChannelTvLogger(int n)
{
    QStringList answers;
    for (int i = 0; i < n; ++i) {
        const int level = i % 3 == 0 ? 30 + i % 10 : 50 + i % 20;
        answers << QStringLiteral("*HD%1&C%2&%3,00&0,00&8,0&QAM64&A&6875&%4,5&%5,0&1,0E-8&-&-&-&-&-")
                       .arg(i)
                       .arg(21 + i)
                       .arg(474 + 8 * i)
                       .arg(level)
                       .arg(25 + i % 12);
    }
    return tvLoggerHead(n) + tvLoggerLines(answers);
}

// A registered cable modem whose description holds a comma and whose comments hold quotes and
// a second line.
inline const QByteArray kSampleModemLogger =
    kLoggerHead
    + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=7\r\n"
      "INFO=*HL07&09:15&06/12/26&SHOP, FLOOR 2&REGISTERED&\r\n"
      "DOWNSTREAM=*HD0700&PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&\r\n"
      "UPSTREAM=*HD0701&PWR:42,0dBmV&ATT:3dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QPSK&SR:2560kS/s&\r\n"
      "HEADEND=*HD0702&10.1.2.33&10.1.0.1&10.1.0.2&modem cfg.bin&\r\n"
      "PINGREPORT=*HD0703&10.1.0.1&10&10&\xC8"
      "1%&3ms&12ms&5ms&\r\n"
      "LOCATION=Amplifier \"B\" replaced\r\nsecond line\r\n";

#include <QProcess>
#include <QRegularExpression>

// Makes a file unchangeable even for the super-user, so that replacing it must fail.
inline bool setImmutable(const QString &path, bool on)
{
    QProcess p;
    p.start(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), path});
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The text of a PDF file as pdftotext (poppler-utils) reads it; empty when it cannot.
inline QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page count pdfinfo gives; -1 when it cannot.
inline int pdfPages(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000))
        return -1;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}
