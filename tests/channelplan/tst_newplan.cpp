// The library and group editor on its real widgets (offscreen): the group, its copies in the
// temporary folder, group files, and sending and receiving through the simulated meter.

#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "app/windows/WindowEntry.h"
#include "channelplan/windows/TNewPlan.h"
#include "datalogger/windows/Alertchannelplan.h"
#include "jobs/windows/Finestratransmisio.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// A plan of the given number of analog channels.
QByteArray planText(const QString &name, int channels = 2)
{
    QStringList lines;
    for (int c = 1; c <= channels; ++c)
        lines << QStringLiteral("%1,C%1,%2.25,%3.00,0.0,7.0,ON,ANALOG,6875,DVB,QAM16,AUTO,PAL/BG")
                     .arg(c)
                     .arg(100 + c * 8)
                     .arg(100 + c * 8 + 2);
    return ::planText(name, lines);
}

QByteArray groupFile(const QStringList &members, bool end = true)
{
    QByteArray out = "#=====================================\r\nKelvatrone :  CONTROL REMOT PROGRAM\r\n"
                     "#=====================================\r\n[CHANNEL PLANS]\r\n[FILES]\r\n";
    for (const QString &m : members)
        out += m.toLatin1() + "\r\n";
    if (end)
        out += "[END]";
    return out;
}

// Answers the channel plan warning when it comes up (other modal windows are left alone).
void answerAlert(QObject *context, bool ok, bool *seen)
{
    auto *timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [timer, ok, seen] {
        if (auto *alert = qobject_cast<TChannelPlanAlert *>(QApplication::activeModalWidget())) {
            *seen = true;
            timer->stop();
            timer->deleteLater();
            if (ok)
                alert->accept();
            else
                alert->reject();
        }
    });
    timer->start();
}

}   // namespace

class NewPlanTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void emptyLibrary();
    void subfoldersAreListed();
    void opening();
    void addTwiceAndLimit();
    void notAPlan();
    void saveAndReopen();
    void saveGroupAsksBeforeReplacingAFile();
    void renameAsksBeforeReplacingAnotherFile();
    void groupFileReading_data();
    void groupFileReading();
    void closeRemovesOnlyCopies();
    void tempFolderIsLibrary();
    void deleteAndRename();
    void copyBackToLibrary();
    void newGroupAsks();
    void transmitCancelledAtWarning();
    void transmit();
    void receive();
    void receiveOddNames();
    void receiveNoPlans();
    void receiveFailureEmptiesGroup();

private:
    void select(QListWidget *list, const QString &name);
    void addMembers(TNewPlan &w, const QStringList &names);

    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<ScriptedPrompter> prompter;
};

void NewPlanTest::initTestCase()
{
    TTransmit::setDefaultStartDelay(10);
}

void NewPlanTest::init()
{
    ws = std::make_unique<TestWorkspace>();
    loadCatalogue();
    chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
    thePort().SetTimeout(600);
    prompter = std::make_unique<ScriptedPrompter>();
}

void NewPlanTest::cleanup()
{
    const bool unexpected = prompter->unexpected;
    const int pending = prompter->pending();
    prompter.reset();
    thePort().SetTimeout(3000);
    ws.reset();
    QVERIFY2(!unexpected, "an unexpected prompt came");
    QCOMPARE(pending, 0);
}

void NewPlanTest::select(QListWidget *list, const QString &name)
{
    const auto items = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(name));
    list->setCurrentItem(items.first());
}

void NewPlanTest::addMembers(TNewPlan &w, const QStringList &names)
{
    for (const QString &n : names) {
        select(w.LlistatLlibreria, n);
        w.SumaGroup->click();
    }
}

