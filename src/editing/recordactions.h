#pragma once

class FormInput;
class Query;
class QWidget;
class ResultScreen;
class Workspace;

// Adding a record through the input sheet and deleting the current one after a question.
class RecordActions
{
public:
    // `mainWindow` is disabled while the sheet is open (Not owned).
    RecordActions(Workspace &workspace, ResultScreen &screen, QWidget *mainWindow);

    // The input sheet, once it exists (Not owned).
    void setInputSheet(FormInput *sheet) { sheet_ = sheet; }

    void InserisciExecute();
    void BottoneSchedaInputExecute();
    void EliminaExecute();
    // Ctrl+Delete in the grid: the grid's own deletion, after its own question.
    void DeleteFromGrid();
    // Before the program ends: a change typed into the grid or the card and not saved yet is
    // saved rather than lost. If the database refuses it, the user chooses between staying to
    // correct it (false) and leaving without it.
    bool settleBeforeClosing();

private:
    Workspace &workspace_;
    ResultScreen &screen_;
    Query *query_;        // Not owned.
    QWidget *mainWindow_; // Not owned.
    FormInput *sheet_ = nullptr;
};
