#pragma once
// The settings file "st.stg" in the program folder: the port and three folders.

#include <QString>

struct SettingValue {
    bool found = false;
    bool hasValue = false;
    QString value;
};

// A settings value is at most this many characters. The reader takes no more of a line (an
// older or hand-made file with a longer value is cut there); the writer refuses a longer one
// rather than store a value that would come back as another folder.
constexpr int kSettingValueLimit = 79;

// Reads one key (PORT, LIBRARY, VERSION, TEMP) from the program folder's "st.stg".
SettingValue readSetting(const QString &key);

// Writes the settings file at path with the given values. False when it cannot be written,
// or when a value would not read back unchanged (settingValueFits): the file is then left as
// it was. The file is Latin-1 when every value fits Latin-1 (as every file written before),
// otherwise UTF-8.
bool writeSettings(const QString &path, const QString &port, const QString &library, const QString &firmware,
                   const QString &temp);

// The start-up loader: program folder = current directory, then every key with its default.
void loadSettings();

// Path of the settings file in the program folder.
QString settingsPath();

// The value as the reader takes it from a line (cut to kSettingValueLimit characters).
QString settingValueAsStored(const QString &value);
// A value's length in characters (a character outside the basic plane counts once).
int settingValueLength(const QString &value);

// Whether a value reads back from the settings file exactly as written: at most
// kSettingValueLimit characters, no line feed inside it, and nothing that no encoding carries.
bool settingValueFits(const QString &value);
// The first of the values PORT, LIBRARY, VERSION, TEMP (0 to 3) that does not fit; -1 when all do.
int firstSettingThatDoesNotFit(const QString &port, const QString &library, const QString &firmware,
                               const QString &temp);

// The bytes of the settings file for its lines, each ended by CR LF: Latin-1 when every
// character fits and the bytes cannot be taken for UTF-8; otherwise UTF-8.
QByteArray encodeSettingsFile(const QStringList &lines);
// The text of a settings file: UTF-8 when the bytes are valid UTF-8 and hold a byte above 127
// (a file written for a folder outside Latin-1), otherwise Latin-1 (every older file).
QString decodeSettingsFile(const QByteArray &bytes);
