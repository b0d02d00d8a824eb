// The datalogger index window against the simulated meter: receiving the index, the print marks
// and the buttons, receiving and showing one slot, and printing the marked loggers.

#include "LoggerSamples.h"
#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "app/WorkspaceLock.h"
#include "app/Files.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "datalogger/Printing.h"
#include "datalogger/windows/Dataloggerkv25.h"
#include "datalogger/windows/Dataloggerresumkv25.h"
#include "datalogger/windows/Dloggerkv27.h"
#include "datalogger/windows/StringGrid.h"
#include "datalogger/windows/Tamanyfont.h"
#include "jobs/LoggerJobs.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

QByteArray tvFixture()
{
    QByteArray f = "[SLOT 0]\nTIME=10:32\nDATE=07/12/26\nLOCATION=ROOF\nPLAN=AB\nUNITS=dBuV\nTHRESHOLD=455\n";
    for (int n = 0; n < 40; ++n)
        f += "MEASURE=" + QByteArray::number(n) + "&C" + QByteArray::number(21 + n) + "&"
             + QByteArray::number(474 + 8 * n) + ",00&-0,50&8,0&QAM64&A&6875&52,3&33,1&1,0E-8&-&-&-&-&-\n";
    f += "[SLOT 2]\nTIME=11:05\nDATE=07/12/26\nLOCATION=FLAT 3\nPLAN=CD\nUNITS=dBmV\nTHRESHOLD=120\n"
         "MEASURE=0&C40&626,00&0,00&8,0&QAM64&A&6875&-3,2&30,0&1,0E-7&-&-&-&-&-\n"
         "[SLOT 3]\nTIME=--:--\n"
         "[SLOT 4]\nTIME=12:00\nDATE=08/12/26\nLOCATION=CELLAR\nPLAN=AB\nUNITS=dBuV\n"
         "MEASURE=0&S2&48,25&0,00&7,0&-&-&-&-&-&-&PAL/BG&5,50&61,2&-12,5&45,0\n"
         "[SLOT 40]\nTIME=13:13\nDATE=09/12/26\nLOCATION=TOWER\nPLAN=AB\nUNITS=dBuV\n"
         "MEASURE=0&C21&474,00&0,00&8,0&QAM64&A&6875&52,3&33,1&1,0E-8&-&-&-&-&-\n";
    return f;
}

QByteArray modemFixture()
{
    return "[SLOT 0]\nTIME=09:15\nDATE=06/12/26\nDESCRIPTION=SHOP\nSTATUS=REGISTERED\n"
           "DOWNSTREAM=PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&\n"
           "UPSTREAM=PWR:42,0dBmV&ATT:3dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QPSK&SR:2560kS/s&\n"
           "HEADEND=10.1.2.33&10.1.0.1&10.1.0.2&modem$cfg.bin&\n"
           "PINGREPORT=10.1.0.1&10&10&\\xC81%&3ms&12ms&5ms&\n"
           "[SLOT 2]\nTIME=14:40\nDATE=06/12/26\nDESCRIPTION=HOUSE 12\nSTATUS=NOT REGISTERED\n"
           "DOWNSTREAM=PWR:-8,5dBmV&MER:22,1dB&FREQ:610,00MHz&CH:C38&MOD:QAM64&SR:6952kS/s&BER:3,5E-4&\n"
           "UPSTREAM=PWR:58,0dBmV&ATT:0dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QAM16&SR:2560kS/s&\n"
           "HEADEND=-&-&-&-&\nPINGREPORT=-&0&0&-&-&-&-&\n";
}

QString yes()
{
    return StringTable::text(119);
}
QString no()
{
    return StringTable::text(120);
}
const QString kEmpty = QStringLiteral("      == ");

// Watches for a modal viewer of type V: once it has loaded, check runs on it and it is closed.
template <class V>
class ViewerCloser {
public:
    explicit ViewerCloser(std::function<void(V *)> check) : check(std::move(check))
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *v = qobject_cast<V *>(w);
                if (v && v->isVisible() && v->isLoaded()) {
                    ++seen;
                    this->check(v);
                    v->reject();
                }
            }
        });
        timer.start();
    }
    int seen = 0;

private:
    std::function<void(V *)> check;
    QTimer timer;
};

}   // namespace

