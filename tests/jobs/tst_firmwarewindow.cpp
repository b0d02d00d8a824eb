// The firmware list window: its list, its refresh before an upgrade, and whole upgrades
// through the transfer window against the simulated meter.

#include "ScriptedPrompter.h"
#include "SimulatedMeter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "app/windows/MainWindowView.h"
#include "app/windows/WindowEntry.h"
#include "jobs/FirmwareJob.h"
#include "jobs/windows/Finestratransmisio.h"
#include "jobs/windows/Llistatfirmware.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

class FakeMainWindow : public MainWindowView {
public:
    QWidget *widget() override { return &w; }
    void setModelLabel(const QString &text) override { label = text; }
    void setPortLabel(const QString &, const QColor &) override {}
    void refreshCommands() override { ++refreshed; }
    QWidget w;
    QString label;
    int refreshed = 0;
};

QByteArray firmwareFile(int lines)
{
    QByteArray out = "S00600004844521B\r\n";
    for (int i = 0; i < lines; ++i)
        out += "S1130000" + QByteArray::number(0x1000 + i, 16).toUpper() + "0102030405060708090A0B0C0D0E0F10\r\n";
    return out + "S9030000FC\r\n";
}

QStringList items(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Calls f with the transfer window every few milliseconds while it is on the screen.
class TransferWatch {
public:
    explicit TransferWatch(std::function<void(TTransmit *)> f)
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [f] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *t = qobject_cast<TTransmit *>(top); t && t->isVisible())
                    f(t);
        });
        timer.start();
    }

private:
    QTimer timer;
};

}   // namespace

class FirmwareWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void fillsListOfModelType();
    void noFilesReported();
    void emptyOnRefreshStartsNoJob();
    void upgradeThroughWindow();
    void failedUpgradeNamesStep();
    void cancelWhileSendingLines();
    void doubleClickWithModelChosenByHand();
    void stepNamedInTheCurrentLanguage();
    void portThatCannotOpenShowsOnlyWhy();

private:
    bool setUpMeter(const QStringList &args);
    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<SimulatedMeter> meter;
};

void FirmwareWindowTest::init()
{
    ws = std::make_unique<TestWorkspace>();
    QVERIFY(loadCatalogue(ws->path(QStringLiteral("models.txt"))) > 0);
    chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), false);
    FirmwareTiming &t = firmwareTiming();
    t = FirmwareTiming{};
    t.restartWaitMs = 10;
    t.checkWaitMs = 10;
    takeLastFirmwareRun();
}

void FirmwareWindowTest::cleanup()
{
    setMainWindowView(nullptr);
    meter.reset();
    ws.reset();
}

// Shows the firmware list with its transfers starting at once.
bool showList(TUpGradeFiles &w)
{
    w.setTransmitStartDelay(0);
    w.show();
    return QTest::qWaitForWindowExposed(&w);
}

bool FirmwareWindowTest::setUpMeter(const QStringList &args)
{
    meter = std::make_unique<SimulatedMeter>(args);
    return startMeterOnPort(*meter);
}

void FirmwareWindowTest::fillsListOfModelType()
{
    ws->write(QStringLiteral("Version/b.hx27"), "S0");
    ws->write(QStringLiteral("Version/a.hx27"), "S0");
    ws->write(QStringLiteral("Version/C.HX27"), "S0");
    ws->write(QStringLiteral("Version/x.hx26"), "S0");
    ws->write(QStringLiteral("Version/notes.txt"), "S0");
    QDir(ws->firmware()).mkdir(QStringLiteral("old.hx27"));

    TUpGradeFiles w;
    QVERIFY(w.FillFirmwareList(app().CurrentModel));
    QCOMPARE(items(w.LlistatVersions),
             (QStringList{QStringLiteral("VERSION KV-27 : a.hx27"), QStringLiteral("VERSION KV-27 : b.hx27"),
                          QStringLiteral("VERSION KV-27 : C.HX27")}));
    QCOMPARE(items(w.LlistatFitxers),
             (QStringList{QStringLiteral("a.hx27"), QStringLiteral("b.hx27"), QStringLiteral("C.HX27")}));
    QCOMPARE(w.LlistatVersions->currentRow(), 2);
    QCOMPARE(w.selectedPath(), ws->firmware() + QStringLiteral("/C.HX27"));
    w.LlistatVersions->setCurrentRow(0);
    QCOMPARE(w.selectedPath(), ws->firmware() + QStringLiteral("/a.hx27"));

    // Another model's type; then a model that takes no upgrade at all.
    QVERIFY(w.FillFirmwareList(app().catalogue[size_t(catalogueIndexOf(QStringLiteral("KV-26")))]));
    QCOMPARE(items(w.LlistatVersions), QStringList{QStringLiteral("VERSION KV-26 : x.hx26")});
    QVERIFY(!w.FillFirmwareList(app().catalogue[size_t(catalogueIndexOf(QStringLiteral("KV-23")))]));
    QCOMPARE(w.LlistatVersions->count(), 0);
    QCOMPARE(w.LlistatFitxers->count(), 0);
    QVERIFY(w.selectedPath().isEmpty());

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.LlistatFitxers->isHidden());
    QCOMPARE(w.windowTitle(), QStringLiteral("Firmware Upgrade Files"));
    QCOMPARE(w.Note->text(), QStringLiteral("Status : Ready"));
    QCOMPARE(w.LlistatVersions->count(), 3);
    saveScreenshot(&w, QStringLiteral("firmware-list.png"));
}

