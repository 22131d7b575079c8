#pragma once

#include "core/dialogs.h"

#include <QColor>
#include <QString>

class QTableView;

// The grid's font (its data font and its title font, always the same): set from the settings
// at start-up, chosen by the user in the font dialog ("Formattazione testo"), read back for
// the settings at exit. Only the dialog's apply button changes the grid; its OK and Cancel
// leave the grid as it is.
//
// The settings keep what they stored: a font name the desktop lacks is shown in the
// desktop's default font but written back under its own name, and a stored system colour
// is written back as that number as long as the user has not chosen another colour.
class TextFormatting
{
public:
    // The grid starts with its design-time font: "MS Sans Serif", 11 pixels, the window-text colour.
    explicit TextFormatting(QTableView *grid);

    void setFromSettings(const QString &name, int colorref, int height);

    // "Formattazione testo": the font dialog, on the grid's current font.
    void FormattestoExecute();
    // The dialog's apply button: name, colour, style and height to both fonts of the grid.
    void FontDialog1Apply(const Dialogs::FontChoice &choice);

    // The grid's font as the settings file keeps it (the style is not kept).
    QString fontName() const;
    int fontColor() const;
    int fontHeight() const;

    QColor color() const;

private:
    void setGridFont(const QFont &font, const QColor &color);

    QTableView *grid_; // Not owned.
    // The font last set from the settings: its stored name and colour, and how they were shown.
    QString storedName_;
    QString shownFamily_;
    int storedColor_ = 0;
    QColor shownColor_;
};
