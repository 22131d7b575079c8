// The main window's in-place editing: the key filters of the grid and the card with their
// floating date and state editors.
#include "editing/maineditors.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/eventfilter.h"
#include "core/lookups.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "editing/editorsupport.h"
#include "editing/keyfilter.h"
#include "views/resultmodel.h"

#include <QAbstractItemDelegate>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

using EditorSupport::bareFieldName;

MainEditors::MainEditors(Workspace &workspace, QTableView *grid, ResultModel *model, QDateEdit *gridDatePicker,
                         CardPanel *card, std::function<void()> deleteRequested, QObject *parent) :
    QObject(parent),
    workspace_(workspace),
    query_(workspace.query()),
    grid_(grid),
    model_(model),
    gridDatePicker_(gridDatePicker),
    card_(card),
    datePicker_(card->datePicker()),
    stateBox_(card->stateBox()),
    deleteRequested_(std::move(deleteRequested))
{
    setUp();
}

void MainEditors::stop()
{
    if (editingHook_)
        editingHook_->stop();
}

bool MainEditors::paymentsResult() const { return workspace_.globals().paymentsShown; }

void MainEditors::setUp()
{
    editingHook_ = new EventFilter(
        [this](QObject *watched, QEvent *event) {
            if (watched == grid_)
                return gridKeyEvent(event);
            if (watched == grid_->viewport()) {
                // The grid's in-place editors are children of its viewport, made when a cell is edited.
                if (event->type() == QEvent::ChildPolished) {
                    auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child());
                    if (child && child != gridDatePicker_)
                        editingHook_->watch(child);
                }
                return false;
            }
            if (watched == gridDatePicker_) {
                if (EditorSupport::opensDropDown(gridDatePicker_, event))
                    return !DateTimePicker1DropDown();
                return false;
            }
            if (datePicker_ && watched == datePicker_) {
                if (EditorSupport::opensDropDown(datePicker_, event))
                    return !DateTimePicker2DropDown();
                if (EditorSupport::isEntering(datePicker_, event))
                    DateTimePicker2Enter();
                else if (EditorSupport::isLeaving(datePicker_, event))
                    DateTimePicker2Exit();
                return false;
            }
            if (stateBox_ && watched == stateBox_) {
                if (EditorSupport::opensDropDown(stateBox_, event))
                    ComboBox2DropDown();
                else if (EditorSupport::isLeaving(stateBox_, event))
                    ComboBox2Exit();
                return false;
            }
            for (int k = 0; k < CardPanel::kPairs; ++k) {
                if (watched == card_->editor(k))
                    return cardEditorEvent(k + 1, event);
            }
            if (auto *editor = qobject_cast<QWidget *>(watched); editor && editor->parentWidget() == grid_->viewport())
                return gridEditorEvent(editor, event);
            return false;
        },
        this);

    grid_->setEditTriggers(grid_->editTriggers() | QAbstractItemView::AnyKeyPressed);
    editingHook_->watch(grid_);
    editingHook_->watch(grid_->viewport());
    editingHook_->watch(gridDatePicker_);
    connect(gridDatePicker_, &QDateEdit::dateChanged, this, [this] {
        // Placing the editor over a cell sets its date too; only the user's pick is written.
        if (gridDatePicker_->hasFocus() || gridDatePicker_->calendarWidget()->isVisible())
            ErrorHandler::guard([this] { DateTimePicker1Change(); });
    });
    if (datePicker_)
        editingHook_->watch(datePicker_);
    if (stateBox_)
        editingHook_->watch(stateBox_);
    for (int k = 0; k < CardPanel::kPairs; ++k) {
        QLineEdit *editor = card_->editor(k);
        editor->setReadOnly(false);
        editingHook_->watch(editor);
        connect(editor, &QLineEdit::textEdited, this,
                [this, k] { ErrorHandler::guard([this, k] { writeCardEditor(k + 1, false); }); });
    }
}

bool MainEditors::writable() const { return !workspace_.connection().isReadOnly(); }

