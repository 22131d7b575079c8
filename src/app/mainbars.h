#pragma once

#include "app/actiontable.h"

#include <QColor>

#include <array>

class QAction;
class QMainWindow;
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

void setCaptionColour(QToolButton *button, const QColor &colour);
// The drill-down toggle's caption colour, released and pressed.
QColor drillDownColour(bool pressed);

} // namespace MainBars
