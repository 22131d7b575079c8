#include "queries/resultstep.h"

#include "data/fieldcatalogue.h"
#include "queries/standardqueries.h"

namespace ResultSteps {

namespace {

ResultStep payments(const QStringList &lines, const DrillDownContext &context)
{
    ResultStep step;
    step.lines = lines;
    step.viewKind = ViewPayments;
    step.drillDown = context;
    step.readOnlyFields = FieldCatalogue::fixedOnceSavedColumns();
    step.toggle = DrillDownToggle::Disabled;
    return step;
}

} // namespace

ResultStep projectsOfPerson(const DrillDownContext &previous, qint64 personId, const QString &surname,
                            const QString &name)
{
    DrillDownContext context = previous;
    context.personId = personId;
    context.personSurname = surname;
    context.personName = name;

    ResultStep step;
    step.lines = StandardQueries::projectsOfPerson(personId, surname);
    step.viewKind = ViewProjects;
    step.insertKind = InsertProject;
    step.drillDown = context;
    step.searchField = QStringLiteral("Cognome cliente");
    step.addEnabled = true;
    step.toggle = DrillDownToggle::StaysPressed;
    step.drillDownCaption = QStringLiteral("Visualizza pagamenti");
    step.status = QStringLiteral("Query attuale: Progetti di ") + surname + QLatin1Char(' ');
    step.statusFirstRowColumn = QStringLiteral("Nome_progettista");
    return step;
}

ResultStep paymentsOfProject(const DrillDownContext &previous, const ProjectRow &project)
{
    DrillDownContext context = previous;
    context.projectKey = project.key;

    ResultStep step = payments(StandardQueries::paymentsOfProject(project.key), context);
    step.insertKind = InsertPayment;
    step.searchField = QString();
    const bool open = project.total != project.paid; // a fully paid project takes no new payment
    step.addEnabled = open;
    step.deleteEnabled = open;
    step.colourCard = false; // the card keeps the project's colours
    step.status = QStringLiteral("Query attuale: Pagamenti effettuati da ") + project.clientSurname + QLatin1Char(' ')
                  + project.clientName + QStringLiteral(" per il progetto di ") + project.comune;
    step.statusFirst = true;
    return step;
}

ResultStep paymentsAfterSave(const DrillDownContext &context)
{
    ResultStep step = payments(StandardQueries::paymentsAfterSave(context.projectKey), context);
    step.keepsScreen = true;
    step.colourCard = false;
    return step;
}

} // namespace ResultSteps
