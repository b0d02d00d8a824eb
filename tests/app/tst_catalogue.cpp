// The model catalogue "models.txt".

#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/ModelCatalogue.h"

#include <QTest>

class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deliveredCatalogue()
    {
        TestWorkspace ws;
        const int n = loadCatalogue();
        QVERIFY(n >= 6);
        QCOMPARE(app().catalogueCount, n);
        QCOMPARE(app().currentModelIndex, kNoModel);
        // The delivered file covers the kinds of model the program must handle.
        bool tv = false, modem3 = false, noLogger = false, ch25 = false, noFirmware = false, prefix = false;
        for (int i = 0; i < n; ++i) {
            const ModelRecord &m = app().catalogue[size_t(i)];
            QVERIFY(!m.modelName.isEmpty());
            tv |= m.modelTypeCode != 0 && m.modelTypeCode != 3 && m.tvLoggerFileType == "lg27t";
            modem3 |= m.modelTypeCode == 3 && !m.modemLoggerFileType.isEmpty();
            noLogger |= m.modelTypeCode == 0;
            ch25 |= m.planFileType == "ch25";
            noFirmware |= m.firmwareFileType.isEmpty();
            for (int j = 0; j < n; ++j)
                prefix |= i != j && app().catalogue[size_t(j)].modelName.startsWith(m.modelName);
        }
        QVERIFY(tv && modem3 && noLogger && ch25 && noFirmware && prefix);
        const ModelRecord &first = app().catalogue[0];
        QCOMPARE(first.modelName, QStringLiteral("KV-27"));
        QCOMPARE(first.firmwareFileType, QStringLiteral("hx27"));
        QCOMPARE(first.planFileType, QStringLiteral("ch26"));
        QCOMPARE(first.groupFileType, QStringLiteral("tx26"));
        QCOMPARE(first.modelTypeCode, 1);
        QCOMPARE(first.modemLoggerFileType, QStringLiteral("lg27m"));
        QCOMPARE(first.tvLoggerFileType, QStringLiteral("lg27t"));
    }

    void typeCode_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("code");
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("x") << "x" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("leading blanks") << "  2" << 2;
        QTest::newRow("sign") << "-1" << -1;
        QTest::newRow("plus") << "+4" << 4;
        QTest::newRow("digits then text") << "12ab" << 12;
        QTest::newRow("blank inside") << "1 2" << 1;
        QTest::newRow("huge") << "99999999999999999999" << 1000000000;
    }
    void typeCode()
    {
        QFETCH(QString, field);
        QFETCH(int, code);
        TestWorkspace ws(false);
        ws.write("models.txt", QStringLiteral("0;KV-1;f;ch26;tx26;%1;m;t;\r\n").arg(field).toLatin1());
        QCOMPARE(loadCatalogue(), 1);
        QCOMPARE(app().catalogue[0].modelTypeCode, code);
    }

    void shortAndOverlongLinesAreSkipped()
    {
        TestWorkspace ws(false);
        ws.write("models.txt", "\r\n"
                               "0;SHORT;f;ch26;tx26;1;m;\r\n"   // seven ";"
                               "0;KV-A;fa;ch26;tx26;1;ma;ta; anything after\r\n"
                               "# a comment line\n"
                               "0;KV-B;;ch25;tx26;0;;;\n"
                               "0;" + QByteArray(95, 'L')
                                   + ";f;ch26;tx26;1;m;t;\r\n"   // 8th ";" beyond 99
                                     "0;KV-C;fc;ch26;tx26;3;mc;tc;");   // no line end
        QCOMPARE(loadCatalogue(), 3);
        QCOMPARE(app().catalogue[0].modelName, QStringLiteral("KV-A"));
        QCOMPARE(app().catalogue[0].tvLoggerFileType, QStringLiteral("ta"));
        QCOMPARE(app().catalogue[1].modelName, QStringLiteral("KV-B"));
        QCOMPARE(app().catalogue[1].planFileType, QStringLiteral("ch25"));
        QVERIFY(app().catalogue[1].firmwareFileType.isEmpty());
        QCOMPARE(app().catalogue[2].modelName, QStringLiteral("KV-C"));
        QCOMPARE(app().catalogue[2].modelTypeCode, 3);
        QVERIFY(app().catalogue[3].modelName.isEmpty());
    }

    void twentyFirstLineIgnored()
    {
        TestWorkspace ws(false);
        QByteArray body;
        for (int i = 1; i <= 21; ++i)
            body += QStringLiteral("%1;M%1;f;ch26;tx26;1;m;t;\r\n").arg(i).toLatin1();
        ws.write("models.txt", body);
        QCOMPARE(loadCatalogue(), kCatalogueSize);
        QCOMPARE(app().catalogue[19].modelName, QStringLiteral("M20"));
        QCOMPARE(catalogueIndexOf("M21"), -1);
    }

    // Skipped lines count too: only the first 20 lines of the file are read.
    void skippedLinesCountTowardsTwenty()
    {
        TestWorkspace ws(false);
        QByteArray body = "# models of the workshop\r\n\r\n";
        for (int i = 1; i <= 20; ++i)
            body += QStringLiteral("%1;M%1;f;ch26;tx26;1;m;t;\r\n").arg(i).toLatin1();
        ws.write("models.txt", body);
        QCOMPARE(loadCatalogue(), 18);
        QCOMPARE(app().catalogue[17].modelName, QStringLiteral("M18"));
        QCOMPARE(catalogueIndexOf("M19"), -1);
    }

    void reloadClearsOldEntries()
    {
        TestWorkspace ws;
        QVERIFY(loadCatalogue() >= 6);
        ws.write("models.txt", "0;ONLY;f;ch26;tx26;1;m;t;\r\n");
        QCOMPARE(loadCatalogue(), 1);
        QVERIFY(app().catalogue[1].modelName.isEmpty());
    }

    void missingFileKeepsIndex()
    {
        TestWorkspace ws(false);
        app().currentModelIndex = 3;
        QCOMPARE(loadCatalogue(), 0);
        QCOMPARE(app().currentModelIndex, 3);
        QCOMPARE(loadCatalogue(ws.path("nothing.txt")), 0);
    }

    void chooseAndFind()
    {
        TestWorkspace ws(false);
        ws.write("models.txt",
                 "0;A;fa;ch26;tx26;1;ma;ta;\r\n0;B;fb;ch25;tx26;0;mb;tb;\r\n0;A;fa2;ch26;tx26;3;ma2;ta2;\r\n");
        QCOMPARE(loadCatalogue(), 3);
        QCOMPARE(catalogueIndexOf("A"), 2);   // the last of equal names
        QCOMPARE(catalogueIndexOf("a"), -1);
        chooseModel(1, true);
        QCOMPARE(app().currentModelIndex, 1);
        QCOMPARE(app().CurrentModel.modelName, QStringLiteral("B"));
        QCOMPARE(app().CurrentModel.planFileType, QStringLiteral("ch25"));
        QCOMPARE(app().CurrentModel.tvLoggerFileType, QStringLiteral("tb"));
        QCOMPARE(app().CurrentModel.chosenManually, 1);
        chooseModel(2, false);
        QCOMPARE(app().CurrentModel.firmwareFileType, QStringLiteral("fa2"));
        QCOMPARE(app().CurrentModel.modelTypeCode, 3);
        QCOMPARE(app().CurrentModel.chosenManually, 0);
        chooseModel(7, true);   // beyond the loaded entries: nothing changes
        QCOMPARE(app().currentModelIndex, 2);
        QCOMPARE(app().CurrentModel.chosenManually, 0);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
