// The main window on the real widgets, offscreen.

#include "ScriptedPrompter.h"
#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "app/windows/MainResum.h"
#include "app/windows/SobreTQ025.h"
#include "link/ErrorCodes.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

// The commands refreshCommands() decides on, by name, and whether each is enabled.
QMap<QString, bool> commandStates(TMainResum &w)
{
    return {
        {"ReceiveLogger1", w.ReceiveLogger1->isEnabled()},
        {"OpenLoggerFile1", w.OpenLoggerFile1->menuAction()->isEnabled()},
        {"BotoLoggers", w.BotoLoggers->isEnabled()},
        {"Datalogger1", w.Datalogger1->menuAction()->isEnabled()},
        {"AddChannelFile1", w.AddChannelFile1->isEnabled()},
        {"ChannelPlan1", w.ChannelPlan1->isEnabled()},
        {"BotoChannelPlan", w.BotoChannelPlan->isEnabled()},
        {"BotoUpdate", w.BotoUpdate->isEnabled()},
        {"UpgradeCablemodem1", w.UpgradeCablemodem1->isEnabled()},
        {"Config1", w.Config1->menuAction()->isEnabled()},
    };
}

QMap<QString, bool> expectEnabled(const QStringList &enabled)
{
    QMap<QString, bool> m;
    for (const char *n : {"ReceiveLogger1", "OpenLoggerFile1", "BotoLoggers", "Datalogger1", "AddChannelFile1",
                          "ChannelPlan1", "BotoChannelPlan", "BotoUpdate", "UpgradeCablemodem1", "Config1"})
        m[QLatin1String(n)] = enabled.contains(QLatin1String(n));
    return m;
}

void alwaysEnabled(TMainResum &w)
{
    QVERIFY(w.Add1->isEnabled());
    QVERIFY(w.UpGradeFiles1->menuAction()->isEnabled());
    QVERIFY(w.About1->isEnabled());
    QVERIFY(w.Model1->menuAction()->isEnabled());
    QVERIFY(w.GeneralSettings1->isEnabled());
    QVERIFY(w.Exit3->isEnabled());
    QVERIFY(w.BotoAutoID->isEnabled());
}

