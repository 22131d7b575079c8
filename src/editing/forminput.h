#pragma once

#include "core/gridcolumns.h"

#include <QWidget>

#include <array>

class CardPanel;
class Workspace;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QDate;
class QEvent;

// The input sheet: one label/editor pair per field of a new record of the current result.
class FormInput : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kPairs = 21;

    explicit FormInput(Workspace &workspace);
    ~FormInput() override;

    CardPairs &pairs();
    void UnbindInputSheetEditors();
    QLineEdit *editor(int k) const { return DBEdit[size_t(k)]; } // 0-based
    QLabel *label(int k) const { return DBText[size_t(k)]; }
    // Result views: the click on editor `pair` (1 to 21): the state box or the date editor
    // over it, with the keyboard focus.
    void OpenInputSheetEditor(int pair);

    // Editing: insertion, in-place editors, deletion and totals.
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
    QComboBox *stateBox() const { return ComboBox1; }
    QDateEdit *dateEditor() const { return DateTimePicker1; }

Q_SIGNALS:
    // "Inserisci" or Enter: the main window's confirm action is to run.
    void confirmRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void mirrorPairs();

    // Editing: insertion, in-place editors, deletion and totals.
    void setUpEditing();
    bool editingEvent(QObject *watched, QEvent *event);
    void refreshEditors();
    void writeEditor(int k, bool leaving);
    std::array<bool, kPairs> pending_{}; // typed text the field could not take yet
    // Owned; deleted before the editors, whose destruction still sends it events.
    QObject *editingHook_ = nullptr;

    Workspace &workspace_;
    CardPanel *panel_ = nullptr;
    QLabel *Label8 = nullptr;
    std::array<QLabel *, kPairs> DBText{};
    std::array<QLineEdit *, kPairs> DBEdit{};
    QPushButton *Button1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QDateEdit *DateTimePicker1 = nullptr;
};