void NewPlanTest::emptyLibrary()
{
    ws->write(QStringLiteral("Channel/notes.txt"), "x");
    prompter->expectMessage();
    // A window shown by mistake would wait here: close it and let the test fail.
    QTimer guard;
    guard.setInterval(200);
    bool shown = false;
    connect(&guard, &QTimer::timeout, this, [&] {
        if (QWidget *m = QApplication::activeModalWidget()) {
            shown = true;
            m->close();
        }
    });
    guard.start();
    openChannelPlanLibrary(nullptr);
    QVERIFY(!shown);
    QCOMPARE(prompter->messageTexts(), QStringList{QStringLiteral("Error : No ChannelPlan Library: -250")});
}

// The library list offers the library's subfolders besides its plans, so a library that holds
// only folders opens; a folder is neither edited nor taken into a group.
void NewPlanTest::subfoldersAreListed()
{
    QVERIFY(QDir(ws->library()).mkpath(QStringLiteral("old plans")));
    ws->write(QStringLiteral("Channel/notes.txt"), "x");
    bool shown = false;
    QTimer guard;
    guard.setInterval(50);
    connect(&guard, &QTimer::timeout, this, [&] {
        if (auto *w = qobject_cast<TNewPlan *>(QApplication::activeModalWidget())) {
            shown = true;
            QCOMPARE(w->LlistatLlibreria->count(), 1);
            QCOMPARE(w->LlistatLlibreria->item(0)->text(), QStringLiteral("[old plans]"));
            w->close();
        }
    });
    guard.start();
    openChannelPlanLibrary(nullptr);
    QVERIFY(shown);
    QVERIFY(prompter->messageTexts().isEmpty());

    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    TNewPlan w;
    QCOMPARE(w.FillLibrary(), 2);
    QCOMPARE(w.LlistatLlibreria->item(0)->text(), QStringLiteral("a.ch26"));   // plans first
    w.show();
    select(w.LlistatLlibreria, QStringLiteral("[old plans]"));
    prompter->expectMessage();
    w.SumaGroup->click();
    prompter->expectMessage();
    w.EditarLlibreria->click();
    QCOMPARE(prompter->messageTexts(), QStringList(2, QStringLiteral("Incorrect Format File: -153")));
    QVERIFY(w.members().isEmpty());
    // A group file cannot name a folder as a member.
    prompter->expectOpenFile(
        ws->write(QStringLiteral("Channel/g.tx26"), groupFile({"[old plans]", "old plans", "a.ch26"})));
    w.OpenGroup->click();
    QCOMPARE(w.members(), QStringList{QStringLiteral("a.ch26")});
}

void NewPlanTest::opening()
{
    ws->write(QStringLiteral("Channel/b.ch26"), planText(QStringLiteral("B")));
    ws->write(QStringLiteral("Channel/A.CH26"), planText(QStringLiteral("A")));
    ws->write(QStringLiteral("Channel/c.ch25"), planText(QStringLiteral("C")));
    TNewPlan w;
    QCOMPARE(w.FillLibrary(), 2);
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Channel Plan Group"));
    QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
    QCOMPARE(w.LlistatLlibreria->currentItem()->text(), QStringLiteral("A.CH26"));
    QVERIFY(w.SumaGroup->isEnabled() && w.EditarLlibreria->isEnabled() && w.OpenGroup->isEnabled());
    for (QPushButton *b :
         {w.SaveGroup, w.NewGroup, w.EditarGroup, w.EsborrarGroup, w.RenameGroup, w.TransmitGroup, w.SumaLlibreria})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(w.ReceiveGroup->isEnabled());   // a model is chosen

    // The library of a "ch25" model lists its own type.
    chooseModel(catalogueIndexOf(QStringLiteral("KV-25")), true);
    QCOMPARE(w.FillLibrary(), 1);
    QCOMPARE(w.LlistatLlibreria->item(0)->text(), QStringLiteral("c.ch25"));
}

