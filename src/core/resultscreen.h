#pragma once

#include <QString>

// What replacing or narrowing the current result asks of the main window's widgets. The
// query sequence, the drill-down and the editing steps work on the workspace and tell the
// screen through this interface, so that they know no window; the main window implements it.
class ResultScreen
{
public:
    virtual ~ResultScreen() = default;

    // The quick search: the field box's text, and emptying the search box (which switches
    // the filter off).
    virtual void setSearchField(const QString &label) = 0;
    virtual void clearSearchText() = 0;

    // "Aggiungi" and "Elimina".
    virtual void setAddEnabled(bool enabled) = 0;
    virtual void setDeleteEnabled(bool enabled) = 0;

    // The drill-down toggle: released, enabled, with the released picture and `caption`.
    virtual void resetDrillDown(const QString &caption) = 0;
    virtual void setDrillDownCaption(const QString &caption) = 0;
    virtual void setDrillDownEnabled(bool enabled) = 0;
    virtual bool isDrillDownPressed() const = 0;

    // Whether the grid lets cells be edited.
    virtual void setGridEditable(bool editable) = 0;
    virtual bool isGridEditable() const = 0;
    // Unbinds the card's editors and, once the input sheet exists, the sheet's.
    virtual void unbindEditors() = 0;
    // The grid takes over the column set-up and shows the current row.
    virtual void showColumns() = 0;
    // Binds the card's pairs to the result and colours them, except in a projects view,
    // whose query coloured the card already from the row current when it ran.
    virtual void setUpCard() = 0;
    // Binds the card's pairs only; their colours stay.
    virtual void bindCard() = 0;
    virtual void colourCard() = 0;
    virtual void hideGridDatePicker() = 0;
    virtual void setStatusText(const QString &text) = 0;
};
