#pragma once
// The settings file "st.stg" in the program folder: the port and three folders.

#include <QString>

struct SettingValue {
    bool found = false;
    bool hasValue = false;
    QString value;
};

// A settings value is at most this many characters; longer values are cut to it when written
// and when read, the same way, so what is read back is always what was written.
constexpr int kSettingValueLimit = 79;

// Reads one key (PORT, LIBRARY, VERSION, TEMP) from the program folder's "st.stg".
SettingValue readSetting(const QString &key);

// Writes the settings file at path with the given values. False when it cannot be written
// (the file is then left as it was).
bool writeSettings(const QString &path, const QString &port, const QString &library, const QString &firmware,
                   const QString &temp);

// The start-up loader: program folder = current directory, then every key with its default.
void loadSettings();

// Path of the settings file in the program folder.
QString settingsPath();

// The value as the settings file keeps it (cut to kSettingValueLimit characters).
QString settingValueAsStored(const QString &value);
