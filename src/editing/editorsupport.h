#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class Database;
class QEvent;
class QKeyEvent;
class QWidget;
class Query;
namespace KeyFilter {
struct Context;
struct Outcome;
} // namespace KeyFilter

// Small pieces the in-place editors and the input sheet share.
namespace EditorSupport {

// The character a key press types as the key filters see it: Backspace 8, Enter 13 (both
// Return keys), the printable text otherwise; a null QChar for keys that type nothing
// (arrows, Delete, function keys, shortcuts with Ctrl or Alt).
QChar typedCharacter(const QKeyEvent *event);
// What a line editor would hold with `key` typed at its cursor (over its selection); empty
// for a widget that is not a line editor, which the key filters read as unknown.
QString textWithKey(const QWidget *editor, QChar key);
// The key filters' view of `key` typed into `editor`: the text it would leave, and for a
// paste what the clipboard would put in (trimmed) and the text that would leave.
void describeTyping(KeyFilter::Context &context, const QWidget *editor, QChar key);
// Carries out what a filter decided beyond passing the key: its replacement is typed into
// the line editor (which hears of it as of any typing) and its notice shown beside it.
void applyTyping(QWidget *editor, const KeyFilter::Outcome &outcome);

// Whether the event opens the list of a combo box or the calendar of a date picker: a left
// press on the widget itself (its arrow; the text area is a child editor), F4 or Alt+arrow.
bool opensDropDown(QWidget *widget, QEvent *event);

// Whether the event is `widget` losing the focus to something outside it. A popup of its
// own, its own inner editor or another window taking the focus for a moment is no leaving.
bool isLeaving(QWidget *widget, QEvent *event);
bool isEntering(QWidget *widget, QEvent *event);

// The bare column name the key filters go by (a repeated name is Table.Column in a result).
QString bareFieldName(const Query &query, int column);

// Writes a field even while the result marks it read-only: the program's own defaults go
// into columns that the user may not type into.
void setProgramValue(Query &query, const QString &field, const QVariant &value);

// The date field a date editor writes by the selector (1 Data, 2 Data_inizio, 3 Data_fine,
// 4 Data_scadenza); empty for any other value.
QString dateFieldForSelector(int selector);

} // namespace EditorSupport
