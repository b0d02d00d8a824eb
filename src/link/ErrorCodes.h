#pragma once
// The one table of failure codes and their messages.

#include <QString>

// The message for a code in the current language, or an empty text for 0 and positive codes.
QString ErrorCodeText(int code);

// Whether the code is shown with the stop icon (only -91) rather than the information icon.
bool errorCodeUsesStopIcon(int code);

// Result codes used across the program.
namespace Err {
constexpr int PortFailure = 54;   // transfer window could not open the port; never shown
constexpr int OpenFailed = -1;
constexpr int NoMemory = -2;
constexpr int SystemCall = -3;
constexpr int Timeout = -4;
constexpr int Nak = -5;
constexpr int TooLong = -6;
constexpr int ScriptFiles = -8;   // the combined file could not be read, or the script not made
constexpr int ScriptOpen = -14;
constexpr int FirmwareOpen = -15;
constexpr int NoChannelPlan = -16;
constexpr int Limit10Plans = -17;
constexpr int IncorrectChannelName = -33;   // the channel checks of the plan editor and check-plan
constexpr int IncorrectFrequency = -34;
constexpr int IncorrectPlanName = -38;
constexpr int IncorrectBandwidth = -43;
constexpr int UnableToOpenFile = -65;
constexpr int IncorrectSymbolRate = -71;
constexpr int NotFreePort = -87;
constexpr int EndUpdateProcess = -91;
constexpr int CommunicationError = -96;
constexpr int PostUpgradeCheck = -97;
constexpr int UserBreak = -98;
constexpr int NoUpgradeFiles = -99;
constexpr int IncorrectFormatFile = -153;
constexpr int NotRecognized = -209;
constexpr int ManualSelection = -210;
constexpr int NoModelsFound = -212;
constexpr int IncorrectOffset = -213;
constexpr int NoChannelPlanLibrary = -250;
constexpr int FileAlreadyExists = -251;
constexpr int FileNotFound = -253;
constexpr int WriteFailed = -254;   // a file could not be written whole (disk full, no write access)
constexpr int WorkspaceBusy = -255;   // another job holds the working files (see WorkspaceLock)
constexpr int NoLoggerFileType = -256;   // the model names no file type for that logger family
// The measurement archive (archive/Archive.h); the archive's own detail goes with the message.
constexpr int ArchiveFailed = -257;   // the database could not be opened, read or written
constexpr int ArchiveNewer = -258;   // made by a newer program: refused, left as it is
constexpr int ArchiveDamaged = -259;   // its integrity check found faults
constexpr int NoSuchEntry = -260;   // no entry of that number
constexpr int NotTvEntry = -261;   // the view needs a TV logger's entry
// The team archive on a PostgreSQL server (archive/Team.h).
constexpr int ServerUnreachable = -262;   // no server answered (or it went away part-way)
constexpr int ServerPassword = -263;   // the server refused the user or the password
constexpr int ServerNewer = -264;   // its schema is of a newer program: refused
constexpr int ServerDamaged = -265;   // its schema is not the program's
constexpr int ServerFailed = -266;   // any other refusal of the server
}   // namespace Err
