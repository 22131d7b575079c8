#pragma once

class QWidget;

// How a secondary window works on the main window's data: shown over a disabled main window,
// which is enabled again however the secondary window goes away (a button, its close box,
// Escape, or being hidden by the program).
namespace WindowLink {

// From now on, hiding or closing `window` enables `mainWindow` again. Both Not owned.
void enableOnClose(QWidget *window, QWidget *mainWindow);
// Disables `mainWindow` and shows `window`.
void showOver(QWidget *window, QWidget *mainWindow);

} // namespace WindowLink
