// The level chart in the TV logger viewer, and the new File menu items of both viewers through
// the prompt seam: Export CSV, Save Chart, Save as PDF, with Cancel writing nothing.

#include "LoggerSamples.h"
#include "ScriptedPrompter.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "datalogger/LoggerCsv.h"
#include "datalogger/windows/Dataloggerkv25.h"
#include "datalogger/windows/Dloggerkv27.h"
#include "datalogger/windows/LevelChartView.h"
#include "datalogger/windows/StringGrid.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QStandardPaths>
#include <QTest>
#include <QToolTip>
#include <QPainter>
#include <QElapsedTimer>
#include <QHelpEvent>

namespace {

template <class Viewer>
bool showAndLoad(Viewer &v, const QString &path)
{
    v.setLoadDelay(10);
    v.setFile(path);
    v.show();
    return QTest::qWaitFor([&] { return v.isLoaded() || !v.isVisible(); }, 5000) && v.isLoaded();
}

const QStringList kLanguages = {QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("de"), QStringLiteral("ca")};

QBarCategoryAxis *categories(QChart *chart)
{
    const auto axes = chart->axes(Qt::Horizontal);
    return axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis *>(axes.first());
}

// The places with a bar, and those whose bar is in the warning colour.
void barsOf(QChart *chart, QList<int> &withBar, QList<int> &under)
{
    QStackedBarSeries *bars = LevelChartDraw::barSeries(chart);
    const QBarSet *reach = bars->barSets().at(0);
    const QBarSet *below = bars->barSets().at(1);
    for (int i = 0; i < reach->count(); ++i) {
        if (reach->at(i) != 0 || below->at(i) != 0)
            withBar << i;
        if (below->at(i) != 0)
            under << i;
    }
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

}   // namespace

class TestLevelChartWindows : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestWorkspace> ws;
    QString tv, modem;

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>(false);
        StringTable::fillStringTable();
        StringTable::setLanguage(0);
        app().currentModelIndex = 0;
        app().CurrentModel.modelName = QStringLiteral("KV-27");
        app().CurrentModel.modelTypeCode = 1;
        app().CurrentModel.tvLoggerFileType = QStringLiteral("lg27t");
        app().CurrentModel.modemLoggerFileType = QStringLiteral("lg27m");
        tv = ws->write(QStringLiteral("Temp/temp03.lg27t"), sampleTvLogger());
        modem = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), kSampleModemLogger);
    }
    void cleanup()
    {
        StringTable::setLanguage(0);
        ws.reset();
    }

    void chartPageShowsTheLogger_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("summary");
        QTest::newRow("en") << 0 << "2 of 4 channels under the threshold (45 dBuV); 1 not measured";
        QTest::newRow("es") << 1 << "2 de 4 canales bajo el umbral (45 dBuV); 1 sin medir";
        QTest::newRow("de") << 2 << QString::fromUtf8("2 von 4 Kanälen unter der Schwelle (45 dBuV); 1 nicht gemessen");
        QTest::newRow("ca") << 3 << "2 de 4 canals sota el llindar (45 dBuV); 1 sense mesurar";
    }
    void chartPageShowsTheLogger()
    {
        QFETCH(int, language);
        QFETCH(QString, summary);
        StringTable::setLanguage(language);
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(!v.LevelChart1->isEnabled());
        QVERIFY(showAndLoad(v, tv));
        QVERIFY(v.LevelChart1->isEnabled());
        QCOMPARE(v.LevelChart1->text(), StringTable::text(249));
        QVERIFY(v.LoggerKv10->isVisible());
        QVERIFY(!v.ChartPage->isVisible());

        v.LevelChart1->click();
        QVERIFY(v.ChartPage->isVisible());
        QVERIFY(!v.LoggerKv10->isVisible());
        QChart *chart = v.ChartPage->chart();
        QVERIFY(chart);
        // A place per channel in the logger's order; a bar for each measured channel, in the
        // warning colour for the two under the threshold.
        QCOMPARE(categories(chart)->count(), 5);
        QCOMPARE(categories(chart)->at(3), QStringLiteral("C26"));
        QList<int> withBar, under;
        barsOf(chart, withBar, under);
        QCOMPARE(withBar, (QList<int>{0, 1, 2, 4}));
        QCOMPARE(under, (QList<int>{2, 4}));
        QCOMPARE(LevelChartDraw::barSeries(chart)->barSets().at(1)->color(), LevelChartDraw::kWarning);
        // The threshold across the chart, the quality figure of every measured channel.
        QLineSeries *threshold = nullptr;
        QScatterSeries *quality = nullptr;
        for (QAbstractSeries *s : chart->series()) {
            if (auto *scatter = qobject_cast<QScatterSeries *>(s))
                quality = scatter;
            else if (auto *line = qobject_cast<QLineSeries *>(s))
                threshold = line;
        }
        QVERIFY(threshold && quality);
        QCOMPARE(threshold->at(0).y(), 45.0);
        QCOMPARE(threshold->at(1).y(), 45.0);
        QCOMPARE(quality->count(), 4);
        QCOMPARE(quality->at(1), QPointF(1, 45.0));
        int shownAxes = 0;
        for (QAbstractAxis *axis : chart->axes(Qt::Vertical))
            shownAxes += axis->isVisible() ? 1 : 0;
        QCOMPARE(shownAxes, 2);
        QCOMPARE(v.ChartPage->Summary->text(), summary);
        saveScreenshot(&v, QStringLiteral("levelchart-") + kLanguages.at(language));

        // The tooltip of a bar holds its channel's values.
        QStackedBarSeries *bars = LevelChartDraw::barSeries(chart);
        emit bars->hovered(true, 2, bars->barSets().at(1));
        QTRY_COMPARE(QToolTip::text(), v.chartModel().toolTip(2));
        QVERIFY(QToolTip::text().contains(QStringLiteral("-1.5 dBuV")));
        // The pointer rests on the bar: the tooltip event of the view keeps the bar's tooltip.
        QWidget *viewport = v.ChartPage->ChartView->viewport();
        QHelpEvent rest(QEvent::ToolTip, viewport->rect().center(), viewport->mapToGlobal(viewport->rect().center()));
        QApplication::sendEvent(viewport, &rest);
        QTest::qWait(600);   // a hidden tooltip goes after 300 ms
        QCOMPARE(QToolTip::text(), v.chartModel().toolTip(2));
        emit bars->hovered(false, 2, bars->barSets().at(1));

        v.LevelChart1->click();
        QVERIFY(v.LoggerKv10->isVisible());
        QVERIFY(!v.ChartPage->isVisible());
        QVERIFY(!prompter.unexpected);
        QVERIFY(prompter.asked.empty());
    }

    void menuItemsFitTheirMenu_data()
    {
        QTest::addColumn<int>("language");
        for (int l = 0; l < 4; ++l)
            QTest::newRow(qPrintable(kLanguages.at(l))) << l;
    }
    void menuItemsFitTheirMenu()
    {
        QFETCH(int, language);
        StringTable::setLanguage(language);
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, tv));
        QCOMPARE(v.ExportCsv1->text(), StringTable::text(250));
        QCOMPARE(v.SaveChart1->text(), StringTable::text(251));
        QCOMPARE(v.SavePdf1->text(), StringTable::text(252));
        // The existing items keep their order; the new ones come after Print Setup.
        const QList<QAction *> items = v.File1->actions();
        QCOMPARE(items.indexOf(v.PrintSetup1) + 2, items.indexOf(v.ExportCsv1));
        QCOMPARE(items.indexOf(v.ExportCsv1) + 1, items.indexOf(v.SaveChart1));
        QCOMPARE(items.indexOf(v.SaveChart1) + 1, items.indexOf(v.SavePdf1));
        // The chart button's caption fits it.
        QVERIFY(v.LevelChart1->fontMetrics().horizontalAdvance(v.LevelChart1->text()) + 12 <= v.LevelChart1->width());
        v.File1->popup(v.mapToGlobal(QPoint(0, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(v.File1));
        for (QAction *a : {v.ExportCsv1, v.SaveChart1, v.SavePdf1})
            QVERIFY(v.File1->actionGeometry(a).width() >= v.File1->fontMetrics().horizontalAdvance(a->text()));
        saveScreenshot(v.File1, QStringLiteral("viewer-file-menu-") + kLanguages.at(language));
        v.File1->hide();
    }

    void manyChannelsStayInViewWithThinnedLabels()
    {
        const QString wide = ws->write(QStringLiteral("Temp/wide.lg27t"), manyChannelTvLogger(140));
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, wide));
        v.LevelChart1->click();
        QChart *chart = v.ChartPage->chart();
        // An empty place at each end once labels are thinned (see barsStandOnTheAxisBottom).
        QCOMPARE(categories(chart)->count(), 142);
        QList<int> withBar, under;
        barsOf(chart, withBar, under);
        QCOMPARE(withBar.size(), 140);
        QCOMPARE(under.size(), 47);
        // The chart keeps the page's width; every few bars carry their label, the first one
        // always, and the labels left out draw nothing.
        QVERIFY(v.ChartPage->ChartView->width() <= v.ChartPage->width());
        const QStringList labels = categories(chart)->categories().mid(1, 140);
        int written = 0;
        for (int i = 0; i < labels.size(); ++i) {
            const QString shown = QString(labels.at(i)).remove(QChar(0x200B));
            if (!shown.isEmpty()) {
                QCOMPARE(shown, QStringLiteral("C%1").arg(21 + i));
                ++written;
            }
        }
        QVERIFY(!QString(labels.first()).remove(QChar(0x200B)).isEmpty());
        QVERIFY2(written >= 20 && written <= 70, qPrintable(QString::number(written)));
        QCOMPARE(v.ChartPage->Summary->text(), QStringLiteral("47 of 140 channels under the threshold (45 dBuV)"));
        saveScreenshot(&v, QStringLiteral("levelchart-140-channels"));

        // One channel: its label, nothing thinned.
        const QString one =
            ws->write(QStringLiteral("Temp/one.lg27t"), tvLoggerHead(1) + tvLoggerLines({kSampleTvAnswers.at(2)}));
        TKv27Datalogger w;
        QVERIFY(showAndLoad(w, one));
        w.LevelChart1->click();
        QCOMPARE(categories(w.ChartPage->chart())->categories(), QStringList{QStringLiteral("C25")});
        QCOMPARE(w.ChartPage->Summary->text(), QStringLiteral("1 of 1 channel under the threshold (45 dBuV)"));
        saveScreenshot(&w, QStringLiteral("levelchart-1-channel"));
    }

    void loggerWithoutMeasurementShowsAnEmptyChart()
    {
        const QString blank =
            ws->write(QStringLiteral("Temp/blank.lg27t"),
                      tvLoggerHead(1) + tvLoggerLines({QStringLiteral("*HD0&C21&-&-&-&-&-&-&-&-&-&-&-&-&-&-")}));
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, blank));
        v.LevelChart1->click();
        QList<int> withBar, under;
        barsOf(v.ChartPage->chart(), withBar, under);
        QVERIFY(withBar.isEmpty());
        QCOMPARE(v.ChartPage->Summary->text(), QStringLiteral("No channel measured"));
        QVERIFY(prompter.asked.empty());
        saveScreenshot(&v, QStringLiteral("levelchart-nothing-measured"));
    }

    void tvMenuItemsWriteTheirFiles()
    {
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, tv));

        // A name without an extension gets the one the item writes.
        prompter.expectSaveFile(ws->path(QStringLiteral("site")));
        v.ExportCsv1->trigger();
        const QString expected = ws->path(QStringLiteral("expected.csv"));
        QCOMPARE(LoggerCsv::exportFile(tv, LoggerFamily::Tv, expected), 0);
        QCOMPARE(fileBytes(ws->path(QStringLiteral("site.csv"))), fileBytes(expected));
        QCOMPARE(prompter.asked.back().kind, QStringLiteral("saveFile"));
        QCOMPARE(prompter.asked.back().text, ws->temp() + QStringLiteral("/temp03.csv"));

        prompter.expectSaveFile(ws->path(QStringLiteral("chart.png")));
        v.SaveChart1->trigger();
        const QImage image(ws->path(QStringLiteral("chart.png")));
        QCOMPARE(image.size(), QSize(LevelChartDraw::kDefaultWidth, LevelChartDraw::kDefaultHeight));
        prompter.expectSaveFile(ws->path(QStringLiteral("chart.pdf")));
        v.SaveChart1->trigger();
        QVERIFY(fileBytes(ws->path(QStringLiteral("chart.pdf"))).startsWith("%PDF"));

        prompter.expectSaveFile(ws->path(QStringLiteral("report.pdf")));
        v.SavePdf1->trigger();
        QVERIFY(!prompter.unexpected);
        QVERIFY(prompter.messageTexts().isEmpty());
        // Kept beside the screenshots, to be looked at (pdftoppm -png).
        if (!qEnvironmentVariableIsEmpty("KV_SCREENSHOTS")) {
            const QString keep =
                QDir(qEnvironmentVariable("KV_SCREENSHOTS")).filePath(QStringLiteral("tv-report-with-chart.pdf"));
            QFile::remove(keep);
            QFile::copy(ws->path(QStringLiteral("report.pdf")), keep);
        }
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        // The framed report as it prints, then a page with the chart and its summary.
        const QString text = pdfText(ws->path(QStringLiteral("report.pdf")));
        QVERIFY2(text.contains(QStringLiteral(":DATALOGGER")) && text.contains(QStringLiteral("LOCATION=ROOF A"))
                     && text.contains(QStringLiteral("THRESHOLD LEVEL=45")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("C27")));
        QVERIFY(text.contains(QStringLiteral("2 of 4 channels under the threshold (45 dBuV); 1 not measured")));
        QCOMPARE(pdfPages(ws->path(QStringLiteral("report.pdf"))), 2);
        const QStringList pages = text.split(QLatin1Char('\f'));
        QVERIFY(!pages.at(0).contains(QStringLiteral("channels under the threshold")));
        QVERIFY(pages.at(1).contains(QStringLiteral("channels under the threshold")));
        QVERIFY(pdfText(ws->path(QStringLiteral("chart.pdf"))).contains(QStringLiteral("2 of 4 channels")));
    }

    void cancelWritesNothing_data()
    {
        QTest::addColumn<bool>("tvViewer");
        QTest::addColumn<QString>("item");
        QTest::newRow("tv, export csv") << true << "csv";
        QTest::newRow("tv, save chart") << true << "chart";
        QTest::newRow("tv, save as pdf") << true << "pdf";
        QTest::newRow("modem, export csv") << false << "csv";
        QTest::newRow("modem, save as pdf") << false << "pdf";
    }
    void cancelWritesNothing()
    {
        QFETCH(bool, tvViewer);
        QFETCH(QString, item);
        const QStringList before = filesIn(ws->temp());
        const QStringList rootBefore = filesIn(ws->root());
        ScriptedPrompter prompter;
        prompter.expectSaveFile(QString());
        std::unique_ptr<TLoggerViewer> v;
        if (tvViewer) {
            auto *t = new TKv27Datalogger;
            v.reset(t);
            QVERIFY(showAndLoad(*t, tv));
        } else {
            auto *m = new TLoggerKv25;
            v.reset(m);
            QVERIFY(showAndLoad(*m, modem));
        }
        if (item == QLatin1String("csv"))
            v->ExportCsv1->trigger();
        else if (item == QLatin1String("pdf"))
            v->SavePdf1->trigger();
        else
            static_cast<TKv27Datalogger *>(v.get())->SaveChart1->trigger();
        QCOMPARE(prompter.pending(), 0);
        QVERIFY(!prompter.unexpected);
        QCOMPARE(filesIn(ws->temp()), before);
        QCOMPARE(filesIn(ws->root()), rootBefore);
    }

    // A bare name gets its extension before the question, so "site" over an existing
    // "site.csv" is asked about, and No leaves that file as it was.
    void bareNameOverAnExistingFileIsAsked_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("ext");
        QTest::newRow("export csv") << "csv"
                                    << "csv";
        QTest::newRow("save chart") << "chart"
                                    << "png";
        QTest::newRow("save as pdf") << "pdf"
                                     << "pdf";
    }
    void bareNameOverAnExistingFileIsAsked()
    {
        QFETCH(QString, item);
        QFETCH(QString, ext);
        const QString existing = ws->write(QStringLiteral("site.") + ext, "keep me");
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, tv));
        prompter.expectSaveFile(ws->path(QStringLiteral("site")));
        prompter.expectMessage(QMessageBox::No);
        (item == QLatin1String("csv")   ? v.ExportCsv1
         : item == QLatin1String("pdf") ? v.SavePdf1
                                        : v.SaveChart1)
            ->trigger();
        QCOMPARE(prompter.pending(), 0);
        QVERIFY(!prompter.unexpected);
        QCOMPARE(prompter.asked.back().kind, QStringLiteral("message"));
        QVERIFY(prompter.asked.back().text.contains(QStringLiteral("site.") + ext));
        QCOMPARE(fileBytes(existing), QByteArray("keep me"));
    }

    // A dot in a name is not an extension: "roof.v2" is saved as "roof.v2.png", and the file it
    // would replace is asked about; a known picture or PDF extension keeps its own kind.
    void dottedNamesGetTheSuffixBeforeTheQuestion()
    {
        const QString existing = ws->write(QStringLiteral("roof.v2.png"), "keep me");
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, tv));
        prompter.expectSaveFile(ws->path(QStringLiteral("roof.v2")));
        prompter.expectMessage(QMessageBox::No);
        v.SaveChart1->trigger();
        QVERIFY(prompter.asked.back().text.contains(QStringLiteral("roof.v2.png")));
        QCOMPARE(fileBytes(existing), QByteArray("keep me"));
        QVERIFY(!QFile::exists(ws->path(QStringLiteral("roof.v2"))));

        prompter.expectSaveFile(ws->path(QStringLiteral("x.jpg")));
        v.SaveChart1->trigger();
        QVERIFY(fileBytes(ws->path(QStringLiteral("x.jpg"))).startsWith("\xFF\xD8\xFF"));
        QVERIFY(!QFile::exists(ws->path(QStringLiteral("x.jpg.png"))));
        prompter.expectSaveFile(ws->path(QStringLiteral("y.PDF")));
        v.SaveChart1->trigger();
        QVERIFY(fileBytes(ws->path(QStringLiteral("y.PDF"))).startsWith("%PDF-"));
        QVERIFY(!prompter.unexpected);
    }

    // Bars stand on the bottom of the level axis: with dBm the weakest channel has the shortest
    // bar, a channel at exactly 0 has one, and a huge level draws at once.
    void barsStandOnTheAxisBottom()
    {
        LevelChart::Model m;
        QVERIFY(
            LevelChart::load(
                ws->write(QStringLiteral("dbm.lg27t"),
                          tvLoggerHead(3, "-60", "dBm")
                              + tvLoggerLines(
                                  {QStringLiteral("*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&-75,0&30,0&1,0E-8&-&-&-&-&-"),
                                   QStringLiteral("*HD1&C22&482,00&0,00&8,0&QAM64&A&6875&-40,0&30,0&1,0E-8&-&-&-&-&-"),
                                   QStringLiteral("*HD2&C23&490,00&0,00&8,0&QAM64&A&6875&0,0&30,0&1,0E-8&-&-&-&-&-")})),
                m)
            == 0);
        std::unique_ptr<QChart> chart(LevelChartDraw::makeChart(m));
        QStackedBarSeries *bars = LevelChartDraw::barSeries(chart.get());
        const auto height = [&](int i) { return bars->barSets().at(0)->at(i) + bars->barSets().at(1)->at(i); };
        QVERIFY(height(0) > 0 && height(0) < height(1) && height(1) < height(2));

        // Labels thinned: an empty place at each end, so that the axis, which hides a label
        // sticking out past its ends, shows the first channel's.
        QVERIFY(LevelChart::load(ws->write(QStringLiteral("many.lg27t"), manyChannelTvLogger(140)), m) == 0);
        const int step = LevelChartDraw::labelStep(m, LevelChartDraw::kDefaultWidth);
        QVERIFY(step > 1);
        chart.reset(LevelChartDraw::makeChart(m, step));
        QCOMPARE(categories(chart.get())->count(), 142);
        QCOMPARE(categories(chart.get())->at(1), QStringLiteral("C21"));
        QCOMPARE(LevelChartDraw::barSeries(chart.get())->barSets().at(0)->at(0), 0.0);

        QElapsedTimer t;
        t.start();
        QVERIFY(
            LevelChart::load(ws->write(QStringLiteral("huge.lg27t"),
                                       tvLoggerHead(1)
                                           + tvLoggerLines({QStringLiteral(
                                               "*HD0&C21&474,00&0,00&8,0&QAM64&A&6875&9,9E37&30,0&1,0E-8&-&-&-&-&-")})),
                             m)
            == 0);
        QImage image(800, 400, QImage::Format_ARGB32);
        QPainter p(&image);
        LevelChartDraw::paintChart(p, QRectF(0, 0, 800, 400), m, QSize(800, 400));
        // Seconds, not the 19 s and gigabytes of a tick every 5 units; stretched for a sanitizer build.
        const int scale = std::max(1, qEnvironmentVariableIntValue("KV_TEST_TIME_SCALE"));
        QVERIFY2(t.elapsed() < 3000 * scale, qPrintable(QString::number(t.elapsed())));
    }

    void modemViewerExportsAndSavesPdf()
    {
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, modem));
        // The chart is the TV viewer's alone.
        for (QAction *a : v.File1->actions())
            QVERIFY(a->text() != StringTable::text(251));

        prompter.expectSaveFile(ws->path(QStringLiteral("modem.csv")));
        v.ExportCsv1->trigger();
        const QString expected = ws->path(QStringLiteral("expected.csv"));
        QCOMPARE(LoggerCsv::exportFile(modem, LoggerFamily::Modem, expected), 0);
        QCOMPARE(fileBytes(ws->path(QStringLiteral("modem.csv"))), fileBytes(expected));

        prompter.expectSaveFile(ws->path(QStringLiteral("modem.pdf")));
        v.SavePdf1->trigger();
        QVERIFY(!prompter.unexpected);
        QVERIFY(prompter.messageTexts().isEmpty());
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        const QString text = pdfText(ws->path(QStringLiteral("modem.pdf")));
        QVERIFY2(text.contains(QStringLiteral("DOWNSTREAM")) && text.contains(QStringLiteral("PWR:5,2dBmV")),
                 qPrintable(text));
        QCOMPARE(pdfPages(ws->path(QStringLiteral("modem.pdf"))), 1);
    }

    void unwritableTargetIsReportedAndKept()
    {
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, tv));
        const QString pdf = ws->write(QStringLiteral("keep.pdf"), "old pdf");
        if (!setImmutable(pdf, true))
            QSKIP("chattr +i is not available here");
        // Each time: the question whether to replace the file (Yes), then the failure.
        for (QAction *item : {v.SavePdf1, v.SaveChart1}) {
            prompter.expectSaveFile(pdf);
            prompter.expectMessage(QMessageBox::Yes);
            prompter.expectMessage();
            item->trigger();
        }
        setImmutable(pdf, false);
        const QStringList texts = prompter.messageTexts();
        QCOMPARE(texts.size(), 4);
        QVERIFY(texts[1].contains(StringTable::text(53 /* "Unable To Open File" */)));
        QVERIFY(texts[3].contains(StringTable::text(53 /* "Unable To Open File" */)));
        QCOMPARE(fileBytes(pdf), QByteArray("old pdf"));
        QVERIFY(!prompter.unexpected);
    }
};

QTEST_MAIN(TestLevelChartWindows)
#include "tst_levelchartwin.moc"
