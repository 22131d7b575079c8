#include "views/drilldown.h"

#include "core/dialogs.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "data/table.h"
#include "queries/querysequence.h"
#include "queries/standardqueries.h"
#include "views/rowkey.h"

#include <memory>

QString DrillDown::currentRowKey() const
{
    const Query &query = *workspace_.query();
    const int row = query.currentRow();
    if (row < 0 || row >= query.recordCount())
        return {};
    return RowKey::keyOf(query, workspace_.globals().viewKind, row);
}

void DrillDown::markCurrentRow()
{
    const Query &query = *workspace_.query();
    const int row = query.currentRow();
    if (row >= 0 && row < query.recordCount() && RowKey::keyColumn(query, workspace_.globals().viewKind) >= 0)
        workspace_.globals().selectedKey = currentRowKey();
}

std::optional<QStringList> DrillDown::cellClick(int column, Table *lookUp)
{
    Query &query = *workspace_.query();
    if (!query.isActive() || column < 0 || column >= query.fieldCount())
        return std::nullopt;
    const int row = query.currentRow();
    if (row < 0)
        return std::nullopt;
    // A copy: the drill-down below replaces the result and its fields.
    const QString field = query.fieldInfo(column).name;

    markCurrentRow();

    if (field == QLatin1String("Importo_pagato") || field == QLatin1String("Cognome_progettista")
        || field == QLatin1String("Nome_progettista"))
        query.setFieldReadOnly(column, true);

    const QString text = query.text(row, column);
    if (const QString link = FieldCatalogue::linkOfColumn(field, text); !link.isEmpty())
        Dialogs::instance().openExternal(link);

    const bool pressed = screen_.isDrillDownPressed();
    const int total = query.fieldIndex(QStringLiteral("Importo_totale"));
    const int paid = query.fieldIndex(QStringLiteral("Importo_pagato"));
    if (total >= 0 && paid >= 0 && pressed && query.text(row, total) == query.text(row, paid)) {
        screen_.setAddEnabled(false);
        screen_.setDeleteEnabled(false);
    }

    if (pressed) {
        if (workspace_.globals().viewKind == ViewPersons)
            toProjects();
        else if (workspace_.globals().viewKind == ViewProjects)
            toPayments();
        return std::nullopt;
    }
    if (field != QLatin1String("Stato"))
        return std::nullopt;
    std::unique_ptr<Table> own;
    if (!lookUp) {
        own = std::make_unique<Table>(&workspace_.connection());
        lookUp = own.get();
    }
    lookUp->close();
    lookUp->setTableName(QStringLiteral("Stato"));
    lookUp->open();
    QStringList values;
    const int name = lookUp->fieldIndex(QStringLiteral("Stato_progetto"));
    for (int r = 0; r < lookUp->recordCount(); ++r)
        values << lookUp->text(r, name);
    lookUp->close();
    return values;
}

void DrillDown::replaceResult(const QStringList &lines)
{
    workspace_.saveTypedChange();
    screen_.unbindEditors();
    screen_.setGridEditable(true);
    workspace_.query()->setFiltered(false);
    screen_.clearSearchText();
    QuerySequence::replaceResult(workspace_, lines); // a rejected statement ends the drill-down here
    if (workspace_.query()->isEmpty())
        screen_.setDrillDownEnabled(false);
    screen_.showColumns();
}

void DrillDown::toProjects()
{
    Globals &globals = workspace_.globals();
    Query &query = *workspace_.query();
    screen_.setSearchField(QStringLiteral("Cognome cliente"));
    screen_.setAddEnabled(true);
    globals.insertKind = InsertProject;

    globals.currentPersonId = query.fieldByName(QStringLiteral("Committente.IdCommittente")).asInteger();
    globals.currentPersonName = query.fieldByName(QStringLiteral("Nome")).asString();
    globals.currentPersonSurname = query.fieldByName(QStringLiteral("Cognome")).asString();
    globals.currentParentKey = globals.currentPersonSurname;

    replaceResult(StandardQueries::projectsOfPerson(globals.currentPersonId, globals.currentParentKey));
    screen_.setUpCard(); // still as a persons view
    globals.viewKind = ViewProjects;

    const int firstName = query.fieldIndex(QStringLiteral("Nome_progettista"));
    const QString name = query.isEmpty() || firstName < 0 ? QString() : query.text(0, firstName);
    screen_.setStatusText(QStringLiteral("Query attuale: Progetti di ") + globals.currentParentKey + QLatin1Char(' ')
                          + name);
    screen_.hideGridDatePicker();
    screen_.setDrillDownCaption(QStringLiteral("Visualizza pagamenti"));
    screen_.colourCard();
}

void DrillDown::toPayments()
{
    Globals &globals = workspace_.globals();
    Query &query = *workspace_.query();
    screen_.setSearchField(QString());
    if (query.fieldIndex(QStringLiteral("Importo_totale")) >= 0) {
        // A fully paid project takes no new payment.
        const bool open = query.fieldByName(QStringLiteral("Importo_totale")).asString()
                          != query.fieldByName(QStringLiteral("Importo_pagato")).asString();
        screen_.setAddEnabled(open);
        screen_.setDeleteEnabled(open);
    }
    globals.insertKind = InsertPayment;
    // Built from the project row, before the payments replace it.
    screen_.setStatusText(QStringLiteral("Query attuale: Pagamenti effettuati da ")
                          + query.fieldByName(QStringLiteral("Cognome_progettista")).asString() + QLatin1Char(' ')
                          + query.fieldByName(QStringLiteral("Nome_progettista")).asString()
                          + QStringLiteral(" per il progetto di ")
                          + query.fieldByName(QStringLiteral("Comune")).asString());
    globals.currentParentKey = query.fieldByName(QStringLiteral("IdProgetto")).asString();

    replaceResult(StandardQueries::paymentsOfProject(globals.currentParentKey));
    // Payments are corrected by deleting and adding them again, never in place.
    for (const QString &name : FieldCatalogue::fixedOnceSavedColumns()) {
        const int c = query.fieldIndex(name);
        if (c >= 0)
            query.setFieldReadOnly(c, true);
    }
    screen_.setDrillDownEnabled(false);
    screen_.setUpCard(); // still as a projects view, so the card keeps its colours
    globals.viewKind = ViewPayments;
    screen_.hideGridDatePicker();
}
