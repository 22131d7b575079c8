#pragma once

#include <QColor>

class QAction;
class QMainWindow;
class QToolButton;
class QWidget;

// The main window's actions, menus and tool bars, built from one table of the program's
// actions. The actions are children of the window, named after the design's actions; the
// window connects its handlers to them.
namespace MainBars {

// One QAction per entry of the table, with its caption and icon, as children of `window`.
void createActions(QMainWindow *window);
// The window's action named `name`, or nullptr.
QAction *action(const QMainWindow *window, const QString &name);
void createMenus(QMainWindow *window);

// The buttons of the tool bars the window works with.
struct Buttons
{
    QToolButton *BitBtn1 = nullptr;      // "Aggiungi"
    QToolButton *BitBtn2 = nullptr;      // "Elimina"
    QToolButton *SpeedButton1 = nullptr; // the drill-down toggle
};
// The three tool bars; the second holds `searchBox`.
Buttons createToolBars(QMainWindow *window, QWidget *searchBox);

void setCaptionColour(QToolButton *button, const QColor &colour);
// The drill-down toggle's caption colour, released and pressed.
QColor drillDownColour(bool pressed);

} // namespace MainBars
