#pragma once

#include <QColor>
#include <QString>

class Query;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QWidget;

// What the card of the main window and the card of the input sheet share: the colour of a
// label/editor pair and the floating state box and date editor laid over an editor.
namespace CardView {

// The background of a pair's editor by its label and the current row of `query`; `current`
// where the rules leave it unchanged. Amount and state colours are those of the current row
// now: the card is not recoloured when the row moves.
QColor pairColour(const QString &label, const Query &query, const QColor &current);

QColor editorBackground(const QWidget *editor);
void setEditorBackground(QWidget *editor, const QColor &colour);
// Colours one pair, leaving its editor as it was where the rules say unchanged.
void colourPair(const QLabel *label, QWidget *editor, const Query &query);

// Which date field a date editor writes: 1 Data, 2 Data_inizio, 3 Data_fine,
// 4 Data_scadenza; 0 for any other field.
int dateFieldSelectorFor(const QString &fieldName);

// The click on an editor bound to `fieldName`, after any e-mail or web handling: over a
// state editor the state box, over a date editor the date editor (with `dateFieldSelector`
// set), otherwise neither. Returns the widget shown, or nullptr. Throws DbError when the
// editor's text is no date; the date editor then stays hidden.
QWidget *placeFloatingEditor(QLineEdit *editor, const QString &fieldName, QComboBox *stateBox, QDateEdit *datePicker,
                             int *dateFieldSelector);

// The same for the input sheet, whose boxes take the keyboard focus once shown.
QWidget *openInputSheetEditor(QLineEdit *editor, const QString &fieldName, QComboBox *stateBox, QDateEdit *datePicker,
                              int *dateFieldSelector);

} // namespace CardView