void NewPlanTest::addTwiceAndLimit()
{
    QStringList names;
    for (int i = 0; i < 11; ++i) {
        names << QStringLiteral("p%1.ch26").arg(i, 2, 10, QLatin1Char('0'));
        ws->write(QStringLiteral("Channel/") + names.last(), planText(QStringLiteral("P%1").arg(i)));
    }
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {names[0], names[0]});
    QCOMPARE(w.members(), QStringList{names[0]});
    QCOMPARE(ws->read(QStringLiteral("Temp/") + names[0]), ws->read(QStringLiteral("Channel/") + names[0]));
    QVERIFY(w.TransmitGroup->isEnabled() && w.SaveGroup->isEnabled());
    QCOMPARE(w.LlistatCanalitzacio->currentRow(), 0);

    addMembers(w, names.mid(1, 9));
    QCOMPARE(w.members(), names.mid(0, 10));
    QCOMPARE(w.LlistatCanalitzacio->currentRow(), 9);
    prompter->expectMessage();
    addMembers(w, {names[10]});
    QCOMPARE(prompter->messageTexts(), QStringList{QStringLiteral("Error : Limit 10 Channel Plans: -17")});
    QCOMPARE(w.members(), names.mid(0, 10));
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/") + names[10])));
}

void NewPlanTest::notAPlan()
{
    ws->write(QStringLiteral("Channel/x.ch26"), "#=====\r\nCHANNEL8(X,,,,1,1)\r\n1,A,1,2,3,4,5,6,7,8,9,10,11\r\n");
    TNewPlan w;
    w.FillLibrary();
    w.show();
    prompter->expectMessage();
    w.SumaGroup->click();
    prompter->expectMessage();
    w.EditarLlibreria->click();
    QCOMPARE(prompter->messageTexts(), (QStringList{QStringLiteral("Incorrect Format File: -153"),
                                                    QStringLiteral("Incorrect Format File: -153")}));
    QVERIFY(w.members().isEmpty());
}

void NewPlanTest::saveAndReopen()
{
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    ws->write(QStringLiteral("Channel/b.ch26"), planText(QStringLiteral("B")));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("b.ch26"), QStringLiteral("a.ch26")});

    prompter->expectSaveFile(ws->path(QStringLiteral("Channel/g")));
    w.SaveGroup->click();
    QCOMPARE(prompter->asked.back().caption, QStringLiteral("Save a Channel Plan Group"));
    QCOMPARE(ws->read(QStringLiteral("Channel/g.tx26")),
             groupFile({QStringLiteral("b.ch26"), QStringLiteral("a.ch26")}));
    QCOMPARE(w.NomGroup->text(), QStringLiteral("g.tx26"));

    // A group that cannot be saved says so.
    prompter->expectSaveFile(ws->path(QStringLiteral("Missing/g.tx26")));
    prompter->expectMessage();
    w.SaveGroup->click();
    QCOMPARE(prompter->messageTexts().last(), QStringLiteral("Error : Unable To Open File: -65"));

    // b leaves the library: it leaves the group read back.
    QFile::remove(ws->path(QStringLiteral("Channel/b.ch26")));
    w.FillLibrary();
    prompter->expectOpenFile(ws->path(QStringLiteral("Channel/g.tx26")));
    w.OpenGroup->click();
    QCOMPARE(prompter->asked.back().caption, QStringLiteral("Open a Channel Plan Group"));
    QCOMPARE(w.members(), QStringList{QStringLiteral("a.ch26")});
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/b.ch26"))));   // the old group's copies went
    QCOMPARE(w.NomGroup->text(), QStringLiteral("g.tx26"));
    QCOMPARE(w.LlistatCanalitzacio->currentRow(), 0);
    QVERIFY(w.EsborrarGroup->isEnabled());
}

