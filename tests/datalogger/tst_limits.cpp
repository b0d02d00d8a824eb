// Limit profiles and the judgement of a TV logger: the delivered rules against the texts a
// meter logs, units at the window's edges, the verdict counts, the reader's errors and
// warnings, the editor's checks, writing a profile on a full disk, the CSV of a judgement, and
// the report's text in the four languages.

#include "LoggerSamples.h"
#include "SmallDisk.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "datalogger/Limits.h"
#include "datalogger/LimitsReport.h"

#include <QFile>
#include <QImage>
#include <QTest>

using namespace Limits;

namespace {

TvMeasurement channel(const QString &mod, const QString &annex, const QString &sr, const QString &pwr,
                      const QString &sys = QString(), const QString &lvl = QString())
{
    TvMeasurement m;
    m.field[TvMeasurement::N] = QStringLiteral("0");
    m.field[TvMeasurement::CH] = QStringLiteral("C21");
    m.field[TvMeasurement::FREQ] = QStringLiteral("474.00");
    m.field[TvMeasurement::MOD] = mod;
    m.field[TvMeasurement::ANNEX] = annex;
    m.field[TvMeasurement::SR] = sr;
    m.field[TvMeasurement::PWR] = pwr;
    m.field[TvMeasurement::SYS] = sys;
    m.field[TvMeasurement::LVL] = lvl;
    return m;
}

TvLoggerContents contentsOf(const QList<TvMeasurement> &channels, const QString &units = QStringLiteral("dBuV"))
{
    TvLoggerContents c;
    c.header.units = units;
    c.header.loggerNumber = QStringLiteral("3");
    c.header.location = QStringLiteral("ROOF A");
    for (int i = 0; i < channels.size(); ++i) {
        TvMeasurement m = channels.at(i);
        m.field[TvMeasurement::N] = QString::number(i);
        c.measurements << m;
    }
    return c;
}

Profile parsed(const QString &text)
{
    Profile p;
    QList<Problem> errors, warnings;
    if (!parse(text, p, errors, warnings))
        qWarning() << describe(QStringLiteral("test"), errors);
    return p;
}

}   // namespace

