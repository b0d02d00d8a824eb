// Framed text reports of TV and cable-modem loggers, compared byte for byte.

#include "TestData.h"
#include "TestWorkspace.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "datalogger/CodePage437.h"
#include "datalogger/Reports.h"

#include <QTest>

namespace {

const QByteArray kTvLogger =
    kLoggerHead
    + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=4\r\nLOCATION=Ca\xF1"
      "ada\r\nUNITS=dBuV\r\nTIME=10:32\r\n"
      "DATE=07/12/26\r\nTHRESHOLD LEVEL=45\r\nCHANNEL PLAN=AB\r\nCHANNEL NUMBER=3\r\n[MEASURES]\r\nLOGGER=3\r\n"
    + kTvLoggerColumns
    + "0,C21,474.00,-0.50,8.0,QAM64,A,6875,52.3,33.1,1.0E-8, , , , , \r\n"
      "1,S2,48.25,0.00,7.0, , , , , , ,PAL/BG,5.50,61.2,-12.5,45.0\r\n"
      "2,C25,506.00,0.12,8.0,QAM256,C,6900,-1.5,28.4,2.3E-5, , , , , \r\n";

const QByteArray kModemLogger =
    kLoggerHead
    + "DEVICE=KORVEL-25\r\nLOGGER NUMBER=7\r\n"
      "INFO=*HL07&09:15&06/12/26&SHOP&REGISTERED&\r\n"
      "DOWNSTREAM=*HD0700&PWR:5,2dBmV&MER:36,4dB&FREQ:602,00MHz&CH:C37&MOD:QAM256&SR:6952kS/s&BER:1,0E-9&\r\n"
      "UPSTREAM=*HD0701&PWR:42,0dBmV&ATT:3dB&FREQ:35,00MHz&BW:3,2MHz&MOD:QPSK&SR:2560kS/s&\r\n"
      "HEADEND=*HD0702&10.1.2.33&10.1.0.1&10.1.0.2&modem cfg.bin&\r\n"
      "PINGREPORT=*HD0703&10.1.0.1&10&10&\xC8"
      "1%&3ms&12ms&5ms&\r\n"
      "LOCATION=first line\r\nsecond line\r\n";

// Report text written with the Unicode box-drawing characters, as bytes of code page 437.
// Only the characters the reports may hold are mapped; anything else fails the test.
QByteArray cp437(const QString &text)
{
    static const QList<QPair<QChar, char>> map = {
        {u'┌', '\xDA'}, {u'┐', '\xBF'}, {u'└', '\xC0'}, {u'┘', '\xD9'}, {u'─', '\xC4'}, {u'│', '\xB3'}, {u'┬', '\xC2'},
        {u'┴', '\xC1'}, {u'├', '\xC3'}, {u'┤', '\xB4'}, {u'┼', '\xC5'}, {u'ñ', '\xA4'}, {u'Ä', '\x8E'}, {u'\n', '\n'}};
    QByteArray out;
    for (QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
            out += char(c.unicode());
            continue;
        }
        bool found = false;
        for (const auto &[u, b] : map) {
            if (u == c) {
                if (b == '\n')
                    out += '\r';
                out += b;
                found = true;
            }
        }
        if (!found)
            qFatal("no code page 437 byte for U+%04X in the expected text", c.unicode());
    }
    return out;
}

const int kWidths[] = {6, 6, 5, 6, 6, 6, 5, 6, 6, 8, 10, 6, 6, 6, 6};

QString rule(QChar lead, QChar mid, QChar close)
{
    QString s(lead);
    for (int i = 0; i < 15; ++i)
        s += QString(kWidths[i], u'─') + (i < 14 ? mid : close);
    return s + u'\n';
}

QString cells(const QStringList &values, bool left)
{
    QString s(u'│');
    for (int i = 0; i < 15; ++i) {
        const QString v = values.value(i).left(kWidths[i]);
        s += (left ? v.leftJustified(kWidths[i]) : v.rightJustified(kWidths[i])) + u'│';
    }
    return s + u'\n';
}

