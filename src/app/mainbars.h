#pragma once

#include "app/actiontable.h"

#include <QColor>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QMainWindow;
class Query;
class QToolButton;
class QWidget;

// The main window's actions, menus and tool bars, built from the action table. The actions
// are children of the window, named after the design's actions; the window connects their
// handlers.
namespace MainBars {

// The window's actions, by id.
using Actions = std::array<QAction *, kActionCount>;

// One QAction per row of the table, with its caption, icon and shortcut, as children of `window`.
Actions createActions(QMainWindow *window);
// The window's action named `name`, or nullptr.
QAction *action(const QMainWindow *window, const QString &name);
void createMenus(QMainWindow *window, const Actions &actions);

// The three tool bars; the second begins with `searchBox`, the third with the drill-down
// toggle, which is returned.
QToolButton *createToolBars(QMainWindow *window, const Actions &actions, QWidget *searchBox);

// The status bar: the status line, returned; the totals of `result`; on the right, what the
// card or the input sheet finds wrong in a fiscal code or VAT number, which `codeWarning`
// shows there.
QLabel *createStatusBar(QMainWindow *window, Query *result);
std::function<void(const QString &)> codeWarning(QMainWindow *window);

void setCaptionColour(QToolButton *button, const QColor &colour);
// The drill-down toggle's caption colour, released and pressed.
QColor drillDownColour(bool pressed);

} // namespace MainBars