void NewPlanTest::groupFileReading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("members");
    QTest::addColumn<QString>("message");

    const QString a = QStringLiteral("a.ch26"), b = QStringLiteral("b.ch26");
    QTest::newRow("upper-case names") << groupFile({QStringLiteral("A.CH26"), QStringLiteral("B.Ch26")})
                                      << QStringList{a, b} << QString();
    QTest::newRow("no [END]") << groupFile({a, b}, false) << QStringList{a, b} << QString();
    QTest::newRow("LF lines, unknown member")
        << QByteArray("[FILES]\nz.ch26\nb.ch26\n[END]\n") << QStringList{b} << QString();
    QTest::newRow("same member twice") << groupFile({a, a, b}) << QStringList{a, b} << QString();
    QStringList many;   // five header lines, the members, "[END]"
    for (int i = 0; i < 44; ++i)
        many << a;
    QTest::newRow("50 lines") << groupFile(many) << QStringList{a} << QString();
    many << a;
    QTest::newRow("51 lines") << groupFile(many) << QStringList{} << QStringLiteral("Error : Unable To Open File: -65");
    // "[END]" ends the reading: whatever follows it does not count towards the 50 lines.
    QByteArray endThenMore = groupFile({a, b});
    for (int i = 0; i < 60; ++i)
        endThenMore += "\r\nnotes after the end";
    QTest::newRow("lines after [END]") << endThenMore << QStringList{a, b} << QString();
    QTest::newRow("51 lines, no [END]") << groupFile(QStringList(many) << a, false) << QStringList{}
                                        << QStringLiteral("Error : Unable To Open File: -65");
    QTest::newRow("no member list") << QByteArray("#===\r\nsomething\r\n") << QStringList{QStringLiteral("c.ch26")}
                                    << QStringLiteral("Incorrect Format File: -153");
}

void NewPlanTest::groupFileReading()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, members);
    QFETCH(QString, message);
    for (const QString &n : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
        ws->write(QStringLiteral("Channel/%1.ch26").arg(n), planText(n.toUpper()));
    const QString path = ws->write(QStringLiteral("Channel/g.tx26"), file);
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("c.ch26")});   // the group before the file is read
    prompter->expectOpenFile(path);
    if (!message.isEmpty())
        prompter->expectMessage();
    w.OpenGroup->click();
    QCOMPARE(w.members(), members);
    QCOMPARE(prompter->messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    for (const QString &m : members)
        QCOMPARE(ws->read(QStringLiteral("Temp/") + m), ws->read(QStringLiteral("Channel/") + m));
    // A group file that cannot be opened changes nothing and says nothing.
    prompter->expectOpenFile(ws->path(QStringLiteral("Channel/none.tx26")));
    w.OpenGroup->click();
    QCOMPARE(w.members(), members);
}

void NewPlanTest::closeRemovesOnlyCopies()
{
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    ws->write(QStringLiteral("Channel/b.ch26"), planText(QStringLiteral("B")));
    const QString group = ws->write(QStringLiteral("Channel/g.tx26"), groupFile({QStringLiteral("a.ch26")}));
    ws->write(QStringLiteral("Temp/other.ch26"), planText(QStringLiteral("O")));
    {
        TNewPlan w;
        w.FillLibrary();
        w.show();
        addMembers(w, {QStringLiteral("a.ch26"), QStringLiteral("b.ch26")});
        QVERIFY(fileExists(ws->path(QStringLiteral("Temp/a.ch26"))));
        w.close();
        QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/a.ch26"))));
        QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/b.ch26"))));
    }
    QVERIFY(fileExists(ws->path(QStringLiteral("Channel/a.ch26"))));
    QVERIFY(fileExists(ws->path(QStringLiteral("Channel/b.ch26"))));
    QVERIFY(fileExists(ws->path(QStringLiteral("Temp/other.ch26"))));
    QCOMPARE(ws->read(group), groupFile({QStringLiteral("a.ch26")}));
}

