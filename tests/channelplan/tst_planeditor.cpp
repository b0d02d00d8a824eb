// The plan editor on its real grid, offscreen: typing with the key filters and Enter, the tied
// frequencies, menus and toggles, row operations with Undo, saving and the close prompt.
#include "ScriptedPrompter.h"
#include "TestWorkspace.h"
#include "app/StringTable.h"
#include "channelplan/PlanFile.h"
#include "channelplan/windows/Editarcanalitzacio.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {

QString cell(TChannelPlan &e, int row, int column)
{
    const QTableWidgetItem *item = e.LlibreNou->item(row, column);
    return item ? item->text() : QString();
}

QRect cellRect(TChannelPlan &e, int row, int column)
{
    const QModelIndex index = e.LlibreNou->model()->index(row, column);
    e.LlibreNou->scrollTo(index);
    return e.LlibreNou->visualRect(index);
}

void click(TChannelPlan &e, int row, int column)
{
    QTest::mouseClick(e.LlibreNou->viewport(), Qt::LeftButton, {}, cellRect(e, row, column).center());
}

QLineEdit *openEditor(TChannelPlan &e)
{
    for (QLineEdit *l : e.LlibreNou->viewport()->findChildren<QLineEdit *>())
        if (l->isVisible())
            return l;
    return nullptr;
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Selects the cell, types the first character into the grid (which opens the in-place editor)
// and the rest into the editor, then presses Enter. False when no editor opened.
bool typeInCell(TChannelPlan &e, int row, int column, const QString &text, bool enter = true)
{
    // A second click on the selected cell would start editing with a delay; come from elsewhere.
    if (e.LlibreNou->currentRow() == row && e.LlibreNou->currentColumn() == column)
        click(e, row, 0);
    click(e, row, column);
    QTest::keyClick(e.LlibreNou, text.at(0).toLatin1());
    QLineEdit *editor = openEditor(e);
    if (!editor)
        return false;
    QTest::keyClicks(editor, text.mid(1));
    if (enter)
        QTest::keyClick(editor, Qt::Key_Return);
    settle();   // Enter commits once control is back in the event loop; a failed check's message after that
    return true;
}

// Pixels of text drawn in the inapplicable colour: antialiased, they blend into the
// background, but stay clearly more red and blue than green, which black text never is.
int inapplicablePixels(const QImage &image, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.blue() > c.green() + 30 && c.red() > c.green() + 30;
        }
    return n;
}

QImage gridImage(TChannelPlan &e)
{
    return e.LlibreNou->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

ChannelRecord channel(const QString &name, const QString &analog, const QString &digital, const QString &mode)
{
    ChannelRecord c = ChannelRecord::newChannel();
    c.name = name;
    c.analogFrequency = analog;
    c.digitalFrequency = digital;
    c.mode = mode;
    c.system = mode == QLatin1String("ANALOG") ? QStringLiteral("PAL/BG") : QStringLiteral("AUTO");
    return c;
}

QString writePlan(const TestWorkspace &ws, const QString &name, int channels)
{
    ChannelPlanFile p;
    p.planName = QStringLiteral("AB");
    for (int i = 0; i < channels; ++i) {
        const bool analog = i % 3 == 1;
        const double f = 471.25 + 8 * i;
        p.channels << channel(QStringLiteral("E%1").arg(21 + i), QString::number(f, 'f', 2),
                              QString::number(f + 2.75, 'f', 2), analog ? "ANALOG" : "DIGITAL");
    }
    if (channels > 5) {
        p.channels[4].status = QStringLiteral("OFF");
        p.channels[2].annex = QStringLiteral("B");
        p.channels[2].symbolRate = QStringLiteral("5057");
        p.channels[2].modulation = QStringLiteral("QAM256");
        p.channels[3].system = QStringLiteral("SECAM/L");
        p.channels[5].offset = QStringLiteral("-1.5");
    }
    const QString path = ws.path("Channel/" + name);
    writePlanFile(path, p);
    return path;
}

}   // namespace

