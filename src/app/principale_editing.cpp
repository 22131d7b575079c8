// The main window's editing: adding a record through the input sheet, the key filters of the
// grid and the card with their floating date and state editors, deleting, and keeping each
// project's paid amount in step with its payments.
#include "app/principale.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "data/database.h"
#include "data/query.h"
#include "editing/editorsupport.h"
#include "editing/forminput.h"
#include "editing/keyfilter.h"
#include "editing/paymenttotals.h"
#include "views/resultmodel.h"

#include <QAbstractItemDelegate>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

using EditorSupport::bareFieldName;

namespace {

// The titles whose columns a new record must not leave empty, and among them the dates the
// user may leave empty after a question.
const QStringList kRequiredTitles = {"Comune",        "Stato",        "Importo totale", "Cognome",          "Qualifica",
                                     "Importo",       "Data di inizio", "Data di fine", "Data di consegna", "Data"};
const QStringList kDateTitles = {"Data di inizio", "Data di fine", "Data di consegna", "Data"};

QString totalNotUpdatedMessage(const QString &projectKey)
{
    return QStringLiteral("L'importo pagato non è stato aggiornato: nessun progetto ha la chiave \"%1\".")
        .arg(projectKey);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Wiring

void Principale::setUpEditing()
{
    ADOQuery1->afterInsert = [this](Query &) { ADOQuery1AfterInsert(); };
    ADOQuery1->afterPost = [this](Query &) { ADOQuery1AfterPost(); };
    ADOQuery1->beforeDelete = [this](Query &) { ADOQuery1BeforeDelete(); };
    ADOQuery1->afterDelete = [this](Query &) { ADOQuery1AfterDelete(); };
    // An insertion that ends without a save (cancelled, or the sheet closed) adds nothing.
    connect(ADOQuery1.get(), &Query::stateChanged, this, [this] {
        if (ADOQuery1->state() != Query::State::Insert)
            newRowPending_ = false;
    });
    const auto forgetTypedText = [this] { cardTextPending_.fill(false); };
    connect(ADOQuery1.get(), &Query::currentRowChanged, this, forgetTypedText);
    connect(ADOQuery1.get(), &Query::resultChanged, this, forgetTypedText);

    editingHook_ = new EditorEventFilter(
        [this](QObject *watched, QEvent *event) {
            if (watched == DBGrid1)
                return gridKeyEvent(event);
            if (watched == DBGrid1->viewport()) {
                // The grid's in-place editors are children of its viewport, made when a cell is edited.
                if (event->type() == QEvent::ChildPolished) {
                    auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child());
                    if (child && child != DateTimePicker1)
                        editingHook_->watch(child);
                }
                return false;
            }
            if (watched == DateTimePicker1) {
                if (EditorSupport::opensDropDown(DateTimePicker1, event))
                    return !DateTimePicker1DropDown();
                return false;
            }
            if (DateTimePicker2 && watched == DateTimePicker2) {
                if (EditorSupport::opensDropDown(DateTimePicker2, event))
                    return !DateTimePicker2DropDown();
                if (EditorSupport::isEntering(DateTimePicker2, event))
                    DateTimePicker2Enter();
                else if (EditorSupport::isLeaving(DateTimePicker2, event))
                    DateTimePicker2Exit();
                return false;
            }
            if (ComboBox2 && watched == ComboBox2) {
                if (EditorSupport::opensDropDown(ComboBox2, event))
                    ComboBox2DropDown();
                else if (EditorSupport::isLeaving(ComboBox2, event))
                    ComboBox2Exit();
                return false;
            }
            for (int k = 0; k < kPairs; ++k) {
                if (watched == DBEdit[size_t(k)])
                    return cardEditorEvent(k + 1, event);
            }
            if (auto *editor = qobject_cast<QWidget *>(watched); editor && editor->parentWidget() == DBGrid1->viewport())
                return gridEditorEvent(editor, event);
            return false;
        },
        this);

    DBGrid1->setEditTriggers(DBGrid1->editTriggers() | QAbstractItemView::AnyKeyPressed);
    editingHook_->watch(DBGrid1);
    editingHook_->watch(DBGrid1->viewport());
    editingHook_->watch(DateTimePicker1);
    connect(DateTimePicker1, &QDateEdit::dateChanged, this, [this] {
        // Placing the editor over a cell sets its date too; only the user's pick is written.
        if (DateTimePicker1->hasFocus() || DateTimePicker1->calendarWidget()->isVisible())
            ErrorHandler::guard([this] { DateTimePicker1Change(); });
    });
    if (DateTimePicker2)
        editingHook_->watch(DateTimePicker2);
    if (ComboBox2)
        editingHook_->watch(ComboBox2);
    for (int k = 0; k < kPairs; ++k) {
        QLineEdit *editor = DBEdit[size_t(k)];
        editor->setReadOnly(false);
        editingHook_->watch(editor);
        connect(editor, &QLineEdit::textEdited, this,
                [this, k] { ErrorHandler::guard([this, k] { writeCardEditor(k + 1, false); }); });
    }
}

KeyFilter::Context Principale::keyContext() const
{
    KeyFilter::Context context;
    context.paymentsResult = PaymentsResultTest();
    context.editing = ADOQuery1->state() == Query::State::Edit;
    context.inserting = ADOQuery1->state() == Query::State::Insert;
    return context;
}

void Principale::applyKeyOutcome(const KeyFilter::Outcome &outcome, int column, QDateEdit *datePicker)
{
    if (outcome.paymentsMessage)
        Dialogs::instance().message(KeyFilter::paymentsMessage());
    if (outcome.startEditing)
        ADOQuery1->edit();
    if (outcome.clearDate) {
        ADOQuery1->field(column).clear();
        if (datePicker)
            datePicker->hide();
    }
    if (outcome.dateFromPicker && datePicker)
        ADOQuery1->field(column).setValue(datePicker->date());
    if (outcome.save)
        ADOQuery1->post();
}

// ---------------------------------------------------------------------------------------
// Grid

bool Principale::gridKeyEvent(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
        DeleteFromGrid();
        return true;
    }
    const QChar typed = EditorSupport::typedCharacter(key);
    return !typed.isNull() && !DBGrid1KeyPress(typed);
}