KeyFilter::Context MainEditors::keyContext(const QWidget *editor, QChar key) const
{
    KeyFilter::Context context;
    context.readOnly = !writable();
    if (editor)
        EditorSupport::describeTyping(context, editor, key);
    context.paymentsResult = paymentsResult();
    context.editing = query_->state() == Query::State::Edit;
    context.inserting = query_->state() == Query::State::Insert;
    return context;
}

void MainEditors::applyKeyOutcome(const KeyFilter::Outcome &outcome, int column, QDateEdit *datePicker)
{
    if (outcome.paymentsMessage)
        Dialogs::instance().message(KeyFilter::paymentsMessage());
    if (outcome.startEditing)
        query_->edit();
    if (outcome.clearDate) {
        query_->field(column).clear();
        if (datePicker)
            datePicker->hide();
    }
    if (outcome.dateFromPicker && datePicker)
        query_->field(column).setValue(datePicker->date());
    if (outcome.save)
        query_->post();
}

// ---------------------------------------------------------------------------------------
// Grid

bool MainEditors::gridKeyEvent(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
        if (deleteRequested_)
            deleteRequested_();
        return true;
    }
    const QChar typed = EditorSupport::typedCharacter(key);
    return !typed.isNull() && !gridKeyPress(typed);
}

bool MainEditors::pasteAccepted(KeyFilter::Place place, int column) const
{
    if (column < 0 || !query_->isActive() || column >= query_->fieldCount())
        return true;
    if (query_->fieldInfo(column).readOnly)
        return false;
    return KeyFilter::decide(place, bareFieldName(*query_, column), QChar(u'\x16'), keyContext()).pass;
}

bool MainEditors::gridEditorEvent(QWidget *editor, QEvent *event)
{
    // The editor's own menu pastes too: it is offered only where a typed paste would be taken.
    if (event->type() == QEvent::ContextMenu)
        return !pasteAccepted(KeyFilter::Place::Grid, grid_->currentIndex().column());
    if (event->type() != QEvent::KeyPress)
        return false;
    const QChar typed = EditorSupport::typedCharacter(static_cast<QKeyEvent *>(event));
    const QModelIndex index = grid_->currentIndex();
    if (typed.isNull() || !index.isValid())
        return false;
    QAbstractItemDelegate *delegate = grid_->itemDelegateForIndex(index);
    // What the cell shows is what Enter saves: the editor hands its text to the row first.
    if (typed.unicode() == KeyFilter::Enter && !KeyFilter::isProjectDate(bareFieldName(*query_, index.column())))
        delegate->setModelData(editor, model_, index);
    const bool pass = gridKeyPress(typed, editor);
    // A cleared or picked date is the field's now; the editor must not write its old text back.
    if (!pass && KeyFilter::isProjectDate(bareFieldName(*query_, index.column())))
        delegate->setEditorData(editor, index);
    return !pass;
}

bool MainEditors::gridKeyPress(QChar key, QWidget *editor)
{
    const QModelIndex current = grid_->currentIndex();
    if (!current.isValid() || !query_->isActive() || current.column() >= query_->fieldCount())
        return true;
    const KeyFilter::Outcome outcome = KeyFilter::decide(KeyFilter::Place::Grid,
                                                         bareFieldName(*query_, current.column()), key,
                                                         keyContext(editor, key));
    applyKeyOutcome(outcome, current.column(), gridDatePicker_);
    EditorSupport::applyTyping(editor ? editor : grid_, outcome);
    return outcome.pass;
}

bool MainEditors::DateTimePicker1DropDown() { return startDateEditing(); }

bool MainEditors::startDateEditing()
{
    if (!writable())
        return false;
    // A saved payment is never changed: its date picker opens nothing.
    if (paymentsResult()) {
        Dialogs::instance().message(KeyFilter::paymentsMessage());
        return false;
    }
    if (query_->isActive() && query_->currentRow() >= 0)
        query_->edit();
    return true;
}

