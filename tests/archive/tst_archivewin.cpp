// The archive window, the history and the comparison through the prompt seam: the table and its
// filters, opening an entry in its viewer, export, delete and restore, an import with progress,
// the two views and their files; screenshots of the three windows in the four languages.

#include "ArchiveSamples.h"
#include "ScriptedPrompter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/MainResum.h"
#include "archive/Capture.h"
#include "archive/windows/ArchiveWindow.h"
#include "archive/windows/CompareWindow.h"
#include "archive/windows/HistoryWindow.h"
#include "datalogger/windows/Dataloggerkv25.h"
#include "datalogger/windows/Dloggerkv27.h"

#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

class TestArchiveWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWorkspace> ws;
    QString db() const { return ws->path(QStringLiteral("archive.sqlite")); }

    // Three visits of the roof and one of the cellar, and a cable-modem logger.
    void fill()
    {
        ws->write(QStringLiteral("in/1.lg27t"), tvLogger(QStringLiteral("ROOF A"), QStringLiteral("01/12/26"),
                                                         {{QStringLiteral("C21"), 474, QStringLiteral("50,0")},
                                                          {QStringLiteral("C22"), 482, QStringLiteral("44,0")},
                                                          {QStringLiteral("C23"), 490, QStringLiteral("61,0")}}));
        ws->write(QStringLiteral("in/2.lg27t"), tvLogger(QStringLiteral("ROOF A"), QStringLiteral("05/12/26"),
                                                         {{QStringLiteral("C21"), 474, QStringLiteral("53,5")},
                                                          {QStringLiteral("C22"), 482, QStringLiteral("45,0")},
                                                          {QStringLiteral("C23"), 490, QStringLiteral("60,5")}}));
        ws->write(QStringLiteral("in/3.lg27t"),
                  tvLoggerOfSize(12, QStringLiteral("CELLAR"), QStringLiteral("03/12/26")));
        ws->write(QStringLiteral("in/4.lg27t"), tvLogger(QStringLiteral("ROOF A"), QStringLiteral("07/12/26"),
                                                         {{QStringLiteral("C21"), 474, QStringLiteral("52,0")},
                                                          {QStringLiteral("C22"), 482, QStringLiteral("47,0")},
                                                          {QStringLiteral("C24"), 498, QStringLiteral("58,0")}}));
        ws->write(
            QStringLiteral("in/5.lg27m"),
            kLoggerHead
                + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=7\r\nINFO=*HL07&09:15&06/12/26&SHOP&REGISTERED&\r\n"
                  "DOWNSTREAM=*HD0700&PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&\r\n"
                  "UPSTREAM=*HD0701&PWR:42,0dBmV&ATT:3dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QPSK&SR:2560kS/s&\r\n"
                  "LOCATION=SHOP\r\n");
        const Archive::ImportResult r = Archive::importFiles({ws->path(QStringLiteral("in"))}, {}, nullptr, db());
        QVERIFY2(r.added == 5, qPrintable(QStringLiteral("%1 %2").arg(r.code).arg(r.detail)));
    }

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>();
        StringTable::setLanguage(0);
    }
    void cleanup()
    {
        StringTable::setLanguage(0);
        ws.reset();
    }

    // The list, its filters and its sorting.
    void tableAndFilters()
    {
        fill();
        ScriptedPrompter prompts;
        TArchive w(nullptr, db());
        QVERIFY(w.load());
        w.show();
        QCOMPARE(w.shownCount(), 5);
        QCOMPARE(w.Estat->text(), QStringLiteral("5 of 5 entries"));
        w.FiltreText->setText(QStringLiteral("roof"));
        QCOMPARE(w.shownCount(), 3);
        w.Familia->setCurrentIndex(2);
        QCOMPARE(w.shownCount(), 0);
        w.FiltreText->clear();
        QCOMPARE(w.shownCount(), 1);
        w.Familia->setCurrentIndex(0);
        w.DesDe->setChecked(true);
        w.DataDesDe->setDate(QDate(2026, 12, 4));
        w.FinsA->setChecked(true);
        w.DataFinsA->setDate(QDate(2026, 12, 6));
        QCOMPARE(w.shownCount(), 2);   // the roof on the 5th, the shop on the 6th
        w.DesDe->setChecked(false);
        w.FinsA->setChecked(false);

        // Channels sort as numbers, not as texts (12 after 3).
        w.table()->sortByColumn(Archive::ChannelsColumn, Qt::DescendingOrder);
        QCOMPARE(w.table()->model()->index(0, Archive::LocationColumn).data().toString(), QStringLiteral("CELLAR"));
        w.table()->sortByColumn(Archive::DateColumn, Qt::AscendingOrder);
        QCOMPARE(w.table()->model()->index(0, Archive::DateColumn).data().toString(), QStringLiteral("01/12/26"));
        QVERIFY(!prompts.unexpected);
    }

    // Export writes the original bytes; delete asks first and the entry moves under Show Deleted,
    // from where Restore brings it back.
    void exportDeleteRestore()
    {
        fill();
        ScriptedPrompter prompts;
        TArchive w(nullptr, db());
        QVERIFY(w.load());
        w.show();
        w.selectIds({3});
        QVERIFY(w.BotoExportar->isEnabled());
        prompts.expectSaveFile(ws->path(QStringLiteral("out/cellar copy")));
        QDir().mkpath(ws->path(QStringLiteral("out")));
        w.ExportClick();
        QCOMPARE(ws->read(QStringLiteral("out/cellar copy.lg27t")), ws->read(QStringLiteral("in/3.lg27t")));

        prompts.expectMessage(QMessageBox::No);
        w.DeleteClick();
        QCOMPARE(w.shownCount(), 5);
        prompts.expectMessage(QMessageBox::Yes);
        w.DeleteClick();
        QVERIFY2(prompts.asked.back().text.contains(QStringLiteral("Delete entry 3?")),
                 qPrintable(prompts.asked.back().text));
        QCOMPARE(w.shownCount(), 4);
        w.Esborrats->setChecked(true);
        QCOMPARE(w.shownCount(), 1);
        QCOMPARE(w.BotoEsborrar->text(), QStringLiteral("Restore"));
        w.selectIds({3});
        w.DeleteClick();
        w.Esborrats->setChecked(false);
        QCOMPARE(w.shownCount(), 5);
        QVERIFY(!prompts.unexpected);
        QCOMPARE(prompts.pending(), 0);
    }

    // Open puts the entry's bytes in a working copy and shows them in the viewer; the archive's
    // bytes stay as they were.
    void openShowsTheViewer()
    {
        fill();
        ScriptedPrompter prompts;
        TArchive w(nullptr, db());
        QVERIFY(w.load());
        w.show();
        w.selectIds({2});
        QString shownTitle;
        QTimer::singleShot(0, [&] {
            if (auto *v = qobject_cast<TKv27Datalogger *>(QApplication::activeModalWidget())) {
                if (QTest::qWaitFor([&] { return v->isLoaded(); }, 5000))
                    shownTitle = v->windowTitle();
                v->reject();
            }
        });
        w.OpenClick();
        QVERIFY2(shownTitle.contains(QStringLiteral("archive2")), qPrintable(shownTitle));
        QCOMPARE(fileBytes(app().tempFolder + QStringLiteral("/archive2.lg27t")),
                 ws->read(QStringLiteral("in/2.lg27t")));
    }

    // An import from the window runs beside it: the window answers, the table grows, and the
    // counts and the rejected files are said at the end.
    void importFromTheWindow()
    {
        ScriptedPrompter prompts;
        for (int i = 0; i < 150; ++i)
            ws->write(
                QStringLiteral("field/%1.lg27t").arg(i, 3, 10, QLatin1Char('0')),
                tvLoggerOfSize(80, QStringLiteral("MAST"), QStringLiteral("%1/11/26").arg(i % 28 + 1), 40 + i % 11));
        ws->write(QStringLiteral("field/photo.jpg"), QByteArray(3000, '\xFF'));
        TArchive w(nullptr, db());
        QVERIFY(w.load());
        w.show();
        prompts.expectFolder(ws->path(QStringLiteral("field")));
        prompts.expectMessage();
        w.ImportFolderClick();
        QVERIFY(w.importRunning());
        QVERIFY(w.BarraProgres->isVisible());
        QVERIFY(!w.BotoImportar->isEnabled());
        // The window keeps answering while the import runs.
        QElapsedTimer answered;
        answered.start();
        QCoreApplication::processEvents();
        QVERIFY(answered.elapsed() < 200);
        w.waitForImport();
        QCOMPARE(w.shownCount(), 150);
        const QString said = prompts.messageTexts().last();
        QVERIFY2(said.startsWith(QStringLiteral("150 added, 0 already archived, 1 not imported")), qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("photo.jpg: not a logger file")), qPrintable(said));
        QVERIFY(!w.BarraProgres->isVisible());
        QVERIFY(!prompts.unexpected);
    }

    // Closing the window during an import cancels it: what came is kept, nothing is said.
    void closingDuringAnImport()
    {
        ScriptedPrompter prompts;
        for (int i = 0; i < 400; ++i)
            ws->write(
                QStringLiteral("many/%1.lg27t").arg(i, 3, 10, QLatin1Char('0')),
                tvLoggerOfSize(100, QStringLiteral("DEPOT"), QStringLiteral("%1/10/26").arg(i % 28 + 1), 30 + i % 17));
        {
            TArchive w(nullptr, db());
            QVERIFY(w.load());
            w.show();
            w.importPaths({ws->path(QStringLiteral("many"))});
            QTest::qWait(50);
            w.reject();
            QVERIFY(!w.importRunning());
        }
        QVERIFY(!prompts.unexpected);
        Archive::Store s;
        QCOMPARE(s.open(db(), Archive::Check::Quick), 0);
        QList<Archive::Summary> all;
        QCOMPARE(s.list({}, all), 0);
        QVERIFY(all.size() < 400);
    }

    // A file damaged inside (its header good): the window shows what it can read at once, its
    // check beside it finds the damage, says so, sets the file aside and begins a new archive.
    void damageFoundBesideTheWindow()
    {
        for (int i = 0; i < 40; ++i)
            ws->write(QStringLiteral("in/%1.lg27t").arg(i),
                      tvLoggerOfSize(100, QStringLiteral("SITE %1").arg(i), QStringLiteral("01/12/26")));
        QCOMPARE(Archive::importFiles({ws->path(QStringLiteral("in"))}, {}, nullptr, db()).added, 40);
        QByteArray bytes = fileBytes(db());
        QVERIFY(bytes.size() > 200 * 1024);
        // Pages of measurements, far from the schema and the list's rows.
        for (qsizetype i = bytes.size() / 2; i < bytes.size() - 4096; i += 4096)
            bytes.replace(i + 200, 200, QByteArray(200, '\x5A'));
        QVERIFY(writeBytesAtomically(db(), bytes));

        ScriptedPrompter prompts;
        prompts.expectMessage();
        prompts.expectMessage();
        TArchive w(nullptr, db());
        QVERIFY(w.load());
        w.show();
        w.waitForCheck();
        const QStringList said = prompts.messageTexts();
        QCOMPARE(said.size(), 2);
        QVERIFY2(said[0].startsWith(QStringLiteral("Error : The archive is damaged: -259")), qPrintable(said[0]));
        QVERIFY2(said[1].contains(QStringLiteral("set aside as")), qPrintable(said[1]));
        QCOMPARE(w.shownCount(), 0);
        const QStringList aside = QDir(ws->root()).entryList({QStringLiteral("archive-damaged-*.sqlite")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(fileBytes(ws->path(aside.first())), bytes);
    }

    // A site's history: the chart with a line per chosen channel and the threshold, the table,
    // the CSV file.
    void history()
    {
        fill();
        ScriptedPrompter prompts;
        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        Archive::History h;
        QCOMPARE(Archive::historyOfLocation(s, QStringLiteral("roof a"), h), 0);
        THistory w(h);
        w.show();
        QCOMPARE(w.shownChannels().size(), 4);
        QCOMPARE(w.chart()->series().size(), 5);   // four channels and the threshold
        w.setShownChannels({QStringLiteral("C22")});
        QCOMPARE(w.chart()->series().size(), 2);
        QCOMPARE(w.Taula->model()->rowCount(), 4);
        QCOMPARE(w.Taula->model()->index(0, 4).data().toString(), QStringLiteral("+2.0"));
        QCOMPARE(w.Taula->model()->index(3, 3).data().toString(), QStringLiteral("58.0"));
        QCOMPARE(w.Taula->model()->index(3, 1).data().toString(), QString());
        prompts.expectSaveFile(ws->path(QStringLiteral("roof")));
        w.ExportCsvClick();
        QVERIFY(ws->read(QStringLiteral("roof.csv")).contains("C21,50.0,53.5,52.0,+2.0\r\n"));
    }

    // Absurd figures from a meter (1E+308, a level of a million dB) are archived as they came and
    // drawn without a hang: the chart's axis stays finite, the table shows them.
    void absurdFigures()
    {
        ScriptedPrompter prompts;
        ws->write(QStringLiteral("in/1.lg27t"), tvLogger(QStringLiteral("WILD"), QStringLiteral("01/12/26"),
                                                         {{QStringLiteral("C21"), 474, QStringLiteral("1,0E+308")},
                                                          {QStringLiteral("C22"), 482, QStringLiteral("-1,0E+308")}}));
        ws->write(QStringLiteral("in/2.lg27t"), tvLogger(QStringLiteral("WILD"), QStringLiteral("02/12/26"),
                                                         {{QStringLiteral("C21"), 474, QStringLiteral("1000000")},
                                                          {QStringLiteral("C22"), 482, QStringLiteral("1,0E+999")}}));
        QCOMPARE(Archive::importFiles({ws->path(QStringLiteral("in"))}, {}, nullptr, db()).added, 2);
        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        Archive::History h;
        QCOMPARE(Archive::historyOfLocation(s, QStringLiteral("wild"), h), 0);
        QCOMPARE(*h.levels[0][0], 1e308);
        QVERIFY(!h.levels[1][1].has_value());   // beyond a double: no level
        QElapsedTimer drawn;
        drawn.start();
        THistory w(h);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.grab();
        QVERIFY(drawn.elapsed() < 5000);
        const Archive::Comparison c = Archive::compare({}, {}, 3);
        QVERIFY(c.rows.isEmpty());
        Archive::Comparison wild;
        QCOMPARE(Archive::compareEntries(s, 1, 2, 3, wild), 0);
        QVERIFY(wild.rows[0].marked);
        QVERIFY(!wild.rows[1].levelDiff.has_value());
        TCompare cw(s, 1, 2);
        cw.show();
        cw.grab();
        QVERIFY(!prompts.unexpected);
    }

    // The comparison: rows marked over the limit, a new limit marks anew, CSV and PDF.
    void comparison()
    {
        fill();
        ScriptedPrompter prompts;
        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        TCompare w(s, 1, 4);
        QVERIFY(w.isReady());
        w.show();
        QCOMPARE(w.Taula->rowCount(), 4);   // C21, C22, C23 gone, C24 new
        QCOMPARE(w.comparison().marked, 0);   // C21 +2.0, C22 +3.0: neither over 3 dB
        w.Limit->setValue(1.5);
        QCOMPARE(w.comparison().marked, 2);
        QCOMPARE(w.Taula->item(1, 8)->text(), QStringLiteral("*"));
        QVERIFY(w.Taula->item(1, 0)->background() != w.Taula->item(2, 0)->background());
        QCOMPARE(w.Resum->text(),
                 QStringLiteral("2 channels compared, 2 differ by more than 1.5 dB; 1 only before, 1 only after"));
        prompts.expectSaveFile(ws->path(QStringLiteral("cmp")));
        w.ExportCsvClick();
        QVERIFY(ws->read(QStringLiteral("cmp.csv")).contains("C21,474.00,50.0,52.0,+2.0,30.5,30.5,0.0,*\r\n"));
        prompts.expectSaveFile(ws->path(QStringLiteral("cmp")));
        w.SavePdfClick();
        const QByteArray pdf = ws->read(QStringLiteral("cmp.pdf"));
        QVERIFY(pdf.startsWith("%PDF") && pdf.trimmed().endsWith("%%EOF"));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {ws->path(QStringLiteral("cmp.pdf")), QStringLiteral("-")});
        if (text.waitForFinished(10000) && text.exitCode() == 0) {
            const QString words = QString::fromUtf8(text.readAllStandardOutput());
            QVERIFY2(words.contains(QStringLiteral("Before/After Comparison")) && words.contains(QStringLiteral("C24")),
                     qPrintable(words));
        }
        // The chart's page is drawn at the page's size, not as a thumbnail in a corner.
        QProcess page;
        page.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"),
                    QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                    ws->path(QStringLiteral("cmp.pdf")), ws->path(QStringLiteral("page"))});
        if (page.waitForFinished(10000) && page.exitCode() == 0) {
            const QImage image(ws->path(QStringLiteral("page-2.png")));
            QVERIFY(!image.isNull());
            int inked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    inked += qGray(image.pixel(x, y)) < 200 ? 1 : 0;
            QVERIFY2(inked > image.width() * image.height() / 20, qPrintable(QString::number(inked)));
        }
        // Comparing a cable-modem entry is refused with a message, not an empty window.
        prompts.expectMessage();
        TCompare modem(s, 1, 5);
        QVERIFY(!modem.isReady());
        QVERIFY(prompts.messageTexts().last().contains(QStringLiteral("Not a TV logger")));
    }

    // The menu's commands, and every text of the three windows in full in every language.
    void textsFitInEveryLanguage()
    {
        fill();
        ScriptedPrompter prompts;
        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        Archive::History h;
        QCOMPARE(Archive::historyOfLocation(s, QStringLiteral("ROOF A"), h), 0);
        static const char *const names[] = {"en", "es", "de", "ca"};
        for (int l = 0; l < 4; ++l) {
            StringTable::setLanguage(l);
            TArchive a(nullptr, db());
            QVERIFY(a.load());
            a.show();
            a.selectIds({1, 2});
            QVERIFY(QTest::qWaitForWindowExposed(&a));
            QVERIFY2(cutTexts(&a).isEmpty(), qPrintable(cutTexts(&a).join(QStringLiteral(" | "))));
            saveScreenshot(&a, QStringLiteral("archive-window-%1").arg(QLatin1String(names[l])));

            THistory hw(h);
            hw.show();
            QVERIFY(QTest::qWaitForWindowExposed(&hw));
            QVERIFY2(cutTexts(&hw).isEmpty(), qPrintable(cutTexts(&hw).join(QStringLiteral(" | "))));
            saveScreenshot(&hw, QStringLiteral("archive-history-%1").arg(QLatin1String(names[l])));

            TCompare cw(s, 1, 4);
            cw.show();
            QVERIFY(QTest::qWaitForWindowExposed(&cw));
            QVERIFY2(cutTexts(&cw).isEmpty(), qPrintable(cutTexts(&cw).join(QStringLiteral(" | "))));
            saveScreenshot(&cw, QStringLiteral("archive-compare-%1").arg(QLatin1String(names[l])));
        }
        QVERIFY(!prompts.unexpected);
    }

    // The cable-modem viewer's Save: the saved file is an entry of its own, linked to the
    // received one it was saved from.
    void modemViewerSaveIsArchived()
    {
        ScriptedPrompter prompts;
        const QByteArray received =
            kLoggerHead
            + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=7\r\nINFO=*HL07&09:15&06/12/26&SHOP&REGISTERED&\r\n"
              "DOWNSTREAM=*HD0700&PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&\r\n"
              "UPSTREAM=*HD0701&PWR:42,0dBmV&ATT:3dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QPSK&SR:2560kS/s&\r\n"
              "LOCATION=\r\n";
        const QString path = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), received);
        const Archive::CaptureResult first =
            Archive::captureReceived(path, LoggerFamily::Modem, 7, true, QString(), db());
        QCOMPARE(first.code, 0);

        TLoggerKv25 v;
        v.setLoadDelay(10);
        v.setFile(path);
        v.show();
        QVERIFY(QTest::qWaitFor([&] { return v.isLoaded(); }, 5000));
        v.Comments->setPlainText(QStringLiteral("Flat 4, second floor\nSplitter replaced"));
        v.Save1Click();
        QVERIFY(!prompts.unexpected);

        Archive::Store s;
        QCOMPARE(s.open(db()), 0);
        QList<Archive::Summary> all;
        QCOMPARE(s.list({}, all), 0);
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[1].parentId, first.id);
        QCOMPARE(all[1].location, QStringLiteral("Flat 4, second floor"));
        Archive::Entry saved;
        QCOMPARE(s.entry(all[1].id, saved), 0);
        QCOMPARE(saved.bytes, fileBytes(path));
        QCOMPARE(saved.arrivals.first().origin, Archive::Origin::Saved);
    }

    // Datalogger > Measurement Archive and Import into Archive are there, in the language.
    void mainWindowMenu()
    {
        TMainResum main;
        auto *archive = main.findChild<QAction *>(QStringLiteral("Archive1"));
        auto *import = main.findChild<QAction *>(QStringLiteral("ImportArchive1"));
        QVERIFY(archive && import);
        QCOMPARE(archive->text(), QStringLiteral("Measurement Archive..."));
        main.setLanguage(3);
        QCOMPARE(import->text(), QStringLiteral("Importar a l'Arxiu..."));
    }
};

QTEST_MAIN(TestArchiveWindow)
#include "tst_archivewin.moc"
