#pragma once
// Small text checks the meter's command handlers share.

#include <QByteArray>

// True when s is one or more decimal digits and nothing else.
inline bool allDigits(const QByteArray &s)
{
    if (s.isEmpty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}
