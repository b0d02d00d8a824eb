// The two logger viewers on stored files: what they show, what Save and Save as write, what
// happens when a file is refused or cannot be written, and what Print prints.

#include "ScriptedPrompter.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "datalogger/Printing.h"
#include "datalogger/windows/Dataloggerkv25.h"
#include "datalogger/windows/Dloggerkv27.h"
#include "datalogger/windows/StringGrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>

namespace {

QByteArray measure(int n, const QByteArray &name)
{
    return QByteArray::number(n) + "," + name + ",474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , \r\n";
}

QByteArray tvHead(const QByteArray &location, int count, const QByteArray &device = "KORVEL-26")
{
    return kLoggerHead + "DEVICE=" + device + "\r\nLOGGER NUMBER=4\r\n" + "LOCATION=" + location
           + "\r\nUNITS=dBuV\r\nTIME=10:32\r\nDATE=07/12/26\r\nTHRESHOLD LEVEL=45\r\nCHANNEL PLAN=AB\r\n"
             "CHANNEL NUMBER="
           + QByteArray::number(count) + "\r\n[MEASURES]\r\nLOGGER=" + QByteArray::number(count) + "\r\n"
           + kTvLoggerColumns;
}

// A TV logger whose lines carry N values 0, 2, 149, 300 and 5 (in that order).
QByteArray tvFile(const QByteArray &location = "ROOF")
{
    return tvHead(location, 5) + measure(0, "C21") + measure(2, "C23") + measure(149, "BEYOND") + measure(300, "FAR")
           + measure(5, "C26");
}

QByteArray modemFile(const QByteArray &status, const QByteArray &comments = "LOCATION=\r\n")
{
    return kLoggerHead + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=7\r\n" + "INFO=*HL07&09:15&06/12/26&SHOP&" + status
           + "&\r\n"
           + "DOWNSTREAM=*HD0700&PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&\r\n"
             "UPSTREAM=*HD0701&PWR:42,0dBmV&ATT:3dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QPSK&SR:2560kS/s&\r\n"
             "HEADEND=*HD0702&10.1.2.33&10.1.0.1&10.1.0.2&modem cfg.bin&\r\n"
             "PINGREPORT=*HD0703&10.1.0.1&10&10&\xC8"
             "0.1&3ms&12ms&5ms&\r\n"
           + comments;
}

// Makes a file unchangeable even for the super-user, so that writing it must fail.
bool setImmutable(const QString &path, bool on)
{
    QProcess p;
    p.start(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), path});
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

template <class Viewer>
bool showAndLoad(Viewer &v, const QString &path)
{
    v.setLoadDelay(10);
    v.setFile(path);
    v.show();
    return QTest::qWaitFor([&] { return v.isLoaded() || !v.isVisible(); }, 5000) && v.isLoaded();
}

QString unableToOpen()
{
    return StringTable::text(53 /* "Unable To Open File" */);
}

}   // namespace

class TestLoggerViewers : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestWorkspace> ws;
    QString pdf;

    void useModel(int typeCode)
    {
        app().currentModelIndex = 0;
        app().CurrentModel.modelName = QStringLiteral("KV-27");
        app().CurrentModel.modelTypeCode = typeCode;
        app().CurrentModel.tvLoggerFileType = QStringLiteral("lg27t");
        app().CurrentModel.modemLoggerFileType = QStringLiteral("lg27m");
    }