void FirmwareWindowTest::noFilesReported()
{
    ws->write(QStringLiteral("Version/x.hx26"), "S0");
    {
        ScriptedPrompter p;
        p.expectMessage();
        openFirmwareList(nullptr);
        QCOMPARE(p.messageTexts(), QStringList{QStringLiteral("Error : No Upgrade Files: -99")});
        QVERIFY(!p.unexpected);
    }
    {
        ScriptedPrompter p;
        p.expectMessage();
        TUpGradeFiles w;
        w.show();
        QTRY_COMPARE(p.messageTexts().size(), 1);
        QCOMPARE(p.messageTexts().first(), QStringLiteral("Error : No Upgrade Files: -99"));
        QVERIFY(!w.Enviar->isEnabled());
        QVERIFY(!w.LlistatVersions->isEnabled());
        QVERIFY(!p.unexpected);
    }
}

void FirmwareWindowTest::emptyOnRefreshStartsNoJob()
{
    const QString path = ws->write(QStringLiteral("Version/fw.hx27"), firmwareFile(3));
    ScriptedPrompter p;
    TUpGradeFiles w;
    QVERIFY(showList(w));
    QCOMPARE(w.LlistatVersions->count(), 1);

    QVERIFY(QFile::remove(path));
    p.expectMessage();
    w.EnviarClick();
    QCOMPARE(p.messageTexts(), QStringList{QStringLiteral("Error : No Upgrade Files: -99")});
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QVERIFY(!w.isVisible());
    QVERIFY(!takeLastFirmwareRun().ran);   // the job never started
    QVERIFY(!p.unexpected);
}

void FirmwareWindowTest::upgradeThroughWindow()
{
    // Each line takes the meter a few milliseconds: long enough to see the window at work.
    QVERIFY(setUpMeter({QStringLiteral("--fault"), QStringLiteral("delay:4:*SX")}));
    ws->write(QStringLiteral("Version/a.hx27"), "S0\r\n");
    ws->write(QStringLiteral("Version/b.hx27"), firmwareFile(60));
    ScriptedPrompter p;
    TUpGradeFiles w;
    QVERIFY(showList(w));
    QCOMPARE(w.selectedPath(), ws->firmware() + QStringLiteral("/b.hx27"));

    bool shot = false;
    QString statusWhileSending;
    {
        TransferWatch watch([&](TTransmit *t) {
            if (!shot && t->BarraProgres->value() >= 10) {
                statusWhileSending = t->File->text();
                saveScreenshot(t, QStringLiteral("firmware-transfer.png"));
                shot = true;
            }
        });
        w.EnviarClick();
    }

    QVERIFY(shot);
    QCOMPARE(statusWhileSending, QStringLiteral("Loading Main Program..."));
    const QStringList t = meter->transcript();
    QCOMPARE(t.size(), 1 + 6 + 62 + 1);
    QCOMPARE(t.first(), QStringLiteral("*RS2"));
    QCOMPARE(t.last(), QStringLiteral("*RS0"));
    QVERIFY(p.asked.empty());   // success with an identified model: nothing to say
    QCOMPARE(w.Note->text(), QStringLiteral("Status : Ready"));
    QVERIFY(w.Enviar->isEnabled());
    QVERIFY(w.isVisible());   // the user may upgrade again
    QCOMPARE(w.selectedPath(), ws->firmware() + QStringLiteral("/b.hx27"));
}

void FirmwareWindowTest::failedUpgradeNamesStep()
{
    QVERIFY(setUpMeter({QStringLiteral("--fault"), QStringLiteral("nak:*FE4")}));
    ws->write(QStringLiteral("Version/fw.hx27"), firmwareFile(3));
    ScriptedPrompter p;
    p.expectMessage();
    TUpGradeFiles w;
    QVERIFY(showList(w));
    w.EnviarClick();
    QCOMPARE(p.messageTexts(),
             QStringList{QStringLiteral("Communication Error: -96\nStopped at: erase of sector 4 (*FE4)")});
    QCOMPARE(w.Note->text(), QStringLiteral("Status : Ready"));
    QVERIFY(meter->transcript().filter(QStringLiteral("*SX")).isEmpty());
    QVERIFY(w.Enviar->isEnabled());
    saveScreenshot(&w, QStringLiteral("firmware-list-failed.png"));
    QVERIFY(!p.unexpected);
}

