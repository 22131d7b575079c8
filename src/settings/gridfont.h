#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

// The grid font's colour and height in the form the settings file keeps them: the Windows
// colour encoding and the Windows font height. The grid and the font dialog work with
// QColor and QFont; these convert between the two.
//
// Colour: a 32-bit integer, red in the low byte, then green, then blue. With the top bit
// set it names a system colour by its index in the low byte (kWindowTextColor is the
// colour of text in windows, the grid's own colour), which the palette supplies.
// Height: negative is the character height in pixels; positive is the height of the whole
// character cell, taken here as pixels too; 0 leaves the font's size as it is.
namespace GridFont {

constexpr int kWindowTextColor = int(0x80000008u); // -2147483640
// Heights beyond this are nonsense from a damaged file, not a font size.
constexpr int kMaxPixelHeight = 1000;

QColor color(int colorref, const QPalette &palette);
// A plain colour; a system colour the user never changed is best kept as its stored number.
int colorref(const QColor &color);

void applyHeight(QFont &font, int height);
// The height to store for a font; a font sized in points is converted at this resolution.
int height(const QFont &font, int dotsPerInch = 96);

// Whether the desktop has a font family of this name (its own name, not a substitute).
bool isInstalled(const QString &family);
// The grid font for a stored name and height. A name the desktop lacks (the program's
// default "MS San Serif", or "MS Sans Serif", on most desktops) gives `desktopDefault`,
// which keeps the grid looking like the rest of the desktop; the stored height holds either way.
QFont font(const QString &name, int height, const QFont &desktopDefault);

} // namespace GridFont