QString titleFrame(const QString &datalogger)
{
    return u'┌' + QString(29, u'─') + u'┐' + u'\n' + u'│' + QStringLiteral("Kelvatrone    :")
           + datalogger.leftJustified(14) + u'│' + u'\n' + u'└' + QString(29, u'─') + u'┘' + u'\n';
}

QString sectionFrame(const QString &label)
{
    return u'┌' + QString(29, u'─') + u'┐' + u'\n' + u'│' + QString(5, u' ') + label.leftJustified(16)
           + QString(8, u' ') + u'│' + u'\n' + u'└' + QString(29, u'─') + u'┘' + u'\n';
}

QString tvTable(const QStringList &header)
{
    const QString sep = rule(u'├', u'┼', u'┤');
    return rule(u'┌', u'┬', u'┐') + cells(header, true) + sep
           + cells({"C21", "474.00", "8.0", "-0.50", "QAM64", "A", "6875", "52.3", "33.1", "1.0E-8"}, false) + sep
           + cells({"S2", "48.25", "7.0", "0.00", "", "", "", "", "", "", "PAL/BG", "5.50", "61.2", "-12.5", "45.0"},
                   false)
           + sep + cells({"C25", "506.00", "8.0", "0.12", "QAM256", "C", "6900", "-1.5", "28.4", "2.3E-5"}, false)
           + rule(u'└', u'┴', u'┘');
}

}   // namespace

