// The settings file "st.stg": reading, writing and the start-up defaults.

#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/Settings.h"

#include <QDir>
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

        QTest::newRow("CR LF") << kHeader + "PORT=COM3\r\nLIBRARY=D:/plans\r\n[END]\r\n"
                               << "LIBRARY" << true << true << "D:/plans";
        QTest::newRow("bare LF") << QByteArray("PORT=COM3\nLIBRARY=D:/plans\n[END]\n") << "LIBRARY" << true << true
                                 << "D:/plans";
        QTest::newRow("last line without end keeps its last character")
            << QByteArray("PORT=COM3\r\nTEMP=/t/x") << "TEMP" << true << true << "/t/x";
        QTest::newRow("last line KEY= without end is empty")
            << QByteArray("PORT=COM3\r\nTEMP=") << "TEMP" << true << true << "";
        QTest::newRow("missing key before [END] counts as found without value") << kHeader + "PORT=COM2\r\n[END]\r\n"
                                                                                << "VERSION" << true << false << "";
        QTest::newRow("key after [END] is still read")
            << QByteArray("[END]\r\nPORT=COM4\r\n") << "PORT" << true << true << "COM4";
        QTest::newRow("no [END], missing key") << QByteArray("PORT=COM2\r\n") << "TEMP" << false << false << "";
        // A control character ends a value: no NUL or CR reaches a path.
        QTest::newRow("NUL inside a value")
            << QByteArray("TEMP=/t/x\0/etc\r\n", 16) << "TEMP" << true << true << "/t/x";
        QTest::newRow("CR-only line ends")
            << QByteArray("PORT=COM2\rTEMP=/t\r[END]\r") << "PORT" << true << true << "COM2";
        QTest::newRow("value with '=' keeps the rest")
            << QByteArray("PORT=/dev/pts/3\r\nLIBRARY=/a=b\r\n") << "LIBRARY" << true << true << "/a=b";
        QTest::newRow("80 characters read as 79") << QByteArray("VERSION=") + QByteArray(80, 'v') + "\r\n"
                                                  << "VERSION" << true << true << QString(79, QLatin1Char('v'));
        QTest::newRow("overlong line does not overflow") << QByteArray("TEMP=") + QByteArray(5000, 't') + "\r\n"
                                                         << "TEMP" << true << true << QString(79, QLatin1Char('t'));
        QTest::newRow("Latin-1 value") << QByteArray("LIBRARY=/canals/pla\xe7\r\n") << "LIBRARY" << true << true
                                       << QStringLiteral("/canals/pla\u00e7");
        const QString clef = QString::fromUcs4(U"\U0001D11E");
        QTest::newRow("UTF-8, 80 characters outside the basic plane read as 79 whole")
            << QByteArray("TEMP=") + clef.repeated(80).toUtf8() + "\r\n"
            << "TEMP" << true << true << clef.repeated(79);
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

    // Keys missing before "[END]" keep the folder in force; at the start there is none, and an
    // empty folder would put the working files in "/": the defaults are taken instead.
    void headerAndEndOnlyGivesTheDefaultFolders()
    {
        TestWorkspace ws;
        ws.write("st.stg", kHeader + "[END]\r\n");
        app().libraryFolder.clear();
        app().firmwareFolder.clear();
        app().tempFolder.clear();
        loadSettings();
        QCOMPARE(app().PortName, QStringLiteral("COM1"));
        QCOMPARE(app().libraryFolder, ws.root() + "/Channel");
        QCOMPARE(app().firmwareFolder, ws.root() + "/Version");
        QCOMPARE(app().tempFolder, ws.root() + "/Temp");
        // A folder in force is kept, as before.
        app().tempFolder = ws.path("Elsewhere");
        loadSettings();
        QCOMPARE(app().tempFolder, ws.path("Elsewhere"));
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
        QCOMPARE(ws.read("st.stg"), kHeader
                                        + "PORT=/dev/pts/7\r\nLIBRARY=/x/Channel\r\nVERSION=/x/Version\r\n"
                                          "TEMP=/x/Temp\r\n[END]\r\n");
        loadSettings();
        QCOMPARE(app().PortName, QStringLiteral("/dev/pts/7"));
        QCOMPARE(app().libraryFolder, QStringLiteral("/x/Channel"));
        QCOMPARE(app().firmwareFolder, QStringLiteral("/x/Version"));
        QCOMPARE(app().tempFolder, QStringLiteral("/x/Temp"));
    }

    // A value the file would give back different is never written: the old file stays.
    void valuesThatWouldComeBackDifferentAreRefused_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("80 characters") << 1 << QStringLiteral("/") + QString(79, QLatin1Char('p'));
        QTest::newRow("80 Cyrillic characters") << 3 << QStringLiteral("/") + QString(79, QChar(0x043F));
        QTest::newRow("line feed") << 2 << QStringLiteral("/a\nTEMP=/b");
        QTest::newRow("long port") << 0 << QStringLiteral("/dev/") + QString(75, QLatin1Char('t'));
        QString musical;   // characters outside the basic plane: each is one character of 79
        for (int i = 0; i < 80; ++i)
            musical += QString::fromUcs4(U"\U0001D11E");
        QTest::newRow("80 characters outside the basic plane") << 1 << musical;
    }
    void valuesThatWouldComeBackDifferentAreRefused()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        TestWorkspace ws;
        ws.write("st.stg", "PORT=COM3\r\n");
        QStringList values = {"COM2", "/l", "/v", "/t"};
        values[field] = value;
        QCOMPARE(firstSettingThatDoesNotFit(values[0], values[1], values[2], values[3]), field);
        QVERIFY(!writeSettings(settingsPath(), values[0], values[1], values[2], values[3]));
        QCOMPARE(ws.read("st.stg"), QByteArray("PORT=COM3\r\n"));
        // 79 characters are kept whole.
        values[field] = settingValueAsStored(value).remove(QLatin1Char('\n'));
        QCOMPARE(firstSettingThatDoesNotFit(values[0], values[1], values[2], values[3]), -1);
        QVERIFY(writeSettings(settingsPath(), values[0], values[1], values[2], values[3]));
        loadSettings();
        const QString back[] = {app().PortName, app().libraryFolder, app().firmwareFolder, app().tempFolder};
        QCOMPARE(back[field], values[field]);
    }

    // Folders outside Latin-1 are written in UTF-8 and come back whole; a file that Latin-1
    // can hold stays Latin-1, byte for byte as before.
    void encodingRoundTrip_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("Cyrillic")
            << QStringLiteral("/home/\u0442\u0435\u0445/\u043a\u0430\u043d\u0430\u043b\u044b")
            << QStringLiteral("/home/\u0442\u0435\u0445/\u043a\u0430\u043d\u0430\u043b\u044b").toUtf8();
        QTest::newRow("Greek and Latin-1") << QStringLiteral("/caf\u00e9/\u03ba\u03b1\u03bd")
                                           << QStringLiteral("/caf\u00e9/\u03ba\u03b1\u03bd").toUtf8();
        QTest::newRow("Latin-1") << QStringLiteral("/canals/caf\u00e9") << QByteArray("/canals/caf\xe9");
        // Latin-1 text whose bytes also read as UTF-8 would come back as another name.
        QTest::newRow("Latin-1 that looks like UTF-8")
            << QStringLiteral("/\u00c3\u00a9") << QByteArray("/\xc3\x83\xc2\xa9");
        QTest::newRow("ASCII") << QStringLiteral("/x/Channel") << QByteArray("/x/Channel");
    }
    void encodingRoundTrip()
    {
        QFETCH(QString, library);
        QFETCH(QByteArray, stored);
        TestWorkspace ws;
        QVERIFY(writeSettings(settingsPath(), "COM2", library, library + "/v", "/t"));
        QVERIFY(ws.read("st.stg").contains("\r\nLIBRARY=" + stored + "\r\nVERSION=" + stored + "/v\r\n"));
        app().libraryFolder.clear();
        loadSettings();
        QCOMPARE(app().libraryFolder, library);
        QCOMPARE(app().firmwareFolder, library + "/v");
        QCOMPARE(app().tempFolder, QStringLiteral("/t"));
    }

    // A file written before (Latin-1, "é" as the byte E9) reads exactly as it did.
    void oldLatin1FileReadsAsBefore()
    {
        TestWorkspace ws;
        ws.write("st.stg", kHeader + "PORT=COM2\r\nLIBRARY=/plans/caf\xe9\r\nVERSION=/v\xc3\r\n[END]\r\n");
        loadSettings();
        QCOMPARE(app().libraryFolder, QStringLiteral("/plans/caf\u00e9"));
        QCOMPARE(app().firmwareFolder, QStringLiteral("/v\u00c3"));
        QCOMPARE(app().PortName, QStringLiteral("COM2"));
        QCOMPARE(decodeSettingsFile("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
        QCOMPARE(decodeSettingsFile("caf\xe9"), QStringLiteral("caf\u00e9"));
    }

    void failedWriteLeavesOldFile()
    {
        TestWorkspace ws;
        ws.write("st.stg", "PORT=COM3\r\n");
        QVERIFY(!writeSettings(ws.path("missing/st.stg"), "COM2", "/a", "/b", "/c"));
        QVERIFY(!QFile::exists(ws.path("missing/st.stg")));
        QCOMPARE(ws.read("st.stg"), QByteArray("PORT=COM3\r\n"));
        // The file itself, cut short after 10 bytes (a full disk): it stays as it was.
        FileTesting::setWriteBudget(10);
        const bool written = writeSettings(ws.path("st.stg"), "COM2", "/a", "/b", "/c");
        FileTesting::setWriteBudget(-1);
        QVERIFY(!written);
        QCOMPARE(ws.read("st.stg"), QByteArray("PORT=COM3\r\n"));
        QCOMPARE(QDir(ws.root()).entryList({"st.stg*"}, QDir::Files), QStringList{"st.stg"});
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
