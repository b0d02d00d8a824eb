#include "TestData.h"
#include "SimulatedMeter.h"

#include "app/AppState.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QPixmap>
#include <QWidget>

QStringList cutTexts(QWidget *w)
{
    QStringList cut;
    for (auto *b : w->findChildren<QAbstractButton *>()) {
        if (!b->isVisible() || b->text().isEmpty())
            continue;
        const int room = b->width() - (qobject_cast<QCheckBox *>(b) ? 20 : 8);
        if (b->fontMetrics().horizontalAdvance(b->text().remove(QLatin1Char('&'))) > room)
            cut << b->text();
    }
    for (auto *l : w->findChildren<QLabel *>())
        if (l->isVisible() && !l->wordWrap() && l->fontMetrics().horizontalAdvance(l->text()) > l->width())
            cut << l->text();
    return cut;
}

bool saveScreenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KV_SCREENSHOTS");
    if (dir.isEmpty())
        return true;
    QDir().mkpath(dir);
    const QString file = name.endsWith(QLatin1String(".png")) ? name : name + QStringLiteral(".png");
    return w->grab().save(dir + QLatin1Char('/') + file);
}

bool startMeterOnPort(SimulatedMeter &meter)
{
    if (!meter.start())
        return false;
    app().PortName = meter.devicePath();
    return true;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray joinLines(const QStringList &lines, const QByteArray &eol)
{
    QByteArray out;
    for (const QString &l : lines)
        out += l.toLatin1() + eol;
    return out;
}

QByteArray planText(const QString &name, const QStringList &channels)
{
    QByteArray out = "#=====================================\r\n:  CONTROL REMOT PROGRAM\r\n"
                     "#=====================================\r\nCHANNEL PLAN(1)\r\n";
    out += QStringLiteral("CHANNEL8(%1,,,,%2,1)\r\n").arg(name).arg(channels.size()).toLatin1();
    out += "ORDER(1)\r\n[CHANNELS_OFFSET]\r\n";
    for (const QString &c : channels)
        out += c.toLatin1() + "\r\n";
    return out;
}

const QStringList kExampleChannels = {
    QStringLiteral("1,C21,474.00,476.75,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,AUTO"),
    QStringLiteral("2,S2,48.25,50.25,0.0,7.0,OFF,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG"),
};

const QString kExampleFs = QStringLiteral("*FS000404010400020400030103040202050400060202070201");

const QStringList kExampleScript = {
    QStringLiteral("*FL08"),
    kExampleFs,
    QStringLiteral("*EP"),
    QStringLiteral("*PN01"),
    QStringLiteral("*CS00AB"),
    QStringLiteral("*CW00002"),
    QStringLiteral("*CF00000&C21&474000000&8000000&0&00&02&6875&129"),
    QStringLiteral("*CF00001&S2&48250000&7000000&0&00&00&6875&00"),
    QStringLiteral("*PM01"),
};