class TestPlanEditor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newPlanShowsOneDefaultRow()
    {
        TestWorkspace ws;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QCOMPARE(e.LlibreNou->rowCount(), 2);
        QCOMPARE(e.ChannelPlan->text(), QStringLiteral("--"));
        QCOMPARE(e.windowTitle(), QStringLiteral("Channel Plan"));
        const QStringList expected = {"1",  "--",      "47.75", "50.50", "0.0",   "8.0",
                                      "ON", "DIGITAL", "6875",  "DVB",   "QAM16", "AUTO"};
        for (int c = 0; c < 12; ++c)
            QCOMPARE(cell(e, 1, c), expected.at(c));
        QCOMPARE(cell(e, 0, 3), QStringLiteral("F.Dig"));
        for (QToolButton *b : {e.InsertChannel, e.DeleteChannel, e.CopyChannel, e.PasteChannel, e.UndoChannel})
            QVERIFY(!b->isEnabled());
        QVERIFY(!e.isDirty());

        const QImage img = gridImage(e);
        const QRect header = cellRect(e, 0, 3);
        QCOMPARE(img.pixelColor(header.left() + 1, header.top() + 1), TChannelPlan::kHeaderBackground);
        QCOMPARE(img.pixelColor(cellRect(e, 1, 0).topLeft() + QPoint(1, 1)), TChannelPlan::kHeaderBackground);
        // F.Anlg and System do not apply to a digital channel; F.Dig does.
        QVERIFY(inapplicablePixels(img, cellRect(e, 1, 2)) > 0);
        QVERIFY(inapplicablePixels(img, cellRect(e, 1, 11)) > 0);
        QCOMPARE(inapplicablePixels(img, cellRect(e, 1, 3)), 0);
        QCOMPARE(img.pixelColor(cellRect(e, 1, 3).topLeft() + QPoint(1, 1)), QColor(Qt::white));

        click(e, 1, 5);
        const QImage selected = gridImage(e);
        QCOMPARE(selected.pixelColor(cellRect(e, 1, 3).topLeft() + QPoint(1, 1)), TChannelPlan::kCurrentRowBackground);
        QVERIFY(e.isDirty());   // any press counts as a change
        QVERIFY(e.InsertChannel->isEnabled() && e.DeleteChannel->isEnabled() && e.CopyChannel->isEnabled());
        QVERIFY(!e.PasteChannel->isEnabled());
    }

    void typedFrequenciesAreFormattedAndTied()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QVERIFY(typeInCell(e, 1, 3, "52"));
        QCOMPARE(cell(e, 1, 3), QStringLiteral("52.00"));
        QCOMPARE(cell(e, 1, 2), QStringLiteral("49.25"));
        // F.Anlg of a digital row takes no editor.
        click(e, 1, 2);
        QTest::keyClick(e.LlibreNou, '4');
        QVERIFY(!openEditor(e));
        QCOMPARE(cell(e, 1, 2), QStringLiteral("49.25"));

        // Bandwidth on a digital row moves F.Anlg...
        QVERIFY(typeInCell(e, 1, 5, "7"));
        QCOMPARE(cell(e, 1, 5), QStringLiteral("7.0"));
        QCOMPARE(cell(e, 1, 3), QStringLiteral("52.00"));
        QCOMPARE(cell(e, 1, 2), QStringLiteral("49.75"));
        // ...on an analog row it moves F.Dig.
        click(e, 1, 7);
        click(e, 1, 7);
        QCOMPARE(cell(e, 1, 7), QStringLiteral("ANALOG"));
        QVERIFY(typeInCell(e, 1, 5, "8"));
        QCOMPARE(cell(e, 1, 2), QStringLiteral("49.75"));
        QCOMPARE(cell(e, 1, 3), QStringLiteral("52.50"));
        QVERIFY(typeInCell(e, 1, 2, "471.25"));
        QCOMPARE(cell(e, 1, 3), QStringLiteral("474.00"));
        QCOMPARE(prompter.asked.size(), size_t(0));
    }

    void refusedValuesAreRestored_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("frequency 870") << 3 << "870"
                                       << "Error : Incorrect Frequency: -34";
        QTest::newRow("bandwidth 10") << 5 << "10"
                                      << "Error : Incorrect BandWidth: -43";
        QTest::newRow("symbol rate 999") << 8 << "999"
                                         << "Error : Incorrect Symbol Rate: -71";
        QTest::newRow("offset 3") << 4 << "3"
                                  << "Error : Incorrect Offset: -213";
        QTest::newRow("name with point") << 1 << "A.B"
                                         << "Error : Incorrect Channel Name: -33";
        QTest::newRow("name too long") << 1 << "ABCDE"
                                       << "Error : Incorrect Channel Name: -33";
    }
    void refusedValuesAreRestored()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TestWorkspace ws;
        ScriptedPrompter prompter;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        const QString before = cell(e, 1, column);
        const QString analogBefore = cell(e, 1, 2);
        prompter.expectMessage();
        QVERIFY(typeInCell(e, 1, column, typed));
        QCOMPARE(prompter.messageTexts(), QStringList{message});
        QCOMPARE(prompter.asked.front().caption, QStringLiteral("Warning"));
        QCOMPARE(cell(e, 1, column), before);
        QCOMPARE(cell(e, 1, 2), analogBefore);
        QVERIFY(!prompter.unexpected);
    }

    void leavingACellChecksIt()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        TChannelPlan e;
        e.show();
        e.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&e));
        // Typed without Enter, then a click elsewhere: checked like Enter, and refused.
        QVERIFY(typeInCell(e, 1, 3, "870", false));
        prompter.expectMessage();
        click(e, 1, 5);
        settle();
        QCOMPARE(prompter.messageTexts(), QStringList{"Error : Incorrect Frequency: -34"});
        QCOMPARE(cell(e, 1, 3), QStringLiteral("50.50"));
        // Accepted text is formatted and tied the same way.
        QVERIFY(typeInCell(e, 1, 3, "60", false));
        click(e, 1, 5);
        settle();
        QCOMPARE(cell(e, 1, 3), QStringLiteral("60.00"));
        QCOMPARE(cell(e, 1, 2), QStringLiteral("57.25"));
        // A cell still open when Save as is pressed is saved with what was typed.
        QVERIFY(typeInCell(e, 1, 1, "K9", false));
        prompter.expectSaveFile(ws.path("Channel/k9.ch26"));
        e.SaveChannelPlan->click();
        ChannelPlanFile back;
        QCOMPARE(readPlanFile(ws.path("Channel/k9.ch26"), back), 0);
        QCOMPARE(back.channels.at(0).name, QStringLiteral("K9"));
        QVERIFY(!prompter.unexpected);
    }

    void nameFieldTakesLettersAndDigits()
    {
        TestWorkspace ws;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QVERIFY(!e.isDirty());
        e.ChannelPlan->selectAll();
        QTest::keyClicks(e.ChannelPlan, "x-y.Z,1(23");
        QCOMPARE(e.ChannelPlan->text(), QStringLiteral("xyZ12"));
        QVERIFY(e.isDirty());
        e.ChannelPlan->setText(QStringLiteral("AB   "));
        QCOMPARE(e.planName(), QStringLiteral("AB"));
        QCOMPARE(e.plan().planName, QStringLiteral("AB"));
    }

    void keyFiltersDropCharacters()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        // A minus sign neither opens the Offset editor nor gets into it.
        click(e, 1, 4);
        QTest::keyClick(e.LlibreNou, '-');
        QVERIFY(!openEditor(e));
        QVERIFY(typeInCell(e, 1, 4, "1-.5x", false));
        QCOMPARE(openEditor(e)->text(), QStringLiteral("1.5"));
        QTest::keyClick(openEditor(e), Qt::Key_Return);
        settle();
        QCOMPARE(cell(e, 1, 4), QStringLiteral("1.5"));
        QVERIFY(typeInCell(e, 1, 8, "7a.0x00"));
        QCOMPARE(cell(e, 1, 8), QStringLiteral("7000"));
        QVERIFY(typeInCell(e, 1, 1, "a,b!c"));
        QCOMPARE(cell(e, 1, 1), QStringLiteral("abc"));
        QVERIFY(!prompter.unexpected);
    }

    void symbolRateBelowRangeIsRefused()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        prompter.expectMessage();
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QVERIFY(typeInCell(e, 1, 8, "5a0"));
        QCOMPARE(prompter.messageTexts(), QStringList{"Error : Incorrect Symbol Rate: -71"});
        QCOMPARE(cell(e, 1, 8), QStringLiteral("6875"));
    }

    void annexBSetsSymbolRateAndLimitsModulations()
    {
        TestWorkspace ws;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        click(e, 1, 9);
        QVERIFY(!e.Annex->isVisible());
        click(e, 1, 9);
        QVERIFY(e.Annex->isVisible());
        for (QAction *a : e.Annex->actions())
            if (a->text() == QLatin1String("B"))
                a->trigger();
        e.Annex->hide();
        QCOMPARE(cell(e, 1, 9), QStringLiteral("B"));
        QCOMPARE(cell(e, 1, 8), QStringLiteral("5057"));

        click(e, 1, 10);
        click(e, 1, 10);
        QVERIFY(e.Modulacio->isVisible());
        QStringList enabled;
        for (QAction *a : e.Modulacio->actions())
            if (a->isEnabled())
                enabled << a->text();
        QCOMPARE(enabled, QStringList({"QAM64", "QAM256"}));
        for (QAction *a : e.Modulacio->actions())
            if (a->text() == QLatin1String("QAM256"))
                a->trigger();
        e.Modulacio->hide();
        QCOMPARE(cell(e, 1, 10), QStringLiteral("QAM256"));

        // Back to DVB: every modulation is offered again.
        click(e, 1, 9);
        click(e, 1, 9);
        for (QAction *a : e.Annex->actions())
            if (a->text() == QLatin1String("DVB"))
                a->trigger();
        e.Annex->hide();
        click(e, 1, 10);
        click(e, 1, 10);
        int count = 0;
        for (QAction *a : e.Modulacio->actions())
            count += a->isEnabled();
        QCOMPARE(count, 5);
        e.Modulacio->hide();

        // The system menu belongs to analog rows only, and lists the 18 systems.
        click(e, 1, 11);
        click(e, 1, 11);
        QVERIFY(!e.System->isVisible());
        int systems = 0;
        for (QAction *a : e.System->actions())
            systems += !a->isSeparator();
        QCOMPARE(systems, 18);
    }

    void twoClicksToggleStatus()
    {
        TestWorkspace ws;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        click(e, 1, 6);
        QCOMPARE(cell(e, 1, 6), QStringLiteral("ON"));
        click(e, 1, 6);
        QCOMPARE(cell(e, 1, 6), QStringLiteral("OFF"));
        QImage img = gridImage(e);
        QVERIFY(inapplicablePixels(img, cellRect(e, 1, 1)) > 0);
        QVERIFY(inapplicablePixels(img, cellRect(e, 1, 3)) > 0);
        QCOMPARE(inapplicablePixels(img, cellRect(e, 1, 6)), 0);
        // An OFF channel takes no typing.
        click(e, 1, 3);
        QTest::keyClick(e.LlibreNou, '5');
        QVERIFY(!openEditor(e));
        click(e, 1, 6);
        click(e, 1, 6);
        QCOMPARE(cell(e, 1, 6), QStringLiteral("ON"));
        img = gridImage(e);
        QCOMPARE(inapplicablePixels(img, cellRect(e, 1, 1)), 0);
        // Clicks on the header row toggle nothing.
        click(e, 0, 6);
        click(e, 0, 6);
        QCOMPARE(cell(e, 0, 6), QStringLiteral("Status"));
        QVERIFY(!e.InsertChannel->isEnabled());
    }

    void deleteInsertAndUndo()
    {
        TestWorkspace ws;
        TChannelPlan e;
        QVERIFY(e.loadPlan(writePlan(ws, "three.ch26", 3)));
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        const ChannelPlanFile original = e.plan();
        QCOMPARE(original.channels.size(), 3);

        click(e, 2, 1);
        e.DeleteChannel->click();
        QCOMPARE(e.channelCount(), 2);
        QCOMPARE(e.LlibreNou->rowCount(), 3);
        QCOMPARE(cell(e, 2, 1), QStringLiteral("E23"));
        QVERIFY(e.UndoChannel->isEnabled());
        e.UndoChannel->click();
        QVERIFY(!e.UndoChannel->isEnabled());
        QCOMPARE(e.plan().channels, original.channels);

        click(e, 2, 1);
        e.InsertChannel->click();
        QCOMPARE(e.channelCount(), 4);
        QCOMPARE(cell(e, 3, 1), QStringLiteral("--"));
        QCOMPARE(cell(e, 3, 2), original.channels.at(1).analogFrequency);
        QCOMPARE(cell(e, 3, 7), QStringLiteral("ANALOG"));
        QCOMPARE(cell(e, 4, 1), QStringLiteral("E23"));
        QCOMPARE(cell(e, 4, 0), QStringLiteral("4"));
        e.UndoChannel->click();
        QCOMPARE(e.plan().channels, original.channels);
        QCOMPARE(e.LlibreNou->rowCount(), 4);

        // The last channel of a plan cannot be deleted.
        TChannelPlan one;
        one.show();
        click(one, 1, 1);
        one.DeleteChannel->click();
        QCOMPARE(one.channelCount(), 1);
        QVERIFY(!one.UndoChannel->isEnabled());
    }

    void copyAndPaste()
    {
        TestWorkspace ws;
        TChannelPlan e;
        QVERIFY(e.loadPlan(writePlan(ws, "three.ch26", 3)));
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QVERIFY(typeInCell(e, 1, 1, "AB"));
        QCOMPARE(cell(e, 1, 1), QStringLiteral("AB"));
        click(e, 1, 1);
        e.CopyChannel->click();
        QVERIFY(e.PasteChannel->isEnabled());
        const QStringList third = e.plan().channels.at(2).columnTexts();
        click(e, 3, 4);
        e.PasteChannel->click();
        QStringList expected = e.plan().channels.at(0).columnTexts();
        expected[0] = QStringLiteral("--");
        QCOMPARE(e.plan().channels.at(2).columnTexts(), expected);
        e.UndoChannel->click();
        QCOMPARE(e.plan().channels.at(2).columnTexts(), third);
    }

    void insertStopsAt140()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        TChannelPlan e;
        QVERIFY(e.loadPlan(writePlan(ws, "full.ch26", 140)));
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        click(e, 140, 1);
        prompter.expectMessage();
        e.InsertChannel->click();
        QCOMPARE(prompter.messageTexts(), QStringList{StringTable::text(57)});
        QCOMPARE(prompter.messageTexts(), QStringList{"Unable to Insert New Channel"});
        QCOMPARE(e.channelCount(), 140);
        QCOMPARE(e.LlibreNou->rowCount(), 141);
        QVERIFY(!e.UndoChannel->isEnabled());

        click(e, 139, 1);
        e.DeleteChannel->click();
        e.InsertChannel->click();   // 139 channels: one more fits
        QCOMPARE(e.channelCount(), 140);
        QCOMPARE(cell(e, 140, 1), QStringLiteral("--"));
        QCOMPARE(cell(e, 140, 0), QStringLiteral("140"));
    }

    void saveAsWritesThePlanAndFailureKeepsItDirty()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        TChannelPlan e;
        QSignalSpy saved(&e, &TChannelPlan::planSaved);
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QVERIFY(typeInCell(e, 1, 1, "C21"));
        e.ChannelPlan->setText(QStringLiteral("EU  "));
        QVERIFY(e.isDirty());

        prompter.expectSaveFile(ws.path("nofolder/eu.ch26"));
        prompter.expectMessage();
        e.SaveChannelPlan->click();
        QCOMPARE(prompter.messageTexts(), QStringList{"Error : Unable To Open File: -65"});
        QVERIFY(e.isDirty());
        QVERIFY(!e.hasFile());
        QCOMPARE(saved.count(), 0);

        prompter.expectSaveFile(QString());   // cancelled
        e.SaveChannelPlan->click();
        QVERIFY(e.isDirty());

        prompter.expectSaveFile(ws.path("Channel/eu"));
        e.SaveChannelPlan->click();
        QCOMPARE(prompter.asked.back().caption, QStringLiteral("Save a Channel Plan"));
        QCOMPARE(prompter.asked.back().text, ws.library() + "/");
        QVERIFY(!e.isDirty());
        QVERIFY(e.hasFile());
        QCOMPARE(e.planPath(), ws.path("Channel/eu.ch26"));
        QCOMPARE(saved.count(), 1);
        QVERIFY(!prompter.unexpected);

        ChannelPlanFile back;
        QCOMPARE(readPlanFile(ws.path("Channel/eu.ch26"), back), 0);
        QCOMPARE(back.planName, QStringLiteral("EU"));   // no padding blanks
        QCOMPARE(back.channels, e.plan().channels);
        QCOMPARE(back.channels.at(0).name, QStringLiteral("C21"));

        // A plan opened from a file and saved unchanged reads back the same.
        TChannelPlan again;
        QVERIFY(again.loadPlan(ws.path("Channel/eu.ch26")));
        QCOMPARE(again.windowTitle(), ws.path("Channel/eu.ch26"));
        prompter.expectSaveFile(ws.path("Channel/copy.ch26"));
        again.SaveChannelPlan->click();
        QCOMPARE(ws.read("Channel/copy.ch26"), ws.read("Channel/eu.ch26"));
    }

    void closePrompt()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        const QString path = writePlan(ws, "three.ch26", 3);
        const QByteArray before = ws.read("Channel/three.ch26");
        TChannelPlan e;
        QVERIFY(e.loadPlan(path));
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        click(e, 2, 2);   // a click alone counts as a change

        prompter.expectMessage(QMessageBox::Cancel);
        e.close();
        QVERIFY(e.isVisible());
        QCOMPARE(prompter.asked.back().caption, QStringLiteral("Channel Plan"));
        QCOMPARE(prompter.asked.back().text, QStringLiteral("Would you like save channel plan?"));

        prompter.expectMessage(QMessageBox::No);
        e.close();
        QVERIFY(!e.isVisible());
        QCOMPARE(ws.read("Channel/three.ch26"), before);

        // Yes writes the plan to its file.
        TChannelPlan y;
        QVERIFY(y.loadPlan(path));
        y.show();
        QVERIFY(QTest::qWaitForWindowExposed(&y));
        click(y, 2, 6);
        click(y, 2, 6);
        prompter.expectMessage(QMessageBox::Yes);
        y.close();
        QVERIFY(!y.isVisible());
        ChannelPlanFile back;
        QCOMPARE(readPlanFile(path, back), 0);
        QCOMPARE(back.channels.at(1).status, QStringLiteral("OFF"));

        // Untouched: no question.
        TChannelPlan clean;
        QVERIFY(clean.loadPlan(path));
        clean.show();
        clean.close();
        QVERIFY(!clean.isVisible());
        QVERIFY(!prompter.unexpected);
        QCOMPARE(prompter.pending(), 0);
    }

    // "keep" typed where keep.ch26 exists: both ways of saving (Save As, and Yes to the close
    // prompt of a new plan) ask before replacing it, and No leaves it byte for byte.
    void saveAsksBeforeReplacingAFile()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        const QByteArray old = "#=====\r\nsomeone else's plan\r\n";
        ws.write("Channel/keep.ch26", old);
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QVERIFY(typeInCell(e, 1, 1, "C21"));

        prompter.expectSaveFile(ws.path("Channel/keep"));
        prompter.expectMessage(QMessageBox::No);
        e.SaveChannelPlan->click();
        QCOMPARE(prompter.asked.at(0).suffix, QStringLiteral("ch26"));
        QCOMPARE(prompter.asked.back().kind, QStringLiteral("message"));
        QVERIFY(prompter.asked.back().text.contains(ws.path("Channel/keep.ch26")));
        QCOMPARE(ws.read("Channel/keep.ch26"), old);
        QVERIFY(e.isDirty());
        QVERIFY(!e.hasFile());

        prompter.expectMessage(QMessageBox::Yes);   // save the plan?
        prompter.expectSaveFile(ws.path("Channel/keep"));
        prompter.expectMessage(QMessageBox::No);   // replace keep.ch26?
        e.close();
        QVERIFY(e.isVisible());
        QCOMPARE(ws.read("Channel/keep.ch26"), old);

        prompter.expectSaveFile(ws.path("Channel/keep"));
        prompter.expectMessage(QMessageBox::Yes);
        e.SaveChannelPlan->click();
        QCOMPARE(e.planPath(), ws.path("Channel/keep.ch26"));
        ChannelPlanFile back;
        QCOMPARE(readPlanFile(ws.path("Channel/keep.ch26"), back), 0);
        QCOMPARE(back.channels.at(0).name, QStringLiteral("C21"));
        QVERIFY(!prompter.unexpected);
        QCOMPARE(prompter.pending(), 0);
    }

    // The real save dialog, as the prompter sets it up: a bare "keep" becomes keep.ch26 before
    // the dialog's own question, which then names keep.ch26; No keeps the dialog from closing.
    // The scripted prompter adds the suffix by the same rule.
    void realSaveDialogAsksAboutTheSuffixedName()
    {
        TestWorkspace ws;
        ws.write("Channel/keep.ch26", "old");
        QFileDialog d(nullptr, QStringLiteral("Save a Channel Plan"), ws.library(), QStringLiteral("*.ch26"));
        setUpSaveDialog(d, QStringLiteral("ch26"));
        QCOMPARE(d.acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!d.testOption(QFileDialog::DontConfirmOverwrite));
        d.open();
        d.selectFile(QStringLiteral("keep"));
        QCOMPARE(d.selectedFiles(), QStringList{ws.path("Channel/keep.ch26")});
        QCOMPARE(withDefaultSuffix(ws.path("Channel/keep"), QStringLiteral("ch26")), ws.path("Channel/keep.ch26"));
        QCOMPARE(withDefaultSuffix(ws.path("Channel/keep.v2"), QStringLiteral("ch26")), ws.path("Channel/keep.v2"));
        QCOMPARE(
            withDefaultSuffix(ws.path("Channel/keep.v2"), QStringLiteral("ch26"), QStringLiteral("Plans (*.ch26)")),
            ws.path("Channel/keep.v2.ch26"));
        QCOMPARE(
            withDefaultSuffix(ws.path("x.JPG"), QStringLiteral("png"), QStringLiteral("A (*.png);;B (*.jpg *.jpeg)")),
            ws.path("x.JPG"));

        QString question;
        QTimer watch;
        QElapsedTimer waited;
        waited.start();
        connect(&watch, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                question = box->text();
                box->done(QMessageBox::No);
            } else if (waited.elapsed() > 5000) {
                watch.stop();
            }
        });
        watch.start(10);
        static_cast<QDialog &>(d).accept();   // the dialog's own OK, as a click on Save
        watch.stop();
        QVERIFY2(question.contains(QStringLiteral("keep.ch26")), qPrintable(question));
        QVERIFY(d.isVisible());   // still asking for a name
        QCOMPARE(ws.read("Channel/keep.ch26"), QByteArray("old"));
        d.reject();

        // The program's own dialog: a dotted name gets the suffix before the question too.
        ws.write("Channel/keep.v2.ch26", "old too");
        const auto own = makeSaveDialog(nullptr, QStringLiteral("Save a Channel Plan"), ws.library(),
                                        QStringLiteral("Plans (*.ch26)"), QStringLiteral("ch26"));
        own->open();
        own->selectFile(QStringLiteral("keep.v2"));
        question.clear();
        waited.restart();
        watch.start(10);
        static_cast<QDialog &>(*own).accept();
        watch.stop();
        QVERIFY2(question.contains(QStringLiteral("keep.v2.ch26")), qPrintable(question));
        QCOMPARE(ws.read("Channel/keep.v2.ch26"), QByteArray("old too"));
        own->reject();
    }

    void closeKeepsTheWindowWhenTheSaveFails()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        TChannelPlan e;
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        click(e, 1, 1);
        // New plan, Yes, then the save dialog is cancelled: nothing is lost.
        prompter.expectMessage(QMessageBox::Yes);
        prompter.expectSaveFile(QString());
        e.close();
        QVERIFY(e.isVisible());
        // Yes, and the chosen file cannot be written.
        prompter.expectMessage(QMessageBox::Yes);
        prompter.expectSaveFile(ws.path("nofolder/x.ch26"));
        prompter.expectMessage();
        e.close();
        QVERIFY(e.isVisible());
        QVERIFY(e.isDirty());
        QCOMPARE(prompter.messageTexts().last(), QStringLiteral("Error : Unable To Open File: -65"));
        prompter.expectMessage(QMessageBox::No);
        e.close();
        QVERIFY(!e.isVisible());
        QVERIFY(!prompter.unexpected);
    }

    void unreadableFilesAreRefused()
    {
        TestWorkspace ws;
        ScriptedPrompter prompter;
        ws.write("Channel/bad.ch26", "CHANNEL8(AB,,,,141,1)\r\n[CHANNELS_OFFSET]\r\n");
        TChannelPlan e;
        prompter.expectMessage();
        QVERIFY(!e.loadPlan(ws.path("Channel/bad.ch26")));
        QCOMPARE(prompter.messageTexts(), QStringList{"Incorrect Format File: -153"});
        QCOMPARE(e.channelCount(), 1);
        QCOMPARE(ws.read("Channel/bad.ch26"), QByteArray("CHANNEL8(AB,,,,141,1)\r\n[CHANNELS_OFFSET]\r\n"));
    }

    void screenshotOfAMixedPlan()
    {
        TestWorkspace ws;
        TChannelPlan e;
        QVERIFY(e.loadPlan(writePlan(ws, "mixed.ch26", 20)));
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        click(e, 3, 3);
        const QString folder = qEnvironmentVariable("KV_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("KV_SCREENSHOTS not set");
        QDir().mkpath(folder);
        QVERIFY(e.grab().save(folder + "/channel_plan_editor.png"));
    }
};

QTEST_MAIN(TestPlanEditor)
#include "tst_planeditor.moc"