class TestLimits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { StringTable::setLanguage(0); }

    void defaultRulesMatchTheMetersTexts_data()
    {
        QTest::addColumn<QString>("mod");
        QTest::addColumn<QString>("annex");
        QTest::addColumn<QString>("sr");
        QTest::addColumn<QString>("sys");
        QTest::addColumn<QString>("rule");
        QTest::newRow("QAM256 annex C") << "QAM256"
                                        << "C"
                                        << "6900"
                                        << ""
                                        << "DVB-C 256-QAM";
        // QAM256 is cable whatever the annex text says.
        QTest::newRow("QAM256 annex B") << "QAM256"
                                        << "B"
                                        << "5361"
                                        << ""
                                        << "DVB-C 256-QAM";
        QTest::newRow("QAM256 no annex") << "QAM256"
                                         << ""
                                         << ""
                                         << ""
                                         << "DVB-C 256-QAM";
        QTest::newRow("qam256 lower case") << "qam256"
                                           << "A"
                                           << "6875"
                                           << ""
                                           << "DVB-C 256-QAM";
        // QAM64: a symbol rate means cable, none means terrestrial.
        QTest::newRow("QAM64 with SR") << "QAM64"
                                       << "A"
                                       << "6875"
                                       << ""
                                       << "DVB-C 64-QAM";
        QTest::newRow("QAM64 annex B") << "QAM64"
                                       << "B"
                                       << "5057"
                                       << ""
                                       << "DVB-C 64-QAM";
        QTest::newRow("QAM64 no SR") << "QAM64"
                                     << "A"
                                     << ""
                                     << ""
                                     << "DVB-T 64-QAM 2/3";
        QTest::newRow("COFDM") << "COFDM"
                               << ""
                               << ""
                               << ""
                               << "DVB-T 64-QAM 2/3 (OFDM)";
        QTest::newRow("DVB-T2") << "DVB-T2"
                                << ""
                                << ""
                                << ""
                                << "DVB-T2 64-QAM 2/3";
        QTest::newRow("QPSK") << "QPSK"
                              << ""
                              << "27500"
                              << ""
                              << "DVB-S/S2";
        QTest::newRow("8PSK") << "8PSK"
                              << ""
                              << "27500"
                              << ""
                              << "DVB-S/S2";
        QTest::newRow("FM stereo with a blank") << "FM STEREO"
                                                << ""
                                                << ""
                                                << ""
                                                << "FM radio, stereo";
        QTest::newRow("FM") << "FM"
                            << ""
                            << ""
                            << ""
                            << "FM radio";
        QTest::newRow("DAB") << "DAB"
                             << ""
                             << ""
                             << ""
                             << "DAB";
        QTest::newRow("QAM128") << "QAM128"
                                << "A"
                                << "6875"
                                << ""
                                << "Other QAM (no public window)";
        QTest::newRow("analog PAL") << ""
                                    << ""
                                    << ""
                                    << "PAL/BG"
                                    << "Analog TV (no public window)";
        QTest::newRow("unknown text") << "VSB8"
                                      << ""
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("all blank") << ""
                                   << ""
                                   << ""
                                   << ""
                                   << "";
    }

    void defaultRulesMatchTheMetersTexts()
    {
        QFETCH(QString, mod);
        QFETCH(QString, annex);
        QFETCH(QString, sr);
        QFETCH(QString, sys);
        QFETCH(QString, rule);
        const Profile p = defaultProfile();
        QCOMPARE(p.rules.size(), 11);
        const Judgement j = judge(contentsOf({channel(mod, annex, sr, QStringLiteral("60.0"), sys)}), p);
        const ChannelResult &c = j.channels.first();
        QCOMPARE(c.rule >= 0 ? p.rules.at(c.rule).name : QString(), rule);
        if (rule.isEmpty())
            QCOMPARE(c.reasons, QStringList{QStringLiteral("No rule matches")});
    }

    // The delivered profile reads without an error or an overlap, and holds the published
    // windows.
    void defaultProfileIsClean()
    {
        Profile p;
        QList<Problem> errors, warnings;
        QVERIFY(parse(defaultProfileText(), p, errors, warnings));
        QVERIFY(warnings.isEmpty());
        QCOMPARE(p.name, QStringLiteral("EN 60728-1 outlet levels"));
        QVERIFY(p.source.contains(QStringLiteral("EN 60728-1")));
        auto window = [&](int i) {
            const Range &r = p.rules.at(i).of(Limit::Level);
            return QStringLiteral("%1..%2").arg(r.min).arg(r.max);
        };
        const QStringList expected = {"54..74", "47..67", "45..74", "45..74", "39..74",
                                      "47..77", "50..70", "40..70", "28..94"};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(window(i), expected.at(i));
        // Nothing no public source gives here is set.
        for (const Rule &r : p.rules) {
            for (Limit l : {Limit::Mer, Limit::Cn, Limit::Ber, Limit::Va})
                QVERIFY(!r.of(l).isSet());
        }
    }

    // dBmV + 60, dBm + 108.75: exactly at an edge passes, a hundredth beyond fails.
    void unitsAtTheEdges_data()
    {
        QTest::addColumn<QString>("units");
        QTest::addColumn<QString>("pwr");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<double>("dbuv");
        // DVB-C 64-QAM: 47..67 dBuV.
        QTest::newRow("dBuV at min") << "dBuV"
                                     << "47.0" << int(Verdict::Pass) << 47.0;
        QTest::newRow("dBuV under min") << "dBuV"
                                        << "46.99" << int(Verdict::Fail) << 46.99;
        QTest::newRow("dBuV at max") << "dBuV"
                                     << "67" << int(Verdict::Pass) << 67.0;
        QTest::newRow("dBuV over max") << "dBuV"
                                       << "67.01" << int(Verdict::Fail) << 67.01;
        QTest::newRow("decimal comma") << "dBuV"
                                       << "47,0" << int(Verdict::Pass) << 47.0;
        QTest::newRow("Latin-1 micro sign") << QString::fromLatin1("dB\xb5V") << "50" << int(Verdict::Pass) << 50.0;
        QTest::newRow("dBmV at min") << "dBmV"
                                     << "-13.0" << int(Verdict::Pass) << 47.0;
        QTest::newRow("dBmV 4.8 is 64.8") << "dBmV"
                                          << "4.8" << int(Verdict::Pass) << 64.8;
        QTest::newRow("dBmV at max") << "dBmV"
                                     << "7.0" << int(Verdict::Pass) << 67.0;
        QTest::newRow("dBmV over max") << "DBMV"
                                       << "7.1" << int(Verdict::Fail) << 67.1;
        QTest::newRow("dBm at min") << "dBm"
                                    << "-61.75" << int(Verdict::Pass) << 47.0;
        QTest::newRow("dBm under min") << "dBm"
                                       << "-61.76" << int(Verdict::Fail) << 46.99;
        QTest::newRow("dBm at max") << "dBm"
                                    << "-41.75" << int(Verdict::Pass) << 67.0;
        QTest::newRow("dBW is unknown") << "dBW"
                                        << "50" << int(Verdict::NotJudged) << 0.0;
        QTest::newRow("no units") << ""
                                  << "50" << int(Verdict::NotJudged) << 0.0;
    }

    void unitsAtTheEdges()
    {
        QFETCH(QString, units);
        QFETCH(QString, pwr);
        QFETCH(int, verdict);
        QFETCH(double, dbuv);
        const Judgement j = judge(
            contentsOf({channel(QStringLiteral("QAM64"), QStringLiteral("A"), QStringLiteral("6875"), pwr)}, units),
            defaultProfile());
        const ChannelResult &c = j.channels.first();
        QCOMPARE(int(c.verdict), verdict);
        if (verdict == int(Verdict::NotJudged)) {
            QVERIFY(!c.hasLevel);
            QCOMPARE(c.reasons, QStringList{QStringLiteral("Unknown units \"%1\"").arg(units)});
        } else {
            QVERIFY(std::abs(c.level - dbuv) < 1e-9);
        }
    }

    // Each limit missed is named with its figure and by how much; an unreadable figure leaves
    // the channel not judged unless another limit already failed it; a bound decides only a
    // minimum at or above it.
    void verdictsAndReasons()
    {
        const Profile p = parsed(QStringLiteral("NAME=t\nRULE=Cable; MOD=QAM64; LEVEL=47..67; MER=28..; BER=..1E-4\n"
                                                "RULE=Analog; SYS=*; LEVEL=60..77; CN=43..; VA=-20..-10\n"
                                                "RULE=Nothing; MOD=QAM16\n"));
        auto with = [](TvMeasurement m, int field, const QString &v) {
            m.field[std::size_t(field)] = v;
            return m;
        };
        const TvMeasurement good =
            with(with(channel("QAM64", "A", "6875", "50.0"), TvMeasurement::MER, "30.0"), TvMeasurement::BER, "1.0E-6");
        const QList<TvMeasurement> channels = {
            good,   // pass
            with(with(good, TvMeasurement::PWR, "45.0"), TvMeasurement::MER, "26.5"),   // level and MER fail
            with(good, TvMeasurement::BER, "2.0E-3"),   // BER above
            with(good, TvMeasurement::BER, "1.0E-4"),   // BER at the maximum: pass
            with(good, TvMeasurement::MER, ""),   // MER unreadable: not judged
            with(with(good, TvMeasurement::MER, ""), TvMeasurement::PWR, "70"),   // level fails even so
            with(good, TvMeasurement::PWR, "<20,0"),   // bound under the minimum: fail
            with(with(channel("", "", "", "", "PAL/BG", "65.0"), TvMeasurement::CN, "45.0"), TvMeasurement::VA, "-9.5"),
            channel("QAM16", "A", "6875", "50"),   // rule sets nothing
        };
        const Judgement j = judge(contentsOf(channels), p);
        const QList<Verdict> expected = {Verdict::Pass, Verdict::Fail,      Verdict::Fail,
                                         Verdict::Pass, Verdict::NotJudged, Verdict::Fail,
                                         Verdict::Fail, Verdict::Fail,      Verdict::NotJudged};
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(j.channels.at(i).verdict == expected.at(i), qPrintable(QString::number(i)));
        QCOMPARE(j.channels.at(1).reasons, (QStringList{QStringLiteral("Level 45.0 dBuV is below 47.0 by 2.0"),
                                                        QStringLiteral("MER 26.5 dB is below 28.0 by 1.5")}));
        QCOMPARE(j.channels.at(2).reasons, QStringList{QStringLiteral("PreBER 2.0E-03 is above 1.0E-04")});
        QCOMPARE(j.channels.at(4).reasons, QStringList{QStringLiteral("MER does not read as a number")});
        QCOMPARE(j.channels.at(5).reasons, QStringList{QStringLiteral("Level 70.0 dBuV is above 67.0 by 3.0")});
        QVERIFY(j.channels.at(6).levelBound);
        QCOMPARE(j.channels.at(7).reasons, QStringList{QStringLiteral("V/A -9.5 dB is above -10.0 by 0.5")});
        QCOMPARE(j.channels.at(8).reasons, QStringList{QStringLiteral("The rule sets no limit")});
        QCOMPARE(j.pass, 2);
        QCOMPARE(j.fail, 5);
        QCOMPARE(j.notJudged, 2);
        QCOMPARE(j.summary(), QStringLiteral("2 of 9 channels pass; 5 fail; 2 not judged"));
        QCOMPARE(j.overall(), Verdict::Fail);

        // A bound above the minimum says nothing.
        const Judgement b = judge(contentsOf({with(good, TvMeasurement::PWR, "<50,0")}), p);
        QCOMPARE(b.channels.first().verdict, Verdict::NotJudged);
        QCOMPARE(b.channels.first().reasons, QStringList{QStringLiteral("Level is only known to be under 50.0 dBuV")});
        // A bound meets a maximum at or above it when no minimum is set.
        const Profile capOnly = parsed(QStringLiteral("RULE=Cap; MOD=QAM64; LEVEL=..67\n"));
        QCOMPARE(judge(contentsOf({with(good, TvMeasurement::PWR, "<50,0")}), capOnly).channels.first().verdict,
                 Verdict::Pass);
        QCOMPARE(judge(contentsOf({with(good, TvMeasurement::PWR, "<70,0")}), capOnly).channels.first().verdict,
                 Verdict::NotJudged);
    }

    // Pass overall only with nothing failed and something judged: never for a logger whose
    // channels could not be judged, nor for an empty one.
    void overallVerdict()
    {
        const Profile p = defaultProfile();
        QCOMPARE(judge(contentsOf({channel("QAM64", "A", "6875", "50")}), p).overall(), Verdict::Pass);
        QCOMPARE(judge(contentsOf({channel("QAM64", "A", "6875", "50"), channel("VSB8", "", "", "50")}), p).overall(),
                 Verdict::Pass);
        QCOMPARE(
            judge(contentsOf({channel("VSB8", "", "", "50"), channel("", "", "", "", "PAL/BG", "65")}), p).overall(),
            Verdict::NotJudged);
        QCOMPARE(judge(contentsOf({}), p).overall(), Verdict::NotJudged);
        QCOMPARE(judge(contentsOf({channel("QAM64", "A", "6875", "abc")}), p).overall(), Verdict::NotJudged);
    }

    void readerErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("no equals") << "NAME=x\nRULE=a; LEVEL=1..2\nrubbish\n"
                                   << "line 3: a line must be KEY=value";
        QTest::newRow("unknown key") << "RULE=a; LEVL=1..2\n"
                                     << "line 1: unknown key \"LEVL\"";
        QTest::newRow("unknown line key") << "PROFILE=x\n"
                                          << "line 1: unknown key \"PROFILE\"";
        QTest::newRow("not a range") << "RULE=a; LEVEL=47\n"
                                     << "line 1: \"47\" is not a range (MIN..MAX)";
        QTest::newRow("empty range") << "RULE=a; LEVEL=..\n"
                                     << "line 1: \"..\" is not a range (MIN..MAX)";
        QTest::newRow("word in range") << "\n\nRULE=a; LEVEL=47..high\n"
                                       << "line 3: \"47..high\" is not a range (MIN..MAX)";
        QTest::newRow("min above max") << "RULE=a; LEVEL=74..54\n"
                                       << "line 1: the minimum is above the maximum";
        QTest::newRow("freq min above max") << "RULE=a; FREQ=862..470; LEVEL=1..2\n"
                                            << "line 1: the minimum is above the maximum";
        QTest::newRow("MER max") << "RULE=a; MER=..30\n"
                                 << "line 1: MER takes a minimum only";
        QTest::newRow("BER min") << "RULE=a; BER=1E-9..\n"
                                 << "line 1: PreBER takes a maximum only";
        QTest::newRow("no name") << "RULE= ; LEVEL=1..2\n"
                                 << "line 1: a rule needs a name";
        QTest::newRow("key twice") << "RULE=a; MOD=QAM64; MOD=QAM256\n"
                                   << "line 1: \"MOD\" is given twice";
        QTest::newRow("name twice") << "NAME=a\nNAME=b\n"
                                    << "line 2: \"NAME\" is given twice";
    }

    void readerErrors()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        Profile p;
        QList<Problem> errors, warnings;
        QVERIFY(!parse(text, p, errors, warnings));
        QVERIFY2(describe(QStringLiteral("my.lim"), errors).contains(QStringLiteral("my.lim, ") + error),
                 qPrintable(describe(QStringLiteral("my.lim"), errors).join(QLatin1Char('|'))));
    }

    // Overlaps are warnings naming both rules and the one that judges; rules kept apart by a
    // condition (a symbol rate or none, two frequency ranges) do not overlap.
    void overlapsAreReported()
    {
        Profile p;
        QList<Problem> errors, warnings;
        QVERIFY(parse(QStringLiteral("RULE=Cable; MOD=QAM64,QAM256; LEVEL=47..67\n"
                                     "RULE=Any 64; MOD=QAM64; SR=-; LEVEL=45..74\n"
                                     "RULE=Low; MOD=DAB; FREQ=170..240; LEVEL=28..94\n"
                                     "RULE=High; MOD=DAB; FREQ=241..300; LEVEL=28..94\n"
                                     "RULE=Anything; LEVEL=1..2\n"),
                      p, errors, warnings));
        const QStringList w = describe(QStringLiteral("p.lim"), warnings);
        QVERIFY(w.contains(QStringLiteral(
            "p.lim, line 2: rules 1 (Cable) and 2 (Any 64) overlap: a channel both match is judged by rule 1")));
        QVERIFY(!w.join(QLatin1Char('|')).contains(QStringLiteral("(Low) and 4 (High)")));
        QVERIFY(w.join(QLatin1Char('|')).contains(QStringLiteral("rules 3 (Low) and 5 (Anything) overlap")));
        QCOMPARE(w.size(), 5);   // 1-2, and each of 1 to 4 with the catch-all 5
        // First match wins.
        const Judgement j = judge(contentsOf({channel("QAM64", "", "", "46")}), p);
        QCOMPARE(j.channels.first().rule, 0);
        QCOMPARE(j.channels.first().verdict, Verdict::Fail);
    }

    // A profile written and read again is the same profile; the writer refuses what the
    // reader would refuse, and a full disk leaves the old file whole.
    void writeReadAndFullDisk()
    {
        TestWorkspace ws;
        app().programFolder = ws.root();
        QCOMPARE(ensureFolder(), 0);
        const QString file = ws.path(QStringLiteral("Limits/EN 60728-1.lim"));
        QVERIFY(QFileInfo(file).isFile());
        // An existing folder is left as it is, even without the delivered profile.
        QVERIFY(QFile::remove(file));
        QCOMPARE(ensureFolder(), 0);
        QVERIFY(!QFileInfo::exists(file));

        Profile p = defaultProfile();
        p.rules[0].limit[int(Limit::Mer)].hasMin = true;
        p.rules[0].limit[int(Limit::Mer)].min = 31.5;
        p.rules[1].limit[int(Limit::Ber)].hasMax = true;
        p.rules[1].limit[int(Limit::Ber)].max = 1e-4;
        p.name = QStringLiteral("Müller & Söhne");
        QCOMPARE(writeFile(file, p), 0);
        Profile back;
        QList<Problem> errors, warnings;
        QVERIFY(readFile(file, back, errors, warnings));
        QCOMPARE(back.name, p.name);
        QCOMPARE(back.rules.size(), p.rules.size());
        QCOMPARE(back.rules[0].of(Limit::Mer).min, 31.5);
        QCOMPARE(back.rules[1].of(Limit::Ber).max, 1e-4);
        QCOMPARE(format(back), format(p));

        const QByteArray before = ws.read(QStringLiteral("Limits/EN 60728-1.lim"));
        Profile bad = p;
        bad.rules[0].limit[0].min = 80;   // above its maximum 74
        QVERIFY(writeFile(file, bad) < 0);
        bad = p;
        bad.rules[0].name = QStringLiteral("a;b");
        QVERIFY(writeFile(file, bad) < 0);
        bad = p;
        bad.rules[0].mod.texts = {QStringLiteral("QAM\n64")};
        QVERIFY(writeFile(file, bad) < 0);
        QCOMPARE(ws.read(QStringLiteral("Limits/EN 60728-1.lim")), before);

        SmallDisk disk(512);
        if (!disk.mounted())
            QSKIP(qPrintable(disk.reason()));
        app().programFolder = disk.path();
        QCOMPARE(ensureFolder(), 0);
        const QString onDisk = disk.path() + QStringLiteral("/Limits/EN 60728-1.lim");
        // The report and its settings, written once while there is room.
        const Judgement j = judge(contentsOf({channel("QAM64", "A", "6875", "50")}), p);
        const QString pdf = disk.path(QStringLiteral("report.pdf"));
        QCOMPARE(LimitsReport::writePdf(pdf, j, LimitsReport::Details()), 0);
        LimitsReport::Settings settings;
        settings.company = QStringLiteral("Antenes");
        QCOMPARE(LimitsReport::writeSettings(LimitsReport::settingsPath(), settings), 0);
        auto bytes = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray oldProfile = bytes(onDisk), oldPdf = bytes(pdf),
                         oldSettings = bytes(LimitsReport::settingsPath());

        disk.fillLeaving(2048);
        for (int i = 0; i < 300; ++i)
            p.rules << p.rules.first();
        QVERIFY(writeFile(onDisk, p) < 0);
        QList<TvMeasurement> many;
        for (int i = 0; i < 400; ++i)
            many << channel("QAM64", "A", "6875", QString::number(30 + i % 50));
        QVERIFY(LimitsReport::writePdf(pdf, judge(contentsOf(many), defaultProfile()), LimitsReport::Details()) < 0);
        for (int i = 0; i < 150; ++i)
            settings.remember({QStringLiteral("SITE %1 with a long enough name to fill the disk").arg(i), QString(),
                               QString(), QString()});
        QVERIFY(LimitsReport::writeSettings(LimitsReport::settingsPath(), settings) < 0);
        QCOMPARE(bytes(onDisk), oldProfile);
        QCOMPARE(bytes(pdf), oldPdf);
        QCOMPARE(bytes(LimitsReport::settingsPath()), oldSettings);
    }

    // The settings of the report: remembered sites, most recent first, a bounded list, and a
    // file that cannot be read giving empty settings.
    void reportSettings()
    {
        TestWorkspace ws;
        app().programFolder = ws.root();
        LimitsReport::Settings s = LimitsReport::readSettings(LimitsReport::settingsPath());
        QVERIFY(s.company.isEmpty() && s.sites.isEmpty());
        s.company = QStringLiteral("Antenes\nGirona");
        s.remember(
            {QStringLiteral("ROOF A"), QStringLiteral("Mrs A"), QStringLiteral("Street 1"), QStringLiteral("Hall")});
        s.remember({QStringLiteral("CELLAR"), QStringLiteral("Mr B"), QString(), QString()});
        s.remember({QStringLiteral("roof a "), QStringLiteral("Mrs A2"), QString(), QString()});
        for (int i = 0; i < LimitsReport::kMaxSites + 10; ++i)
            s.remember({QStringLiteral("SITE %1").arg(i), QString(), QString(), QString()});
        QCOMPARE(LimitsReport::writeSettings(LimitsReport::settingsPath(), s), 0);
        const LimitsReport::Settings back = LimitsReport::readSettings(LimitsReport::settingsPath());
        QCOMPARE(back.company, QStringLiteral("Antenes Girona"));
        QCOMPARE(back.sites.size(), LimitsReport::kMaxSites);
        QCOMPARE(back.sites.first().location, QStringLiteral("SITE %1").arg(LimitsReport::kMaxSites + 9));
        s.remember({QStringLiteral("ROOF A"), QStringLiteral("Mrs A3"), QString(), QString()});
        QCOMPARE(s.siteFor(QStringLiteral(" Roof A")).customer, QStringLiteral("Mrs A3"));
        QCOMPARE(s.siteFor(QStringLiteral("ELSEWHERE")).customer, QString());
    }

    // The CSV of a judgement: the export's conventions, one row per channel.
    void csvOfAJudgement()
    {
        const Judgement j =
            judge(contentsOf({channel("QAM64", "A", "6875", "50,5"), channel("VSB8", "", "", "x")}, "dBmV"),
                  defaultProfile());
        const QByteArray out = csv(j);
        QVERIFY(out.startsWith("\xEF\xBB\xBF"));
        const QList<QByteArray> rows = out.mid(3).split('\n');
        QCOMPARE(rows.size(), 4);   // header, two channels, the empty rest after the last CR LF
        QVERIFY(rows.at(0).endsWith("Verdict,Reason\r"));
        QVERIFY(rows.at(1).startsWith("C21,474.00,QAM64,A,DVB-C 64-QAM,110.5,47..67,"));
        QVERIFY(rows.at(1).endsWith(",Fail,Level 110.5 dBuV is above 67.0 by 43.5\r"));
        QVERIFY(rows.at(2).endsWith(",Not judged,No rule matches\r"));
    }

    // The report in each language: the customer's details, the verdicts and the overall
    // verdict; a logger with nothing judged says so and never passes; many channels run onto
    // more pages; an absurd level draws without harm; a logo that cannot be read is left out.
    void reportText_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("en") << 0
                            << QStringList{"Installation Report", "Customer:", "Overall verdict: Fail",
                                           "Signature of the customer", "Page 1 of 1"};
        QTest::newRow("es") << 1
                            << QStringList{"Informe de Instalación", "Cliente:", "Veredicto global: Falla",
                                           "Firma del cliente", "Página 1 de 1"};
        QTest::newRow("de") << 2
                            << QStringList{"Installationsbericht", "Kunde:", "Gesamtergebnis: Nicht bestanden",
                                           "Unterschrift des Kunden", "Seite 1 von 1"};
        QTest::newRow("ca") << 3
                            << QStringList{"Informe d'Instal·lació", "Client:", "Veredicte global: Falla",
                                           "Signatura del client", "Pàgina 1 de 1"};
    }

    void reportText()
    {
        QFETCH(int, language);
        QFETCH(QStringList, expected);
        TestWorkspace ws;
        app().programFolder = ws.root();
        StringTable::setLanguage(language);
        TvLoggerContents c;
        QCOMPARE(TvLoggerFile::read(ws.write(QStringLiteral("roof.lg27t"), sampleTvLogger()), c), 0);
        const Judgement j = judge(c, defaultProfile());
        LimitsReport::Details d;
        d.site = {QStringLiteral("ROOF A"), QStringLiteral("Núria Puig"), QStringLiteral("Carrer Major 5"),
                  QStringLiteral("B-2")};
        d.installer = QStringLiteral("Jordi");
        d.logo = ws.write(QStringLiteral("logo.png"), "not a picture");
        const QString pdf = ws.path(QStringLiteral("report.pdf"));
        QStringList warnings;
        QCOMPARE(LimitsReport::writePdf(pdf, j, d, &warnings), 0);
        QCOMPARE(warnings.size(), 1);
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        const QString text = pdfText(pdf);
        for (const QString &e : expected)
            QVERIFY2(text.contains(e), qPrintable(e + QStringLiteral(" not in:\n") + text));
        QVERIFY(text.contains(QStringLiteral("Núria Puig")));
        QVERIFY(text.contains(j.summary()));
    }

    void reportEdges()
    {
        TestWorkspace ws;
        app().programFolder = ws.root();
        // Nothing judged: said plainly, and no pass.
        const Judgement none = judge(contentsOf({channel("VSB8", "", "", "50")}), defaultProfile());
        const QString pdf = ws.path(QStringLiteral("none.pdf"));
        QCOMPARE(LimitsReport::writePdf(pdf, none, LimitsReport::Details()), 0);
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Overall verdict: Not judged")));
        QVERIFY(text.contains(QStringLiteral("No channel could be judged")));
        QVERIFY(!text.contains(QStringLiteral(": Pass")));

        // 150 channels, one of them absurd: several pages, every channel listed.
        QList<TvMeasurement> many;
        for (int i = 0; i < 150; ++i) {
            TvMeasurement m =
                channel("QAM64", "A", "6875", i == 7 ? QStringLiteral("1E300") : QString::number(40 + i % 30));
            m.field[TvMeasurement::CH] = QStringLiteral("K%1").arg(i);
            many << m;
        }
        QImage logo(200, 80, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        LimitsReport::Details d;
        d.logo = ws.path(QStringLiteral("logo.png"));
        QVERIFY(logo.save(d.logo));
        QStringList warnings;
        QCOMPARE(LimitsReport::writePdf(pdf, judge(contentsOf(many), defaultProfile()), d, &warnings), 0);
        QVERIFY(warnings.isEmpty());
        text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("K149")));
        QVERIFY(text.contains(QStringLiteral("Page 1 of ")) && !text.contains(QStringLiteral("Page 1 of 1\n")));

        // A PDF that cannot be written leaves the old one.
        const QByteArray before = ws.read(QStringLiteral("none.pdf"));
        QVERIFY(LimitsReport::writePdf(ws.path(QStringLiteral("missing/x.pdf")), none, LimitsReport::Details()) < 0);
        QCOMPARE(ws.read(QStringLiteral("none.pdf")), before);
    }
};

QTEST_MAIN(TestLimits)
#include "tst_limits.moc"
