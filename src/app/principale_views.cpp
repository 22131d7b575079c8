// The main window's result views: grid drawing and sorting, the card's colours and
// floating editors, the drill-down from persons to projects to payments, and the moves of
// the row mark by keys and wheel.
#include "app/principale.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "data/query.h"
#include "data/table.h"
#include "editing/forminput.h"
#include "queries/querycomplessa.h"
#include "views/cardview.h"
#include "views/cellstyle.h"
#include "views/eventhook.h"
#include "views/griddelegate.h"
#include "views/resultmodel.h"
#include "views/rowkey.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>
#include <QWheelEvent>

namespace {

constexpr int kWheelNotch = 120;

// A text as a single-quoted SQL literal, inner quotes doubled.
QString quotedLiteral(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

} // namespace

void Principale::createResultViews()
{
    gridDelegate_ = new GridDelegate(DBGrid1, ADOQuery1.get(), &globals_.viewKind, &globals_.selectedKey);
    DBGrid1->setItemDelegate(gridDelegate_);
    // The current cell is the one selected cell, as the row mark and the colours expect.
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    connect(gridDelegate_, &GridDelegate::focusedDateCellDrawn, this, &Principale::placeGridDatePicker);

    // A title click sorts; it must not also select the column and so move the current row.
    QHeaderView *titles = DBGrid1->horizontalHeader();
    titles->setSectionsClickable(true);
    QObject::disconnect(titles, &QHeaderView::sectionPressed, DBGrid1, nullptr);
    QObject::disconnect(titles, &QHeaderView::sectionEntered, DBGrid1, nullptr);
    connect(titles, &QHeaderView::sectionClicked, this,
            [this](int column) { ErrorHandler::guard([this, column] { DBGrid1TitleClick(column); }); });

    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (previous.isValid() && current.column() != previous.column())
                    ErrorHandler::guard([this, previous] { DBGrid1ColExit(previous.column()); });
            });
    connect(DBGrid1, &QTableView::clicked, this, [this](const QModelIndex &index) {
        ErrorHandler::guard([this, index] { DBGrid1CellClick(index.column()); });
    });
    new EventHook(DBGrid1, QEvent::KeyRelease, [this](QEvent *event) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        ErrorHandler::guard([this, key] { DBGrid1KeyUp(key); });
        return false;
    });
    new EventHook(DBGrid1->viewport(), QEvent::Wheel, [this](QEvent *event) {
        gridWheel(static_cast<QWheelEvent *>(event));
        return true; // the grid must not scroll by itself
    });

    ComboBox2 = new QComboBox(Panel2);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    // A list to choose from that still shows a state the list does not hold yet.
    ComboBox2->setEditable(true);
    ComboBox2->lineEdit()->setReadOnly(true);
    ComboBox2->hide();
    DateTimePicker2 = new QDateEdit(Panel2);
    DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
    DateTimePicker2->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DateTimePicker2->setCalendarPopup(true);
    DateTimePicker2->hide();

    for (int k = 0; k < kPairs; ++k) {
        QLineEdit *editor = DBEdit[size_t(k)];
        if (k > 0)
            QWidget::setTabOrder(DBEdit[size_t(k - 1)], editor);
        new EventHook(editor, QEvent::MouseButtonRelease, [this, k](QEvent *event) {
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                ErrorHandler::guard([this, k] { OpenCardEditor(k + 1); });
            return false;
        });
    }
}

// ---------------------------------------------------------------------------------------
// Grid drawing and sorting

void Principale::placeGridDatePicker(const QModelIndex &index, const QRect &cellRect)
{
    const int row = index.row();
    const int column = index.column();
    if (row < 0 || row >= ADOQuery1->recordCount() || column >= ADOQuery1->fieldCount())
        return;
    // One pixel in from the cell's corner and two wider and higher, over the grid lines.
    const QPoint topLeft = DBGrid1->viewport()->mapTo(Panel1, cellRect.topLeft()) + QPoint(1, 1);
    DateTimePicker1->setGeometry(QRect(topLeft, cellRect.size() + QSize(2, 2)));
    const QDate date =
        ADOQuery1->text(row, column).isEmpty() ? QDate::currentDate() : ADOQuery1->value(row, column).toDate();
    {
        // Laying the picker over a cell is no choice of the user's: nothing may write it back.
        const QSignalBlocker quiet(DateTimePicker1);
        DateTimePicker1->setDate(date);
    }
    DateTimePicker1->show();
    DateTimePicker1->raise();
}

