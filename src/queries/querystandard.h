#pragma once

#include "queries/conditionqueries.h"

#include <QDialog>

class DropDownBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ResultScreen;
class Workspace;

// The query condition dialog: set up for one of the four queries that select by one value
// ("Persona", "Qualifica", "Città", "Stato progetto"), it asks for the value, offers the
// existing ones, refuses missing input with a message and runs the query on the main
// window's result. Shown over the disabled main window; the statements and messages come
// from ConditionQueries.
class QueryStandard : public QDialog
{
    Q_OBJECT

public:
    // `screen` is the main window's screen and `mainWindow` the window disabled while the
    // dialog is open (both Not owned).
    QueryStandard(Workspace &workspace, ResultScreen &screen, QWidget *mainWindow);
    ~QueryStandard() override;

    // The opening actions: set the dialog up for `mode` and show it over the main window.
    void openFor(ConditionMode mode);
    ConditionMode mode() const { return mode_; }

    // "Esegui", or Enter in one of the three input widgets.
    void Button1Click();
    void ComboBox1DropDown();

    // The query actions run by the confirm step, each from the dialog's current texts.
    void QueryNome_CognomeExecute();
    void QueryQualificaExecute();
    void QueryCittaExecute();
    void QueryStatoExecute();

    // The texts stored by the last confirm, for the status line.
    const ConditionInput &storedInput() const { return stored_; }

private:
    void runQuery(ConditionMode mode);
    bool eventFilter(QObject *watched, QEvent *event) override;

    Workspace &workspace_;
    ResultScreen &screen_; // Not owned.
    QWidget *mainWindow_;  // Not owned.
    ConditionMode mode_ = ConditionMode::NameSurname;
    ConditionInput stored_;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    DropDownBox *ComboBox1 = nullptr;
    QPushButton *Button1 = nullptr;
};