void FirmwareWindowTest::cancelWhileSendingLines()
{
    QVERIFY(setUpMeter({QStringLiteral("--fault"), QStringLiteral("delay:5:*SX")}));
    ws->write(QStringLiteral("Version/fw.hx27"), firmwareFile(60));
    ScriptedPrompter p;
    p.expectMessage();
    TUpGradeFiles w;
    QVERIFY(showList(w));

    bool clicked = false;
    {
        TransferWatch watch([&](TTransmit *t) {
            if (!clicked && t->BarraProgres->value() >= 5) {
                clicked = true;
                t->Sortida->click();
            }
        });
        w.EnviarClick();
    }

    QVERIFY(clicked);
    const QStringList t = meter->transcript();
    QVERIFY(!t.contains(QStringLiteral("*RS0")));
    const qsizetype sent = t.filter(QStringLiteral("*SX")).size();
    QVERIFY2(sent >= 5 && sent < 62, qPrintable(QString::number(sent)));
    QCOMPARE(p.messageTexts(),
             QStringList{QStringLiteral("User Break: -98\nStopped at: before line %1 of 62").arg(sent + 1)});
    QCOMPARE(w.Note->text(), QStringLiteral("Status : Ready"));
    QVERIFY(!p.unexpected);
}

void FirmwareWindowTest::doubleClickWithModelChosenByHand()
{
    QVERIFY(setUpMeter(
        {QStringLiteral("--boot"), QStringLiteral("--after-upgrade-identity"), QStringLiteral("*VEKV-26 v2.00")}));
    chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
    FakeMainWindow main;
    setMainWindowView(&main);
    ws->write(QStringLiteral("Version/fw.hx27"), firmwareFile(3));

    ScriptedPrompter p;
    p.expectMessage();
    TUpGradeFiles w;
    QVERIFY(showList(w));
    emit w.LlistatVersions->itemDoubleClicked(w.LlistatVersions->item(0));

    QCOMPARE(p.messageTexts(), QStringList{QStringLiteral("Model identified: KV-26 Update to correct firmware")});
    QCOMPARE(main.label, QStringLiteral("KV-26"));
    QCOMPARE(main.refreshed, 1);
    QCOMPARE(app().currentModelIndex, catalogueIndexOf(QStringLiteral("KV-26")));
    QCOMPARE(meter->transcript().last(), QStringLiteral("*?VE"));
    QCOMPARE(w.Note->text(), QStringLiteral("Status : Ready"));
    QVERIFY(!p.unexpected);
}

void FirmwareWindowTest::stepNamedInTheCurrentLanguage()
{
    QVERIFY(setUpMeter({QStringLiteral("--fault"), QStringLiteral("nak:*FE2:2-")}));
    ws->write(QStringLiteral("Version/fw.hx27"), firmwareFile(3));
    StringTable::setLanguage(2);
    ScriptedPrompter p;
    p.expectMessage();
    TUpGradeFiles w;
    QVERIFY(showList(w));
    w.EnviarClick();
    QCOMPARE(p.messageTexts().size(), 1);
    QVERIFY2(p.messageTexts().first().endsWith(
                 QStringLiteral("\nAbgebrochen bei: zweites L\u00f6schen von Sektor 2 (*FE2)")),
             qPrintable(p.messageTexts().first()));
    QCOMPARE(w.Note->text(), StringTable::text(84, 2) + QStringLiteral(" : ") + StringTable::text(39, 2));
    StringTable::setLanguage(0);
    QVERIFY(!p.unexpected);
}

// A port that cannot be opened (54) shows nothing, as the transfer window's port failure never
// does; the list is ready again.
// The error table has no message for a port that did not open; the one thing shown is why it
// did not, and the list is ready again.
void FirmwareWindowTest::portThatCannotOpenShowsOnlyWhy()
{
    ws->write(QStringLiteral("Version/fw.hx27"), firmwareFile(3));
    app().PortName = ws->path(QStringLiteral("no-such-tty"));
    ScriptedPrompter p;
    p.expectMessage();
    TUpGradeFiles w;
    QVERIFY(showList(w));
    w.EnviarClick();
    QCOMPARE(int(p.asked.size()), 1);
    QCOMPARE(p.asked[0].caption, QStringLiteral("Warning"));
    QVERIFY2(p.asked[0].text.contains(QStringLiteral("No such port: ")), qPrintable(p.asked[0].text));
    QVERIFY(!p.asked[0].text.contains(QStringLiteral("Stopped at")));
    QCOMPARE(w.Note->text(), QStringLiteral("Status : Ready"));
    QVERIFY(w.Enviar->isEnabled());
}

QTEST_MAIN(FirmwareWindowTest)
#include "tst_firmwarewindow.moc"
