#include "app/principale.h"

#include "data/database.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/table.h"
#include "desktop/info.h"
#include "editing/forminput.h"
#include "queries/querycomplessa.h"
#include "settings/opzioni.h"
#include "views/resultmodel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

void Principale::openConnection()
{
    ADOConnection1->open(Schema::databasePath(programDir_), Schema::databasePassword());
    Protezione->open();
}

void Principale::FillFieldCheckLists()
{
    globals_.catalogue.fillFieldCheckLists(globals_.checkLists);
    // The lists come unticked; an item is ticked when its field is shown.
    for (CheckList &list : globals_.checkLists) {
        for (int item = 0; item < list.items.size(); ++item) {
            const int entry = globals_.catalogue.indexOfLabel(list.items.at(item));
            list.checked[item] = entry >= 0 && globals_.catalogue.entry(entry).visible;
        }
    }
}

void Principale::runInitialQuery(bool atStartup)
{
    if (const auto query = StandardQueries::forInitialKind(globals_.initialQueryKind, atStartup))
        runStandardQuery(*query);
}

void Principale::runStandardQuery(StandardQuery query)
{
    runQuery(StandardQueries::describe(query));
}

void Principale::saveTypedChange()
{
    // A change typed into the grid or the card is saved before the result is replaced,
    // rather than dropped with it; a refused save stops the query, keeping the change.
    if (ADOQuery1->state() == Query::State::Edit && ADOQuery1->isModified())
        ADOQuery1->post();
}

void Principale::runQuery(const QueryDescription &description)
{
    saveTypedChange();
    ComboBox1->setEditText(description.searchField);
    action(QStringLiteral("Inserisci"))->setEnabled(description.addEnabled);
    action(QStringLiteral("Elimina"))->setEnabled(description.deleteEnabled);
    globals_.viewKind = description.viewKind;
    if (description.personsQuery)
        globals_.insertKind = InsertPerson;
    resetDrillDownButton(description.drillDownCaption);
    model_->setEditable(true);
    ADOQuery1->setFiltered(false);
    Edit1->clear();

    UnbindCardEditors();
    if (!globals_.inputSheetPending && inputSheet_)
        inputSheet_->UnbindInputSheetEditors();

    ADOQuery1->close();
    gridColumns_.columns.clear();
    ADOQuery1->clearSql();
    ADOQuery1->setSql(description.lines);
    try {
        ADOQuery1->open();
    } catch (...) {
        // A rejected statement ends the sequence here, with grid and card empty.
        SetUpCard();
        throw;
    }

    if (ADOQuery1->isEmpty())
        SpeedButton1->setEnabled(false);
    gridColumns_.reset(*ADOQuery1);
    ColumnSetup::applyColumnTitles(gridColumns_, ADOQuery1.get());
    ColumnSetup::applyColumnVisibility(gridColumns_, globals_.checkLists, globals_.catalogue);
    mirrorGridColumns();
    showCurrentRowInGrid();
    SetUpCard();
    setStatusText(description.status);
    DateTimePicker1->hide();
    colourCardPairs();
}

void Principale::QueryCommittenteExecute()
{
    runStandardQuery(StandardQuery::Committente);
}

void Principale::QueryConProgettiExecute()
{
    runStandardQuery(StandardQuery::ConProgetti);
}

void Principale::QuerySenzaProgettiExecute()
{
    runStandardQuery(StandardQuery::SenzaProgetti);
}

void Principale::QueryProgettoExecute()
{
    runStandardQuery(StandardQuery::Progetto);
}

void Principale::InCorsoExecute()
{
    runStandardQuery(StandardQuery::InCorso);
}

void Principale::ComuneExecute()
{
    runStandardQuery(StandardQuery::DaIniziare);
}

void Principale::QuerySospesiExecute()
{
    runStandardQuery(StandardQuery::Sospesi);
}

void Principale::QueryNonPagatiExecute()
{
    runStandardQuery(StandardQuery::NonPagati);
}

void Principale::QueryPagatiExecute()
{
    runStandardQuery(StandardQuery::Pagati);
}

void Principale::PersonalizzaQueryExecute()
{
    if (!complexQuery_)
        return;
    setEnabled(false);
    complexQuery_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    complexQuery_->show();
}

void Principale::OpzioniExecute()
{
    if (options_)
        options_->show();
}

void Principale::Informazioni1Click()
{
    if (!about_)
        return;
    setEnabled(false);
    about_->show();
}