private Q_SLOTS:
    void init()
    {
        ws = std::make_unique<TestWorkspace>(false);
        StringTable::fillStringTable();
        useModel(1);
        pdf = ws->path(QStringLiteral("out.pdf"));
        thePrinter().setOutputFormat(QPrinter::PdfFormat);
        thePrinter().setOutputFileName(pdf);
    }
    void cleanup() { ws.reset(); }

    // --- TV viewer ------------------------------------------------------------------------

    void tvShowsHeaderAndPlacesRowsByNumber()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile("ROOF=NORTH"));
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        QCOMPARE(v.windowTitle(), path);
        QCOMPARE(v.LoggerNumber->text(), QStringLiteral("4"));
        // A location holding "=" is shown from its last "=" on.
        QCOMPARE(v.Location->text(), QStringLiteral("NORTH"));
        QVERIFY(!v.Location->isReadOnly());
        QVERIFY(v.Time->isReadOnly());
        QCOMPARE(v.Time->text(), QStringLiteral("10:32"));
        QCOMPARE(v.Date->text(), QStringLiteral("07/12/26"));
        QCOMPARE(v.ChannelPlanName->text(), QStringLiteral("AB"));
        QCOMPARE(v.ChannelPlanNumber->text(), QStringLiteral("5"));
        QCOMPARE(v.Units->text(), QStringLiteral("dBuV"));
        QCOMPARE(v.Threshold->text(), QStringLiteral("45"));

        TStringGrid *g = v.LoggerKv10;
        QCOMPARE(g->colCount(), 15);
        QCOMPARE(g->rowCount(), 150);
        QCOMPARE(g->cell(0, 0), QStringLiteral("Name"));
        QCOMPARE(g->cell(9, 0), QStringLiteral("PreBER"));
        QCOMPARE(g->cell(14, 0), QStringLiteral("C/N"));
        // N 0, 2, 5 fill rows 1, 3, 6; rows 2, 4, 5 stay empty.
        QCOMPARE(g->cell(0, 1), QStringLiteral("C21"));
        QCOMPARE(g->cell(0, 3), QStringLiteral("C23"));
        QCOMPARE(g->cell(0, 6), QStringLiteral("C26"));
        QCOMPARE(g->cell(1, 6), QStringLiteral("474.00"));
        QCOMPARE(g->cell(2, 6), QStringLiteral("-0.50"));
        QCOMPARE(g->cell(14, 6), QString());
        for (int row : {2, 4, 5})
            for (int c = 0; c < 15; ++c)
                QVERIFY2(g->cell(c, row).isEmpty(), qPrintable(QStringLiteral("row %1").arg(row)));
        // N 149 and 300 have no row: shown nowhere, and the line after them still arrived.
        for (int r = 0; r < g->rowCount(); ++r) {
            QVERIFY(g->cell(0, r) != QLatin1String("BEYOND"));
            QVERIFY(g->cell(0, r) != QLatin1String("FAR"));
        }
        QVERIFY(!prompter.unexpected);
    }

    void tvRefusesFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::newRow("other device") << (tvHead("ROOF", 1, "KORVEL-25") + measure(0, "C21")) << true;
        QTest::newRow("no valid measurement") << (tvHead("ROOF", 1) + "0,C21,,474.00\r\n") << true;
        QByteArray noise = kLoggerHead;
        for (int i = 0; i < 60; ++i)
            noise += "noise\r\n";
        QTest::newRow("more than 50 unknown lines") << (noise + tvHead("ROOF", 1) + measure(0, "C21")) << true;
        QTest::newRow("missing file") << QByteArray() << false;
        QTest::newRow("no file given") << QByteArray("none") << false;
    }
    void tvRefusesFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        QString path;
        if (exists)
            path = ws->write(QStringLiteral("Temp/bad.lg27t"), content);
        else if (content.isEmpty())
            path = ws->path(QStringLiteral("Temp/none.lg27t"));
        ScriptedPrompter prompter;
        prompter.expectMessage();
        TKv27Datalogger v;
        QVERIFY(!showAndLoad(v, path));
        QTRY_VERIFY(!v.isVisible());
        QCOMPARE(v.result(), int(QDialog::Rejected));
        QCOMPARE(prompter.messageTexts().size(), 1);
        QVERIFY(prompter.messageTexts().constFirst().contains(unableToOpen()));
        QVERIFY(!prompter.unexpected);
        if (exists)
            QCOMPARE(fileBytes(path), content);
    }

    void closedBeforeLoadingReadsNothing()
    {
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        v.setLoadDelay(30);
        v.setFile(ws->path(QStringLiteral("Temp/none.lg27t")));
        v.show();
        v.Exit1Click();
        QTest::qWait(80);
        QVERIFY(!v.isLoaded());
        QVERIFY(prompter.asked.empty());
    }

    void tvSaveWritesLocationAndSaveAgainChangesNothing()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        v.Location->setText(QStringLiteral("CELLAR 2"));
        v.Save1Click();
        const QByteArray expected = tvFile("CELLAR 2");
        QCOMPARE(fileBytes(path), expected);
        v.Save1Click();
        QCOMPARE(fileBytes(path), expected);
        QVERIFY(prompter.asked.empty());
    }

    void tvSaveFailureLeavesFile()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        v.Location->setText(QStringLiteral("CELLAR 2"));
        if (!setImmutable(path, true))
            QSKIP("this file system cannot make a file unchangeable");
        prompter.expectMessage();
        v.Save1Click();
        setImmutable(path, false);
        QCOMPARE(prompter.messageTexts().size(), 1);
        QVERIFY(prompter.messageTexts().constFirst().contains(unableToOpen()));
        QCOMPARE(fileBytes(path), tvFile());
        QVERIFY(!prompter.unexpected);
    }

    void tvSaveAsToMissingFolderReportsAndKeepsCaption()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        v.Location->setText(QStringLiteral("CELLAR 2"));
        const QString target = ws->path(QStringLiteral("nowhere/copy.lg27t"));
        prompter.expectSaveFile(target);
        prompter.expectMessage();
        v.SaveAs1Click();
        QVERIFY(prompter.messageTexts().value(0).contains(unableToOpen()));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(v.windowTitle(), path);
        QCOMPARE(fileBytes(path), tvFile());
        QVERIFY(!prompter.unexpected);
    }

    void tvSaveAsCopyThenSaveGoesToTheOpenedFile()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        v.Location->setText(QStringLiteral("GARAGE"));
        const QString copy = ws->path(QStringLiteral("copy.lg27t"));
        prompter.expectSaveFile(copy);
        v.SaveAs1Click();
        QCOMPARE(fileBytes(copy), tvFile("GARAGE"));
        QCOMPARE(fileBytes(path), tvFile());
        QCOMPARE(v.windowTitle(), copy);
        v.Location->setText(QStringLiteral("SHED"));
        v.Save1Click();
        QCOMPARE(fileBytes(path), tvFile("SHED"));
        QCOMPARE(fileBytes(copy), tvFile("GARAGE"));
        QVERIFY(!prompter.unexpected);
    }

    void tvSaveAsAsksBeforeReplacingAFile()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        const QByteArray old = "another logger\r\n";
        const QString other = ws->write(QStringLiteral("Temp/keep.lg27t"), old);
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        v.Location->setText(QStringLiteral("ATTIC"));
        prompter.expectSaveFile(ws->path(QStringLiteral("Temp/keep")));
        prompter.expectMessage(QMessageBox::No);
        v.SaveAs1Click();
        QCOMPARE(prompter.asked.front().suffix, QStringLiteral("lg27t"));
        QCOMPARE(fileBytes(other), old);
        QCOMPARE(fileBytes(path), tvFile());
        QCOMPARE(v.windowTitle(), path);
        prompter.expectSaveFile(ws->path(QStringLiteral("Temp/keep")));
        prompter.expectMessage(QMessageBox::Yes);
        v.SaveAs1Click();
        QCOMPARE(fileBytes(other), tvFile("ATTIC"));
        QVERIFY(!prompter.unexpected);
    }

    void tvSaveAsSamePathOtherCaseIsSave()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        v.Location->setText(QStringLiteral("ATTIC"));
        const QString other = QFileInfo(path).absolutePath() + QStringLiteral("/TEMP04.LG27T");
        prompter.expectSaveFile(other);
        v.SaveAs1Click();
        QCOMPARE(fileBytes(path), tvFile("ATTIC"));
        QVERIFY(!QFileInfo::exists(other));
        QCOMPARE(v.windowTitle(), path);
        QVERIFY(!prompter.unexpected);
    }

    void tvPrintPrintsTheFileNotTheEdit()
    {
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        v.Location->setText(QStringLiteral("NOT SAVED"));
        v.ImprimirClick();
        const QByteArray report = fileBytes(ws->temp() + QStringLiteral("/print04.txt"));
        QVERIFY(report.contains("=ROOF"));
        QVERIFY(!report.contains("NOT SAVED"));
        QVERIFY(QFileInfo(pdf).size() > 0);
        QCOMPARE(thePrinter().docName(), QStringLiteral("DATALOGGER 4"));
        QCOMPARE(fileBytes(path), tvFile());
        QVERIFY(prompter.asked.empty());
    }

    void printAsksWhereToWhenNoPrinterIsChosen_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("printer chosen") << true;
        QTest::newRow("cancelled") << false;
    }
    void printAsksWhereToWhenNoPrinterIsChosen()
    {
        QFETCH(bool, accept);
        thePrinter().setOutputFileName(QString());
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        const QString chosen = ws->path(QStringLiteral("chosen.pdf"));
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        ScriptedPrompter::Answer a{QStringLiteral("printDialog"), QMessageBox::Ok, {}, accept, {}};
        if (accept)
            a.onPrinter = [&](QPrinter *p) { p->setOutputFileName(chosen); };
        prompter.expect(a);
        v.ImprimirClick();
        QCOMPARE(QFileInfo::exists(chosen), accept);
        QVERIFY(prompter.messageTexts().isEmpty());
        QVERIFY(!prompter.unexpected);
        // Once chosen, the printer is used without asking again.
        if (accept) {
            QFile::remove(chosen);
            v.ImprimirClick();
            QVERIFY(QFileInfo::exists(chosen));
        }
    }

    // The print file chosen once is used by every later print: the file it would replace is
    // asked about, except for the print that follows the dialog that named it.
    void printIntoAnExistingFileAsks()
    {
        thePrinter().setOutputFileName(QString());
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        const QString chosen = ws->path(QStringLiteral("chosen.pdf"));
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        ScriptedPrompter::Answer a{QStringLiteral("printDialog"), QMessageBox::Ok, {}, true, {}};
        a.onPrinter = [&](QPrinter *p) { p->setOutputFileName(chosen); };
        prompter.expect(a);
        v.ImprimirClick();
        QVERIFY(prompter.messageTexts().isEmpty());
        const QByteArray first = fileBytes(chosen);
        QVERIFY(first.startsWith("%PDF-"));

        ws->write(QStringLiteral("chosen.pdf"), "a PDF kept from an earlier print");
        prompter.expectMessage(QMessageBox::No);
        v.ImprimirClick();
        QCOMPARE(prompter.messageTexts().size(), 1);
        QVERIFY(prompter.messageTexts().first().contains(QStringLiteral("chosen.pdf")));
        QCOMPARE(fileBytes(chosen), QByteArray("a PDF kept from an earlier print"));

        prompter.expectMessage(QMessageBox::Yes);
        v.ImprimirClick();
        QVERIFY(fileBytes(chosen).startsWith("%PDF-"));
        QVERIFY(!prompter.unexpected);
    }

    void printerThatCannotStartIsReported()
    {
        thePrinter().setOutputFileName(ws->path(QStringLiteral("no/such/folder/out.pdf")));
        const QString path = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), modemFile("REGISTERED"));
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        prompter.expectMessage();
        v.ImprimirClick();
        QVERIFY(prompter.messageTexts().value(0).contains(unableToOpen()));
        QVERIFY(!prompter.unexpected);
    }

    void tvScreenshotWith40Channels()
    {
        QByteArray f = tvHead("ROOF", 40);
        for (int n = 0; n < 40; ++n)
            f += QByteArray::number(n) + ",C" + QByteArray::number(21 + n) + "," + QByteArray::number(474 + 8 * n)
                 + ".00,0.00,8.0,QAM64,A,6875," + QByteArray::number(40 + n % 7) + ".3,3" + QByteArray::number(n % 9)
                 + ".1,1.0E-8, , , , , \r\n";
        const QString path = ws->write(QStringLiteral("Temp/temp04.lg27t"), f);
        ScriptedPrompter prompter;
        TKv27Datalogger v;
        QVERIFY(showAndLoad(v, path));
        QCOMPARE(v.LoggerKv10->cell(0, 40), QStringLiteral("C60"));
        saveScreenshot(&v, QStringLiteral("tv-viewer-40-channels"));
    }

    // --- cable-modem viewer ---------------------------------------------------------------

    void modemPages_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<bool>("details");
        QTest::newRow("registered") << QByteArray("REGISTERED") << 1 << true;
        QTest::newRow("not registered") << QByteArray("NOT REGISTERED") << 1 << false;
        QTest::newRow("registered, type code 3") << QByteArray("REGISTERED") << 3 << false;
        QTest::newRow("not registered, type code 3") << QByteArray("OFFLINE") << 3 << false;
    }
    void modemPages()
    {
        QFETCH(QByteArray, status);
        QFETCH(int, typeCode);
        QFETCH(bool, details);
        useModel(typeCode);
        const QString path = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), modemFile(status));
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        QVERIFY(v.pageVisible(TLoggerKv25::UpstreamPage));
        QCOMPARE(v.pageVisible(TLoggerKv25::HeadendPage), details);
        QCOMPARE(v.pageVisible(TLoggerKv25::PingReportPage), details);
        QCOMPARE(v.DadesUpstream->tabText(0), QStringLiteral("Upstream"));
        // The values are read whatever is on show.
        QCOMPARE(v.HD_IPCableModem->text(), QStringLiteral("10.1.2.33"));
        QCOMPARE(v.PG_Send->text(), QStringLiteral("10"));
        QVERIFY(!prompter.unexpected);
    }

    void modemShowsEveryField()
    {
        const QString path = ws->write(QStringLiteral("Temp/tempcm07.lg27m"),
                                       modemFile("REGISTERED", "LOCATION=first\r\nsecond = line\r\n"));
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        QCOMPARE(v.windowTitle(), path);
        QCOMPARE(v.LoggerNumber->text(), QStringLiteral("7"));
        QCOMPARE(v.Time->text(), QStringLiteral("09:15"));
        QCOMPARE(v.Date->text(), QStringLiteral("06/12/26"));
        QCOMPARE(v.Description->text(), QStringLiteral("SHOP"));
        QCOMPARE(v.Down_Power->text(), QStringLiteral("5,2dBmV"));
        QCOMPARE(v.Down_Ch->text(), QStringLiteral("C37"));
        QCOMPARE(v.Down_BER->text(), QStringLiteral("1,0E-9"));
        QCOMPARE(v.Up_Power->text(), QStringLiteral("42,0dBmV"));
        QCOMPARE(v.Up_SR->text(), QStringLiteral("2560kS/s"));
        QCOMPARE(v.HD_Configfile->text(), QStringLiteral("modem cfg.bin"));
        QCOMPARE(v.PG_Address->text(), QStringLiteral("10.1.0.1"));
        // A PLR whose first byte is 0xC8 reads "less than".
        QCOMPARE(v.PG_PLR->text(), QStringLiteral("<0.1"));
        QCOMPARE(v.PG_TimeAvg->text(), QStringLiteral("5ms"));
        QCOMPARE(v.Comments->toPlainText(), QStringLiteral("first\nsecond = line"));
        QVERIFY(!v.Comments->isReadOnly());
        QVERIFY(v.Down_MER->isReadOnly());
        QCOMPARE(v.findChild<QLabel *>(QStringLiteral("Label11"))->text(), QStringLiteral("DOWNSTREAM"));
        QCOMPARE(v.findChild<QLabel *>(QStringLiteral("Label46"))->text(), QStringLiteral("PING REPORT"));

        saveScreenshot(&v, QStringLiteral("modem-viewer-upstream"));
        v.DadesUpstream->setCurrentIndex(TLoggerKv25::HeadendPage);
        saveScreenshot(&v, QStringLiteral("modem-viewer-headend"));
        v.DadesUpstream->setCurrentIndex(TLoggerKv25::PingReportPage);
        saveScreenshot(&v, QStringLiteral("modem-viewer-pingreport"));
        QVERIFY(!prompter.unexpected);
    }

    void modemFieldsMissingFromTheAnswerAreEmpty()
    {
        const QByteArray f = kLoggerHead + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=3\r\nINFO=*HL03&08:00&\r\n"
                             + "DOWNSTREAM=*HD0300&PWR:1dBmV&MER 30dB&FREQ:602MHz\r\n"
                               "UPSTREAM=*HD0301&PWR:40dBmV&\r\nLOCATION=\r\n";
        const QString path = ws->write(QStringLiteral("Temp/tempcm03.lg27m"), f);
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        QCOMPARE(v.Time->text(), QStringLiteral("08:00"));
        QCOMPARE(v.Date->text(), QString());
        QCOMPARE(v.Down_Power->text(), QStringLiteral("1dBmV"));
        QCOMPARE(v.Down_MER->text(), QString());   // no ":" in the field
        QCOMPARE(v.Down_Freq->text(), QString());   // no "&" after the field
        QCOMPARE(v.Up_Power->text(), QStringLiteral("40dBmV"));
        QCOMPARE(v.Up_Att->text(), QString());
        QVERIFY(!v.pageVisible(TLoggerKv25::HeadendPage));
    }

    void modemRefusesFileWithoutUpstream()
    {
        const QByteArray f = kLoggerHead + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=3\r\nINFO=*HL03&08:00&x&REGISTERED&\r\n"
                             + "DOWNSTREAM=*HD0300&PWR:1dBmV&\r\n";
        const QString path = ws->write(QStringLiteral("Temp/tempcm03.lg27m"), f);
        ScriptedPrompter prompter;
        prompter.expectMessage();
        TLoggerKv25 v;
        QVERIFY(!showAndLoad(v, path));
        QTRY_VERIFY(!v.isVisible());
        QVERIFY(prompter.messageTexts().value(0).contains(unableToOpen()));
        QCOMPARE(fileBytes(path), f);
    }

    void modemSavingCommentsTwiceKeepsOneCopy()
    {
        const QString path =
            ws->write(QStringLiteral("Temp/tempcm07.lg27m"), modemFile("REGISTERED", "LOCATION=old\r\nold second\r\n"));
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        v.Comments->setPlainText(QStringLiteral("Amplifier replaced\nLevel fine"));
        v.Save1Click();
        const QByteArray expected = modemFile("REGISTERED", "LOCATION=Amplifier replaced\r\nLevel fine\r\n");
        QCOMPARE(fileBytes(path), expected);
        v.Save1Click();
        QCOMPARE(fileBytes(path), expected);
        QVERIFY(prompter.asked.empty());

        // Read back, the comments are what was typed.
        TLoggerKv25 again;
        QVERIFY(showAndLoad(again, path));
        QCOMPARE(again.Comments->toPlainText(), QStringLiteral("Amplifier replaced\nLevel fine"));
    }

    // Typed comments not saved: closing asks (Cancel keeps the window, No closes as it is, Yes
    // saves); characters the Latin-1 file cannot hold are named, and nothing is written.
    void unsavedAndUnencodableEdits()
    {
        const QByteArray original = modemFile("REGISTERED", "LOCATION=old\r\n");
        const QString path = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), original);
        ScriptedPrompter prompter;
        {
            TLoggerKv25 v;
            QVERIFY(showAndLoad(v, path));
            v.reject();   // nothing typed: closes without a question
            QVERIFY(!v.isVisible());
            QVERIFY(prompter.asked.empty());
        }
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        v.Comments->moveCursor(QTextCursor::End);
        v.Comments->insertPlainText(QStringLiteral(" 50\u20ac \u03a9"));   // as typed or pasted
        prompter.expectMessage();
        v.Save1Click();
        QVERIFY2(prompter.messageTexts().value(0).contains(QStringLiteral("\u20ac \u03a9")),
                 qPrintable(prompter.messageTexts().value(0)));
        QCOMPARE(fileBytes(path), original);

        prompter.expectMessage(QMessageBox::Cancel);
        v.Exit1Click();
        QVERIFY(v.isVisible());
        QCOMPARE(prompter.messageTexts().value(1), StringTable::text(307));
        // Yes with characters the file cannot hold: said so, and the window stays.
        prompter.expectMessage(QMessageBox::Yes);
        prompter.expectMessage();
        v.close();
        QVERIFY(v.isVisible());
        QCOMPARE(fileBytes(path), original);

        v.Comments->selectAll();
        QTest::keyClicks(v.Comments, QStringLiteral("Amplifier B"));
        prompter.expectMessage(QMessageBox::Yes);
        v.Exit1Click();
        QVERIFY(!v.isVisible());
        QCOMPARE(fileBytes(path), modemFile("REGISTERED", "LOCATION=Amplifier B\r\n"));

        const QString tvPath = ws->write(QStringLiteral("Temp/temp04.lg27t"), tvFile());
        TKv27Datalogger tv;
        QVERIFY(showAndLoad(tv, tvPath));
        QTest::keyClicks(tv.Location, QStringLiteral("X"));
        prompter.expectMessage(QMessageBox::No);
        tv.Exit1Click();
        QVERIFY(!tv.isVisible());
        QCOMPARE(fileBytes(tvPath), tvFile());
        QVERIFY(!prompter.unexpected);
    }

    void modemSaveFailureLeavesFile()
    {
        const QByteArray original = modemFile("REGISTERED");
        const QString path = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), original);
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        v.Comments->setPlainText(QStringLiteral("new"));
        if (!setImmutable(path, true))
            QSKIP("this file system cannot make a file unchangeable");
        prompter.expectMessage();
        v.Save1Click();
        setImmutable(path, false);
        QVERIFY(prompter.messageTexts().value(0).contains(unableToOpen()));
        QCOMPARE(fileBytes(path), original);
        QVERIFY(!prompter.unexpected);
    }

    void modemSaveAs()
    {
        const QByteArray original = modemFile("REGISTERED");
        const QString path = ws->write(QStringLiteral("Temp/tempcm07.lg27m"), original);
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        v.Comments->setPlainText(QStringLiteral("copy note"));
        const QString copy = ws->path(QStringLiteral("a-rather-long-folder-name/copy.lg27m"));
        QDir().mkpath(QFileInfo(copy).absolutePath());
        prompter.expectSaveFile(copy);
        v.SaveAs1Click();
        QCOMPARE(fileBytes(copy), modemFile("REGISTERED", "LOCATION=copy note\r\n"));
        QCOMPARE(fileBytes(path), original);
        QCOMPARE(v.windowTitle(), displayTitle(copy, TitleStyle::Datalogger));
        QVERIFY(v.windowTitle().startsWith(QLatin1String("KORVEL-10  Datalogger: /")));
        QVERIFY(v.windowTitle().endsWith(QLatin1String("/copy.lg27m")));

        // The same path in other letter case is a Save of the opened file.
        v.Comments->setPlainText(QStringLiteral("saved"));
        prompter.expectSaveFile(path.toUpper());
        v.SaveAs1Click();
        QCOMPARE(fileBytes(path), modemFile("REGISTERED", "LOCATION=saved\r\n"));
        QVERIFY(!QFileInfo::exists(path.toUpper()));
        QVERIFY(!prompter.unexpected);
    }

    void modemPrintLeavesOutUnsavedComments()
    {
        const QString path =
            ws->write(QStringLiteral("Temp/tempcm07.lg27m"), modemFile("NOT REGISTERED", "LOCATION=on disk\r\n"));
        ScriptedPrompter prompter;
        TLoggerKv25 v;
        QVERIFY(showAndLoad(v, path));
        v.Comments->setPlainText(QStringLiteral("typed only"));
        v.Print1Click();
        const QByteArray report = fileBytes(ws->temp() + QStringLiteral("/print07.txt"));
        QVERIFY(report.contains("on disk"));
        QVERIFY(!report.contains("typed only"));
        QVERIFY(!report.contains("10.1.2.33"));
        QVERIFY(QFileInfo(pdf).size() > 0);
        QCOMPARE(thePrinter().docName(), QStringLiteral("DATALOGGER 7"));
        QVERIFY(prompter.asked.empty());
    }
};

QTEST_MAIN(TestLoggerViewers)
#include "tst_loggerviewers.moc"