void NewPlanTest::tempFolderIsLibrary()
{
    // Settings that point the temporary folder at the library: the group's "copies" are the
    // library files themselves, and closing must not delete them.
    app().tempFolder = app().libraryFolder;
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    {
        TNewPlan w;
        w.FillLibrary();
        w.show();
        addMembers(w, {QStringLiteral("a.ch26")});
        QCOMPARE(w.members(), QStringList{QStringLiteral("a.ch26")});
        w.EsborrarGroup->click();
        addMembers(w, {QStringLiteral("a.ch26")});

        // A plan received under a library plan's name gets a name of its own.
        const QString fromMeter = ws->write(QStringLiteral("src/a.ch26"), planText(QStringLiteral("A"), 1));
        SimulatedMeter meter({QStringLiteral("--plans"), fromMeter});
        QVERIFY(startMeterOnPort(meter));
        w.ReceiveGroup->click();
        QCOMPARE(w.members(), QStringList{QStringLiteral("a_2.ch26")});
        w.close();
    }
    QCOMPARE(ws->read(QStringLiteral("Channel/a.ch26")), planText(QStringLiteral("A")));
}

// "grp" typed where grp.tx26 exists: the group editor asks before replacing it; No keeps it.
void NewPlanTest::saveGroupAsksBeforeReplacingAFile()
{
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    const QByteArray old = groupFile({QStringLiteral("other.ch26")});
    ws->write(QStringLiteral("Channel/grp.tx26"), old);
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("a.ch26")});

    prompter->expectSaveFile(ws->path(QStringLiteral("Channel/grp")));
    prompter->expectMessage(QMessageBox::No);
    w.SaveGroup->click();
    QCOMPARE(prompter->asked.back().kind, QStringLiteral("message"));
    QCOMPARE(ws->read(QStringLiteral("Channel/grp.tx26")), old);
    QVERIFY(w.NomGroup->text() != QStringLiteral("grp.tx26"));

    prompter->expectSaveFile(ws->path(QStringLiteral("Channel/grp")));
    prompter->expectMessage(QMessageBox::Yes);
    w.SaveGroup->click();
    QCOMPARE(ws->read(QStringLiteral("Channel/grp.tx26")), groupFile({QStringLiteral("a.ch26")}));
    QCOMPARE(w.NomGroup->text(), QStringLiteral("grp.tx26"));
    QVERIFY(!prompter->unexpected);
}

// A member renamed to a name chosen in another folder lands in the temporary folder: a file
// of that name already there is not replaced unasked.
void NewPlanTest::renameAsksBeforeReplacingAnotherFile()
{
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    const QByteArray stray = planText(QStringLiteral("STRAY"));
    ws->write(QStringLiteral("Temp/zz.ch26"), stray);
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("a.ch26")});
    select(w.LlistatCanalitzacio, QStringLiteral("a.ch26"));
    prompter->expectSaveFile(ws->path(QStringLiteral("elsewhere/zz")));
    prompter->expectMessage(QMessageBox::No);
    w.RenameGroup->click();
    QCOMPARE(w.members(), QStringList{QStringLiteral("a.ch26")});
    QCOMPARE(ws->read(QStringLiteral("Temp/zz.ch26")), stray);
    QVERIFY(!prompter->unexpected);
}

