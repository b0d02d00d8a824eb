#pragma once
// Application-wide state. One technician, one meter, one program: these values are shared by
// every window and job. Jobs run on a worker thread while the windows wait for them, so the
// state is only written from the window thread between jobs.

#include <QString>
#include <array>

struct ModelRecord {
    QString modelName;
    QString firmwareFileType;   // empty: the model takes no firmware upgrade
    QString planFileType;   // "ch26", "ch25", or empty: no channel plans
    QString groupFileType;   // "tx26"
    int modelTypeCode = 0;   // 0: no datalogger; 3: cable-modem variant without registration details
    QString modemLoggerFileType;   // "lg26m", "lg27m"
    QString tvLoggerFileType;   // "lg26t", "lg27t"
};

struct CurrentModelRecord : ModelRecord {
    int chosenManually = 0;   // 1 when picked by hand, 0 when identified
};

constexpr int kCatalogueSize = 20;
constexpr int kNoModel = 255;

struct AppState {
    int CurrentLanguage = 0;   // 0 English, 1 Spanish, 2 German, 3 Catalan
    int currentModelIndex = kNoModel;   // 0..19, or 255
    QString PortName = QStringLiteral("COM1");
    QString ProgramVersion = QStringLiteral("v1.15");

    // Folders, always with "/" as separator and without a trailing separator.
    QString programFolder;
    QString libraryFolder;
    QString firmwareFolder;
    QString tempFolder;

    CurrentModelRecord CurrentModel;
    // The meter's identification answer ("KV-27 v1.30") when this run identified it; the
    // measurement archive keeps it with every logger received.
    QString meterIdentity;

    std::array<ModelRecord, kCatalogueSize> catalogue;
    int catalogueCount = 0;

    int PrintFontSize = 6;   // printer font for logger printouts, 6..12, for this run only

    // The logger family ("*TL1"/"*TL2") the meter on loggerFamilyPort was last switched to in
    // this run, as the logger jobs know it: 0 cable modem, 1 TV, -1 not known. Written by the
    // logger jobs (one at a time, while the windows wait for them).
    int meterLoggerFamily = -1;
    QString loggerFamilyPort;
};

// The one instance of the state.
AppState &app();

// Resets every value to its start-up state (tests use this between cases).
void resetAppState();