bool Principale::pasteAccepted(KeyFilter::Place place, int column) const
{
    if (column < 0 || !ADOQuery1->isActive() || column >= ADOQuery1->fieldCount())
        return true;
    if (ADOQuery1->fieldInfo(column).readOnly)
        return false;
    return KeyFilter::decide(place, bareFieldName(*ADOQuery1, column), QChar(u'\x16'), keyContext()).pass;
}

bool Principale::gridEditorEvent(QWidget *editor, QEvent *event)
{
    // The editor's own menu pastes too: it is offered only where a typed paste would be taken.
    if (event->type() == QEvent::ContextMenu)
        return !pasteAccepted(KeyFilter::Place::Grid, DBGrid1->currentIndex().column());
    if (event->type() != QEvent::KeyPress)
        return false;
    const QChar typed = EditorSupport::typedCharacter(static_cast<QKeyEvent *>(event));
    const QModelIndex index = DBGrid1->currentIndex();
    if (typed.isNull() || !index.isValid())
        return false;
    QAbstractItemDelegate *delegate = DBGrid1->itemDelegateForIndex(index);
    // What the cell shows is what Enter saves: the editor hands its text to the row first.
    if (typed.unicode() == KeyFilter::Enter && !KeyFilter::isProjectDate(bareFieldName(*ADOQuery1, index.column())))
        delegate->setModelData(editor, model_.get(), index);
    const bool pass = DBGrid1KeyPress(typed);
    // A cleared or picked date is the field's now; the editor must not write its old text back.
    if (!pass && KeyFilter::isProjectDate(bareFieldName(*ADOQuery1, index.column())))
        delegate->setEditorData(editor, index);
    return !pass;
}

bool Principale::DBGrid1KeyPress(QChar key)
{
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid() || !ADOQuery1->isActive() || current.column() >= ADOQuery1->fieldCount())
        return true;
    const KeyFilter::Outcome outcome =
        KeyFilter::decide(KeyFilter::Place::Grid, bareFieldName(*ADOQuery1, current.column()), key, keyContext());
    applyKeyOutcome(outcome, current.column(), DateTimePicker1);
    return outcome.pass;
}

bool Principale::DateTimePicker1DropDown()
{
    return startDateEditing();
}

bool Principale::startDateEditing()
{
    // A saved payment is never changed: its date picker opens nothing.
    if (PaymentsResultTest()) {
        Dialogs::instance().message(KeyFilter::paymentsMessage());
        return false;
    }
    if (ADOQuery1->isActive() && ADOQuery1->currentRow() >= 0)
        ADOQuery1->edit();
    return true;
}

