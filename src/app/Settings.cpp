#include "app/Settings.h"
#include "app/AppState.h"
#include "app/Files.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int kMaxLineLength = 499;
constexpr int kMaxLines = 201;

const char *const kKeys[] = {"PORT", "LIBRARY", "VERSION", "TEMP", "[END]"};

QString stripLineEnd(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > kMaxLineLength)
        line.truncate(kMaxLineLength);
    return QString::fromLatin1(line);
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
}

} // namespace

QString settingValueAsStored(const QString &value)
{
    return value.left(kSettingValueLimit);
}

QString settingsPath()
{
    return app().programFolder + QStringLiteral("/st.stg");
}

SettingValue readSetting(const QString &key)
{
    SettingValue result;
    QFile f(settingsPath());
    if (!f.open(QIODevice::ReadOnly))
        return result;

    QString currentKey;
    QString value;
    bool haveValue = false;
    for (int lineNo = 0; lineNo < kMaxLines && !f.atEnd(); ++lineNo) {
        const QString line = stripLineEnd(f.readLine());
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
    const QString values[] = {settingValueAsStored(port), settingValueAsStored(library),
                              settingValueAsStored(firmware), settingValueAsStored(temp)};
    // The file is 8-bit text; a value that Latin-1 cannot hold would be written as a different
    // path, so such a file is not written at all.
    for (const QString &v : values) {
        for (QChar c : v)
            if (c.unicode() > 0xFF)
                return false;
    }
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
    return writeTextLinesAtomically(path, lines);
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
