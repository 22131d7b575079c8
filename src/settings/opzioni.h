#pragma once

#include <QDialog>

#include <array>
#include <functional>

class DatabasePage;
class QButtonGroup;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QTabWidget;
class Workspace;

// The options dialog: the start-up data, the visible fields, the start-up password and the
// database to use.
// Created once at start-up and shown later from "Opzioni...", not modal, over the main
// window. It edits the preferences the workspace holds and nothing else: its controls keep
// their state between openings, and what they change lives in memory until the preferences
// are written at exit.
class Opzioni : public QDialog
{
    Q_OBJECT

public:
    // What the dialog asks of the main window.
    struct MainWindowSteps
    {
        std::function<void(bool atStartup)> runInitialQuery;
        std::function<void()> setUpCard;
        // The grid takes over the column set-up (hidden columns, widths).
        std::function<void()> mirrorColumns;
    };

    Opzioni(Workspace &workspace, MainWindowSteps steps);
    ~Opzioni() override;

    // The start-up choice and the ticks as the workspace holds them (once the preferences are
    // loaded).
    void showSettings();

    // Shows the dialog, the first time centred on the screen and on "Password".
    void OpzioniExecute();

    void RadioButtonClick(int initialQueryKind);
    // A tick changed: the grid's column follows at once; the catalogue only on "Ok".
    void CheckListBoxClickCheck(int list, int item);
    void OkClick();
    void AnnullaClick();
    void ConfermaPasswordClick();

    QTabWidget *pages() const { return PageControl1; }
    QRadioButton *radioButton(int initialQueryKind) const;
    QListWidget *checkList(int group) const { return checkLists_.at(size_t(group)); }
    QLineEdit *passwordEdit() const { return Edit1; }
    QLineEdit *verificationEdit() const { return Edit2; }
    DatabasePage *databasePage() const { return databasePage_; }

protected:
    void reject() override;

private:
    QWidget *createStartPage();
    QWidget *createFieldsPage(int group);
    QWidget *createPasswordPage();
    // Enter in a radio button or a check list confirms the dialog.
    void confirmOnEnter(QWidget *widget);
    void selectRadioButton(int initialQueryKind);
    // The check lists show the ticks of the workspace's lists.
    void refreshCheckLists();

    Workspace &workspace_;
    MainWindowSteps steps_;
    bool shownBefore_ = false;

    QTabWidget *PageControl1 = nullptr;
    QButtonGroup *radioButtons_ = nullptr;
    std::array<QListWidget *, 5> checkLists_{};
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    DatabasePage *databasePage_ = nullptr;
    QPushButton *Button1 = nullptr; // "Ok"
    QPushButton *Button2 = nullptr; // "Annulla"
    QPushButton *Button3 = nullptr; // "Conferma password"
};
