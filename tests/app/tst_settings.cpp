// The settings file "st.stg": reading, writing and the start-up defaults.

#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Settings.h"

#include <QTest>

namespace {
const QByteArray kHeader = "#=====================================\r\nKelvatrone :  CONTROL REMOT PROGRAM\r\n"
                           "#=====================================\r\n";
}

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readSetting_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("hasValue");
        QTest::addColumn<QString>("value");

        QTest::newRow("CR LF") << kHeader + "PORT=COM3\r\nLIBRARY=D:/plans\r\n[END]\r\n" << "LIBRARY" << true << true
                               << "D:/plans";
        QTest::newRow("bare LF") << QByteArray("PORT=COM3\nLIBRARY=D:/plans\n[END]\n") << "LIBRARY" << true << true
                                 << "D:/plans";
        QTest::newRow("last line without end keeps its last character")
            << QByteArray("PORT=COM3\r\nTEMP=/t/x") << "TEMP" << true << true << "/t/x";
        QTest::newRow("last line KEY= without end is empty")
            << QByteArray("PORT=COM3\r\nTEMP=") << "TEMP" << true << true << "";
        QTest::newRow("missing key before [END] counts as found without value")
            << kHeader + "PORT=COM2\r\n[END]\r\n" << "VERSION" << true << false << "";
        QTest::newRow("key after [END] is still read")
            << QByteArray("[END]\r\nPORT=COM4\r\n") << "PORT" << true << true << "COM4";
        QTest::newRow("no [END], missing key") << QByteArray("PORT=COM2\r\n") << "TEMP" << false << false << "";
        QTest::newRow("value with '=' keeps the rest")
            << QByteArray("PORT=/dev/pts/3\r\nLIBRARY=/a=b\r\n") << "LIBRARY" << true << true << "/a=b";
        QTest::newRow("80 characters read as 79")
            << QByteArray("VERSION=") + QByteArray(80, 'v') + "\r\n" << "VERSION" << true << true
            << QString(79, QLatin1Char('v'));
        QTest::newRow("overlong line does not overflow")
            << QByteArray("TEMP=") + QByteArray(5000, 't') + "\r\n" << "TEMP" << true << true
            << QString(79, QLatin1Char('t'));
        QTest::newRow("Latin-1 value") << QByteArray("LIBRARY=/canals/pla\xe7\r\n") << "LIBRARY" << true << true
                                       << QStringLiteral("/canals/pla\u00e7");
    }
    void readSetting()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        TestWorkspace ws;
        ws.write("st.stg", file);
        const SettingValue v = ::readSetting(key);
        QTEST(v.found, "found");
        QTEST(v.hasValue, "hasValue");
        QTEST(v.value, "value");
    }

    void defaultsWithoutFile()
    {
        TestWorkspace ws;
        app().libraryFolder.clear();
        loadSettings();
        QCOMPARE(app().programFolder, ws.root());
        QCOMPARE(app().libraryFolder, ws.root() + "/Channel");
        QCOMPARE(app().firmwareFolder, ws.root() + "/Version");
        QCOMPARE(app().tempFolder, ws.root() + "/Temp");
        QCOMPARE(app().PortName, QStringLiteral("COM1"));
    }

    void headerAndEndOnlyLeavesFoldersEmpty()
    {
        TestWorkspace ws;
        ws.write("st.stg", kHeader + "[END]\r\n");
        app().libraryFolder.clear();
        app().firmwareFolder.clear();
        app().tempFolder.clear();
        loadSettings();
        QCOMPARE(app().PortName, QStringLiteral("COM1"));
        QVERIFY(app().libraryFolder.isEmpty());
        QVERIFY(app().firmwareFolder.isEmpty());
        QVERIFY(app().tempFolder.isEmpty());
    }

    void emptyPortValueKeepsCom1()
    {
        TestWorkspace ws;
        ws.write("st.stg", "LIBRARY=/lib\r\nPORT=");
        loadSettings();
        QCOMPARE(app().PortName, QStringLiteral("COM1"));
        QCOMPARE(app().libraryFolder, QStringLiteral("/lib"));
    }

    void writeThenLoad()
    {
        TestWorkspace ws;
        QVERIFY(writeSettings(settingsPath(), "/dev/pts/7", "/x/Channel", "/x/Version", "/x/Temp"));
        QCOMPARE(ws.read("st.stg"), kHeader + "PORT=/dev/pts/7\r\nLIBRARY=/x/Channel\r\nVERSION=/x/Version\r\n"
                                              "TEMP=/x/Temp\r\n[END]\r\n");
        loadSettings();
        QCOMPARE(app().PortName, QStringLiteral("/dev/pts/7"));
        QCOMPARE(app().libraryFolder, QStringLiteral("/x/Channel"));
        QCOMPARE(app().firmwareFolder, QStringLiteral("/x/Version"));
        QCOMPARE(app().tempFolder, QStringLiteral("/x/Temp"));
    }

    void longValuesCutTheSameWayOnBothSides()
    {
        TestWorkspace ws;
        const QString longPath = QStringLiteral("/") + QString(120, QLatin1Char('p'));
        QVERIFY(writeSettings(settingsPath(), "COM2", longPath, "/v", "/t"));
        QVERIFY(ws.read("st.stg").contains("LIBRARY=" + longPath.left(79).toLatin1() + "\r\n"));
        QCOMPARE(::readSetting("LIBRARY").value, longPath.left(79));
        QCOMPARE(settingValueAsStored(longPath), longPath.left(79));
    }

    void failedWriteLeavesOldFile()
    {
        TestWorkspace ws;
        ws.write("st.stg", "PORT=COM3\r\n");
        QVERIFY(!writeSettings(ws.path("missing/st.stg"), "COM2", "/a", "/b", "/c"));
        QVERIFY(!QFile::exists(ws.path("missing/st.stg")));
        // A path that Latin-1 cannot carry is not written as a different path.
        QVERIFY(!writeSettings(settingsPath(), "COM2", QStringLiteral("/\u043f\u043b\u0430\u043d"), "/b", "/c"));
        QCOMPARE(ws.read("st.stg"), QByteArray("PORT=COM3\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
