#include "app/AppState.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"
#include <QTest>
#include <climits>

class TestErrorCodes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        resetAppState();
        StringTable::fillStringTable();
    }

    void englishMessages_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("-96 comm") << -96 << "Communication Error: -96";
        QTest::newRow("-1 comm") << -1 << "Communication Error: -1";
        QTest::newRow("-91 end update") << -91 << "End Update Process: -91";
        QTest::newRow("-16 form E") << -16 << "Error : No Channel Plan: -16";
        QTest::newRow("-38 no number") << -38 << "Error : Incorrect Channel Plan Name ";
        QTest::newRow("-54 unlisted") << -54 << "Internal Error: -54";
        QTest::newRow("-2 unlisted") << -2 << "Internal Error: -2";
        QTest::newRow("-14 script") << -14 << "Internal Error: -14";
        QTest::newRow("-101 shared row") << -101 << "Error : Device State Not Saved: -101";
        QTest::newRow("-92 shared row") << -92 << "Error : Device State Not Saved: -92";
        QTest::newRow("-251 form P") << -251 << "File Already Exists: -251";
        QTest::newRow("-253 form E") << -253 << "Error : File not found: -253";
        QTest::newRow("-300 unlisted") << -300 << "Internal Error: -300";
        QTest::newRow("-257 archive") << -257 << "Error : Unable to use the archive: -257";
        QTest::newRow("min int") << INT_MIN << "Internal Error: -2147483648";
        QTest::newRow("0") << 0 << "";
        QTest::newRow("54 port failure") << 54 << "";
        QTest::newRow("max int") << INT_MAX << "";
    }
    void englishMessages()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        QCOMPARE(ErrorCodeText(code), message);
    }

    void stopIconOnlyForEndOfUpdate_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("stop");
        QTest::newRow("-91") << -91 << true;
        QTest::newRow("-96") << -96 << false;
        QTest::newRow("-97") << -97 << false;
        QTest::newRow("91") << 91 << false;
        QTest::newRow("-54") << -54 << false;
    }
    void stopIconOnlyForEndOfUpdate()
    {
        QFETCH(int, code);
        QFETCH(bool, stop);
        QCOMPARE(errorCodeUsesStopIcon(code), stop);
    }

    // Another language swaps the words but keeps separators and number.
    void languageChangesWordsNotLayout_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("Spanish") << 1;
        QTest::newRow("German") << 2;
        QTest::newRow("Catalan") << 3;
    }
    void languageChangesWordsNotLayout()
    {
        QFETCH(int, language);
        const QString englishE = ErrorCodeText(-16);
        const QString englishP = ErrorCodeText(-96);
        StringTable::setLanguage(language);
        auto row = [](int r) { return StringTable::text(r); };
        QCOMPARE(ErrorCodeText(-16), row(186) + " : " + row(55) + ": -16");
        QCOMPARE(ErrorCodeText(-96), row(41) + ": -96");
        QCOMPARE(ErrorCodeText(-38), row(186) + " : " + row(169) + " ");
        QCOMPARE(ErrorCodeText(-54), row(66) + ": -54");
        QVERIFY(ErrorCodeText(54).isEmpty());
        QVERIFY(ErrorCodeText(-16) != englishE);
        QVERIFY(ErrorCodeText(-96) != englishP);
    }
    void germanExample()
    {
        StringTable::setLanguage(2);
        QVERIFY(ErrorCodeText(-16).startsWith(QStringLiteral("Fehler : ")));
        QVERIFY(ErrorCodeText(-16).endsWith(QStringLiteral(": -16")));
    }
};

QTEST_GUILESS_MAIN(TestErrorCodes)
#include "tst_errorcodes.moc"