class TestLoggerIndexWindow : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<SimulatedMeter> meter;
    QTemporaryDir fixtures;

    bool startMeter(const QStringList &extra = {}, bool withLoggers = true)
    {
        QStringList args = extra;
        if (withLoggers)
            args << QStringLiteral("--loggers") << fixtures.path();
        meter = std::make_unique<SimulatedMeter>(args);
        return startMeterOnPort(*meter);
    }

    void prepare(TResumLogger &w, LoggerFamily family)
    {
        w.transferStartDelay = 0;
        w.viewerLoadDelay = 0;
        w.show();
        w.DataloggerType->setCurrentIndex(family == LoggerFamily::Tv ? 1 : 0);
    }

    QStringList asked(const QString &prefix) const
    {
        QStringList out;
        for (const QString &l : meter->transcript())
            if (l.startsWith(prefix))
                out << l;
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fixtures.isValid());
        QFile tv(fixtures.path() + QStringLiteral("/tv.txt"));
        QVERIFY(tv.open(QIODevice::WriteOnly));
        tv.write(tvFixture());
        QFile modem(fixtures.path() + QStringLiteral("/modem.txt"));
        QVERIFY(modem.open(QIODevice::WriteOnly));
        modem.write(modemFixture());
    }

    void init()
    {
        ws = std::make_unique<TestWorkspace>(false);
        StringTable::fillStringTable();
        app().currentModelIndex = 0;
        app().CurrentModel.modelName = QStringLiteral("KV-27");
        app().CurrentModel.modelTypeCode = 1;
        app().CurrentModel.tvLoggerFileType = QStringLiteral("lg27t");
        app().CurrentModel.modemLoggerFileType = QStringLiteral("lg27m");
        thePort().SetTimeout(300);
        LoggerJobs::setTvSettleDelay(0);
    }
    void cleanup()
    {
        meter.reset();
        ws.reset();
    }

    void opensIdle()
    {
        ScriptedPrompter prompter;
        TResumLogger w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Datalogger Index"));
        QCOMPARE(w.DataloggerType->currentIndex(), 0);
        QCOMPARE(w.DataloggerType->itemText(1), QStringLiteral("TV Logger"));
        QCOMPARE(w.Missatge->text(), QStringLiteral("Status:Ready"));
        QCOMPARE(w.Graella->cell(0, 1), QStringLiteral("0"));
        QCOMPARE(w.Graella->cell(0, 55), QStringLiteral("54"));
        QCOMPARE(w.Graella->cell(4, 0), QStringLiteral("PRINT"));
        QVERIFY(w.ReceiveIndex->isEnabled());
        QVERIFY(!w.ReceiveAll->isEnabled());
        QVERIFY(!w.PrintLoggers->isEnabled());
        QVERIFY(w.PrintSetup->isEnabled());
        QVERIFY(w.FontSizeCall->isEnabled());
        // Typed keys never change the logger type.
        QTest::keyClick(w.DataloggerType, Qt::Key_Down);
        QCOMPARE(w.DataloggerType->currentIndex(), 0);

        // Font Size sets the size of the next printouts.
        app().PrintFontSize = 6;
        bool shown = false;
        QTimer::singleShot(0, [&] {
            if (auto *d = qobject_cast<TFontSize *>(QApplication::activeModalWidget())) {
                shown = true;
                d->UpDown1->stepUp();
                d->UpDown1->stepUp();
                d->Button1->click();
            }
        });
        w.FontSizeCall->click();
        QVERIFY(shown);
        QCOMPARE(app().PrintFontSize, 8);
    }

    // Another job holds the working files: the window says for whom it waits, stays
    // responsive, and receives once the lock is free; closing the window ends the wait.
    void waitsForTheWorkingFiles()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        auto held = std::make_unique<WorkspaceLock>();
        QCOMPARE(held->acquire(WorkspaceJob::ReceiveAll, false, {}), 0);
        QStringList seen;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!seen.contains(w.Missatge->text()))
                seen << w.Missatge->text();
        });
        poll.start(20);
        QTimer::singleShot(600, [&] { held.reset(); });
        w.ReceiveIndex->click();
        QVERIFY2(seen.filter(QStringLiteral("Waiting for ")).filter(QStringLiteral("receiving all loggers")).size()
                     == 1,
                 qPrintable(seen.join(QLatin1Char('|'))));
        QCOMPARE(w.loggerCount(), 4);
        QVERIFY(!prompter.unexpected);

        // Closed while waiting: the wait ends, nothing is asked of the meter, nothing is shown.
        held = std::make_unique<WorkspaceLock>();
        QCOMPARE(held->acquire(WorkspaceJob::SendGroup, false, {}), 0);
        const int asked = int(meter->transcript().size());
        QTimer::singleShot(300, [&] { w.close(); });
        w.ReceiveAll->click();
        QCOMPARE(int(meter->transcript().size()), asked);
        QVERIFY(prompter.messageTexts().isEmpty());
        QVERIFY(w.isVisible());
        QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
        QVERIFY(!prompter.unexpected);
    }

    // A full disk: the index and the loggers that could not be written are said so, by file and
    // folder, and the files of an earlier reception stay as they were.
    void fullDiskIsReported()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        const QString index = ws->write(QStringLiteral("Temp/logger.tlg"), "old index\r\n");
        FileTesting::setWriteBudget(100);
        prompter.expectMessage();
        w.ReceiveIndex->click();
        FileTesting::setWriteBudget(-1);
        const QString said = prompter.messageTexts().value(0);
        QVERIFY2(said.contains(StringTable::text(290 /* "Unable To Write File" */))
                     && said.contains(QStringLiteral("logger.tlg in the folder ") + ws->temp()),
                 qPrintable(said));
        QCOMPARE(ws->read(QStringLiteral("Temp/logger.tlg")), QByteArray("old index\r\n"));
        QVERIFY(!prompter.unexpected);

        w.ReceiveIndex->click();
        ws->write(QStringLiteral("Temp/temp00.lg27t"), "old logger\r\n");
        FileTesting::setWriteBudget(0);
        prompter.expectMessage();   // the loggers that did not arrive
        prompter.expectMessage();   // why
        w.ReceiveAll->click();
        FileTesting::setWriteBudget(-1);
        QCOMPARE(prompter.messageTexts().value(1), QStringLiteral("Loggers not received: 0, 2, 4, 40"));
        QVERIFY2(prompter.messageTexts().value(2).contains(QStringLiteral("temp00.lg27t in the folder ") + ws->temp()),
                 qPrintable(prompter.messageTexts().value(2)));
        QCOMPARE(ws->read(QStringLiteral("Temp/temp00.lg27t")), QByteArray("old logger\r\n"));
        QVERIFY(!prompter.unexpected);
    }

    void tvIndexAndPrintMarks()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        QVERIFY(!prompter.unexpected);
        TStringGrid *g = w.Graella;
        QCOMPARE(g->cell(1, 1), QStringLiteral("10:32"));
        QCOMPARE(g->cell(2, 1), QStringLiteral("07/12/26"));
        QCOMPARE(g->cell(3, 1), QStringLiteral("ROOF"));
        QCOMPARE(g->cell(4, 1), yes());
        for (int row : {2, 4, 50}) {
            QCOMPARE(g->cell(1, row), kEmpty);
            QCOMPARE(g->cell(3, row), kEmpty);
            QCOMPARE(g->cell(4, row), no());
        }
        QCOMPARE(g->cell(3, 41), QStringLiteral("TOWER"));
        QCOMPARE(g->cell(1, 52), QString());   // beyond the 50 TV slots
        QCOMPARE(w.loggerCount(), 4);
        QCOMPARE(w.printCount(), 4);
        QVERIFY(w.ReceiveAll->isEnabled());
        QVERIFY(w.PrintLoggers->isEnabled());
        QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
        QVERIFY(asked(QStringLiteral("*TL2")).size() == 1);
        QCOMPARE(asked(QStringLiteral("*?HL")).size(), 50);
        saveScreenshot(&w, QStringLiteral("index-window-tv"));

        // An empty slot's mark stays "No" and does not count.
        w.GraellaClick(4, 2);
        QCOMPARE(g->cell(4, 2), no());
        QCOMPARE(w.printCount(), 4);
        // Unmarking every logger turns printing off after the last toggle, not before.
        for (int row : {1, 3, 5}) {
            w.GraellaClick(4, row);
            QCOMPARE(g->cell(4, row), no());
            QVERIFY(w.PrintLoggers->isEnabled());
        }
        // The last one with the mouse, on a row that must be scrolled into sight first.
        QVERIFY(g->cellRect(4, 41).isEmpty());
        g->showRow(41);
        const QRect mark = g->cellRect(4, 41);
        QVERIFY(!mark.isEmpty());
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, mark.center());
        QCOMPARE(g->cell(4, 41), no());
        QCOMPARE(w.printCount(), 0);
        QVERIFY(!w.PrintLoggers->isEnabled());
        w.GraellaClick(4, 3);
        QCOMPARE(g->cell(4, 3), yes());
        QVERIFY(w.PrintLoggers->isEnabled());
        // A click on the header of the mark column changes nothing.
        w.GraellaClick(4, 0);
        QCOMPARE(w.printCount(), 1);
    }

    void clickingASlotReceivesAndShowsIt()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();

        // A full slot: its logger is received and shown in the TV viewer.
        QString shownPath;
        int channels = 0;
        ViewerCloser<TKv27Datalogger> closer([&](TKv27Datalogger *v) {
            shownPath = v->file();
            channels = v->ChannelPlanNumber->text().toInt();
        });
        w.GraellaClick(3, 1);
        QCOMPARE(closer.seen, 1);
        QCOMPARE(shownPath, ws->temp() + QStringLiteral("/temp00.lg27t"));
        QCOMPARE(channels, 40);
        QVERIFY(!prompter.unexpected);

        // The slot number of an empty row is a number, not the empty mark: that slot is
        // received too. Its file holds no measurement, which the viewer refuses.
        prompter.expectMessage();
        w.GraellaClick(0, 4);
        QVERIFY(asked(QStringLiteral("*?HL03")).size() >= 2);   // once in the index, once now
        QVERIFY(QFileInfo::exists(ws->temp() + QStringLiteral("/temp03.lg27t")));
        QCOMPARE(prompter.messageTexts().size(), 1);
        QVERIFY(prompter.messageTexts().constFirst().contains(StringTable::text(53)));
        // The empty mark itself receives nothing.
        const int before = asked(QStringLiteral("*?HL")).size();
        w.GraellaClick(3, 4);
        QCOMPARE(asked(QStringLiteral("*?HL")).size(), before);
        QVERIFY(w.ReceiveAll->isEnabled());
        QVERIFY(!prompter.unexpected);
    }

    // A TV logger that ends short is shown with a warning in the current language; the
    // all-loggers run ends by naming it. The slot's download follows the index on the family
    // the index selected; a cable-modem slot selects its family first.
    void shortLoggerIsShownWithAWarning()
    {
        QVERIFY(startMeter({QStringLiteral("--fault"), QStringLiteral("nak:*?HD00005")}));
        StringTable::setLanguage(3);
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        const QString warning = QStringLiteral("Registre 0: 5 de 40 mesures rebudes");
        int rows = 0;
        ViewerCloser<TKv27Datalogger> closer([&](TKv27Datalogger *v) {
            while (rows + 1 < TKv27Datalogger::kGridRows && !v->LoggerKv10->cell(1, rows + 1).isEmpty())
                ++rows;
        });
        prompter.expectMessage();
        w.GraellaClick(3, 1);
        QCOMPARE(prompter.messageTexts(), QStringList{warning});
        QCOMPARE(prompter.asked.back().caption, StringTable::text(51, 3));
        QCOMPARE(closer.seen, 1);
        QCOMPARE(rows, 5);
        QCOMPARE(asked(QStringLiteral("*TL")), QStringList{QStringLiteral("*TL2")});

        prompter.expectMessage();
        w.ReceiveAll->click();
        QCOMPARE(prompter.messageTexts().size(), 2);
        QCOMPARE(prompter.messageTexts().last(), warning);
        QCOMPARE(asked(QStringLiteral("*TL")), QStringList{QStringLiteral("*TL2")});

        // The type changed, not the index on show: a click on slot 2 is a cable-modem download.
        w.DataloggerType->setCurrentIndex(0);
        ViewerCloser<TLoggerKv25> modemCloser([](TLoggerKv25 *) {});
        w.GraellaClick(3, 3);
        QCOMPARE(modemCloser.seen, 1);
        const QStringList t = meter->transcript();
        QCOMPARE(asked(QStringLiteral("*TL")), (QStringList{QStringLiteral("*TL2"), QStringLiteral("*TL1")}));
        QCOMPARE(t.indexOf(QStringLiteral("*TL1")) + 1, t.lastIndexOf(QStringLiteral("*?HL02")));
        StringTable::setLanguage(0);
        QVERIFY(!prompter.unexpected);
        QCOMPARE(prompter.pending(), 0);
    }

    void modemSlotOpensTheModemViewer()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Modem);
        w.ReceiveIndex->click();
        QCOMPARE(w.Graella->cell(3, 1), QStringLiteral("SHOP"));
        QString description;
        ViewerCloser<TLoggerKv25> closer([&](TLoggerKv25 *v) { description = v->Description->text(); });
        w.GraellaClick(1, 3);
        QCOMPARE(closer.seen, 1);
        QCOMPARE(description, QStringLiteral("HOUSE 12"));
        QVERIFY(QFileInfo::exists(ws->temp() + QStringLiteral("/tempcm02.lg27m")));
        QVERIFY(!prompter.unexpected);
    }

    void modemIndexAfterTvKeepsLaterRowsAndPrintsOnlyItsOwn()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        QCOMPARE(w.Graella->cell(3, 41), QStringLiteral("TOWER"));
        w.DataloggerType->setCurrentIndex(0);
        w.ReceiveIndex->click();
        QCOMPARE(w.Graella->cell(3, 1), QStringLiteral("SHOP"));
        QCOMPARE(w.Graella->cell(3, 3), QStringLiteral("HOUSE 12"));
        QCOMPARE(w.Graella->cell(3, 5), kEmpty);   // TV slot 4, replaced by the empty modem slot 4
        // Rows 31 to 50 still show the TV index, its marks included.
        QCOMPARE(w.Graella->cell(3, 41), QStringLiteral("TOWER"));
        QCOMPARE(w.Graella->cell(4, 41), yes());
        QCOMPARE(w.loggerCount(), 2);
        QCOMPARE(w.printCount(), 2);

        prompter.expect({QStringLiteral("printDialog"), QMessageBox::Ok, {}, true, [this](QPrinter *p) {
                             p->setOutputFormat(QPrinter::PdfFormat);
                             p->setOutputFileName(ws->path(QStringLiteral("modem.pdf")));
                         }});
        w.PrintSetupClick();
        w.PrintLoggers->click();
        QVERIFY(!prompter.unexpected);
        QVERIFY(QFileInfo::exists(ws->temp() + QStringLiteral("/print00.txt")));
        QVERIFY(QFileInfo::exists(ws->temp() + QStringLiteral("/print02.txt")));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/print40.txt")));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/prtemp40.log")));
        QVERIFY(asked(QStringLiteral("*?HD40")).isEmpty());
        // Two loggers printed into a file: one file each, the chosen name kept for the next print.
        QVERIFY(QFileInfo(ws->path(QStringLiteral("modem_00.pdf"))).size() > 0);
        QVERIFY(QFileInfo(ws->path(QStringLiteral("modem_02.pdf"))).size() > 0);
        QVERIFY(!QFileInfo::exists(ws->path(QStringLiteral("modem.pdf"))));
        QCOMPARE(thePrinter().outputFileName(), ws->path(QStringLiteral("modem.pdf")));
    }

    void indexOfEmptySlotsEndsIdlePlusReceiveAll()
    {
        QVERIFY(startMeter({}, false));
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        QCOMPARE(w.Graella->cell(4, 1), no());
        QCOMPARE(w.Graella->cell(1, 50), kEmpty);
        QCOMPARE(w.loggerCount(), 0);
        QVERIFY(w.ReceiveIndex->isEnabled());
        QVERIFY(w.ReceiveAll->isEnabled());
        QVERIFY(!w.PrintLoggers->isEnabled());
        QVERIFY(w.PrintSetup->isEnabled());
        QVERIFY(w.FontSizeCall->isEnabled());
        QVERIFY(prompter.asked.empty());
    }

    void printsEveryMarkedLoggerToPdf()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        w.GraellaClick(4, 3);   // slot 2 is not printed
        QCOMPARE(w.printCount(), 3);
        const QString pdf = ws->path(QStringLiteral("loggers.pdf"));
        prompter.expect({QStringLiteral("printDialog"), QMessageBox::Ok, {}, true, [&](QPrinter *p) {
                             p->setOutputFormat(QPrinter::PdfFormat);
                             p->setOutputFileName(pdf);
                         }});
        w.PrintSetup->click();
        w.PrintLoggers->click();
        QVERIFY(!prompter.unexpected);
        QVERIFY(prompter.messageTexts().isEmpty());
        for (int slot : {0, 4, 40}) {
            const QString nn = QString::asprintf("%.2d", slot);
            QVERIFY2(QFileInfo::exists(ws->temp() + QStringLiteral("/prtemp") + nn + QStringLiteral(".log")),
                     qPrintable(nn));
            QVERIFY(fileBytes(ws->temp() + QStringLiteral("/print") + nn + QStringLiteral(".txt"))
                        .contains("LOGGER NUMBER="));
        }
        QVERIFY(fileBytes(ws->temp() + QStringLiteral("/print40.txt")).contains("TOWER"));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/print02.txt")));
        // One file per printed logger; a single file would keep only the last print job.
        for (const char *name : {"loggers_00.pdf", "loggers_04.pdf", "loggers_40.pdf"})
            QVERIFY2(QFileInfo(ws->path(QLatin1String(name))).size() > 0, name);
        QVERIFY(!QFileInfo::exists(pdf));
        QCOMPARE(thePrinter().outputFileName(), pdf);
        QCOMPARE(thePrinter().docName(), QStringLiteral("DATALOGGER 40"));
        QVERIFY(w.ReceiveAll->isEnabled());
        QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
    }

    // Printed into loggers.pdf, the loggers go to loggers_00.pdf, ...: names the user never saw
    // in the dialog, so one that exists is replaced only on a Yes.
    void printIntoFilesAsksBeforeReplacingOne()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        const QByteArray old = "%PDF- an earlier print\n";
        const QString earlier = ws->write(QStringLiteral("loggers_04.pdf"), old);
        thePrinter().setOutputFormat(QPrinter::PdfFormat);
        thePrinter().setOutputFileName(ws->path(QStringLiteral("loggers.pdf")));
        prompter.expectMessage(QMessageBox::No);
        w.PrintLoggers->click();
        QVERIFY(prompter.messageTexts().value(0).contains(earlier));
        QCOMPARE(fileBytes(earlier), old);
        QVERIFY(!QFileInfo::exists(ws->path(QStringLiteral("loggers_00.pdf"))));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/prtemp00.log")));

        prompter.expectMessage(QMessageBox::Yes);
        w.PrintLoggers->click();
        QVERIFY(fileBytes(earlier) != old);
        QVERIFY(QFileInfo(ws->path(QStringLiteral("loggers_00.pdf"))).size() > 0);
        QVERIFY(!prompter.unexpected);
        QCOMPARE(prompter.pending(), 0);
    }

    void cancellingThePrinterChoiceEndsThePrintRun()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        thePrinter().setOutputFormat(QPrinter::PdfFormat);
        thePrinter().setOutputFileName(QString());
        prompter.expect({QStringLiteral("printDialog"), QMessageBox::Ok, {}, false, {}});
        w.PrintLoggers->click();
        QCOMPARE(int(prompter.asked.size()), 1);
        QVERIFY(!prompter.unexpected);
        // The destination is asked for before any logger is fetched for printing.
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/prtemp00.log")));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/prtemp04.log")));
        QVERIFY(w.PrintLoggers->isEnabled());
    }

    void printRunStopsWhenALoggerFailsToArrive()
    {
        // The second marked logger is refused whenever it is asked for after the index.
        QVERIFY(startMeter({QStringLiteral("--fault"), QStringLiteral("nak:*?HL04:2-")}));
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        thePrinter().setOutputFormat(QPrinter::PdfFormat);
        thePrinter().setOutputFileName(ws->path(QStringLiteral("stop.pdf")));
        prompter.expectMessage();
        w.PrintLoggers->click();
        QCOMPARE(prompter.messageTexts().size(), 1);
        QVERIFY(QFileInfo::exists(ws->temp() + QStringLiteral("/print00.txt")));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/print04.txt")));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/prtemp40.log")));
        QVERIFY(w.ReceiveAll->isEnabled());
        QVERIFY(!prompter.unexpected);
    }

    void meterWithoutChannelPlanStopsBeforeTheJob()
    {
        QVERIFY(startMeter({QStringLiteral("--cg-answer"), QStringLiteral("*CG00")}));
        ScriptedPrompter prompter;
        prompter.expectMessage();
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        w.ReceiveIndex->click();
        QVERIFY(prompter.messageTexts().value(0).contains(StringTable::text(55 /* "No Channel Plan" */)));
        QVERIFY(asked(QStringLiteral("*?HL")).isEmpty());
        QVERIFY(!w.ReceiveAll->isEnabled());
        QVERIFY(!w.PrintLoggers->isEnabled());
        QVERIFY(w.ReceiveIndex->isEnabled());
        QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
        QVERIFY(!prompter.unexpected);
    }

    void receiveAllWritesEveryLogger()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Modem);
        w.ReceiveAll->setEnabled(true);
        w.ReceiveAllClick();
        QVERIFY(prompter.asked.empty());
        QVERIFY(QFileInfo::exists(ws->temp() + QStringLiteral("/tempcm00.lg27m")));
        QVERIFY(QFileInfo::exists(ws->temp() + QStringLiteral("/tempcm02.lg27m")));
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/tempcm01.lg27m")));
        QVERIFY(w.PrintLoggers->isEnabled());
    }

    // Save as PDF: the print run writes a PDF per marked logger, its report as it prints and,
    // for a TV logger, the chart page after it; Cancel fetches and writes nothing.
    void savesEveryMarkedLoggerAsPdf()
    {
        QVERIFY(startMeter());
        ScriptedPrompter prompter;
        TResumLogger w;
        prepare(w, LoggerFamily::Tv);
        QVERIFY(!w.SavePdfLoggers->isEnabled());
        w.ReceiveIndex->click();
        QVERIFY(w.SavePdfLoggers->isEnabled());
        w.GraellaClick(4, 3);   // slot 2 is left out
        const QString printerFile = thePrinter().outputFileName();

        const int asks = int(meter->transcript().size());
        prompter.expectSaveFile(QString());
        w.SavePdfLoggers->click();
        QVERIFY(!QFileInfo::exists(ws->temp() + QStringLiteral("/prtemp00.log")));
        QCOMPARE(int(meter->transcript().size()), asks);

        const QString pdf = ws->path(QStringLiteral("site.pdf"));
        prompter.expectSaveFile(pdf);
        w.SavePdfLoggers->click();
        QVERIFY(!prompter.unexpected);
        QVERIFY(prompter.messageTexts().isEmpty());
        QVERIFY(!QFileInfo::exists(pdf));
        QVERIFY(!QFileInfo::exists(ws->path(QStringLiteral("site_02.pdf"))));
        for (const char *name : {"site_00.pdf", "site_04.pdf", "site_40.pdf"})
            QVERIFY2(fileBytes(ws->path(QLatin1String(name))).startsWith("%PDF"), name);
        QCOMPARE(thePrinter().outputFileName(), printerFile);
        QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
        KV_SKIP_WITHOUT("pdftotext", "poppler-utils");
        const QString text = pdfText(ws->path(QStringLiteral("site_00.pdf")));
        QVERIFY2(text.contains(QStringLiteral("LOCATION=ROOF")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("0 of 40 channels under the threshold (45 dBuV)")));
        QVERIFY(pdfText(ws->path(QStringLiteral("site_40.pdf"))).contains(QStringLiteral("LOCATION=TOWER")));
        // The last page is the chart's.
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(pages.last().contains(QStringLiteral("channels under the threshold")));
        QVERIFY(!pages.first().contains(QStringLiteral("channels under the threshold")));
    }

    void savePdfButtonFits_data()
    {
        QTest::addColumn<int>("language");
        for (int l = 0; l < 4; ++l)
            QTest::newRow(qPrintable(QString::number(l))) << l;
    }
    void savePdfButtonFits()
    {
        QFETCH(int, language);
        StringTable::setLanguage(language);
        TResumLogger w;
        w.show();
        QCOMPARE(w.SavePdfLoggers->text(), StringTable::text(252));
        QVERIFY(w.SavePdfLoggers->fontMetrics().horizontalAdvance(w.SavePdfLoggers->text()) + 10
                <= w.SavePdfLoggers->width());
        saveScreenshot(
            &w, QStringLiteral("index-window-save-pdf-%1").arg(QStringList{"en", "es", "de", "ca"}.at(language)));
        StringTable::setLanguage(0);
    }
};

QTEST_MAIN(TestLoggerIndexWindow)
#include "tst_loggerindexwin.moc"
