#pragma once

#include "core/gridcolumns.h"
#include "views/cardpanel.h"

#include <QWidget>

class Workspace;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QDate;
class QEvent;

// The input sheet: one label/editor pair per field of a new record of the current result,
// on a card panel like the main window's whose editors show and write only the new row.
class FormInput : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kPairs = CardPanel::kPairs;

    explicit FormInput(Workspace &workspace);
    ~FormInput() override;

    CardPairs &pairs();
    void UnbindInputSheetEditors();
    QLineEdit *editor(int k) const { return panel_->editor(k); } // 0-based
    QLabel *label(int k) const { return panel_->label(k); }
    // Result views: the click on editor `pair` (1 to 21): the state box or the date editor
    // over it, with the keyboard focus.
    void OpenInputSheetEditor(int pair);

    // Editing a new row.
    // Binds the pairs to the current result's columns and colours them.
    void SetUpInputSheet(const GridColumns &grid);
    // The confirm button under the last pair shown, the sheet's height to match, centred.
    void layOutForNewRow();
    // Shows the sheet with the keyboard focus in editor `focusEditor` (0-based).
    void showForNewRow(int focusEditor);
    QDate startDate() const;
    // Writes what the editors hold and the row has not taken yet; throws when a field refuses it.
    void flushTypedValues();
    // The sheet key filter: true when editor `pair` (1 to 21) is to receive the key.
    bool SheetKeyFilter(int pair, QChar key);
    void ComboBox1DropDown();
    void ComboBox1Exit();
    void DateTimePicker1Exit();
    void DateTimePicker1KeyPress(); // Enter
    QPushButton *confirmButton() const { return Button1; }
    QComboBox *stateBox() const { return panel_->stateBox(); }     // "ComboBox1"
    QDateEdit *dateEditor() const { return panel_->datePicker(); } // "DateTimePicker1"

Q_SIGNALS:
    // "Inserisci" or Enter: the main window's confirm action is to run.
    void confirmRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void mirrorPairs();

    // Editing a new row: the key filter, typed text, the state box and the date editor.
    void setUpEditing();
    bool editingEvent(QObject *watched, QEvent *event);
    void refreshEditors();
    void writeEditor(int k, bool leaving);
    // Owned; deleted before the editors, whose destruction still sends it events.
    QObject *editingHook_ = nullptr;

    Workspace &workspace_;
    CardPanel *panel_ = nullptr; // the pairs DBText1.., DBEdit1.., ComboBox1, DateTimePicker1
    QLabel *Label8 = nullptr;
    QPushButton *Button1 = nullptr;
};