void NewPlanTest::deleteAndRename()
{
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    ws->write(QStringLiteral("Channel/b.ch26"), planText(QStringLiteral("B")));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("a.ch26"), QStringLiteral("b.ch26")});

    // Rename a to "new": the copy moves, the list ends with the new name, selected.
    select(w.LlistatCanalitzacio, QStringLiteral("a.ch26"));
    prompter->expectSaveFile(ws->path(QStringLiteral("elsewhere/new")));
    w.RenameGroup->click();
    QCOMPARE(w.members(), (QStringList{QStringLiteral("b.ch26"), QStringLiteral("new.ch26")}));
    QCOMPARE(w.LlistatCanalitzacio->currentItem()->text(), QStringLiteral("new.ch26"));
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/a.ch26"))));
    QCOMPARE(ws->read(QStringLiteral("Temp/new.ch26")), planText(QStringLiteral("A")));
    QVERIFY(fileExists(ws->path(QStringLiteral("Channel/a.ch26"))));

    // Renaming onto another member would lose that member's copy.
    prompter->expectSaveFile(ws->path(QStringLiteral("Temp/B.ch26")));
    prompter->expectMessage();
    w.RenameGroup->click();
    QCOMPARE(prompter->messageTexts(), QStringList{QStringLiteral("File Already Exists: -251")});
    QCOMPARE(ws->read(QStringLiteral("Temp/b.ch26")), planText(QStringLiteral("B")));

    // Only the case changes: the copy follows.
    prompter->expectSaveFile(ws->path(QStringLiteral("Temp/NEW.ch26")));
    w.RenameGroup->click();
    QCOMPARE(w.members(), (QStringList{QStringLiteral("b.ch26"), QStringLiteral("NEW.ch26")}));
    QCOMPARE(ws->read(QStringLiteral("Temp/NEW.ch26")), planText(QStringLiteral("A")));

    w.EsborrarGroup->click();
    QCOMPARE(w.members(), QStringList{QStringLiteral("b.ch26")});
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/NEW.ch26"))));
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/new.ch26"))));
    QCOMPARE(w.LlistatCanalitzacio->currentRow(), 0);
    w.EsborrarGroup->click();
    QVERIFY(w.members().isEmpty());
    QVERIFY(!w.EsborrarGroup->isEnabled() && !w.TransmitGroup->isEnabled());
    QVERIFY(w.NomGroup->text().isEmpty());
    QVERIFY(fileExists(ws->path(QStringLiteral("Channel/b.ch26"))));
}

void NewPlanTest::copyBackToLibrary()
{
    ws->write(QStringLiteral("Channel/AB.ch26"), planText(QStringLiteral("AB")));
    const QString group = ws->write(QStringLiteral("Channel/g.tx26"), groupFile({QStringLiteral("ab.ch26")}));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    prompter->expectOpenFile(group);
    w.OpenGroup->click();
    QCOMPARE(w.members(), QStringList{QStringLiteral("ab.ch26")});
    ws->write(QStringLiteral("Temp/ab.ch26"), planText(QStringLiteral("AB"), 3));   // edited copy

    prompter->expectMessage(QMessageBox::Cancel);
    w.SumaLlibreria->click();
    QCOMPARE(prompter->messageTexts().last(), QStringLiteral("Library already exists.Save Anyway?"));
    QCOMPARE(ws->read(QStringLiteral("Channel/AB.ch26")), planText(QStringLiteral("AB")));

    // OK replaces the library's file of that name, whatever its case.
    prompter->expectMessage(QMessageBox::Ok);
    w.SumaLlibreria->click();
    QCOMPARE(ws->read(QStringLiteral("Channel/AB.ch26")), planText(QStringLiteral("AB"), 3));
    QCOMPARE(w.FillLibrary(), 1);

    prompter->expectSaveFile(ws->path(QStringLiteral("Temp/zz.ch26")));
    w.RenameGroup->click();
    prompter->expectMessage(QMessageBox::Ok);
    w.SumaLlibreria->click();
    QCOMPARE(prompter->messageTexts().last(), QStringLiteral("Do you wish to add channel Plan?"));
    QCOMPARE(prompter->asked.back().caption, QStringLiteral("Warning"));
    QCOMPARE(ws->read(QStringLiteral("Channel/zz.ch26")), planText(QStringLiteral("AB"), 3));
    QCOMPARE(w.LlistatLlibreria->count(), 2);
}

void NewPlanTest::newGroupAsks()
{
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("a.ch26")});
    prompter->expectMessage(QMessageBox::Cancel);
    w.NewGroup->click();
    QCOMPARE(w.members().size(), 1);
    prompter->expectMessage(QMessageBox::Ok);
    w.NewGroup->click();
    QCOMPARE(prompter->messageTexts().last(), QStringLiteral("Do you want erase channel plan selected?"));
    QVERIFY(w.members().isEmpty());
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/a.ch26"))));
}

