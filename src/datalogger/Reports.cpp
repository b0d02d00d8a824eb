#include "datalogger/Reports.h"
#include "link/ErrorCodes.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "datalogger/CodePage437.h"
#include "datalogger/LoggerFiles.h"

#include <QStringList>

using namespace Logger;

namespace {

// String-table rows of the report labels.
namespace Row {
constexpr int Datalogger = 1;
constexpr int ChannelPlan = 9;
constexpr int Offset = 82;
constexpr int Bw = 83;
constexpr int System = 86;
constexpr int SymbolRate = 87;
constexpr int Annex = 88;
constexpr int Mod = 89;
constexpr int Time = 115;
constexpr int Date = 116;
constexpr int Downstream = 122;
constexpr int Mer = 124;
constexpr int PreBer = 127;
constexpr int TimeAvg = 129;
constexpr int Comments = 130;
constexpr int Upstream = 132;
constexpr int Headend = 133;
constexpr int IpCableModem = 134;
constexpr int IpTodServer = 135;
constexpr int IpTftpServer = 136;
constexpr int ConfigFile = 137;
constexpr int PingAddress = 138;
constexpr int Send = 139;
constexpr int Plr = 140;
constexpr int TimeMin = 141;
constexpr int TimeMax = 142;
constexpr int PingReport = 143;
constexpr int Freq = 146;
constexpr int Pwr = 147;
constexpr int AudioFreq = 148;
constexpr int Level = 149;
constexpr int VideoAudio = 150;
constexpr int CarrierNoise = 151;
constexpr int Location = 153;
constexpr int ChannelNumber = 154;
constexpr int Units = 155;
constexpr int LoggerNumber = 174;
constexpr int Measures = 175;
constexpr int Channel = 176;
constexpr int ThresholdLevel = 177;
constexpr int Receive = 178;
constexpr int Registered = 179;
constexpr int Unregistered = 180;
}   // namespace Row

// The rows of a TV report follow a column line among the source's first 51 lines.
constexpr int kRowsColumnLineLimit = 51;

const QByteArray kProduct = QByteArrayLiteral("Kelvatrone");
const QByteArray kEol = QByteArrayLiteral("\r\n");

// A file value in the report's code page.
QByteArray value(const QString &text)
{
    return Cp437::fromUnicode(text);
}

// "%-w.ps": cut to p characters, padded on the right to w.
QByteArray leftCell(const QByteArray &text, int width, int precision)
{
    return text.left(precision).leftJustified(width, ' ');
}

// "%w.ws": cut to w characters, padded on the left.
QByteArray rightCell(const QByteArray &text, int width)
{
    return text.left(width).rightJustified(width, ' ');
}

QByteArray frameEdge(char left, char right)
{
    return left + QByteArray(29, Cp437::Horizontal) + right + kEol;
}

// The report's first frame: the product and "DATALOGGER".
QByteArray titleFrame()
{
    return frameEdge(Cp437::TopLeft, Cp437::TopRight) + Cp437::Vertical + leftCell(kProduct, 14, 14) + ':'
           + leftCell(Report::label(Row::Datalogger), 14, 12) + Cp437::Vertical + kEol
           + frameEdge(Cp437::BottomLeft, Cp437::BottomRight);
}

QByteArray sectionFrame(int row)
{
    return frameEdge(Cp437::TopLeft, Cp437::TopRight) + Cp437::Vertical + QByteArray(5, ' ')
           + leftCell(Report::label(row), 16, 16) + QByteArray(8, ' ') + Cp437::Vertical + kEol
           + frameEdge(Cp437::BottomLeft, Cp437::BottomRight);
}

QByteArray labelLine(int row, const QByteArray &text)
{
    return Report::label(row) + '=' + text + kEol;
}

QByteArray labelNumber3(int row, int number)
{
    return labelLine(row, QByteArray::number(number).rightJustified(3, ' '));
}

// --- the TV table ----------------------------------------------------------------------------

struct Column {
    int width;
    int row;   // label
    TvMeasurement::Field field;
};

const Column kColumns[] = {
    {6, Row::Channel, TvMeasurement::CH},      {6, Row::Freq, TvMeasurement::FREQ},
    {5, Row::Bw, TvMeasurement::BW},           {6, Row::Offset, TvMeasurement::OFF},
    {6, Row::Mod, TvMeasurement::MOD},         {6, Row::Annex, TvMeasurement::ANNEX},
    {5, Row::SymbolRate, TvMeasurement::SR},   {6, Row::Pwr, TvMeasurement::PWR},
    {6, Row::Mer, TvMeasurement::MER},         {8, Row::PreBer, TvMeasurement::BER},
    {10, Row::System, TvMeasurement::SYS},     {6, Row::AudioFreq, TvMeasurement::AF},
    {6, Row::Level, TvMeasurement::LVL},       {6, Row::VideoAudio, TvMeasurement::VA},
    {6, Row::CarrierNoise, TvMeasurement::CN},
};

QByteArray ruleLine(char lead, char between, char close)
{
    QByteArray out(1, lead);
    bool first = true;
    for (const Column &c : kColumns) {
        if (!first)
            out += between;
        out += QByteArray(c.width, Cp437::Horizontal);
        first = false;
    }
    return out + close + kEol;
}

QByteArray headerRow()
{
    QByteArray out(1, Cp437::Vertical);
    for (const Column &c : kColumns)
        out += leftCell(Report::label(c.row), c.width, c.width) + Cp437::Vertical;
    return out + kEol;
}

// A measurement row. A line that does not split into all 16 fields shows the fields it has and
// leaves the rest blank, so a damaged line is visible on paper instead of silently missing.
QByteArray measurementRow(const QString &line)
{
    const QStringList fields = measurementFields(line);
    QByteArray out(1, Cp437::Vertical);
    for (const Column &c : kColumns) {
        const QString f = c.field < fields.size() ? fields.at(c.field) : QString();
        out += rightCell(value(f), c.width) + Cp437::Vertical;
    }
    return out + kEol;
}

// The fields of a modem section line counted from its end: the count fields before the last
// "&". False when the line has fewer than count + 1 "&".
bool fieldsFromEnd(const QString &line, int count, QStringList &fields)
{
    const QStringList parts = line.split(QLatin1Char('&'));
    const int ampersands = int(parts.size()) - 1;
    if (ampersands < count + 1)
        return false;
    fields = parts.mid(ampersands - count, count);
    return true;
}

}   // namespace

