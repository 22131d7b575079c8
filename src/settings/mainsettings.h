#pragma once

#include "settings/settingsfile.h"
#include "settings/textformatting.h"

class QTableView;
class QWidget;
class Workspace;

// The preferences in the main window: Default.ini beside the program, read once at start-up
// and written once at exit. In between they live in the workspace (the start-up query, the
// catalogue's widths and visible flags), in the two panels of the main window and in the
// grid's font; this class moves them between the file and those places.
class MainSettings
{
public:
    // The main window's widgets the preferences show in (Not owned).
    struct Widgets
    {
        QTableView *grid = nullptr;
        QWidget *gridPanel = nullptr;
        QWidget *cardPanel = nullptr;
    };

    MainSettings(Workspace &workspace, Widgets widgets);

    QString path() const;

    // Reads the file; a missing one gives the defaults, an unreadable one is reported and
    // gives them too.
    Preferences read() const;
    // The catalogue's widths and visible flags from the file. Until this has run, the
    // catalogue holds nothing of the user's, and a save keeps the stored column sections.
    void applyColumns(const Preferences &preferences);
    void applyPanels(const Preferences &preferences);
    void applyFont(const Preferences &preferences);
    // The grid's columns as the ticks say: every column hidden, then each ticked field's shown.
    void showTickedColumns();
    // The visible panel fills the window; with both shown, the grid does.
    void dockPanels();

    // Writes the file; a failure is reported.
    void SaveSettings();

    TextFormatting &textFormatting() { return font_; }

private:
    Workspace &workspace_;
    Widgets widgets_;
    TextFormatting font_;
    bool columnsRead_ = false;
};
