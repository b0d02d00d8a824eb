// The settings window and its folder chooser.

#include "ScriptedPrompter.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/windows/SelectionFolder.h"
#include <QTreeView>
#include "app/windows/Seleccioport.h"
#include "link/ErrorCodes.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QApplication>

namespace {

// Answers the Change buttons without a window, recording where the chooser started.
struct ChooserScript {
    QString answer;   // empty: the user cancels
    QStringList starts;
    ChooserScript()
    {
        setFolderChooser([this](QWidget *, const QString &start, QString &chosen) {
            starts << start;
            chosen = answer;
            return !answer.isEmpty();
        });
    }
    ~ChooserScript() { setFolderChooser({}); }
};

}   // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void okWritesAndUpdatesGlobals()
    {
        TestWorkspace ws;
        QDir(ws.root()).mkpath("Plans/europe");
        TPortComunicacio w;
        w.show();
        QCOMPARE(w.Directory1->text(), ws.library());
        QCOMPARE(w.Directory3->text(), ws.temp());
        w.Directory1->setText(ws.path("Plans/europe/../europe"));   // taken as its clean full path
        w.Directory2->setText(ws.path("does-not-exist"));   // replaced by the folder in force
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(app().libraryFolder, ws.path("Plans/europe"));
        QCOMPARE(app().firmwareFolder, ws.firmware());
        QCOMPARE(w.Directory2->text(), ws.firmware());
        QCOMPARE(app().PortName, QStringLiteral("COM1"));
        const QByteArray file = ws.read("st.stg");
        QVERIFY(file.contains("\r\nPORT=COM1\r\n"));
        QVERIFY(file.contains("\r\nLIBRARY=" + ws.path("Plans/europe").toLatin1() + "\r\n"));
        QVERIFY(file.contains("\r\nVERSION=" + ws.firmware().toLatin1() + "\r\n"));
        QVERIFY(file.endsWith("TEMP=" + ws.temp().toLatin1() + "\r\n[END]\r\n"));
    }

    void portButtonFollowsPortName()
    {
        TestWorkspace ws;
        app().PortName = QStringLiteral("COM3");
        TPortComunicacio w;
        w.show();
        QVERIFY(w.Port3->isChecked());
        QVERIFY(!w.PortC->isVisible());
        w.Button1Click();
        QCOMPARE(app().PortName, QStringLiteral("COM3"));

        app().PortName = QStringLiteral("/dev/pts/4");
        TPortComunicacio w2;
        w2.show();
        for (QRadioButton *b : {w2.Port1, w2.Port2, w2.Port3, w2.Port4})
            QVERIFY(!b->isChecked());
        w2.Button1Click();
        QCOMPARE(app().PortName, QStringLiteral("/dev/pts/4"));
        QVERIFY(ws.read("st.stg").contains("PORT=/dev/pts/4\r\n"));
    }

    void cancelWritesNothing()
    {
        TestWorkspace ws;
        QDir(ws.root()).mkpath("Other");
        TPortComunicacio w;
        w.show();
        w.Directory1->setText(ws.path("Other"));
        QTest::mouseClick(w.Button2, Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(ws.path("st.stg")));
        QCOMPARE(app().libraryFolder, ws.library());
    }

    void failedWriteChangesNothingAndSaysSo()
    {
        TestWorkspace ws;
        QDir(ws.root()).mkpath("Other");
        app().programFolder = ws.path("gone");   // the settings file cannot be written there
        ScriptedPrompter p;
        p.expectMessage();
        TPortComunicacio w;
        w.show();
        w.Directory1->setText(ws.path("Other"));
        w.Button1Click();
        QCOMPARE(app().libraryFolder, ws.library());
        // The message names the file and the folder it could not be written in.
        QCOMPARE(p.messageTexts().size(), 1);
        QVERIFY2(
            p.messageTexts().first().startsWith(StringTable::text(186 /* "Error" */) + " : " + StringTable::text(290))
                && p.messageTexts().first().contains("st.stg in the folder " + ws.path("gone")),
            qPrintable(p.messageTexts().first()));
    }

    // A typed folder the settings file cannot hold whole is refused by name: nothing is
    // written, nothing changes, and the window stays open on it.
    void folderTooLongForTheFileIsRefused()
    {
        TestWorkspace ws;
        ws.write("st.stg", "PORT=COM3\r\n");
        const QString deep = ws.path(QString(90, QLatin1Char('d')));
        QVERIFY(QDir().mkpath(deep));
        ScriptedPrompter p;
        p.expectMessage();
        TPortComunicacio w;
        w.show();
        w.Directory3->setText(deep);
        w.Directory1->setText(ws.root());
        w.Button1Click();
        QCOMPARE(p.messageTexts().value(0), StringTable::text(206).arg(StringTable::text(24 /* "Temporary Files" */)));
        QVERIFY(w.isVisible());
        QCOMPARE(w.Directory3->text(), deep);
        QCOMPARE(app().tempFolder, ws.temp());
        QCOMPARE(app().libraryFolder, ws.library());
        QCOMPARE(ws.read("st.stg"), QByteArray("PORT=COM3\r\n"));
        QVERIFY(!p.unexpected);
    }

    // In a program folder of 72 characters or more, without "st.stg", the folders in force are
    // already too long for the file: OK with no change says so, in the current language.
    void folderInForceTooLongIsRefused()
    {
        TestWorkspace ws;
        const QString program = ws.path(QString(72 - ws.root().size() - 1, QLatin1Char('w')));
        QCOMPARE(program.size(), 72);
        QVERIFY(QDir().mkpath(program));
        QDir::setCurrent(program);
        loadSettings();
        QDir::setCurrent(ws.root());
        QCOMPARE(app().libraryFolder.size(), 80);
        StringTable::setLanguage(1);
        ScriptedPrompter p;
        p.expectMessage();
        TPortComunicacio w;
        w.show();
        w.Button1Click();
        // Both folders too long for the file are named (Channel and Version: 80 characters), not
        // only the first; Temp (77) fits.
        QCOMPARE(p.messageTexts().value(0), StringTable::text(206, 1).arg(StringTable::text(20, 1)) + "\n"
                                                + StringTable::text(206, 1).arg(StringTable::text(23, 1)));
        QVERIFY(!QFile::exists(program + "/st.stg"));
        QCOMPARE(app().libraryFolder, program + "/Channel");
        StringTable::setLanguage(0);
        QVERIFY(!p.unexpected);
    }

    // A folder outside Latin-1 no longer makes OK fail: it is kept, and comes back at the next start.
    void cyrillicFolderIsKept()
    {
        TestWorkspace ws;
        const QString folder = ws.path(QStringLiteral("\u043a\u0430\u043d\u0430\u043b\u044b"));
        QVERIFY(QDir().mkpath(folder));
        ScriptedPrompter p;
        TPortComunicacio w;
        w.show();
        w.Directory1->setText(folder);
        w.Button1Click();
        QCOMPARE(app().libraryFolder, folder);
        app().libraryFolder.clear();
        loadSettings();
        QCOMPARE(app().libraryFolder, folder);
        QCOMPARE(app().tempFolder, ws.temp());
        QVERIFY(p.asked.empty());
    }

    void changeButton()
    {
        TestWorkspace ws;
        QDir(ws.root()).mkpath("Firmware2");
        ChooserScript chooser;
        TPortComunicacio w;
        w.show();
        chooser.answer = ws.path("Firmware2");
        QTest::mouseClick(w.CanviFirmware, Qt::LeftButton);
        QCOMPARE(chooser.starts, QStringList{ws.firmware()});
        QCOMPARE(w.Directory2->text(), ws.path("Firmware2"));
        QCOMPARE(w.workFirmware, ws.path("Firmware2"));
        QCOMPARE(app().firmwareFolder, ws.firmware());   // only OK makes it the folder in force
        w.Button1Click();
        QCOMPARE(app().firmwareFolder, ws.path("Firmware2"));
    }

    void changeFromMissingFolderResetsAtOnce()
    {
        TestWorkspace ws;
        ChooserScript chooser;   // the user cancels the chooser
        TPortComunicacio w;
        w.show();
        w.Directory1->setText(ws.path("vanished"));
        w.CanviChannelPlanClick();
        QCOMPARE(chooser.starts, QStringList{ws.root()});
        QCOMPARE(w.Directory1->text(), ws.root());
        QCOMPARE(app().libraryFolder, ws.root());   // even though the window is then cancelled
        w.reject();
        QCOMPARE(app().libraryFolder, ws.root());
    }

    void captionsFollowLanguage()
    {
        TestWorkspace ws;
        StringTable::setLanguage(2);
        TPortComunicacio w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Allgemeine Einstellungen"));
        QCOMPARE(w.Button2->text(), StringTable::text(19, 2));
        QCOMPARE(w.CanviTemporal->text(), StringTable::text(22, 2));
        QCOMPARE(w.Library->title(), StringTable::text(20, 2));
        QCOMPARE(w.Label5->text(), StringTable::text(21, 2));
        QCOMPARE(w.size(), QSize(457, 355));   // 295 high before the port choice joined the folders
        StringTable::setLanguage(0);
        const QString dir = qEnvironmentVariable("KV_SCREENSHOTS");
        if (!dir.isEmpty() && QDir().mkpath(dir))
            w.grab().save(dir + "/settings-german.png");
    }

    // The chooser opens on the current folder: selected, and in view even among many
    // siblings that the tree lists only after it has opened.
    void selectionFolderShowsTheCurrentFolder()
    {
        TestWorkspace ws;
        for (int i = 0; i < 120; ++i)
            QDir(ws.root()).mkpath(QStringLiteral("many/f%1").arg(i, 3, 10, QLatin1Char('0')));
        const QString target = ws.path("many/f100");
        TSelectionFolder f;
        f.setFolder(target);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const auto inView = [&] {
            const QModelIndex current = f.Directory->currentIndex();
            return current.isValid() && f.selectedFolder() == target
                   && f.Directory->selectionModel()->isSelected(current)
                   && f.Directory->viewport()->rect().contains(f.Directory->visualRect(current));
        };
        QTRY_VERIFY_WITH_TIMEOUT(inView(), 5000);
        // Listings that come in later move the rows; the chooser brings the folder back into
        // view after each (on a loaded machine a moment may pass in between).
        QTest::qWait(300);
        QTRY_VERIFY_WITH_TIMEOUT(inView(), 2000);
        const QString dir = qEnvironmentVariable("KV_SCREENSHOTS");
        if (!dir.isEmpty() && QDir().mkpath(dir))
            f.grab().save(dir + "/selection-folder.png");
    }

    void selectionFolder()
    {
        TestWorkspace ws;
        QDir(ws.root()).mkpath("a/b");
        TSelectionFolder f;
        f.setFolder(ws.path("a/b"));
        QCOMPARE(f.selectedFolder(), ws.path("a/b"));
        QVERIFY(ws.path("a/b").startsWith(f.SeleccioDirectory->currentText()));
        f.show();
        QCOMPARE(f.windowTitle(), StringTable::text(26 /* "Selection Folder" */));
        QCOMPARE(f.Button1->text(), StringTable::text(18));
        // Choosing the drive moves the tree to it.
        f.SeleccioDirectoryChange(f.SeleccioDirectory->currentIndex());
        QCOMPARE(f.selectedFolder(), f.SeleccioDirectory->currentText());
        // The real chooser path returns the window's folder on OK.
        QString shownOn;
        QTimer::singleShot(0, [&shownOn] {
            if (auto *w = qobject_cast<TSelectionFolder *>(QApplication::activeModalWidget())) {
                shownOn = w->selectedFolder();
                w->Button1->click();
            }
        });
        QString chosen;
        QVERIFY(chooseFolderWithSelectionWindow(nullptr, ws.path("a"), chosen));
        QCOMPARE(shownOn, ws.path("a"));
        QCOMPARE(chosen, ws.path("a"));
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
