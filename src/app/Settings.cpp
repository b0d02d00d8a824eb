#include "app/Settings.h"
#include "app/AppState.h"
#include "app/Files.h"

#include <QDir>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace {

constexpr int kMaxLineLength = 499;
constexpr int kMaxLines = 201;

const char *const kKeys[] = {"PORT", "LIBRARY", "VERSION", "TEMP", "[END]"};

// Where the first n characters of a text end. A character outside the basic plane is one
// character, not the two halves a QString holds: a cut never splits it.
qsizetype endOfChars(const QString &text, qsizetype n)
{
    qsizetype i = 0;
    for (qsizetype count = 0; i < text.size() && count < n; ++count)
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
    return i;
}

QString stripLineEnd(QString line)
{
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    line.truncate(endOfChars(line, kMaxLineLength));
    return line;
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    (void)QString(decoder(bytes));
    return !decoder.hasError();
}

bool hasHighByte(const QByteArray &bytes)
{
    for (const char c : bytes)
        if (uchar(c) > 0x7F)
            return true;
    return false;
}

// Applies one setting with its default: absent key -> default; key with a value -> that value;
// key seen only through "[END]" (or with an empty value) -> the global keeps what it held.
void applySetting(const QString &key, QString &global, const QString &fallback)
{
    const SettingValue v = readSetting(key);
    if (!v.found)
        global = fallback;
    else if (v.hasValue && !v.value.isEmpty())
        global = v.value;
    // A key present without a value keeps the value in force, but at the start there is none:
    // an empty folder would put the working files in "/".
    if (global.isEmpty())
        global = fallback;
}

}   // namespace

int settingValueLength(const QString &value)
{
    return int(std::min<qsizetype>(value.toUcs4().size(), std::numeric_limits<int>::max()));
}

QString settingValueAsStored(const QString &value)
{
    return value.left(endOfChars(value, kSettingValueLimit));
}

QString settingsPath()
{
    return app().programFolder + QStringLiteral("/st.stg");
}

bool settingValueFits(const QString &value)
{
    // The last test refuses what no encoding carries (half of a surrogate pair).
    return settingValueLength(value) <= kSettingValueLimit && !value.contains(QLatin1Char('\n'))
           && QString::fromUtf8(value.toUtf8()) == value;
}

int firstSettingThatDoesNotFit(const QString &port, const QString &library, const QString &firmware,
                               const QString &temp)
{
    const QString *values[] = {&port, &library, &firmware, &temp};
    for (int i = 0; i < 4; ++i)
        if (!settingValueFits(*values[i]))
            return i;
    return -1;
}

QByteArray encodeSettingsFile(const QStringList &lines)
{
    QString text;
    for (const QString &l : lines)
        text += l + QStringLiteral("\r\n");
    bool latin1 = true;
    for (const QChar c : text)
        if (c.unicode() > 0xFF) {
            latin1 = false;
            break;
        }
    if (latin1) {
        const QByteArray bytes = text.toLatin1();
        // Latin-1 text that happens to be valid UTF-8 ("Ã©") would be read as UTF-8 ("é").
        if (!hasHighByte(bytes) || !isValidUtf8(bytes))
            return bytes;
    }
    return text.toUtf8();
}

QString decodeSettingsFile(const QByteArray &bytes)
{
    if (hasHighByte(bytes) && isValidUtf8(bytes)) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    return QString::fromLatin1(bytes);
}

SettingValue readSetting(const QString &key)
{
    SettingValue result;
    QByteArray bytes;
    if (!readFileBytes(settingsPath(), bytes))
        return result;
    const QString text = decodeSettingsFile(bytes);

    QString currentKey;
    QString value;
    bool haveValue = false;
    qsizetype at = 0;
    for (int lineNo = 0; lineNo < kMaxLines && at < text.size(); ++lineNo) {
        // A line runs to its line feed, which it keeps, as the reader of the format takes it.
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), at);
        const qsizetype end = lf < 0 ? text.size() : lf + 1;
        const QString line = stripLineEnd(text.mid(at, end - at));
        at = end;
        for (const char *k : kKeys) {
            if (line.startsWith(QLatin1String(k))) {
                currentKey = QLatin1String(k);
                break;
            }
        }
        // A line with "=" carries a value; a line without one leaves the previous value.
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = settingValueAsStored(line.mid(eq + 1));
            // A control character (a NUL, the CR of a file with CR-only line ends) ends the
            // value: it would make a path that names another file, or none.
            for (qsizetype i = 0; i < value.size(); ++i)
                if (value.at(i).unicode() < 0x20) {
                    value.truncate(i);
                    break;
                }
            haveValue = true;
        }
        if (currentKey == key) {
            result.found = true;
            result.hasValue = haveValue;
            result.value = haveValue ? value : QString();
            return result;
        }
        if (currentKey == QLatin1String("[END]")) {
            // Keys missing before "[END]" count as present without a value: the loader then
            // keeps the value the global already had. Reading goes on in case the key follows.
            result.found = true;
            result.hasValue = false;
            result.value.clear();
        }
    }
    return result;
}

bool writeSettings(const QString &path, const QString &port, const QString &library, const QString &firmware,
                   const QString &temp)
{
    // A value that would come back different (cut short, or split over two lines) names another
    // folder at the next start: such a file is not written at all.
    if (firstSettingThatDoesNotFit(port, library, firmware, temp) >= 0)
        return false;
    const QString values[] = {port, library, firmware, temp};
    const QString rule = QStringLiteral("#=====================================");
    const QStringList lines = {
        rule,
        QStringLiteral("Kelvatrone :  CONTROL REMOT PROGRAM"),
        rule,
        QStringLiteral("PORT=") + values[0],
        QStringLiteral("LIBRARY=") + values[1],
        QStringLiteral("VERSION=") + values[2],
        QStringLiteral("TEMP=") + values[3],
        QStringLiteral("[END]"),
    };
    return writeBytesAtomically(path, encodeSettingsFile(lines));
}

void loadSettings()
{
    AppState &s = app();
    s.programFolder = QDir::currentPath();
    applySetting(QStringLiteral("PORT"), s.PortName, QStringLiteral("COM1"));
    applySetting(QStringLiteral("LIBRARY"), s.libraryFolder, s.programFolder + QStringLiteral("/Channel"));
    applySetting(QStringLiteral("VERSION"), s.firmwareFolder, s.programFolder + QStringLiteral("/Version"));
    applySetting(QStringLiteral("TEMP"), s.tempFolder, s.programFolder + QStringLiteral("/Temp"));
}
