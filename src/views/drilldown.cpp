#include "views/drilldown.h"

#include "core/dialogs.h"
#include "core/lookups.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "queries/querysequence.h"
#include "queries/resultstep.h"
#include "views/rowkey.h"

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

std::optional<QStringList> DrillDown::cellClick(int column)
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
    const ViewKind view = workspace_.globals().viewKind;
    if (pressed && (view == ViewProjects || view == ViewProjectsByState)
        && query.fieldByName(QStringLiteral("Importo_totale")).asString()
               == query.fieldByName(QStringLiteral("Importo_pagato")).asString()) {
        screen_.setAddEnabled(false);
        screen_.setDeleteEnabled(false);
    }

    if (pressed) {
        if (view == ViewPersons)
            toProjects();
        else if (view == ViewProjects)
            toPayments();
        return std::nullopt;
    }
    if (field != QLatin1String("Stato"))
        return std::nullopt;
    return Lookups::projectStates(workspace_);
}

void DrillDown::toProjects()
{
    Query &query = *workspace_.query();
    const ResultStep step
        = ResultSteps::projectsOfPerson(workspace_.globals().drillDown,
                                        query.fieldByName(QStringLiteral("Committente.IdCommittente")).asInteger(),
                                        query.fieldByName(QStringLiteral("Cognome")).asString(),
                                        query.fieldByName(QStringLiteral("Nome")).asString());
    QuerySequence::run(workspace_, screen_, step);
}

void DrillDown::toPayments()
{
    Query &query = *workspace_.query();
    const auto text = [&query](const char *field) { return query.fieldByName(QLatin1String(field)).asString(); };
    const ProjectRow project{text("IdProgetto"), text("Cognome_progettista"), text("Nome_progettista"),
                             text("Comune"),     text("Importo_totale"),      text("Importo_pagato")};
    QuerySequence::run(workspace_, screen_, ResultSteps::paymentsOfProject(workspace_.globals().drillDown, project));
}
