#pragma once

#include <QDialog>

class Principale;

// The options dialog. Created once at start-up, where it also loads the preferences and
// opens the database; shown later from "Opzioni...".
class Opzioni : public QDialog
{
    Q_OBJECT

public:
    explicit Opzioni(Principale *main);

    void LoadSettings();
    // The connection, the check lists of the visible fields and the start-up query.
    void OpenDatabase();

private:
    Principale *main_; // Not owned.
};
