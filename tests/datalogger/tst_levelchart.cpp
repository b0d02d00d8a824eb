// The level chart's figures, worked out without a window: which channels get a bar, at what
// level, which are under the threshold, the quality beside each, the summary and the tooltips.

#include "LoggerSamples.h"
#include "TestWorkspace.h"
#include "app/StringTable.h"
#include "datalogger/LevelChart.h"

#include <QTest>
#include <cmath>

class TestLevelChart : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestWorkspace> ws;

    LevelChart::Model modelOf(const QByteArray &file)
    {
        LevelChart::Model m;
        const int r = LevelChart::load(ws->write(QStringLiteral("Temp/chart.lg27t"), file), m);
        if (r != 0)
            qWarning("load: %d", r);
        return m;
    }

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>(false);
        StringTable::fillStringTable();
        StringTable::setLanguage(0);
    }
    void cleanup()
    {
        StringTable::setLanguage(0);
        ws.reset();
    }

    void readsMeterNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("point") << "52.3" << true << 52.3;
        QTest::newRow("decimal comma") << "44,9" << true << 44.9;
        QTest::newRow("negative") << "-1.5" << true << -1.5;
        QTest::newRow("negative without leading zero") << "-.5" << true << -0.5;
        QTest::newRow("plus sign") << "+3" << true << 3.0;
        QTest::newRow("exponent") << "2.3E-5" << true << 2.3e-5;
        QTest::newRow("blank") << "" << false << 0.0;
        QTest::newRow("blanks") << "   " << false << 0.0;
        QTest::newRow("placeholder dash") << "-" << false << 0.0;
        QTest::newRow("word") << "PAL/BG" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("number then text") << "45dB" << false << 0.0;
    }
    void readsMeterNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double v = -999;
        QCOMPARE(LevelChart::readNumber(text, v), ok);
        if (ok)
            QCOMPARE(v, value);
        else
            QCOMPARE(v, -999.0);
    }

    void barsOfTheSampleLogger()
    {
        const LevelChart::Model m = modelOf(sampleTvLogger());
        QVERIFY(m.hasThreshold);
        QCOMPARE(m.threshold, 45.0);
        // One place per channel, in the order of the channels' numbers, not of the lines.
        QCOMPARE(m.bars.size(), 5);
        QStringList names;
        for (const LevelChart::Bar &b : m.bars)
            names << b.name();
        QCOMPARE(names, (QStringList{"C21", "S2", "C25", "C26", "C27"}));

        struct Expect {
            bool measured, digital, under, hasQuality;
            double level, quality;
        };
        const Expect expected[] = {{true, true, false, true, 52.3, 33.1},
                                   {true, false, false, true, 61.2, 45.0},
                                   {true, true, true, true, -1.5, 28.4},
                                   {false, false, false, false, 0, 0},
                                   {true, true, true, true, 44.9, 31.0}};
        for (int i = 0; i < 5; ++i) {
            const LevelChart::Bar &b = m.bars.at(i);
            const Expect &e = expected[i];
            QVERIFY2(b.measured == e.measured && b.under == e.under && b.hasQuality == e.hasQuality,
                     qPrintable(b.name()));
            if (e.measured) {
                QCOMPARE(b.digital, e.digital);
                QCOMPARE(b.level, e.level);
                QCOMPARE(b.quality, e.quality);
            }
        }
        QCOMPARE(m.measured, 4);
        QCOMPARE(m.under, 2);
        QCOMPARE(m.unmeasured, 1);
    }

    void summaryInTwoLanguages_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("summary");
        QTest::newRow("english") << sampleTvLogger() << 0
                                 << "2 of 4 channels under the threshold (45 dBuV); 1 not measured";
        QTest::newRow("spanish") << sampleTvLogger() << 1 << "2 de 4 canales bajo el umbral (45 dBuV); 1 sin medir";
        QTest::newRow("german, none under")
            << sampleTvLogger("-10") << 2
            << QString::fromUtf8("0 von 4 Kanälen unter der Schwelle (-10 dBuV); 1 nicht gemessen");
        QTest::newRow("no threshold") << sampleTvLogger("") << 0
                                      << "4 channels measured, no threshold level; 1 not measured";
        // Every channel blank: an empty chart with its summary, not a failure.
        const QByteArray blank = tvLoggerHead(2)
                                 + tvLoggerLines({QStringLiteral("*HD0&C21&-&-&-&-&-&-&-&-&-&-&-&-&-&-"),
                                                  QStringLiteral("*HD1&C22&-&-&-&-&-&-&-&-&-&-&-&-&-&-")});
        QTest::newRow("nothing measured") << blank << 0 << "No channel measured";
        QTest::newRow("nothing measured, catalan") << blank << 3 << "Cap canal mesurat";
        // One measured channel in the singular.
        const QByteArray one = tvLoggerHead(1) + tvLoggerLines({kSampleTvAnswers.at(0)});
        QTest::newRow("one channel") << one << 0 << "0 of 1 channel under the threshold (45 dBuV)";
        QTest::newRow("one channel, german") << one << 2 << "0 von 1 Kanal unter der Schwelle (45 dBuV)";
    }
    void summaryInTwoLanguages()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, language);
        QFETCH(QString, summary);
        StringTable::setLanguage(language);
        QCOMPARE(modelOf(file).summary(), summary);
    }

    void toolTipsCarryTheValues()
    {
        const LevelChart::Model m = modelOf(sampleTvLogger());
        QCOMPARE(m.toolTip(0), QStringLiteral("C21\nFreq.: 474.00\nPwr.: 52.3 dBuV\nMER: 33.1"));
        QCOMPARE(m.toolTip(1), QStringLiteral("S2\nFreq.: 48.25\nLevel: 61.2 dBuV\nC/N: 45.0"));
        QCOMPARE(m.toolTip(2),
                 QStringLiteral("C25\nFreq.: 506.00\nPwr.: -1.5 dBuV\nMER: 28.4\nBelow threshold (45 dBuV)"));
        QCOMPARE(m.toolTip(3), QStringLiteral("C26\nFreq.: 514.00"));
        QCOMPARE(m.toolTip(5), QString());
        QCOMPARE(m.title(), QStringLiteral("Datalogger 3 - ROOF A - 05/12/26 - 09:12"));
    }

    void axesHoldEveryValueAndTheThreshold()
    {
        const LevelChart::Model m = modelOf(sampleTvLogger("70"));
        const LevelChart::Range level = m.levelRange();
        QVERIFY(level.min <= -1.5 && level.min >= -10);
        QVERIFY(level.max >= 70);
        QCOMPARE(std::fmod(level.max, 5.0), 0.0);
        const LevelChart::Range quality = m.qualityRange();
        QCOMPARE(quality.min, 0.0);
        QVERIFY(quality.max >= 45 && quality.max <= 55);
    }

    // Absurd values from a meter: a bounded number of ticks and a finite axis, whatever they are.
    void absurdLevelsKeepTheAxisBounded_data()
    {
        QTest::addColumn<QString>("level");
        QTest::newRow("ten million") << "1E7";
        QTest::newRow("near the float limit") << "9,9E37";
        QTest::newRow("near the double limit") << "1E307";
        QTest::newRow("hugely negative") << "-9,9E37";
    }
    void absurdLevelsKeepTheAxisBounded()
    {
        QFETCH(QString, level);
        const LevelChart::Model m =
            modelOf(tvLoggerHead(2)
                    + tvLoggerLines(
                        {QStringLiteral("*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&%1&1E30&1,0E-8&-&-&-&-&-").arg(level),
                         QStringLiteral("*HD1&C22&482,00&0,00&8,0&QAM64&A&6875&52,3&33,1&1,0E-8&-&-&-&-&-")}));
        for (const LevelChart::Range r : {m.levelRange(), m.qualityRange()}) {
            QVERIFY(std::isfinite(r.min) && std::isfinite(r.max) && r.max > r.min);
            const double ticks = (r.max - r.min) / LevelChart::tickStep(r.min, r.max);
            QVERIFY2(ticks >= 1 && ticks <= 12, qPrintable(QString::number(ticks)));
        }
        QVERIFY(m.levelRange().max - m.levelRange().min >= 52.3);
    }

    // The meter gives a level it cannot measure as a bound ("<20,0"): under a threshold at or
    // above it, not judged against a lower one. A level of exactly 0 still has a bar: the axis
    // starts below it; with negative units the bars stand on the axis's bottom.
    void boundsZeroAndNegativeLevels()
    {
        const LevelChart::Model m = modelOf(
            tvLoggerHead(4, "60")
            + tvLoggerLines({QStringLiteral("*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&<20,0&-&-&-&-&-&-&-"),
                             QStringLiteral("*HD1&S2&48,25&0,00&7,0&-&-&-&-&-&-&PAL/BG&5,50&<70,0&-&-"),
                             QStringLiteral("*HD2&C23&490,00&0,00&8,0&QAM64&A&6875&0,0&30,0&1,0E-8&-&-&-&-&-"),
                             QStringLiteral("*HD3&C24&498,00&0,00&8,0&QAM64&A&6875&65,0&30,0&1,0E-8&-&-&-&-&-")}));
        QVERIFY(m.bars.at(0).measured && m.bars.at(0).bound && m.bars.at(0).under);
        QCOMPARE(m.bars.at(0).level, 20.0);
        QVERIFY(!m.bars.at(1).measured);   // "<70" says nothing about a threshold of 60
        QVERIFY(m.bars.at(2).measured && m.bars.at(2).under);
        QCOMPARE(m.measured, 3);
        QCOMPARE(m.under, 2);
        QCOMPARE(m.unmeasured, 1);
        QVERIFY(m.levelRange().min < 0.0);   // room for the bar of the channel at 0

        const LevelChart::Model dbm = modelOf(
            tvLoggerHead(2, "-60", "dBm")
            + tvLoggerLines({QStringLiteral("*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&-75,0&30,0&1,0E-8&-&-&-&-&-"),
                             QStringLiteral("*HD1&C22&482,00&0,00&8,0&QAM64&A&6875&-40,0&30,0&1,0E-8&-&-&-&-&-")}));
        QVERIFY(dbm.levelRange().min < -75);
        QVERIFY(dbm.levelRange().max >= 0);
    }

    void refusedFileIsNotCharted()
    {
        LevelChart::Model m;
        QCOMPARE(LevelChart::load(ws->path(QStringLiteral("Temp/none.lg27t")), m), -65);
        QByteArray other = sampleTvLogger();
        other.replace("KORVEL-26", "KORVEL-25");
        QCOMPARE(LevelChart::load(ws->write(QStringLiteral("Temp/modem.lg27t"), other), m), -65);
    }

    void labelsThinnedOnlyWhenTheyWouldTouch_data()
    {
        QTest::addColumn<double>("spacing");
        QTest::addColumn<double>("label");
        QTest::addColumn<int>("step");
        QTest::newRow("room for all") << 16.0 << 13.0 << 1;
        QTest::newRow("just touching") << 13.0 << 13.0 << 1;
        QTest::newRow("every second") << 8.0 << 13.0 << 2;
        QTest::newRow("140 channels on 1100 pixels") << 1100.0 / 140 << 13.0 << 2;
        QTest::newRow("crowded") << 2.0 << 13.0 << 7;
        QTest::newRow("no room at all") << 0.0 << 13.0 << 1;
    }
    void labelsThinnedOnlyWhenTheyWouldTouch()
    {
        QFETCH(double, spacing);
        QFETCH(double, label);
        QFETCH(int, step);
        QCOMPARE(LevelChart::labelStep(spacing, label), step);
    }
};

QTEST_GUILESS_MAIN(TestLevelChart)
#include "tst_levelchart.moc"