void Principale::DBGrid1ColExit(int column)
{
    if (column >= 0 && column < ADOQuery1->fieldCount() && CellStyle::isDateField(ADOQuery1->fieldInfo(column).name))
        DateTimePicker1->hide();
}

void Principale::DBGrid1TitleClick(int column)
{
    if (!ADOQuery1->isActive() || column < 0 || column >= ADOQuery1->fieldCount())
        return;
    model_->setTitleBold(column, !model_->isTitleBold(column));
    const QString field = ADOQuery1->fieldInfo(column).name;
    const int currentColumn = DBGrid1->currentIndex().column();
    ADOQuery1->setSort(CellStyle::nextSort(ADOQuery1->sort(), field));
    // The re-ordered rows keep the current row and the current cell's column.
    const int row = ADOQuery1->currentRow();
    if (row >= 0 && currentColumn >= 0 && currentColumn < model_->columnCount())
        DBGrid1->setCurrentIndex(model_->index(row, currentColumn));
    else
        showCurrentRowInGrid();
}

// ---------------------------------------------------------------------------------------
// Drill-down and the row mark

QString Principale::currentRowKey() const
{
    const int row = ADOQuery1->currentRow();
    if (row < 0 || row >= ADOQuery1->recordCount())
        return {};
    return RowKey::keyOf(*ADOQuery1, globals_.viewKind, row);
}

void Principale::setSelectedKeyFromCurrentRow()
{
    // A result without a key field of its view leaves the mark where it was.
    const int row = ADOQuery1->currentRow();
    if (row >= 0 && row < ADOQuery1->recordCount() && RowKey::keyColumn(*ADOQuery1, globals_.viewKind) >= 0)
        globals_.selectedKey = currentRowKey();
}

void Principale::SpeedButton1Click()
{
    showDrillDownPicture();
    QAction *add = action(QStringLiteral("Inserisci"));
    if (SpeedButton1->isChecked()) {
        AddWasEnabled = add->isEnabled();
        add->setEnabled(false);
    } else if (AddWasEnabled) {
        add->setEnabled(true);
    }
}

void Principale::DBGrid1CellClick(int column)
{
    if (!ADOQuery1->isActive() || column < 0 || column >= ADOQuery1->fieldCount())
        return;
    const int row = ADOQuery1->currentRow();
    if (row < 0)
        return;
    // A copy: the drill-down below replaces the result and its fields.
    const QString field = ADOQuery1->fieldInfo(column).name;

    setSelectedKeyFromCurrentRow();

    if (field == QLatin1String("Importo_pagato") || field == QLatin1String("Cognome_progettista")
        || field == QLatin1String("Nome_progettista")) {
        ADOQuery1->setFieldReadOnly(column, true);
        if (size_t(column) < gridColumns_.columns.size())
            gridColumns_.columns[size_t(column)].readOnly = true;
    }

    const QString text = ADOQuery1->text(row, column);
    if (field == QLatin1String("Sito_internet") && !text.isEmpty())
        Dialogs::instance().openExternal(text);
    if (field == QLatin1String("E_mail") && !text.isEmpty())
        Dialogs::instance().openExternal(QStringLiteral("mailto:") + text);

    const bool pressed = SpeedButton1->isChecked();
    const int total = ADOQuery1->fieldIndex(QStringLiteral("Importo_totale"));
    const int paid = ADOQuery1->fieldIndex(QStringLiteral("Importo_pagato"));
    if (total >= 0 && paid >= 0 && pressed && ADOQuery1->text(row, total) == ADOQuery1->text(row, paid)) {
        action(QStringLiteral("Inserisci"))->setEnabled(false);
        action(QStringLiteral("Elimina"))->setEnabled(false);
    }

    if (pressed) {
        if (globals_.viewKind == ViewPersons)
            drillDownToProjects();
        else if (globals_.viewKind == ViewProjects)
            drillDownToPayments();
    } else if (field == QLatin1String("Stato")) {
        Table *states = complexQuery_ ? complexQuery_->lookUpTable() : nullptr;
        std::unique_ptr<Table> own;
        if (!states) {
            own = std::make_unique<Table>(ADOConnection1.get());
            states = own.get();
        }
        states->close();
        states->setTableName(QStringLiteral("Stato"));
        states->open();
        QStringList values;
        const int name = states->fieldIndex(QStringLiteral("Stato_progetto"));
        for (int r = 0; r < states->recordCount(); ++r)
            values << states->text(r, name);
        states->close();
        gridDelegate_->setPickList(column, values);
    }

    DBGrid1->viewport()->update();
}

