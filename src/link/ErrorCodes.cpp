#include "link/ErrorCodes.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/WorkspaceLock.h"
#include "app/StringTable.h"

namespace {

// How a code's message is laid out.
enum class Form {
    WithErrorPrefix,   // "Error" + " : " + row + ": " + code
    Plain,   // row + ": " + code
    NameWithoutCode,   // "Error" + " : " + row + " ": the plan-name check shows no number
};

struct CodeMessage {
    int code;
    Form form;
    int row;
};

constexpr int kErrorRow = 186;   // "Error"
constexpr int kInternalErrorRow = 66;   // "Internal Error"

constexpr CodeMessage kMessages[] = {
    {-254, Form::WithErrorPrefix, 290},   // "Unable To Write File"
    {-256, Form::WithErrorPrefix, 309},   // "%1 has no file type for these loggers"
    {-257, Form::WithErrorPrefix, 326},   // "Unable to use the archive"
    {-258, Form::WithErrorPrefix,
     333},   // "The archive was made by a newer version of Kelvatrone; it was left as it is"
    {-259, Form::WithErrorPrefix, 334},   // "The archive is damaged"
    {-260, Form::WithErrorPrefix, 335},   // "No archive entry with that number"
    {-261, Form::WithErrorPrefix, 336},   // "Not a TV logger"
    {-262, Form::WithErrorPrefix, 395},   // "The team archive's server cannot be reached"
    {-263, Form::WithErrorPrefix, 396},   // "The server refused the user or the password"
    {-264, Form::WithErrorPrefix, 397},   // "The team archive on the server was made by a newer version of Kelvatrone"
    {-265, Form::WithErrorPrefix, 398},   // "The team archive on the server is damaged"
    {-266, Form::WithErrorPrefix, 399},   // "The synchronisation with the server failed"
    {-253, Form::WithErrorPrefix, 203},   // "File not found"
    {-251, Form::Plain, 52},   // "File Already Exists"
    {-250, Form::WithErrorPrefix, 61},   // "No ChannelPlan Library"
    {Err::IncorrectOffset, Form::WithErrorPrefix, 183},   // "Incorrect Offset"
    {-212, Form::WithErrorPrefix, 62},   // "No Models Found"
    {-210, Form::WithErrorPrefix, 188},   // "Detected equipment without principal program..."
    {-209, Form::WithErrorPrefix, 187},   // "Not recognized equipment"
    {-153, Form::Plain, 58},   // "Incorrect Format File"
    {-146, Form::WithErrorPrefix, 64},   // "Version must be greater or equal 1.27"
    {-104, Form::Plain, 63},   // "Device Unknown"
    {-101, Form::WithErrorPrefix, 54},   // "Device State Not Saved"
    {-92, Form::WithErrorPrefix, 54},
    {-99, Form::WithErrorPrefix, 60},   // "No Upgrade Files"
    {-98, Form::Plain, 65},   // "User Break"
    {-97, Form::Plain, 41},   // "Communication Error"
    {-96, Form::Plain, 41},
    {-6, Form::Plain, 41},
    {-5, Form::Plain, 41},
    {-4, Form::Plain, 41},
    {-3, Form::Plain, 41},
    {-1, Form::Plain, 41},
    {-91, Form::Plain, 76},   // "End Update Process"
    {-90, Form::WithErrorPrefix, 56},   // "No Channel"
    {-88, Form::WithErrorPrefix, 53},   // "Unable To Open File"
    {-65, Form::WithErrorPrefix, 53},
    {-87, Form::Plain, 75},   // "Not Free Port"
    {-78, Form::WithErrorPrefix, 74},   // "Incorrect Attenuator"
    {-75, Form::WithErrorPrefix, 74},
    {-77, Form::WithErrorPrefix, 73},   // "Incorrect Modulation"
    {-74, Form::WithErrorPrefix, 73},
    {-76, Form::WithErrorPrefix, 72},   // "Incorrect Annex"
    {-73, Form::WithErrorPrefix, 72},
    {-72, Form::WithErrorPrefix, 71},   // "Incorrect Symbol Rate"
    {Err::IncorrectSymbolRate, Form::WithErrorPrefix, 71},
    {-70, Form::WithErrorPrefix, 71},
    {-68, Form::WithErrorPrefix, 69},   // "Incorrect BandWidth"
    {-44, Form::WithErrorPrefix, 69},
    {Err::IncorrectBandwidth, Form::WithErrorPrefix, 69},
    {-67, Form::WithErrorPrefix, 70},   // "Incorrect Frequency"
    {-40, Form::WithErrorPrefix, 70},
    {Err::IncorrectFrequency, Form::WithErrorPrefix, 70},
    {-66, Form::WithErrorPrefix, 68},   // "Incorrect Channel Name"
    {-39, Form::WithErrorPrefix, 68},
    {Err::IncorrectChannelName, Form::WithErrorPrefix, 68},
    {-42, Form::WithErrorPrefix, 171},   // "Incorrect Digital Option"
    {-36, Form::WithErrorPrefix, 171},
    {-41, Form::WithErrorPrefix, 170},   // "Incorrect Actived Option"
    {-35, Form::WithErrorPrefix, 170},
    {-38, Form::NameWithoutCode, 169},   // "Incorrect Channel Plan Name"
    {-17, Form::WithErrorPrefix, 59},   // "Limit 10 Channel Plans"
    {-16, Form::WithErrorPrefix, 55},   // "No Channel Plan"
};

}   // namespace

QString ErrorCodeText(int code)
{
    if (code >= 0)
        return QString();
    if (code == Err::WorkspaceBusy)
        return WorkspaceLock::busyText(WorkspaceLock::lastBusyHolder());

    // A negative code nobody listed still reaches the user, with its number.
    CodeMessage message{code, Form::Plain, kInternalErrorRow};
    for (const CodeMessage &m : kMessages) {
        if (m.code == code) {
            message = m;
            break;
        }
    }

    QString words = StringTable::text(message.row);
    if (code == Err::NoLoggerFileType)
        words = words.arg(app().CurrentModel.modelName);
    const QString number = QString::number(code);
    switch (message.form) {
        case Form::WithErrorPrefix: {
            QString text = StringTable::text(kErrorRow) + QStringLiteral(" : ") + words + QStringLiteral(": ") + number;
            // Which file, in which folder, and what the system said: a full disk or a folder the
            // user may not write to is something the user can mend.
            if (const QString detail = code == Err::WriteFailed ? writeFailureText() : QString(); !detail.isEmpty())
                text += QLatin1Char('\n') + detail;
            return text;
        }
        case Form::NameWithoutCode:
            return StringTable::text(kErrorRow) + QStringLiteral(" : ") + words + QLatin1Char(' ');
        case Form::Plain: break;
    }
    return words + QStringLiteral(": ") + number;
}

bool errorCodeUsesStopIcon(int code)
{
    return code == Err::EndUpdateProcess;
}
