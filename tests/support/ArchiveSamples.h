#pragma once
// TV loggers made to order for the archive's tests: a location, a date and the channels with
// their levels, as the reception writes them.

#include "TestData.h"
#include "datalogger/LoggerFiles.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct SampleChannel {
    QString name;
    double frequency;
    QString level;   // the meter's text: "52,3", "-" for no value
};

inline QByteArray tvLogger(const QString &location, const QString &date, const QList<SampleChannel> &channels,
                           const QString &time = QStringLiteral("09:12"),
                           const QString &threshold = QStringLiteral("45"))
{
    QByteArray out = kLoggerHead + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=3\r\nLOCATION=" + location.toLatin1()
                     + "\r\nUNITS=dBuV\r\nTIME=" + time.toLatin1() + "\r\nDATE=" + date.toLatin1()
                     + "\r\nTHRESHOLD LEVEL=" + threshold.toLatin1()
                     + "\r\nCHANNEL PLAN=TDT\r\nCHANNEL NUMBER=" + QByteArray::number(channels.size())
                     + "\r\n[MEASURES]\r\nLOGGER=" + QByteArray::number(channels.size()) + "\r\n" + kTvLoggerColumns;
    for (int i = 0; i < channels.size(); ++i) {
        const SampleChannel &c = channels[i];
        const QString answer =
            QStringLiteral("*HD%1&%2&%3&0,00&8,0&QAM64&A&6875&%4&30,5&1,0E-8&-&-&-&-&-")
                .arg(i)
                .arg(c.name)
                .arg(QString::number(c.frequency, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(',')))
                .arg(c.level);
        out += Logger::measurementLineFromAnswer(answer).toLatin1() + "\r\n";
    }
    return out;
}

// n channels C21, C22, ... at 474, 482, ... MHz, their levels base + i % 7.
inline QByteArray tvLoggerOfSize(int n, const QString &location, const QString &date, int base = 50)
{
    QList<SampleChannel> channels;
    for (int i = 0; i < n; ++i)
        channels.append({QStringLiteral("C%1").arg(21 + i), 474.0 + 8 * i, QStringLiteral("%1,5").arg(base + i % 7)});
    return tvLogger(location, date, channels);
}