namespace Report {

QByteArray label(int row)
{
    return Cp437::fromUnicode(StringTable::text(row).toUpper());
}

QString printTitle(int loggerNumber)
{
    return StringTable::text(Row::Datalogger).toUpper() + QLatin1Char(' ') + QString::number(loggerNumber);
}

}   // namespace Report

int writeTvReport(const QString &loggerPath, const QString &reportPath)
{
    QStringList lines;
    if (!readTextLines(loggerPath, lines))
        return Err::OpenFailed;

    int loggerNumber = 0;
    int channelCount = 0;
    QString time, date, channelPlan, units, threshold, optionThreshold, location;
    const QString columnKey = kTvColumnLine.left(kTvColumnKeyLength);

    // Header phase: the key lines up to the column line.
    int columnLine = -1;
    bool writeHeader = true;
    int unrecognisedRun = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        bool known = false;
        if (isKeyLine(line, Key::LoggerNumber)) {
            loggerNumber = leadingInt(keyValue(line));
            known = true;
        }
        if (isKeyLine(line, Key::Time)) {
            time = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::Date)) {
            date = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::AudioCarrierSignal))
            known = true;
        if (isKeyLine(line, Key::AudioFrequency))
            known = true;
        if (isKeyLine(line, Key::ChannelPlan)) {
            channelPlan = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::Units)) {
            units = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::ChannelNumber)) {
            channelCount = leadingInt(keyValue(line));
            known = true;
        }
        if (isKeyLine(line, Key::ThresholdLevel)) {
            threshold = keyValue(line);
            known = true;
        }
        if (isKeyLine(line, Key::OptionThreshold)) {
            optionThreshold = keyValue(line);
            known = true;
        }
        if (line.startsWith(columnKey)) {
            columnLine = i;
            break;
        }
        if (isKeyLine(line, Key::Location)) {
            location = keyValue(line);
            known = true;
        }
        if (known) {
            unrecognisedRun = 0;
        } else if (++unrecognisedRun > kMaxUnrecognised) {
            // Not a TV logger: no header block, and no rows without a column line.
            writeHeader = false;
            break;
        }
    }

    QByteArray out;
    if (writeHeader) {
        out += titleFrame();
        out += labelNumber3(Row::LoggerNumber, loggerNumber);
        out += labelLine(Row::Location, value(location));
        out += labelLine(Row::Date, value(date));
        out += labelLine(Row::Time, value(time));
        out += labelLine(Row::ChannelPlan, value(channelPlan));
        out += labelNumber3(Row::ChannelNumber, channelCount);
        out += labelLine(Row::Units, value(units));
        out += labelLine(Row::ThresholdLevel, value(threshold));
        out += Cp437::fromUnicode(StringTable::text(Row::Measures)) + kEol;
        out += ruleLine(Cp437::TopLeft, Cp437::TeeDown, Cp437::TopRight);
        out += headerRow();
        out += ruleLine(Cp437::TeeRight, Cp437::Cross, Cp437::TeeLeft);
    }
    // Rows phase: every line after the column line is a measurement row. The rows are looked
    // for after a column line within the first 51 lines only.
    if (columnLine >= 0 && columnLine < kRowsColumnLineLimit) {
        for (int i = columnLine + 1; i < lines.size(); ++i) {
            if (i > columnLine + 1)
                out += ruleLine(Cp437::TeeRight, Cp437::Cross, Cp437::TeeLeft);
            out += measurementRow(lines.at(i));
        }
    }
    out += ruleLine(Cp437::BottomLeft, Cp437::TeeUp, Cp437::BottomRight);

    return writeBytesAtomicallyCode(reportPath, out);
}