void Principale::replaceResultForDrillDown(const QStringList &lines)
{
    saveTypedChange();
    UnbindCardEditors();
    model_->setEditable(true);
    if (!globals_.inputSheetPending && inputSheet_)
        inputSheet_->UnbindInputSheetEditors();
    ADOQuery1->setFiltered(false);
    Edit1->clear();

    ADOQuery1->close();
    gridColumns_.columns.clear();
    ADOQuery1->clearSql();
    ADOQuery1->setSql(lines);
    ADOQuery1->open(); // a rejected statement ends the drill-down here
    if (ADOQuery1->isEmpty())
        SpeedButton1->setEnabled(false);
}

void Principale::applyColumnPassesForDrillDown()
{
    gridColumns_.reset(*ADOQuery1);
    ColumnSetup::applyColumnTitles(gridColumns_, ADOQuery1.get());
    ColumnSetup::applyColumnVisibility(gridColumns_, globals_.checkLists, globals_.catalogue);
    mirrorGridColumns();
    showCurrentRowInGrid();
}

void Principale::drillDownToProjects()
{
    ComboBox1->setEditText(QStringLiteral("Cognome cliente"));
    action(QStringLiteral("Inserisci"))->setEnabled(true);
    globals_.insertKind = InsertProject;

    globals_.currentPersonId = ADOQuery1->fieldByName(QStringLiteral("Committente.IdCommittente")).asInteger();
    globals_.currentPersonName = ADOQuery1->fieldByName(QStringLiteral("Nome")).asString();
    globals_.currentPersonSurname = ADOQuery1->fieldByName(QStringLiteral("Cognome")).asString();
    globals_.currentParentKey = globals_.currentPersonSurname;

    replaceResultForDrillDown(
        {QStringLiteral("SELECT DISTINCT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, "
                        "Descrizione, Comune, Stato, Importo_totale, Importo_pagato, Data_inizio, Data_fine, "
                        "Data_scadenza, Archivio, Nota"),
         QStringLiteral("FROM Committente, Progetto"),
         QStringLiteral("WHERE Progetto.IdCommittente=") + QString::number(globals_.currentPersonId)
             + QStringLiteral(" AND Cognome_progettista=") + quotedLiteral(globals_.currentParentKey)});
    applyColumnPassesForDrillDown();
    SetUpCard(); // still as a persons view
    globals_.viewKind = ViewProjects;

    const int firstName = ADOQuery1->fieldIndex(QStringLiteral("Nome_progettista"));
    const QString name = ADOQuery1->isEmpty() || firstName < 0 ? QString() : ADOQuery1->text(0, firstName);
    setStatusText(QStringLiteral("Query attuale: Progetti di ") + globals_.currentParentKey + QLatin1Char(' ') + name);
    DateTimePicker1->hide();
    SpeedButton1->setText(QStringLiteral("Visualizza pagamenti"));
    colourCardPairs();
}

