#include "link/ErrorCodes.h"
// PLACEHOLDER: the table itself is being written.
QString ErrorCodeText(int code) { return code < 0 ? QString::number(code) : QString(); }
bool errorCodeUsesStopIcon(int code) { return code == -91; }