int writeModemReport(const QString &loggerPath, const QString &reportPath)
{
    QStringList lines;
    if (!readTextLines(loggerPath, lines))
        return Err::OpenFailed;

    const bool typeWithoutRegistration = app().CurrentModel.modelTypeCode == 3;
    bool registered = false;
    bool commentsArmed = false;
    bool inComments = false;
    QByteArray out;
    QStringList f;

    for (const QString &line : lines) {
        if (inComments) {
            out += value(line) + kEol;
            continue;
        }
        if (isKeyLine(line, Key::Upstream)) {
            if (fieldsFromEnd(line, 6, f)) {
                out += sectionFrame(Row::Upstream);
                for (const QString &x : f)
                    out += value(x) + kEol;
            }
            commentsArmed = true;
        } else if (isKeyLine(line, Key::Downstream)) {
            if (fieldsFromEnd(line, 7, f)) {
                out += sectionFrame(Row::Downstream);
                for (const QString &x : f)
                    out += value(x) + kEol;
            }
        } else if (isKeyLine(line, Key::Info)) {
            QStringList parts = line.split(QLatin1Char('&'));
            if (parts.size() - 1 >= 3) {
                const QString after = parts.takeLast();
                const QString status = parts.takeLast();
                const QString description = parts.takeLast();
                registered = !typeWithoutRegistration && status == kRegistered;
                out += value(description) + kEol;
                if (!typeWithoutRegistration)
                    out += Report::label(status == kRegistered ? Row::Registered : Row::Unregistered);
                out += kEol;
                out += value(after) + kEol;
            }
        } else if (isKeyLine(line, Key::Location)) {
            inComments = true;
            if (commentsArmed) {
                out += sectionFrame(Row::Comments);
                out += value(line.mid(Key::Location.size() + 1)) + kEol;
                commentsArmed = false;
            } else {
                out += value(line) + kEol;
            }
        } else if (isKeyLine(line, Key::LoggerNumber)) {
            out += titleFrame();
            out += labelLine(Row::LoggerNumber, QByteArray::number(leadingInt(line.mid(Key::LoggerNumber.size() + 1))));
        } else if (registered && isKeyLine(line, Key::Headend)) {
            if (fieldsFromEnd(line, 4, f)) {
                static const int rows[] = {Row::IpCableModem, Row::IpTodServer, Row::IpTftpServer, Row::ConfigFile};
                out += sectionFrame(Row::Headend);
                for (int i = 0; i < 4; ++i)
                    out += Report::label(rows[i]) + ": " + value(f.at(i)) + kEol;
            }
        } else if (registered && isKeyLine(line, Key::PingReport)) {
            if (fieldsFromEnd(line, 7, f)) {
                static const int rows[] = {Row::PingAddress, Row::Send,    Row::Receive, Row::Plr,
                                           Row::TimeMin,     Row::TimeMax, Row::TimeAvg};
                out += sectionFrame(Row::PingReport);
                for (int i = 0; i < 7; ++i)
                    out += Report::label(rows[i]) + ": " + value(i == 3 ? plrText(f.at(i)) : f.at(i)) + kEol;
            }
        }
    }
    return writeBytesAtomicallyCode(reportPath, out);
}
