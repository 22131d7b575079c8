#pragma once

#include <QDialog>

#include <functional>

class Workspace;

// The options dialog. Created once at start-up, where it also loads the preferences and
// opens the database; shown later from "Opzioni...".
class Opzioni : public QDialog
{
    Q_OBJECT

public:
    // What loading the settings asks of the main window.
    struct MainWindowSteps
    {
        std::function<void(bool atStartup)> runInitialQuery;
        std::function<void()> setUpCard;
    };

    Opzioni(Workspace &workspace, MainWindowSteps steps);

    void LoadSettings();
    // The connection, the check lists of the visible fields and the start-up query.
    void OpenDatabase();

private:
    Workspace &workspace_;
    MainWindowSteps steps_;
};
