#include "queries/conditionqueries.h"

namespace ConditionQueries {

namespace {

// The persons join with the condition on one column appended.
QString personsWhere(const QString &condition)
{
    return StandardQueries::personsJoin() + QStringLiteral(" AND ") + condition;
}

QStringList personsLines(const QString &condition)
{
    return {StandardQueries::personsColumns(), StandardQueries::personsTables(), personsWhere(condition)};
}

ResultStep personsByNames(const ConditionInput &input)
{
    const QString byName = QStringLiteral("Nome=") + quotedLiteral(input.firstName);
    const QString bySurname = QStringLiteral("Cognome=") + quotedLiteral(input.surname);
    QString condition;
    if (input.firstName.isEmpty())
        condition = bySurname;
    else if (input.surname.isEmpty())
        condition = byName;
    else
        condition = byName + QStringLiteral(" AND ") + bySurname; // both given: the person with both
    // The blank stays even when one of the two names is empty.
    return StandardQueries::personsQuery(personsLines(condition), QStringLiteral("Persone con nome o cognome=")
                                                                      + input.firstName + QLatin1Char(' ')
                                                                      + input.surname);
}

ResultStep projectsByState(const QString &state)
{
    ResultStep d = StandardQueries::projectsQuery({StandardQueries::projectsColumns(), StandardQueries::projectsTables(),
                                                   StandardQueries::projectsJoin() + QStringLiteral(" AND Stato=")
                                                       + quotedLiteral(state)},
                                                  QStringLiteral("Progetti con stato di progetto=") + state);
    d.viewKind = ViewProjectsByState;
    d.drillDownCaption = QStringLiteral("Visualizza progetti");
    return d;
}

} // namespace

QString dialogCaption() { return QStringLiteral("Condizione query"); }

ConditionDialogLayout layout(ConditionMode mode)
{
    switch (mode) {
    case ConditionMode::NameSurname:
        return {194, true, QStringLiteral("Nome"), QStringLiteral("Cognome"), 120};
    case ConditionMode::Qualification:
        return {146, false, QStringLiteral("Qualifica"), QString(), 72};
    case ConditionMode::City:
        return {146, false, QStringLiteral("Città"), QString(), 72};
    case ConditionMode::ProjectState:
        return {146, false, QStringLiteral("Stato progetto"), QString(), 72};
    }
    return {};
}

QString missingValueMessage(ConditionMode mode)
{
    switch (mode) {
    case ConditionMode::NameSurname:
        return QStringLiteral("Riempire almeno uno dei due campi");
    case ConditionMode::Qualification:
        return QStringLiteral("Inserire una qualifica");
    case ConditionMode::City:
        return QStringLiteral("Inserire una città");
    case ConditionMode::ProjectState:
        return QStringLiteral("Inserire uno stato di progetto");
    }
    return {};
}

QString checkInput(ConditionMode mode, const ConditionInput &input)
{
    const bool missing = mode == ConditionMode::NameSurname ? input.firstName.isEmpty() && input.surname.isEmpty()
                                                            : input.value.isEmpty();
    return missing ? missingValueMessage(mode) : QString();
}

ResultStep describe(ConditionMode mode, const ConditionInput &input)
{
    switch (mode) {
    case ConditionMode::NameSurname:
        return personsByNames(input);
    case ConditionMode::Qualification:
        return StandardQueries::personsQuery(personsLines(QStringLiteral("Qualifica=") + quotedLiteral(input.value)),
                                             QStringLiteral("Persone con qualifica=") + input.value);
    case ConditionMode::City:
        return StandardQueries::personsQuery(personsLines(QStringLiteral("Città=") + quotedLiteral(input.value)),
                                             QStringLiteral("Persone residenti nella città di ") + input.value);
    case ConditionMode::ProjectState:
        return projectsByState(input.value);
    }
    return {};
}

QString quotedLiteral(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

ConditionValueSource valueSource(ConditionMode mode)
{
    switch (mode) {
    case ConditionMode::NameSurname:
        return {};
    case ConditionMode::Qualification:
        return {QStringLiteral("Committente"), QStringLiteral("Qualifica"), true};
    case ConditionMode::City:
        return {QStringLiteral("Indirizzo"), QStringLiteral("Città"), true};
    case ConditionMode::ProjectState:
        return {QStringLiteral("Stato"), QStringLiteral("Stato_progetto"), false};
    }
    return {};
}

QStringList valueList(ConditionMode mode, const QStringList &texts)
{
    if (!valueSource(mode).removeDuplicates)
        return texts;
    QStringList list = texts;
    list.removeDuplicates(); // keeps the first of each, exact comparison
    return list;
}

} // namespace ConditionQueries
