// The checks of typed fields at their bounds, the canonical texts, and the tied frequencies.
#include "channelplan/ChannelRecord.h"
#include "channelplan/FieldRules.h"
#include "link/ErrorCodes.h"

#include <QTest>

Q_DECLARE_METATYPE(CheckKind)

class TestFieldRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checks_data()
    {
        QTest::addColumn<CheckKind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        const auto name = CheckKind::ChannelName;
        QTest::newRow("name AB") << name << "AB" << 0;
        QTest::newRow("name A B") << name << "A B" << 0;
        QTest::newRow("name 4 chars") << name << "a_-9" << 0;
        QTest::newRow("name empty") << name << "" << Err::IncorrectChannelName;
        QTest::newRow("name 5 chars") << name << "ABCDE" << Err::IncorrectChannelName;
        QTest::newRow("name dot") << name << "A.B" << Err::IncorrectChannelName;
        QTest::newRow("name comma") << name << "A,B" << Err::IncorrectChannelName;
        QTest::newRow("name accented") << name << QString::fromUtf8("\u00c9") << Err::IncorrectChannelName;
        const auto freq = CheckKind::Frequency;
        QTest::newRow("freq 5") << freq << "5" << 0;
        QTest::newRow("freq 863") << freq << "863" << 0;
        QTest::newRow("freq 863.00") << freq << "863.00" << 0;
        QTest::newRow("freq 4.99") << freq << "4.99" << Err::IncorrectFrequency;
        QTest::newRow("freq 863.01") << freq << "863.01" << Err::IncorrectFrequency;
        QTest::newRow("freq 870") << freq << "870" << Err::IncorrectFrequency;
        QTest::newRow("freq empty") << freq << "" << Err::IncorrectFrequency;
        QTest::newRow("freq dot only") << freq << "." << Err::IncorrectFrequency;
        QTest::newRow("freq two points") << freq << "47.7.5" << Err::IncorrectFrequency;
        QTest::newRow("freq comma") << freq << "47,75" << Err::IncorrectFrequency;
        QTest::newRow("freq exponent") << freq << "4.7e2" << Err::IncorrectFrequency;
        QTest::newRow("freq leading point") << freq << ".5e1" << Err::IncorrectFrequency;
        const auto bw = CheckKind::Bandwidth;
        QTest::newRow("bw 0.3") << bw << "0.3" << 0;
        QTest::newRow("bw 9.9") << bw << "9.9" << 0;
        QTest::newRow("bw 0.29") << bw << "0.29" << Err::IncorrectBandwidth;
        QTest::newRow("bw 9.91") << bw << "9.91" << Err::IncorrectBandwidth;
        QTest::newRow("bw 10") << bw << "10" << Err::IncorrectBandwidth;
        const auto sr = CheckKind::SymbolRate;
        QTest::newRow("sr 1000") << sr << "1000" << 0;
        QTest::newRow("sr 7200") << sr << "7200" << 0;
        QTest::newRow("sr 999") << sr << "999" << Err::IncorrectSymbolRate;
        QTest::newRow("sr 7201") << sr << "7201" << Err::IncorrectSymbolRate;
        QTest::newRow("sr empty") << sr << "" << Err::IncorrectSymbolRate;
        const auto off = CheckKind::Offset;
        QTest::newRow("offset -2.5") << off << "-2.5" << 0;
        QTest::newRow("offset 2.5") << off << "2.5" << 0;
        QTest::newRow("offset 0") << off << "0" << 0;
        QTest::newRow("offset -2.6") << off << "-2.6" << Err::IncorrectOffset;
        QTest::newRow("offset 2.51") << off << "2.51" << Err::IncorrectOffset;
        QTest::newRow("offset minus") << off << "-" << Err::IncorrectOffset;
    }
    void checks()
    {
        QFETCH(CheckKind, kind);
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(validateField(text, kind), code);
    }

    void canonicalTexts_data()
    {
        QTest::addColumn<CheckKind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("formatted");
        QTest::newRow("freq 47.8") << CheckKind::Frequency << "47.8"
                                   << "47.80";
        QTest::newRow("freq 52") << CheckKind::Frequency << "52"
                                 << "52.00";
        QTest::newRow("freq 52.") << CheckKind::Frequency << "52."
                                  << "52.00";
        // Values whose binary form lies just under the decimal one: a formatter that cut the
        // digits instead of rounding them would show 5.01 and 471.31.
        QTest::newRow("freq 5.02") << CheckKind::Frequency << "5.02"
                                   << "5.02";
        QTest::newRow("freq 471.316") << CheckKind::Frequency << "471.316"
                                      << "471.32";
        QTest::newRow("freq 471.314") << CheckKind::Frequency << "471.314"
                                      << "471.31";
        QTest::newRow("bw 8") << CheckKind::Bandwidth << "8"
                              << "8.0";
        QTest::newRow("bw 7.25") << CheckKind::Bandwidth << "7.26"
                                 << "7.3";
        QTest::newRow("offset -0.01") << CheckKind::Offset << "-0.01"
                                      << "0.0";
        QTest::newRow("offset -2.5") << CheckKind::Offset << "-2.5"
                                     << "-2.5";
        QTest::newRow("sr 06875") << CheckKind::SymbolRate << "06875"
                                  << "6875";
        QTest::newRow("name kept") << CheckKind::ChannelName << "a b"
                                   << "a b";
    }
    void canonicalTexts()
    {
        QFETCH(CheckKind, kind);
        QFETCH(QString, text);
        QFETCH(QString, formatted);
        QCOMPARE(formatField(text, kind), formatted);
    }

    void companion_data()
    {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("bandwidth");
        QTest::addColumn<bool>("toDigital");
        QTest::addColumn<QString>("result");
        QTest::newRow("defaults") << "47.75"
                                  << "8.0" << true << "50.50";
        QTest::newRow("digital 52") << "52.00"
                                    << "8.0" << false << "49.25";
        QTest::newRow("bw 7 digital row") << "50.50"
                                          << "7.0" << false << "48.25";
        QTest::newRow("bw 7 analog row") << "47.75"
                                         << "7.0" << true << "50.00";
        QTest::newRow("uhf") << "471.25"
                             << "8.0" << true << "474.00";
        // 471.25 + 6.01 / 2 - 1.25 is 473.005: in double precision it rounds to 473.00, the
        // meter's single precision value lies above and gives 473.01.
        QTest::newRow("single precision up") << "471.25"
                                             << "6.01" << true << "473.01";
        QTest::newRow("single precision down") << "48.25"
                                               << "6.03" << true << "50.01";
        QTest::newRow("not a number") << "x"
                                      << "8.0" << true << "";
        QTest::newRow("empty bandwidth") << "47.75"
                                         << "" << true << "";
    }
    void companion()
    {
        QFETCH(QString, frequency);
        QFETCH(QString, bandwidth);
        QFETCH(bool, toDigital);
        QFETCH(QString, result);
        QCOMPARE(
            companionFrequency(frequency, bandwidth,
                               toDigital ? FrequencyDirection::AnalogToDigital : FrequencyDirection::DigitalToAnalog),
            result);
    }

    void companionFromReceivedValues()
    {
        // A received plan: hertz scaled into single precision, as the meter's answer is decoded.
        const float analog = float(474000000 * 0.000001);
        const float bandwidth = float(8000000 * 0.000001);
        QCOMPARE(companionFrequency(analog, bandwidth, FrequencyDirection::AnalogToDigital), QStringLiteral("476.75"));
    }

    void applicability_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("applies");   // columns 1..11, "x" = applies
        QTest::newRow("digital on") << "ON"
                                    << "DIGITAL"
                                    << "x.xxxxxxxx.";
        QTest::newRow("analog on") << "ON"
                                   << "ANALOG"
                                   << "xx.xxxx...x";
        QTest::newRow("off") << "OFF"
                             << "DIGITAL"
                             << ".....x.....";
        QTest::newRow("empty status") << ""
                                      << "DIGITAL"
                                      << ".....x.....";
    }
    void applicability()
    {
        QFETCH(QString, status);
        QFETCH(QString, mode);
        QFETCH(QString, applies);
        ChannelRecord c = ChannelRecord::newChannel();
        c.status = status;
        c.mode = mode;
        QString got;
        for (int column = 1; column <= 11; ++column)
            got += fieldApplies(c, column) ? QLatin1Char('x') : QLatin1Char('.');
        QCOMPARE(got, applies);
    }
};

QTEST_GUILESS_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
