#pragma once
// The settings file "st.stg" in the program folder: the port and three folders.

#include <QString>

struct SettingValue {
    bool found = false;
    bool hasValue = false;
    QString value;
};

// Reads one key (PORT, LIBRARY, VERSION, TEMP) from the program folder's "st.stg".
SettingValue readSetting(const QString &key);

// Writes the settings file at path with the given values. False when it cannot be written.
bool writeSettings(const QString &path, const QString &port, const QString &library, const QString &firmware,
                   const QString &temp);

// The start-up loader: program folder = current directory, then every key with its default.
void loadSettings();

// Path of the settings file in the program folder.
QString settingsPath();