void NewPlanTest::transmitCancelledAtWarning()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("a.ch26")});
    bool seen = false;
    answerAlert(this, false, &seen);
    w.TransmitGroup->click();
    QVERIFY(seen);
    QVERIFY(meter.transcript().isEmpty());
    QVERIFY(prompter->asked.empty());
    QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
    QVERIFY(w.TransmitGroup->isEnabled() && w.SumaGroup->isEnabled());
    QVERIFY(!w.isBusy());
}

void NewPlanTest::transmit()
{
    SimulatedMeter meter;
    QVERIFY(startMeterOnPort(meter));
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A"), 1));
    ws->write(QStringLiteral("Channel/b.ch26"), planText(QStringLiteral("B"), 2));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("a.ch26"), QStringLiteral("b.ch26")});
    bool seen = false;
    answerAlert(this, true, &seen);
    w.TransmitGroup->click();
    QVERIFY(seen);
    const QStringList t = meter.transcript();
    QCOMPARE(t.mid(2, 6),
             (QStringList{QStringLiteral("*EP"), QStringLiteral("*PN02"), QStringLiteral("*CS00A"),
                          QStringLiteral("*CW00001"), QStringLiteral("*CS01B"), QStringLiteral("*CW01002")}));
    QCOMPARE(t.size(), 2 + 6 + 3 + 2);
    QCOMPARE(t.mid(t.size() - 2), (QStringList{QStringLiteral("*PM01"), QStringLiteral("*RS0")}));
    QCOMPARE(w.NomGroup->text(), QStringLiteral("temp.tx26"));
    QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
    QCOMPARE(w.members().size(), 2);
    QVERIFY(w.TransmitGroup->isEnabled());

    // A port that cannot be opened ends the send with 54, whose message is never shown; the
    // user is told only why the port did not open.
    meter.stop();
    app().PortName = ws->path(QStringLiteral("no-port"));
    answerAlert(this, true, &seen);
    prompter->expectMessage();
    w.TransmitGroup->click();
    QCOMPARE(prompter->messageTexts().size(), 1);
    QVERIFY(prompter->messageTexts().first().startsWith(StringTable::text(275).arg(app().PortName)));
    prompter->asked.clear();
    QCOMPARE(w.members().size(), 2);

    // A refused line is: the group stays for another try.
    SimulatedMeter refusing({QStringLiteral("--fault"), QStringLiteral("nak:*CF:2")});
    QVERIFY(startMeterOnPort(refusing));
    prompter->expectMessage();
    answerAlert(this, true, &seen);
    w.TransmitGroup->click();
    QCOMPARE(prompter->messageTexts(), QStringList{QStringLiteral("Communication Error: -96")});
    QVERIFY(!refusing.transcript().contains(QStringLiteral("*RS0")));
    QCOMPARE(w.members().size(), 2);
}