class TestReports : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tvReportByteExact_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("English")
            << 0
            << titleFrame("DATALOGGER")
                   + QStringLiteral("LOGGER NUMBER=  4\nLOCATION=Cañada\nDATE=07/12/26\nTIME=10:32\nCHANNEL PLAN=AB\n"
                                    "CHANNEL NUMBER=  3\nUNITS=dBuV\nTHRESHOLD LEVEL=45\n[MEASURES]\n")
                   + tvTable({"CHANN.", "FREQ.", "BW", "OFFSET", "MOD.", "ANNEX", "S.R.", "PWR.", "MER", "PREBER",
                              "SYSTEM", "A. F.", "LEVEL", "V/A", "C/N"});
        // Spanish: "Ú" and "Ó" are not in code page 437 and print as their plain letters.
        QTest::newRow("Spanish")
            << 1
            << titleFrame("REGISTRO")
                   + QStringLiteral("NUMERO DE REGISTRO=  4\nLOCALIZACION=Cañada\nFECHA=07/12/26\nHORA=10:32\n"
                                    "PLAN DE CANALES=AB\nNUMERO DE CANALES=  3\nUNIDADES=dBuV\nNIVEL UMBRAL=45\n"
                                    "[MEDIDAS]\n")
                   + tvTable({"CANAL", "FREC.", "BW", "OFFSET", "MOD.", "ANEXO", "V.S.", "POT.", "MER", "PREBER",
                              "SISTEMA", "F. A.", "NIVEL", "V/A", "C/N"});
        // German: "Ä" is in code page 437 and keeps its accent.
        QTest::newRow("German")
            << 2
            << titleFrame("DATALOGGER")
                   + QStringLiteral("LOGGER NUMMER=  4\nORT=Cañada\nDATUM=07/12/26\nZEIT=10:32\nKANALTABELLE=AB\n"
                                    "ANZAHL DER KANÄLE=  3\nEINHEITEN=dBuV\nSCHWELLENPEGEL=45\n[MESSUNGEN]\n")
                   + tvTable({"KANAL", "FREQ.", "BB", "OFFSET", "MOD.", "ANHANG", "S.R.", "LEIST.", "MER", "PREBER",
                              "SYSTEM", "A. F.", "PEGEL", "V/A", "C/N"});
    }
    void tvReportByteExact()
    {
        QFETCH(int, language);
        QFETCH(QString, expected);
        TestWorkspace ws;
        StringTable::setLanguage(language);
        const QString report = ws.path("Temp/print04.txt");
        QCOMPARE(writeTvReport(ws.write("a.lg26t", kTvLogger), report), 0);
        const QByteArray got = ws.read("Temp/print04.txt");
        const QByteArray want = cp437(expected);
        if (got != want) {
            const QList<QByteArray> g = got.split('\n'), w = want.split('\n');
            for (int i = 0; i < std::min(g.size(), w.size()); ++i)
                QCOMPARE(Cp437::toUnicode(g.at(i)), Cp437::toUnicode(w.at(i)));
            QCOMPARE(g.size(), w.size());
        }
        // Every table line is 110 characters.
        const QList<QByteArray> lines = got.split('\n');
        for (const QByteArray &l : lines.mid(12, 9))
            QCOMPARE(l.size(), 111);   // with the CR
    }

    void tvReportEdges()
    {
        TestWorkspace ws;
        // A value longer than its column is cut; a damaged line shows the fields it has.
        const QByteArray source = kLoggerHead + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=1\r\nCHANNEL NUMBER=2\r\n"
                                  + kTvLoggerColumns + "0,VERYLONGNAME,1234567.89,0,8,QAM64,A,6875,1,2,3,4,5,6,7,8\r\n"
                                  + "1,C5,474\r\n";
        QCOMPARE(writeTvReport(ws.write("b.lg26t", source), ws.path("r.txt")), 0);
        const QList<QByteArray> lines = ws.read("r.txt").split('\n');
        QCOMPARE(Cp437::toUnicode(lines.at(15).chopped(1)), cells({"VERYLONGNAME", "1234567.89", "8", "0", "QAM64", "A",
                                                                   "6875", "1", "2", "3", "4", "5", "6", "7", "8"},
                                                                  false)
                                                                .chopped(1));
        QVERIFY(Cp437::toUnicode(lines.at(15)).startsWith(QStringLiteral("│VERYLO│123456│    8│")));
        QCOMPARE(Cp437::toUnicode(lines.at(17).chopped(1)), cells({"C5", "474"}, false).chopped(1));

        // A file that ends before its column line: the header block with what was read, an
        // empty table.
        const QByteArray headless = kLoggerHead + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=9\r\nTIME=08:00\r\n";
        QCOMPARE(writeTvReport(ws.write("c.lg26t", headless), ws.path("r2.txt")), 0);
        const QList<QByteArray> h = ws.read("r2.txt").split('\n');
        QCOMPARE(h.at(3), QByteArray("LOGGER NUMBER=  9\r"));
        QCOMPARE(h.at(6), QByteArray("TIME=08:00\r"));
        QCOMPARE(h.size(), 3 + 9 + 3 + 1 + 1);   // frame, header block, table head, bottom, end
        QVERIFY(h.at(15).startsWith('\xC0'));

        // The rows follow a column line within the first 51 lines only; one further down still
        // ends the header block.
        for (const int keyLines : {45, 46}) {
            QByteArray longHead = kLoggerHead + "DEVICE=KORVEL-26\r\nLOGGER NUMBER=5\r\n";
            for (int i = 0; i < keyLines; ++i)
                longHead += "TIME=08:00\r\n";
            const QByteArray file =
                longHead + kTvLoggerColumns + "0,C21,474.00,-0.50,8.0,QAM64,A,6875,1,2,3,4,5,6,7\r\n";
            QCOMPARE(file.count('\n') - 1 /* the row */, keyLines + 6);   // the column line's number
            QCOMPARE(writeTvReport(ws.write("e.lg26t", file), ws.path("r4.txt")), 0);
            const QList<QByteArray> e = ws.read("r4.txt").split('\n');
            QCOMPARE(e.at(3), QByteArray("LOGGER NUMBER=  5\r"));
            QCOMPARE(e.size(), keyLines + 6 <= 51 ? 18 : 17);
            QCOMPARE(Cp437::toUnicode(e.at(15)).startsWith(QStringLiteral("│   C21│")), keyLines + 6 <= 51);
        }

        // Not a logger at all: no header block.
        QByteArray noise;
        for (int i = 0; i < 60; ++i)
            noise += "noise\r\n";
        QCOMPARE(writeTvReport(ws.write("d.lg26t", noise), ws.path("r3.txt")), 0);
        QVERIFY(!ws.read("r3.txt").contains("LOGGER NUMBER"));

        // Files that cannot be used: -1 (no logger) or -65 (no report), and nothing written.
        ws.write("keep.txt", "old report");
        QCOMPARE(writeTvReport(ws.path("missing.lg26t"), ws.path("keep.txt")), -1);
        QCOMPARE(ws.read("keep.txt"), QByteArray("old report"));
        QCOMPARE(writeTvReport(ws.path("b.lg26t"), ws.path("nofolder/r.txt")), -65);
    }

    void modemReport_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<QString>("expected");
        const QString head = titleFrame("DATALOGGER") + QStringLiteral("LOGGER NUMBER=7\nSHOP\n");
        const QString sections =
            sectionFrame("DOWNSTREAM")
            + QStringLiteral("PWR:5,2dBmV\nMER:36,4dB\nFREQ:602,00MHz\nCH:C37\nMOD:QAM256\nSR:6952kS/s\nBER:1,0E-9\n")
            + sectionFrame("UPSTREAM")
            + QStringLiteral("PWR:42,0dBmV\nATT:3dB\nFREQ:35,00MHz\nBW:3,2MHz\nMOD:QPSK\nSR:2560kS/s\n");
        const QString registration =
            sectionFrame("HEADEND")
            + QStringLiteral("IP CABLE MODEM: 10.1.2.33\nIP TOD SERVER: 10.1.0.1\nIP TFTP SERVER: 10.1.0.2\n"
                             "CONFIG FILE: modem cfg.bin\n")
            + sectionFrame("PING REPORT")
            + QStringLiteral("PING ADDRESS: 10.1.0.1\nSEND: 10\nRECEIVE: 10\nPLR: <1%\nTIME MIN: 3ms\nTIME MAX: 12ms\n"
                             "TIME AVG: 5ms\n");
        const QString comments = sectionFrame("COMMENTS") + QStringLiteral("first line\nsecond line\n");

        QTest::newRow("registered") << kModemLogger << 1
                                    << head + "REGISTERED\n\n" + sections + registration + comments;
        QTest::newRow("unregistered") << QByteArray(kModemLogger).replace("&REGISTERED&", "&NOT REGISTERED&") << 1
                                      << head + "UNREGISTERED\n\n" + sections + comments;
        QTest::newRow("model without registration details") << kModemLogger << 3 << head + "\n\n" + sections + comments;
        QTest::newRow("too few fields write nothing for their line")
            << QByteArray(kModemLogger).replace("&SR:2560kS/s&\r\n", "\r\n") << 1
            << head + "REGISTERED\n\n" + sections.left(sections.indexOf(u'┌', 10)) + registration + comments;
        QTest::newRow("location before upstream is copied whole")
            << kLoggerHead + "LOCATION=note\r\nUPSTREAM=*HD&1&2&3&4&5&6&\r\n"
            << 1 << QStringLiteral("LOCATION=note\nUPSTREAM=*HD&1&2&3&4&5&6&\n");
    }
    void modemReport()
    {
        QFETCH(QByteArray, source);
        QFETCH(int, typeCode);
        QFETCH(QString, expected);
        TestWorkspace ws;
        app().CurrentModel.modelTypeCode = typeCode;
        QCOMPARE(writeModemReport(ws.write("m.lg26m", source), ws.path("r.txt")), 0);
        QCOMPARE(Cp437::toUnicode(ws.read("r.txt")), Cp437::toUnicode(cp437(expected)));
    }

    void modemReportLanguageAndFailures()
    {
        TestWorkspace ws;
        StringTable::setLanguage(1);
        QCOMPARE(writeModemReport(ws.write("m.lg26m", kModemLogger), ws.path("r.txt")), 0);
        const QByteArray r = ws.read("r.txt");
        QVERIFY(r.contains("\r\nREGISTRADO\r\n"));
        QVERIFY(r.contains("\r\nFICHERO DE CONFIGURACION: modem cfg.bin\r\n"));
        QVERIFY(r.contains("\xB3     INFORME DE PING         \xB3"));
        QCOMPARE(writeModemReport(ws.path("missing.lg26m"), ws.path("r.txt")), -1);
        QCOMPARE(ws.read("r.txt"), r);
        QCOMPARE(Report::printTitle(12), QStringLiteral("REGISTRO 12"));
    }
};

QTEST_GUILESS_MAIN(TestReports)
#include "tst_reports.moc"
