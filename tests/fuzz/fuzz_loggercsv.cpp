// Loggers as CSV files and as level charts: whatever a logger file holds, the CSV made from it
// reads back (RFC 4180) as exactly the cells that went in (a cell a spreadsheet would run as a
// formula with its leading apostrophe), one record per channel or field, and the chart's counts
// add up. Input: "t" (TV) or "m" (cable modem), then the file.

#include "FuzzSupport.h"
#include "datalogger/LevelChart.h"
#include "datalogger/LoggerCsv.h"

namespace {

// Records of a CSV text as a spreadsheet reads them; false when the quoting is broken.
bool parseCsv(const QString &text, QList<QStringList> &records)
{
    QStringList record;
    QString field;
    bool quoted = false, wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else
                quoted = false;
        } else if (c == QLatin1Char('"')) {
            if (!field.isEmpty() || wasQuoted)
                return false;
            quoted = wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('\n'))
                return false;
            record << field;
            records << record;
            record.clear();
            field.clear();
            wasQuoted = false;
            ++i;
        } else if (c == QLatin1Char('\n')) {
            return false;   // a record ends with CR LF only
        } else {
            if (wasQuoted)
                return false;
            field += c;
        }
    }
    return !quoted && field.isEmpty() && record.isEmpty();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    if (size < 1)
        return 0;
    const bool tv = data[0] != 'm';
    const QString in = fuzz::writeFile(QStringLiteral("in.lg"), data + 1, size - 1);

    QByteArray csv;
    QStringList names;   // what the first cell of each channel's record must read back as
    qsizetype expectedRecords = 0;
    int fields = 0;
    if (tv) {
        LevelChart::Model model;
        if (LevelChart::load(in, model) != 0)
            return 0;
        FUZZ_CHECK(model.measured + model.unmeasured == model.bars.size());
        FUZZ_CHECK(model.under <= model.measured);
        (void)model.summary();
        (void)model.levelRange();
        (void)model.qualityRange();
        for (int i = 0; i < model.bars.size(); ++i) {
            (void)model.toolTip(i);
            names << model.bars.at(i).name();
        }
        csv = LoggerCsv::tvCsv(model);
        expectedRecords = model.bars.size() + 1;
        fields = 16;
    } else {
        ModemLoggerRecord record;
        if (ModemLoggerFile::read(in, record) != 0)
            return 0;
        csv = LoggerCsv::modemCsv(record);
        fields = 4;
    }
    FUZZ_CHECK(csv.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(csv.mid(3));
    FUZZ_CHECK(text.toUtf8() == csv.mid(3));
    QList<QStringList> records;
    FUZZ_CHECK(parseCsv(text, records));
    if (expectedRecords > 0)
        FUZZ_CHECK(records.size() == expectedRecords);
    for (const QStringList &r : records)
        FUZZ_CHECK(r.size() == fields);
    for (qsizetype i = 0; i < names.size(); ++i)
        FUZZ_CHECK(records.at(i + 1).at(0) == LoggerCsv::defused(names.at(i)));
    return 0;
}
