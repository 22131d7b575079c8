#pragma once

#include "views/cardpanel.h"

#include <QObject>

#include <array>
#include <functional>

class EventFilter;
class QDateEdit;
class QEvent;
class QTableView;
class QWidget;
class Query;
class ResultModel;
class Workspace;
namespace KeyFilter {
struct Context;
struct Outcome;
enum class Place;
} // namespace KeyFilter

// The main window's in-place editing: the key filters of the grid and of the card, the
// grid's date editor, and the card's state box and date editor. Every key typed into the
// grid, its cell editors or the card passes here before the editor sees it.
class MainEditors : public QObject
{
    Q_OBJECT

public:
    // The widgets are the main window's (Not owned); `deleteRequested` runs on Ctrl+Delete.
    MainEditors(Workspace &workspace, QTableView *grid, ResultModel *model, QDateEdit *gridDatePicker, CardPanel *card,
                std::function<void()> deleteRequested, QObject *parent = nullptr);
    // Stops looking at the widgets' events; called before they are destroyed.
    void stop();

    // The key filters: true when the editor is to receive the key. `pair` counts from 1.
    // `editor`: the cell's open editor, none while the grid itself has the key.
    bool gridKeyPress(QChar key, QWidget *editor = nullptr);
    bool CardKeyFilter(int pair, QChar key);
    // False when the drop-down may not open (a saved payment's date).
    bool DateTimePicker1DropDown();
    void DateTimePicker1Change();
    void DateTimePicker2Enter();
    bool DateTimePicker2DropDown();
    void DateTimePicker2Exit();
    void ComboBox2DropDown();
    void ComboBox2Exit();
    // Writes what card editor `pair` (1 to 21) holds; `leaving` only when text is pending.
    void writeCardEditor(int pair, bool leaving);
    void writePendingCardEditors();

private:
    void setUp();
    bool paymentsResult() const;
    bool gridEditorEvent(QWidget *editor, QEvent *event);
    bool gridKeyEvent(QEvent *event);
    bool cardEditorEvent(int pair, QEvent *event);
    bool pasteAccepted(KeyFilter::Place place, int column) const;
    KeyFilter::Context keyContext(const QWidget *editor = nullptr, QChar key = QChar()) const;
    bool writable() const; // false when the database was opened read-only
    void applyKeyOutcome(const KeyFilter::Outcome &outcome, int column, QDateEdit *datePicker);
    bool startDateEditing();

    Workspace &workspace_;
    Query *query_;              // Not owned.
    QTableView *grid_;          // Not owned.
    ResultModel *model_;        // Not owned.
    QDateEdit *gridDatePicker_; // Not owned.
    CardPanel *card_;           // Not owned.
    QDateEdit *datePicker_;     // Not owned: the card's.
    QComboBox *stateBox_;       // Not owned: the card's.
    std::function<void()> deleteRequested_;
    EventFilter *editingHook_ = nullptr;
};