void NewPlanTest::receive()
{
    const QString ab = ws->write(QStringLiteral("src/ab.ch26"), planText(QStringLiteral("AB"), 3));
    const QString ab2 = ws->write(QStringLiteral("src/ab2.ch26"), planText(QStringLiteral("AB"), 1));
    const QString cd = ws->write(QStringLiteral("src/cd.ch26"), planText(QStringLiteral("Cd"), 2));
    ws->write(QStringLiteral("Channel/lib.ch26"), planText(QStringLiteral("L")));
    SimulatedMeter meter({QStringLiteral("--plans"), ab, ab2, cd});
    QVERIFY(startMeterOnPort(meter));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    addMembers(w, {QStringLiteral("lib.ch26")});   // emptied by the reception
    w.ReceiveGroup->click();
    QCOMPARE(w.members(),
             (QStringList{QStringLiteral("ab.ch26"), QStringLiteral("ab_2.ch26"), QStringLiteral("cd.ch26")}));
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/lib.ch26"))));
    QVERIFY(ws->read(QStringLiteral("Temp/ab.ch26")).contains("CHANNEL8(AB,PAL,FM,5.50,3,1)"));
    QVERIFY(ws->read(QStringLiteral("Temp/ab_2.ch26")).contains("CHANNEL8(AB,PAL,FM,5.50,1,1)"));
    QVERIFY(ws->read(QStringLiteral("Temp/cd.ch26")).contains("2,C2,116.25,118.50,0.00,7.0,ON,ANALOG"));
    QCOMPARE(w.LlistatCanalitzacio->currentRow(), 2);
    QVERIFY(w.TransmitGroup->isEnabled() && w.SumaGroup->isEnabled());
    QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
    saveScreenshot(&w, QStringLiteral("group-editor-three-plans.png"));
    QVERIFY(prompter->asked.empty());
}

// Names that cannot be file names do not end the reception: each plan gets a safe name.
void NewPlanTest::receiveOddNames()
{
    const QString blank = ws->write(QStringLiteral("src/blank.ch26"), planText(QStringLiteral("   "), 1));
    const QString odd = ws->write(QStringLiteral("src/odd.ch26"), planText(QStringLiteral("TV:1/2"), 2));
    SimulatedMeter meter({QStringLiteral("--plans"), blank, odd});
    QVERIFY(startMeterOnPort(meter));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    w.ReceiveGroup->click();
    QCOMPARE(w.members(), (QStringList{QStringLiteral("plan01.ch26"), QStringLiteral("tv_1_2.ch26")}));
    QVERIFY(ws->read(QStringLiteral("Temp/tv_1_2.ch26")).contains("CHANNEL8(TV:1/2,PAL,FM,5.50,2,1)"));
    QVERIFY(fileExists(ws->path(QStringLiteral("Temp/plan01.ch26"))));
    QVERIFY(prompter->asked.empty());
}

void NewPlanTest::receiveNoPlans()
{
    SimulatedMeter meter({QStringLiteral("--cg-answer"), QStringLiteral("*CG00")});
    QVERIFY(startMeterOnPort(meter));
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    prompter->expectMessage();
    w.ReceiveGroup->click();
    QCOMPARE(prompter->messageTexts(), QStringList{QStringLiteral("Error : No Channel Plan: -16")});
    QCOMPARE(meter.transcript(), QStringList{QStringLiteral("*?CG")});
    QVERIFY(w.SumaGroup->isEnabled() && w.ReceiveGroup->isEnabled());
    QCOMPARE(w.Missatge->text(), QStringLiteral("Status : Ready"));
}

void NewPlanTest::receiveFailureEmptiesGroup()
{
    const QString ab = ws->write(QStringLiteral("src/ab.ch26"), planText(QStringLiteral("AB"), 3));
    ws->write(QStringLiteral("Channel/a.ch26"), planText(QStringLiteral("A")));
    // The second plan's name cannot be had: the reception ends, and the first plan's copy goes.
    SimulatedMeter meter({QStringLiteral("--plans"), ab, ab, QStringLiteral("--fault"), QStringLiteral("nak:*?CS01")});
    QVERIFY(startMeterOnPort(meter));
    TNewPlan w;
    w.FillLibrary();
    w.show();
    prompter->expectMessage();
    w.ReceiveGroup->click();
    QCOMPARE(prompter->messageTexts(), QStringList{QStringLiteral("Communication Error: -96")});
    QVERIFY(w.members().isEmpty());
    QVERIFY(!fileExists(ws->path(QStringLiteral("Temp/ab.ch26"))));
    QVERIFY(!meter.transcript().contains(QStringLiteral("*?CF0100")));
    QVERIFY(!w.TransmitGroup->isEnabled());
}

QTEST_MAIN(NewPlanTest)
#include "tst_newplan.moc"
