// Installation limits in the windows: the TV viewer's Check Limits page beside the level chart,
// the customer's details and the report they give, and the profile editor with its checks;
// the texts fitting in the four languages, with screenshots.

#include "LoggerSamples.h"
#include "ScriptedPrompter.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "datalogger/Limits.h"
#include "datalogger/LimitsReport.h"
#include "datalogger/windows/Dloggerkv27.h"
#include "datalogger/windows/LevelChartView.h"
#include "datalogger/windows/LimitsView.h"
#include "datalogger/windows/LimitsWindows.h"
#include "datalogger/windows/StringGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

namespace {

const char *const kNames[] = {"en", "es", "de", "ca"};

}   // namespace

class TestLimitsWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorkspace> ws;
    QString logger;

    bool open(TKv27Datalogger &v)
    {
        v.setLoadDelay(10);
        v.setFile(logger);
        v.show();
        return QTest::qWaitFor([&] { return v.isLoaded() || !v.isVisible(); }, 5000) && v.isLoaded();
    }

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>();
        app().programFolder = ws->root();
        app().tempFolder = ws->temp();
        logger = ws->write(QStringLiteral("Temp/roof.lg27t"), sampleTvLogger());
        StringTable::setLanguage(0);
    }

    void cleanup()
    {
        StringTable::setLanguage(0);
        ws.reset();
    }

    // The page takes the grid's place, as the chart does, and the two give way to each other;
    // a workspace without a Limits folder gets one with the delivered profile.
    void checkLimitsPageBesideTheChart()
    {
        ScriptedPrompter prompts;
        TKv27Datalogger v;
        QVERIFY(open(v));
        QVERIFY(!QFileInfo::exists(ws->path(QStringLiteral("Limits"))));
        v.CheckLimits1->setChecked(true);
        QVERIFY(v.LimitsPage->isVisible());
        QVERIFY(!v.LoggerKv10->isVisible());
        QVERIFY(QFileInfo::exists(ws->path(QStringLiteral("Limits/EN 60728-1.lim"))));
        QCOMPARE(v.LimitsPage->Table->rowCount(), 5);
        // C21 passes, C25 and C27 fail, S2 (analog) and C26 (no values) are not judged.
        QCOMPARE(v.LimitsPage->Summary->text(), QStringLiteral("1 of 5 channels pass; 2 fail; 2 not judged"));
        QCOMPARE(v.LimitsPage->Table->item(4, 10)->text(), QStringLiteral("Fail"));
        QVERIFY(v.LimitsPage->Table->item(4, 11)->text().contains(QStringLiteral("44.9 dBuV is below 47.0 by 2.1")));

        v.LevelChart1->setChecked(true);
        QVERIFY(!v.CheckLimits1->isChecked());
        QVERIFY(!v.LimitsPage->isVisible());
        QVERIFY(v.ChartPage->isVisible());
        v.CheckLimits1->setChecked(true);
        QVERIFY(!v.LevelChart1->isChecked());
        QVERIFY(!v.ChartPage->isVisible());
        v.CheckLimits1->setChecked(false);
        QVERIFY(v.LoggerKv10->isVisible());
        QVERIFY(!prompts.unexpected);
    }

    // Another profile chosen judges again and is remembered; a profile with an error is named
    // with its line and not used.
    void choosingProfiles()
    {
        ScriptedPrompter prompts;
        QVERIFY(Limits::ensureFolder() == 0);
        ws->write(QStringLiteral("Limits/strict.lim"),
                  "NAME=Strict\r\nSOURCE=contract\r\nRULE=Any digital; SR=*; LEVEL=60..70\r\n");
        ws->write(QStringLiteral("Limits/zbroken.lim"), "NAME=Broken\r\nRULE=x; LEVEL=80..70\r\n");
        TKv27Datalogger v;
        QVERIFY(open(v));
        v.CheckLimits1->setChecked(true);
        QComboBox *combo = v.LimitsPage->Profile;
        QCOMPARE(combo->count(), 3);
        combo->setCurrentIndex(combo->findData(QStringLiteral("strict.lim")));
        QCOMPARE(v.LimitsPage->Summary->text(), QStringLiteral("0 of 5 channels pass; 3 fail; 2 not judged"));
        QCOMPARE(LimitsReport::readSettings(LimitsReport::settingsPath()).profile, QStringLiteral("strict.lim"));

        combo->setCurrentIndex(combo->findData(QStringLiteral("zbroken.lim")));
        QVERIFY(!v.LimitsPage->usable());
        QVERIFY(v.LimitsPage->Summary->text().contains(
            QStringLiteral("zbroken.lim, line 2: the minimum is above the maximum")));
        QCOMPARE(v.LimitsPage->Table->rowCount(), 0);
        // No report and no export from a profile that is not used.
        prompts.expectMessage();
        v.InstallationReport1Click();
        QVERIFY(prompts.asked.back().text.contains(QStringLiteral("line 2")));
        QVERIFY(!prompts.unexpected);
    }

    // The customer's details give the report, are remembered for the location and offered the
    // next time; Cancel in the save dialog writes nothing.
    void installationReportRemembersTheSite()
    {
        ScriptedPrompter prompts;
        TvLoggerContents contents;
        QCOMPARE(TvLoggerFile::read(logger, contents), 0);
        const Limits::Judgement j = Limits::judge(contents, Limits::defaultProfile());
        const QString pdf = ws->path(QStringLiteral("out/report.pdf"));
        QDir().mkpath(ws->path(QStringLiteral("out")));
        {
            TInstallationReport d(nullptr, j, logger, QString());
            d.Customer->setText(QStringLiteral("Mrs Test"));
            d.Address->setText(QStringLiteral("Carrer Major 5"));
            d.Outlet->setText(QStringLiteral("Living room"));
            d.Company->setText(QStringLiteral("Antenes Girona"));
            prompts.expectSaveFile(QString());
            d.SavePdf->click();
            QVERIFY(!QFileInfo::exists(pdf));
            QVERIFY(!QFileInfo::exists(LimitsReport::settingsPath()));
            prompts.expectSaveFile(pdf);
            d.SavePdf->click();
            QCOMPARE(d.writtenPdf(), pdf);
        }
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("Mrs Test")) && text.contains(QStringLiteral("Living room"))
                     && text.contains(QStringLiteral("Antenes Girona"))
                     && text.contains(QStringLiteral("Overall verdict: Fail")),
                 qPrintable(text));
        TInstallationReport again(nullptr, j, logger, QString());
        QCOMPARE(again.Customer->text(), QStringLiteral("Mrs Test"));
        QCOMPARE(again.Outlet->text(), QStringLiteral("Living room"));
        QCOMPARE(again.Company->text(), QStringLiteral("Antenes Girona"));
        QVERIFY(!prompts.unexpected);
    }

    // The editor refuses what the reader would refuse (a minimum above its maximum, a word for
    // a number) without writing, saves the rest, and keeps a profile with errors read-only.
    void profileEditorChecks()
    {
        ScriptedPrompter prompts;
        TLimitProfiles e;
        const QString file = ws->path(QStringLiteral("Limits/EN 60728-1.lim"));
        QCOMPARE(e.Profiles->count(), 1);
        QCOMPARE(e.currentFile(), file);
        const QByteArray before = ws->read(QStringLiteral("Limits/EN 60728-1.lim"));

        e.Rules->item(0, 6)->setText(QStringLiteral("80"));   // DVB-C 256-QAM: 80..74
        QVERIFY(e.isModified());
        prompts.expectMessage();
        QVERIFY(!e.SaveClick());
        QVERIFY(prompts.asked.back().text.contains(QStringLiteral("Rule 1")));
        QVERIFY(prompts.asked.back().text.contains(QStringLiteral("the minimum is above the maximum")));
        QCOMPARE(ws->read(QStringLiteral("Limits/EN 60728-1.lim")), before);

        e.Rules->item(0, 6)->setText(QStringLiteral("fifty"));
        prompts.expectMessage();
        QVERIFY(!e.SaveClick());
        QVERIFY(prompts.asked.back().text.contains(QStringLiteral("\"fifty\" does not read as a number")));

        e.Rules->item(0, 6)->setText(QStringLiteral("56"));
        e.Rules->item(0, 8)->setText(QStringLiteral("32"));   // MER min
        QVERIFY(e.SaveClick());
        Limits::Profile saved;
        QList<Limits::Problem> errors, warnings;
        QVERIFY(Limits::readFile(file, saved, errors, warnings));
        QCOMPARE(saved.rules.first().of(Limits::Limit::Level).min, 56.0);
        QCOMPARE(saved.rules.first().of(Limits::Limit::Mer).min, 32.0);
        QCOMPARE(saved.rules.size(), Limits::defaultProfile().rules.size());

        // Save As into a new file; the list shows it.
        prompts.expectSaveFile(ws->path(QStringLiteral("Limits/copy.lim")));
        QVERIFY(e.SaveAsClick());
        QCOMPARE(e.Profiles->count(), 2);

        ws->write(QStringLiteral("Limits/bad.lim"), "NAME=Bad\r\nRULE=x; LEVL=1..2\r\n");
        TLimitProfiles e2;
        const auto found = e2.Profiles->findItems(QStringLiteral("bad.lim"), Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        e2.Profiles->setCurrentItem(found.first());
        QVERIFY(!e2.Save->isEnabled());
        QVERIFY(e2.Problems->text().contains(QStringLiteral("line 2: unknown key \"LEVL\"")));
        QVERIFY(!prompts.unexpected);
    }

    void textsFitInEveryLanguage()
    {
        ScriptedPrompter prompts;
        TvLoggerContents contents;
        QCOMPARE(TvLoggerFile::read(logger, contents), 0);
        const Limits::Judgement j = Limits::judge(contents, Limits::defaultProfile());
        for (int l = 0; l < 4; ++l) {
            StringTable::setLanguage(l);
            TKv27Datalogger v;
            QVERIFY(open(v));
            v.CheckLimits1->setChecked(true);
            QVERIFY(QTest::qWaitForWindowExposed(&v));
            QVERIFY2(cutTexts(&v).isEmpty(), qPrintable(cutTexts(&v).join(QStringLiteral(" | "))));
            saveScreenshot(&v, QStringLiteral("limits-view-%1").arg(QLatin1String(kNames[l])));

            TInstallationReport d(nullptr, j, logger, QString());
            d.show();
            QVERIFY(QTest::qWaitForWindowExposed(&d));
            QVERIFY2(cutTexts(&d).isEmpty(), qPrintable(cutTexts(&d).join(QStringLiteral(" | "))));
            saveScreenshot(&d, QStringLiteral("limits-report-dialog-%1").arg(QLatin1String(kNames[l])));

            TLimitProfiles e;
            e.show();
            QVERIFY(QTest::qWaitForWindowExposed(&e));
            QVERIFY2(cutTexts(&e).isEmpty(), qPrintable(cutTexts(&e).join(QStringLiteral(" | "))));
            saveScreenshot(&e, QStringLiteral("limit-profiles-%1").arg(QLatin1String(kNames[l])));
        }
        QVERIFY(!prompts.unexpected);
    }
};

QTEST_MAIN(TestLimitsWindows)
#include "tst_limitswin.moc"