void Principale::DateTimePicker1Change()
{
    const Query::State state = ADOQuery1->state();
    const QModelIndex current = DBGrid1->currentIndex();
    if ((state != Query::State::Edit && state != Query::State::Insert) || !current.isValid())
        return;
    if (KeyFilter::isProjectDate(bareFieldName(*ADOQuery1, current.column())))
        ADOQuery1->field(current.column()).setValue(DateTimePicker1->date()); // a QDate: no time of day
}

// ---------------------------------------------------------------------------------------
// Card

bool Principale::cardEditorEvent(int pair, QEvent *event)
{
    QLineEdit *editor = DBEdit[size_t(pair - 1)];
    if (event->type() == QEvent::ContextMenu) {
        const QString &bound = cardPairs_[size_t(pair - 1)].boundField;
        const int column = bound.isEmpty() || !ADOQuery1->isActive() ? -1 : ADOQuery1->fieldIndex(bound);
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

bool Principale::CardKeyFilter(int pair, QChar key)
{
    const int k = pair - 1;
    const QString &bound = cardPairs_[size_t(k)].boundField;
    const int column = bound.isEmpty() || !ADOQuery1->isActive() ? -1 : ADOQuery1->fieldIndex(bound);
    if (column < 0 || ADOQuery1->currentRow() < 0)
        return true;
    if (key.unicode() == KeyFilter::Enter)
        writeCardEditor(pair, true); // so that Enter saves what the editor shows
    const KeyFilter::Outcome outcome =
        KeyFilter::decide(KeyFilter::Place::Card, bareFieldName(*ADOQuery1, column), key, keyContext());
    // A field the result keeps read-only takes no typing, as its editor shows it.
    if (outcome.pass && key.unicode() != KeyFilter::Enter && ADOQuery1->fieldInfo(column).readOnly)
        return false;
    if (outcome.clearDate)
        DBEdit[size_t(k)]->clear();
    applyKeyOutcome(outcome, column, DateTimePicker2);
    return outcome.pass;
}

void Principale::writeCardEditor(int pair, bool leaving)
{
    const int k = pair - 1;
    if (leaving && !cardTextPending_[size_t(k)])
        return;
    const QString &bound = cardPairs_[size_t(k)].boundField;
    const int column = bound.isEmpty() || !ADOQuery1->isActive() ? -1 : ADOQuery1->fieldIndex(bound);
    if (column < 0 || ADOQuery1->currentRow() < 0)
        return;
    QLineEdit *editor = DBEdit[size_t(k)];
    const QString typed = editor->text();
    const int cursor = editor->cursorPosition();
    try {
        ADOQuery1->field(column).setValue(typed);
        cardTextPending_[size_t(k)] = false;
    } catch (const DbError &) {
        if (leaving)
            throw; // the data layer's own message; the text stays for the user to correct
        // A date typed halfway is no date yet: the row is being edited, the text is written
        // once it is complete or when the editor is left.
        cardTextPending_[size_t(k)] = true;
        ADOQuery1->edit();
    }
    // The card refreshes from the row on every write; the user's text and cursor stay.
    editor->setText(typed);
    editor->setCursorPosition(cursor);
}

void Principale::writePendingCardEditors()
{
    for (int pair = 1; pair <= kPairs; ++pair)
        writeCardEditor(pair, true);
}

void Principale::DateTimePicker2Enter()
{
    if (!PaymentsResultTest() && ADOQuery1->isActive() && ADOQuery1->currentRow() >= 0)
        ADOQuery1->edit();
}

bool Principale::DateTimePicker2DropDown()
{
    return startDateEditing();
}

void Principale::DateTimePicker2Exit()
{
    // A payment's date (selector 1) is never written from the main window.
    if (globals_.dateFieldSelector < 2 || globals_.dateFieldSelector > 4 || !DateTimePicker2)
        return;
    if (!ADOQuery1->isActive() || ADOQuery1->currentRow() < 0)
        return;
    ADOQuery1->fieldByName(EditorSupport::dateFieldForSelector(globals_.dateFieldSelector))
        .setValue(DateTimePicker2->date());
    ADOQuery1->post();
}

void Principale::ComboBox2DropDown()
{
    if (!ComboBox2)
        return;
    const QString text = ComboBox2->currentText();
    ComboBox2->clear();
    ComboBox2->addItems(EditorSupport::projectStates(*ADOConnection1));
    if (ComboBox2->isEditable())
        ComboBox2->setEditText(text);
    else
        ComboBox2->setCurrentIndex(ComboBox2->findText(text));
    if (ADOQuery1->isActive() && ADOQuery1->currentRow() >= 0)
        ADOQuery1->edit();
}

void Principale::ComboBox2Exit()
{
    // Setting the field starts editing, so leaving a box whose list never opened saves too.
    if (!ComboBox2 || !ADOQuery1->isActive() || ADOQuery1->currentRow() < 0)
        return;
    Field state = ADOQuery1->fieldByName(QStringLiteral("Stato"));
    const QString text = ComboBox2->currentText();
    state.setValue(text.isEmpty() ? state.value() : QVariant(text));
    ADOQuery1->post();
}

// ---------------------------------------------------------------------------------------
// Insertion

void Principale::InserisciExecute()
{
    if (!inputSheet_)
        return;
    FormInput &sheet = *inputSheet_;
    sheet.SetUpInputSheet(gridColumns_);
    // The payments result keeps a saved payment's amount and invoice read-only; a new one is typed.
    for (const QString field : {"Importo", "Fattura"}) {
        const int column = ADOQuery1->fieldIndex(field);
        if (column >= 0)
            ADOQuery1->setFieldReadOnly(column, false);
    }
    ADOQuery1->insert(); // the after-insert step fills keys and parent links
    try {
        sheet.editor(0)->setEnabled(sheet.pairs()[0].boundField != QLatin1String("Cognome_progettista"));
        sheet.editor(1)->setEnabled(sheet.pairs()[1].boundField != QLatin1String("Nome_progettista"));
        if (ADOQuery1->fieldIndex(QStringLiteral("Stato")) >= 0)
            EditorSupport::setProgramValue(*ADOQuery1, QStringLiteral("Stato"), QStringLiteral("Da iniziare"));
        if (ADOQuery1->fieldIndex(QStringLiteral("Data_inizio")) >= 0)
            EditorSupport::setProgramValue(*ADOQuery1, QStringLiteral("Data_inizio"), sheet.startDate());
    } catch (...) {
        ADOQuery1->cancel(); // no sheet is shown, so no row may stay half made
        throw;
    }
    sheet.layOutForNewRow();
    sheet.showForNewRow(sheet.pairs()[0].boundField == QLatin1String("Cognome_progettista") ? 2 : 0);
    setEnabled(false);
}

void Principale::ADOQuery1AfterInsert()
{
    newRowPending_ = true;
    Query &q = *ADOQuery1;
    using EditorSupport::setProgramValue;
    switch (globals_.insertKind) {
    case InsertPerson: {
        const qint64 key = ADOConnection1->nextKey(QStringLiteral("Committente"), QStringLiteral("IdCommittente")) + 1;
        setProgramValue(q, QStringLiteral("Committente.IdCommittente"), key);
        setProgramValue(q, QStringLiteral("Indirizzo.IdCommittente"), key);
        setProgramValue(q, QStringLiteral("Recapiti.IdCommittente"), key);
        break;
    }
    case InsertProject: {
        const qint64 key = ADOConnection1->nextKey(QStringLiteral("Progetto"), QStringLiteral("IdProgetto")) + 1;
        setProgramValue(q, QStringLiteral("IdProgetto"), key);
        const QString personKey =
            q.fieldIndex(QStringLiteral("IdCommittente")) >= 0 ? QStringLiteral("IdCommittente") : QStringLiteral("Progetto.IdCommittente");
        setProgramValue(q, personKey, globals_.currentPersonId);
        setProgramValue(q, QStringLiteral("Cognome_progettista"), globals_.currentPersonSurname);
        setProgramValue(q, QStringLiteral("Nome_progettista"), globals_.currentPersonName);
        setProgramValue(q, QStringLiteral("Importo_pagato"), 0);
        break;
    }
    case InsertPayment:
        setProgramValue(q, QStringLiteral("IdProgetto"), globals_.currentParentKey);
        break;
    default:
        break;
    }
}

void Principale::BottoneSchedaInputExecute()
{
    if (!inputSheet_ || ADOQuery1->state() != Query::State::Insert)
        return;
    inputSheet_->flushTypedValues();
    for (size_t i = 0; i < gridColumns_.columns.size(); ++i) {
        const GridColumn &column = gridColumns_.columns[i];
        if (!kRequiredTitles.contains(column.title) || !column.visible)
            continue;
        if (!ADOQuery1->field(int(i)).asString().isEmpty())
            continue;
        if (kDateTitles.contains(column.title)) {
            if (!Dialogs::instance().question(QStringLiteral("La \"") + column.title
                                              + QStringLiteral("\" non è stata inserita. Continuare?")))
                return;
            continue;
        }
        Dialogs::instance().message(QStringLiteral("Riempire il campo") + QStringLiteral("\"") + column.title
                                    + QStringLiteral("\""));
        return;
    }
    const bool payment = ADOQuery1->fieldIndex(QStringLiteral("Importo")) >= 0;
    ADOQuery1->post(); // refused: the error is shown, the sheet stays open with the row as typed
    if (payment)
        reopenPaymentsAfterSave();
    inputSheet_->close();
}

void Principale::reopenPaymentsAfterSave()
{
    ADOQuery1->close();
    gridColumns_.columns.clear();
    ADOQuery1->setSql({QStringLiteral("SELECT IdProgetto, Importo, Data, Fattura"), QStringLiteral("FROM Pagamenti"),
                       QStringLiteral("WHERE IdProgetto =") + globals_.currentParentKey});
    ADOQuery1->open();
    gridColumns_.reset(*ADOQuery1);
    ColumnSetup::applyColumnTitles(gridColumns_, ADOQuery1.get());
    ColumnSetup::applyColumnVisibility(gridColumns_, globals_.checkLists, globals_.catalogue);
    for (const QString field : {"Importo", "Fattura"}) {
        const int column = ADOQuery1->fieldIndex(field);
        if (column >= 0)
            ADOQuery1->setFieldReadOnly(column, true);
    }
    mirrorGridColumns();
    showCurrentRowInGrid();
    SpeedButton1->setEnabled(false);
    BindCardPairs(); // binding only: the card keeps its colours
    globals_.viewKind = ViewPayments;
    DateTimePicker1->hide();
}

// ---------------------------------------------------------------------------------------
// Deletion and payment totals

void Principale::EliminaExecute()
{
    if (Dialogs::instance().question(QStringLiteral("Vuoi cancellare il record selezionato?")))
        ADOQuery1->deleteRecord();
}

void Principale::DeleteFromGrid()
{
    if (!ADOQuery1->isActive() || ADOQuery1->currentRow() < 0 || !model_->isEditable())
        return;
    if (Dialogs::instance().question(QStringLiteral("Eliminare il record?")))
        ADOQuery1->deleteRecord();
}

bool Principale::PaymentsResultTest() const
{
    if (gridColumns_.columns.size() < 3)
        return false;
    const QString &title = gridColumns_.columns[2].title;
    return title == QLatin1String("Importo") || title == QLatin1String("Data") || title == QLatin1String("Fattura");
}

QString Principale::paymentProjectKey() const
{
    // The payment's own project where the result shows it: a key left over from an earlier
    // drill-down must not move another project's total.
    const int column = ADOQuery1->fieldIndex(QStringLiteral("IdProgetto"));
    const int row = ADOQuery1->currentRow();
    if (column >= 0 && row >= 0 && !ADOQuery1->isNull(row, column))
        return ADOQuery1->text(row, column);
    return globals_.currentParentKey;
}

void Principale::updateProjectTotal(const QString &projectKey, double amount)
{
    // Runs inside the save or deletion: a failing update takes the payment's change back with it.
    if (!PaymentTotals::addToProject(*ADOConnection1, projectKey, amount))
        Dialogs::instance().message(totalNotUpdatedMessage(projectKey));
}

void Principale::ADOQuery1BeforeDelete()
{
    if (!PaymentsResultTest())
        return;
    const int column = ADOQuery1->fieldIndex(QStringLiteral("Importo"));
    DeletedPaymentAmount = column >= 0 ? ADOQuery1->field(column).asFloat() : 0;
    deletedPaymentProject_ = column >= 0 ? paymentProjectKey() : QString();
}

void Principale::ADOQuery1AfterDelete()
{
    if (PaymentsResultTest())
        SubtractPaymentFromProject();
}

void Principale::ADOQuery1AfterPost()
{
    // Saved payments are never changed in place, so only a new row adds to the total.
    if (PaymentsResultTest() && newRowPending_)
        AddPaymentToProject();
}

void Principale::AddPaymentToProject()
{
    const int column = ADOQuery1->fieldIndex(QStringLiteral("Importo"));
    const QString project = paymentProjectKey();
    if (column < 0) {
        Dialogs::instance().message(totalNotUpdatedMessage(project));
        return;
    }
    updateProjectTotal(project, ADOQuery1->field(column).asFloat());
}

void Principale::SubtractPaymentFromProject()
{
    if (deletedPaymentProject_.isEmpty()) {
        Dialogs::instance().message(totalNotUpdatedMessage(globals_.currentParentKey));
        return;
    }
    updateProjectTotal(deletedPaymentProject_, -double(DeletedPaymentAmount));
}
