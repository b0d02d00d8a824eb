#include "app/AppState.h"
#include "app/StringTable.h"
#include <QTest>

namespace {
bool isUnusedRow(int row)
{
    if (row == 13 || row == 14 || row == 15 || row == 16 || row == 161)
        return true;
    // Rows added after the first 205 come in blocks, one per feature.
    const std::pair<int, int> laterBlocks[] = {{205, 218}, {220, 223}, {235, 235}, {245, 262}, {275, 485}};
    if (row < 205)
        return false;
    for (const auto &[first, last] : laterBlocks)
        if (row >= first && row <= last)
            return false;
    return true;
}
const char *const kLanguageNames[] = {"English", "Spanish", "German", "Catalan"};
}   // namespace

class TestStrings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        resetAppState();
        StringTable::fillStringTable();
    }

    // Every used row has a text in every language, and all of it survives the trip through
    // the 8-bit code page that files and reports use.
    void everyUsedRowFilledAndLatin1_data()
    {
        QTest::addColumn<int>("language");
        for (int l = 0; l < StringTable::kLanguages; ++l)
            QTest::newRow(kLanguageNames[l]) << l;
    }
    void everyUsedRowFilledAndLatin1()
    {
        QFETCH(int, language);
        for (int row = 0; row < StringTable::kRows; ++row) {
            const QString t = StringTable::text(row, language);
            if (isUnusedRow(row)) {
                QVERIFY2(t.isEmpty(), qPrintable(QStringLiteral("row %1 should be empty").arg(row)));
                continue;
            }
            QVERIFY2(!t.isEmpty(), qPrintable(QStringLiteral("row %1 is empty").arg(row)));
            QVERIFY2(QString::fromLatin1(t.toLatin1()) == t,
                     qPrintable(QStringLiteral("row %1 is not Latin-1: %2").arg(row).arg(t)));
            QVERIFY2(!t.contains(QChar(0xFFFD)), qPrintable(QStringLiteral("row %1 was mis-decoded").arg(row)));
        }
    }

    void outOfRangeIsEmpty_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("language");
        QTest::newRow("row -1") << -1 << 0;
        QTest::newRow("row past the table") << StringTable::kRows << 0;
        QTest::newRow("row huge") << 1000000 << 1;
        QTest::newRow("language -1") << 0 << -1;
        QTest::newRow("language 4") << 0 << 4;
        QTest::newRow("past the table, last language") << StringTable::kRows << 3;
    }
    void outOfRangeIsEmpty()
    {
        QFETCH(int, row);
        QFETCH(int, language);
        QVERIFY(StringTable::text(row, language).isEmpty());
    }

    // Rows that go into report files, including those with accented letters and those that
    // differ per language; the file readers of other tools depend on these exact words.
    void reportRows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("texts");
        auto row = [](int r, const char *en, const char *es, const char *de, const char *ca) {
            QTest::addRow("row %d", r) << r
                                       << QStringList{QString::fromUtf8(en), QString::fromUtf8(es),
                                                      QString::fromUtf8(de), QString::fromUtf8(ca)};
        };
        row(1, "Datalogger", "Registro", "Datalogger", "Registre");
        row(83, "BW", "BW", "BB", "BW");
        row(87, "S.R.", "V.S.", "S.R.", "V.S.");
        row(147, "Pwr.", "Pot.", "Leist.", "Pot.");
        row(148, "A. F.", "F. A.", "A. F.", "F. A.");
        row(153, "Location", "Localización", "Ort", "Localització");
        row(154, "Channel Number", "Número de canales", "Anzahl der Kanäle", "Nombre de canals");
        row(174, "Logger Number", "Número de Registro", "Logger Nummer", "Nombre de Registre");
        row(175, "[MEASURES]", "[MEDIDAS]", "[MESSUNGEN]", "[MESURES]");
        row(177, "Threshold Level", "Nivel umbral", "Schwellenpegel", "Nivell llindar");
    }
    void reportRows()
    {
        QFETCH(int, row);
        QFETCH(QStringList, texts);
        for (int l = 0; l < StringTable::kLanguages; ++l)
            QCOMPARE(StringTable::text(row, l), texts.at(l));
    }

    void oneInstanceMessageNamesProduct()
    {
        QCOMPARE(StringTable::text(184, 0), QStringLiteral("One instance for Kelvatrone"));
        QCOMPARE(StringTable::text(184, 1), QString::fromUtf8("Sólo se permite una ejecución de Kelvatrone"));
        QCOMPARE(StringTable::text(184, 2), QString::fromUtf8("Kelvatrone kann nur einmal ausgeführt werden"));
        QCOMPARE(StringTable::text(184, 3), QString::fromUtf8("Només es permet una execució de Kelvatrone"));
        // Nothing can have switched the language at a second start.
        QCOMPARE(StringTable::text(184), QStringLiteral("One instance for Kelvatrone"));
    }

    // Texts that callers extend (a path, a number, a port) keep their separator in every
    // language, and the three-line warning keeps its three lines.
    void composedTextsKeepTheirShape_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("ending");
        QTest::newRow("receiving in file") << 46 << QStringLiteral(" : ");
        QTest::newRow("erasing sector") << 166 << QStringLiteral(" :");
        QTest::newRow("erased sector") << 167 << QStringLiteral(" :");
        QTest::newRow("not recognized in COM") << 192 << QStringLiteral("COM");
        QTest::newRow("model identified") << 198 << QStringLiteral(": ");
    }
    void composedTextsKeepTheirShape()
    {
        QFETCH(int, row);
        QFETCH(QString, ending);
        for (int l = 0; l < StringTable::kLanguages; ++l)
            QVERIFY2(StringTable::text(row, l).endsWith(ending), kLanguageNames[l]);
    }
    void channelPlanWarningHasThreeLines()
    {
        QCOMPARE(StringTable::text(159, 0),
                 QStringLiteral("Changing Channel Plan in your unit will\nerase all contents stored in Datalogger.\n"
                                "Unit will restart at initial Configuration"));
        for (int l = 0; l < StringTable::kLanguages; ++l)
            QCOMPARE(StringTable::text(159, l).count(QLatin1Char('\n')), 2);
    }

    void setLanguageSwitchesColumn()
    {
        QCOMPARE(StringTable::text(0), QStringLiteral("Config"));
        StringTable::setLanguage(2);
        QCOMPARE(app().CurrentLanguage, 2);
        QCOMPARE(StringTable::text(0), QStringLiteral("Konfiguration"));
        QCOMPARE(StringTable::text(6), QStringLiteral("Allgemeine Einstellungen"));
        StringTable::setLanguage(3);
        QCOMPARE(StringTable::text(6), QString::fromUtf8("Configuració General"));
        StringTable::setLanguage(0);
        QCOMPARE(StringTable::text(6), QStringLiteral("General Settings"));
    }
    void setLanguageIgnoresUnknown_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("-1") << -1;
        QTest::newRow("4") << 4;
        QTest::newRow("255") << 255;
    }
    void setLanguageIgnoresUnknown()
    {
        QFETCH(int, language);
        StringTable::setLanguage(1);
        StringTable::setLanguage(language);
        QCOMPARE(app().CurrentLanguage, 1);
        QCOMPARE(StringTable::text(51), QString::fromUtf8("Atención"));
    }
    void textToleratesCorruptCurrentLanguage()
    {
        app().CurrentLanguage = 7;
        QVERIFY(StringTable::text(0).isEmpty());
    }

    // The channel editor shows Insert and Paste side by side: they must read differently.
    void editorHintsDistinct()
    {
        const int hints[] = {196, 197, 200, 201, 202, 91};
        for (int l = 0; l < StringTable::kLanguages; ++l) {
            QStringList seen;
            for (int row : hints) {
                const QString t = StringTable::text(row, l);
                QVERIFY2(!seen.contains(t), qPrintable(QStringLiteral("%1: %2 repeated").arg(kLanguageNames[l], t)));
                seen << t;
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestStrings)
#include "tst_strings.moc"