void Principale::drillDownToPayments()
{
    ComboBox1->setEditText(QString());
    if (ADOQuery1->fieldIndex(QStringLiteral("Importo_totale")) >= 0) {
        // A fully paid project takes no new payment.
        const bool open = ADOQuery1->fieldByName(QStringLiteral("Importo_totale")).asString()
                          != ADOQuery1->fieldByName(QStringLiteral("Importo_pagato")).asString();
        action(QStringLiteral("Inserisci"))->setEnabled(open);
        action(QStringLiteral("Elimina"))->setEnabled(open);
    }
    globals_.insertKind = InsertPayment;
    // Built from the project row, before the payments replace it.
    setStatusText(QStringLiteral("Query attuale: Pagamenti effettuati da ")
                  + ADOQuery1->fieldByName(QStringLiteral("Cognome_progettista")).asString() + QLatin1Char(' ')
                  + ADOQuery1->fieldByName(QStringLiteral("Nome_progettista")).asString()
                  + QStringLiteral(" per il progetto di ")
                  + ADOQuery1->fieldByName(QStringLiteral("Comune")).asString());
    globals_.currentParentKey = ADOQuery1->fieldByName(QStringLiteral("IdProgetto")).asString();

    replaceResultForDrillDown({QStringLiteral("SELECT IdProgetto, IdFattura, Importo, Data, Fattura"),
                               QStringLiteral("FROM Pagamenti"),
                               QStringLiteral("WHERE IdProgetto =") + globals_.currentParentKey});
    applyColumnPassesForDrillDown();
    // Payments are corrected by deleting and adding them again, never in place.
    for (const QString &name : {QStringLiteral("Importo"), QStringLiteral("Fattura")}) {
        const int c = ADOQuery1->fieldIndex(name);
        if (c >= 0) {
            ADOQuery1->setFieldReadOnly(c, true);
            gridColumns_.columns[size_t(c)].readOnly = true;
        }
    }
    SpeedButton1->setEnabled(false);
    SetUpCard(); // still as a projects view, so the card keeps its colours
    globals_.viewKind = ViewPayments;
    DateTimePicker1->hide();
}

void Principale::DBGrid1KeyUp(int key)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        setSelectedKeyFromCurrentRow();
    DBGrid1->viewport()->update();
}

void Principale::GridWheelDown()
{
    if (ADOQuery1->isActive())
        ADOQuery1->next();
    setSelectedKeyFromCurrentRow();
    DBGrid1->viewport()->update();
}

void Principale::GridWheelUp()
{
    if (ADOQuery1->isActive())
        ADOQuery1->prior();
    setSelectedKeyFromCurrentRow();
    DBGrid1->viewport()->update();
}

void Principale::gridWheel(QWheelEvent *event)
{
    event->accept();
    const int delta = event->angleDelta().y();
    // A change of direction drops what was left of a notch the other way.
    if ((delta > 0) != (wheelRemainder_ > 0))
        wheelRemainder_ = 0;
    wheelRemainder_ += delta;
    while (wheelRemainder_ <= -kWheelNotch) {
        wheelRemainder_ += kWheelNotch;
        ErrorHandler::guard([this] { GridWheelDown(); });
    }
    while (wheelRemainder_ >= kWheelNotch) {
        wheelRemainder_ -= kWheelNotch;
        ErrorHandler::guard([this] { GridWheelUp(); });
    }
}

// ---------------------------------------------------------------------------------------
// Card

void Principale::ColourCardPair(int pair)
{
    if (pair < 1 || pair > kPairs)
        return;
    CardView::colourPair(DBText[size_t(pair - 1)], DBEdit[size_t(pair - 1)], *ADOQuery1);
}

void Principale::colourCardPairs()
{
    for (int pair = 1; pair <= kPairs; ++pair)
        ColourCardPair(pair);
}

void Principale::OpenCardEditor(int pair)
{
    if (pair < 1 || pair > kPairs)
        return;
    QLineEdit *editor = DBEdit[size_t(pair - 1)];
    const QString field = cardPairs_[size_t(pair - 1)].boundField;
    const QString text = editor->text();
    if (field == QLatin1String("E_mail") && !text.isEmpty())
        Dialogs::instance().openExternal(QStringLiteral("mailto:") + text);
    if (field == QLatin1String("Sito_internet") && !text.isEmpty())
        Dialogs::instance().openExternal(text);
    CardView::placeFloatingEditor(editor, field, ComboBox2, DateTimePicker2, &globals_.dateFieldSelector);
}
