#pragma once

#include <QByteArray>
#include <QString>

// The Windows-1252 code page, in which the program's text files keep their texts ("Città",
// "1° Telefono"). Our own table rather than QStringConverter: Qt 6 encodes only the Unicode
// forms and Latin-1, and Latin-1 differs from this code page in 0x80-0x9F (the euro sign,
// typographic quotes, dashes).
namespace Windows1252 {

// Every byte decodes to one character. The five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to the control characters of the same value, as
// Windows does, so that they survive a round trip.
QString decode(const QByteArray &bytes);
// A character the code page cannot hold is written as '?', as Windows does.
QByteArray encode(const QString &text);

} // namespace Windows1252
