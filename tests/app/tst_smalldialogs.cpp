// The printer font size dialog and the warning before channel plans are sent.

#include "ScriptedPrompter.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "datalogger/windows/Alertchannelplan.h"
#include "datalogger/windows/Tamanyfont.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TestSmallDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void arrows_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("ups");
        QTest::addColumn<int>("downs");
        QTest::addColumn<int>("result");
        QTest::newRow("up twice from 6") << 6 << 2 << 0 << 8;
        QTest::newRow("12 stays 12") << 12 << 1 << 0 << 12;
        QTest::newRow("6 stays 6") << 6 << 0 << 1 << 6;
        QTest::newRow("to the top, no wrap") << 10 << 5 << 0 << 12;
        QTest::newRow("down from 9") << 9 << 0 << 2 << 7;
    }
    void arrows()
    {
        QFETCH(int, start);
        QFETCH(int, ups);
        QFETCH(int, downs);
        TestWorkspace ws;
        app().PrintFontSize = start;
        TFontSize d;
        d.show();
        QCOMPARE(d.TamanyFont->text(), QString::number(start));
        for (int i = 0; i < ups; ++i)
            QTest::mouseClick(d.UpDown1->Up, Qt::LeftButton);
        for (int i = 0; i < downs; ++i)
            QTest::mouseClick(d.UpDown1->Down, Qt::LeftButton);
        QTest::mouseClick(d.Button1, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QTEST(app().PrintFontSize, "result");
    }

    void typedSizes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("result");
        QTest::newRow("outside the arrows' range") << "20" << true << 20;
        QTest::newRow("small") << "3" << true << 3;
        QTest::newRow("blanks around") << " 9 " << true << 9;
        QTest::newRow("not a number") << "abc" << false << 6;
        QTest::newRow("empty") << "" << false << 6;
        QTest::newRow("zero") << "0" << false << 6;
        QTest::newRow("negative") << "-4" << false << 6;
    }
    void typedSizes()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        TestWorkspace ws;
        ScriptedPrompter p;
        if (!accepted)
            p.expectMessage();
        TFontSize d;
        d.show();
        d.TamanyFont->setText(typed);
        d.Button1Click();
        QCOMPARE(d.result() == QDialog::Accepted, accepted);
        QCOMPARE(d.isVisible(), !accepted);
        QTEST(app().PrintFontSize, "result");
        QCOMPARE(p.pending(), 0);
        QVERIFY(!p.unexpected);
        // The message says which text was refused, and nothing else is asked.
        if (!accepted)
            QCOMPARE(p.messageTexts(), QStringList{QStringLiteral("'%1' is not a valid font size").arg(typed)});
        else
            QVERIFY(p.asked.empty());
    }

    void arrowsStartFromTypedNumber()
    {
        TestWorkspace ws;
        TFontSize d;
        d.TamanyFont->setText("10");
        d.UpDown1->stepUp();
        QCOMPARE(d.TamanyFont->text(), QStringLiteral("11"));
        d.TamanyFont->setText("30");
        d.UpDown1->stepDown();
        QCOMPARE(d.TamanyFont->text(), QStringLiteral("11"));
    }

    void channelPlanAlert()
    {
        TestWorkspace ws;
        TChannelPlanAlert a;
        a.show();
        QCOMPARE(a.windowTitle(), QStringLiteral("Warning !!!"));
        QCOMPARE(a.Label1->text(), QStringLiteral("Warning !!!"));
        QCOMPARE(a.Label3->text(), QStringLiteral("Changing Channel Plan in your unit will\nerase all contents stored "
                                                  "in Datalogger.\nUnit will restart at initial Configuration"));
        QCOMPARE(a.Button1->text(), QStringLiteral("Ok"));
        QCOMPARE(a.Button2->text(), QStringLiteral("Cancel"));
        const QString dir = qEnvironmentVariable("KV_SCREENSHOTS");
        if (!dir.isEmpty())
            a.grab().save(dir + "/channelplan-alert.png");
        QTest::mouseClick(a.Button2, Qt::LeftButton);
        QCOMPARE(a.result(), int(QDialog::Rejected));

        TChannelPlanAlert b;
        StringTable::setLanguage(3);
        b.show();
        QCOMPARE(b.Label3->text(), StringTable::text(159, 3));
        QTest::mouseClick(b.Button1, Qt::LeftButton);
        QCOMPARE(b.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestSmallDialogs)
#include "tst_smalldialogs.moc"
