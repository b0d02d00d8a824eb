#pragma once
// Code page 437: the 8-bit character set of the printed reports, whose upper half holds the
// box-drawing characters that frame the report tables. Reports are written in it and turned
// back into Unicode only when they are drawn on the printer.

#include <QByteArray>
#include <QChar>
#include <QString>

namespace Cp437 {

// The box-drawing bytes the reports use.
constexpr char TopLeft = char(0xDA);
constexpr char TopRight = char(0xBF);
constexpr char BottomLeft = char(0xC0);
constexpr char BottomRight = char(0xD9);
constexpr char Horizontal = char(0xC4);
constexpr char Vertical = char(0xB3);
constexpr char TeeDown = char(0xC2);
constexpr char TeeUp = char(0xC1);
constexpr char TeeRight = char(0xC3);
constexpr char TeeLeft = char(0xB4);
constexpr char Cross = char(0xC5);

// The Unicode character of a byte (bytes below 0x80 are ASCII).
QChar toUnicode(unsigned char byte);
QString toUnicode(const QByteArray &bytes);

// The byte of a character: its own code-page-437 byte when it has one, else its letter without
// accent ("Ó" -> "O"), else "?". Line breaks are kept.
char fromUnicode(QChar c);
QByteArray fromUnicode(const QString &text);

}   // namespace Cp437
