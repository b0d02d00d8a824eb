// kelvatrone-cli info: folders from "st.stg" and the catalogue, or -212 without one.

#include "TestWorkspace.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QProcess>
#include <QTest>

class TestCliInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void info()
    {
        TestWorkspace ws;
        ws.write("st.stg", "PORT=COM7\r\nLIBRARY=/plans/here\r\n[END]\r\n");
        QProcess p;
        p.start(QStringLiteral(KV_CLI_PATH), {"--workspace", ws.root(), "info"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
        QVERIFY(lines.contains("program folder:   " + ws.root()));
        QVERIFY(lines.contains("port:             COM7"));
        QVERIFY(lines.contains("library folder:   /plans/here"));
        // Missing before "[END]": the folder in force, which at the start is the default one.
        QVERIFY(lines.contains("firmware folder:  " + ws.root() + "/Version"));
        QVERIFY(lines.contains(
            "  KV-27C     firmware hx27c   plans ch26  groups tx26  modem logger lg27m  TV logger lg27t  type code 3"));
        QVERIFY(lines.contains(
            "  KV-23      firmware -       plans ch26  groups tx26  modem logger lg26m  TV logger lg26t  type code 1"));
    }

    void missingCatalogue()
    {
        TestWorkspace ws(false);
        QProcess p;
        p.start(QStringLiteral(KV_CLI_PATH), {"--workspace", ws.root(), "--lang", "de", "info"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 1);
        StringTable::setLanguage(2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(ErrorCodeText(Err::NoModelsFound)));
    }
};

QTEST_GUILESS_MAIN(TestCliInfo)
#include "tst_cliinfo.moc"