void MainEditors::DateTimePicker1Change()
{
    const Query::State state = query_->state();
    const QModelIndex current = grid_->currentIndex();
    if ((state != Query::State::Edit && state != Query::State::Insert) || !current.isValid())
        return;
    if (KeyFilter::isProjectDate(bareFieldName(*query_, current.column())))
        query_->field(current.column()).setValue(gridDatePicker_->date()); // a QDate: no time of day
}

// ---------------------------------------------------------------------------------------
// Card

bool MainEditors::cardEditorEvent(int pair, QEvent *event)
{
    QLineEdit *editor = card_->editor(pair - 1);
    if (event->type() == QEvent::ContextMenu) {
        const QString &bound = card_->pairs()[size_t(pair - 1)].boundField;
        const int column = bound.isEmpty() || !query_->isActive() ? -1 : query_->fieldIndex(bound);
        return !pasteAccepted(KeyFilter::Place::Card, column);
    }
    if (event->type() == QEvent::KeyPress) {
        const QChar typed = EditorSupport::typedCharacter(static_cast<QKeyEvent *>(event));
        return !typed.isNull() && !CardKeyFilter(pair, typed);
    }
    if (EditorSupport::isLeaving(editor, event))
        writeCardEditor(pair, true);
    return false;
}

bool MainEditors::CardKeyFilter(int pair, QChar key)
{
    const int k = pair - 1;
    const QString &bound = card_->pairs()[size_t(k)].boundField;
    const int column = bound.isEmpty() || !query_->isActive() ? -1 : query_->fieldIndex(bound);
    if (column < 0 || query_->currentRow() < 0)
        return true;
    if (key.unicode() == KeyFilter::Enter)
        writeCardEditor(pair, true); // so that Enter saves what the editor shows
    const KeyFilter::Outcome outcome = KeyFilter::decide(KeyFilter::Place::Card, bareFieldName(*query_, column), key,
                                                         keyContext(card_->editor(k), key));
    // A field the result keeps read-only takes no typing, as its editor shows it.
    if ((outcome.pass || !outcome.typeInstead.isEmpty()) && key.unicode() != KeyFilter::Enter
        && query_->fieldInfo(column).readOnly)
        return false;
    if (outcome.clearDate)
        card_->editor(k)->clear();
    applyKeyOutcome(outcome, column, datePicker_);
    EditorSupport::applyTyping(card_->editor(k), outcome);
    return outcome.pass;
}

void MainEditors::writeCardEditor(int pair, bool leaving) { card_->writeTypedText(pair - 1, *query_, leaving); }

void MainEditors::writePendingCardEditors()
{
    for (int pair = 1; pair <= CardPanel::kPairs; ++pair)
        writeCardEditor(pair, true);
}

void MainEditors::DateTimePicker2Enter()
{
    if (writable() && !paymentsResult() && query_->isActive() && query_->currentRow() >= 0)
        query_->edit();
}

bool MainEditors::DateTimePicker2DropDown() { return startDateEditing(); }

void MainEditors::DateTimePicker2Exit()
{
    // A payment's date (selector 1) is never written from the main window.
    if (workspace_.globals().dateFieldSelector < 2 || workspace_.globals().dateFieldSelector > 4 || !datePicker_
        || !writable())
        return;
    if (!query_->isActive() || query_->currentRow() < 0)
        return;
    query_->fieldByName(EditorSupport::dateFieldForSelector(workspace_.globals().dateFieldSelector))
        .setValue(datePicker_->date());
    query_->post();
}

void MainEditors::ComboBox2DropDown()
{
    if (!stateBox_)
        return;
    card_->fillStateBox(Lookups::projectStates(workspace_));
    if (writable() && query_->isActive() && query_->currentRow() >= 0)
        query_->edit();
}

void MainEditors::ComboBox2Exit()
{
    // Setting the field starts editing, so leaving a box whose list never opened saves too.
    if (!stateBox_ || !query_->isActive() || query_->currentRow() < 0 || !writable())
        return;
    Field state = query_->fieldByName(QStringLiteral("Stato"));
    const QString text = stateBox_->currentText();
    state.setValue(text.isEmpty() ? state.value() : QVariant(text));
    query_->post();
}