void saveShot(QWidget &w, const QString &name)
{
    QVERIFY(saveScreenshot(&w, name));
}

}   // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandsByModel_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("enabled");
        QTest::newRow("no model") << QString()
                                  << QStringList{"Datalogger1", "Config1", "AddChannelFile1", "ChannelPlan1",
                                                 "OpenLoggerFile1"};
        QTest::newRow("type code 0") << "KV-24" << QStringList{"AddChannelFile1", "ChannelPlan1", "BotoChannelPlan",
                                                               "Config1",         "BotoUpdate",   "UpgradeCablemodem1"};
        QTest::newRow("no firmware type")
            << "KV-23" << QStringList{"ReceiveLogger1",  "OpenLoggerFile1", "BotoLoggers",     "Datalogger1",
                                      "AddChannelFile1", "ChannelPlan1",    "BotoChannelPlan", "Config1"};
        QTest::newRow("everything") << "KV-27C" << QStringList{"ReceiveLogger1",    "OpenLoggerFile1", "BotoLoggers",
                                                               "Datalogger1",       "AddChannelFile1", "ChannelPlan1",
                                                               "BotoChannelPlan",   "Config1",         "BotoUpdate",
                                                               "UpgradeCablemodem1"};
    }
    void commandsByModel()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, enabled);
        TestWorkspace ws;
        TMainResum w;
        QCOMPARE(mainWindowView(), static_cast<MainWindowView *>(&w));
        if (!model.isEmpty()) {
            const int i = catalogueIndexOf(model);
            QVERIFY(i >= 0);
            chooseModel(i, true);
            w.refreshCommands();
        }
        QCOMPARE(commandStates(w), expectEnabled(enabled));
        alwaysEnabled(w);
        // A language switch changes captions only.
        w.setLanguage(3);
        QCOMPARE(commandStates(w), expectEnabled(enabled));
        w.setLanguage(0);
        QCOMPARE(commandStates(w), expectEnabled(enabled));
    }

    void backToNoModel()
    {
        TestWorkspace ws;
        TMainResum w;
        chooseModel(catalogueIndexOf("KV-24"), false);
        w.refreshCommands();
        QVERIFY(!w.Datalogger1->menuAction()->isEnabled());
        app().currentModelIndex = kNoModel;
        w.refreshCommands();
        QCOMPARE(commandStates(w),
                 expectEnabled({"Datalogger1", "Config1", "AddChannelFile1", "ChannelPlan1", "OpenLoggerFile1"}));
    }

    void languagesAndScreenshots()
    {
        TestWorkspace ws;
        TMainResum w;
        w.showNormal();
        w.resize(1078, 571);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QLabel *flags[] = {w.Image2, w.Image3, w.Image4, w.Image5};
        const char *names[] = {"english", "spanish", "german", "catalan"};
        for (int l = 0; l < 4; ++l) {
            w.setLanguage(l);
            QCOMPARE(app().CurrentLanguage, l);
            for (int f = 0; f < 4; ++f)
                QCOMPARE(flags[f]->isVisible(), f == l);
            QCOMPARE(w.Config1->title(), StringTable::text(0, l));
            QCOMPARE(w.AddChannelFile1->text(), StringTable::text(8, l));
            QCOMPARE(w.BotoAutoID->toolTip(), StringTable::text(204, l));
            QCOMPARE(w.UpgradeCablemodem1->text(), StringTable::text(2, l));
            // Fixed captions.
            QCOMPARE(w.Model1->title(), QStringLiteral("General"));
            QCOMPARE(w.Espaol1->text(), QStringLiteral("Espa\u00f1ol"));
            saveShot(w, QStringLiteral("mainwindow-%1").arg(QLatin1String(names[l])));
        }
        w.Deustch1->trigger();
        QCOMPARE(w.Config1->title(), QStringLiteral("Konfiguration"));
        QCOMPARE(w.GeneralSettings1->text(), QStringLiteral("Allgemeine Einstellungen"));
        w.English1->trigger();
        QCOMPARE(w.Config1->title(), QStringLiteral("Config"));
        QCOMPARE(w.BotoChannelPlan->toolTip(), QStringLiteral("Channel Plan"));
    }

    // Qt's own texts (message box buttons, file dialogs) follow the language.
    void toolkitTextsFollowTheLanguage()
    {
        TestWorkspace ws;
        TMainResum w;
        const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
        const auto saveAs = [] { return QCoreApplication::translate("QFileDialog", "Save As"); };
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
        w.Espaol1->trigger();
        QCOMPARE(cancel(), QStringLiteral("Cancelar"));
        w.Deustch1->trigger();
        QCOMPARE(cancel(), QStringLiteral("Abbrechen"));
        QCOMPARE(saveAs(), QStringLiteral("Speichern unter"));
        w.Catal1->trigger();
        QCOMPARE(cancel(), QStringLiteral("Cancel\u00b7la"));
        w.English1->trigger();
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
    }

    void emptyCatalogueReportsAtStart()
    {
        TestWorkspace ws(false);
        ScriptedPrompter p;
        p.expectMessage();
        TMainResum w;
        QCOMPARE(p.pending(), 0);
        QVERIFY(!p.unexpected);
        QCOMPARE(p.messageTexts(), QStringList{ErrorCodeText(Err::NoModelsFound)});
        QVERIFY(p.messageTexts().first().contains(QStringLiteral("No Models Found")));
        QCOMPARE(p.asked.front().caption, QStringLiteral("Warning"));
        QCOMPARE(app().catalogueCount, 0);
        QVERIFY(!w.BotoChannelPlan->isEnabled());
        QVERIFY(!w.BotoLoggers->isEnabled());
        QVERIFY(!w.BotoUpdate->isEnabled());
        QVERIFY(w.Config1->menuAction()->isEnabled());
        QVERIFY(w.Datalogger1->menuAction()->isEnabled());
    }

    void startReadsSettings()
    {
        TestWorkspace ws;
        ws.write("st.stg", "PORT=COM3\r\nLIBRARY=" + ws.path("Lib").toLatin1() + "\r\n[END]\r\n");
        ScriptedPrompter p;
        TMainResum w;
        QVERIFY(!p.unexpected);
        QCOMPARE(app().PortName, QStringLiteral("COM3"));
        QCOMPARE(app().libraryFolder, ws.path("Lib"));
        QCOMPARE(app().programFolder, ws.root());
        QCOMPARE(app().currentModelIndex, kNoModel);
        QCOMPARE(w.NomModel->text(), QStringLiteral("Model:"));
        QCOMPARE(w.viewCOM->text(), QStringLiteral("COM ?"));
        w.setModelLabel("KV-26");
        w.setPortLabel("COM5", Qt::black);
        QCOMPARE(w.NomModel->text(), QStringLiteral("KV-26"));
        QCOMPARE(w.viewCOM->text(), QStringLiteral("COM5"));
    }

    void addChannelFile()
    {
        TestWorkspace ws;
        TMainResum w;
        ScriptedPrompter p;
        ws.write("Channel/europe.ch26", "original\r\n");
        const QString elsewhere = ws.write("import/europe.ch26", "replacement\r\n");
        p.expectOpenFile(elsewhere);
        p.expectMessage();
        w.AddChannelFile1->trigger();
        QCOMPARE(p.asked.front().caption, StringTable::text(27 /* "Add Channel File" */));
        QCOMPARE(p.asked.front().text, ws.root());
        QCOMPARE(p.messageTexts(), QStringList{ErrorCodeText(Err::FileAlreadyExists)});
        QCOMPARE(ws.read("Channel/europe.ch26"), QByteArray("original\r\n"));

        // A new name is copied in, byte for byte.
        const QString fresh = ws.write("import/alps.ch26", "CHANNEL8(ALPS,,,,1,1)\r\nline\xe9\r\n");
        p.expectOpenFile(fresh);
        w.AddChannelFile1Click();
        QCOMPARE(ws.read("Channel/alps.ch26"), QByteArray("CHANNEL8(ALPS,,,,1,1)\r\nline\xe9\r\n"));

        // Cancelled dialog: nothing at all.
        p.expectOpenFile(QString());
        w.AddChannelFile1Click();
        QCOMPARE(p.pending(), 0);
        QVERIFY(!p.unexpected);
    }

    void addFileThatCannotBeCopiedIsReported()
    {
        TestWorkspace ws;
        TMainResum w;
        ScriptedPrompter p;
        app().firmwareFolder = ws.path("NoSuchFolder");
        p.expectOpenFile(ws.write("fw.hx27", "S0030000FC\r\n"));
        p.expectMessage();
        w.Add1->trigger();
        QCOMPARE(p.asked.front().caption, StringTable::text(12 /* "Add UpGrade File" */));
        QCOMPARE(p.messageTexts(), QStringList{ErrorCodeText(Err::UnableToOpenFile)});
        QVERIFY(!QFile::exists(ws.path("NoSuchFolder/fw.hx27")));
        QVERIFY(!p.unexpected);
    }

    void logoStaysAboveCentre_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("design") << QSize(1078, 571);
        QTest::newRow("small") << QSize(640, 480);
        QTest::newRow("odd") << QSize(1001, 777);
    }
    void logoStaysAboveCentre()
    {
        QFETCH(QSize, size);
        TestWorkspace ws;
        TMainResum w;
        w.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(size);
        QTRY_COMPARE(w.size(), size);
        const QSize outer = w.frameGeometry().size();
        const QSize logo = w.Image1->size();
        QCOMPARE(logo, QSize(432, 72));
        QCOMPARE(w.Image1->x(), outer.width() / 2 - logo.width() / 2);
        QCOMPARE(w.Image1->y(), outer.height() / 2 - logo.height() / 2 - 50);
        // The toolbar strip spans the whole width.
        QCOMPARE(w.Panel1->width(), w.centralWidget()->width());
        QCOMPARE(w.Panel1->height(), 57);
    }

    void aboutBox()
    {
        TestWorkspace ws;
        StringTable::setLanguage(1);
        TSobreTQ025 about;
        about.show();
        QCOMPARE(about.windowTitle(), StringTable::text(3, 1) + QStringLiteral(" Kelvatrone"));
        QCOMPARE(about.Version->text(), StringTable::text(157, 1) + QStringLiteral(" v1.15"));
        QCOMPARE(about.ProductName->text(), QStringLiteral("Kelvatrone"));
        QCOMPARE(about.OKButton->text(), StringTable::text(18, 1));
        saveShot(about, QStringLiteral("about"));
        QTest::mouseClick(about.OKButton, Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
